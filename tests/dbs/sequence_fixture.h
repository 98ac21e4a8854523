// Entry-sequence records for the tests, with strings that live as long as
// the record.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "config_fixtures.h"

namespace zephra::test {

// A sequence record whose strings live as long as it does.
struct Sequence {
  TEntrySequenceRecord record{};
  std::vector<std::unique_ptr<Str>> strings;

  Sequence(std::uint16_t keypad, std::initializer_list<std::u16string_view> keys, std::int16_t selection = -1) {
    record.keypad = keypad;
    record.count = static_cast<std::uint16_t>(keys.size());
    std::uint16_t d = 0;
    for (auto key : keys) {
      TKeyPressRecord& press = record.presses[d++];
      press.keyName = Keep(key);
      press.displayName = Keep(u"");
      std::fill(std::begin(press.selection), std::end(press.selection), std::int16_t{-1});
      press.salvo = -1;
    }
    if (d) record.presses[d - 1].selection[0] = selection;
  }
  // Room for what an enumeration fills in.
  static Sequence Empty(std::uint16_t keypad) {
    Sequence s(keypad, {});
    for (auto& press : s.record.presses) {
      press.keyName = s.Keep(u"................");
      press.displayName = s.Keep(u"................");
    }
    return s;
  }
  DbsString Keep(std::u16string_view text) {
    strings.push_back(std::make_unique<Str>(text));
    return *strings.back();
  }
  std::u16string Path() const {
    std::u16string out;
    for (std::uint16_t d = 0; d < record.count; ++d) {
      std::u16string name(record.presses[d].keyName, DbsStringLength(record.presses[d].keyName));
      if (d) out += u'-';
      out += name.substr(0, name.find(u'\0'));
    }
    return out;
  }
};

// A keypad's sequences one after another, as "A-B" paths, and in `end` the
// status that ended them (at most 100).
inline std::vector<std::u16string> SequencePaths(DbsHandle h, std::uint16_t keypad, DbsStatus* end = nullptr) {
  std::vector<std::u16string> paths;
  Sequence s = Sequence::Empty(keypad);
  DbsStatus st = dbs_GetFirstSequence(keypad, &s.record, h);
  for (int guard = 0; st == DBS_OK && guard < 100; ++guard) {
    paths.push_back(s.Path());
    st = dbs_GetNextSequence(keypad, &s.record, h);
  }
  if (end) *end = st;
  return paths;
}

// Names key `key` of a keypad (a name key unless `type` says otherwise).
inline void NameKey(DbsHandle h, std::uint16_t keypad, std::uint16_t key, std::u16string_view name,
                    std::uint8_t type = 1) {
  Str n(name), alt(u"");
  TKeyRecord r{key, keypad, n, alt, type, static_cast<std::uint8_t>(key), 0, 0};
  ASSERT_EQ(dbs_SetKey(keypad, key, &r, h), DBS_OK);
}

}  // namespace zephra::test
