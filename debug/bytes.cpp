#include "debug/bytes.hpp"

#include <array>

namespace kv74::debug {

void ByteWriter::U16(std::uint16_t v) {
  U8(static_cast<std::uint8_t>(v));
  U8(static_cast<std::uint8_t>(v >> 8));
}
void ByteWriter::U32(std::uint32_t v) {
  U16(static_cast<std::uint16_t>(v));
  U16(static_cast<std::uint16_t>(v >> 16));
}
void ByteWriter::U64(std::uint64_t v) {
  U32(static_cast<std::uint32_t>(v));
  U32(static_cast<std::uint32_t>(v >> 32));
}
void ByteWriter::Words(std::span<const std::uint16_t> words) {
  for (std::uint16_t w : words) U16(w);
}
void ByteWriter::Bytes(std::span<const std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}
void ByteWriter::String(std::string_view s) {
  U32(static_cast<std::uint32_t>(s.size()));
  bytes_.insert(bytes_.end(), s.begin(), s.end());
}
void ByteWriter::PatchU32(std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void ByteReader::Fail(const std::string& why) const { throw SnapshotError(what_ + ": " + why); }

void ByteReader::Need(std::size_t n) const {
  if (Left() < n) Fail("truncated");
}
std::uint8_t ByteReader::U8() {
  Need(1);
  return bytes_[pos_++];
}
std::uint16_t ByteReader::U16() {
  const std::uint16_t lo = U8();
  return static_cast<std::uint16_t>(lo | (U8() << 8));
}
std::uint32_t ByteReader::U32() {
  const std::uint32_t lo = U16();
  return lo | (static_cast<std::uint32_t>(U16()) << 16);
}
std::uint64_t ByteReader::U64() {
  const std::uint64_t lo = U32();
  return lo | (static_cast<std::uint64_t>(U32()) << 32);
}
void ByteReader::Words(std::span<std::uint16_t> out) {
  Need(out.size() * 2);
  for (std::uint16_t& w : out) w = U16();
}
std::span<const std::uint8_t> ByteReader::Bytes(std::size_t n) {
  Need(n);
  auto s = bytes_.subspan(pos_, n);
  pos_ += n;
  return s;
}
std::string ByteReader::String() {
  auto s = Bytes(U32());
  return std::string(s.begin(), s.end());
}

namespace {
constexpr std::array<std::uint32_t, 256> BuildCrcTable() {
  std::array<std::uint32_t, 256> t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}
constexpr auto kCrcTable = BuildCrcTable();
}  // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::uint8_t b : bytes) c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

}  // namespace kv74::debug
