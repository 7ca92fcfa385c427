// The step dispatches every instruction word to a body made for its selector (ALU operation,
// condition): each selector value of each such form must act as the ALU operation or condition
// of that value, for every flags state. The scheduled loop reaches the bodies another way (each
// inlined under a label of its own) than Step (their addresses in a table): both must leave the
// same machine after every instruction word.
#include <cstring>
#include <functional>

#include "board/step.hpp"
#include "cpu/alu.hpp"
#include "tests/board/machine_diff.hpp"
#include "tests/cpu/machine_fixture.hpp"

namespace kv74::testing {
namespace {

constexpr std::uint16_t kStart = 0x0100;
constexpr std::uint16_t kOperands[][2] = {
    {0x0000, 0x0000}, {0x7FFF, 0x0001}, {0x8000, 0x8000}, {0x1234, 0xFEDC}, {0xFFFF, 0x0001}};

// A form with a selector: its word for selector s, and the expected effect on a machine whose
// registers 3 and 5 hold the operands (R3 the destination).
struct SelectorForm {
  const char* name;
  unsigned selectors;
  std::uint16_t (*word)(unsigned s);
  std::function<void(BoardState&, unsigned s)> expect;
};

const SelectorForm kForms[] = {
    {"AluRR", 7, [](unsigned t) { return static_cast<std::uint16_t>(0x9035 | t << 9); },
     [](BoardState& m, unsigned t) {
       const std::uint16_t r = BinaryOp(m, t, m[3], m[5]);
       if (t != binary::CMP) m[3] = r;
       m[reg::PC] += 1;
     }},
    {"AluImm", 7, [](unsigned t) { return static_cast<std::uint16_t>(0xE103 | t << 9); },
     [](BoardState& m, unsigned t) {
       m[3] = BinaryOp(m, t, m[3], m[5]);  // the immediate word holds R5's value
       m[reg::PC] += 2;
     }},
    {"UnaryReg", 8, [](unsigned t) { return static_cast<std::uint16_t>(0xF083 | t << 9); },
     [](BoardState& m, unsigned t) {
       m[3] = UnaryOp(m, t, m[3]);
       m[reg::PC] += 1;
     }},
    {"ShiftReg", 8, [](unsigned t) { return static_cast<std::uint16_t>(0xF093 | t << 9); },
     [](BoardState& m, unsigned t) {
       m[3] = ShiftOp(m, t, m[3]);
       m[reg::PC] += 1;
     }},
    {"JumpRel", 16, [](unsigned c) { return static_cast<std::uint16_t>(0x6010 | c << 8); },
     [](BoardState& m, unsigned c) { m[reg::PC] += TestCondition(m, c) ? 0x10 : 1; }},
};

TEST(Dispatch, EverySelectorRunsItsOwnOperation) {
  for (const SelectorForm& form : kForms) {
    for (unsigned s = 0; s < form.selectors; ++s) {
      for (const auto& ops : kOperands) {
        for (unsigned flags = 0; flags < 16; ++flags) {
          if (std::string_view(form.name) == "JumpRel" && s == 2) continue;  // CALL [word dd]
          SCOPED_TRACE(::testing::Message() << form.name << " selector " << s << " operands "
                                            << ops[0] << "," << ops[1] << " flags " << flags);
          const std::uint16_t w = form.word(s);
          Machine x, want;
          for (Machine* y : {&x, &want}) {
            y->Put(kStart, {w, ops[1]});
            (*y)[3] = ops[0];
            (*y)[5] = ops[1];
            (*y)[reg::FLAGS] = static_cast<std::uint16_t>(flags << 12);
            (*y)[reg::PC] = kStart;
          }
          Step(x.m);
          EnterFlags(want.m);  // the operations as a run loop calls them
          form.expect(want.m, s);
          LeaveFlags(want.m);
          EXPECT_EQ(x[3], want[3]);
          EXPECT_EQ(x.Flags(), want.Flags());
          EXPECT_EQ(x[reg::PC], want[reg::PC]);
          EXPECT_EQ(x.Faults(), 0);
        }
      }
    }
  }
}

// Counts the hand-overs and leaves the notification as it was, as Step does.
struct CountingReceiver : HandoverReceiver {
  int handovers = 0;
  void Handover(BoardState&) override { ++handovers; }
};

// A machine for word w: registers, flags and the word after w from a generator seeded with w;
// the bases and the stack pointer in RAM. With `masked`, an interrupt is pending under the mask,
// so that the step also passes the request check. RAM is left as the words before left it: both
// machines' RAM is the same when the last word's check passed.
void ArrangeForWord(BoardState& m, const BoardState& blank, std::uint16_t w, bool masked) {
  m.RegisterFile = blank.RegisterFile;
  std::uint32_t x = 0x9E3779B9u ^ w;
  auto next = [&x] {
    x = x * 1664525u + 1013904223u;
    return static_cast<std::uint16_t>(x >> 16);
  };
  for (int r = 0; r < 16; ++r) m[r] = next();
  m[reg::BASE0] = static_cast<std::uint16_t>(0x4000 + (next() & 0x07FF));
  m[reg::BASE1] = static_cast<std::uint16_t>(0xC000 + (next() & 0x07FF));
  m[reg::SP] = 0x4800;
  m[reg::FLAGS] = next();
  m[reg::PC] = kStart;
  m[reg::IMASK] = masked ? 0x0010 : 0;
  m[reg::FAULTS] = masked ? fault::TIMER : 0;
  m.ProgramMemory[kStart] = w;
  m.ProgramMemory[kStart + 1] = next();
  m.opWord = m.extWord = 0;
  m.NotifyWord = 0;
}

// Two steps, so that what the first raises, masks or notes is seen by the second.
TEST(Dispatch, ScheduledLoopAgreesWithStepOnEveryWord) {
  Machine blank, stepped, scheduled;
  for (bool masked : {false, true}) {
    for (unsigned w = 0; w < 65536; ++w) {
      ArrangeForWord(stepped.m, blank.m, static_cast<std::uint16_t>(w), masked);
      ArrangeForWord(scheduled.m, blank.m, static_cast<std::uint16_t>(w), masked);
      int notified = 0;
      for (int i = 0; i < 2; ++i) {
        Step(stepped.m);
        notified += stepped.m.NotifyWord != 0;
      }
      CountingReceiver receiver;
      RunScheduledSteps(scheduled.m, 2, receiver);
      const std::string diff = MachineDifference(stepped.m, scheduled.m, DiffOptions{false, false});
      ASSERT_EQ(diff, "") << "word " << std::hex << w << (masked ? " with a masked request" : "");
      ASSERT_EQ(std::memcmp(stepped.m.DataMemory.data(), scheduled.m.DataMemory.data(),
                            sizeof stepped.m.DataMemory),
                0)
          << "RAM after word " << std::hex << w;
      ASSERT_EQ(receiver.handovers, notified) << "word " << std::hex << w;
    }
  }
}

// Requests pending together are taken one per step, lowest line first.
TEST(Dispatch, PendingRequestsOnePerStep) {
  Machine stepped, scheduled;
  for (Machine* x : {&stepped, &scheduled}) {
    x->m.ProgramMemory[191] = 0x0300;  // line 1
    x->m.ProgramMemory[239] = 0x0200;  // bad address
    x->m.ProgramMemory[255] = 0x0100;  // invalid
    (*x)[reg::SP] = 0x4800;
    (*x)[reg::PC] = 0x0400;
    (*x)[reg::FAULTS] = fault::LINE1 | fault::BAD_ADDRESS | fault::INVALID;
  }
  for (int i = 0; i < 4; ++i) Step(stepped.m);
  CountingReceiver receiver;
  RunScheduledSteps(scheduled.m, 4, receiver);
  EXPECT_EQ(MachineDifference(stepped.m, scheduled.m), "");
  EXPECT_EQ(scheduled[reg::SP], 0x4803);
  EXPECT_EQ(scheduled.m.DataMemory[0x803], 0x0200);  // invalid entered from the bad-address handler
  EXPECT_EQ(scheduled[reg::PC], 0x0101);
}

}  // namespace
}  // namespace kv74::testing
