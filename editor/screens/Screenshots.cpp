#include "screens/Screenshots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTreeWidget>
#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include "MainformCode.h"
#include "WizardForms.h"
#include "model/DefaultConfiguration.h"
#include <memory>

namespace {

struct Group {
  const char* name;
  void (*take)(TScreenshots&);
};

// Every group of pictures, in the order they are taken.
constexpr Group kGroups[] = {
    {"main window", &MainWindowShots},
    {"wizard", &WizardShots},
    {"panels and UMDs", &DeviceShots},
    {"on-line dialogs", &OnlineShots},
    {"port and control-frame forms", &PortFormShots},
    {"keypad editor", &KeypadShots},
    {"grid editors", &GridEditorShots},
    {"names and comparison", &NamesShots},
    {"undo and find", &UndoFindShots},
};

// A wizard run that makes a V3 database named `name` with a level of each
// kind of signal.
int DemoWizard(QDialog& dialog, const QString& name) {
  auto& wizard = static_cast<TCreationWizardForms&>(dialog);
  wizard.Next();
  wizard.FormatGroup->button(2)->setChecked(true);
  wizard.LevelCount->setValue(6);
  wizard.Next();
  const Signal kinds[] = {Signal::SdvHd, Signal::AnalogueVideo, Signal::Aes, Signal::AnalogueAudio,
                            Signal::Timecode, Signal::Rs422};
  for (int l = 0; wizard.CurrentPage() == TCreationWizardForms::Level; ++l) {
    if (l < 6) wizard.SignalGroup->button(static_cast<int>(kinds[l]))->click();
    if (l == 0) wizard.OperationGroup->button(1)->click();  // a dual split router, to show its mark
    wizard.Next();
  }
  wizard.NameEdit->setText(name);
  wizard.Next();
  return wizard.result();
}

bool Flat(const QImage& image) {
  if (image.isNull()) return true;
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); y += 3) {
    for (int x = 0; x < image.width(); x += 3) {
      if (image.pixel(x, y) != first) return false;
    }
  }
  return true;
}

}  // namespace

QMessageBox::StandardButton TPictureUi::Message(Kind kind, const QString& text, QMessageBox::StandardButtons buttons,
                                                const QString& detail, QMessageBox::StandardButton defaultButton) {
  LastKind = kind;
  LastText = text;
  LastDetail = detail;
  LastButtons = buttons;
  LastDefault = defaultButton;
  LastChoices.clear();
  return buttons & QMessageBox::Cancel ? QMessageBox::Cancel
         : buttons & QMessageBox::No   ? QMessageBox::No
                                       : QMessageBox::Ok;
}

int TPictureUi::Choose(Kind kind, const QString& text, const QString& detail, const QStringList& buttons,
                       int defaultButton, int escapeButton) {
  LastKind = kind;
  LastText = text;
  LastDetail = detail;
  LastChoices = buttons;
  LastChoiceDefault = defaultButton;
  LastChoiceEscape = escapeButton;
  return escapeButton;
}

TScreenshots::TScreenshots(const QString& folder)
    : folder_(QDir(folder).absolutePath()), savedFolder_(QDir::currentPath()) {
  QDir().mkpath(folder_);
  SetUi(&ui_);
  scratch_ = std::make_unique<QTemporaryDir>();
  QDir::setCurrent(scratch_->path());
  window_ = std::make_unique<TMainForm>();
  window_->resize(900, 640);
  ui_.Modal = [](QDialog& d) { return DemoWizard(d, "Demo"); };
  window_->NewCommand();
  ui_.Modal = nullptr;
  const DbsHandle h = window_->Manager().CommonInterface.FileHandle;
  dbs_SetPanelPort(0, 0, 1, h);
  dbs_SetPanelPort(1, 0, 2, h);
  dbs_SetUMDPort(0, 1, 1, h);
  window_->Manager().OpenDatabaseFile(QDir::current().filePath("Demo.ZP3"), {2, 3, 4});
  window_->EnableAfterOpen();
  window_->RefreshCaption();
}

TScreenshots::~TScreenshots() {
  window_.reset();
  QDir::setCurrent(savedFolder_);
  SetUi(nullptr);
}

bool TScreenshots::Save(QWidget& w, const QString& name) {
  w.show();
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  const QImage image = w.grab().toImage();
  const QString path = QDir(folder_).filePath(name + ".png");
  if (Flat(image) || !image.save(path)) {
    failures_ << name;
    return false;
  }
  return true;
}

void TScreenshots::SavePages(QWidget& w, QTabWidget& pages, const QString& name) {
  for (int i = 0; i < pages.count(); ++i) {
    if (!pages.isTabVisible(i)) continue;
    pages.setCurrentIndex(i);
    QString tab = pages.tabText(i).toLower().remove('&').simplified().replace(' ', '-');
    Save(w, QString("%1-%2-%3").arg(name).arg(i + 1).arg(tab));
  }
}

