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
