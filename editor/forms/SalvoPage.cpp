#include "forms/SalvoPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include "SelectorForm.h"
#include "UiService.h"
#include "UndoStack.h"
#include "Widgets.h"
#include "forms/FormFields.h"
#include "forms/KorvellResourceForm.h"
#include "forms/RenameSalvoForm.h"
#include "forms/StringGrid.h"

using zephra::editor::CellBlock;

namespace {

constexpr const char* kNoneSelected = "No destination association has been selected";
constexpr const char* kUpdateQuestion = "This action will update the database. Are you sure you want to continue ?";
constexpr const char* kOrphanQuestion = "Sources assigned without associated destinations. Continue saving?";
constexpr const char* kClearQuestion =
    "This will clear all the data from this salvo. Are you sure you want to continue ?";
constexpr const char* kPendingQuestion = "The salvo being edited has not been saved. Continue saving?";

QString WithoutSpaces(QString text) { return text.remove(' '); }

}  // namespace

TSalvoPage::TSalvoPage(TKorvellForm& form) : form_(form) {
  setObjectName("Macros");
  QGroupBox* display =
      Radios(new TRadioGroup("Display", {"With Names", "Numerically"}, this, 2), MacrosDisplayRadioGroup);
  display->setObjectName("MacrosDisplayRadioGroup");
  CheckItem(MacrosDisplayRadioGroup, 0);

  auto* salvos = new QGroupBox("Salvos", this);
  salvos->setObjectName("MacroGroupBox");
  MacrosStringGrid = Named("MacrosStringGrid", new TStringGrid(salvos));
  MacrosStringGrid->horizontalHeader()->setStretchLastSection(true);
  DestinationList = Named("DestinationList", new QListWidget(salvos));
  DestinationList->setFixedWidth(110);
  InsertDestButton = Named("InsertDestButton", new QPushButton("Insert", salvos));
  RemoveButton = Named("RemoveButton", new QPushButton("Remove", salvos));
  MacroSourceCheckBox = Named("MacroSourceCheckBox", new QCheckBox("Apply Sources across levels", salvos));
  SalvoCopy = Named("SalvoCopy", new QPushButton("Copy", salvos));
  SalvoPaste = Named("SalvoPaste", new QPushButton("Paste", salvos));
  for (QPushButton* b : {InsertDestButton, RemoveButton}) b->setEnabled(false);
  auto* list = new QVBoxLayout;
  list->addWidget(DestinationList, 1);
  list->addWidget(InsertDestButton);
  list->addWidget(RemoveButton);
  auto* gridAndList = new QHBoxLayout;
  gridAndList->addWidget(MacrosStringGrid, 1);
  gridAndList->addLayout(list);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(MacroSourceCheckBox);
  bottom->addStretch(1);
  bottom->addWidget(SalvoCopy);
  bottom->addWidget(SalvoPaste);
  auto* salvosLayout = new QVBoxLayout(salvos);
  salvosLayout->addLayout(gridAndList, 1);
  salvosLayout->addLayout(bottom);

  auto* commands = new QGroupBox("Commands", this);
  commands->setObjectName("FileCommandGroup");
  OpenButton = Named("OpenButton", new QPushButton("Open", commands));
  ClearButton = Named("ClearButton", new QPushButton("Clear", commands));
  SaveButton = Named("SaveButton", new QPushButton("Save", commands));
  RenameButton = Named("RenameButton", new QPushButton("Rename", commands));
  auto* commandsLayout = new QHBoxLayout(commands);
  for (QPushButton* b : {OpenButton, ClearButton, SaveButton, RenameButton}) commandsLayout->addWidget(b);
  for (QPushButton* b : {ClearButton, SaveButton, RenameButton}) b->setEnabled(false);
  auto* name = new QGroupBox("Name", this);
  name->setObjectName("MacroNumberGroup");
  NameLabel = Named("NameLabel", new QLabel(" ", name));
  NameLabel->setMinimumWidth(90);
  (new QVBoxLayout(name))->addWidget(NameLabel);

  auto* header = new QHBoxLayout;
  header->addWidget(display, 1);
  header->addWidget(name);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(header);
  layout->addWidget(salvos, 1);
  layout->addWidget(commands);

  TStringGrid* grid = MacrosStringGrid;
  grid->Validate = [this](int row, int column) { return CheckCell(row, column); };
  grid->Paste = [this](int top, int left, const CellBlock& block) { PasteCells(top, left, block); };
  connect(grid, &TStringGrid::TextChanged, this, [this] { Edited(); });
  connect(grid, &TStringGrid::Left, this, [this] {
    SalvoSaved = false;
    form_.UpdateApply();
  });
  grid->UseButtons(SalvoCopy, SalvoPaste);
  connect(MacrosDisplayRadioGroup, &QButtonGroup::idClicked, this, [this] { ShowCells(); });
  connect(InsertDestButton, &QPushButton::clicked, this, &TSalvoPage::Insert);
  connect(RemoveButton, &QPushButton::clicked, this, &TSalvoPage::Remove);
  connect(OpenButton, &QPushButton::clicked, this, &TSalvoPage::Open);
  connect(ClearButton, &QPushButton::clicked, this, &TSalvoPage::Clear);
  connect(SaveButton, &QPushButton::clicked, this, [this] { Save(); });
  connect(RenameButton, &QPushButton::clicked, this, &TSalvoPage::Rename);
}

