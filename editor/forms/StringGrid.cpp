#include "forms/StringGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPalette>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <QTabWidget>

using zephra::editor::CellBlock;

namespace {

const QString kNoText;

}  // namespace

// ---------------------------------------------------------------- the model

void TGridModel::Reset(int rows, int columns) {
  beginResetModel();
  rows_ = std::max(rows, 0);
  columns_ = std::max(columns, 0);
  cells_.assign(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_), QString());
  rowHeaders_.assign(static_cast<std::size_t>(rows_), QString());
  endResetModel();
}

const QString& TGridModel::Text(int row, int column) const {
  if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return kNoText;
  return cells_[static_cast<std::size_t>(row * columns_ + column)];
}

void TGridModel::Put(int row, int column, const QString& text) {
  if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return;
  cells_[static_cast<std::size_t>(row * columns_ + column)] = text;
}

void TGridModel::SetText(int row, int column, const QString& text) {
  Put(row, column, text);
  Changed(row, column, row, column);
}

void TGridModel::Changed(int top, int left, int bottom, int right) {
  if (rows_ == 0 || columns_ == 0) return;
  emit dataChanged(index(std::max(top, 0), std::max(left, 0)),
                   index(std::min(bottom, rows_ - 1), std::min(right, columns_ - 1)), {Qt::DisplayRole});
}

void TGridModel::SetColumnHeaders(const QStringList& headers) {
  columnHeaders_ = headers;
  if (columns_) emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void TGridModel::SetRowHeader(int row, const QString& text) {
  if (row < 0 || row >= rows_) return;
  rowHeaders_[static_cast<std::size_t>(row)] = text;
  emit headerDataChanged(Qt::Vertical, row, row);
}

void TGridModel::SetRowHeaders(std::vector<QString> headers) {
  headers.resize(static_cast<std::size_t>(rows_));
  rowHeaders_ = std::move(headers);
  if (rows_) emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
}

void TGridModel::ClearRowHeaders() { SetRowHeaders({}); }

QString TGridModel::RowHeader(int row) const {
  return row >= 0 && row < rows_ ? rowHeaders_[static_cast<std::size_t>(row)] : QString();
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) return Text(index.row(), index.column());
  if (role == Qt::BackgroundRole && IsLocked(index.row(), index.column())) {
    return QApplication::palette().brush(QPalette::Disabled, QPalette::Window);
  }
  return {};
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return columnHeaders_.value(section);
  return RowHeader(section);
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!ReadOnly && !IsLocked(index.row(), index.column())) f |= Qt::ItemIsEditable;
  return f;
}

bool TGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
  const QString text = value.toString();
  if (text == Text(index.row(), index.column())) return true;
  SetText(index.row(), index.column(), text);
  emit Edited(index.row(), index.column());
  return true;
}

// ---------------------------------------------------------- the cell editor

class TGridDelegate : public QStyledItemDelegate {
 public:
  explicit TGridDelegate(TStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  // How the next editor starts: its text selected or the cursor at its end.
  void Prime(bool selectAll) { selectAll_ = selectAll; }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    if (grid_->MaxLength > 0) edit->setMaxLength(grid_->MaxLength);
    const QPersistentModelIndex cell(index);
    QObject::connect(edit, &QLineEdit::textEdited, grid_, [grid = grid_, cell](const QString& text) {
      if (cell.isValid()) emit grid->TextChanged(cell.row(), cell.column(), text);
    });
    edit->installEventFilter(grid_);  // the copy and paste keys
    return edit;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
  }
  // The view selects a new editor's whole text; a gesture may want the
  // cursor at its end instead.
  void Place(QWidget* editor) const {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (!edit) return;
    if (selectAll_) {
      edit->selectAll();
    } else {
      edit->deselect();
      edit->end(false);
    }
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
  }

 private:
  TStringGrid* grid_;
  bool selectAll_ = false;
};

// ----------------------------------------------------------------- the grid

