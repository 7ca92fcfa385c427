// The window in time: clicks taken at step boundaries, recorded and replayed exactly by the
// runner, pacing, pause and step, the battery RAM, and signals.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>
#include <sstream>
#include <tuple>

#include "board/image.hpp"
#include "board/power.hpp"
#include "json_writer.hpp"
#include "panel/click.hpp"
#include "panel/panel_json.hpp"
#include "run.hpp"
#include "runner_panel.hpp"
#include "script.hpp"
#include "serve_until.hpp"
#include "shell/pacing.hpp"
#include "shell/ram_save.hpp"
#include "shell/session.hpp"

namespace kv74::shell {
namespace {

constexpr char kDemo[] = KV74_SOURCE_DIR "/firmware/demo/auto-run.input";

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

using kv74::testing::ServeUntil;

SessionOptions InDir(const QTemporaryDir& work) {
  SessionOptions o;
  o.imageDir = KV74_DATA_DIR;
  o.workDir = work.path();
  return o;
}

// The runner's run of a script up to `steps`, with its prog.txt in dir.
struct Replay {
  std::unique_ptr<BoardState> m = std::make_unique<BoardState>();
  std::unique_ptr<RunnerPanel> panel;
  Replay(const QString& script, std::uint64_t steps, const QString& dir) {
    LoadImages(*m, KV74_DATA_DIR);
    PowerOn(*m);
    panel = std::make_unique<RunnerPanel>(*m, dir.toStdString());
    panel->StartUp();
    const auto clicks =
        LoadScript(script.toStdString(), [](std::string_view n) { return IsClickable(n); });
    RunPlan plan;
    plan.stepLimit = steps;
    plan.clicks = clicks;
    EXPECT_EQ(RunMachine(*m, *panel, plan).clicksDone, clicks.size());
    panel->FlushTrace();
  }
};

// The window's session and the runner's replay of its recording agree at the window's last step.
void ExpectReplayEqual(Session& session, const QTemporaryDir& work, const QString& record) {
  ASSERT_TRUE(session.Run().Finished());
  QTemporaryDir replayDir;
  Replay r(record, session.Run().Steps(), replayDir.path());
  const BoardState& w = session.Machine();
  EXPECT_EQ(w.RegisterFile, r.m->RegisterFile);
  EXPECT_EQ(w.DataMemory, r.m->DataMemory);
  EXPECT_EQ(w.tickClock, r.m->tickClock);
  const QByteArray trace = ReadAll(work.filePath("prog.txt"));
  EXPECT_EQ(trace, ReadAll(replayDir.filePath("prog.txt")));
  // What the panel shows: captions, lamps, toggles, the panel logic's state.
  std::ostringstream runner;
  JsonWriter json(runner);
  json.BeginObject();
  r.panel->WriteJsonMembers(json);
  json.EndObject();
  EXPECT_NE(runner.str().find(PanelJson(session.Form(), session.Panel())), std::string::npos);
}

// Runs the session until its window has closed (by --exit-at, or by `close`).
void RunToClose(Session& session) {
  session.Show();
  ASSERT_TRUE(ServeUntil([&] { return !session.Form().isVisible(); }, 60000));
  ASSERT_TRUE(session.Run().Finished());
}

TEST(Replay, TheDemoInTheWindowIsTheRunnersRun) {
  QTemporaryDir work;
  SessionOptions o = InDir(work);
  o.input = kDemo;
  o.record = work.filePath("session.input");
  o.exitAt = 30'000'000;
  Session session(o);
  RunToClose(session);
  EXPECT_EQ(session.Run().Steps(), 30'000'000u);
  const QByteArray recorded = ReadAll(o.record);
  EXPECT_TRUE(recorded.contains("\n100000 click k0x2B\n200000 click k0x33\n")) << recorded.data();
  EXPECT_TRUE(recorded.endsWith("# ended at step 30000000\n")) << recorded.data();
  EXPECT_GE(ReadAll(work.filePath("prog.txt")).count('\n'), 40);
  ExpectReplayEqual(session, work, o.record);
}

TEST(Replay, ClicksAndKeysOfTheUserAreTakenAtStepsAndReplayedExactly) {
  QTemporaryDir work;
  SessionOptions o = InDir(work);
  o.record = work.filePath("session.input");
  Session session(o);
  session.Show();
  qt::TForm1& form = session.Form();
  WindowRun& run = session.Run();
  auto after = [&](std::uint64_t steps) {
    const std::uint64_t target = run.Steps() + steps;
    ASSERT_TRUE(ServeUntil([&] { return run.Steps() >= target; }));
  };
  auto click = [&](const char* name) { QTest::mouseClick(form.Widget(name), Qt::LeftButton); };
  after(1'000'000);
  click("k0x29");  // manual mode
  after(50'000);
  click("k0x35");  // jog axis X
  after(50'000);
  click("uskor");
  click("k0x79");  // jog down, rapid
  after(2'000'000);
  click("k0x79");  // released
  click("uskor");
  after(3'000'000);
  for (Qt::Key key : {Qt::Key_F, Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_Return}) {
    QTest::keyClick(&form, key);
    after(20'000);
  }
  click("ki8");
  after(100'000);
  click("ki8");
  click("k0x39");
  after(100'000);
  form.close();
  ASSERT_TRUE(run.Finished());
  const QByteArray recorded = ReadAll(o.record);
  qsizetype clicks = 0;
  for (const QByteArray& line : recorded.split('\n'))
    clicks += line.contains(" click ") && !line.startsWith('#');
  EXPECT_EQ(clicks, 14) << recorded.data();
  EXPECT_TRUE(recorded.contains(" click k0x3E\n")) << recorded.data();  // Enter
  EXPECT_EQ(session.Machine().DataMemory[cell::FEED_RATE - DATA_BASE], 123);
  EXPECT_NE(session.Machine().DataMemory[cell::POSITION_X_LO - DATA_BASE], 7200);
  ExpectReplayEqual(session, work, o.record);
}

// The pacing on a clock of its own: blocks of about 10 ms of machine time at 1,010,000 steps per
// second times the factor; at max no pacing; a run that fell behind starts afresh rather than race.
TEST(Pacing, BlocksAndDueTimesFollowTheSpeed) {
  using namespace std::chrono_literals;
  const Pacer::Clock::time_point t0{1000s};
  struct Case {
    double factor;
    std::uint64_t block;  // BlockSteps(5000)
    std::uint64_t at;     // the step count asked about; the run started at t0 and step 1000
    Pacer::Clock::duration now, due;
  };
  const Case cases[] = {
      {0, 5000, 0, 0ms, 0ms},               // max: the steps come as they run
      {1, 10100, 1'011'000, 0ms, 1s},       // real time
      {2, 20200, 1'011'000, 100ms, 500ms},  // twice real time
      {0.1, 1010, 11100, 50ms, 100ms},      // a tenth
      {1e-6, 1, 1001, 0ms, 990099us},       // a block holds at least a step
      {1, 10100, 11100, 150ms, 10ms},       // behind, within the bound: catches up
      {1, 10100, 11100, 250ms, 250ms},      // far behind: a new start from now
      {1, 10100, 999, 5ms, 5ms},            // the count went back: a new start
  };
  auto seconds = [](Pacer::Clock::duration d) { return std::chrono::duration<double>(d).count(); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.factor);
    Pacer p;
    p.SetFactor(c.factor, 1000, t0);
    EXPECT_EQ(p.BlockSteps(5000), c.block);
    if (!p.Paced()) continue;
    const auto due = p.DueTime(c.at, t0 + c.now);
    EXPECT_NEAR(seconds(due - t0), seconds(c.due), 1e-6);
    // The next 10 ms of machine time is due that long later, also from a new start.
    const auto next = p.DueTime(c.at + 10100, t0 + c.now);
    EXPECT_NEAR(seconds(next - due), 0.01 / c.factor, 1e-6);
  }
  Pacer p;
  EXPECT_EQ(p.BlockSteps(0), 1u);  // unpaced, and still a step at a time at least
  p.SetFactor(1, 0, t0);
  p.SetFactor(1, 5000, t0 + 1s);  // a speed change starts from where the run stands
  EXPECT_EQ(p.DueTime(5000 + 10100, t0 + 1s), t0 + 1s + 10ms);
  p.Restart(20000, t0 + 2s);
  EXPECT_EQ(p.DueTime(20000 + 1010, t0 + 2s), t0 + 2s + 1ms);
}

TEST(Pacing, RealTimeMultipleKeepsTheCountExactPausesAndSteps) {
  QTemporaryDir work;
  SessionOptions o = InDir(work);
  o.speed = 2;  // 2.02 million steps per second
  o.exitAt = 1'500'000;
  o.startPaused = true;
  Session session(o);
  session.Show();
  WindowRun& run = session.Run();
  ASSERT_TRUE(ServeUntil([&] { return run.Paused(); }));
  EXPECT_EQ(run.Steps(), 0u);
  struct StepCase {
    std::uint64_t n;
    std::uint64_t after;
  };
  for (const StepCase& c : {StepCase{1, 1}, StepCase{1, 2}, StepCase{998, 1000}}) {
    run.StepBy(c.n);
    ASSERT_TRUE(ServeUntil([&] { return run.Steps() == c.after && run.Paused(); }));
  }
  QTest::qWait(50);
  EXPECT_EQ(run.Steps(), 1000u);  // paused stays put
  QElapsedTimer timer;
  timer.start();
  run.Resume();
  ASSERT_TRUE(ServeUntil([&] { return run.Steps() > 500'000; }));
  run.Pause();
  ASSERT_TRUE(ServeUntil([&] { return run.Paused(); }));
  const std::uint64_t pausedAt = run.Steps();
  QTest::qWait(100);
  EXPECT_EQ(run.Steps(), pausedAt);
  run.Resume();
  RunToClose(session);
  EXPECT_EQ(run.Steps(), 1'500'000u);
  // 1.5 million steps at 2.02 million per second, the 100 ms pause besides.
  EXPECT_GE(timer.elapsed(), 700);
  QFile empty(work.filePath("none.input"));
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.close();
  ExpectReplayEqual(session, work, empty.fileName());
}

TEST(BatteryRam, KeepsTheRamFromOneSessionToTheNext) {
  QTemporaryDir work;
  SessionOptions o = InDir(work);
  o.ramFile = work.filePath("battery.ram");
  {
    Session first(o);  // no file yet: the RAM image
    first.Show();
    WindowRun& run = first.Run();
    ASSERT_TRUE(ServeUntil([&] { return run.Steps() > 1'000'000; }));
    for (Qt::Key key : {Qt::Key_F, Qt::Key_4, Qt::Key_5, Qt::Key_6, Qt::Key_Return})
      QTest::keyClick(&first.Form(), key);
    const std::uint64_t from = run.Steps();
    ASSERT_TRUE(ServeUntil([&] { return run.Steps() > from + 1'000'000; }));
    first.Form().close();
    EXPECT_EQ(first.Machine().DataMemory[cell::FEED_RATE - DATA_BASE], 456);
    EXPECT_EQ(ReadAll(o.ramFile).size(), 8192);
  }
  EXPECT_EQ(QDir(work.path()).entryList({"battery.ram*"}, QDir::Files), QStringList{"battery.ram"});
  const QByteArray saved = ReadAll(o.ramFile);
  o.startPaused = true;
  Session second(o);
  EXPECT_EQ(second.Machine().DataMemory[cell::FEED_RATE - DATA_BASE], 456);
  QString error;
  ASSERT_TRUE(SaveRam(second.Machine(), work.filePath("copy.ram"), &error));
  EXPECT_EQ(ReadAll(work.filePath("copy.ram")), saved);
}

TEST(BatteryRam, AFileThatIsNoRamFileStopsTheStartAndStaysAsItIs) {
  QTemporaryDir work;
  QDir(work.path()).mkdir("folder");
  struct Case {
    const char* name;
    QByteArray contents;  // written first unless empty
    const char* message;
  };
  const Case cases[] = {
      {"short.ram", QByteArray(100, 'x'), "holds 100 bytes, a RAM file holds 8192"},
      {"long.ram", QByteArray(8193, 'x'), "holds 8193 bytes"},
      {"empty.ram", QByteArray(), "holds 0 bytes"},
      {"folder", QByteArray(), "is a folder"},
      {"missing/x.ram", QByteArray(), "its folder does not exist"},
  };
  for (const Case& c : cases) {
    const QString path = work.filePath(c.name);
    if (QString(c.name).endsWith(".ram") && !QString(c.name).contains('/')) {
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.contents);
    }
    SessionOptions o = InDir(work);
    o.ramFile = path;
    try {
      Session session(o);
      ADD_FAILURE() << c.name << " accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
    }
    if (QString(c.name) == "folder") {
      EXPECT_TRUE(QFileInfo(path).isDir());
    } else if (!QString(c.name).contains('/')) {
      EXPECT_EQ(ReadAll(path), c.contents) << c.name;
    }
  }
  EXPECT_FALSE(QFile::exists(work.filePath("missing")));
}

// The program, stopped by a signal while it runs the demo at real time: it closes as the close
// query does, with prog.txt, the recording and the battery RAM in place.
TEST(Signals, CloseTheProgramAsTheCloseQueryDoes) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    QTemporaryDir work;
    QProcess p;
    p.setWorkingDirectory(work.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(KV74_EXE, {"--images", KV74_DATA_DIR, "--speed", "real", "--input", kDemo, "--record",
                       "session.input", "--ram", "battery.ram"});
    ASSERT_TRUE(p.waitForStarted());
    // prog.txt gets each block as it is decoded: the first comes after 0.2 s at real time.
    ASSERT_TRUE(ServeUntil([&] { return QFileInfo(work.filePath("prog.txt")).size() > 0; }, 10000))
        << signal;
    ::kill(static_cast<pid_t>(p.processId()), signal);
    ASSERT_TRUE(p.waitForFinished(10000)) << signal;
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << signal;
    EXPECT_EQ(p.exitCode(), 0) << signal << p.readAllStandardError().data();
    EXPECT_GT(QFileInfo(work.filePath("prog.txt")).size(), 0) << signal;
    EXPECT_TRUE(ReadAll(work.filePath("session.input")).contains("# ended at step ")) << signal;
    EXPECT_EQ(QFileInfo(work.filePath("battery.ram")).size(), 8192) << signal;
    EXPECT_EQ(QDir(work.path()).entryList(QDir::Files).size(), 3) << signal;
  }
}

TEST(Snapshots, SavedAndLoadedInTheWindowAndAtStart) {
  QTemporaryDir work;
  SessionOptions o = InDir(work);
  o.input = kDemo;
  const QString file = work.filePath("s.state");
  auto capture = [](Session& s) {
    return std::make_tuple(s.Run().Steps(), s.Machine().RegisterFile, s.Machine().DataMemory,
                           PanelJson(s.Form(), s.Panel()));
  };
  decltype(capture(std::declval<Session&>())) saved;
  {
    Session session(o);
    session.Show();
    WindowRun& run = session.Run();
    auto pauseAfter = [&](std::uint64_t steps) {
      ASSERT_TRUE(ServeUntil([&] { return run.Steps() > steps; }));
      run.Pause();
      ASSERT_TRUE(ServeUntil([&] { return run.Paused(); }));
    };
    pauseAfter(5'000'000);
    ASSERT_TRUE(session.SaveState(file));
    saved = capture(session);
    run.Resume();
    pauseAfter(std::get<0>(saved) + 3'000'000);
    EXPECT_NE(capture(session), saved);
    ASSERT_TRUE(session.LoadState(file));
    EXPECT_EQ(capture(session), saved);
    // A file that is no snapshot changes nothing.
    QFile bad(work.filePath("bad.state"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("KV74SNAP and no more");
    bad.close();
    EXPECT_FALSE(session.LoadState(bad.fileName()));
    EXPECT_EQ(capture(session), saved);
    session.Form().close();
  }
  o.input.clear();
  o.loadState = file;
  o.startPaused = true;
  Session started(o);
  started.Show();
  ASSERT_TRUE(ServeUntil([&] { return started.Run().Paused(); }));
  EXPECT_EQ(capture(started), saved);
}

// Every start-up step that can fail comes before the processor runs: the failure is told and
// nothing waits on a thread blocked in a hand-over.
TEST(StartUp, FailsBeforeTheProcessorRuns) {
  QTemporaryDir work;
  QFile script(work.filePath("bad.input"));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write("100 click k0x2B\n50 click nosuch\n");
  script.close();
  struct Case {
    void (*set)(SessionOptions&, const QTemporaryDir&);
    const char* message;
  };
  const Case cases[] = {
      {[](SessionOptions& o, const QTemporaryDir& w) { o.input = w.filePath("bad.input"); },
       "bad.input:2"},
      {[](SessionOptions& o, const QTemporaryDir& w) { o.record = w.filePath("no/dir/rec"); },
       "cannot write recording"},
      {[](SessionOptions& o, const QTemporaryDir& w) { o.loadState = w.filePath("bad.input"); },
       "snapshot"},
  };
  for (const Case& c : cases) {
    SessionOptions o = InDir(work);
    c.set(o, work);
    QElapsedTimer timer;
    timer.start();
    try {
      Session session(o);
      ADD_FAILURE() << c.message << ": started";
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_LT(timer.elapsed(), 5000);
  }
}

TEST(StartUp, ShortAndEmptyImagesAreToldAsWarnings) {
  QTemporaryDir images, work;
  for (const char* name : {"V4", "AMT"})
    QFile::copy(QString(KV74_DATA_DIR) + "/" + name, images.filePath(name));
  QFile ram(images.filePath("RAM"));
  ASSERT_TRUE(ram.open(QIODevice::WriteOnly));
  ram.write(QByteArray(100, '\0'));
  ram.close();
  SessionOptions o = InDir(work);
  o.imageDir = images.path();
  o.startPaused = true;
  Session session(o);
  ASSERT_EQ(session.Warnings().size(), 1);
  EXPECT_TRUE(session.Warnings()[0].contains(images.filePath("RAM")));
  EXPECT_TRUE(session.Warnings()[0].contains("100 bytes")) << session.Warnings()[0].toStdString();
  EXPECT_TRUE(session.Warnings()[0].contains("8192")) << session.Warnings()[0].toStdString();
  session.Show();
  EXPECT_TRUE(session.Form().StatusBar()->currentMessage().contains("100 bytes"));
}

}  // namespace
}  // namespace kv74::shell
