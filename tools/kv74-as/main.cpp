// kv74-as [-o OUTDIR] [--listing FILE] [--symbols FILE] [--program-name NAME]
//         [--debug-info FILE [--debug-info-base DIR]] [-D NAME[=VALUE]]... SOURCE
// Exit status: 0 success, 1 errors in the source (nothing written), 2 bad usage.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/asm/assembler.hpp"
#include "tools/asm/memory.hpp"
#include "tools/asm/output.hpp"
#include "tools/common/output.hpp"

namespace {

constexpr const char* kUsage =
    "usage: kv74-as [-o OUTDIR] [--listing FILE] [--symbols FILE] [--program-name NAME]\n"
    "               [--debug-info FILE [--debug-info-base DIR]] [-D NAME[=VALUE]]... SOURCE\n"
    "Writes OUTDIR/V4 (or OUTDIR/NAME), OUTDIR/RAM and OUTDIR/AMT for the areas the source\n"
    "places words in.\n"
    "--debug-info FILE  also writes the debug information (symbols, source lines, data\n"
    "                   regions; docs/debug-info.md), its source paths relative to FILE's\n"
    "                   folder, or to DIR with --debug-info-base DIR (the folder the file\n"
    "                   will be copied to).\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "kv74-as: %s\n%s", message.c_str(), kUsage);
  return 2;
}

struct CommandLine {
  std::string outDir = ".";
  std::string listing;
  std::string symbols;
  std::string debugInfo;
  std::string programName = "V4";
  std::string source;
  kv74::as::Options options;
};

// Parses argv; returns an exit status to stop with, or -1 to go on.
int Parse(int argc, char** argv, CommandLine& cl) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "-o") {
      if (!value(cl.outDir)) return Usage("-o needs a directory");
    } else if (a == "--listing") {
      if (!value(cl.listing)) return Usage("--listing needs a file name");
    } else if (a == "--symbols") {
      if (!value(cl.symbols)) return Usage("--symbols needs a file name");
    } else if (a == "--debug-info") {
      if (!value(cl.debugInfo)) return Usage("--debug-info needs a file name");
    } else if (a == "--debug-info-base") {
      if (!value(cl.options.debugInfoBase) || cl.options.debugInfoBase.empty())
        return Usage("--debug-info-base needs a directory");
    } else if (a == "--program-name") {
      if (!value(cl.programName) || cl.programName.empty() ||
          cl.programName.find('/') != std::string::npos)
        return Usage("--program-name needs a plain file name");
    } else if (a.rfind("-D", 0) == 0) {
      std::string def = a.substr(2);
      if (def.empty() && !value(def)) return Usage("-D needs NAME or NAME=VALUE");
      const auto eq = def.find('=');
      const std::string name = def.substr(0, eq);
      if (name.empty()) return Usage("-D needs NAME or NAME=VALUE");
      cl.options.defines.emplace_back(name, eq == std::string::npos ? "1" : def.substr(eq + 1));
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return Usage("unknown option '" + a + "'");
    } else if (cl.source.empty()) {
      cl.source = a;
    } else {
      return Usage("more than one source file");
    }
  }
  if (cl.source.empty()) return Usage("no source file");
  if (!cl.options.debugInfoBase.empty() && cl.debugInfo.empty())
    return Usage("--debug-info-base without --debug-info");
  if (!cl.debugInfo.empty() && cl.options.debugInfoBase.empty()) {
    const std::string folder = std::filesystem::path(cl.debugInfo).parent_path().string();
    cl.options.debugInfoBase = folder.empty() ? "." : folder;
  }
  return -1;
}

// Two outputs naming one file: a usage error before anything is assembled.
int CheckOutputsDiffer(const CommandLine& cl) {
  std::vector<std::pair<std::string, std::string>> outputs;
  for (const auto& area : kv74::as::kAreas) {
    const std::string name =
        &area == &kv74::as::kAreas[kv74::as::kProgramArea] ? cl.programName : area.image;
    outputs.emplace_back("image " + name, cl.outDir + "/" + name);
  }
  if (!cl.listing.empty()) outputs.emplace_back("--listing", cl.listing);
  if (!cl.symbols.empty()) outputs.emplace_back("--symbols", cl.symbols);
  if (!cl.debugInfo.empty()) outputs.emplace_back("--debug-info", cl.debugInfo);
  const std::string clash = kv74::fileio::SameFileClash(outputs);
  return clash.empty() ? -1 : Usage(clash);
}

int Assemble(int argc, char** argv) {
  CommandLine cl;
  if (const int status = Parse(argc, argv, cl); status >= 0) return status;
  if (const int status = CheckOutputsDiffer(cl); status >= 0) return status;

  const kv74::as::Result result = kv74::as::Assemble(cl.source, cl.options);
  for (const auto& e : result.errors) std::fprintf(stderr, "%s\n", kv74::as::Format(e).c_str());
  if (result.moreErrors > 0) std::fprintf(stderr, "kv74-as: %zu more errors\n", result.moreErrors);
  if (!result.ok) {
    const std::size_t total = result.errors.size() + result.moreErrors;
    std::fprintf(stderr, "kv74-as: %zu error%s, nothing written\n", total, total == 1 ? "" : "s");
    return 1;
  }

  std::error_code ec;
  std::filesystem::create_directories(cl.outDir, ec);
  std::vector<kv74::as::OutputFile> files;
  for (const auto& image : result.images) {
    const std::string name =
        image.area == kv74::as::kProgramArea ? cl.programName : kv74::as::kAreas[image.area].image;
    files.push_back({cl.outDir + "/" + name, std::string(image.bytes.begin(), image.bytes.end())});
  }
  if (!cl.listing.empty()) files.push_back({cl.listing, result.listing});
  if (!cl.symbols.empty()) files.push_back({cl.symbols, result.symbols});
  if (!cl.debugInfo.empty())
    files.push_back({cl.debugInfo, kv74::dbg::WriteDebugInfo(result.debugInfo)});
  std::string error;
  if (!kv74::as::WriteAll(files, error)) {
    std::fprintf(stderr, "kv74-as: %s; nothing written\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return kv74::fileio::ExitStatus(Assemble(argc, argv), "kv74-as", 1);
}
