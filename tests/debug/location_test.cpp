// Locations as users write them, resolved through hand-written debug information.
#include <gtest/gtest.h>

#include "debug/location.hpp"
#include "debuginfo/debug_info.hpp"

namespace kv74::debug {
namespace {

constexpr std::string_view kInfo = R"({
  "format": "kv74-debug-info", "version": 1,
  "sources": ["fw/boot.asm", "fw/keys.asm"],
  "symbols": [{"name": "MainLoop", "value": 256, "kind": "label", "source": 0, "line": 12},
              {"name": "KeyTable", "value": 28672, "kind": "label"}],
  "lines": [{"address": 256, "size": 2, "source": 0, "line": 14},
            {"address": 258, "size": 1, "source": 0, "line": 15},
            {"address": 300, "size": 1, "source": 1, "line": 15},
            {"address": 310, "size": 1, "source": 1, "line": 15}]
})";

TEST(Location, ResolvesNumbersSymbolsAndLines) {
  const dbg::DebugInfo info = dbg::ParseDebugInfo(kInfo, "/x");
  struct Case {
    std::string_view text;
    std::vector<std::uint16_t> addresses;  // empty: an error
  };
  const Case cases[] = {
      {"0x100", {256}},
      {"300", {300}},
      {"MainLoop", {256}},
      {"MainLoop+0x2", {258}},
      {"boot.asm:15", {258}},
      {"keys.asm:15", {300, 310}},
      {"0x10000", {}},
      {"nosuch", {}},
      {"boot.asm:99", {}},
      {"boot.asm:x", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.addresses.empty()) {
      EXPECT_THROW(ResolveLocation(c.text, &info), LocationError);
    } else {
      EXPECT_EQ(ResolveLocation(c.text, &info), c.addresses);
    }
  }
  EXPECT_THROW(ResolveLocation("MainLoop", nullptr), LocationError);
  EXPECT_EQ(DescribeAddress(258, &info), "MainLoop+2 (boot.asm:15)");
  EXPECT_EQ(DescribeAddress(256, nullptr), "");
}

}  // namespace
}  // namespace kv74::debug
