// The window thread. It is the process's main thread: it owns every toolkit window and runs the
// toolkit's loop for the whole program, and never runs program code. Program threads call the
// window layer; each call is carried out here while the caller waits.
#pragma once

#include <functional>

namespace platform::gui {

// The product's main: makes the window system on the calling (main) thread, starts the program
// thread "Main" with body (APPSYS, then MAIN) and runs the window loop. When body returns, the
// process ends with code 0 and takes every other program thread with it; a program end
// (platform::endProgram) ends it with its code. A run-time failure is reported in a box first.
[[noreturn]] void runApplication(int argc, char** argv, std::function<void()> body);

// For test programs: makes the window system on the calling (main) thread, runs work on a new
// thread (which acts as a program thread) while the window loop runs, and returns work's result
// once it finishes. Without a display the offscreen window system is used.
int runWithWindowSystem(int argc, char** argv, std::function<int()> work);

// The platform's tone (a field refusing a key). The toolkit has one warning sound; frequency
// and duration (hundredths of a second) are taken as given and not played exactly.
void tone(int frequency, int durationHundredths);

// True when the window system exists (runApplication or runWithWindowSystem is running).
bool haveWindowSystem();

}  // namespace platform::gui
