#include "forms/KorvellResourceForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "DatabaseManager.h"
#include "Resource.h"
#include "UiService.h"
#include "Widgets.h"
#include "forms/FormFields.h"
#include "forms/SalvoPage.h"
#include "forms/StringGrid.h"

using zephra::editor::CellBlock;

namespace {

// The trigger switch points: which byte of the four, and its value for a
// switch on the frame or on the field (bit 7 and the line).
struct TriggerLine {
  int byte;
  uint8_t frame, field;
};
constexpr TriggerLine k525 = {0, 138, 10}, k625 = {1, 134, 6}, kHD = {3, 134, 6};
constexpr int kFrame = 1;            // the radio item "Frame (Picture)"
constexpr int kMostGridWidth = 760;  // the grids show eight levels; more scroll

// An empty member: no source, and a record of blank names.
void Blank(TSourceResource& cell) {
  cell.Present = true;
  cell.Number = -1;
  cell.Record = TSourceValues{};
  for (std::size_t i = 0; i < cell.Record.names.size(); ++i) cell.Record.names[i] = QString(kSourceNameWidths[i], ' ');
}

QStringList LevelHeaders(int levels) {
  QStringList out;
  for (int n = 1; n <= levels; ++n) out << QString("Level %1").arg(n);
  return out;
}

}  // namespace

TKorvellForm::TKorvellForm(TKorvellControllerResource& resource) : TResourceForm(resource, "Controller Data") {
  setObjectName("KorvellForm");
  Pages()->setObjectName("PageControl1");
  Pages()->addTab(BuildSourcePage(), "Source Associations");
  Pages()->addTab(BuildDestPage(), "Destination Associations");
  Macros = new TSalvoPage(*this);
  Pages()->addTab(Macros, "Salvos");
  Pages()->addTab(BuildTriggerPage(), "Trigger Positions");
  EnableWithClipboard(*this, Pages(), {SrcPaste, DestPaste, Macros->SalvoPaste});
  FixSize();
}

QWidget* TKorvellForm::AssociationPage(const char* name, const QString& title, TStringGrid*& grid,
                                       const QList<QWidget*>& side, QPushButton*& copy, QPushButton*& paste) {
  auto* page = Named(name, new QWidget);
  auto* group = new QGroupBox(title, page);
  grid = new TStringGrid(group);
  (new QVBoxLayout(group))->addWidget(grid);
  copy = new QPushButton("Copy", page);
  paste = new QPushButton("Paste", page);
  auto* column = new QVBoxLayout;
  for (QWidget* w : side) column->addWidget(w);
  column->addStretch(1);
  column->addWidget(copy);
  column->addWidget(paste);
  auto* layout = new QHBoxLayout(page);
  layout->addWidget(group, 1);
  layout->addLayout(column);
  connect(grid, &TStringGrid::TextChanged, this, [this] { MarkChanged(); });
  grid->UseButtons(copy, paste);
  return page;
}

QWidget* TKorvellForm::BuildSourcePage() {
  auto* properties = new QGroupBox("Edit Properties");
  OneToOneCheck = Named("OneToOneCheck", new QCheckBox("1 to 1 Associations", properties));
  (new QVBoxLayout(properties))->addWidget(OneToOneCheck);
  QGroupBox* display =
      Radios(new TRadioGroup("Display", {"With Names", "Numerically"}, nullptr), SourcesDisplayRadioGroup);
  display->setObjectName("SourcesDisplayRadioGroup");
  CheckItem(SourcesDisplayRadioGroup, 0);
  SourceAssociations = AssociationPage("SourceAssociations", "Source Associations", SourceAssocsStringGrid,
                                       {properties, display}, SrcCopy, SrcPaste);
  SourceAssocsStringGrid->setObjectName("SourceAssocsStringGrid");
  SrcCopy->setObjectName("SrcCopy");
  SrcPaste->setObjectName("SrcPaste");

  TStringGrid* grid = SourceAssocsStringGrid;
  grid->Model().Locked = [this](int row, int column) { return column == 0 && row < sourceCount_[0]; };
  grid->Validate = [this](int row, int column) { return CheckSourceCell(row, column); };
  grid->Paste = [this](int top, int left, const CellBlock& block) { PasteSources(top, left, block); };
  connect(OneToOneCheck, &QCheckBox::clicked, this, [this] { MarkChanged(); });
  connect(SourcesDisplayRadioGroup, &QButtonGroup::idClicked, this, [this] { ShowSourceCells(); });
  return SourceAssociations;
}

