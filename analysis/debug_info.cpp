#include "analysis/debug_info.hpp"

#include <algorithm>
#include <cstdio>
#include <set>

#include "board/machine.hpp"
#include "cpu/decode.hpp"

namespace kv74::ana {
namespace {

std::string Named(const char* prefix, std::uint16_t address) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s_%04X", prefix, address);
  return buf;
}

// The registers of the I/O page by their documented names (word number -> name).
struct IoName {
  int word;
  const char* name;
};
constexpr IoName kIoNames[] = {
    {reg::BASE0, "BASE0"},
    {reg::BASE1, "BASE1"},
    {reg::SP, "SP"},
    {reg::PC, "PC"},
    {reg::FLAGS, "FLAGS"},
    {reg::SCRATCH, "SCRATCH"},
    {reg::IMASK, "IMASK"},
    {reg::TIMER_RELOAD, "TIMER_RELOAD"},
    {reg::TIMER_MODE, "TIMER_MODE"},
    {reg::TIMER_RUN, "TIMER_RUN"},
    {reg::TIMER_INHIBIT, "TIMER_INHIBIT"},
    {reg::IND1, "IND1"},
    {reg::IND2, "IND2"},
    {reg::IND3, "IND3"},
    {reg::IND4, "IND4"},
    {reg::KEYLAMPS, "KEYLAMPS"},
    {reg::SIGLAMPS, "SIGLAMPS"},
    {reg::KEYBOARD, "KEYBOARD"},
    {reg::PORT_PLAIN, "PORT_PLAIN"},
    {reg::PORT_IN, "PORT_IN"},
    {reg::PORT_OUT, "PORT_OUT"},
    {reg::RATE0, "RATE0"},
    {reg::RATE0 + 1, "RATE1"},
    {reg::RATE0 + 2, "RATE2"},
    {reg::COUNT0, "COUNT0"},
    {reg::COUNT0 + 1, "COUNT1"},
    {reg::COUNT0 + 2, "COUNT2"},
    {reg::JOG, "JOG"},
    {reg::MARK, "MARK"},
};

class Builder {
 public:
  explicit Builder(const dbg::DebugInfo& given) : info_(given) {
    for (const dbg::Symbol& s : given.symbols) {
      taken_.insert(s.name);
      if (s.kind == dbg::Symbol::Kind::Label) named_.insert(static_cast<std::uint16_t>(s.value));
    }
  }

  // A generated label, unless the address has a name or the name is taken.
  void Label(std::uint16_t address, const std::string& name) {
    if (named_.count(address) || !taken_.insert(name).second) return;
    named_.insert(address);
    info_.symbols.push_back({name, address, dbg::Symbol::Kind::Label, -1, 0});
  }

  dbg::DebugInfo& Info() { return info_; }

 private:
  dbg::DebugInfo info_;
  std::set<std::string> taken_;
  std::set<std::uint16_t> named_;
};

void Regions(const Memory& m, const Result& r, dbg::DebugInfo& info) {
  info.lines.clear();
  info.data.clear();
  for (std::uint32_t a = 0; a < 0x10000;) {
    if (!m.Has(a)) {
      ++a;
      continue;
    }
    if (r.start[a]) {
      const auto length = static_cast<std::uint16_t>(InstructionLength(m.At(a)));
      info.lines.push_back({static_cast<std::uint16_t>(a), length, -1, 0, r.traced[a] != 0});
      a += length;
      continue;
    }
    const auto kindOf = [&](std::uint32_t b) -> std::string {
      if (r.cls[b] == Class::Data) return r.dataKind.at(static_cast<std::uint16_t>(b));
      return r.cls[b] == Class::Unknown ? "unknown" : "";
    };
    const std::string kind = kindOf(a);
    std::uint32_t end = a + 1;
    while (end < 0x10000 && m.Has(end) && !r.start[end] && kindOf(end) == kind) ++end;
    if (!kind.empty() && kind != "given")
      info.data.push_back({static_cast<std::uint16_t>(a), end - a, kind});
    a = end;
  }
}

}  // namespace

std::string HandlerName(int line) {
  static constexpr const char* kNames[] = {"",
                                           "FaultLine1",
                                           "FaultBadAddress",
                                           "FaultInvalid",
                                           "TimerRequest",
                                           "RequestLine5",
                                           "RequestLine6",
                                           "RequestLine7"};
  return line >= 1 && line <= 7 ? kNames[line] : "Request";
}

dbg::DebugInfo ToDebugInfo(const Memory& m, const Result& r, const dbg::DebugInfo& given) {
  Builder b(given);
  if (m.Has(0) && r.start[0]) b.Label(0, "PowerOn");
  for (const auto& [address, line] : r.handlers) b.Label(address, HandlerName(line));
  for (std::uint16_t a : r.routines)
    if (r.start[a]) b.Label(a, Named("sub", a));
  for (std::uint16_t a : r.targets)
    if (r.start[a]) b.Label(a, Named("loc", a));
  for (const Table& t : r.tables) b.Label(t.address, Named("table", t.address));
  for (const IoName& io : kIoNames)
    for (std::size_t o = 0; o < IoMap.size(); ++o)
      if (IoMap[o] == io.word + 1) b.Label(static_cast<std::uint16_t>(IO_BASE + o), io.name);
  for (std::uint16_t a : r.dataItems)
    if (a < IO_BASE) b.Label(a, Named("data", a));
  dbg::DebugInfo& info = b.Info();
  Regions(m, r, info);
  for (const dbg::DataRegion& d : given.data)
    if (d.kind != "unknown") info.data.push_back(d);
  std::stable_sort(info.data.begin(), info.data.end(),
                   [](const auto& x, const auto& y) { return x.address < y.address; });
  info.xrefs.clear();
  for (const Ref& ref : r.refs) info.xrefs.push_back({ref.from, ref.to, RefKindName(ref.kind)});
  return info;
}

}  // namespace kv74::ana
