// Every option and command that names a file, as the programs' own help lists them, and a probe
// showing that it goes through the one reader (a FIFO is refused at once: "not a regular file")
// or the one writer (a device is written in place, never replaced, its failure told with the OS's
// reason). An option the help gains without a row here fails the inventory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <set>

#include "tests/common/hostile.hpp"

namespace kv74::test {
namespace {

enum class Kind { Input, Output, Folder };

struct Row {
  const char* program;  // "kv74-run", "monitor" (kv74-run --do), "kv74-dap" (launch), ...
  const char* option;
  Kind kind;
  // The command line using `path` for the option (relative to the scratch folder).
  std::string (*command)(const std::string& path);
  bool warns = false;  // the program tells the failure and goes on without the file
};

const std::string kRun = ToolUnderTest(KV74_RUN) + " -q --steps 2 ";
const std::string kAs = ToolUnderTest(KV74_AS) + " ";
const std::string kDis = ToolUnderTest(KV74_DIS) + " ";

// The adapter launched with `arguments` (JSON members), its input closed after.
std::string Dap(const std::string& arguments) {
  auto framed = [](const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\\r\\n\\r\\n" + body;
  };
  const std::string init = R"({"seq":1,"type":"request","command":"initialize","arguments":{}})";
  const std::string launch =
      R"({"seq":2,"type":"request","command":"launch","arguments":{"workdir":".",)" + arguments +
      "}}";
  return "printf '" + framed(init) + framed(launch) + "' | " + ToolUnderTest(KV74_DAP) +
         " >&2; exit 1";
}

const Row kRows[] = {
    {"kv74-as", "SOURCE", Kind::Input, [](const std::string& p) { return kAs + "-o out " + p; }},
    {"kv74-as", "-o", Kind::Folder, nullptr},
    {"kv74-as", "--listing", Kind::Output,
     [](const std::string& p) { return kAs + "-o out ok.s --listing " + p; }},
    {"kv74-as", "--symbols", Kind::Output,
     [](const std::string& p) { return kAs + "-o out ok.s --symbols " + p; }},
    {"kv74-as", "--debug-info", Kind::Output,
     [](const std::string& p) { return kAs + "-o out ok.s --debug-info " + p; }},
    {"kv74-as", "--debug-info-base", Kind::Folder, nullptr},
    {"kv74-dis", "IMAGE", Kind::Input, [](const std::string& p) { return kDis + p; }},
    {"kv74-dis", "--symbols", Kind::Input,
     [](const std::string& p) { return kDis + "--symbols " + p + " out/V4"; }},
    {"kv74-dis", "-o", Kind::Output,
     [](const std::string& p) { return kDis + "--analyze -o " + p + " out/V4"; }},
    {"kv74-dis", "--call-graph", Kind::Output,
     [](const std::string& p) { return kDis + "--analyze --call-graph " + p + " out/V4"; }},
    {"kv74-dis", "--with", Kind::Input,
     [](const std::string& p) { return kDis + "--analyze --with " + p + " out/V4"; }},
    {"kv74-dis", "--trace", Kind::Input,
     [](const std::string& p) { return kDis + "--analyze --trace " + p + " out/V4"; }},
    {"kv74-dis", "--compare", Kind::Input,
     [](const std::string& p) { return kDis + "--analyze --compare " + p + " out/V4"; }},
    {"kv74-run", "--images", Kind::Folder, nullptr},
    {"kv74-run", "--workdir", Kind::Folder, nullptr},
    {"kv74-run", "--input", Kind::Input,
     [](const std::string& p) { return kRun + "--input " + p; }},
    {"kv74-run", "--do", Kind::Input, [](const std::string& p) { return kRun + "--do " + p; }},
    {"kv74-run", "--debug-info", Kind::Input,
     [](const std::string& p) { return kRun + "--do step.do --debug-info " + p; }},
    {"kv74-run", "--load-state", Kind::Input,
     [](const std::string& p) { return kRun + "--load-state " + p; }},
    {"kv74-run", "--state-json", Kind::Output,
     [](const std::string& p) { return kRun + "--state-json " + p; }},
    {"kv74-run", "--trace", Kind::Output,
     [](const std::string& p) { return kRun + "--trace " + p; }},
    {"kv74-run", "--plot-png", Kind::Output,
     [](const std::string& p) { return kRun + "--plot-png " + p; }},
    {"kv74-run", "--coverage", Kind::Output,
     [](const std::string& p) { return kRun + "--coverage " + p; }},
    {"kv74-run", "--profile", Kind::Output,
     [](const std::string& p) { return kRun + "--profile " + p; }},
    {"kv74-run", "--profile-folded", Kind::Output,
     [](const std::string& p) { return kRun + "--profile-folded " + p; }},
    {"kv74-run", "--coverage-base", Kind::Folder, nullptr},
    {"monitor", "trace", Kind::Output,
     [](const std::string& p) {
       return "printf 'trace " + p + "\\nstep\\n' > t.do; " + kRun + "--do t.do";
     }},
    {"monitor", "save-state", Kind::Output,
     [](const std::string& p) {
       return "printf 'save-state " + p + "\\n' > t.do; " + kRun + "--do t.do";
     }},
    {"monitor", "load-state", Kind::Input,
     [](const std::string& p) {
       return "printf 'load-state " + p + "\\n' > t.do; " + kRun + "--do t.do";
     }},
    {"kv74-dap", "images", Kind::Folder, nullptr},
    {"kv74-dap", "workdir", Kind::Folder, nullptr},
    {"kv74-dap", "debugInfo", Kind::Input,
     [](const std::string& p) { return Dap(R"("debugInfo":")" + p + "\""); }},
    {"kv74-dap", "input", Kind::Input,
     [](const std::string& p) { return Dap(R"("input":")" + p + "\""); }},
#ifdef KV74_WINDOW
    {"kv74", "--images", Kind::Folder, nullptr},
    {"kv74", "--input", Kind::Input,
     [](const std::string& p) { return ToolUnderTest(KV74_WINDOW) + " --exit-at 2 --input " + p; }},
    {"kv74", "--ram", Kind::Input,
     [](const std::string& p) { return ToolUnderTest(KV74_WINDOW) + " --exit-at 2 --ram " + p; }},
    {"kv74", "--load-state", Kind::Input,
     [](const std::string& p) {
       return ToolUnderTest(KV74_WINDOW) + " --exit-at 2 --load-state " + p;
     }},
    {"kv74", "--debug-info", Kind::Input,
     [](const std::string& p) {
       return ToolUnderTest(KV74_WINDOW) + " --debug --after 0 --screenshot shot --debug-info " + p;
     },
     true},
    {"kv74", "--record", Kind::Output,
     [](const std::string& p) {
       return ToolUnderTest(KV74_WINDOW) + " --exit-at 2 --record " + p;
     }},
    {"kv74", "--screenshot", Kind::Output,
     [](const std::string& p) {
       // The prefix names p-panel.png, the probed file.
       return ToolUnderTest(KV74_WINDOW) + " --after 0 --screenshot " + p.substr(0, p.size() - 10);
     }},
#endif
};