void TSalvoPage::Setup(int levels, int rows) {
  levels_ = levels;
  QStringList headers;
  for (int n = 1; n <= levels; ++n) headers << QString("Level %1").arg(n);
  MacrosStringGrid->Shape(rows, levels, 70, 70);
  MacrosStringGrid->Model().SetColumnHeaders(headers);
  MacrosStringGrid->ShowAllColumns(760);
  MacrosStringGrid->setMinimumHeight(300);
  rows_.assign(static_cast<std::size_t>(rows), TDestAssocResource{});
  cells_.assign(static_cast<std::size_t>(rows * levels), TSourceResource{});
  orphans_.assign(static_cast<std::size_t>(rows), 0);
  DestinationList->clear();
  listAssociations_.clear();
  SalvoRows = 0;
}

void TSalvoPage::AddDestination(int association, const QString& name) {
  DestinationList->addItem(name);
  listAssociations_.push_back(association);
}

void TSalvoPage::SetDestinations(const std::vector<QString>& names) {
  const int current = DestinationList->currentRow();
  DestinationList->clear();
  listAssociations_.clear();
  for (std::size_t i = 0; i < names.size(); ++i) AddDestination(static_cast<int>(i), names[i]);
  DestinationList->setCurrentRow(current, QItemSelectionModel::NoUpdate);
}

void TSalvoPage::RefreshNames() {
  if (!SalvoOpen) return;
  TCommonInterface& ci = form_.Interface();
  for (int r = 0; r < SalvoRows; ++r) {
    const TDestAssocResource& row = rows_[static_cast<std::size_t>(r)];
    if (!row.Present) continue;
    TLibString name(QString(8, ' '));
    if (ci.GetDestName(0, static_cast<uint16_t>(row.Number), name, ci.FileHandle))
      MacrosStringGrid->Model().SetRowHeader(r, name.Text());
  }
}

const TSourceResource& TSalvoPage::CellAt(int row, int level) const {
  return cells_[static_cast<std::size_t>(row * levels_ + level)];
}

bool TSalvoPage::NamesDisplay() const { return MacrosDisplayRadioGroup->checkedId() != 1; }

// A salvo cell names no source: the same message whatever the reason.
TSourceText TSalvoPage::Checks() const { return {NamesDisplay(), kInvalidValue, kInvalidValue}; }

QString TSalvoPage::CellText(const TSourceResource& cell) const {
  if (NamesDisplay()) return cell.GetName();
  return cell.Emptied ? kBlankName : QString::number(cell.Number);
}

void TSalvoPage::ShowCells() {
  TGridModel& model = MacrosStringGrid->Model();
  for (int r = 0; r < model.Rows(); ++r) {
    for (int l = 0; l < levels_; ++l) {
      if (Cell(r, l).Present) model.Put(r, l, CellText(Cell(r, l)));
    }
  }
  model.ChangedAll();
  MacrosStringGrid->ForgetEdit();
}

void TSalvoPage::Edited() {
  SalvoSaved = false;
  form_.UpdateApply();
}

bool TSalvoPage::IsSalvoPending() const { return isEnabled() && SalvoOpen && !SalvoSaved; }

void TSalvoPage::AskPending() {
  if (IsSalvoPending() && Ui().Confirm(kPendingQuestion)) Save();
}

