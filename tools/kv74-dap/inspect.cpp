#include "inspect.hpp"

#include <algorithm>
#include <cstdio>

#include "board/schedule.hpp"
#include "cpu/disasm.hpp"
#include "monitor/expr.hpp"
#include "panel/controls.hpp"
#include "state_json.hpp"

namespace kv74::dap::inspect {
namespace {

Json SourceOf(const dbg::DebugInfo& info, int source) {
  const std::filesystem::path path = info.SourcePath(source);
  return {{"name", path.filename().string()}, {"path", path.lexically_normal().string()}};
}

// Adds "source" and "line" (and "column" when asked) for the line that holds `address`.
void PlaceAt(Json& j, const dbg::DebugInfo* info, std::uint16_t address, bool column) {
  const dbg::LineEntry* line = info ? info->LineAt(address) : nullptr;
  if (line && line->source >= 0 && static_cast<std::size_t>(line->source) < info->sources.size()) {
    j["source"] = SourceOf(*info, line->source);
    j["line"] = line->line;
  } else if (column) {
    j["line"] = 0;
  }
  if (column) j["column"] = j["line"] == 0 ? 0 : 1;
}

std::string FrameName(const dbg::DebugInfo* info, std::uint16_t entry, std::uint16_t pc,
                      int request) {
  std::string name;
  if (info) {
    if (const dbg::Symbol* s = info->LabelAt(entry))
      name = s->name;
    else if (const auto near = info->NearestLabel(pc))
      name = near->first->name;
  }
  if (name.empty()) name = AddressText(entry);
  if (request >= 0) name += " (request " + std::to_string(request) + ")";
  return name;
}

void CheckEven(std::int64_t bytes, const char* what) {
  if (bytes % 2 != 0)
    throw RequestError(std::string(what) + " counts bytes, two to a word: it must be even");
}

Json Variable(std::string name, std::string value, int reference = 0) {
  return {
      {"name", std::move(name)}, {"value", std::move(value)}, {"variablesReference", reference}};
}

}  // namespace

std::string WordText(std::uint16_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%04X (%u)", v, v);
  return buf;
}

Json StackTrace(Board& b, const Args& a) {
  const auto& calls = b.E().Calls().Frames();  // outermost first
  const std::int64_t total = static_cast<std::int64_t>(calls.size()) + 1;
  const std::int64_t start = std::clamp<std::int64_t>(a.Int("startFrame").value_or(0), 0, total);
  std::int64_t levels = a.Int("levels").value_or(0);
  if (levels <= 0 || levels > total) levels = total;
  const dbg::DebugInfo* info = b.Info();
  Json frames = Json::array();
  for (std::int64_t i = start; i < total && i < start + levels; ++i) {
    // Frame i: 0 is where the processor is; i > 0 is the call that made frame i - 1.
    const std::size_t inner =
        calls.size() - static_cast<std::size_t>(i);  // calls[inner-1] runs here
    const std::uint16_t pc = i == 0 ? b.M()[reg::PC] : calls[inner].callPc;
    const bool inRoutine = inner > 0;
    const std::uint16_t entry = inRoutine ? calls[inner - 1].entry : pc;
    Json f = {{"id", i},
              {"name", FrameName(info, entry, pc, inRoutine ? calls[inner - 1].request : -1)},
              {"instructionPointerReference", AddressText(pc)}};
    PlaceAt(f, info, pc, true);
    frames.push_back(std::move(f));
  }
  return {{"stackFrames", frames}, {"totalFrames", total}};
}

Json Scopes(const Args& a) {
  a.RequireInt("frameId");
  auto scope = [](const char* name, int ref, const char* hint) {
    Json s = {{"name", name}, {"variablesReference", ref}, {"expensive", false}};
    if (hint) s["presentationHint"] = hint;
    return s;
  };
  return {
      {"scopes",
       {scope("Registers", kRegisters, "registers"), scope("Peripherals", kPeripherals, nullptr),
        scope("Watched cells", kWatched, nullptr), scope("Panel", kPanel, nullptr)}}};
}

Json Variables(Board& b, const Args& a) {
  const std::int64_t ref = a.RequireInt("variablesReference");
  BoardState& m = b.M();
  SyncPeripherals(m);
  Json vars = Json::array();
  switch (ref) {
    case kRegisters:
      for (int w = 0; w <= reg::IMASK; ++w) {
        Json v = Variable(mon::RegisterName(w), WordText(m[w]), w == reg::FLAGS ? kFlags : 0);
        v["evaluateName"] = mon::RegisterName(w);
        if (w == reg::FLAGS) {
          std::string set;
          for (const char* f = "NZVC"; *f; ++f)
            if (m[w] & (0x8000 >> (f - "NZVC"))) set += *f;
          v["value"] = WordText(m[w]) + " " + (set.empty() ? "-" : set);
        }
        vars.push_back(std::move(v));
      }
      vars.push_back(Variable("FAULTS", WordText(m[reg::FAULTS])));
      vars.push_back(Variable("steps", std::to_string(b.E().Steps())));
      break;
    case kFlags:
      for (int i = 0; i < 4; ++i)
        vars.push_back(
            Variable(std::string(1, "NZVC"[i]), (m[reg::FLAGS] >> (15 - i)) & 1 ? "1" : "0"));
      break;
    case kPeripherals: {
      auto add = [&](const std::string& name, std::uint32_t v) {
        vars.push_back(Variable(name, std::to_string(v)));
      };
      add("timerPrescaler", m.timer.prescaler);
      add("timerCount", m.timer.count);
      for (std::size_t i = 0; i < 3; ++i) {
        const std::string n = "[" + std::to_string(i) + "]";
        add("channelPeriod" + n, m.channels.period[i]);
        add("channelDivider" + n, m.channels.divider[i]);
        add("channelMarkCount" + n, m.channels.markCount[i]);
      }
      add("jogDivider", m.channels.jogDivider);
      add("jogSampleCount", m.channels.jogSampleCount);
      vars.push_back(Variable("seqState", SeqStateName(m.sequencer.state)));
      add("seqCode", m.sequencer.code);
      add("seqCountdown", m.sequencer.countdown);
      for (int w = reg::TIMER_RELOAD; w <= reg::MARK; ++w) {
        Json v = Variable("registers[" + std::to_string(w) + "]", WordText(m[w]));
        v["type"] = mon::RegisterName(w);
        vars.push_back(std::move(v));
      }
      break;
    }
    case kWatched:
      for (const debug::Point& p : b.E().Points().All()) {
        if (p.kind != debug::PointKind::Watch) continue;
        for (std::uint32_t addr = p.first; addr <= p.last && addr - p.first < 64; ++addr) {
          const auto a16 = static_cast<std::uint16_t>(addr);
          std::string name = AddressText(a16);
          if (const std::string where = b.Symbols().Where(a16); !where.empty()) name += " " + where;
          Json v = Variable(name, WordText(mon::PeekWord(m, a16)));
          v["memoryReference"] = AddressText(a16);
          v["evaluateName"] = "[" + AddressText(a16) + "]";
          vars.push_back(std::move(v));
        }
      }
      break;
    case kPanel:
      for (const ControlInfo& c : PanelControls()) {
        if (c.kind != ControlKind::Indicator && c.kind != ControlKind::Field) continue;
        if (Control* control = b.panel->Find(c.name))
          vars.push_back(Variable(std::string(c.name), "\"" + control->Caption() + "\""));
      }
      break;
    default: throw RequestError("no variables under reference " + std::to_string(ref));
  }
  return {{"variables", vars}};
}

Json ReadMemory(Board& b, const Args& a) {
  const std::uint16_t base = ParseAddress(a.RequireString("memoryReference"));
  const std::int64_t offset = a.Int("offset").value_or(0);
  const std::int64_t count = a.RequireInt("count");
  CheckEven(offset, "offset");
  CheckEven(count, "count");
  if (count < 0 || count > 0x20000) throw RequestError("count must lie in 0..131072");
  const std::int64_t first = base + offset / 2;
  if (first < 0 || first > 0xFFFF) throw RequestError("address out of range");
  std::vector<std::uint8_t> bytes;
  std::int64_t unreadable = 0;
  for (std::int64_t w = first; w < first + count / 2; ++w) {
    if (w > 0xFFFF) {
      unreadable += 2;
      continue;
    }
    const std::uint16_t v = mon::PeekWord(b.M(), static_cast<std::uint16_t>(w));
    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    bytes.push_back(static_cast<std::uint8_t>(v));
  }
  Json out = {{"address", AddressText(static_cast<std::uint16_t>(first))},
              {"data", Base64Encode(bytes)}};
  if (unreadable) out["unreadableBytes"] = unreadable;
  return out;
}

Json WriteMemory(Board& b, const Args& a) {
  const std::uint16_t base = ParseAddress(a.RequireString("memoryReference"));
  const std::int64_t offset = a.Int("offset").value_or(0);
  CheckEven(offset, "offset");
  const std::vector<std::uint8_t> bytes = Base64Decode(a.RequireString("data"));
  if (bytes.size() % 2 != 0) throw RequestError("data must be whole 16-bit words");
  const std::int64_t first = base + offset / 2;
  if (first < 0 || first + static_cast<std::int64_t>(bytes.size() / 2) > 0x10000)
    throw RequestError("address out of range");
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    if (!mon::Storable(static_cast<std::uint16_t>(first + static_cast<std::int64_t>(i / 2))))
      throw RequestError(
          "nothing to store into at " +
          AddressText(static_cast<std::uint16_t>(first + static_cast<std::int64_t>(i / 2))));
  }
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    b.Store(static_cast<std::uint16_t>(first + static_cast<std::int64_t>(i / 2)),
            static_cast<std::uint16_t>(bytes[i] << 8 | bytes[i + 1]));
  }
  if (!bytes.empty()) b.Restart();
  return {{"bytesWritten", bytes.size()}};
}

