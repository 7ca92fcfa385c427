// The debugger window over a session paused at power-on: a margin click sets a breakpoint the
// run stops at, a stop updates the views, edits in the views reach the machine, the console runs
// the monitor's commands, and the run-control buttons step forward and back.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>

#include "debuginfo/debug_info.hpp"
#include "shell/debugger/console_view.hpp"
#include "shell/debugger/controller.hpp"
#include "shell/debugger/debugger_window.hpp"
#include "shell/debugger/disassembly_view.hpp"
#include "shell/debugger/memory_view.hpp"
#include "shell/debugger/peripherals_view.hpp"
#include "shell/debugger/points_view.hpp"
#include "shell/debugger/registers_view.hpp"
#include "shell/run_controls.hpp"
#include "shell/run_keys.hpp"
#include "shell/session.hpp"
#include "tests/gui/debugger_fixture.hpp"

namespace kv74::shell::dbgwin {
namespace {

using namespace testing;

TEST_F(DebuggerTest, MarginBreakpointStopsTheRunThereAndTheViewsFollow) {
  DisassemblyView& dis = window_->Disassembly();
  ASSERT_TRUE(dis.GoTo("PollKeys"));
  const int row = dis.RowOf(kPollKeys);
  ASSERT_GE(row, 0);
  QTableView* t = dis.Table();
  const QRect margin = t->visualRect(t->model()->index(row, DisassemblyView::Margin));
  QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, margin.center());
  ASSERT_EQ(Ctl().Data().points.size(), 1u);
  EXPECT_EQ(Ctl().Data().points[0].first, kPollKeys);
  EXPECT_EQ(window_->Points().Table()->rowCount(), 1);

  const std::uint64_t stops = session_->Run().Stops();
  Ctl().Continue();
  ASSERT_TRUE(StoppedAfter(stops));
  EXPECT_EQ(session_->Machine()[reg::PC], kPollKeys);
  ASSERT_TRUE(Ctl().Data().stop.has_value());
  EXPECT_EQ(Ctl().Data().stop->kind, debug::StopKind::Breakpoint);
  // The views show the stop: PC marked in the disassembly, in the registers, the call stack,
  // the status line.
  const int pcRow = dis.RowOf(kPollKeys);
  ASSERT_GE(pcRow, 0);
  EXPECT_TRUE(Text(t, pcRow, DisassemblyView::Margin).contains(QChar(0x25B6)));
  EXPECT_EQ(Text(t, pcRow, DisassemblyView::Label), "PollKeys");
  EXPECT_TRUE(Text(t, pcRow, DisassemblyView::Source).contains(".asm:"));
  EXPECT_EQ(RegisterCell(19), Hex4(kPollKeys));  // row 19: PC
  EXPECT_TRUE(window_->StatusText().startsWith("breakpoint 1"))
      << window_->StatusText().toStdString();
  EXPECT_FALSE(Ctl().Data().frames.empty());
  EXPECT_EQ(Ctl().Data().frames.back().entry, kPollKeys);

