// Which body executes an instruction word: one row per decoded form (Op) with its body, which is
// one body, or one per value of a selector of the word (the operation, the condition, the
// addressing mode, or both operation and mode); in a row's body S names that value and Bus the bus
// type.
//
// Every body has a number (body::), and every instruction word the number of its body
// (BodyNumber). Run loops dispatch on the number: the table of board/step_inl.hpp holds the
// bodies' addresses by number for the per-step reference, the run loop of board/run_loop.hpp
// inlines each body under a label and jumps to the label by number. Both are written out from
// this one table.
#pragma once

#include <array>
#include <cstdint>

#include "cpu/decode.hpp"

// clang-format off
#define KV74_BODY_TABLE(ROW)                                  \
  ROW(Invalid,       ONE, Invalid)                            \
  ROW(LoadBase0,     ONE, LoadBase0<Bus>)                     \
  ROW(StoreBase0,    ONE, StoreBase0<Bus>)                    \
  ROW(LoadBase1,     ONE, LoadBase1<Bus>)                     \
  ROW(StoreBase1,    ONE, StoreBase1<Bus>)                    \
  ROW(AluToR0Short,  T,   AluToR0Short<Bus, S>)               \
  ROW(AluToR0T7,     ONE, AluShortT7<Bus>)                    \
  ROW(AluToMemShort, T,   AluToMemShort<Bus, S>)              \
  ROW(AluToMemT7,    ONE, AluShortT7<Bus>)                    \
  ROW(CallTable,     ONE, CallTable<Bus>)                     \
  ROW(JumpRel,       D,   JumpRel<S>)                         \
  ROW(MovRR,         ONE, MovRR)                              \
  ROW(Mul,           ONE, Mul)                                \
  ROW(AluRR,         T,   AluRR<S>)                           \
  ROW(MovbBasex,     M,   MovbBasex<Bus, S>)                  \
  ROW(CmpbBasex,     M,   CmpbBasex<Bus, S>)                  \
  ROW(MovRegBasex,   M,   MovRegBasex<Bus, S>)                \
  ROW(AluRegBasex,   T,   AluRegBasex<Bus, S>)                \
  ROW(MovBasexReg,   M,   MovBasexReg<Bus, S>)                \
  ROW(AluBasexReg,   T,   AluBasexReg<Bus, S>)                \
  ROW(MovbInd,       IM,  MovbInd<Bus, S + 1>)                \
  ROW(MovbImm,       ONE, MovbImm)                            \
  ROW(CmpbInd,       IM,  CmpbInd<Bus, S + 1>)                \
  ROW(CmpbImm,       ONE, CmpbImm)                            \
  ROW(AluInd,        TIM, AluInd<Bus, S / 3, S % 3 + 1>)      \
  ROW(AluImm,        T,   AluImm<S>)                          \
  ROW(MovInd,        IM,  MovInd<Bus, S + 1>)                 \
  ROW(MovImm,        ONE, MovImm)                             \
  ROW(PairIntoR0R1,  ONE, PairIntoR0R1)                       \
  ROW(ReadDirect,    ONE, ReadDirect)                         \
  ROW(PopReg,        ONE, PopReg<Bus>)                        \
  ROW(JumpReg,       ONE, JumpReg<Bus>)                       \
  ROW(JumpAbs,       D,   JumpAbs<Bus, S>)                    \
  ROW(Return,        ONE, Return<Bus>)                        \
  ROW(UnaryMem,      T,   UnaryMem<Bus, S>)                   \
  ROW(UnaryReg,      T,   UnaryReg<S>)                        \
  ROW(ShiftReg,      T,   ShiftReg<S>)                        \
  ROW(Sign,          ONE, Sign)                               \
  ROW(PairIntoPair,  ONE, PairIntoPair)                       \
  ROW(WriteDirect,   ONE, WriteDirect)                        \
  ROW(PushReg,       ONE, PushReg<Bus>)                       \
  ROW(Stop,          ONE, NoOperation)                        \
  ROW(Wait,          ONE, NoOperation)

// The selectors: how many bodies a row has, and which of them word w takes.
#define KV74_SELECTORS_ONE 1
#define KV74_SELECTORS_T 8      // the operation selector t
#define KV74_SELECTORS_D 16     // the condition d
#define KV74_SELECTORS_M 5      // the BASEX addressing mode 0..4
#define KV74_SELECTORS_IM 3     // the indirect addressing mode 1..3
#define KV74_SELECTORS_TIM 24   // t and the indirect mode
#define KV74_SELECTOR_ONE(w) 0u
#define KV74_SELECTOR_T(w) FieldT(w)
#define KV74_SELECTOR_D(w) FieldD(w)
#define KV74_SELECTOR_M(w) FieldM(w)
#define KV74_SELECTOR_IM(w) (FieldIM(w) - 1)
#define KV74_SELECTOR_TIM(w) (FieldT(w) * 3 + FieldIM(w) - 1)

