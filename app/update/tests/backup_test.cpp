// The backup of the installation directory: names of new backups, renaming of backups made
// under the older naming scheme, rotation, and the copy itself, on real files in
// temporary drives.
#include "app/update/backup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <regex>
#include <set>

#include "core/globals.h"
#include "core/text.h"
#include "platform/clock/clock.h"
#include "platform/fs/fs.h"
#include "platform/gui/testing/gui_testing.h"
#include "tests/support/installation.h"
#include "tests/support/temp_drives.h"

using namespace core::literals;
namespace gt = platform::gui::testing;
namespace stdfs = std::filesystem;
using testing_support::readHostFile;
using testing_support::TempDrives;
using testing_support::writeHostFile;

namespace {

const std::string ycr = "\r\n";

// "_2026_05_02" for today.
std::string todayPart() {
  const core::Date d = platform::clock::today();
  char buf[32];
  std::snprintf(buf, sizeof buf, "_%04d_%02d_%02d", d.year(), d.month(), d.day());
  return buf;
}

// The last-change date of a host entry, at noon local time so that no time zone moves the day.
void setDate(const stdfs::path& p, int year, int month, int day) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  const auto sys = std::chrono::system_clock::from_time_t(std::mktime(&tm));
  stdfs::last_write_time(p, std::chrono::file_clock::from_sys(sys));
}

// Names directly in a host folder.
std::set<std::string> namesIn(const stdfs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : stdfs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

class Backup : public ::testing::Test {
 protected:
  void SetUp() override {
    // The run declares these before the backup; it only adds to them.
    core::globals().declare("nSiz1", 0);
    core::globals().declare("nAnz1", 0);
    core::globals().declare("nStepR", 0);
  }
  void TearDown() override { gt::resetProgram(); }

  stdfs::path zov() const { return drives.host('C') / "ZOV"; }

  TempDrives drives;
};

TEST_F(Backup, TheNextNameCountsTheBackupsOfTheDay) {
  const std::string base = "ZOV_SICH_U43F" + todayPart();
  struct Case {
    const char* what;
    std::vector<std::string> dirs;
    std::vector<std::string> files;
    std::string expected;
  };
  const Case cases[] = {
      {"none yet", {}, {}, base},
      {"the day's first exists", {base}, {}, base + "(02)"},
      {"(02) and (09)", {base + "(02)", base + "(09)"}, {}, base + "(10)"},
      {"first, (02) and (09)", {base, base + "(02)", base + "(09)"}, {}, base + "(10)"},
      {"highest sorts first, not last made", {base + "(10)", base + "(02)"}, {}, base + "(11)"},
      {"past (99)", {base, base + "(99)"}, {}, base + "(100)"},
      // (100) sorts below (99): the count alone would give (100) again.
      {"never an existing one", {base + "(99)", base + "(100)", base + "(101)"}, {}, base + "(102)"},
      {"a plain file of the name", {}, {base}, base + "(02)"},
      {"other versions and days", {"ZOV_SICH_U43E" + todayPart(), "ZOV_SICH_U43F_2018_05_02"}, {}, base},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = "C:\\CASE" + std::to_string(++n) + "\\";
    const stdfs::path host = drives.host(dir);
    stdfs::create_directories(host);
    for (const auto& d : c.dirs) stdfs::create_directories(host / d);
    for (const auto& f : c.files) writeHostFile(host / f, "not a backup");
    EXPECT_EQ(app::nextBackupDir(dir, "43F"), dir + c.expected);
  }
}

TEST_F(Backup, OldSchemeBackupsAreRenamedByTheirDate) {
  const std::string base = "ZOV_SICH_U43E_2017_01_03";
  std::vector<std::string> allTaken = {base};
  for (int i = 2; i <= 20; ++i) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "(%02d)", i);
    allTaken.push_back(base + buf);
  }
  struct Case {
    const char* what;
    std::vector<std::string> taken;  // current-scheme names that exist already
    std::vector<std::string> expectedNew;
    bool oldStays;
  };
  const Case cases[] = {
      {"free name", {}, {base}, false},
      {"name taken", {base}, {base + "(02)"}, false},
      {"two taken", {base, base + "(02)"}, {base + "(03)"}, false},
      {"all twenty taken", allTaken, {}, true},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = "C:\\CASE" + std::to_string(++n) + "\\";
    const stdfs::path host = drives.host(dir);
    for (const auto& t : c.taken) stdfs::create_directories(host / t);
    writeHostFile(host / "BAK_43E" / "gast.dbf", "old guests");
    setDate(host / "BAK_43E", 2017, 1, 3);

    app::renameOldBackups(dir);

    std::set<std::string> expected(c.taken.begin(), c.taken.end());
    expected.insert(c.expectedNew.begin(), c.expectedNew.end());
    if (c.oldStays) expected.insert("BAK_43E");
    EXPECT_EQ(namesIn(host), expected);
    const stdfs::path moved = c.oldStays ? host / "BAK_43E" : host / c.expectedNew.front();
    EXPECT_EQ(readHostFile(moved / "gast.dbf"), "old guests") << "the content moves with the name";
  }
}

