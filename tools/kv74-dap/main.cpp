// kv74-dap: the debug adapter. Reads Debug Adapter Protocol messages on standard input and writes
// responses and events on standard output; a reader thread takes the input so that a pause or a
// disconnect reaches a running machine.
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "adapter.hpp"
#include "board/image.hpp"

using namespace kv74;

namespace {

// Messages read but not yet handled. Bounded: when full, the reader waits (and so stops reading
// standard input) until the adapter has taken some, so a flood of requests holds a few
// megabytes, not all it sends.
class Inbox {
 public:
  static constexpr std::size_t kMaxFrames = 256;
  static constexpr std::size_t kMaxBytes = 2 * dap::kMaxContent;

  void Push(dap::Frame f) {
    {
      std::unique_lock lock(mutex_);
      room_.wait(lock, [&] {
        return frames_.empty() || (frames_.size() < kMaxFrames && bytes_ < kMaxBytes);
      });
      bytes_ += f.body.size();
      frames_.push_back(std::move(f));
    }
    ready_.notify_one();
  }
  dap::Frame Pop() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return !frames_.empty(); });
    return Take();
  }
  std::optional<dap::Frame> TryPop() {
    std::lock_guard lock(mutex_);
    if (frames_.empty()) return std::nullopt;
    return Take();
  }

 private:
  // With the lock held.
  dap::Frame Take() {
    dap::Frame f = std::move(frames_.front());
    frames_.pop_front();
    bytes_ -= f.body.size();
    room_.notify_one();
    return f;
  }
  std::mutex mutex_;
  std::condition_variable ready_, room_;
  std::deque<dap::Frame> frames_;
  std::size_t bytes_ = 0;
};

void ReadInput(Inbox& inbox) {
  dap::FrameReader reader;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    reader.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    while (std::optional<dap::Frame> f = reader.Next()) inbox.Push(std::move(*f));
  }
  dap::Frame end;
  end.end = true;
  inbox.Push(std::move(end));
}

void Send(const dap::Json& message) {
  const std::string text =
      dap::Framed(message.dump(-1, ' ', false, dap::Json::error_handler_t::replace));
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
    std::fprintf(help ? stdout : stderr,
                 "usage: kv74-dap\n"
                 "A debug adapter for the KV-74 firmware: Debug Adapter Protocol messages on\n"
                 "standard input and output. Launch arguments: images, debugInfo, input,\n"
                 "stopOnEntry, workdir (docs/debugging.md).\n");
    return help ? 0 : 2;
  }
  Inbox inbox;
  std::thread(ReadInput, std::ref(inbox)).detach();
  dap::AdapterOptions options;
  options.defaultImages = DefaultImageDir();
  dap::Adapter adapter(
      Send, [&] { return inbox.TryPop(); }, options);
  while (!adapter.Finished()) adapter.Handle(inbox.Pop());
  return 0;
}