int TakeScreenshots(const QString& folder) {
  QStringList failed;
  {
    TScreenshots shots(folder);
    for (const Group& g : kGroups) g.take(shots);
    failed = shots.Failures();
  }
  if (!failed.isEmpty()) {
    QTextStream(stderr) << "zephra-editor: these windows could not be drawn: " << failed.join(", ") << "\n";
    return 1;
  }
  return 0;
}

void TScreenshots::SaveMenu(QMainWindow& window, QAction& menuAction, const QString& name) {
  QMenu* menu = menuAction.menu();
  if (!menu) return;
  window.show();
  QApplication::processEvents();
  const QRect at = window.menuBar()->actionGeometry(&menuAction);
  menu->popup(window.menuBar()->mapToGlobal(at.bottomLeft()));
  QApplication::processEvents();
  QPixmap picture = window.grab();
  QPainter painter(&picture);
  painter.drawPixmap(window.mapFromGlobal(menu->pos()), menu->grab());
  painter.end();
  menu->hide();
  if (!picture.save(QDir(Folder()).filePath(name + ".png"))) Save(window, name);
}

void MainWindowShots(TScreenshots& shots) {
  TMainForm& window = shots.Window();
  window.Tree()->setCurrentItem(window.Manager().FindNode("RS485-1"));
  shots.Save(window, "main-window");
  window.Tree()->setCurrentItem(window.Manager().FindNode("Level 3"));
  shots.Save(window, "main-window-level-facts");
  // Each menu open over the window.
  int n = 1;
  for (QAction* menuAction : window.menuBar()->actions()) {
    if (!menuAction->menu()) continue;
    shots.SaveMenu(window, *menuAction,
                   QString("main-window-menu-%1-%2").arg(n++).arg(menuAction->text().remove('&').toLower()));
  }
  // The tree's pop-up menu on a panel, with Move to open beside it.
  {
    window.show();
    QApplication::setActiveWindow(&window);
    QTreeWidgetItem* node = window.Manager().FindNode("Panel 1");
    window.Tree()->setFocus();
    window.Tree()->setCurrentItem(node);
    QMenu popup;
    popup.addActions(window.Tree()->actions());
    popup.popup(window.Tree()->viewport()->mapToGlobal(window.Tree()->visualItemRect(node).center()));
    QApplication::processEvents();
    QMenu* moveTo = window.MoveToAction->menu();
    emit moveTo->aboutToShow();
    moveTo->popup(popup.pos() + QPoint(popup.width() - 4, popup.actionGeometry(window.MoveToAction).top()));
    QApplication::processEvents();
    QPixmap picture = window.grab();
    QPainter painter(&picture);
    painter.drawPixmap(window.mapFromGlobal(popup.pos()), popup.grab());
    painter.drawPixmap(window.mapFromGlobal(moveTo->pos()), moveTo->grab());
    painter.end();
    moveTo->hide();
    popup.hide();
    picture.save(QDir(shots.Folder()).filePath("main-window-move-to.png"));
  }
  // Closing a form with changes not applied.
  {
    std::unique_ptr<QMessageBox> ask(MakeChoiceBox(
        TUiService::Kind::Question, "Level 1 has changes that are not applied.",
        "Apply stores them and closes the window; Discard closes it without them; Keep Editing goes back to it.",
        {"Apply", "Discard", "Keep Editing"}, 0, 2, &window));
    shots.Save(*ask, "message-changes-not-applied");
  }
  // A warning with what was found beneath it.
  std::unique_ptr<QMessageBox> box(MakeMessageBox(
      TUiService::Kind::Warning, TCommonInterface::MessageFor(DBS_ERR_FILE_CORRUPT), QMessageBox::Ok,
      "/home/engineer/Studio.ZP3\nBlock 4 (bytes 4096-5119) does not match its checksum.", &window));
  shots.Save(*box, "message-warning-with-detail");
  // The empty window, as the editor starts.
  TMainForm empty;
  empty.resize(900, 640);
  shots.Save(empty, "main-window-empty");
}

void WizardShots(TScreenshots& shots) {
  TLibString name(QString(16, ' '));
  TConfigurationRecord record{};
  record.name = name;
  zephra::editor::FillDefaultConfig(record, DBS_TYPE_V3);
  TCreationWizardForms wizard(record, TCreationWizardForms::Mode::Creation, &shots.Window());
  shots.Save(wizard, "wizard-1-welcome");
  wizard.Next();
  shots.Save(wizard, "wizard-2-general");
  wizard.Next();
  shots.Save(wizard, "wizard-3-level");
  wizard.SignalGroup->button(static_cast<int>(Signal::Aes))->click();
  shots.Save(wizard, "wizard-3-level-aes");
  wizard.SignalGroup->button(static_cast<int>(Signal::Rs422))->click();
  shots.Save(wizard, "wizard-3-level-rs422");
  wizard.SignalGroup->button(static_cast<int>(Signal::SdvHd))->click();
  for (int l = 0; l < 4; ++l) wizard.Next();
  shots.Save(wizard, "wizard-4-name");
  wizard.reject();
}
