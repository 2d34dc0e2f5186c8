#include "tests/support/installation.h"

#include <stdexcept>

#include "core/text.h"
#include "platform/dbf/workarea.h"
#include "platform/fs/fs.h"

namespace dbf = platform::dbf;
namespace fs = platform::fs;

namespace testing_support {

namespace {
// Writes a table in a fresh work area and leaves the previous area current again.
template <class Fill>
void withNewTable(const std::string& path, const std::vector<dbf::FieldInfo>& fields, Fill fill) {
  int previous = dbf::selected();
  dbf::createTable(path, fields);
  dbf::UseOptions exclusive;
  exclusive.exclusive = true;
  dbf::use(path, 0, exclusive);
  fill(dbf::current());
  dbf::current().commit();
  dbf::closeArea();
  dbf::select(previous);
}
}  // namespace

void writeIni(const std::string& dir, const std::vector<IniRow>& rows) {
  withNewTable(dir + "ini.dbf", {{"FNAME", 'C', 10, 0}, {"LFNR", 'N', 3, 0}, {"DATA", 'C', 60, 0}},
               [&](dbf::Table& t) {
                 for (const auto& r : rows) {
                   t.append();
                   t.put("FNAME", r.fname);
                   t.put("LFNR", r.lfnr);
                   t.put("DATA", r.data);
                 }
               });
}

void writeUsers(const std::string& dir, const std::vector<std::string>& ids) {
  withNewTable(dir + "user.dbf",
               {{"ID", 'C', 10, 0},
                {"NAME", 'C', 30, 0},
                {"PASS", 'C', 20, 0},
                {"SPERR", 'L', 1, 0},
                {"BERECHT", 'C', 20, 0},
                {"LAN", 'C', 16, 0},
                {"LAB", 'C', 16, 0},
                {"NEUANG", 'L', 1, 0}},
               [&](dbf::Table& t) {
                 for (const auto& id : ids) {
                   t.append();
                   t.put("ID", id);
                   t.put("NAME", "Benutzer " + id);
                   t.put("SPERR", false);
                   t.put("NEUANG", false);
                 }
                 t.createIndex(dbf::hostPath(dir + "user", ".ntx"), "UPPER(ID)");
               });
}

void writeInstallation(const InstallationSpec& layout) {
  if (!fs::makeDir(layout.dir)) throw std::runtime_error("cannot make " + layout.dir);
  writeIni(layout.dir, {{"p1gvers", 1, layout.version},
                      {"p1name", 1, layout.name1},
                      {"p1name", 2, layout.name2},
                      {"p3land", 1, layout.lastLogon}});
  writeUsers(layout.dir, layout.users);
  if (layout.withGast)
    withNewTable(layout.dir + "gast.dbf", {{"GAST_NR", 'N', 8, 0}, {"NAME", 'C', 30, 0}}, [](dbf::Table& t) {
      t.append();
      t.put("GAST_NR", 1);
      t.put("NAME", "Erika Mustermann");
    });
  if (layout.withZovExe) {
    bool ok = layout.zovExeHostSource.empty()
                  ? fs::writeFile(layout.dir + "zov.exe", "old program")
                  : fs::copyFile(*fs::fromHost(layout.zovExeHostSource), layout.dir + "zov.exe");
    if (!ok) throw std::runtime_error("cannot write zov.exe in " + layout.dir);
  }
  for (const auto& [name, content] : layout.files)
    if (!fs::writeFile(layout.dir + name, content)) throw std::runtime_error("cannot write " + name);
}

}  // namespace testing_support
