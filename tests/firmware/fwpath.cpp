// fwpath: runs the firmware like kv74-run (without a panel) and prints the tool position at
// every channel step, so that a test can check the path step by step.
//
//   fwpath IMAGES STEPS SCRIPT
//
// SCRIPT holds "STEP click NAME" lines as kv74-run reads them; NAME is a key k0xNN (its code
// goes into the keyboard register) or an input switch kiN (toggles bit N of the input port).
// Output: "x z" at the start (the position cells of the RAM image), then "step x z" after
// every step on which channel 0 (X) or 1 (Z) stepped. A step is seen as a change of the
// channel's mark count; its direction is that of the rate word before the step.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/image.hpp"
#include "board/machine.hpp"
#include "board/power.hpp"
#include "board/step.hpp"

namespace {

struct Click {
  std::uint64_t step;
  std::string name;
};

std::int32_t Cell(const kv74::BoardState& m, std::uint16_t hi) {
  const auto at = static_cast<std::size_t>(hi - kv74::DATA_BASE);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(m.DataMemory[at]) << 16 |
                                   m.DataMemory[at + 1]);
}

void Apply(kv74::BoardState& m, const std::string& name) {
  if (name.rfind("k0x", 0) == 0) {
    m[kv74::reg::KEYBOARD] = static_cast<std::uint16_t>(std::stoi(name.substr(3), nullptr, 16));
  } else if (name.rfind("ki", 0) == 0) {
    m[kv74::reg::PORT_IN] ^= static_cast<std::uint16_t>(1u << std::stoi(name.substr(2)));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: fwpath IMAGES STEPS SCRIPT\n");
    return 2;
  }
  kv74::BoardState m;
  kv74::LoadImages(m, argv[1]);
  kv74::PowerOn(m);
  const std::uint64_t steps = std::stoull(argv[2]);
  std::vector<Click> clicks;
  std::ifstream script(argv[3]);
  for (std::string line; std::getline(script, line);) {
    std::istringstream words(line.substr(0, line.find('#')));
    Click c;
    std::string verb;
    if (words >> c.step >> verb >> c.name) clicks.push_back(c);
  }
  std::int32_t pos[2] = {Cell(m, kv74::cell::POSITION_X_HI), Cell(m, kv74::cell::POSITION_Z_HI)};
  std::printf("%d %d\n", pos[0], pos[1]);
  std::size_t next = 0;
  for (std::uint64_t s = 0; s < steps; ++s) {
    while (next < clicks.size() && clicks[next].step == s) Apply(m, clicks[next++].name);
    const std::uint16_t marks[2] = {m.channels.markCount[0], m.channels.markCount[1]};
    const std::uint16_t rates[2] = {m[kv74::reg::RATE0], m[kv74::reg::RATE0 + 1]};
    kv74::Step(m);
    m.NotifyWord = 0;
    bool moved = false;
    for (int i = 0; i < 2; ++i) {
      if (m.channels.markCount[static_cast<std::size_t>(i)] != marks[i]) {
        pos[i] += (rates[i] & 0x8000) ? -1 : 1;
        moved = true;
      }
    }
    if (moved) std::printf("%llu %d %d\n", static_cast<unsigned long long>(s), pos[0], pos[1]);
  }
  return 0;
}
