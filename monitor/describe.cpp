#include "monitor/describe.hpp"

#include <cinttypes>
#include <cstdio>

#include "cpu/disasm.hpp"
#include "debug/location.hpp"
#include "monitor/expr.hpp"
#include "panel/lamps.hpp"

namespace kv74::mon {
namespace {

std::string Format(const char* format, auto... args) {
  char buf[160];
  std::snprintf(buf, sizeof buf, format, args...);
  return buf;
}

constexpr std::string_view kFieldNames[] = {"n", "kom", "m", "t", "f", "s", "x", "z"};

}  // namespace

std::optional<std::int64_t> Symbols::Value(std::string_view name) const {
  if (!info_) return std::nullopt;
  if (const dbg::Symbol* s = info_->Find(name)) return s->value;
  return std::nullopt;
}

std::string Symbols::Where(std::uint16_t address) const {
  return debug::DescribeAddress(address, info_);
}

std::string InstructionLine(const BoardState& m, const Symbols& symbols, std::uint16_t address,
                            int* length) {
  const std::uint16_t word = PeekWord(m, address);
  const bool data = symbols.Info() && symbols.Info()->IsData(address);
  const Disassembly d =
      data ? Disassembly{WordDirective(word), 1}
           : Disassemble(word, PeekWord(m, static_cast<std::uint16_t>(address + 1)), address);
  if (length) *length = d.length;
  std::string where = symbols.Where(address);
  return Format("0x%04X", address) + (where.empty() ? "" : " " + where) + ": " + d.text;
}

std::string RegistersText(const BoardState& m) {
  std::string text;
  for (int r = 0; r < 16; ++r) {
    text += Format("%-3s %04X", RegisterName(r).c_str(), m[r]);
    text += (r % 8 == 7) ? "\n" : "  ";
  }
  const std::uint16_t f = m[reg::FLAGS];
  text += Format(
      "PC  %04X  SP  %04X  BASE0 %04X  BASE1 %04X  FLAGS %04X [%c%c%c%c]  IMASK %04X  "
      "FAULTS %04X\n",
      m[reg::PC], m[reg::SP], m[reg::BASE0], m[reg::BASE1], f, f & flag::N ? 'N' : '-',
      f & flag::Z ? 'Z' : '-', f & flag::V ? 'V' : '-', f & flag::C ? 'C' : '-', m[reg::IMASK],
      m[reg::FAULTS]);
  return text;
}

std::string WordsText(const BoardState& m, const Symbols& symbols, std::uint16_t address,
                      std::uint64_t count) {
  std::string text;
  for (std::uint64_t i = 0; i < count; ++i) {
    const auto a = static_cast<std::uint16_t>(address + i);
    if (i % 8 == 0) {
      if (i) text += '\n';
      text += Format("0x%04X", a);
      if (const std::string where = symbols.Where(a); !where.empty()) text += " " + where;
      text += ":";
    }
    text += Format(" %04X", PeekWord(m, a));
  }
  return text + "\n";
}

std::string DisassemblyText(const BoardState& m, const Symbols& symbols, std::uint16_t address,
                            std::uint64_t count) {
  std::string text;
  auto a = address;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (symbols.Info()) {
      for (const dbg::Symbol* s : symbols.Info()->LabelsAt(a)) text += s->name + ":\n";
    }
    int length = 1;
    const std::uint16_t word = PeekWord(m, a);
    const bool data = symbols.Info() && symbols.Info()->IsData(a);
    const Disassembly d =
        data ? Disassembly{WordDirective(word), 1}
             : Disassemble(word, PeekWord(m, static_cast<std::uint16_t>(a + 1)), a);
    length = d.length;
    text += Format("%s 0x%04X  %04X", a == m[reg::PC] ? "=>" : "  ", a, word);
    text += length == 2 ? Format(" %04X  ", PeekWord(m, static_cast<std::uint16_t>(a + 1)))
                        : std::string("       ");
    text += d.text;
    if (symbols.Info()) {
      const auto c = symbols.Info()->comments.find(a);
      if (c != symbols.Info()->comments.end()) text += "  ; " + c->second;
    }
    text += '\n';
    a = static_cast<std::uint16_t>(a + length);
  }
  return text;
}

std::string PanelText(ControlSurface& panel) {
  std::string text;
  for (const auto& group : INDICATOR_NAMES) {
    std::string line;
    for (std::string_view name : group) {
      if (name.empty()) continue;
      if (Control* c = panel.Find(name)) line += std::string(name) + " \"" + c->Caption() + "\"  ";
    }
    if (!line.empty()) text += line.substr(0, line.size() - 2) + "\n";
  }
  std::string fields;
  for (std::string_view name : kFieldNames) {
    if (Control* c = panel.Find(name)) fields += std::string(name) + " \"" + c->Caption() + "\"  ";
  }
  if (!fields.empty()) text += fields.substr(0, fields.size() - 2) + "\n";
  for (const LampRow& row : LAMP_ROWS) {
    std::string lamps;
    for (int i = row.first; i < 16; ++i) {
      const Control* c = panel.Find(LampName(row, i));
      lamps += !c ? ' ' : c->Colour() == row.lit ? '*' : '.';
    }
    text += Format("%-4s %2d..15 %s\n", std::string(row.prefix).c_str(), row.first, lamps.c_str());
  }
  return text;
}

std::string ValueText(std::int64_t v) {
  if (v < 0)
    return Format("%" PRId64 " (-0x%" PRIX64 ")", v,
                  static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(v));
  return Format("%" PRId64 " (0x%" PRIX64 ")", v, static_cast<std::uint64_t>(v));
}

}  // namespace kv74::mon
