// Debug information: reading good and bad files, the lookups, and the writer's round trip.
#include "debuginfo/debug_info.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace kv74::dbg {
namespace {

constexpr const char* kGood = R"({
  "format": "kv74-debug-info", "version": 1, "later": {"ignored": true},
  "sources": ["../fw/main.asm", "/abs/keys.asm"],
  "symbols": [
    {"name": "Start", "value": 0, "kind": "label", "source": 0, "line": 3},
    {"name": "Loop", "value": 16, "kind": "label", "source": 0, "line": 9, "extra": 1},
    {"name": "Alias", "value": 16},
    {"name": "Cells", "value": 16384, "kind": "label"},
    {"name": "KEYS", "value": 61729, "kind": "equ"},
    {"name": "Big", "value": 4294967295, "kind": "equ"}
  ],
  "lines": [
    {"address": 16, "size": 2, "source": 0, "line": 9},
    {"address": 0, "size": 1, "source": 0, "line": 3},
    {"address": 18, "size": 1, "source": 1, "line": 9},
    {"address": 19, "size": 1, "source": 0, "line": 9}
  ],
  "data": [{"address": 16384, "size": 40, "kind": "block"}, {"address": 30, "size": 2}],
  "comments": [{"address": 16, "text": "wait for a key"}]
})";

TEST(DebugInfo, ReadsAndLooksUp) {
  const DebugInfo info = ParseDebugInfo(kGood, "/base/dir");
  ASSERT_EQ(info.symbols.size(), 6u);
  EXPECT_EQ(info.Find("KEYS")->kind, Symbol::Kind::Equ);
  EXPECT_EQ(info.Find("Big")->value, 0xFFFFFFFFu);
  EXPECT_EQ(info.Find("Alias")->kind, Symbol::Kind::Label);  // kind defaults to a label
  EXPECT_EQ(info.Find("Loop")->line, 9);
  EXPECT_EQ(info.Find("loop"), nullptr);

  EXPECT_EQ(info.LabelAt(16)->name, "Loop");
  EXPECT_EQ(info.LabelsAt(16).size(), 2u);
  EXPECT_EQ(info.LabelAt(17), nullptr);

  struct Near {
    std::uint16_t address;
    const char* label;  // nullptr: none
    int offset;
  };
  for (const Near& n : std::initializer_list<Near>{{0, "Start", 0},
                                                   {15, "Start", 15},
                                                   {17, "Loop", 1},
                                                   {0x1FFF, "Loop", 0x1FFF - 16},
                                                   {0x4003, "Cells", 3},
                                                   {0x7000, nullptr, 0},     // other area
                                                   {0x3FFF, nullptr, 0},     // no area
                                                   {0xF121, nullptr, 0}}) {  // equ, not label
    const auto near = info.NearestLabel(n.address);
    SCOPED_TRACE(n.address);
    if (!n.label) {
      EXPECT_FALSE(near);
      continue;
    }
    ASSERT_TRUE(near);
    EXPECT_EQ(near->first->name, n.label);
    EXPECT_EQ(near->second, n.offset);
  }

  ASSERT_EQ(info.lines.front().address, 0);  // sorted on reading
  EXPECT_EQ(info.LineAt(17)->address, 16);
  EXPECT_EQ(info.LineAt(18)->source, 1);
  EXPECT_EQ(info.LineAt(1), nullptr);
  EXPECT_EQ(info.LineAt(20), nullptr);

  EXPECT_EQ(info.SourcePath(0), "/base/fw/main.asm");
  EXPECT_EQ(info.SourcePath(1), "/abs/keys.asm");
  EXPECT_EQ(info.SourcePath(2), "");
  using A = std::vector<std::uint16_t>;
  EXPECT_EQ(info.AddressesOf("main.asm", 9), (A{16, 19}));
  EXPECT_EQ(info.AddressesOf("../fw/main.asm", 9), (A{16, 19}));
  EXPECT_EQ(info.AddressesOf("/base/fw/main.asm", 3), (A{0}));
  EXPECT_EQ(info.AddressesOf("keys.asm", 9), (A{18}));
  EXPECT_EQ(info.AddressesOf("other/main.asm", 9), A{});
  EXPECT_EQ(info.AddressesOf("main.asm", 4), A{});

  EXPECT_TRUE(info.IsData(0x4000 + 39));
  EXPECT_FALSE(info.IsData(0x4000 + 40));
  EXPECT_EQ(info.DataAt(31)->kind, "word");  // kind defaults to word
  EXPECT_EQ(info.comments.at(16), "wait for a key");
}

