// The setting of the table layer's tests: temporary drives with the data directory
// "C:\ZOV\" as the current directory, the thread's zThread cargo, the globals the layer reads, and the
// layer's hooks recorded instead of shown or slept.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/globals.h"
#include "data/catalogue.h"
#include "data/hooks.h"
#include "platform/dbf/workarea.h"
#include "platform/fs/fs.h"
#include "platform/thread/thread.h"
#include "tests/support/temp_drives.h"
#include "ui/classes/classes.h"

class DataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::thread::cargo() = ui::classes::ZTHREAD().create();
    auto& g = core::globals();
    g.clear();
    g.declare("aDBFiles", data::XDBFILES());
    g.declare("yNo_DB", false);
    g.declare("yUser", "#~^#");
    g.declare("yinderr", false);
    g.declare("ycr", "\r\n");
    platform::fs::makeDir("C:\\ZOV\\");
    platform::fs::setCurrentDir("C:\\ZOV\\");
    data::setMessageSink([this](const std::string& text, const std::string&) { messages.push_back(text); });
    data::setRuntimeErrorSink([this](const std::string& symbol) { runtimeErrors.push_back(symbol); });
    data::setPause([this](int seconds) {
      pauses.push_back(seconds);
      if (onPause) onPause(seconds);
    });
  }
  void TearDown() override {
    platform::dbf::closeAll();
    platform::dbf::settings() = platform::dbf::Settings{};
    data::setMessageSink({});
    data::setRuntimeErrorSink({});
    data::setPause({});
    core::globals().clear();
    platform::thread::cargo() = core::Value();
  }
  long errStat() const { return core::memberOf(platform::thread::cargo(), "nErrStat").integer(); }
  std::string host(const std::string& win) const { return drives.host(win).string(); }

  testing_support::TempDrives drives;
  std::vector<std::string> messages;
  std::vector<std::string> runtimeErrors;
  std::vector<int> pauses;
  std::function<void(int)> onPause;
};
