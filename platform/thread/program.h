// Ending the program. XQUIT and XERR end the program through endProgram(); what "ending"
// does is set once by the host: the product closes the windows and ends the process, tests
// unwind the thread that runs MAIN back to the test.
#pragma once

#include <functional>
#include <string>

#include "core/failure.h"

namespace platform {

// Raises core::ProgramEnd in the calling thread.
[[noreturn]] void endProgram(int exitCode = 0, const std::string& reason = {});

// Called (once per program thread that is ended) when a ProgramEnd or an unhandled
// RuntimeFailure leaves a program thread's body. The default handler ends the process.
using EndHandler = std::function<void(const core::ProgramEnd&)>;
void setEndHandler(EndHandler handler);
void handleProgramEnd(const core::ProgramEnd& end);

}  // namespace platform
