#include "ResourceTree.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>

#include "DatabaseManager.h"
#include "MainformCode.h"

namespace {

constexpr const char* kResourceMime = "application/x-zephra-resource";

bool IsEnter(const QKeyEvent* event) { return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter; }

void RunDrag(QAbstractItemView* view, TResource* resource, const QIcon& icon) {
  if (!resource) return;
  auto* drag = new QDrag(view);
  drag->setMimeData(ResourceDrag(resource));
  drag->setPixmap(icon.pixmap(20, 20));
  drag->exec(Qt::MoveAction);  // the window moves the node itself when it lands
}

}  // namespace

int DragScrollDirection(int y, int height) {
  if (y < 31) return -1;
  if (y >= height - 32) return 1;
  return 0;
}

QMimeData* ResourceDrag(TResource* resource) {
  auto* mime = new QMimeData;
  mime->setData(kResourceMime, QByteArray::number(reinterpret_cast<quintptr>(resource)));
  return mime;
}

TResource* DraggedResource(const QMimeData* mime) {
  if (!mime || !mime->hasFormat(kResourceMime)) return nullptr;
  return reinterpret_cast<TResource*>(mime->data(kResourceMime).toULongLong());
}

// ------------------------------------------------------------------- tree

TResourceTree::TResourceTree(TMainForm* form) : QTreeWidget(form), form_(form) {
  setHeaderHidden(true);
  setIndentation(30);
  setIconSize(QSize(20, 20));
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  setMouseTracking(true);
  setAutoScroll(false);  // the tree scrolls a drag itself
  scroll_.setInterval(250);
  connect(&scroll_, &QTimer::timeout, this, [this] {
    verticalScrollBar()->triggerAction(scrollUp_ ? QAbstractSlider::SliderSingleStepSub
                                                 : QAbstractSlider::SliderSingleStepAdd);
  });
}

bool TResourceTree::HitsNode(const QPoint& point) const {
  const QModelIndex index = indexAt(point);
  if (!index.isValid()) return false;
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  const int width = itemDelegateForIndex(index)->sizeHint(option, index).width();
  return point.x() >= option.rect.left() && point.x() < option.rect.left() + width;
}

void TResourceTree::startDrag(Qt::DropActions) {
  if (QTreeWidgetItem* node = currentItem()) RunDrag(this, TDatabaseManager::ResourceOf(node), node->icon(0));
}

void TResourceTree::mousePressEvent(QMouseEvent* event) {
  pressHitNode_ = HitsNode(event->position().toPoint());
  QTreeWidget::mousePressEvent(event);
}

void TResourceTree::keyPressEvent(QKeyEvent* event) {
  if (IsEnter(event) && state() != EditingState && currentItem()) {
    form_->PropertiesCommand();
    return;
  }
  if (event->key() == Qt::Key_F2 && state() != EditingState) {
    form_->RenameCommand();  // a fixed name says so
    return;
  }
  QTreeWidget::keyPressEvent(event);
  // The tree scrolls drags itself, so the view's own following of the
  // current node is off: the keyboard's node is brought into view here.
  if (currentIndex().isValid()) scrollTo(currentIndex());
}

void TResourceTree::DragAt(int y) {
  const int direction = DragScrollDirection(y, viewport()->height());
  if (direction == 0) {
    scroll_.stop();
  } else {
    scrollUp_ = direction < 0;
    if (!scroll_.isActive()) scroll_.start();
  }
}

