// Moving files: from a local manifest directory into the staging directory, and from the
// staging directory into the installation, program files (ZOV.EXE and DLLs) last.
#pragma once

#include <string>

#include "app/update/manifest.h"

namespace app {

enum FileKind { kOrdinaryFile = 1, kHelpFile = 2, kProgramFile = 3 };

int UPD_TYP(const std::string& targetName);

// Copies one file; returns when it is in place (or, for the help file, skipped), otherwise
// ends the run through XERR (with the recovery advice for program files).
void UPD_COPY(const std::string& sourceName, const std::string& targetName, const std::string& sourceDir,
              const std::string& targetDir, int kind = kOrdinaryFile, const std::string& version = "");

// Empties the staging directory and copies the selected rows from the manifest directory.
void stageFromLocalDir(const Rows& selected, const std::string& manifestDir, const std::string& stagingDir);

// Installs the staged files: every other file first, then the program files. Sets nStepR to
// 0.5 between the two passes.
void installStaged(const Rows& selected, const std::string& stagingDir, const std::string& installDir);

}  // namespace app
