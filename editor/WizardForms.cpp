#include "WizardForms.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <QApplication>

#include "CommonInterface.h"
#include "PCPortSetup.h"
#include "Transfer.h"
#include "UiService.h"

namespace {

QGroupBox* RadioGroup(const QString& title, const QStringList& items, QButtonGroup*& group, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(box);
  group = new QButtonGroup(box);
  int id = 0;
  for (const QString& item : items) {
    auto* b = new QRadioButton(item, box);
    group->addButton(b, id++);
    layout->addWidget(b);
  }
  if (group->button(0)) group->button(0)->setChecked(true);
  return box;
}

QLabel* Bold(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  return label;
}

QString Range(const QString& text, int limit) { return QString("%1 (1..%2)").arg(text).arg(limit); }

// The wizard's picture: a router frame drawn once.
QPixmap Picture() {
  QPixmap pixmap(120, 300);
  pixmap.fill(QColor(0x23, 0x3b, 0x5d));
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x9f, 0xc5, 0xf8), 2));
  for (int row = 0; row < 6; ++row) {
    p.drawRoundedRect(18, 40 + row * 38, 84, 26, 4, 4);
    for (int led = 0; led < 5; ++led) {
      p.setBrush(led % 2 ? QColor(0x6c, 0xe0, 0x8f) : QColor(0xf5, 0xc2, 0x42));
      p.drawEllipse(QPointF(30 + led * 15, 53 + row * 38), 3, 3);
    }
    p.setBrush(Qt::NoBrush);
  }
  return pixmap;
}

}  // namespace

