#include "forms/KeypadResource.h"

#include <QApplication>
#include <QSet>
#include <algorithm>
#include <memory>

#include "DatabaseManager.h"
#include "UiService.h"
#include "forms/KeypadResourceForm.h"

using namespace zephra::editor;

namespace {

// A name without the spaces that pad it.
QString Bare(const QString& name) {
  int n = static_cast<int>(name.size());
  while (n > 0 && name[n - 1] == ' ') --n;
  return name.left(n);
}

bool Blank(const QString& name) { return Bare(name).isEmpty(); }

// The name an assignment is stored under: the first one, or the second when
// the first is blank.
QString AssignmentName(const TKeyValues& v) { return Blank(v.name) ? v.altName : v.name; }

// The part of a name a key may be given: up to its first space or digit.
QString LeadingPart(const QString& name) {
  int n = 0;
  while (n < name.size() && name[n] != ' ' && !name[n].isDigit() && name[n] != QChar(0)) ++n;
  return name.left(n);
}

uint16_t Value(int index) { return static_cast<uint16_t>(index < 0 ? 0xFFFF : index); }
int Index(uint16_t value) { return value == 0xFFFF ? -1 : static_cast<int>(static_cast<int16_t>(value)); }

}  // namespace

int TKeypadResource::Allocate(bool source, bool dialUp) {
  TCommonInterface& ci = Manager->CommonInterface;
  TLibString name(QString(8, ' '));
  TKeypadRecord r{};
  r.name = name;
  r.keyFormat = 8;
  r.keypadType = source ? 0 : 1;
  const bool found = source ? (dialUp ? ci.GetNextFreeSourceDialUpKeypad(r, ci.FileHandle)
                                      : ci.GetNextFreeSourceKeypad(r, ci.FileHandle))
                            : (dialUp ? ci.GetNextFreeDestDialUpKeypad(r, ci.FileHandle)
                                      : ci.GetNextFreeDestKeypad(r, ci.FileHandle));
  if (!found) return kNoKeypad;
  if (Number >= 0 && !ci.SetPanelKeypad(static_cast<uint16_t>(Number), source ? 1 : 0, r.keypad, ci.FileHandle)) {
    return kNoKeypad;
  }
  (source ? SourceKeypad : DestKeypad) = r.keypad;
  return r.keypad;
}

int TKeypadResource::AllocateSourceKeypad(bool dialUp) { return Allocate(true, dialUp); }
int TKeypadResource::AllocateDestKeypad(bool dialUp) { return Allocate(false, dialUp); }

bool TKeypadResource::EnsurePanelKeypads(int& source, bool sourceDialUp, int& dest, bool destDialUp) {
  const auto ensure = [this](int& keypad, bool isSource, bool dialUp, const char* kind) {
    if (keypad != -1) return;
    const int k = Allocate(isSource, dialUp);
    if (IsKeypadAssigned(k)) {
      keypad = k;
    } else {
      Ui().Warning(QString("There are no available %1 keypads. Please copy an existing panel operation").arg(kind));
    }
  };
  ensure(source, true, sourceDialUp, "source");
  ensure(dest, false, destDialUp, "destination");
  return source != -1 && dest != -1;
}

