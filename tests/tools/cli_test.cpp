// kv74-as and kv74-dis run as programs: exit codes, the files they write, and the --source
// round trip of arbitrary images.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>
#include "source_dir.hpp"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string out, err;
};

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kv74-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  void Write(const std::string& name, const std::string& bytes) const {
    fs::create_directories(fs::path(Path(name)).parent_path());
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Exists(const std::string& name) const { return fs::exists(Path(name)); }

  Outcome Exec(const std::string& program, const std::string& args) const {
    const std::string out = Path("stdout.txt"), err = Path("stderr.txt");
    const std::string cmd = std::string(program) + " " + args + " >" + out + " 2>" + err;
    const int raw = std::system(cmd.c_str());
    Outcome r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read("stdout.txt"), Read("stderr.txt")};
    fs::remove(out);
    fs::remove(err);
    return r;
  }
  Outcome As(const std::string& args) const { return Exec(KV74_AS, args); }
  Outcome Dis(const std::string& args) const { return Exec(KV74_DIS, args); }

  fs::path dir_;
};

TEST_F(Cli, BadUsageExitsWithTwo) {
  for (const char* args : {"", "--bogus x.s", "a.s b.s", "-o", "--program-name a/b x.s", "-D",
                           "--debug-info", "--debug-info-base d x.s"})
    EXPECT_EQ(As(args).status, 2) << args;
  for (const char* args : {"", "--bogus x", "--base", "--base 0x10000 x", "--from zz x", "a b"})
    EXPECT_EQ(Dis(args).status, 2) << args;
  EXPECT_EQ(As("--help").status, 0);
}

