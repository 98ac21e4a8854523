#include "checker.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "records/keypads.h"
#include "records/panels.h"
#include "records/umds.h"
#include "records/salvos.h"

namespace zephra {
namespace {

class Checker {
 public:
  Checker(const ConfigImage& c, const ImageLayout& L, std::span<const std::uint8_t> image)
      : c_(c), L_(L), image_(image) {}

  std::vector<StructureProblem> Run(StructureCensus& census) {
    census.treeNodes.assign(std::min<std::uint16_t>(c_.keypadCount, DBS_MAX_KEYPADS), {});
    census.chainLengths.assign(c_.salvoCount, 0);
    census_ = &census;
    for (std::uint16_t k = 0; k < c_.keypadCount && k < DBS_MAX_KEYPADS; ++k) CheckKeypad(k);
    CheckSalvos();
    CheckDevices();
    return problems_;
  }

 private:
  template <class R>
  bool Read(std::uint32_t pos, R& r) const {
    if (std::uint64_t{pos} + sizeof r > image_.size()) return false;
    std::memcpy(&r, image_.data() + pos, sizeof r);
    return true;
  }
  using Kind = StructureProblem::Kind;
  void Problem(Kind kind, std::uint16_t number, std::string text, std::uint16_t item = 0, bool umd = false) {
    problems_.push_back({kind, number, item, umd, std::move(text)});
  }

  void CheckKeypad(std::uint16_t k) {
    const std::uint16_t count = c_.nodeCount[k];
    const std::uint32_t base = L_.keypadPos[k] + std::uint32_t{sizeof(KeypadEntry)} + c_.keyCount[k] * std::uint32_t{sizeof(KeyEntry)};
    const std::string where = "keypad " + std::to_string(k) + ": ";
    std::vector<SequenceNode> nodes(count);
    for (std::uint16_t i = 0; i < count; ++i) {
      if (!Read(base + i * std::uint32_t{sizeof(SequenceNode)}, nodes[i])) {
        return Problem(Kind::SequenceTree, k, where + "nodes lie outside the image");
      }
      if (nodes[i].keypad != k || nodes[i].index != i) {
        Problem(Kind::SequenceNodes, k, where + "node " + std::to_string(i) + " carries another number");
      }
    }
    SequenceTail tail{};
    if (!Read(L_.keypadTailPos[k], tail)) return Problem(Kind::SequenceTree, k, where + "its tail lies outside the image");
    const auto valid = [&](std::int16_t n) { return n >= 0 && n < count; };
    std::vector<int> seen(count, 0);

    // The tree, list by list: each list's prev links, parents and order.
    struct List {
      std::int16_t first, parent;
      int depth;
    };
    std::vector<List> lists{{tail.root, -1, 1}};
    while (!lists.empty()) {
      const List list = lists.back();
      lists.pop_back();
      std::int16_t prev = -1;
      for (std::int16_t n = list.first; n != -1;) {
        if (!valid(n)) {
          Problem(Kind::SequenceTree, k, where + "a link points to node " + std::to_string(n) + ", outside the keypad");
          break;
        }
        if (seen[n]++) {
          Problem(Kind::SequenceTree, k, where + "node " + std::to_string(n) + " is reached twice");
          break;
        }
        census_->treeNodes[k].push_back(n);
        const SequenceNode& node = nodes[n];
        if (node.prev != prev) Problem(Kind::SequenceTree, k, where + "node " + std::to_string(n) + " has a wrong previous link");
        if (node.parent != list.parent) Problem(Kind::SequenceTree, k, where + "node " + std::to_string(n) + " has a wrong parent");
        // Siblings out of name order are no fault: a renamed key's nodes
        // keep their places among their siblings, so the library itself
        // writes such lists.
        if (list.depth > 8) Problem(Kind::SequenceOrder, k, where + "node " + std::to_string(n) + " lies deeper than eight key presses");
        if (node.firstChild != -1) lists.push_back({node.firstChild, n, list.depth + 1});
        prev = n;
        n = node.next;
      }
    }
    for (std::int16_t n = tail.freeHead; n != -1;) {
      if (!valid(n)) {
        Problem(Kind::SequenceNodes, k, where + "the free list points to node " + std::to_string(n) + ", outside the keypad");
        break;
      }
      if (seen[n]++) {
        Problem(Kind::SequenceNodes, k, where + "free node " + std::to_string(n) + " is also used, or listed twice");
        break;
      }
      n = nodes[n].next;
    }
    const auto lost = std::count(seen.begin(), seen.end(), 0);
    if (lost) Problem(Kind::SequenceNodes, k, where + std::to_string(lost) + " nodes are neither in the tree nor free");
  }

