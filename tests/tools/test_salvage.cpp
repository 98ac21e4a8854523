// zephra-db salvage on files damaged as files from elsewhere are: what reads
// back sound comes back whole, what does not is dropped and said, and the
// damaged file is never written.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "../dbs/config_fixtures.h"
#include "../dbs/kv1_fixture.h"
#include "../dbs/sequence_fixture.h"
#include "../dbs/temp_dir.h"
#include "dbs/frame.h"
#include "dbs/records/keypads.h"
#include "dbs/records/panels.h"
#include "dbs/records/salvos.h"
#include "dbs/records/sources.h"
#include "tools/zephra_db/dump.h"
#include "tools/zephra_db/salvage.h"
#include "tools/zephra_db/text.h"

namespace zephra::tool {
namespace {

using test::Sequence;
using test::Str;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), {});
}

struct SalvageTest : ::testing::Test {
  test::TempDir dir;
  std::string damaged = dir.File("damaged.ZP3"), fresh = dir.File("new.ZP3");
  ConfigImage config = Small();
  ImageLayout layout{};
  std::ostringstream said;

  static ConfigImage Small() {
    ConfigImage c = test::EditorDefaultV3();
    c.sourceAssocCount[0] = c.destAssocCount[0] = 64;
    c.keypadCount = 8;
    c.panelCount = 12;
    c.xySetCount = c.umdCount = 12;
    return c;
  }
  // A database with sequences on two keypads, a salvo and a named source.
  void SetUp() override {
    ASSERT_EQ(ValidateConfigFor(*FindFormat(DBS_TYPE_V3), config), DBS_OK);
    layout = ComputeLayout(config, *FindFormat(DBS_TYPE_V3));
    test::CallConfig call(config);
    DbsHandle h = -1;
    ASSERT_EQ(dbs_CreateFile(Str(damaged), &call.record, 0, &h), DBS_OK);
    Str camera(u"CAMERA");
    const TSourceIndexRecord source{0, 1, 4};
    ASSERT_EQ(dbs_SetSourceName(&source, camera, h), DBS_OK);
    for (std::uint16_t k = 0; k < 2; ++k) {
      for (std::uint16_t j = 0; j < 3; ++j) test::NameKey(h, k, j, std::u16string(1, u"ABC"[j]));
      Sequence a(k, {u"A"}, 1), bc(k, {u"B", u"C"}, 2), c(k, {u"C"}, 3);
      for (Sequence* s : {&a, &bc, &c}) ASSERT_EQ(dbs_SetEntrySequence(k, &s->record, h), DBS_OK);
    }
    const TMacroXPRecord xp{0, 0, 3, 5};
    ASSERT_EQ(dbs_SetMacroXP(2, &xp, h), DBS_OK);
    ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  }
  // The records of a database file as zephra-db dump gives them.
  nlohmann::json Dump(const std::string& path) {
    DbsHandle h = -1;
    EXPECT_EQ(dbs_OpenFile(Str(path), 0, &h), DBS_OK);
    LibString name(16);
    TConfigurationRecord record{};
    record.name = name;
    EXPECT_EQ(dbs_GetConfig(&record, h), DBS_OK);
    nlohmann::json j;
    EXPECT_EQ(DumpRecords(h, record, j), DBS_OK);
    dbs_CloseFile(h);
    return j;
  }
  // Changes the damaged file as a stray write would: its checksums no
  // longer match.
  template <class R, class Change>
  void Damage(std::uint32_t pos, Change&& change) {
    Bytes bytes = ReadAll(damaged);
    R r;
    std::memcpy(&r, bytes.data() + pos, sizeof r);
    change(r);
    std::memcpy(bytes.data() + pos, &r, sizeof r);
    std::ofstream(damaged, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<std::streamsize>(bytes.size()));
  }
  std::uint32_t NodePos(std::uint16_t k, std::int16_t n) const {
    return layout.keypadPos[k] + std::uint32_t{sizeof(KeypadEntry)} + config.keyCount[k] * std::uint32_t{sizeof(KeyEntry)} +
           static_cast<std::uint32_t>(n) * std::uint32_t{sizeof(SequenceNode)};
  }
  int Run() {
    const Bytes before = ReadAll(damaged);
    const int rc = Salvage(damaged, fresh, false, said);
    EXPECT_EQ(ReadAll(damaged), before) << "the damaged file was written";
    return rc;
  }
};

