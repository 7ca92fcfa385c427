// The board's nominal clock and the pacing of the window's emulation by host time.
//
// Nominal clock: the firmware's motion interrupt comes every 1010 steps (timer reload 9, prescaler
// 101) and its axis service is an interpolation period, which on boards of this kind is 1 ms. So
// the board runs 1,010,000 steps per second: the jog counter (720,896 steps) samples every
// 0.71 s, the fastest channel (a step every 5 steps) makes 202,000 steps per second, and the
// stored program (29.3 million steps) takes 29 s.
#pragma once

#include <chrono>
#include <cstdint>

namespace kv74::shell {

inline constexpr double NOMINAL_STEPS_PER_SECOND = 1'010'000;

// Where a paced run should stand in host time: steps are run in blocks, and after each block the
// run sleeps until the host time the block's end is due at. Falling behind by more than
// kMaxLag (a slow host, a stop in a debugger) starts a new reference instead of racing to catch up.
class Pacer {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kBlockTime{10};
  static constexpr std::chrono::milliseconds kMaxLag{200};

  // factor: times real time; 0 = unpaced.
  void SetFactor(double factor, std::uint64_t steps, Clock::time_point now);
  double Factor() const { return factor_; }
  bool Paced() const { return factor_ > 0; }
  double StepsPerSecond() const { return factor_ * NOMINAL_STEPS_PER_SECOND; }
  // Steps in one block: about kBlockTime's worth when paced, `unpaced` otherwise; at least 1.
  std::uint64_t BlockSteps(std::uint64_t unpaced) const;
  // When the run at `steps` is due; restarts the reference at `now` when too far behind.
  Clock::time_point DueTime(std::uint64_t steps, Clock::time_point now);
  // A new reference from here (after a pause, a single step, a speed change).
  void Restart(std::uint64_t steps, Clock::time_point now);

 private:
  double factor_ = 0;
  std::uint64_t refSteps_ = 0;
  Clock::time_point refTime_{};
};

}  // namespace kv74::shell
