// The scheduled run loop against the per-step reference: the peripherals' closed-form catch-up,
// random programs that work every peripheral register, and the firmware images with a key script.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "board/image.hpp"
#include "board/power.hpp"
#include "periph/periph.hpp"
#include "periph/schedule.hpp"
#include "source_dir.hpp"
#include "tests/board/lockstep.hpp"

namespace kv74::testing {
namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KV74_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KV74_SANITIZED 1
#endif
#ifdef KV74_SANITIZED
constexpr std::uint64_t kScale = 10;  // the sanitizer builds run a tenth of the steps
#else
constexpr std::uint64_t kScale = 1;
#endif

using Rng = std::mt19937_64;

std::uint64_t Uniform(Rng& rng, std::uint64_t lo, std::uint64_t hi) {
  return std::uniform_int_distribution<std::uint64_t>(lo, hi)(rng);
}

template <typename T, std::size_t N>
T Pick(Rng& rng, const T (&choices)[N]) {
  return choices[Uniform(rng, 0, N - 1)];
}

std::uint16_t Word(Rng& rng) { return static_cast<std::uint16_t>(Uniform(rng, 0, 0xFFFF)); }

// Register values that matter to the peripherals, biased towards their interesting patterns.
std::uint16_t RateValue(Rng& rng) {
  const std::uint16_t rates[] = {0, 1, 0xFFFF, 0x8000, 0x7FFF, 0x0064, 0x0800, 0x07FF, 0x8001};
  return Uniform(rng, 0, 3) == 0 ? Word(rng) : Pick(rng, rates);
}
std::uint16_t OutputValue(Rng& rng) {
  const std::uint16_t outs[] = {0x4100, 0x6125, 0x2325, 0x4000, 0xC100, 0x0000, 0x4700, 0x6400};
  return Uniform(rng, 0, 3) == 0 ? Word(rng) : Pick(rng, outs);
}
std::uint16_t LampValue(Rng& rng) {
  const std::uint16_t lamps[] = {0x4008, 0x4010, 0x4018, 0x0000};
  return Pick(rng, lamps);
}

// A random state of every peripheral, registers and internals, near the edges of their counts.
void RandomPeripherals(Rng& rng, BoardState& m) {
  m[reg::TIMER_RELOAD] = static_cast<std::uint16_t>(Uniform(rng, 0, 4));
  m[reg::TIMER_MODE] = static_cast<std::uint16_t>(Uniform(rng, 0, 3));
  m[reg::TIMER_RUN] = Uniform(rng, 0, 3) ? 0x8000 : 0;
  m[reg::TIMER_INHIBIT] = static_cast<std::uint16_t>(Uniform(rng, 0, 1));
  m[reg::KEYLAMPS] = LampValue(rng);
  m[reg::PORT_OUT] = OutputValue(rng);
  for (int i = 0; i < 3; ++i) m[reg::RATE0 + i] = RateValue(rng);
  for (int i = 0; i < 4; ++i) m[reg::COUNT0 + i] = Word(rng);
  m[reg::MARK] = static_cast<std::uint16_t>(Uniform(rng, 0, 0x7F));
  m.timer.prescaler =
      static_cast<std::uint16_t>(Uniform(rng, 0, 3) ? Uniform(rng, 0, 100) : Word(rng));
  m.timer.count = static_cast<std::uint16_t>(Uniform(rng, 0, 1) ? Uniform(rng, 0, 3) : Word(rng));
  for (std::size_t i = 0; i < 3; ++i) {
    m.channels.period[i] = static_cast<std::uint16_t>(Uniform(rng, 0, 1) ? Uniform(rng, 0, 6)
                                                                         : Uniform(rng, 0, 10000));
    m.channels.divider[i] = static_cast<std::uint16_t>(Uniform(rng, 0, 8));
    const std::uint16_t marks[] = {0, 2498, 2499, 2500, 2501, 65535};
    m.channels.markCount[i] =
        Uniform(rng, 0, 1) ? Pick(rng, marks) : static_cast<std::uint16_t>(Uniform(rng, 0, 2500));
  }
  m.channels.jogDivider = static_cast<std::uint16_t>(0xFFFF - Uniform(rng, 0, 300));
  m.channels.jogSampleCount = static_cast<std::uint16_t>(Uniform(rng, 0, 11));
  m.sequencer.state = static_cast<SeqState>(Uniform(rng, 0, 5));
  m.sequencer.code = static_cast<std::uint16_t>(Uniform(rng, 0, 0xFFF));
  m.sequencer.countdown = static_cast<std::uint32_t>(Uniform(rng, 0, 1) ? Uniform(rng, 0, 20)
                                                                        : Uniform(rng, 0, 3000000));
  m.channels.jogButtons.store(static_cast<std::uint32_t>(Uniform(rng, 0, 15)));
}

void TickReference(BoardState& m, std::uint64_t n) {
  for (std::uint64_t i = 0; i < n; ++i) {
    TickPeripherals(m, m);
  }
}

// The catch-up in one go equals the ticks one by one, for every count up to the quiet span
// (checked at the edges of the span and in between).
TEST(ScheduleTest, QuietTicksAtOnceEqualTicksOneByOne) {
  Rng rng(7);
  auto start = std::make_unique<BoardState>();
  auto once = std::make_unique<BoardState>();
  auto each = std::make_unique<BoardState>();
  for (int round = 0; round < 400; ++round) {
    RandomPeripherals(rng, *start);
    const std::uint64_t quiet =
        std::min<std::uint64_t>(QuietTicks(*start, *start), 200000 / kScale);
    for (std::uint64_t k : {std::uint64_t{0}, std::uint64_t{1}, quiet / 2, quiet - quiet / 3,
                            quiet > 0 ? quiet - 1 : 0, quiet, Uniform(rng, 0, quiet)}) {
      if (k > quiet) continue;
      CopyMachine(*once, *start);
      CopyMachine(*each, *start);
      AdvanceQuiet(*once, *once, k);
      TickReference(*each, k);
      ASSERT_EQ(MachineDifference(*each, *once), "")
          << "round " << round << ", " << k << " of " << QuietTicks(*start, *start)
          << " quiet ticks";
    }
  }
}

// Words of a random program that works the peripherals; BASE0 points at 0xF100.
class ProgramWriter {
 public:
  ProgramWriter(Rng& rng, BoardState& m) : rng_(rng), m_(m) {}

