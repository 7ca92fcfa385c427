// kv74-run's monitor end to end on the bundled firmware: stops at exact step counts (checked
// against plain runs), stepping over and out of calls, stores, expect failures and bad scripts.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "debuginfo/debug_info.hpp"
#include "tests/runner/temp_dir.hpp"

namespace kv74::test {
namespace {

namespace fs = std::filesystem;

struct Result {
  int exitCode;
  std::string out, err;
};

class MonitorScript : public ::testing::Test {
 protected:
  TempDir dir;

  Result Run(const std::string& args) {
    const fs::path out = dir / "stdout", err = dir / "stderr";
    const std::string cmd = "cd " + dir.path().string() + " && " + KV74_RUN_BINARY + " -q " + args +
                            " >" + out.string() + " 2>" + err.string();
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
  }
  Result Script(const std::string& text, const std::string& args = "") {
    std::ofstream(dir / "s.mon") << text;
    return Run("--do s.mon " + args);
  }
  // A word of data memory after a plain run of `steps` steps.
  int DataWordAfter(std::uint64_t steps, int index, const std::string& args) {
    Run("--steps " + std::to_string(steps) + " --state-json plain.json " + args);
    const std::string json = ReadText(dir / "plain.json");
    std::size_t p = json.find("\"data_memory\": [") + 16;
    for (int i = 0; i < index; ++i) p = json.find(',', p) + 1;
    return std::stoi(json.substr(p));
  }
  static std::uint64_t StopSteps(const std::string& out) {
    std::smatch m;
    EXPECT_TRUE(std::regex_search(out, m, std::regex(", steps ([0-9]+), "))) << out;
    return m.empty() ? 0 : std::stoull(m[1]);
  }
};

const std::string kDemo =
    std::string(" --input ") + KV74_SOURCE_DIR + "/firmware/demo/auto-run.input";

TEST_F(MonitorScript, BreakpointStopsBeforeItsInstructionAtThePlainRunsStep) {
  const auto info = dbg::ReadDebugInfo(fs::path(KV74_SOURCE_DIR) / "data/V4.debug.json");
  const unsigned pollKeys = info.Find("PollKeys")->value;
  Run("--until-pc " + std::to_string(pollKeys) + " --state-json plain.json");
  std::smatch m;
  const std::string plain = ReadText(dir / "plain.json");
  ASSERT_TRUE(std::regex_search(plain, m, std::regex("\"steps\": ([0-9]+)")));
  const Result r = Script(
      "break PollKeys\ncontinue\nexpect pc == PollKeys && steps == " + std::string(m[1]) + "\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("breakpoint 1, steps " + std::string(m[1]) + ", 0x"), std::string::npos);
  EXPECT_NE(r.out.find(" PollKeys (keys.asm:7): MOV    R1,M[BASE1+26]\n"), std::string::npos)
      << r.out;
}

TEST_F(MonitorScript, AConditionSeesTheStepsOfTheRunInProgress) {
  const std::uint64_t conditional =
      StopSteps(Script("break MainLoop if steps >= 5000\ncontinue\n").out);
  const std::uint64_t stepped = StopSteps(Script("step 5000\nuntil MainLoop\n").out.substr(30));
  EXPECT_GE(conditional, 5000u);
  EXPECT_EQ(conditional, stepped);
}

TEST_F(MonitorScript, DemoWatchpointStopsRightAfterTheWritingStep) {
  const Result r = Script("watch 0x425F if [0x425F] != 7200\ncontinue\n", kDemo);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::uint64_t s = StopSteps(r.out);
  std::smatch m;
  ASSERT_TRUE(
      std::regex_search(r.out, m, std::regex("write 0x425F (0x[0-9A-F]+) -> (0x[0-9A-F]+) by")));
  EXPECT_NE(m[1], m[2]);
  EXPECT_EQ(DataWordAfter(s - 1, 0x25F, kDemo), std::stoi(m[1], nullptr, 16));
  EXPECT_EQ(DataWordAfter(s, 0x25F, kDemo), std::stoi(m[2], nullptr, 16));
}

TEST_F(MonitorScript, GoingBackAndForwardOrThroughASnapshotGivesThePlainRunsState) {
  std::ofstream(dir / "in.txt") << "30000 click k0x2B\n40000 click k0x33\n";
  const std::string input = " --input in.txt";
  Run("--steps 60000 --state-json plain.json" + input);
  const std::string plain = ReadText(dir / "plain.json");
  ASSERT_NE(plain, "");
  // Back over both clicks, then forward again.
  Result r = Script("step 60000\nback 35000\nexpect steps == 25000\nstep 35000\n",
                    "--state-json back.json" + input);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadText(dir / "back.json"), plain);
  r = Script("step 20000\nsave-state a.snap\nstep 5000\nload-state a.snap\nstep 40000\n",
             "--state-json snap.json" + input);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadText(dir / "snap.json"), plain);

