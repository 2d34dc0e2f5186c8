// Starting another program, as the updater starts ZOV.EXE at its end.
#pragma once

#include <string>

namespace platform::proc {

// Starts the program file winExePath (a program path, found without regard to case) in the
// working directory winWorkDir (the current directory when empty) and does not wait for it.
// The parameter string reaches the program as it is given, as one argument (none when
// empty). False when the program cannot be started. The started program lives on alone:
// nothing is left behind when it ends, and it keeps running after this program ends.
bool startProgram(const std::string& winExePath, const std::string& params, const std::string& winWorkDir);

}  // namespace platform::proc