  // Clicking the margin again removes it: the run goes on past PollKeys, and the status line no
  // longer names it.
  QTest::mouseClick(t->viewport(), Qt::LeftButton, {},
                    t->visualRect(t->model()->index(pcRow, DisassemblyView::Margin)).center());
  EXPECT_TRUE(Ctl().Data().points.empty());
  EXPECT_TRUE(window_->StatusText().startsWith("paused at step"))
      << window_->StatusText().toStdString();
  EXPECT_TRUE(window_->StatusText().contains(", PC " + Hex4(kPollKeys)));
}

// Every stop reaches the console as the monitor words it, whoever caused it: the buttons, a
// breakpoint hit while running, a pause and a step N from the panel.
TEST_F(DebuggerTest, EveryStopIsLoggedInTheConsole) {
  struct Cause {
    std::function<void()> act;
    const char* line;  // how the logged line starts
  };
  const Cause causes[] = {
      {[this] { Ctl().Step(); }, "stepped, steps 1, 0x"},
      {[this] { Ctl().StepBack(); }, "stepped back, steps 0, 0x"},
      {[this] {
         window_->Console().Enter("break PollKeys");
         ServeUntil([this] { return Ctl().Data().points.size() == 1; });
         Ctl().Continue();
       },
       "breakpoint 1, steps "},
      {[this] { session_->Run().StepBy(5); }, "stepped, steps "},
      {[this] {
         Ctl().Remove(1);
         Ctl().Continue();
         ServeUntil([this] { return !Ctl().Paused(); });
         session_->Run().Pause();  // the panel's Pause
       },
       "paused, steps "},
  };
  for (const Cause& c : causes) {
    SCOPED_TRACE(c.line);
    const std::uint64_t stops = session_->Run().Stops();
    const qsizetype before = window_->Console().Text().size();
    c.act();
    ASSERT_TRUE(StoppedAfter(stops));
    ASSERT_TRUE(ServeUntil([&] { return window_->Console().Text().size() > before; }, 5000));
    ServeUntil([] { return false; }, 100);  // nothing more comes
    const QStringList lines = window_->Console().Text().mid(before).split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().startsWith(c.line)) << lines.join('|').toStdString();
    EXPECT_EQ(lines.filter(QRegularExpression("steps \\d+, 0x")).size(), 1)
        << lines.join('|').toStdString();
  }
}

TEST_F(DebuggerTest, EditsInTheViewsReachTheMachineWhilePaused) {
  struct Edit {
    QAbstractItemView* table;
    int row, column;
    const char* text;
    std::function<std::uint16_t(const BoardState&)> read;
    std::uint16_t want;
  };
  window_->Memory().Show("0x4000");
  const Edit edits[] = {
      {window_->Registers().Table(), 3, 1, "1234", [](const BoardState& m) { return m[3]; },
       0x1234},
      {window_->Registers().Table(), 18, 1, "R3 + 1",
       [](const BoardState& m) { return m[reg::SP]; }, 0x1235},
      {window_->Memory().Table(), 0x4000 / MemoryView::kPerRow, 2, "BEEF",
       [](const BoardState& m) { return m.DataMemory[1]; }, 0xBEEF},
  };
  for (const Edit& e : edits) {
    const QModelIndex at = e.table->model()->index(e.row, e.column);
    ASSERT_TRUE(e.table->model()->flags(at) & Qt::ItemIsEditable) << e.text;
    e.table->model()->setData(at, QString(e.text));
    std::uint16_t got = 0;
    session_->AtStepBoundary([&] { got = e.read(session_->Machine()); });
    EXPECT_EQ(got, e.want) << e.text;
  }
  EXPECT_EQ(RegisterCell(3), "1234");
  // An edited register is marked as changed, as a step's changes are.
  EXPECT_EQ(window_->Registers().Table()->item(3, 1)->foreground().color(), QColor(Qt::red));
  // A typing error changes nothing and says why.
  QTableWidgetItem* r4 = window_->Registers().Table()->item(4, 1);
  r4->setText("nonsense(");
  EXPECT_FALSE(r4->toolTip().isEmpty());
  EXPECT_EQ(session_->Machine()[4], 0);
}

TEST_F(DebuggerTest, ConsoleRunsMonitorCommands) {
  ConsoleView& console = window_->Console();
  const std::uint64_t stops = session_->Run().Stops();
  console.Enter("print 40 + 2");
  console.Enter("step 3");
  ASSERT_TRUE(StoppedAfter(stops));
  console.Enter("break PollKeys if R0 == R0");
  console.Enter("no-such-command");
  ASSERT_TRUE(ServeUntil(
      [&] { return console.Text().contains("error:") && Ctl().Data().points.size() == 1; }));
  const QString text = console.Text();
  EXPECT_TRUE(text.contains("40 + 2 = 42 (0x2A)")) << text.toStdString();
  EXPECT_EQ(session_->Run().Steps(), 3u);
  ASSERT_EQ(Ctl().Data().points.size(), 1u);
  EXPECT_EQ(Ctl().Data().points[0].conditionText, "R0 == R0");
}

