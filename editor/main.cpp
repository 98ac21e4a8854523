// zephra-editor: the desktop editor of router configuration databases.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QLineEdit>
#include <QCommandLineParser>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include "MainformCode.h"
#include "UiService.h"
#include "WizardForms.h"
#include "model/DefaultConfiguration.h"

namespace {

// A UI service that answers every question with the default and shows nothing.
class TSilentUi : public TUiService {
 public:
  void Warning(const QString&) override {}
  void Information(const QString&) override {}
  bool Confirm(const QString&) override { return false; }
  bool WarningYesNo(const QString&) override { return false; }
  QString OpenFileName(const QString&, const QString&) override { return {}; }
  QString SaveFileName(const QString&, const QString&, bool) override { return {}; }
  void ShowNotice(const QStringList&) override {}
  void CloseNotice() override {}
};

void Save(QWidget& w, const QString& folder, const QString& name) {
  w.show();
  QApplication::processEvents();
  w.grab().save(QDir(folder).filePath(name));
}

// Pictures of every window the editor has, over a demo database made in a
// scratch folder.
int Screenshots(const QString& folder) {
  QDir().mkpath(folder);
  TSilentUi ui;
  SetUi(&ui);
  QTemporaryDir scratch;
  const QString saved = QDir::currentPath();
  QDir::setCurrent(scratch.path());

  TMainForm window;
  window.RunWizard = [](TCreationWizardForms& wizard) {
    wizard.Next();
    wizard.FormatGroup->button(2)->setChecked(true);
    wizard.Next();
    while (wizard.CurrentPage() == TCreationWizardForms::Level) wizard.Next();
    wizard.NameEdit->setText("Demo");
    wizard.Next();
    return wizard.result() == QDialog::Accepted;
  };
  window.NewCommand();
  const DbsHandle h = window.Manager().CommonInterface.FileHandle;
  dbs_SetPanelPort(0, 0, 1, h);
  dbs_SetPanelPort(1, 0, 2, h);
  dbs_SetUMDPort(0, 1, 1, h);
  window.Manager().OpenDatabaseFile(QDir::current().filePath("Demo.ZP3"), {2, 3, 4});
  window.EnableAfterOpen();
  window.RefreshCaption();
  window.Tree()->setCurrentItem(window.Manager().FindNode("RS485-1"));
  Save(window, folder, "main-window.png");

  TLibString name(QString(16, ' '));
  TConfigurationRecord record{};
  record.name = name;
  zephra::editor::FillDefaultConfig(record, DBS_TYPE_V3);
  TCreationWizardForms wizard(record, TCreationWizardForms::Mode::Creation, &window);
  Save(wizard, folder, "wizard-1-welcome.png");
  wizard.Next();
  Save(wizard, folder, "wizard-2-general.png");
  wizard.Next();
  Save(wizard, folder, "wizard-3-level.png");
  for (int l = 0; l < 4; ++l) wizard.Next();
  Save(wizard, folder, "wizard-4-name.png");
  wizard.reject();
  QDir::setCurrent(saved);
  SetUi(nullptr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zephra Editor");
  QCommandLineParser options;
  options.addHelpOption();
  QCommandLineOption open("open", "Open this database at start.", "FILE");
  QCommandLineOption screenshots("screenshots", "Save pictures of the editor's windows into FOLDER and quit.", "FOLDER");
  options.addOption(open);
  options.addOption(screenshots);
  options.process(app);
  if (options.isSet(screenshots)) return Screenshots(options.value(screenshots));

  TMainForm window;
  TQtUiService ui(&window);
  SetUi(&ui);
  if (options.isSet(open)) {
    if (window.Manager().OpenDatabaseFile(options.value(open), {2, 3, 4})) {
      window.EnableAfterOpen();
    } else {
      window.ResetToEmpty();
    }
    window.RefreshCaption();
  }
  window.show();
  const int code = app.exec();
  SetUi(nullptr);
  return code;
}
