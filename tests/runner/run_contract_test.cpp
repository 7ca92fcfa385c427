// kv74-run end to end: a hand-made image set, an input script, the JSON contract against a
// golden file, and every error path. Refresh the golden file with KV74_REFRESH_GOLDEN=1.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/machine.hpp"
#include "program.hpp"
#include "temp_dir.hpp"

namespace kv74::test {
namespace {

namespace fs = std::filesystem;

struct Result {
  int exitCode;
  std::string out, err;
};

class RunnerTest : public ::testing::Test {
 protected:
  TempDir dir;
  fs::path images = dir / "images";

  void SetUp() override { fs::create_directory(images); }

  Result Run(const std::string& args) {
    const fs::path out = dir / "stdout", err = dir / "stderr";
    const std::string cmd = "cd " + dir.path().string() + " && " + std::string(KV74_RUN_BINARY) +
                            " " + args + " >" + out.string() + " 2>" + err.string();
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
  }

  // Full-size images: a short one is loaded too, with a warning on standard error.
  void WriteImages(op::Words program) {
    program.resize(PROGRAM_WORDS);
    WriteWords(images / "V4", program);
    std::vector<std::uint16_t> table(TABLE_WORDS, 0);
    table[0] = 0x013E;
    table[1] = 0x023C;
    WriteWords(images / "amt", table);
    std::vector<std::uint16_t> ram(DATA_WORDS, 0);
    ram[0x25F] = 7200;
    ram[0x261] = 22000;
    WriteWords(images / "Ram", ram);
  }
};

// Sets up every peripheral, then loops copying the input port and the keys to the indicators.
struct Firmware {
  op::Words setup = op::Program({
      op::PointBase0AtPeripherals(),
      op::MovImm(0, 0x0010),
      op::WriteDirect(0x3B),  // interrupts masked
      op::MovImm(1, 0x0001),
      op::StoreBase0(1, 0x01),  // timer periodic
      op::MovImm(1, 0x0005),
      op::StoreBase0(1, 0x00),  // reload 5: starts
      op::MovImm(1, 0x4010),
      op::StoreBase0(1, 0x24),  // key lamps: jog sampling
      op::MovImm(1, 0x6125),
      op::StoreBase0(1, 0x32),  // exchange 1 / 0x25, channels on
      op::MovImm(1, 0x0064),
      op::StoreBase0(1, 0x40),  // channel 0 up, period 100
      op::MovImm(1, 0xFFFF),
      op::StoreBase0(1, 0x41),  // channel 1 down, period 10000
      op::MovImm(1, 0x0001),
      op::StoreBase0(1, 0x50),  // channel 0 mark armed
      op::MovImm(1, 0x0000),
  });
  op::Words loop = op::Program({
      op::Inc(1),
      op::StoreBase0(1, 0x20),  // indicator 1: a counter
      op::LoadBase0(2, 0x31),
      op::StoreBase0(2, 0x21),  // indicator 2: the input port
      op::LoadBase0(4, 0x26),
      op::Or(5, 4),
      op::StoreBase0(5, 0x22),  // indicator 3: keys seen
      op::JmpRel(-7),
  });
  static constexpr int SETUP_STEPS = 19;
  op::Words Image() const { return op::Program({setup, loop}); }
  std::uint16_t LoopAddress() const { return static_cast<std::uint16_t>(setup.size()); }
};

// The items of the array member "key": [...], or none when it is missing.
std::vector<long> ArrayItems(const std::string& json, const std::string& key) {
  std::vector<long> items;
  const std::size_t open = json.find("\"" + key + "\": [");
  if (open == std::string::npos) return items;
  std::istringstream in(json.substr(json.find('[', open) + 1));
  long v = 0;
  char sep = ',';
  while (sep == ',' && in >> v >> sep) items.push_back(v);
  return items;
}

constexpr const char* kScript = R"(# clicks for the contract run
10 click ki3
10   click ki3   # twice at once: back to off
100 click k0x7b
150 click ki0
200 click k0x1D

2200000 click k0x7b
2200001 click uskor
2200002 click k0x78
)";

TEST_F(RunnerTest, StateJsonMatchesTheGoldenFile) {
  WriteImages(Firmware().Image());
  WriteText(dir / "script.txt", kScript);
  const fs::path json = dir / "state.json";
  const Result r =
      Run("--images " + images.string() + " --steps 3000000 --input " +
          (dir / "script.txt").string() + " --state-json " + json.string() + " --quiet");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string actual = ReadText(json);
  const fs::path golden = fs::path(KV74_GOLDEN_DIR) / "contract_run.json";
  if (const char* refresh = std::getenv("KV74_REFRESH_GOLDEN"); refresh && *refresh == '1') {
    WriteText(golden, actual);
    GTEST_SKIP() << "golden file refreshed: " << golden;
  }
  EXPECT_EQ(actual, ReadText(golden)) << "if the change is intended, rerun with "
                                         "KV74_REFRESH_GOLDEN=1 and review the diff";
  EXPECT_FALSE(fs::exists(json.string() + ".part"));
}

TEST_F(RunnerTest, StateJsonHasEveryContractKey) {
  WriteImages(Firmware().Image());
  const Result r = Run("--images " + images.string() + " --steps 1000 --state-json -");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* key :
       {"\"steps\": 1000", "\"registers\": [", "\"data_memory\": [", "\"timer\": {",
        "\"timerPrescaler\": ", "\"timerCount\": ", "\"channels\": {", "\"channelPeriod\": [",
        "\"channelDivider\": [", "\"channelMarkCount\": [",
        "\"jogDivider\": ", "\"jogSampleCount\": ", "\"sequencer\": {", "\"seqState\": \"Busy\"",
        "\"seqCode\": 593", "\"seqCountdown\": "}) {
    EXPECT_NE(r.out.find(key), std::string::npos) << key;
  }
  EXPECT_EQ(ArrayItems(r.out, "registers").size(), 53u);
  EXPECT_EQ(ArrayItems(r.out, "data_memory").size(), 4096u);
  EXPECT_NE(r.err.find("1000 steps in"), std::string::npos);  // the summary
}

