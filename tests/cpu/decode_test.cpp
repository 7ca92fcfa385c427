#include "cpu/decode.hpp"

#include <gtest/gtest.h>

namespace kv74 {
namespace {

struct DecodeCase {
  std::uint16_t word;
  Op op;
  int length;
};

// Boundary words of the opcode map, including rows that overlap within group 0xE and 0xF where
// only the first matching row decides.
TEST(Decode, BoundaryWordsOfEveryRow) {
  const DecodeCase cases[] = {
      {0x0000, Op::LoadBase0, 1},     {0x0FFF, Op::LoadBase0, 1},   {0x1022, Op::StoreBase0, 1},
      {0x2105, Op::LoadBase1, 1},     {0x3FFF, Op::StoreBase1, 1},  {0x4412, Op::AluToR0Short, 1},
      {0x4DFF, Op::AluToR0Short, 1},  {0x4E00, Op::AluToR0T7, 1},   {0x4FFF, Op::AluToR0T7, 1},
      {0x5412, Op::AluToMemShort, 1}, {0x5E00, Op::AluToMemT7, 1},  {0x6288, Op::CallTable, 1},
      {0x63FF, Op::JumpRel, 1},       {0x6000, Op::JumpRel, 1},     {0x7034, Op::MovRR, 1},
      {0x71FF, Op::Mul, 1},           {0x7200, Op::Invalid, 1},     {0x8000, Op::Invalid, 1},
      {0x9000, Op::AluRR, 1},         {0x9DFF, Op::AluRR, 1},       {0x9E00, Op::Invalid, 1},
      {0xA123, Op::Invalid, 1},       {0xB000, Op::Invalid, 1},     {0xC0D0, Op::Invalid, 1},
      {0xC000, Op::MovbBasex, 1},     {0xC020, Op::MovbBasex, 2},   {0xC830, Op::CmpbBasex, 2},
      {0xC380, Op::MovRegBasex, 1},   {0xC3A0, Op::MovRegBasex, 2}, {0xC100, Op::AluRegBasex, 1},
      {0xCF00, Op::Invalid, 1},       {0xD080, Op::MovBasexReg, 1}, {0xD0B0, Op::MovBasexReg, 2},
      {0xD100, Op::AluBasexReg, 1},   {0xDF00, Op::Invalid, 1},     {0xD000, Op::Invalid, 1},
      {0xD0D0, Op::Invalid, 1},       {0xE010, Op::MovbInd, 1},     {0xE000, Op::MovbImm, 2},
      {0xE810, Op::CmpbInd, 1},       {0xE800, Op::CmpbImm, 2},     {0xEF00, Op::Invalid, 1},
      {0xE110, Op::AluInd, 1},        {0xE501, Op::AluImm, 2},      {0xE090, Op::MovInd, 1},
      {0xE080, Op::MovImm, 2},        {0xE180, Op::MovImm, 2},      {0xE0C0, Op::PairIntoR0R1, 1},
      {0xE1C0, Op::ReadDirect, 1},    {0xE1F0, Op::ReadDirect, 1},  {0xE3C0, Op::PopReg, 1},
      {0xE3D2, Op::PopReg, 1},        {0xE240, Op::JumpReg, 1},     {0xE350, Op::JumpAbs, 2},
      {0xE250, Op::JumpAbs, 2},       {0xE370, Op::Return, 1},      {0xE371, Op::Invalid, 1},
      {0xE060, Op::Invalid, 1},       {0xE051, Op::Invalid, 1},     {0xF000, Op::UnaryMem, 1},
      {0xF020, Op::UnaryMem, 2},      {0xF050, Op::Invalid, 1},     {0xF080, Op::UnaryReg, 1},
      {0xF090, Op::ShiftReg, 1},      {0xF6B1, Op::Sign, 1},        {0xF0C0, Op::PairIntoPair, 1},
      {0xF1D0, Op::WriteDirect, 1},   {0xF3C0, Op::PushReg, 1},     {0xF9F4, Op::Stop, 1},
      {0xFBF4, Op::Wait, 1},          {0xF9F5, Op::Invalid, 1},     {0xFFFF, Op::Invalid, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << "word 0x" << c.word);
    EXPECT_STREQ(OpName(Decode(c.word)), OpName(c.op));
    EXPECT_EQ(InstructionLength(c.word), c.length);
  }
}

}  // namespace
}  // namespace kv74