// Expands KV74_BODY_CASE(op, s, ...body), which the user defines, for each body of the table in
// the order of the body numbers: body::op + s is the body's number, s its selector value.
#define KV74_EACH_BODY KV74_BODY_TABLE(KV74_BODY_ROW_)
#define KV74_BODY_ROW_(op, sel, ...) KV74_BODIES_##sel(op, __VA_ARGS__)
#define KV74_BODIES_ONE(op, ...) KV74_BODY_CASE(op, 0, __VA_ARGS__)
#define KV74_BODIES_IM(op, ...) KV74_BODIES_ONE(op, __VA_ARGS__) \
  KV74_BODY_CASE(op, 1, __VA_ARGS__) KV74_BODY_CASE(op, 2, __VA_ARGS__)
#define KV74_BODIES_M(op, ...) KV74_BODIES_IM(op, __VA_ARGS__) \
  KV74_BODY_CASE(op, 3, __VA_ARGS__) KV74_BODY_CASE(op, 4, __VA_ARGS__)
#define KV74_BODIES_T(op, ...) KV74_BODIES_M(op, __VA_ARGS__) \
  KV74_BODY_CASE(op, 5, __VA_ARGS__) KV74_BODY_CASE(op, 6, __VA_ARGS__) \
  KV74_BODY_CASE(op, 7, __VA_ARGS__)
#define KV74_BODIES_D(op, ...) KV74_BODIES_T(op, __VA_ARGS__) \
  KV74_BODY_CASE(op, 8, __VA_ARGS__) KV74_BODY_CASE(op, 9, __VA_ARGS__) \
  KV74_BODY_CASE(op, 10, __VA_ARGS__) KV74_BODY_CASE(op, 11, __VA_ARGS__) \
  KV74_BODY_CASE(op, 12, __VA_ARGS__) KV74_BODY_CASE(op, 13, __VA_ARGS__) \
  KV74_BODY_CASE(op, 14, __VA_ARGS__) KV74_BODY_CASE(op, 15, __VA_ARGS__)
#define KV74_BODIES_TIM(op, ...) KV74_BODIES_D(op, __VA_ARGS__) \
  KV74_BODY_CASE(op, 16, __VA_ARGS__) KV74_BODY_CASE(op, 17, __VA_ARGS__) \
  KV74_BODY_CASE(op, 18, __VA_ARGS__) KV74_BODY_CASE(op, 19, __VA_ARGS__) \
  KV74_BODY_CASE(op, 20, __VA_ARGS__) KV74_BODY_CASE(op, 21, __VA_ARGS__) \
  KV74_BODY_CASE(op, 22, __VA_ARGS__) KV74_BODY_CASE(op, 23, __VA_ARGS__)
// clang-format on

namespace kv74 {

// The number of each row's first body.
namespace body {
#define KV74_NUMBER_(op, sel, ...) op, op##Last_ = op + KV74_SELECTORS_##sel - 1,
enum : unsigned { KV74_BODY_TABLE(KV74_NUMBER_) COUNT };
#undef KV74_NUMBER_
}  // namespace body
static_assert(body::COUNT <= 256);

// The body number of word w, whose form is op.
constexpr unsigned BodyNumberOf(Op op, std::uint16_t w) {
  switch (op) {
// clang-format off
#define KV74_CASE_(form, sel, ...) case Op::form: return body::form + KV74_SELECTOR_##sel(w);
    // clang-format on
    KV74_BODY_TABLE(KV74_CASE_)
#undef KV74_CASE_
    case Op::Count: break;
  }
  return body::Invalid;
}

// The forms whose bodies store through the bus, and so may leave a notification (NotifyWord); no
// other body ever does.
constexpr bool MayNotify(Op op) {
  switch (op) {
    case Op::StoreBase0:
    case Op::StoreBase1:
    case Op::AluToMemShort:
    case Op::MovBasexReg:
    case Op::AluBasexReg:
    case Op::UnaryMem:
    case Op::PushReg: return true;
    default: return false;
  }
}

// The body number of every instruction word, built by the compiler (decode.cpp).
extern const std::array<std::uint8_t, 65536> BodyNumbers;

inline unsigned BodyNumber(std::uint16_t w) { return BodyNumbers[w]; }

}  // namespace kv74
