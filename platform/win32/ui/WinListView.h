#pragma once

#include <list>
#include <string>

#include "platform/win32/ui/WinControls.h"

namespace platform::win32::ui {

// A SysListView32 in report view with a check box on every row.
class WinListView : public WinControl<ListView> {
  public:
    WinListView(Page& page, const ControlLayout& layout, POINT origin);

    void addColumn(std::string_view text) override;
    int columnCount() const override;
    std::string columnText(int column) const override;
    void setColumnWidth(int column, int twips) override;
    int columnWidth(int column) const override;
    void dotsPerInchChanged(double scale) override;

    void clear() override;
    void add(std::string_view text) override;
    int count() const override;
    std::string itemText(int position) const override;
    bool checked(int position) const override;
    void setChecked(int position, bool checked) override;
    int selectedItem() const override;
    Event& addMenuCommand(std::string_view caption) override;
    LRESULT notify(const NMHDR& header) override;

  private:
    void showMenu(POINT at);

    int itemIndex(int position) const;  // fails outside 1 to count()
    int columnIndex(int column) const;  // fails outside 1 to columnCount()

    struct MenuCommand {
        std::wstring caption;
        Event chosen;
    };
    std::list<MenuCommand> menu_;  // events handed out stay where they are
};

}  // namespace platform::win32::ui
