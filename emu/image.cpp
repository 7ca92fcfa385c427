#include "emu/image.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>
#include <vector>

namespace kv74 {
namespace fs = std::filesystem;
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool HasImage(const fs::path& dir, std::string_view name) {
  try {
    FindImage(dir, name);
    return true;
  } catch (const ImageError&) {
    return false;
  }
}

fs::path ExecutableDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

// Reads at most limit bytes of the image.
std::vector<std::uint8_t> ReadImage(const fs::path& dir, std::string_view name, std::size_t limit) {
  const fs::path file = FindImage(dir, name);
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> bytes(limit);
  if (in) in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  if (!in && !in.eof()) {
    throw ImageError(ImageError::Kind::Unreadable, "cannot read image " + file.string());
  }
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

void CopyBytes(const std::vector<std::uint8_t>& bytes, std::span<std::uint16_t> area) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::uint16_t& word = area[i / 2];
    if (i % 2 == 0) {
      word = static_cast<std::uint16_t>((word & 0xFF00) | bytes[i]);
    } else {
      word = static_cast<std::uint16_t>((word & 0x00FF) | (bytes[i] << 8));
    }
  }
}

}  // namespace

fs::path DefaultImageDir() {
  const fs::path exeDir = ExecutableDir();
  for (fs::path dir = exeDir; !dir.empty(); dir = dir.parent_path()) {
    if (HasImage(dir / "data", "v4")) return dir / "data";
    if (dir == dir.root_path()) break;
  }
#ifdef KV74_SOURCE_DATA_DIR
  return fs::path(KV74_SOURCE_DATA_DIR);
#else
  return exeDir / "data";
#endif
}

fs::path FindImage(const fs::path& dir, std::string_view name) {
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) {
    throw ImageError(ImageError::Kind::Unreadable,
                     "cannot read image directory " + dir.string() + ": " + ec.message());
  }
  std::vector<fs::path> matches;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    const std::string file = it->path().filename().string();
    if (SameIgnoringCase(file, name) && !it->is_directory(ec)) matches.push_back(it->path());
  }
  if (ec) {
    throw ImageError(ImageError::Kind::Unreadable,
                     "cannot read image directory " + dir.string() + ": " + ec.message());
  }
  if (matches.empty()) {
    throw ImageError(ImageError::Kind::NotFound, "Resource " + std::string(name) + " not found");
  }
  std::ranges::sort(matches);
  for (const fs::path& p : matches) {
    if (p.filename() == name) return p;
  }
  return matches.front();
}

void LoadImage(const fs::path& dir, std::string_view name, std::span<std::uint16_t> area) {
  CopyBytes(ReadImage(dir, name, area.size_bytes()), area);
}

void LoadImages(MachineState& m, const fs::path& dir) {
  const auto program = ReadImage(dir, "v4", sizeof m.ProgramMemory);
  const auto table = ReadImage(dir, "amt", sizeof m.TableMemory);
  const auto data = ReadImage(dir, "ram", sizeof m.DataMemory);
  CopyBytes(program, m.ProgramMemory);
  CopyBytes(table, m.TableMemory);
  CopyBytes(data, m.DataMemory);
}

}  // namespace kv74