TEST_F(DebuggerTest, StepOverOutAndBackMoveThroughTheFirmware) {
  struct Move {
    void (Controller::*act)();
    std::uint64_t steps;  // the count after it; 0: only that it changed
  };
  const Move moves[] = {{&Controller::Step, 1},
                        {&Controller::Step, 2},
                        {&Controller::StepBack, 1},
                        {&Controller::StepOver, 0}};
  for (const Move& m : moves) {
    const std::uint64_t stops = session_->Run().Stops();
    (Ctl().*m.act)();
    ASSERT_TRUE(StoppedAfter(stops));
    if (m.steps) {
      EXPECT_EQ(session_->Run().Steps(), m.steps);
    }
  }
  EXPECT_GT(session_->Run().Steps(), 1u);
  // The peripherals are listed by the runner's JSON names.
  QTreeWidget* tree = window_->Peripherals().Tree();
  ASSERT_GT(tree->topLevelItemCount(), 0);
  EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), "timerPrescaler");
}

TEST_F(DebuggerTest, DisassemblyShowsDataAsDataAndFollowsAJump) {
  DisassemblyView& dis = window_->Disassembly();
  QTableView* t = dis.Table();
  ASSERT_TRUE(dis.GoTo("0"));
  const int jump = dis.RowOf(0x0000), data = dis.RowOf(0x0002);
  ASSERT_GE(jump, 0);
  ASSERT_GE(data, 0);
  EXPECT_TRUE(Text(t, jump, DisassemblyView::Code).startsWith("JMP"));
  EXPECT_TRUE(Text(t, data, DisassemblyView::Code).startsWith(".word"));
  EXPECT_FALSE(dis.GoTo("NoSuchLabel"));
  const std::uint16_t boot = *JumpTarget(*Ctl().Data().m, 0x0000);
  const QPoint at = t->visualRect(t->model()->index(jump, DisassemblyView::Code)).center();
  QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, at);
  const int target = dis.RowOf(boot);
  ASSERT_GE(target, 0);
  EXPECT_EQ(Text(t, target, DisassemblyView::Label), "Boot");
}

TEST_F(DebuggerTest, DisabledAndFalseConditionedBreakpointsDoNotStopTheRun) {
  ASSERT_TRUE(window_->Points().Add("break PollKeys"));
  QTableWidget* points = window_->Points().Table();
  ASSERT_EQ(points->rowCount(), 1);
  struct Stage {
    std::function<void()> change;
    debug::StopKind want;
  };
  const Stage stages[] = {
      {[&] { points->item(0, PointsView::On)->setCheckState(Qt::Unchecked); },
       debug::StopKind::Done},
      {[&] {
         points->item(0, PointsView::On)->setCheckState(Qt::Checked);
         points->item(0, PointsView::Condition)->setText("steps < 0");
       },
       debug::StopKind::Done},
      {[&] { points->item(0, PointsView::Condition)->setText(""); }, debug::StopKind::Breakpoint},
  };
  for (const Stage& s : stages) {
    SCOPED_TRACE(&s - stages);
    s.change();
    const std::uint64_t stops = session_->Run().Stops();
    window_->Console().Enter("continue 2000000");
    ASSERT_TRUE(StoppedAfter(stops));
    ASSERT_TRUE(Ctl().Data().stop.has_value());
    EXPECT_EQ(Ctl().Data().stop->kind, s.want);
  }
}

