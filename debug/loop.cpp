// The checked loop: what the engine tests between the steps when something is set.
#include <algorithm>
#include <bit>

#include "board/run_checked.hpp"
#include "board/step.hpp"
#include "cpu/decode.hpp"
#include "debug/engine.hpp"

namespace kv74::debug {

namespace {
// An instruction word as the fetch sees it; the common case inline.
[[gnu::always_inline]] inline std::uint16_t CodeWord(BoardState& m, std::uint16_t a) {
  return a < PROGRAM_WORDS ? m.ProgramMemory[a] : PeekWord(m, a);
}
}  // namespace

// kSlow: history, calls, catchpoints, a step goal or a search. kCollect: a collector alone beside
// the fast checks, kCoverage or kProfile (the slow checks count themselves).
enum Collecting { kNone, kCoverage, kProfile };
template <typename BusT, bool kSlow, int kCollect>
struct LoopChecks {
  using Bus = BusT;
  static constexpr bool kTapped = std::is_same_v<Bus, TappedBus>;
  static constexpr bool kChecked = true;

  Engine& e;
  const Engine::Goal& goal;
  const std::uint8_t* breakMap;
  std::uint64_t steps, end;
  bool first;
  bool armed;  // points checked (not while retracing the run)
  bool stopped = false;
  StopReason stop;
  Engine::Hit* hit;  // a reverse search notes its hits here instead of stopping
  std::uint16_t pc = 0, op = 0, sp = 0, faults = 0;
  int request = -1;
  std::uint32_t notified = 0;
  bool ended = false;  // stopped, or asked to pause by the target or the observer
  // The step that passes over a breakpoint at its PC (the first of a resumed run), or none.
  std::uint64_t firstStep = ~std::uint64_t{0};
  std::uint64_t sliceEnd = 0;  // the step count at which the loop running ends
  Collector* collector = nullptr;
  std::uint64_t *executed = nullptr, *taken = nullptr;
  const Collector::Kind* kinds = nullptr;
  std::uint16_t topSp = 0;  // profiling: the stack pointer of the innermost frame, or 0

  bool Stop(StopReason r) {
    r.step = steps;
    r.pc = e.m_[reg::PC];
    if (hit != nullptr) {
      if (steps < end || r.kind == StopKind::Breakpoint) {
        hit->found = true;
        hit->reason = r;
      }
      return false;  // go on searching
    }
    stop = r;
    stopped = ended = true;
    return true;
  }

  // A pause or a posted click ends the run, unless it retraces or searches.
  bool Interrupted() const {
    return e.attention_.load(std::memory_order_relaxed) != 0 && hit == nullptr && !goal.replay;
  }

  [[gnu::always_inline]] bool Before(BoardState& m) {
    const std::uint16_t at = m[reg::PC];
    if constexpr (kTapped || kSlow || kCollect != kNone)
      pc = at;  // the accessing PC, the step's record
    if (breakMap[at] != 0 && steps != firstStep) [[unlikely]] {
      if (steps == sliceEnd) return false;  // the slice is over: no step here
      pc = at;
      FlagsToWord(m);
      e.steps_ = steps;  // a condition reads the count
      if (const Point* p = e.points_.BreakHit(m, pc, hit != nullptr)) {
        StopReason r;
        r.kind = StopKind::Breakpoint;
        r.point = p->id;
        if (Stop(r)) return false;
      }
    }
    if constexpr (kSlow) return SlowBefore(m);
    return true;
  }

  bool SlowBefore(BoardState& m) {
    if (steps == sliceEnd) return false;  // the slice is over: no step here
    FlagsToWord(m);
    const bool wasFirst = steps == firstStep;
    switch (goal.mode) {
      case Engine::Mode::To:
        if (!wasFirst && pc == goal.address && Stop(Make(StopKind::RunTo))) return false;
        break;
      case Engine::Mode::Over:
        if (pc == goal.address && m[reg::SP] <= goal.sp && Stop(Make(StopKind::StepOver))) {
          return false;
        }
        break;
      default: break;
    }
    op = CodeWord(m, pc);
    sp = m[reg::SP];
    faults = m[reg::FAULTS];
    if ((goal.record || (e.RecordsLive() && !goal.replay)) && hit == nullptr) {
      e.history_.Record(m, steps, op, CodeWord(m, static_cast<std::uint16_t>(pc + 1)));
    }
    return true;
  }

  static StopReason Make(StopKind k) {
    StopReason r;
    r.kind = k;
    return r;
  }

