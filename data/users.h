// Active ZOV users (XUSER and its helpers). A running ZOV holds the record lock of its user's
// row in the table `user`; a row whose lock cannot be obtained belongs to an active user.
// "ZOV" is the system administration, "ZOV_HG" the background-job user. The own user is the
// global yUser.
#pragma once

#include <string>
#include <vector>

namespace data {

// IDs (as stored) of the active users, in the order of the open table (index `user`), less
// those to leave out; only the given one when `only` is not empty. Ends the program when the
// table cannot be opened.
std::vector<std::string> XUSER_LIST(const std::vector<std::string>& leaveOut = {},
                                    const std::string& only = "");
// 0: no other user active; 1: only ZOV_HG besides the own user; 2: another user is active.
int XUSER();
bool XUSER_HG();
// A row marked as logged on that no running ZOV holds: its ID ("" when none), its name into
// *name. With clear, every such row's log-on mark is cleared and the last one is returned.
std::string XUSER_INOFF_ABM(bool includeOwn = false, bool clear = false, std::string* name = nullptr);
// Repairs `user` when nobody has it open: rebuilds its index, adds the system rows, removes
// rows that repeat an ID (upper case, trailing blanks ignored) and packs.
void XUSER_REPAIR();
// Adds the row of a system user to the table of the current work area when it is missing.
void XUSER_REPAIR1(const std::string& id, const std::string& name);

// Stand-ins for two operations ZOV provides and this system does not (see users.cpp).
void XINDEX(const std::string& table);
std::string XPASS(const std::string& password);

}  // namespace data