TEST_F(RunnerTest, UntilPcStopsBeforeTheAddress) {
  const Firmware fw;
  WriteImages(fw.Image());
  std::ostringstream args;
  args << "--images " << images.string() << " --until-pc 0x" << std::hex << fw.LoopAddress()
       << " --state-json -";
  const Result r = Run(args.str());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"steps\": " + std::to_string(Firmware::SETUP_STEPS) + ","),
            std::string::npos);
  EXPECT_NE(r.err.find("stopped at PC"), std::string::npos);
  const Result limited = Run("--images " + images.string() + " --until-pc 0x1FFF --steps 50");
  EXPECT_EQ(limited.exitCode, 0);
  EXPECT_NE(limited.err.find("not reached"), std::string::npos) << limited.err;
}

TEST_F(RunnerTest, TraceHasOneLinePerStep) {
  WriteImages(Firmware().Image());
  const Result r = Run("--images " + images.string() + " --steps 25 --trace - --quiet");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 25);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "0 0000 E080 F100 MovImm");
  EXPECT_EQ(r.err, "");
}

TEST_F(RunnerTest, ClicksBeyondTheRunAreReportedNotMade) {
  WriteImages(Firmware().Image());
  WriteText(dir / "late.txt", "5 click ki1\n100 click ki2\n");
  const Result r = Run("--images " + images.string() + " --steps 10 -q --state-json - --input " +
                       (dir / "late.txt").string());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("late.txt:2: step 100 lies beyond the run"), std::string::npos) << r.err;
  const auto registers = ArrayItems(r.out, "registers");
  ASSERT_EQ(registers.size(), 53u);
  EXPECT_EQ(registers[reg::PORT_IN], 0x0102);  // only ki1 was clicked
}

TEST_F(RunnerTest, HelpDocumentsEveryOption) {
  const Result r = Run("--help");
  EXPECT_EQ(r.exitCode, 0);
  for (const char* option : {"--images", "--steps", "--state-json", "--input", "--workdir",
                             "--until-pc", "--trace", "--quiet", "Exit status"}) {
    EXPECT_NE(r.out.find(option), std::string::npos) << option;
  }
}

TEST_F(RunnerTest, WorkdirIsCreated) {
  WriteImages(Firmware().Image());
  const fs::path work = dir / "out" / "deeper";
  const Result r = Run("--images " + images.string() + " --workdir " + work.string() + " -q");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::is_directory(work));
}

TEST_F(RunnerTest, MissingImagesExitWithOneAndNameTheImage) {
  const Firmware fw;
  struct Case {
    const char* remove;
    const char* message;
  };
  for (const Case& c :
       {Case{"V4", "Resource v4 not found\n"}, Case{"amt", "Resource amt not found\n"},
        Case{"Ram", "Resource ram not found\n"}}) {
    WriteImages(fw.Image());
    fs::remove(images / c.remove);
    const fs::path json = dir / "state.json";
    const Result r =
        Run("--images " + images.string() + " --steps 10 --state-json " + json.string());
    EXPECT_EQ(r.exitCode, 1) << c.remove;
    EXPECT_EQ(r.err, c.message);
    EXPECT_FALSE(fs::exists(json));
    EXPECT_FALSE(fs::exists(json.string() + ".part"));
  }
}

