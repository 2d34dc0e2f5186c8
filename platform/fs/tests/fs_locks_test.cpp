// A file that another program holds a lock on is "in use": it cannot be deleted, renamed or
// replaced, as on Windows. The other program is a real child process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "platform/fs/fs.h"
#include "tests/support/temp_drives.h"

extern char** environ;

namespace fs = platform::fs;
namespace stdfs = std::filesystem;
using testing_support::readHostFile;
using testing_support::TempDrives;
using testing_support::writeHostFile;

namespace {

// Runs hold_lock on a host file and waits until it reports the lock; closing its input ends it.
class LockHolder {
 public:
  LockHolder(const stdfs::path& file, const std::string& kind) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::string exe = ZOV_HOLD_LOCK_EXE;
    std::string path = file.string();
    char* argv[] = {exe.data(), path.data(), const_cast<char*>(kind.c_str()), nullptr};
    int rc = posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    if (rc != 0) throw std::runtime_error("cannot start hold_lock");
    std::string line;
    pollfd pfd{stdout_, POLLIN, 0};
    // Generous bound: only proves the helper did not hang.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < until) {
      if (::poll(&pfd, 1, 100) <= 0) continue;
      char buf[64];
      ssize_t n = ::read(stdout_, buf, sizeof buf);
      if (n <= 0) break;
      line.append(buf, static_cast<std::size_t>(n));
    }
    locked_ = line == "locked\n";
  }
  ~LockHolder() { release(); }
  bool locked() const { return locked_; }
  void release() {
    if (pid_ <= 0) return;
    ::close(stdin_);
    ::close(stdout_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1, stdout_ = -1;
  bool locked_ = false;
};

class FsLocksTest : public ::testing::TestWithParam<const char*> {
 protected:
  TempDrives drives;
};

TEST_P(FsLocksTest, AFileLockedByAnotherProgramCannotBeReplaced) {
  stdfs::path host = drives.host('C') / "zov" / "zov-help.chm";
  writeHostFile(host, "old help");
  writeHostFile(drives.host('C') / "ums_43F" / "zov-help.chm", "new help");
  ASSERT_FALSE(fs::inUse("C:\\ZOV\\ZOV-HELP.CHM"));

  LockHolder holder(host, GetParam());
  ASSERT_TRUE(holder.locked());
  EXPECT_TRUE(fs::inUse("C:\\ZOV\\ZOV-HELP.CHM"));
  EXPECT_FALSE(fs::deleteFile("C:\\ZOV\\ZOV-HELP.CHM"));
  EXPECT_FALSE(fs::writeFile("C:\\ZOV\\ZOV-HELP.CHM", "replaced"));
  EXPECT_FALSE(fs::copyFile("C:\\UMS_43F\\zov-help.chm", "C:\\ZOV\\zov-help.chm"));
  EXPECT_FALSE(fs::rename("C:\\ZOV\\zov-help.chm", "C:\\ZOV\\old.chm"));
  EXPECT_FALSE(fs::rename("C:\\ZOV", "C:\\ZOV_OLD"));  // the directory holds a file in use
  EXPECT_FALSE(fs::removeTree("C:\\ZOV"));
  EXPECT_EQ(readHostFile(host), "old help");
  // Reading and copying away stay possible, as with a shared lock on Windows.
  EXPECT_EQ(fs::readFile("C:\\ZOV\\zov-help.chm"), "old help");
  EXPECT_TRUE(fs::copyFile("C:\\ZOV\\zov-help.chm", "C:\\ums_43F\\backup.chm"));

  holder.release();
  EXPECT_FALSE(fs::inUse("C:\\ZOV\\ZOV-HELP.CHM"));
  EXPECT_TRUE(fs::copyFile("C:\\UMS_43F\\zov-help.chm", "C:\\ZOV\\zov-help.chm"));
  EXPECT_EQ(readHostFile(host), "new help");
  EXPECT_TRUE(fs::deleteFile("C:\\ZOV\\ZOV-HELP.CHM"));
  EXPECT_TRUE(fs::removeTree("C:\\ZOV"));
}

// A write lock on the first byte, a read lock, and a record lock far beyond the end.
INSTANTIATE_TEST_SUITE_P(LockKinds, FsLocksTest, ::testing::Values("write", "read", "far"));

TEST(FsLocks, RemoveTreeKeepsOnlyTheFileInUse) {
  TempDrives drives;
  stdfs::path dir = drives.host('C') / "ZOV_SICH_U43E";
  writeHostFile(dir / "a.dbf", "a");
  writeHostFile(dir / "sub" / "b.dbf", "b");
  writeHostFile(dir / "sub" / "locked.dbf", "locked");
  LockHolder holder(dir / "sub" / "locked.dbf", "write");
  ASSERT_TRUE(holder.locked());
  EXPECT_FALSE(fs::removeTree("C:\\ZOV_SICH_U43E"));
  EXPECT_FALSE(stdfs::exists(dir / "a.dbf"));
  EXPECT_FALSE(stdfs::exists(dir / "sub" / "b.dbf"));
  EXPECT_EQ(readHostFile(dir / "sub" / "locked.dbf"), "locked");
  holder.release();
  EXPECT_TRUE(fs::removeTree("C:\\ZOV_SICH_U43E"));
  EXPECT_FALSE(stdfs::exists(dir));
}

}  // namespace
