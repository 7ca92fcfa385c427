// The bodies of the instruction forms, one per row family of the opcode map, each working on
// the latched opWord/extWord. ExecuteStep picks one through the decoder table. The forms that
// reach memory are templates over the bus (PlainBus, TappedBus), instantiated for both. The forms
// with an operation selector take it as T (FieldT of opWord), the conditional jumps their
// condition as C (FieldD): one body per value, without a switch at run time.
#pragma once

#include <cstdint>

#include "cpu/machine.hpp"

// The bodies are inline (execute_inl.hpp, control_inl.hpp, included at the end), so that a run
// loop can take them into its own dispatch; the handler tables take their addresses.
#define KV74_BODY [[gnu::always_inline]] inline

namespace kv74::exec {

// Request entry: takes the highest-priority pending request (faults 0..3 first, then the
// interrupts 4..7 unless word 22 bit 4 masks them). Returns false when nothing was taken.
template <typename Bus>
bool TakeRequest(MachineState& m, std::uint16_t entryPc);

// The request line TakeRequest would take now, or -1.
int RequestLine(const MachineState& m);

// Pushes v onto the processor stack without BusWrite: no hook, no notification.
template <typename Bus>
void DirectStackStore(MachineState& m, std::uint16_t v);

// Data movement and ALU forms (execute_inl.hpp).
void Invalid(MachineState& m);
template <typename Bus>
void LoadBase0(MachineState& m);  // 0x0dxx
template <typename Bus>
void StoreBase0(MachineState& m);  // 0x1dxx
template <typename Bus>
void LoadBase1(MachineState& m);  // 0x2dxx
template <typename Bus>
void StoreBase1(MachineState& m);  // 0x3dxx
template <typename Bus, unsigned T>
void AluToR0Short(MachineState& m);  // 0x4
template <typename Bus, unsigned T>
void AluToMemShort(MachineState& m);  // 0x5
template <typename Bus>
void AluShortT7(MachineState& m);  // 0x4/0x5 with t = 7: operand read, then invalid
void MovRR(MachineState& m);       // 0x70jn
void Mul(MachineState& m);         // 0x71jn
template <unsigned T>
void AluRR(MachineState& m);  // 0x9tjn
// The BASEX forms with a mode M and the indirect forms with a mode IM take it at compile time.
template <typename Bus, unsigned M>
void MovbBasex(MachineState& m);  // group 0xC
template <typename Bus, unsigned M>
void CmpbBasex(MachineState& m);
template <typename Bus, unsigned M>
void MovRegBasex(MachineState& m);
template <typename Bus, unsigned T>
void AluRegBasex(MachineState& m);
template <typename Bus, unsigned M>
void MovBasexReg(MachineState& m);  // group 0xD
template <typename Bus, unsigned T>
void AluBasexReg(MachineState& m);
template <typename Bus, unsigned IM>
void MovbInd(MachineState& m);  // group 0xE
void MovbImm(MachineState& m);
template <typename Bus, unsigned IM>
void CmpbInd(MachineState& m);
void CmpbImm(MachineState& m);
template <typename Bus, unsigned T, unsigned IM>
void AluInd(MachineState& m);
template <unsigned T>
void AluImm(MachineState& m);
template <typename Bus, unsigned IM>
void MovInd(MachineState& m);
void MovImm(MachineState& m);
void PairIntoR0R1(MachineState& m);
template <typename Bus, unsigned T>
void UnaryMem(MachineState& m);  // group 0xF
template <unsigned T>
void UnaryReg(MachineState& m);
template <unsigned T>
void ShiftReg(MachineState& m);
void Sign(MachineState& m);
void PairIntoPair(MachineState& m);

// Control transfer, stack, direct register access and the special words (control_inl.hpp).
template <typename Bus>
void CallTable(MachineState& m);  // 0x62dd
template <unsigned C>
void JumpRel(MachineState& m);  // 0x6cdd
template <typename Bus>
void JumpReg(MachineState& m);  // 0xEc4n
template <typename Bus, unsigned C>
void JumpAbs(MachineState& m);  // 0xEc50
template <typename Bus>
void Return(MachineState& m);       // 0xE370
void ReadDirect(MachineState& m);   // 0xE1C0 + o
void WriteDirect(MachineState& m);  // 0xF1C0 + o
template <typename Bus>
void PopReg(MachineState& m);  // 0xE3C0 + o
template <typename Bus>
void PushReg(MachineState& m);      // 0xF3C0 + o
void NoOperation(MachineState& m);  // STOP, WAIT

}  // namespace kv74::exec

// The bodies, after the declarations above; the control forms use helpers of the data forms.
#include "cpu/execute_inl.hpp"
// (in this order)
#include "cpu/control_inl.hpp"
