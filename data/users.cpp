#include "data/users.h"

#include <algorithm>

#include "core/failure.h"
#include "core/globals.h"
#include "core/text.h"
#include "data/catalogue.h"
#include "data/open.h"
#include "platform/dbf/workarea.h"
#include "platform/thread/guard.h"

namespace data {

namespace {

constexpr long kRepairing = 102;

std::string ownUser() {
  return core::rtrim(core::globals().getOr("yUser", core::Value("")).textOr(""));
}

std::string idKey(const std::string& id) {
  return core::upper(core::rtrim(id));
}

// A log-on or log-off mark as comparable text; an unset mark is "".
std::string markOf(platform::dbf::Table& t, const char* field) {
  core::Value v = t.get(field);
  if (v.isDate()) return v.date().empty() ? std::string() : v.date().dtos();
  if (v.isText()) return core::rtrim(v.text());
  return core::rtrim(core::toDisplayText(v));
}

// Closes the current work area on every way out of a scan.
struct CloseAtEnd {
  ~CloseAtEnd() {
    try {
      platform::dbf::closeArea();
    } catch (...) {
      // The area is free either way; a failed final write cannot be reported from here.
    }
  }
};

}  // namespace

std::vector<std::string> XUSER_LIST(const std::vector<std::string>& leaveOut, const std::string& only) {
  std::vector<std::string> active;
  // With yNo_DB no table is opened: nothing is scanned, rather than whatever table is current.
  if (XOPEN1("user", 0, true).empty()) return active;
  CloseAtEnd close;  // closing releases every lock taken below
  std::vector<std::string> skip;
  for (const auto& id : leaveOut) skip.push_back(idKey(id));
  const std::string wanted = idKey(only);
  platform::dbf::Table& t = platform::dbf::current();
  for (t.goTop(); !t.eof(); t.skip(1)) {
    const std::string id = t.get("ID").text();
    const std::string key = idKey(id);
    if (std::find(skip.begin(), skip.end(), key) != skip.end()) continue;
    if (!wanted.empty() && key != wanted) continue;
    if (!t.lockRecord(t.recNo())) active.push_back(id);  // an obtained lock stays until the close
  }
  return active;
}

int XUSER() {
  const std::string own = ownUser();
  int result = 0;
  for (const auto& id : XUSER_LIST()) {
    const std::string trimmed = core::rtrim(id);
    if (trimmed == own) continue;
    if (trimmed == "ZOV_HG") {
      result = 1;
      continue;
    }
    return 2;
  }
  return result;
}

bool XUSER_HG() {
  return !XUSER_LIST({}, "ZOV_HG").empty();
}

std::string XUSER_INOFF_ABM(bool includeOwn, bool clear, std::string* name) {
  std::string found;
  if (XOPEN1("user", 0).empty()) return found;
  CloseAtEnd close;
  const std::string own = ownUser();
  platform::dbf::Table& t = platform::dbf::current();
  for (t.goTop(); !t.eof(); t.skip(1)) {
    const std::string id = t.get("ID").text();
    const std::string lan = markOf(t, "lan");
    const std::string lab = markOf(t, "lab");
    if (!includeOwn && core::rtrim(id) == own) continue;
    if (lan <= lab || lan.empty() || lab.empty()) continue;
    if (core::startsWith(id, "ZOV_HG") && !t.get("NeuAng").logicalOr(false)) continue;
    if (!t.lockRecord(t.recNo())) continue;  // held by a running ZOV: the user is active
    if (clear) t.put("lan", t.get("lan").isDate() ? core::Value(core::Date()) : core::Value(""));
    t.unlockRecord(t.recNo());  // writes the cleared mark first
    found = id;
    if (name != nullptr) *name = t.get("Name").text();
    if (!clear) break;
  }
  return found;
}

void XUSER_REPAIR() {
  platform::guarded(kRepairing, [] { platform::dbf::use("user", 0, {true, false, ""}); });
  if (platform::errStat() == 0) {
    platform::dbf::closeArea();
    return;
  }
  platform::setErrStat(0);
  CloseAtEnd close;
  XINDEX("USER");
  XUSER_REPAIR1("ZOV", "ZOV Systemverwaltung");
  XUSER_REPAIR1("ZOV_HG", "Hintergrund-Jobs");
  platform::dbf::Table& t = platform::dbf::current();
  std::string last = "~~";
  bool removed = false;
  for (t.goTop(); !t.eof(); t.skip(1)) {
    const std::string key = idKey(t.get("ID").text());
    if (key == last) {
      t.markDeleted();
      removed = true;
    } else {
      last = key;
    }
  }
  if (removed) t.pack();
}

void XUSER_REPAIR1(const std::string& id, const std::string& name) {
  platform::dbf::Table& t = platform::dbf::current();
  t.seek(core::Value(core::upper(id)));
  if (!t.eof() && idKey(t.get("ID").text()) == idKey(id)) return;
  t.append();
  t.put("ID", core::Value(id));
  t.put("Name", core::Value(name));
  t.put("Pass", core::Value(XPASS("")));
  t.put("Sperr", core::Value(false));
  t.put("berecht", core::Value("*"));
  t.commit();
}

// Stand-in for ZOV's index rebuild: this system knows the key of one index, `user` on the
// upper-case identifier, which is all XUSER_REPAIR needs. The index files of the table's
// catalogue record are made anew for the table of the current work area, the first one
// becoming the controlling order; a table whose index keys are not known here raises the
// run-time failure, as the placeholder does.
void XINDEX(const std::string& table) {
  auto record = findTable(table);
  if (!record || core::upper(table) != "USER")
    throw core::RuntimeFailure("XINDEX: no index definition for " + table);
  platform::dbf::Table& t = platform::dbf::current();
  t.orderListClear();
  for (const auto& index : (*record)[3].elements())
    if (index.isText()) platform::dbf::createIndex(index.text(), "UPPER(ID)");
  if (t.orderCount() > 0) t.setOrder(1);
}

// Stand-in for ZOV's stored form of a password: the text as it is, so the empty password is
// stored as an empty (blank) field.
std::string XPASS(const std::string& password) {
  return password;
}

}  // namespace data