int TSalvoPage::SelectedAssociation() const {
  const int row = DestinationList->currentRow();
  if (row < 0 || row >= static_cast<int>(listAssociations_.size()) || !DestinationList->item(row)->isSelected()) {
    return -1;
  }
  return listAssociations_[static_cast<std::size_t>(row)];
}

// ----------------------------------------------------- opening and loading

void TSalvoPage::Open() {
  if (!MacrosStringGrid->ValidateCurrent()) return;
  TCommonInterface& ci = form_.Interface();
  TConfigurationRecord config{};
  if (!ReadConfig(ci, config)) return;
  QStringList names;
  std::vector<int> numbers;
  for (int s = 0; s < config.salvoCount; ++s) {
    TLibString shortName(QString(4, ' ')), name(QString(8, ' '));
    TMacroStoreRecord record{};
    record.salvo = static_cast<uint16_t>(s);
    record.shortName = shortName;
    record.name = name;
    if (!ci.GetMacroStore(static_cast<uint16_t>(s), record, ci.FileHandle)) continue;
    names << name.Text();
    numbers.push_back(s);
  }
  TSelectorForm selector("Select", names, 8, this);
  if (Ui().RunModal(selector) != QDialog::Accepted) return;
  const int chosen = selector.AnswerIndex();
  if (chosen < 0 || chosen >= static_cast<int>(numbers.size())) return;
  // The salvo open now is asked about as OK asks; a save refused keeps it.
  if (IsSalvoPending() && Ui().Confirm(kPendingQuestion) && !Save()) return;
  LoadSalvo(numbers[static_cast<std::size_t>(chosen)], selector.Answer());
  form_.UpdateApply();
}

void TSalvoPage::Empty() {
  TGridModel& model = MacrosStringGrid->Model();
  for (int r = 0; r < model.Rows(); ++r) {
    for (int l = 0; l < levels_; ++l) model.Put(r, l, QString());
  }
  model.ClearRowHeaders();
  model.ChangedAll();
  MacrosStringGrid->ForgetEdit();
  std::fill(rows_.begin(), rows_.end(), TDestAssocResource{});
  std::fill(cells_.begin(), cells_.end(), TSourceResource{});
  std::fill(orphans_.begin(), orphans_.end(), 0u);
  SalvoRows = 0;
}

void TSalvoPage::LoadSalvo(int number, const QString& name) {
  TCommonInterface& ci = form_.Interface();
  Empty();
  const auto salvo = static_cast<uint16_t>(number);
  uint16_t count = 0;
  ci.GetNoMacroXPRecords(salvo, count, ci.FileHandle);
  // Every association once, for the crosspoints no row takes.
  std::vector<TDestAssocResource> associations;
  bool associationsRead = false;
  TGridModel& model = MacrosStringGrid->Model();
  for (uint16_t i = 0; i < count; ++i) {
    TMacroXPRecord xp{};
    if (!ci.GetMacroXP(salvo, i, xp, ci.FileHandle)) continue;
    if (xp.level < 0 || xp.level >= levels_) continue;
    bool taken = false;
    for (int r = 0; r < SalvoRows; ++r) {
      const TDestAssocResource& row = rows_[static_cast<std::size_t>(r)];
      if (row.Present && row.Record.members[static_cast<std::size_t>(xp.level)].number == xp.destination) {
        TakeSource(r, xp.level, xp.source, QString::number(xp.source + 1));
        taken = true;
      }
    }
    if (taken || SalvoRows >= model.Rows()) continue;
    if (!associationsRead) {
      associationsRead = true;
      associations.resize(static_cast<std::size_t>(model.Rows()));
      for (int a = 0; a < model.Rows(); ++a) {
        TDestAssocResource& assoc = associations[static_cast<std::size_t>(a)];
        assoc.Present = ReadDestAssoc(ci, a, assoc.Record);
        assoc.Number = a;
      }
    }
    for (const TDestAssocResource& assoc : associations) {
      if (!assoc.Present || assoc.Record.matrix != static_cast<uint16_t>(xp.matrix) ||
          assoc.Record.members[static_cast<std::size_t>(xp.level)].number != xp.destination) {
        continue;
      }
      const int r = SalvoRows++;
      rows_[static_cast<std::size_t>(r)] = assoc;
      model.SetRowHeader(r, ShownName(assoc.Record.name));
      TakeSource(r, xp.level, xp.source, QString::number(xp.source + 1));
      break;
    }
  }
  MacrosStringGrid->ForgetEdit();
  for (QPushButton* b : {ClearButton, SaveButton, RenameButton, InsertDestButton, RemoveButton}) b->setEnabled(true);
  SalvoOpen = true;
  SalvoSaved = true;
  SalvoNumber = salvo;
  loaded_ = Stored();
  NameLabel->setText(name);
}

