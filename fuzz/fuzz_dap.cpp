// The debug adapter under random input: the bytes go through the framing and every message
// through the request dispatch of an adapter launched on the bundled firmware, stopped at
// power-on. Every message it sends is a well-formed response or event that serialises; runs are
// capped at a few thousand steps so each input stays cheap.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "adapter.hpp"
#include "source_dir.hpp"

namespace {

using namespace kv74::dap;

void Check(bool ok) {
  if (!ok) std::abort();
}

// A missing member throws from at(), which ends the fuzzer as a crash would.
void Sent(const Json& m) {
  if (m.at("type") == "response") {
    Check(m.at("success").is_boolean() && m.at("request_seq").is_number_integer());
    Check(m.at("command").is_string());
    Check(m.at("success") || !m.at("message").get<std::string>().empty());
  } else {
    Check(m.at("type") == "event" && m.at("event").is_string());
  }
  Check(!m.dump(-1, ' ', false, Json::error_handler_t::replace).empty());
}

void Request(Adapter& a, int seq, const char* command, Json args) {
  const Json m = {{"seq", seq}, {"type", "request"}, {"command", command}, {"arguments", args}};
  a.Handle(Frame{true, m.dump(), {}, false});
}

// A launch (images, debug information, plot picture) costs far more than an input's requests, so
// one launched adapter serves input after input; the editor's points are cleared before each,
// and a new adapter is launched after a disconnect and every 64 inputs. In between, the machine
// carries on from where the last input left it.
Adapter& Launched() {
  static std::unique_ptr<Adapter> adapter;
  static int inputs = 0;
  // Renewed now and then too, so the steps run (which reverse-continue may replay) stay few.
  if (!adapter || adapter->Finished() || ++inputs > 64) {
    inputs = 0;
    AdapterOptions options;
    options.slice = 1000;
    options.runLimit = 5000;
    options.writeFiles = false;
    adapter = std::make_unique<Adapter>(
        Sent, [] { return std::nullopt; }, options);
    Request(*adapter, 1, "initialize", Json::object());
    Request(*adapter, 2, "launch",
            {{"images", KV74_SOURCE_DATA_DIR},
             {"stopOnEntry", true},
             {"workdir", "/tmp/kv74-fuzz-dap"}});
    Request(*adapter, 3, "configurationDone", Json::object());
  }
  for (const char* kind :
       {"setInstructionBreakpoints", "setFunctionBreakpoints", "setDataBreakpoints"})
    Request(*adapter, 4, kind, {{"breakpoints", Json::array()}});
  Request(*adapter, 5, "setExceptionBreakpoints", {{"filters", Json::array()}});
  Request(*adapter, 6, "evaluate", {{"expression", "-exec delete"}});
  return *adapter;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Adapter& adapter = Launched();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  FrameReader reader;
  if (input.starts_with('{')) {
    // Lines of JSON, each framed here: the dispatch is reached without a header to find first.
    std::string framed;
    while (!input.empty()) {
      const std::size_t eol = std::min(input.find('\n'), input.size());
      framed += Framed(input.substr(0, eol));
      input.remove_prefix(std::min(eol + 1, input.size()));
    }
    reader.Feed(framed);
  } else {
    reader.Feed(input);
  }
  while (!adapter.Finished()) {
    const std::optional<Frame> f = reader.Next();
    if (!f) break;
    adapter.Handle(*f);
  }
  return 0;
}
