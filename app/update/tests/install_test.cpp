// Installing the staged files: the file kinds, the copy of one file and its failures (with a
// real child process holding a file in use), the two passes, and the staging copy from a
// local manifest directory.
#include "app/update/install.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/globals.h"
#include "core/text.h"
#include "platform/gui/testing/gui_testing.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_drives.h"

using namespace core::literals;
namespace gt = platform::gui::testing;
namespace stdfs = std::filesystem;
using testing_support::readHostFile;
using testing_support::TempDrives;
using testing_support::writeHostFile;

namespace {

const std::string ycr = "\r\n";
const std::string kAbort = ycr + ycr + "Der Update muss abgebrochen werden.";
const std::string kAdvice = ycr + ycr + "ZOV kann eventuell nicht mehr gestartet werden." + ycr +
                            "In diesem Fall müssen Sie die Datensicherung zurückholen,"_w + ycr +
                            "die unmittelbar zuvor automatisch in einem Unterverzeichnis" + ycr +
                            "des ZOV-Verzeichnisses erstellt wurde.";
const std::string kRestart =
    ycr + ycr + "Eventuell kann es helfen, den PC herunterzufahren und wieder neu zu starten";

std::string notFound(const std::string& path) {
  return "Die für diese Aktion benötigte Datei >> "_w + path + " <<" + ycr + "konnte nicht gefunden werden.";
}
std::string cannotWrite(const std::string& path) {
  return "Die Datei Datei >> " + path + " <<" + ycr + "kann nicht geschrieben werden.";
}

// Another program holding a file in use, as a running ZOV or an open help viewer would: a
// real child process with a lock on it ("write", "read", or "far" beyond the end).
class LockHolder {
 public:
  LockHolder(const stdfs::path& hostFile, const std::string& kind)
      : child_(testing_support::holdLockExe(), {hostFile.string(), kind}) {}
  bool locked() const { return child_.firstLine() == "locked"; }

 private:
  testing_support::ChildProcess child_;
};

std::set<std::string> namesIn(const stdfs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : stdfs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

// An installation C:\ZOV\ with old files and the staging directory ums_43G with new ones.
class Install : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"zov.exe", "readme.txt", "zovres.dll", "zov-help.chm"}) {
      writeHostFile(zov() / f, std::string("old ") + f + " with more bytes than the new one");
      writeHostFile(staging() / f, std::string("new ") + f);
    }
    core::globals().declare("nStepR", 0);
  }
  void TearDown() override { gt::resetProgram(); }

  stdfs::path zov() const { return drives.host('C') / "ZOV"; }
  stdfs::path staging() const { return zov() / "ums_43G"; }
  bool isNew(const char* f) const { return readHostFile(zov() / f) == std::string("new ") + f; }

  // Runs body as the program; expects the box "Abbruch" with text, then the end with code 1.
  void expectAbort(std::function<void()> body, const std::string& text) {
    gt::MainRun run(std::move(body));
    auto box = gt::waitForBox();
    ASSERT_TRUE(box.has_value()) << "no box; expected: " << text;
    EXPECT_EQ(box->title, "Abbruch");
    EXPECT_EQ(box->text, text);
    atAbort();
    ASSERT_TRUE(gt::pressBoxButton("OK"));
    const auto end = run.wait();
    EXPECT_EQ(end.how, gt::Outcome::How::Ended) << end.describe();
    EXPECT_EQ(end.exitCode, 1);
  }
  std::function<void()> atAbort = [] {};

  TempDrives drives;
};

