#include "Transfer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "CommonInterface.h"
#include "PCPortSetup.h"
#include "UiService.h"
#include "Widgets.h"

namespace {

TCommonInterface* active = nullptr;
TSearchForm* searchForm = nullptr;

bool OnGuiThread() {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

// A report of the callbacks: held back while a library call runs (the call
// shows it when it ends, unless it told the same), else shown at once.
void Deliver(DbsStatus status) {
  if (!TLibraryCall::Hold(status)) ReportingInterface().ReportError(status);
}

const char* kSearchTexts[] = {"Searching for Control Frame.........", "Retrieving Checksums........."};

void Centre(QWidget& w) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    w.adjustSize();
    w.move(screen->availableGeometry().center() - w.rect().center());
  }
}

}  // namespace

// ------------------------------------------------------------------ dialogs

TBusyAnimation::TBusyAnimation(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind), timer_(new QTimer(this)) {
  timer_->setInterval(120);
  connect(timer_, &QTimer::timeout, this, [this] {
    ++frame_;
    update();
  });
}

void TBusyAnimation::Start() { timer_->start(); }
void TBusyAnimation::Stop() { timer_->stop(); }
QSize TBusyAnimation::sizeHint() const { return kind_ == Kind::Copy ? QSize(272, 60) : QSize(64, 64); }

void TBusyAnimation::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink = palette().color(QPalette::WindowText);
  const QColor accent = palette().color(QPalette::Highlight);
  if (kind_ == Kind::Copy) {
    // Two folders, and a sheet travelling from the PC's to the controller's.
    const auto folder = [&](int x) {
      p.setPen(QPen(ink, 1.5));
      p.setBrush(QColor(0xf2, 0xc1, 0x4e));
      p.drawRoundedRect(QRectF(x, 20, 44, 30), 3, 3);
      p.drawRect(QRectF(x + 4, 15, 16, 6));
    };
    folder(8);
    folder(width() - 52);
    const int span = width() - 120;
    const double x = 60 + (frame_ % 20) / 19.0 * span;
    p.setPen(QPen(ink, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(x, 16 - 8 * std::sin((frame_ % 20) / 19.0 * 3.14159), 16, 20));
    p.setPen(QPen(accent, 1));
    for (int line = 0; line < 3; ++line) p.drawLine(QPointF(x + 3, 22 + line * 4), QPointF(x + 13, 22 + line * 4));
    return;
  }
  // A magnifying glass circling.
  const double a = (frame_ % 16) / 16.0 * 6.28318;
  const QPointF c(width() / 2.0 + 10 * std::cos(a), height() / 2.0 + 10 * std::sin(a));
  p.setPen(QPen(ink, 3));
  p.setBrush(QColor(0xd6, 0xe9, 0xff));
  p.drawEllipse(c, 11, 11);
  p.drawLine(c + QPointF(8, 8), c + QPointF(17, 17));
}

TTransferForm::TTransferForm(bool download, const QString& workingFile, QWidget* parent,
                             const QString& cancelQuestion, const QString& action)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      download_(download),
      workingFile_(workingFile),
      cancelQuestion_(cancelQuestion) {
  setWindowTitle("Database Transfer");
  setWindowModality(Qt::ApplicationModal);  // the rest of the editor waits for the transfer
  FileCopyAVI = new TBusyAnimation(TBusyAnimation::Kind::Copy, this);
  Label1 = new QLabel(!action.isEmpty() ? action : download ? "Applying Configuration" : "Reading Configuration", this);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  WhatLabel = new QLabel(this);
  WhatLabel->setWordWrap(true);
  WhatLabel->hide();
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setRange(0, 10);
  ProgressBar1->setValue(0);
  TimeLabel = new QLabel(TimeText(0, 0, 0), this);
  btnCancel = new QPushButton("Cancel", this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FileCopyAVI, 0, Qt::AlignHCenter);
  layout->addWidget(Label1);
  layout->addWidget(WhatLabel);
  layout->addWidget(ProgressBar1);
  auto* row = new QHBoxLayout;
  row->addWidget(TimeLabel, 1);
  row->addWidget(btnCancel);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setMinimumWidth(400);
  ProgressBar1->setMinimumWidth(380);
  WhatLabel->setFixedWidth(380);
  connect(btnCancel, &QPushButton::clicked, this, &TTransferForm::AskCancel);
  Centre(*this);
  clock_.start();
}