QWidget* TKorvellForm::BuildDestPage() {
  auto* properties = new QGroupBox("Edit Properties");
  OneToOneDests = Named("OneToOneDests", new QCheckBox("1 to 1 Associations", properties));
  (new QVBoxLayout(properties))->addWidget(OneToOneDests);
  DestinationAssociations = AssociationPage("DestinationAssociations", "Destination Associations", DestAssocsStringGrid,
                                            {properties}, DestCopy, DestPaste);
  DestAssocsStringGrid->setObjectName("DestAssocsStringGrid");
  DestCopy->setObjectName("DestCopy");
  DestPaste->setObjectName("DestPaste");

  TStringGrid* grid = DestAssocsStringGrid;
  grid->Model().Locked = [this](int row, int column) { return column == 1 && row < destCount_[0]; };
  grid->Validate = [this](int row, int column) { return CheckDestCell(row, column); };
  grid->Paste = [this](int top, int left, const CellBlock& block) { PasteDests(top, left, block); };
  connect(OneToOneDests, &QCheckBox::clicked, this, [this] { MarkChanged(); });
  return DestinationAssociations;
}

QWidget* TKorvellForm::BuildTriggerPage() {
  TabSheet1 = new QWidget;
  TabSheet1->setObjectName("TabSheet1");
  auto* layout = new QVBoxLayout(TabSheet1);
  auto* row = new QHBoxLayout;
  layout->addLayout(row);
  const struct {
    const char* title;
    const char* name;
    QButtonGroup** group;
  } groups[] = {{"625 Switch Point", "RG625Trig", &RG625Trig},
                {"525 Switch Point", "RG525Trig", &RG525Trig},
                {"HD Switch Point", "RGHDTrig", &RGHDTrig}};
  for (const auto& g : groups) {
    QGroupBox* box = Radios(new TRadioGroup(g.title, {"Field", "Frame (Picture)"}, TabSheet1), *g.group);
    box->setObjectName(g.name);
    row->addWidget(box);
    connect(*g.group, &QButtonGroup::idClicked, this, [this] {
      if (isVisible()) MarkChanged();
    });
  }
  layout->addStretch(1);
  return TabSheet1;
}

// ---------------------------------------------------------------- opening

bool TKorvellForm::Load(const QString& node) {
  TConfigurationRecord config{};
  if (!ReadConfig(Interface(), config)) return false;
  levels_ = std::clamp<int>(config.levelCount[0], 0, DBS_MAX_LEVELS);
  for (int l = 0; l < DBS_MAX_LEVELS; ++l) {
    sourceCount_[static_cast<std::size_t>(l)] = config.sourceCount[0][l];
    destCount_[static_cast<std::size_t>(l)] = config.destCount[0][l];
  }
  sourceAssocs_ = config.sourceAssocCount[0];
  destAssocs_ = config.destAssocCount[0];
  salvoCount_ = config.salvoCount;

  const int page = node == "Dest Association" ? 1 : node == "Salvos" ? 2 : node == "Trigger Positions" ? 3 : 0;
  Pages()->setCurrentIndex(page);
  SourceAssocsStringGrid->Shape(sourceAssocs_, levels_, 70, 48);
  SourceAssocsStringGrid->Model().SetColumnHeaders(LevelHeaders(levels_));
  DestAssocsStringGrid->Shape(destAssocs_, levels_ + 1, 62, 48);
  DestAssocsStringGrid->Model().SetColumnHeaders(QStringList{"Name"} + LevelHeaders(levels_));
  DestAssocsStringGrid->SetCornerText("Index");
  DestAssocsStringGrid->setColumnWidth(0, 70);
  Macros->Setup(levels_, destAssocs_);
  for (TStringGrid* grid : {SourceAssocsStringGrid, DestAssocsStringGrid}) {
    grid->ShowAllColumns(kMostGridWidth);
    grid->setMinimumHeight(360);
  }

  LoadSources();
  LoadDests();
  LoadTriggers();
  if (levels_ > 1) {
    SourceAssocsStringGrid->SelectCell(0, 1);
  } else {
    SourceAssocsStringGrid->SelectCell(sourceAssocs_ - 1, 0);
  }
  DestAssocsStringGrid->SelectCell(0, 0);
  Pages()->setTabEnabled(2, salvoCount_ != 0);
  Pages()->setTabVisible(2, salvoCount_ != 0);
  MarkChanged(false);
  return true;
}

