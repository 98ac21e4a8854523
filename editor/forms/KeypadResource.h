// TKeypadResource: a panel's two keypads, as the panel editor hands them to
// the keypad editor. It finds free keypads of the kind a panel needs and
// gives them to the panel.
#pragma once

#include "Resource.h"
#include "model/PanelTypes.h"

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

  int PanelType;
  QString PanelName;
  int SourceKeypad = -1;
  int DestKeypad = -1;

 private:
  int Allocate(bool source, bool dialUp);
};
