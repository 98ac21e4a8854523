// A randomized editing session: a seeded sequence of what users do in the
// editor's forms and tree (typing, keys, clicks, list and radio choices,
// copy and paste, renames and drags, Apply, OK, Cancel, Undo, Redo), every
// question answered at random, checked as it goes:
//  - after every Apply or OK a form opened afresh shows what the old one
//    showed;
//  - the file verifies (block checksums, stored links) after every change;
//  - a change touches only what the gesture may touch;
//  - every change is one step of the undo history, and undo and redo give
//    back the bytes each step left;
//  - at the end, undoing everything gives back the file as opened.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "MainformCode.h"
#include "model/Compare.h"
#include "scripted_ui.h"

class QAbstractButton;
class QLineEdit;
class QTableView;
class QTreeWidgetItem;
class TKeypadForm;
class TKeypadAssignmentForm;
class TResourceForm;
class TStringGrid;

namespace zephra::session {

// The scripted UI with random answers: a question nobody queued an answer
// for is answered by `Answer`, a modal dialog is driven by `Modal`.
class TRandomUi : public TScriptedUi {
 public:
  std::function<bool(const QString& text)> Answer;
  std::function<void(const QString& text)> Shown;
  std::function<int(QDialog&)> Modal;

  QMessageBox::StandardButton Message(Kind kind, const QString& text, QMessageBox::StandardButtons buttons,
                                      const QString& detail, QMessageBox::StandardButton defaultButton) override;
  int RunModal(QDialog& dialog) override { return Modal ? Modal(dialog) : int(QDialog::Rejected); }
};

// What a change may touch: a predicate over the differences between the
// records before and after it (which it may look up).
using Allowed = std::function<bool(const zephra::model::Difference&, const zephra::model::Snapshot& before,
                                   const zephra::model::Snapshot& after)>;

Allowed Nothing();

// A generic picture of what a window shows: one line per control value.
struct Dump {
  QStringList lines;
};

struct Options {
  std::uint64_t seed = 1;
  long steps = 300;   // gestures in all
  int length = 250;   // gestures per episode (a fresh file each)
  bool verbose = false;
};

class Session {
 public:
  Session(const QString& folder, std::uint64_t seed, int steps, bool verbose);
  ~Session();

  // Runs the episode; false when a check failed (the report is printed).
  bool Run();
  long Gestures() const { return done_; }

  // ---- randomness
  int Pick(int n);  // [0, n)
  bool Chance(double p);
  template <class T>
  const T& OneOf(const std::vector<T>& items) { return items[static_cast<std::size_t>(Pick(static_cast<int>(items.size())))]; }

 private:
  // ---- the episode
  bool Prepare();
  void Step();
  void Log(const QString& text);
  void Note(const QString& text);
  void Fail(const QString& what);
  bool Failed() const { return !failure_.isEmpty(); }
  void Report();

  // ---- the main window
  TDatabaseManager& Manager() { return window_->Manager(); }
  QList<TResourceForm*> OpenForms();
  void OpenForm();
  void TreeRename();
  void TreeDrag();
  void UndoRedo(bool undo);
  bool Activate(QWidget* w);

  // ---- the forms
  void FormGesture(TResourceForm* form);
  void CloseGesture(TResourceForm* form, int how);  // 0 Apply, 1 OK, 2 Cancel, 3 Escape
  void WidgetGesture(QWidget* form);
  void GridGesture(TStringGrid* grid);
  void TableClick(QTableView* view);
  void TypeInto(QLineEdit* edit);
  void ClickButton(QAbstractButton* b);
  QWidget* FocusTarget() const;
  void KeyToFocus(int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
  void TypeText(const QString& text);
  QString RandomCellText(TStringGrid* grid);
  QString RandomFieldText();
  QString RandomName();

  // ---- modal dialogs
  int DriveModal(QDialog& dialog);
  int DriveKeypadEditor(TKeypadForm& form);
  void KeypadGesture(TKeypadForm& form);
  int DriveAssignment(TKeypadAssignmentForm& form);
  int DriveGeneric(QDialog& dialog);

  // ---- checks
  // After a gesture: the file's bytes, their checks and the undo history.
  void AfterGesture(const Allowed& allowed, bool undoOrRedo);
  // After Apply or OK on `form`: a fresh form shows what `before` showed.
  void CompareWithFresh(TResourceForm* form, TResource* resource);
  Allowed ScopeOf(TResourceForm* form);
  bool Known(int count) const;
  bool ReadRecords(zephra::model::Snapshot& into);
  void FinalUndo();

  QString folder_;
  QString file_;
  std::uint64_t seed_;
  int steps_;
  bool verbose_;
  std::mt19937_64 rng_;
  TRandomUi ui_;
  std::unique_ptr<TMainForm> window_;
  QStringList log_;
  QString failure_;
  int step_ = 0;
  long done_ = 0;
  int depth_ = 0;
  QPointer<QWidget> acting_;  // the window the gestures go to
  bool final_ = false;  // undoing everything at the end  // modal dialogs driven inside a gesture
  // The file after each step of the history (index: the steps made), and
  // the records as the last check saw them.
  std::vector<std::vector<std::uint8_t>> states_;
  std::vector<std::uint8_t> bytes_;
  std::unique_ptr<zephra::model::Snapshot> records_;
  Allowed outer_;  // what the gesture that opened a modal dialog may change
  int stepsBefore_ = 0;
  bool redoBefore_ = false;
};

// The generic picture of a form (or any window), with `skip` and what lies
// in it left out; `hidden` too when `shownOnly`.
Dump DumpWindow(QWidget* root, const QList<const QWidget*>& skip);
// The first lines where two pictures differ, for a report.
QString DumpDifference(const Dump& a, const Dump& b);
// The controls of a form whose state is the user's view or an option of
// the next action, not something stored.
QList<const QWidget*> ViewOnly(QWidget* form);
// The controls of `to` at the places `widgets` have in `from`.
QList<const QWidget*> Counterparts(const QList<const QWidget*>& widgets, QWidget* from, QWidget* to);
// A form of the same kind on `resource`, filled from the file, its view
// choices set as `like` has them; null when it cannot be read.
std::unique_ptr<TResourceForm> FreshForm(TResourceForm& like, TResource& resource);
// Whether the form's picture leaves out something it holds that is not
// stored (an edit not yet checked, an open salvo not saved).
bool HoldsUnstored(TResourceForm& form);

// The file's checks, as zephra-db verify makes them: a sentence per
// problem.
QStringList VerifyFile(const std::vector<std::uint8_t>& bytes);

}  // namespace zephra::session
