// The updater's main window and the two ways the program ends.
#pragma once

#include <string>

#include "core/value.h"

namespace app {

// The program's icon resource, shown by the main window and the selection dialogs.
inline constexpr int kProgramIcon = 174;

// Creates the main window (520 x 260, centred on the desktop, "Neue ZOV-Version einspielen",
// its close button ends the program), gives it the focus, makes it the application's main
// window and stores it in oDlg and yMDI.
void APPSYS();

// Ends the program. With a message: first the box "Abbruch" with the message, "Der Update muss
// abgebrochen werden." and, with the inconsistency flag, the advice to restore the backup.
// Nothing is undone. Exit code 1.
[[noreturn]] void XERR(const std::string& message, bool inconsistent = false);
// Ends the program at once, without a message. Exit code 0.
[[noreturn]] void XQUIT();

// A visible static text at pos ({x, y}) in the window's drawing area, sized to its text, in
// Fo_Ari10F when bold, else Fo_Ari10.
void XWRITE(const core::Value& parent, const core::Value& pos, const std::string& text, bool bold = false);

// The height of a window's drawing area (of the control itself for anything else).
int drawingAreaHeight(const core::Value& window);
// Shows the main window (oDlg) again and gives it the focus.
void showMainWindow();

}  // namespace app
