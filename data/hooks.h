// What the table layer hands to the layers above it, settable so that data/ stays testable
// without windows: its two message boxes, the run-time error of a table that cannot be opened
// outside the start phase, and the pauses between attempts to open a table. The program wires
// the first two to its window layer and its error report at start-up.
#pragma once

#include <functional>
#include <string>

namespace data {

// Default: the text on the standard error output.
using MessageSink = std::function<void(const std::string& text, const std::string& title)>;
void setMessageSink(MessageSink sink);  // {} restores the default
void showMessage(const std::string& text, const std::string& title = "");

// The general error handling's report of an undefined symbol ("File_gast_nicht_zu_oeffnen").
// Default: the report on the standard error output; control comes back to the caller.
using RuntimeErrorSink = std::function<void(const std::string& symbol)>;
void setRuntimeErrorSink(RuntimeErrorSink sink);
void reportRuntimeError(const std::string& symbol);

// Waiting between attempts; default: the calling program thread sleeps that many seconds.
using Pause = std::function<void(int seconds)>;
void setPause(Pause pause);
void pause(int seconds);

}  // namespace data
