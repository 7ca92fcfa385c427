// fwmonkey: random use of the controller. For each seed the firmware starts from a random RAM
// (kept, all 0x0000, all 0xFFFF, random words, or the delivered image with a few words changed),
// then random clicks come at random steps: keys, jog toggles, uskor, input lamps (machine ready
// among them), typed travel limits, moves and feeds. The run is kv74-run's: the same panel, the
// same clicks between steps. Checked throughout:
//   - no fault: the Digit row never shows a fault, the PC never enters the fault routine;
//   - once referenced, an axis that stands is within its travel limits, or no further out than
//     when it last stood (limits set while it stood beyond them);
//   - output bits 11 and 12 never change; bits 0..10 and 13 take a new function only during an
//     exchange (run phases tool and function);
//   - the main loop keeps running: a key code is read within 5000 steps of its click.
// A failing seed leaves DIR/monkey-SEED/ (V4, AMT, its RAM, input.txt) and prints the kv74-run
// command that replays it.
//
//   fwmonkey IMAGES OUTDIR          seeds 0 .. KV74_MONKEY_SEEDS-1 (100), KV74_MONKEY_STEPS
//                                   steps each (2,000,000), from KV74_MONKEY_FIRST (0)
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "board/image.hpp"
#include "board/machine.hpp"
#include "board/power.hpp"
#include "board/thread.hpp"
#include "runner_panel.hpp"

namespace fs = std::filesystem;

namespace {

constexpr std::uint16_t kRam = 0x4000;
constexpr std::uint16_t kAuState = 0x4080, kReferenced = 0x40D8, kLimits = 0x40D0;
constexpr std::uint16_t kAxis[2] = {0x4060, 0x4070};  // records: position 0..1, busy 6
constexpr std::uint16_t kFaultFirst = 0x1CF2, kFaultEnd = 0x1D68;
constexpr std::uint64_t kKeyGap = 20000, kLive = 5000;

const char* const kKeys[] = {"k0x13", "k0x14", "k0x15", "k0x16", "k0x19", "k0x1A", "k0x1B",
                             "k0x1C", "k0x1D", "k0x1E", "k0x09", "k0x0A", "k0x0B", "k0x0C",
                             "k0x0D", "k0x0E", "k0x11", "k0x12", "k0x26", "k0x3E", "k0x39",
                             "k0x29", "k0x2B", "k0x35", "k0x36", "k0x2E", "k0x3D", "k0x2A",
                             "k0x33", "k0x32", "k0x21", "k0x2C", "k0x31"};
const char* const kToggles[] = {"k0x78", "k0x79", "k0x7a", "k0x7b", "uskor"};
const char* const kDigit[] = {"k0x13", "k0x14", "k0x15", "k0x16", "k0x19",
                              "k0x1A", "k0x1B", "k0x1C", "k0x1D", "k0x1E"};

struct Click {
  std::uint64_t step;
  std::string name;
};

std::int32_t Ram32(const kv74::BoardState& m, std::uint16_t a) {
  return static_cast<std::int32_t>(std::uint32_t{m.DataMemory[a - kRam]} << 16 |
                                   m.DataMemory[a - kRam + 1]);
}

// The checks at each hand-over, then the panel's own refresh.
class Checked final : public kv74::HandoverReceiver {
 public:
  explicit Checked(kv74::RunnerPanel& panel) : panel_(panel) {}
  void Handover(kv74::BoardState& m) override {
    Check(m);
    panel_.Handover(m);
  }
  void Check(const kv74::BoardState& m) {
    if (failure.empty()) failure = Failure(m);
  }
  std::string failure;

