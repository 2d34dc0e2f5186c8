// The whole update, in-process: real files on temporary drives, a real loopback update
// server, the real windows offscreen, and a stand-in ZOV.EXE that records how it was started.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>

#include "app/tests/update_fixture.h"
#include "tests/support/child_process.h"

using namespace core::literals;
using namespace e2e;

namespace {

TEST_F(UpdateRun, FromTheUpdateServer) {
  publish(Offer{});
  gt::Outcome outcome = runUpdate("U", "-sync 1");
  ASSERT_EQ(outcome.how, gt::Outcome::How::Returned) << outcome.describe();

  // Step texts, one below the other, 35 pixels apart.
  auto texts = stepTexts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].first, "Schritt 1 von 3: Allgemeine Prüfungen"_w);
  EXPECT_EQ(texts[1].first, "Schritt 2 von 3: Bisherige Daten sichern (Version 4.3F)");
  EXPECT_EQ(texts[2].first, "Schritt 3 von 3: Benötigte Dateien aus dem Internet laden"_w);
  EXPECT_EQ(texts[3].first, "Schritt 4 von 3: ZOV erneut aufrufen");
  for (std::size_t i = 1; i < texts.size(); ++i) EXPECT_EQ(texts[i - 1].second - texts[i].second, 35);

  // The backup holds the old files, with its identification file.
  stdfs::path backup = install("ZOV_SICH_U43F_" + today());
  ASSERT_TRUE(stdfs::is_directory(backup));
  EXPECT_EQ(readHostFile(backup / "readme.txt"), "old readme\r\n");
  EXPECT_EQ(readHostFile(backup / "zovres.dll"), "old dll");
  EXPECT_EQ(readHostFile(backup / "zov.exe"), programBytes);
  EXPECT_TRUE(stdfs::exists(backup / "ini.dbf"));
  EXPECT_TRUE(core::startsWith(readHostFile(backup / "ZOV_BAK_ID.txt"), "Date: "));

  // The staging directory and its log.
  stdfs::path staging = install("ums_43G");
  std::string log = readHostFile(staging / "down_ok.txt");
  EXPECT_TRUE(core::startsWith(log, "Datum:        "));
  EXPECT_TRUE(core::endsWith(log, "Heruntergeladene Dateien:" + kCrlf + "        C:\\ZOV\\ums_43G\\zov.exe" +
                                      kCrlf + "        C:\\ZOV\\ums_43G\\zovres.dll" + kCrlf +
                                      "        C:\\ZOV\\ums_43G\\readme.txt" + kCrlf +
                                      "        C:\\ZOV\\ums_43G\\neu.txt"))
      << log;
  EXPECT_FALSE(stdfs::exists(staging / "alt.txt")) << "4.3A is already installed";

  // The installation holds the new files; the program file was joined from its parts.
  EXPECT_EQ(readHostFile(install("zov.exe")), programBytes);
  EXPECT_EQ(readHostFile(install("zovres.dll")), "new dll");
  EXPECT_EQ(readHostFile(install("readme.txt")), "new readme\r\n");
  EXPECT_EQ(readHostFile(install("neu.txt")), "brand new");
  EXPECT_EQ(server.requestCount("/zov/program/alt.txt"), 0);

  // ZOV.EXE was started in the installation directory with the parameter string.
  auto record = restartRecord();
  ASSERT_TRUE(record.has_value());
  EXPECT_NE(record->find("cwd=" + install().string() + "\n"), std::string::npos) << *record;
  EXPECT_NE(record->find("argv[1]=[-sync 1]"), std::string::npos) << *record;
}