TEST(DebugInfo, RejectsBadFilesNamingTheFault) {
  const std::string head = R"({"format": "kv74-debug-info", "version": 1, "sources": ["a.asm"], )";
  struct Bad {
    std::string json;
    const char* message;
  };
  for (const Bad& b : std::initializer_list<Bad>{
           {"{", "not valid JSON"},
           {"6E327", "not valid JSON"},  // beyond a double's range
           {"[]", "expected a JSON object"},
           {R"({"version": 1})", "missing key 'format'"},
           {R"({"format": "kv74-snapshot", "version": 1})", "format: expected \"kv74-debug-info\""},
           {R"({"format": "kv74-debug-info"})", "missing key 'version'"},
           {R"({"format": "kv74-debug-info", "version": 2})", "version 2 is newer"},
           {R"({"format": "kv74-debug-info", "version": "1"})", "version: expected a positive"},
           {head + R"("symbols": {}})", "symbols: expected an array"},
           {head + R"("symbols": [{"value": 1}]})", "symbols[0]: missing key 'name'"},
           {head + R"("symbols": [{"name": "A", "value": 65536}]})",
            "symbols[0].value: expected an integer 0..65535, got 65536"},
           {head + R"("symbols": [{"name": "A", "value": -1, "kind": "equ"}]})",
            "symbols[0].value: expected an integer 0..4294967295, got -1"},
           {head + R"("symbols": [{"name": "A", "value": 1, "kind": "const"}]})",
            "symbols[0].kind: expected \"label\" or \"equ\""},
           {head + R"("symbols": [{"name": "A", "value": 1, "source": 1}]})",
            "symbols[0].source: expected an integer 0..0"},
           {head + R"("lines": [1]})", "lines[0]: expected an object"},
           {head + R"("lines": [{"address": 5, "size": 1, "line": 2}]})",
            "lines[0]: missing key 'source'"},
           {head + R"("lines": [{"address": 5, "size": 1, "source": 0}]})",
            "lines[0]: missing key 'line'"},
           {head + R"("lines": [{"address": 5, "size": 0, "source": 0, "line": 2}]})",
            "lines[0].size: expected an integer 1.."},
           {head + R"("lines": [{"address": 5, "size": 2, "source": 0, "line": 2},
                                {"address": 6, "size": 1, "source": 0, "line": 3}]})",
            "lines: entries at 5 and 6 overlap"},
           {head + R"("data": [{"address": 65535, "size": 2}]})",
            "data[0].size: expected an integer 1..1, got 2"},
           {head + R"("comments": [{"address": 1, "text": 7}]})",
            "comments[0].text: expected a string"},
       }) {
    SCOPED_TRACE(b.json);
    try {
      ParseDebugInfo(b.json, ".");
      ADD_FAILURE() << "accepted";
    } catch (const DebugInfoError& e) {
      EXPECT_NE(std::string(e.what()).find(b.message), std::string::npos) << e.what();
    }
  }
}

TEST(DebugInfo, WriterRoundTripsAndIsStable) {
  DebugInfo info = ParseDebugInfo(kGood, "/base");
  info.comments[3] = "quote \" and \\ and\nnewline";
  const std::string text = WriteDebugInfo(info);
  const DebugInfo again = ParseDebugInfo(text, "/base");
  EXPECT_EQ(again, info);
  EXPECT_EQ(WriteDebugInfo(again), text);
  EXPECT_EQ(WriteDebugInfo(DebugInfo{}),
            "{\n  \"format\": \"kv74-debug-info\",\n  \"version\": 1,\n  \"sources\": [],\n"
            "  \"symbols\": [],\n  \"lines\": [],\n  \"data\": [],\n  \"comments\": []\n}\n");
}

TEST(DebugInfo, ReadsAFileRelativeToItsFolder) {
  const auto dir = std::filesystem::path(testing::TempDir()) / "debuginfo_test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "x.debug.json") << kGood;
  const DebugInfo info = ReadDebugInfo(dir / "x.debug.json");
  EXPECT_EQ(info.SourcePath(0), (dir / "../fw/main.asm").lexically_normal());
  try {
    ReadDebugInfo(dir / "missing.json");
    ADD_FAILURE() << "read a missing file";
  } catch (const DebugInfoError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.json: cannot read"), std::string::npos);
  }
}

}  // namespace
}  // namespace kv74::dbg
