#include "board/image.hpp"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

#include "board/read_file.hpp"
#include "source_dir.hpp"

namespace kv74 {
namespace fs = std::filesystem;
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
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

struct ImageBytes {
  std::vector<std::uint8_t> bytes;  // at most the area's size
  std::string warning;              // set for an empty, short or oversized image
};

// Reads at most the area's size of the image; a FIFO, device or directory is refused.
ImageBytes ReadImage(const fs::path& dir, std::string_view name, const char* area,
                     std::size_t limit) {
  const fs::path file = FindImage(dir, name);
  const FileBytes f = ReadRegularFile(file, limit, true);
  if (!f.ok()) {
    throw ImageError(ImageError::Kind::Unreadable,
                     "cannot read image " + file.string() + ": " + f.error);
  }
  ImageBytes r{{f.bytes.begin(), f.bytes.end()}, {}};
  const std::string sizes =
      std::to_string(f.size) + " bytes, " + area + " holds " + std::to_string(limit);
  if (f.size == 0) {
    r.warning = "image " + file.string() + " is empty (" + sizes + "); the area keeps its contents";
  } else if (f.size < limit) {
    r.warning = "image " + file.string() + " is short (" + sizes + "); the rest keeps its contents";
  } else if (f.size > limit) {
    r.warning = "image " + file.string() + " is oversized (" + sizes + "); the excess is ignored";
  }
  return r;
}

void CopyBytes(const ImageBytes& image, std::span<std::uint16_t> area, ImageWarnings& warnings) {
  const auto& bytes = image.bytes;
  if (!image.warning.empty()) warnings.push_back(image.warning);
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
  std::sort(matches.begin(), matches.end());
  for (const fs::path& p : matches) {
    if (p.filename() == name) return p;
  }
  return matches.front();
}

ImageWarnings LoadImage(const fs::path& dir, std::string_view name, std::span<std::uint16_t> area) {
  ImageWarnings warnings;
  CopyBytes(ReadImage(dir, name, "the area", area.size_bytes()), area, warnings);
  return warnings;
}

ImageWarnings LoadImages(BoardState& m, const fs::path& dir) {
  const auto program = ReadImage(dir, "v4", "ProgramMemory", sizeof m.ProgramMemory);
  const auto table = ReadImage(dir, "amt", "TableMemory", sizeof m.TableMemory);
  const auto data = ReadImage(dir, "ram", "DataMemory", sizeof m.DataMemory);
  ImageWarnings warnings;
  CopyBytes(program, m.ProgramMemory, warnings);
  CopyBytes(table, m.TableMemory, warnings);
  CopyBytes(data, m.DataMemory, warnings);
  return warnings;
}

}  // namespace kv74