TEST_F(Cli, WritesTheImagesOfTheAreasUsed) {
  Write("fw.s",
        ".org 0\n JMP [start]\n.org 0x100\nstart: MOV R0,#VARIANT\n"
        ".org 0x45A7\n.block G1 X+\\L1500 Z-200\n");
  const Outcome r = As("-o " + Path("out") + " --program-name V2 -D VARIANT=0x22 --listing " +
                       Path("fw.lst") + " --symbols " + Path("fw.sym") + " --debug-info " +
                       Path("out/fw.json") + " " + Path("fw.s"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read("out/V2").size(), 16384u);
  EXPECT_EQ(Read("out/RAM").size(), 8192u);
  EXPECT_FALSE(Exists("out/V4"));
  EXPECT_FALSE(Exists("out/AMT"));
  const std::string v2 = Read("out/V2");
  EXPECT_EQ(v2.substr(0x200, 4), std::string("\x80\xE0\x22\x00", 4));
  EXPECT_NE(Read("fw.sym").find("start = 0x0100"), std::string::npos);
  EXPECT_NE(Read("fw.lst").find("0100  E080 0022"), std::string::npos);
  const std::string debug = Read("out/fw.json");
  EXPECT_NE(debug.find("\"sources\": [\n    \"../fw.s\"\n  ]"), std::string::npos) << debug;
  EXPECT_NE(debug.find("{\"name\": \"start\", \"value\": 256, \"kind\": \"label\", "
                       "\"source\": 0, \"line\": 4}"),
            std::string::npos);
}

TEST_F(Cli, ErrorsWriteNothing) {
  Write("out/V4", "old");
  Write("bad.s", ".org 0x4000\n.word 1\nJMP far\n");
  const Outcome r = As("-o " + Path("out") + " --listing " + Path("bad.lst") + " --debug-info " +
                       Path("bad.json") + " " + Path("bad.s"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(Path("bad.s") + ":3:5: error: undefined symbol 'far'"), std::string::npos)
      << r.err;
  EXPECT_EQ(Read("out/V4"), "old");
  EXPECT_FALSE(Exists("out/RAM"));
  EXPECT_FALSE(Exists("bad.lst"));
  EXPECT_FALSE(Exists("bad.json"));
  EXPECT_EQ(fs::directory_iterator(Path("out"))->path().filename(), "V4");  // no temp files
}

TEST_F(Cli, MissingSourceIsAnError) {
  const Outcome r = As(Path("nothing.s"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot read"), std::string::npos);
}

TEST_F(Cli, ListingShowsAddressWordsAndText) {
  // 0x0000: JMP [0100]; 0x0002: MOV R0,#4010; 0x0004: JMP 0004; 0x0005: invalid; 0x0006: cut off.
  Write("V4", std::string("\x50\xE3\x00\x01\x80\xE0\x10\x40\x00\x63\x00\x80\x80\xE0", 14));
  const Outcome r = Dis(Path("V4"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "0000  E350 0100  JMP    [0100]\n"
            "0002  E080 4010  MOV    R0,#4010\n"
            "0004  6300       JMP    0004\n"
            "0005  8000       .word  0x8000\n"
            "0006  E080       .word  0xE080\n");
  const Outcome part = Dis("--base 0x4000 --from 0x4002 --to 0x4004 " + Path("V4"));
  EXPECT_EQ(part.out,
            "4002  E080 4010  MOV    R0,#4010\n"
            "4004  6300       JMP    4004\n");
}

TEST_F(Cli, ZeroRunsPrintAsOneFill) {
  // Two zero words stay instructions; three become one .fill.
  Write("V4", std::string("\x00\x00\x00\x00\x00\x63\x00\x00\x00\x00\x00\x00", 12));
  EXPECT_EQ(Dis(Path("V4")).out,
            "0000  0000       MOV    R0,M[BASE0+00]\n"
            "0001  0000       MOV    R0,M[BASE0+00]\n"
            "0002  6300       JMP    0002\n"
            "0003  0000       .fill  3\n");
}

// A hand-written file names places in an image that has no source.
TEST_F(Cli, SymbolsNameLabelsOperandsCommentsAndData) {
  Write("V4", std::string("\x50\xE3\x03\x00\x04\x65\xE1\xE1\x80\xE1\x12\x40"
                          "\x80\xE1\x34\x12\x00\x00\x00\x00\x01\x62\xE2\xE1",
                          24));
  Write("names.json", R"({"format": "kv74-debug-info", "version": 1,
    "symbols": [{"name": "start", "value": 0}, {"name": "Loop", "value": 3},
                {"name": "face", "value": 6}, {"name": "mid", "value": 7},
                {"name": "cells", "value": 16400}, {"name": "R3", "value": 10},
                {"name": "KEYS", "value": 61473, "kind": "equ"},
                {"name": "P1", "value": 61474, "kind": "equ"},
                {"name": "P2", "value": 61474, "kind": "equ"}],
    "data": [{"address": 8, "size": 2, "kind": "table"}],
    "comments": [{"address": 3, "text": "read the keyboard"}]})");
  const Outcome r = Dis("--symbols " + Path("names.json") + " " + Path("V4"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "start:\n"
            "0000  E350 0003  JMP    [Loop]\n"
            "0002  6504       JZ     (face)\n"  // a hex-letter name in parentheses
            "Loop:\n"
            "0003  E1E1       MOV    R0,[KEYS]                ; read the keyboard\n"
            "0004  E180 4012  MOV    R1,#cells+2\n"
            "face:\n"
            "0006  E180       .word  0xE180\n"  // its second word is labelled
            "mid:\n"
            "0007  1234       MOV    M[BASE0+34],R2\n"
            "0008  0000 0000  .word  0x0000, 0x0000\n"
            "R3:\n"
            "000A  6201       CALL   M[0001]                  ; calls Loop\n"
            "000B  E1E2       MOV    R0,[F022]\n");  // two .equ share the address
  // The source leaves out what the assembler cannot read back (R3) and defines the names
  // that lie outside the image.
  const Outcome source = Dis("--source --symbols " + Path("names.json") + " " + Path("V4"));
  ASSERT_EQ(source.status, 0) << source.err;
  EXPECT_NE(source.out.find("\nKEYS = 0xF021\ncells = 0x4010\n"), std::string::npos) << source.out;
  EXPECT_EQ(source.out.find("R3"), std::string::npos) << source.out;
  Write("in.s", source.out);
  ASSERT_EQ(As("-o " + Path("out") + " " + Path("in.s")).status, 0);
  EXPECT_EQ(Read("out/V4"), Read("V4"));

  Write("bad.json", R"({"format": "kv74-debug-info", "version": 9})");
  const Outcome bad = Dis("--symbols " + Path("bad.json") + " " + Path("V4"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("bad.json: version: version 9 is newer"), std::string::npos) << bad.err;
}

// Which operands become names, and which stay numbers.
TEST_F(Cli, SymbolicOperandsOnlyWhereTheyName) {
  const std::vector<std::pair<std::uint32_t, const char*>> cases = {
      {0x0105E250, "CALL   [0105]"},     // a call enters at a label, not near one
      {0x0105E350, "JMP    [Code+5]"},   // a jump may land inside a routine
      {0x0300E350, "JMP    [0300]"},     // too far from the nearest label
      {0x4104E080, "MOV    R0,#Var+4"},  // a cell in data memory
      {0x4100ED00, "AND    R0,#4100"},   // AND, OR, XOR take masks
      {0xF130E500, "CMP    R0,#IO"},     // the one .equ of an I/O address
  };
  std::string bytes;
  for (const auto& c : cases)
    for (int shift : {0, 8, 16, 24}) bytes += static_cast<char>(c.first >> shift);
  Write("V4", bytes);
  Write("n.json", R"({"format": "kv74-debug-info", "version": 1, "symbols": [
    {"name": "Code", "value": 256}, {"name": "Var", "value": 16640},
    {"name": "IO", "value": 61744, "kind": "equ"}]})");
  const Outcome r = Dis("--base 0x100 --symbols " + Path("n.json") + " " + Path("V4"));
  ASSERT_EQ(r.status, 0) << r.err;
  for (const auto& c : cases) EXPECT_NE(r.out.find(c.second), std::string::npos) << c.second;
}

// The bundled firmware, disassembled with its debug information, assembles back.
TEST_F(Cli, FirmwareSourceWithSymbolsRoundTrips) {
  const std::string data = KV74_SOURCE_DATA_DIR;
  for (const char* image : {"V4", "AMT", "RAM"}) {
    const Outcome dis = Dis("--source --symbols " + data + "/V4.debug.json " + data + "/" + image);
    ASSERT_EQ(dis.status, 0) << dis.err;
    EXPECT_NE(dis.out.find(image == std::string("V4") ? "\nBoot:\n" : "\n        .fill"),
              std::string::npos)
        << image;
    Write("fw.s", dis.out);
    fs::remove_all(Path("out"));
    const Outcome as = As("-o " + Path("out") + " --program-name V4 " + Path("fw.s"));
    ASSERT_EQ(as.status, 0) << as.err.substr(0, 2000);
    EXPECT_TRUE(Read("out/" + std::string(image)) == Read(data + "/" + image)) << image;
  }
}

TEST_F(Cli, DefaultBaseFollowsTheImageName) {
  Write("AMT", std::string("\x00\x63", 2));
  Write("x/kv74.ram", std::string("\x00\x63", 2));
  EXPECT_EQ(Dis(Path("AMT")).out, "7000  6300       JMP    7000\n");
  EXPECT_EQ(Dis(Path("x/kv74.ram")).out, "4000  6300       JMP    4000\n");
}

// Any bytes, of any length that fits the area, come back byte for byte.
TEST_F(Cli, SourceRoundTripOfRandomImages) {
  struct Case {
    std::size_t bytes;
    const char* base;
    const char* image;
  } cases[] = {
      {16384, "0", "V4"},   {8192, "0x4000", "RAM"}, {8192, "0x7000", "AMT"},
      {1001, "0", "V4"},    {777, "0x4100", "RAM"},  {2, "0x1FFF", "V4"},
      {1, "0x7FFF", "AMT"}, {0, "0x4000", "RAM"},
  };
  std::mt19937 random(74);
  for (int round = 0; round < 3; ++round) {
    for (const Case& c : cases) {
      std::string bytes(c.bytes, '\0');
      for (char& b : bytes) b = static_cast<char>(random());
      Write("in.bin", bytes);
      const Outcome dis = Dis("--source --base " + std::string(c.base) + " " + Path("in.bin"));
      ASSERT_EQ(dis.status, 0) << dis.err;
      Write("in.s", dis.out);
      fs::remove_all(Path("out"));
      const Outcome as = As("-o " + Path("out") + " " + Path("in.s"));
      ASSERT_EQ(as.status, 0) << as.err.substr(0, 2000);
      ASSERT_TRUE(Read("out/" + std::string(c.image)) == bytes) << c.bytes << " at " << c.base;

      // The same with random names, data regions, comments and (every other round) lines.
      const std::uint32_t base = std::stoul(c.base, nullptr, 0), words = (c.bytes + 1) / 2;
      std::string symbols, data, comments, lines;
      const auto at = [&] { return base + random() % (words + 2); };
      for (int k = 0; k < 12; ++k) {
        symbols += (k ? ", " : "") + std::string("{\"name\": \"") + (k % 4 ? "L" : "Fa") +
                   std::to_string(k) + "\", \"value\": " + std::to_string(at() & 0xFFFF) + "}";
        data += (k ? ", " : "") + std::string("{\"address\": ") + std::to_string(at() & 0xFFFF) +
                ", \"size\": " + std::to_string(1 + random() % 5) + "}";
        comments += (k ? ", " : "") + std::string("{\"address\": ") +
                    std::to_string(at() & 0xFFFF) + ", \"text\": \"c\"}";
      }
      for (std::uint32_t a = base; round % 2 && a + 2 < base + words; a += 2 + random() % 3)
        lines += (lines.empty() ? "" : ", ") + std::string("{\"address\": ") + std::to_string(a) +
                 ", \"size\": " + std::to_string(1 + random() % 2) +
                 ", \"source\": 0, \"line\": 1}";
      Write("in.json", R"({"format": "kv74-debug-info", "version": 1, "sources": ["x.s"],
                           "symbols": [)" +
                           symbols + "], \"data\": [" + data + "], \"comments\": [" + comments +
                           "], \"lines\": [" + lines + "]}");
      const Outcome named = Dis("--source --symbols " + Path("in.json") + " --base " +
                                std::string(c.base) + " " + Path("in.bin"));
      ASSERT_EQ(named.status, 0) << named.err;
      Write("in.s", named.out);
      fs::remove_all(Path("out"));
      const Outcome back = As("-o " + Path("out") + " " + Path("in.s"));
      ASSERT_EQ(back.status, 0) << back.err.substr(0, 2000);
      ASSERT_TRUE(Read("out/" + std::string(c.image)) == bytes) << "with names: " << c.bytes;
    }
  }
}

TEST_F(Cli, SourceOfAnImageThatFitsNoArea) {
  Write("big", std::string(16386, '\0'));
  EXPECT_EQ(Dis("--source " + Path("big")).status, 1);
  Write("small", std::string(4, '\0'));
  EXPECT_EQ(Dis("--source --base 0x2000 " + Path("small")).status, 1);
  EXPECT_EQ(Dis("--source --base 0x4FFF " + Path("small")).status, 1);
}

}  // namespace