TStringGrid::TStringGrid(QWidget* parent) : QTableView(parent), delegate_(new TGridDelegate(this)) {
  setModel(&model_);
  setItemDelegate(delegate_);
  setEditTriggers(NoEditTriggers);
  setSelectionMode(ContiguousSelection);
  setSelectionBehavior(SelectItems);
  setTabKeyNavigation(true);
  setWordWrap(false);
  setShowGrid(true);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->setSectionsClickable(false);
  verticalHeader()->setHighlightSections(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  setCornerButtonEnabled(false);
  connect(&model_, &TGridModel::Edited, this, [this](int row, int column) {
    unchecked_ = model_.index(row, column);
    emit TextChanged(row, column, model_.Text(row, column));
  });
}

void TStringGrid::Shape(int rows, int columns, int columnWidth, int headerWidth, int rowHeight) {
  model_.Reset(rows, columns);  // closes any editor
  editing_ = false;
  editorCell_ = QPersistentModelIndex();
  unchecked_ = QPersistentModelIndex();
  verticalHeader()->setMinimumSectionSize(rowHeight);
  verticalHeader()->setDefaultSectionSize(rowHeight);
  horizontalHeader()->setMinimumSectionSize(8);
  horizontalHeader()->setDefaultSectionSize(columnWidth);
  verticalHeader()->setFixedWidth(headerWidth);
}

void TStringGrid::SetCornerText(const QString& text) {
  cornerText_ = text;
  if (!corner_) {
    // The corner is the view's own button; it is drawn here with the text.
    for (QAbstractButton* b : findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) corner_ = b;
    if (corner_) corner_->installEventFilter(this);
  }
  if (corner_) corner_->update();
}

void TStringGrid::ShowAllColumns(int maxWidth) {
  int width = verticalHeader()->width() + verticalScrollBar()->sizeHint().width() + 2 * frameWidth() + 2;
  for (int c = 0; c < model_.Columns(); ++c) width += columnWidth(c);
  setMinimumWidth(std::min(width, maxWidth));
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == corner_ && event->type() == QEvent::Paint) {
    QStylePainter painter(corner_);
    QStyleOptionHeader option;
    option.initFrom(corner_);
    // A caption, though it cannot be pressed: drawn as an enabled header.
    option.state |= QStyle::State_Enabled;
    option.palette.setCurrentColorGroup(QPalette::Active);
    option.rect = corner_->rect();
    option.text = cornerText_;
    option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.position = QStyleOptionHeader::OnlyOneSection;
    painter.drawControl(QStyle::CE_Header, option);
    return true;
  }
  if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched)) {
    // In the cell editor the copy and paste keys end the edit first.
    auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrl = key->modifiers() & Qt::ControlModifier, shift = key->modifiers() & Qt::ShiftModifier;
    const bool clipboard =
        (ctrl && (key->key() == Qt::Key_C || key->key() == Qt::Key_V || key->key() == Qt::Key_Insert)) ||
        (shift && key->key() == Qt::Key_Insert);
    if (clipboard) {
      if (ValidateCurrent()) ClipboardKey(key);
      return true;
    }
  }
  return QTableView::eventFilter(watched, event);
}

bool TStringGrid::CanEdit() const {
  const QModelIndex current = currentIndex();
  if (model_.ReadOnly || editing_ || !current.isValid() || model_.IsLocked(current.row(), current.column())) {
    return false;
  }
  const QRect r = SelectionRect();
  return r.width() == 1 && r.height() == 1;
}

bool TStringGrid::StartEdit(const QString& text, bool selectAll) {
  if (!CanEdit()) return false;
  const QModelIndex current = currentIndex();
  before_ = model_.Text(current.row(), current.column());
  beforeUnchecked_ = unchecked_ == current;
  if (text != before_) Overwrite(text);
  delegate_->Prime(selectAll);
  edit(current);
  editing_ = state() == EditingState;
  editorCell_ = current;
  if (editing_) delegate_->Place(indexWidget(current));
  return editing_;
}

