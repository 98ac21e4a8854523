// zephra-editor: the desktop editor of router configuration databases.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include "MainformCode.h"
#include "UiService.h"
#include "screens/Screenshots.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zephra Editor");
  QCommandLineParser options;
  options.addHelpOption();
  QCommandLineOption open("open", "Open this database at start.", "FILE");
  QCommandLineOption screenshots("screenshots", "Save pictures of the editor's windows into FOLDER and quit.", "FOLDER");
  options.addOption(open);
  options.addOption(screenshots);
  options.addPositionalArgument("FILE", "A database to open, as a file manager passes it.", "[FILE]");
  options.process(app);
  if (options.isSet(screenshots)) return TakeScreenshots(options.value(screenshots));

  TMainForm window;
  TQtUiService ui(&window);
  SetUi(&ui);
  const QString file = options.isSet(open) ? options.value(open) : options.positionalArguments().value(0);
  if (!file.isEmpty()) {
    if (window.Manager().OpenDatabaseFile(QFileInfo(file).absoluteFilePath(), {2, 3, 4})) {
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
