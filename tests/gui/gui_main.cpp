// One application for all window tests, on the offscreen platform unless told otherwise.
#include <gtest/gtest.h>

#include <QStandardPaths>
#include <cstdlib>

#include "shell/application.hpp"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  kv74::shell::Application app(argc, argv);
  QStandardPaths::setTestModeEnabled(true);  // the settings of the tests apart from the user's
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
