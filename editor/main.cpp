// zephra-editor: the desktop editor of router configuration databases.
#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>

#include "MainformCode.h"
#include "UiService.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zephra Editor");
  QCommandLineParser options;
  options.addHelpOption();
  QCommandLineOption open("open", "Open this database at start.", "FILE");
  QCommandLineOption screenshot("screenshot", "Save a picture of the window to FILE and quit.", "FILE");
  options.addOption(open);
  options.addOption(screenshot);
  options.process(app);

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
  if (options.isSet(screenshot)) {
    QTimer::singleShot(300, &window, [&] {
      window.grab().save(options.value(screenshot));
      app.quit();
    });
  }
  return app.exec();
}