TEST_F(Backup, EveryOldSchemeEntryIsRenamedFilesAndDirectoriesAlike) {
  const stdfs::path host = zov();
  stdfs::create_directories(host / "BAK_43E");
  stdfs::create_directories(host / "BAK_43E_ZWEI");
  writeHostFile(host / "BAK_43D.zip", "zipped");
  writeHostFile(host / "gast.dbf", "guests");
  setDate(host / "BAK_43E", 2017, 1, 3);
  setDate(host / "BAK_43E_ZWEI", 2017, 1, 3);
  setDate(host / "BAK_43D.zip", 2016, 12, 31);

  app::renameOldBackups("C:\\ZOV\\");

  // Characters 5 to 7 are the version; a second old backup of the same day gets (02).
  EXPECT_EQ(namesIn(host), (std::set<std::string>{"ZOV_SICH_U43D_2016_12_31", "ZOV_SICH_U43E_2017_01_03",
                                                  "ZOV_SICH_U43E_2017_01_03(02)", "gast.dbf"}));
  EXPECT_EQ(readHostFile(host / "ZOV_SICH_U43D_2016_12_31"), "zipped");
}

TEST_F(Backup, TheCopyHoldsEveryPlainFileAndTheIdentificationFile) {
  testing_support::InstallationSpec layout;
  layout.dir = "C:\\ZOV\\";
  writeInstallation(layout);
  std::string allBytes;
  for (int i = 0; i < 256; ++i) allBytes += static_cast<char>(i);
  writeHostFile(zov() / "brief.doc", allBytes);
  writeHostFile(zov() / "OHNEENDUNG", "no extension");
  writeHostFile(zov() / "leer.txt", "");
  writeHostFile(zov() / "sub" / "inner.txt", "in a sub-directory");
  writeHostFile(zov() / ".hidden", "a hidden file");
  writeHostFile(zov() / "ZOV_SICH_U43F_2018_05_02" / "old.txt", "an older backup");

  core::globals().set("nSiz1", 1000);
  core::globals().set("nAnz1", 3);
  std::string made;
  const auto end = gt::runAsMain([&] { made = app::makeBackup("C:\\ZOV\\", "4.3F", "Hotel Alpenhof"); });
  ASSERT_EQ(end.how, gt::Outcome::How::Returned) << end.describe();

  const std::string name = "ZOV_SICH_U43F" + todayPart();
  EXPECT_EQ(made, "C:\\ZOV\\" + name);
  const stdfs::path backup = zov() / name;
  ASSERT_TRUE(stdfs::is_directory(backup));

  std::set<std::string> expected;
  double total = 0;
  for (const auto& e : stdfs::directory_iterator(zov())) {
    const std::string n = e.path().filename().string();
    if (!e.is_regular_file() || n[0] == '.') continue;
    expected.insert(n);
    total += static_cast<double>(e.file_size());
    EXPECT_EQ(readHostFile(backup / n), readHostFile(e.path())) << n;
  }
  EXPECT_TRUE(expected.count("brief.doc") && expected.count("OHNEENDUNG") && expected.count("ini.dbf"));
  const std::size_t copied = expected.size();
  expected.insert("ZOV_BAK_ID.txt");
  EXPECT_EQ(namesIn(backup), expected) << "no sub-directory, no hidden file";

  const std::string id = readHostFile(backup / "ZOV_BAK_ID.txt");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(id, m, std::regex("Date: (.*)\r\nZeit: (.*)\r\nName: (.*)\r\nVers: (.*)\r\n")))
      << id;
  EXPECT_EQ(m[1].str(), platform::clock::today().toText());
  EXPECT_TRUE(std::regex_match(m[2].str(), std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]"))) << m[2];
  EXPECT_EQ(m[3].str(), "Hotel Alpenhof");
  EXPECT_EQ(m[4].str(), "4.3F");

  auto& g = core::globals();
  EXPECT_EQ(g.get("nReqSp").number(), total);
  EXPECT_EQ(g.get("nSiz1").number(), total) << "after the last file the copied bytes are the total";
  EXPECT_EQ(g.get("nAnz1").number(), 3.0 + static_cast<double>(copied)) << "counted on from the run's value";
  EXPECT_EQ(g.get("nStepR").number(), 1.0);
}

