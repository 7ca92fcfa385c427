// kv74-run against hostile paths and inputs: each case's exit status, a fragment of its message,
// and that nothing but the expected outputs changed (no temporary left, prog.txt not emptied).
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "board/machine.hpp"
#include "debug/snapshot.hpp"
#include "program.hpp"
#include "tests/common/hostile.hpp"

namespace kv74::test {
namespace {

const std::string kRun = ToolUnderTest(KV74_RUN_BINARY);

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

// --do with a script of these lines, after the given options.
std::string Do(Scratch& s, const std::string& lines, const std::string& options = "") {
  s.Write("m.do", lines);
  return options + " --do m.do";
}

// The debug information's header with `symbols` holding value.
std::string DebugInfoWith(const std::string& symbols) {
  return R"({"format": "kv74-debug-info", "version": 1, "symbols": )" + symbols + "}";
}

// A snapshot saved after 10 steps, changed by `change` and written back with a valid checksum.
std::string Snapshot(Scratch& s, const std::function<void(debug::SnapshotData&)>& change) {
  s.Run(kRun + " -q --images images --do save.do");
  const std::string bytes = Slurp(s / "10.snap");
  fs::remove(s / "10.snap");
  auto m = std::make_unique<BoardState>();
  debug::SnapshotData d;
  debug::ReadSnapshot(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                      *m, d);
  change(d);
  const std::vector<std::uint8_t> out = debug::WriteSnapshot(*m, d);
  s.Write("bad.snap", std::string(out.begin(), out.end()));
  return "--load-state bad.snap --state-json s.json";
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
    // Debug information and monitor scripts are read as every input is.
    {"debug information nested 200000 deep",
     [](Scratch& s) {
       s.Write("deep.json", DebugInfoWith(Nested(200000)));
       return Do(s, "step\n", "--debug-info deep.json");
     },
     2,
     "deep.json: nested more than 16 deep",
     {}},
    {"debug information format nested deep",
     [](Scratch& s) {
       s.Write("deep.json", R"({"format": )" + Nested(200000) + "}");
       return Do(s, "step\n", "--debug-info deep.json");
     },
     2,
     "nested more than 16 deep",
     {}},
    {"debug information is a FIFO",
     [](Scratch& s) { return Arg("--do m.do --debug-info", s.Fifo("fifo")); },
     2,
     "not a regular file",
     {}},
    {"debug information is /dev/zero",
     [](Scratch& s) { return Do(s, "step\n", "--debug-info /dev/zero"); },
     2,
     "/dev/zero: cannot read the file: not a regular file",
     {}},
    {"monitor script is a FIFO",
     [](Scratch& s) { return Arg("--do", s.Fifo("fifo")); },
     2,
     "not a regular file",
     {}},
    {"monitor script is /dev/zero",
     [](Scratch&) { return "--do /dev/zero"; },
     2,
     "not a regular file",
     {}},
    {"monitor script over its bound",
     [](Scratch& s) { return Do(s, std::string(5 << 20, '#')); },
     2,
     "exceeds the limit of 4194304 bytes",
     {}},
    {"monitor script is a folder",
     [](Scratch&) { return "--do images"; },
     2,
     "cannot read monitor script images: Is a directory",
     {}},
    // Stores are whole or not at all, and a session's output is written or the exit says why.
    {"32-bit store on the last word of data memory",
     [](Scratch& s) {
       s.Write("m.do", "set [0x4FFF]:32 = 0x12345678\nexpect [0x4FFF] == 0\n");
       return "!run --images images --steps 3 --debug < m.do";
     },
     0,
     "nothing to store into at 0x5000; nothing stored",
     {"prog.txt"}},
    {"trace on a full device left open",
     [](Scratch& s) {
       const fs::path dev = s.FullDevice("dev");
       return dev.empty() ? std::optional<std::string>() : Do(s, "trace dev\nstep 100\n");
     },
     2,
     "cannot write trace dev: No space left on device",
     {"prog.txt"}},
    {"trace into /proc",
     [](Scratch& s) { return Do(s, "trace /proc/version\nstep 5\n"); },
     2,
     "cannot write trace /proc/version",
     {"prog.txt"}},
    {"monitor output to a full device",
     [](Scratch& s) {
       const fs::path dev = s.FullDevice("dev");
       s.Write("m.do", "regs\n");
       return dev.empty() ? std::optional<std::string>() : "!run --images images --do m.do > dev";
     },
     2,
     "cannot write standard output: No space left on device",
     {"prog.txt"}},
    {"delete of a number beyond int",
     [](Scratch& s) { return Do(s, "break 1\ndelete 4294967297\n"); },
     2,
     "stop point 4294967297 out of range",
     {}},
    // Every run command stops at --steps (3 here).
    {"until an address never reached",
     [](Scratch& s) { return Do(s, "until 0x0500\nexpect steps == 3\n"); },
     0,
     "",
     {"prog.txt"}},
    {"finish in a routine that never returns",
     [](Scratch& s) { return Do(s, "finish\nexpect steps == 3\n"); },
     0,
     "",
     {"prog.txt"}},
    {"step past --steps",
     [](Scratch& s) { return Do(s, "step 5000\nexpect steps == 3\n"); },
     0,
     "",
     {"prog.txt"}},
    // Snapshots that pass the checksum but not the checks.
    {"snapshot with a caption not UTF-8",
     [](Scratch& s) {
       return Snapshot(s, [](debug::SnapshotData& d) {
         // The first control's caption: U32 count, then U32 length and bytes.
         const std::uint32_t length = d.panel[4] | d.panel[5] << 8;
         d.panel.erase(d.panel.begin() + 8, d.panel.begin() + 8 + length);
         d.panel.insert(d.panel.begin() + 8, {0xC0, 0x80});
         d.panel[4] = 2;
         d.panel[5] = 0;
       });
     },
     2,
     "bad control state",
     {}},
    {"snapshot at step 2^64-1",
     [](Scratch& s) { return Snapshot(s, [](debug::SnapshotData& d) { d.steps = ~0ull; }); },
     2,
     "bad step count",
     {}},
    {"snapshot clicking an unknown control",
     [](Scratch& s) {
       return Snapshot(s, [](debug::SnapshotData& d) { d.clicks.push_back({5, "nosuch"}); });
     },
     2,
     "no control nosuch",
     {}},
    {"snapshot after --steps",
     [](Scratch& s) {
       Snapshot(s, [](debug::SnapshotData&) {});
       return std::string("!run --images images --load-state bad.snap --steps 5");
     },
     2,
     "--steps 5 lies before the snapshot's step 10",
     {}},
    // Words from outside are quoted escaped and cut.
    {"NUL in a control's name",
     [](Scratch& s) { return Do(s, std::string("click ki0\0junk\n", 15)); },
     2,
     "no clickable control named 'ki0\\x00junk'",
     {}},
    {"escape sequence in a command",
     [](Scratch& s) { return Do(s, "\x1b[2J\n"); },
     2,
     "unknown command '\\x1B[2J'",
     {}},
    {"a 32 KB name",
     [](Scratch& s) { return Do(s, "click " + std::string(1 << 15, 'k') + "\n"); },
     2,
     "kkk...'",
     {}},
    {"a megabyte line on standard input",
     [](Scratch& s) {
       s.Write("m.do", "print " + std::string(1 << 20, '1') + "\n");
       return "!run --images images --steps 3 --debug < m.do";
     },
     0,
     "line longer than 65536 bytes",
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
  s.Write("save.do", "step 10\nsave-state 10.snap\n");
  const auto args = c.setup(s);
  if (!args) GTEST_SKIP() << "this machine cannot make the files of: " << c.name;
  const auto before = s.Snapshot();
  // run: the runner, stopped after 20 s at the latest. Arguments starting with '!' are a whole
  // command line.
  const std::string run = "run() { exec timeout -s KILL 20 " + kRun + " -q \"$@\"; }; ";
  const Outcome r =
      s.Run(run + ((*args)[0] == '!' ? args->substr(1) : "run --images images --steps 3 " + *args));
  EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.err;
  EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << "\n" << r.err.substr(0, 2000);
  EXPECT_LT(r.err.size(), 2000u) << c.name;
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
