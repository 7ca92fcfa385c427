// Text from outside (a name, a word of a command, a value from a file).
//   Shown      as a message quotes it: control bytes escaped as \xNN, so a NUL or an escape
//              sequence cannot end or disguise the message, and cut after `max` bytes with "..."
//              so a huge input gives a short line
//   IsText     well-formed UTF-8 without control characters, as a caption must be
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kv74 {

inline constexpr std::size_t kShownBytes = 60;

std::string Shown(std::string_view text, std::size_t max = kShownBytes);
bool IsText(std::string_view text);

}  // namespace kv74
