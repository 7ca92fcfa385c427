// kv74-run against hostile paths and inputs: each case's exit status, a fragment of its message,
// and that nothing but the expected outputs changed (no temporary left, prog.txt not emptied).
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "cpu/machine.hpp"
#include "program.hpp"
#include "tests/common/hostile.hpp"

namespace kv74::test {
namespace {

const std::string kRun = KV74_RUN_BINARY;

struct Case {
  const char* name;
  // Makes the case's files; returns the arguments, or nothing when the machine cannot make them.
  std::function<std::optional<std::string>(Scratch&)> setup;
  int status;
  const char* message;
  std::vector<std::string> mayChange;
};

void WriteWordsTo(Scratch& s, const std::string& name, std::vector<std::uint16_t> words,
                  std::size_t size) {
  words.resize(size);
  s.Write(name, std::string(reinterpret_cast<const char*>(words.data()), 2 * size));
}

// option, the path made and a suffix; nothing when the path could not be made.
std::optional<std::string> Arg(const std::string& option, const fs::path& made,
                               const std::string& suffix = "") {
  if (made.empty()) return std::nullopt;
  return option + " " + made.string() + suffix;
}

const Case kCases[] = {
    {"same file twice",
     [](Scratch&) { return "--trace x.txt --state-json ./x.txt"; },
     2,
     "--state-json and --trace name the same file",
     {}},
    {"output through a link to prog.txt",
     [](Scratch& s) {
       fs::create_symlink("prog.txt", s / "p.lnk");
       return "--state-json p.lnk";
     },
     2,
     "name the same file",
     {}},
    {"state JSON on a full device",
     [](Scratch& s) { return Arg("--state-json", s.FullDevice("dev")); },
     2,
     "cannot write state JSON",
     {"prog.txt"}},
    {"plot on a full device",
     [](Scratch& s) { return Arg("--plot-png", s.FullDevice("dev")); },
     2,
     "cannot write plot picture",
     {"prog.txt"}},
    {"trace on a full device",
     [](Scratch& s) { return Arg("--trace", s.FullDevice("dev")); },
     2,
     "No space left on device",
     {"prog.txt"}},
    {"state JSON in a missing folder",
     [](Scratch&) { return "--state-json no/s.json"; },
     2,
     "No such file or directory",
     {}},
    {"plot picture names a folder",
     [](Scratch& s) {
       fs::create_directory(s / "pics");
       return "--plot-png pics";
     },
     2,
     "Is a directory",
     {}},
    {"state JSON in a read-only folder",
     [](Scratch& s) {
       return Arg("--state-json", s.ReadOnly("ro", {{"s.json", "old"}}), "/s.json");
     },
     2,
     "Read-only file system",
     {}},
    {"working directory read-only",
     [](Scratch& s) { return Arg("--workdir", s.ReadOnly("ro")); },
     2,
     "cannot use working directory",
     {}},
    {"state JSON on a full disk",
     [](Scratch& s) {
       return Arg("--state-json", s.FullDisk("full", {{"s.json", "old"}}), "/s.json");
     },
     2,
     "No space left on device",
     {"prog.txt"}},
    {"plot on a full disk keeps the old picture",
     [](Scratch& s) {
       return Arg("--plot-png", s.FullDisk("full", {{"p.png", "old"}}), "/p.png");
     },
     2,
     "cannot write plot picture",
     {"prog.txt"}},
    {"script is /dev/zero",
     [](Scratch&) { return "--input /dev/zero"; },
     2,
     "not a regular file",
     {}},
    {"script is a FIFO without writer",
     [](Scratch& s) { return Arg("--input", s.Fifo("fifo")); },
     2,
     "not a regular file",
     {}},
    {"script is a folder", [](Scratch&) { return "--input images"; }, 2, "Is a directory", {}},
    {"image is a FIFO",
     [](Scratch& s) {
       fs::remove(s / "images/RAM");
       return s.Fifo("images/RAM").empty() ? std::nullopt : std::optional<std::string>("");
     },
     2,
     "cannot read image",
     {}},
    {"image folder is a link loop",
     [](Scratch& s) {
       fs::create_symlink("loop", s / "loop");
       return "!run --images loop";
     },
     2,
     "Too many levels of symbolic links",
     {}},
    {"working directory is a file",
     [](Scratch&) { return "--workdir s.json"; },
     2,
     "Not a directory",
     {}},
    {"prog.txt is a folder",
     [](Scratch& s) {
       fs::create_directories(s / "w/prog.txt");
       return "--workdir w";
     },
     2,
     "Is a directory",
     {}},
    {"output through a link updates its target",
     [](Scratch& s) {
       fs::create_symlink("s.json", s / "s.lnk");
       return "--state-json s.lnk";
     },
     0,
     "",
     {"prog.txt", "s.json"}},
    {"trace limit stops the trace",
     [](Scratch&) { return "--trace t.txt --trace-limit 40"; },
     0,
     "trace stopped before step 1",
     {"prog.txt", "t.txt"}},
    {"short image warned about",
     [](Scratch& s) {
       s.Write("images/AMT", "ab");
       return "";
     },
     0,
     "is short (2 bytes, TableMemory holds 8192)",
     {"prog.txt"}},
    {"interrupted run leaves no temporary",
     [](Scratch&) {
       return "!run --images images --steps 100000000000 --state-json s.json --trace t.txt & sleep "
              "0.3;"
              " kill -TERM $!; wait $!";
     },
     128 + SIGTERM,
     "",
     {"prog.txt"}},
};

class HostileRun : public ::testing::TestWithParam<Case> {};

TEST_P(HostileRun, FailsClearlyAndChangesNothingElse) {
  const Case& c = GetParam();
  Scratch s;
  WriteWordsTo(s, "images/V4", op::Program({op::Inc(2), op::JmpRel(-1)}), PROGRAM_WORDS);
  WriteWordsTo(s, "images/AMT", {}, TABLE_WORDS);
  WriteWordsTo(s, "images/RAM", {}, DATA_WORDS);
  s.Write("s.json", "old state");
  s.Write("t.txt", "old trace");
  s.Write("prog.txt", "an earlier run\n");
  s.Write("s.json.part", "the user's own file");
  const auto args = c.setup(s);
  if (!args) GTEST_SKIP() << "this machine cannot make the files of: " << c.name;
  const auto before = s.Snapshot();
  // run: the runner, stopped after 20 s at the latest. Arguments starting with '!' are a whole
  // command line.
  const std::string run = "run() { exec timeout -s KILL 20 " + kRun + " -q \"$@\"; }; ";
  const Outcome r =
      s.Run(run + ((*args)[0] == '!' ? args->substr(1) : "run --images images --steps 3 " + *args));
  EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.err;
  EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << "\n" << r.err;
  auto after = s.Snapshot();
  for (const std::string& changed : c.mayChange) after[changed] = before.at(changed);
  EXPECT_EQ(Changes(before, after), "") << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileRun, ::testing::ValuesIn(kCases), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

TEST(HostileRunFifo, OutputFifoIsWrittenInPlace) {
  Scratch s;
  WriteWordsTo(s, "images/V4", {}, PROGRAM_WORDS);
  WriteWordsTo(s, "images/AMT", {}, TABLE_WORDS);
  WriteWordsTo(s, "images/RAM", {}, DATA_WORDS);
  if (s.Fifo("fifo").empty()) GTEST_SKIP() << "no FIFO";
  const Outcome r = s.Run("cat fifo > got & timeout -s KILL 20 " + kRun +
                          " --images images --steps 3 -q --state-json fifo; wait");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_fifo(s / "fifo"));
  EXPECT_NE(Slurp(s / "got").find("\"steps\": 3"), std::string::npos);
}

}  // namespace
}  // namespace kv74::test
