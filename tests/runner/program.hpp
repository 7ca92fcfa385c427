// Instruction words for the small programs the tests build.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace kv74::test::op {

using Words = std::vector<std::uint16_t>;

inline Words MovImm(unsigned d, std::uint16_t v) {  // MOV Rd,v
  return {static_cast<std::uint16_t>(0xE080 | d << 8), v};
}
inline Words WriteDirect(unsigned o) {  // MOV [F0oo],R0
  return {static_cast<std::uint16_t>(0xF1C0 | o)};
}
inline Words Inc(unsigned n) { return {static_cast<std::uint16_t>(0xF880 | n)}; }  // INC Rn
inline Words StoreBase0(unsigned d, unsigned dd) {  // MOV M[BASE0+dd],Rd
  return {static_cast<std::uint16_t>(0x1000 | d << 8 | dd)};
}
inline Words LoadBase0(unsigned d, unsigned dd) {  // MOV Rd,M[BASE0+dd]
  return {static_cast<std::uint16_t>(d << 8 | dd)};
}
inline Words Or(unsigned j, unsigned n) {  // OR Rj,Rn
  return {static_cast<std::uint16_t>(0x9A00 | j << 4 | n)};
}
// MOV M[BASEX+a],Rd: with both bases 0 the offset is the absolute address a.
inline Words StoreAbs(unsigned d, std::uint16_t a) {
  return {static_cast<std::uint16_t>(0xD0A0 | d << 8), a};
}
inline Words Jmp(std::uint16_t target) { return {0xE350, target}; }  // JMP [target]
inline Words JmpRel(int disp) {                                      // JMP disp from here
  return {static_cast<std::uint16_t>(0x6300 | (disp & 0xFF))};
}

inline Words Program(std::initializer_list<Words> parts) {
  Words out;
  for (const Words& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// BASE0 := 0xF100, so that MOV M[BASE0+dd] reaches the peripheral registers 0xF100..0xF1FF.
inline Words PointBase0AtPeripherals() { return Program({MovImm(0, 0xF100), WriteDirect(0x10)}); }

}  // namespace kv74::test::op
