// editor_session_tests: randomized editing sessions through the editor's
// forms (session.h). Each episode works on a fresh database with its own
// seed: --seed S runs episodes S, S+1, ... until --steps gestures are made,
// --length gestures each. A failure prints its episode's seed and gestures;
// `--seed <that seed> --steps <its gesture> --verbose` replays it.
#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <iostream>
#include <string>

#include "../dbs/temp_dir.h"
#include "session.h"

namespace {

// The offscreen platform says, for every window shown, what it cannot do;
// those lines would bury a failure's report.
void Quiet(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith("This plugin does not support")) return;
  std::cerr << qPrintable(qFormatLogMessage(type, context, text)) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(Quiet);
  QApplication app(argc, argv);
  zephra::session::Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--seed" && hasValue) {
      options.seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--steps" && hasValue) {
      options.steps = std::strtol(argv[++i], nullptr, 10);
    } else if (arg == "--length" && hasValue) {
      options.length = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--verbose") {
      options.verbose = true;
    } else {
      std::cerr << "usage: " << argv[0] << " [--seed N] [--steps N] [--length N] [--verbose]\n";
      return 2;
    }
  }
  zephra::test::TempDir dir;
  const QString saved = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(dir.Path().string()));
  long gestures = 0;
  int episodes = 0, failures = 0;
  for (std::uint64_t seed = options.seed; gestures < options.steps; ++seed) {
    const int length = static_cast<int>(std::min<long>(options.length, options.steps - gestures));
    zephra::session::Session session(QDir::currentPath(), seed, length, options.verbose);
    if (!session.Run()) ++failures;
    gestures += length;
    ++episodes;
  }
  QDir::setCurrent(saved);
  std::cout << "editor sessions from seed " << options.seed << ": " << episodes << " episodes, " << gestures
            << " gestures, " << failures << " failed\n";
  return failures ? 1 : 0;
}
