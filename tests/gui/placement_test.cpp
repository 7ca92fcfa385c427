// The debugger window's place: wholly on the panel's screen, beside the panel where it fits, else
// over it, on any screen geometry.
#include <gtest/gtest.h>

#include "shell/debugger/placement.hpp"

namespace kv74::shell::dbgwin {
namespace {

TEST(Placement, WhollyOnTheScreenBesideThePanelOrOverIt) {
  struct Case {
    const char* what;
    QRect screen, panel;
    QSize wanted;
    QRect at;
  };
  const Case cases[] = {
      {"room on the right",
       {0, 0, 2560, 1440},
       {100, 100, 800, 700},
       {1200, 900},
       {908, 100, 1200, 900}},
      {"no room beside: over the panel, at the right edge",
       {0, 0, 1600, 1000},
       {0, 0, 800, 700},
       {1200, 900},
       {400, 0, 1200, 900}},
      {"room on the left only",
       {0, 0, 1600, 1000},
       {1000, 50, 590, 700},
       {900, 800},
       {92, 50, 900, 800}},
      {"larger than the screen: shrunk to it",
       {0, 0, 1024, 768},
       {0, 0, 800, 600},
       {1200, 900},
       {0, 0, 1024, 768}},
      {"a second screen, the panel low on it",
       {1600, 0, 1920, 1080},
       {1700, 900, 400, 300},
       {1200, 900},
       {2108, 180, 1200, 900}},
      {"a screen with a panel bar on top",
       {0, 40, 1600, 960},
       {0, 0, 700, 600},
       {800, 900},
       {708, 40, 800, 900}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QRect at = PlaceBeside(c.panel, c.screen, c.wanted);
    EXPECT_EQ(at, c.at);
    EXPECT_TRUE(c.screen.contains(at));
  }
}

}  // namespace
}  // namespace kv74::shell::dbgwin
