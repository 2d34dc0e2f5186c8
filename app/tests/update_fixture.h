// The fixture of the end-to-end runs: an installation of 4.3F in C:\ZOV\ whose zov.exe
// records how it was started, the updater in C:\ZOV\UPDATE\, a loopback update server that
// offers 4.3G, and the real windows offscreen.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/update/driver.h"
#include "app/update/wiring.h"
#include "app/window/appsys.h"
#include "core/globals.h"
#include "core/text.h"
#include "net/server.h"
#include "platform/clock/clock.h"
#include "platform/dbf/workarea.h"
#include "platform/fs/fs.h"
#include "platform/gui/testing/gui_testing.h"
#include "platform/http/request.h"
#include "tests/support/http_server.h"
#include "tests/support/installation.h"
#include "tests/support/temp_drives.h"

namespace e2e {

namespace gt = platform::gui::testing;
namespace stdfs = std::filesystem;
using testing_support::readHostFile;
using testing_support::writeHostFile;
inline const std::string kCrlf = "\r\n";

inline std::string today() {
  core::Date d = platform::clock::today();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d_%02d_%02d", d.year(), d.month(), d.day());
  return buf;
}

// The files of the offered version 4.3G as the server and a local manifest directory hold them.
struct Offer {
  std::string version = "4.3G";
  std::vector<std::string> extraRows;  // manifest lines added after the usual ones
  std::string manifest() const {
    std::string m = "zov.exe\t" + version + kCrlf + "zovres.dll\t4.3G" + kCrlf + "readme.txt\t4.3G" + kCrlf +
                    "sub\\neu.txt\t4.3G" + kCrlf + "alt.txt\t4.3A" + kCrlf + "*kommentar\t4.4A" + kCrlf;
    for (const auto& r : extraRows) m += r + kCrlf;
    return m;
  }
};

class UpdateRun : public ::testing::Test {
 public:
  void SetUp() override {
    saved_ = platform::http::timeouts();
    platform::http::setTimeouts({std::chrono::seconds(2), std::chrono::seconds(2)});
    net::setUpdateServerUrl(server.baseUrl());
    app::wireProgram();
    programBytes = readHostFile(ZOV_RECORD_ARGS_EXE);
    platform::fs::setProgramPath("C:\\ZOV\\UPDATE\\zovupd.exe");
    testing_support::InstallationSpec layout;
    layout.dir = "C:\\ZOV\\";
    layout.zovExeHostSource = ZOV_RECORD_ARGS_EXE;
    testing_support::writeInstallation(layout);
    platform::fs::makeDir("C:\\ZOV\\UPDATE");
    server.serveFiles(serverDir(), "/zov/program/");
  }
  void TearDown() override {
    gt::resetProgram();
    platform::dbf::closeAll();
    platform::fs::setProgramPath("");
    platform::http::setTimeouts(saved_);
  }

  stdfs::path serverDir() const { return drives.root() / "server"; }
  stdfs::path install(const std::string& name = "") const { return drives.host("C:\\ZOV\\" + name); }

  // The offer on the update server; the program file as two parts behind a length header.
  void publish(const Offer& offer) {
    writeHostFile(serverDir() / "dir_upd.txt", offer.manifest());
    std::string half1 = programBytes.substr(0, programBytes.size() / 2);
    std::string half2 = programBytes.substr(programBytes.size() / 2);
    writeHostFile(serverDir() / "zov.exeD" / "part.001",
                  core::padLeft(std::to_string(programBytes.size()), 10) + half1);
    writeHostFile(serverDir() / "zov.exeD" / "part.002", half2);
    writeHostFile(serverDir() / "zovres.dll", "new dll");
    writeHostFile(serverDir() / "readme.txt", "new readme\r\n");
    writeHostFile(serverDir() / "sub" / "neu.txt", "brand new");
    writeHostFile(serverDir() / "alt.txt", "unchanged since 4.3A");
  }

  // The same offer as a local manifest directory beside the updater.
  void publishLocally(const Offer& offer) {
    stdfs::path dir = drives.host("C:\\ZOV\\UPDATE");
    writeHostFile(dir / "dir_upd.txt", offer.manifest());
    writeHostFile(dir / "zov.exe", programBytes);
    writeHostFile(dir / "zovres.dll", "new dll");
    writeHostFile(dir / "readme.txt", "new readme\r\n");
    writeHostFile(dir / "sub" / "neu.txt", "brand new");
    writeHostFile(dir / "alt.txt", "unchanged since 4.3A");
  }

  static gt::Outcome runUpdate(const std::string& mode = "", const std::string& params = "") {
    return gt::runAsMain([=] {
      app::APPSYS();
      app::MAIN(mode, params);
    });
  }

  // What the restarted ZOV.EXE recorded about its start.
  std::optional<std::string> restartRecord() const {
    stdfs::path record = install("zov.exe.args");
    if (!gt::waitUntil([&] { return stdfs::exists(record); }, std::chrono::seconds(10))) return std::nullopt;
    return readHostFile(record);
  }

  std::vector<std::pair<std::string, int>> stepTexts() const {
    std::vector<std::pair<std::string, int>> texts;
    auto window = platform::gui::asControl(core::globals().getOr("oDlg", core::Value()));
    if (!window) return texts;
    for (const auto& c :
         gt::findAll(window, [](const auto& c) { return core::startsWith(c->caption(), "Schritt"); }))
      texts.emplace_back(c->caption(), c->position().y);
    return texts;
  }

  testing_support::TempDrives drives;
  testing_support::HttpServer server;
  std::string programBytes;
  platform::http::Timeouts saved_;
};

}  // namespace e2e
