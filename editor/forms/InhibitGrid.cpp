#include "forms/InhibitGrid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

constexpr int kWindow = 32;  // the overview marks this many cells each way

// The four pictures of a cell: inhibited or not, selected or not.
class TInhibitDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool inhibited = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    const bool selected = option.state & QStyle::State_Selected;
    static const QColor kFill[2][2] = {{QColor(0xff, 0xff, 0xff), QColor(0xb8, 0xd4, 0xf4)},
                                       {QColor(0xc0, 0x39, 0x2b), QColor(0x7d, 0x3c, 0x98)}};
    const QRect r = option.rect.adjusted(0, 0, -1, -1);
    painter->fillRect(r, kFill[inhibited][selected]);
    if (inhibited) {
      painter->setPen(QPen(Qt::white, 1));
      painter->drawLine(r.topLeft() + QPoint(3, 3), r.bottomRight() - QPoint(3, 3));
      painter->drawLine(r.topRight() + QPoint(-3, 3), r.bottomLeft() + QPoint(3, -3));
    }
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {TInhibitGrid::kCellSize, TInhibitGrid::kCellSize};
  }
};

}  // namespace

void TInhibitModel::Show(zephra::editor::InhibitTable* table, int rows) {
  beginResetModel();
  table_ = table;
  rows_ = table ? std::min(rows, table->Sources()) : 0;
  endResetModel();
}

void TInhibitModel::Changed(int top, int left, int bottom, int right) {
  if (rows_ == 0 || columnCount() == 0) return;
  emit dataChanged(index(std::max(top, 0), std::max(left, 0)),
                   index(std::min(bottom, rows_ - 1), std::min(right, columnCount() - 1)), {Qt::CheckStateRole});
}

QVariant TInhibitModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !table_ || role != Qt::CheckStateRole) return {};
  return table_->Get(index.column(), index.row()) ? Qt::Checked : Qt::Unchecked;
}

Qt::ItemFlags TInhibitModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

TInhibitGrid::TInhibitGrid(QWidget* parent) : QTableView(parent) {
  setModel(&model_);
  setItemDelegate(new TInhibitDelegate(this));
  setEditTriggers(NoEditTriggers);
  setSelectionMode(ContiguousSelection);
  setSelectionBehavior(SelectItems);
  setShowGrid(true);
  setMouseTracking(true);
  for (QHeaderView* h : {horizontalHeader(), verticalHeader()}) {
    h->setMinimumSectionSize(kCellSize);
    h->setDefaultSectionSize(kCellSize);
    h->setSectionResizeMode(QHeaderView::Fixed);
    h->hide();
  }
  setHorizontalScrollMode(ScrollPerItem);
  setVerticalScrollMode(ScrollPerItem);
}

QRect TInhibitGrid::SelectionRect() const {
  QRect r;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    r = r.united(QRect(QPoint(range.left(), range.top()), QPoint(range.right(), range.bottom())));
  }
  if (r.isNull() && currentIndex().isValid()) r = QRect(currentIndex().column(), currentIndex().row(), 1, 1);
  return r;
}

void TInhibitGrid::SelectBlock(int top, int left, int bottom, int right) {
  const QModelIndex first = model_.index(top, left), last = model_.index(bottom, right);
  if (!first.isValid() || !last.isValid()) return;
  selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
  selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::ClearAndSelect);
}

QPoint TInhibitGrid::TopLeftCell() const { return {std::max(columnAt(0), 0), std::max(rowAt(0), 0)}; }

void TInhibitGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  if (at.isValid()) anchor_ = QPoint(at.column(), at.row());
  QTableView::mousePressEvent(event);
}

void TInhibitGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  if (at.isValid()) emit Toggled(at.column(), at.row());
}

void TInhibitGrid::mouseMoveEvent(QMouseEvent* event) {
  QTableView::mouseMoveEvent(event);
  const QModelIndex at = indexAt(event->position().toPoint());
  const QPoint cell = at.isValid() ? QPoint(at.column(), at.row()) : QPoint(-1, -1);
  if (cell != hovered_) {
    hovered_ = cell;
    if (at.isValid()) emit Hovered(cell.x(), cell.y());
  }
}

void TInhibitGrid::scrollContentsBy(int dx, int dy) {
  QTableView::scrollContentsBy(dx, dy);
  const QPoint cell = TopLeftCell();
  emit Scrolled(cell.x(), cell.y());
}

TAreaBox::TAreaBox(QWidget* parent) : QWidget(parent) { setFixedSize(sizeHint()); }

void TAreaBox::SetExtent(int columns, int rows) {
  columns_ = std::max(columns, 1);
  rows_ = std::max(rows, 1);
  update();
}

void TAreaBox::SetWindow(int column, int row) {
  window_ = QPoint(column, row);
  update();
}

void TAreaBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRectF area = QRectF(rect()).adjusted(2, 2, -3, -3);
  painter.fillRect(rect(), palette().window());
  painter.setPen(palette().color(QPalette::Mid));
  painter.setBrush(palette().base());
  painter.drawRect(area);
  const double sx = area.width() / columns_, sy = area.height() / rows_;
  QRectF marked(area.left() + window_.x() * sx, area.top() + window_.y() * sy, std::min(kWindow, columns_) * sx,
                std::min(kWindow, rows_) * sy);
  marked = marked.intersected(area);
  painter.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 1.5));
  painter.setBrush(QColor(0xc0, 0x39, 0x2b, 60));
  painter.drawRect(marked.adjusted(0, 0, -1, -1));
}
