#include "platform/qt/CheckListModel.h"

#include "platform/qt/QtText.h"

namespace platform::qt {

void CheckListModel::addColumn(const QString& heading) {
    const int column = int(headings_.size());
    beginInsertColumns({}, column, column);
    headings_.append(heading);
    endInsertColumns();
}

void CheckListModel::clear() {
    beginResetModel();
    items_.clear();
    endResetModel();
}

void CheckListModel::append(std::string_view text) {
    const int row = int(items_.size());
    beginInsertRows({}, row, row);
    items_.push_back({std::string{text}, false});
    endInsertRows();
}

void CheckListModel::setChecked(int row, bool checked) {
    Item& item = items_[std::size_t(row)];
    if (item.checked == checked) return;
    item.checked = checked;
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
}

int CheckListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(items_.size());
}

int CheckListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(headings_.size());
}

QVariant CheckListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() != 0) return {};
    const Item& item = items_[std::size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return toQString(item.text);
        case Qt::CheckStateRole:
            return item.checked ? Qt::Checked : Qt::Unchecked;
        default:
            return {};
    }
}

// The user's click on a check box, or Space on the current row.
bool CheckListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole) return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    return index.column() == 0 ? flags | Qt::ItemIsUserCheckable : flags;
}

QVariant CheckListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= headings_.size())
        return {};
    return headings_.at(section);
}

}  // namespace platform::qt
