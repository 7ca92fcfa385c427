// Start-up, shutdown and the RAM save, both on a session in this process and on the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>

#include "board/image.hpp"
#include "shell/options.hpp"
#include "shell/ram_save.hpp"
#include "shell/recorder.hpp"
#include "shell/session.hpp"

namespace kv74::shell {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Options, Parse) {
  struct Case {
    QStringList args;
    bool runs;
    int exitCode;
    QString images, screenshot;
    int after;
  };
  const Case cases[] = {
      {{}, true, 0, "", "", 3000},
      {{"--images", "/tmp/fw"}, true, 0, "/tmp/fw", "", 3000},
      {{"--screenshot", "out/x", "--after", "250"}, true, 0, "", "out/x", 250},
      {{"--help"}, false, 0, "", "", 0},
      {{"--version"}, false, 0, "", "", 0},
      {{"--after", "soon"}, false, 2, "", "", 0},
      {{"--after", "-5"}, false, 2, "", "", 0},
      {{"--bogus"}, false, 2, "", "", 0},
      {{"stray"}, false, 2, "", "", 0},
      {{"--speed", "fast"}, false, 2, "", "", 0},
      {{"--speed", "0"}, false, 2, "", "", 0},
      {{"--exit-at", "-1"}, false, 2, "", "", 0},
  };
  for (const Case& c : cases) {
    ParsedOptions p = ParseOptions(QStringList{"kv74"} + c.args);
    QString what = c.args.join(' ');
    ASSERT_EQ(p.options.has_value(), c.runs) << what.toStdString();
    if (c.runs) {
      EXPECT_EQ(p.options->imageDir, c.images);
      EXPECT_EQ(p.options->screenshotPrefix, c.screenshot);
      EXPECT_EQ(p.options->afterMs, c.after);
    } else {
      EXPECT_EQ(p.exitCode, c.exitCode) << what.toStdString();
      EXPECT_FALSE(p.output.isEmpty()) << what.toStdString();
    }
  }
}

TEST(Options, SpeedAndSession) {
  struct Case {
    const char* text;
    std::optional<double> factor;
  };
  for (const Case& c :
       {Case{"max", 0.0}, Case{"real", 1.0}, Case{"0.1", 0.1}, Case{"100", 100.0},
        Case{"1000", 1000.0}, Case{"-2", {}}, Case{"1001", {}}, Case{"nan", {}}, Case{"", {}}})
    EXPECT_EQ(ParseSpeed(c.text), c.factor) << c.text;
  ParsedOptions p = ParseOptions({"kv74", "--speed", "real", "--exit-at", "5000", "--input", "a",
                                  "--record", "b", "--ram", "c", "--paused"});
  ASSERT_TRUE(p.options);
  EXPECT_EQ(p.options->speed, 1.0);
  EXPECT_EQ(p.options->exitAt, 5000u);
  EXPECT_EQ(p.options->input, "a");
  EXPECT_EQ(p.options->record, "b");
  EXPECT_EQ(p.options->ramFile, "c");
  EXPECT_TRUE(p.options->startPaused);
}

TEST(RamSave, WritesDataMemoryLowByteFirstAndReplacesTheFile) {
  QTemporaryDir dir;
  auto m = std::make_unique<BoardState>();
  for (std::size_t i = 0; i < DATA_WORDS; ++i)
    m->DataMemory[i] = static_cast<std::uint16_t>(i * 0x0101 + 0x1234);
  QString path = dir.filePath(RAM_FILE_NAME);
  for (int save = 0; save < 2; ++save) {
    m->DataMemory[0] = static_cast<std::uint16_t>(0xA55A + save);
    QString error;
    ASSERT_TRUE(SaveRam(*m, path, &error)) << error.toStdString();
    QByteArray bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 8192);
    for (std::size_t i = 0; i < DATA_WORDS; ++i) {
      auto lo = static_cast<std::uint8_t>(bytes[static_cast<qsizetype>(2 * i)]);
      auto hi = static_cast<std::uint8_t>(bytes[static_cast<qsizetype>(2 * i + 1)]);
      ASSERT_EQ(lo | hi << 8, m->DataMemory[i]) << "word " << i;
    }
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{RAM_FILE_NAME});
}

