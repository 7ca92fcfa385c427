// kv74-dis [--base ADDR] [--from A] [--to B] [--source] IMAGE
// Prints one line per instruction (address, word(s), text), or with --source an assembly
// source that kv74-as turns back into the same image, byte for byte.
// Exit status: 0 success, 1 unreadable image, an image running past 0xFFFF or one that fits no
// area (--source), or standard output not written; 2 bad usage.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "emu/decode.hpp"
#include "emu/disasm.hpp"
#include "emu/read_file.hpp"

namespace {

constexpr const char* kUsage =
    "usage: kv74-dis [--base ADDR] [--from A] [--to B] [--source] IMAGE\n"
    "Numbers are decimal or 0x hex. The base defaults to 0x7000 for an image named AMT,\n"
    "0x4000 for RAM or *.ram, and 0 otherwise.\n";

struct Area {
  std::uint32_t start, end;  // end exclusive
};
constexpr Area kAreas[] = {{0x0000, 0x2000}, {0x4000, 0x5000}, {0x7000, 0x8000}};

int Usage(const std::string& message) {
  std::fprintf(stderr, "kv74-dis: %s\n%s", message.c_str(), kUsage);
  return 2;
}

std::optional<std::uint32_t> ParseNumber(const std::string& s) {
  if (s.empty()) return std::nullopt;
  const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  std::uint32_t v = 0;
  for (std::size_t i = hex ? 2 : 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    unsigned digit;
    if (std::isdigit(c))
      digit = c - '0';
    else if (hex && std::isxdigit(c))
      digit = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
    else
      return std::nullopt;
    v = v * (hex ? 16 : 10) + digit;
    if (v > 0xFFFF) return std::nullopt;
  }
  return v;
}

std::uint32_t DefaultBase(const std::string& path) {
  std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (name == "AMT") return 0x7000;
  if (name == "RAM" || (name.size() > 4 && name.compare(name.size() - 4, 4, ".RAM") == 0))
    return 0x4000;
  return 0;
}

std::string Hex4(std::uint32_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
  return buf;
}

struct Image {
  std::vector<std::uint16_t> words;
  bool oddByte = false;  // the last word has only its low byte in the file
  std::size_t bytes = 0;
};

// The whole address space: no image can be longer.
constexpr std::uintmax_t kMaxImageBytes = 2 * 0x10000;

std::optional<Image> Load(const std::string& path, std::string& error) {
  const kv74::FileBytes file = kv74::ReadRegularFile(path, kMaxImageBytes);
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

// The instruction at index i: a `.word` where a two-word form has no second word in the
// image or the last word is only half there.
kv74::Disassembly At(const Image& image, std::size_t i, std::uint32_t address) {
  const std::uint16_t w = image.words[i];
  const bool last = i + 1 == image.words.size();
  if (last && image.oddByte) return {kv74::WordDirective(w), 1};
  const std::uint16_t ext = last ? 0 : image.words[i + 1];
  kv74::Disassembly d = kv74::Disassemble(w, ext, static_cast<std::uint16_t>(address));
  if (d.length == 2 && last) return {kv74::WordDirective(w), 1};
  return d;
}

struct CommandLine {
  std::uint32_t base = 0;
  bool baseGiven = false;
  std::uint32_t from = 0, to = 0xFFFF;
  bool source = false;
  std::string path;
};

int Parse(int argc, char** argv, CommandLine& cl) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto number = [&](std::uint32_t& out) {
      if (i + 1 >= args.size()) return false;
      const auto v = ParseNumber(args[++i]);
      if (!v) return false;
      out = *v;
      return true;
    };
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--base") {
      if (!number(cl.base)) return Usage("--base needs an address 0..0xFFFF");
      cl.baseGiven = true;
    } else if (a == "--from") {
      if (!number(cl.from)) return Usage("--from needs an address 0..0xFFFF");
    } else if (a == "--to") {
      if (!number(cl.to)) return Usage("--to needs an address 0..0xFFFF");
    } else if (a == "--source") {
      cl.source = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option '" + a + "'");
    } else if (cl.path.empty()) {
      cl.path = a;
    } else {
      return Usage("more than one image");
    }
  }
  if (cl.path.empty()) return Usage("no image");
  if (cl.from > cl.to) return Usage("--from lies after --to");
  if (!cl.baseGiven) cl.base = DefaultBase(cl.path);
  return -1;
}

void PrintListing(const Image& image, const CommandLine& cl) {
  for (std::size_t i = 0; i < image.words.size();) {
    const auto address = static_cast<std::uint32_t>(cl.base + i);
    const kv74::Disassembly d = At(image, i, address);
    if (address >= cl.from && address <= cl.to) {
      std::string words = Hex4(image.words[i]) + " " +
                          (d.length == 2 ? Hex4(image.words[i + 1]) : std::string(4, ' '));
      std::printf("%s  %s  %s\n", Hex4(address).c_str(), words.c_str(), d.text.c_str());
    }
    i += static_cast<std::size_t>(d.length);
  }
}

int PrintSource(const Image& image, const CommandLine& cl) {
  const Area* area = nullptr;
  for (const Area& a : kAreas)
    if (cl.base >= a.start && cl.base < a.end) area = &a;
  if (!area || cl.base + image.words.size() > area->end) {
    std::fprintf(stderr,
                 "kv74-dis: %zu words from 0x%04X do not fit in ProgramMemory, DataMemory or "
                 "TableMemory\n",
                 image.words.size(), cl.base);
    return 1;
  }
  std::printf("; %s, disassembled by kv74-dis\n", cl.path.c_str());
  if (cl.base != area->start || image.bytes != 2 * (area->end - area->start))
    std::printf("        .image  0x%04X, %zu\n", cl.base, image.bytes);
  bool placed = false;
  for (std::size_t i = 0; i < image.words.size();) {
    const std::uint32_t address = cl.base + static_cast<std::uint32_t>(i);
    const kv74::Disassembly d = At(image, i, address);
    if (address >= cl.from && address <= cl.to) {
      if (!placed) std::printf("        .org    0x%04X\n", address);
      placed = true;
      std::string line = "        " + d.text;
      if (line.size() < 48) line.resize(48, ' ');
      std::printf("%s ; %s\n", line.c_str(), Hex4(address).c_str());
    } else {
      placed = false;
    }
    i += static_cast<std::size_t>(d.length);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine cl;
  if (const int status = Parse(argc, argv, cl); status >= 0) return status;
  std::string error;
  const auto image = Load(cl.path, error);
  if (!image) {
    std::fprintf(stderr, "kv74-dis: cannot read '%s': %s\n", cl.path.c_str(), error.c_str());
    return 1;
  }
  if (cl.base + image->words.size() > 0x10000) {
    std::fprintf(stderr, "kv74-dis: %zu words from 0x%04X run past address 0xFFFF\n",
                 image->words.size(), cl.base);
    return 1;
  }
  errno = 0;  // a failed write during the listing leaves its reason here
  const int status = cl.source ? PrintSource(*image, cl) : (PrintListing(*image, cl), 0);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "kv74-dis: cannot write standard output: %s\n",
                 std::strerror(errno ? errno : EIO));
    return 1;
  }
  return status;
}
