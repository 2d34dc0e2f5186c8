// Opening the product's tables by name (XOPEN1, XOPEN_IDX, XOPEN): the catalogue gives the
// work area and the index files; a table that is briefly unavailable gets three attempts with
// pauses of 1, 2 and 3 seconds; the thread's nErrStat is the failure signal of the guarded
// sections (103 while opening, 108 while attaching indexes).
//
// Globals read: aDBFiles (the catalogue), yNo_DB (no table is opened at all), ylStart (start
// phase), yDir_Sv (data directory shown in the failure message), ycr (line break); written:
// yinderr (attaching indexes failed). The updater declares ylStart and yDir_Sv before it
// opens tables; where they are missing, ylStart counts as true and yDir_Sv as the current
// directory, so that a table failure still ends with its message.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace data {

// Returns the alias of the opened table, or "" on failure (and with closeAfter). area: omitted
// = the catalogue's area, 0 = a new work area, other = that area. quit: end the program
// with a message when the table cannot be opened.
std::string XOPEN1(const std::string& name, std::optional<int> area = std::nullopt, bool quit = false,
                   bool closeAfter = false, bool closeFirst = false);
std::vector<std::string> XOPEN1(const std::vector<std::string>& names, std::optional<int> area = std::nullopt,
                                bool quit = false, bool closeAfter = false, bool closeFirst = false);

// Attaches the catalogue's index files of the table to the current work area.
void XOPEN_IDX(const std::string& name);

// Opens every catalogue table in its own area, then selects area 1.
void XOPEN();

}  // namespace data