  void CheckSalvos() {
    const std::uint16_t count = c_.salvoXPCount;
    std::vector<SalvoXPEntry> records(count);
    for (std::uint16_t i = 0; i < count; ++i) {
      if (!Read(L_.salvoXPPos + i * std::uint32_t{sizeof(SalvoXPEntry)}, records[i])) {
        return Problem(Kind::SalvoPool, 0, "salvo crosspoints lie outside the image");
      }
    }
    const auto valid = [&](std::int16_t n) { return n >= 0 && n < count; };
    std::vector<int> seen(count, 0);
    // A walk of a salvo's chain (`salvo` its number) or of the free list (-1).
    const auto walk = [&](std::int16_t first, int salvo, const std::string& what, auto onRecord) {
      const Kind kind = salvo < 0 ? Kind::SalvoPool : Kind::SalvoChain;
      const auto number = static_cast<std::uint16_t>(salvo < 0 ? 0 : salvo);
      std::uint32_t length = 0;
      for (std::int16_t n = first; n != -1;) {
        if (!valid(n)) {
          Problem(kind, number, what + " links to crosspoint " + std::to_string(n) + ", outside the pool");
          break;
        }
        if (seen[n]++) {
          Problem(kind, number, what + " reaches crosspoint " + std::to_string(n) + " that is already on a chain");
          break;
        }
        onRecord(records[n]);
        ++length;
        n = records[n].next;
      }
      return length;
    };
    for (std::uint16_t s = 0; s < c_.salvoCount; ++s) {
      SalvoEntry header{};
      if (!Read(L_.salvoPos + s * std::uint32_t{sizeof(SalvoEntry)}, header)) {
        return Problem(Kind::SalvoChain, s, "salvos lie outside the image");
      }
      const std::string what = "salvo " + std::to_string(s);
      const auto length = walk(header.firstXP, s, what, [&](const SalvoXPEntry& r) {
        if (r.salvo != s) Problem(Kind::SalvoChain, s, what + " holds crosspoint " + std::to_string(r.xpIndex) + " of another salvo");
      });
      census_->chainLengths[s] = static_cast<std::uint16_t>(length);
      if (header.xpCount != length) {
        Problem(Kind::SalvoCount, s,
                what + " counts " + std::to_string(header.xpCount) + " crosspoints but chains " + std::to_string(length));
      }
    }
    std::int16_t freeHead = -1;
    if (Read(L_.salvoFreePos, freeHead)) walk(freeHead, -1, "the free list", [](const SalvoXPEntry&) {});
    const auto lost = std::count(seen.begin(), seen.end(), 0);
    if (lost) Problem(Kind::SalvoPool, 0, std::to_string(lost) + " salvo crosspoints are on no chain");
  }

  // Panels and their sets, UMDs and the places of both.
  void CheckDevices() {
    std::map<std::uint32_t, std::string> places;
    const auto place = [&](std::uint16_t port, std::uint16_t address, bool umd, std::uint16_t number) {
      if (port >= c_.multidropPortCount || address < 1 || address > 16) return;
      const std::string who = (umd ? "UMD " : "panel ") + std::to_string(number);
      const auto [at, fresh] = places.emplace(port * 16u + address, who);
      if (!fresh) {
        Problem(Kind::Place, number,
                who + " and " + at->second + " share port " + std::to_string(port) + " address " + std::to_string(address), 0,
                umd);
      }
    };
    std::map<std::uint16_t, std::uint16_t> outputOwner, xyOwner;
    for (std::uint16_t p = 0; p < c_.panelCount; ++p) {
      PanelEntry e{};
      if (!Read(L_.panelPos + p * std::uint32_t{sizeof(PanelEntry)}, e)) return Problem(Kind::Place, p, "panels lie outside the image");
      const std::string who = "panel " + std::to_string(p);
      place(e.port, e.address, false, p);
      for (std::uint16_t which = 0; which < 2; ++which) {
        const std::uint16_t set = which == 0 ? e.outputSet : e.overrideSet;
        if (set == kNoEntry) continue;
        if (set >= c_.outputSetCount) {
          Problem(Kind::PanelSet, p, who + " names output or override set " + std::to_string(set) + ", which does not exist",
                  which);
        } else if (const auto [at, fresh] = outputOwner.emplace(set, p); !fresh && at->second != p) {
          Problem(Kind::PanelSet, p,
                  who + " shares output or override set " + std::to_string(set) + " with panel " + std::to_string(at->second),
                  which);
        }
      }
      for (std::uint16_t m = 0; m < c_.matrixCount && m < DBS_MAX_MATRICES; ++m) {
        const std::uint16_t set = e.xySet[m];
        if (set == kNoEntry || set >= c_.xySetCount) continue;
        if (const auto [at, fresh] = xyOwner.emplace(set, p); !fresh) {
          Problem(Kind::PanelXYSet, p, who + " shares XY set " + std::to_string(set) + " with panel " + std::to_string(at->second), m);
        }
      }
      for (std::uint16_t k : {e.destKeypad, e.sourceKeypad}) {
        KeypadEntry keypad{};
        if (k < c_.keypadCount && Read(L_.keypadPos[k], keypad) && !(keypad.keypadFlags & 1)) {
          Problem(Kind::PanelKeypad, p, who + " uses keypad " + std::to_string(k) + ", which is not marked in use", k);
        }
      }
    }
    for (std::uint16_t u = 0; u < c_.umdCount; ++u) {
      UMDEntry e{};
      if (!Read(L_.umdPos + u * std::uint32_t{sizeof(UMDEntry)}, e)) return Problem(Kind::Place, u, "UMDs lie outside the image", 0, true);
      place(e.port, e.address, true, u);
    }
  }

  const ConfigImage& c_;
  const ImageLayout& L_;
  std::span<const std::uint8_t> image_;
  std::vector<StructureProblem> problems_;
  StructureCensus* census_ = nullptr;
};

}  // namespace

std::vector<StructureProblem> FindStructureProblems(const ConfigImage& config, const ImageLayout& layout,
                                                    std::span<const std::uint8_t> image, StructureCensus* census) {
  StructureCensus unused;
  return Checker(config, layout, image).Run(census ? *census : unused);
}

std::vector<std::string> CheckStructures(const ConfigImage& config, const ImageLayout& layout,
                                         std::span<const std::uint8_t> image) {
  std::vector<std::string> texts;
  for (StructureProblem& p : FindStructureProblems(config, layout, image)) texts.push_back(std::move(p.text));
  return texts;
}

}  // namespace zephra
