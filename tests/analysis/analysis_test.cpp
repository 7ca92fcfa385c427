// The analysis on small images assembled for each control-flow form, checked word by word
// against what the source says each word is; and on hostile images, which must end quickly.
#include "analysis/analysis.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "analysis/call_graph.hpp"
#include "analysis/debug_info.hpp"
#include "tests/tools/assemble_text.hpp"

namespace kv74::ana {
namespace {

struct Analysed {
  std::unique_ptr<Memory> memory = std::make_unique<Memory>();
  std::unique_ptr<Result> result;
  dbg::DebugInfo source;  // the assembler's, for the labels
  std::uint16_t At(const std::string& label) const {
    const dbg::Symbol* s = source.Find(label);
    EXPECT_NE(s, nullptr) << label;
    return s ? static_cast<std::uint16_t>(s->value) : 0;
  }
};

Analysed AnalyseText(const std::string& text, Options options = {}) {
  const as::Result assembled = as::test::AssembleText(text);
  EXPECT_TRUE(assembled.ok) << as::test::Errors(assembled);
  Analysed a;
  a.source = assembled.debugInfo;
  for (const as::AreaImage& image : assembled.images)
    a.memory->Load(as::kAreas[image.area].start, as::test::AreaWords(assembled, image.area));
  a.result = std::make_unique<Result>(Analyze(*a.memory, options));
  return a;
}

// Expected: from each label to the next (or `words` words), every word is of class `cls`.
struct Region {
  const char* label;
  int words;
  Class cls;
};

struct Case {
  const char* name;
  const char* source;
  std::vector<Region> regions;
  std::vector<const char*> routines;  // labels found as routines
  std::vector<const char*> targets;   // labels found as jump or branch targets
};

const char* ClassName(Class c) {
  return c == Class::Code ? "code" : c == Class::Data ? "data" : "unknown";
}

const Case kCases[] = {
    {"unconditional jump skips data",
     R"(        .org 0
        JMP [Start]
        .org 0x100
        JMP [Start]
Gap:    .word 0x1234, 0xFFFF, 0x0000
Start:  JMP Tail
Dead:   .word 0x7000, 0x7000
Tail:   JMP Tail
)",
     {{"Gap", 3, Class::Unknown},
      {"Start", 1, Class::Code},
      {"Dead", 2, Class::Unknown},
      {"Tail", 1, Class::Code}},
     {},
     {"Start", "Tail"}},
    {"conditional branch takes both ways",
     R"(        .org 0
        JMP [Start]
        .org 0x100
Start:  CMP R0,#5
        JZ Yes
        MOV R1,#1
        JMP Start
Yes:    MOV R1,#2
        JMP Start
)",
     {{"Start", 8, Class::Code}, {"Yes", 3, Class::Code}},
     {},
     {"Yes", "Start"}},
    {"call and return",
     R"(        .org 0
        JMP [Start]
        .org 0x100
Start:  CALL [Sub]
        CALL [Sub2]
        JMP Start
Sub:    INC R1
        JMP [STACK]
After:  .word 0x1111, 0x2222
Sub2:   JMP [STACK]
)",
     {{"Start", 6, Class::Code},
      {"Sub", 2, Class::Code},
      {"After", 2, Class::Unknown},
      {"Sub2", 1, Class::Code}},
     {"Sub", "Sub2"},
     {"Start"}},
    {"request vectors and the call table",
     R"(        .org 0
        JMP [Start]
        .org 0x20
        .word Called
        .org 139
        .word Timer
        .org 255
        .word Invalid
        .org 0x100
Start:  CALL M[0x20]
        JMP Start
Called: JMP [STACK]
Timer:  JMP [STACK]
Invalid: JMP [STACK]
)",
     {{"Start", 2, Class::Code}, {"Called", 3, Class::Code}},
     {"Called", "Timer", "Invalid"},
     {}},
    {"jump table bounded by its compare",
     R"(        .org 0
        JMP [Start]
        .org 0x100
Start:  MOV R0,#0x4000
        MOV [F010],R0
Loop:   CMP R1,#3
        JBE Loop
        MOV R2,M[BASEX+R1+(Table-0x4000)]
        JMP [R2]
One:    JMP Loop
Two:    JMP Loop
Three:  JMP Loop
Never:  .word 0x7000
        .org 0x7000
Table:  .word One, Two, Three
After:  .word Never, Never
)",
     {{"Start", 4, Class::Code},
      {"One", 3, Class::Code},
      {"Never", 1, Class::Unknown},
      {"Table", 3, Class::Data},
      {"After", 2, Class::Unknown}},
     {},
     {"One", "Two", "Three"}},
    {"call table ends at a word another instruction names",
     R"(        .org 0
        JMP [Start]
        .org 0x100
Start:  MOV R0,#0x4000
        MOV [F010],R0
        MOV R6,#Other
        MOV R2,M[BASEX+R1+(Table-0x4000)]
        CALL [R2]
        JMP Start
A:      JMP [STACK]
B:      JMP [STACK]
Never:  JMP [STACK]
        .org 0x7000
Table:  .word A, 0, B
Other:  .word Never
)",
     {{"A", 2, Class::Code}, {"Never", 1, Class::Unknown}, {"Table", 3, Class::Data}},
     {"A", "B"},
     {}},
    {"data between code, read by address",
     R"(        .org 0
        JMP [Start]
        .org 0x100
Start:  MOV R1,#Cell
        MOV R1,M[R1]
        JMP Next
Cell:   .word 0xE370
Next:   JMP Start
)",
     {{"Start", 4, Class::Code}, {"Cell", 1, Class::Data}, {"Next", 1, Class::Code}},
     {},
     {"Next"}},
    {"self-referencing table stays data",
     R"(        .org 0
        JMP [Start]
        .org 0x100
Start:  MOV R0,#0x4000
        MOV [F010],R0
        MOV R2,M[BASEX+R1+(Table-0x4000)]
        JMP [R2]
Go:     JMP Start
        .org 0x7000
Table:  .word Go, Table, Go
)",
     {{"Go", 1, Class::Code}, {"Table", 1, Class::Data}},
     {},
     {"Go"}},
};