void TSalvoPage::TakeUpStored() {
  if (!SalvoOpen || storing_) return;
  TCommonInterface& ci = form_.Interface();
  TLibString shortName(QString(4, ' ')), name(QString(8, ' '));
  TMacroStoreRecord record{};
  record.salvo = SalvoNumber;
  record.shortName = shortName;
  record.name = name;
  const QString label = ci.GetMacroStore(SalvoNumber, record, ci.FileHandle) ? name.Text() : NameLabel->text();
  if (!IsSalvoPending() && Stored() != loaded_) {
    LoadSalvo(SalvoNumber, label);
  } else {
    NameLabel->setText(label);
  }
}

// ------------------------------------------------------------------ cells

bool TSalvoPage::TakeSource(int row, int level, int n, const QString& typed) {
  TSourceResource taken;
  if (!ReadSource(form_.Interface(), level, n, taken.Record)) return false;
  taken.Number = n + 1;
  taken.Present = true;
  Cell(row, level) = taken;
  MacrosStringGrid->Model().SetText(row, level, NamesDisplay() ? taken.GetName() : typed);
  return true;
}

void TSalvoPage::MarkOrphan(int row, int level, bool on) {
  if (rows_[static_cast<std::size_t>(row)].Present) return;
  uint32_t& mask = orphans_[static_cast<std::size_t>(row)];
  const uint32_t bit = 1u << (level + 1);
  mask = on ? mask | bit : mask & ~bit;
}

void TSalvoPage::EmptyCell(int row, int level) {
  TSourceResource& cell = Cell(row, level);
  if (!cell.Present) return;
  // The number stays: Save deletes the crosspoint the cell stood for.
  cell.Emptied = true;
  for (std::size_t i = 0; i < cell.Record.names.size(); ++i) cell.Record.names[i] = QString(kSourceNameWidths[i], ' ');
}

bool TSalvoPage::CheckCell(int row, int column) {
  TGridModel& model = MacrosStringGrid->Model();
  QString text = model.Text(row, column);
  if (BlankCell(text)) {
    if (!text.isEmpty()) model.SetText(row, column, QString());
    MarkOrphan(row, column, false);
    EmptyCell(row, column);
    return true;
  }
  int n = -1;
  TSourceNames names(form_.Interface());
  if (!SourceOfText(names, column, form_.SourceCount(column), text, Checks(), n)) return false;
  MarkOrphan(row, column, true);
  if (!TakeSource(row, column, n, text)) return false;
  if (MacroSourceCheckBox->isChecked()) {
    for (int l = column + 1; l < levels_; ++l) {
      if (form_.SourceCount(l) <= n) continue;
      MarkOrphan(row, l, true);
      TakeSource(row, l, n, text);
    }
  }
  return true;
}

void TSalvoPage::PasteCells(int top, int left, const CellBlock& block) {
  TSourceNames names(form_.Interface());
  std::vector<std::vector<int>> found(block.size());
  for (std::size_t i = 0; i < block.size(); ++i) {
    for (std::size_t j = 0; j < block[i].size(); ++j) {
      const int column = left + static_cast<int>(j);
      const QString text = QString::fromStdU16String(block[i][j]);
      int n = -1;
      // A pasted name counts without any of its spaces.
      const QString source = NamesDisplay() ? WithoutSpaces(text) : text;
      if (!BlankCell(text) && !SourceOfText(names, column, form_.SourceCount(column), source, Checks(), n)) return;
      found[i].push_back(n);
    }
  }
  TGridModel& model = MacrosStringGrid->Model();
  for (std::size_t i = 0; i < block.size(); ++i) {
    const int row = top + static_cast<int>(i);
    for (std::size_t j = 0; j < block[i].size(); ++j) {
      const int column = left + static_cast<int>(j);
      MarkOrphan(row, column, true);
      const int n = found[i][j];
      if (n < 0) {
        model.SetText(row, column, QString::fromStdU16String(block[i][j]));
        EmptyCell(row, column);
        continue;
      }
      TakeSource(row, column, n, QString::fromStdU16String(block[i][j]));
    }
  }
  MacrosStringGrid->ForgetEdit();
  Edited();  // what was pasted is not saved yet
}