bool TKorvellForm::ReadSourceRow(int a, std::vector<TSourceResource>& cells) {
  TCommonInterface& ci = Interface();
  TSourceAssociationRecord record{};
  const bool read = ci.GetSourceAssn(0, static_cast<uint16_t>(a), record, ci.FileHandle);
  cells.assign(static_cast<std::size_t>(levels_), TSourceResource{});
  for (int l = 0; l < levels_; ++l) {
    TSourceResource& cell = cells[static_cast<std::size_t>(l)];
    cell.Present = true;
    cell.SetName(kBlankName);
    const TAssociationMember& m = record.members[l];
    if (read && m.matrix != -1 && m.level != -1 && m.number != -1) {
      ReadSource(ci, l, m.number, cell.Record);
      cell.Number = m.number;  // kept even when the record cannot be read
    }
  }
  return read;
}

void TKorvellForm::LoadSources() {
  sourceCells_.assign(static_cast<std::size_t>(sourceAssocs_ * levels_), TSourceResource{});
  TGridModel& model = SourceAssocsStringGrid->Model();
  std::vector<QString> numbers;
  std::vector<TSourceResource> row;
  for (int a = 0; a < sourceAssocs_; ++a) {
    numbers.push_back(QString::number(a + 1));
    ReadSourceRow(a, row);
    for (int l = 0; l < levels_; ++l) {
      Cell(a, l) = row[static_cast<std::size_t>(l)];
      model.Put(a, l, CellText(Cell(a, l)));
    }
  }
  storedCells_ = sourceCells_;
  model.SetRowHeaders(numbers);
  model.ChangedAll();
}

void TKorvellForm::LoadDests() {
  TCommonInterface& ci = Interface();
  destRows_.assign(static_cast<std::size_t>(destAssocs_), TDestAssocResource{});
  TGridModel& model = DestAssocsStringGrid->Model();
  std::vector<QString> numbers(static_cast<std::size_t>(destAssocs_));
  for (int d = 0; d < destAssocs_; ++d) {
    TDestAssocResource& row = destRows_[static_cast<std::size_t>(d)];
    if (!ReadDestAssoc(ci, d, row.Record)) continue;  // the row stays empty
    row.Present = true;
    row.Number = d;
    numbers[static_cast<std::size_t>(d)] = QString::number(d + 1);
    model.Put(d, 0, ShownName(row.Record.name));
    Macros->AddDestination(d, ShownName(row.Record.name));
    for (int l = 0; l < levels_; ++l) {
      const int member = row.Record.members[static_cast<std::size_t>(l)].number;
      if (member != -1) model.Put(d, l + 1, QString::number(member + 1));
    }
  }
  model.SetRowHeaders(numbers);
  model.ChangedAll();
}

std::array<int, 3> TKorvellForm::StoredTriggers() {
  TCommonInterface& ci = Interface();
  uint8_t lines[4] = {};
  ci.GetTrigLines(lines, ci.FileHandle);
  std::array<int, 3> choices{};
  std::size_t i = 0;
  for (const TriggerLine& line : {k525, k625, kHD}) choices[i++] = lines[line.byte] & 0x80 ? kFrame : 0;
  return choices;
}

void TKorvellForm::LoadTriggers() {
  storedTriggers_ = StoredTriggers();
  std::size_t i = 0;
  for (QButtonGroup* group : {RG525Trig, RG625Trig, RGHDTrig}) CheckItem(group, storedTriggers_[i++]);
}

const TSourceResource& TKorvellForm::SourceCell(int a, int level) const {
  return sourceCells_[static_cast<std::size_t>(a * levels_ + level)];
}

bool TKorvellForm::NamesDisplay() const { return SourcesDisplayRadioGroup->checkedId() != 1; }

QString TKorvellForm::CellText(const TSourceResource& cell) const {
  if (NamesDisplay()) return cell.GetName();
  return cell.Number < 0 ? kBlankName : QString::number(cell.Number + 1);
}

