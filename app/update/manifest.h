// The update manifest dir_upd.txt: one row per file of a version (source name, version in
// which it last changed, optional target name), split into rows and columns, and the
// version rules of the update.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

using Row = std::vector<std::string>;
using Rows = std::vector<Row>;

// Lines end in CR LF, columns are separated by one tab; empty or blank columns at the end of
// a line are dropped, a blank line gives a row without columns.
Rows XTEXTTOARRAY(std::string_view text);
// Rows of one or two columns get empty columns up to three; others stay as they are.
void extendRows(Rows& rows);

// "4.3F" -> "43F": versions are compared without their dots, as texts.
std::string withoutDots(std::string_view version);

// Column 1 in upper case begins with "ZOV.EXE" (the first such row counts) / with "UMBAU".
bool isProgramRow(const Row& row);
bool isRebuildMarker(const Row& row);
// Index of the first program row, or nothing.
std::optional<std::size_t> findProgramRow(const Rows& rows);

// The offered version of a manifest text, or "" with the reason in message.
std::string XNEWVERS(const std::string& text, std::string& message);

// The rows to bring and install: comments dropped, rows whose version the installation
// already has dropped, except zov.exe and zov-help.chm, and rows without a version.
Rows selectRows(const Rows& rows, const std::string& installedVersion);

// The target name of a row in the staging and installation directories: column 3 without
// trailing blanks, else column 1 after its first backslash.
std::string UPD_FNAME(const Row& row);

// A manifest name that would leave the staging or installation directory (absolute, with a
// drive, climbing with ".."), or nothing when every row is safe.
std::optional<std::string> unsafeName(const Rows& rows);
std::string unsafeNameMessage(const std::string& name);

}  // namespace app