TEST_F(Backup, OnlyEmptyFilesGiveACompleteShareNotADivisionByZero) {
  struct Case {
    const char* what;
    std::vector<std::string> files;
  };
  const Case cases[] = {{"empty files", {"a.txt", "b.dbf"}}, {"no file at all", {}}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = "C:\\LEER" + std::to_string(++n) + "\\";
    stdfs::create_directories(drives.host(dir));
    for (const auto& f : c.files) writeHostFile(drives.host(dir) / f, "");
    core::globals().set("nStepR", 0);
    const auto end = gt::runAsMain([&] { app::makeBackup(dir, "4.3F", "Hotel"); });
    ASSERT_EQ(end.how, gt::Outcome::How::Returned) << end.describe();
    EXPECT_EQ(core::globals().get("nReqSp").number(), 0.0);
    EXPECT_EQ(core::globals().get("nStepR").number(), 1.0);
    EXPECT_EQ(namesIn(drives.host(dir) / ("ZOV_SICH_U43F" + todayPart())).size(), c.files.size() + 1);
  }
}

TEST_F(Backup, RotationKeepsTheFirstTwoAndTheFirstVersionsBackups) {
  const std::string today = "ZOV_SICH_U43F" + todayPart();
  struct Case {
    const char* what;
    std::vector<std::string> existing;
    std::set<std::string> remaining;  // backups after the backup of a 4.3F installation
  };
  const Case cases[] = {
      {"three of 4.3F, two of 4.3E",
       {"ZOV_SICH_U43F_2018_05_02", "ZOV_SICH_U43F_2018_05_02(02)", "ZOV_SICH_U43F_2018_06_11",
        "ZOV_SICH_U43E_2017_01_03", "ZOV_SICH_U43E_2017_02_04"},
       {today, "ZOV_SICH_U43F_2018_05_02", "ZOV_SICH_U43F_2018_05_02(02)", "ZOV_SICH_U43F_2018_06_11"}},
      {"a higher version sorts first",
       {"ZOV_SICH_U43G_2019_01_01", "ZOV_SICH_U43F_2018_05_02", "ZOV_SICH_U43E_2017_01_03"},
       {"ZOV_SICH_U43G_2019_01_01", today}},
      {"the second place stays whatever its version",
       {"ZOV_SICH_U43E_2017_01_03", "ZOV_SICH_U43E_2017_02_04"},
       {today, "ZOV_SICH_U43E_2017_02_04"}},
      // Letter case does not make a version: a 4.3e backup sorts below 4.3F.
      {"a version letter in lower case",
       {"ZOV_SICH_U43e_2017_01_03", "ZOV_SICH_U43e_2017_02_04", "ZOV_SICH_U43F_2018_05_02"},
       {today, "ZOV_SICH_U43F_2018_05_02"}},
      // After a 4.3G backup was restored by hand: the backup just made is the way back.
      {"two of a higher version",
       {"ZOV_SICH_U43G_2019_01_01", "ZOV_SICH_U43G_2019_02_01", "ZOV_SICH_U43F_2018_05_02"},
       {"ZOV_SICH_U43G_2019_01_01", "ZOV_SICH_U43G_2019_02_01", today}},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = "C:\\ROT" + std::to_string(++n) + "\\";
    const stdfs::path host = drives.host(dir);
    writeHostFile(host / "gast.dbf", "guests");
    for (const auto& e : c.existing) writeHostFile(host / e / "gast.dbf", "older guests");
    const auto end = gt::runAsMain([&] {
      app::makeBackup(dir, "4.3F", "Hotel");
      app::rotateBackups(dir);
    });
    ASSERT_EQ(end.how, gt::Outcome::How::Returned) << end.describe();
    std::set<std::string> expected = c.remaining;
    expected.insert("gast.dbf");
    EXPECT_EQ(namesIn(host), expected);
  }
}

