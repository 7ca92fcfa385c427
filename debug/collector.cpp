#include "debug/collector.hpp"

#include "cpu/bus.hpp"

namespace kv74::debug {

Collector::Collector(bool profile) : profile_(profile) {
  kinds_.fill(kDecode);
  Reset();
}

void Collector::Reset() {
  for (auto* v : {&executed_, &taken_, &entered_, &requests_, &outermost_}) {
    v->assign(kAddresses, 0);
  }
  nodes_.assign(1, CallNode{});
  path_.assign(1, 0);
  children_.clear();
}

Collector::Kind Collector::KindOf(std::uint16_t op) {
  const Op form = Decode(op);
  const bool two = InstructionLength(op) == 2;
  if (IsCall(form, op)) return two ? kCall2 : kCall1;
  if (IsConditional(form, op)) return two ? kJump2 : kJump1;
  return kPlain;
}

void Collector::Prepare(const BoardState& m) {
  for (std::size_t a = 0; a < PROGRAM_WORDS; ++a) kinds_[a] = KindOf(m.ProgramMemory[a]);
}

Collector::Kind Collector::Transfer(const BoardState& m, std::uint16_t pc, Kind k,
                                    std::uint16_t newPc) {
  if ((k & kRequest) != 0) {
    kinds_[pc] = static_cast<Kind>(k & ~kRequest);
    --executed_[pc];
    ++entered_[newPc];
    ++requests_[newPc];
    return kRequest;
  }
  if (k == kDecode) k = KindOf(PeekWord(const_cast<BoardState&>(m), pc));
  switch (k) {
    case kJump1:
    case kJump2:
      if (newPc != static_cast<std::uint16_t>(pc + (k == kJump2 ? 2 : 1))) ++taken_[pc];
      break;
    case kCall1:
    case kCall2: ++entered_[newPc]; break;
    default: break;
  }
  return k;
}

std::uint32_t Collector::Child(std::uint32_t parent, const Frame& f) {
  const std::uint64_t key = (std::uint64_t{parent} << 40) ^ (std::uint64_t{f.callPc} << 24) ^
                            (std::uint64_t{f.entry} << 8) ^
                            static_cast<std::uint8_t>(f.request + 1);
  const auto [it, added] = children_.try_emplace(key, static_cast<std::uint32_t>(nodes_.size()));
  if (added) nodes_.push_back({parent, f.callPc, f.entry, f.request, 0, 0});
  return it->second;
}

// The path follows the call stack: frames gone or replaced leave it, new ones enter it.
void Collector::Follow(const std::vector<Frame>& frames) {
  auto same = [&](std::size_t depth) {
    const CallNode& n = nodes_[path_[depth]];
    const Frame& f = frames[depth - 1];
    return n.entry == f.entry && n.callPc == f.callPc && n.request == f.request;
  };
  while (path_.size() > 1 && (path_.size() - 1 > frames.size() || !same(path_.size() - 1))) {
    path_.pop_back();
  }
  while (path_.size() - 1 < frames.size()) {
    const std::uint32_t id = Child(path_.back(), frames[path_.size() - 1]);
    ++nodes_[id].calls;
    path_.push_back(id);
  }
}

void Collector::Adopt(const std::vector<Frame>& frames) {
  path_.assign(1, 0);
  for (const Frame& f : frames) path_.push_back(Child(path_.back(), f));
}

}  // namespace kv74::debug