void TStringGrid::CommitEdit() {
  if (!editing_) return;
  editing_ = false;
  QWidget* editor = indexWidget(editorCell_);
  if (!editor) return;
  commitData(editor);
  QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TStringGrid::DropEdit(bool restore) {
  if (!editing_) return;
  editing_ = false;
  QWidget* editor = indexWidget(editorCell_);
  const auto* edit = qobject_cast<QLineEdit*>(editor);
  const bool typed = edit && edit->text() != before_;
  if (editor) QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
  if (!restore || !editorCell_.isValid()) return;
  const int row = editorCell_.row(), column = editorCell_.column();
  const bool overwritten = model_.Text(row, column) != before_;
  if (overwritten) model_.SetText(row, column, before_);
  unchecked_ = beforeUnchecked_ ? editorCell_ : QPersistentModelIndex();
  // The form followed the typing: it is told of the text as it is again.
  if (typed || overwritten) emit TextChanged(row, column, before_);
}

void TStringGrid::ForgetEdit() {
  DropEdit(false);
  unchecked_ = QPersistentModelIndex();
}

void TStringGrid::Overwrite(const QString& text) {
  const QModelIndex current = currentIndex();
  model_.setData(current, text, Qt::EditRole);
}

bool TStringGrid::ValidateCurrent() {
  CommitEdit();
  if (!unchecked_.isValid()) return true;
  if (validating_) return false;
  validating_ = true;
  const QPersistentModelIndex cell = unchecked_;
  const bool ok = !Validate || Validate(cell.row(), cell.column());
  validating_ = false;
  if (ok) {
    if (unchecked_ == cell) unchecked_ = QPersistentModelIndex();
  } else if (cell.isValid() && cell != currentIndex()) {
    selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
  }
  return ok;
}

QRect TStringGrid::SelectionRect() const {
  QRect r;
  if (selectionModel()) {
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
      r = r.united(QRect(QPoint(range.left(), range.top()), QPoint(range.right(), range.bottom())));
    }
  }
  if (r.isNull()) {
    const QModelIndex current = currentIndex();
    if (current.isValid()) r = QRect(current.column(), current.row(), 1, 1);
  }
  return r;
}

bool TStringGrid::SelectCell(int row, int column) { return SelectBlock(row, column, row, column); }

bool TStringGrid::SelectBlock(int top, int left, int bottom, int right) {
  const QModelIndex first = model_.index(top, left), last = model_.index(bottom, right);
  if (!first.isValid() || !last.isValid()) return false;
  if (first != currentIndex() && !ValidateCurrent()) return false;  // the cell is left
  selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
  selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::ClearAndSelect);
  return true;
}

QString TStringGrid::SelectionText() const {
  const QRect r = SelectionRect();
  CellBlock block;
  for (int row = r.top(); row <= r.bottom(); ++row) {
    std::vector<std::u16string> cells;
    for (int column = r.left(); column <= r.right(); ++column)
      cells.push_back(model_.Text(row, column).toStdU16String());
    block.push_back(std::move(cells));
  }
  return QString::fromStdU16String(zephra::editor::BlockToText(block));
}

void TStringGrid::Copy() {
  CommitEdit();  // what the editor holds is what the user sees
  if (SelectionRect().isNull()) return;
  QApplication::clipboard()->setText(SelectionText());
  emit Copied();
}

void TStringGrid::PasteClipboard() {
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  if (!mime || !mime->hasText() || !Paste || !ValidateCurrent()) return;
  const std::u16string text = mime->text().toStdU16String();
  const QRect r = SelectionRect();
  if (r.isNull()) return;
  const zephra::editor::TextShape shape = zephra::editor::ShapeOf(text);
  const int columns = std::min(shape.columns, model_.Columns() - r.left());
  const int rows = std::min(shape.rows, model_.Rows() - r.top());
  if (columns <= 0 || rows <= 0) return;
  Paste(r.top(), r.left(), zephra::editor::ReadBlock(text, columns, rows));
}

void TStringGrid::UseButtons(QAbstractButton* copy, QAbstractButton* paste) {
  paste->setEnabled(false);
  connect(copy, &QAbstractButton::clicked, this, &TStringGrid::Copy);
  connect(paste, &QAbstractButton::clicked, this, &TStringGrid::PasteClipboard);
  connect(this, &TStringGrid::Copied, paste, [paste] { paste->setEnabled(true); });
}

