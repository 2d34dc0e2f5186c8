// Finding the installation: directories tested by their files and their settings table
// ini.dbf (written by our own table engine), damaged tables, and the search of the usual places.
#include "app/update/discovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "core/object.h"
#include "core/text.h"
#include "platform/dbf/workarea.h"
#include "platform/fs/fs.h"
#include "platform/gui/testing/gui_testing.h"
#include "tests/support/installation.h"
#include "tests/support/temp_drives.h"

namespace gt = platform::gui::testing;
namespace stdfs = std::filesystem;
using core::Value;
using testing_support::IniRow;
using testing_support::InstallationSpec;
using testing_support::readHostFile;
using testing_support::TempDrives;
using testing_support::writeHostFile;

namespace {

struct Found {
  std::string dir, vers, name, lAnd;
  bool operator==(const Found&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Found& f) {
  return os << "{" << f.dir << ", " << f.vers << ", " << f.name << ", " << f.lAnd << "}";
}

std::optional<Found> found(const Value& record) {
  if (record.isNil()) return std::nullopt;
  EXPECT_EQ(record.object()->className(), "zDir");
  return Found{core::memberOf(record, "Dir").text(), core::memberOf(record, "Vers").text(),
               core::memberOf(record, "Name").text(), core::memberOf(record, "lAnd").text()};
}

class Discovery : public ::testing::Test {
 protected:
  void TearDown() override { gt::resetProgram(); }
  TempDrives drives;
};

TEST_F(Discovery, ADirectoryIsAnInstallationWithItsFilesAndEveryValue) {
  const std::vector<IniRow> standard = {{"p1gvers", 1, "4.3F"},
                                        {"p1name", 1, "Hotel Alpen   "},
                                        {"p1name", 2, "hof"},
                                        {"p3land", 1, "01.12.2026"}};
  struct Case {
    const char* what;
    std::vector<IniRow> ini;
    bool gast = true, zovExe = true;
    std::optional<Found> expected;  // Dir is the directory tested
  };
  const Case cases[] = {
      {"complete", standard, true, true, Found{"", "4.3F", "Hotel Alpenhof", "01.12.2026"}},
      {"no gast.dbf", standard, false, true, std::nullopt},
      {"no zov.exe", standard, true, false, std::nullopt},
      {"no p3land row", {{"p1gvers", 1, "4.3F"}, {"p1name", 1, "Hotel"}}, true, true, std::nullopt},
      {"empty p3land",
       {{"p1gvers", 1, "4.3F"}, {"p1name", 1, "Hotel"}, {"p3land", 1, "   "}},
       true,
       true,
       std::nullopt},
      {"no version", {{"p1name", 1, "Hotel"}, {"p3land", 1, "x"}}, true, true, std::nullopt},
      {"no house name",
       {{"p1gvers", 1, "4.3F"}, {"p1name", 3, "Hotel"}, {"p3land", 1, "x"}},
       true,
       true,
       std::nullopt},
      {"a longer key matches, the first row wins",
       {{"p1gversion", 1, "4.4A"}, {"p1gvers", 1, "4.3F"}, {"p1name", 1, "Hotel"}, {"p3land", 1, "x"}},
       true,
       true,
       Found{"", "4.4A", "Hotel", "x"}},
      {"keys in capitals, parts in any order",
       {{"P3LAND", 1, "02.01.2027"},
        {"P1NAME", 2, "hof"},
        {"P1GVERS", 1, "4.3G"},
        {"P1NAME", 1, "Hotel Alpen "}},
       true,
       true,
       Found{"", "4.3G", "Hotel Alpenhof", "02.01.2027"}},
      {"only the second name part",
       {{"p1gvers", 1, "4.3F"}, {"p1name", 2, "hof"}, {"p3land", 1, "x"}},
       true,
       true,
       Found{"", "4.3F", "hof", "x"}},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    InstallationSpec layout;
    layout.dir = "C:\\CASE" + std::to_string(++n) + "\\";
    layout.withGast = c.gast;
    layout.withZovExe = c.zovExe;
    writeInstallation(layout);
    writeIni(layout.dir, c.ini);
    std::optional<Found> expected = c.expected;
    if (expected) expected->dir = layout.dir;
    EXPECT_EQ(found(app::DIRINFO(layout.dir)), expected);
    EXPECT_FALSE(platform::dbf::used()) << "the settings table is closed again";
  }
}

TEST_F(Discovery, ADamagedSettingsTableIsNoInstallationAndNoMessage) {
  InstallationSpec layout;
  layout.dir = "C:\\ZOV\\";
  writeInstallation(layout);
  const stdfs::path ini = drives.host('C') / "ZOV" / "ini.dbf";
  const std::string good = readHostFile(ini);
  ASSERT_GT(good.size(), 64u);
  std::string bigHeader = good;
  bigHeader[8] = '\xFF';  // header length beyond the end of the file
  bigHeader[9] = '\x7F';
  std::string manyRecords = good;
  manyRecords[4] = manyRecords[5] = manyRecords[6] = '\xFF';  // more records than the file holds
  manyRecords[7] = '\x0F';
  std::string noRecordLength = good;
  noRecordLength[10] = noRecordLength[11] = '\0';
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"more records than bytes", manyRecords},
      {"records without length", noRecordLength},
      {"cut inside the last record", good.substr(0, good.size() - 30)},
      {"empty", ""},
      {"cut inside the header", good.substr(0, 10)},
      {"cut inside the field list", good.substr(0, 48)},
      {"garbage", std::string(600, '\xFF')},
      {"header length beyond the end", bigHeader},
  };
  const int boxes = gt::boxesShown();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeHostFile(ini, c.bytes);
    EXPECT_TRUE(app::DIRINFO("C:\\ZOV\\").isNil());
    EXPECT_FALSE(platform::dbf::used());
  }
  EXPECT_EQ(gt::boxesShown(), boxes);
  // The same directory with its table mended is an installation again.
  writeHostFile(ini, good);
  EXPECT_FALSE(app::DIRINFO("C:\\ZOV\\").isNil());
}

