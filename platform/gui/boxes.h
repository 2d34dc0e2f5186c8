// The platform's boxes: a message box with an OK button, the Yes/No(/Cancel) confirmation box
// and the file-open dialog. Each blocks only the program thread that calls it: the box is shown
// by the window thread, which goes on drawing every other window, while the caller waits for
// the answer.
#pragma once

#include <string>

#include "core/value.h"

namespace platform::gui {

// Answers of the confirmation box, as the program compares them.
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
inline constexpr int kCancel = 2;

// Text and title are Windows-1252; line breaks are carriage return + line feed (a carriage
// return alone breaks the line too). Returns when the operator pressed OK or closed the box.
void messageBox(const std::string& text, const std::string& title = "");

// Yes and No (and Cancel when withCancel) with a question icon. owner: a window or control
// (the box stands over its window), or NIL. defaultAnswer picks the button that Enter presses.
// Closing the box without a button answers Cancel when there is one, else No.
int confirmBox(const std::string& text, const std::string& title, bool withCancel = false,
               const core::Value& owner = {}, int defaultAnswer = kYes);

// The file-open dialog: title, proposed file name (a pattern such as "ini.*" filters the
// listing), owner window (the dialog is centred on it) or NIL. Starts in the current
// directory. Returns the chosen file as a program path ("C:\ZOV\ini.dbf"), or "" when the
// operator left it without a choice.
std::string fileOpenDialog(const std::string& title, const std::string& proposedName,
                           const core::Value& owner = {});

// The window or control that has the input focus now (NIL when none of the program's has it);
// serves as the owner of a box.
core::Value focusWindow();

}  // namespace platform::gui
