// A product-like program for the tests of runApplication: its first argument says how the
// program thread "Main" ends ("return", "end" with code 3, "thread": return while another
// program thread runs on).
#include <cstdio>
#include <string>

#include "platform/gui/application.h"
#include "platform/gui/control.h"
#include "platform/thread/program.h"
#include "platform/thread/thread.h"

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "return";
  platform::gui::runApplication(argc, argv, [mode] {
    auto window = platform::gui::Dialog::make();
    window->setCaption("Probe");
    window->create({0, 0}, {200, 100});
    if (mode == "end") platform::endProgram(3, "Ende");
    if (mode == "thread")
      platform::thread::start("Nebenher", [] {
        for (;;) platform::thread::sleepHundredths(1);
      });
  });
}
