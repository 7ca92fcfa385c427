// Which body executes an instruction word: one row per decoded form (Op) with its body, which is
// one body, or one per value of the operation selector t (FieldT, 8 bodies) or of the condition
// d (FieldD, 16 bodies); in a row's body S names that value and Bus the bus type.
//
// Every body has a number (body::), and every instruction word the number of its body
// (BodyNumber). Run loops dispatch on the number: the handler tables of board/step_inl.hpp hold
// the bodies' addresses by number, the scheduled loop of board/step.cpp switches on it with the
// bodies inlined. Both are written out from this one table.
#pragma once

#include <array>
#include <cstdint>

#include "cpu/decode.hpp"

#define KV74_BODY_TABLE(ONE, BY_T, BY_D)     \
  ONE(Invalid, Invalid)                      \
  ONE(LoadBase0, LoadBase0<Bus>)             \
  ONE(StoreBase0, StoreBase0<Bus>)           \
  ONE(LoadBase1, LoadBase1<Bus>)             \
  ONE(StoreBase1, StoreBase1<Bus>)           \
  BY_T(AluToR0Short, AluToR0Short<Bus, S>)   \
  ONE(AluToR0T7, AluShortT7<Bus>)            \
  BY_T(AluToMemShort, AluToMemShort<Bus, S>) \
  ONE(AluToMemT7, AluShortT7<Bus>)           \
  ONE(CallTable, CallTable<Bus>)             \
  BY_D(JumpRel, JumpRel<S>)                  \
  ONE(MovRR, MovRR)                          \
  ONE(Mul, Mul)                              \
  BY_T(AluRR, AluRR<S>)                      \
  ONE(MovbBasex, MovbBasex<Bus>)             \
  ONE(CmpbBasex, CmpbBasex<Bus>)             \
  ONE(MovRegBasex, MovRegBasex<Bus>)         \
  BY_T(AluRegBasex, AluRegBasex<Bus, S>)     \
  ONE(MovBasexReg, MovBasexReg<Bus>)         \
  BY_T(AluBasexReg, AluBasexReg<Bus, S>)     \
  ONE(MovbInd, MovbInd<Bus>)                 \
  ONE(MovbImm, MovbImm)                      \
  ONE(CmpbInd, CmpbInd<Bus>)                 \
  ONE(CmpbImm, CmpbImm)                      \
  BY_T(AluInd, AluInd<Bus, S>)               \
  BY_T(AluImm, AluImm<S>)                    \
  ONE(MovInd, MovInd<Bus>)                   \
  ONE(MovImm, MovImm)                        \
  ONE(PairIntoR0R1, PairIntoR0R1)            \
  ONE(ReadDirect, ReadDirect)                \
  ONE(PopReg, PopReg<Bus>)                   \
  ONE(JumpReg, JumpReg<Bus>)                 \
  BY_D(JumpAbs, JumpAbs<Bus, S>)             \
  ONE(Return, Return<Bus>)                   \
  BY_T(UnaryMem, UnaryMem<Bus, S>)           \
  BY_T(UnaryReg, UnaryReg<S>)                \
  BY_T(ShiftReg, ShiftReg<S>)                \
  ONE(Sign, Sign)                            \
  ONE(PairIntoPair, PairIntoPair)            \
  ONE(WriteDirect, WriteDirect)              \
  ONE(PushReg, PushReg<Bus>)                 \
  ONE(Stop, NoOperation)                     \
  ONE(Wait, NoOperation)

// Expands KV74_BODY_CASE(op, s, ...body), which the user defines, for each body of the table in
// the order of the body numbers: body::op + s is the body's number, s its selector value.
#define KV74_EACH_BODY KV74_BODY_TABLE(KV74_BODY_ONE_, KV74_BODY_T_, KV74_BODY_D_)
#define KV74_BODY_ONE_(op, ...) KV74_BODY_CASE(op, 0, __VA_ARGS__)
#define KV74_BODY_T_(op, ...)                                           \
  KV74_BODY_ONE_(op, __VA_ARGS__)                                       \
  KV74_BODY_CASE(op, 1, __VA_ARGS__)                                    \
  KV74_BODY_CASE(op, 2, __VA_ARGS__)                                    \
  KV74_BODY_CASE(op, 3, __VA_ARGS__)                                    \
  KV74_BODY_CASE(op, 4, __VA_ARGS__)                                    \
  KV74_BODY_CASE(op, 5, __VA_ARGS__) KV74_BODY_CASE(op, 6, __VA_ARGS__) \
      KV74_BODY_CASE(op, 7, __VA_ARGS__)
#define KV74_BODY_D_(op, ...)                                             \
  KV74_BODY_T_(op, __VA_ARGS__)                                           \
  KV74_BODY_CASE(op, 8, __VA_ARGS__)                                      \
  KV74_BODY_CASE(op, 9, __VA_ARGS__)                                      \
  KV74_BODY_CASE(op, 10, __VA_ARGS__)                                     \
  KV74_BODY_CASE(op, 11, __VA_ARGS__)                                     \
  KV74_BODY_CASE(op, 12, __VA_ARGS__) KV74_BODY_CASE(op, 13, __VA_ARGS__) \
      KV74_BODY_CASE(op, 14, __VA_ARGS__) KV74_BODY_CASE(op, 15, __VA_ARGS__)

namespace kv74 {

// The number of each row's first body.
namespace body {
#define KV74_NUMBER_ONE_(op, ...) op,
#define KV74_NUMBER_T_(op, ...) op, op##Last_ = op + 7,
#define KV74_NUMBER_D_(op, ...) op, op##Last_ = op + 15,
enum : unsigned { KV74_BODY_TABLE(KV74_NUMBER_ONE_, KV74_NUMBER_T_, KV74_NUMBER_D_) COUNT };
#undef KV74_NUMBER_ONE_
#undef KV74_NUMBER_T_
#undef KV74_NUMBER_D_
}  // namespace body
static_assert(body::COUNT <= 256);

// The body number of word w, whose form is op.
constexpr unsigned BodyNumberOf(Op op, std::uint16_t w) {
  switch (op) {
// clang-format off
#define KV74_CASE_ONE_(form, ...) case Op::form: return body::form;
#define KV74_CASE_T_(form, ...) case Op::form: return body::form + FieldT(w);
#define KV74_CASE_D_(form, ...) case Op::form: return body::form + FieldD(w);
    // clang-format on
    KV74_BODY_TABLE(KV74_CASE_ONE_, KV74_CASE_T_, KV74_CASE_D_)
#undef KV74_CASE_ONE_
#undef KV74_CASE_T_
#undef KV74_CASE_D_
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