TCreationWizardForms::TCreationWizardForms(TConfigurationRecord& record, Mode mode, QWidget* parent)
    : QDialog(parent), record_(record), mode_(mode) {
  levelTypes_.fill(kNoLevelType);
  setWindowTitle("Configuration Wizard");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  pages_ = new QStackedWidget(this);

  auto* welcome = new QWidget(pages_);
  auto* wl = new QVBoxLayout(welcome);
  wl->addWidget(Bold("Welcome to the Configuration Wizard", welcome));
  auto* intro = new QLabel(
      "This wizard creates a configuration database. It asks for the number of levels, the size of each level and "
      "a name for the configuration, which is also the name of its file.",
      welcome);
  intro->setWordWrap(true);
  wl->addWidget(intro);
  wl->addStretch();
  pages_->addWidget(welcome);

  auto* general = new QWidget(pages_);
  auto* gl = new QVBoxLayout(general);
  gl->addWidget(Bold("Enter the following data :-", general));
  formatBox_ = RadioGroup("Database Format", {"ZP1", "ZP2", "ZP3"}, FormatGroup, general);
  gl->addWidget(formatBox_);
  checkController_ = new QPushButton("Check Controller Type", general);
  gl->addWidget(checkController_);
  auto* countRow = new QHBoxLayout;
  countRow->addWidget(new QLabel(Range("The Number of Levels", 8), general));
  LevelCount = new TCountSpin(general);
  LevelCount->setRange(0, 99);  // out-of-range counts are typed, and refused on Next
  LevelCount->Step = [] { return 1; };
  LevelCount->Max = [] { return 8; };
  LevelCount->Min = 1;
  countRow->addWidget(LevelCount);
  gl->addLayout(countRow);
  gl->addStretch();
  pages_->addWidget(general);

  auto* levelPage = new QWidget(pages_);
  auto* ll = new QVBoxLayout(levelPage);
  LevelTitle = new QLabel(levelPage);
  QFont big = LevelTitle->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  LevelTitle->setFont(big);
  ll->addWidget(LevelTitle);
  auto* groups = new QHBoxLayout;
  groups->addWidget(RadioGroup("Signal Type", kSignalNames, SignalGroup, levelPage));
  modelBox_ = new QGroupBox("Level Type", levelPage);
  modelLayout_ = new QVBoxLayout(modelBox_);
  modelLayout_->setAlignment(Qt::AlignTop);  // a short list stays at the top
  ModelGroup = new QButtonGroup(modelBox_);
  groups->addWidget(modelBox_);
  auto* right = new QVBoxLayout;
  operationBox_ = RadioGroup("Operation", kOperationNames, OperationGroup, levelPage);
  parkBox_ = RadioGroup("Park", kParkNames, ParkGroup, levelPage);
  right->addWidget(operationBox_);
  right->addWidget(parkBox_);
  right->addStretch();
  groups->addLayout(right);
  ll->addLayout(groups);
  AudioParam = new QCheckBox("With Audio Param", levelPage);
  ll->addWidget(AudioParam);
  auto* sizes = new QGridLayout;
  SourcesLabel = new QLabel(levelPage);
  DestsLabel = new QLabel(levelPage);
  Sources = new TCountSpin(levelPage);
  Dests = new TCountSpin(levelPage);
  const auto step = [this](int max) { return CurrentModel() == "Router D24" ? 12 : max <= 16 ? 1 : 16; };
  Sources->Step = [this, step] { return step(maxSources_); };
  Sources->Max = [this] { return maxSources_; };
  Dests->Step = [this, step] { return step(maxDests_); };
  Dests->Max = [this] { return maxDests_; };
  for (QSpinBox* box : {Sources, Dests}) box->setRange(0, 9999);
  sizes->addWidget(SourcesLabel, 0, 0);
  sizes->addWidget(Sources, 0, 1);
  sizes->addWidget(DestsLabel, 1, 0);
  sizes->addWidget(Dests, 1, 1);
  ll->addLayout(sizes);
  pages_->addWidget(levelPage);

  auto* namePage = new QWidget(pages_);
  auto* nl = new QVBoxLayout(namePage);
  nl->addWidget(Bold("Enter the following data :-", namePage));
  nl->addWidget(new QLabel("Enter the Filename for This Configuration :", namePage));
  NameEdit = new QLineEdit("Zephra", namePage);
  nl->addWidget(NameEdit);
  auto* about = new QLabel(
      "This is the name of the configuration. \nIt is also used as the filename for saving this configuration.\n"
      "All configurations are saved in files with the .ZP1, .ZP2, or .ZP3\nextension.",
      namePage);
  nl->addWidget(about);
  nl->addStretch();
  pages_->addWidget(namePage);

  auto* picture = new QLabel(this);
  picture->setPixmap(Picture());
  hint_ = new QLabel("Click the \"Next\" button to proceed", this);
  BackButton = new QPushButton("< &Back", this);
  NextButton = new QPushButton("&Next >", this);
  CloseButton = new QPushButton("Close", this);
  QFont bold = NextButton->font();
  bold.setBold(true);
  NextButton->setFont(bold);
  NextButton->setDefault(true);
  BackButton->setEnabled(false);
  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addWidget(pages_, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(hint_, 1);
  bottom->addWidget(BackButton);
  bottom->addWidget(NextButton);
  bottom->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  layout->addWidget(line);
  layout->addLayout(bottom);

  connect(NextButton, &QPushButton::clicked, this, &TCreationWizardForms::Next);
  connect(checkController_, &QPushButton::clicked, this, &TCreationWizardForms::CheckControllerType);
  connect(BackButton, &QPushButton::clicked, this, &TCreationWizardForms::Back);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
  // Enter in the name edit reaches the default button, which finishes.
  connect(SignalGroup, &QButtonGroup::idClicked, this, [this] { RebuildModels(); });
  connect(AudioParam, &QCheckBox::toggled, this, [this] { if (!rebuilding_) RebuildModels(); });
  connect(OperationGroup, &QButtonGroup::idClicked, this, [this] { RecomputeLimits(); });
  connect(ParkGroup, &QButtonGroup::idClicked, this, [this] { RecomputeLimits(); });
  connect(Sources, &QSpinBox::valueChanged, this, [this] {
    if (!showing_) sourcesChanged_[level_] = true;
  });
  connect(Dests, &QSpinBox::valueChanged, this, [this] {
    if (!showing_) destsChanged_[level_] = true;
  });
  connect(Sources, &QSpinBox::editingFinished, this, [this] {
    sourcesChanged_[level_] = true;
    RoundCount(Sources, maxSources_);
  });
  connect(Dests, &QSpinBox::editingFinished, this, [this] {
    destsChanged_[level_] = true;
    RoundCount(Dests, maxDests_);
  });
  setMinimumSize(640, 420);
}

void TCreationWizardForms::CheckControllerType() {
  if (!PortSetup().EnsurePort()) return;
  uint16_t type = 0xFFFF;
  // The search's own window shows that it runs, with its Cancel.
  queryStatus_ = ProcessInterface().QueryControllerType(PortSetup().PortName, PortSetup().PortSettings, type);
  if (queryStatus_ == DBS_OK) Ui().Information(ControllerTypeMessage(type));
}

void TCountSpin::stepBy(int steps) {
  const int step = Step ? Step() : 1;
  for (; steps > 0; --steps) setValue(std::min(step * (value() / step + 1), Max ? Max() : maximum()));
  for (; steps < 0; ++steps) setValue(std::max(step * (value() / step - 1), Min));
}

int TCreationWizardForms::CurrentPage() const { return pages_->currentIndex(); }

int TCreationWizardForms::ConfigType() const {
  return mode_ == Mode::Creation ? FormatGroup->checkedId() + 2 : record_.configType;
}

Signal TCreationWizardForms::CurrentSignal() const { return static_cast<Signal>(std::max(0, SignalGroup->checkedId())); }

QString TCreationWizardForms::CurrentModel() const {
  QAbstractButton* b = ModelGroup->checkedButton();
  return b ? b->text() : QString();
}

void TCreationWizardForms::RoundCount(QSpinBox* box, int max) {
  // A count is a positive multiple of 4, at most the router's size.
  int v = box->value();
  if (v < 4) {
    v = 4;
  } else if (v % 4) {
    v = v + 4 - v % 4;
  }
  box->setValue(std::min(v, max));
}

void TCreationWizardForms::Next() {
  switch (pages_->currentIndex()) {
    case Welcome:
      pages_->setCurrentIndex(General);
      BackButton->setEnabled(true);
      LevelCount->setValue(record_.levelCount[0]);
      if (FormatGroup->button(record_.configType - 2)) FormatGroup->button(record_.configType - 2)->setChecked(true);
      formatBox_->setVisible(mode_ == Mode::Creation);
      checkController_->setVisible(mode_ == Mode::Creation);
      return;
    case General: {
      const int levels = LevelCount->value();
      if (levels < 1 || levels > 8) {
        Ui().Warning("Invalid Value for Number of Levels");
        LevelCount->setFocus();
        return;
      }
      const int format = FormatGroup->checkedId() + 1;
      if (mode_ == Mode::Creation && !warned_) {
        warned_ = true;
        const QString text =
            QStringList{QString("An ZP%1 format database will be created. This will only work with").arg(format),
                        QString("Zephra V%1 controllers. Once the database has been created, the").arg(format),
                        "database can be reconfigured to a newer format, but it will not be",
                        "possible to reconfigure the database back to a previous format.", "",
                        "If the PC is currently connected to a controller, the editor can ",
                        "determine the controller version before continuing. Would you like ",
                        "the editor to determine the controller version?"}
                .join("\r\n");
        if (Ui().ConfirmSafely(TUiService::Kind::Warning, text, QMessageBox::Yes | QMessageBox::No)) {
          CheckControllerType();  // the format choice stays the user's
          return;
        }
      }
      if (mode_ == Mode::Creation) {
        record_.configType = static_cast<uint16_t>(FormatGroup->checkedId() + 2);
        const QString tag = QString("ZP%1").arg(format) + (format == 1 ? "00.00" : format == 2 ? "01.00" : "00.00");
        std::copy_n(reinterpret_cast<const char16_t*>(tag.utf16()), 8, record_.version);
        record_.sourceAssocCount[0] = record_.destAssocCount[0] = format == 1 ? 384 : 768;
      }
      record_.levelCount[0] = static_cast<uint16_t>(levels);
      for (int l = levels; l < 8; ++l) levelTypes_[static_cast<std::size_t>(l)] = kNoLevelType;
      if (record_.panelCount > 32) return Ui().Warning("Invalid Value for Number of Panels");
      if (record_.umdCount > 32) return Ui().Warning("Invalid Value for Number of UMDs");
      ShowLevel(0, true);
      return;
    }
    case Level: {
      const bool audio = AudioParam->isVisibleTo(this) && AudioParam->isChecked();
      levelTypes_[level_] = LevelTypeCode(CurrentSignal(), audio, CurrentModel(),
                                          static_cast<Operation>(std::max(0, OperationGroup->checkedId())),
                                          ParkGroup->checkedId());
      if (Sources->value() < 1 || Sources->value() > maxSources_) {
        Ui().Warning("Invalid Value for Number of Sources");
        Sources->setFocus();
        return;
      }
      if (Dests->value() < 1 || Dests->value() > maxDests_) {
        Ui().Warning("Invalid Value for Number of Destinations");
        Dests->setFocus();
        return;
      }
      record_.sourceCount[0][level_] = static_cast<uint16_t>(Sources->value() + (IsRs422() ? 1 : 0));
      record_.destCount[0][level_] = static_cast<uint16_t>(Dests->value());
      if (level_ + 1 < record_.levelCount[0]) {
        ShowLevel(level_ + 1, true);
      } else {
        ShowNamePage();
      }
      return;
    }
    case Name: {
      const QString name = NameEdit->text();
      if (name.isEmpty()) {
        Ui().Warning("The configuration name is invalid");
        return;
      }
      const QString fitted = FitName(name, 16);
      std::copy_n(reinterpret_cast<const char16_t*>(fitted.utf16()), std::min<uint32_t>(16, DbsStringLength(record_.name)),
                  record_.name);
      accept();
      return;
    }
  }
}

void TCreationWizardForms::ShowNamePage() {
  setResult(0);
  pages_->setCurrentIndex(Name);
  NextButton->setText("&Finish");
  hint_->setText("Click the \"Finish\" button to end");
  NameEdit->setFocus();
}

void TCreationWizardForms::Back() {
  switch (pages_->currentIndex()) {
    case General:
      pages_->setCurrentIndex(Welcome);
      BackButton->setEnabled(false);
      return;
    case Level:
      if (level_ > 0) {
        ShowLevel(level_ - 1, false);
      } else {
        pages_->setCurrentIndex(General);
      }
      return;
    case Name:
      NextButton->setText("&Next >");
      hint_->setText("Click the \"Next\" button to continue");
      ShowLevel(record_.levelCount[0] - 1, false);
      return;
  }
}

void TCreationWizardForms::ShowLevel(int level, bool forward) {
  const bool wasShowing = showing_;
  showing_ = true;
  level_ = level;
  pages_->setCurrentIndex(Level);
  LevelTitle->setText(QString("For Level %1").arg(level + 1));
  // The code is looked up in the whole table, so a change of format keeps
  // the level's signal, audio parameter and operation; only a router model
  // the format lacks falls back to the first one offered.
  LevelSelection sel;
  const bool known = FindLevelType(levelTypes_[level], sel);
  rebuilding_ = true;
  SignalGroup->button(static_cast<int>(known ? sel.signal : Signal::SdvHd))->setChecked(true);
  AudioParam->setChecked(known && sel.audioParam);
  rebuilding_ = false;
  RebuildModels();
  if (known) {
    for (QAbstractButton* b : ModelGroup->buttons()) {
      if (b->text() == sel.model) b->setChecked(true);
    }
    OperationGroup->button(static_cast<int>(sel.op))->setChecked(true);
    ParkGroup->button(sel.park)->setChecked(true);
    RecomputeOperations();
  }
  int sources = record_.sourceCount[0][level] - (known && sel.signal == Signal::Rs422 ? 1 : 0);
  int dests = record_.destCount[0][level];
  if (forward && level > 0 && record_.sourceCount[0][level] == 0) sources = Sources->value();
  if (forward && level > 0 && dests == 0) dests = Dests->value();
  Sources->setValue(sources);
  Dests->setValue(dests);
  RecomputeLimits();
  showing_ = wasShowing;
}

void TCreationWizardForms::RebuildModels() {
  for (QAbstractButton* b : ModelGroup->buttons()) {
    ModelGroup->removeButton(b);
    delete b;
  }
  const Signal signal = CurrentSignal();
  const bool audioShown = signal == Signal::Aes || signal == Signal::AnalogueAudio || signal == Signal::AudioMix;
  const QStringList models = ModelNames(signal, audioShown && AudioParam->isChecked(), level_, ConfigType());
  int id = 0;
  for (const QString& m : models) {
    auto* b = new QRadioButton(m, modelBox_);
    ModelGroup->addButton(b, id++);
    modelLayout_->addWidget(b);
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) RecomputeOperations();
    });
  }
  parkBox_->setVisible(signal == Signal::Rs422);
  operationBox_->setVisible(signal != Signal::Rs422 && signal != Signal::Timecode);
  if (ModelGroup->button(0)) ModelGroup->button(0)->setChecked(true);
  OperationGroup->button(0)->setChecked(true);
  ParkGroup->button(0)->setChecked(true);
  RecomputeOperations();
}

