// The level editor's inhibit grid: one small cell per destination (column)
// and source (row), drawn from the form's inhibit table, with the overview
// box that shows which 32 x 32 part of the table is in view.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <QWidget>

#include "model/InhibitTable.h"

class TInhibitModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TInhibitModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  // Shows `rows` sources of `table` (which the form owns and changes).
  void Show(zephra::editor::InhibitTable* table, int rows);
  // The form changed the cells of a block.
  void Changed(int top, int left, int bottom, int right);

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() || !table_ ? 0 : table_->Destinations();
  }
  // The cell's state as a check state: Checked when the source is inhibited.
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  zephra::editor::InhibitTable* table_ = nullptr;
  int rows_ = 0;
};

class TInhibitGrid : public QTableView {
  Q_OBJECT

 public:
  static constexpr int kCellSize = 12;
  explicit TInhibitGrid(QWidget* parent = nullptr);
  TInhibitModel& Model() { return model_; }
  // The selected block (x = destination, y = source), or the current cell.
  QRect SelectionRect() const;
  void SelectBlock(int top, int left, int bottom, int right);
  // The cell of the last mouse press (x = destination, y = source).
  QPoint Anchor() const { return anchor_; }
  // The cell at the view's top-left corner.
  QPoint TopLeftCell() const;

 signals:
  // The pointer is over the cell of (destination, source).
  void Hovered(int destination, int source);
  void Toggled(int destination, int source);
  // The cell at the top-left corner changed by scrolling.
  void Scrolled(int destination, int source);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  TInhibitModel model_;
  QPoint anchor_;
  QPoint hovered_{-1, -1};
};

// A picture of the whole table (destinations across, sources down) with the
// 32 x 32 window in view marked.
class TAreaBox : public QWidget {
  Q_OBJECT

 public:
  explicit TAreaBox(QWidget* parent = nullptr);
  void SetExtent(int columns, int rows);
  void SetWindow(int column, int row);
  QPoint Window() const { return window_; }
  QSize sizeHint() const override { return {120, 120}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int columns_ = 1, rows_ = 1;
  QPoint window_;
};
