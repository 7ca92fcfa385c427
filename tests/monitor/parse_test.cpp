// The monitor's expressions and commands: values against a known machine, what each command
// line parses into, and the message of every kind of bad line.
#include <gtest/gtest.h>

#include <memory>

#include "monitor/command.hpp"

namespace kv74::mon {
namespace {

ParseContext Context() {
  ParseContext c;
  c.symbols = [](std::string_view name) -> std::optional<std::int64_t> {
    if (name == "MainLoop") return 0x0100;
    if (name == "POS_X") return 0x425E;
    if (name == "k.local") return 7;
    return std::nullopt;
  };
  c.lines = [](std::string_view file, int line) -> std::optional<std::vector<std::uint16_t>> {
    if (file == "keys.asm" && line == 12) return std::vector<std::uint16_t>{0x0200, 0x0300};
    if (file == "v2:keys.asm" && line == 5) return std::vector<std::uint16_t>{0x0400};
    return std::vector<std::uint16_t>{};
  };
  c.clickable = [](std::string_view name) { return name == "k0x1D"; };
  return c;
}

struct Fixture {
  std::unique_ptr<BoardState> m = std::make_unique<BoardState>();
  Fixture() {
    (*m)[reg::R0 + 3] = 0xFFFF;
    (*m)[reg::R0 + 11] = 11;
    (*m)[reg::PC] = 0x0123;
    (*m)[reg::SP] = 0x4500;
    (*m)[reg::COUNT0] = 5;  // a read by the processor clears it; a peek must not
    (*m)[reg::RATE0] = 0xFFFF;
    m->DataMemory[0x25E] = 0xFFFF;  // -2 as a 32-bit cell
    m->DataMemory[0x25F] = 0xFFFE;
    m->DataMemory[0x260] = 0x0001;
    m->DataMemory[0x261] = 0x0002;
    m->ProgramMemory[0x100] = 0xE350;
    m->timer.count = 9;
    m->channels.period[2] = 300;
    m->channels.divider[2] = 7;
    m->TableMemory[TABLE_WORDS - 1] = 0x1234;
    m->sequencer.state = SeqState::Busy;
  }
};

TEST(MonitorExpr, ValuesAgainstAMachine) {
  Fixture f;
  const Machine machine{*f.m, 1234};
  const struct {
    const char* text;
    std::int64_t value;
  } cases[] = {
      {"1+2*3", 7},
      {"(1+2)*3", 9},
      {"0x10|0x01 ^ 3 & 1", 0x10 | (0x01 ^ (3 & 1))},
      {"1<<2 < 5", 1},
      {"6 & 3 == 3", 6 & (3 == 3)},
      {"-7/2", -3},
      {"-7 % 3", -1},
      {"!0 + !5 + ~0", 0},
      {"1 || 1/0", 1},
      {"0 && 1/0", 0},
      {"R3 + RB + r11 + R0", 0xFFFF + 22},
      {"pc + PC + sp", 0x123 * 2 + 0x4500},
      {"steps", 1234},
      {"[MainLoop]", 0xE350},
      {"[POS_X]:32", -2},
      {"[POS_X + 2]:32", 0x10002},
      {"[POS_X]:16", 0xFFFF},
      {"[0xF151] + [0xF151]", 10},
      {"[0xF140]", 0x87FF},
      {"[0xF102]", 9},
      {"[0x3000]", 0},
      {"timerCount + channelPeriod[1+1] + seqState", 9 + 300 + 4},
      {"registers[19] + data_memory[0x261]", 0x123 + 2},
      {"k.local * 2", 14},
      {"0x7FFFFFFFFFFFFFFF + 1 < 0", 1},
      {"1 << 64", 0},
      // C's precedence and grouping
      {"1 << 1 + 1", 4},
      {"5 == 5 < 3", 0},
      {"2 & 3 == 2", 0},
      {"1 || 0 && 0", 1},
      {"10 - 3 - 2", 5},
      {"2 <= 2", 1},
      {"2 >= 2", 1},
      {"3 >= 4", 0},
      {"1 != 2", 1},
      {"1 << 40", 1LL << 40},
      {"-8 >> 1", -4},
      {"R15 + 1", 1},
      {"channelDivider[2]", 7},
      {"[0x7FFF]", 0x1234},
  };
  for (const auto& c : cases) {
    const Expr e = Expr::Parse(c.text, Context().symbols);
    EXPECT_EQ(e.Evaluate(machine), c.value) << c.text;
  }
  EXPECT_EQ((*f.m)[reg::COUNT0], 5);
  EXPECT_TRUE(Expr::Parse("MainLoop + 4", Context().symbols).IsConstant());
  EXPECT_FALSE(Expr::Parse("[4]", Context().symbols).IsConstant());
  EXPECT_THROW(Expr::Parse("1/(R0-R0)", Context().symbols).Evaluate(machine), EvalError);
  EXPECT_THROW(Expr::Parse("channelPeriod[3]", Context().symbols).Evaluate(machine), EvalError);
}

TEST(MonitorExpr, BadExpressions) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "expression expected"},
      {"1 +", "expression expected"},
      {"(1", "expected ')'"},
      {"[1", "expected ']'"},
      {"[1]:8", "expected 16 or 32"},
      {"Nowhere", "unknown name 'Nowhere'"},
      {"12ab", "bad number '12ab'"},
      {"0x1FFFFFFFFFFFFFFFF", "number too large"},
      {"channelPeriod", "needs an index"},
      {"1 2", "unexpected '2'"},
      {"1 = 2", "unexpected '='"},
      {"[1]:3", "expected 16 or 32"},
      {"[1]:160", "expected 16 or 32"},
      {"0x8000000000000000", "number too large"},
      {"!= 1", "unexpected '!='"},
  };
  for (const auto& c : cases) {
    try {
      Expr::Parse(c.text, Context().symbols);
      ADD_FAILURE() << c.text << " parsed";
    } catch (const ParseError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.text << ": " << e.what();
    }
  }
  EXPECT_THROW(Expr::Parse(std::string(100, '(') + "1" + std::string(100, ')'), {}), ParseError);
  EXPECT_THROW(Expr::Parse(std::string(100, '-') + "1", {}), ParseError);
}

