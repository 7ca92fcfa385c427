// Breakpoints, watchpoints and catchpoints: one numbered table, and what a loop checks of it
// (a bitmap of breakpoint addresses, the words a tap must mark, the catch masks).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "board/machine.hpp"
#include "cpu/tap.hpp"

namespace kv74::debug {

// An opaque condition, e.g. a compiled monitor expression; evaluated at the stop candidate. It may
// read the machine (PeekWord) but must not change what the program does.
using Condition = std::function<bool(BoardState&)>;

enum class WatchKind : std::uint8_t { Read, Write, Access };
enum class CatchKind : std::uint8_t {
  Request,   // request entry; `mask` has one bit per request line 0..7
  Fault,     // a fault bit raised; mask over FaultBits 0..3
  Handover,  // a hand-over; mask over NotifyWord bits
};

enum class PointKind : std::uint8_t { Break, Watch, Catch };

struct Point {
  int id = 0;
  PointKind kind = PointKind::Break;
  bool enabled = true;
  bool temporary = false;     // deleted at its first stop
  std::uint32_t ignore = 0;   // hits still to pass over
  std::uint64_t hits = 0;     // hits counted (condition held), including ignored ones
  Condition condition;        // none: always
  std::string conditionText;  // as the user wrote it, for listings
  std::string location;       // as the user wrote it ("MainLoop", "keys.asm:40", "0x100")
  // Break: the address. Watch: first..last. Catch: kind and mask.
  std::uint16_t first = 0, last = 0;
  WatchKind watch = WatchKind::Write;
  CatchKind catchKind = CatchKind::Request;
  std::uint32_t mask = 0;
};

class PointTable {
 public:
  // Each returns the new point's number.
  int AddBreak(std::uint16_t address, std::string location = {});
  int AddWatch(std::uint16_t first, std::uint16_t last, WatchKind kind, std::string location = {});
  int AddCatch(CatchKind kind, std::uint32_t mask, std::string location = {});
  bool Remove(int id);
  void Clear();
  Point* Find(int id);
  const std::vector<Point>& All() const { return points_; }
  // After changing a point's enabled flag, address or range through Find.
  void Rebuild();

  bool AnyActive() const { return anyBreak_ || anyWatch_ || catchMask_ != 0; }
  bool AnyWatch() const { return anyWatch_; }
  // One byte per address, 1 where an enabled breakpoint is: a step tests it with one compare.
  const std::array<std::uint8_t, 65536>& BreakMap() const { return breakMap_; }
  const AccessTap& Marks() const { return marks_; }
  std::uint32_t CatchMask(CatchKind k) const { return catchMasks_[static_cast<int>(k)]; }

  // The point that stops the run for a candidate, or nullptr: conditions evaluated, hit counts
  // and ignore counts applied unless `dryRun` (reverse searches leave the counts alone).
  const Point* BreakHit(BoardState& m, std::uint16_t pc, bool dryRun);
  const Point* WatchHit(BoardState& m, const Access& a, bool dryRun);
  const Point* CatchHit(BoardState& m, CatchKind k, std::uint32_t bits, bool dryRun);
  // After a stop at p: a temporary point goes.
  void Stopped(int id);

 private:
  const Point* Judge(Point& p, BoardState& m, bool dryRun);
  int Add(Point p);

  std::vector<Point> points_;
  int nextId_ = 1;
  std::array<std::uint8_t, 65536> breakMap_{};
  AccessTap marks_;
  std::array<std::uint32_t, 3> catchMasks_{};
  bool anyBreak_ = false, anyWatch_ = false;
  std::uint32_t catchMask_ = 0;
};

}  // namespace kv74::debug
