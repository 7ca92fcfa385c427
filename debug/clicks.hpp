// Clicks as events of the run. Every click enters the machine at a step boundary and is logged
// with its step: the log is the replay record of the run. Clicks come from a schedule (an --input
// script, applied as the run reaches their step) or are posted from any thread (the window, the
// monitor) and applied at the next boundary by the thread that runs the engine.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kv74::debug {

struct ClickEvent {
  std::uint64_t step = 0;  // made after this many steps, before the next
  std::string name;
  friend bool operator==(const ClickEvent&, const ClickEvent&) = default;
};

class ClickRecord {
 public:
  // Replaces the schedule (sorted by step here, stable); clicks before `now` are never made.
  void SetSchedule(std::vector<ClickEvent> clicks, std::uint64_t now);
  const std::vector<ClickEvent>& Schedule() const { return schedule_; }
  std::size_t SchedulePosition() const { return next_; }
  void SetSchedulePosition(std::size_t next) {
    next_ = next < schedule_.size() ? next : schedule_.size();
  }
  // Step of the next scheduled click, or UINT64_MAX.
  std::uint64_t NextScheduled() const;
  // Takes the scheduled clicks due at `step`.
  std::vector<std::string> TakeScheduled(std::uint64_t step);

  const std::vector<ClickEvent>& Log() const { return log_; }
  void Append(std::uint64_t step, std::string name) { log_.push_back({step, std::move(name)}); }
  // Forgets the logged clicks after `step` (the run took another way from there).
  void TruncateAfter(std::uint64_t step);
  void SetLog(std::vector<ClickEvent> log) { log_ = std::move(log); }
  // Logged clicks at `step`, and the first logged step after `step` (UINT64_MAX when none).
  std::vector<std::string> LoggedAt(std::uint64_t step) const;
  std::uint64_t NextLoggedAfter(std::uint64_t step) const;

  // Any thread.
  void Post(std::string name);
  std::vector<std::string> TakePosted();

 private:
  std::vector<ClickEvent> schedule_;
  std::size_t next_ = 0;
  std::vector<ClickEvent> log_;  // in step order
  std::mutex postedMutex_;
  std::vector<std::string> posted_;
};

}  // namespace kv74::debug
