#include "forms/KeypadAssignment.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "CommonInterface.h"
#include "UndoStack.h"
#include "model/PanelTypes.h"

using namespace zephra::editor;

namespace {

enum Column { kPanelColumn, kSourceColumn, kDestColumn };

// A stored keypad number; -1 for none. A number of 100 or more (no keypad
// was free when the panel was given one) is shown and may be chosen as any
// other.
int Keypad(uint16_t stored) { return stored == kNoKeypad ? -1 : stored; }

QString Shown(int keypad) { return keypad == -1 ? QString() : QString::number(KeypadDisplayNumber(keypad)); }

QLabel* ReadOnlyPanel(QWidget* parent, const QString& name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  label->setContentsMargins(3, 1, 3, 1);
  label->setMinimumWidth(60);
  return label;
}

QTableWidgetItem* Cell(const QString& text, int keypad) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  item->setData(Qt::UserRole, keypad);
  return item;
}

}  // namespace

TKeypadAssignmentForm::TKeypadAssignmentForm(TCommonInterface& ci, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), ci_(ci) {
  setObjectName("KeypadAssignmentForm");
  setWindowTitle("Panel / Keypad Assignment");
  auto* column = new QVBoxLayout(this);

  auto* top = new QGridLayout;
  auto* panelLabel = new QLabel("Panel Name: ", this);
  auto* sourceLabel = new QLabel("Source Keypad: ", this);
  auto* destLabel = new QLabel("Dest Keypad: ", this);
  pnlPanel = ReadOnlyPanel(this, "pnlPanel");
  pnlSource = ReadOnlyPanel(this, "pnlSource");
  pnlDest = ReadOnlyPanel(this, "pnlDest");
  top->addWidget(panelLabel, 0, 0);
  top->addWidget(pnlPanel, 0, 1, 1, 3);
  top->addWidget(sourceLabel, 1, 0);
  top->addWidget(pnlSource, 1, 1);
  top->addWidget(destLabel, 1, 2);
  top->addWidget(pnlDest, 1, 3);
  top->setColumnStretch(1, 1);
  top->setColumnStretch(3, 1);
  column->addLayout(top);

  DataGrid = new QTableWidget(0, 3, this);
  DataGrid->setObjectName("DataGrid");
  DataGrid->setHorizontalHeaderLabels({"Panel", "Source", "Destination"});
  DataGrid->verticalHeader()->hide();
  DataGrid->verticalHeader()->setDefaultSectionSize(20);
  DataGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DataGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  DataGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  DataGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  DataGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  DataGrid->setColumnWidth(kPanelColumn, 180);
  DataGrid->setColumnWidth(kSourceColumn, 110);
  DataGrid->horizontalHeader()->setStretchLastSection(true);
  DataGrid->setFixedSize(420, 300);
  column->addWidget(DataGrid);

  const auto actionRow = [&](QLabel*& label, const QString& name, QPushButton*& button, const QString& text) {
    auto* row = new QHBoxLayout;
    label = new QLabel(this);
    label->setObjectName(name);
    button = new QPushButton(text, this);
    button->setEnabled(false);
    row->addWidget(label, 1);
    row->addWidget(button);
    column->addLayout(row);
  };
  actionRow(lblUse, "lblUse", UseKeypadsButton, "&Use Keypads");
  actionRow(lblCopy, "lblCopy", CopyKeypadsButton, "Copy &Keypads");
  UseKeypadsButton->setObjectName("UseKeypadsButton");
  CopyKeypadsButton->setObjectName("CopyKeypadsButton");
  for (QPushButton* b : {UseKeypadsButton, CopyKeypadsButton}) b->setAutoDefault(false);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  OkButton = new QPushButton("&OK", this);
  OkButton->setObjectName("OkButton");
  OkButton->setDefault(true);
  bottom->addWidget(OkButton);
  column->addLayout(bottom);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  panelOnly_ = {panelLabel, sourceLabel, destLabel, pnlPanel, pnlSource, pnlDest,
                lblUse, lblCopy, UseKeypadsButton, CopyKeypadsButton};
  connect(DataGrid, &QTableWidget::cellClicked, this, &TKeypadAssignmentForm::CellClicked);
  connect(UseKeypadsButton, &QPushButton::clicked, this, &TKeypadAssignmentForm::UseKeypads);
  connect(CopyKeypadsButton, &QPushButton::clicked, this, &TKeypadAssignmentForm::CopyKeypads);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
}

bool TKeypadAssignmentForm::ReadPanel() {
  TLibString name(QString(8, ' '));
  TPanelRecord r{};
  r.name = name;
  if (!ci_.GetPanelRecord(static_cast<uint16_t>(panel_), r, ci_.FileHandle)) return false;
  r.name = nullptr;
  record_ = r;
  panelName_ = name.Text();
  return true;
}

void TKeypadAssignmentForm::Setup(Mode mode, int panel) {
  mode_ = mode;
  panel_ = panel;
  if (mode_ == Mode::Panel && (panel_ < 0 || !ReadPanel())) mode_ = Mode::Overview;
  Refresh();
}

bool TKeypadAssignmentForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) Refresh();
  return QDialog::event(event);
}

void TKeypadAssignmentForm::Refresh() {
  FillGrid();
  const bool one = mode_ == Mode::Panel;
  for (QWidget* w : panelOnly_) w->setVisible(one);
  if (one) {
    pnlPanel->setText(panelName_);
    ShowKept(pnlSource, Keypad(record_.sourceKeypad), keptSource_);
    ShowKept(pnlDest, Keypad(record_.destKeypad), keptDest_);
    chosenSource_ = keptSource_;
    chosenDest_ = keptDest_;
    linked_ = IsDialUpKeypad(keptSource_) && IsDialUpKeypad(keptDest_);
  } else {
    linked_ = false;
  }
  UseKeypadsButton->setEnabled(false);
  CopyKeypadsButton->setEnabled(false);
  RefreshLabels();
}

