// The click handlers run while the processor runs; these tests race them against the emulation
// thread's side of the shared words.
#include <gtest/gtest.h>

#include <thread>

#include "cpu/shared.hpp"
#include "rig.hpp"

namespace kv74::test {
namespace {

TEST(Concurrency, InputClicksAndTheSequencerLoseNoBitChange) {
  Rig rig;
  StoreShared(*rig.m, reg::PORT_IN, 0x0100);
  constexpr int kRounds = 20000;
  std::thread processor([&] {
    for (int i = 0; i < kRounds; ++i) {
      SetSharedBits(*rig.m, reg::PORT_IN, 0x4000);
      ClearSharedBits(*rig.m, reg::PORT_IN, 0x4000);
    }
    SetSharedBits(*rig.m, reg::PORT_IN, 0x4000);
  });
  for (int i = 0; i < kRounds; ++i) rig.panel->KEoutClick("ki3");  // an even number of toggles
  rig.panel->KEoutClick("ki0");
  processor.join();
  EXPECT_EQ(LoadShared(*rig.m, reg::PORT_IN), 0x4101);
  EXPECT_EQ(rig.Colour("ki3"), colour::GREY);
  EXPECT_EQ(rig.Colour("ki0"), colour::GREEN);
}

TEST(Concurrency, KeyClicksWhileTheFirmwareReadsTheKeyboard) {
  Rig rig;
  std::atomic<bool> done{false};
  std::uint32_t seenJog = 0;
  std::thread processor([&] {
    while (!done.load()) {
      ReadKeyboard(*rig.m);
      seenJog |= rig.m->channels.jogButtons.load(std::memory_order_relaxed);
    }
  });
  for (int i = 0; i < 2000; ++i) {
    rig.panel->PultKeyClik("k0x1D");
    rig.surface.Find("k0x7b")->SetDown(i % 2 == 0);
    rig.panel->PultKeyClik("k0x7b");
  }
  rig.panel->PultKeyClik("k0x14");
  done.store(true);
  processor.join();
  const std::uint16_t last = LoadShared(*rig.m, reg::KEYBOARD);
  EXPECT_TRUE(last == 20 || last == 0) << last;  // taken once, or still waiting
  EXPECT_EQ(rig.m->channels.jogButtons.load(), 0u);
  EXPECT_EQ(seenJog & ~jog::RIGHT, 0u);
}

}  // namespace
}  // namespace kv74::test
