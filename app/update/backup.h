// The backup of the installation directory before anything in it is replaced, the removal of
// surplus backups, and the renaming of backups made under the older naming scheme.
#pragma once

#include <string>

namespace app {

// Entries "BAK_*.*" become "ZOV_SICH_U" + version + "_" + their date, with "(02)" … "(20)"
// when the name is taken.
void renameOldBackups(const std::string& installDir);

// Name of the next backup directory of today for the version (without dots), e.g.
// "C:\ZOV\ZOV_SICH_U43F_2018_05_02(02)".
std::string nextBackupDir(const std::string& installDir, const std::string& versionNoDots);

// Copies every plain file of the installation directory into a new backup directory and
// writes ZOV_BAK_ID.txt there; advances nSiz1, nAnz1 and nStepR. A backup that cannot be
// made completely ends the run through XERR before anything of the installation is touched.
// Returns the backup directory.
std::string makeBackup(const std::string& installDir, const std::string& version,
                       const std::string& houseName);

// Keeps the two backups that sort first (names compared in upper case) and every backup of
// the first one's version, and never the backup that makeBackup made in this run.
void rotateBackups(const std::string& installDir);

}  // namespace app