// --------------------------------------------------------------- commands

void TSalvoPage::Insert() {
  const int association = SelectedAssociation();
  if (association < 0) {
    Ui().Information(kNoneSelected);
    return;
  }
  for (int r = 0; r < SalvoRows; ++r) {
    if (rows_[static_cast<std::size_t>(r)].Present && rows_[static_cast<std::size_t>(r)].Number == association) return;
  }
  if (SalvoRows >= MacrosStringGrid->Model().Rows()) return;
  const int r = SalvoRows;
  orphans_[static_cast<std::size_t>(r)] = 0;
  TDestAssocResource& row = rows_[static_cast<std::size_t>(r)];
  row = TDestAssocResource{};
  row.Number = association;
  if (!ReadDestAssoc(form_.Interface(), association, row.Record)) return;
  row.Present = true;
  MacrosStringGrid->Model().SetRowHeader(r, DestinationList->currentItem()->text());
  ++SalvoRows;
}

void TSalvoPage::Remove() {
  const int association = SelectedAssociation();
  if (association < 0) {
    Ui().Information(kNoneSelected);
    return;
  }
  if (!MacrosStringGrid->ValidateCurrent()) return;  // the rest of the salvo is stored too
  if (Ui().Message(TUiService::Kind::Information, kUpdateQuestion, QMessageBox::Ok | QMessageBox::Cancel) !=
      QMessageBox::Ok) {
    return;
  }
  int removed = -1;
  for (int r = 0; r < SalvoRows && removed < 0; ++r) {
    if (rows_[static_cast<std::size_t>(r)].Present && rows_[static_cast<std::size_t>(r)].Number == association)
      removed = r;
  }
  if (removed < 0) return;
  TGridModel& model = MacrosStringGrid->Model();
  for (int l = 0; l < levels_; ++l) {
    model.Put(removed, l, QString());
    EmptyCell(removed, l);
  }
  const QScopedValueRollback<bool> own(storing_, true);  // the page's own step: nothing to take up
  RunStep(form_.Interface(), QString("Remove From Salvo %1").arg(SalvoNumber + 1), [this] {
    Store();
    return true;
  });
  SalvoSaved = true;
  loaded_ = Stored();
  const int rows = model.Rows();
  for (int r = removed; r < rows; ++r) {
    const bool last = r + 1 >= rows;
    rows_[static_cast<std::size_t>(r)] = last ? TDestAssocResource{} : rows_[static_cast<std::size_t>(r + 1)];
    orphans_[static_cast<std::size_t>(r)] = last ? 0 : orphans_[static_cast<std::size_t>(r + 1)];
    model.SetRowHeader(r, last ? QString() : model.RowHeader(r + 1));
    for (int l = 0; l < levels_; ++l) {
      Cell(r, l) = last ? TSourceResource{} : Cell(r + 1, l);
      model.Put(r, l, last ? QString() : model.Text(r + 1, l));
    }
  }
  model.Changed(removed, 0, rows - 1, levels_ - 1);
  MacrosStringGrid->ForgetEdit();
  --SalvoRows;
}

QHash<TSalvoPage::Key, int> TSalvoPage::Stored() {
  TCommonInterface& ci = form_.Interface();
  QHash<Key, int> stored;
  uint16_t count = 0;
  if (!ci.GetNoMacroXPRecords(SalvoNumber, count, ci.FileHandle)) return stored;
  for (uint16_t i = 0; i < count; ++i) {
    TMacroXPRecord xp{};
    if (ci.GetMacroXP(SalvoNumber, i, xp, ci.FileHandle) && xp.matrix == 0)
      stored.insert({xp.level, xp.destination}, xp.source);
  }
  return stored;
}

