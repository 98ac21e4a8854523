// The two views of the main window: the resource tree and the list of the
// selected node's children, with their in-place name editors and one way of
// dragging resources between them.
#pragma once

#include <QListWidget>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>

class QMimeData;
class TMainForm;
class TResource;

// Which way a drag at height `y` of a viewport `height` pixels high scrolls
// the tree: -1 up (the top 31 pixels), 1 down (the bottom 32), 0 not at all.
int DragScrollDirection(int y, int height);

// A dragged resource, as both views carry it.
QMimeData* ResourceDrag(TResource* resource);
TResource* DraggedResource(const QMimeData* mime);

// The tree lets a resource be dropped only where the resources agree, hands
// the drop to the window, scrolls while a drag lingers at its edges (an item
// every 250 ms), and remembers whether the last press hit a node.
class TResourceTree : public QTreeWidget {
 public:
  explicit TResourceTree(TMainForm* form);

  // A drag is over the viewport at height `y`: scrolls near the edges.
  void DragAt(int y);
  bool Scrolling() const { return scroll_.isActive(); }
  bool ScrollingUp() const { return scrollUp_; }
  bool PressHitNode() const { return pressHitNode_; }
  // Whether a point of the viewport lies on a node's icon or label.
  bool HitsNode(const QPoint& point) const;

 protected:
  void startDrag(Qt::DropActions actions) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  TMainForm* form_;
  QTimer scroll_;
  bool scrollUp_ = false;
  bool pressHitNode_ = false;
};

// The list shows the children of the tree's current node; its items are
// dragged like the tree's nodes, and take drops onto an item (or, on the
// empty part, onto the node it shows).
class TResourceList : public QListWidget {
 public:
  explicit TResourceList(TMainForm* form);
  static TResource* ResourceOf(const QListWidgetItem* item);

 protected:
  void startDrag(Qt::DropActions actions) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The tree node a drop at `point` lands on.
  QTreeWidgetItem* TargetAt(const QPoint& point) const;
  TMainForm* form_;
};

// A name is stored only when the user commits an edit, never when the
// editor itself fills a node; in the list, the edit renames the item's node.
class TRenameDelegate : public QStyledItemDelegate {
 public:
  TRenameDelegate(TMainForm* form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  // A panel or UMD shows, dimmed after its name, its number and address, so
  // that two devices named alike can be told apart.
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // The words shown after a device's name ("no. 3, address 5"); empty for
  // other items.
  static QString Identity(const QModelIndex& index);

 private:
  TMainForm* form_;
};
