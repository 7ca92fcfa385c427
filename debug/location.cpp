#include "debug/location.hpp"

#include <charconv>

namespace kv74::debug {
namespace {

bool ParseNumber(std::string_view s, std::uint32_t& v) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    base = 16;
  }
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  return ec == std::errc() && end == s.data() + s.size();
}

std::uint16_t Address(std::uint32_t v, std::string_view text) {
  if (v > 0xFFFF) throw LocationError("address out of range: " + std::string(text));
  return static_cast<std::uint16_t>(v);
}

}  // namespace

std::vector<std::uint16_t> ResolveLocation(std::string_view text, const dbg::DebugInfo* info) {
  if (text.empty()) throw LocationError("no location given");
  std::uint32_t v = 0;
  if (ParseNumber(text, v)) return {Address(v, text)};
  if (info == nullptr) {
    throw LocationError("no debug information to find " + std::string(text) + " in");
  }
  if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
    std::uint32_t line = 0;
    const std::string_view file = text.substr(0, colon);
    if (!ParseNumber(text.substr(colon + 1), line) || line == 0 || file.empty()) {
      throw LocationError("bad FILE:LINE location: " + std::string(text));
    }
    std::vector<std::uint16_t> at = info->AddressesOf(file, static_cast<int>(line));
    if (at.empty()) throw LocationError("no code at " + std::string(text));
    return at;
  }
  std::string_view name = text;
  std::uint32_t offset = 0;
  if (const auto plus = text.find('+'); plus != std::string_view::npos) {
    name = text.substr(0, plus);
    if (!ParseNumber(text.substr(plus + 1), offset)) {
      throw LocationError("bad offset in " + std::string(text));
    }
  }
  const dbg::Symbol* s = info->Find(name);
  if (s == nullptr) throw LocationError("no symbol " + std::string(name));
  return {Address(s->value + offset, text)};
}

std::string DescribeAddress(std::uint16_t address, const dbg::DebugInfo* info) {
  if (info == nullptr) return {};
  std::string out;
  if (auto near = info->NearestLabel(address)) {
    out = near->first->name;
    if (near->second != 0) out += "+" + std::to_string(near->second);
  }
  if (const dbg::LineEntry* line = info->LineAt(address)) {
    if (line->source >= 0 && static_cast<std::size_t>(line->source) < info->sources.size()) {
      const std::string file =
          std::filesystem::path(info->sources[static_cast<std::size_t>(line->source)])
              .filename()
              .string();
      out += (out.empty() ? "(" : " (") + file + ":" + std::to_string(line->line) + ")";
    }
  }
  return out;
}

}  // namespace kv74::debug
