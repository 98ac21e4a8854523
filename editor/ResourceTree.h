// The resource tree of the main window and its in-place name editor.
#pragma once

#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>

class TMainForm;

// Which way a drag at height `y` of a viewport `height` pixels high scrolls
// the tree: -1 up (the top 31 pixels), 1 down (the bottom 32), 0 not at all.
int DragScrollDirection(int y, int height);

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
  bool Allowed(QDropEvent* event) const;
  void mousePressEvent(QMouseEvent* event) override;
  // Enter opens the current node's form, as a double-click does.
  void keyPressEvent(QKeyEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  TMainForm* form_;
  QTimer scroll_;
  bool scrollUp_ = false;
  bool pressHitNode_ = false;
};

// A name is stored only when the user commits an edit, never when the
// editor itself fills a node.
class TRenameDelegate : public QStyledItemDelegate {
 public:
  TRenameDelegate(TMainForm* form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 private:
  TMainForm* form_;
};