TEST_F(Backup, RotationRemovesDirectoriesOnly) {
  const stdfs::path host = zov();
  for (const char* d : {"ZOV_SICH_U43F_2018_05_02", "ZOV_SICH_U43F_2018_04_01", "ZOV_SICH_U43E_2017_01_03"})
    writeHostFile(host / d / "gast.dbf", "older guests");
  writeHostFile(host / "ZOV_SICH_U43E_notiz.txt", "the operator's note");
  app::rotateBackups("C:\\ZOV\\");
  EXPECT_EQ(namesIn(host), (std::set<std::string>{"ZOV_SICH_U43F_2018_05_02", "ZOV_SICH_U43F_2018_04_01",
                                                  "ZOV_SICH_U43E_notiz.txt"}));
}

// A file whose bytes do not match its size while it is copied (here one of the host's
// status files, which report no size): the copy fails and the run must not go on as if the
// installation were saved.
TEST_F(Backup, AFileThatCannotBeCopiedEndsTheRunBeforeAnythingElse) {
  writeHostFile(zov() / "gast.dbf", "guests");
  stdfs::create_symlink("/proc/self/status", zov() / "protokoll.log");
  const std::string backup = "C:\\ZOV\\ZOV_SICH_U43F" + todayPart();
  gt::MainRun run([] { app::makeBackup("C:\\ZOV\\", "4.3F", "Hotel"); });
  auto box = gt::waitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, "Abbruch");
  EXPECT_EQ(box->text, "Die Datei >> C:\\ZOV\\protokoll.log <<" + ycr + "kann nicht gesichert werden." + ycr +
                           ycr + "Der Update muss abgebrochen werden.");
  ASSERT_TRUE(gt::pressBoxButton("OK"));
  const auto end = run.wait();
  EXPECT_EQ(end.how, gt::Outcome::How::Ended) << end.describe();
  EXPECT_EQ(end.exitCode, 1);
  EXPECT_FALSE(platform::fs::exists(backup + "\\ZOV_BAK_ID.txt"))
      << "an incomplete backup is not marked as one";
  EXPECT_FALSE(platform::fs::exists(backup + "\\protokoll.log"));
  EXPECT_EQ(readHostFile(zov() / "gast.dbf"), "guests");
}

// An installation so deep in the folder tree that the backup's name no longer fits the file
// system's path length (as MAX_PATH does on Windows): no backup directory can be made.
TEST_F(Backup, ABackupDirectoryThatCannotBeMadeEndsTheRunBeforeAnyCopy) {
  stdfs::path deep = drives.root() / "deep";
  // Host path of E:\ZOV ends at 4080 characters: its files fit, the backup's name does not.
  const std::size_t want = 4080 - std::string("/ZOV").size();
  while (deep.string().size() + 201 < want) deep /= std::string(100, 'a');
  deep /= std::string(want - deep.string().size() - 1, 'b');
  ASSERT_EQ((deep / "ZOV").string().size(), 4080u);
  stdfs::create_directories(deep / "ZOV");
  platform::fs::mapDrive('E', deep);
  writeHostFile(deep / "ZOV" / "gast.dbf", "guests");

  const std::string backup = "E:\\ZOV\\ZOV_SICH_U43F" + todayPart();
  gt::MainRun run([] { app::makeBackup("E:\\ZOV\\", "4.3F", "Hotel"); });
  auto box = gt::waitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, "Abbruch");
  EXPECT_EQ(box->text, "Das Sicherungsverzeichnis >> " + backup + " <<" + ycr +
                           "kann nicht angelegt werden." + ycr + ycr + "Der Update muss abgebrochen werden.");
  ASSERT_TRUE(gt::pressBoxButton("OK"));
  const auto end = run.wait();
  EXPECT_EQ(end.how, gt::Outcome::How::Ended) << end.describe();
  EXPECT_EQ(end.exitCode, 1);
  EXPECT_EQ(namesIn(deep / "ZOV"), std::set<std::string>{"gast.dbf"});
}

}  // namespace
