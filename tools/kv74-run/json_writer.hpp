// A small JSON writer: objects one member per line, arrays of numbers on one line.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string_view>
#include <vector>

namespace kv74 {

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void BeginObject();
  void EndObject();
  void Key(std::string_view name);  // inside an object, before each value

  void Int(std::int64_t v);
  void UInt(std::uint64_t v);
  void Bool(bool v);
  void String(std::string_view s);
  // A complete JSON value produced elsewhere, written as it is.
  void Raw(std::string_view json);
  template <typename T>
  void IntArray(std::span<const T> values) {
    out_ << '[';
    for (std::size_t i = 0; i < values.size(); ++i) out_ << (i ? "," : "") << +values[i];
    out_ << ']';
  }

 private:
  void NewLine();

  std::ostream& out_;
  std::vector<bool> first_;  // one entry per open object: no member written yet
};

}  // namespace kv74
