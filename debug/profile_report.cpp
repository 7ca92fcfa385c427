// The callgrind profile and the collapsed stacks.
#include <map>
#include <sstream>
#include <tuple>

#include "cpu/bus.hpp"
#include "cpu/decode.hpp"
#include "debug/reports.hpp"
#include "debug/routines.hpp"

namespace kv74::debug {

namespace {

struct Cost {
  std::uint64_t steps = 0, calls = 0;
};

// Where an address's cost goes: its routine, the routine's source and the address's line.
struct Place {
  int source = -1;
  std::uint16_t routine = 0;
  int line = 0;
  bool operator<(const Place& o) const {
    return std::tie(source, routine) < std::tie(o.source, o.routine);
  }
};

class Placer {
 public:
  Placer(const dbg::DebugInfo& info, const Routines& r) : info_(info), r_(r) {}
  Place At(std::uint16_t a) const {
    const std::uint16_t at = r_.Resolve(a);
    Place p;
    p.routine = r_.Of(at).value_or(at);
    if (const dbg::LineEntry* e = info_.LineAt(at)) {
      p.line = e->line;
      if (const dbg::LineEntry* s = info_.LineAt(p.routine)) p.source = s->source;
    }
    return p;
  }

 private:
  const dbg::DebugInfo& info_;
  const Routines& r_;
};

// Inclusive steps and calls made of every node (children come after their parents).
std::vector<Cost> Inclusive(const std::vector<CallNode>& nodes) {
  std::vector<Cost> incl(nodes.size());
  for (std::size_t i = nodes.size(); i-- > 0;) {
    incl[i].steps += nodes[i].selfSteps;
    if (i == 0) break;
    Cost& up = incl[nodes[i].parent];
    up.steps += incl[i].steps;
    up.calls += incl[i].calls + (nodes[i].request < 0 ? nodes[i].calls : 0);
  }
  return incl;
}

// Each address that cost steps (its instructions and the request entries landing there), with
// its steps and the calls its instruction made.
template <typename F>
void EachCost(const Collector& c, BoardState& m, F f) {
  for (std::size_t a = 0; a < Collector::kAddresses; ++a) {
    const auto at = static_cast<std::uint16_t>(a);
    const std::uint64_t executed = c.Executed(at);
    const std::uint64_t steps = executed + c.RequestSteps(at);
    if (steps == 0) continue;
    const std::uint16_t op = PeekWord(m, at);
    f(at, Cost{steps, Collector::IsCall(Decode(op), op) ? executed : 0});
  }
}

}  // namespace

std::string CallgrindText(const Collector& c, const dbg::DebugInfo& info, BoardState& m,
                          const ReportOptions& o) {
  const Routines routines(info, m, c);
  const Placer placer(info, routines);
  std::map<Place, std::map<int, Cost>> self;
  Cost total;
  EachCost(c, m, [&](std::uint16_t at, const Cost& here) {
    const Place p = placer.At(at);
    Cost& cost = self[p][p.line];
    cost.steps += here.steps;
    cost.calls += here.calls;
    total.steps += here.steps;
    total.calls += here.calls;
  });
  struct Edge {
    std::uint64_t count = 0;
    Cost inclusive;
  };
  // Caller, call line, callee: the calls and what they cost.
  std::map<std::tuple<Place, int, Place>, Edge> edges;
  const std::vector<CallNode>& nodes = c.Nodes();
  const std::vector<Cost> incl = Inclusive(nodes);
  for (std::size_t i = 1; i < nodes.size(); ++i) {
    const Place caller = placer.At(nodes[i].callPc);
    const Place callee = placer.At(nodes[i].entry);
    Edge& e = edges[{caller, caller.line, callee}];
    e.count += nodes[i].calls;
    e.inclusive.steps += incl[i].steps;
    e.inclusive.calls += incl[i].calls;
  }

  auto file = [&](const Place& p) {
    return p.source < 0 ? std::string("(no source)") : ReportPath(info, p.source, o.base);
  };
  std::ostringstream out;
  out << "# callgrind format\nversion: 1\ncreator: kv74-run\npositions: line\n"
      << "events: Steps Calls\nsummary: " << total.steps << ' ' << total.calls << "\n";
  for (const auto& [place, lines] : self) {
    out << "\nfl=" << file(place) << "\nfn=" << routines.Name(place.routine) << '\n';
    for (const auto& [line, cost] : lines) {
      out << line << ' ' << cost.steps << ' ' << cost.calls << '\n';
    }
    for (auto it = edges.lower_bound({place, 0, Place{}});
         it != edges.end() && !(place < std::get<0>(it->first)); ++it) {
      const auto& [caller, line, callee] = it->first;
      out << "cfl=" << file(callee) << "\ncfn=" << routines.Name(callee.routine)
          << "\ncalls=" << it->second.count << ' ' << callee.line << '\n'
          << line << ' ' << it->second.inclusive.steps << ' ' << it->second.inclusive.calls << '\n';
    }
  }
  out << "\ntotals: " << total.steps << ' ' << total.calls << '\n';
  return out.str();
}

std::string FoldedText(const Collector& c, const dbg::DebugInfo& info, BoardState& m) {
  const Routines routines(info, m, c);
  auto name = [&](std::uint16_t a) {
    const std::uint16_t at = routines.Resolve(a);
    return routines.Name(routines.Of(at).value_or(at));
  };
  const std::vector<CallNode>& nodes = c.Nodes();
  std::vector<std::string> stacks(nodes.size());
  std::map<std::string, std::uint64_t> folded;
  for (std::size_t i = 1; i < nodes.size(); ++i) {
    const CallNode& n = nodes[i];
    // The outermost frame is named by the routine the first call was made from.
    stacks[i] = (n.parent == 0 ? name(n.callPc) : stacks[n.parent]) + ';' + name(n.entry);
    if (n.selfSteps != 0) folded[stacks[i]] += n.selfSteps;
  }
  for (std::size_t a = 0; a < Collector::kAddresses; ++a) {
    const auto at = static_cast<std::uint16_t>(a);
    if (c.OutermostSteps(at) != 0) folded[name(at)] += c.OutermostSteps(at);
  }
  std::ostringstream out;
  for (const auto& [stack, steps] : folded) out << stack << ' ' << steps << '\n';
  return out.str();
}

std::vector<RoutineCost> RoutineCosts(const Collector& c, const dbg::DebugInfo& info,
                                      BoardState& m) {
  const Routines routines(info, m, c);
  const Placer placer(info, routines);
  std::map<std::uint16_t, RoutineCost> costs;
  auto of = [&](std::uint16_t routine) -> RoutineCost& {
    RoutineCost& r = costs[routine];
    r.start = routine;
    return r;
  };
  EachCost(c, m, [&](std::uint16_t at, const Cost& here) {
    of(placer.At(at).routine).self += here.steps;
  });
  for (const std::uint16_t start : routines.Called()) {
    if (routines.Entries(start) != 0) of(start).calls = routines.Entries(start);
  }
  // As callgrind_annotate adds it up: the routine's own steps and what its calls and the
  // request entries from its lines cost.
  if (c.Profiling()) {
    for (auto& [start, r] : costs) r.inclusive = r.self;
    const std::vector<CallNode>& nodes = c.Nodes();
    const std::vector<Cost> incl = Inclusive(nodes);
    for (std::size_t i = 1; i < nodes.size(); ++i) {
      if (incl[i].steps != 0) of(placer.At(nodes[i].callPc).routine).inclusive += incl[i].steps;
    }
  }
  std::vector<RoutineCost> out;
  for (auto& [start, r] : costs) {
    r.name = routines.Name(start);
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace kv74::debug
