// A file that another program holds a lock on is "in use": it cannot be deleted, renamed or
// replaced, as on Windows. The other program is a real child process.
#include <gtest/gtest.h>

#include "platform/fs/fs.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_drives.h"

namespace fs = platform::fs;
namespace stdfs = std::filesystem;
using testing_support::readHostFile;
using testing_support::TempDrives;
using testing_support::writeHostFile;

namespace {

// Runs hold_lock on a host file and waits until it reports the lock; closing its input ends it.
class LockHolder {
 public:
  LockHolder(const stdfs::path& file, const std::string& kind) : child_(ZOV_HOLD_LOCK_EXE, {file.string(), kind}) {}
  bool locked() const { return child_.firstLine() == "locked"; }
  void release() { child_.finish(); }

 private:
  testing_support::ChildProcess child_;
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