TEST_F(UpdateRun, ASecondRunOfTheDayInstallsFromTheCompleteStagingDirectory) {
  publish(Offer{});
  ASSERT_EQ(runUpdate().how, gt::Outcome::How::Returned);
  stdfs::remove(install("zov.exe.args"));
  int fetchedBefore = server.totalRequests();
  stdfs::remove(install("readme.txt"));  // the staged copy will bring it back

  gt::resetProgram();
  gt::Outcome outcome = runUpdate();
  ASSERT_EQ(outcome.how, gt::Outcome::How::Returned) << outcome.describe();
  EXPECT_TRUE(stdfs::is_directory(install("ZOV_SICH_U43F_" + today() + "(02)")));
  EXPECT_EQ(readHostFile(install("readme.txt")), "new readme\r\n");
  // Only the manifest was read again (by the driver and by the download), no file.
  EXPECT_EQ(server.totalRequests() - fetchedBefore, 2);
  auto record = restartRecord();
  ASSERT_TRUE(record.has_value());
  EXPECT_NE(record->find("argv[1]=[ ]"), std::string::npos) << "the default parameter string is one blank";
}

TEST_F(UpdateRun, FromALocalManifestDirectory) {
  publish(Offer{});  // present too, but a local manifest wins
  publishLocally(Offer{});
  gt::Outcome outcome = runUpdate();
  ASSERT_EQ(outcome.how, gt::Outcome::How::Returned) << outcome.describe();
  EXPECT_EQ(server.totalRequests(), 0);
  auto texts = stepTexts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[2].first, "Schritt 3 von 3: Benötigte Dateien laden"_w);
  EXPECT_EQ(readHostFile(install("ums_43G") / "neu.txt"), "brand new");
  EXPECT_EQ(readHostFile(install("neu.txt")), "brand new");
  EXPECT_EQ(readHostFile(install("zov.exe")), programBytes);
  EXPECT_TRUE(restartRecord().has_value());
}

// --- runs that end early --------------------------------------------------------------------

struct Ending {
  const char* name;
  std::function<void(UpdateRun&)> prepare;
  std::string boxTitle;  // "" when the run ends without a box
  std::string boxStart;  // the box text begins with this
  bool advice = false;   // the recovery advice follows
};

void PrintTo(const Ending& e, std::ostream* os) {
  *os << e.name;
}

std::string installedFilesDigest(const stdfs::path& dir) {
  std::string digest;
  for (const char* name : {"zov.exe", "zovres.dll", "readme.txt", "ini.dbf"})
    digest +=
        std::string(name) + "=" + (stdfs::exists(dir / name) ? readHostFile(dir / name) : "<none>") + ";";
  return digest;
}

}  // namespace

class UpdateEnding : public UpdateRun, public ::testing::WithParamInterface<Ending> {};

TEST_P(UpdateEnding, EndsWithItsMessageAndLeavesTheInstallationRecoverable) {
  const Ending& e = GetParam();
  publish(Offer{});
  e.prepare(*this);
  const std::string before = installedFilesDigest(install());

  gt::MainRun run([] {
    app::APPSYS();
    app::MAIN();
  });
  if (!e.boxTitle.empty()) {
    auto box = gt::waitForBox();
    ASSERT_TRUE(box.has_value()) << e.name;
    EXPECT_EQ(box->title, e.boxTitle);
    EXPECT_TRUE(core::startsWith(box->text, e.boxStart)) << box->text;
    const std::string adviceText = "ZOV kann eventuell nicht mehr gestartet werden.";
    EXPECT_EQ(box->text.find(adviceText) != std::string::npos, e.advice) << box->text;
    gt::pressBoxButton(box->buttons.size() > 1 ? "Nein" : "OK");
  }
  gt::Outcome outcome = run.wait();
  EXPECT_EQ(outcome.how, gt::Outcome::How::Ended) << outcome.describe();
  EXPECT_FALSE(stdfs::exists(install("zov.exe.args"))) << "ZOV.EXE must not be started";

  // Unchanged, or the backup of today holds the files as they were.
  const std::string after = installedFilesDigest(install());
  if (after != before) {
    EXPECT_EQ(installedFilesDigest(install("ZOV_SICH_U43F_" + today())), before);
  }
}

