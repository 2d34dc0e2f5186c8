// Program threads. The system's programs are threads that each run their own event loop;
// each has a cargo slot (its zThread) and a name. The window thread is not one of them.
#pragma once

#include <functional>
#include <string>

#include "core/value.h"

namespace platform::thread {

using Body = std::function<void()>;

// Starts body in a new program thread called name, without waiting. A ProgramEnd that
// leaves the body ends the program (see program.h); a RuntimeFailure that leaves it is the
// runtime's report of an unhandled error and ends the program too.
void start(const std::string& name, Body body);

// The calling thread's cargo slot (NIL until set) and name ("" for threads not started here).
core::Value& cargo();
std::string currentName();

// Sleeps n hundredths of a second. When the program is ending, a sleeping program thread is
// woken and unwound (it raises ThreadStop), so loops that never return still end.
void sleepHundredths(long n);
struct ThreadStop {};

// Ends every program thread started here: wakes their sleeps and waits for them.
// Called when MAIN returns (and by tests between runs).
void stopAll();
// True once stopAll() has begun and until the next start() after it.
bool stopping();

}  // namespace platform::thread
