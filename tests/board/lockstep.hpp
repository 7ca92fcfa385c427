// A machine run by RunScheduledSteps (peripherals ticked lazily) checked against a twin run by
// Step, one step at a time with every tick. The twin is brought up to every hand-over of the
// scheduled run and compared there in full; a hand-over that only one of them makes is a difference
// too. Panel input goes to both between runs, at the same step.
#pragma once

#include <cstdint>
#include <string>

#include "board/step.hpp"
#include "board/thread.hpp"
#include "cpu/shared.hpp"
#include "tests/board/machine_diff.hpp"

namespace kv74::testing {

class Lockstep : public HandoverReceiver {
 public:
  Lockstep(BoardState& reference, BoardState& scheduled) : ref_(reference), fast_(scheduled) {}

  // n more steps on both, then the complete machines compared. Returns "" or the first
  // difference (which also stays in failure()).
  const std::string& Run(std::uint64_t n) {
    if (!failure_.empty()) return failure_;
    clockBase_ = fast_.tickClock;
    stepBase_ = steps_;
    RunScheduledSteps(fast_, n, *this);
    steps_ += n;
    CatchUpReference(steps_);
    if (failure_.empty()) Compare(DiffOptions{true, false});
    return failure_;
  }

  // The areas that no store reaches, compared too.
  const std::string& CompareAll() {
    if (failure_.empty()) Compare(DiffOptions{true, true});
    return failure_;
  }

  // Panel input, given to both machines.
  void Key(std::uint16_t code) {
    StoreShared(ref_, reg::KEYBOARD, code);
    StoreShared(fast_, reg::KEYBOARD, code);
  }
  void ToggleInput(std::uint16_t bit) {
    ToggleSharedBits(ref_, reg::PORT_IN, bit);
    ToggleSharedBits(fast_, reg::PORT_IN, bit);
  }
  void JogButtons(std::uint32_t down) {
    ref_.channels.jogButtons.store(down);
    fast_.channels.jogButtons.store(down);
  }

  void Handover(BoardState& m) override {
    // The step that handed over: the loop counts tickClock up once per step, before the step.
    const std::uint64_t step = stepBase_ + (m.tickClock - clockBase_) - 1;
    if (failure_.empty()) {
      CatchUpReference(step);
      if (failure_.empty()) {
        Step(ref_);
        ++refSteps_;
        Compare(DiffOptions{true, false});
      }
      ref_.NotifyWord = 0;
    }
    ++handovers_;
    m.NotifyWord = 0;
  }

  const std::string& failure() const { return failure_; }
  std::uint64_t steps() const { return steps_; }
  std::uint64_t handovers() const { return handovers_; }

 private:
  // The reference runs up to (not including) step target; it must not hand over on the way.
  void CatchUpReference(std::uint64_t target) {
    for (; refSteps_ < target && failure_.empty(); ++refSteps_) {
      Step(ref_);
      if (ref_.NotifyWord != 0) {
        failure_ = "the reference handed over at step " + std::to_string(refSteps_) +
                   ", the scheduled run did not";
      }
    }
  }

  void Compare(DiffOptions options) {
    const std::string d = MachineDifference(ref_, fast_, options);
    if (!d.empty()) failure_ = "after step " + std::to_string(refSteps_ - 1) + ": " + d;
  }

  BoardState& ref_;
  BoardState& fast_;
  std::uint64_t steps_ = 0;     // steps both have run at the end of the last Run
  std::uint64_t refSteps_ = 0;  // steps the reference has run
  std::uint64_t stepBase_ = 0;
  std::uint64_t clockBase_ = 0;
  std::uint64_t handovers_ = 0;
  std::string failure_;
};

}  // namespace kv74::testing