namespace {

void setServerFile(UpdateRun& r, const std::string& name, const std::string& content);

const Ending kEndings[] = {
    {"NoZovExeRow", [](UpdateRun& r) { setServerFile(r, "dir_upd.txt", "a.dll\t4.3G\r\n"); }, "Abbruch",
     "Die Datei dir_upd.txt enthält keinen Eintrag für ZOV.EXE"_w},
    {"NoVersion", [](UpdateRun& r) { setServerFile(r, "dir_upd.txt", "zov.exe\t\r\na.dll\t4.3G\r\n"); },
     "Abbruch", "Die Datei dir_upd.txt enthält keine Versionsnummer"_w},
    {"ManifestMissing", [](UpdateRun& r) { stdfs::remove(r.serverDir() / "dir_upd.txt"); },
     "Datei dir_upd.txt suchen", "Die für den Update benötigte Datei dir_upd.txt"_w},
    {"InstalledBelow43F",
     [](UpdateRun&) {
       testing_support::writeIni("C:\\ZOV\\",
                                 {{"p1gvers", 1, "4.3E"}, {"p1name", 1, "H"}, {"p3land", 1, "x"}});
     },
     "Abbruch", "Für eine Umsetztung muss die bisherhige Version mindestens 4.3F sein."_w},
    {"InstalledAboveOffered", [](UpdateRun& r) { setServerFile(r, "dir_upd.txt", "zov.exe\t4.3A\r\n"); },
     "Abbruch", "Die bisherige Version ist 4.3F\r\nund damit aktueller als die einzuspielende: 4.3A"},
    {"FileMissingOnServer", [](UpdateRun& r) { stdfs::remove(r.serverDir() / "readme.txt"); }, "Abbruch",
     "Die Datei readme.txt konnte nicht heruntergeladen werden"},
    {"ServerErrorPageForAFile",
     [](UpdateRun& r) {
       r.server.setResponse("/zov/program/zovres.dll", 500, "<html>Internal error</html>");
     },
     "Abbruch", "Die Datei zovres.dll konnte nicht heruntergeladen werden"},
    {"StalledServer",
     [](UpdateRun& r) {
       r.server.setStall("/zov/program/readme.txt", "new", 100000, std::chrono::seconds(10));
     },
     "Abbruch", "Die Datei readme.txt konnte nicht heruntergeladen werden"},
    {"UnsafeManifestName",
     [](UpdateRun& r) { setServerFile(r, "dir_upd.txt", "zov.exe\t4.3G\r\n..\\..\\evil.dll\t4.3G\r\n"); },
     "Abbruch", "Die Datei dir_upd.txt enthält einen ungültigen Dateinamen:"_w},
};

void setServerFile(UpdateRun& r, const std::string& name, const std::string& content) {
  writeHostFile(r.serverDir() / name, content);
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Endings, UpdateEnding, ::testing::ValuesIn(kEndings),
                         [](const auto& info) { return std::string(info.param.name); });

// --- runs that meet a program or a user still at work ---------------------------------------

namespace {

// Presses the button of each box that comes, in order, and returns the boxes seen.
std::vector<gt::BoxView> answerBoxes(const std::vector<std::string>& answers) {
  std::vector<gt::BoxView> seen;
  for (const auto& answer : answers) {
    auto box = gt::waitForBox();
    if (!box) break;
    seen.push_back(*box);
    gt::pressBoxButton(answer);
    gt::waitUntil(
        [&] { return !gt::openBox().has_value() || gt::boxesShown() > static_cast<int>(seen.size()); });
  }
  return seen;
}

}  // namespace

TEST_F(UpdateRun, AnActiveUserIsAskedToCloseZovUntilTheOperatorGivesUp) {
  publish(Offer{});
  // MEIER (record 3) works with ZOV: a second program holds his row's lock.
  testing_support::ChildProcess meier(testing_support::holdLockExe(),
                                      testing_support::recordLockArgs(install("user.dbf").string(), 3));
  ASSERT_EQ(meier.firstLine(), "locked");
  gt::MainRun run([] {
    app::APPSYS();
    app::MAIN();
  });
  auto boxes = answerBoxes({"Ja", "Nein"});
  ASSERT_EQ(boxes.size(), 2u) << "Ja while ZOV still runs asks again";
  for (const auto& box : boxes) {
    EXPECT_EQ(box.title, "Bitte ZOV schließen"_w);
    EXPECT_EQ(box.text,
              "ZOV ist noch aktiv. \r\nBitte schließen Sie ZOV    \r\n\r\nIst ZOV jetzt geschlossen ?\r\n\r\n"
              "Ja   => Der Update wird fortgesetzt\r\nNein => Der Update wird abgebrochen"_w);
    EXPECT_TRUE(box.question);
  }
  gt::Outcome outcome = run.wait();
  EXPECT_EQ(outcome.how, gt::Outcome::How::Ended);
  EXPECT_EQ(outcome.exitCode, 0) << "No ends the run without a further message";
  EXPECT_FALSE(stdfs::exists(install("ZOV_SICH_U43F_" + today()))) << "nothing was backed up or changed";
  EXPECT_EQ(readHostFile(install("readme.txt")), "old readme\r\n");
}

TEST_F(UpdateRun, OnlyTheBackgroundUserActiveLetsTheUpdateGoOn) {
  publish(Offer{});
  testing_support::ChildProcess jobs(
      testing_support::holdLockExe(),
      testing_support::recordLockArgs(install("user.dbf").string(), 2));  // ZOV_HG
  ASSERT_EQ(jobs.firstLine(), "locked");
  gt::Outcome outcome = runUpdate();
  EXPECT_EQ(outcome.how, gt::Outcome::How::Returned) << outcome.describe();
  EXPECT_EQ(gt::boxesShown(), 0);
}

TEST_F(UpdateRun, AFileInUseEndsTheRunWithTheRightAdvice) {
  struct Case {
    const char* file;
    bool advice;  // program files are replaced last; only then may ZOV no longer start
  };
  for (const Case& c : {Case{"readme.txt", false}, Case{"zovres.dll", true}}) {
    SCOPED_TRACE(c.file);
    publish(Offer{});
    testing_support::ChildProcess holder(testing_support::holdLockExe(), {install(c.file).string(), "write"});
    ASSERT_EQ(holder.firstLine(), "locked");
    gt::MainRun run([] {
      app::APPSYS();
      app::MAIN();
    });
    auto box = gt::waitForBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, "Abbruch");
    const std::string path = std::string("C:\\ZOV\\") + c.file;
    EXPECT_TRUE(core::startsWith(box->text,
                                 "Die Datei Datei >> " + path +
                                     " <<\r\nkann nicht geschrieben werden.\r\n\r\nEventuell kann es helfen"))
        << box->text;
    EXPECT_EQ(box->text.find("ZOV kann eventuell nicht mehr gestartet werden.") != std::string::npos,
              c.advice);
    gt::pressBoxButton("OK");
    EXPECT_EQ(run.wait().how, gt::Outcome::How::Ended);
    // The backup holds the file as it was before the run.
    stdfs::path backup = install("ZOV_SICH_U43F_" + today());
    EXPECT_TRUE(stdfs::exists(backup / c.file));
    EXPECT_EQ(readHostFile(install("zov.exe")), programBytes);
    holder.finish();
    gt::resetProgram();
    stdfs::remove_all(backup);
    stdfs::remove_all(install("ums_43G"));
  }
}

TEST_F(UpdateRun, ABackupThatCannotBeCompletedEndsTheRunBeforeAnyFileIsReplaced) {
  publish(Offer{});
  writeHostFile(install("big.bin"), std::string(1 << 20, 'x'));
  // A disk that fills up during the backup: files may not grow beyond 256 KB for a while.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 256 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

  gt::MainRun run([] {
    app::APPSYS();
    app::MAIN();
  });
  auto box = gt::waitForBox();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, "Abbruch");
  EXPECT_EQ(box->text,
            "Die Datei >> C:\\ZOV\\big.bin <<\r\nkann nicht gesichert werden.\r\n\r\n"
            "Der Update muss abgebrochen werden.");
  gt::pressBoxButton("OK");
  EXPECT_EQ(run.wait().how, gt::Outcome::How::Ended);
  EXPECT_EQ(readHostFile(install("readme.txt")), "old readme\r\n");
  EXPECT_EQ(readHostFile(install("zovres.dll")), "old dll");
  EXPECT_FALSE(stdfs::exists(install("ums_43G"))) << "nothing was downloaded";
}
