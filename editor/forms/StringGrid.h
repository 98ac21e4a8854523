// The grid of the association, salvo and level editors: a QTableView over a
// flat cache of cell texts (never a widget or item per cell), whose first row
// and column are its headers. It only selects cells (one rectangle) until one
// of the editing gestures opens the in-place editor on a single cell that is
// not locked: a printable character (which replaces the text), Backspace (which
// empties it), Delete (which empties it and selects it), F2 (which selects the
// text) or a click on the cell that was already current. Escape closes the
// editor and gives the cell back the text it had before. Whatever leaves a
// cell (a key that moves, Tab, a click on another cell, the focus going
// elsewhere, Enter, Save or Apply) first hands the editor's text to the cell;
// a cell the user changed is then handed to the form's Validate, and until it
// passes the user stays on it (the focus stays in the grid when
// ValidateOnExit is set). Copy puts the selection on the clipboard as a TAB between cells and
// CR LF after every row; Paste reads such a text from the selection's
// top-left cell and hands the block to the form, which checks every cell
// before it writes any.
#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <vector>

#include "model/GridText.h"

class QAbstractButton;
class QTabWidget;

class TGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // New dimensions, every cell empty.
  void Reset(int rows, int columns);
  int Rows() const { return rows_; }
  int Columns() const { return columns_; }
  const QString& Text(int row, int column) const;
  // Changes one cell and says so.
  void SetText(int row, int column, const QString& text);
  // Changes a cell without saying so; Changed() then tells the view once.
  void Put(int row, int column, const QString& text);
  void Changed(int top, int left, int bottom, int right);
  void ChangedAll() { Changed(0, 0, rows_ - 1, columns_ - 1); }

  void SetColumnHeaders(const QStringList& headers);
  void SetRowHeader(int row, const QString& text);
  void SetRowHeaders(std::vector<QString> headers);
  void ClearRowHeaders();
  QString RowHeader(int row) const;

  // Cells that cannot be edited or pasted onto.
  std::function<bool(int row, int column)> Locked;
  bool IsLocked(int row, int column) const { return Locked && Locked(row, column); }
  bool ReadOnly = false;

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : columns_; }
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // The in-place editor's result; a text that differs counts as an edit.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  void Edited(int row, int column);

 private:
  int rows_ = 0, columns_ = 0;
  std::vector<QString> cells_;
  QStringList columnHeaders_;
  std::vector<QString> rowHeaders_;
};

class TStringGrid : public QTableView {
  Q_OBJECT

 public:
  explicit TStringGrid(QWidget* parent = nullptr);

  TGridModel& Model() { return model_; }
  const TGridModel& Model() const { return model_; }
  // Dimensions and sizes: every row `rowHeight` high, columns `columnWidth`
  // wide, the header column `headerWidth`.
  void Shape(int rows, int columns, int columnWidth, int headerWidth, int rowHeight = 16);
  // The text of the top-left corner over the header column.
  void SetCornerText(const QString& text);
  // Asks for room to show every column, up to `maxWidth` pixels.
  void ShowAllColumns(int maxWidth);

  // Checks the current cell after the user changed it (the form may rewrite
  // it); false keeps the user on it.
  std::function<bool(int row, int column)> Validate;
  // Takes a pasted block whose top-left cell is (top, left), already cut at
  // the grid's last row and column.
  std::function<void(int top, int left, const zephra::editor::CellBlock& block)> Paste;
  // The longest text the in-place editor takes (0: no limit).
  int MaxLength = 0;
  // Whether focus leaving the grid checks the current cell.
  bool ValidateOnExit = true;

  bool Editing() const { return editing_; }
  // Whether a cell was changed by the user and not yet checked.
  bool HasUncheckedEdit() const { return unchecked_.isValid(); }
  // Whether the cell's text is the user's own for now: its editor is open,
  // or the user changed it and it was not checked yet.
  bool UserHolds(int row, int column) const {
    const auto at = [&](const QPersistentModelIndex& i) { return i.isValid() && i.row() == row && i.column() == column; };
    return (editing_ && at(editorCell_)) || at(unchecked_);
  }
  // Hands an open editor's text to its cell, then checks the cell the user
  // changed, if any; true when it passes or there was nothing to check. On
  // failure that cell is the current one again.
  bool ValidateCurrent();
  // Forgets an unchecked edit and closes the editor without taking its text
  // (the form rewrote the grid).
  void ForgetEdit();

  // The selected rectangle (x = column, y = row), or the current cell.
  QRect SelectionRect() const;
  // Moves there as the user would: the cell left is checked first, and a
  // cell that fails keeps the user (false).
  bool SelectCell(int row, int column);
  bool SelectBlock(int top, int left, int bottom, int right);
  // The selection as clipboard text, and on the clipboard.
  QString SelectionText() const;
  void Copy();
  void PasteClipboard();
  // Copy and Paste buttons for the grid: Paste starts disabled and is
  // enabled by a Copy (EnableWithClipboard below makes it follow the
  // clipboard).
  void UseButtons(QAbstractButton* copy, QAbstractButton* paste);
  // Opens the in-place editor on the current cell as a gesture does.
  bool StartEdit(const QString& text, bool selectAll);

 signals:
  // A cell's text was changed by the user: typed, emptied, or committed.
  void TextChanged(int row, int column, const QString& text);
  void Copied();
  // The focus left the grid.
  void Left();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void commitData(QWidget* editor) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TGridDelegate;
  bool CanEdit() const;
  // The user changed the current cell outside the editor.
  void Overwrite(const QString& text);
  // Hands the open editor's text to its cell and closes the editor.
  void CommitEdit();
  // Closes the open editor without its text; `restore` gives the cell the
  // text and the unchecked state it had before the editor opened, and tells
  // the form so (it has followed the typing).
  void DropEdit(bool restore);
  void LeaveGrid();
  // Keys that copy or paste; true when `event` was one.
  bool ClipboardKey(QKeyEvent* event);

  TGridModel model_;
  class TGridDelegate* delegate_;
  QWidget* corner_ = nullptr;
  QString cornerText_;
  bool editing_ = false;
  QPersistentModelIndex editorCell_;  // where the open editor is
  QString before_;                    // that cell's text before the gesture that opened it
  bool beforeUnchecked_ = false;      // and whether it was already unchecked then
  QPersistentModelIndex unchecked_;   // the cell the user changed and that was not checked
  bool validating_ = false;
  bool refused_ = false;  // the last key's move was refused
  QPersistentModelIndex pressed_;
  bool pressedCurrent_ = false;
};

// Keeps `buttons` enabled exactly while the clipboard holds text (Ctrl+V
// would paste), checked again as the clipboard changes, `form` becomes the
// active window or `pages` turns to another page.
void EnableWithClipboard(QWidget& form, QTabWidget* pages, const QList<QAbstractButton*>& buttons);