TEST_F(DebuggerTest, ReverseContinueReturnsToThePreviousHit) {
  window_->Console().Enter("break PollKeys");
  std::uint64_t hits[2] = {};
  for (std::uint64_t& hit : hits) {
    const std::uint64_t stops = session_->Run().Stops();
    Ctl().Continue();
    ASSERT_TRUE(StoppedAfter(stops));
    hit = session_->Run().Steps();
  }
  ASSERT_LT(hits[0], hits[1]);
  const std::uint64_t stops = session_->Run().Stops();
  Ctl().ReverseContinue();
  ASSERT_TRUE(StoppedAfter(stops));
  EXPECT_EQ(session_->Run().Steps(), hits[0]);
  EXPECT_EQ(session_->Machine()[reg::PC], kPollKeys);
}

TEST_F(DebuggerTest, ChangedWordsAreMarkedAndWatchedOnesStandOut) {
  ASSERT_TRUE(window_->Points().Add("watch 0x4001"));
  MemoryView& memory = window_->Memory();
  ASSERT_TRUE(memory.Show("0x4000"));
  QTableView* t = memory.Table();
  const int row = 0x4000 / MemoryView::kPerRow;
  t->model()->setData(t->model()->index(row, 1), "1111");  // 0x4000: not watched
  EXPECT_EQ(Color(t, row, 1, Qt::ForegroundRole), QColor(Qt::red));
  EXPECT_EQ(Color(t, row, 2, Qt::BackgroundRole), QColor(220, 235, 255));
  t->model()->setData(t->model()->index(row, 2), "2222");  // 0x4001: watched
  EXPECT_EQ(session_->Machine().DataMemory[1], 0x2222);
  EXPECT_EQ(Color(t, row, 2, Qt::BackgroundRole), QColor(255, 200, 120));
  EXPECT_EQ(Color(t, row, 1, Qt::ForegroundRole), QColor(Qt::black));  // no change since
}

// One key map: a key that both windows bind means the same action in each, and the keys are
// those of the table.
TEST_F(DebuggerTest, OneKeyMapForBothWindows) {
  RunControls controls(*session_);
  std::map<QString, QString> meaning;  // key -> action
  auto take = [&](const QList<QAction*>& actions) {
    int bound = 0;
    for (QAction* a : actions) {
      const QString name = a->text().remove('&').remove("...");
      if (a->shortcut().isEmpty() || std::string(RunKeyOf(name.toLatin1().constData())).empty())
        continue;
      ++bound;
      const QString key = a->shortcut().toString();
      EXPECT_EQ(key, QKeySequence(RunKeyOf(name.toLatin1().constData())).toString())
          << name.toStdString();
      auto [at, fresh] = meaning.emplace(key, name);
      EXPECT_EQ(at->second, name) << key.toStdString();
    }
    return bound;
  };
  EXPECT_EQ(take(window_->findChild<QToolBar*>("runBar")->actions()), 7);
  QList<QAction*> panel;
  for (QAction* menu : session_->Form().MenuBar()->actions()) {
    if (menu->menu() && menu->text() == "&Run") panel = menu->menu()->actions();
  }
  EXPECT_EQ(take(panel), 4);  // continue, pause, step, step N
}

