// The runner's input script: "STEP click NAME" lines, '#' comments, blank lines.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "board/read_file.hpp"

namespace kv74 {

struct ScriptClick {
  std::uint64_t step;  // clicked after this many steps, before the next
  std::string name;
  int line;
};

using ClickableCheck = std::function<bool(std::string_view)>;

// Throws UsageError "<source>:<line>: <what is wrong>".
std::vector<ScriptClick> ParseScript(std::string_view text, const std::string& source,
                                     const ClickableCheck& isClickable);

inline constexpr std::uintmax_t MAX_SCRIPT_BYTES = input_limit::kClickScript;

// Reads and parses a script file; an unreadable, non-regular or oversized file is a UsageError
// too.
std::vector<ScriptClick> LoadScript(const std::filesystem::path& file,
                                    const ClickableCheck& isClickable);

}  // namespace kv74
