#include "debug/points.hpp"

#include <algorithm>

namespace kv74::debug {

int PointTable::Add(Point p) {
  p.id = nextId_++;
  points_.push_back(std::move(p));
  Rebuild();
  return points_.back().id;
}

int PointTable::AddBreak(std::uint16_t address, std::string location) {
  Point p;
  p.kind = PointKind::Break;
  p.first = p.last = address;
  p.location = std::move(location);
  return Add(std::move(p));
}

int PointTable::AddWatch(std::uint16_t first, std::uint16_t last, WatchKind kind,
                         std::string location) {
  Point p;
  p.kind = PointKind::Watch;
  p.first = std::min(first, last);
  p.last = std::max(first, last);
  p.watch = kind;
  p.location = std::move(location);
  return Add(std::move(p));
}

int PointTable::AddCatch(CatchKind kind, std::uint32_t mask, std::string location) {
  Point p;
  p.kind = PointKind::Catch;
  p.catchKind = kind;
  p.mask = mask;
  p.location = std::move(location);
  return Add(std::move(p));
}

bool PointTable::Remove(int id) {
  auto it =
      std::find_if(points_.begin(), points_.end(), [id](const Point& p) { return p.id == id; });
  if (it == points_.end()) return false;
  points_.erase(it);
  Rebuild();
  return true;
}

void PointTable::Clear() {
  points_.clear();
  Rebuild();
}

Point* PointTable::Find(int id) {
  for (Point& p : points_) {
    if (p.id == id) return &p;
  }
  return nullptr;
}

void PointTable::Rebuild() {
  breakMap_.fill(0);
  marks_.Unmark();
  catchMasks_.fill(0);
  anyBreak_ = anyWatch_ = false;
  for (const Point& p : points_) {
    if (!p.enabled) continue;
    switch (p.kind) {
      case PointKind::Break:
        breakMap_[p.first] = 1;
        anyBreak_ = true;
        break;
      case PointKind::Watch:
        marks_.Mark(p.first, p.last);
        anyWatch_ = true;
        break;
      case PointKind::Catch: catchMasks_[static_cast<int>(p.catchKind)] |= p.mask; break;
    }
  }
  catchMask_ = catchMasks_[0] | catchMasks_[1] | catchMasks_[2];
}

const Point* PointTable::Judge(Point& p, BoardState& m, bool dryRun) {
  if (p.condition && !p.condition(m)) return nullptr;
  if (dryRun) return &p;
  ++p.hits;
  if (p.ignore > 0) {
    --p.ignore;
    return nullptr;
  }
  return &p;
}

const Point* PointTable::BreakHit(BoardState& m, std::uint16_t pc, bool dryRun) {
  for (Point& p : points_) {
    if (p.enabled && p.kind == PointKind::Break && p.first == pc) {
      if (const Point* hit = Judge(p, m, dryRun)) return hit;
    }
  }
  return nullptr;
}

const Point* PointTable::WatchHit(BoardState& m, const Access& a, bool dryRun) {
  for (Point& p : points_) {
    if (!p.enabled || p.kind != PointKind::Watch || a.address < p.first || a.address > p.last) {
      continue;
    }
    const bool kindMatches =
        p.watch == WatchKind::Access || (p.watch == WatchKind::Write) == a.write;
    if (!kindMatches) continue;
    if (const Point* hit = Judge(p, m, dryRun)) return hit;
  }
  return nullptr;
}

const Point* PointTable::CatchHit(BoardState& m, CatchKind k, std::uint32_t bits, bool dryRun) {
  for (Point& p : points_) {
    if (p.enabled && p.kind == PointKind::Catch && p.catchKind == k && (p.mask & bits) != 0) {
      if (const Point* hit = Judge(p, m, dryRun)) return hit;
    }
  }
  return nullptr;
}

void PointTable::Stopped(int id) {
  Point* p = Find(id);
  if (p != nullptr && p->temporary) Remove(id);
}

}  // namespace kv74::debug
