#include "debug/stop.hpp"

#include <bit>
#include <cstdio>

namespace kv74::debug {

namespace {
std::string Hex(unsigned v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", v);
  return text;
}
}  // namespace

std::string Describe(const StopReason& r) {
  switch (r.kind) {
    case StopKind::Breakpoint: return "breakpoint " + std::to_string(r.point);
    case StopKind::Watchpoint: {
      const Access& a = r.access;
      std::string s = "watchpoint " + std::to_string(r.point) + ": " +
                      (a.write ? "write " : "read ") + Hex(a.address) + " ";
      s += a.write ? Hex(a.before) + " -> " + Hex(a.after) : Hex(a.before);
      return s + " by " + Hex(r.accessPc);
    }
    case StopKind::Catch: {
      const std::string n = r.point != 0 ? "catchpoint " + std::to_string(r.point) + ": " : "";
      switch (r.catchKind) {
        case CatchKind::Request: return n + "request " + std::to_string(r.bits) + " entry";
        case CatchKind::Fault: return n + "fault bits " + Hex(r.bits) + " raised";
        case CatchKind::Handover: return n + "hand-over, notification bits " + Hex(r.bits);
      }
      return n;
    }
    case StopKind::Pause: return "paused";
    case StopKind::Done: return "stepped";
    case StopKind::StepOver: return "next";
    case StopKind::StepOut: return "finished";
    case StopKind::RunTo: return "reached";
    case StopKind::Reverse: return "stepped back";
    case StopKind::HistoryEnd: return "history ends here";
  }
  return "stopped";
}

}  // namespace kv74::debug
