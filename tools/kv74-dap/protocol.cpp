#include "protocol.hpp"

#include <array>
#include <charconv>
#include <cstdio>

#include "board/shown.hpp"

namespace kv74::dap {

const Json* Args::Member(std::string_view key) const {
  if (!j_.is_object()) return nullptr;
  const auto it = j_.find(key);
  return it == j_.end() || it->is_null() ? nullptr : &*it;
}

bool Args::Has(std::string_view key) const { return Member(key) != nullptr; }

namespace {
[[noreturn]] void Wrong(std::string_view key, const char* type) {
  throw RequestError("argument '" + Shown(key) + "' must be " + type);
}
[[noreturn]] void Missing(std::string_view key) {
  throw RequestError("argument '" + Shown(key) + "' is missing");
}
}  // namespace

std::optional<std::string> Args::String(std::string_view key) const {
  const Json* v = Member(key);
  if (!v) return std::nullopt;
  if (!v->is_string()) Wrong(key, "a string");
  return v->get<std::string>();
}

std::string Args::RequireString(std::string_view key) const {
  std::optional<std::string> s = String(key);
  if (!s) Missing(key);
  return *s;
}

std::optional<std::int64_t> Args::Int(std::string_view key) const {
  const Json* v = Member(key);
  if (!v) return std::nullopt;
  if (v->is_number_integer() && !v->is_number_unsigned()) return v->get<std::int64_t>();
  if (v->is_number_unsigned() && v->get<std::uint64_t>() <= INT64_MAX)
    return static_cast<std::int64_t>(v->get<std::uint64_t>());
  Wrong(key, "an integer");
}

std::int64_t Args::RequireInt(std::string_view key) const {
  std::optional<std::int64_t> n = Int(key);
  if (!n) Missing(key);
  return *n;
}

bool Args::Bool(std::string_view key, bool fallback) const {
  const Json* v = Member(key);
  if (!v) return fallback;
  if (!v->is_boolean()) Wrong(key, "true or false");
  return v->get<bool>();
}

const Json& Args::RequireArray(std::string_view key) const {
  const Json* v = Member(key);
  if (!v) Missing(key);
  if (!v->is_array()) Wrong(key, "an array");
  return *v;
}

const Json* Args::Object(std::string_view key) const {
  const Json* v = Member(key);
  if (v && !v->is_object()) Wrong(key, "an object");
  return v;
}

const Json& Args::RequireObject(std::string_view key) const {
  const Json* v = Object(key);
  if (!v) Missing(key);
  return *v;
}

std::vector<Args> Objects(const Json& array, std::string_view what) {
  std::vector<Args> out;
  for (const Json& e : array) {
    if (!e.is_object())
      throw RequestError("every element of '" + std::string(what) + "' must be an object");
    out.emplace_back(e);
  }
  return out;
}

Json Response(const Json& request, Json body) {
  return {{"type", "response"},
          {"request_seq", request.value("seq", std::int64_t{0})},
          {"success", true},
          {"command", request.value("command", "")},
          {"body", std::move(body)}};
}

Json ErrorResponse(std::int64_t requestSeq, const std::string& command,
                   const std::string& message) {
  return {{"type", "response"},
          {"request_seq", requestSeq},
          {"success", false},
          {"command", command},
          {"message", message},
          {"body", {{"error", {{"id", 1}, {"format", message}, {"showUser", false}}}}}};
}

Json Event(std::string_view name, Json body) {
  return {{"type", "event"}, {"event", name}, {"body", std::move(body)}};
}

std::uint16_t ParseAddress(std::string_view text) {
  int base = 10;
  std::string_view digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  std::uint32_t v = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, base);
  if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size() || v > 0xFFFF)
    throw RequestError("bad memory reference '" + Shown(text) + "'");
  return static_cast<std::uint16_t>(v);
}

std::string AddressText(std::uint16_t address) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", address);
  return buf;
}

namespace {
constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string Base64Encode(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t v = static_cast<std::uint32_t>(bytes[i]) << 16;
    if (n > 1) v |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
    if (n > 2) v |= bytes[i + 2];
    for (std::size_t k = 0; k < 4; ++k) {
      out += k <= n ? kAlphabet[(v >> (18 - 6 * k)) & 63] : '=';
    }
  }
  return out;
}

std::vector<std::uint8_t> Base64Decode(std::string_view text) {
  if (text.size() % 4 != 0) throw RequestError("base64 data of a length not a multiple of 4");
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < text.size(); i += 4) {
    std::uint32_t v = 0;
    int pad = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const char c = text[i + k];
      std::size_t d = 0;
      if (c == '=' && i + 4 == text.size() && k >= 2) {
        ++pad;
      } else if (pad > 0 || (d = kAlphabet.find(c)) == std::string_view::npos) {
        throw RequestError("bad base64 data");
      }
      v = (v << 6) | static_cast<std::uint32_t>(d);
    }
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    if (pad < 2) out.push_back(static_cast<std::uint8_t>(v >> 8));
    if (pad < 1) out.push_back(static_cast<std::uint8_t>(v));
  }
  return out;
}

}  // namespace kv74::dap
