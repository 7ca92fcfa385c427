// Two machines compared member by member: everything the firmware, the panel or the runner's JSON
// can see, and every peripheral internal. Used where a run loop is checked against the per-step
// reference.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "cpu/machine.hpp"

namespace kv74::testing {

struct DiffOptions {
  bool memories = true;        // DataMemory
  bool constantAreas = false;  // ProgramMemory and TableMemory, which no store reaches
};

// "" when equal, else the first difference found.
inline std::string MachineDifference(const MachineState& a, const MachineState& b,
                                     DiffOptions options = {}) {
  auto num = [](unsigned long long v) { return std::to_string(v); };
  for (int w = 0; w < reg::COUNT; ++w) {
    if (a.Word(w) != b.Word(w)) {
      return "word " + num(static_cast<unsigned>(w)) + ": " + num(a.Word(w)) + " vs " +
             num(b.Word(w));
    }
  }
  std::string diff;
  auto check = [&](const char* name, auto x, auto y) {
    if (diff.empty() && x != y) {
      diff = std::string(name) + ": " + num(static_cast<unsigned long long>(x)) + " vs " +
             num(static_cast<unsigned long long>(y));
    }
  };
  check("NotifyWord", a.NotifyWord, b.NotifyWord);
  check("opWord", a.opWord, b.opWord);
  check("extWord", a.extWord, b.extWord);
  check("timerPrescaler", a.timerPrescaler, b.timerPrescaler);
  check("timerCount", a.timerCount, b.timerCount);
  for (std::size_t i = 0; i < 3; ++i) {
    check("channelPeriod", a.channelPeriod[i], b.channelPeriod[i]);
    check("channelDivider", a.channelDivider[i], b.channelDivider[i]);
    check("channelMarkCount", a.channelMarkCount[i], b.channelMarkCount[i]);
  }
  check("jogDivider", a.jogDivider, b.jogDivider);
  check("jogSampleCount", a.jogSampleCount, b.jogSampleCount);
  check("seqState", a.seqState, b.seqState);
  check("seqCode", a.seqCode, b.seqCode);
  check("seqCountdown", a.seqCountdown, b.seqCountdown);
  if (!diff.empty()) return diff;
  auto area = [](const auto& x, const auto& y, const char* name) -> std::string {
    const auto [i, j] = std::ranges::mismatch(x, y);
    if (i == x.end()) return "";
    return std::string(name) + " word " + std::to_string(i - x.begin());
  };
  if (options.memories) {
    if (std::string d = area(a.DataMemory, b.DataMemory, "DataMemory"); !d.empty()) return d;
  }
  if (options.constantAreas) {
    if (std::string d = area(a.ProgramMemory, b.ProgramMemory, "ProgramMemory"); !d.empty())
      return d;
    if (std::string d = area(a.TableMemory, b.TableMemory, "TableMemory"); !d.empty()) return d;
  }
  return "";
}

// Everything of src into dst (MachineState holds an atomic and has no copy).
inline void CopyMachine(MachineState& dst, const MachineState& src) {
  dst.RegisterFile = src.RegisterFile;
  dst.ProgramMemory = src.ProgramMemory;
  dst.DataMemory = src.DataMemory;
  dst.TableMemory = src.TableMemory;
  dst.opWord = src.opWord;
  dst.extWord = src.extWord;
  dst.NotifyWord = src.NotifyWord;
  dst.timerPrescaler = src.timerPrescaler;
  dst.timerCount = src.timerCount;
  dst.channelPeriod = src.channelPeriod;
  dst.channelDivider = src.channelDivider;
  dst.channelMarkCount = src.channelMarkCount;
  dst.jogDivider = src.jogDivider;
  dst.jogSampleCount = src.jogSampleCount;
  dst.jogButtons.store(src.jogButtons.load());
  dst.seqState = src.seqState;
  dst.seqCode = src.seqCode;
  dst.seqCountdown = src.seqCountdown;
  dst.tickClock = src.tickClock;
  dst.syncedClock = src.syncedClock;
  dst.eventClock = src.eventClock;
}

}  // namespace kv74::testing
