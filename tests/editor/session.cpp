// The session's frame: a fresh database per episode, the main window's
// gestures (opening forms, renames and drags in the tree, Undo and Redo),
// and the checks made after every gesture.
#include "session.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <fstream>
#include <iostream>

#include "InterfaceRecords.h"
#include <QPushButton>

#include "forms/KeypadResource.h"
#include "forms/PanelResourceForm.h"
#include "forms/ResourceForm.h"
#include "forms/DeviceForm.h"
#include "forms/UMDForm.h"
#include "model/DefaultConfiguration.h"
#include "model/Snapshot.h"

namespace zephra::session {

using zephra::model::Difference;
using zephra::model::Family;
using zephra::model::Snapshot;

namespace {

// The file's bytes in one read (this runs after every gesture).
std::vector<std::uint8_t> ReadBytes(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary | std::ios::ate);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

// A library string for the setup's calls.
struct Text {
  explicit Text(std::u16string_view t) : s(DbsStringFromUnits(t.data(), static_cast<std::uint32_t>(t.size()))) {}
  ~Text() { DbsStringFree(s); }
  operator DbsString() const { return s; }
  DbsString s;
};

bool Ok(DbsStatus s, const char* what) {
  if (s != DBS_OK) std::cerr << "session setup: " << what << " answered " << std::hex << s << std::dec << "\n";
  return s == DBS_OK;
}

bool NameKey(DbsHandle h, std::uint16_t keypad, std::uint16_t key, std::u16string_view name, std::uint8_t type) {
  Text n(name), alt(u"");
  TKeyRecord r{key, keypad, n, alt, type, static_cast<std::uint8_t>(key), 0, 0};
  return Ok(dbs_SetKey(keypad, key, &r, h), "SetKey");
}

bool AddSequence(DbsHandle h, std::uint16_t keypad, std::initializer_list<std::u16string_view> keys, int selection) {
  TEntrySequenceRecord record{};
  record.keypad = keypad;
  record.count = static_cast<std::uint16_t>(keys.size());
  std::vector<std::unique_ptr<Text>> strings;
  std::uint16_t d = 0;
  for (auto key : keys) {
    TKeyPressRecord& press = record.presses[d++];
    strings.push_back(std::make_unique<Text>(key));
    press.keyName = *strings.back();
    strings.push_back(std::make_unique<Text>(u""));
    press.displayName = *strings.back();
    std::fill(std::begin(press.selection), std::end(press.selection), std::int16_t{-1});
    press.salvo = -1;
  }
  record.presses[d - 1].selection[0] = static_cast<std::int16_t>(selection);
  return Ok(dbs_SetEntrySequence(keypad, &record, h), "SetEntrySequence");
}

bool SalvoXP(DbsHandle h, std::uint16_t salvo, int level, int dest, int source) {
  const TMacroXPRecord xp{0, static_cast<std::int16_t>(level), static_cast<std::int16_t>(dest),
                          static_cast<std::int16_t>(source)};
  return Ok(dbs_SetMacroXP(salvo, &xp, h), "SetMacroXP");
}

}  // namespace

Allowed Nothing() {
  return [](const Difference&, const Snapshot&, const Snapshot&) { return false; };
}

QMessageBox::StandardButton TRandomUi::Message(Kind kind, const QString& text, QMessageBox::StandardButtons buttons,
                                               const QString& detail, QMessageBox::StandardButton defaultButton) {
  const bool asks = buttons != QMessageBox::Ok && buttons != QMessageBox::NoButton;
  if (asks && Answers.isEmpty() && Answer) Answers.enqueue(Answer(text));
  if (!asks && Shown) Shown(text);
  return TScriptedUi::Message(kind, text, buttons, detail, defaultButton);
}

Session::Session(const QString& folder, std::uint64_t seed, int steps, bool verbose)
    : folder_(folder), seed_(seed), steps_(steps), verbose_(verbose), rng_(seed) {
  ui_.Answer = [this](const QString& text) {
    const bool yes = Chance(0.6);
    Note(QString("answers %1 to \"%2\"").arg(yes ? "Yes" : "No", text.left(90)));
    return yes;
  };
  ui_.Shown = [this](const QString& text) { Note("is told \"" + text.left(120) + "\""); };
  ui_.Modal = [this](QDialog& d) { return DriveModal(d); };
}

Session::~Session() {
  if (window_) {
    window_->Manager().CloseForms();
    window_->close();
    window_.reset();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int Session::Pick(int n) {
  if (n <= 1) return 0;
  return static_cast<int>(std::uniform_int_distribution<int>(0, n - 1)(rng_));
}

bool Session::Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }

void Session::Log(const QString& text) {
  log_ << QString("%1 %2").arg(step_).arg(text);
  if (verbose_) std::cout << log_.back().toStdString() << std::endl;
}

void Session::Note(const QString& text) {
  log_ << QString("%1   %2").arg(QString(QString::number(step_).size(), ' '), text);
  if (verbose_) std::cout << log_.back().toStdString() << std::endl;
}

void Session::Fail(const QString& what) {
  if (failure_.isEmpty()) failure_ = what;
}

void Session::Report() {
  std::cout << "SESSION FAILURE (seed " << seed_ << ", gesture " << step_ << "): " << failure_.toStdString() << "\n";
  const int steps = final_ ? steps_ : step_;
  std::cout << "  replay: editor_session_tests --seed " << seed_ << " --steps " << steps << " --length " << steps
            << " --verbose\n";
  std::cout << "  gestures:\n";
  for (const QString& line : log_) std::cout << "    " << line.toStdString() << "\n";
  std::cout.flush();
}

// A database of the editor's defaults with what the forms need to show:
// key names and entry sequences, panels with dial-up, button-per and mixed
// keypads, devices on the multi-drop ports, salvos (one through a source
// whose name is blank).
bool Session::Prepare() {
  // Nothing carries over from an earlier episode: each replays alone.
  QApplication::clipboard()->clear();
  file_ = QDir(folder_).filePath("Session.ZP3");
  QFile::remove(file_);
  editor::DefaultConfiguration config(DBS_TYPE_V3, u"Session   ");
  DbsHandle h = -1;
  if (!Ok(dbs_CreateFile(Text(file_.toStdU16String()), &config.Record(), -1, &h), "CreateFile")) return false;
  bool ok = true;
  // Panel 1: a dial-up source keypad and a button-per destination keypad.
  ok = ok && Ok(dbs_SetPanelType(0, 24, h), "SetPanelType");
  ok = ok && Ok(dbs_SetPanelKeypad(0, 1, 64, h), "SetPanelKeypad") && Ok(dbs_SetPanelKeypad(0, 0, 32, h), "");
  ok = ok && NameKey(h, 64, 0, u"A", 0) && NameKey(h, 64, 1, u"B", 0) && NameKey(h, 64, 2, u"C", 0);
  ok = ok && AddSequence(h, 64, {u"A"}, 3) && AddSequence(h, 64, {u"A", u"B"}, 4) && AddSequence(h, 64, {u"C"}, 5);
  ok = ok && NameKey(h, 32, 0, u"Cam 1", 1) && NameKey(h, 32, 1, u"Cam 2", 1);
  // Panel 2: a PNL-01 XY whose keypads are of both kinds.
  ok = ok && Ok(dbs_SetPanelType(1, 3, h), "SetPanelType");
  ok = ok && Ok(dbs_SetPanelKeypad(1, 1, 65, h), "SetPanelKeypad") && Ok(dbs_SetPanelKeypad(1, 0, 33, h), "");
  ok = ok && NameKey(h, 65, 0, u"CAM", 0) && NameKey(h, 65, 1, u"VTR", 0) && AddSequence(h, 65, {u"CAM"}, 1);
  ok = ok && NameKey(h, 33, 2, u"Out 1", 1);
  // Panel 3: a PNL-01 XY with two dial-up keypads.
  ok = ok && Ok(dbs_SetPanelType(2, 3, h), "SetPanelType");
  ok = ok && Ok(dbs_SetPanelKeypad(2, 1, 66, h), "SetPanelKeypad") && Ok(dbs_SetPanelKeypad(2, 0, 67, h), "");
  ok = ok && NameKey(h, 66, 0, u"X", 0) && AddSequence(h, 66, {u"X"}, 2);
  ok = ok && Ok(dbs_SetPanelType(8, 4, h), "SetPanelType");
  // Devices on the multi-drop ports.
  ok = ok && Ok(dbs_SetPanelPort(0, 0, 1, h), "SetPanelPort") && Ok(dbs_SetPanelPort(1, 0, 2, h), "SetPanelPort");
  ok = ok && Ok(dbs_SetPanelPort(2, 1, 1, h), "SetPanelPort") && Ok(dbs_SetUMDPort(0, 1, 2, h), "SetUMDPort");
  ok = ok && Ok(dbs_SetUMDPort(1, 0, 5, h), "SetUMDPort");
  // A source without a name, and salvos through it and others.
  const TSourceIndexRecord blank{0, 0, 6};
  ok = ok && Ok(dbs_SetSourceName(&blank, Text(u"        "), h), "SetSourceName");
  ok = ok && SalvoXP(h, 0, 0, 0, 6) && SalvoXP(h, 0, 1, 0, 2) && SalvoXP(h, 0, 0, 3, 1);
  ok = ok && SalvoXP(h, 1, 2, 5, 7) && SalvoXP(h, 1, 3, 5, 8);
  if (!Ok(dbs_CloseFile(h), "CloseFile") || !ok) return false;

  window_ = std::make_unique<TMainForm>();
  if (!window_->Manager().OpenDatabaseFile(file_, {2, 3, 4})) return false;
  window_->EnableAfterOpen();
  bytes_ = ReadBytes(file_);
  states_ = {bytes_};
  records_ = std::make_unique<zephra::model::Snapshot>();
  if (!ReadRecords(*records_)) return false;
  const QStringList problems = VerifyFile(bytes_);
  if (!problems.isEmpty()) {
    Fail("the prepared file does not verify: " + problems.join("; "));
    return false;
  }
  return true;
}

bool Session::ReadRecords(zephra::model::Snapshot& into) {
  TInterfaceRecords reader(Manager().Handle());
  const DbsStatus s = zephra::model::ReadSnapshot(reader, into);
  if (s != DBS_OK) Fail(QString("the records cannot be read (status %1)").arg(s, 0, 16));
  return s == DBS_OK;
}

bool Session::Run() {
  if (!Prepare()) {
    if (failure_.isEmpty()) failure_ = "the session's database cannot be made";
    Report();
    return false;
  }
  while (step_ < steps_ && !Failed()) {
    ++step_;
    Step();
    ++done_;
  }
  if (!Failed()) FinalUndo();
  if (Failed()) {
    Report();
    return false;
  }
  return true;
}

QList<TResourceForm*> Session::OpenForms() {
  QList<TResourceForm*> out;
  for (QTreeWidgetItemIterator it(window_->Tree()); *it; ++it) {
    TResource* r = TDatabaseManager::ResourceOf(*it);
    if (r && r->EditorForm && r->EditorForm->isVisible()) out << r->EditorForm.data();
  }
  return out;
}

bool Session::Activate(QWidget* w) {
  if (QApplication::activeWindow() == w) return true;
  w->show();
  w->raise();
  w->activateWindow();
  return QTest::qWaitForWindowActive(w, 1000);
}

void Session::Step() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  stepsBefore_ = Manager().Steps().UndoCount();
  redoBefore_ = Manager().Steps().CanRedo();
  const QList<TResourceForm*> forms = OpenForms();
  const int roll = Pick(100);
  Allowed allowed = Nothing();
  bool undoOrRedo = false;
  if (forms.isEmpty() ? roll < 60 : roll < 8) {
    OpenForm();
  } else if (roll < (forms.isEmpty() ? 75 : 13)) {
    TreeRename();
    allowed = [](const Difference& d, const Snapshot&, const Snapshot&) {
      return d.field == "name" && (d.family == Family::Panel || d.family == Family::UMD || d.family == Family::Level);
    };
  } else if (roll < (forms.isEmpty() ? 88 : 18)) {
    TreeDrag();
    allowed = [](const Difference& d, const Snapshot&, const Snapshot&) {
      return d.family == Family::Panel || d.family == Family::UMD;
    };
  } else if (roll < (forms.isEmpty() ? 100 : 24)) {
    undoOrRedo = true;
    UndoRedo(Chance(0.6));
  } else {
    TResourceForm* form = forms[Pick(static_cast<int>(forms.size()))];
    allowed = ScopeOf(form);
    outer_ = allowed;
    FormGesture(form);
  }
  // What the gesture set going (a focus change, a window activated) lands
  // before it is checked, not in the next gesture.
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  if (!Failed()) AfterGesture(allowed, undoOrRedo);
}

void Session::OpenForm() {
  std::vector<QTreeWidgetItem*> nodes;
  for (QTreeWidgetItemIterator it(window_->Tree()); *it; ++it) {
    TResource* r = TDatabaseManager::ResourceOf(*it);
    if (r && r->HasEditor() && !dynamic_cast<TKorvellControlFrameResource*>(r)) nodes.push_back(*it);
  }
  if (nodes.empty()) return;
  // The panels prepared with keypads of both kinds, the controller data and
  // the levels are visited more often than any one of the other devices.
  std::vector<QTreeWidgetItem*> favoured;
  for (QTreeWidgetItem* n : nodes) {
    TResource* r = TDatabaseManager::ResourceOf(n);
    if ((dynamic_cast<TPanelResource*>(r) && r->Number < 3) || dynamic_cast<TKorvellControllerResource*>(r) ||
        dynamic_cast<TLevelResource*>(r)) {
      favoured.push_back(n);
    }
  }
  QTreeWidgetItem* node = !favoured.empty() && Chance(0.5) ? OneOf(favoured) : OneOf(nodes);
  Log("open the form of \"" + node->text(0) + "\"");
  window_->Tree()->setCurrentItem(node);
  window_->PropertiesCommand();
  TResource* r = TDatabaseManager::ResourceOf(node);
  if (r && r->EditorForm) Activate(r->EditorForm);
}

void Session::TreeRename() {
  std::vector<QTreeWidgetItem*> nodes;
  for (QTreeWidgetItemIterator it(window_->Tree()); *it; ++it) {
    TResource* r = TDatabaseManager::ResourceOf(*it);
    if (r && !r->FixedName) nodes.push_back(*it);
  }
  if (nodes.empty()) return;
  QTreeWidgetItem* node = OneOf(nodes);
  const QString text = RandomName();
  Log(QString("rename \"%1\" in the tree to \"%2\"").arg(node->text(0), text));
  window_->CommitRename(node, text);
}

void Session::TreeDrag() {
  std::vector<TResource*> devices;
  std::vector<QTreeWidgetItem*> targets;
  for (QTreeWidgetItemIterator it(window_->Tree()); *it; ++it) {
    TResource* r = TDatabaseManager::ResourceOf(*it);
    if (dynamic_cast<TMultiDropResource*>(r)) devices.push_back(r);
    if (r && (dynamic_cast<TPortResource*>(r) || dynamic_cast<TStoreRoomResource*>(r) ||
              dynamic_cast<TMultiDropResource*>(r))) {
      targets.push_back(*it);
    }
  }
  if (devices.empty() || targets.empty()) return;
  TResource* device = OneOf(devices);
  QTreeWidgetItem* target = OneOf(targets);
  const bool can = window_->CanDrop(device, target);
  Log(QString("drag \"%1\" onto \"%2\"%3").arg(device->GetTreeNode()->text(0), target->text(0), can ? "" : " (refused)"));
  if (can) window_->DropOn(device, target);
}

void Session::UndoRedo(bool undo) {
  QAction* action = undo ? window_->UndoAction : window_->RedoAction;
  Log(QString("%1 (%2)").arg(action->text().remove('&'), action->isEnabled() ? "enabled" : "disabled"));
  if (action->isEnabled()) action->trigger();
}

// What a gesture on `form` may change: the form's own resource, and what
// its options reach.
Allowed Session::ScopeOf(TResourceForm* form) {
  TResource* r = form ? form->Resource() : nullptr;
  if (!r) return Nothing();
  const int n = r->Number;
  if (dynamic_cast<TLevelResource*>(r)) {
    return [n](const Difference& d, const Snapshot&, const Snapshot&) {
      // The names and inhibits may be copied to the levels below; the
      // parameters of sources and destinations are shared with the levels
      // mapped to the same physical level.
      if (d.family == Family::Source &&
          (d.field == "source type" || d.field == "audio parameter" || d.field == "trigger")) {
        return true;
      }
      if (d.family == Family::Destination) return true;
      return (d.family == Family::Level || d.family == Family::Source) && d.level >= n;
    };
  }
  if (dynamic_cast<TKorvellControllerResource*>(r)) {
    return [](const Difference& d, const Snapshot&, const Snapshot&) {
      return d.family == Family::SourceAssociation || d.family == Family::DestinationAssociation ||
             d.family == Family::Salvo || d.family == Family::TriggerLines || d.family == Family::Matrix;
    };
  }
  if (dynamic_cast<TPortResource*>(r)) {
    // A port that is no longer multi-drop sends its devices to the storeroom.
    return [n](const Difference& d, const Snapshot& before, const Snapshot&) {
      const int onPort = n - 1;
      const auto at = static_cast<std::size_t>(d.number);
      if (d.family == Family::GeneralPort) return d.number == n;
      if (d.family == Family::Panel) return at < before.panels.size() && before.panels[at].record.port == onPort;
      if (d.family == Family::UMD) return at < before.umds.size() && before.umds[at].record.port == onPort;
      return false;
    };
  }
  const auto keypadFamily = [](const Difference& d) {
    return d.family == Family::Keypad || d.family == Family::Key || d.family == Family::Sequence;
  };
  if (dynamic_cast<TUMDResource*>(r)) {
    // A UMD's lines live in the keypad it takes.
    return [n, keypadFamily](const Difference& d, const Snapshot& before, const Snapshot& after) {
      if (d.family == Family::UMD) return d.number == n;
      const auto u = static_cast<std::size_t>(n);
      // A UMD without a keypad may take the destination keypad of a panel
      // that is on no port.
      const auto p = static_cast<std::size_t>(d.number);
      if (d.family == Family::Panel && p < before.panels.size() && before.panels[p].record.port == 0xFFFF &&
          u < after.umds.size() && before.panels[p].record.destKeypad == after.umds[u].record.display) {
        return d.field == "destination keypad";
      }
      return keypadFamily(d) && u < before.umds.size() && u < after.umds.size() &&
             (d.number == before.umds[u].record.display || d.number == after.umds[u].record.display);
    };
  }
  if (auto* keypads = dynamic_cast<TKeypadResource*>(r)) {
    const int source = keypads->SourceKeypad, dest = keypads->DestKeypad;
    return [source, dest, keypadFamily](const Difference& d, const Snapshot&, const Snapshot&) {
      return keypadFamily(d) && (d.number == source || d.number == dest);
    };
  }
  if (dynamic_cast<TPanelResource*>(r)) {
    // The panel, and the keypads it has before and after (given, freed,
    // copied onto, edited).
    return [n, keypadFamily](const Difference& d, const Snapshot& before, const Snapshot& after) {
      if (d.family == Family::Panel) return d.number == n;
      const auto p = static_cast<std::size_t>(n);
      if (!keypadFamily(d) || p >= before.panels.size() || p >= after.panels.size()) return false;
      for (const Snapshot* s : {&before, &after}) {
        const TPanelRecord& record = s->panels[p].record;
        if (d.number == record.sourceKeypad || d.number == record.destKeypad) return true;
      }
      return false;
    };
  }
  return Nothing();
}

// Whether the file after `count` steps is known (a gesture that made several
// steps leaves those between unknown).
bool Session::Known(int count) const {
  return count >= 0 && count < static_cast<int>(states_.size()) && !states_[static_cast<std::size_t>(count)].empty();
}

void Session::AfterGesture(const Allowed& allowed, bool undoOrRedo) {
  TUndoStack& stack = Manager().Steps();
  stack.Sync();
  // No change may drop the steps the user can take back.
  ZephraJournalState journal{};
  if (Manager().CommonInterface.GetJournalState(journal, Manager().Handle()) && journal.losses > 0) {
    return Fail("a change made outside any step dropped the undo history");
  }
  const std::vector<std::uint8_t> now = ReadBytes(file_);
  const int count = stack.UndoCount();
  if (now != bytes_) {
    const QStringList problems = VerifyFile(now);
    if (!problems.isEmpty()) return Fail("the file does not verify: " + problems.join("; "));
    auto after = std::make_unique<zephra::model::Snapshot>();
    if (!ReadRecords(*after)) return;
    if (!undoOrRedo) {
      QStringList outside;
      for (const Difference& d : zephra::model::Compare(*records_, *after)) {
        if (!allowed(d, *records_, *after)) outside << QString::fromStdString(zephra::model::Describe(d));
      }
      if (!outside.isEmpty()) return Fail("a change outside what the gesture touched: " + outside.mid(0, 8).join("; "));
      if (count == stepsBefore_ && !(redoBefore_ && !stack.CanRedo())) {
        return Fail("the file changed without a step to undo");
      }
    }
    records_ = std::move(after);
    bytes_ = now;
  }
  if (count < 0 || (count >= static_cast<int>(states_.size()) && stack.CanRedo())) {
    return Fail("the undo history does not follow the file's steps");
  }
  if (undoOrRedo) {
    if (Known(count) && states_[static_cast<std::size_t>(count)] != now) {
      return Fail(QString("after the undo or redo the file differs from the file after step %1").arg(count));
    }
  }
  if (!stack.CanRedo()) states_.resize(static_cast<std::size_t>(count) + 1);
  if (static_cast<int>(states_.size()) <= count) states_.resize(static_cast<std::size_t>(count) + 1);
  states_[static_cast<std::size_t>(count)] = now;
  if (verbose_ && count != stepsBefore_) Note(QString("[the history has %1 steps: \"%2\"]").arg(count).arg(stack.UndoText()));
}

// Every form closed storing nothing, every step taken back: the file as
// opened.
void Session::FinalUndo() {
  final_ = true;
  ++step_;
  Log("close every form with Cancel, then Undo until nothing is left");
  for (TResourceForm* f : OpenForms()) {
    if (f->HasChanges()) ui_.Choices.enqueue(1);  // Discard
    f->CancelButton()->click();
  }
  ui_.Choices.clear();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  // A form the user cannot see cannot be cancelled either.
  for (TResourceForm* f : Manager().FormsWithChanges()) {
    return Fail(QString("a form the user cannot see holds changes and blocks Undo: \"%1\" (%2, %3)")
                    .arg(f->windowTitle())
                    .arg(f->isVisible() ? "visible" : "hidden")
                    .arg(f->Resource() && f->Resource()->EditorForm == f ? "registered" : "not its resource's form"));
  }
  AfterGesture(Nothing(), false);
  if (Failed()) return;
  TUndoStack& stack = Manager().Steps();
  for (int guard = 0; window_->UndoAction->isEnabled() && guard < 100000 && !Failed(); ++guard) {
    const int count = stack.UndoCount();
    const QString what = stack.UndoText();
    window_->UndoAction->trigger();
    if (stack.UndoCount() != count - 1) {
      return Fail(QString("Undo did not take back step %1 (\"%2\"); the last message: \"%3\"")
                      .arg(count)
                      .arg(what, ui_.Messages.isEmpty() ? QString() : ui_.Messages.last() + " " + ui_.Details.last()));
    }
    const std::vector<std::uint8_t> now = ReadBytes(file_);
    if (Known(count - 1) && now != states_[static_cast<std::size_t>(count - 1)]) {
      return Fail(QString("undoing step %1 (\"%2\") did not give back the file it followed").arg(count).arg(what));
    }
  }
  for (TResourceForm* f : OpenForms()) {
    if (f->HasChanges()) ui_.Choices.enqueue(1);
    f->CancelButton()->click();
  }
  ui_.Choices.clear();
  if (ReadBytes(file_) != states_.front()) Fail("after undoing everything the file differs from the file as opened");
}

}  // namespace zephra::session
