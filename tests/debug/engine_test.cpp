// Stops of the engine against plain runs: breakpoints before their instruction at the exact step,
// watchpoints right after the accessing step, next/finish/until/catch on a small program, pause
// and posted clicks from another thread; scheduled clicks at their steps only.
#include <gtest/gtest.h>

#include <thread>

#include "tests/board/machine_diff.hpp"
#include "tests/debug/board.hpp"

namespace kv74::debug::testing {
namespace {

// Steps a reference board one step at a time to the `nth` step after step 0 that starts at pc.
std::uint64_t NthVisit(Board& ref, std::uint16_t pc, int nth, std::uint64_t limit) {
  for (std::uint64_t s = 1; s <= limit; ++s) {
    ref.PlainRun(s);
    if (ref.m[reg::PC] == pc && --nth == 0) return s;
  }
  return 0;
}

TEST(Breakpoint, StopsBeforeItsInstructionAtTheExactStep) {
  struct Case {
    std::uint64_t pcFromStep;  // the breakpoint goes where a plain run stands at this step
    std::uint32_t ignore;
    bool temporary;
  };
  for (const Case& c : {Case{150000, 0, false}, Case{260000, 3, false}, Case{420000, 0, true}}) {
    SCOPED_TRACE(c.pcFromStep);
    Board probe;
    probe.PlainRun(c.pcFromStep);
    const std::uint16_t pc = probe.m[reg::PC];

    Board b;
    const int id = b.engine.Points().AddBreak(pc);
    b.engine.Points().Find(id)->ignore = c.ignore;
    b.engine.Points().Find(id)->temporary = c.temporary;
    const StopReason r = b.engine.Continue(2 * c.pcFromStep);

    Board ref;
    const std::uint64_t expected =
        NthVisit(ref, pc, static_cast<int>(c.ignore) + 1, 2 * c.pcFromStep);
    ASSERT_NE(expected, 0u);
    EXPECT_EQ(r.kind, StopKind::Breakpoint);
    EXPECT_EQ(r.point, id);
    EXPECT_EQ(r.step, expected);
    EXPECT_EQ(r.pc, pc);
    EXPECT_EQ(MachineDifference(b.m, ref.m), "");
    EXPECT_EQ(b.engine.Points().Find(id) == nullptr, c.temporary);
  }
}

// A run split into blocks finds a breakpoint that a block starts at; a resumed one passes it.
TEST(Breakpoint, AtTheStartingPcStopsOnlyAContinuedRun) {
  Board b;
  b.engine.Continue(150000);
  const std::uint16_t pc = b.m[reg::PC];
  b.engine.Points().AddBreak(pc);
  const StopReason continued = b.engine.Continue(1000, false);
  EXPECT_EQ(continued.kind, StopKind::Breakpoint);
  EXPECT_EQ(continued.step, 150000u);
  const StopReason resumed = b.engine.Continue(1);
  EXPECT_EQ(resumed.kind, StopKind::Done);
  EXPECT_EQ(resumed.step, 150001u);
}

TEST(Watchpoint, StopsRightAfterTheAccessingStep) {
  struct Case {
    WatchKind kind;
    std::uint16_t first, last;
  };
  const Case cases[] = {
      {WatchKind::Write, cell::POSITION_Z_HI, cell::POSITION_Z_LO},  // a RAM cell pair
      {WatchKind::Write, 0xF132, 0xF132},                            // the output port
      {WatchKind::Read, 0xF126, 0xF126},                             // the keyboard word
      {WatchKind::Access, 0xF140, 0xF143},                           // the rate registers
      {WatchKind::Write, 0xF133, 0xF132},                            // given high to low
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    Board b;
    b.engine.Points().AddWatch(c.first, c.last, c.kind);
    const StopReason r = b.engine.Continue(3000000);
    ASSERT_EQ(r.kind, StopKind::Watchpoint);
    const Access& a = r.access;
    EXPECT_TRUE(a.address >= std::min(c.first, c.last) && a.address <= std::max(c.first, c.last));
    EXPECT_EQ(a.write, c.kind == WatchKind::Write || (c.kind == WatchKind::Access && a.write));

    Board ref;
    ref.PlainRun(r.step - 1);
    EXPECT_EQ(r.accessPc, ref.m[reg::PC]);
    if (a.write) {
      EXPECT_EQ(a.before, PeekWord(ref.m, a.address));
    }
    ref.PlainRun(r.step);
    EXPECT_EQ(MachineDifference(b.m, ref.m), "");
    if (a.write) {
      EXPECT_EQ(a.after, PeekWord(ref.m, a.address));
    }
  }
}

// Each kind of point alone stops the firmware's run; disabled, it arms nothing and the run goes on.
TEST(Points, EachKindAloneStopsTheRunAndDisabledNone) {
  const struct {
    const char* what;
    int (*add)(PointTable&);
    StopKind kind;
  } cases[] = {
      {"breakpoint", [](PointTable& t) { return t.AddBreak(0x0100); }, StopKind::Breakpoint},
      {"watchpoint", [](PointTable& t) { return t.AddWatch(0xF126, 0xF126, WatchKind::Read); },
       StopKind::Watchpoint},
      {"request catch", [](PointTable& t) { return t.AddCatch(CatchKind::Request, 1u << 4); },
       StopKind::Catch},
      {"hand-over catch", [](PointTable& t) { return t.AddCatch(CatchKind::Handover, ~0u); },
       StopKind::Catch},
      {"catch of a line never raised",
       [](PointTable& t) { return t.AddCatch(CatchKind::Request, 1u << 0); }, StopKind::Done},
  };
  for (const auto& c : cases) {
    for (const bool enabled : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (enabled ? "" : ", disabled"));
      Board b;
      const int id = c.add(b.engine.Points());
      b.engine.Points().Find(id)->enabled = enabled;
      b.engine.Points().Rebuild();
      EXPECT_EQ(b.engine.Points().AnyActive(), enabled);
      EXPECT_EQ(b.engine.Continue(300000).kind, enabled ? c.kind : StopKind::Done);
      b.engine.Points().Remove(id);
      EXPECT_FALSE(b.engine.Points().AnyActive());
    }
  }
  // Of two breakpoints on one address, the enabled one stops the run.
  Board b;
  b.engine.Points().Find(b.engine.Points().AddBreak(0x0100))->enabled = false;
  const int enabled = b.engine.Points().AddBreak(0x0100);
  b.engine.Points().Rebuild();
  EXPECT_EQ(b.engine.Continue(300000).point, enabled);
  // Of two request catchpoints, the one of the line entered takes the stop.
  Board c;
  c.engine.Points().AddCatch(CatchKind::Request, 1u << 0);
  const int timer = c.engine.Points().AddCatch(CatchKind::Request, 1u << 4);
  EXPECT_EQ(c.engine.Continue(300000).point, timer);
}

TEST(StepObserver, SeesEveryStepAndTheIoAccesses) {
  struct Recorder : StepObserver {
    void Stepped(const BoardState&, const StepRecord& r) override {
      ok = ok && r.step == steps;
      ++steps;
      for (const Access& a : r.accesses) {
        ok = ok && a.address >= IO_BASE && a.address < IO_BASE + IO_SIZE;
        keyboardReads += a.address == 0xF126 && !a.write;
      }
    }
    std::uint64_t steps = 0;
    int keyboardReads = 0;
    bool ok = true;
  } recorder;
  Board b;
  b.engine.Points().AddBreak(0x1FFF);  // never reached
  b.engine.SetStepObserver(&recorder, true);
  b.engine.Continue(300000);
  b.engine.SetStepObserver(nullptr);
  b.engine.Points().Clear();
  b.engine.Continue(1000);
  EXPECT_TRUE(recorder.ok);
  EXPECT_EQ(recorder.steps, 300000u);
  EXPECT_GT(recorder.keyboardReads, 0);
  Board ref;
  ref.PlainRun(301000);
  EXPECT_EQ(MachineDifference(b.m, ref.m), "");
}

// A target without a panel: hand-overs only clear, key "k5" stores code 5.
class BareTarget : public Target {
 public:
  void Handover(BoardState& m) override { m.NotifyWord = 0; }
  bool IsClickable(std::string_view name) const override { return name == "k5"; }
  void Click(std::string_view) override { ++clicks; }
  std::vector<std::uint8_t> SavePanel() const override { return {}; }
  void RestorePanel(std::span<const std::uint8_t>) override {}
  int clicks = 0;
};

// 0000 MOV R1,5 / CALL 0010 / INC R1 / JMP 0000;  0010 INC R2 / CALL 0020 / RET;  0020 INC R3 / RET
// 0030 MOV [0100],R1 (bad address) / JMP 0030;  vector of request 2 at word 239 -> 0040: JMP 0040
// 0050 PUSH R1 / POP R1 / CALL 0020 / RET;  0060 CALL 0050 / JMP 0062
// 0070 INC R3 / CMP R3,#3 / JZ 0076 / CALL 0070 / 0076 RET (recursion);  0080 CALL 0070 / JMP 0082
struct Program {
  std::unique_ptr<BoardState> machine = std::make_unique<BoardState>();
  BoardState& m = *machine;
  BareTarget target;
  Engine engine{m, target};

