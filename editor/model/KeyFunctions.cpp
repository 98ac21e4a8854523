#include "model/KeyFunctions.h"

#include <algorithm>
#include <iterator>

namespace zephra::editor {
namespace {

struct Caption {
  int function;
  TFunctionCaption caption;
};
// The functions with a fixed caption: each of them one key of a window at most.
constexpr Caption kCaptions[] = {
    {kFnLineUp, {"Line-Up", ""}},        {kFnClear, {"Clear", ""}},         {kFnNext, {"", ""}},
    {kFnPrevious, {"", ""}},             {kFnAltLevel, {"Alt.", "Level"}},  {kFnProtect, {"Protect", ""}},
    {kFnAltDest, {"Alt.", "Dest."}},     {kFnDestIdent, {"Dest.", "Ident."}}, {kFnDisplayAudio, {"Display", "Audio"}},
    {kFnConfigAudio, {"Config.", "Audio"}},
};

// Keys that take the audio functions (and Line-Up) on the panels that have
// them: the first key of each row of nine, or the fourth.
bool OnAudioKey(int panelType, int key) {
  if (panelType == 3 || panelType == 7 || panelType == 24) return key == 0 || key == 9 || key == 18 || key == 27;
  if (panelType >= 25 && panelType <= 28) return key == 3 || key == 12 || key == 21 || key == 30;
  return true;
}

bool StepsThroughPages(int panelType) {
  return panelType == 3 || panelType == 7 || (panelType >= 24 && panelType <= 28);
}

}  // namespace

bool IsUniqueFunction(int f) {
  return std::find_if(std::begin(kCaptions), std::end(kCaptions), [f](const Caption& c) { return c.function == f; }) !=
         std::end(kCaptions);
}

TFunctionCaption FunctionCaption(int f) {
  for (const Caption& c : kCaptions) {
    if (c.function == f) return c.caption;
  }
  return {"", ""};
}

bool MenuEntryEnabled(const TMenuKey& key, int function) {
  if (key.page == TKeypadPage::Sequences || key.unusable) return false;
  if (IsUniqueFunction(function) && key.takenByOther) return false;
  // A destination key selects destinations and nothing else.
  if (key.destOnly) return function == kFnRemove || function == kFnBlank || function == kFnNormal;
  if ((function == kFnNext || function == kFnPrevious) && key.page == TKeypadPage::ButtonPer &&
      !StepsThroughPages(key.panelType)) {
    return false;
  }
  const bool audio = function == kFnConfigAudio || function == kFnDisplayAudio;
  const bool lineUpRuled = function == kFnLineUp && (key.panelType == 3 || key.panelType == 7 || key.panelType == 24);
  if ((audio || lineUpRuled) && !OnAudioKey(key.panelType, key.keyNumber)) return false;
  return true;
}

TSequenceUse SequenceUse(int function) {
  if (IsNameFunction(function)) return TSequenceUse::Press;
  if (function == 8 || function == 11 || function == 12 || function >= kFnRemove) return TSequenceUse::Ignored;
  return TSequenceUse::Refused;
}

int PressLimit(int function, bool shared, bool destOnly) {
  if (shared) return 4;
  if (destOnly || function == kFnSource) return 1;
  return 4;
}

}  // namespace zephra::editor