  void Put(std::initializer_list<std::uint16_t> words) {
    for (std::uint16_t w : words) m_.ProgramMemory[at_++] = w;
  }
  std::uint16_t at() const { return at_; }
  void At(std::uint16_t a) { at_ = a; }

  // One random action on the peripherals.
  void Action() {
    const std::uint16_t timerWords[] = {0x00, 0x01, 0x02, 0x10};
    const std::uint16_t counterWords[] = {0x50, 0x51, 0x52, 0x53, 0x54};
    switch (Uniform(rng_, 0, 12)) {
      case 0: Store(Pick(rng_, timerWords), static_cast<std::uint16_t>(Uniform(rng_, 0, 5))); break;
      case 1: Store(0x02, Uniform(rng_, 0, 1) ? 0x8000 : 0); break;
      case 2: Store(0x24, LampValue(rng_)); break;
      case 3:
        Store(static_cast<std::uint16_t>(0x30 + Uniform(rng_, 0, 2)), OutputValue(rng_));
        break;
      case 4:
        Store(static_cast<std::uint16_t>(0x40 + Pick(rng_, {0, 1, 3})), RateValue(rng_));
        break;
      case 5:
        Store(Pick(rng_, counterWords), static_cast<std::uint16_t>(Uniform(rng_, 0, 0x77)));
        break;
      case 6: Load(Pick(rng_, timerWords)); break;
      case 7: Load(Pick(rng_, counterWords)); break;
      case 8: Load(static_cast<std::uint16_t>(0x30 + Uniform(rng_, 0, 2))); break;
      case 9: {  // TEST or INC of a peripheral word: a read and a write through both hooks
        const std::uint16_t any[] = {0x00, 0x02, 0x24, 0x31, 0x32, 0x40, 0x43, 0x50, 0x51, 0x54};
        Put({Uniform(rng_, 0, 1) ? std::uint16_t{0xFE20} : std::uint16_t{0xF820}, Pick(rng_, any)});
        break;
      }
      case 10:  // an indicator: a hand-over when the value changes
        Store(static_cast<std::uint16_t>(0x20 + Uniform(rng_, 0, 2)), Word(rng_));
        break;
      default: Delay(); break;
    }
  }

  // MOV R7,n; DEC R7; JNZ back: 2n + 1 steps.
  void Delay() {
    const std::uint16_t n = static_cast<std::uint16_t>(
        Uniform(rng_, 0, 7) == 0 ? Uniform(rng_, 1, 40000) : Uniform(rng_, 1, 300));
    Put({0xE780, n, 0xF087, 0x64FF});
  }

 private:
  template <std::size_t N>
  std::uint16_t Pick(Rng& rng, const std::uint16_t (&c)[N]) {
    return testing::Pick(rng, c);
  }
  std::uint16_t Pick(Rng& rng, std::initializer_list<int> c) {
    return static_cast<std::uint16_t>(*(c.begin() + Uniform(rng, 0, c.size() - 1)));
  }
  void Store(std::uint16_t offset, std::uint16_t v) {  // MOV R1,v; MOV M[BASE0+offset],R1
    Put({0xE180, v, static_cast<std::uint16_t>(0x1100 | offset)});
  }
  void Load(std::uint16_t offset) {  // MOV Rd,M[BASE0+offset]
    Put({static_cast<std::uint16_t>((Uniform(rng_, 2, 5) << 8) | offset)});
  }