TEST_F(Discovery, ASettingsTableWithoutTheRunningNumberIsNoInstallation) {
  InstallationSpec layout;
  layout.dir = "C:\\ZOV\\";
  writeInstallation(layout);
  // A table of another program under the same name: key and value, but no field lfnr.
  namespace dbf = platform::dbf;
  dbf::createTable(layout.dir + "ini.dbf", {{"FNAME", 'C', 10, 0}, {"DATA", 'C', 60, 0}});
  dbf::UseOptions exclusive;
  exclusive.exclusive = true;
  dbf::use(layout.dir + "ini.dbf", 0, exclusive);
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"p1gvers", "4.3F"}, {"p1name", "Hotel"}, {"p3land", "01.12.2026"}}) {
    dbf::current().append();
    dbf::current().put("FNAME", key);
    dbf::current().put("DATA", value);
  }
  dbf::current().commit();
  dbf::closeArea();
  const int boxes = gt::boxesShown();
  EXPECT_TRUE(app::DIRINFO(layout.dir).isNil());
  EXPECT_FALSE(platform::dbf::used());
  EXPECT_EQ(gt::boxesShown(), boxes);
}

TEST_F(Discovery, TheUsualPlacesAreSearchedDriveByDrive) {
  for (const char* dir : {"D:\\programme\\zov\\", "C:\\ZOV\\", "G:\\Programme1\\ZOV\\"}) {
    InstallationSpec layout;
    layout.dir = dir;
    writeInstallation(layout);
  }
  // Neither counts: no gast.dbf; not a usual place.
  InstallationSpec noGast;
  noGast.dir = "E:\\ZOV1\\";
  noGast.withGast = false;
  writeInstallation(noGast);
  InstallationSpec elsewhere;
  elsewhere.dir = "C:\\Hotel\\ZOV\\";
  writeInstallation(elsewhere);
  platform::fs::unmapDrive('F');  // a drive that does not exist holds none

  const Value all = app::FINDDIR();
  ASSERT_TRUE(all.isArray());
  std::vector<std::string> dirs;
  for (const auto& r : all.elements()) dirs.push_back(core::memberOf(r, "Dir").text());
  EXPECT_EQ(dirs, (std::vector<std::string>{"C:\\ZOV\\", "D:\\Programme\\ZOV\\", "G:\\Programme1\\ZOV\\"}));
  EXPECT_EQ(core::memberOf(all.elements()[1], "Name").text(), "Hotel Alpenhof");
}

TEST_F(Discovery, NoInstallationAnywhereGivesAnEmptyList) {
  const Value all = app::FINDDIR();
  ASSERT_TRUE(all.isArray());
  EXPECT_TRUE(all.elements().empty());
}

}  // namespace
