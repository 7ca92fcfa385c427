#include "state_json.hpp"

#include <array>

namespace kv74 {

const char* SeqStateName(SeqState s) {
  switch (s) {
    case SeqState::Idle: return "Idle";
    case SeqState::Start: return "Start";
    case SeqState::AwaitStrobe: return "AwaitStrobe";
    case SeqState::Latched: return "Latched";
    case SeqState::Busy: return "Busy";
    case SeqState::Done: return "Done";
  }
  return "Idle";
}

void WriteStateMembers(JsonWriter& w, const BoardState& m, std::uint64_t steps) {
  w.Key("steps");
  w.UInt(steps);

  std::array<std::uint16_t, reg::COUNT> registers;
  for (int i = 0; i < reg::COUNT; ++i) registers[static_cast<std::size_t>(i)] = m.Word(i);
  w.Key("registers");
  w.IntArray(std::span<const std::uint16_t>(registers));
  w.Key("data_memory");
  w.IntArray(std::span<const std::uint16_t>(m.DataMemory));

  w.Key("timer");
  w.BeginObject();
  w.Key("timerPrescaler");
  w.Int(m.timer.prescaler);
  w.Key("timerCount");
  w.Int(m.timer.count);
  w.EndObject();

  w.Key("channels");
  w.BeginObject();
  w.Key("channelPeriod");
  w.IntArray(std::span<const std::uint16_t>(m.channels.period));
  w.Key("channelDivider");
  w.IntArray(std::span<const std::uint16_t>(m.channels.divider));
  w.Key("channelMarkCount");
  w.IntArray(std::span<const std::uint16_t>(m.channels.markCount));
  w.Key("jogDivider");
  w.Int(m.channels.jogDivider);
  w.Key("jogSampleCount");
  w.Int(m.channels.jogSampleCount);
  w.EndObject();

  w.Key("sequencer");
  w.BeginObject();
  w.Key("seqState");
  w.String(SeqStateName(m.sequencer.state));
  w.Key("seqCode");
  w.Int(m.sequencer.code);
  w.Key("seqCountdown");
  w.Int(m.sequencer.countdown);
  w.EndObject();
}

}  // namespace kv74
