#include "json_writer.hpp"

#include <cstdio>

namespace kv74 {

void JsonWriter::NewLine() {
  out_ << '\n';
  for (std::size_t i = 0; i < first_.size(); ++i) out_ << "  ";
}

void JsonWriter::BeginObject() {
  out_ << '{';
  first_.push_back(true);
}

void JsonWriter::EndObject() {
  const bool empty = first_.back();
  first_.pop_back();
  if (!empty) NewLine();
  out_ << '}';
  if (first_.empty()) out_ << '\n';
}

void JsonWriter::Key(std::string_view name) {
  if (!first_.back()) out_ << ',';
  first_.back() = false;
  NewLine();
  String(name);
  out_ << ": ";
}

void JsonWriter::Int(std::int64_t v) { out_ << v; }

void JsonWriter::UInt(std::uint64_t v) { out_ << v; }

void JsonWriter::Bool(bool v) { out_ << (v ? "true" : "false"); }

void JsonWriter::String(std::string_view s) {
  out_ << '"';
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out_ << '\\' << c;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out_ << buf;
    } else {
      out_ << c;  // UTF-8 passes through
    }
  }
  out_ << '"';
}

void JsonWriter::Raw(std::string_view json) { out_ << json; }

}  // namespace kv74
