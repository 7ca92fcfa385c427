// The run keys of both windows, one table: a key means the same in the panel window and in the
// debugger window (a window without the action leaves the key unused). docs/debugging.md shows it.
#pragma once

namespace kv74::shell {

struct RunKey {
  const char* action;  // the action's name in either window
  const char* keys;    // QKeySequence text
};

inline constexpr RunKey kRunKeys[] = {
    {"Continue", "F5"},
    {"Pause", "F6"},
    {"Step", "F11"},
    {"Step over", "F10"},
    {"Step out", "Shift+F11"},
    {"Step back", "Ctrl+F11"},
    {"Reverse-continue", "Ctrl+F5"},
    {"Step N", "Shift+F10"},
};

// The keys of an action of the table ("" when it has none).
constexpr const char* RunKeyOf(const char* action) {
  for (const RunKey& k : kRunKeys) {
    const char* a = k.action;
    const char* b = action;
    while (*a != 0 && *a == *b) ++a, ++b;
    if (*a == 0 && *b == 0) return k.keys;
  }
  return "";
}

}  // namespace kv74::shell
