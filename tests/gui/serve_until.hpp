// Lets the event loop run until a condition holds or the time is up.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace kv74::testing {

template <typename Done>
bool ServeUntil(Done done, int ms = 20000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return done();
}

}  // namespace kv74::testing
