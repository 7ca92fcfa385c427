#include "tools/kv74-dis/names.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cpu/decode.hpp"
#include "cpu/disasm.hpp"

namespace kv74::dis {
namespace {

bool InRange(std::uint32_t v, std::uint32_t start, std::uint32_t end) {
  return v >= start && v < end;
}
bool InDataOrTables(std::uint32_t v) {
  return InRange(v, 0x4000, 0x5000) || InRange(v, 0x7000, 0x8000);
}
bool InIoPage(std::uint32_t v) { return InRange(v, 0xF000, 0xF200); }

// Farther from the nearest label than this, an address stays a number: the label would more
// likely mislead than help.
constexpr int kMaxOffset = 255;
// AND, OR and XOR take masks, not addresses (by operation selector).
constexpr unsigned kCallCondition = 2;  // CALL in the condition field of a jump
constexpr bool kMaskOperations[8] = {false, false, false, true, false, true, true, false};

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// A name that the assembler reads back as the same name: no register, keyword or directive.
bool Usable(const std::string& name) {
  if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
    return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.') return false;
  std::string upper;
  for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "M" || upper == "H" || upper == "L" || upper == "BASE0" || upper == "BASE1" ||
      upper == "BASEX" || upper == "STACK")
    return false;
  if (upper[0] == 'R' && upper.size() >= 2) {  // R0..R15, RA..RF
    const std::string rest = upper.substr(1);
    if ((rest.size() == 1 && IsHexDigit(rest[0])) ||
        (rest.size() == 2 && rest[0] == '1' && rest[1] >= '0' && rest[1] <= '5'))
      return false;
  }
  return true;
}

std::string Hex4(std::uint32_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
  return buf;
}

// Replaces the first `token` in `text`.
std::string Replace(std::string text, const std::string& token, const std::string& by) {
  const auto at = text.find(token);
  if (at != std::string::npos) text.replace(at, token.size(), by);
  return text;
}

}  // namespace

Names::Names(dbg::DebugInfo info, bool forSource) : active_(true), info_(std::move(info)) {
  std::vector<dbg::Symbol> kept;
  std::set<std::string> seen;
  for (dbg::Symbol& s : info_.symbols) {
    if ((forSource && !Usable(s.name)) || !seen.insert(s.name).second) continue;
    if (s.kind == dbg::Symbol::Kind::Equ) equs_[s.value].push_back(s.name);
    kept.push_back(std::move(s));
  }
  info_.symbols = std::move(kept);
}

std::vector<std::string> Names::LabelsAt(std::uint16_t address) const {
  std::vector<std::string> names;
  if (!active_) return names;
  for (const dbg::Symbol* s : info_.LabelsAt(address)) names.push_back(s->name);
  return names;
}

const std::string* Names::CommentAt(std::uint16_t address) const {
  const auto it = info_.comments.find(address);
  return it == info_.comments.end() ? nullptr : &it->second;
}

std::string Names::XRefs(std::uint16_t address) const {
  constexpr std::size_t kShown = 6;  // sites per kind; the rest is counted
  if (!active_) return {};
  std::map<std::string, std::vector<std::string>> byKind;
  for (const dbg::XRef* x : info_.XRefsTo(address)) {
    const auto near = info_.NearestLabel(x->from);
    std::string site = Hex4(x->from);
    if (near && near->second <= kMaxOffset)
      site = near->first->name + (near->second ? "+" + std::to_string(near->second) : "");
    byKind[x->kind].push_back(site);
  }
  std::string text;
  for (const auto& [kind, sites] : byKind) {
    static const std::map<std::string, std::string> kVerbs = {
        {"call", "called by "}, {"jump", "jumped to by "}, {"branch", "branched to by "},
        {"read", "read by "},   {"write", "written by "},  {"table", "table used by "}};
    const auto verb = kVerbs.find(kind);
    text += (text.empty() ? "" : "; ") + (verb == kVerbs.end() ? kind + " by " : verb->second);
    for (std::size_t i = 0; i < sites.size() && i < kShown; ++i) text += (i ? ", " : "") + sites[i];
    if (sites.size() > kShown) text += " (+" + std::to_string(sites.size() - kShown) + ")";
  }
  return text;
}

