// Run requests through the adapter: a counted console run takes exactly its count, a run stops as
// paused at the adapter's run limit, step out of the outermost code runs on like continue, and
// next and step out end where the frame they run over is left.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapter.hpp"
#include "source_dir.hpp"
#include "tests/runner/temp_dir.hpp"

namespace kv74::dap {
namespace {

// An adapter launched on the bundled images, stopped at power-on.
class Launched {
 public:
  explicit Launched(AdapterOptions options)
      : adapter_([this](const Json& m) { sent_.push_back(m); }, [] { return std::nullopt; },
                 std::move(options)) {
    Ask("initialize", {{"adapterID", "kv74"}});
    Ask("launch",
        {{"images", KV74_SOURCE_DATA_DIR}, {"stopOnEntry", true}, {"workdir", dir_.path()}});
    Ask("configurationDone");
  }

  // The response's body; a failed response fails the test.
  Json Ask(const std::string& command, const Json& arguments = Json::object()) {
    const std::size_t mark = sent_.size();
    Frame f;
    f.body =
        Json{{"seq", ++seq_}, {"type", "request"}, {"command", command}, {"arguments", arguments}}
            .dump();
    adapter_.Handle(f);
    for (std::size_t i = mark; i < sent_.size(); ++i) {
      if (sent_[i]["type"] != "response") continue;
      EXPECT_TRUE(sent_[i]["success"]) << command << ": " << sent_[i].value("message", "");
      return sent_[i].value("body", Json::object());
    }
    ADD_FAILURE() << command << " got no response";
    return Json::object();
  }

  // The last stop's reason and description ("step next").
  std::string LastStop() const {
    for (auto m = sent_.rbegin(); m != sent_.rend(); ++m) {
      if ((*m)["type"] == "event" && (*m)["event"] == "stopped")
        return (*m)["body"]["reason"].get<std::string>() + " " +
               (*m)["body"]["description"].get<std::string>();
    }
    return "(none)";
  }

  void Console(const std::string& line) { Ask("evaluate", {{"expression", line}}); }

  long long Steps() {
    return std::stoll(Ask("evaluate", {{"expression", "steps"}, {"context", "watch"}})["result"]
                          .get<std::string>());
  }

 private:
  test::TempDir dir_;
  std::vector<Json> sent_;
  Adapter adapter_;
  int seq_ = 0;
};

TEST(Run, CountsLimitsAndTheOutermostStepOut) {
  struct Case {
    std::uint64_t runLimit;
    const char* command;
    Json arguments;
    const char* stop;
    long long steps;
  } cases[] = {
      {5000, "continue", {{"threadId", 1}}, "pause paused", 5000},
      {5000, "stepOut", {{"threadId", 1}}, "pause paused", 5000},
      {AdapterOptions{}.runLimit,
       "evaluate",
       {{"expression", "-exec step 1000"}},
       "step stepped",
       1000},
  };
  for (const Case& c : cases) {
    AdapterOptions options;
    options.runLimit = c.runLimit;
    options.slice = 4096;
    Launched a(options);
    a.Ask(c.command, c.arguments);
    EXPECT_EQ(a.LastStop(), c.stop) << c.command;
    EXPECT_EQ(a.Steps(), c.steps) << c.command;
  }
}

// A routine that jumps to its own return address before it returns: next and step out end only
// once the frame is left, and next takes a plain jump as one step.
TEST(Run, NextAndStepOutEndWhenTheFrameIsLeft) {
  const std::vector<std::uint8_t> code = {
      0xE2, 0x50, 0x03, 0x10,  // 0x0300 CALL [0x0310]
      0xE3, 0x70,              // 0x0302 JMP  [STACK]
      0xE3, 0x50, 0x03, 0x10,  // 0x0303 JMP  [0x0310]
  };
  const std::vector<std::uint8_t> callee = {0xE3, 0x50, 0x03, 0x02};  // 0x0310 JMP [0x0302]
  struct Case {
    const char* start;
    std::vector<const char*> commands;  // the last one is looked at
    const char* stop;
    long long steps;  // from the last command
  } cases[] = {
      {"0x0300", {"next"}, "step next", 3},
      {"0x0300", {"stepIn", "stepOut"}, "step finished", 2},
      {"0x0303", {"next"}, "step next", 1},
      {"0x0302", {"next"}, "step next", 1},  // a plain instruction
  };
  for (const Case& c : cases) {
    AdapterOptions options;
    options.runLimit = 5000;
    Launched a(options);
    a.Ask("writeMemory", {{"memoryReference", "0x0300"}, {"data", Base64Encode(code)}});
    a.Ask("writeMemory", {{"memoryReference", "0x0310"}, {"data", Base64Encode(callee)}});
    a.Console(std::string("-exec set PC = ") + c.start);
    a.Console("-exec set SP = 0x4E00");
    long long before = 0;
    for (const char* command : c.commands) {
      before = a.Steps();
      a.Ask(command, {{"threadId", 1}});
    }
    EXPECT_EQ(a.LastStop(), c.stop) << c.start << " " << c.commands.back();
    EXPECT_EQ(a.Steps() - before, c.steps) << c.start << " " << c.commands.back();
  }
}

}  // namespace
}  // namespace kv74::dap
