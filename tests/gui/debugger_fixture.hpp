// The debugger window over a session paused at power-on, for the window's tests, and what they
// read of its tables.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTableWidget>
#include <QTemporaryDir>
#include <memory>

#include "debuginfo/debug_info.hpp"
#include "serve_until.hpp"
#include "shell/debugger/controller.hpp"
#include "shell/debugger/debugger_window.hpp"
#include "shell/debugger/registers_view.hpp"
#include "shell/session.hpp"

namespace kv74::shell::dbgwin::testing {

inline constexpr std::uint16_t kPollKeys = 0x0124;  // a routine the main loop calls

using kv74::testing::ServeUntil;

inline QString Hex4(unsigned v) { return QString("%1").arg(v, 4, 16, QChar('0')).toUpper(); }

inline QVariant Cell(const QAbstractItemView* t, int row, int column, int role = Qt::DisplayRole) {
  return t->model()->index(row, column).data(role);
}
inline QString Text(const QAbstractItemView* t, int row, int column) {
  return Cell(t, row, column).toString();
}
inline QColor Color(const QAbstractItemView* t, int row, int column, int role) {
  return Cell(t, row, column, role).value<QBrush>().color();
}
inline void Select(QAbstractItemView* t, int row, int column) {
  t->setCurrentIndex(t->model()->index(row, column));
}

class DebuggerTest : public ::testing::Test {
 protected:
  // More of the session's options.
  virtual void Options(SessionOptions&) {}
  void SetUp() override {
    SessionOptions o;
    o.imageDir = KV74_DATA_DIR;
    o.workDir = work_.path();
    o.startPaused = true;  // reverse execution is switched on as the window opens
    Options(o);
    session_ = std::make_unique<Session>(o);
    window_ = std::make_unique<DebuggerWindow>(
        *session_,
        std::make_unique<dbg::DebugInfo>(dbg::ReadDebugInfo(KV74_DATA_DIR "/V4.debug.json")));
    window_->show();
    ASSERT_TRUE(ServeUntil([this] { return Ctl().Data().m != nullptr && Ctl().Paused(); }));
  }
  void TearDown() override {
    window_.reset();
    session_->StopEmulation();
  }
  Controller& Ctl() { return window_->Control(); }
  std::uint16_t Pc() { return (*Ctl().Data().m)[reg::PC]; }
  // The run stands still again with the views read after it.
  bool StoppedAfter(std::uint64_t stops) {
    return ServeUntil([&] {
      return session_->Run().Stops() > stops && Ctl().Paused() && !Ctl().CommandRunning() &&
             Ctl().Data().steps == session_->Run().Steps();
    });
  }
  QString RegisterCell(int row) { return window_->Registers().Table()->item(row, 1)->text(); }

  QTemporaryDir work_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<DebuggerWindow> window_;
};

}  // namespace kv74::shell::dbgwin::testing
