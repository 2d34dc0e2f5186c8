// The download of a new version from a real loopback update server into the staging
// directory: selection and weights, names, the completion log, and every way it ends.
#include "app/update/download.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <regex>
#include <set>

#include "app/update/manifest.h"
#include "core/globals.h"
#include "core/text.h"
#include "net/server.h"
#include "platform/clock/clock.h"
#include "platform/gui/testing/gui_testing.h"
#include "platform/thread/thread.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_drives.h"
#include "ui/classes/classes.h"

using namespace core::literals;
namespace gt = platform::gui::testing;
namespace stdfs = std::filesystem;
using testing_support::HttpReply;
using testing_support::HttpRequestRecord;
using testing_support::HttpServer;
using testing_support::readHostFile;
using testing_support::TempDrives;
using testing_support::writeHostFile;

namespace {

const std::string ycr = "\r\n";
const std::string kRebuilding =
    "Die ZOV-Daten im Internet werden gerade bearbeitet. Versuchen Sie es bitte später noch einmal."_w;

std::set<std::string> namesIn(const stdfs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : stdfs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

HttpReply ok(std::string body) {
  HttpReply reply;
  reply.body = std::move(body);
  return reply;
}

std::string someProgram(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>((i * 7 + 3) % 256);
  return s;
}

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    net::setUpdateServerUrl(server.baseUrl());
    server.serveFiles(program(), "/zov/program/");
    stdfs::create_directories(zov());
    core::globals().set("yMaster", false);
  }
  void TearDown() override { gt::resetProgram(); }

  stdfs::path zov() const { return drives.host('C') / "ZOV"; }
  stdfs::path staging() const { return zov() / "ums_43G"; }
  stdfs::path program() const { return drives.root() / "server" / "zov" / "program"; }

  // A file of the version on the server under its manifest name.
  void publish(const std::string& manifestName, const std::string& bytes) {
    writeHostFile(program() / core::replaceAll(manifestName, "\\", "/"), bytes);
  }
  // The program file as the server keeps it: two parts, the first with the length header.
  void publishProgram(const std::string& bytes) {
    char header[16];
    std::snprintf(header, sizeof header, "%010zu", bytes.size());
    const std::size_t half = bytes.size() / 2;
    writeHostFile(program() / "zov.exeD" / "part.001", header + bytes.substr(0, half));
    writeHostFile(program() / "zov.exeD" / "part.002", bytes.substr(half));
  }
  void publishManifest(const std::string& text) { publish("dir_upd.txt", text); }

  // XNVDOWN as the program's main thread runs it (a box it shows must not block the test).
  app::DownloadResult download(const std::string& mode, const std::string& installed,
                               const std::string& dir = "C:\\ZOV\\") {
    app::DownloadResult result{-1, "not run"};
    const auto end = gt::runAsMain([&] {
      platform::thread::cargo() = ui::classes::ZTHREAD().create();
      result = app::XNVDOWN(mode, installed, dir);
    });
    EXPECT_EQ(end.how, gt::Outcome::How::Returned) << end.describe();
    return result;
  }

  int fileRequests() const {
    return server.totalRequests() - server.requestCount("/zov/program/dir_upd.txt");
  }

  TempDrives drives;
  HttpServer server;
};

TEST_F(Download, OnlyChangedFilesAreFetchedAndTheProgressFollowsTheirWeights) {
  const std::string zovExe = someProgram(3001);
  publishProgram(zovExe);
  publishManifest("zov.exe\t4.3G\r\nzov-help.chm\t4.3A\r\na.dll\t4.3G\r\nb.dll\t4.3A\r\n");
  publish("b.dll", "new b.dll");
  // What the progress bar would read when each further file is asked for.
  std::mutex mutex;
  std::map<std::string, double> seen;
  auto recording = [&](std::string body) {
    return [&, body](const HttpRequestRecord& r) {
      std::lock_guard lock(mutex);
      seen[r.path] = core::globals().getOr("nStepR", -1.0).number();
      return ok(body);
    };
  };
  server.setHandler("/zov/program/zov-help.chm", recording("new help"));
  server.setHandler("/zov/program/a.dll", recording("new a.dll"));

  const auto result = download("U", "4.3F");

  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.text, "  3 Dateien für Version 4.3G heruntergeladen."_w);
  EXPECT_EQ(core::globals().get("cUmsDir").text(), "C:\\ZOV\\ums_43G");
  EXPECT_EQ(namesIn(staging()), (std::set<std::string>{"zov.exe", "zov-help.chm", "a.dll", "down_ok.txt"}));
  EXPECT_EQ(readHostFile(staging() / "zov.exe"), zovExe);
  EXPECT_EQ(readHostFile(staging() / "zov-help.chm"), "new help");
  EXPECT_EQ(readHostFile(staging() / "a.dll"), "new a.dll");
  EXPECT_EQ(server.requestCount("/zov/program/b.dll"), 0) << "the installation has b.dll's version";
  // Weights 22, 4 and 2; fetching counts the weight, writing a fifth more: total 33.6.
  std::lock_guard lock(mutex);
  EXPECT_NEAR(seen["/zov/program/zov-help.chm"], 26.4 / 33.6, 1e-12);
  EXPECT_NEAR(seen["/zov/program/a.dll"], (26.4 + 4.8) / 33.6, 1e-12);
  EXPECT_NEAR(core::globals().get("nStepR").number(), 1.0, 1e-12);
}