bool TStringGrid::ClipboardKey(QKeyEvent* event) {
  const bool ctrl = event->modifiers() & Qt::ControlModifier, shift = event->modifiers() & Qt::ShiftModifier;
  if (ctrl && event->key() == Qt::Key_C) {
    Copy();
  } else if (ctrl && event->key() == Qt::Key_Insert) {
    if (ValidateCurrent()) Copy();
  } else if ((ctrl && event->key() == Qt::Key_V) || (shift && event->key() == Qt::Key_Insert)) {
    if (ValidateCurrent()) PasteClipboard();
  } else {
    return false;
  }
  return true;
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
  if (ClipboardKey(event)) return;
  const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  switch (event->key()) {
    case Qt::Key_F2:
      StartEdit(model_.Text(currentIndex().row(), currentIndex().column()), true);
      return;
    case Qt::Key_Delete:
      StartEdit(QString(), true);
      return;
    case Qt::Key_Backspace:
      StartEdit(QString(), false);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // From the cell editor this is its own Enter, which hands the text over.
      if (!editing_) ValidateCurrent();
      return;
    default:
      break;
  }
  const QString text = event->text();
  if (mods == Qt::NoModifier && !text.isEmpty() && text.at(0).unicode() >= 32 && text.at(0).unicode() != 127) {
    StartEdit(text, false);
    return;
  }
  refused_ = false;
  QTableView::keyPressEvent(event);
  // A move refused is the key's whole effect: Tab does not go on to the
  // next control, nor an arrow to the form.
  if (refused_) event->accept();
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  pressed_ = at;
  pressedCurrent_ = at.isValid() && at == currentIndex();
  // Moving to another cell checks the one the user changed first.
  if (at.isValid() && at != currentIndex() && !ValidateCurrent()) {
    pressed_ = QModelIndex();
    return;
  }
  QTableView::mousePressEvent(event);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  const QModelIndex at = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && pressedCurrent_ && at.isValid() && at == pressed_ && at == currentIndex()) {
    StartEdit(model_.Text(at.row(), at.column()), false);
  }
  pressed_ = QModelIndex();
  pressedCurrent_ = false;
}

QModelIndex TStringGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  if (!ValidateCurrent()) {
    refused_ = true;
    return currentIndex();
  }
  return QTableView::moveCursor(action, modifiers);
}

// An editor closed already hands its text over once more as it loses the
// focus on its way out; its cell has it.
void TStringGrid::commitData(QWidget* editor) {
  if (editor && editor == indexWidget(editorCell_)) QTableView::commitData(editor);
}

void TStringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  // An editor closed already (its cell was left) may still have a queued
  // Enter to hand over: it has nothing left to say.
  if (!editor || editor != indexWidget(editorCell_)) return;
  if (hint == QAbstractItemDelegate::RevertModelCache) {  // Escape
    DropEdit(true);
    return;
  }
  editing_ = false;
  QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
  switch (hint) {
    case QAbstractItemDelegate::SubmitModelCache:  // Enter
      ValidateCurrent();
      break;
    case QAbstractItemDelegate::EditNextItem:
    case QAbstractItemDelegate::EditPreviousItem:
      // Tab moves on, without opening the next cell.
      if (ValidateCurrent()) {
        const QModelIndex next =
            QTableView::moveCursor(hint == QAbstractItemDelegate::EditNextItem ? MoveNext : MovePrevious, {});
        if (next.isValid()) SelectCell(next.row(), next.column());
      }
      break;
    case QAbstractItemDelegate::NoHint: {  // the editor lost the focus
      QWidget* now = QApplication::focusWidget();
      if (now && now != this && !isAncestorOf(now)) LeaveGrid();
      break;
    }
    default:
      break;
  }
}

void TStringGrid::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
  QWidget* now = QApplication::focusWidget();
  if (now && isAncestorOf(now)) return;  // the cell editor took it
  LeaveGrid();
}

void TStringGrid::LeaveGrid() {
  // One grid takes the focus back at a time: a grid the focus leaves while
  // another takes it back keeps its own cell to be checked later (Apply
  // checks it), instead of taking the focus back in turn, over and over.
  static bool reclaiming = false;
  if (validating_ || reclaiming) return;
  if (ValidateOnExit && !ValidateCurrent()) {
    const QScopedValueRollback<bool> once(reclaiming, true);
    setFocus();  // back to the cell
  }
  emit Left();
}

// ------------------------------------------------------------ paste buttons

namespace {

// Paste buttons follow the clipboard: enabled exactly when Ctrl+V would
// paste (the clipboard holds text), whoever put it there.
class TClipboardWatch : public QObject {
 public:
  TClipboardWatch(QObject* parent, QList<QAbstractButton*> buttons) : QObject(parent), buttons_(std::move(buttons)) {
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TClipboardWatch::Check);
    Check();
  }
  void Check() {
    const bool text = !QApplication::clipboard()->text().isEmpty();
    for (QAbstractButton* b : buttons_) b->setEnabled(text);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate) Check();
    return QObject::eventFilter(watched, event);
  }

 private:
  QList<QAbstractButton*> buttons_;
};

}  // namespace

void EnableWithClipboard(QWidget& form, QTabWidget* pages, const QList<QAbstractButton*>& buttons) {
  auto* watch = new TClipboardWatch(&form, buttons);
  form.installEventFilter(watch);
  if (pages) QObject::connect(pages, &QTabWidget::currentChanged, watch, [watch] { watch->Check(); });
}
