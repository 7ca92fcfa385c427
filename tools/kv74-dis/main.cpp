// kv74-dis [--base ADDR] [--from A] [--to B] [--source] [--symbols FILE] [--analyze ...] IMAGE
// Prints one line per instruction (address, word(s), text), or with --source an assembly
// source that kv74-as turns back into the same image, byte for byte. --analyze first finds the
// code, data and routines itself (tools/kv74-dis/analyze.hpp).
// Exit status: 0 success, 1 unreadable image or debug information, an image running past 0xFFFF
// or one that fits no area (--source), or standard output not written; 2 bad usage.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "debuginfo/debug_info.hpp"
#include "tools/common/output.hpp"
#include "tools/kv74-dis/analyze.hpp"
#include "tools/kv74-dis/image.hpp"
#include "tools/kv74-dis/names.hpp"
#include "tools/kv74-dis/print.hpp"

namespace {

constexpr const char* kUsage =
    "usage: kv74-dis [--base ADDR] [--from A] [--to B] [--source] [--symbols FILE] IMAGE\n"
    "Numbers are decimal or 0x hex. The base defaults to 0x7000 for an image named AMT,\n"
    "0x4000 for RAM or *.ram, and 0 otherwise. Runs of three or more zero words print as\n"
    "one .fill.\n"
    "--source        an assembly source that kv74-as assembles back to the same bytes\n"
    "--symbols FILE  debug information (written by kv74-as --debug-info, or by hand;\n"
    "                docs/debug-info.md): labels on their own lines, jump and call targets,\n"
    "                cells and I/O addresses by name, comments, and data regions (and words\n"
    "                outside every source line) as .word/.fill instead of instructions;\n"
    "                cross references as comments\n"
    "--analyze       find code, data, routines, jump tables and cross references by recursive\n"
    "                descent from power-on, the request vectors and the call table\n"
    "                (docs/analysing-images.md); names from --symbols win over generated ones\n"
    "  -o FILE         write the result as debug information\n"
    "  --entry ADDR|LABEL  a further entry point (repeatable)\n"
    "  --with FILE     a further image in the address space, based by its name as above\n"
    "                  (AMT: tables, RAM: data memory; repeatable)\n"
    "  --trace FILE    executed addresses (kv74-run --trace, or one hex address a line):\n"
    "                  code only they reach is marked \"found\": \"trace\"\n"
    "  --call-graph FILE  the routines and calls in Graphviz's dot language\n"
    "  --compare FILE  measure the result against real debug information (on standard error)\n";

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

struct CommandLine {
  kv74::dis::Range range;
  bool baseGiven = false;
  bool source = false;
  bool analyze = false;
  kv74::dis::AnalyzeRequest request;
  std::string symbols;
  std::string path;
};

int Parse(int argc, char** argv, CommandLine& cl) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool analysisOption = false;
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
      if (!number(cl.range.base)) return Usage("--base needs an address 0..0xFFFF");
      cl.baseGiven = true;
    } else if (a == "--from") {
      if (!number(cl.range.from)) return Usage("--from needs an address 0..0xFFFF");
    } else if (a == "--to") {
      if (!number(cl.range.to)) return Usage("--to needs an address 0..0xFFFF");
    } else if (a == "--source") {
      cl.source = true;
    } else if (a == "--symbols") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return Usage("--symbols needs a file");
      cl.symbols = args[++i];
    } else if (a == "--analyze") {
      cl.analyze = true;
    } else if (a == "-o" || a == "--entry" || a == "--with" || a == "--trace" ||
               a == "--call-graph" || a == "--compare") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return Usage(a + " needs a value");
      const std::string& v = args[++i];
      auto& r = cl.request;
      if (a == "-o") r.output = v;
      if (a == "--entry") r.entries.push_back(v);
      if (a == "--with") r.with.emplace_back(DefaultBase(v), v);
      if (a == "--trace") r.trace = v;
      if (a == "--call-graph") r.callGraph = v;
      if (a == "--compare") r.compare = v;
      analysisOption = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option '" + a + "'");
    } else if (cl.path.empty()) {
      cl.path = a;
    } else {
      return Usage("more than one image");
    }
  }
  if (cl.path.empty()) return Usage("no image");
  if (cl.range.from > cl.range.to) return Usage("--from lies after --to");
  if (analysisOption && !cl.analyze)
    return Usage("-o, --entry, --with, --trace, --call-graph and --compare need --analyze");
  if (!cl.baseGiven) cl.range.base = DefaultBase(cl.path);
  return -1;
}

int Dis(int argc, char** argv) {
  CommandLine cl;
  if (const int status = Parse(argc, argv, cl); status >= 0) return status;
  kv74::dbg::DebugInfo given;
  if (!cl.symbols.empty()) {
    try {
      given = kv74::dbg::ReadDebugInfo(cl.symbols);
    } catch (const kv74::dbg::DebugInfoError& e) {
      std::fprintf(stderr, "kv74-dis: %s\n", e.what());
      return 1;
    }
  }
  std::string error;
  const auto image = kv74::dis::Load(cl.path, error);
  if (!image) {
    std::fprintf(stderr, "kv74-dis: cannot read '%s': %s\n", cl.path.c_str(), error.c_str());
    return 1;
  }
  if (cl.range.base + image->words.size() > 0x10000) {
    std::fprintf(stderr, "kv74-dis: %zu words from 0x%04X run past address 0xFFFF\n",
                 image->words.size(), cl.range.base);
    return 1;
  }
  kv74::dis::Names names;
  if (cl.analyze) {
    auto info = kv74::dis::Analyze(*image, cl.range.base, cl.request, given);
    if (!info) return 1;
    names = kv74::dis::Names(std::move(*info), cl.source);
  } else if (!cl.symbols.empty()) {
    names = kv74::dis::Names(std::move(given), cl.source);
  }
  return cl.source ? kv74::dis::PrintSource(*image, cl.range, cl.path, names)
                   : (kv74::dis::PrintListing(*image, cl.range, names), 0);
}

}  // namespace

int main(int argc, char** argv) { return kv74::fileio::ExitStatus(Dis(argc, argv), "kv74-dis", 1); }
