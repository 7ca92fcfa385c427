#include "board.hpp"

#include "analysis/machine.hpp"
#include "board/image.hpp"
#include "board/power.hpp"
#include "board/schedule.hpp"
#include "cpu/bus.hpp"
#include "protocol.hpp"
#include "script.hpp"

namespace kv74::dap {

namespace fs = std::filesystem;

Board::Board(const LaunchConfig& config) {
  machine = std::make_unique<BoardState>();
  if (!fs::is_directory(config.images))
    throw RequestError("cannot read image directory " + config.images.string());
  std::error_code ec;
  fs::create_directories(config.workdir, ec);
  if (!fs::is_directory(config.workdir))
    throw RequestError("cannot use working directory " + config.workdir.string());
  panel = std::make_unique<RunnerPanel>(*machine, config.workdir);
  std::vector<ScriptClick> clicks;
  try {
    if (config.input)
      clicks = LoadScript(*config.input, [&](std::string_view n) { return panel->IsClickable(n); });
    LoadImages(*machine, config.images);
  } catch (const std::exception& e) {
    throw RequestError(e.what());
  }
  const fs::path infoFile = config.debugInfo ? *config.debugInfo : config.images / "V4.debug.json";
  if (config.debugInfo || fs::exists(infoFile)) {
    try {
      info = dbg::ReadDebugInfo(infoFile);
      note = "debug information from " + infoFile.string();
    } catch (const dbg::DebugInfoError& e) {
      throw RequestError(e.what());
    }
  } else {
    info = ana::AnalyseMachine(*machine);
    note = "no debug information (" + infoFile.string() +
           " not found): names found by analysing the images";
  }
  PowerOn(*machine);
  panel->StartUp();
  engine = std::make_unique<debug::Engine>(*machine, panel->DebugTarget());
  std::vector<debug::ClickEvent> schedule;
  for (const ScriptClick& c : clicks) schedule.push_back({c.step, c.name});
  engine->SetSchedule(std::move(schedule));
  engine->TrackCalls(true);
  session = std::make_unique<mon::Session>(*machine, *engine, panel->Surface(), Info(),
                                           std::nullopt, nullptr);
}

void Board::Store(std::uint16_t a, std::uint16_t v) {
  BoardState& m = *machine;
  SyncPeripherals(m);
  if (!mon::Storable(a)) {
    throw RequestError("nothing to store into at " + AddressText(a));
  } else if (a < PROGRAM_BASE + PROGRAM_WORDS) {
    m.ProgramMemory[a - PROGRAM_BASE] = v;
  } else if (a >= TABLE_BASE && a < TABLE_BASE + TABLE_WORDS) {
    m.TableMemory[a - TABLE_BASE] = v;
  } else {
    BusWrite(m, a, v);
    if (m.NotifyWord != 0) panel->DebugTarget().Handover(m);
  }
}

}  // namespace kv74::dap
