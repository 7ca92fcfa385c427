// The coverage counts of the bundled firmware's automatic run are the same whichever of the
// engine's loops counts them: the plain loop's counting hook (with and without call tracking,
// which it keeps as the slow checks do), the checked loop's counting with the fast checks, and
// the slow checks; and counting leaves the run as it was.
#include <gtest/gtest.h>

#include "tests/debug/board.hpp"

namespace kv74::debug::testing {
namespace {

constexpr std::uint64_t kSteps = 2'000'000;  // past the start of the automatic run (100,000)

struct Counted {
  std::vector<std::uint64_t> executed, taken, entered, requests;
  std::vector<std::uint16_t> frames;  // entries and call sites, outermost first
};

Counted CountWith(bool profile, bool track, bool breakpoint, bool history,
                  std::string* difference = nullptr) {
  Board b;
  Collector c(profile);
  b.engine.TrackCalls(track);
  if (breakpoint) b.engine.Points().AddBreak(0x1FF0);  // never reached
  if (history) {
    b.engine.SetReverse(false);
    b.engine.RecordHistory(true);
  }
  b.engine.SetCollector(&c);
  b.engine.Continue(kSteps);
  b.engine.SetCollector(nullptr);
  Counted out;
  for (const Frame& f : b.engine.Calls().Frames())
    out.frames.insert(out.frames.end(), {f.entry, f.callPc});
  if (difference != nullptr) {
    Board ref;
    ref.PlainRun(kSteps);
    *difference = MachineDifference(b.m, ref.m);
  }
  for (std::size_t a = 0; a < Collector::kAddresses; ++a) {
    const auto at = static_cast<std::uint16_t>(a);
    out.executed.push_back(c.Executed(at));
    out.taken.push_back(c.Taken(at));
    out.entered.push_back(c.Entered(at));
    out.requests.push_back(c.RequestSteps(at));
  }
  return out;
}

TEST(Collect, EveryLoopCountsAlike) {
  // The slow checks (live history), which count step by step from the decoded instruction.
  const Counted reference = CountWith(false, true, true, true);
  std::uint64_t steps = 0, taken = 0, requests = 0;
  for (std::size_t a = 0; a < Collector::kAddresses; ++a) {
    steps += reference.executed[a] + reference.requests[a];
    taken += reference.taken[a];
    requests += reference.requests[a];
  }
  ASSERT_EQ(steps, kSteps);
  ASSERT_GT(taken, 0u);
  ASSERT_GT(requests, 0u);
  struct Case {
    const char* loop;
    bool profile, track, breakpoint;
  };
  const Case kCases[] = {
      {"plain loop, counting hook", false, false, false},
      {"plain loop, counting hook and call tracking", false, true, false},
      {"checked loop, fast checks", false, false, true},
      {"checked loop, fast checks with the call tree", true, false, true},
      {"checked loop, call tree alone", true, false, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.loop);
    std::string difference;
    const Counted got = CountWith(c.profile, c.track, c.breakpoint, false, &difference);
    EXPECT_EQ(difference, "");
    for (std::size_t a = 0; a < Collector::kAddresses; ++a) {
      ASSERT_EQ(got.executed[a], reference.executed[a]) << "executed at " << a;
      ASSERT_EQ(got.taken[a], reference.taken[a]) << "taken at " << a;
      ASSERT_EQ(got.entered[a], reference.entered[a]) << "entered at " << a;
      ASSERT_EQ(got.requests[a], reference.requests[a]) << "requests at " << a;
    }
    if (c.track) {
      EXPECT_EQ(got.frames, reference.frames);
    }
  }
}

}  // namespace
}  // namespace kv74::debug::testing