TEST(InstallKinds, KindComesFromTheTargetNameAlone) {
  struct Case {
    std::string name;
    int kind;
  };
  const Case cases[] = {
      {"zov.exe", 3},    {"ZOV.EXE", 3},      {"ZOV.EXE  ", 3},    {"zov.exe.bak", 1},
      {"zovres.dll", 3}, {"ZOVRES.DLL", 3},   {"Mixed.Dll", 3},    {"a.dll  ", 3},
      {"dll", 1},        {"zov-help.chm", 2}, {"ZOV-HELP.CHM", 2}, {"zov-help.chm.old", 1},
      {"readme.txt", 1}, {"other.exe", 1},    {"zov.exe.dll", 3},  {"", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(app::UPD_TYP(c.name), c.kind) << '"' << c.name << '"';
}

TEST_F(Install, ACopyReplacesTheTargetWithTheSameBytes) {
  struct Case {
    std::string source, target, sourceDir, targetDir;
    const char* hostTarget;
  };
  const Case cases[] = {
      {"readme.txt", "", "C:\\ZOV\\ums_43G\\", "C:\\ZOV\\", "readme.txt"},
      // Directories without a trailing backslash, with trailing blanks; names in other case.
      // The new file takes the name as given.
      {"ZOVRES.DLL", "", "C:\\ZOV\\ums_43G  ", "C:\\ZOV", "ZOVRES.DLL"},
      {"zov.exe", "neu.exe", "C:\\ZOV\\ums_43G", "C:\\ZOV\\", "neu.exe"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    const int kind = app::UPD_TYP(c.target.empty() ? c.source : c.target);
    const auto end =
        gt::runAsMain([&] { app::UPD_COPY(c.source, c.target, c.sourceDir, c.targetDir, kind); });
    ASSERT_EQ(end.how, gt::Outcome::How::Returned) << end.describe();
    const std::string want = "new " + core::lower(c.source);
    EXPECT_EQ(readHostFile(zov() / c.hostTarget), want);
    EXPECT_EQ(stdfs::file_size(zov() / c.hostTarget), want.size()) << "the old, longer file is gone whole";
  }
}

TEST_F(Install, AMissingSourceEndsTheRunWithAdviceOnlyForProgramFiles) {
  struct Case {
    std::string name;
    int kind;
    bool advice;
  };
  const Case cases[] = {{"fehlt.txt", 1, false}, {"zov-help.chm", 2, false}, {"neu.dll", 3, true}};
  stdfs::remove(staging() / "zov-help.chm");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expectAbort([&] { app::UPD_COPY(c.name, "", "C:\\ZOV\\ums_43G", "C:\\ZOV\\", c.kind); },
                notFound("C:\\ZOV\\ums_43G\\" + c.name) + kAbort + (c.advice ? kAdvice : ""));
  }
  EXPECT_FALSE(isNew("zov-help.chm"));
}

TEST_F(Install, ATargetInUseEndsTheRunExceptForTheHelpFile) {
  struct Case {
    const char* name;
    int kind;
    const char* lock;  // how the other program holds it
    std::string text;  // empty: the file is skipped without a message
  };
  const Case cases[] = {
      {"readme.txt", 1, "write", cannotWrite("C:\\ZOV\\readme.txt") + kRestart + kAbort},
      {"zovres.dll", 3, "far", cannotWrite("C:\\ZOV\\zovres.dll") + kRestart + kAbort + kAdvice},
      {"zov.exe", 3, "read", cannotWrite("C:\\ZOV\\zov.exe") + kRestart + kAbort + kAdvice},
      {"zov-help.chm", 2, "read", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string before = readHostFile(zov() / c.name);
    LockHolder holder(zov() / c.name, c.lock);
    ASSERT_TRUE(holder.locked());
    auto body = [&] { app::UPD_COPY(c.name, "", "C:\\ZOV\\ums_43G\\", "C:\\ZOV\\", c.kind); };
    if (c.text.empty()) {
      const auto end = gt::runAsMain(body);
      EXPECT_EQ(end.how, gt::Outcome::How::Returned) << end.describe();
      EXPECT_FALSE(gt::openBox().has_value());
    } else {
      expectAbort(body, c.text);
    }
    EXPECT_EQ(readHostFile(zov() / c.name), before) << "the file in use keeps its content";
  }
}

TEST_F(Install, ADirectoryInTheTargetsPlaceCannotBeReplaced) {
  stdfs::create_directories(zov() / "daten.txt");
  writeHostFile(staging() / "daten.txt", "new daten.txt");
  expectAbort([] { app::UPD_COPY("daten.txt", "", "C:\\ZOV\\ums_43G", "C:\\ZOV", 1); },
              cannotWrite("C:\\ZOV\\daten.txt") + kRestart + kAbort);
  EXPECT_TRUE(stdfs::is_directory(zov() / "daten.txt"));
}

const app::Rows kRows = {{"zovres.dll", "4.3G", ""},
                         {"readme.txt", "4.3G", ""},
                         {"zov.exe", "4.3G", ""},
                         {"zov-help.chm", "4.3G", ""},
                         {"sub\\neu.txt", "4.3G", ""}};

TEST_F(Install, EveryStagedFileIsInstalledAndAHelpFileInUseIsSkipped) {
  writeHostFile(staging() / "neu.txt", "new neu.txt");
  LockHolder viewer(zov() / "zov-help.chm", "read");
  ASSERT_TRUE(viewer.locked());
  const auto end = gt::runAsMain([] { app::installStaged(kRows, "C:\\ZOV\\ums_43G", "C:\\ZOV\\"); });
  ASSERT_EQ(end.how, gt::Outcome::How::Returned) << end.describe();
  EXPECT_FALSE(gt::openBox().has_value());
  for (const char* f : {"zovres.dll", "readme.txt", "zov.exe", "neu.txt"}) EXPECT_TRUE(isNew(f)) << f;
  EXPECT_FALSE(isNew("zov-help.chm")) << "the open help file stays";
  EXPECT_EQ(core::globals().get("nStepR").number(), 0.5);
}

// A DLL listed before an ordinary file is installed after it: when the DLL's staged copy is
// missing, the ordinary file is already new while the box is shown.
TEST_F(Install, ProgramFilesComeInASecondPass) {
  stdfs::remove(staging() / "zovres.dll");
  writeHostFile(staging() / "neu.txt", "new neu.txt");
  atAbort = [&] {
    EXPECT_TRUE(isNew("readme.txt"));
    EXPECT_TRUE(isNew("neu.txt"));
    EXPECT_TRUE(isNew("zov-help.chm"));
    EXPECT_FALSE(isNew("zov.exe")) << "listed after the DLL";
    EXPECT_EQ(core::globals().get("nStepR").number(), 0.5);
  };
  expectAbort([] { app::installStaged(kRows, "C:\\ZOV\\ums_43G", "C:\\ZOV\\"); },
              notFound("C:\\ZOV\\ums_43G\\zovres.dll") + kAbort + kAdvice);
}

TEST_F(Install, AnOrdinaryFileInUseStopsTheFirstPassBeforeAnyProgramFile) {
  writeHostFile(staging() / "neu.txt", "new neu.txt");
  LockHolder holder(zov() / "readme.txt", "write");
  ASSERT_TRUE(holder.locked());
  atAbort = [&] {
    EXPECT_FALSE(isNew("zov.exe"));
    EXPECT_FALSE(isNew("zovres.dll"));
    EXPECT_EQ(core::globals().get("nStepR").number(), 0.0);
  };
  expectAbort([] { app::installStaged(kRows, "C:\\ZOV\\ums_43G", "C:\\ZOV\\"); },
              cannotWrite("C:\\ZOV\\readme.txt") + kRestart + kAbort);
}

TEST_F(Install, StagingFromALocalManifestDirectoryFlattensTheNames) {
  const stdfs::path local = drives.host('D') / "UPDATE";
  writeHostFile(local / "sub" / "a.txt", "new a.txt");
  writeHostFile(local / "zov.exe", "new zov.exe");
  writeHostFile(local / "b.txt", "new b.txt");
  writeHostFile(staging() / "stale.txt", "from an earlier run");
  const app::Rows rows = {{"sub\\a.txt", "4.3G", ""}, {"zov.exe", "4.3G", ""}, {"b.txt", "", "neu.txt  "}};
  const auto end = gt::runAsMain([&] {
    app::stageFromLocalDir(rows, "D:\\UPDATE", "C:\\ZOV\\ums_43G");
    app::installStaged(rows, "C:\\ZOV\\ums_43G", "C:\\ZOV\\");
  });
  ASSERT_EQ(end.how, gt::Outcome::How::Returned) << end.describe();
  EXPECT_EQ(namesIn(staging()), (std::set<std::string>{"a.txt", "zov.exe", "neu.txt"}));
  EXPECT_EQ(readHostFile(staging() / "a.txt"), "new a.txt");
  EXPECT_EQ(readHostFile(zov() / "a.txt"), "new a.txt");
  EXPECT_EQ(readHostFile(zov() / "neu.txt"), "new b.txt");
  EXPECT_TRUE(isNew("zov.exe"));
  EXPECT_FALSE(stdfs::exists(zov() / "sub"));
}

TEST_F(Install, AFileMissingInTheLocalManifestDirectoryEndsTheRun) {
  const stdfs::path local = drives.host('D') / "UPDATE";
  writeHostFile(local / "zov.exe", "new zov.exe");
  const app::Rows rows = {{"zov.exe", "4.3G", ""}, {"sub\\fehlt.dll", "4.3G", ""}};
  // The kind is not given here: no recovery advice, nothing of the installation is touched.
  atAbort = [&] { EXPECT_FALSE(isNew("zov.exe")); };
  expectAbort([&] { app::stageFromLocalDir(rows, "D:\\UPDATE\\", "C:\\ZOV\\ums_43G"); },
              notFound("D:\\UPDATE\\sub\\fehlt.dll") + kAbort);
}

}  // namespace
