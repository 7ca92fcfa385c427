// Going back: back N then forward N gives the identical machine, panel and trace, on the firmware's
// automatic run and on random images and peripheral states; reverse-continue finds the earlier
// hits in turn; the history shows what each step changed, rebuilt from a checkpoint as recorded
// step by step, and the call stack of the plain loop is the checked loop's.
#include <gtest/gtest.h>

#include <random>

#include "debug/history_text.hpp"
#include "tests/board/machine_diff.hpp"
#include "tests/debug/board.hpp"

namespace kv74::debug::testing {
namespace {

TEST(Reverse, BackThenForwardOnTheAutomaticRun) {
  constexpr std::uint64_t kRun = 1500000;
  Board b(EngineOptions{100000, 64, 1000, true});
  b.engine.Continue(kRun);
  auto saved = std::make_unique<BoardState>();
  CopyMachine(*saved, b.m);
  const auto panel = b.target.SavePanel();
  const std::string trace = b.Trace();

  Board ref;
  for (std::uint64_t n : {1400000, 250000, 777, 1}) {
    SCOPED_TRACE(n);
    StopReason r = b.engine.Back(n);
    EXPECT_EQ(r.kind, StopKind::Reverse);
    EXPECT_EQ(r.step, kRun - n);
    ref.PlainRun(kRun - n);
    EXPECT_EQ(MachineDifference(b.m, ref.m), "");
    EXPECT_EQ(b.target.SavePanel(), ref.target.SavePanel());
    r = b.engine.Continue(n);
    EXPECT_EQ(r.step, kRun);
    EXPECT_EQ(MachineDifference(b.m, *saved), "");
    EXPECT_EQ(b.target.SavePanel(), panel);
    EXPECT_EQ(b.Trace(), trace);
  }
}

TEST(Reverse, ClicksMadeWhileStoppedAreReplayed) {
  Board b(EngineOptions{100000, 64, 1000, true});
  b.engine.Continue(200000);  // a checkpoint falls here, before the clicks
  ASSERT_TRUE(b.engine.Click("mash"));
  ASSERT_FALSE(b.engine.Click("al11"));  // an indicator takes no clicks
  b.engine.Continue(50000);
  b.engine.PostClick("k0x3D");
  b.engine.Continue(50000);
  Board ref;
  ref.PlainRun(200000);
  ref.target.Click("mash");
  ref.PlainRun(250000);
  ref.target.Click("k0x3D");
  ref.PlainRun(300000);
  ASSERT_EQ(MachineDifference(b.m, ref.m), "");
  for (std::uint64_t n : {50000, 100000, 100001}) {
    SCOPED_TRACE(n);
    b.engine.Back(n);
    b.engine.Continue(n);
    EXPECT_EQ(MachineDifference(b.m, ref.m), "");
    EXPECT_EQ(b.target.SavePanel(), ref.target.SavePanel());
  }
  b.engine.Back(1000);
  const std::uint16_t deposited = b.m.DataMemory[0x300] ^= 1;  // a deposit
  b.engine.MachineChanged();
  EXPECT_EQ(b.engine.OldestReachable(), 299000u);
  b.engine.Continue(10);
  EXPECT_EQ(b.engine.Back(20).kind, StopKind::HistoryEnd);
  EXPECT_EQ(b.engine.Steps(), 299000u);
  EXPECT_EQ(b.m.DataMemory[0x300], deposited);
  const std::vector<ClickEvent> log = {
      {100000, "k0x2B"}, {200000, "k0x33"}, {200000, "mash"}, {250000, "k0x3D"}};
  EXPECT_EQ(b.engine.Clicks().Log(), log);
}

// Going back to a checkpoint near a scheduled click and on past the newest step: each scheduled
// click made once, at its step.
TEST(Reverse, ScheduledClicksOnceAfterGoingBackNearThem) {
  Board b(EngineOptions{1000, 512, 100, true});
  b.engine.Continue(200000);
  for (std::uint64_t n : {300, 1000, 1001, 100500}) {
    SCOPED_TRACE(n);
    b.engine.Back(n);
    b.engine.Continue(n + 700);
    Board ref;
    ref.PlainRun(b.engine.Steps());
    EXPECT_EQ(MachineDifference(b.m, ref.m), "");
    EXPECT_EQ(b.engine.Clicks().Log(), DemoClicks());
  }
}

// A click after going back starts another run: going back in it never restores a checkpoint of
// the run it replaced, not even the one a step after the click.
TEST(Reverse, AClickAfterGoingBackLeavesNoCheckpointOfTheOldRun) {
  Board b(EngineOptions{1000, 512, 100, true});
  b.engine.Continue(202000);
  b.engine.Back(1001);  // to 200999, a step before a checkpoint
  ASSERT_TRUE(b.engine.Click("mash"));
  b.engine.Continue(2000);
  b.engine.Back(1500);
  Board ref;
  ref.PlainRun(200999);
  ref.target.Click("mash");
  ref.PlainRun(201499);
  EXPECT_EQ(MachineDifference(b.m, ref.m), "");
  EXPECT_EQ(b.target.SavePanel(), ref.target.SavePanel());
  // A click posted from another thread after going back forks the run too.
  b.engine.Back(1000);
  b.engine.PostClick("k0x3D");
  b.engine.Continue(1);
  // The click at 200999 of the run it forks from goes.
  const std::vector<ClickEvent> log = {{100000, "k0x2B"}, {200000, "k0x33"}, {200499, "k0x3D"}};
  EXPECT_EQ(b.engine.Clicks().Log(), log);
}

// A click made where the run stands is replayed there after going back; checkpoints fall every
// interval exactly, the oldest kept bounding how far back the run goes.
TEST(Reverse, AClickAtTheNewestStepAndTheCheckpointSpacing) {
  Board b(EngineOptions{1000, 4, 100, true});
  b.engine.Continue(150000);
  ASSERT_TRUE(b.engine.Click("mash"));
  EXPECT_EQ(b.engine.OldestReachable(), 147000u);
  b.engine.Back(1000);
  b.engine.Continue(1000);
  Board ref;
  ref.PlainRun(150000);
  ref.target.Click("mash");
  EXPECT_EQ(MachineDifference(b.m, ref.m), "");
  EXPECT_EQ(b.target.SavePanel(), ref.target.SavePanel());
}

TEST(Reverse, ReverseContinueFindsTheEarlierHits) {
  Board b(EngineOptions{50000, 64, 1000, true});
  b.engine.Points().AddWatch(0xF132, 0xF132, WatchKind::Write);
  std::vector<std::uint64_t> hits;
  for (int i = 0; i < 3; ++i) hits.push_back(b.engine.Continue(3000000).step);
  ASSERT_EQ(b.engine.Continue(0).kind, StopKind::Done);
  for (int i = 1; i >= 0; --i) {
    const StopReason r = b.engine.ReverseContinue();
    EXPECT_EQ(r.kind, StopKind::Watchpoint);
    EXPECT_EQ(r.step, hits[static_cast<std::size_t>(i)]);
    EXPECT_EQ(r.pc, b.m[reg::PC]);
    Board ref;
    ref.PlainRun(r.step);
    EXPECT_EQ(MachineDifference(b.m, ref.m), "");
  }
  EXPECT_EQ(b.engine.ReverseContinue().kind, StopKind::HistoryEnd);
  EXPECT_EQ(b.engine.Steps(), 0u);
}

// A checkpoint at a hit's own step, or at the step after it: each hit is found once, a
// breakpoint's as a watchpoint's.
TEST(Reverse, ReverseContinueWithACheckpointAtAHit) {
  using Add = void (*)(PointTable&);
  for (const Add add : {Add{[](PointTable& t) { t.AddWatch(0xF132, 0xF132, WatchKind::Write); }},
                        Add{[](PointTable& t) { t.AddBreak(0x0100); }}}) {
    Board probe;
    add(probe.engine.Points());
    std::uint64_t hits[2];
    for (auto& h : hits) h = probe.engine.Continue(3000000).step;
    for (const std::uint64_t interval : {hits[0], hits[0] + 1, hits[1], hits[1] + 1}) {
      if (hits[1] / interval >= 60) continue;  // the oldest checkpoints would be dropped
      SCOPED_TRACE(interval);
      Board c(EngineOptions{interval, 64, 1000, true});
      add(c.engine.Points());
      for (const auto h : hits) ASSERT_EQ(c.engine.Continue(3000000).step, h);
      EXPECT_EQ(c.engine.ReverseContinue().step, hits[0]);  // from the second hit itself
      ASSERT_EQ(c.engine.Continue(3000000).step, hits[1]);
      ASSERT_EQ(c.engine.Continue(10).kind, StopKind::Done);
      for (int i = 1; i >= 0; --i) {
        EXPECT_EQ(c.engine.ReverseContinue().step, hits[i]);
      }
      EXPECT_EQ(c.engine.ReverseContinue().kind, StopKind::HistoryEnd);
    }
  }
}

class ClearingTarget : public Target {
 public:
  void Handover(BoardState& m) override { m.NotifyWord = 0; }
  bool IsClickable(std::string_view) const override { return false; }
  void Click(std::string_view) override {}
  std::vector<std::uint8_t> SavePanel() const override { return {}; }
  void RestorePanel(std::span<const std::uint8_t>) override {}
};

// Random memory words with the instruction groups that reach the bus and the stack overweighted,
// random registers with the stack and the bases in RAM, random peripheral state.
void RandomMachine(std::mt19937_64& rng, BoardState& m) {
  auto word = [&] { return static_cast<std::uint16_t>(rng()); };
  for (auto& w : m.ProgramMemory) w = word();
  for (std::size_t i = 0; i < 512; ++i) {
    const std::uint16_t forms[] = {0x0000, 0x1000, 0xD000, 0xE000, 0xF000, 0x6200, 0x9000};
    m.ProgramMemory[i] = static_cast<std::uint16_t>(forms[rng() % 7] | (word() & 0x0FFF));
  }
  for (auto& w : m.DataMemory) w = word();
  for (int r = 0; r < reg::COUNT; ++r) m[r] = word();
  m[reg::NOTIFY_LO] = m[reg::NOTIFY_HI] = 0;
  m[reg::FAULTS] &= 0xF0;
  m[reg::PC] = static_cast<std::uint16_t>(rng() % 512);
  m[reg::SP] = static_cast<std::uint16_t>(DATA_BASE + rng() % 2048);
  m[reg::BASE0] = static_cast<std::uint16_t>(DATA_BASE + rng() % 1024);
  m[reg::BASE1] = 0;
  m.timer.prescaler = static_cast<std::uint16_t>(rng() % 101);
  m.timer.count = static_cast<std::uint16_t>(rng() % 50);
  for (std::size_t i = 0; i < 3; ++i) m.channels.period[i] = static_cast<std::uint16_t>(rng() % 9);
  m.channels.jogButtons = static_cast<std::uint32_t>(rng() % 16);
  m.sequencer.state = static_cast<SeqState>(rng() % 6);
  m.sequencer.countdown = static_cast<std::uint32_t>(rng() % 5000);
  m.tickClock = m.syncedClock = m.eventClock = 0;
}

TEST(Reverse, BackThenForwardOnRandomMachines) {
  std::mt19937_64 rng(74);
  ClearingTarget target;
  struct : HandoverReceiver {
    void Handover(BoardState& m) override { m.NotifyWord = 0; }
  } clearing;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    auto start = std::make_unique<BoardState>();
    RandomMachine(rng, *start);
    auto m = std::make_unique<BoardState>();
    CopyMachine(*m, *start);
    Engine engine(*m, target, EngineOptions{1 + rng() % 3000, 8, 100, true});
    if (round % 2 == 1) engine.Points().AddWatch(DATA_BASE, DATA_BASE + 4095, WatchKind::Access);
    const std::uint64_t run = 1000 + rng() % 20000;
    while (engine.Steps() < run) engine.Continue(run - engine.Steps());
    auto end = std::make_unique<BoardState>();
    CopyMachine(*end, *m);

    const std::uint64_t n = 1 + rng() % std::min<std::uint64_t>(run, 8 * 1000);
    engine.Points().Clear();
    const StopReason r = engine.Back(n);
    if (r.kind == StopKind::HistoryEnd) continue;  // further back than the checkpoints reach
    auto ref = std::make_unique<BoardState>();
    CopyMachine(*ref, *start);
    RunSteps(*ref, run - n, clearing);
    ASSERT_EQ(MachineDifference(*m, *ref), "");
    engine.Continue(n);
    ASSERT_EQ(MachineDifference(*m, *end), "");
  }
}

// A run longer than the slices between which the engine looks for a pause keeps one entry per step.
// An engine with checkpoints rebuilds the history when asked and follows the calls in the plain
// loop; one without records each step and follows the calls in the checked loop. Both must agree
// at every stop, going back included.
TEST(History, RebuiltFromACheckpointAsRecordedStepByStep) {
  Board rebuilt(EngineOptions{100000, 64, 300, true});
  Board recorded(EngineOptions{100000, 64, 300, false});
  for (Board* b : {&rebuilt, &recorded}) {
    b->engine.RecordHistory(true);
    b->engine.TrackCalls(true);
  }
  struct Stop {
    std::uint64_t forward, back;
  };
  const Stop stops[] = {{250, 0}, {1200000, 0},     {1, 0},    {800000, 150},
                        {0, 1},   {2500000, 40000}, {40001, 0}};
  std::uint64_t at = 0;
  for (const Stop& s : stops) {
    at += s.forward - s.back;
    SCOPED_TRACE(at);
    rebuilt.engine.Continue(s.forward);
    if (s.back != 0) rebuilt.engine.Back(s.back);
    if (s.back == 0) recorded.engine.Continue(at - recorded.engine.Steps());
    ASSERT_EQ(rebuilt.engine.Steps(), at);
    const History& h = rebuilt.engine.GetHistory();
    if (s.back == 0) {  // going back leaves nothing to compare the recording engine with
      const History& r = recorded.engine.GetHistory();
      ASSERT_EQ(h.Size(), std::min<std::size_t>(r.Size(), at - rebuilt.engine.OldestReachable()));
      for (std::size_t i = 1; i <= h.Size(); ++i) {
        const HistoryEntry& x = h.At(h.Size() - i);
        const HistoryEntry& y = r.At(r.Size() - i);
        ASSERT_EQ(x.step, y.step);
        ASSERT_EQ(x.pc, y.pc);
        ASSERT_EQ(x.op, y.op);
        ASSERT_EQ(x.regs, y.regs);
      }
      const auto& f = rebuilt.engine.Calls().Frames();
      const auto& g = recorded.engine.Calls().Frames();
      ASSERT_EQ(f.size(), g.size());
      for (std::size_t i = 0; i < f.size(); ++i) {
        EXPECT_EQ(f[i].callPc, g[i].callPc);
        EXPECT_EQ(f[i].entry, g[i].entry);
        EXPECT_EQ(f[i].returnPc, g[i].returnPc);
        EXPECT_EQ(f[i].sp, g[i].sp);
        EXPECT_EQ(f[i].request, g[i].request);
      }
    } else {
      ASSERT_EQ(h.Size(), 300u);
      ASSERT_EQ(h.At(h.Size() - 1).step, at - 1);
    }
  }
}

// Going back restores the call stack as it was, frames entered before the checkpoint included.
TEST(Reverse, BackRestoresTheCallStack) {
  Board b(EngineOptions{1000, 64, 100, true});
  b.engine.TrackCalls(true);
  std::size_t older = 0;  // stops whose innermost frame is older than the checkpoint before them
  for (const std::uint64_t at : {1200u, 2700u, 150500u, 300900u}) {
    SCOPED_TRACE(at);
    b.engine.Continue(at - b.engine.Steps());
    const std::vector<Frame> frames = b.engine.Calls().Frames();
    b.engine.Continue(500);
    b.engine.Back(500);
    const std::vector<Frame>& back = b.engine.Calls().Frames();
    ASSERT_EQ(back.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(back[i].entry, frames[i].entry);
    older += !frames.empty();
  }
  EXPECT_GT(older, 0u);
}

TEST(History, OneEntryPerStepAcrossSlices) {
  auto m = std::make_unique<BoardState>();
  const std::uint16_t code[] = {0xF882, 0x63FF};  // INC R2; JMP back
  std::copy(std::begin(code), std::end(code), m->ProgramMemory.begin());
  ClearingTarget target;
  Engine engine(*m, target, EngineOptions{1 << 20, 4, 16, true});
  engine.RecordHistory(true);
  engine.Step(65536 + 8);
  const History& h = engine.GetHistory();
  ASSERT_EQ(h.Size(), 16u);
  for (std::size_t i = 0; i < h.Size(); ++i) EXPECT_EQ(h.At(i).step, 65536 + 8 - 16 + i);
  // A longer history asked after a shorter one at the same step.
  engine.Step(1);
  EXPECT_GE(engine.GetHistory(4).Size(), 4u);
  EXPECT_EQ(engine.GetHistory().Size(), 16u);
}

TEST(History, StepsWithTheirRegisterChanges) {
  auto m = std::make_unique<BoardState>();
  const std::uint16_t code[] = {0xE180, 5, 0xF882, 0xF882, 0xE350, 0x0002};  // MOV R1,5; INC R2..
  std::copy(std::begin(code), std::end(code), m->ProgramMemory.begin());
  ClearingTarget target;
  Engine engine(*m, target, EngineOptions{1000, 4, 3, true});
  engine.RecordHistory(true);
  engine.Step(5);
  const History& h = engine.GetHistory();
  ASSERT_EQ(h.Size(), 3u);  // the last three of five
  const std::uint16_t pcs[] = {0x0003, 0x0004, 0x0002};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(h.At(i).step, i + 2);
    EXPECT_EQ(h.At(i).pc, pcs[i]);
  }
  const auto changes = h.Changes(0, *m);
  ASSERT_EQ(changes.size(), 1u);  // R2 1 -> 2, the flags stay clear
  EXPECT_EQ(changes[0].word, 2);
  EXPECT_EQ(changes[0].before, 1);
  EXPECT_EQ(changes[0].after, 2);
  EXPECT_EQ(h.At(1).op, 0xE350);
  EXPECT_EQ(h.At(1).ext, 0x0002);
  const auto lines = HistoryLines(h, 2, *m, nullptr);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 14), "       3  0004");
  EXPECT_NE(lines[0].find("JMP"), std::string::npos);
  EXPECT_NE(lines[1].find("R2 0002->0003"), std::string::npos);
}

}  // namespace
}  // namespace kv74::debug::testing