  explicit Program(std::uint16_t start = 0) {
    const std::pair<std::uint16_t, std::vector<std::uint16_t>> code[] = {
        {0x0000, {0xE180, 5, 0xE250, 0x0010, 0xF881, 0xE350, 0x0000}},
        {0x0010, {0xF882, 0xE250, 0x0020, 0xE370}},
        {0x0020, {0xF883, 0xE370}},
        {0x0030, {0xD1A0, 0x0100, 0xE350, 0x0030}},
        {0x0040, {0xE350, 0x0040}},
        {0x0050, {0xF3C1, 0xE3C1, 0xE250, 0x0020, 0xE370}},
        {0x0060, {0xE250, 0x0050, 0xE350, 0x0062}},
        {0x0070, {0xF883, 0xE503, 0x0003, 0x6503, 0xE250, 0x0070, 0xE370}},
        {0x0080, {0xE250, 0x0070, 0x6300}},
    };
    for (const auto& [at, words] : code) {
      std::copy(words.begin(), words.end(), m.ProgramMemory.begin() + at);
    }
    m.ProgramMemory[239] = 0x0040;
    m[reg::SP] = 0x4100;
    m[reg::PC] = start;
  }
};

TEST(Stepping, NextFinishUntilAndTheCallStack) {
  struct Case {
    const char* what;
    std::uint64_t before;  // steps run first
    StopReason (*command)(Engine&);
    StopKind kind;
    std::uint16_t pc;
    std::uint64_t step;
    std::size_t frames;
  };
  const Case cases[] = {
      {"next over a call", 1, [](Engine& e) { return e.Next(); }, StopKind::StepOver, 0x0004, 7, 0},
      {"next on a plain step", 0, [](Engine& e) { return e.Next(); }, StopKind::StepOver, 0x0002, 1,
       0},
      {"finish the inner routine", 4, [](Engine& e) { return e.Finish(); }, StopKind::StepOut,
       0x0013, 6, 1},
      {"finish the outer routine", 2, [](Engine& e) { return e.Finish(); }, StopKind::StepOut,
       0x0004, 7, 0},
      {"until an address", 0, [](Engine& e) { return e.RunTo(0x0020); }, StopKind::RunTo, 0x0020, 4,
       2},
      {"step 3", 0, [](Engine& e) { return e.Step(3); }, StopKind::Done, 0x0011, 3, 1},
      {"until the address it stands on", 0, [](Engine& e) { return e.RunTo(0x0000); },
       StopKind::RunTo, 0x0000, 9, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Program p;
    p.engine.TrackCalls(true);
    p.engine.Step(c.before);
    const StopReason r = c.command(p.engine);
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.pc, c.pc);
    EXPECT_EQ(r.step, c.step);
    EXPECT_EQ(p.engine.Calls().Frames().size(), c.frames);
  }
  // Finish with a word pushed: the routine's own return ends it, not the inner one after the pop.
  Program p(0x0060);
  p.engine.TrackCalls(true);
  p.engine.Step(2);
  const StopReason r = p.engine.Finish();
  EXPECT_EQ(r.kind, StopKind::StepOut);
  EXPECT_EQ(r.pc, 0x0062);
  EXPECT_EQ(r.step, 7u);
  // Next over a recursive call: its own return, not a deeper one to the same address.
  Program q(0x0080);
  q.engine.Step(4);
  ASSERT_EQ(q.m[reg::PC], 0x0074);
  const std::uint16_t sp = q.m[reg::SP];
  EXPECT_EQ(q.engine.Next().pc, 0x0076);
  EXPECT_EQ(q.m[reg::SP], sp);
  EXPECT_EQ(q.m[reg::R0 + 3], 3);
}

TEST(Catchpoint, FaultRaisedThenRequestEntry) {
  Program p(0x0030);
  p.engine.Points().AddCatch(CatchKind::Fault, fault::BAD_ADDRESS);
  p.engine.Points().AddCatch(CatchKind::Request, 1u << 2);
  StopReason r = p.engine.Continue(100);
  EXPECT_EQ(r.kind, StopKind::Catch);
  EXPECT_EQ(r.catchKind, CatchKind::Fault);
  EXPECT_EQ(r.bits, fault::BAD_ADDRESS);
  EXPECT_EQ(r.step, 1u);
  r = p.engine.Continue(100);
  EXPECT_EQ(r.catchKind, CatchKind::Request);
  EXPECT_EQ(r.bits, 2u);
  EXPECT_EQ(r.step, 2u);
  EXPECT_EQ(r.pc, 0x0040);
}

// Scheduled clicks are made at their steps and no other: from a schedule set while stopped, the
// next step's on; after going back and clicking, the later logged ones are gone; after loading a
// snapshot, none of the steps already passed.
TEST(Clicks, MadeAtTheirStepsOnly) {
  auto steps = [](const Engine& e) {
    std::vector<std::uint64_t> s;
    for (const ClickEvent& c : e.Clicks().Log()) s.push_back(c.step);
    return s;
  };
  Program p(0x0040);  // a jump on the spot
  p.engine.SetSchedule({{0, "k5"}, {1, "k5"}, {3, "k5"}});
  p.engine.Continue(5);
  EXPECT_EQ(steps(p.engine), (std::vector<std::uint64_t>{0, 1, 3}));
  p.engine.SetSchedule({{5, "k5"}, {6, "k5"}});  // stopped at 5: its clicks were made
  p.engine.Continue(5);
  EXPECT_EQ(steps(p.engine), (std::vector<std::uint64_t>{0, 1, 3, 6}));
  p.engine.Back(5);
  ASSERT_TRUE(p.engine.Click("k5"));
  EXPECT_EQ(steps(p.engine), (std::vector<std::uint64_t>{0, 1, 3, 5}));

  Program plain(0x0040);
  plain.engine.Continue(150);
  Program loaded(0x0040);
  loaded.engine.SetSchedule({{100, "k5"}, {200, "k5"}});
  loaded.engine.LoadSnapshot(plain.engine.SaveSnapshot());
  loaded.engine.Continue(100);
  EXPECT_EQ(steps(loaded.engine), std::vector<std::uint64_t>{200});
}

TEST(Threads, PauseAndPostedClickFromAnotherThread) {
  Program p(0x0040);                                                 // a jump on the spot
  p.engine.Points().AddCatch(CatchKind::Fault, fault::BAD_ADDRESS);  // the checked loop too
  for (bool checked : {true, false}) {
    if (!checked) p.engine.Points().Clear();
    std::thread other([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      p.engine.PostClick("k5");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      p.engine.RequestPause();
    });
    const StopReason r = p.engine.Continue();
    other.join();
    EXPECT_EQ(r.kind, StopKind::Pause);
    EXPECT_EQ(r.step, p.engine.Steps());
    ASSERT_FALSE(p.engine.Clicks().Log().empty());
    // Posted before the pause: it takes effect no later, in the same slice when the host was slow.
    EXPECT_LE(p.engine.Clicks().Log().back().step, r.step);
  }
  EXPECT_EQ(p.target.clicks, 2);
  // A pause requested between runs stops the next run at once, unless cancelled.
  const std::uint64_t at = p.engine.Steps();
  p.engine.RequestPause();
  EXPECT_EQ(p.engine.Continue(10).kind, StopKind::Pause);
  EXPECT_EQ(p.engine.Steps(), at);
  p.engine.RequestPause();
  p.engine.CancelPause();
  EXPECT_EQ(p.engine.Continue(10).kind, StopKind::Done);
  EXPECT_EQ(p.engine.Steps(), at + 10);
}

}  // namespace
}  // namespace kv74::debug::testing