void TTransferForm::SetWhat(const QString& what) {
  WhatLabel->setText(what);
  WhatLabel->setVisible(!what.isEmpty());
  Centre(*this);
}

QString TTransferForm::TimeText(qint64 elapsedMs, uint32_t position, uint32_t total) {
  const auto clock = [](qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    return QString("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
  };
  QString text = "Elapsed " + clock(elapsedMs);
  // A guess needs a little progress and a little time behind it.
  if (total > 0 && position > 0 && position < total && elapsedMs >= 1000) {
    const double left = static_cast<double>(elapsedMs) * (total - position) / position;
    text += ", about " + clock(static_cast<qint64>(left)) + " left";
  }
  return text;
}

void TTransferForm::SetProgress(uint32_t position, uint32_t total) {
  // A bar counts in int: large totals are scaled down alike.
  const uint32_t scale = total > 0x7FFFFFFFu ? 1024u : 1u;
  ProgressBar1->setRange(0, static_cast<int>(total / scale));
  ProgressBar1->setValue(static_cast<int>(std::min(position, total) / scale));
  TimeLabel->setText(TimeText(clock_.elapsed(), std::min(position, total), total));
}

void TTransferForm::reject() { AskCancel(); }

void TTransferForm::AskCancel() {
  if (cancel_) return;
  const QString question =
      !cancelQuestion_.isEmpty() ? cancelQuestion_
      : download_ ? "Cancelling download may corrupt the controller database. Confirm cancel?"
                  : QString("Cancelling upload may corrupt %1 database. Confirm cancel?").arg(workingFile_);
  // Enter goes on with the transfer; the box comes up over this window.
  if (Ui().ConfirmSafely(TUiService::Kind::Warning, question, QMessageBox::Yes | QMessageBox::No)) cancel_ = true;
}

TSearchForm::TSearchForm(const QString& port, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle(QApplication::applicationName());
  setWindowModality(Qt::ApplicationModal);  // only Cancel is heard while the search runs
  Animate1 = new TBusyAnimation(TBusyAnimation::Kind::Search, this);
  StatusLabel = new QLabel(kSearchTexts[0], this);
  PortLabel = new QLabel("Port: " + PortDescription(port), this);
  SpeedLabel = new QLabel(this);
  CancelButton = new QPushButton(QIcon::fromTheme("process-stop"), "Cancel", this);
  auto* text = new QVBoxLayout;
  text->addWidget(StatusLabel);
  text->addWidget(PortLabel);
  text->addWidget(SpeedLabel);
  auto* top = new QHBoxLayout;
  top->addWidget(Animate1);
  top->addLayout(text, 1);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setMinimumWidth(380);
  connect(CancelButton, &QPushButton::clicked, this, &TSearchForm::reject);
  Centre(*this);
  searchForm = this;
}

TSearchForm::~TSearchForm() {
  if (searchForm == this) searchForm = nullptr;
}

void TSearchForm::reject() {
  cancelled_ = true;
  CancelButton->setEnabled(false);
  StatusLabel->setText("Cancelling the search...");
}

void TSearchForm::ShowStage(int stage) {
  if (cancelled_) return;
  if (stage == 0 || stage == 1) StatusLabel->setText(kSearchTexts[stage]);
  if (stage >= DBS_SEARCH_SPEED_MIN) {
    if (speeds_.isEmpty() || speeds_.back() != stage) {
      if (!speeds_.contains(stage)) speeds_ << stage;
      SpeedLabel->setText(QString("Trying %1 baud").arg(stage));
    }
  }
}

TSearchForm* ActiveSearch() { return searchForm; }

QString SearchFailureDetail(const QString& port, const QList<int>& speeds) {
  QStringList tried;
  for (int baud : speeds) tried << QString::number(baud);
  QString text = "Port: " + PortDescription(port) + "\n";
  if (!tried.isEmpty()) text += "Speeds tried: " + tried.join(", ") + " baud\n";
  return text +
         "Check that the control frame is powered and running, that its cable is on this port of the PC, "
         "and that the port is the one the control frame's remote port is wired to (Com Port chooses "
         "another).";
}

TReadApplyForm::TReadApplyForm(const QString& caption, const QString& text, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(caption);
  txtOptions = new QLabel(text, this);
  auto* group = new QGroupBox("Transfer Components", this);
  auto* boxes = new QVBoxLayout(group);
  DatabaseCheck = new QCheckBox("Database", group);
  DatabaseCheck->setChecked(true);
  DatabaseCheck->setEnabled(false);  // the database is always transferred
  SourceCheck = new QCheckBox("Source Audio Parameters", group);
  DestCheck = new QCheckBox("Destination Audio Parameters", group);
  TriggerCheck = new QCheckBox("Video Trigger Parameters", group);
  for (QCheckBox* b : {DatabaseCheck, SourceCheck, DestCheck, TriggerCheck}) boxes->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtOptions);
  layout->addWidget(group);
  // Enter does not start a transfer of minutes: the default is Cancel.
  QDialogButtonBox* buttons = OkCancelButtons(this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(false);
  buttons->button(QDialogButtonBox::Ok)->setAutoDefault(false);
  buttons->button(QDialogButtonBox::Cancel)->setDefault(true);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TReadApplyForm::Database() const { return DatabaseCheck->isChecked() ? 1 : 0; }
int TReadApplyForm::SourceParams() const { return SourceCheck->isChecked() ? 1 : 0; }
int TReadApplyForm::DestParams() const { return DestCheck->isChecked() ? 1 : 0; }
int TReadApplyForm::TriggerParams() const { return TriggerCheck->isChecked() ? 1 : 0; }

// ------------------------------------------------------ product information

QString ControllerTypeMessage(uint16_t type) {
  switch (type) {
    case DBS_TYPE_KV1: return "Controller version is Korvell - KV1 format database required";
    case DBS_TYPE_V1: return "Controller version is Zephra V1 - ZP1 format database required";
    case DBS_TYPE_V2: return "Controller version is Zephra V2 - ZP2 format database required";
    case DBS_TYPE_V3: return "Controller version is Zephra V3 - ZP3 format database required";
    default: return "Unknown controller version";
  }
}

QStringList ProductInformation(TCommonInterface& ci) {
  QStringList lines{"Zephra Editor"};
  lines << (QString(ZEPHRA_EDITOR_VERSION).isEmpty() ? QString("Version: Not Available")
                                                      : QString("Version: %1").arg(ZEPHRA_EDITOR_VERSION));
  QString library, link;
  const DbsHandle h = ci.FileHandle;
  if (ci.Get_DLL_Version(library) != DBS_OK || ci.Get_Tolvex_DLL_Version(link) != DBS_OK) {
    return lines << "Zephra DLL Version Error" << "Tolvex DLL Version Error" << QString() << QString() << QString()
                 << QString();
  }
  lines << "Zephra DLL Version " + library << "Tolvex DLL Version " + link;
  QString boot, main, oem;
  const DbsStatus firmware = ci.Get_Firmware_Version(boot, main, oem, h);
  if (firmware == DBS_ERR_NOT_ONLINE) {
    lines << "Zephra Controller Off-Line" << QString() << QString();
  } else if (firmware != DBS_OK) {
    lines << QString() << QString() << QString();  // the controller did not say
  } else {
    lines << "Zephra Controller " + boot << "Zephra Controller " + main << "Zephra Controller " + oem;
  }
  uint16_t status = 0;
  const DbsStatus dual = ci.Get_Controller_Status(status, h);
  if (dual != DBS_OK) {
    lines << QString();
  } else {
    // The first byte the controller sends says which one is active, the
    // second whether its partner is missing.
    const bool slaveActive = (status & 0xFF) != 0, partnerMissing = (status >> 8) != 0;
    lines << QString("Controller Status: %1 Active, %2 %3")
                 .arg(slaveActive ? "SLAVE" : "MASTER", slaveActive ? "MASTER" : "SLAVE",
                      partnerMissing ? "Missing/Faulty" : "Running OK");
  }
  return lines;
}

TAboutBox::TAboutBox(TCommonInterface& ci, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), lines_(ProductInformation(ci)) {
  setWindowTitle("Product Information");
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* logo = new QLabel(this);
  logo->setPixmap(QApplication::windowIcon().pixmap(64, 64));
  top->addWidget(logo, 0, Qt::AlignTop);
  auto* text = new QVBoxLayout;
  for (int i = 0; i < lines_.size(); ++i) {
    auto* label = new QLabel(lines_[i], this);
    label->setObjectName(QString("InfoLine%1").arg(i + 1));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (i == 0) {
      QFont f = label->font();
      f.setBold(true);
      f.setPointSize(f.pointSize() + 4);
      label->setFont(f);
    }
    if (lines_[i].isEmpty()) label->hide();
    text->addWidget(label);
  }
  top->addLayout(text, 1);
  layout->addLayout(top);
  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QStringList TAboutBox::Lines() const { return lines_; }

// ---------------------------------------------------------------- callbacks

TCommonInterface* ActiveInterface() { return active; }

TCommonInterface& ProcessInterface() {
  static TCommonInterface instance;
  return instance;
}

TCommonInterface& ReportingInterface() { return active ? *active : ProcessInterface(); }

void ErrorCallback(uint32_t status) {
  if (status == DBS_OK) return;
  if (OnGuiThread()) {
    Deliver(status);
    return;
  }
  // A report from one of the link's threads is shown by the GUI thread; the
  // interface it reaches is looked up when it arrives.
  if (QCoreApplication* app = QCoreApplication::instance()) {
    QMetaObject::invokeMethod(app, [status] { Deliver(status); }, Qt::QueuedConnection);
  }
}

void SearchStatusCallback(int32_t stage, int32_t* keepGoing) {
  if (!searchForm || !OnGuiThread()) return;
  searchForm->ShowStage(stage);
  // The windows keep painting and the search's Cancel is heard; the search
  // dialog is modal, so nothing else takes input meanwhile.
  QCoreApplication::processEvents();
  if (keepGoing) *keepGoing = searchForm && searchForm->Cancelled() ? 0 : 1;
}

uint32_t TransferProgressCallback(uint32_t status, uint32_t position, uint32_t total) {
  if (!OnGuiThread()) return 0;
  TTransferForm* form = ReportingInterface().TransferForm;
  if (status != DBS_OK) {
    Deliver(status);
    if (form) form->hide();  // destroyed once the transfer is over
  } else if (form) {
    form->SetProgress(position, total);
  }
  QCoreApplication::processEvents();  // lets Cancel be pressed
  form = ReportingInterface().TransferForm;
  return form && form->CancelConfirmed() ? DBS_PROGRESS_CANCEL : 0;
}

// ------------------------------------------------- on-line operations

TCommonInterface::~TCommonInterface() {
  if (active == this) active = nullptr;
  delete TransferForm;
}

void TCommonInterface::CloseBusyNotice() {
  if (!busyNoticeShown_) return;
  Ui().CloseNotice();
  busyNoticeShown_ = false;
}

namespace {

QString FormatName(uint16_t type) {
  switch (type) {
    case DBS_TYPE_KV1: return "Korvell (KV1)";
    case DBS_TYPE_V1: return "Zephra V1 (ZP1)";
    case DBS_TYPE_V2: return "Zephra V2 (ZP2)";
    case DBS_TYPE_V3: return "Zephra V3 (ZP3)";
    default: return "unknown";
  }
}

// "3 levels: 16 x 16, 16 x 16, 8 x 8" (sources x destinations).
QString Dimensions(uint16_t levels, const uint16_t* sources, const uint16_t* dests) {
  QStringList each;
  for (uint16_t l = 0; l < std::min<uint16_t>(levels, 8); ++l) {
    each << QString("%1 x %2").arg(sources[l]).arg(dests[l]);
  }
  return QString("%1 level%2%3").arg(levels).arg(levels == 1 ? "" : "s").arg(each.isEmpty() ? "" : ": " + each.join(", "));
}

// The search dialog over the window of the moment, shown and painted
// before the library is asked anything.
void ShowSearch(TSearchForm& search) {
  search.show();
  search.Animate1->Start();
  QCoreApplication::processEvents();
}

// The library call the search served has answered: the dialog goes, and a
// search the user cancelled ends with nothing to tell (true), its held
// reports dropped. A mismatch still stands: Cancel came too late.
bool SearchEndedByUser(TCommonInterface& ci, TSearchForm& search, DbsStatus status) {
  search.Animate1->Stop();
  search.hide();
  ci.SearchCancelled = status != DBS_OK && search.Cancelled() && status != DBS_ERR_CHECKSUM_MISMATCH &&
                       status != DBS_ERR_CONTROLLER_CORRUPT;
  if (!ci.SearchCancelled) return false;
  ci.LastError = status;
  TLibraryCall::Discard();
  return true;
}

}  // namespace

QString TCommonInterface::DescribeController(DbsHandle handle) {
  ZephraControllerSummary c{};
  if (Library().DescribeController(handle, &c) != DBS_OK) return {};
  TLibString name(QString(16, ' '));
  TConfigurationRecord file{};
  file.name = name;
  if (Library().GetConfig(&file, handle) != DBS_OK) return {};
  const QString version = QString::fromLatin1(c.version);
  if (!c.sameFormat) {
    return QString("The control frame holds a %1 database (%2); this file is %3.")
        .arg(FormatName(c.controllerType), version, FormatName(file.configType));
  }
  QStringList lines;
  lines << QString("Control frame: %1 database %2, %3")
               .arg(FormatName(c.controllerType), version, Dimensions(c.levelCount, c.sourceCount, c.destCount));
  lines << QString("This file: %1, %2")
               .arg(QFileInfo(openPath_).fileName(),
                    Dimensions(file.levelCount[0], file.sourceCount[0], file.destCount[0]));
  if (c.differingBlocks == 0xFFFFFFFFu) {
    lines << "The control frame reports its database damaged: its blocks cannot be compared.";
  } else {
    lines << QString("%1 of the %2 blocks differ%3.")
                 .arg(c.differingBlocks)
                 .arg(c.blockCount)
                 .arg(c.areas[0] ? QString(": ") + QString::fromLatin1(c.areas) : QString());
  }
  return lines.join('\n');
}

DbsStatus TCommonInterface::GoOnLine(const QString& port, const DbsPortSettings& settings, DbsHandle handle) {
  TLibraryCall call;
  ControllerDetail.clear();
  TSearchForm search(port, QApplication::activeWindow());
  ShowSearch(search);
  active = this;
  DbsPortSettings copy = settings;
  const DbsStatus status = call->OnLine(TLibString(port), &copy, &ErrorCallback, &SearchStatusCallback, -1, handle);
  OnlineStatus = status == DBS_OK;
  const bool cancelled = SearchEndedByUser(*this, search, status);
  call.Answered(status);
  if (cancelled) {
    CloseBusyNotice();  // nothing changed, and no link came up
    return status;
  }
  const QString detail = SearchFailureDetail(port, search.SpeedsTried());
  if (status == DBS_SYS_FILE_NOT_FOUND) {
    LastError = status;
    if (ShowErrors) {
      Ui().Warning("Communications error with the control frame or com port not available",
                   QString("The port %1 cannot be opened.").arg(PortDescription(port)));
    }
  } else if (status == DBS_ERR_TRANSFER_BUSY) {
    // From going on-line this status says that the port refused the speed.
    LastError = status;
    if (ShowErrors) {
      Ui().Warning("Communications error with the control frame or com port not available",
                   QString("The port %1 cannot be set to %2 baud.").arg(PortDescription(port)).arg(settings.baudRate));
    }
  } else if (status == DBS_ERR_COMMS) {
    ReportError(status, detail);
  } else if (status == DBS_ERR_CHECKSUM_MISMATCH || status == DBS_ERR_CONTROLLER_CORRUPT) {
    // The file and the controller differ, as they do the first time: what
    // each holds is told beneath, and the questions that follow say it again.
    LastError = status;
    ControllerDetail = DescribeController(handle);
    if (ShowErrors) {
      Ui().Message(status == DBS_ERR_CHECKSUM_MISMATCH ? TUiService::Kind::Information : TUiService::Kind::Warning,
                   MessageFor(status), QMessageBox::Ok, ControllerDetail);
    }
  } else if (status == DBS_ERR_CONTROLLER_NOT_V1 || status == DBS_ERR_CONTROLLER_NOT_V2 ||
             status == DBS_ERR_CONTROLLER_NOT_V3) {
    // What the controller holds instead, asked again now that the link is
    // down (quietly: a controller that has gone meanwhile just says less).
    LastError = status;
    uint16_t type = 0xFFFF;
    DbsPortSettings again = settings;
    const bool known = Library().GetControllerType(TLibString(port), &again, [](uint32_t) {}, nullptr, &type) == DBS_OK;
    if (ShowErrors) {
      Ui().Warning(MessageFor(status),
                   known ? QString("The control frame holds a %1 database. Open or convert a file of that format "
                                   "to go on-line with it.")
                               .arg(FormatName(type))
                         : QString());
    }
  } else if (status != DBS_OK) {
    ReportError(status);
  }
  // The busy notice belongs to a link that did not come up.
  if (status != DBS_OK && status != DBS_ERR_CHECKSUM_MISMATCH && status != DBS_ERR_CONTROLLER_CORRUPT) {
    CloseBusyNotice();
  }
  return status;
}

bool TCommonInterface::GoOffLine(DbsHandle handle) {
  TLibraryCall call;
  const DbsStatus status = call->OffLine(handle);
  call.Answered(status);
  // The library leaves a database off-line even when taking the link down
  // failed (a line that has gone, say): the editor follows it, and says what
  // went wrong.
  ReportError(status);
  if (status == DBS_ERR_INVALID_DATABASE) return false;
  if (active == this) active = nullptr;
  OnlineStatus = false;
  if (busyNoticeShown_) {
    CloseBusyNotice();
    Ui().Information("Data transfer is complete");
  }
  return true;
}

bool TCommonInterface::TransferWithOptions(bool download, DbsHandle handle, int database, int sourceParams,
                                           int destParams, int triggerParams) {
  TLibraryCall call;
  delete TransferForm;
  const QString file = QFileInfo(openPath_).fileName();
  TransferForm = new TTransferForm(download, WorkingFile.isEmpty() ? QString("CURR_SYS.ZP1") : WorkingFile,
                                   QApplication::activeWindow());
  QStringList parts{"the database"};
  if (sourceParams) parts << "source audio parameters";
  if (destParams) parts << "destination audio parameters";
  if (triggerParams) parts << "video trigger parameters";
  const QString what = parts.size() > 1 ? parts.mid(0, parts.size() - 1).join(", ") + " and " + parts.back() : parts[0];
  TransferForm->SetWhat(download ? QString("From %1 to the control frame: %2.").arg(file, what)
                                 : QString("From the control frame into %1: %2.").arg(file, what));
  TransferForm->show();
  TransferForm->FileCopyAVI->Start();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  const auto flag = [](int v) { return static_cast<uint16_t>(v ? 1 : 0); };
  const DbsStatus status =
      download ? call->DownloadWithOptions(handle, &TransferProgressCallback, flag(database), flag(sourceParams),
                                               flag(destParams), flag(triggerParams))
               : call->UploadWithOptions(handle, &TransferProgressCallback, flag(database), flag(sourceParams),
                                             flag(destParams), flag(triggerParams));
  call.Answered(status);
  delete TransferForm;
  TransferForm = nullptr;
  bool result = false;
  if (status == DBS_ERR_CANCELLED) {
    LastError = status;
    Ui().Warning(download ? "Download cancelled." : "Upload cancelled.",
                 download ? "The control frame holds part of the new configuration and restarts with it; it may not "
                            "work as it should until a complete Apply Config. The editor is off-line: go on-line "
                            "again and choose Apply Config."
                          : QString("%1 is as it was before: nothing read from the control frame was kept. The "
                                    "editor is off-line; the control frame is unchanged.")
                                .arg(file));
  } else if (Ok(status)) {
    Ui().Information(download ? "The database components have been transferred"
                              : "Database components read from control frame");
    result = true;
  }
  OnlineStatus = result;
  return result;
}

bool TCommonInterface::UploadToFile(const QString& path, DbsHandle handle) {
  TLibraryCall call;
  delete TransferForm;
  // Nothing is lost by stopping: the open database is only read.
  TransferForm = new TTransferForm(false, QFileInfo(path).fileName(), QApplication::activeWindow(),
                                   "Stop reading the control frame? The open database stays as it is.", "Comparing");
  TransferForm->SetWhat("Reading what the control frame holds, to compare it with the open database.");
  TransferForm->show();
  TransferForm->FileCopyAVI->Start();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  const DbsStatus status = call->UploadToFile(handle, TLibString(path), &TransferProgressCallback);
  call.Answered(status);
  delete TransferForm;
  TransferForm = nullptr;
  if (status == DBS_ERR_CANCELLED) {
    LastError = status;
    Ui().Warning("Upload cancelled.");
    return false;
  }
  return Ok(status);
}

DbsStatus TCommonInterface::QueryControllerType(const QString& port, const DbsPortSettings& settings,
                                                uint16_t& type) {
  TLibraryCall call;
  TSearchForm search(port, QApplication::activeWindow());
  ShowSearch(search);
  DbsPortSettings copy = settings;
  const DbsStatus status =
      call->GetControllerType(TLibString(port), &copy, &ErrorCallback, &SearchStatusCallback, &type);
  const bool cancelled = SearchEndedByUser(*this, search, status);
  call.Answered(status);
  if (cancelled) return status;
  return ReportError(status, status == DBS_ERR_COMMS ? SearchFailureDetail(port, search.SpeedsTried()) : QString());
}

DbsStatus TCommonInterface::ClearAllProtects(DbsHandle handle) { return Library().ClearAllProtects(255, 255, handle); }

namespace {

QString Text(const char* buffer) { return QString::fromLatin1(buffer); }

}  // namespace

DbsStatus TCommonInterface::Get_DLL_Version(QString& text) {
  char buffer[256] = {};
  const DbsStatus s = Library().Get_Korvell_DLL_Version(buffer);
  text = Text(buffer);
  return s;
}

DbsStatus TCommonInterface::Get_Tolvex_DLL_Version(QString& text) {
  char buffer[256] = {};
  const DbsStatus s = Library().Get_Tolvex_DLL_Version(buffer);
  text = Text(buffer);
  return s;
}

DbsStatus TCommonInterface::Get_Firmware_Version(QString& boot, QString& main, QString& oem, DbsHandle handle) {
  char a[256] = {}, b[256] = {}, c[256] = {};
  const DbsStatus s = Library().Get_Firmware_Version(a, b, c, handle);
  boot = Text(a);
  main = Text(b);
  oem = Text(c);
  return s;
}

DbsStatus TCommonInterface::Get_Controller_Status(uint16_t& status, DbsHandle handle) {
  return Library().GetControllerStatus(&status, handle);
}
