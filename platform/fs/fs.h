// Windows-style program paths ("C:\ZOV\ini.dbf", "ums_43F\zov.exe") mapped onto the host.
//
// On Windows a path is the host path. Elsewhere a drive table maps letters to host
// directories: Z: is the host root, other letters are unmapped (and hold no files) until
// mapped. Outside tests the table is filled at start-up from ZOV_DRIVE_<letter> host
// variables (for example ZOV_DRIVE_C=/srv/zov-c). Names resolve without regard to case, as on
// Windows; new files keep the case they are given. ".." never climbs above a drive's root.
//
// Files that another program holds a lock on are "in use", as on Windows: they cannot be
// deleted, renamed or replaced.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"

namespace platform::fs {

// --- drive table -----------------------------------------------------------------------
void mapDrive(char letter, const std::filesystem::path& hostDir);
void unmapDrive(char letter);
// Z: = host root, nothing else (then ZOV_DRIVE_* are read again); the current directory
// returns to the one the process started in.
void resetDrives();
std::optional<std::filesystem::path> driveRoot(char letter);

// --- paths -------------------------------------------------------------------------------
// The current directory ("C:\ZOV\"), process-wide as on Windows; relative paths start there.
std::string currentDir();
void setCurrentDir(const std::string& winDir);  // raises RuntimeFailure when it does not exist
// The running program file's path ("Z:\opt\demo\ZOV\UPDATE\zovupd"); tests may set it
// (an empty path returns to the running program's own).
std::string programPath();
void setProgramPath(const std::string& winPath);

// "C:\ZOV\x\..\ini.dbf" -> "C:\ZOV\ini.dbf": absolute, drive letter upper case, backslashes,
// "." and ".." folded (never above the root). Relative paths join the current directory.
// "" when the path is malformed (empty, a control character such as NUL, a bad drive).
std::string absolute(std::string_view winPath);
// The host path of a program path, matching existing names without regard to case;
// nothing when the drive is unmapped or the path is malformed.
std::optional<std::filesystem::path> toHost(std::string_view winPath);
// The program path of a host path below a mapped drive (Z: covers everything).
std::optional<std::string> fromHost(const std::filesystem::path& hostPath);

// Path text helpers on program paths.
std::string withSlash(std::string_view dir);      // ensures one trailing backslash
std::string parentDir(std::string_view winPath);  // "C:\ZOV\UPDATE\x.exe" -> "C:\ZOV\UPDATE\"
std::string fileName(std::string_view winPath);   // after the last backslash

// --- files -------------------------------------------------------------------------------
bool fileExists(std::string_view winPath);  // a plain file (not a directory)
bool dirExists(std::string_view winPath);
bool exists(std::string_view winPath);  // either
// Whole-file read; a missing or unreadable file raises RuntimeFailure.
std::string readFile(std::string_view winPath);
// Whole-file write (replacing). False when the file cannot be created or not all bytes
// reached the disk (disk full); a partly written file is removed.
bool writeFile(std::string_view winPath, std::string_view bytes);
bool deleteFile(std::string_view winPath);
// Renames an entry (file or directory); false when the target exists or the source is in use.
bool rename(std::string_view fromWinPath, std::string_view toWinPath);
// Copies a file, replacing the target; true only when the target then holds all the bytes.
bool copyFile(std::string_view fromWinPath, std::string_view toWinPath);
std::optional<std::uintmax_t> fileSize(std::string_view winPath);
// True when another open file holds a lock on some byte of the file.
bool inUse(std::string_view winPath);

// --- directories ---------------------------------------------------------------------------
struct DirEntry {
  std::string name;  // without path, Windows-1252
  std::uintmax_t size = 0;
  core::Date date;   // last change, local time
  std::string time;  // "HH:MM:SS"
  bool isDir = false;
};
// Entries of the directory part of the pattern whose names match its last part (* and ?,
// without regard to case; "*.*" matches every name). Sorted by name without regard to case.
// Plain listings hold only files, without hidden and system files (on Linux: dot files);
// listings with directories add the directories, hidden ones still left out.
std::vector<DirEntry> listDir(std::string_view winPattern, bool withDirs);
// "/C MD": makes the directory and any missing parents; true when it exists afterwards.
bool makeDir(std::string_view winDir);
// "/C RD /S /Q": removes the directory with everything in it; true when it is gone afterwards.
bool removeTree(std::string_view winDir);

bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace platform::fs
