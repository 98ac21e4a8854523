#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "../db_fixture.h"
#include "../live_recorder.h"
#include "dbs/checker.h"
#include "dbs/records/panels.h"
#include "dbs/records/umds.h"

namespace zephra {
namespace {

using test::LiveRecorder;
using test::Str;

using Place = std::pair<std::uint16_t, std::uint16_t>;

struct PortTest : test::DbTest {
  Place PanelAt(std::uint16_t p) {
    Place at;
    EXPECT_EQ(dbs_GetPanelPort(p, &at.first, &at.second, h), DBS_OK);
    return at;
  }
  Place UMDAt(std::uint16_t u) {
    Place at;
    EXPECT_EQ(dbs_GetUMDPort(u, &at.first, &at.second, h), DBS_OK);
    return at;
  }
};

TEST_F(PortTest, ADeviceTakesItsPlaceFromAnother) {
  ASSERT_EQ(dbs_SetUMDPort(7, 0, 5, h), DBS_OK);
  EXPECT_EQ(UMDAt(7), Place(0, 5));
  ASSERT_EQ(dbs_SetPanelPort(3, 0, 5, h), DBS_OK);
  EXPECT_EQ(PanelAt(3), Place(0, 5));
  EXPECT_EQ(UMDAt(7), Place(0xFFFF, 0xFFFF));
  const DropCell cell = (*TheSlot().drops)[4];
  EXPECT_EQ(cell.kind, 0);
  EXPECT_EQ(cell.number, 3);
  // Placing it where it already is keeps it there.
  ASSERT_EQ(dbs_SetPanelPort(3, 0, 5, h), DBS_OK);
  EXPECT_EQ(PanelAt(3), Place(0, 5));
}

TEST_F(PortTest, TheDropTableStartsFromTheFile) {
  ASSERT_EQ(dbs_SetUMDPort(2, 1, 16, h), DBS_OK);
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  ASSERT_EQ(dbs_OpenFile(test::Str(path), 1, &h), DBS_OK);
  ASSERT_EQ(dbs_SetPanelPort(0, 1, 16, h), DBS_OK);  // the table is rebuilt from the UMDs' places
  EXPECT_EQ(UMDAt(2), Place(0xFFFF, 0xFFFF));
}

TEST_F(PortTest, OnLineTheControllerHearsOfBothPlaces) {
  ASSERT_EQ(dbs_SetUMDPort(4, 1, 16, h), DBS_OK);
  LiveRecorder live(TheSlot(), {{"LiveUMDRecord", sizeof(UMDEntry)}});
  ASSERT_EQ(dbs_SetUMDPort(4, 0xFFFF, 0xFFFF, h), DBS_OK);
  ASSERT_EQ(LiveRecorder::Names(),
            (std::vector<std::string>{"LivePortAssignment", "LiveUMDRecord", "LivePortAssignment"}));
  using Words = std::array<std::uint16_t, 4>;
  EXPECT_EQ(LiveRecorder::Calls()[0].As<Words>(), (Words{1, 15, 0xFFFF, 0xFFFF}));  // the old place emptied
  EXPECT_EQ(LiveRecorder::Calls()[1].As<UMDEntry>().port, 0xFFFF);
  EXPECT_EQ(LiveRecorder::Calls()[2].As<Words>(), (Words{0xFFFF, 0xFFFF, 1, 4}));
  EXPECT_EQ((*TheSlot().drops)[16 + 15].number, 0xFFFF);
  // Placed where it already is: its record again, but no reset of its place.
  ASSERT_EQ(dbs_SetUMDPort(4, 0, 2, h), DBS_OK);
  LiveRecorder::Calls().clear();
  ASSERT_EQ(dbs_SetUMDPort(4, 0, 2, h), DBS_OK);
  ASSERT_EQ(LiveRecorder::Names(), (std::vector<std::string>{"LiveUMDRecord", "LivePortAssignment"}));
  EXPECT_EQ(LiveRecorder::Calls()[1].As<Words>(), (Words{0, 2, 1, 4}));
}

// The controller refuses a device's record while the device moves: the
// database still moves it completely, so the drop table keeps mirroring the
// places, and the record's other fields are stored as well.
TEST_F(PortTest, AFailedLiveUpdateStillMovesTheDevice) {
  Str panelName(u"STUDIO A"), umdName(u"MON 3"), readName(u"........");
  TPanelRecord panel{};
  panel.name = readName;
  ASSERT_EQ(dbs_GetPanelRecord(5, &panel, h), DBS_OK);
  panel.name = panelName;
  TUMDRecord umd{};
  umd.name = readName;
  ASSERT_EQ(dbs_GetUMDRecord(3, &umd, h), DBS_OK);
  umd.name = umdName;
  {
    LiveRecorder live(TheSlot(), {});
    LiveRecorder::Answers()["LivePanelRecord"] = DBS_ERR_TIMEOUT;
    LiveRecorder::Answers()["LiveUMDRecord"] = DBS_ERR_TIMEOUT;
    panel.port = 0;
    panel.address = 3;
    panel.brightness = 2;
    EXPECT_EQ(dbs_SetPanelRecord(5, &panel, h), DBS_ERR_TIMEOUT);  // said, but the change is kept
    umd.port = 1;
    umd.address = 7;
    umd.brightness = 9;
    EXPECT_EQ(dbs_SetUMDRecord(3, &umd, h), DBS_ERR_TIMEOUT);
    using Words = std::array<std::uint16_t, 4>;
    std::vector<Words> places;
    for (const auto& call : LiveRecorder::Calls()) {
      if (call.name == "LivePortAssignment") places.push_back(call.As<Words>());
    }
    EXPECT_EQ(places, (std::vector<Words>{{0, 3, 0, 5}, {1, 7, 1, 3}}));
  }
  EXPECT_EQ(PanelAt(5), Place(0, 3));
  EXPECT_EQ(UMDAt(3), Place(1, 7));
  panel.name = readName;
  ASSERT_EQ(dbs_GetPanelRecord(5, &panel, h), DBS_OK);
  EXPECT_EQ(panel.brightness, 2);
  EXPECT_EQ(readName.Text().substr(0, 8), u"STUDIO A");
  umd.name = readName;
  ASSERT_EQ(dbs_GetUMDRecord(3, &umd, h), DBS_OK);
  EXPECT_EQ(umd.brightness, 9);
  EXPECT_EQ(readName.Text().substr(0, 5), u"MON 3");
  // Others arriving on those places take them over.
  ASSERT_EQ(dbs_SetUMDPort(0, 0, 3, h), DBS_OK);
  ASSERT_EQ(dbs_SetPanelPort(6, 1, 7, h), DBS_OK);
  EXPECT_EQ(PanelAt(5), Place(0xFFFF, 0xFFFF));
  EXPECT_EQ(UMDAt(3), Place(0xFFFF, 0xFFFF));
  for (const auto& p : CheckStructures(TheSlot().db->config, TheSlot().db->layout,
                                       {TheSlot().db->image, TheSlot().db->layout.fileSize})) {
    ADD_FAILURE() << p;
  }
}

TEST_F(PortTest, PlacingOutsideTheTablesIsRefused) {
  EXPECT_EQ(dbs_SetPanelPort(32, 0, 1, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetUMDPort(32, 0, 1, h), DBS_ERR_INVALID_ARGUMENT);
  std::uint16_t port, address;
  EXPECT_EQ(dbs_GetPanelPort(40, &port, &address, h), DBS_ERR_INVALID_ARGUMENT);
  TMatrixPortRecord m{};
  EXPECT_EQ(dbs_GetMatrixPort(4, &m, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetPhysicalLevel(4, 0, h), DBS_ERR_INVALID_ARGUMENT);
  TGeneralPortRecord g{};
  EXPECT_EQ(dbs_GetGeneralPort(3, &g, h), DBS_ERR_INVALID_ARGUMENT);
}

TEST_F(PortTest, GeneralPortFlagsAreBooleans) {
  TGeneralPortRecord g{};
  ASSERT_EQ(dbs_GetGeneralPort(1, &g, h), DBS_OK);
  EXPECT_EQ(g.protocol, 6);
  EXPECT_EQ(g.routeInhibits, 1u);
  ClearChanged();
  g.routeInhibits = 0xFFFFFFFF;  // still "yes": no change
  ASSERT_EQ(dbs_SetGeneralPort(1, &g, h), DBS_OK);
  EXPECT_EQ(Changed(), 0u);
  ASSERT_EQ(dbs_GetGeneralPort(0, &g, h), DBS_OK);
  g.routeInhibits = 0xFFFFFFFF;
  g.port = 77;  // the port keeps its own number
  ASSERT_EQ(dbs_SetGeneralPort(0, &g, h), DBS_OK);
  ASSERT_EQ(dbs_GetGeneralPort(0, &g, h), DBS_OK);
  EXPECT_EQ(g.routeInhibits, 1u);
  EXPECT_EQ(g.port, 0);
}

TEST_F(PortTest, OnLineAPortChangeRestartsTheController) {
  TGeneralPortRecord g{};
  ASSERT_EQ(dbs_GetGeneralPort(0, &g, h), DBS_OK);
  g.baudRate = 9600;
  LiveRecorder live(TheSlot(), {});
  // No link library is loaded here, so there is no SoftReset to call: said.
  EXPECT_EQ(dbs_SetGeneralPort(0, &g, h), DBS_SYS_PROC_NOT_FOUND);
  EXPECT_EQ(LiveRecorder::Names(), std::vector<std::string>{"LiveGeneralPort"});
}

TEST_F(PortTest, MatrixPortKeepsItsNumberAndPhysicalLevel) {
  TMatrixPortRecord m{};
  ASSERT_EQ(dbs_GetMatrixPort(2, &m, h), DBS_OK);
  EXPECT_EQ(m.lastDest, 31);
  m.index = 9;
  m.physicalLevel = 3;
  m.extra1 = 5;
  ASSERT_EQ(dbs_SetMatrixPort(2, &m, h), DBS_OK);
  ASSERT_EQ(dbs_GetMatrixPort(2, &m, h), DBS_OK);
  EXPECT_EQ(m.index, 2);
  EXPECT_EQ(m.physicalLevel, 2);
  EXPECT_EQ(m.extra1, 5);
}

}  // namespace
}  // namespace zephra
