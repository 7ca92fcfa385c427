// The debugger's coverage marks and routine costs of a small assembled program with known
// counts: a loop of four calls and a fifth call, a jump taken 3 of 4 times, one never taken,
// code never run, data, and a timer request every 101 steps.
#include "debug/coverage_marks.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "bench/clearing_target.hpp"
#include "board/power.hpp"
#include "debug/engine.hpp"
#include "debug/reports.hpp"
#include "tests/tools/assemble_text.hpp"

namespace kv74::debug {

void PrintTo(const RoutineCost& r, std::ostream* os) {
  *os << r.name << " at " << r.start << ": self " << r.self << ", inclusive " << r.inclusive
      << ", calls " << r.calls;
}

namespace {

constexpr const char* kSource = R"(
        .org    0x0000
Reset:  JMP     [Start]
        .org    139
        .word   Tick                        ; timer request
        .org    0x0100
Start:  MOV     R0,#0x4500
        MOV     [F012],R0                   ; stack pointer
        MOV     R0,#0x7100
        MOV     [F011],R0                   ; BASE1
        MOV     R1,#(4)
Loop:   CALL    [Twice]
        DEC     R1
        JNZ     Loop
        CALL    [Twice]
        ZERO    R2
        JNZ     Never
        MOV     R1,#1
        MOV     M[BASE1+0x01],R1            ; periodic
        ZERO    R1
        MOV     M[BASE1+0x00],R1            ; reload 0: every 101 steps
        ZERO    R0
        MOV     [F03B],R0                   ; requests on
Spin:   JMP     [Spin]
Never:  INC     R3
        JMP     [Spin]
Twice:  INC     R2
        INC     R2
        JMP     [STACK]
Tick:   JMP     [STACK]
Table:  .word   1, 2, 3
)";
constexpr std::uint64_t kSteps = 1000;
constexpr std::uint64_t kTicks = 9;  // requests from step 42 on, every 101 steps

struct Tiny {
  as::Result assembled = as::test::AssembleText(kSource);
  dbg::DebugInfo& info = assembled.debugInfo;
  std::unique_ptr<BoardState> machine = std::make_unique<BoardState>();
  BoardState& m = *machine;
  bench::ClearingTarget target;
  Collector collector;

  explicit Tiny(bool profile) : collector(profile) {
    EXPECT_TRUE(assembled.ok) << as::test::Errors(assembled);
    const std::vector<std::uint16_t> words = as::test::AreaWords(assembled, as::kProgramArea);
    std::copy(words.begin(), words.end(), m.ProgramMemory.begin());
    PowerOn(m);
    Engine engine(m, target);
    engine.SetCollector(&collector);
    engine.Continue(kSteps);
    engine.SetCollector(nullptr);
  }
  std::uint16_t At(const char* label, int offset = 0) const {
    const dbg::Symbol* s = info.Find(label);
    EXPECT_NE(s, nullptr) << label;
    return static_cast<std::uint16_t>((s ? s->value : 0) + offset);
  }
  // The address of the instruction `n` entries after the label's.
  std::uint16_t Entry(const char* label, int n) const {
    const dbg::LineEntry* e = info.LineAt(At(label));
    return (e + n)->address;
  }
};

TEST(CoverageMarks, InstructionsByTheirCounts) {
  Tiny t(false);
  const CoverageMarks marks(t.collector, &t.info, t.m);
  struct Case {
    const char* label;
    int entry;  // instructions after the label
    Mark mark;
    std::string text;
  };
  const std::string ticks = std::to_string(kTicks);
  const Case kCases[] = {
      {"Loop", 2, Mark::Run, "ran 4 times: jumped 3, fell through 1"},
      {"Loop", 5, Mark::OneWay, "ran 1 time: jumped 0, fell through 1"},
      {"Never", 0, Mark::Never, "never ran"},
      {"Never", 1, Mark::Never, "never ran"},
      {"Twice", 0, Mark::Run, "ran 5 times; entered 5 times"},
      {"Twice", 2, Mark::Run, "ran 5 times"},
      {"Tick", 0, Mark::Run, "ran " + ticks + " times; entered " + ticks + " times"},
      {"Reset", 0, Mark::Run, "ran 1 time"},
      {"Table", 0, Mark::None, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.label) + "+" + std::to_string(c.entry));
    const std::uint16_t a = t.Entry(c.label, c.entry);
    EXPECT_EQ(marks.Instruction(a), c.mark);
    EXPECT_EQ(marks.Line(a), c.mark);  // one instruction a line
    EXPECT_EQ(marks.Describe(a), c.text);
  }
  // Operand words and words nothing placed are not marked; without debug information only what
  // ran is.
  EXPECT_EQ(marks.Instruction(static_cast<std::uint16_t>(t.At("Start") + 1)), Mark::None);
  EXPECT_EQ(marks.Instruction(0x0050), Mark::None);
  const CoverageMarks bare(t.collector, nullptr, t.m);
  EXPECT_EQ(bare.Instruction(t.Entry("Loop", 5)), Mark::OneWay);
  EXPECT_EQ(bare.Instruction(t.At("Never")), Mark::None);
}

// A line of several instructions: the worst-off of those that ran, or Never when none ran; the
// mark stands at the line's first instruction.
TEST(CoverageMarks, LinesOfSeveralInstructions) {
  struct Case {
    const char* what;
    const char* label;  // the instruction moved onto the line of the one before
    int entry;
    const char* onto;
    int ontoEntry;
    Mark line;
  };
  const Case kCases[] = {
      {"one-way jump and code never run", "Never", 0, "Loop", 5, Mark::OneWay},
      {"code run and code never run", "Never", 0, "Loop", 4, Mark::Run},
      {"never run twice", "Never", 1, "Never", 0, Mark::Never},
      {"never run, then run", "Twice", 0, "Never", 0, Mark::Run},
  };
  Tiny t(false);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    dbg::DebugInfo info = t.info;
    const std::uint16_t moved = t.Entry(c.label, c.entry), onto = t.Entry(c.onto, c.ontoEntry);
    const dbg::LineEntry* target = info.LineAt(onto);
    for (dbg::LineEntry& e : info.lines) {
      if (e.address == moved) e.line = target->line;
    }
    const CoverageMarks marks(t.collector, &info, t.m);
    EXPECT_EQ(marks.Line(std::min(moved, onto)), c.line);
    EXPECT_EQ(marks.Line(std::max(moved, onto)), Mark::None);
  }
}

TEST(CoverageMarks, RoutineCostsWithAndWithoutTheCallTree) {
  for (const bool profile : {true, false}) {
    SCOPED_TRACE(profile ? "call tree" : "coverage alone");
    Tiny t(profile);
    const std::uint64_t ticks = 2 * kTicks;  // a request entry step and the return
    auto incl = [&](std::uint64_t n) { return profile ? n : 0; };
    const std::vector<RoutineCost> expected = {
        {t.At("Reset"), "Reset", 1, incl(1), 0},
        {t.At("Start"), "Start", kSteps - 1 - 15 - ticks, incl(kSteps - 1), 0},
        {t.At("Twice"), "Twice", 15, incl(15), 5},
        {t.At("Tick"), "Tick", ticks, incl(ticks), kTicks},
    };
    EXPECT_EQ(RoutineCosts(t.collector, t.info, t.m), expected);
  }
}

}  // namespace
}  // namespace kv74::debug
