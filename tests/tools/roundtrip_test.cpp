// Disassembly re-assembles to the same words: every one of the 65536 instruction words, with
// a spread of second words for the two-word forms.
#include <gtest/gtest.h>

#include "cpu/disasm.hpp"
#include "tests/tools/assemble_text.hpp"

namespace kv74::as::test {
namespace {

constexpr std::uint16_t kExtWords[] = {0x0000, 0xFFFF, 0x8000, 0x7FFF, 0x1234, 0x00FF, 0xF03F};

struct Placed {
  std::uint16_t address;
  std::vector<std::uint16_t> words;
  std::string text;
};

TEST(RoundTrip, EveryWordReassemblesToItself) {
  constexpr std::size_t kBatchWords = 8000;  // fits ProgramMemory with room for second words
  unsigned next = 0;
  while (next < 65536) {
    std::string source = ".org 0\n";
    std::vector<Placed> placed;
    std::uint16_t address = 0;
    for (; next < 65536 && address < kBatchWords; ++next) {
      const auto w = static_cast<std::uint16_t>(next);
      const std::uint16_t ext = kExtWords[next % std::size(kExtWords)];
      const Disassembly d = Disassemble(w, ext, address);
      Placed p{address, {w}, d.text};
      if (d.length == 2) p.words.push_back(ext);
      source += "  " + d.text + "\n";
      address = static_cast<std::uint16_t>(address + d.length);
      placed.push_back(std::move(p));
    }
    const Result r = AssembleText(source);
    ASSERT_TRUE(r.ok) << Errors(r).substr(0, 2000);
    const auto image = AreaWords(r, kProgramArea);
    for (const Placed& p : placed)
      for (std::size_t i = 0; i < p.words.size(); ++i)
        ASSERT_EQ(image[p.address + i], p.words[i])
            << "'" << p.text << "' at " << std::hex << p.address << " word " << i;
  }
}

// The assembler's own spelling variants give the disassembler's words.
TEST(RoundTrip, AlternativeSpellings) {
  struct Case {
    const char* text;
    std::vector<std::uint16_t> words;
  } cases[] = {
      {"mov r3 , m[base0+12]", {0x0312}},
      {"MOV R13,M[BASE0+F9]", {0x0DF9}},
      {"ADD R10,R11", {0x92AB}},
      {"MUL R3,R4", {0x7134}},
      {"movb r0h,m[r3]l", {0xE213}},
      {"JMP [stack]", {0xE370}},
      {"ADD R0/1,R4/5", {0xE2C4}},
      {"MOV R0,#-1", {0xE080, 0xFFFF}},
      {"MOV R0,#-10", {0xE080, 0xFFF0}},
      {"MOV R0,#(-10)", {0xE080, 0xFFF6}},
      {"MOV R0,#0x10", {0xE080, 0x0010}},
      {"MOV R0,#'A'", {0xE080, 0x0041}},
      {"MOVB R2L,#'A'L", {0xE402, 0x0041}},
  };
  for (const auto& c : cases) {
    const Result r = AssembleText(std::string(c.text) + "\n");
    ASSERT_TRUE(r.ok) << c.text << "\n" << Errors(r);
    EXPECT_EQ(WordsAt(r, 0, c.words.size()), c.words) << c.text;
  }
}

}  // namespace
}  // namespace kv74::as::test
