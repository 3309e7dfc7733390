#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace platform::qt {

// The items of a check-box list: one text and one check mark per row, shown in the first column; the
// other columns have headings only. Rows are kept in the order they were added and never sorted.
// Plain storage rather than an item per row, so that lists of a hundred thousand entries stay cheap.
class CheckListModel final : public QAbstractTableModel {
  public:
    void addColumn(const QString& heading);
    QString heading(int column) const { return headings_.at(column); }

    void clear();
    void append(std::string_view text);
    const std::string& text(int row) const { return items_[std::size_t(row)].text; }
    bool checked(int row) const { return items_[std::size_t(row)].checked; }
    void setChecked(int row, bool checked);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    struct Item {
        std::string text;  // UTF-8, as the program reads it back; converted only for the rows painted
        bool checked = false;
    };

    std::vector<Item> items_;
    QStringList headings_;
};

}  // namespace platform::qt