  void Request(BoardState&, int line) {
    request = line;
    if constexpr (kCollect != kNone) collector->MarkRequest(pc);
  }

  static bool StopAfterHandover() { return false; }

  void Handover(BoardState& m) {
    notified = m.NotifyWord;
    e.target_.Handover(m);
    // The target may have asked for a pause: honoured at this step boundary, as for the observer.
    if (Interrupted()) ended = true;
  }

  [[gnu::always_inline]] bool After(BoardState& m) {
    ++steps;
    if constexpr (kTapped) {
      if (threadTap->Any()) [[unlikely]] {
        if (armed) CheckAccesses(m);
        if constexpr (kSlow) SlowAfter(m);
        if constexpr (kCollect != kNone) CollectAfter(m);
        threadTap->Forget();
        return !ended;
      }
    }
    if constexpr (kSlow) SlowAfter(m);
    if constexpr (kCollect != kNone) CollectAfter(m);
    return !ended;
  }

  // The call stack (when tracked) and the collector after a step of the slow checks.
  void Follow(BoardState& m, Op form, bool collect) {
    if (e.trackCalls_ || (collect && e.collector_->Profiling())) {
      e.calls_.Unwind(m[reg::SP]);
      if (request >= 0) {
        e.calls_.Push({pc, m[reg::PC], pc, m[reg::SP], request});
      } else if (Collector::IsCall(form, op)) {
        e.calls_.Push({pc, m[reg::PC], static_cast<std::uint16_t>(pc + InstructionLength(op)),
                       m[reg::SP], -1});
      }
    }
    if (collect) e.collector_->Stepped(m, pc, request, m[reg::PC], e.calls_.Frames());
  }

  // The collector alone: the counts, and with profiling the call stack, kept by the kinds of
  // the instructions rather than by decoding each.
  [[gnu::always_inline]] void CollectAfter(BoardState& m) {
    const std::uint16_t newPc = m[reg::PC];
    ++executed[pc];
    Collector::Kind k = kinds[pc];
    if (k == Collector::kJump1 || k == Collector::kJump2) {
      taken[pc] += newPc != static_cast<std::uint16_t>(pc + k);  // kJump1 is 1, kJump2 is 2
    } else if (k != Collector::kPlain) [[unlikely]] {
      k = collector->Transfer(m, pc, k, newPc);
    }
    if constexpr (kCollect == kProfile) {
      if (k != Collector::kRequest) collector->Self(pc);
      const std::uint16_t sp = m[reg::SP];
      bool moved = false;
      if (sp < topSp) [[unlikely]] {
        e.calls_.Unwind(sp);
        moved = true;
      }
      if (k == Collector::kRequest) [[unlikely]] {
        e.calls_.Push({pc, newPc, pc, sp, request});
        moved = true;
      } else if (k == Collector::kCall1 || k == Collector::kCall2) {
        e.calls_.Push(
            {pc, newPc, static_cast<std::uint16_t>(pc + (k == Collector::kCall2 ? 2 : 1)), sp, -1});
        moved = true;
      }
      if (moved) {
        collector->Follow(e.calls_.Frames());
        topSp = e.calls_.Frames().empty() ? 0 : e.calls_.Frames().back().sp;
      }
      if (k == Collector::kRequest) collector->Self(newPc);
    }
  }

  void CheckAccesses(BoardState& m) {
    FlagsToWord(m);
    e.steps_ = steps;
    for (const Access& a : threadTap->Accesses()) {
      if (const Point* p = e.points_.WatchHit(m, a, hit != nullptr)) {
        StopReason r;
        r.kind = StopKind::Watchpoint;
        r.point = p->id;
        r.access = a;
        r.accessPc = pc;
        if (Stop(r)) return;
      }
    }
  }

  void Catch(BoardState& m, CatchKind k, std::uint32_t bits, std::uint32_t reported) {
    if ((e.points_.CatchMask(k) & bits) == 0) return;
    e.steps_ = steps;
    if (const Point* p = e.points_.CatchHit(m, k, bits, hit != nullptr)) {
      StopReason r;
      r.kind = StopKind::Catch;
      r.point = p->id;
      r.catchKind = k;
      r.bits = reported;
      Stop(r);
    }
  }