namespace {

// The start of the instruction or data word before `address`.
std::uint16_t Before(const dbg::DebugInfo* info, std::uint16_t address) {
  const auto prev = static_cast<std::uint16_t>(address - 1);
  if (info && !info->IsData(prev)) {
    if (const dbg::LineEntry* line = info->LineAt(prev)) return line->address;
  }
  return prev;
}

}  // namespace

Json Disassemble(Board& b, const Args& a) {
  const std::uint16_t base = ParseAddress(a.RequireString("memoryReference"));
  const std::int64_t offset = a.Int("offset").value_or(0);
  const std::int64_t shift = a.Int("instructionOffset").value_or(0);
  const std::int64_t count = a.RequireInt("instructionCount");
  const bool symbols = a.Bool("resolveSymbols", true);
  CheckEven(offset, "offset");
  if (count < 0 || count > 0x10000) throw RequestError("instructionCount must lie in 0..65536");
  if (shift < -0x10000 || shift > 0x10000) throw RequestError("instructionOffset out of range");
  const dbg::DebugInfo* info = b.Info();
  std::int64_t at = base + offset / 2;
  if (at < 0 || at > 0xFFFF) throw RequestError("address out of range");
  Json out = Json::array();
  std::int64_t missing = 0;  // instructions before address 0, shown as invalid
  for (std::int64_t i = 0; i > shift; --i) {
    if (at == 0)
      ++missing;
    else
      at = Before(info, static_cast<std::uint16_t>(at));
  }
  for (std::int64_t i = 0; i < shift; ++i) {  // forward by whole instructions
    if (at > 0xFFFF) break;
    const auto w = static_cast<std::uint16_t>(at);
    at += info && info->IsData(w)
              ? 1
              : kv74::Disassemble(mon::PeekWord(b.M(), w),
                                  mon::PeekWord(b.M(), static_cast<std::uint16_t>(w + 1)), w)
                    .length;
  }
  for (std::int64_t i = 0; i < count; ++i) {
    if (missing > 0 || at > 0xFFFF) {
      if (missing > 0) --missing;
      out.push_back({{"address", "0x0000"}, {"instruction", ""}, {"presentationHint", "invalid"}});
      continue;
    }
    const auto w = static_cast<std::uint16_t>(at);
    const std::uint16_t word = mon::PeekWord(b.M(), w);
    const std::uint16_t ext = mon::PeekWord(b.M(), static_cast<std::uint16_t>(w + 1));
    const bool data = info && info->IsData(w);
    const kv74::Disassembly d =
        data ? kv74::Disassembly{WordDirective(word), 1} : kv74::Disassemble(word, ext, w);
    char hex[12];
    std::snprintf(hex, sizeof hex, d.length == 2 ? "%04X %04X" : "%04X", word, ext);
    Json ins = {{"address", AddressText(w)}, {"instructionBytes", hex}, {"instruction", d.text}};
    if (symbols && info) {
      if (const dbg::Symbol* s = info->LabelAt(w)) ins["symbol"] = s->name;
    }
    Json place;
    PlaceAt(place, info, w, false);
    if (place.contains("source")) {
      ins["location"] = place["source"];
      ins["line"] = place["line"];
    }
    out.push_back(std::move(ins));
    at += d.length;
  }
  return {{"instructions", out}};
}

}  // namespace kv74::dap::inspect
