// The protocol's messages as JSON values: reading a request's arguments with their types
// checked, making responses and events, and the encodings the requests use (base64 memory,
// "0x1234" memory references).
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace kv74::dap {

using Json = nlohmann::json;

// A request that cannot be carried out as asked: answered with success false and this message.
class RequestError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A request's arguments; every accessor throws RequestError for a wrong type, and the Require
// ones for a missing member too.
class Args {
 public:
  explicit Args(const Json& j) : j_(j) {}
  bool Has(std::string_view key) const;
  std::string RequireString(std::string_view key) const;
  std::optional<std::string> String(std::string_view key) const;
  std::int64_t RequireInt(std::string_view key) const;
  std::optional<std::int64_t> Int(std::string_view key) const;
  bool Bool(std::string_view key, bool fallback) const;
  const Json& RequireArray(std::string_view key) const;
  const Json& RequireObject(std::string_view key) const;
  const Json* Object(std::string_view key) const;  // null when absent

 private:
  const Json* Member(std::string_view key) const;
  const Json& j_;
};

// The array's elements as Args, each checked to be an object.
std::vector<Args> Objects(const Json& array, std::string_view what);

Json Response(const Json& request, Json body = Json::object());
Json ErrorResponse(std::int64_t requestSeq, const std::string& command, const std::string& message);
Json Event(std::string_view name, Json body = Json::object());

// A memory reference is a word address: "0x4212", "4212h" is not accepted; decimal is.
std::uint16_t ParseAddress(std::string_view text);
std::string AddressText(std::uint16_t address);  // "0x4212"

std::string Base64Encode(const std::vector<std::uint8_t>& bytes);
// Throws RequestError on a character outside the alphabet or a bad length.
std::vector<std::uint8_t> Base64Decode(std::string_view text);

}  // namespace kv74::dap
