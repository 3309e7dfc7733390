#pragma once

#include <list>
#include <vector>

#include "platform/qt/CheckListModel.h"
#include "platform/qt/QtControl.h"

class QPoint;
class QTreeView;

namespace platform::qt {

// A check-box list in details view: a header row with the columns, one check box per item, whole-row
// selection, no sorting and no label editing. A model/view list, so that long lists cost only the
// rows on screen.
class QtListView final : public QtControl<ListView, ControlKind::ListView> {
  public:
    QtListView(QtUi& ui, QWidget& parent, const ControlLayout& layout, const Resolution& resolution);

    void addColumn(std::string_view text) override;
    int columnCount() const override;
    std::string columnText(int column) const override;
    void setColumnWidth(int column, int twips) override;
    int columnWidth(int column) const override;

    void clear() override;
    void add(std::string_view text) override;
    int count() const override;
    std::string itemText(int position) const override;
    bool checked(int position) const override;
    void setChecked(int position, bool checked) override;
    int selectedItem() const override;
    Event& addMenuCommand(std::string_view caption) override;

  private:
    void showMenu(const QPoint& at);

    // The row of a position counted from 1; fails for one outside the list.
    int rowAt(int position) const;
    int columnAt(int column) const;

    QTreeView& view_;
    Resolution resolution_;
    CheckListModel model_;
    std::vector<int> columnTwips_;
    struct MenuCommand {
        QString caption;
        Event chosen;
    };
    std::list<MenuCommand> menu_;  // events handed out stay where they are
};

}  // namespace platform::qt