 private:
  std::string Failure(const kv74::BoardState& m) {
    if ((m[29] & 0xFFF0) == 0x0FE0 && (m[29] & 0xF) != 0xF)
      return "a fault is shown";  // not -E blank
    const std::uint16_t out = m[kv74::reg::PORT_OUT], changed = out ^ port_;
    const std::uint16_t state = m.DataMemory[kAuState - kRam];
    port_ = out;
    if (changed & 0x1800) return "output bit 11 or 12 changed";
    if ((changed & 0x27FF) && (out & 0x27FF) && state != 2 && state != 3)
      return "a function output changed outside an exchange";
    const bool referenced = m.DataMemory[kReferenced - kRam] != 0;
    for (int a = 0; a < 2; ++a) {
      std::int64_t lo = Ram32(m, kLimits + 4 * a), hi = Ram32(m, kLimits + 4 * a + 2);
      if (lo != limits_[a][0] || hi != limits_[a][1] || !referenced) out_[a] = -1;
      limits_[a][0] = lo;
      limits_[a][1] = hi;
      if (!referenced || m.DataMemory[kAxis[a] + 6 - kRam] != 0) continue;
      const std::int64_t pos = Ram32(m, kAxis[a]);
      const std::int64_t beyond = pos < lo ? lo - pos : pos > hi ? pos - hi : 0;
      if (out_[a] >= 0 && beyond > out_[a])
        return a == 0 ? "X stands beyond a limit" : "Z stands beyond a limit";
      out_[a] = beyond;
    }
    return {};
  }
  kv74::RunnerPanel& panel_;
  std::uint16_t port_ = 0;
  std::int64_t limits_[2][2] = {};
  std::int64_t out_[2] = {-1, -1};
};

class Monkey {
 public:
  Monkey(std::uint64_t seed, const fs::path& images, const fs::path& work)
      : seed_(seed), rng_(seed), images_(images), work_(work) {}

  // Runs `steps` steps; returns "" or what went wrong.
  std::string Run(std::uint64_t steps) {
    auto m = std::make_unique<kv74::BoardState>();
    kv74::LoadImages(*m, images_);
    RandomRam(*m);
    ram_.assign(m->DataMemory.begin(), m->DataMemory.begin() + 4096);
    kv74::PowerOn(*m);
    kv74::RunnerPanel panel(*m, work_);
    panel.StartUp();
    Checked checks(panel);
    Plan(steps);
    std::uint64_t at = 0;
    for (std::size_t i = 0; i <= clicks_.size() && checks.failure.empty(); ++i) {
      const std::uint64_t until = i < clicks_.size() ? clicks_[i].step : steps;
      kv74::RunSteps(*m, until - at, checks);
      const std::uint16_t key = (*m)[kv74::reg::KEYBOARD];
      if (until - at >= kLive && key != 0 && key < 112) checks.failure = "a key was not read";
      const std::uint16_t pc = (*m)[kv74::reg::PC];
      if (pc >= kFaultFirst && pc < kFaultEnd) checks.failure = "the fault routine runs";
      checks.Check(*m);
      at = until;
      if (!checks.failure.empty()) clicks_.resize(i);
      if (i < clicks_.size()) panel.Click(clicks_[i].name);
    }
    failedAt_ = at;
    return checks.failure;
  }

  // Leaves the images, the RAM and the clicks in dir; returns the command that replays them.
  std::string Keep(const fs::path& dir) const {
    fs::create_directories(dir);
    for (const char* name : {"V4", "AMT"})
      fs::copy_file(images_ / name, dir / name, fs::copy_options::overwrite_existing);
    std::ofstream ram(dir / "RAM", std::ios::binary);
    for (std::uint16_t w : ram_)
      ram.put(static_cast<char>(w & 0xFF)).put(static_cast<char>(w >> 8));
    std::ofstream script(dir / "input.txt");
    for (const Click& c : clicks_) script << c.step << " click " << c.name << "\n";
    script << "# monkey seed " << seed_ << ", failed by step " << failedAt_ << "\n";
    return "kv74-run --images " + dir.string() + " --steps " + std::to_string(failedAt_) +
           " --input " + (dir / "input.txt").string() + " --state-json -";
  }

 private:
  std::uint64_t Below(std::uint64_t n) {
    return std::uniform_int_distribution<std::uint64_t>(0, n - 1)(rng_);
  }