  void SlowAfter(BoardState& m) {
    FlagsToWord(m);
    const Op form = Decode(op);
    if (e.observer_ != nullptr && !goal.replay) {
      StepRecord record{steps - 1, pc, op, CodeWord(m, static_cast<std::uint16_t>(pc + 1)),
                        request,   {}};
      if constexpr (kTapped) record.accesses = threadTap->Accesses();
      e.observer_->Stepped(m, record);
      if (Interrupted()) ended = true;
    }
    Follow(m, form, e.collector_ != nullptr && !goal.replay && hit == nullptr);
    if (!armed) {
      request = -1;
      notified = 0;
      return;
    }
    if (request >= 0) Catch(m, CatchKind::Request, 1u << request, static_cast<unsigned>(request));
    const std::uint32_t raised = m[reg::FAULTS] & ~faults & fault::FAULT_MASK;
    if (raised != 0) Catch(m, CatchKind::Fault, raised, raised);
    if (notified != 0) Catch(m, CatchKind::Handover, notified, notified);
    if (goal.mode == Engine::Mode::Out && request < 0 && form == Op::Return &&
        m[reg::SP] < goal.sp) {
      Stop(Make(StopKind::StepOut));
    }
    request = -1;
    notified = 0;
  }
};

namespace {
// Another thread's pause or click is looked for between slices of this many steps.
constexpr std::uint64_t kAttentionSlice = 1 << 16;

template <typename Bus, bool kSlow, int kCollect>
bool RunWith(LoopChecks<Bus, kSlow, kCollect>& checks, BoardState& m, AccessTap* tap) {
  AccessTap* saved = threadTap;
  if (tap != nullptr) threadTap = tap;
  if (checks.first) checks.firstStep = checks.steps;
  while (!checks.ended && checks.steps != checks.end && !checks.Interrupted()) {
    const std::uint64_t n = std::min(checks.end - checks.steps, kAttentionSlice);
    checks.sliceEnd = checks.steps + n;
    RunScheduledChecked(m, checks, n);
  }
  threadTap = saved;
  return checks.stopped;
}
}  // namespace

// The plain loop, following the calls when they are tracked: told only of the steps that call,
// return, pop or enter a request, so the call stack costs little. A frame left by a change of the
// stack pointer other than a return or a pop goes at the next of these or at the end of the run.
struct CallsRun {
  using Bus = PlainBus;
  static constexpr bool kChecked = false;
  static constexpr bool kCalls = true;
  HandoverReceiver& receiver;
  const std::atomic<int>& flag;
  CallStack& calls;

  void Handover(BoardState& m) { receiver.Handover(m); }
  bool StopAfterHandover() const { return flag.load(std::memory_order_acquire) != 0; }
  static bool Before(BoardState&) { return true; }
  static void Request(BoardState&, int) {}
  static bool After(BoardState&) { return true; }

  void Called(BoardState& m) {
    if (FieldD(m.opWord) != 2 && Decode(m.opWord) != Op::CallTable) return;  // a jump
    const std::uint16_t back = PeekWord(m, m[reg::SP]);
    calls.Unwind(m[reg::SP]);
    calls.Push({static_cast<std::uint16_t>(back - InstructionLength(m.opWord)), m[reg::PC], back,
                m[reg::SP], -1});
  }
  void Popped(BoardState& m) { calls.Unwind(m[reg::SP]); }
  void Entered(BoardState& m, int line, std::uint16_t at) {
    calls.Unwind(m[reg::SP]);
    calls.Push({at, m[reg::PC], at, m[reg::SP], line});
  }
};

// The plain loop counting coverage (and following the calls when kTrack): the instruction of
// each step, and after a jump or call, known by its body, whether it was taken or where it
// entered; a request entry counts where it entered instead of the instruction it replaced.
template <bool kTrack>
struct CountsRun : CallsRun {
  static constexpr bool kCalls = kTrack;
  static constexpr bool kCounts = true;
  std::uint64_t *executed, *taken, *entered, *requests;
  std::uint16_t pc = 0;

