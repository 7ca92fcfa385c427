// Image loading under arbitrary files: the input is cut into the three images (two length bytes
// before each of V4 and AMT, RAM takes the rest), written to a scratch directory under names in
// varying case, and loaded. Every byte up to the area's size lands low byte first, the rest of the
// area keeps its contents, and exactly the images whose size differs from their area's are warned
// about.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "board/image.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path& Scratch() {
  static const fs::path dir = [] {
    std::string pattern = (fs::temp_directory_path() / "kv74-fuzz-image-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    std::atexit([] { fs::remove_all(Scratch()); });
    return fs::path(pattern);
  }();
  return dir;
}

std::string Take(const std::uint8_t*& data, std::size_t& size, bool all) {
  std::size_t n = size;
  if (!all) {
    n = size >= 2 ? std::min<std::size_t>(data[0] | (data[1] << 8), size - 2) : 0;
    const std::size_t skip = std::min<std::size_t>(size, 2);
    data += skip;
    size -= skip;
  }
  std::string bytes(reinterpret_cast<const char*>(data), n);
  data += n;
  size -= n;
  return bytes;
}

template <std::size_t N>
void Check(const std::array<std::uint16_t, N>& area, const std::string& bytes) {
  for (std::size_t i = 0; i < N; ++i) {
    const std::size_t lo = 2 * i, hi = lo + 1;
    const unsigned expected = (lo < bytes.size() ? static_cast<std::uint8_t>(bytes[lo]) : 0xA5) |
                              (hi < bytes.size() ? static_cast<std::uint8_t>(bytes[hi]) : 0x5A)
                                  << 8;
    if (area[i] != expected) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned names = data[0];
  ++data;
  --size;
  const std::string v4 = Take(data, size, false), amt = Take(data, size, false);
  const std::string ram = Take(data, size, true);
  fs::remove_all(Scratch());
  fs::create_directory(Scratch());
  std::ofstream(Scratch() / (names & 1 ? "V4" : "v4"), std::ios::binary) << v4;
  std::ofstream(Scratch() / (names & 2 ? "AMT" : "Amt"), std::ios::binary) << amt;
  std::ofstream(Scratch() / (names & 4 ? "RAM" : "ram"), std::ios::binary) << ram;

  auto m = std::make_unique<kv74::BoardState>();
  m->ProgramMemory.fill(0x5AA5);
  m->TableMemory.fill(0x5AA5);
  m->DataMemory.fill(0x5AA5);
  const kv74::ImageWarnings warnings = kv74::LoadImages(*m, Scratch());
  Check(m->ProgramMemory, v4);
  Check(m->TableMemory, amt);
  Check(m->DataMemory, ram);
  const std::size_t odd = (v4.size() != 2 * kv74::PROGRAM_WORDS) +
                          (amt.size() != 2 * kv74::TABLE_WORDS) +
                          (ram.size() != 2 * kv74::DATA_WORDS);
  if (warnings.size() != odd) std::abort();
  return 0;
}
