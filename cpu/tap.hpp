// Observing the operand accesses of the instructions, for debuggers and tracers. The instruction
// bodies are instantiated twice: with the machine's PlainBus (cpu/bus.hpp), which the ordinary run
// loops use, and with TappedBus, which also reports every read and store of a word marked in the
// tap of the running thread. Only a loop that asks for the tapped bodies pays for the marks.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "cpu/bus.hpp"
#include "cpu/machine.hpp"

namespace kv74 {

struct Access {
  std::uint16_t address = 0;
  std::uint16_t before = 0;  // the word before the access (for a read, the value read)
  std::uint16_t after = 0;   // the word after it
  bool write = false;
};

class AccessTap {
 public:
  static constexpr unsigned MAX_ACCESSES = 8;  // more than any one step makes

  void Mark(std::uint16_t first, std::uint16_t last) {
    for (unsigned a = first; a <= last; ++a) bits_[a >> 6] |= std::uint64_t{1} << (a & 63);
  }
  void Unmark() { bits_.fill(0); }
  bool Marked(std::uint16_t a) const { return (bits_[a >> 6] >> (a & 63)) & 1; }

  void Note(const Access& access) {
    if (count_ < MAX_ACCESSES) log_[count_++] = access;
  }
  std::span<const Access> Accesses() const { return {log_.data(), count_}; }
  bool Any() const { return count_ != 0; }
  void Forget() { count_ = 0; }

 private:
  std::array<std::uint64_t, 1024> bits_{};
  std::array<Access, MAX_ACCESSES> log_{};
  unsigned count_ = 0;
};

// The tap that TappedBus reports to on this thread; whoever runs the tapped bodies sets it.
inline thread_local AccessTap* threadTap = nullptr;

struct TappedBus {
  static std::uint16_t Read(MachineState& m, std::uint16_t a) {
    const std::uint16_t v = BusRead(m, a);
    if (threadTap->Marked(a)) [[unlikely]]
      threadTap->Note({a, v, v, false});
    return v;
  }
  static void Write(MachineState& m, std::uint16_t a, std::uint16_t v) {
    if (!threadTap->Marked(a)) [[likely]] {
      BusWrite(m, a, v);
      return;
    }
    const std::uint16_t before = PeekWord(m, a);
    BusWrite(m, a, v);
    threadTap->Note({a, before, PeekWord(m, a), true});
  }
  static void Noted(MachineState&, std::uint16_t a, std::uint16_t before, std::uint16_t after) {
    if (threadTap->Marked(a)) [[unlikely]]
      threadTap->Note({a, before, after, true});
  }
};

}  // namespace kv74
