#include "platform/qt/QtListView.h"

#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

#include "platform/Failure.h"
#include "platform/Twips.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/WidgetSupport.h"

namespace platform::qt {
namespace {

// A column added without a width is an inch wide, as on Windows.
constexpr int kDefaultColumnTwips = 1440;

// The list's widget. Mouse moves arrive over the rows (the viewport) and over the header; both are the
// list to the page.
class ListWidget final : public Tracked<QTreeView> {
  public:
    explicit ListWidget(std::function<void()> moved) : Tracked(std::move(moved)) {
        viewport()->setMouseTracking(true);
        header()->viewport()->setMouseTracking(true);
        header()->viewport()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == header()->viewport() && event->type() == QEvent::MouseMove) {
            reportMove(static_cast<QMouseEvent*>(event));
            return false;  // the header still resizes its columns
        }
        return Tracked::eventFilter(watched, event);
    }
};

Failure indexOutOfBounds() {
    return Failure("Index out of bounds", 35600);
}

}  // namespace

QtListView::QtListView(QtUi& ui, QWidget& parent, const ControlLayout& layout, const Resolution& resolution)
    : QtControl(ui, layout, createChild<ListWidget>(parent, [this] { ui_.raiseFromToolkit(onMouseMove); }),
                resolution, QPalette::Base),
      view_(static_cast<QTreeView&>(widget())),
      resolution_(resolution) {
    view_.setModel(&model_);
    // One flat list of equal rows: the view lays out a hundred thousand of them without measuring each.
    view_.setUniformRowHeights(true);
    view_.setRootIsDecorated(false);
    view_.setItemsExpandable(false);
    view_.setSortingEnabled(false);
    view_.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_.setSelectionMode(QAbstractItemView::SingleSelection);
    view_.setSelectionBehavior(QAbstractItemView::SelectRows);
    view_.setAllColumnsShowFocus(true);
    QHeaderView& header = *view_.header();
    header.setStretchLastSection(false);
    header.setSectionsMovable(false);
    header.setSectionsClickable(false);
    header.setSectionResizeMode(QHeaderView::Interactive);
    // The view does not report a double click on a check box (the box takes it), only on the text.
    QObject::connect(&view_, &QAbstractItemView::doubleClicked, &view_, [this](const QModelIndex& index) {
        if (index.isValid()) ui_.raiseFromToolkit(onDoubleClick);
    });
    view_.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&view_, &QWidget::customContextMenuRequested, &view_,
                     [this](const QPoint& at) { showMenu(at); });
}

int QtListView::selectedItem() const {
    const QModelIndex current = view_.currentIndex();
    return current.isValid() && view_.selectionModel()->isSelected(current) ? current.row() + 1 : 0;
}

Event& QtListView::addMenuCommand(std::string_view caption) {
    return menu_.emplace_back(MenuCommand{toQString(caption), {}}).chosen;
}

void QtListView::showMenu(const QPoint& at) {
    // Over an item only, which is selected first, as a right click selects on Windows.
    const QModelIndex index = view_.indexAt(at);
    if (menu_.empty() || !index.isValid()) return;
    view_.setCurrentIndex(index);
    QMenu menu(&view_);
    for (auto& command : menu_)
        QObject::connect(menu.addAction(command.caption), &QAction::triggered, &view_,
                         [this, &command] { ui_.raiseFromToolkit(command.chosen); });
    menu.exec(view_.viewport()->mapToGlobal(at));
}

void QtListView::addColumn(std::string_view text) {
    model_.addColumn(toQString(text));
    columnTwips_.push_back(kDefaultColumnTwips);
    const int column = int(columnTwips_.size()) - 1;
    view_.header()->resizeSection(column, twipsToPixels(kDefaultColumnTwips, resolution_.dotsPerInchX));
}

int QtListView::columnCount() const {
    return int(columnTwips_.size());
}

std::string QtListView::columnText(int column) const {
    return toUtf8(model_.heading(columnAt(column)));
}

void QtListView::setColumnWidth(int column, int twips) {
    const int index = columnAt(column);
    if (twips < 0) throw Failure("Invalid property value", 380);
    columnTwips_[std::size_t(index)] = twips;
    view_.header()->resizeSection(index, twipsToPixels(twips, resolution_.dotsPerInchX));
}

int QtListView::columnWidth(int column) const {
    return columnTwips_[std::size_t(columnAt(column))];
}

void QtListView::clear() {
    model_.clear();
}

void QtListView::add(std::string_view text) {
    model_.append(text);
}

int QtListView::count() const {
    return model_.rowCount();
}

std::string QtListView::itemText(int position) const {
    return model_.text(rowAt(position));
}

bool QtListView::checked(int position) const {
    return model_.checked(rowAt(position));
}

void QtListView::setChecked(int position, bool checked) {
    model_.setChecked(rowAt(position), checked);
}

int QtListView::rowAt(int position) const {
    if (position < 1 || position > model_.rowCount()) throw indexOutOfBounds();
    return position - 1;
}

int QtListView::columnAt(int column) const {
    if (column < 1 || column > columnCount()) throw indexOutOfBounds();
    return column - 1;
}

}  // namespace platform::qt
