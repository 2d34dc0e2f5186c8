#include "data/catalogue.h"

#include "core/globals.h"
#include "core/text.h"

namespace data {

namespace {

struct Entry {
  const char* name;
  std::initializer_list<const char*> indexes;
  const char* mark;
};

// In catalogue order; the position is the work area.
const Entry kTables[] = {
    {"gast", {"gast", "gast_nr"}, " "},
    {"zimmer", {"zimmer"}, " "},
    {"urlaub", {"url_nr", "url_gast", "url_von"}, " "},
    {"zm_bel", {"zm_bel", "zm_bel2", "zm_gast", "zm_ores"}, " "},
    {"extra", {"extra"}, " "},
    {"url_ex", {"url_ex"}, " "},
    {"gast_per", {"gast_per", "gast_geb"}, " "},
    {"brief_v", {"brief_v"}, " "},
    {"brief", {"brief"}, " "},
    {"url_kur", {"url_kur"}, " "},
    {"kat", {"kat"}, " "},
    {"ferien", {"ferien"}, " "},
    {"gast_eig", {"gast_eig"}, " "},
    {"gast_bez", {"gast_bez", "gast_be2"}, "5.2C"},
    {"kur", {"kur"}, " "},
    {"PLZ", {"plz"}, " "},
    {"GaMng", {"GaMng"}, "  "},
    {"Melde", {"melde", "MeldNr", "MeldVs"}, " "},
    {"ATAB1", {"atab1"}, " "},
    {"ATAB", {"atab"}, " "},
    {"log", {}, "3.8A"},
    {"user", {"user"}, " "},
    {"FMLOG", {"fmlog"}, " "},
    {"ORES", {"ores"}, " "},
    {"Leistung", {}, "5.2C"},
    {"NumK", {"numk"}, "5.6B"},
    {"Hinweis", {}, "4.2C"},
    {"freim", {"freim"}, " "},
    {"JobLog", {"joblog"}, "4.5C"},
    {"INI", {"INI"}, " "},
};

}  // namespace

core::Value XDBFILES() {
  core::Value catalogue = core::Value::array();
  int area = 0;
  for (const auto& t : kTables) {
    core::Value indexes = core::Value::array();
    for (const char* i : t.indexes) indexes.elements().push_back(core::Value(i));
    catalogue.elements().push_back(core::arr(t.name, ++area, indexes, t.mark));
  }
  return catalogue;
}

std::optional<core::Value> findTable(const core::Value& catalogue, std::string_view name) {
  if (!catalogue.isArray()) return std::nullopt;
  const std::string want = core::upper(name);
  for (const auto& record : catalogue.elements())
    if (record.isArray() && record.size() >= 1 && record[1].isText() && core::upper(record[1].text()) == want)
      return record;
  return std::nullopt;
}

std::optional<core::Value> findTable(std::string_view name) {
  return findTable(core::globals().get("aDBFiles"), name);
}

}  // namespace data