void TSalvoPage::Store() {
  TCommonInterface& ci = form_.Interface();
  QHash<Key, int> stored = Stored();
  const TGridModel& model = MacrosStringGrid->Model();
  for (int r = 0; r < model.Rows(); ++r) {
    const TDestAssocResource& row = rows_[static_cast<std::size_t>(r)];
    if (!row.Present) continue;
    TDestAssocValues assoc;
    if (!ReadDestAssoc(ci, row.Number, assoc)) continue;
    for (int l = 0; l < levels_; ++l) {
      const int b = assoc.members[static_cast<std::size_t>(l)].number;
      if (b == -1) continue;
      TSourceResource& cell = Cell(r, l);
      const Key key{l, b};
      if (!cell.Present) continue;
      if (!cell.Emptied) {
        const TMacroXPRecord xp = {0, static_cast<int16_t>(l), static_cast<int16_t>(b),
                                   static_cast<int16_t>(cell.Number - 1)};
        if (ci.SetMacroXP(SalvoNumber, xp, ci.FileHandle)) stored.insert(key, xp.source);
      } else {
        if (const auto it = stored.find(key); it != stored.end()) {
          const TMacroXPRecord xp = {0, static_cast<int16_t>(l), static_cast<int16_t>(b), static_cast<int16_t>(*it)};
          if (ci.DeleteMacroXP(SalvoNumber, xp, ci.FileHandle)) stored.erase(it);
        }
        cell = TSourceResource{};
      }
    }
  }
}

bool TSalvoPage::Save() {
  if (!MacrosStringGrid->ValidateCurrent()) return false;
  const bool orphans = std::any_of(orphans_.begin(), orphans_.end(), [](uint32_t m) { return m != 0; });
  if (orphans && !Ui().WarningYesNo(kOrphanQuestion)) return false;
  const QScopedValueRollback<bool> own(storing_, true);  // the page's own step: nothing to take up
  RunStep(form_.Interface(), QString("Save Salvo %1").arg(SalvoNumber + 1), [this] {
    Store();
    return true;
  });
  SalvoSaved = true;
  loaded_ = Stored();
  form_.UpdateApply();
  return true;
}

void TSalvoPage::Clear() {
  if (!Ui().WarningYesNo(kClearQuestion)) return;
  TCommonInterface& ci = form_.Interface();
  QHash<Key, int> stored = Stored();
  const QScopedValueRollback<bool> own(storing_, true);
  RunStep(ci, QString("Clear Salvo %1").arg(SalvoNumber + 1), [&] {
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
      const TDestAssocResource& row = rows_[static_cast<std::size_t>(r)];
      if (!row.Present) continue;
      for (int l = 0; l < levels_; ++l) {
        const TSourceResource& cell = Cell(r, l);
        const int b = row.Record.members[static_cast<std::size_t>(l)].number;
        if (!cell.Present || cell.Number == -1 || b == -1) continue;
        if (const auto it = stored.find({l, b}); it != stored.end()) {
          const TMacroXPRecord xp = {0, static_cast<int16_t>(l), static_cast<int16_t>(b), static_cast<int16_t>(*it)};
          if (ci.DeleteMacroXP(SalvoNumber, xp, ci.FileHandle)) stored.erase(it);
        }
      }
    }
    return true;
  });
  Empty();
  loaded_ = Stored();
}

void TSalvoPage::Rename() {
  TRenameSalvoForm dialog(this);
  if (Ui().RunModal(dialog) != QDialog::Accepted) return;
  TCommonInterface& ci = form_.Interface();
  const QString typed = dialog.SalvoNameEdit->text();
  // The salvo's own value is kept: only its names change.
  TLibString readShort(QString(4, ' ')), readName(QString(8, ' '));
  TMacroStoreRecord stored{};
  stored.salvo = SalvoNumber;
  stored.shortName = readShort;
  stored.name = readName;
  if (!ci.GetMacroStore(SalvoNumber, stored, ci.FileHandle)) return;
  TLibString shortName(QString(4, ' ')), name(FitName(typed, 8));
  TMacroStoreRecord record{};
  record.salvo = SalvoNumber;
  record.shortName = shortName;
  record.name = name;
  record.salvoData = stored.salvoData;
  const QScopedValueRollback<bool> own(storing_, true);
  const bool renamed = RunStep(ci, QString("Rename Salvo %1").arg(SalvoNumber + 1),
                               [&] { return ci.SetMacroStore(SalvoNumber, record, ci.FileHandle); });
  if (renamed) NameLabel->setText(typed);
}
