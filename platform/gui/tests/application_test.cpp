// The product's entry: the window loop on the main thread, "Main" on a program thread, and the
// process ending when "Main" returns or the program ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

int runProbe(const std::string& mode) {
  const std::string command = "QT_QPA_PLATFORM=offscreen timeout 60 " + std::string(ZOV_GUI_APP_PROBE) + " " +
                              mode + " > /dev/null 2>&1";
  const int status = std::system(command.c_str());
#ifndef _WIN32
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
  return status;
#endif
}

TEST(Application, TheProcessEndsWithTheWayMainEnds) {
  struct Case {
    const char* mode;
    int exitCode;
  };
  const Case cases[] = {
      {"return", 0},
      {"end", 3},
      // Returning from MAIN takes the other program threads along.
      {"thread", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(runProbe(c.mode), c.exitCode);
  }
}

}  // namespace
