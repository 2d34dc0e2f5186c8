// Starting a program: a real child (record_args as zov.exe) records how it was started.
#include "platform/proc/proc.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/text.h"
#include "platform/fs/fs.h"
#include "tests/support/temp_drives.h"

namespace fs = platform::fs;
namespace stdfs = std::filesystem;
using platform::proc::startProgram;
using testing_support::readHostFile;
using testing_support::TempDrives;
using testing_support::writeHostFile;

namespace {

class ProcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stdfs::create_directories(drives.host('C') / "zov");
    stdfs::copy_file(ZOV_RECORD_ARGS_EXE, drives.host('C') / "zov" / "zov.exe");
    record_ = drives.root() / "record.txt";
    ::setenv("ZOV_RECORD_FILE", record_.c_str(), 1);
  }
  void TearDown() override { ::unsetenv("ZOV_RECORD_FILE"); }

  // The record of the started program, once it has written it; "" when it never came.
  std::string waitForRecord() {
    // Generous bound: only proves that the program was started at all.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!stdfs::exists(record_) && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!stdfs::exists(record_)) return {};
    std::string text = readHostFile(record_);
    stdfs::remove(record_);
    return text;
  }

  TempDrives drives;
  stdfs::path record_;
};

TEST_F(ProcTest, TheParameterStringArrivesAsOneArgument) {
  struct Case {
    std::string params;
    std::string args;  // as recorded
  };
  const Case cases[] = {
      {" ", "argc=2\nargv[1]=[ ]\n"},
      {"", "argc=1\n"},
      {"/M \"C:\\ZOV\\\" two  blanks", "argc=2\nargv[1]=[/M \"C:\\ZOV\\\" two  blanks]\n"},
      {"Gr\xFC\xDF"
       "e",
       "argc=2\nargv[1]=[" +
           core::toUtf8("Gr\xFC\xDF"
                        "e") +
           "]\n"},
  };
  std::string cwd = "cwd=" + (drives.host('C') / "zov").string() + "\n";
  for (const auto& c : cases) {
    SCOPED_TRACE("[" + c.params + "]");
    ASSERT_TRUE(startProgram("C:\\ZOV\\ZOV.EXE", c.params, "C:\\ZOV\\"));
    EXPECT_EQ(waitForRecord(), cwd + c.args);
  }
}

TEST_F(ProcTest, TheProgramRunsInTheGivenDirectory) {
  stdfs::create_directories(drives.host('D') / "Daten");
  ASSERT_TRUE(startProgram("c:\\zov\\zov.exe", " ", "D:\\DATEN"));
  EXPECT_EQ(waitForRecord(), "cwd=" + (drives.host('D') / "Daten").string() + "\nargc=2\nargv[1]=[ ]\n");

  fs::setCurrentDir("C:\\ZOV");  // no directory given: the current one
  ASSERT_TRUE(startProgram("ZOV.EXE", " ", ""));
  EXPECT_EQ(waitForRecord(), "cwd=" + (drives.host('C') / "zov").string() + "\nargc=2\nargv[1]=[ ]\n");
}

TEST_F(ProcTest, NoFinishedChildIsLeftBehind) {
  ASSERT_TRUE(startProgram("C:\\ZOV\\ZOV.EXE", " ", "C:\\ZOV"));
  ASSERT_FALSE(waitForRecord().empty());
  // The started program was never this process's child, so nothing remains to be reaped.
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(ProcTest, WhatCannotBeStartedReportsFalse) {
  writeHostFile(drives.host('C') / "zov" / "readme.txt", "not a program");
  writeHostFile(drives.host('C') / "zov" / "broken.exe", "neither ELF nor script");
  stdfs::permissions(drives.host('C') / "zov" / "broken.exe", stdfs::perms::owner_all);
  stdfs::create_directories(drives.host('C') / "zov" / "dir.exe");
  struct Case {
    std::string exe, dir;
  };
  const Case cases[] = {
      {"C:\\ZOV\\missing.exe", "C:\\ZOV"},
      {"C:\\ZOV\\readme.txt", "C:\\ZOV"},  // not runnable
      {"C:\\ZOV\\broken.exe", "C:\\ZOV"},  // runnable bit, but no program inside
      {"C:\\ZOV\\dir.exe", "C:\\ZOV"},
      {"C:\\ZOV\\zov.exe", "C:\\MISSING"},
      {"C:\\ZOV\\zov.exe", "C:\\ZOV\\readme.txt"},
      {"Q:\\ZOV\\zov.exe", "C:\\ZOV"},
      {"", "C:\\ZOV"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exe + " in " + c.dir);
    EXPECT_FALSE(startProgram(c.exe, " ", c.dir));
  }
  EXPECT_FALSE(stdfs::exists(record_));
}

}  // namespace
