// The DBF table engine: work areas of the program thread and the tables open in them.
//
//   Work areas are numbered slots of the calling program thread; each holds at most one open
//   table under an alias (by default the table's file name). One area is the current one;
//   area 0 asks for the lowest free area. Tables are opened by name relative to the current
//   directory (platform/fs); ".dbf" is added when the name has no extension, ".ntx" for
//   index names. Opening is shared or exclusive, read-write or read-only.
//
//   use("user") / use("user", 0)         open in the current area / in a new free area
//   select(22) / selectAlias("user")     make an area current; alias(), areaOf("user")
//   current().goTop() / skip() / seek()  everything else is the Table of the area (table.h):
//                                        positioning, relative position, seek and locate,
//                                        order list, filter, fields by name, append,
//                                        delete, recall, pack, commit, record and file locks
//   settings().hideDeleted / exact / softSeek   the thread's SET DELETED, EXACT, SOFTSEEK
//
// Files are dBase III .dbf with .dbt memos (FoxPro .dbf/.fpt are read too) and Clipper .ntx
// indexes. Record locks are byte-range locks at the Clipper offsets (locks.h), so another
// process, and another xBase program, sees them. Every failure - a missing file, a share
// violation, a damaged file - is raised as core::RuntimeFailure.
#pragma once

#include <string>
#include <vector>

#include "platform/dbf/table.h"

namespace platform::dbf {

struct UseOptions {
  bool exclusive = false;
  bool readOnly = false;
  // Empty: the table's file name. When that name is taken by another area, the table gets
  // the name followed by "_" and its area number, so that opening a table a second time (as
  // the settings table is opened for a claim while it is open in its catalogue area) works
  // and each area keeps an alias of its own. A given alias that is taken raises.
  std::string alias;
};

inline constexpr int kCurrentArea = -1;

// Opens a table in an area (kCurrentArea: the current one; 0: the lowest free area; a table
// open in the area is closed first) and selects that area. Returns the area number.
int use(const std::string& name, int area = kCurrentArea, const UseOptions& options = {});
void closeArea();  // the current area's table; nothing when the area is empty
void closeArea(int area);
void closeAll();

void select(int area);                       // 0: the lowest free area
bool selectAlias(const std::string& alias);  // false (and no change) when no area has it
int selected();
std::string alias();  // of the current area; "" when it is empty
std::string aliasOf(int area);
int areaOf(const std::string& alias);  // 0 when no area has it
bool used();                           // a table is open in the current area
bool used(int area);
Table& current();  // raises core::RuntimeFailure when the current area is empty
Table* tableIn(int area);
std::vector<int> usedAreas();

Settings& settings();  // the calling thread's switches

// A filter or locate condition for the current table that reads fields through the work
// areas: the table's area is selected while it runs, whichever area is current when the
// table moves, and the current area is put back afterwards.
void setFilter(std::function<bool()> condition);  // {} clears the filter
bool locate(std::function<bool()> condition, bool fromCurrent = false);

// Index files of the current table, by name relative to the current directory.
void orderListAdd(const std::string& indexName);
void createIndex(const std::string& indexName, const std::string& keyExpression, bool unique = false,
                 bool descending = false);
// A new dBase III table by name (replacing one that exists and is not in use).
void createTable(const std::string& name, const std::vector<FieldInfo>& fields);

// The host file of a table or index name: the extension added when missing, resolved through
// the drive table. Raises when the drive or directory does not exist.
std::filesystem::path hostPath(const std::string& name, const char* defaultExtension);

}  // namespace platform::dbf
