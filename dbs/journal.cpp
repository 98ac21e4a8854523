#include "journal.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace zephra {

namespace {

// Unchanged bytes between two changed ones are kept in one run when the gap
// is this short: a run's own bookkeeping costs about as much.
constexpr std::size_t kRunGap = 8;

// The first position from `from` on where a and b differ, or n; equal
// stretches are passed over a piece at a time.
std::size_t Mismatch(const std::uint8_t* a, const std::uint8_t* b, std::size_t from, std::size_t n) {
  constexpr std::size_t kPiece = 32;
  while (from + kPiece <= n && std::memcmp(a + from, b + from, kPiece) == 0) from += kPiece;
  while (from < n && a[from] == b[from]) ++from;
  return from;
}

}  // namespace

std::uint32_t JournalStep::Changed() const {
  std::uint32_t n = 0;
  for (const Run& r : runs) n += r.length;
  return n;
}

void WriteRecorder::Before(const std::uint8_t* image, std::uint32_t pos, std::size_t count) {
  const std::uint32_t lo = pos;
  const std::uint32_t hi = pos + static_cast<std::uint32_t>(count);
  // The ranges that overlap [lo, hi) or touch it.
  auto first = ranges_.upper_bound(lo);
  if (first != ranges_.begin()) {
    const auto prev = std::prev(first);
    if (prev->first + prev->second.size() >= lo) first = prev;
  }
  auto last = first;
  while (last != ranges_.end() && last->first <= hi) ++last;
  if (first == last) {
    ranges_.emplace(lo, std::vector<std::uint8_t>(image + lo, image + hi));
    return;
  }
  const std::uint32_t start = std::min(lo, first->first);
  const auto tail = std::prev(last);
  const std::uint32_t end = std::max<std::uint32_t>(hi, tail->first + static_cast<std::uint32_t>(tail->second.size()));
  if (first->first == start && first->second.size() == end - start) return;  // already recorded
  // One range from start to end: what was recorded wins over the image. A
  // range growing at its end (writes one after another) stays where it is.
  // A failed allocation leaves the ranges as they were.
  const bool grows = first->first == start;
  const std::size_t kept = grows ? first->second.size() : 0;
  auto at = first;
  if (grows) {
    at->second.resize(end - start);
  } else {
    at = ranges_.emplace_hint(first, start, std::vector<std::uint8_t>(end - start));
  }
  std::vector<std::uint8_t>& merged = at->second;
  std::memcpy(merged.data() + kept, image + start + kept, merged.size() - kept);
  const auto from = grows ? std::next(first) : first;
  for (auto it = from; it != last; ++it) std::memcpy(merged.data() + (it->first - start), it->second.data(), it->second.size());
  ranges_.erase(from, last);
}

JournalStep WriteRecorder::Changes(const std::uint8_t* image) const {
  JournalStep step;
  const auto add = [&](std::uint32_t pos, const std::uint8_t* before, const std::uint8_t* after, std::uint32_t n) {
    step.runs.push_back({pos, n, static_cast<std::uint32_t>(step.bytes.size())});
    step.bytes.insert(step.bytes.end(), before, before + n);
    step.bytes.insert(step.bytes.end(), after, after + n);
  };
  for (const auto& [pos, before] : ranges_) {
    const std::uint8_t* now = image + pos;
    const std::size_t n = before.size();
    for (std::size_t i = Mismatch(before.data(), now, 0, n); i < n;) {
      std::size_t last = i;
      for (std::size_t j = Mismatch(before.data(), now, last + 1, n); j < n && j - last <= kRunGap;
           j = Mismatch(before.data(), now, j + 1, n)) {
        last = j;
      }
      add(pos + static_cast<std::uint32_t>(i), before.data() + i, now + i, static_cast<std::uint32_t>(last + 1 - i));
      i = Mismatch(before.data(), now, last + 1, n);
    }
  }
  step.bytes.shrink_to_fit();
  step.runs.shrink_to_fit();
  return step;
}

void Journal::BeforeWrite(const std::uint8_t* image, std::uint32_t pos, const std::uint8_t* data, std::size_t count) {
  if (quiet_ || count == 0) return;
  if (recorder_) {
    recorder_->Before(image, pos, count);
    return;
  }
  if (steps_.empty() || !ChangesCovered(image, pos, data, count)) return;
  // Taking a step back would now undo this write too, in part: no step is
  // safe any more.
  Clear();
  ++losses_;
}

bool Journal::Begin() {
  if (isOpen_) return false;
  if (done_ < steps_.size()) {
    steps_.resize(done_);
    Covering([&] { Recover(); });
  }
  isOpen_ = true;
  recorder_ = &open_;
  return true;
}

std::uint32_t Journal::End(const std::uint8_t* image) {
  // A failed allocation leaves the step open.
  JournalStep step = open_.Changes(image);
  const bool kept = !step.runs.empty();
  if (kept) {
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    Covering([&] { Cover(steps_.back()); });
  }
  open_ = WriteRecorder{};
  isOpen_ = false;
  recorder_ = nullptr;
  return kept ? UndoCount() : 0;
}

void Journal::Clear() {
  steps_.clear();
  steps_.shrink_to_fit();
  done_ = 0;
  covered_.clear();
  open_ = WriteRecorder{};
  if (isOpen_) recorder_ = nullptr;
  isOpen_ = false;
}

std::uint64_t Journal::Held() const {
  std::uint64_t n = 0;
  for (const JournalStep& s : steps_) n += s.Held();
  return n;
}

void Journal::Cover(const JournalStep& step) {
  for (const JournalStep::Run& r : step.runs) {
    std::uint32_t lo = r.pos, hi = r.pos + r.length;
    auto it = covered_.upper_bound(lo);
    if (it != covered_.begin() && std::prev(it)->second >= lo) --it;
    while (it != covered_.end() && it->first <= hi) {
      lo = std::min(lo, it->first);
      hi = std::max(hi, it->second);
      it = covered_.erase(it);
    }
    covered_.emplace(lo, hi);
  }
}

void Journal::Recover() {
  covered_.clear();
  for (const JournalStep& s : steps_) Cover(s);
}

bool Journal::ChangesCovered(const std::uint8_t* image, std::uint32_t pos, const std::uint8_t* data,
                             std::size_t count) const {
  const std::uint64_t end = std::uint64_t{pos} + count;
  auto it = covered_.upper_bound(pos);
  if (it != covered_.begin() && std::prev(it)->second > pos) --it;
  for (; it != covered_.end() && it->first < end; ++it) {
    const std::uint32_t lo = std::max(it->first, pos);
    const auto hi = static_cast<std::uint32_t>(std::min<std::uint64_t>(it->second, end));
    if (lo < hi && std::memcmp(image + lo, data + (lo - pos), hi - lo) != 0) return true;
  }
  return false;
}

}  // namespace zephra