TEST(RamSave, FailureIsReportedAndLeavesNoFile) {
  QTemporaryDir dir;
  auto m = std::make_unique<BoardState>();
  QString error;
  QString path = dir.filePath("missing/kv74.ram");
  EXPECT_FALSE(SaveRam(*m, path, &error));
  EXPECT_TRUE(error.contains("kv74.ram"));
  EXPECT_TRUE(error.contains("No such file or directory")) << error.toStdString();
  EXPECT_FALSE(QFile::exists(path));
}

TEST(RamSave, NoBatteryRamFileLeavesTheRamImage) {
  QTemporaryDir dir;
  auto m = std::make_unique<BoardState>();
  m->DataMemory[7] = 0x1234;
  EXPECT_FALSE(LoadBatteryRam(*m, dir.filePath(RAM_FILE_NAME)));
  EXPECT_EQ(m->DataMemory[7], 0x1234);
}

// A recording is on disk line by line as the session goes (a crash keeps it, in the temporary
// beside the file); one that cannot be written fails at the start.
TEST(Replay, RecordingGoesToDiskAsItIsMadeAndFailsAtTheStart) {
  QTemporaryDir dir;
  const QString path = dir.filePath("rec.input");
  ClickRecorder recorder(path);
  recorder.Record(1200, "k0x2B");
  const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(ReadAll(dir.filePath(files[0])).contains("1200 click k0x2B\n"));
  QString error;
  EXPECT_TRUE(recorder.Finish(1500, &error)) << error.toStdString();
  EXPECT_TRUE(ReadAll(path).contains("1200 click k0x2B\n"));
  EXPECT_THROW(ClickRecorder(dir.filePath("missing/rec.input")), std::runtime_error);
}

TEST(Session, MissingImageStopsTheStartBeforeTheProcessorRuns) {
  QTemporaryDir images, work;
  SessionOptions o;
  o.imageDir = images.path();
  o.workDir = work.path();
  try {
    Session session(o);
    FAIL() << "started without images";
  } catch (const ImageError& e) {
    EXPECT_STREQ(e.what(), "Resource v4 not found");
  }
  EXPECT_FALSE(QFile::exists(work.filePath("prog.txt")));
}

TEST(Session, RunsTheBundledFirmwareSavesAndStopsOnClose) {
  QTemporaryDir work;
  QFile stale(work.filePath("prog.txt"));
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write("an earlier run\n");
  stale.close();
  SessionOptions o;
  o.imageDir = KV74_DATA_DIR;
  o.workDir = work.path();
  Session session(o);
  EXPECT_EQ(QFile(work.filePath("prog.txt")).size(), 0);  // emptied at start
  EXPECT_EQ(session.Run().RunFlag(), WindowRun::RUN);
  EXPECT_EQ(session.Form().Find("ki8")->Colour(), colour::GREEN);
  session.Show();
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 300) QCoreApplication::processEvents();
  EXPECT_TRUE(session.msaveClick());
  EXPECT_EQ(QFile(work.filePath("kv74.ram")).size(), 8192);
  EXPECT_TRUE(session.Form().close());
  EXPECT_TRUE(session.Run().Finished());
  EXPECT_FALSE(session.Disp().isVisible());
}

QStringList VisibleMessages() {
  QCoreApplication::processEvents();
  QStringList texts;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible())
      texts << box->text();
  }
  return texts;
}

TEST(Session, UnwritableFilesAreToldOnceWithoutStoppingTheEmulation) {
  QTemporaryDir work;
  SessionOptions o;
  o.imageDir = KV74_DATA_DIR;
  o.workDir = work.filePath("no-such-folder");
  Session session(o);
  session.Show();
  QStringList shown = VisibleMessages();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown.front().contains("prog.txt")) << shown.front().toStdString();
  EXPECT_FALSE(session.msaveClick());
  EXPECT_FALSE(session.msaveClick());
  shown = VisibleMessages();
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown.filter("kv74.ram").size(), 1) << shown.join('|').toStdString();
  EXPECT_EQ(session.Run().RunFlag(), WindowRun::RUN);
  session.Form().close();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMessageBox*>(w)) w->close();
  }
  EXPECT_TRUE(session.Run().Finished());
}

