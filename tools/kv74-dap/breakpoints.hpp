// The editor's breakpoints on the engine's point table. Each set* request replaces the editor's
// points of its kind (of one source file for source lines) and answers one breakpoint per one
// asked for, verified or with the reason it is not. Points made from the debug console are left
// alone.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "debug/engine.hpp"
#include "debuginfo/debug_info.hpp"
#include "protocol.hpp"

namespace kv74::mon {
class Session;
}

namespace kv74::dap {

class BreakpointBook {
 public:
  // Conditions are the monitor session's (a failed one stops the run and says why).
  BreakpointBook(debug::Engine& engine, mon::Session& session, const dbg::DebugInfo* info)
      : engine_(engine), session_(session), info_(info) {}

  Json SetSource(const Args& a);
  Json SetInstruction(const Args& a);
  Json SetFunction(const Args& a);
  Json SetData(const Args& a);
  Json SetExceptions(const Args& a);
  // dataBreakpointInfo: a name that is an address, a symbol or [ADDR] names a memory cell.
  Json DataInfo(const Args& a) const;

  // The editor's breakpoint behind an engine point, with the stop reason its kind gives.
  struct Owner {
    int id;
    const char* reason;
  };
  std::optional<Owner> OwnerOf(int point) const;

 private:
  enum class Kind : std::uint8_t { Source, Instruction, Function, Data, Exception };
  struct Entry {
    int id;
    Kind kind;
    std::string file;  // Source: the file's path as the editor gave it
    std::vector<int> points;
  };
  void Drop(Kind kind, const std::string& file = {});
  // Condition and hit condition on new points; the message when they cannot be used.
  std::optional<std::string> Qualify(const std::vector<int>& points, const Args& b);
  Json Add(Kind kind, const std::string& file, std::vector<int> points, Json shown);
  static Json Unverified(const std::string& message, Json shown = Json::object());

  debug::Engine& engine_;
  mon::Session& session_;
  const dbg::DebugInfo* info_;
  std::vector<Entry> entries_;
  int nextId_ = 1;
};

}  // namespace kv74::dap
