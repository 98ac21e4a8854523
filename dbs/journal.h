// The journal of a database slot: the bytes each step of changes overwrote
// and the bytes it left, so that a step can be taken back and made again
// byte for byte. It sees every write of the image before it happens (the one
// write path calls it) and knows nothing else of the database.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "config.h"

namespace zephra {

// What one step changed: disjoint runs in increasing order, each with the
// bytes before the step and the bytes after it.
struct JournalStep {
  struct Run {
    std::uint32_t pos, length, offset;  // before at bytes[offset], after at bytes[offset + length]
  };
  std::vector<Run> runs;
  std::vector<std::uint8_t> bytes;

  const std::uint8_t* Before(const Run& r) const { return bytes.data() + r.offset; }
  const std::uint8_t* After(const Run& r) const { return bytes.data() + r.offset + r.length; }
  std::uint32_t Changed() const;  // the file bytes the step covers
  std::size_t Held() const { return bytes.capacity() + runs.capacity() * sizeof(Run); }
};

// The bytes a series of writes overwrote, each byte as it was before the
// first write that reached it.
class WriteRecorder {
 public:
  // Before `count` bytes of `image` at `pos` are overwritten.
  void Before(const std::uint8_t* image, std::uint32_t pos, std::size_t count);
  bool Empty() const { return ranges_.empty(); }
  // The runs that differ between what was recorded and `image` now.
  JournalStep Changes(const std::uint8_t* image) const;
  // f(pos, bytes before, count) for every range recorded.
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& [pos, bytes] : ranges_) f(pos, bytes.data(), bytes.size());
  }

 private:
  std::map<std::uint32_t, std::vector<std::uint8_t>> ranges_;  // disjoint, never adjacent
};

class Journal {
 public:
  // Called by the write path before `count` bytes at `pos` of `image` are
  // overwritten with `data`. In a step (or a capture) the old bytes are
  // recorded; outside one, a write that changes bytes a step covers makes
  // those steps unsafe to take back or make again, and the journal is
  // dropped (Losses() counts it).
  void BeforeWrite(const std::uint8_t* image, std::uint32_t pos, const std::uint8_t* data, std::size_t count);

  // A step opened: the steps that could be made again are dropped. False
  // when one is open already.
  bool Begin();
  // The open step closed: its number (the steps that can be taken back),
  // or 0 when it changed no byte and nothing was kept.
  std::uint32_t End(const std::uint8_t* image);
  // The open step forgotten; `restore` gets what its writes overwrote.
  template <class F>
  void Abandon(F&& restore) {
    Quiet quiet(*this);
    open_.ForEach(restore);
    open_ = WriteRecorder{};
    isOpen_ = false;
    recorder_ = nullptr;
  }
  bool IsOpen() const { return isOpen_; }

  std::uint32_t UndoCount() const { return static_cast<std::uint32_t>(done_); }
  std::uint32_t RedoCount() const { return static_cast<std::uint32_t>(steps_.size() - done_); }
  // The step an undo takes back, or one a redo makes again; null when none
  // (or while a step is open). Taken() moves past it.
  const JournalStep* ToUndo() const { return !isOpen_ && done_ > 0 ? &steps_[done_ - 1] : nullptr; }
  const JournalStep* ToRedo() const { return !isOpen_ && done_ < steps_.size() ? &steps_[done_] : nullptr; }
  void Undone() { --done_; }
  void Redone() { ++done_; }
  // Step n (1 = the oldest), undone or not; null when there is none.
  const JournalStep* Step(std::uint32_t n) const { return n >= 1 && n <= steps_.size() ? &steps_[n - 1] : nullptr; }

  // Every step forgotten, an open one too (its changes stay).
  void Clear();
  std::uint32_t Losses() const { return losses_; }
  std::uint64_t Held() const;

  // While one lives, writes are neither recorded nor checked: the journal's
  // own replays, and putting back what a capture recorded.
  class Quiet {
   public:
    explicit Quiet(Journal& j) : j_(j), saved_(j.quiet_) { j.quiet_ = true; }
    ~Quiet() { j_.quiet_ = saved_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

   private:
    Journal& j_;
    bool saved_;
  };
  // While one lives, writes go to its own recorder instead of the open step
  // or the check.
  class Capture {
   public:
    explicit Capture(Journal& j) : j_(j), saved_(j.recorder_) { j.recorder_ = &recorder; }
    ~Capture() { j_.recorder_ = saved_; }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    WriteRecorder recorder;

   private:
    Journal& j_;
    WriteRecorder* saved_;
  };

 private:
  // Runs a change of the covered bytes; when memory fails half way, what
  // is covered can no longer be trusted and every step is dropped.
  template <class F>
  void Covering(F&& change) {
    try {
      change();
    } catch (...) {
      Clear();
      throw;
    }
  }
  void Cover(const JournalStep& step);
  void Recover();  // the covered bytes again from the steps kept
  bool ChangesCovered(const std::uint8_t* image, std::uint32_t pos, const std::uint8_t* data, std::size_t count) const;

  std::vector<JournalStep> steps_;
  std::size_t done_ = 0;                      // steps_[0, done_) can be taken back
  std::map<std::uint32_t, std::uint32_t> covered_;  // start -> end of the bytes any step holds
  WriteRecorder open_;
  bool isOpen_ = false;
  WriteRecorder* recorder_ = nullptr;         // where writes are recorded now
  bool quiet_ = false;
  std::uint32_t losses_ = 0;
};

}  // namespace zephra
