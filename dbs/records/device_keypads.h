// What panels and UMDs do to keypads: a panel marks the keypads it names as
// in use, a UMD keeps its destinations in a keypad of its own, and keypads
// are copied and cleared with an eye on the panels. The format entries here
// are installed for every V format.
#pragma once

#include "dbs/entry.h"
#include "dbs/records/umds.h"

namespace zephra {

// Gives panel p a new source (`source`) or destination keypad; the old one
// stops being in use when no panel names it any more, the new one starts.
Status ChangePanelKeypad(Db& db, std::uint16_t p, bool source, std::uint16_t keypad);

// The keypad of UMD u (32-63), taking and building one when it has none;
// -1 when there is none to take.
int FindUMDKeypad(Db& db, std::uint16_t u);
// Rewrites keypad k to carry a UMD's destinations: one top-level sequence per
// display line that names a destination of level 0 of matrix 0.
void BuildUMDKeypad(Db& db, std::uint16_t k, const MemberTriple (&dests)[4]);

// FormatOps entries.
Status LiveUMDDestsOffline(DbsHandle handle, const void* umdEntry);
Status CopyKeypadAreasV(DbsHandle handle, std::uint16_t source, std::uint16_t target, std::uint16_t panel);

}  // namespace zephra