// The options of a help text that take a file or folder, and its positional file arguments.
std::set<std::string> FileOptions(const std::string& help) {
  static const std::regex option(
      R"((?:^|[ \[(])(--?[a-z][a-z-]*)[ =]<?(FILE|DIR|SCRIPT|PREFIX|OUTDIR)>?)",
      std::regex::multiline);
  static const std::regex positional(R"(\b(SOURCE|IMAGE)$)", std::regex::multiline);
  static const std::regex command(R"(^  ([a-z-]+) FILE)", std::regex::multiline);
  static const std::regex launch(R"(Launch arguments: ([^(]*))");
  std::set<std::string> found;
  for (const std::regex* r : {&option, &positional, &command})
    for (auto it = std::sregex_iterator(help.begin(), help.end(), *r); it != std::sregex_iterator();
         ++it)
      found.insert((*it)[1]);
  std::smatch m;
  if (std::regex_search(help, m, launch)) {
    static const std::regex word(R"([a-zA-Z]+)");
    const std::string list = m[1];
    for (auto it = std::sregex_iterator(list.begin(), list.end(), word);
         it != std::sregex_iterator(); ++it)
      if (it->str() != "stopOnEntry") found.insert(it->str());
  }
  return found;
}

TEST(FileOptions, EveryOptionThatNamesAFileHasARow) {
  Scratch s;
  s.Write("help.do", "help\n");
  std::vector<std::pair<std::string, std::string>> helps = {
      {"kv74-as", kAs + "--help"},
      {"kv74-dis", kDis + "--help"},
      {"kv74-run", kRun + "--help"},
      {"monitor", kRun + "--do help.do"},
      {"kv74-dap", ToolUnderTest(KV74_DAP) + " --help"}};
#ifdef KV74_WINDOW
  helps.emplace_back("kv74", ToolUnderTest(KV74_WINDOW) + " --help");
#endif
  for (const auto& [program, command] : helps) {
    std::set<std::string> listed;
    for (const Row& r : kRows)
      if (r.program == program) listed.insert(r.option);
    const Outcome o = s.Run(command);
    EXPECT_EQ(FileOptions(o.out + o.err), listed) << program;
  }
}

class Probe : public ::testing::TestWithParam<Row> {};

TEST_P(Probe, GoesThroughTheOneReaderOrWriter) {
  const Row& r = GetParam();
  if (r.kind == Kind::Folder) GTEST_SKIP() << "a folder: the files in it are read and written so";
  Scratch s;
  s.Write("ok.s", "start: JMP [start]\n");
  s.Write("out/V4", std::string(8, '\0'));
  s.Write("step.do", "step\n");
  const fs::path made =
      r.kind == Kind::Input ? s.Fifo("probe-panel.png") : s.FullDevice("probe-panel.png");
  if (made.empty()) GTEST_SKIP() << "this machine cannot make a FIFO or a device node";
  const Outcome o =
      s.Run("export QT_QPA_PLATFORM=offscreen; timeout -s KILL 20 sh -c '" +
            std::regex_replace(r.command("probe-panel.png"), std::regex("'"), "'\\''") + "'");
  if (!r.warns) {
    EXPECT_NE(o.status, 0) << r.program << " " << r.option;
  }
  EXPECT_LT(o.status, 128) << r.program << " " << r.option << ": killed";
  const char* says = r.kind == Kind::Input ? "not a regular file" : "No space left on device";
  EXPECT_NE((o.out + o.err).find(says), std::string::npos)
      << r.program << " " << r.option << "\n"
      << o.out.substr(0, 500) << o.err.substr(0, 500);
  struct stat st {};
  ASSERT_EQ(::lstat(made.c_str(), &st), 0);
  EXPECT_EQ(r.kind == Kind::Input ? S_ISFIFO(st.st_mode) : S_ISCHR(st.st_mode), true)
      << r.program << " " << r.option << ": replaced";
}

INSTANTIATE_TEST_SUITE_P(Rows, Probe, ::testing::ValuesIn(kRows), [](const auto& info) {
  std::string n = std::string(info.param.program) + "_" + info.param.option;
  for (char& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

}  // namespace
}  // namespace kv74::test
