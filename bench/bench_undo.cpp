// The editor's undo of a 576-row paste on the largest V3 database (577
// sources on level 1): the level editor's Apply of the pasted column (the
// baseline, the same records written forward) against Edit > Undo of that
// Apply through the main window, which takes the step back in the library and
// rebuilds the tree and the open forms; and the library's part of the undo
// alone. Measured in the same run, headless.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QTemporaryDir>
#include <QStatusBar>
#include <QTreeWidget>
#include <cstdio>
#include <memory>

#include "MainformCode.h"
#include "forms/LevelResourceForm.h"
#include "forms/StringGrid.h"
#include "model/DefaultConfiguration.h"
#include "model/LargestConfiguration.h"
#include "headless_editor.h"
#include "ratio_reporter.h"
#include "screens/Screenshots.h"

namespace {

constexpr int kPasteRows = 576;
std::unique_ptr<TMainForm> window;
int pasteRound = 0;

// Level 1's editor with a new column of names pasted, not yet applied.
TLevelForm* PastedForm() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  window->Tree()->setCurrentItem(window->Manager().FindNode("Level 1"));
  window->PropertiesCommand();
  auto* r = TDatabaseManager::ResourceOf(window->Manager().FindNode("Level 1"));
  auto* form = r ? qobject_cast<TLevelForm*>(r->EditorForm.data()) : nullptr;
  if (!form) std::abort();
  QString text;
  ++pasteRound;
  for (int i = 0; i < kPasteRows; ++i) text += QString("R%1 %2\r\n").arg(pasteRound % 10).arg(i + 1);
  QApplication::clipboard()->setText(text);
  form->SourcesGrid->SelectCell(0, 0);
  form->SourcesGrid->PasteClipboard();
  return form;
}

void Close(TLevelForm* form) {
  form->Discard();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_ApplyPaste(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TLevelForm* form = PastedForm();
    state.ResumeTiming();
    if (!form->Apply()) state.SkipWithError("Apply failed");
    state.PauseTiming();
    Close(form);
    state.ResumeTiming();
  }
}

void BM_EditorUndo(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TLevelForm* form = PastedForm();
    form->Apply();
    Close(form);
    const int before = window->Manager().Steps().UndoCount();
    state.ResumeTiming();
    window->UndoCommand();
    state.PauseTiming();
    if (window->Manager().Steps().UndoCount() != before - 1) {
      std::fprintf(stderr, "undo count %d before %d: %s\n", window->Manager().Steps().UndoCount(), before,
                   qPrintable(window->statusBar()->currentMessage()));
      state.SkipWithError("the step was not taken back");
      break;
    }
    state.ResumeTiming();
  }
}

void BM_LibraryUndo(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TLevelForm* form = PastedForm();
    form->Apply();
    Close(form);
    state.ResumeTiming();
    if (!window->Manager().Steps().Undo()) state.SkipWithError("the step was not taken back");
  }
}

}  // namespace

int main(int argc, char** argv) {
  HeadlessEditor editor(argc, argv);
  zephra::editor::DefaultConfiguration config(DBS_TYPE_V3);
  zephra::editor::FillLargestConfig(config.Record(), DBS_TYPE_V3);
  const QString path = QDir::current().filePath("Largest.ZP3");
  DbsHandle h = -1;
  if (dbs_CreateFile(TLibString(path), &config.Record(), -1, &h) != DBS_OK) std::abort();
  dbs_CloseFile(h);
  window = std::make_unique<TMainForm>();
  if (!window->Manager().OpenDatabaseFile(path, {2, 3, 4})) std::abort();
  window->EnableAfterOpen();

  benchmark::Initialize(&argc, argv);
  for (auto [name, run] : {std::pair{"BM_ApplyPaste", &BM_ApplyPaste}, std::pair{"BM_EditorUndo", &BM_EditorUndo},
                           std::pair{"BM_LibraryUndo", &BM_LibraryUndo}}) {
    benchmark::RegisterBenchmark(name, run)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5)->ReportAggregatesOnly();
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::printf("\nlargest V3 database, 576-row paste on level 1 (median):\n");
  std::printf("  Apply of the paste (baseline)   %8.2f ms\n", reporter.Median("BM_ApplyPaste"));
  std::printf("  Edit > Undo of it (target under 100 ms) %8.2f ms, %.2f x the Apply\n", reporter.Median("BM_EditorUndo"),
              reporter.Ratio("BM_EditorUndo", "BM_ApplyPaste"));
  std::printf("  of which the library's undo     %8.2f ms, %.2f x the Apply\n", reporter.Median("BM_LibraryUndo"),
              reporter.Ratio("BM_LibraryUndo", "BM_ApplyPaste"));
  window.reset();
  return 0;
}