TEST(Analysis, ControlFlowForms) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const Analysed a = AnalyseText(c.source);
    for (const Region& region : c.regions) {
      const std::uint16_t from = a.At(region.label);
      for (int i = 0; i < region.words; ++i)
        EXPECT_STREQ(ClassName(a.result->cls[from + i]), ClassName(region.cls))
            << region.label << "+" << i;
    }
    for (const char* r : c.routines) EXPECT_TRUE(a.result->routines.count(a.At(r))) << r;
    for (const char* t : c.targets) EXPECT_TRUE(a.result->targets.count(a.At(t))) << t;
  }
}

TEST(Analysis, ExecutedAddressesAddCodeMarkedAsSuch) {
  const char* source = R"(        .org 0
        JMP [Start]
        .org 0x100
Start:  MOV R0,#Hidden
        MOV [F013],R0
Hidden: INC R1
        JMP Start
)";
  const Analysed bare = AnalyseText(source);
  const std::uint16_t hidden = bare.At("Hidden");
  EXPECT_EQ(bare.result->cls[hidden], Class::Unknown);  // a PC write ends the descent
  Options options;
  options.executed = {hidden, static_cast<std::uint16_t>(hidden + 1)};
  const Analysed traced = AnalyseText(source, options);
  EXPECT_EQ(traced.result->cls[hidden], Class::Code);
  EXPECT_TRUE(traced.result->traced[hidden]);
  EXPECT_FALSE(traced.result->traced[traced.At("Start")]);
}

TEST(Analysis, GivenDataAndEntriesWin) {
  const char* source = R"(        .org 0
        JMP [Start]
        .org 0x100
Start:  JMP Start
Lone:   INC R1
        JMP [STACK]
)";
  Options options;
  const Analysed plain = AnalyseText(source);
  options.entries = {plain.At("Lone")};
  options.data = {{plain.At("Start"), 1}};
  const Analysed given = AnalyseText(source, options);
  EXPECT_EQ(given.result->cls[given.At("Start")], Class::Data);
  EXPECT_EQ(given.result->cls[given.At("Lone")], Class::Code);
}