  [[gnu::always_inline]] void Counted(unsigned p) {
    pc = static_cast<std::uint16_t>(p);
    ++executed[pc];
  }
  template <Op kOp, unsigned S>
  [[gnu::always_inline]] void Jumped(BoardState& m) {
    const std::uint16_t to = m[reg::PC];
    const unsigned d = kOp == Op::JumpReg ? FieldD(m.opWord) : S;
    if (kOp == Op::CallTable || (kOp != Op::JumpRel && d == exec::kCallCondition)) {
      ++entered[to];
    } else if (Collector::MayFail(d)) {
      taken[pc] += to != static_cast<std::uint16_t>(pc + (kOp == Op::JumpAbs ? 2 : 1));
    }
  }
  void Entered(BoardState& m, int line, std::uint16_t at) {
    ++entered[m[reg::PC]];
    ++requests[m[reg::PC]];
    if constexpr (kTrack) CallsRun::Entered(m, line, at);
  }
};

template <typename Run>
void Engine::RunSlices(std::uint64_t end, const std::atomic<int>& flag, Run& run) {
  while (steps_ < end && flag.load(std::memory_order_acquire) == 0) {
    steps_ += step_detail::RunLoop(m_, std::min(end - steps_, kAttentionSlice), run);
  }
}

void Engine::RunPlain(std::uint64_t end, bool pausable, Collector* counting) {
  static const std::atomic<int> kNeverStop{0};
  const std::atomic<int>& flag = pausable ? attention_ : kNeverStop;
  if (counting != nullptr) {
    auto count = [&]<bool kTrack>() {
      CountsRun<kTrack> run{{receiver_, flag, calls_},
                            counting->ExecutedCounts(),
                            counting->TakenCounts(),
                            counting->EnteredCounts(),
                            counting->RequestCounts()};
      RunSlices(end, flag, run);
    };
    if (trackCalls_) {
      count.template operator()<true>();
    } else {
      count.template operator()<false>();
    }
  } else if (trackCalls_) {
    CallsRun run{receiver_, flag, calls_};
    RunSlices(end, flag, run);
  } else {
    steps_ += RunScheduledStepsWhile(m_, end - steps_, flag, 0, receiver_);
    return;
  }
  if (trackCalls_) calls_.Unwind(m_[reg::SP]);
}

bool Engine::RunChecked(const Goal& g, std::uint64_t end, bool first, StopReason& stop, Hit* hit) {
  const bool armed = !g.replay || g.search;
  const bool observing = observer_ != nullptr && !g.replay;
  const bool watch = (points_.AnyWatch() && armed) || (observing && observeIo_);
  const bool catches = points_.CatchMask(CatchKind::Request) != 0 ||
                       points_.CatchMask(CatchKind::Fault) != 0 ||
                       points_.CatchMask(CatchKind::Handover) != 0;
  const bool collecting = collector_ != nullptr && !g.replay;
  const bool slow = g.mode != Mode::Plain || trackCalls_ || observing ||
                    (!g.replay && RecordsLive()) || g.record || (armed && catches);
  static const std::array<std::uint8_t, 65536> kNoBreaks{};
  const std::uint8_t* bits = armed ? points_.BreakMap().data() : kNoBreaks.data();
  if (watch) {
    tap_ = points_.Marks();
    if (observing && observeIo_) tap_.Mark(IO_BASE, IO_BASE + IO_SIZE - 1);
  }
  // One instantiation of the loop per bus and per slow or fast checks; a collector alone gets the
  // fast checks with its counting, with the slow checks it counts there.
  auto run = [&]<typename Bus, bool kSlow, int kCollect>() {
    LoopChecks<Bus, kSlow, kCollect> checks{*this, g,     bits,  steps_, end,
                                            first, armed, false, {},     hit};
    if constexpr (kCollect != kNone) {
      collector_->Prepare(m_);
      checks.collector = collector_;
      checks.executed = collector_->ExecutedCounts();
      checks.taken = collector_->TakenCounts();
      checks.kinds = collector_->Kinds();
      checks.topSp = calls_.Frames().empty() ? 0 : calls_.Frames().back().sp;
    }
    const bool stopped = RunWith(checks, m_, watch ? &tap_ : nullptr);
    steps_ = checks.steps;
    stop = checks.stop;
    return stopped;
  };
  const int collect = slow || !collecting ? kNone : collector_->Profiling() ? kProfile : kCoverage;
  if (slow && collecting) collector_->Prepare(m_);
  if (watch) {
    if (slow) return run.template operator()<TappedBus, true, kNone>();
    if (collect == kCoverage) return run.template operator()<TappedBus, false, kCoverage>();
    if (collect == kProfile) return run.template operator()<TappedBus, false, kProfile>();
    return run.template operator()<TappedBus, false, kNone>();
  }
  if (slow) return run.template operator()<PlainBus, true, kNone>();
  if (collect == kCoverage) return run.template operator()<PlainBus, false, kCoverage>();
  if (collect == kProfile) return run.template operator()<PlainBus, false, kProfile>();
  return run.template operator()<PlainBus, false, kNone>();
}

}  // namespace kv74::debug