TEST_F(RunnerTest, BadInputsExitWithTwoAndOneLineNamingTheProblem) {
  WriteImages(Firmware().Image());
  WriteText(dir / "unknown.txt", "# ok\n5 click ki1\n7 click kx99\n");
  WriteText(dir / "backwards.txt", "5 click ki1\n4 click ki2\n");
  WriteText(dir / "shape.txt", "5 press ki1\n");
  WriteText(dir / "step.txt", "-5 click ki1\n");
  WriteText(dir / "lamp.txt", "1 click ki16\n");
  const std::string img = "--images " + images.string() + " ";
  struct Case {
    std::string args;
    std::string expected;  // part of the message
  };
  const Case cases[] = {
      {"--bogus", "unknown option '--bogus'"},
      {"--steps", "--steps needs a value"},
      {"--steps 12x", "'12x'"},
      {"--steps -1", "'-1'"},
      {"--steps 5 --steps 6", "--steps given twice"},
      {"--until-pc 0x10000", "--until-pc"},
      {"--quiet=yes", "--quiet takes no value"},
      {"--state-json - --trace -", "both write to standard output"},
      {"--images " + (dir / "nowhere").string(), "cannot read image directory"},
      {img + "--input " + (dir / "none.txt").string(), "cannot read input script"},
      {img + "--input " + (dir / "unknown.txt").string(),
       "unknown.txt:3: no clickable control named 'kx99'"},
      {img + "--input " + (dir / "backwards.txt").string(),
       "backwards.txt:2: step 4 comes before step 5"},
      {img + "--input " + (dir / "shape.txt").string(), "shape.txt:1: expected 'STEP click NAME'"},
      {img + "--input " + (dir / "step.txt").string(), "step.txt:1: step '-5'"},
      {img + "--input " + (dir / "lamp.txt").string(), "'ki16'"},
      {img + "--state-json " + (dir / "missing" / "s.json").string(), "cannot write state JSON"},
      {img + "--trace " + (dir / "missing" / "t.txt").string(), "cannot write trace"},
      {img + "--workdir " + (images / "V4").string(), "cannot use working directory"},
  };
  for (const Case& c : cases) {
    const Result r = Run(c.args + " --steps=1");
    EXPECT_EQ(r.exitCode, 2) << c.args;
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.out, "") << c.args;
  }
}

// A firmware that names block 5 as the current one, shows its number, reports a position and a
// spindle speed, then waits: the panel decodes the block into prog.txt and kom, shows the values
// and draws the position.
TEST_F(RunnerTest, PanelDecodesTheBlockAndShowsTheCells) {
  const op::Words program = op::Program({
      op::MovImm(0, 5),
      op::StoreAbs(0, 0x410A),  // BlockIndexCell
      op::MovImm(1, 0x0005),
      op::StoreAbs(1, 0xF121),  // Kadr digits: decode the block
      op::MovImm(2, 0),
      op::StoreAbs(2, 0x425E),
      op::MovImm(2, 7201),
      op::StoreAbs(2, 0x425F),
      op::MovImm(2, 0xFFFF),
      op::StoreAbs(2, 0x4260),
      op::MovImm(2, 0xD508),
      op::StoreAbs(2, 0x4261),  // Z = -11000
      op::MovImm(3, 0xFFFE),
      op::StoreAbs(3, 0x4212),  // spindle speed -2
      op::JmpRel(0),
  });
  WriteWords(images / "V4", program);
  std::vector<std::uint16_t> ram(DATA_WORDS, 0);
  const std::uint16_t block5[] = {0x0300, 0x0001, 0x5100, 0x05DC, 0x82FF, 0xFF38};
  std::copy(std::begin(block5), std::end(block5), ram.begin() + (0x45A7 - 0x4000) + 2 * 5);
  WriteWords(images / "RAM", ram);
  WriteWords(images / "AMT", std::vector<std::uint16_t>{});
  WriteText(dir / "prog.txt", "an earlier run\n");

  const Result r = Run("--images " + images.string() + " --steps 200 --state-json state.json" +
                       " --plot-png plot.png --quiet");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string text = " * G 1 * X +\\ L 1500  Z -200";
  EXPECT_EQ(ReadText(dir / "prog.txt"), "5 -> " + text + "\n");
  const std::string json = ReadText(dir / "state.json");
  for (const std::string& member :
       {"\"kom\":\"" + std::string(" * G 1 * X +\\\\ L 1500  Z -200") + "\"",
        std::string("\"n\":\"5\""), std::string("\"al21\":\"5\""), std::string("\"al22\":\"0\""),
        std::string("\"x\":\"3600\""), std::string("\"z\":\"-5500\""), std::string("\"s\":\"-2\""),
        std::string("\"TraceGate\":8"), std::string("\"ScaleFactor\":1"),
        std::string("\"previousPoint\":[420,402]"), std::string("\"ki8\":65280"),
        std::string("\"v1_1\":8421504")}) {
    EXPECT_NE(json.find(member), std::string::npos) << member << "\n" << json;
  }
  EXPECT_TRUE(fs::exists(dir / "plot.png"));
}

TEST_F(RunnerTest, AnUnwritablePlotPictureIsReported) {
  WriteImages(Firmware().Image());
  const Result r = Run("--images " + images.string() + " --steps 10 --plot-png nodir/plot.png");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("cannot write plot picture nodir/plot.png"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kv74::test
