// The grid editors on the largest V3 database (eight levels at the format's
// limits: 577 sources and 576 destinations on each of the first four) against
// the same on the editor's default V3 database, measured in the same run and
// headless: opening the level editor and the "Controller Data" window,
// pasting a 576-row column of names into the level editor and into the
// source associations, Apply of level 1's inhibits, and opening a salvo with
// a crosspoint on every destination of level 1, and both windows reading the
// file again after a change made outside them. Each ratio compares the cost
// per row touched; the open times of the largest database and the memory an
// open level editor holds are printed beside them.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <memory>

#include "MainformCode.h"
#include "forms/InhibitGrid.h"
#include "forms/KorvellResourceForm.h"
#include "forms/LevelResourceForm.h"
#include "forms/SalvoPage.h"
#include "forms/StringGrid.h"
#include "model/DefaultConfiguration.h"
#include "model/LargestConfiguration.h"
#include "headless_editor.h"
#include "ratio_reporter.h"
#include "screens/Screenshots.h"

namespace {

constexpr int kPasteRows = 576;

// One database open in a window of its own, with the rows each operation
// touches there.
struct Database {
  const char* name = "";
  std::unique_ptr<TMainForm> window;
  int levelRows = 0;  // level 1's sources and destinations
  int pasteRows = 0;  // level 1's names a 576-row paste reaches
  int assocRows = 0;  // associations
  int salvoRows = 0;  // level 1's destinations, one crosspoint each
  int takeUpCells = 0;  // what a take-up reads: level 1's rows and both association grids' cells

