// The debug information the assembler writes: symbols, one line entry per statement, data
// regions, and source paths relative to the chosen folder.
#include <gtest/gtest.h>

#include "tests/tools/assemble_text.hpp"

namespace kv74::as::test {
namespace {

using dbg::Symbol;

TEST(DebugOutput, SymbolsLinesAndDataRegions) {
  const Sources sources{{{"main.s",
                          "KEYS = 0xF121\n"
                          ".org 0x10\n"
                          "start: MOV R0,#KEYS\n"
                          ".include \"lib/sub.s\"\n"
                          "  STOP\n"
                          "table: .word 1, start\n"
                          ".word 3\n"
                          ".fill 2\n"
                          ".fill 0\n"
                          ".org 0x4000\n"
                          "cells: .fill 3, 7\n"
                          ".equ NEG, -2\n"},
                         {"lib/sub.s", "sub:\n  INC R1\n"}}};
  const Result r = sources.Assemble("main.s", {{"LEVEL", "2"}});
  ASSERT_TRUE(r.ok) << Errors(r);
  const dbg::DebugInfo& info = r.debugInfo;
  EXPECT_EQ(info.sources, (std::vector<std::string>{"main.s", "lib/sub.s"}));
  EXPECT_EQ(info.symbols, (std::vector<Symbol>{
                              {"LEVEL", 2, Symbol::Kind::Equ, -1, 0},  // command line
                              {"KEYS", 0xF121, Symbol::Kind::Equ, 0, 1},
                              {"start", 0x10, Symbol::Kind::Label, 0, 3},
                              {"sub", 0x12, Symbol::Kind::Label, 1, 1},
                              {"table", 0x14, Symbol::Kind::Label, 0, 6},
                              {"cells", 0x4000, Symbol::Kind::Label, 0, 11},
                              {"NEG", 0xFFFFFFFE, Symbol::Kind::Equ, 0, 12},
                          }));
  EXPECT_EQ(info.lines, (std::vector<dbg::LineEntry>{{0x10, 2, 0, 3},
                                                     {0x12, 1, 1, 2},
                                                     {0x13, 1, 0, 5},
                                                     {0x14, 2, 0, 6},
                                                     {0x16, 1, 0, 7},
                                                     {0x17, 2, 0, 8},
                                                     {0x4000, 3, 0, 11}}));
  EXPECT_EQ(info.data, (std::vector<dbg::DataRegion>{{0, 0x10, "unused"},
                                                     {0x14, 3, "word"},
                                                     {0x17, 2, "fill"},
                                                     {0x19, 0x2000 - 0x19, "unused"},
                                                     {0x4000, 3, "fill"},
                                                     {0x4003, 0x1000 - 3, "unused"}}));
}

TEST(DebugOutput, SourcePathsRelativeToTheBase) {
  Sources sources{
      {{"/src/fw/main.s", ".include \"inc/defs.s\"\nSTOP\n"}, {"/src/fw/inc/defs.s", "X = 1\n"}}};
  struct Case {
    const char* base;
    std::vector<std::string> expected;
  };
  for (const Case& c :
       std::initializer_list<Case>{{"/src/data", {"../fw/main.s", "../fw/inc/defs.s"}},
                                   {"/src/fw/", {"main.s", "inc/defs.s"}},
                                   {"", {"/src/fw/main.s", "/src/fw/inc/defs.s"}}}) {
    Options options;
    options.debugInfoBase = c.base;
    options.read = [&](const std::string& path) -> std::optional<std::string> {
      const auto it = sources.files.find(path);
      return it == sources.files.end() ? std::nullopt : std::optional(it->second);
    };
    const Result r = Assemble("/src/fw/main.s", options);
    ASSERT_TRUE(r.ok) << Errors(r);
    EXPECT_EQ(r.debugInfo.sources, c.expected) << c.base;
  }
}

}  // namespace
}  // namespace kv74::as::test
