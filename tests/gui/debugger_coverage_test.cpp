// The debugger window's coverage views over the demo's automatic run: the Coverage action starts
// the counting with the Profile dock, the disassembly marks what ran and what did not, Reset
// counts afresh, and closing the dock stops the counting; the console's coverage command opens
// the dock. With KV74_SHOT_DIR set, the window is saved there as debugger-coverage.png.
#include <QAction>
#include <QDockWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <cstdlib>
#include <map>

#include "shell/debugger/console_view.hpp"
#include "shell/debugger/disassembly_view.hpp"
#include "shell/debugger/profile_view.hpp"
#include "tests/gui/debugger_fixture.hpp"

namespace kv74::shell::dbgwin {
namespace {

using namespace testing;

class CoverageViewTest : public DebuggerTest {
 protected:
  void Options(SessionOptions& o) override {
    o.input = KV74_SOURCE_DIR "/firmware/demo/auto-run.input";
  }
  QAction* Action(const char* name) { return window_->findChild<QAction*>(name); }
  QDockWidget* Dock() { return window_->findChild<QDockWidget*>("Profile"); }
  bool Counting() {
    return ServeUntil([this] { return Ctl().Data().coverage.counting; }, 5000);
  }
  bool NotCounting() {
    return ServeUntil([this] { return !Ctl().Data().coverage.counting; }, 5000);
  }
  // The profile's row of a routine, or -1.
  int RowOf(const QString& routine) {
    QTableView* t = window_->Profile().Table();
    for (int r = 0; r < t->model()->rowCount(); ++r) {
      if (Text(t, r, Routine) == routine) return r;
    }
    return -1;
  }
};

TEST_F(CoverageViewTest, CountsWhileTheViewsAreOpen) {
  QAction* coverage = Action("Coverage");
  ASSERT_NE(coverage, nullptr);
  DisassemblyView& dis = window_->Disassembly();
  EXPECT_FALSE(Ctl().Data().coverage.counting);
  EXPECT_TRUE(dis.Table()->isColumnHidden(DisassemblyView::Runs));
  coverage->trigger();
  ASSERT_TRUE(Counting());
  EXPECT_FALSE(Dock()->isHidden());

  const std::uint64_t stops = session_->Run().Stops();
  window_->Console().Enter("continue 3000000");
  ASSERT_TRUE(StoppedAfter(stops));
  const CoverageData& c = Ctl().Data().coverage;
  ASSERT_NE(c.marks, nullptr);
  EXPECT_TRUE(c.profiling);
  EXPECT_FALSE(dis.Table()->isColumnHidden(DisassemblyView::Runs));

  // The routines, by self steps first; the main loop holds nearly all the steps.
  QTableView* t = window_->Profile().Table();
  ASSERT_GT(t->model()->rowCount(), 10);
  const int main = RowOf("MainLoop"), polled = RowOf("PollKeys");
  ASSERT_GE(main, 0);
  ASSERT_GE(polled, 0);
  EXPECT_TRUE(Text(t, main, Inclusive).contains(QRegularExpression("  (9\\d|100)\\.\\d%$")))
      << Text(t, main, Inclusive).toStdString();
  EXPECT_NE(Text(t, polled, Calls), "0");
  for (int r = 1; r < t->model()->rowCount(); ++r) {
    EXPECT_GE(Cell(t, r - 1, Self, Qt::UserRole).toULongLong(),
              Cell(t, r, Self, Qt::UserRole).toULongLong());
  }
  if (const char* dir = std::getenv("KV74_SHOT_DIR")) {
    dis.GoTo("KeyStart");
    Dock()->raise();
    ServeUntil([] { return false; }, 300);
    window_->grab().save(QString(dir) + "/debugger-coverage.png");
    dis.GoTo("");
  }

  t->sortByColumn(Calls, Qt::DescendingOrder);
  EXPECT_GE(Cell(t, 0, Calls, Qt::UserRole).toULongLong(),
            Cell(t, 1, Calls, Qt::UserRole).toULongLong());

  // Every mark of the counts has its tint and its counts in the disassembly.
  std::map<debug::Mark, int> seen;
  QTableView* d = dis.Table();
  const std::uint16_t pc = Pc();
  for (int r = 0; r < d->model()->rowCount() && seen.size() < 3; ++r) {
    const auto a =
        static_cast<std::uint16_t>(Cell(d, r, DisassemblyView::Address, Qt::UserRole).toUInt());
    const debug::Mark mark = c.marks->Instruction(a);
    if (mark == debug::Mark::None || a == pc || seen.count(mark)) continue;
    seen[mark] = r;
    SCOPED_TRACE(Hex4(a).toStdString());
    EXPECT_EQ(Color(d, r, DisassemblyView::Code, Qt::BackgroundRole),
              DisassemblyView::MarkColor(mark));
    EXPECT_EQ(Color(d, r, DisassemblyView::Source, Qt::BackgroundRole),
              DisassemblyView::MarkColor(c.marks->Line(a)));
    EXPECT_EQ(Text(d, r, DisassemblyView::Runs), QString::number(c.marks->Executed(a)));
    EXPECT_EQ(Cell(d, r, DisassemblyView::Code, Qt::ToolTipRole).toString().toStdString(),
              c.marks->Describe(a));
  }
  EXPECT_EQ(seen.size(), 3u);

  // Reset: nothing counted from here, the routines go.
  window_->Profile().ResetButton()->click();
  ASSERT_TRUE(ServeUntil([&] { return t->model()->rowCount() == 0; }, 5000));
  EXPECT_TRUE(Counting());

  // Closing the dock stops the counting and the marks.
  Dock()->close();
  ASSERT_TRUE(NotCounting());
  Ctl().Refresh();
  EXPECT_EQ(Ctl().Data().coverage.marks, nullptr);
  EXPECT_TRUE(dis.Table()->isColumnHidden(DisassemblyView::Runs));
  EXPECT_FALSE(coverage->isChecked());

  // The console's coverage command opens the dock.
  window_->Console().Enter("coverage on");
  ASSERT_TRUE(ServeUntil([this] { return !Dock()->isHidden(); }, 5000));
  EXPECT_TRUE(Counting());
}

}  // namespace
}  // namespace kv74::shell::dbgwin
