// Pictures of the names import's report and of the differences from another
// configuration.
#include "MainformCode.h"
#include "NamesDialogs.h"
#include "model/Compare.h"
#include "model/NameImport.h"
#include "model/Snapshot.h"
#include "screens/Screenshots.h"

void NamesShots(TScreenshots& shots) {
  TMainForm& window = shots.Window();
  TCommonInterface& ci = window.Manager().CommonInterface;
  zephra::model::Snapshot db;
  if (!ci.ReadSnapshot(db, ci.FileHandle)) return;

  // A spreadsheet's names with a few rows that cannot be taken as they are.
  const std::string csv =
      "kind,matrix,level,number,field,name\n"
      "source,1,1,1,name,CAM 1\n"
      "source,1,1,2,name,CAM 2\n"
      "source,1,1,3,name,CAMERA THREE\n"
      "source,1,9,1,name,VT 1\n"
      "destination,1,,4,name,MON 4\n"
      "panel,,,2,name,DESK 2\n"
      "panel,,,x,name,DESK X\n"
      "salvo,,,1,name,NEWS\n"
      "umd,,,1,colour,RED\n";
  const zephra::model::ImportPlan plan = zephra::model::PlanNamesImport(csv, db);
  TImportReportForm report("names.csv", plan, &window);
  shots.Save(report, "import-names-report");

  // The same configuration with a change in several families.
  zephra::model::Snapshot other;
  if (!ci.ReadSnapshot(other, ci.FileHandle)) return;
  if (!other.matrices.empty() && other.matrices[0].levels.size() > 1) {
    auto& level = other.matrices[0].levels[1];
    if (level.sources.size() > 4) level.sources[4].names[1] = u"CAM 5";
    if (level.sources.size() > 5) level.sources[5].names[0] = u"C6";
    if (!level.destinations.empty()) level.destinations[0].audioParam ^= 1;
  }
  if (!other.matrices.empty() && other.matrices[0].destAssocs.size() > 3) {
    other.matrices[0].destAssocs[3].name = u"MON 4";
  }
  if (other.panels.size() > 2) other.panels[2].name = u"DESK 3";
  if (!other.umds.empty()) other.umds[0].name = u"TALLY 1";
  if (other.generalPorts.size() > 1) other.generalPorts[1].baudRate = other.generalPorts[1].baudRate == 9600 ? 19200 : 9600;
  if (!other.salvos.empty()) other.salvos[0].name = u"NEWS";
  TCompareForm compare("Compare With", "From Demo.ZP3 (before each arrow) to Other.ZP3 (after it)",
                       zephra::model::Compare(db, other), nullptr, &window);
  shots.Save(compare, "compare-with");
}