bool TKeypadResource::LoadKeypad(int keypad, TKeypadValues& values) {
  TCommonInterface& ci = Manager->CommonInterface;
  TLibString name(QString(8, ' '));
  TKeypadRecord r{};
  r.name = name;
  const bool ok = keypad < 0 ? ci.GetNextFreeSourceKeypad(r, ci.FileHandle)
                             : ci.GetKeypad(static_cast<uint16_t>(keypad), r, ci.FileHandle);
  if (!ok) return false;
  TLibString configName(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = configName;
  if (!ci.GetConfig(config, ci.FileHandle)) return false;
  values = {r.keypad, name.Text(), r.keyFormat, r.keypadType, r.keypadOption, r.keypadFlags, r.columns, r.rows,
            r.keypad < DBS_MAX_KEYPADS ? config.keyCount[r.keypad] : 0};
  return true;
}

bool TKeypadResource::LoadSourceKeypad(int keypad) {
  if (!LoadKeypad(keypad, SourceRecord)) return false;
  SourceKeypad = SourceRecord.number;
  return true;
}

bool TKeypadResource::LoadDestKeypad(int keypad) {
  if (keypad < 0) return true;
  if (!LoadKeypad(keypad, DestRecord)) return false;
  DestKeypad = DestRecord.number;
  return true;
}

bool TKeypadResource::StoreKeypad(const TKeypadValues& v) {
  if (v.number < 0) return true;
  TCommonInterface& ci = Manager->CommonInterface;
  TLibString name(FitName(v.name, 8));
  TKeypadRecord r{static_cast<uint16_t>(v.number), name, v.keyFormat, v.keypadType, v.keypadOption, v.keypadFlags,
                  v.columns, v.rows};
  return ci.SetKeypad(static_cast<uint16_t>(v.number), r, ci.FileHandle);
}

bool TKeypadResource::Edit(TCommonInterface&) {
  if (Editing) {
    if (EditorForm) EditorForm->raise();
    return false;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto form = std::make_unique<TKeypadForm>(*this);
  const bool loaded = form->Load();
  QApplication::restoreOverrideCursor();
  if (!loaded) return false;
  Editing = true;
  EditorForm = form.get();
  Ui().RunModal(*form);
  OnEditCompleted();
  return true;
}

void TKeypadResource::OnEditCompleted() {
  Editing = false;
  EditorForm = nullptr;
}

TKeypadLists TKeypadResource::ReadLists() const {
  TKeypadLists lists;
  TCommonInterface& ci = Manager->CommonInterface;
  TLibString configName(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = configName;
  if (!ci.GetConfig(config, ci.FileHandle)) return lists;
  lists.LevelOneSources = config.levelCount[0] > 0 ? config.sourceCount[0][0] : 0;

  // A source association is shown by the first of its members, in level
  // order, that has a name.
  for (int i = 0; i < config.sourceAssocCount[0]; ++i) {
    TSourceAssociationRecord a{};
    if (!ci.GetSourceAssn(0, static_cast<uint16_t>(i), a, ci.FileHandle)) break;  // one message, not hundreds
    std::vector<TAssociationMember> members;
    for (const TAssociationMember& m : a.members) {
      if (m.matrix >= 0 && m.level >= 0 && m.number >= 0) members.push_back(m);
    }
    std::stable_sort(members.begin(), members.end(), [](const auto& x, const auto& y) { return x.level < y.level; });
    QString name;
    int level = -1;
    for (const TAssociationMember& m : members) {
      TLibString name2(QString(8, ' '));
      TSourceRecord s{};
      s.matrix = static_cast<uint16_t>(m.matrix);
      s.level = static_cast<uint16_t>(m.level);
      s.source = static_cast<uint16_t>(m.number);
      s.name2 = name2;
      if (!ci.GetSourceData(s)) break;
      if (!name2.Text().isEmpty() && name2.Text() != QString(8, ' ')) {
        name = name2.Text();
        level = m.level;
        break;
      }
    }
    lists.SourceAssocs << (level != 0 || i > lists.LevelOneSources ? QString("%1, %2").arg(i + 1).arg(name) : name);
  }
  for (int i = 0; i < config.destAssocCount[0]; ++i) {
    TLibString name(QString(8, ' '));
    if (!ci.GetDestName(0, static_cast<uint16_t>(i), name, ci.FileHandle)) break;
    lists.DestNames << name.Text();
  }
  for (int s = 0; s < config.salvoCount; ++s) {
    TLibString shortName(QString(4, ' ')), name(QString(8, ' '));
    TMacroStoreRecord r{};
    r.shortName = shortName;
    r.name = name;
    if (!ci.GetMacroStore(static_cast<uint16_t>(s), r, ci.FileHandle)) break;
    lists.SalvoNames << name.Text();
  }

  // The names keys may be given: the leading words of the level-1 sources
  // and of the destinations (the last one aside), then the digits.
  QStringList names;
  for (int s = 0; s < lists.LevelOneSources; ++s) {
    TLibString name(QString(8, ' '));
    const TSourceIndexRecord index{0, 0, static_cast<int16_t>(s)};
    if (!ci.GetSourceName(index, name, ci.FileHandle)) break;
    names << LeadingPart(name.Text());
  }
  for (int i = 0; i + 1 < lists.DestNames.size(); ++i) names << LeadingPart(lists.DestNames[i]);
  for (const QString& n : names) {
    if (!n.isEmpty() && !lists.KeyNames.contains(n)) lists.KeyNames << n;
  }
  for (char d = '0'; d <= '9'; ++d) {
    if (!lists.KeyNames.contains(QString(d))) lists.KeyNames << QString(d);
  }
  return lists;
}

void TKeypadResource::SetUpLayout(TKeyResources& keys) const {
  const TKeypadLayout& layout = KeypadLayout(PanelType);
  const bool shared = SharesKeys(PanelType);
  for (int p = 0; p < kLayoutPositions; ++p) {
    TKeyResource& k = keys[static_cast<size_t>(p)];
    k = TKeyResource{};
    k.Code = layout.codes[static_cast<size_t>(p)];
    if (!k.Exists()) continue;
    k.Function = layout.info[kInfoFunction];
    k.Flags = shared ? kSharedKeyFlag : IsDestCode(k.Code) ? kDestKeyFlag : 0;
    k.Unusable = IsExtensionCode(k.Code);
  }
}

bool TKeypadResource::LoadKeys(TKeyResources& keys, bool dest) const {
  const TKeypadValues& keypad = dest ? DestRecord : SourceRecord;
  if (keypad.number < 0) return true;
  TCommonInterface& ci = Manager->CommonInterface;
  const auto number = static_cast<uint16_t>(keypad.number);
  const bool shared = SharesKeys(PanelType);
  const bool dialUp = IsDialUpKeypad(keypad.number);
  for (int k = 0; k < keypad.keyCount; ++k) {
    TLibString name(QString(8, ' ')), altName(QString(8, ' '));
    TKeyRecord r{};
    r.name = name;
    r.altName = altName;
    if (!ci.GetKey(number, static_cast<uint16_t>(k), r, ci.FileHandle)) return false;
    // The position of the key, looked for column by column.
    const int32_t wanted = dest && !shared ? kDestKeyCode + k : k;
    int position = -1;
    for (int c = 0; c < kLayoutColumns && position < 0; ++c) {
      for (int row = 0; row < kLayoutRows; ++row) {
        const int p = row * kLayoutColumns + c;
        const int32_t code = keys[static_cast<size_t>(p)].Code;
        if (code != kNoButton && NormalisedKeyCode(code) == wanted) {
          position = p;
          break;
        }
      }
    }
    if (position < 0) {
      // A named key the panel has no button for is blanked at once.
      if (!dest && dialUp && (!Blank(name.Text()) || !Blank(altName.Text()))) {
        TLibString none(FitName({}, 8)), noneAlt(FitName({}, 8));
        r.name = none;
        r.altName = noneAlt;
        r.keyType = kFnNormal;
        r.key = static_cast<uint16_t>(k);
        ci.SetKey(number, r, ci.FileHandle);
      }
      continue;
    }
    TKeyResource& key = keys[static_cast<size_t>(position)];
    TKeyValues& v = dest ? key.Dest : key.Source;
    v = {name.Text(), altName.Text(), name.Text(), altName.Text(), r.keyType, r.keyIndex, r.column, r.row, true,
         r.keyType & kFunctionMask};
    if (!dest || !key.Source.loaded) key.Function = v.function;
    if (dialUp) continue;
    const QString assignment = AssignmentName(v);
    if (Blank(assignment)) continue;
    uint16_t value = 0xFFFF;
    bool salvo = false;
    if (!ci.GetKeyAssignment(number, assignment, value, salvo, ci.FileHandle)) continue;
    if (dest) {
      key.DestAssn = Index(value);
    } else if (salvo) {
      key.Salvo = Index(value);
    } else {
      key.SourceAssn = Index(value);
    }
  }
  return true;
}

void TKeypadResource::ReloadNames(TKeyResources& keys) const {
  TCommonInterface& ci = Manager->CommonInterface;
  for (TKeyResource& key : keys) {
    for (bool dest : {false, true}) {
      TKeyValues& v = dest ? key.Dest : key.Source;
      const int keypad = dest ? DestRecord.number : SourceRecord.number;
      if (!v.loaded || keypad < 0) continue;
      TLibString name(QString(8, ' ')), altName(QString(8, ' '));
      TKeyRecord r{};
      r.name = name;
      r.altName = altName;
      if (!ci.GetKey(static_cast<uint16_t>(keypad), static_cast<uint16_t>(key.KeyNumber()), r, ci.FileHandle)) return;
      v.name = v.storedName = name.Text();
      v.altName = v.storedAltName = altName.Text();
      v.keyType = r.keyType;
      v.function = r.keyType & kFunctionMask;
    }
  }
}

void TKeypadResource::LoadSequences(TSequenceTree& tree, const TKeyResources& keys, bool source, bool dest) const {
  tree.Clear();
  TCommonInterface& ci = Manager->CommonInterface;
  TLibString configName(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = configName;
  if (!ci.GetConfig(config, ci.FileHandle)) return;
  for (int side : {kSourceSide, kDestSide}) {
    const TKeypadValues& keypad = side == kSourceSide ? SourceRecord : DestRecord;
    if (!(side == kSourceSide ? source : dest) || !IsDialUpKeypad(keypad.number)) continue;
    const auto positionOf = [&](std::u16string_view name) {
      const QString n = QString::fromStdU16String(std::u16string(name));
      for (int p = 0; p < kLayoutPositions; ++p) {
        const TKeyResource& k = keys[static_cast<size_t>(p)];
        if (!(side == kSourceSide ? k.OnSourceKeypad() : k.OnDestKeypad())) continue;
        const TKeyValues& v = side == kSourceSide ? k.Source : k.Dest;
        if (SameKeyName(v.name.toStdU16String(), name) || SameKeyName(v.altName.toStdU16String(), name)) return p;
      }
      return -1;
    };
    const auto number = static_cast<uint16_t>(keypad.number);
    TSequenceRecord walk;
    // A walk visits each node once at most: a longer one is a damaged tree.
    int left = config.nodeCount[keypad.number] + 1;
    for (bool more = ci.GetFirstSequence(number, walk.record, ci.FileHandle); more && left-- > 0;
         more = ci.GetNextSequence(number, walk.record, ci.FileHandle)) {
      tree.Merge(side, walk.Presses(), positionOf);
    }
  }
}

bool TKeypadResource::StoreKey(const TKeyResource& key, bool dest, bool freeingNames, const QStringList& taken) {
  const TKeyValues& v = dest ? key.Dest : key.Source;
  const int keypad = dest ? DestRecord.number : SourceRecord.number;
  if (!v.loaded || keypad < 0) return true;
  TCommonInterface& ci = Manager->CommonInterface;
  // Freeing: the names another key takes are blanked, the others left (an
  // empty string leaves a name as it is).
  const auto nameFor = [&](const QString& stored, const QString& wanted) {
    if (!freeingNames) return FitName(wanted, 8);
    return taken.contains(Bare(stored)) ? FitName({}, 8) : QString();
  };
  TLibString name(nameFor(v.storedName, v.name)), altName(nameFor(v.storedAltName, v.altName));
  TKeyRecord r{};
  r.key = static_cast<uint16_t>(key.Code);
  r.name = name;
  r.altName = altName;
  r.keyType = freeingNames ? v.keyType : static_cast<uint8_t>(v.function | key.Flags);
  r.keyIndex = v.keyIndex;
  r.column = v.column;
  r.row = v.row;
  return ci.SetKey(static_cast<uint16_t>(keypad), r, ci.FileHandle);
}

bool TKeypadResource::OnNameDataAccepted(TKeyResources& keys) {
  if (!StoreKeypad(SourceRecord) || !StoreKeypad(DestRecord)) return false;
  for (bool dest : {false, true}) {
    const auto belongs = [dest](const TKeyResource& k) { return dest ? k.OnDestKeypad() : k.OnSourceKeypad(); };
    // A name that moves to another key is first given up by the key that
    // holds it: the library keeps a name on one key of a keypad only.
    QSet<QString> wanted;
    for (const TKeyResource& k : keys) {
      if (!belongs(k)) continue;
      const TKeyValues& v = dest ? k.Dest : k.Source;
      for (const QString& n : {Bare(v.name), Bare(v.altName)}) {
        if (!n.isEmpty()) wanted.insert(n);
      }
    }
    for (const TKeyResource& k : keys) {
      if (!belongs(k)) continue;
      const TKeyValues& v = dest ? k.Dest : k.Source;
      QStringList moving;
      for (const QString& n : {Bare(v.storedName), Bare(v.storedAltName)}) {
        if (!n.isEmpty() && wanted.contains(n) && n != Bare(v.name) && n != Bare(v.altName)) moving << n;
      }
      if (!moving.isEmpty() && !StoreKey(k, dest, true, moving)) return false;
    }
  }
  for (const TKeyResource& k : keys) {
    if (k.OnSourceKeypad() && !StoreKey(k, false, false, {})) return false;
    if (k.OnDestKeypad() && !StoreKey(k, true, false, {})) return false;
  }
  // The library leaves a key's name as it was, without an error, when
  // another name key of the keypad has the name: one the window has no
  // button for. The keys are read back and the first such name reported.
  std::vector<std::pair<QString, QString>> wanted;  // each key's source names, then its destination names
  for (const TKeyResource& k : keys) {
    for (const TKeyValues* v : {&k.Source, &k.Dest}) wanted.emplace_back(v->name, v->altName);
  }
  ReloadNames(keys);
  for (size_t i = 0; i < wanted.size(); ++i) {
    const TKeyResource& k = keys[i / 2];
    const TKeyValues& v = i % 2 ? k.Dest : k.Source;
    const int keypad = i % 2 ? DestRecord.number : SourceRecord.number;
    for (const auto& [asked, kept] : {std::pair{wanted[i].first, v.name}, std::pair{wanted[i].second, v.altName}}) {
      if (!v.loaded || Bare(asked) == Bare(kept)) continue;
      Ui().Warning("The same name cannot be assigned to two keys",
                   QString("Key %1 of keypad %2 keeps \"%3\": another key of that keypad has \"%4\".")
                       .arg(k.KeyNumber() + 1)
                       .arg(keypad + 1)
                       .arg(Bare(kept), Bare(asked)));
      return false;
    }
  }
  return true;
}

bool TKeypadResource::OnSequenceDataAccepted(TSequenceTree& tree, bool source, bool dest) {
  TCommonInterface& ci = Manager->CommonInterface;
  for (int side : {kSourceSide, kDestSide}) {
    const TKeypadValues& keypad = side == kSourceSide ? SourceRecord : DestRecord;
    if (!(side == kSourceSide ? source : dest) || !IsDialUpKeypad(keypad.number)) continue;
    const auto number = static_cast<uint16_t>(keypad.number);
    for (const auto& path : tree.PathsToStore(side)) {
      TSequenceRecord r;
      r.Set(number, TSequenceTree::PressesOf(path, side));
      if (!ci.SetEntrySequence(number, r.record, ci.FileHandle)) return false;
    }
  }
  tree.ForgetCleared();
  return true;
}

bool TKeypadResource::DeleteNode(TSequenceNode& node, bool source, bool dest) {
  TCommonInterface& ci = Manager->CommonInterface;
  for (TSequenceNode* n : TSequenceTree::RemovalOrder(node)) {
    std::vector<TPress> presses;
    for (const std::u16string& name : n->Path()) presses.push_back({name, -1, -1, {}, false});
    for (int side : {kSourceSide, kDestSide}) {
      const TKeypadValues& keypad = side == kSourceSide ? SourceRecord : DestRecord;
      if (!(side == kSourceSide ? source : dest) || !IsDialUpKeypad(keypad.number)) continue;
      TSequenceRecord r;
      r.Set(static_cast<uint16_t>(keypad.number), presses);
      if (!ci.DeleteLastNode(static_cast<uint16_t>(keypad.number), r.record, ci.FileHandle)) return false;
    }
  }
  return true;
}

bool TKeypadResource::OnBPDataAccepted(TKeyResources& keys) {
  if (!OnNameDataAccepted(keys)) return false;
  TCommonInterface& ci = Manager->CommonInterface;
  // A key without a name has nothing to store its assignment under.
  if (SourceRecord.number >= 0 && !SourceDialUp()) {
    const auto number = static_cast<uint16_t>(SourceRecord.number);
    for (const TKeyResource& k : keys) {
      if (!k.OnSourceKeypad() || !k.Source.loaded || Blank(AssignmentName(k.Source))) continue;
      const bool salvo = k.Salvo >= 0;
      if (!ci.SetKeyAssignment(number, AssignmentName(k.Source), Value(salvo ? k.Salvo : k.SourceAssn), salvo ? 1 : 0,
                               ci.FileHandle)) {
        return false;
      }
    }
  }
  if (DestRecord.number >= 0 && !DestDialUp()) {
    const auto number = static_cast<uint16_t>(DestRecord.number);
    int last = -1;  // the destination of the last assigned destination key
    for (const TKeyResource& k : keys) {
      if (!k.OnDestKeypad()) continue;
      const int value = IsExtensionCode(k.Code) ? last : k.DestAssn;
      if (!IsExtensionCode(k.Code) && k.DestAssn >= 0) last = k.DestAssn;
      if (!k.Dest.loaded || Blank(AssignmentName(k.Dest))) continue;
      if (!ci.SetKeyAssignment(number, AssignmentName(k.Dest), Value(value), 0, ci.FileHandle)) return false;
    }
  }
  return true;
}
