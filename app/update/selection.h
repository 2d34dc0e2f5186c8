// Choosing the installation when the updater does not sit inside one: a dialog for nothing
// found (A), one to confirm an installation (B), one to choose among several (C), and the
// search by hand in the file dialog (D). Each dialog replaces the one before; "Weiter" in B
// sets yZovDir0, which ends the driver's wait.
#pragma once

#include "core/value.h"

namespace app {

void ZOVDIR_A(int mode = 0);
void ZOVDIR_B(int mode = 0);
void ZOVDIR_C();
void ZOVDIR_D();

// Opens the dialog for the installations found and handles the dialogs' events until one of
// them has set yZovDir0 (or the operator ends the program).
void chooseInstallation(const core::Value& found);

}  // namespace app
