// The updater program: the window thread runs the windows, the program thread "Main" runs
// APPSYS and then MAIN with the two optional arguments (call mode, ZOV's parameter string).
#include <string>

#include "app/update/driver.h"
#include "app/update/wiring.h"
#include "app/window/appsys.h"
#include "core/text.h"
#include "platform/gui/application.h"

int main(int argc, char** argv) {
  const std::string callMode = argc > 1 ? core::fromUtf8(argv[1]) : "";
  const std::string zovParams = argc > 2 ? core::fromUtf8(argv[2]) : "";
  app::wireProgram();
  platform::gui::runApplication(argc, argv, [=] {
    app::APPSYS();
    app::MAIN(callMode, zovParams);
  });
}