  Rng& rng_;
  BoardState& m_;
  std::uint16_t at_ = 0;
};

constexpr std::uint16_t kTimerHandler = 0x1800;

// Set-up (stack, BASE0 at the peripherals, interrupts as the seed says), then a loop of random
// actions. The timer's interrupt routine reads peripheral words and returns.
void RandomProgram(Rng& rng, BoardState& m, int actions) {
  ProgramWriter w(rng, m);
  w.Put({0xE080, 0x4800, 0xF1D2,                                 // SP := 0x4800
         0xE080, 0xF100, 0xF1D0});                               // BASE0 := 0xF100
  if (Uniform(rng, 0, 3) == 0) w.Put({0xE080, 0x0010, 0xF1FB});  // interrupts masked
  const std::uint16_t loop = w.at();
  for (int i = 0; i < actions; ++i) w.Action();
  w.Put({0xE350, loop});  // JMP [loop]
  m.ProgramMemory[139] = kTimerHandler;
  w.At(kTimerHandler);
  w.Put({0x0200, 0x0351, 0x0432, 0xE370});  // read the timer, counter 0, output port; return
}

struct Input {
  std::uint64_t step;
  int kind;  // 0 key, 1 input switch, 2 jog buttons
  std::uint16_t value;
};

// Runs both machines to total steps, cut into runs of random length up to maxRun (1: compared
// after every step), with random panel input between runs.
// Adds the hand-overs made to handovers.
void RunLockstep(Rng& rng, BoardState& ref, BoardState& fast, std::uint64_t total,
                 std::uint64_t maxRun, const std::vector<std::uint16_t>& keys,
                 std::uint64_t& handovers) {
  Lockstep both(ref, fast);
  while (both.steps() < total) {
    switch (Uniform(rng, 0, 7)) {
      case 0: both.Key(keys[Uniform(rng, 0, keys.size() - 1)]); break;
      case 1: both.ToggleInput(static_cast<std::uint16_t>(1u << Uniform(rng, 0, 15))); break;
      case 2: both.JogButtons(static_cast<std::uint32_t>(Uniform(rng, 0, 15))); break;
      default: break;
    }
    const std::uint64_t n = std::min(Uniform(rng, 1, maxRun), total - both.steps());
    ASSERT_EQ(both.Run(n), "") << "run of " << n << " steps ending at step " << both.steps() + n;
  }
  ASSERT_EQ(both.CompareAll(), "");
  handovers += both.handovers();
}

const std::vector<std::uint16_t> kAnyKey = [] {
  std::vector<std::uint16_t> k;
  for (std::uint16_t c = 0; c < 0x80; ++c) k.push_back(c);
  return k;
}();

struct ProgramCase {
  int seeds;
  std::uint64_t steps;
  std::uint64_t maxRun;
};

void PrintTo(const ProgramCase& c, std::ostream* os) {
  *os << c.seeds << " seeds, " << c.steps << " steps, runs of up to " << c.maxRun;
}

class RandomProgramTest : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(RandomProgramTest, ScheduledRunEqualsReference) {
  const ProgramCase c = GetParam();
  auto ref = std::make_unique<BoardState>();
  auto fast = std::make_unique<BoardState>();
  std::uint64_t handovers = 0;
  for (int seed = 0; seed < c.seeds; ++seed) {
    Rng rng(static_cast<std::uint64_t>(seed) * 1000003 + c.maxRun);
    PowerOn(*ref);
    ref->ProgramMemory = {};
    RandomProgram(rng, *ref, static_cast<int>(Uniform(rng, 5, 40)));
    if (seed % 2) RandomPeripherals(rng, *ref);
    CopyMachine(*fast, *ref);
    SCOPED_TRACE("seed " + std::to_string(seed));
    RunLockstep(rng, *ref, *fast, c.steps / kScale, c.maxRun, kAnyKey, handovers);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(handovers, std::uint64_t(c.seeds));
}

INSTANTIATE_TEST_SUITE_P(Runs, RandomProgramTest,
                         ::testing::Values(ProgramCase{40, 5000, 1},        // every step
                                           ProgramCase{40, 200000, 64},     // short runs
                                           ProgramCase{30, 2000000, 50000}  // long runs
                                           ));

std::filesystem::path DataDir() { return KV74_SOURCE_DATA_DIR; }

// Keys of the operator's panel: modes, axes, digits, the function letters, start and stop.
const std::vector<std::uint16_t> kPanelKeys = {
    0x29, 0x2B, 0x2E, 0x33, 0x3D, 0x35, 0x36, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x11,
    0x12, 0x13, 0x14, 0x15, 0x16, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x26, 0x3E, 0x39};

// The firmware from power-on with keys, input switches and jog buttons: compared after every
// step first, then at random points of a long run (every hand-over in both).
TEST(FirmwareScheduleTest, ScheduledRunEqualsReference) {
  auto ref = std::make_unique<BoardState>();
  auto fast = std::make_unique<BoardState>();
  LoadImages(*ref, DataDir());
  PowerOn(*ref);
  CopyMachine(*fast, *ref);
  Rng rng(74);
  std::uint64_t handovers = 0;
  RunLockstep(rng, *ref, *fast, 300000 / kScale, 1, kPanelKeys, handovers);
  if (HasFatalFailure()) return;
  RunLockstep(rng, *ref, *fast, 20000000 / kScale, 400000, kPanelKeys, handovers);
  EXPECT_GT(handovers, 50u);
}

}  // namespace
}  // namespace kv74::testing
