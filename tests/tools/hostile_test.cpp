// kv74-as and kv74-dis against hostile paths and inputs: each case's exit status, a fragment of its
// message, and that nothing but the expected outputs changed or was left behind.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "tests/common/hostile.hpp"

namespace kv74::test {
namespace {

struct Case {
  const char* name;
  // Makes the case's files; returns the command line, or nothing when the machine cannot.
  std::function<std::optional<std::string>(Scratch&)> setup;
  int status;
  const char* message;
  std::vector<std::string> mayChange;
};

const std::string kAs = "timeout -s KILL 60 " + ToolUnderTest(KV74_AS) + " ";
const std::string kDis = "timeout -s KILL 20 " + ToolUnderTest(KV74_DIS) + " ";

// Debug information with these members after the header.
std::string DebugInfo(const std::string& members) {
  return R"({"format": "kv74-debug-info", "version": 1, )" + members + "}";
}

// command, the path made and the rest; nothing when the path could not be made.
std::optional<std::string> With(const std::string& command, const fs::path& made,
                                const std::string& rest = "") {
  if (made.empty()) return std::nullopt;
  return command + made.string() + rest;
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The previous outputs in out/ (V4, RAM) stay untouched by every failing kv74-as case.
const Case kAsCases[] = {
    {"source is a folder", [](Scratch&) { return kAs + "-o out out"; }, 1, "Is a directory", {}},
    {"include of /dev/zero",
     [](Scratch& s) {
       s.Write("z.s", ".include \"/dev/zero\"\n");
       return kAs + "-o out z.s";
     },
     1,
     "z.s:1:10: error: cannot read '/dev/zero': not a regular file",
     {}},
    {"include of a folder",
     [](Scratch& s) {
       s.Write("d.s", ".include \".\"\n");
       return kAs + "-o out d.s";
     },
     1,
     "cannot read '.': Is a directory",
     {}},
    {"include of a FIFO",
     [](Scratch& s) {
       s.Write("f.s", ".include \"fifo\"\n");
       if (s.Fifo("fifo").empty()) return std::optional<std::string>();
       return std::optional<std::string>(kAs + "-o out f.s");
     },
     1,
     "not a regular file",
     {}},
    {"oversized source",
     [](Scratch& s) {
       s.Write("big.s", std::string(5 << 20, ';'));
       return kAs + "-o out big.s";
     },
     1,
     "exceeds the limit",
     {}},
    {"deep parentheses",
     [](Scratch& s) {
       s.Write("p.s", ".word " + Repeat("(", 6000) + "1" + Repeat(")", 6000) + "\n");
       return kAs + "-o out p.s";
     },
     1,
     "nested more than 200 deep",
     {}},
    {"constants defined by constants",
     [](Scratch& s) {
       std::string text = "c0 = 1\n";
       for (int i = 1; i < 1000; ++i)
         text += "c" + std::to_string(i) + " = c" + std::to_string(i - 1) + " + 1\n";
       s.Write("c.s", text + ".word c999\n");
       return kAs + "-o out c.s";
     },
     1,
     "nested more than 200 deep",
     {}},
    {"errors sorted by file and line",
     [](Scratch& s) {
       s.Write("a.s", "bogus\n");
       s.Write("z.s", Repeat("nonsense here\n", 150) + ".include \"a.s\"\n");
       return kAs + "-o out z.s";
     },
     1,
     "a.s:1:1: error: unknown mnemonic 'BOGUS'\nz.s:1:1: error",
     {}},
    {"error count beyond the cap",
     [](Scratch& s) {
       s.Write("e.s", Repeat("nonsense here\n", 150));
       return kAs + "-o out e.s";
     },
     1,
     "kv74-as: 50 more errors\nkv74-as: 150 errors, nothing written",
     {}},
    {"errors counted in linear time",
     [](Scratch& s) {
       s.Write("many.s", Repeat("x\n", 100000));
       return kAs + "-o out many.s";
     },
     1,
     "kv74-as: 100000 errors, nothing written",
     {}},
    {"include fan-out",
     [](Scratch& s) {
       for (int i = 0; i < 14; ++i)
         s.Write("f" + std::to_string(i) + ".s",
                 Repeat(".include \"f" + std::to_string(i + 1) + ".s\"\n", 2));
       s.Write("f14.s", "x: .word 1\n");
       return kAs + "-o out f0.s";
     },
     1,
     "more than 1000 .include lines followed",
     {}},
    {"listing names a folder",
     [](Scratch& s) {
       fs::create_directory(s / "lst");
       return kAs + "-o out --listing lst ok.s";
     },
     1,
     "cannot write lst: Is a directory",
     {}},
    {"listing on a full device",
     [](Scratch& s) { return With(kAs + "-o out ok.s --listing ", s.FullDevice("dev")); },
     1,
     "No space left on device",
     {}},
    {"outputs into a read-only folder",
     [](Scratch& s) {
       return With(kAs + "ok.s -o ", s.ReadOnly("ro", {{"V4", "old"}}));
     },
     1,
     "Read-only file system",
     {}},
    {"outputs onto a full disk",
     [](Scratch& s) {
       return With(kAs + "ok.s -o ", s.FullDisk("full", {{"V4", "old"}}));
     },
     1,
     "No space left on device",
     {}},
    {"listing is an image too",
     [](Scratch&) { return kAs + "-o out --listing out/../out/V4 ok.s"; },
     2,
     "image V4 and --listing name the same file",
     {}},
    {"help to a full device",
     [](Scratch& s) { return With(kAs + "--help > ", s.FullDevice("dev")); },
     1,
     "cannot write standard output: No space left on device",
     {}},
    {"listing through a link updates its target",
     [](Scratch& s) {
       s.Write("real.lst", "old listing");
       fs::create_symlink("real.lst", s / "link.lst");
       return kAs + "-o out --listing link.lst ok.s";
     },
     0,
     "",
     {"out/V4", "out/RAM", "real.lst"}},
};

const Case kDisCases[] = {
    {"image is a folder", [](Scratch&) { return kDis + "out"; }, 1, "Is a directory", {}},
    {"image is /dev/zero",
     [](Scratch&) { return kDis + "/dev/zero"; },
     1,
     "not a regular file",
     {}},
    {"image is a FIFO",
     [](Scratch& s) { return With(kDis, s.Fifo("fifo")); },
     1,
     "not a regular file",
     {}},
    {"image is missing",
     [](Scratch&) { return kDis + "none"; },
     1,
     "No such file or directory",
     {}},
    {"oversized image",
     [](Scratch& s) {
       s.Write("huge", std::string(0x20002, '\0'));
       return kDis + "huge";
     },
     1,
     "exceeds the limit",
     {}},
    {"range backwards",
     [](Scratch&) { return kDis + "--from 5 --to 2 out/V4"; },
     2,
     "--from lies after --to",
     {}},
    {"image runs past 0xFFFF",
     [](Scratch&) { return kDis + "--base 0xFFFC out/V4"; },
     1,
     "run past address 0xFFFF",
     {}},
    {"listing to a full device",
     [](Scratch& s) { return With(kDis + "out/V4 > ", s.FullDevice("dev")); },
     1,
     "cannot write standard output: No space left on device",
     {}},
    {"help to a full device",
     [](Scratch& s) { return With(kDis + "--help > ", s.FullDevice("dev")); },
     1,
     "cannot write standard output: No space left on device",
     {}},
    {"symbols nested 200000 deep",
     [](Scratch& s) {
       s.Write("deep.json", DebugInfo(R"("symbols": )" + Nested(200000)));
       return kDis + "--symbols deep.json out/V4";
     },
     1,
     "deep.json: nested more than 16 deep",
     {}},
    {"symbols from a FIFO",
     [](Scratch& s) { return With(kDis + "out/V4 --symbols ", s.Fifo("fifo")); },
     1,
     "not a regular file",
     {}},
    {"symbols from /dev/zero",
     [](Scratch&) { return kDis + "out/V4 --symbols /dev/zero"; },
     1,
     "/dev/zero: cannot read the file: not a regular file",
     {}},
    // The listing goes on past a NUL in a comment (grep finds the last line).
    {"NUL in a comment",
     [](Scratch& s) {
       s.Write("c.json", DebugInfo(R"("comments": [{"address": 0, "text": "a\u0000b"}])"));
       return kDis + "--symbols c.json --source out/V4 | grep -q 'JS     0068'";
     },
     0,
     "",
     {}},
};

class Hostile : public ::testing::TestWithParam<Case> {};

TEST_P(Hostile, FailsClearlyAndChangesNothingElse) {
  const Case& c = GetParam();
  Scratch s;
  s.Write("ok.s", ".org 0\nstart: JMP [start]\n.org 0x4000\n.word 1, 2\n");
  s.Write("out/V4", "previous program");
  s.Write("out/RAM", "previous RAM");
  const auto command = c.setup(s);
  if (!command) GTEST_SKIP() << "this machine cannot make the files of: " << c.name;
  const auto before = s.Snapshot();
  const Outcome r = s.Run(*command);
  EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.err;
  EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << "\n" << r.err;
  auto after = s.Snapshot();
  for (const std::string& changed : c.mayChange) after[changed] = before.at(changed);
  EXPECT_EQ(Changes(before, after), "") << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(As, Hostile, ::testing::ValuesIn(kAsCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Dis, Hostile, ::testing::ValuesIn(kDisCases), CaseName);

}  // namespace
}  // namespace kv74::test
