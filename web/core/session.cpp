#include "web/core/session.hpp"

#include <fstream>
#include <iterator>

#include "board/image.hpp"
#include "board/power.hpp"
#include "panel/click.hpp"
#include "panel/panel_json.hpp"
#include "tools/kv74-run/script.hpp"

namespace kv74::web {
namespace {

// The desktop window's engine without the debugger: forward only, no history.
debug::EngineOptions WindowOptions() {
  debug::EngineOptions o;
  o.reverse = false;
  o.historySize = 0;
  return o;
}

}  // namespace

Session::Session(const std::filesystem::path& imageDir, const std::filesystem::path& workDir,
                 std::string_view script)
    : m_(std::make_unique<BoardState>()), progPath_(workDir / TRACE_FILE_NAME) {
  std::vector<debug::ClickEvent> clicks;
  for (ScriptClick& c :
       ParseScript(script, "script", [](std::string_view n) { return IsClickable(n); })) {
    clicks.push_back({c.step, std::move(c.name)});
  }
  LoadImages(*m_, imageDir);
  PowerOn(*m_);
  std::filesystem::create_directories(workDir);
  panel_ = std::make_unique<WebPanel>(*m_, workDir, [this](const std::string& w) { warning_ = w; });
  panel_->StartUp();
  engine_ = std::make_unique<debug::Engine>(*m_, panel_->Target(), WindowOptions());
  engine_->SetSchedule(std::move(clicks));
}

Session::~Session() = default;

std::uint64_t Session::Run(std::uint64_t n) {
  const std::uint64_t before = engine_->Steps();
  engine_->Continue(n);
  return engine_->Steps() - before;
}

bool Session::Click(std::string_view name) { return engine_->Click(name); }

std::string Session::PanelJson(bool withDown) {
  std::string json = kv74::PanelJson(panel_->Surface(), panel_->Logic());
  if (withDown) {
    json.pop_back();
    json += ",\"down\":" + panel_->DownJson() + "}";
  }
  return json;
}

std::string Session::TakeProgText(bool& reset) {
  FlushProg();
  reset = progReset_;
  progReset_ = false;
  std::ifstream in(progPath_, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(progRead_));
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  progRead_ += text.size();
  partial_ += text;
  if (const std::size_t end = partial_.rfind('\n'); end != std::string::npos) {
    const std::size_t before = end == 0 ? std::string::npos : partial_.rfind('\n', end - 1);
    const std::size_t start = before == std::string::npos ? 0 : before + 1;
    block_ = partial_.substr(start, end - start);
    partial_.erase(0, end + 1);
  }
  return text;
}

void Session::LoadSnapshot(std::span<const std::uint8_t> bytes) {
  engine_->LoadSnapshot(bytes);
  Plot().MarkChanged();
}

std::vector<std::uint8_t> Session::Ram() const {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(DATA_WORDS * 2);
  for (std::uint16_t w : m_->DataMemory) {
    bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  return bytes;
}

std::string Session::Script() const {
  std::string text = "# STEP click NAME: a session recorded in the browser, from power-on\n";
  for (const debug::ClickEvent& c : engine_->Clicks().Log()) {
    text += std::to_string(c.step) + " click " + c.name + "\n";
  }
  return text;
}

}  // namespace kv74::web