// Names: the user's win; generated ones for routines, targets, handlers, data and I/O.
TEST(Analysis, DebugInformationNamesAndRegions) {
  const Analysed a = AnalyseText(R"(        .org 0
        JMP [Start]
        .org 139
        .word Timer
        .org 0x100
Start:  MOV R0,#Cell
        MOV R0,M[R0]
        MOV R0,[F012]
        CALL [Sub]
        JMP Start
Sub:    JMP [STACK]
Timer:  JMP [STACK]
Cell:   .word 5
)");
  dbg::DebugInfo given;
  given.symbols.push_back({"MySub", a.At("Sub"), dbg::Symbol::Kind::Label, -1, 0});
  const dbg::DebugInfo info = ToDebugInfo(*a.memory, *a.result, given);
  const auto name = [&](std::uint16_t at) {
    const dbg::Symbol* s = info.LabelAt(at);
    return s ? s->name : std::string("-");
  };
  EXPECT_EQ(name(0), "PowerOn");
  EXPECT_EQ(name(a.At("Sub")), "MySub");
  EXPECT_EQ(name(a.At("Start")), "loc_0100");
  EXPECT_EQ(name(a.At("Timer")), "TimerRequest");
  EXPECT_EQ(name(a.At("Cell")), "data_0109");
  EXPECT_EQ(name(0xF012), "SP");
  EXPECT_EQ(info.LineAt(a.At("Start"))->size, 2);
  EXPECT_EQ(info.LineAt(a.At("Start"))->source, -1);
  EXPECT_EQ(info.DataAt(a.At("Cell"))->kind, "word");
  EXPECT_EQ(info.DataAt(139)->kind, "vector");
  EXPECT_EQ(info.DataAt(2)->kind, "calltable");
  ASSERT_EQ(info.XRefsTo(a.At("Sub")).size(), 1u);
  EXPECT_EQ(info.XRefsTo(a.At("Sub"))[0]->kind, "call");
  EXPECT_EQ(info.XRefsTo(a.At("Cell"))[0]->kind, "read");
  EXPECT_EQ(dbg::ParseDebugInfo(dbg::WriteDebugInfo(info), info.baseDir), info);
  const std::string dot = CallGraphDot(*a.memory, *a.result, info);
  EXPECT_NE(dot.find("\"0000\" -> \"0107\" [label=\"0104\"]"), std::string::npos) << dot;
  EXPECT_NE(dot.find("MySub\\n0107, 1 instr."), std::string::npos) << dot;
}

// Hostile images: every word an instruction, every word data, jump loops, a table running off
// the end of memory. Each ends quickly with nothing called code that is not.
TEST(Analysis, HostileImagesEndQuickly) {
  struct Hostile {
    const char* name;
    std::uint16_t base;
    std::vector<std::uint16_t> words;
    int codeAtLeast, codeAtMost;
  };
  std::vector<Hostile> cases = {
      // Power-on runs up to the vector words; their value 7000 leads on to the end of memory.
      {"every word MOV R0,R0", 0, std::vector<std::uint16_t>(0x10000, 0x7000), 37000, 37000},
      {"every word invalid", 0, std::vector<std::uint16_t>(0x10000, 0xFFFF), 0, 0},
      {"every word a jump to itself", 0, std::vector<std::uint16_t>(0x2000, 0x6300), 1, 1},
      {"jump loop over two words", 0, {0x6301, 0x63FF}, 2, 2},
      {"every word a call through the table", 0, std::vector<std::uint16_t>(0x2000, 0x6200), 1,
       0x2000},
      // MOV R0,#4000; MOV [F010],R0; MOV R2,M[BASEX+R1+BFFC]; JMP [R2]: a table at FFFC.
      {"table off the end", 0xFFF0, {0xE080, 0x4000, 0xF1D0, 0xC3B1, 0xBFFC, 0xE342}, 0, 6},
  };
  std::vector<std::uint16_t> random(0x10000);
  std::uint32_t x = 12345;
  for (auto& w : random) w = static_cast<std::uint16_t>((x = x * 1103515245u + 12345u) >> 16);
  cases.push_back({"random words", 0, random, 0, 0x10000});
  for (const Hostile& h : cases) {
    SCOPED_TRACE(h.name);
    auto memory = std::make_unique<Memory>();
    memory->Load(h.base, h.words);
    Options options;
    options.entries = {h.base};
    const auto began = std::chrono::steady_clock::now();
    const auto result = std::make_unique<Result>(Analyze(*memory, options));
    const dbg::DebugInfo info = ToDebugInfo(*memory, *result, {});
    CallGraphDot(*memory, *result, info);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
    int code = 0;
    for (std::uint32_t a = 0; a < 0x10000; ++a) code += result->cls[a] == Class::Code;
    EXPECT_GE(code, h.codeAtLeast);
    EXPECT_LE(code, h.codeAtMost);
    int outside = 0;
    for (std::uint32_t a = 0; a < 0x10000; ++a)
      outside += !memory->Has(a) && result->cls[a] != Class::Unknown;
    EXPECT_EQ(outside, 0);
  }
}

}  // namespace
}  // namespace kv74::ana
