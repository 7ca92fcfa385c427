#include <gtest/gtest.h>

#include "panel/trace.hpp"
#include "rig.hpp"

namespace kv74::test {
namespace {

void OneEntryBlock(Rig& rig) {
  rig.SetData(cell::BLOCK_INDEX, 4);
  rig.SetData(cell::BLOCK_TABLE + 8, 0x8300);
  rig.SetData(cell::BLOCK_TABLE + 9, 0x0090);
}

TEST(TraceFile, EmptiedAtStartEvenWhenNothingIsTraced) {
  Rig rig;
  { std::ofstream(rig.TracePath()) << "from the last run\n"; }
  rig.panel->StartUp();
  rig.panel->Trace().Flush();
  EXPECT_EQ(ReadFile(rig.TracePath()), "");
  EXPECT_TRUE(rig.warnings.empty());
}

TEST(TraceFile, LinesAreBufferedUntilTheLogIsFlushedOrDestroyed) {
  Rig rig;
  rig.panel->StartUp();
  OneEntryBlock(rig);
  rig.panel->DecodeBlock();
  rig.panel->DecodeBlock();  // the same one-entry block logs again
  EXPECT_EQ(ReadFile(rig.TracePath()), "");
  rig.panel.reset();
  EXPECT_EQ(ReadFile(rig.TracePath()), "4 ->   G 90\n4 ->   G 90\n");
}

TEST(TraceFile, UnopenableFileWarnsOnceAndTheDisplayStillUpdates) {
  // A trace directory that is a plain file cannot hold prog.txt, whoever runs the test.
  ScratchDir scratch;
  const auto blocker = scratch.Path() / "blocker";
  { std::ofstream(blocker) << "x"; }
  PanelOptions options;
  options.traceDirectory = blocker;
  Rig rig(std::move(options));
  rig.panel->StartUp();
  EXPECT_FALSE(rig.panel->Trace().IsOpen());
  ASSERT_EQ(rig.warnings.size(), 1u);
  EXPECT_NE(rig.warnings[0].find("prog.txt"), std::string::npos) << rig.warnings[0];
  OneEntryBlock(rig);
  rig.panel->DecodeBlock();
  EXPECT_EQ(rig.Caption("kom"), "  G 90");
  EXPECT_EQ(rig.Caption("n"), "4");
  rig.SetData(cell::BLOCK_INDEX, 0);
  rig.SetData(cell::BLOCK_TABLE, 0x8100);
  rig.panel->DecodeBlock();
  rig.panel->Trace().Flush();
  EXPECT_EQ(rig.Caption("kom"), "  X 0");
  EXPECT_EQ(rig.Caption("n"), "0");
  EXPECT_EQ(rig.warnings.size(), 1u);
  EXPECT_EQ(ReadFile(blocker), "x");
}

TEST(TraceFile, MissingDirectoryWarnsOnce) {
  ScratchDir dir;
  std::vector<std::string> warnings;
  TraceLog log([&](const std::string& w) { warnings.push_back(w); });
  EXPECT_FALSE(log.Open(dir.Path() / "no" / "such" / "dir"));
  EXPECT_FALSE(log.Open(dir.Path() / "no" / "such" / "dir"));
  log.Line("dropped");
  log.Flush();
  EXPECT_EQ(warnings.size(), 1u);
}

// Going back and coming again: the lines already written are not written twice.
TEST(TraceFile, LinesComingAgainAreNotWrittenTwice) {
  ScratchDir dir;
  TraceLog log;
  ASSERT_TRUE(log.OpenFile(dir.Path() / "prog.txt"));
  log.Line("1");
  log.Line("2");
  log.SetLines(1);  // back to after the first line
  log.Line("2");
  log.Line("3");
  log.Flush();
  EXPECT_EQ(ReadFile(dir.Path() / "prog.txt"), "1\n2\n3\n");
}

TEST(TraceFile, WriteErrorIsReportedOnceNotSwallowed) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP();
  std::vector<std::string> warnings;
  TraceLog log([&](const std::string& w) { warnings.push_back(w); });
  // /dev/full opens and fails every write that reaches it.
  ASSERT_TRUE(log.OpenFile("/dev/full"));
  log.Line("buffered");
  EXPECT_TRUE(warnings.empty());
  log.Flush();
  EXPECT_FALSE(log.IsOpen());
  log.Line("dropped");
  log.Flush();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("/dev/full"), std::string::npos) << warnings[0];
}

}  // namespace
}  // namespace kv74::test