void TResourceTree::dragEnterEvent(QDragEnterEvent* event) {
  if (DraggedResource(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TResourceTree::dragMoveEvent(QDragMoveEvent* event) {
  DragAt(event->position().toPoint().y());
  TResource* dragged = DraggedResource(event->mimeData());
  if (form_->CanDrop(dragged, itemAt(event->position().toPoint()))) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TResourceTree::dragLeaveEvent(QDragLeaveEvent* event) {
  scroll_.stop();
  QTreeWidget::dragLeaveEvent(event);
}

void TResourceTree::dropEvent(QDropEvent* event) {
  scroll_.stop();
  form_->DropOn(DraggedResource(event->mimeData()), itemAt(event->position().toPoint()));
  event->setDropAction(Qt::IgnoreAction);  // the window moved the node itself
  event->accept();
}

// ------------------------------------------------------------------- list

TResourceList::TResourceList(TMainForm* form) : QListWidget(form), form_(form) {
  setViewMode(QListView::ListMode);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setIconSize(QSize(20, 20));
  setDragEnabled(true);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setMouseTracking(true);
}

TResource* TResourceList::ResourceOf(const QListWidgetItem* item) {
  return item ? static_cast<TResource*>(item->data(Qt::UserRole).value<void*>()) : nullptr;
}

QTreeWidgetItem* TResourceList::TargetAt(const QPoint& point) const {
  if (QListWidgetItem* item = itemAt(point)) {
    TResource* r = ResourceOf(item);
    return r ? r->GetTreeNode() : nullptr;
  }
  return form_->Tree()->currentItem();  // the empty part stands for the node the list shows
}

void TResourceList::startDrag(Qt::DropActions) {
  if (QListWidgetItem* item = currentItem()) RunDrag(this, ResourceOf(item), item->icon());
}

void TResourceList::keyPressEvent(QKeyEvent* event) {
  if (IsEnter(event) && state() != EditingState && currentItem()) {
    form_->EditResource(ResourceOf(currentItem()));
    return;
  }
  if (event->key() == Qt::Key_F2 && state() != EditingState) {
    form_->RenameCommand();
    return;
  }
  QListWidget::keyPressEvent(event);
}

void TResourceList::dragEnterEvent(QDragEnterEvent* event) {
  if (DraggedResource(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TResourceList::dragMoveEvent(QDragMoveEvent* event) {
  if (form_->CanDrop(DraggedResource(event->mimeData()), TargetAt(event->position().toPoint()))) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TResourceList::dropEvent(QDropEvent* event) {
  form_->DropOn(DraggedResource(event->mimeData()), TargetAt(event->position().toPoint()));
  event->setDropAction(Qt::IgnoreAction);
  event->accept();
}

// ----------------------------------------------------------------- rename

void TRenameDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
  auto* edit = qobject_cast<QLineEdit*>(editor);
  if (!edit) return;
  if (auto* tree = qobject_cast<QTreeWidget*>(parent())) {
    form_->CommitRename(tree->itemFromIndex(index), edit->text());
  } else if (auto* list = qobject_cast<QListWidget*>(parent())) {
    TResource* r = TResourceList::ResourceOf(list->item(index.row()));
    if (r && r->GetTreeNode()) form_->CommitRename(r->GetTreeNode(), edit->text());
  }
}

QString TRenameDelegate::Identity(const QModelIndex& index) {
  const auto* device = dynamic_cast<const TMultiDropResource*>(
      static_cast<TResource*>(index.data(Qt::UserRole).value<void*>()));
  return device ? device->Identity() : QString();
}

void TRenameDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  const QString identity = Identity(index);
  if (identity.isEmpty()) return;
  QStyleOptionViewItem o = option;
  initStyleOption(&o, index);
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &o, widget);
  const int used = o.fontMetrics.horizontalAdvance(o.text) + o.fontMetrics.horizontalAdvance("  ");
  const QRect room(text.left() + used, option.rect.top(), option.rect.right() - text.left() - used, option.rect.height());
  if (room.width() <= 0) return;
  painter->save();
  const bool selected = option.state & QStyle::State_Selected;
  QColor dim = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
  dim.setAlphaF(0.55f);
  painter->setPen(dim);
  painter->setFont(o.font);
  painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                    o.fontMetrics.elidedText(identity, Qt::ElideRight, room.width()));
  painter->restore();
}

QSize TRenameDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  const QString identity = Identity(index);
  if (!identity.isEmpty()) size.rwidth() += option.fontMetrics.horizontalAdvance("  " + identity) + 4;
  return size;
}
