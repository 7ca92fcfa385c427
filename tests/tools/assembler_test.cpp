// Directives, areas, symbols and the error messages of the assembler.
#include <gtest/gtest.h>

#include "tests/tools/assemble_text.hpp"

namespace kv74::as::test {
namespace {

TEST(Assembler, ErrorsNameFileLineAndColumn) {
  struct Bad {
    const char* source;
    int line, column;
    const char* message;
  } cases[] = {
      {"FOO R1", 1, 1, "unknown mnemonic 'FOO'"},
      {".bogus 1", 1, 1, "unknown directive '.bogus'"},
      {"  ADD R1,M[BASE0+12]", 1, 7, "the short base-relative forms work on R0, not R1"},
      {"ADD R1,M[R2]", 1, 5, "the register-indirect forms work on R0"},
      {"ADD R1,M[BASEX+R2]", 1, 5, "with this addressing mode the register operand is R0"},
      {"MOV R1,[F013]", 1, 5, "direct register reads work on R0"},
      {"MOV R0,M[BASE0+100]", 1, 16, "value 256 is out of range for an 8-bit offset"},
      {"MOV R0,M[BASE0+(-1)]", 1, 16, "out of range for an 8-bit offset"},
      {"CALL M[100]", 1, 8, "out of range for a call table entry"},
      {"MOV R0,[F040]", 1, 9, "out of range for a direct register address"},
      {"MOV R0,#10000", 1, 9, "out of range for a 16-bit word"},
      {".org 0x100\nJMP 0180", 2, 5, "jump target 0x0180 is out of reach: 128 words"},
      {".org 0x100\nJMP 007F", 2, 5, "-129 words from the jump"},
      {"CALL there", 1, 6, "CALL has no relative form"},
      {"JMP nowhere", 1, 5, "undefined symbol 'nowhere'"},
      {"dup: STOP\n  dup: STOP", 2, 3,
       "duplicate definition of 'dup' (first defined at main.s:1:1)"},
      {"x = 1\n.equ x, 2", 2, 6, "duplicate definition of 'x'"},
      {"R3: STOP", 1, 1, "'R3' is a register or keyword and cannot be defined"},
      {".word 1\n.org 0\nSTOP", 3, 1,
       "overlapping regions: 0x0000 already holds a word placed at main.s:1:1"},
      {".org 0x2000\n.word 1", 2, 1, "word at 0x2000 lies outside ProgramMemory (0x0000-0x1FFF)"},
      {".org 0x1FFF\nMOV R0,#1", 2, 1, "word at 0x2000 lies outside"},
      {".org 0x4FFF\n.fill 2", 2, 1, "word at 0x5000 lies outside"},
      {".org 0x10000", 1, 6, ".org address out of range"},
      {"SIGN R5,R5", 1, 6, "SIGN fills the even register of the pair of R5, which is R4"},
      {"MUL R3,R4 -> R3,R4", 1, 14, "the product of MUL R3 goes to R2,R3"},
      {"ADD R1,R2 {0001}", 1, 12, "{0001} would change the instruction"},
      {"MOVB R0L,M[R3]", 1, 10, "the source of MOVB ends in H or L"},
      {"MOVB R0,M[R3]H", 1, 1, "MOVB takes a register byte"},
      {"MOV R0,M[R3", 1, 8, "lacks its closing ']'"},
      {"ADD R3/4,R0/1", 1, 5, "'R3/4' is not a register pair"},
      {"ADD R4/5,R2/3", 1, 1, "one operand of a pair operation is R0/1"},
      {"XOR R0/1,R4/5", 1, 1, "no form of XOR takes these operands"},
      {"STOP R1", 1, 1, "STOP takes no operands"},
      {"INC", 1, 1, "no form of INC takes these operands"},
      {"ADD R1,", 1, 8, "missing operand"},
      {".include \"missing.s\"", 1, 10, "cannot read 'missing.s'"},
      {".if 1\nSTOP", 1, 1, "this .if has no .endif"},
      {".endif", 1, 1, ".endif without .if"},
      {".if 1\n.else\n.else\n.endif", 3, 1, "second .else"},
      {".org later\nlater:", 1, 6, "undefined symbol 'later' (the value of .org must be known"},
      {".fill n\nn = 2", 1, 7, "must be known at this line"},
      {".fill -1", 1, 7, ".fill count out of range"},
      {"a = b\nb = a\n.word a", 1, 5, "'a' is defined in terms of itself"},
      {"c = 1/0", 1, 7, "division by zero"},  // reported although c is never used
      {".equ 1x, 2", 1, 6, "'1x' is not a valid name"},
      {".word", 1, 1, ".word takes at least one value"},
      {".word 1,,2", 1, 9, "empty argument of .word"},
      {".org 1, 2", 1, 1, ".org takes 1 argument"},
      {"@", 1, 1, "expected a mnemonic, a directive or a label"},
      {".image 0x4000, 9000", 1, 1, ".image length 9000 does not fit: 8192 bytes"},
      {".image 0x4000, 8194", 1, 1, ".image length 8194 does not fit"},
      {".image 0x2000, 2", 1, 1, ".image start must lie in one of the three areas"},
      {".image 0x0000, 4\n.org 2\n.word 1", 3, 1,
       "word at 0x0002 lies outside the image set by .image"},
      {".image 0x0000, 3\n.word 0, 0x100", 2, 1, "ends in the middle of the word at 0x0001"},
      {".image 0x0000, 4\n.image 0x0000, 8", 2, 1, ".image for ProgramMemory was already given"},
  };
  for (const Bad& b : cases) {
    const Result r = AssembleText(std::string(b.source) + "\n");
    ASSERT_FALSE(r.ok) << b.source;
    ASSERT_FALSE(r.errors.empty()) << b.source;
    const Diagnostic& e = r.errors[0];
    EXPECT_EQ(e.where.file, "main.s") << b.source;
    EXPECT_EQ(e.where.line, b.line) << b.source << "\n" << Errors(r);
    EXPECT_EQ(e.where.column, b.column) << b.source << "\n" << Errors(r);
    EXPECT_NE(e.message.find(b.message), std::string::npos) << b.source << "\n" << Errors(r);
    EXPECT_TRUE(r.images.empty()) << b.source;
  }
}

// Registers are R0..RF and R10..R15: names just past them are free for symbols.
TEST(Assembler, NamesPastTheRegistersAreSymbols) {
  for (const char* name : {"R16", "RG", "R1F", "BASE2"}) {
    const Result r = AssembleText(std::string(name) + ": STOP\n.word " + name + "\n");
    EXPECT_TRUE(r.ok) << name << "\n" << Errors(r);
  }
}

TEST(Assembler, ReportsEveryErrorNotOnlyTheFirst) {
  const Result r = AssembleText("FOO\nJMP [nowhere]\nMOV R0,#70000\n");
  ASSERT_EQ(r.errors.size(), 3u) << Errors(r);
  EXPECT_EQ(Format(r.errors[1]), "main.s:2:6: error: undefined symbol 'nowhere'");
}

TEST(Assembler, WritesOnlyTheAreasItPlacesWordsIn) {
  const Result r = AssembleText(
      ".org 0x4000\n.fill 3, 0xAA\n.fill 2\n"
      ".org 0x7FFF\n.word 0x1234\n");
  ASSERT_TRUE(r.ok) << Errors(r);
  ASSERT_EQ(r.images.size(), 2u);
  EXPECT_EQ(r.images[0].area, 1);
  EXPECT_EQ(r.images[0].bytes.size(), 8192u);
  EXPECT_EQ(r.images[1].area, 2);
  EXPECT_EQ(WordsAt(r, 0x4000, 6), (std::vector<std::uint16_t>{0xAA, 0xAA, 0xAA, 0, 0, 0}));
  // Low byte first.
  EXPECT_EQ(r.images[1].bytes[8190], 0x34);
  EXPECT_EQ(r.images[1].bytes[8191], 0x12);
}

TEST(Assembler, ImageWindowSetsStartAndLength) {
  const Result r = AssembleText(".image 0x4100, 5\n.org 0x4100\n.word 0x2211, 0x4433, 0x0055\n");
  ASSERT_TRUE(r.ok) << Errors(r);
  ASSERT_EQ(r.images.size(), 1u);
  EXPECT_EQ(r.images[0].bytes, (std::vector<std::uint8_t>{0x11, 0x22, 0x33, 0x44, 0x55}));
}

TEST(Assembler, LabelsConstantsAndForwardReferences) {
  const Result r = AssembleText(
      "        .org 0x0100\n"
      "start:  JMP    [target]\n"
      "        JNZ    back\n"
      "here = $\n"
      "back:   .word  here, size, start\n"
      "target = base + 2\n"
      "base = 0x200\n"
      ".equ size, end - start\n"
      "end:\n");
  ASSERT_TRUE(r.ok) << Errors(r);
  EXPECT_EQ(WordsAt(r, 0x100, 6),
            (std::vector<std::uint16_t>{0xE350, 0x0202, 0x6401, 0x0103, 0x0006, 0x0100}));
  EXPECT_NE(r.symbols.find("target = 0x0202\n"), std::string::npos) << r.symbols;
  EXPECT_NE(r.symbols.find("back = 0x0103\n"), std::string::npos) << r.symbols;
}

TEST(Assembler, IncludeIsRelativeToTheIncludingFile) {
  Sources s;
  s.files["fw/main.s"] = ".include \"lib/inc.s\"\n.word value\n";
  s.files["fw/lib/inc.s"] = "value = 42\n.include \"more.s\"\n";
  s.files["fw/lib/more.s"] = ".word 7\nJMP [nowhere]\n";
  const Result r = s.Assemble("fw/main.s");
  ASSERT_EQ(r.errors.size(), 1u) << Errors(r);
  EXPECT_EQ(Format(r.errors[0]), "fw/lib/more.s:2:6: error: undefined symbol 'nowhere'");
  s.files["fw/lib/more.s"] = ".word 7\n";
  const Result ok = s.Assemble("fw/main.s");
  ASSERT_TRUE(ok.ok) << Errors(ok);
  EXPECT_EQ(WordsAt(ok, 0, 2), (std::vector<std::uint16_t>{7, 42}));
}

TEST(Assembler, IncludeCycleIsAnError) {
  Sources s;
  s.files["main.s"] = ".include \"main.s\"\n";
  const Result r = s.Assemble();
  ASSERT_FALSE(r.ok);
  EXPECT_NE(Errors(r).find("nested more than 32 deep"), std::string::npos) << Errors(r);
}

TEST(Assembler, ConditionalsAndCommandLineDefines) {
  Sources s;
  s.files["main.s"] =
      ".ifndef VARIANT\n"
      "VARIANT = 4\n"
      ".endif\n"
      ".if VARIANT != 4 && VARIANT >= 0\n"
      "  .word 0x1000 + VARIANT\n"
      "  .ifdef EXTRA\n"
      "    .word 0xEEEE\n"
      "  .endif\n"
      ".else\n"
      "  .word 0x4444\n"
      "  .if 0\n"
      "    FOO this is skipped, even its errors\n"
      "  .else\n"
      "    .word 0x5555\n"
      "  .endif\n"
      ".endif\n";
  const Result v4 = s.Assemble();
  ASSERT_TRUE(v4.ok) << Errors(v4);
  EXPECT_EQ(WordsAt(v4, 0, 2), (std::vector<std::uint16_t>{0x4444, 0x5555}));
  const Result v2 = s.Assemble("main.s", {{"VARIANT", "2"}, {"EXTRA", "1"}});
  ASSERT_TRUE(v2.ok) << Errors(v2);
  EXPECT_EQ(WordsAt(v2, 0, 2), (std::vector<std::uint16_t>{0x1002, 0xEEEE}));
}

TEST(Assembler, CommandLineDefineConflictsWithTheSource) {
  Sources s;
  s.files["main.s"] = "VARIANT = 4\n";
  const Result r = s.Assemble("main.s", {{"VARIANT", "2"}});
  ASSERT_FALSE(r.ok);
  EXPECT_NE(Errors(r).find("duplicate definition of 'VARIANT' (first defined at <command line>"),
            std::string::npos)
      << Errors(r);
}

TEST(Assembler, ListingShowsAddressWordsAndSource) {
  const Result r = AssembleText(".org 0x100\nstart: MOV R0,#4010 ; load\n.fill 4, 1\n");
  ASSERT_TRUE(r.ok);
  EXPECT_NE(r.listing.find("    2  0100  E080 4010       start: MOV R0,#4010 ; load\n"),
            std::string::npos)
      << r.listing;
  EXPECT_NE(r.listing.find("    3  0102  0001 0001 0001  .fill 4, 1\n"
                           "       0105  0001\n"),
            std::string::npos)
      << r.listing;
}

}  // namespace
}  // namespace kv74::as::test
