// What a run executed, collected by the engine while set (Engine::SetCollector), for coverage
// reports and profiles (debug/reports.hpp):
//   per address   instructions executed, conditional jumps taken, calls and request entries
//                 landing there (entries into routines)
//   call tree     with profiling: one node per distinct chain of calls and request entries
//                 (the engine's call tracking), with its call count and the steps run in it
// Only steps run forward count: steps re-run while going back do not. The engine's loops count
// through the inline members below: the plain loop counting (coverage alone) knows each
// instruction's form from its body; the checked loop reads a map of the jumps and calls in
// program memory (Prepare), which spares it decoding every instruction.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "board/machine.hpp"
#include "cpu/decode.hpp"
#include "debug/call_stack.hpp"

namespace kv74::debug {

struct CallNode {
  std::uint32_t parent = 0;     // node index; the root is 0 and its own parent
  std::uint16_t callPc = 0;     // the call instruction, or where the request interrupted
  std::uint16_t entry = 0;      // the routine's first instruction
  int request = -1;             // request line of a request entry, else -1
  std::uint64_t calls = 0;      // times entered this way
  std::uint64_t selfSteps = 0;  // steps run in this node, not in the nodes under it
};

class Collector {
 public:
  static constexpr std::size_t kAddresses = 65536;
  // What the instruction at an address is, for the loop: nothing to note, a conditional jump or
  // a call of one or two words, or a word outside program memory to decode when run; kRequest
  // marks the address while a step there takes a request entry instead.
  enum Kind : std::uint8_t { kPlain, kJump1, kJump2, kCall1, kCall2, kDecode, kRequest = 0x80 };

  explicit Collector(bool profile);
  bool Profiling() const { return profile_; }
  void Reset();  // everything back to zero
  // The call stack the collection starts in: its frames are entered without counting a call.
  void Adopt(const std::vector<Frame>& frames);
  // Before a run: the kinds of the words in program memory.
  void Prepare(const BoardState& m);

  // ---- Counting, by the engine's loop.
  std::uint64_t* ExecutedCounts() { return executed_.data(); }
  const Kind* Kinds() const { return kinds_.data(); }
  std::uint64_t* TakenCounts() { return taken_.data(); }
  std::uint64_t* EnteredCounts() { return entered_.data(); }
  std::uint64_t* RequestCounts() { return requests_.data(); }
  static Kind KindOf(std::uint16_t op);
  // The step at pc takes a request entry instead of its instruction: the loop, which counted
  // the instruction as run, hears of it through the kind.
  void MarkRequest(std::uint16_t pc) { kinds_[pc] = static_cast<Kind>(kinds_[pc] | kRequest); }
  // After a step at pc of a kind other than kPlain that left the processor at newPc; returns the
  // kind, decoded when it was kDecode, or kRequest.
  Kind Transfer(const BoardState& m, std::uint16_t pc, Kind k, std::uint16_t newPc);
  // Profiling: a step run in the current node at pc; the call stack after a step.
  void Self(std::uint16_t pc) {
    ++nodes_[path_.back()].selfSteps;
    if (path_.size() == 1) ++outermost_[pc];
  }
  void Follow(const std::vector<Frame>& frames);
  // All of the above for one step (the slow checks): the instruction at pc, or the request
  // entry taken instead (request >= 0); `frames` is the call stack after the step.
  void Stepped(const BoardState& m, std::uint16_t pc, int request, std::uint16_t newPc,
               const std::vector<Frame>& frames);

  // ---- Results.
  std::uint64_t Executed(std::uint16_t a) const { return executed_[a]; }
  std::uint64_t Taken(std::uint16_t a) const { return taken_[a]; }
  std::uint64_t Entered(std::uint16_t a) const { return entered_[a]; }
  // Request entry steps that landed at a (a part of Entered).
  std::uint64_t RequestSteps(std::uint16_t a) const { return requests_[a]; }
  // Steps run at a outside any tracked call (the outermost frame).
  std::uint64_t OutermostSteps(std::uint16_t a) const { return outermost_[a]; }
  const std::vector<CallNode>& Nodes() const { return nodes_; }

  // Whether an instruction is a call, or a conditional jump.
  static bool IsCall(Op form, std::uint16_t op) {
    return form == Op::CallTable ||
           ((form == Op::JumpReg || form == Op::JumpAbs) && FieldD(op) == 2);
  }
  static bool IsConditional(Op form, std::uint16_t op) {
    return (form == Op::JumpRel || form == Op::JumpReg || form == Op::JumpAbs) &&
           MayFail(FieldD(op));
  }
  // Whether a jump's condition d may fail (not CALL 2, not JMP 3).
  static constexpr bool MayFail(unsigned d) { return d != 2 && d != 3; }

 private:
  std::uint32_t Child(std::uint32_t parent, const Frame& f);

  bool profile_;
  std::array<Kind, kAddresses> kinds_{};
  std::vector<std::uint64_t> executed_, taken_, entered_, requests_, outermost_;
  std::vector<CallNode> nodes_;
  std::vector<std::uint32_t> path_;  // node indices, the root first
  std::unordered_map<std::uint64_t, std::uint32_t> children_;
};

inline void Collector::Stepped(const BoardState& m, std::uint16_t pc, int request,
                               std::uint16_t newPc, const std::vector<Frame>& frames) {
  if (request >= 0) MarkRequest(pc);
  ++executed_[pc];
  if (kinds_[pc] != kPlain) Transfer(m, pc, kinds_[pc], newPc);
  if (profile_ && request < 0) Self(pc);
  if (!profile_) return;
  Follow(frames);
  if (request >= 0) Self(newPc);
}

}  // namespace kv74::debug
