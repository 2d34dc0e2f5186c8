// The update run from start to end.
#pragma once

#include <functional>
#include <string>

#include "core/value.h"

namespace app {

// Runs the whole update; returns after ZOV.EXE has been started. Failures end the program
// through XERR or XQUIT.
void MAIN(const std::string& callMode = "", const std::string& zovParams = "");

// The selection dialogs for installations found elsewhere (none, one, several) are opened
// by this hook; it returns when yZovDir0 is set or ends the program.
using ChooseInstallation = std::function<void(const core::Value& found)>;
void setChooseInstallation(ChooseInstallation choose);

// The master-mode marker file and its pass phrase.
bool masterModeMarkerPresent();

}  // namespace app