TEST(MonitorCommand, LinesAndWhatTheyParseInto) {
  const ParseContext ctx = Context();
  auto parse = [&](const char* line) {
    auto c = ParseCommand(line, ctx);
    EXPECT_TRUE(c.has_value()) << line;
    return c.value_or(Command{});
  };
  EXPECT_FALSE(ParseCommand("   # only a comment", ctx));

  Command c = parse("b MainLoop+2 if R0 == 3 && [POS_X]:32 > 0");
  EXPECT_EQ(c.verb, Verb::Break);
  EXPECT_EQ(c.location.addresses, std::vector<std::uint16_t>{0x0102});
  EXPECT_EQ(c.location.text, "MainLoop+2");
  ASSERT_TRUE(c.condition);
  EXPECT_EQ(c.condition->Text(), "R0 == 3 && [POS_X]:32 > 0");

  c = parse("break keys.asm:12");
  EXPECT_EQ(c.location.addresses, (std::vector<std::uint16_t>{0x0200, 0x0300}));
  c = parse("break v2:keys.asm:5");  // the line number follows the last colon
  EXPECT_EQ(c.location.addresses, std::vector<std::uint16_t>{0x0400});

  c = parse("watch access POS_X..POS_X+1 if steps > 10");
  EXPECT_EQ(c.verb, Verb::Watch);
  EXPECT_EQ(c.access, Access::ReadWrite);
  EXPECT_EQ(c.rangeFirst, 0x425E);
  EXPECT_EQ(c.rangeLast, 0x425F);
  EXPECT_TRUE(c.condition);
  c = parse("w 0xF126");
  EXPECT_EQ(c.access, Access::Write);
  EXPECT_EQ(c.rangeLast, 0xF126);

  c = parse("catch handover 16");
  EXPECT_EQ(c.catchKind, CatchKind::Handover);
  EXPECT_EQ(c.which, 16u);
  EXPECT_FALSE(parse("catch fault").which);

  EXPECT_EQ(parse("c 1000").count, 1000u);
  EXPECT_FALSE(parse("continue").count);
  EXPECT_EQ(parse("si").verb, Verb::Step);
  EXPECT_EQ(parse("i b").verb, Verb::InfoBreakpoints);
  EXPECT_EQ(parse("info registers").verb, Verb::Regs);
  EXPECT_EQ(parse("rc").verb, Verb::ReverseContinue);
  EXPECT_EQ(parse("trace off").verb, Verb::TraceOff);

  c = parse("x SP 4");
  EXPECT_EQ(c.address->Text(), "SP");
  EXPECT_EQ(c.count, 4u);
  c = parse("disasm");
  EXPECT_FALSE(c.address);

  c = parse("set [POS_X]:32 = -5");
  EXPECT_EQ(c.verb, Verb::Set);
  EXPECT_EQ(c.address->Root().kind, Node::Kind::Cell32);
  EXPECT_EQ(c.value->Text(), "-5");

  c = parse("trace calls.txt only 0x100..0x1FF");
  EXPECT_EQ(c.argument, "calls.txt");
  EXPECT_EQ(c.only, TraceOnly::Range);
  EXPECT_EQ(c.rangeLast, 0x1FF);
  EXPECT_EQ(parse("trace t.txt only io").only, TraceOnly::Io);

  EXPECT_EQ(parse("click k0x1D").argument, "k0x1D");
  EXPECT_EQ(parse("expect [0x425F] == 100").value->Text(), "[0x425F] == 100");
}