TEST_F(Download, TheCompletionLogListsEveryFileInOrder) {
  publishProgram("MZ program");
  publishManifest("zov.exe\t4.3G\r\n*kommentar.txt\t4.3G\r\nc.dll\t\r\n");
  publish("c.dll", "new c.dll");
  const auto result = download("U", "4.3F");
  ASSERT_EQ(result.code, 1) << result.text;
  const std::string log = readHostFile(staging() / "down_ok.txt");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(log, m, std::regex("Datum:        (.*)\r\nZeit:  (.*)\r\n\r\n([\\s\\S]*)")))
      << log;
  EXPECT_EQ(m[1].str(), platform::clock::today().toText());
  EXPECT_TRUE(std::regex_match(m[2].str(), std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]"))) << m[2];
  EXPECT_EQ(m[3].str(),
            "Heruntergeladene Dateien:\r\n        C:\\ZOV\\ums_43G\\zov.exe\r\n"
            "        C:\\ZOV\\ums_43G\\c.dll")
      << "no line break after the last name";
}

TEST_F(Download, FilesAreFetchedByTheirPathAndWrittenUnderTheirTargetName) {
  publishProgram("MZ program");
  struct Case {
    std::string row;
    std::string urlPath;
    std::string staged;
  };
  const Case cases[] = {
      {"sub\\x.dll\t4.3G", "/zov/program/sub/x.dll", "x.dll"},
      {"c.dll\t4.3G\tneu.dll", "/zov/program/c.dll", "neu.dll"},
      {"sub\\d.dll\t4.3G\tanders.dll  ", "/zov/program/sub/d.dll", "anders.dll"},
      {"Brief.DOC\t", "/zov/program/Brief.DOC", "Brief.DOC"},
  };
  std::string manifest = "zov.exe\t4.3G\r\n";
  std::set<std::string> expected = {"zov.exe", "down_ok.txt"};
  for (const auto& c : cases) {
    manifest += c.row + ycr;
    expected.insert(c.staged);
    server.setResponse(c.urlPath, 200, "bytes of " + c.urlPath);
  }
  publishManifest(manifest);
  const auto result = download("U", "4.3F");
  ASSERT_EQ(result.code, 1) << result.text;
  EXPECT_EQ(namesIn(staging()), expected);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    EXPECT_EQ(server.requestCount(c.urlPath), 1);
    EXPECT_EQ(readHostFile(staging() / c.staged), "bytes of " + c.urlPath);
  }
}

TEST_F(Download, TheResultCountsTheFilesRightAlignedInThreeCharacters) {
  publishProgram("MZ program");
  struct Case {
    int dlls;
    std::string version;
    std::string text;
  };
  const Case cases[] = {
      {0, "4.3G", "  1 Dateien für Version 4.3G heruntergeladen."_w},
      {11, "4.4A", " 12 Dateien für Version 4.4A heruntergeladen."_w},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string manifest = "zov.exe\t" + c.version + ycr;
    for (int i = 0; i < c.dlls; ++i) {
      const std::string name = "d" + std::to_string(i) + ".dll";
      manifest += name + "\t" + c.version + ycr;
      publish(name, "new " + name);
    }
    publishManifest(manifest);
    const auto result = download("U", "4.3F");
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.text, c.text);
  }
}