  // A plain run from the snapshot, with a schedule the snapshot was not taken with: only the
  // clicks after the saved step are made.
  Script("step 20000\nsave-state b.snap\n", "");
  Run("--load-state b.snap --steps 60000 --state-json load.json" + input);
  EXPECT_EQ(ReadText(dir / "load.json"), plain);
  EXPECT_EQ(Run("--load-state b.snap --state-json x.json").exitCode, 2);

  std::ofstream(dir / "bad.snap") << "KV74 but not a snapshot";
  EXPECT_EQ(Run("--load-state bad.snap --steps 10 --state-json never.json").exitCode, 2);
  r = Script("step 10\nload-state bad.snap\nstep 10\n", "--state-json never.json");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err.rfind("kv74-run: s.mon:2: ", 0), 0u) << r.err;
  EXPECT_FALSE(fs::exists(dir / "never.json"));
}

TEST_F(MonitorScript, DemoReverseContinueReturnsToThePreviousHit) {
  const Result r = Script(
      "watch 0x425E..0x425F if [0x425E]:32 != 7200\ncontinue\ncontinue\nreverse-continue\n", kDemo);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::regex stop("watchpoint 1: [^\n]*, steps ([0-9]+), ");
  std::vector<std::string> steps;
  for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), stop);
       it != std::sregex_iterator(); ++it)
    steps.push_back((*it)[1]);
  ASSERT_EQ(steps.size(), 3u) << r.out;
  EXPECT_LT(std::stoull(steps[0]), std::stoull(steps[1]));
  EXPECT_EQ(steps[2], steps[0]);
}

TEST_F(MonitorScript, TraceWritesTheStepsThePlainTraceWrites) {
  Run("--steps 300 --trace plain.txt");
  Script("step 20\ntrace mon.txt\nstep 280\ntrace off\nstep 5\n");
  std::istringstream plain(ReadText(dir / "plain.txt")), mon(ReadText(dir / "mon.txt"));
  std::string a, b;
  for (int i = 0; i < 20; ++i) std::getline(plain, a);
  int lines = 0;
  while (std::getline(mon, b)) {
    ASSERT_TRUE(std::getline(plain, a));
    EXPECT_EQ(b.substr(0, b.find(' ', b.find(' ', b.find(' ', b.find(' ') + 1) + 1) + 1)),
              a.substr(0, a.find(' ', a.find(' ', a.find(' ', a.find(' ') + 1) + 1) + 1)));
    ++lines;
  }
  EXPECT_EQ(lines, 280);
}

TEST_F(MonitorScript, NextFinishSetAndCatch) {
  const Result r = Script(
      "until MainLoop\n"
      "expect [pc] == 0x621A\n"  // a table call
      "next\nexpect pc == MainLoop + 1\n"
      "until MainLoop\nstep\nexpect pc != MainLoop + 1\nfinish\nexpect pc == MainLoop + 1\n"
      "set R5 = 0x1234\nset [0x4100]:32 = -2\n"
      "expect R5 == 0x1234 && [0x4100] == 0xFFFF && [0x4101]:16 == 0xFFFE\n"
      "expect [0x4100]:32 == -2\n"
      "catch request 4\ncontinue\nexpect pc == 0x4006\n");  // the timer's vector
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("catchpoint 1: request 4 entry, steps "), std::string::npos) << r.out;
}

