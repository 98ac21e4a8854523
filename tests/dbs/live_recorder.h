// Puts a slot on-line without a controller: every live-update entry of the
// slot (and the sending of the keypad areas) is replaced by one that records
// its name and record and answers what the test says. Restores the slot when
// it goes.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "dbs/frame.h"

namespace zephra::test {

struct LiveCall {
  std::string name;
  std::vector<std::uint8_t> record;  // as many bytes as the test asked for
  template <class R>
  R As() const {
    R r{};
    std::memcpy(&r, record.data(), std::min(sizeof r, record.size()));
    return r;
  }
};

class LiveRecorder {
 public:
  // `sizes`: how many bytes of each entry's record to keep.
  LiveRecorder(Slot& slot, std::map<std::string, std::size_t> sizes) : slot_(slot), saved_(slot.ops) {
    Sizes() = std::move(sizes);
    Calls().clear();
    Answer() = DBS_OK;
    Answers().clear();
#define ZEPHRA_RECORD_OP(name, type) Install<FormatOpIndex(#name)>(slot.ops.name);
    ZEPHRA_FORMAT_OPS(ZEPHRA_RECORD_OP)
#undef ZEPHRA_RECORD_OP
    slot.ops.LivePortAssignment = &RecordPlace;
    slot.ops.LiveKeypadArea = &RecordKeypadArea;
    slot.ops.SendKeypadAreas = &RecordKeypadAreas;
    slot.db->online = 1;
  }
  ~LiveRecorder() {
    slot_.ops = saved_;
    slot_.db->online = 0;
  }
  LiveRecorder(const LiveRecorder&) = delete;
  LiveRecorder& operator=(const LiveRecorder&) = delete;

  static std::vector<LiveCall>& Calls() {
    static std::vector<LiveCall> calls;
    return calls;
  }
  // What every live entry answers from now on.
  static Status& Answer() {
    static Status answer = DBS_OK;
    return answer;
  }
  // What particular entries answer instead, by name.
  static std::map<std::string, Status>& Answers() {
    static std::map<std::string, Status> answers;
    return answers;
  }
  static std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const LiveCall& c : Calls()) names.push_back(c.name);
    return names;
  }

 private:
  template <std::size_t I, class Entry>
  static void Install(Entry& entry) {
    if constexpr (std::is_same_v<Entry, LiveFn>) entry = &Record<I>;
  }
  static std::map<std::string, std::size_t>& Sizes() {
    static std::map<std::string, std::size_t> sizes;
    return sizes;
  }
  static Status Note(std::string name, const void* record, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(record);
    Calls().push_back({name, std::vector<std::uint8_t>(bytes, bytes + size)});
    const auto special = Answers().find(name);
    return special != Answers().end() ? special->second : Answer();
  }
  template <std::size_t I>
  static Status Record(DbsHandle, const void* record) {
    const std::string name(kFormatOpNames[I]);
    return Note(name, record, Sizes().count(name) ? Sizes()[name] : 0);
  }
  static Status RecordPlace(DbsHandle, std::uint16_t port, std::uint16_t address, std::uint16_t kind,
                            std::uint16_t number) {
    const std::uint16_t words[4] = {port, address, kind, number};
    return Note("LivePortAssignment", words, sizeof words);
  }
  static Status RecordKeypadArea(DbsHandle, std::uint16_t keypad, std::int16_t newFree, std::int16_t oldRoot,
                                 std::int16_t oldFree) {
    const std::int16_t words[4] = {static_cast<std::int16_t>(keypad), newFree, oldRoot, oldFree};
    return Note("LiveKeypadArea", words, sizeof words);
  }
  static Status RecordKeypadAreas(DbsHandle) { return Note("SendKeypadAreas", nullptr, 0); }

  Slot& slot_;
  FormatOps saved_;
};

}  // namespace zephra::test
