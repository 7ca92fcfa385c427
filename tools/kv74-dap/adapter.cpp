#include "adapter.hpp"

#include "board/shown.hpp"
#include "debuginfo/json_depth.hpp"
#include "inspect.hpp"

namespace kv74::dap {

const Adapter::Command Adapter::kCommands[] = {
    {"initialize", &Adapter::Initialize, false, false},
    {"launch", &Adapter::Launch, false, true},
    {"configurationDone", &Adapter::ConfigurationDone, true, true},
    {"disconnect", &Adapter::Disconnect, false, false},
    {"terminate", &Adapter::Terminate, false, false},
    {"threads", &Adapter::Threads, false, false},
    {"setBreakpoints", &Adapter::SetBreakpoints, true, false},
    {"setInstructionBreakpoints", &Adapter::SetInstructionBreakpoints, true, false},
    {"setFunctionBreakpoints", &Adapter::SetFunctionBreakpoints, true, false},
    {"dataBreakpointInfo", &Adapter::DataBreakpointInfo, true, false},
    {"setDataBreakpoints", &Adapter::SetDataBreakpoints, true, false},
    {"setExceptionBreakpoints", &Adapter::SetExceptionBreakpoints, true, false},
    {"stackTrace", &Adapter::StackTrace, true, false},
    {"scopes", &Adapter::Scopes, true, false},
    {"variables", &Adapter::Variables, true, false},
    {"readMemory", &Adapter::ReadMemory, true, false},
    {"writeMemory", &Adapter::WriteMemory, true, false},
    {"disassemble", &Adapter::Disassemble, true, false},
    {"evaluate", &Adapter::Evaluate, true, false},
    {"continue", &Adapter::Continue, true, true},
    {"next", &Adapter::Next, true, true},
    {"stepIn", &Adapter::StepIn, true, true},
    {"stepOut", &Adapter::StepOut, true, true},
    {"stepBack", &Adapter::StepBack, true, true},
    {"reverseContinue", &Adapter::ReverseContinue, true, true},
    {"pause", &Adapter::Pause, true, false},
};

Adapter::Adapter(Send send, Poll poll, AdapterOptions options)
    : send_(std::move(send)), poll_(std::move(poll)), options_(std::move(options)) {}

Adapter::~Adapter() = default;

namespace {

// Deeper JSON than this is refused before it is parsed (no request needs more than a few levels).
constexpr int kMaxDepth = 32;

std::optional<Json> Parse(const Frame& frame, std::string& error) {
  if (!frame.ok) {
    error = "bad message header: " + frame.error;
  } else if (dbg::JsonDeeperThan(frame.body, kMaxDepth)) {
    error = "message nested too deeply";
  } else {
    Json j = Json::parse(frame.body, nullptr, false);
    if (!j.is_discarded()) return j;
    error = "message is not JSON";
  }
  return std::nullopt;
}

}  // namespace

bool Adapter::EndsSession(const Frame& frame) {
  if (frame.end) return true;
  std::string error;
  const std::optional<Json> j = Parse(frame, error);
  if (!j || !j->is_object()) return false;
  const auto command = j->find("command");
  return command != j->end() && (*command == "disconnect" || *command == "terminate");
}

void Adapter::Handle(const Frame& frame) {
  std::string error;
  if (frame.end) {
    finished_ = true;
  } else if (const std::optional<Json> j = Parse(frame, error)) {
    Dispatch(*j);
  } else {
    send_(ErrorResponse(0, "", error));
  }
  while (!deferred_.empty() && !finished_) {
    const Frame f = std::move(deferred_.front());
    deferred_.pop_front();
    Handle(f);
  }
}

void Adapter::Dispatch(const Json& request) {
  if (!request.is_object() || !request.contains("seq") || !request["seq"].is_number_integer()) {
    send_(ErrorResponse(0, "", "a message needs an integer 'seq'"));
    return;
  }
  const std::int64_t seq = request["seq"].get<std::int64_t>();
  const auto type = request.find("type");
  const auto command = request.find("command");
  if (type == request.end() || *type != "request") {
    send_(ErrorResponse(seq, "", "only requests are taken"));
    return;
  }
  if (command == request.end() || !command->is_string()) {
    send_(ErrorResponse(seq, "", "a request needs a string 'command'"));
    return;
  }
  const std::string name = command->get<std::string>();
  const auto arguments = request.find("arguments");
  static const Json kNone = Json::object();
  const Json& args = arguments == request.end() || arguments->is_null() ? kNone : *arguments;
  if (!args.is_object()) {
    send_(ErrorResponse(seq, name, "'arguments' must be an object"));
    return;
  }
  for (const Command& c : kCommands) {
    if (c.name != name) continue;
    try {
      if (c.needsLaunch && !board_) throw RequestError("no program launched");
      if (c.runs && running_) throw RequestError("the machine is running");
      (this->*c.handler)(request, Args(args));
    } catch (const RequestError& e) {
      send_(ErrorResponse(seq, name, e.what()));
    } catch (const std::exception& e) {
      send_(ErrorResponse(seq, name, std::string("internal error: ") + e.what()));
    }
    return;
  }
  send_(ErrorResponse(seq, name, "unknown request '" + Shown(name) + "'"));
}

void Adapter::Output(const std::string& text, const char* category) {
  send_(Event("output", {{"category", category}, {"output", text}}));
}

void Adapter::Initialize(const Json& r, const Args&) {
  Reply(
      r,
      {{"supportsConfigurationDoneRequest", true},
       {"supportsStepBack", true},
       {"supportsDataBreakpoints", true},
       {"supportsDisassembleRequest", true},
       {"supportsReadMemoryRequest", true},
       {"supportsWriteMemoryRequest", true},
       {"supportsInstructionBreakpoints", true},
       {"supportsFunctionBreakpoints", true},
       {"supportsConditionalBreakpoints", true},
       {"supportsHitConditionalBreakpoints", true},
       {"supportsEvaluateForHovers", true},
       {"supportsSteppingGranularity", true},
       {"supportsTerminateRequest", true},
       {"exceptionBreakpointFilters",
        {{{"filter", "fault"}, {"label", "Processor faults"}, {"default", false}},
         {{"filter", "request"}, {"label", "Request (interrupt) entries"}, {"default", false}}}}});
}

void Adapter::Launch(const Json& r, const Args& a) {
  if (board_) throw RequestError("already launched");
  LaunchConfig config;
  const std::optional<std::string> images = a.String("images");
  config.images = images ? std::filesystem::path(*images) : options_.defaultImages;
  if (const auto f = a.String("debugInfo")) config.debugInfo = *f;
  if (const auto f = a.String("input")) config.input = *f;
  if (const auto f = a.String("workdir")) config.workdir = *f;
  stopOnEntry_ = a.Bool("stopOnEntry", false);
  board_ = std::make_unique<Board>(config);
  book_ = std::make_unique<BreakpointBook>(B().E(), *B().session, B().Info());
  Reply(r);
  Output(B().note + "\n");
  send_(Event("initialized"));
}

void Adapter::ConfigurationDone(const Json& r, const Args&) {
  if (configured_) throw RequestError("configuration is already done");
  configured_ = true;
  Reply(r);
  if (stopOnEntry_) {
    StoppedAt("entry", "power-on");
  } else {
    Go(RunKind::Continue);
  }
}

void Adapter::Disconnect(const Json& r, const Args&) {
  if (board_) B().panel->FlushTrace();
  Reply(r);
  finished_ = true;
}

void Adapter::Terminate(const Json& r, const Args&) {
  if (board_) B().panel->FlushTrace();
  Reply(r);
  send_(Event("exited", {{"exitCode", 0}}));
  send_(Event("terminated"));
}

void Adapter::Threads(const Json& r, const Args&) {
  Reply(r, {{"threads", {{{"id", 1}, {"name", "KV-74"}}}}});
}

void Adapter::SetBreakpoints(const Json& r, const Args& a) { Reply(r, book_->SetSource(a)); }
void Adapter::SetInstructionBreakpoints(const Json& r, const Args& a) {
  Reply(r, book_->SetInstruction(a));
}
void Adapter::SetFunctionBreakpoints(const Json& r, const Args& a) {
  Reply(r, book_->SetFunction(a));
}
void Adapter::DataBreakpointInfo(const Json& r, const Args& a) { Reply(r, book_->DataInfo(a)); }
void Adapter::SetDataBreakpoints(const Json& r, const Args& a) { Reply(r, book_->SetData(a)); }
void Adapter::SetExceptionBreakpoints(const Json& r, const Args& a) {
  Reply(r, book_->SetExceptions(a));
}

void Adapter::StackTrace(const Json& r, const Args& a) { Reply(r, inspect::StackTrace(B(), a)); }
void Adapter::Scopes(const Json& r, const Args& a) { Reply(r, inspect::Scopes(a)); }
void Adapter::Variables(const Json& r, const Args& a) { Reply(r, inspect::Variables(B(), a)); }
void Adapter::ReadMemory(const Json& r, const Args& a) { Reply(r, inspect::ReadMemory(B(), a)); }
void Adapter::WriteMemory(const Json& r, const Args& a) { Reply(r, inspect::WriteMemory(B(), a)); }
void Adapter::Disassemble(const Json& r, const Args& a) { Reply(r, inspect::Disassemble(B(), a)); }

}  // namespace kv74::dap