TEST_F(Download, NothingIsFetchedWhenThereIsNothingToDo) {
  publishProgram("MZ program");
  struct Case {
    const char* what;
    std::string mode, installed, offered;
    bool completeEarlier;  // down_ok.txt of an earlier download in ums_<offered>
    int code;
    std::string text;
  };
  const Case cases[] = {
      {"same version, mode H", "H", "4.3F", "4.3F", false, 0,
       "Ihre ZOV-Version ist zurzeit auf dem neuesten Stand"},
      {"older offered, default mode", "", "4.3G", "4.3F", false, 0,
       "Ihre ZOV-Version ist zurzeit auf dem neuesten Stand"},
      {"already downloaded", "U", "4.3F", "4.3G", true, 0,
       "Die Daten für die neue ZOV-Version 4.3G sind bereits heruntergeladen."_w},
      {"same version, mode U downloads", "U", "4.3F", "4.3F", false, 1,
       "  1 Dateien für Version 4.3F heruntergeladen."_w},
      {"newer offered, mode H downloads", "H", "4.3F", "4.3G", false, 1,
       "  1 Dateien für Version 4.3G heruntergeladen."_w},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = "C:\\CASE" + std::to_string(++n) + "\\";
    const stdfs::path ums = drives.host(dir) / ("ums_" + app::withoutDots(c.offered));
    stdfs::create_directories(drives.host(dir));
    if (c.completeEarlier) {
      writeHostFile(ums / "down_ok.txt", "earlier log");
      writeHostFile(ums / "zov.exe", "earlier program");
    }
    publishManifest("zov.exe\t" + c.offered + ycr);
    const int before = fileRequests();
    const auto result = download(c.mode, c.installed, dir);
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.text, c.text);
    if (c.code == 0) {
      EXPECT_EQ(fileRequests(), before) << "no file is fetched";
      if (c.completeEarlier) {
        EXPECT_EQ(namesIn(ums), (std::set<std::string>{"down_ok.txt", "zov.exe"}));
        EXPECT_EQ(readHostFile(ums / "zov.exe"), "earlier program") << "the staging directory is not touched";
      } else {
        EXPECT_FALSE(stdfs::exists(ums));
      }
    } else {
      EXPECT_EQ(readHostFile(ums / "zov.exe"), "MZ program");
    }
  }
}

TEST_F(Download, AFileThatCannotBeFetchedStopsTheDownload) {
  publishProgram("MZ program");
  publish("zov-help.chm", "new help");
  publish("spaeter.dll", "new spaeter.dll");
  server.setResponse("/zov/program/leer.dll", 200, "");
  server.setResponse("/zov/program/kaputt.dll", 500, "<html><body>Internal Server Error</body></html>",
                     "text/html");
  struct Case {
    std::string name;
  };
  const Case cases[] = {{"leer.dll"}, {"kaputt.dll"}, {"fehlt.dll"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    publishManifest("zov.exe\t4.3G\r\nzov-help.chm\t4.3G\r\n" + c.name + "\t4.3G\r\nspaeter.dll\t4.3G\r\n");
    const auto result = download("U", "4.3F");
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.text, "Die Datei " + c.name + " konnte nicht heruntergeladen werden");
    // Files written before stay; the failed one is never written; the download stops there.
    EXPECT_EQ(namesIn(staging()), (std::set<std::string>{"zov.exe", "zov-help.chm"}));
    EXPECT_EQ(server.requestCount("/zov/program/spaeter.dll"), 0);
  }
}

TEST_F(Download, AStagingFileThatCannotBeWrittenStopsTheDownload) {
  publishProgram("MZ program");
  publish("b.dll", "new b.dll");
  // Something else makes a directory of the file's name while the file is on its way.
  server.setHandler("/zov/program/a.dll", [&](const HttpRequestRecord&) {
    stdfs::create_directories(staging() / "a.dll");
    return ok("new a.dll");
  });
  server.setResponse("/zov/program/c.dll", 200, "new c.dll");
  struct Case {
    std::string row;
    std::string path;
  };
  const Case cases[] = {
      {"a.dll\t4.3G", "C:\\ZOV\\ums_43G\\a.dll"},
      // A target name with a sub-directory that nothing makes.
      {"c.dll\t4.3G\tunter\\c.dll", "C:\\ZOV\\ums_43G\\unter\\c.dll"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    publishManifest("zov.exe\t4.3G\r\n" + c.row + "\r\nb.dll\t4.3G\r\n");
    const auto result = download("U", "4.3F");
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.text, "Die Datei Datei >> " + c.path + " <<" + ycr + "kann nicht geschrieben werden.");
    EXPECT_FALSE(stdfs::exists(staging() / "down_ok.txt"));
    EXPECT_EQ(server.requestCount("/zov/program/b.dll"), 0);
  }
}