bool Names::Described(std::uint16_t address) const {
  return active_ && info_.LineAt(address) != nullptr;
}

bool Names::IsData(std::uint16_t address) const {
  if (!active_) return false;
  return info_.IsData(address) || (!info_.lines.empty() && !info_.LineAt(address));
}

bool Names::Boundary(std::uint16_t address) const {
  if (!active_) return false;
  if (info_.LabelAt(address) || CommentAt(address) || !info_.XRefsTo(address).empty()) return true;
  const dbg::LineEntry* line = info_.LineAt(address);
  if (line && line->address == address) return true;
  const dbg::DataRegion* data = info_.DataAt(address);
  return data && data->address == address;
}

std::string Names::Use(const dbg::Symbol& symbol, int offset) {
  used_.emplace(symbol.name, symbol.value);
  const bool allHex = std::all_of(symbol.name.begin(), symbol.name.end(), IsHexDigit);
  std::string text = offset ? symbol.name + "+" + std::to_string(offset) : symbol.name;
  return allHex ? "(" + text + ")" : text;  // a bare hex-letter name would read as a number
}

std::optional<std::string> Names::LabelName(std::uint16_t address) const {
  if (const dbg::Symbol* s = info_.LabelAt(address)) return s->name;
  return std::nullopt;
}

std::optional<std::string> Names::Label(std::uint16_t address) {
  if (const dbg::Symbol* s = info_.LabelAt(address)) return Use(*s);
  return std::nullopt;
}

std::optional<std::string> Names::Jump(std::uint16_t target) {
  const auto near = info_.NearestLabel(target);
  if (!near || near->second > kMaxOffset) return std::nullopt;
  return Use(*near->first, near->second);
}

std::optional<std::string> Names::Cell(std::uint16_t value) {
  if (InDataOrTables(value)) return Jump(value);
  if (InIoPage(value)) return Io(value);
  return std::nullopt;
}

// An I/O address by its label, or by the one .equ of that value.
std::optional<std::string> Names::Io(std::uint16_t address) {
  if (const dbg::Symbol* s = info_.LabelAt(address)) return Use(*s);
  const auto it = equs_.find(address);
  if (it == equs_.end() || it->second.size() != 1) return std::nullopt;
  return Use(*info_.Find(it->second.front()));
}

std::string Names::Symbolic(std::string text, std::uint16_t word, std::uint16_t ext,
                            std::uint16_t address) {
  if (!active_) return text;
  switch (Decode(word)) {
    case Op::JumpRel: {
      const auto target = static_cast<std::uint16_t>(address + static_cast<std::int8_t>(word));
      if (const auto name = Jump(target)) text.replace(kv74::kMnemonicColumn, 4, *name);
      return text;
    }
    case Op::JumpAbs:
      // A call enters a routine at its start: only a label exactly there names it.
      if (const auto name = FieldD(word) == kCallCondition ? Label(ext) : Jump(ext))
        return Replace(text, "[" + Hex4(ext) + "]", "[" + *name + "]");
      return text;
    case Op::AluImm:
      if (kMaskOperations[FieldT(word)]) return text;
      [[fallthrough]];
    case Op::MovImm:
      if (const auto name = Cell(ext)) return Replace(text, "#" + Hex4(ext), "#" + *name);
      return text;
    case Op::ReadDirect:
    case Op::WriteDirect:
    case Op::PopReg:
    case Op::PushReg: {
      const auto io = static_cast<std::uint16_t>(0xF000 + FieldO(word));
      if (const auto name = Io(io)) return Replace(text, "[" + Hex4(io) + "]", "[" + *name + "]");
      return text;
    }
    default: return text;
  }
}

std::string Names::Definitions() const {
  std::string out;
  for (const auto& [name, value] : used_)
    if (!placed_.count(name)) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "0x%04X", value);
      out += name + " = " + buf + "\n";
    }
  return out;
}

}  // namespace kv74::dis