  TResource* Node(const QString& text) { return TDatabaseManager::ResourceOf(window->Manager().FindNode(text)); }
  template <class Form>
  Form* Open(const QString& text) {
    window->Tree()->setCurrentItem(window->Manager().FindNode(text));
    window->PropertiesCommand();
    auto* form = qobject_cast<Form*>(Node(text)->EditorForm.data());
    QApplication::processEvents();  // laid out and drawn
    return form;
  }
  static void Close(TResourceForm* form) {
    form->Discard();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

Database* databases[2];

void Make(Database& db, const QString& file, bool largest) {
  zephra::editor::DefaultConfiguration config(DBS_TYPE_V3);
  if (largest) zephra::editor::FillLargestConfig(config.Record(), DBS_TYPE_V3);
  DbsHandle h = -1;
  const QString path = QDir::current().filePath(file);
  if (dbs_CreateFile(TLibString(path), &config.Record(), -1, &h) != DBS_OK) std::abort();
  const TConfigurationRecord& c = config.Record();
  for (int d = 0; d < c.destCount[0][0]; ++d) {
    const TMacroXPRecord xp = {0, 0, static_cast<int16_t>(d), static_cast<int16_t>(d % c.sourceCount[0][0])};
    dbs_SetMacroXP(0, &xp, h);
  }
  dbs_CloseFile(h);
  db.window = std::make_unique<TMainForm>();
  if (!db.window->Manager().OpenDatabaseFile(path, {2, 3, 4})) std::abort();
  db.levelRows = c.sourceCount[0][0] + c.destCount[0][0];
  db.pasteRows = std::min<int>(kPasteRows, c.sourceCount[0][0]);
  db.assocRows = c.sourceAssocCount[0];
  db.salvoRows = c.destCount[0][0];
  const int levels = c.levelCount[0] & 0xFF;
  db.takeUpCells = db.levelRows + (c.sourceAssocCount[0] + c.destAssocCount[0]) * levels;
}

void OpenLevelForm(benchmark::State& state, Database* db) {
  for (auto _ : state) {
    auto* form = db->Open<TLevelForm>("Level 1");
    if (!form) {
      state.SkipWithError("no level form");
      break;
    }
    state.PauseTiming();
    Database::Close(form);
    state.ResumeTiming();
  }
  state.counters["rows"] = db->levelRows;
}

void OpenControllerForm(benchmark::State& state, Database* db) {
  for (auto _ : state) {
    auto* form = db->Open<TKorvellForm>("Zephra Configuration");
    if (!form) {
      state.SkipWithError("no controller form");
      break;
    }
    state.PauseTiming();
    Database::Close(form);
    state.ResumeTiming();
  }
  state.counters["rows"] = db->assocRows;
}

QString NameColumn(int levelSources) {
  QString text;
  for (int i = 0; i < kPasteRows; ++i) text += QString("m1s%1\r\n").arg(i % levelSources + 1);
  return text;
}

void PasteLevelNames(benchmark::State& state, Database* db) {
  auto* form = db->Open<TLevelForm>("Level 1");
  QString text;
  for (int i = 0; i < kPasteRows; ++i) text += QString("CAM %1\r\n").arg(i + 1);
  QApplication::clipboard()->setText(text);
  for (auto _ : state) {
    form->SourcesGrid->SelectCell(0, 0);
    form->SourcesGrid->PasteClipboard();
  }
  Database::Close(form);
  state.counters["rows"] = db->pasteRows;
}

void PasteAssociationNames(benchmark::State& state, Database* db) {
  auto* form = db->Open<TKorvellForm>("Zephra Configuration");
  QApplication::clipboard()->setText(NameColumn(form->SourceCount(1)));
  for (auto _ : state) {
    form->SourceAssocsStringGrid->SelectCell(0, 1);
    form->SourceAssocsStringGrid->PasteClipboard();
  }
  Database::Close(form);
  state.counters["rows"] = kPasteRows;
}

void ApplyInhibits(benchmark::State& state, Database* db) {
  auto* form = db->Open<TLevelForm>("Level 1");
  int i = 0;
  for (auto _ : state) {
    emit form->InhibitGrid->Toggled(i % 8, i % 8);
    ++i;
    if (!form->Apply()) state.SkipWithError("Apply failed");
  }
  Database::Close(form);
  state.counters["rows"] = db->levelRows;
}

void OpenSalvo(benchmark::State& state, Database* db) {
  auto* form = db->Open<TKorvellForm>("Salvos");
  for (auto _ : state) form->Macros->LoadSalvo(0, "Salvo 1");
  if (form->Macros->SalvoRows != db->salvoRows) state.SkipWithError("the salvo's rows are not all shown");
  Database::Close(form);
  state.counters["rows"] = db->salvoRows;
}

// What follows every write made outside them (a rename in the tree, an
// import, another window's Apply): the open level editor and "Controller
// Data" window read again what they keep of the file.
void TakeUpChange(benchmark::State& state, Database* db) {
  auto* level = db->Open<TLevelForm>("Level 1");
  auto* controller = db->Open<TKorvellForm>("Zephra Configuration");
  for (auto _ : state) db->window->Manager().FormsTakeUpStored();
  Database::Close(level);
  Database::Close(controller);
  state.counters["rows"] = db->takeUpCells;
}

// Bytes the allocator handed out and has not had back.
std::size_t Allocated() { return mallinfo2().uordblks; }

double LevelFormMegabytes(Database* db) {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const std::size_t before = Allocated();
  auto* form = db->Open<TLevelForm>("Level 1");
  form->Pages()->setCurrentIndex(3);  // the inhibit grid shown
  QApplication::processEvents();
  const std::size_t after = Allocated();
  Database::Close(form);
  return static_cast<double>(after > before ? after - before : 0) / (1024.0 * 1024.0);
}

struct GridOperation {
  const char* name;
  void (*run)(benchmark::State&, Database*);
};
constexpr GridOperation kOperations[] = {
    {"OpenLevelForm", &OpenLevelForm},     {"OpenControllerForm", &OpenControllerForm},
    {"PasteLevelNames", &PasteLevelNames}, {"PasteAssociationNames", &PasteAssociationNames},
    {"ApplyInhibits", &ApplyInhibits},     {"OpenSalvo", &OpenSalvo},
    {"TakeUpChange", &TakeUpChange},
};

}  // namespace

int main(int argc, char** argv) {
  HeadlessEditor editor(argc, argv);
  Database base, large;
  base.name = "default";
  large.name = "largest";
  Make(base, "Default.ZP3", false);
  Make(large, "Largest.ZP3", true);
  databases[0] = &base;
  databases[1] = &large;

  benchmark::Initialize(&argc, argv);
  for (const GridOperation& op : kOperations) {
    for (Database* db : databases) {
      benchmark::RegisterBenchmark((std::string(op.name) + "/" + db->name).c_str(), op.run, db)
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(5)
          ->ReportAggregatesOnly();
    }
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const auto rows = [](Database* db, const GridOperation& op) -> double {
    const std::string name = op.name;
    return name == "OpenLevelForm" || name == "ApplyInhibits" ? db->levelRows
           : name == "PasteLevelNames"                        ? db->pasteRows
           : name == "OpenSalvo"                              ? db->salvoRows
           : name == "OpenControllerForm"                     ? db->assocRows
           : name == "TakeUpChange"                           ? db->takeUpCells
                                                              : kPasteRows;
  };
  std::printf("\nper row (for TakeUpChange, per cell) touched, largest / default database (target at most 3):\n");
  for (const GridOperation& op : kOperations) {
    const double ratio = reporter.Ratio(std::string(op.name) + "/largest", std::string(op.name) + "/default");
    std::printf("  %-22s %6.2f  (%g rows against %g)\n", op.name, ratio * rows(&base, op) / rows(&large, op),
                rows(&large, op), rows(&base, op));
  }
  std::printf("largest database, median open (target under 300 ms): level editor %.1f ms, controller data %.1f ms\n",
              reporter.seconds["OpenLevelForm/largest"], reporter.seconds["OpenControllerForm/largest"]);
  std::printf("largest database, median take-up of a change made outside both windows (target under 100 ms): %.1f ms\n",
              reporter.seconds["TakeUpChange/largest"]);
  std::printf("memory of an open level editor on the inhibit page, largest database (target under 20 MB): %.1f MB\n",
              LevelFormMegabytes(&large));
  base.window.reset();
  large.window.reset();
  return 0;
}
