// TKeypadResource: a panel's two keypads, as the panel editor hands them to
// the keypad editor. It finds free keypads of the kind a panel needs and
// gives them to the panel; it reads the keypads' keys, assignments and entry
// sequences for the keypad editor, and stores what the editor's pages hold.
//
// TKeyResource: one button position of the keypad editor, with the key of
// each keypad that sits there.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

#include "Resource.h"
#include "model/KeyFunctions.h"
#include "model/KeypadLayout.h"
#include "model/PanelTypes.h"
#include "model/SequenceTree.h"

// A key record as the editor holds it: the names as shown (up to the first
// NUL) and as last read from the database; the function it is to be stored
// with, its own until the user gives the key one.
struct TKeyValues {
  QString name, altName;
  QString storedName, storedAltName;
  uint8_t keyType = 0;  // as stored
  uint8_t keyIndex = 0;
  uint16_t column = 0, row = 0;
  bool loaded = false;
  int function = 0;
};

struct TKeyResource {
  int32_t Code = zephra::editor::kNoButton;
  TKeyValues Source, Dest;  // the key of each keypad at the position
  int Function = 0;         // the function the window shows (without the editor's flags)
  uint8_t Flags = 0;        // kDestKeyFlag or kSharedKeyFlag
  // Button-per assignments, -1 for none.
  int SourceAssn = -1, Salvo = -1, DestAssn = -1;
  bool Unusable = false;  // a "?" position

  bool Exists() const { return Code != zephra::editor::kNoButton; }
  bool Shared() const { return Flags == zephra::editor::kSharedKeyFlag; }
  bool OnSourceKeypad() const { return Exists() && (Shared() || !zephra::editor::IsDestCode(Code)); }
  bool OnDestKeypad() const { return Exists() && (Shared() || zephra::editor::IsDestCode(Code)); }
  bool DestOnly() const { return OnDestKeypad() && !Shared(); }
  int KeyNumber() const { return zephra::editor::KeyNumberOf(Code); }
  bool IsNameKey() const { return zephra::editor::IsNameFunction(Function); }
  // The user gives the key a function: it is stored on every keypad the key
  // belongs to. Otherwise each keypad keeps the type its record has.
  void SetFunction(int function) { Function = Source.function = Dest.function = function; }
  // The window shows the function of one keypad's record.
  void ShowFunctionOf(bool dest) {
    const TKeyValues& v = dest ? Dest : Source;
    if (v.loaded) Function = v.function;
  }
};
using TKeyResources = std::array<TKeyResource, zephra::editor::kLayoutPositions>;

// A keypad record as the editor keeps it.
struct TKeypadValues {
  int number = -1;
  QString name;
  uint8_t keyFormat = 8, keypadType = 0, keypadOption = 0, keypadFlags = 0;
  uint16_t columns = 0, rows = 0;
  int keyCount = 0;
};

// What the keypad editor's lists offer.
struct TKeypadLists {
  QStringList SourceAssocs;  // a source association's text
  QStringList DestNames;
  QStringList SalvoNames;
  QStringList KeyNames;  // the names a key may be given
  int LevelOneSources = 0;
};

class TKeypadResource : public TResource {
 public:
  // `panel` -1: keypads for no panel in particular.
  TKeypadResource(TDatabaseManager* manager, int panel, int panelType)
      : TResource(manager, panel), PanelType(panelType) {}
  QString GetTypeName() const override { return "Keypad"; }

  // The first free source (destination) keypad of the kind, given to the
  // panel; kNoKeypad when there is none (the library has said so).
  int AllocateSourceKeypad(bool dialUp);
  int AllocateDestKeypad(bool dialUp);

  // Gives the panel a source and a destination keypad where it has none
  // (-1), of the dial-up kind where asked, and says so when none is free.
  // True when the panel has both afterwards.
  bool EnsurePanelKeypads(int& source, bool sourceDialUp, int& dest, bool destDialUp);

  // The keypads the editor works on: -1 for the source keypad takes a free
  // one without giving it to the panel.
  bool LoadSourceKeypad(int keypad);
  bool LoadDestKeypad(int keypad);
  bool SourceDialUp() const { return zephra::editor::IsDialUpKeypad(SourceRecord.number); }
  bool DestDialUp() const { return zephra::editor::IsDialUpKeypad(DestRecord.number); }

  // Opens the keypad editor (modal); false when it is open already.
  bool Edit(TCommonInterface& ci) override;
  bool HasEditor() const override { return true; }

  // What the editor reads when it opens.
  TKeypadLists ReadLists() const;
  // Every position of the layout with its button, blank, with the function
  // the layout starts with.
  void SetUpLayout(TKeyResources& keys) const;
  // The keys of one keypad into their positions, with their button-per
  // assignments.
  bool LoadKeys(TKeyResources& keys, bool dest) const;
  // Re-reads the names of every key as stored.
  void ReloadNames(TKeyResources& keys) const;
  // The entry sequences of the dial-up keypads among those asked for.
  void LoadSequences(zephra::editor::TSequenceTree& tree, const TKeyResources& keys, bool source, bool dest) const;

  // What the editor's pages store: the keys' names and functions; the entry
  // sequences of the dial-up keypads asked for; the button-per assignments.
  bool OnNameDataAccepted(TKeyResources& keys);
  bool OnSequenceDataAccepted(zephra::editor::TSequenceTree& tree, bool source, bool dest);
  bool OnBPDataAccepted(TKeyResources& keys);
  // Deletes `node` and everything below it from the keypads asked for.
  bool DeleteNode(zephra::editor::TSequenceNode& node, bool source, bool dest);
  // The editor has closed.
  void OnEditCompleted();

  int PanelType;
  QString PanelName;
  int SourceKeypad = -1;
  int DestKeypad = -1;
  TKeypadValues SourceRecord, DestRecord;
  std::vector<zephra::editor::TKeyFunction> FunctionMenu;

 private:
  int Allocate(bool source, bool dialUp);
  bool LoadKeypad(int keypad, TKeypadValues& values);
  bool StoreKeypad(const TKeypadValues& values);
  // Writes the key of one keypad at a position (`names` false: with the
  // names as stored, only the given-up ones blank).
  bool StoreKey(const TKeyResource& key, bool dest, bool freeingNames, const QStringList& taken);
};
