#include "tools/common/cleanup.hpp"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace kv74::fileio {
namespace {

constexpr int kSlots = 16;
enum : int { kFree, kFilling, kReady };

char g_paths[kSlots][PATH_MAX];
std::atomic<int> g_state[kSlots];
std::atomic<bool> g_installed{false};
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveAndDie(int sig) {
  for (int i = 0; i < kSlots; ++i)
    if (g_state[i].load() == kReady) ::unlink(g_paths[i]);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void Install() {
  if (g_installed.exchange(true)) return;
  for (int sig : kSignals) {
    struct sigaction old {};
    ::sigaction(sig, nullptr, &old);
    if (old.sa_handler == SIG_IGN) continue;  // e.g. under nohup
    struct sigaction sa {};
    sa.sa_handler = RemoveAndDie;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
  }
}

}  // namespace

int RegisterTemporary(const char* path) {
  if (std::strlen(path) >= PATH_MAX) return -1;
  Install();
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!g_state[i].compare_exchange_strong(expected, kFilling)) continue;
    std::strcpy(g_paths[i], path);
    g_state[i].store(kReady);
    return i;
  }
  return -1;
}

void UnregisterTemporary(int slot) {
  if (slot >= 0 && slot < kSlots) g_state[slot].store(kFree);
}

}  // namespace kv74::fileio
