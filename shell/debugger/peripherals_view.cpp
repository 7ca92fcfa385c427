#include "shell/debugger/peripherals_view.hpp"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <vector>

#include "shell/debugger/controller.hpp"
#include "state_json.hpp"

namespace kv74::shell::dbgwin {
namespace {

struct Row {
  QString name;
  QString value;
};
struct Group {
  QString name;
  std::vector<Row> rows;
};

QString Num(unsigned v) {
  return QString("%1 (0x%2)").arg(v).arg(QString::number(v, 16).toUpper());
}

// I/O registers by word number, with the name shown.
struct IoRegister {
  int word;
  const char* name;
};
constexpr IoRegister kIo[] = {
    {reg::TIMER_RELOAD, "timer reload F100"},
    {reg::TIMER_MODE, "timer mode F101"},
    {reg::TIMER_RUN, "timer run F102"},
    {reg::TIMER_INHIBIT, "timer inhibit F110"},
    {reg::RATE0, "rate 0 F140"},
    {reg::RATE0 + 1, "rate 1 F141"},
    {reg::RATE0 + 2, "rate 2 F143"},
    {reg::MARK, "mark F150"},
    {reg::COUNT0, "count 0 F151"},
    {reg::COUNT0 + 1, "count 1 F152"},
    {reg::COUNT0 + 2, "count 2 F153"},
    {reg::JOG, "jog counter F154"},
    {reg::PORT_PLAIN, "port F130"},
    {reg::PORT_IN, "input port F131"},
    {reg::PORT_OUT, "output port F132"},
    {reg::KEYBOARD, "keyboard F126"},
};

std::vector<Group> Groups(const BoardState& m) {
  std::vector<Group> g;
  g.push_back(
      {"timer", {{"timerPrescaler", Num(m.timer.prescaler)}, {"timerCount", Num(m.timer.count)}}});
  Group channels{"channels", {}};
  for (int i = 0; i < 3; ++i) {
    const auto k = static_cast<std::size_t>(i);
    channels.rows.push_back({QString("channelPeriod[%1]").arg(i), Num(m.channels.period[k])});
    channels.rows.push_back({QString("channelDivider[%1]").arg(i), Num(m.channels.divider[k])});
    channels.rows.push_back({QString("channelMarkCount[%1]").arg(i), Num(m.channels.markCount[k])});
  }
  channels.rows.push_back({"jogDivider", Num(m.channels.jogDivider)});
  channels.rows.push_back({"jogSampleCount", Num(m.channels.jogSampleCount)});
  g.push_back(channels);
  g.push_back({"sequencer",
               {{"seqState", SeqStateName(m.sequencer.state)},
                {"seqCode", Num(m.sequencer.code)},
                {"seqCountdown", Num(m.sequencer.countdown)}}});
  Group io{"I/O registers", {}};
  for (const IoRegister& r : kIo) io.rows.push_back({r.name, Num(m.Word(r.word))});
  g.push_back(io);
  return g;
}

}  // namespace

PeripheralsView::PeripheralsView(Controller& controller, QWidget* parent)
    : QWidget(parent), controller_(controller), tree_(new QTreeWidget(this)) {
  setObjectName("peripherals");
  tree_->setHeaderLabels({"Field", "Value"});
  tree_->setColumnWidth(0, 170);
  tree_->setFont(QFont("Monospace", 9));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tree_);
  connect(&controller_, &Controller::refreshed, this, &PeripheralsView::Update);
}

void PeripheralsView::Update() {
  const ViewData& d = controller_.Data();
  if (!d.m) return;
  const std::vector<Group> groups = Groups(*d.m);
  if (tree_->topLevelItemCount() == 0) {
    for (const Group& g : groups) {
      auto* top = new QTreeWidgetItem(tree_, {g.name});
      for (const Row& r : g.rows) new QTreeWidgetItem(top, {r.name, QString()});
      top->setExpanded(true);
    }
  }
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* top = tree_->topLevelItem(i);
    const Group& g = groups[static_cast<std::size_t>(i)];
    for (int j = 0; j < top->childCount(); ++j) {
      QTreeWidgetItem* item = top->child(j);
      const QString value = g.rows[static_cast<std::size_t>(j)].value;
      item->setForeground(1,
                          item->text(1).isEmpty() || item->text(1) == value ? Qt::black : Qt::red);
      item->setText(1, value);
    }
  }
}

}  // namespace kv74::shell::dbgwin