TEST_F(Download, NamesThatWouldLeaveTheStagingDirectoryAreRefusedBeforeAnythingIsWritten) {
  publishProgram("MZ program");
  publish("x.dll", "new x.dll");
  writeHostFile(staging() / "frueher.txt", "from an earlier download");
  struct Case {
    std::string row;
    std::string name;
  };
  const Case cases[] = {
      {"..\\x.dll\t4.3G", "..\\x.dll"},
      {"C:\\x\t4.3G", "C:\\x"},
      {"x.dll\t4.3G\t..\\..\\zov.exe", "..\\..\\zov.exe"},
      {"sub\\..\\..\\x.dll\t", "sub\\..\\..\\x.dll"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    publishManifest("zov.exe\t4.3G\r\n" + c.row + "\r\n");
    const int before = fileRequests();
    const auto result = download("U", "4.3F");
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.text, "Die Datei dir_upd.txt enthält einen ungültigen Dateinamen:"_w + ycr + c.name);
    EXPECT_EQ(fileRequests(), before);
    EXPECT_EQ(namesIn(staging()), std::set<std::string>{"frueher.txt"});
    EXPECT_EQ(namesIn(drives.host('C')), std::set<std::string>{"ZOV"});
    EXPECT_EQ(namesIn(zov()), std::set<std::string>{"ums_43G"});
  }
}

TEST_F(Download, AManifestThatOffersNothingIsRefused) {
  struct Case {
    const char* what;
    std::string manifest;  // empty: the server has none
    std::string text;
  };
  const Case cases[] = {
      {"no manifest", "", "Die Verbindung zum Internet ist derzeit nicht möglich."_w},
      {"being rebuilt", "UMBAU\r\nzov.exe\t4.3G\r\n", kRebuilding},
      {"rebuilt, any case", "Umbau\tseit heute\r\nzov.exe\t4.3G\r\n", kRebuilding},
      {"no program row", "a.dll\t4.3G\r\n", "Die Datei dir_upd.txt enthält keinen Eintrag für ZOV.EXE"_w},
      {"no version", "zov.exe\t\r\n", "Die Datei dir_upd.txt enthält keine Versionsnummer"_w},
  };
  publishProgram("MZ program");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    stdfs::remove(program() / "dir_upd.txt");
    if (!c.manifest.empty()) publishManifest(c.manifest);
    const auto result = download("U", "4.3F");
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.text, c.text);
    EXPECT_EQ(fileRequests(), 0);
    EXPECT_EQ(namesIn(zov()), std::set<std::string>{});
  }
}

TEST_F(Download, InMasterModeTheOperatorDecidesAboutARebuildingServer) {
  core::globals().set("yMaster", true);
  publishProgram("MZ program");
  publish("a.dll", "new a.dll");
  struct Case {
    std::string marker;
    std::string answer;
    int code;
    std::string text;
  };
  const Case cases[] = {
      {"UMBAU", "Nein", 2, kRebuilding},
      {"UMBAU", "Ja", 1, "  2 Dateien für Version 4.3G heruntergeladen."_w},
      {"Umbau", "Ja", 1, "  2 Dateien für Version 4.3G heruntergeladen."_w},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.marker + " " + c.answer);
    stdfs::remove_all(staging());
    publishManifest(c.marker + "\r\nzov.exe\t4.3G\r\na.dll\t4.3G\r\n");
    app::DownloadResult result{-1, "not run"};
    gt::MainRun run([&] {
      platform::thread::cargo() = ui::classes::ZTHREAD().create();
      result = app::XNVDOWN("U", "4.3F", "C:\\ZOV\\");
    });
    auto box = gt::waitForBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, "Trotz Umbau weiter ?");
    EXPECT_EQ(box->text, "Umbau von DIR_UPD.TXT" + ycr + "Trotzdem weiter ?");
    EXPECT_TRUE(box->question);
    ASSERT_TRUE(gt::pressBoxButton(c.answer));
    const auto end = run.wait();
    ASSERT_EQ(end.how, gt::Outcome::How::Returned) << end.describe();
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.text, c.text);
    // The marker names no file: it is neither fetched nor weighed.
    EXPECT_EQ(server.requestCount("/zov/program/" + c.marker), 0);
    if (c.code == 1) {
      EXPECT_EQ(namesIn(staging()), (std::set<std::string>{"zov.exe", "a.dll", "down_ok.txt"}));
      EXPECT_NEAR(core::globals().get("nStepR").number(), 1.0, 1e-12);
    } else {
      EXPECT_FALSE(stdfs::exists(staging()));
    }
  }
}

}  // namespace