void TKeypadAssignmentForm::ShowKept(QLabel* panel, int keypad, int& kept) {
  kept = keypad;
  panel->setText(Shown(keypad));
}

void TKeypadAssignmentForm::RefreshLabels() {
  const QString quoted = "'" + QString(pnlPanel->text()).replace("'", "''") + "'";
  lblCopy->setText(QString("Copy selected keypads onto %1 keypads").arg(quoted));
  lblUse->setText(QString("Assign selected keypads to %1").arg(quoted));
}

// Every panel, or for one panel those whose keypads are laid out like its
// own (both layout classes equal).
void TKeypadAssignmentForm::FillGrid() {
  DataGrid->setRowCount(0);
  TLibString configName(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = configName;
  if (!ci_.GetConfig(config, ci_.FileHandle)) return;
  const bool one = mode_ == Mode::Panel;
  const int ownSource = Keypad(record_.sourceKeypad), ownDest = Keypad(record_.destKeypad);
  const int sourceClass = SourceLayoutClass(record_.panelType, IsDialUpKeypad(ownSource));
  const int destClass = DestLayoutClass(record_.panelType, IsDialUpKeypad(ownDest));
  int own = -1;
  for (int p = 0; p < config.panelCount; ++p) {
    TLibString name(QString(8, ' '));
    TPanelRecord r{};
    r.name = name;
    if (!ci_.GetPanelRecord(static_cast<uint16_t>(p), r, ci_.FileHandle)) continue;
    const int source = Keypad(r.sourceKeypad), dest = Keypad(r.destKeypad);
    if (one && (SourceLayoutClass(r.panelType, IsDialUpKeypad(source)) != sourceClass ||
                DestLayoutClass(r.panelType, IsDialUpKeypad(dest)) != destClass)) {
      continue;
    }
    const int row = DataGrid->rowCount();
    DataGrid->insertRow(row);
    DataGrid->setItem(row, kPanelColumn, Cell(name.Text(), -1));
    DataGrid->setItem(row, kSourceColumn, Cell(Shown(source), source));
    DataGrid->setItem(row, kDestColumn, Cell(Shown(dest), dest));
    if (one && p == panel_) own = row;
  }
  if (own >= 0) {
    Select(own, kPanelColumn, kDestColumn);
    DataGrid->scrollToItem(DataGrid->item(own, kPanelColumn));
  }
}

void TKeypadAssignmentForm::CellClicked(int row, int column) {
  QTableWidgetItem* clicked = DataGrid->item(row, column);
  if (!clicked || clicked->text().isEmpty()) return;  // no keypad to take
  UseKeypadsButton->setEnabled(true);
  CopyKeypadsButton->setEnabled(true);
  const auto take = [&](int c, QLabel* panel, int& kept) {
    QTableWidgetItem* item = DataGrid->item(row, c);
    if (item && !item->text().isEmpty()) ShowKept(panel, item->data(Qt::UserRole).toInt(), kept);
  };
  if (column == kSourceColumn || linked_) take(kSourceColumn, pnlSource, keptSource_);
  if (column == kDestColumn || linked_) take(kDestColumn, pnlDest, keptDest_);
  if (linked_) {
    Select(row, kSourceColumn, kDestColumn);
  } else {
    Select(row, column, column);
  }
  RefreshLabels();
}

// The cells of a row from `first` to `last` become the selection (the
// grid's own clicks select one cell only).
void TKeypadAssignmentForm::Select(int row, int first, int last) {
  const QModelIndex from = DataGrid->model()->index(row, first), to = DataGrid->model()->index(row, last);
  DataGrid->selectionModel()->setCurrentIndex(from, QItemSelectionModel::NoUpdate);
  DataGrid->selectionModel()->select(QItemSelection(from, to), QItemSelectionModel::ClearAndSelect);
}

void TKeypadAssignmentForm::UseKeypads() {
  if (mode_ != Mode::Panel) return;
  TPanelRecord r = record_;
  r.destKeypad = static_cast<uint16_t>(keptDest_);
  r.sourceKeypad = static_cast<uint16_t>(keptSource_);
  TLibString name(FitName(panelName_, 8));
  r.name = name;
  if (RunStep(ci_, "Use Keypads", [&] { return ci_.SetPanelRecord(static_cast<uint16_t>(panel_), r, ci_.FileHandle); })) {
    chosenDest_ = keptDest_;
    chosenSource_ = keptSource_;
    ReadPanel();
  }
  FillGrid();
  UseKeypadsButton->setEnabled(false);
  CopyKeypadsButton->setEnabled(false);
}

void TKeypadAssignmentForm::CopyKeypads() {
  if (mode_ != Mode::Panel) return;
  const auto panel = static_cast<uint16_t>(panel_);
  const int ownSource = Keypad(record_.sourceKeypad), ownDest = Keypad(record_.destKeypad);
  RunStep(ci_, "Copy Keypads", [&] {
    if (keptSource_ != -1 && ownSource != -1 && keptSource_ != ownSource) {
      ci_.CopyKeypad(static_cast<uint16_t>(keptSource_), static_cast<uint16_t>(ownSource), panel, ci_.FileHandle);
    }
    if (keptDest_ != -1 && ownDest != -1 && keptDest_ != ownDest) {
      ci_.CopyKeypad(static_cast<uint16_t>(keptDest_), static_cast<uint16_t>(ownDest), panel, ci_.FileHandle);
    }
    return true;
  });
  FillGrid();
  UseKeypadsButton->setEnabled(false);
  CopyKeypadsButton->setEnabled(false);
}
