// The Debug Adapter Protocol's framing: "Content-Length: N" header lines, an empty line, then N
// bytes of JSON. The reader takes bytes as they come and hands out whole messages, or an error for
// a header it cannot use; it then resynchronises after that header's empty line. Sizes are
// bounded so no input makes it hold more than a header and one message.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kv74::dap {

inline constexpr std::size_t kMaxHeader = 4096;        // bytes before the empty line
inline constexpr std::size_t kMaxContent = 16u << 20;  // bytes of one message

struct Frame {
  bool ok = true;
  std::string body;   // the JSON text when ok
  std::string error;  // what was wrong with the header otherwise
  bool end = false;   // not a message: the input has ended
};

class FrameReader {
 public:
  void Feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next complete message or header error, or nothing until more bytes come.
  std::optional<Frame> Next();
  // Bytes held that do not yet form a message (at the end of the input: a truncated message).
  std::size_t Pending() const { return buffer_.size(); }

 private:
  std::string buffer_;
  std::optional<std::size_t> length_;  // the header is read, the body is awaited
};

// A message with its header.
std::string Framed(std::string_view body);

}  // namespace kv74::dap
