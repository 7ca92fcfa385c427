// The assembler under random input. Odd first byte: the rest is source text, which must
// assemble or fail with diagnostics, never crash. Even first byte: the rest is a program image,
// whose disassembly must assemble back to the same words.
// The fuzz build compiles no tools, so the assembler's sources are part of this harness.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cpu/disasm.hpp"
#include "tools/asm/assembler.cpp"
#include "tools/asm/block.cpp"
#include "tools/asm/debug_output.cpp"
#include "tools/asm/diag.cpp"
#include "tools/asm/encode.cpp"
#include "tools/asm/expr.cpp"
#include "tools/asm/memory.cpp"
#include "tools/asm/operand.cpp"

namespace {

using namespace kv74::as;

Result AssembleString(const std::string& text) {
  Options options;
  options.read = [&text](const std::string& path, std::string&) -> std::optional<std::string> {
    if (path == "main.s") return text;
    if (path == "inc.s") return std::string("x = 1\n.word x\n");
    return std::nullopt;
  };
  return Assemble("main.s", options);
}

void SourceText(const std::uint8_t* data, std::size_t size) {
  const Result r = AssembleString(std::string(reinterpret_cast<const char*>(data), size));
  if (!r.ok && r.errors.empty()) std::abort();
}

void ImageRoundTrip(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint16_t> words;
  for (std::size_t i = 0; i + 1 < size && words.size() < 0x2000; i += 2)
    words.push_back(static_cast<std::uint16_t>(data[i] | data[i + 1] << 8));
  std::string source = ".org 0\n";
  for (std::size_t i = 0; i < words.size();) {
    const bool last = i + 1 == words.size();
    auto d = kv74::Disassemble(words[i], last ? 0 : words[i + 1], static_cast<std::uint16_t>(i));
    if (d.length == 2 && last) d = {kv74::WordDirective(words[i]), 1};
    source += d.text + "\n";
    i += static_cast<std::size_t>(d.length);
  }
  const Result r = AssembleString(source);
  if (!r.ok) std::abort();
  if (words.empty()) return;
  const auto& bytes = r.images.at(0).bytes;
  for (std::size_t i = 0; i < words.size(); ++i)
    if ((bytes[2 * i] | bytes[2 * i + 1] << 8) != words[i]) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (data[0] & 1)
    SourceText(data + 1, size - 1);
  else
    ImageRoundTrip(data + 1, size - 1);
  return 0;
}
