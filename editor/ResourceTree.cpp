#include "ResourceTree.h"

#include <QDragMoveEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

#include "DatabaseManager.h"
#include "MainformCode.h"

int DragScrollDirection(int y, int height) {
  if (y < 31) return -1;
  if (y >= height - 32) return 1;
  return 0;
}

TResourceTree::TResourceTree(TMainForm* form) : QTreeWidget(form), form_(form) {
  setHeaderHidden(true);
  setIndentation(30);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::InternalMove);
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

bool TResourceTree::Allowed(QDropEvent* event) const {
  TResource* dragged = TDatabaseManager::ResourceOf(currentItem());
  TResource* target = TDatabaseManager::ResourceOf(itemAt(event->position().toPoint()));
  return dragged && target && dragged->CanDropOn(target) && target->CanAccept(dragged);
}

void TResourceTree::mousePressEvent(QMouseEvent* event) {
  pressHitNode_ = HitsNode(event->position().toPoint());
  QTreeWidget::mousePressEvent(event);
}

void TResourceTree::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && state() != EditingState && currentItem()) {
    form_->PropertiesCommand();
    return;
  }
  QTreeWidget::keyPressEvent(event);
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

void TResourceTree::dragMoveEvent(QDragMoveEvent* event) {
  DragAt(event->position().toPoint().y());
  if (Allowed(event)) {
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
  QTreeWidgetItem* target = itemAt(event->position().toPoint());
  if (Allowed(event)) form_->DropOn(TDatabaseManager::ResourceOf(currentItem()), target);
  event->setDropAction(Qt::IgnoreAction);  // the window moved the node itself
  event->accept();
}

void TRenameDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
  auto* edit = qobject_cast<QLineEdit*>(editor);
  auto* tree = qobject_cast<QTreeWidget*>(parent());
  if (edit && tree) form_->CommitRename(tree->itemFromIndex(index), edit->text());
}
