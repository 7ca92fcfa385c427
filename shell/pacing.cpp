#include "shell/pacing.hpp"

#include <algorithm>

namespace kv74::shell {

void Pacer::SetFactor(double factor, std::uint64_t steps, Clock::time_point now) {
  factor_ = factor;
  Restart(steps, now);
}

std::uint64_t Pacer::BlockSteps(std::uint64_t unpaced) const {
  if (!Paced()) return std::max<std::uint64_t>(unpaced, 1);
  const double perBlock = StepsPerSecond() * std::chrono::duration<double>(kBlockTime).count();
  return std::max<std::uint64_t>(static_cast<std::uint64_t>(perBlock), 1);
}

Pacer::Clock::time_point Pacer::DueTime(std::uint64_t steps, Clock::time_point now) {
  if (steps < refSteps_) {
    Restart(steps, now);
    return now;
  }
  const double seconds = static_cast<double>(steps - refSteps_) / StepsPerSecond();
  const auto due = refTime_ + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(seconds));
  if (now - due > kMaxLag) {
    Restart(steps, now);
    return now;
  }
  return due;
}

void Pacer::Restart(std::uint64_t steps, Clock::time_point now) {
  refSteps_ = steps;
  refTime_ = now;
}

}  // namespace kv74::shell
