#include "framing.hpp"

#include <cctype>
#include <charconv>

namespace kv74::dap {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The Content-Length of a header block, or an error text.
std::optional<std::size_t> ContentLength(std::string_view header, std::string& error) {
  std::optional<std::size_t> length;
  while (!header.empty()) {
    const std::size_t eol = header.find('\n');
    std::string_view line = header.substr(0, eol);
    header = eol == std::string_view::npos ? std::string_view{} : header.substr(eol + 1);
    line = Trim(line);
    if (line.empty()) continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      error = "bad header line (no colon)";
      return std::nullopt;
    }
    if (!SameName(Trim(line.substr(0, colon)), "Content-Length")) continue;
    const std::string_view value = Trim(line.substr(colon + 1));
    std::size_t n = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (value.empty() || ec != std::errc{} || end != value.data() + value.size()) {
      error = "bad Content-Length";
      return std::nullopt;
    }
    if (n > kMaxContent) {
      error = "Content-Length too large";
      return std::nullopt;
    }
    if (length && *length != n) {
      error = "conflicting Content-Length headers";
      return std::nullopt;
    }
    length = n;
  }
  if (!length) error = "header without Content-Length";
  return length;
}

}  // namespace

std::optional<Frame> FrameReader::Next() {
  if (!length_) {
    const std::size_t end = buffer_.find("\r\n\r\n");
    if (end == std::string::npos) {
      if (buffer_.size() <= kMaxHeader) return std::nullopt;
      // No empty line within the bound: drop all but a possible start of one.
      buffer_.erase(0, buffer_.size() - 3);
      return Frame{false, {}, "header too long"};
    }
    Frame f;
    const std::optional<std::size_t> n =
        end > kMaxHeader ? std::nullopt
                         : ContentLength(std::string_view(buffer_).substr(0, end), f.error);
    if (end > kMaxHeader) f.error = "header too long";
    buffer_.erase(0, end + 4);
    if (!n) {
      f.ok = false;
      return f;
    }
    length_ = n;
  }
  if (buffer_.size() < *length_) return std::nullopt;
  Frame f;
  f.body = buffer_.substr(0, *length_);
  buffer_.erase(0, *length_);
  length_.reset();
  return f;
}

std::string Framed(std::string_view body) {
  std::string s = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  s += body;
  return s;
}

}  // namespace kv74::dap
