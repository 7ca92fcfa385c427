// The monitor's commands: one line parsed into a Command, names and source lines resolved at
// once, so a whole script is checked before anything runs. The command table (names, short
// aliases, syntax, one line of help) is kCommands.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/expr.hpp"

namespace kv74::mon {

enum class Verb : std::uint8_t {
  Break,
  TBreak,
  Watch,
  Catch,
  Delete,
  InfoBreakpoints,
  Continue,
  Step,
  Next,
  Finish,
  Until,
  Back,
  ReverseContinue,
  Print,
  Examine,
  Set,
  Regs,
  Disasm,
  History,
  Trace,
  TraceOff,
  Coverage,
  Click,
  Panel,
  SaveState,
  LoadState,
  Expect,
  Help,
  Quit,
};

struct CommandInfo {
  Verb verb;
  std::string_view name;     // may be two words ("info breakpoints", "trace off")
  std::string_view aliases;  // space-separated
  std::string_view syntax;
  std::string_view help;
};

extern const std::span<const CommandInfo> kCommands;

enum class Access : std::uint8_t { Read, Write, ReadWrite };
enum class CatchKind : std::uint8_t { Request, Fault, Handover };
enum class TraceOnly : std::uint8_t { All, Calls, Io, Range };
enum class CoverageAction : std::uint8_t { On, Profile, Off, Lcov, Callgrind, Folded };

// A code location: the addresses of a symbol, an address, or every instruction starting a
// source line (FILE:LINE may give several).
struct Location {
  std::string text;
  std::vector<std::uint16_t> addresses;
};

struct Command {
  Verb verb = Verb::Help;
  Location location;                   // break, tbreak, until
  std::optional<Expr> condition;       // break, watch: "if EXPR"
  std::optional<Expr> value;           // print, expect, set (the value)
  std::optional<Expr> address;         // watch (first), x, disasm; set (the target)
  std::optional<Expr> addressEnd;      // watch: last address of the range (inclusive)
  std::optional<std::uint64_t> count;  // continue, step, back, history, x, disasm, delete
  Access access = Access::Write;
  CatchKind catchKind = CatchKind::Request;
  std::optional<std::uint32_t> which;  // catch: request line, fault bit, notification bit
  std::string argument;                // trace, save-state, load-state, coverage: file; click: name
  CoverageAction coverage = CoverageAction::On;
  TraceOnly only = TraceOnly::All;
  std::uint16_t rangeFirst = 0, rangeLast = 0;  // trace only FIRST..LAST
};

// Source lines by file name and line number: the first addresses of their instructions (empty
// when the line has none); nullopt when there is no debug information at all.
using LineLookup = std::function<std::optional<std::vector<std::uint16_t>>(std::string_view, int)>;

struct ParseContext {
  SymbolLookup symbols;
  LineLookup lines;
  std::function<bool(std::string_view)> clickable;
};

// nullopt for a blank line or a comment ('#' to the end of the line). Throws ParseError.
std::optional<Command> ParseCommand(std::string_view line, const ParseContext& context);

struct ScriptLine {
  int line;  // 1-based
  Command command;
};

// Every line of a script; throws ScriptError "<source>:<line>: <message>" at the first bad one.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
std::vector<ScriptLine> ParseScript(std::string_view text, const std::string& source,
                                    const ParseContext& context);

// The help text: every command with its syntax and aliases.
std::string HelpText();

}  // namespace kv74::mon