void TKorvellForm::ShowSourceCells() {
  TGridModel& model = SourceAssocsStringGrid->Model();
  for (int a = 0; a < sourceAssocs_; ++a) {
    for (int l = 0; l < levels_; ++l) {
      if (Cell(a, l).Present) model.Put(a, l, CellText(Cell(a, l)));
    }
  }
  model.ChangedAll();
  SourceAssocsStringGrid->ForgetEdit();
}

// ------------------------------------------------------ checking the cells

bool TKorvellForm::TakeSource(int a, int level, int n, const QString& typed) {
  TSourceResource taken;
  if (!ReadSource(Interface(), level, n, taken.Record)) return false;
  taken.Number = n;
  taken.Present = true;
  Cell(a, level) = taken;
  SourceAssocsStringGrid->Model().SetText(a, level, NamesDisplay() ? taken.GetName() : typed);
  return true;
}

bool TKorvellForm::CheckSourceCell(int row, int column) {
  const QString text = SourceAssocsStringGrid->Model().Text(row, column);
  TSourceResource& cell = Cell(row, column);
  if (BlankCell(text)) {
    Blank(cell);
    return true;
  }
  int n = -1;
  TSourceNames names(Interface());
  const TSourceText how{NamesDisplay()};
  if (!SourceOfText(names, column, sourceCount_[static_cast<std::size_t>(column)], text, how, n)) return false;
  if (!TakeSource(row, column, n, text)) return false;
  if (OneToOneCheck->isChecked()) {
    for (int l = column + 1; l < levels_; ++l) {
      if (n < sourceCount_[static_cast<std::size_t>(l)]) TakeSource(row, l, n, text);
    }
  }
  return true;
}

bool TKorvellForm::CheckDestCell(int row, int column) {
  TGridModel& model = DestAssocsStringGrid->Model();
  QString text = model.Text(row, column);
  if (BlankCell(text) && !text.isEmpty()) {
    text.clear();
    model.SetText(row, column, text);
  }
  if (column == 0) {
    if (!PrintableName(text)) {
      Ui().Warning(kInvalidValue);
      return false;
    }
    if (text.size() > 8) model.SetText(row, column, text.left(8));
    return true;
  }
  if (text.isEmpty()) return true;
  int value = 0;
  if (!NumberText(text, value)) {
    Ui().Warning(kInvalidValue);
    return false;
  }
  if (value > destCount_[static_cast<std::size_t>(column - 1)]) {
    Ui().Warning(kValueTooGreat);
    return false;
  }
  if (value <= 0) {
    Ui().Warning(kInvalidValue);
    return false;
  }
  if (OneToOneDests->isChecked()) {
    for (int c = column + 1; c <= levels_; ++c) {
      if (destCount_[static_cast<std::size_t>(c - 1)] >= value) model.SetText(row, c, text);
    }
  }
  return true;
}

// ------------------------------------------------------------------- paste

void TKorvellForm::PasteSources(int top, int left, const CellBlock& block) {
  TGridModel& model = SourceAssocsStringGrid->Model();
  TSourceNames names(Interface());
  // First every cell is checked; nothing changes unless all pass.
  std::vector<std::vector<int>> found(block.size());
  for (std::size_t i = 0; i < block.size(); ++i) {
    const int row = top + static_cast<int>(i);
    for (std::size_t j = 0; j < block[i].size(); ++j) {
      const int column = left + static_cast<int>(j);
      const QString text = QString::fromStdU16String(block[i][j]);
      if (model.IsLocked(row, column)) {
        Ui().Warning(kLockedCells);
        return;
      }
      int n = -1;
      const TSourceText how{NamesDisplay(), kInvalidSourceName, QString("'%1' is not a valid integer value").arg(text)};
      if (!BlankCell(text) &&
          !SourceOfText(names, column, sourceCount_[static_cast<std::size_t>(column)], text, how, n)) {
        return;
      }
      found[i].push_back(n);
    }
  }
  TCommonInterface& ci = Interface();
  for (std::size_t i = 0; i < block.size(); ++i) {
    const int row = top + static_cast<int>(i);
    for (std::size_t j = 0; j < block[i].size(); ++j) {
      const int column = left + static_cast<int>(j);
      const QString text = QString::fromStdU16String(block[i][j]);
      TSourceResource& cell = Cell(row, column);
      const int n = found[i][j];
      if (n < 0) {
        Blank(cell);
        model.Put(row, column, CellText(cell));  // shown as a member read empty is
        continue;
      }
      TSourceResource taken;
      if (!ReadSource(ci, column, n, taken.Record)) continue;
      taken.Number = n;
      taken.Present = true;
      cell = taken;
      model.Put(row, column, NamesDisplay() ? taken.GetName() : text);
    }
  }
  const int width = block.empty() ? 0 : static_cast<int>(block.front().size());
  model.Changed(top, left, top + static_cast<int>(block.size()) - 1, left + width - 1);
  SourceAssocsStringGrid->ForgetEdit();
  MarkChanged();
}

