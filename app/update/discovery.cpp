#include "app/update/discovery.h"

#include "core/failure.h"
#include "core/text.h"
#include "platform/dbf/workarea.h"
#include "platform/fs/fs.h"

namespace dbf = platform::dbf;
namespace fs = platform::fs;
using core::Value;

namespace app {

const core::ClassDef& ZDIR() {
  return core::defineClass("zDir", {"Dir", "Vers", "Name", "lAnd"});
}

namespace {

// The value of the first settings row whose key field, in lower case, begins with the key
// (and whose running number is the one given); "" when no row matches.
std::string setting(dbf::Table& ini, const std::string& key, int number = 0) {
  ini.goTop();
  while (!ini.eof()) {
    if (core::startsWith(core::lower(ini.get("fname").text()), key) &&
        (number == 0 || ini.get("lfnr").number() == number))
      return core::rtrim(ini.get("Data").text());
    ini.skip(1);
  }
  return "";
}

}  // namespace

Value DIRINFO(const std::string& dir) {
  if (!fs::fileExists(dir + "ini.dbf") || !fs::fileExists(dir + "zov.exe") ||
      !fs::fileExists(dir + "gast.dbf"))
    return Value();
  dbf::closeArea();
  Value record = ZDIR().create();
  core::setMember(record, "Dir", dir);
  try {
    dbf::UseOptions readOnly;
    readOnly.readOnly = true;
    dbf::use(dir + "ini.dbf", dbf::kCurrentArea, readOnly);
    dbf::Table& ini = dbf::current();
    core::setMember(record, "Vers", setting(ini, "p1gvers"));
    core::setMember(record, "Name", setting(ini, "p1name", 1) + setting(ini, "p1name", 2));
    core::setMember(record, "lAnd", setting(ini, "p3land"));
  } catch (const core::RuntimeFailure&) {
    // A settings table that cannot be opened or read (damaged, locked, lacking a field)
    // makes the directory no installation, without a message.
    dbf::closeArea();
    return Value();
  }
  dbf::closeArea();
  for (const char* member : {"Name", "lAnd", "Vers"})
    if (core::memberOf(record, member).text().empty()) return Value();
  return record;
}

Value FINDDIR() {
  Value found = Value::array();
  for (const char* drive : {"C", "D", "E", "F", "G"})
    for (const char* sub : {"ZOV", "ZOV1", "ZOV2", "Programme\\ZOV", "Programme\\ZOV1", "Programme1\\ZOV"}) {
      Value record = DIRINFO(std::string(drive) + ":\\" + sub + "\\");
      if (!record.isNil()) found.elements().push_back(record);
    }
  return found;
}

}  // namespace app
