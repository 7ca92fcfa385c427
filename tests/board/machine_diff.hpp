// Two machines compared member by member: everything the firmware, the panel or the runner's JSON
// can see, and every peripheral internal. Used where a run loop is checked against the per-step
// reference.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "board/machine.hpp"

namespace kv74::testing {

struct DiffOptions {
  bool memories = true;        // DataMemory
  bool constantAreas = false;  // ProgramMemory and TableMemory, which no store reaches
};

// "" when equal, else the first difference found.
inline std::string MachineDifference(const BoardState& a, const BoardState& b,
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
  check("timerPrescaler", a.timer.prescaler, b.timer.prescaler);
  check("timerCount", a.timer.count, b.timer.count);
  for (std::size_t i = 0; i < 3; ++i) {
    check("channelPeriod", a.channels.period[i], b.channels.period[i]);
    check("channelDivider", a.channels.divider[i], b.channels.divider[i]);
    check("channelMarkCount", a.channels.markCount[i], b.channels.markCount[i]);
  }
  check("jogDivider", a.channels.jogDivider, b.channels.jogDivider);
  check("jogSampleCount", a.channels.jogSampleCount, b.channels.jogSampleCount);
  check("seqState", a.sequencer.state, b.sequencer.state);
  check("seqCode", a.sequencer.code, b.sequencer.code);
  check("seqCountdown", a.sequencer.countdown, b.sequencer.countdown);
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

// Everything of src into dst (BoardState holds an atomic and has no copy).
inline void CopyMachine(BoardState& dst, const BoardState& src) {
  dst.RegisterFile = src.RegisterFile;
  dst.ProgramMemory = src.ProgramMemory;
  dst.DataMemory = src.DataMemory;
  dst.TableMemory = src.TableMemory;
  dst.opWord = src.opWord;
  dst.extWord = src.extWord;
  dst.NotifyWord = src.NotifyWord;
  dst.timer.prescaler = src.timer.prescaler;
  dst.timer.count = src.timer.count;
  dst.channels.period = src.channels.period;
  dst.channels.divider = src.channels.divider;
  dst.channels.markCount = src.channels.markCount;
  dst.channels.jogDivider = src.channels.jogDivider;
  dst.channels.jogSampleCount = src.channels.jogSampleCount;
  dst.channels.jogButtons.store(src.channels.jogButtons.load());
  dst.sequencer.state = src.sequencer.state;
  dst.sequencer.code = src.sequencer.code;
  dst.sequencer.countdown = src.sequencer.countdown;
  dst.tickClock = src.tickClock;
  dst.syncedClock = src.syncedClock;
  dst.eventClock = src.eventClock;
}

}  // namespace kv74::testing
