#include "app/update/wiring.h"

#include "app/update/driver.h"
#include "app/update/selection.h"
#include "data/hooks.h"
#include "platform/gui/boxes.h"

namespace app {

void wireProgram() {
  setChooseInstallation(chooseInstallation);
  data::setMessageSink(
      [](const std::string& text, const std::string& title) { platform::gui::messageBox(text, title); });
  // The runtime's report of an unhandled error; the table layer then shows its own message
  // and ends the program.
  data::setRuntimeErrorSink(
      [](const std::string& symbol) { platform::gui::messageBox("Fehler: " + symbol, "Laufzeitfehler"); });
}

}  // namespace app