  void RandomRam(kv74::BoardState& m) {
    auto* ram = m.DataMemory.data();
    switch (Below(5)) {
      case 0: break;  // as delivered
      case 1: std::fill_n(ram, 4096, 0); break;
      case 2: std::fill_n(ram, 4096, 0xFFFF); break;
      case 3:
        for (int i = 0; i < 4096; ++i) ram[i] = static_cast<std::uint16_t>(Below(65536));
        break;
      default:  // a few words changed, mostly among the variables
        for (std::uint64_t n = 1 + Below(8); n > 0; --n) {
          ram[Below(2) ? Below(256) : Below(4096)] = static_cast<std::uint16_t>(Below(65536));
        }
    }
  }

  void Type(std::uint64_t& t, const std::string& keys) {
    for (char c : keys) {
      std::string name = c == 'G'   ? "k0x12"
                         : c == 'X' ? "k0x09"
                         : c == 'Z' ? "k0x0A"
                         : c == 'F' ? "k0x0B"
                         : c == '-' ? "k0x26"
                         : c == '*' ? "k0x3E"
                                    : kDigit[c - '0'];
      clicks_.push_back({t, std::move(name)});
      t += kKeyGap;
    }
  }

  std::string Digits() {
    std::string d = std::to_string(Below(Below(2) ? 40000 : 1000000));
    return Below(4) == 0 ? "-" + d : d;
  }

  void Plan(std::uint64_t steps) {
    clicks_.clear();
    std::uint64_t t = 1000 + Below(100000);
    while (t < steps) {
      const std::uint64_t what = Below(100);
      if (what < 55) {
        clicks_.push_back({t, kKeys[Below(std::size(kKeys))]});
        t += kLive;
      } else if (what < 70) {
        clicks_.push_back({t, kToggles[Below(std::size(kToggles))]});
      } else if (what < 78) {
        clicks_.push_back({t, Below(3) ? "ki8" : "ki" + std::to_string(Below(16))});
      } else if (what < 88) {  // a travel limit
        Type(t, std::string(Below(2) ? "G50*" : "G51*") + (Below(2) ? "X" : "Z") + Digits() + "*");
      } else if (what < 96) {  // a move
        Type(t, std::string(Below(2) ? "X" : "Z") + Digits() + "*");
      } else {
        Type(t, "F" + std::to_string(Below(1200)) + "*");
      }
      // log-uniform gaps: 5,000 .. 1,500,000 steps
      t += static_cast<std::uint64_t>(
          5000.0 * std::pow(300.0, std::uniform_real_distribution<>(0, 1)(rng_)));
    }
    while (!clicks_.empty() && clicks_.back().step >= steps) clicks_.pop_back();
  }

  std::uint64_t seed_;
  std::mt19937_64 rng_;
  fs::path images_, work_;
  std::vector<std::uint16_t> ram_;
  std::vector<Click> clicks_;
  std::uint64_t failedAt_ = 0;
};

std::uint64_t Env(const char* name, std::uint64_t fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? std::strtoull(v, nullptr, 10) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fwmonkey IMAGES OUTDIR\n");
    return 2;
  }
  const fs::path images = argv[1], out = argv[2];
  const std::uint64_t seeds = Env("KV74_MONKEY_SEEDS", 100),
                      steps = Env("KV74_MONKEY_STEPS", 2'000'000);
  const std::uint64_t first = Env("KV74_MONKEY_FIRST", 0);
  fs::create_directories(out / "work");
  const auto start = std::chrono::steady_clock::now();
  int failed = 0;
  for (std::uint64_t seed = first; seed < first + seeds; ++seed) {
    Monkey monkey(seed, images, out / "work");
    const std::string failure = monkey.Run(steps);
    if (failure.empty()) continue;
    ++failed;
    const std::string replay = monkey.Keep(out / ("monkey-" + std::to_string(seed)));
    std::printf("seed %" PRIu64 ": %s\n  replay: %s\n", seed, failure.c_str(), replay.c_str());
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%" PRIu64 " seeds from %" PRIu64 ", %" PRIu64 " steps each, %" PRIu64
              " steps in all, %d failed, %.1f s\n",
              seeds, first, steps, seeds * steps, failed, s);
  return failed == 0 ? 0 : 1;
}
