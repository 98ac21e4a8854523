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