void TCreationWizardForms::RecomputeOperations() {
  const Signal signal = CurrentSignal();
  const QString model = CurrentModel();
  operationBox_->setVisible(model != "Router B series" && signal != Signal::Rs422 && signal != Signal::Timecode);
  const bool onlyNormal = signal == Signal::AnalogueVideo && model == "Router E 128";
  for (int op = 1; op < 5; ++op) OperationGroup->button(op)->setVisible(!onlyNormal);
  if (onlyNormal) OperationGroup->button(0)->setChecked(true);
  const bool audioShown = (signal == Signal::Aes || signal == Signal::AnalogueAudio || signal == Signal::AudioMix) &&
                          model != "Router G";
  AudioParam->setVisible(audioShown);
  RecomputeLimits();
}

void TCreationWizardForms::RecomputeLimits() {
  const bool wasShowing = showing_;
  showing_ = true;
  const Signal signal = CurrentSignal();
  const QString model = CurrentModel();
  int defaultSources = 32, defaultDests = 32;
  const int formatDests = DbsLevelMaxDests(static_cast<uint16_t>(ConfigType()),
                                           static_cast<uint16_t>(std::min(level_, DBS_USABLE_LEVELS - 1)));
  if (model.isEmpty()) {
    maxSources_ = formatDests + 1;
    maxDests_ = formatDests;
  } else {
    ModelLimits(signal, model, static_cast<Operation>(std::max(0, OperationGroup->checkedId())), maxSources_, maxDests_);
    defaultSources = std::min(32, maxSources_);
    defaultDests = std::min(32, maxDests_);
    if (model == "Router A 32/64") defaultSources = defaultDests = 16;
    // A router larger than the format's level allows is offered at the
    // format's size: the database could not hold more.
    maxSources_ = std::min(maxSources_, formatDests + (signal == Signal::Rs422 ? 0 : 1));
    maxDests_ = std::min(maxDests_, formatDests);
  }
  SourcesLabel->setText(Range("Max Number of Sources", maxSources_));
  DestsLabel->setText(Range("Max Number of Dests.", maxDests_));
  if (sourcesChanged_[level_] || mode_ == Mode::Reconfiguration) {
    Sources->setValue(std::min(Sources->value(), maxSources_));
  } else {
    Sources->setValue(defaultSources);
  }
  if (destsChanged_[level_] || mode_ == Mode::Reconfiguration) {
    Dests->setValue(std::min(Dests->value(), maxDests_));
  } else {
    Dests->setValue(defaultDests);
  }
  showing_ = wasShowing;
}
