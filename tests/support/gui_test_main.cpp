// The main of the window tests: the window system runs on the process's main thread, the test
// cases on another thread that acts as a program thread.
#include <gtest/gtest.h>

#include "platform/gui/application.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return platform::gui::runWithWindowSystem(argc, argv, [] { return RUN_ALL_TESTS(); });
}