void TKorvellForm::PasteDests(int top, int left, const CellBlock& block) {
  TGridModel& model = DestAssocsStringGrid->Model();
  for (std::size_t i = 0; i < block.size(); ++i) {
    const int row = top + static_cast<int>(i);
    for (std::size_t j = 0; j < block[i].size(); ++j) {
      const int column = left + static_cast<int>(j);
      const QString text = QString::fromStdU16String(block[i][j]);
      if (model.IsLocked(row, column)) {
        Ui().Warning(kLockedCells);
        return;
      }
      if (BlankCell(text)) continue;
      if (column == 0) {
        if (!PrintableName(text)) {
          Ui().Warning(kInvalidValue);
          return;
        }
        continue;
      }
      int value = 0;
      if (!NumberText(text, value)) {
        Ui().Warning(kInvalidValue);
        return;
      }
      if (value > destCount_[static_cast<std::size_t>(column - 1)]) {
        Ui().Warning(kValueTooGreat);
        return;
      }
      if (value < 1) {
        Ui().Warning(kInvalidValue);
        return;
      }
    }
  }
  for (std::size_t i = 0; i < block.size(); ++i) {
    for (std::size_t j = 0; j < block[i].size(); ++j) {
      const int column = left + static_cast<int>(j);
      const QString text = QString::fromStdU16String(block[i][j]);
      model.Put(top + static_cast<int>(i), column, column == 0 ? text.left(8) : text);
    }
  }
  const int width = block.empty() ? 0 : static_cast<int>(block.front().size());
  model.Changed(top, left, top + static_cast<int>(block.size()) - 1, left + width - 1);
  DestAssocsStringGrid->ForgetEdit();
  MarkChanged();
}

// ------------------------------------------------------------------- Apply

bool TKorvellForm::HasChanges() const { return TResourceForm::HasChanges() || Macros->IsSalvoPending(); }

bool TKorvellForm::Store() {
  for (TStringGrid* grid : {SourceAssocsStringGrid, DestAssocsStringGrid, Macros->MacrosStringGrid}) {
    if (!grid->ValidateCurrent()) {
      for (int i = 0; i < Pages()->count(); ++i) {
        if (Pages()->widget(i)->isAncestorOf(grid)) Pages()->setCurrentIndex(i);
      }
      return false;
    }
  }
  TCommonInterface& ci = Interface();
  bool ok = true;
  for (int a = 0; a < sourceAssocs_; ++a) {
    TSourceAssociationRecord record{};
    for (int j = 0; j < 16; ++j) {
      const bool member = j < levels_ && Cell(a, j).Present;
      record.members[j] = member
                              ? TAssociationMember{0, static_cast<int16_t>(j), static_cast<int16_t>(Cell(a, j).Number)}
                              : TAssociationMember{-1, -1, -1};
    }
    ok = ci.SetSourceAssn(0, static_cast<uint16_t>(a), record, ci.FileHandle) && ok;
  }
  const TGridModel& dests = DestAssocsStringGrid->Model();
  for (int d = 0; d < destAssocs_; ++d) {
    // A row whose association could not be read holds nothing to write.
    const TDestAssocResource& row = destRows_[static_cast<std::size_t>(d)];
    if (!row.Present) continue;
    TDestAssocValues record = row.Record;
    for (int j = 0; j < 16; ++j) {
      int value = 0;
      const bool member = j < levels_ && !BlankCell(dests.Text(d, j + 1)) && NumberText(dests.Text(d, j + 1), value);
      record.members[static_cast<std::size_t>(j)] =
          member ? TAssociationMember{0, static_cast<int16_t>(j), static_cast<int16_t>(value - 1)}
                 : TAssociationMember{-1, -1, -1};
    }
    ok = WriteDestAssoc(ci, d, record) && ok;
  }
  Macros->AskPending();
  uint8_t lines[4] = {};
  for (const auto& [group, line] : {std::pair{RG525Trig, k525}, {RG625Trig, k625}, {RGHDTrig, kHD}}) {
    lines[line.byte] = group->checkedId() == kFrame ? line.frame : line.field;
  }
  ok = ci.SetTrigLines(lines, ci.FileHandle) && ok;
  for (int d = 0; d < destAssocs_; ++d) {
    const QString& name = dests.Text(d, 0);
    // A name the user emptied is stored blank (an empty text would keep the
    // stored one); one that was blank already is left as it is.
    TDestAssocResource& row = destRows_[static_cast<std::size_t>(d)];
    const bool emptied = name.isEmpty() && row.Present && !ShownName(row.Record.name).trimmed().isEmpty();
    if (name.isEmpty() && !emptied) continue;
    const QString stored = emptied ? QString(8, ' ') : name;
    if (!ci.SetDestName(0, static_cast<uint16_t>(d), stored, ci.FileHandle)) ok = false;
  }
  // The form shows what the file holds now; what failed stays pending.
  TakeUpStored(ok);
  return ok;
}