TEST(MonitorCommand, BadLinesSayWhatIsWrong) {
  const struct {
    const char* line;
    const char* message;
  } cases[] = {
      {"frobnicate", "unknown command 'frobnicate'"},
      {"break", "a location is needed"},
      {"break R0", "location must be a constant"},
      {"break 0x10000", "out of range 0..65535"},
      {"break keys.asm:99", "no code at keys.asm:99"},
      {"break keys.asm:x", "bad line number"},
      {"break MainLoop when R0", "expected 'if EXPR'"},
      {"break MainLoop if", "a condition is needed"},
      {"watch 0x4010..0x400F", "ends before it starts"},
      {"watch read", "an address is needed"},
      {"catch interrupt", "catch request, fault or handover"},
      {"catch fault 4", "out of range 0..3"},
      {"catch request 8", "out of range 0..7"},
      {"break keys.asm:0", "bad line number"},
      {"fi", "unknown command 'fi'"},
      {"step -1", "out of range"},
      {"step 1 2", "unexpected '2'"},
      {"print", "an expression is needed"},
      {"set 5 = 3", "set stores into"},
      {"set R0 5", "expected '='"},
      {"click k0x99", "no clickable control named 'k0x99'"},
      {"trace", "a file name is needed"},
      {"trace f only 5", "expected '..'"},
      {"next 3", "unexpected '3'"},
      {"expect 1 +", "expression expected"},
  };
  for (const auto& c : cases) {
    try {
      ParseCommand(c.line, Context());
      ADD_FAILURE() << c.line << " parsed";
    } catch (const ParseError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.line << ": " << e.what();
    }
  }
  try {
    ParseScript("step\n\n# fine\nbreak Nowhere\n", "s.mon", Context());
    ADD_FAILURE();
  } catch (const ScriptError& e) {
    EXPECT_STREQ(e.what(), "s.mon:4: unknown name 'Nowhere'");
  }
  const auto lines = ParseScript("step\n\ncontinue # to the end\n", "s.mon", Context());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].line, 3);
}

}  // namespace
}  // namespace kv74::mon
