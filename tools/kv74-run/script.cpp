#include "script.hpp"

#include <charconv>

#include "board/read_file.hpp"
#include "board/shown.hpp"

#include "options.hpp"

namespace kv74 {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

}  // namespace

std::vector<ScriptClick> ParseScript(std::string_view text, const std::string& source,
                                     const ClickableCheck& isClickable) {
  std::vector<ScriptClick> clicks;
  int lineNo = 0;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    ++lineNo;
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    const auto words = Words(line);
    if (words.empty()) continue;
    auto fail = [&](const std::string& what) {
      throw UsageError(source + ":" + std::to_string(lineNo) + ": " + what);
    };
    if (words.size() != 3 || words[1] != "click") fail("expected 'STEP click NAME'");
    std::uint64_t step = 0;
    const char* end = words[0].data() + words[0].size();
    auto [p, ec] = std::from_chars(words[0].data(), end, step);
    if (ec != std::errc() || p != end) {
      fail("step '" + Shown(words[0]) + "' is not a non-negative whole number");
    }
    if (!clicks.empty() && step < clicks.back().step) {
      fail("step " + std::to_string(step) + " comes before step " +
           std::to_string(clicks.back().step) + " of an earlier line");
    }
    if (!isClickable(words[2])) fail("no clickable control named '" + Shown(words[2]) + "'");
    clicks.push_back({step, std::string(words[2]), lineNo});
  }
  return clicks;
}

std::vector<ScriptClick> LoadScript(const std::filesystem::path& file,
                                    const ClickableCheck& isClickable) {
  const FileBytes text = ReadRegularFile(file, MAX_SCRIPT_BYTES);
  if (!text.ok()) throw UsageError("cannot read input script " + file.string() + ": " + text.error);
  return ParseScript(text.bytes, file.string(), isClickable);
}

}  // namespace kv74