// Go to: a typo is told in the window and the box returns to the last good target; the target
// row is marked, and a row the user selects stays selected by its address while the listing moves.
TEST_F(DebuggerTest, GoToTellsErrorsAndTheSelectionFollowsTheAddress) {
  DisassemblyView& dis = window_->Disassembly();
  QTableView* t = dis.Table();
  auto* box = window_->findChild<QLineEdit*>("disassemblyGoTo");
  ASSERT_TRUE(dis.GoTo("PollKeys"));
  EXPECT_TRUE(dis.GoToError().isEmpty());
  const int row = dis.RowOf(kPollKeys);
  ASSERT_GE(row, 0);
  EXPECT_EQ(Color(t, row, DisassemblyView::Address, Qt::BackgroundRole), QColor(200, 225, 255));
  EXPECT_FALSE(dis.GoTo("PolKeys"));
  EXPECT_TRUE(dis.GoToError().startsWith("PolKeys: ")) << dis.GoToError().toStdString();
  EXPECT_EQ(box->text(), "PollKeys");
  EXPECT_EQ(dis.RowOf(kPollKeys), row);  // still shown

  // A selected row keeps its address across a step; a go-to selects its target.
  const int chosen = row + 2;
  const auto address = dis.RowAddress(chosen);
  ASSERT_TRUE(address.has_value());
  Select(t, chosen, DisassemblyView::Code);
  ASSERT_TRUE(dis.GoTo(QString("0x%1").arg(*address - 4, 0, 16)));
  EXPECT_EQ(t->currentIndex().row(), dis.RowOf(static_cast<std::uint16_t>(*address - 4)));
  Select(t, chosen, DisassemblyView::Code);
  const std::uint64_t stops = session_->Run().Stops();
  Ctl().Step();
  ASSERT_TRUE(StoppedAfter(stops));
  EXPECT_EQ(dis.RowAddress(t->currentIndex().row()), address);
  ASSERT_TRUE(dis.GoTo("PollKeys"));
  EXPECT_EQ(t->currentIndex().row(), dis.RowOf(kPollKeys));
}

// Both views cover the whole address space: scrolled to the end, the last rows are the last
// instruction start (or word) and 0xFFF8..0xFFFF; a go-to into an operand word shows and selects
// the instruction it belongs to.
TEST_F(DebuggerTest, DisassemblyAndMemoryScrollThroughTheWholeAddressSpace) {
  DisassemblyView& dis = window_->Disassembly();
  MemoryView& memory = window_->Memory();
  struct View {
    QTableView* table;
    int addressColumn;
    QString first, last;
  };
  const int lastDis = dis.Table()->model()->rowCount() - 1;
  const View views[] = {
      {dis.Table(), DisassemblyView::Address, "0000", Hex4(*dis.RowAddress(lastDis))},
      {memory.Table(), 0, "0000", "FFF8"},
  };
  EXPECT_EQ(dis.RowOf(0xFFFF), lastDis);
  EXPECT_EQ(memory.Table()->model()->rowCount() * MemoryView::kPerRow, 0x10000);
  for (const View& v : views) {
    const int rows = v.table->model()->rowCount();
    EXPECT_EQ(Text(v.table, 0, v.addressColumn), v.first);
    EXPECT_EQ(Text(v.table, rows - 1, v.addressColumn), v.last);
    v.table->scrollToBottom();
    QCoreApplication::processEvents();
    EXPECT_EQ(v.table->rowAt(v.table->viewport()->height() - 2), rows - 1);
  }
  ASSERT_TRUE(memory.Show("0x4000 + 17"));  // scrolled back, the row of the word on top
  EXPECT_EQ(memory.Table()->rowAt(0), 0x4011 / MemoryView::kPerRow);

  const dbg::DebugInfo& info = *Ctl().Info();
  const auto two = std::find_if(info.lines.begin(), info.lines.end(), [&](const auto& l) {
    return l.size == 2 && !info.IsData(l.address) && l.address > 0x100;
  });
  ASSERT_NE(two, info.lines.end());
  ASSERT_TRUE(dis.GoTo("0x" + Hex4(two->address + 1u)));
  const int row = dis.Table()->currentIndex().row();
  EXPECT_EQ(dis.RowAddress(row), two->address);
  EXPECT_EQ(Color(dis.Table(), row, DisassemblyView::Address, Qt::BackgroundRole),
            QColor(200, 225, 255));
  const QRect shown = dis.Table()->viewport()->rect();
  EXPECT_TRUE(shown.contains(dis.Table()->visualRect(dis.Table()->currentIndex()).center()));
}

}  // namespace
}  // namespace kv74::shell::dbgwin