// What the debugging guide says of each command, one short script each, from power-on.
TEST_F(MonitorScript, CommandsDoWhatTheGuideSays) {
  const struct {
    const char* what;
    const char* script;
    int exitCode;
    const char* output;  // a piece of standard output (or of standard error when the exit is 2)
  } cases[] = {
      {"tbreak stops once and is gone", "tbreak MainLoop\ncontinue\ninfo breakpoints\n", 0,
       "main.asm:5): CALL   M[001A]\nno stop points\n"},
      {"a hit counts once", "break MainLoop\ncontinue\ninfo breakpoints\n", 0,
       "1   breakpoint 0x0100 (MainLoop), hit 1 time\n"},
      {"deleting a missing point is an error", "delete 9\nstep\n", 2, "s.mon:1: no stop point 9"},
      {"hexadecimal in either case", "print 0X10\n", 0, "0X10 = 16 (0x10)\n"},
      {"steps in any case", "step 7\nprint STEPS\n", 0, "STEPS = 7 (0x7)\n"},
      {"flags N Z V C", "set FLAGS = 0x1000\nregs\n", 0, "FLAGS 1000 [---C]"},
      {"disasm marks the PC", "until MainLoop\ndisasm MainLoop-1 2\n", 0,
       "   0x00FF  1D1C       .word  0x1D1C\nMainLoop:\n=> 0x0100"},
      {"a store starts a new recorded run", "step 1000\nset R5 = 1\nback 10\n", 0,
       "history ends here, steps 1000,"},
      {"catch request LINE catches that line only", "catch request 0\ncontinue 200000\n", 0,
       "stepped, steps 200000,"},
  };
  for (const auto& c : cases) {
    const Result r = Script(c.script);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.what << "\n" << r.out << r.err;
    EXPECT_NE((c.exitCode == 2 ? r.err : r.out).find(c.output), std::string::npos)
        << c.what << "\n"
        << r.out << r.err;
  }
}

// A source line included twice has two addresses: until stops at either and leaves no point.
TEST_F(MonitorScript, UntilALineOfSeveralInstructionsLeavesNoPoints) {
  std::ofstream(dir / "body.inc") << "        ADD     R1,#1\n";
  std::ofstream(dir / "t.asm") << "        .org    0\nStart:  .include \"body.inc\"\n"
                                  "        .include \"body.inc\"\n        JMP     Start\n"
                                  "        .image  0x0000, 16384\n        .image  0x7000, 8192\n"
                                  "        .image  0x4000, 8192\n";
  fs::create_directory(dir / "img");
  const std::string as = std::string("cd ") + dir.path().string() + " && " + KV74_AS_BINARY +
                         " -o img --program-name V4 --debug-info img/V4.debug.json t.asm";
  ASSERT_EQ(std::system(as.c_str()), 0);
  const Result r = Script("until body.inc:1\ninfo breakpoints\ncontinue 10\n", "--images img");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("(body.inc:1): ADD    R1,#0001\nno stop points\nstepped, steps 11,"),
            std::string::npos)
      << r.out;
}

TEST_F(MonitorScript, FailedExpectNamesItsLineAndBothSidesAndTheScriptGoesOn) {
  const Result r = Script("step 200\nexpect [0x425F] == 100\nexpect 1\n", "--state-json end.json");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err,
            "s.mon:2: expect failed: [0x425F] == 100: left 7200 (0x1C20), right 100 (0x64)\n");
  EXPECT_NE(ReadText(dir / "end.json").find("\"steps\": 200,"), std::string::npos);
}

TEST_F(MonitorScript, BadScriptsAreRejectedBeforeAnythingRuns) {
  const struct {
    const char* script;
    const char* message;
  } cases[] = {
      {"step\nbreak Nowhere\n", "kv74-run: s.mon:2: unknown name 'Nowhere'\n"},
      {"# fine\nclick k0x99\n", "kv74-run: s.mon:2: no clickable control named 'k0x99'\n"},
      {"step\n\nfrobnicate 3\n", "kv74-run: s.mon:3: unknown command 'frobnicate' (try help)\n"},
      {"break nowhere.asm:3\n", "kv74-run: s.mon:1: no code at nowhere.asm:3\n"},
  };
  for (const auto& c : cases) {
    const Result r = Script(c.script, "--state-json never.json");
    EXPECT_EQ(r.exitCode, 2) << c.script;
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(dir / "never.json"));
  }
  EXPECT_EQ(Run("--do missing.mon").exitCode, 2);
  EXPECT_EQ(Run("--do s.mon --debug").exitCode, 2);
}

}  // namespace
}  // namespace kv74::test
