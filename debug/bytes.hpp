// Little-endian byte strings for snapshots and checkpoints: a writer, a bounds-checked reader
// that throws SnapshotError, and the CRC-32 of the file format.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kv74::debug {

// A snapshot or panel state that cannot be used; what() says why.
class SnapshotError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteWriter {
 public:
  void U8(std::uint8_t v) { bytes_.push_back(v); }
  void U16(std::uint16_t v);
  void U32(std::uint32_t v);
  void U64(std::uint64_t v);
  void Words(std::span<const std::uint16_t> words);
  void Bytes(std::span<const std::uint8_t> bytes);
  void String(std::string_view s);  // U32 length, then the characters
  std::size_t Size() const { return bytes_.size(); }
  void PatchU32(std::size_t at, std::uint32_t v);
  std::vector<std::uint8_t>& Data() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

class ByteReader {
 public:
  // `what` names the data in error messages ("snapshot", "panel state").
  ByteReader(std::span<const std::uint8_t> bytes, std::string what)
      : bytes_(bytes), what_(std::move(what)) {}
  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  std::uint64_t U64();
  void Words(std::span<std::uint16_t> out);
  std::span<const std::uint8_t> Bytes(std::size_t n);
  std::string String();
  bool AtEnd() const { return pos_ == bytes_.size(); }
  std::size_t Left() const { return bytes_.size() - pos_; }
  [[noreturn]] void Fail(const std::string& why) const;

 private:
  void Need(std::size_t n) const;
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  std::string what_;
};

std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

}  // namespace kv74::debug