void TKorvellForm::ResourceChanged() { TakeUpStored(false); }

void TKorvellForm::TakeUpStored(bool adoptAll) {
  if (!Resource()) return;
  TCommonInterface& ci = Interface();
  // A member the user has not changed takes the file's source; one the user
  // changed keeps its source, whose name is read again.
  TGridModel& sources = SourceAssocsStringGrid->Model();
  std::vector<TSourceResource> row;
  for (int a = 0; a < sourceAssocs_; ++a) {
    if (!ReadSourceRow(a, row)) continue;
    for (int l = 0; l < levels_; ++l) {
      const TSourceResource& now = row[static_cast<std::size_t>(l)];
      TSourceResource& before = storedCells_[static_cast<std::size_t>(a * levels_ + l)];
      TSourceResource& work = Cell(a, l);
      const bool held = SourceAssocsStringGrid->UserHolds(a, l);
      if (!held && (adoptAll || work.Number == before.Number)) {
        work = now;
      } else if (work.Number >= 0 && work.Number == now.Number) {
        work.Record = now.Record;
      } else if (work.Number >= 0) {
        ReadSource(ci, l, work.Number, work.Record);
      }
      before = now;
      // Only a cell that changes is told: the view gives an open editor in a
      // range it is told of the cell's text, over what the user typed.
      if (const QString text = CellText(work); !held && text != sources.Text(a, l)) {
        sources.Put(a, l, text);
        sources.Changed(a, l, a, l);
      }
    }
  }

  // A destination association's name and members: each cell the user has
  // not changed shows the file's.
  TGridModel& dests = DestAssocsStringGrid->Model();
  const auto member = [](const TAssociationMember& m) { return m.number != -1 ? QString::number(m.number + 1) : QString(); };
  std::vector<QString> names;
  for (int d = 0; d < destAssocs_; ++d) {
    TDestAssocResource& stored = destRows_[static_cast<std::size_t>(d)];
    TDestAssocValues now;
    if (!stored.Present || !ReadDestAssoc(ci, d, now)) {
      names.push_back(ShownName(stored.Record.name));
      continue;
    }
    const auto follow = [&](int column, const QString& before, const QString& after) {
      if (DestAssocsStringGrid->UserHolds(d, column) || dests.Text(d, column) == after) return;
      if (adoptAll || dests.Text(d, column) == before) {
        dests.Put(d, column, after);
        dests.Changed(d, column, d, column);
      }
    };
    follow(0, ShownName(stored.Record.name), ShownName(now.name));
    for (int l = 0; l < levels_; ++l) {
      const auto i = static_cast<std::size_t>(l);
      follow(l + 1, member(stored.Record.members[i]), member(now.members[i]));
    }
    stored.Record = now;
    names.push_back(ShownName(now.name));
  }
  Macros->SetDestinations(names);
  Macros->RefreshNames();
  Macros->TakeUpStored();

  const std::array<int, 3> triggers = StoredTriggers();
  std::size_t i = 0;
  for (QButtonGroup* group : {RG525Trig, RG625Trig, RGHDTrig}) {
    if (adoptAll || group->checkedId() == storedTriggers_[i]) CheckItem(group, triggers[i]);
    ++i;
  }
  storedTriggers_ = triggers;
}
