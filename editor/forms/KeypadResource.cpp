#include "forms/KeypadResource.h"

#include "DatabaseManager.h"
#include "UiService.h"

using zephra::editor::IsKeypadAssigned;
using zephra::editor::kNoKeypad;

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
  if (source == -1) {
    const int k = AllocateSourceKeypad(sourceDialUp);
    if (IsKeypadAssigned(k)) {
      source = k;
    } else {
      Ui().Warning("There are no available source keypads. Please copy an existing panel operation");
    }
  }
  if (dest == -1) {
    const int k = AllocateDestKeypad(destDialUp);
    if (IsKeypadAssigned(k)) {
      dest = k;
    } else {
      Ui().Warning("There are no available destination keypads. Please copy an existing panel operation");
    }
  }
  return source != -1 && dest != -1;
}
