#include "debug/clicks.hpp"

#include <algorithm>
#include <limits>
#include <utility>

namespace kv74::debug {

namespace {
constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

auto FirstAfter(const std::vector<ClickEvent>& v, std::uint64_t step) {
  return std::upper_bound(v.begin(), v.end(), step,
                          [](std::uint64_t s, const ClickEvent& c) { return s < c.step; });
}
}  // namespace

void ClickRecord::SetSchedule(std::vector<ClickEvent> clicks, std::uint64_t now) {
  std::stable_sort(clicks.begin(), clicks.end(),
                   [](const ClickEvent& a, const ClickEvent& b) { return a.step < b.step; });
  schedule_ = std::move(clicks);
  next_ = static_cast<std::size_t>(
      std::lower_bound(schedule_.begin(), schedule_.end(), now,
                       [](const ClickEvent& c, std::uint64_t s) { return c.step < s; }) -
      schedule_.begin());
}

std::uint64_t ClickRecord::NextScheduled() const {
  return next_ < schedule_.size() ? schedule_[next_].step : kNever;
}

std::vector<std::string> ClickRecord::TakeScheduled(std::uint64_t step) {
  std::vector<std::string> names;
  while (next_ < schedule_.size() && schedule_[next_].step <= step) {
    if (schedule_[next_].step == step) names.push_back(schedule_[next_].name);
    ++next_;
  }
  return names;
}

void ClickRecord::TruncateAfter(std::uint64_t step) {
  log_.erase(FirstAfter(log_, step), log_.end());
}

std::vector<std::string> ClickRecord::LoggedAt(std::uint64_t step) const {
  std::vector<std::string> names;
  auto it = std::lower_bound(log_.begin(), log_.end(), step,
                             [](const ClickEvent& c, std::uint64_t s) { return c.step < s; });
  for (; it != log_.end() && it->step == step; ++it) names.push_back(it->name);
  return names;
}

std::uint64_t ClickRecord::NextLoggedAfter(std::uint64_t step) const {
  auto it = FirstAfter(log_, step);
  return it == log_.end() ? kNever : it->step;
}

void ClickRecord::Post(std::string name) {
  std::lock_guard lock(postedMutex_);
  posted_.push_back(std::move(name));
}

std::vector<std::string> ClickRecord::TakePosted() {
  std::lock_guard lock(postedMutex_);
  return std::exchange(posted_, {});
}

}  // namespace kv74::debug