TEST_F(SalvageTest, AFlippedByteInANameComesBackWholeWithTheNameAsItNowReads) {
  const nlohmann::json sound = Dump(damaged);
  const std::uint32_t pos = layout.sourceTablePos[0] + (config.sourceCount[0][0] + 4u) * std::uint32_t{sizeof(SourceEntry)} +
                            offsetof(SourceEntry, name2);
  Damage<char16_t>(pos, [](char16_t& u) { u ^= 0x07; });  // C becomes D
  DbsHandle h = -1;
  EXPECT_EQ(dbs_OpenFile(Str(damaged), 0, &h), DBS_ERR_FILE_CORRUPT);
  EXPECT_EQ(Run(), kOk) << said.str();
  EXPECT_NE(said.str().find("does not match its checksum"), std::string::npos) << said.str();
  nlohmann::json expected = sound;
  expected["levels"][1]["sources"][4]["names"][1] = "DAMERA";
  EXPECT_EQ(Dump(fresh), expected);
}

TEST_F(SalvageTest, ACycleInASequenceTreeEmptiesThatTreeAndLeavesTheRestWhole) {
  const nlohmann::json sound = Dump(damaged);
  ASSERT_FALSE(sound["keypads"][0]["sequences"].empty());
  // The last top-level node of keypad 0 leads back to the first.
  SequenceTail tail;
  const Bytes bytes = ReadAll(damaged);
  std::memcpy(&tail, bytes.data() + layout.keypadTailPos[0], sizeof tail);
  std::int16_t last = tail.root;
  for (int guard = 0; guard < 64; ++guard) {
    SequenceNode n;
    std::memcpy(&n, bytes.data() + NodePos(0, last), sizeof n);
    if (n.next < 0) break;
    last = n.next;
  }
  Damage<SequenceNode>(NodePos(0, last), [&](SequenceNode& n) { n.next = tail.root; });
  EXPECT_EQ(Run(), kDamaged) << said.str();
  EXPECT_NE(said.str().find("the sequence tree of keypad 0"), std::string::npos) << said.str();
  nlohmann::json expected = sound;
  expected["keypads"][0]["sequences"] = nlohmann::json::array();
  EXPECT_EQ(Dump(fresh), expected);
}

TEST_F(SalvageTest, TwoPanelsInOnePlaceLeaveTheSecondOffItsPortAndABrokenChainItsSalvo) {
  const nlohmann::json sound = Dump(damaged);
  const auto place = [&](std::uint16_t p) {
    Damage<PanelEntry>(layout.panelPos + p * std::uint32_t{sizeof(PanelEntry)}, [](PanelEntry& e) {
      e.port = 1;
      e.address = 7;
    });
  };
  place(3);
  place(9);
  Damage<std::int16_t>(layout.salvoPos + 2 * std::uint32_t{sizeof(SalvoEntry)} + offsetof(SalvoEntry, firstXP),
                       [](std::int16_t& first) { first = 4000; });
  EXPECT_EQ(Run(), kDamaged) << said.str();
  nlohmann::json expected = sound;
  expected["panels"][3]["place"] = {1, 7};
  expected["salvos"][2]["crosspoints"] = nlohmann::json::array();
  EXPECT_EQ(Dump(fresh), expected);
}

TEST_F(SalvageTest, AKv1FileComesBackAsAV1DatabaseOfItsDimensions) {
  const std::string kv1 = dir.File("old.KV1");
  test::WriteKv1(kv1, {{33, 16, 16}, {3, 8, 8}});
  Bytes bytes = ReadAll(kv1);
  bytes[3000] ^= 0x40;  // somewhere in the tables
  std::ofstream(kv1, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
  EXPECT_EQ(Salvage(kv1, fresh, false, said), kOk) << said.str();
  DbsHandle h = -1;
  ASSERT_EQ(dbs_OpenFile(Str(fresh), 0, &h), DBS_OK);
  TConfigurationRecord record{};
  LibString name(16);
  record.name = name;
  ASSERT_EQ(dbs_GetConfig(&record, h), DBS_OK);
  EXPECT_EQ(record.configType, DBS_TYPE_V1);
  EXPECT_EQ(record.sourceCount[0][1], 8);
  std::uint16_t type = 0;
  EXPECT_EQ(dbs_GetLevelType(0, 0, &type, h), DBS_OK);
  EXPECT_EQ(type, 41);  // KV1 type 33
  dbs_CloseFile(h);
}

TEST_F(SalvageTest, WithoutASoundConfigurationNothingIsCarriedOver) {
  Damage<std::uint16_t>(offsetof(ConfigImage, panelCount), [](std::uint16_t& n) { n = 99; });
  EXPECT_EQ(Run(), kFailed);
  EXPECT_NE(said.str().find("configuration record is not sound"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(fresh));
  std::filesystem::resize_file(damaged, 100);
  EXPECT_EQ(Run(), kFailed);
  EXPECT_EQ(Salvage(damaged, damaged, true, said), kFailed);
}

}  // namespace
}  // namespace zephra::tool
