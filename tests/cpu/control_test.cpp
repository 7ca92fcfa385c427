// Jumps, calls, return, register push and pop, direct register access and the special words.
#include <gtest/gtest.h>

#include "tests/cpu/machine_fixture.hpp"

namespace kv74 {
namespace {

using testing::Machine;
using testing::ProgramCase;
using testing::RunProgramCase;

constexpr int SP = reg::SP, FL = reg::FLAGS;
constexpr std::uint16_t BAD = fault::BAD_ADDRESS;

void RunAll(const std::vector<ProgramCase>& cases) {
  for (const ProgramCase& c : cases) RunProgramCase(c);
}

TEST(Control, RelativeJumps) {
  RunAll({
      {.name = "JMP one word back", .code = {0x63FF}, .at = 0x200, .wantPc = 0x1FF},
      {.name = "JMP to itself", .code = {0x6300}, .at = 0x200, .wantPc = 0x200},
      {.name = "JMP 127 forward", .code = {0x637F}, .at = 0x200, .wantPc = 0x27F},
      {.name = "JMP 128 back", .code = {0x6380}, .at = 0x200, .wantPc = 0x180},
      {.name = "JZ not taken", .code = {0x657F}, .at = 0x200, .wantPc = 0x201},
      {.name = "JZ taken", .code = {0x657F}, .at = 0x200, .flags = "-Z--", .wantPc = 0x27F},
      {.name = "JA not taken on C", .code = {0x6A10}, .flags = "---C", .wantPc = 0x101},
      {.name = "JL taken on N != V", .code = {0x6F10}, .flags = "N---", .wantPc = 0x110},
      {.name = "jumps keep the flags",
       .code = {0x6310},
       .flags = "NZVC",
       .wantFlags = "NZVC",
       .wantPc = 0x110},
      {.name = "displacement wraps the address", .code = {0x63F0}, .at = 0x0005, .wantPc = 0xFFF5},
  });
}

TEST(Control, Calls) {
  RunAll({
      {.name = "CALL through table word 0x88",
       .code = {0x6288},
       .at = 0x300,
       .regs = {{SP, 0x4000}},
       .mem = {{0x0088, 0x1234}},
       .wantRegs = {{SP, 0x4001}},
       .wantMem = {{0x4001, 0x0301}},
       .wantPc = 0x1234},
      {.name = "CALL [1000]",
       .code = {0xE250, 0x1000},
       .at = 0x400,
       .regs = {{SP, 0x4100}},
       .wantRegs = {{SP, 0x4101}},
       .wantMem = {{0x4101, 0x0402}},
       .wantPc = 0x1000},
      {.name = "JMP [1000] pushes nothing",
       .code = {0xE350, 0x1000},
       .at = 0x400,
       .regs = {{SP, 0x4100}},
       .wantRegs = {{SP, 0x4100}},
       .wantMem = {{0x4101, 0}},
       .wantPc = 0x1000},
      {.name = "JZ [1000] not taken", .code = {0xE550, 0x1000}, .at = 0x400, .wantPc = 0x402},
      {.name = "JZ [1000] taken",
       .code = {0xE550, 0x1000},
       .at = 0x400,
       .flags = "-Z--",
       .wantPc = 0x1000},
      {.name = "CALL [R7]",
       .code = {0xE247},
       .regs = {{SP, 0x4100}, {7, 0x0800}},
       .wantRegs = {{SP, 0x4101}},
       .wantMem = {{0x4101, 0x0101}},
       .wantPc = 0x0800},
      {.name = "JMP [R7]", .code = {0xE347}, .regs = {{7, 0x0800}}, .wantPc = 0x0800},
      {.name = "JNC [R7] not taken",
       .code = {0xE847},
       .regs = {{7, 0x0800}},
       .flags = "---C",
       .wantPc = 0x0101},
      {.name = "the call push sets no notification at a watched cell",
       .code = {0x6288},
       .regs = {{SP, 0x4234}},
       .wantMem = {{0x4235, 0x0101}},
       .wantNotify = 0},
      {.name = "call push into the last DataMemory word",
       .code = {0xE250, 0x1000},
       .regs = {{SP, 0x4FFE}},
       .wantRegs = {{SP, 0x4FFF}},
       .wantMem = {{0x4FFF, 0x0102}},
       .wantPc = 0x1000},
      {.name = "call push outside DataMemory is dropped with a fault",
       .code = {0xE250, 0x1000},
       .regs = {{SP, 0x4FFF}},
       .wantRegs = {{SP, 0x5000}},
       .wantPc = 0x1000,
       .wantFaults = BAD},
      {.name = "call push with the stack pointer in ProgramMemory",
       .code = {0x6201},
       .regs = {{SP, 0x00FF}},
       .mem = {{0x0001, 0x0700}, {0x0100, 0x6201}},
       .wantRegs = {{SP, 0x0100}},
       .wantMem = {{0x0100, 0x6201}},
       .wantPc = 0x0700,
       .wantFaults = BAD},
  });
}

TEST(Control, ReturnAndStackRegisters) {
  RunAll({
      {.name = "return pops the PC",
       .code = {0xE370},
       .regs = {{SP, 0x4005}},
       .mem = {{0x4005, 0x0777}},
       .wantRegs = {{SP, 0x4004}},
       .wantPc = 0x0777},
      {.name = "return with the stack in a bad area jumps to 0",
       .code = {0xE370},
       .regs = {{SP, 0x2000}},
       .wantRegs = {{SP, 0x1FFF}},
       .wantPc = 0,
       .wantFaults = BAD},
      {.name = "push R3",
       .code = {0xF3C3},
       .regs = {{SP, 0x4010}, {3, 0xABCD}},
       .wantRegs = {{SP, 0x4011}},
       .wantMem = {{0x4011, 0xABCD}},
       .wantPc = 0x101},
      {.name = "push the stack pointer stores the incremented value",
       .code = {0xF3D2},
       .regs = {{SP, 0x4010}},
       .wantMem = {{0x4011, 0x4011}},
       .wantPc = 0x101},
      {.name = "push goes through the bus: watched cell notifies",
       .code = {0xF3C0},
       .regs = {{SP, 0x4234}, {0, 5}},
       .wantMem = {{0x4235, 5}},
       .wantPc = 0x101,
       .wantNotify = notify::FEED},
      {.name = "push onto ProgramMemory is lost",
       .code = {0xF3C0},
       .regs = {{SP, 0x00FF}},
       .mem = {{0x0100, 0xF3C0}},
       .wantRegs = {{SP, 0x0100}},
       .wantMem = {{0x0100, 0xF3C0}},
       .wantPc = 0x101,
       .wantFaults = BAD},
      {.name = "push of an unmapped offset",
       .code = {0xF3F0},
       .regs = {{SP, 0x4010}},
       .mem = {{0x4011, 0x1111}},
       .wantRegs = {{SP, 0x4011}},
       .wantMem = {{0x4011, 0x1111}},
       .wantPc = 0x101,
       .wantFaults = BAD},
      {.name = "pop R3",
       .code = {0xE3C3},
       .regs = {{SP, 0x4010}},
       .mem = {{0x4010, 0x0042}},
       .wantRegs = {{SP, 0x400F}, {3, 0x0042}},
       .wantPc = 0x101},
      {.name = "pop into the stack pointer",
       .code = {0xE3D2},
       .regs = {{SP, 0x4005}},
       .mem = {{0x4005, 0x4100}},
       .wantRegs = {{SP, 0x4100}},
       .wantPc = 0x101},
      {.name = "pop into the PC continues at the value + 1",
       .code = {0xE3D3},
       .regs = {{SP, 0x4005}},
       .mem = {{0x4005, 0x0500}},
       .wantRegs = {{SP, 0x4004}},
       .wantPc = 0x501},
      {.name = "pop into the flags replaces them",
       .code = {0xE3E0},
       .regs = {{SP, 0x4005}},
       .mem = {{0x4005, 0xA123}},
       .wantRegs = {{FL, 0xA123}},
       .wantPc = 0x101},
      {.name = "pop of an unmapped offset leaves the stack",
       .code = {0xE3F0},
       .regs = {{SP, 0x4005}, {0, 9}},
       .mem = {{0x4005, 0x4100}},
       .wantRegs = {{SP, 0x4005}, {0, 9}},
       .wantPc = 0x101,
       .wantFaults = BAD},
  });
}

TEST(Control, DirectRegisterAccess) {
  RunAll({
      {.name = "read R5",
       .code = {0xE1C5},
       .regs = {{5, 0x1234}},
       .flags = "NZVC",
       .wantRegs = {{0, 0x1234}},
       .wantFlags = "NZVC",
       .wantPc = 0x101},
      {.name = "read the PC gives this instruction",
       .code = {0xE1D3},
       .wantRegs = {{0, 0x0100}},
       .wantPc = 0x101},
      {.name = "read word 22",
       .code = {0xE1FB},
       .regs = {{reg::IMASK, 0x0010}},
       .wantRegs = {{0, 0x0010}},
       .wantPc = 0x101},
      {.name = "read of an unmapped offset",
       .code = {0xE1F0},
       .regs = {{0, 7}},
       .wantRegs = {{0, 7}},
       .wantPc = 0x101,
       .wantFaults = BAD},
      {.name = "write BASE0",
       .code = {0xF1D0},
       .regs = {{0, 0x4000}},
       .wantRegs = {{reg::BASE0, 0x4000}},
       .wantPc = 0x101},
      {.name = "write the PC continues at R0 + 1",
       .code = {0xF1D3},
       .regs = {{0, 0x0800}},
       .wantPc = 0x0801},
      {.name = "write the flags replaces the whole word",
       .code = {0xF1E0},
       .regs = {{0, 0x1234}},
       .flags = "NZ--",
       .wantRegs = {{FL, 0x1234}},
       .wantPc = 0x101},
      {.name = "write of an unmapped offset",
       .code = {0xF1F0},
       .regs = {{0, 7}},
       .wantPc = 0x101,
       .wantFaults = BAD},
  });
}

TEST(Control, StopAndWaitOnlyAdvance) {
  for (std::uint16_t word : {0xF9F4, 0xFBF4}) {
    SCOPED_TRACE(word);
    Machine x;
    x[3] = 0x1234;
    x[reg::SP] = 0x4000;
    x.SetFlags("N-V-");
    x.Execute(0x0100, {word});
    EXPECT_EQ(x[reg::PC], 0x0101);
    EXPECT_EQ(x[3], 0x1234);
    EXPECT_EQ(x[reg::SP], 0x4000);
    EXPECT_EQ(x.Flags(), "N-V-");
    EXPECT_EQ(x.Faults(), 0);
  }
}

TEST(Control, CallThenReturnRestoresTheStack) {
  Machine x;
  x[reg::SP] = 0x4100;
  x.Put(0x0100, {0xE250, 0x0200, 0xF9F4});  // CALL [0200]; STOP
  x.Put(0x0200, {0xE080, 0x0042, 0xE370});  // MOV R0,0042; JMP [STACK]
  x.RunAt(0x0100, 3);
  EXPECT_EQ(x[reg::PC], 0x0102);
  EXPECT_EQ(x[reg::SP], 0x4100);
  EXPECT_EQ(x[0], 0x0042);
  Step(x.m);
  EXPECT_EQ(x[reg::PC], 0x0103);
}

}  // namespace
}  // namespace kv74