// The program itself, on the offscreen platform.
struct ProgramRun {
  int exitCode = -1;
  QString out, err;
};

ProgramRun Kv74(const QStringList& args, const QString& workDir) {
  QProcess p;
  p.setWorkingDirectory(workDir);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.start(KV74_EXE, args);
  ProgramRun r;
  if (!p.waitForFinished(30000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

TEST(Program, MissingImageIsToldAndTheProgramFails) {
  QTemporaryDir images, work;
  ProgramRun r = Kv74({"--images", images.path()}, work.path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("Resource v4 not found")) << r.err.toStdString();
  EXPECT_FALSE(QFile::exists(work.filePath("prog.txt")));
}

TEST(Program, ScreenshotRunGrabsBothWindowsAndClosesNormally) {
  QTemporaryDir work;
  ProgramRun r =
      Kv74({"--images", KV74_DATA_DIR, "--screenshot", "shot", "--after", "400"}, work.path());
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QImage panel(work.filePath("shot-panel.png"));
  QImage plot(work.filePath("shot-plot.png"));
  EXPECT_GE(panel.width(), 714);  // the panel under a menu bar, above a status bar
  EXPECT_GT(panel.height(), 368);
  EXPECT_FALSE(plot.isNull());
  EXPECT_TRUE(QFile::exists(work.filePath("prog.txt")));
}

TEST(Program, DebugOpensTheDebuggerWindow) {
  QTemporaryDir work;
  ProgramRun r =
      Kv74({"--images", KV74_DATA_DIR, "--debug", "--screenshot", "shot", "--after", "400"},
           work.path());
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_FALSE(QImage(work.filePath("shot-debugger.png")).isNull());
  EXPECT_TRUE(r.out.contains("shot-debugger.png")) << r.out.toStdString();
  // Unreadable debug information is told in the panel; the program goes on without the window.
  ProgramRun bad = Kv74({"--images", KV74_DATA_DIR, "--debug", "--debug-info",
                         work.filePath("none.json"), "--screenshot", "x", "--after", "200"},
                        work.path());
  EXPECT_EQ(bad.exitCode, 0) << bad.err.toStdString();
  EXPECT_TRUE(QFile::exists(work.filePath("x-panel.png")));
  EXPECT_FALSE(QFile::exists(work.filePath("x-debugger.png")));
}

TEST(Program, HelpAndVersion) {
  QTemporaryDir work;
  // Without a display: answered before the window system starts.
  QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
  bare.remove("DISPLAY");
  bare.remove("WAYLAND_DISPLAY");
  bare.insert("QT_QPA_PLATFORM", "xcb");
  QProcess p;
  p.setProcessEnvironment(bare);
  p.start(KV74_EXE, {"--help"});
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
  const QString help = QString::fromLocal8Bit(p.readAllStandardOutput());
  EXPECT_TRUE(help.startsWith("Usage: kv74 [options]")) << help.toStdString();
  EXPECT_TRUE(help.contains("--speed"));
  ProgramRun version = Kv74({"--version"}, work.path());
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(version.out.contains("KV7402"));
  ProgramRun bad = Kv74({"--no-such-option"}, work.path());
  EXPECT_EQ(bad.exitCode, 2);
  // A run without a display: one line and a failure, never a signal.
  p.start(KV74_EXE, {"--images", KV74_DATA_DIR});
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 2);
  const QString told = QString::fromLocal8Bit(p.readAllStandardError());
  EXPECT_TRUE(told.startsWith("kv74: cannot open a window")) << told.toStdString();
  EXPECT_EQ(told.count('\n'), 1) << told.toStdString();
}

}  // namespace
}  // namespace kv74::shell
