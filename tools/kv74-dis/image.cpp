#include "tools/kv74-dis/image.hpp"

#include "board/read_file.hpp"

namespace kv74::dis {

std::optional<Image> Load(const std::string& path, std::string& error) {
  const FileBytes file = ReadRegularFile(path, kMaxImageBytes);
  if (!file.ok()) {
    error = file.error;
    return std::nullopt;
  }
  const std::string& bytes = file.bytes;
  Image image;
  image.bytes = bytes.size();
  image.oddByte = bytes.size() % 2 != 0;
  for (std::size_t i = 0; i < bytes.size(); i += 2)
    image.words.push_back(static_cast<std::uint16_t>(
        static_cast<std::uint8_t>(bytes[i]) |
        (i + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[i + 1]) << 8 : 0)));
  return image;
}

Disassembly At(const Image& image, std::size_t i, std::uint32_t address) {
  const std::uint16_t w = image.words[i];
  const bool last = i + 1 == image.words.size();
  if (last && image.oddByte) return {WordDirective(w), 1};
  const std::uint16_t ext = last ? 0 : image.words[i + 1];
  Disassembly d = Disassemble(w, ext, static_cast<std::uint16_t>(address));
  if (d.length == 2 && last) return {WordDirective(w), 1};
  return d;
}

}  // namespace kv74::dis
