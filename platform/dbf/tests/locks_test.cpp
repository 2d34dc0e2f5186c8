// Record, file and share-mode locks between processes and between work areas of one process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "core/failure.h"
#include "core/text.h"
#include "platform/dbf/locks.h"
#include "platform/dbf/table.h"
#include "platform/dbf/tests/child.h"
#include "platform/dbf/tests/test_util.h"

using namespace platform::dbf;
using dbf_test::TempDir;
using testing_support::holdInChild;

namespace {

struct Users {
  TempDir dir;
  std::filesystem::path dbf = dir / "user.dbf";
  Users() {
    Table::create(dbf, dbf_test::peopleFields());
    Table t(dbf, OpenOptions{true});
    dbf_test::addRows(t, {{"ANNA", 0}, {"BOB", 0}, {"ZOV_HG", 0}, {"MEIER", 0}, {"ZOV", 0}});
  }
};

// Who holds a lock on [offset, offset + length) of the file, seen by a fresh open of it.
bool lockedAt(const std::filesystem::path& p, std::uint64_t offset, std::uint64_t length) {
  int fd = ::open(p.c_str(), O_RDWR);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  int r = ::fcntl(fd, F_OFD_GETLK, &fl);
  ::close(fd);
  return r == 0 && fl.l_type != F_UNLCK;
}

}  // namespace

TEST(Locks, ARecordLockedByAnotherProcessCannotBeLocked) {
  Users u;
  auto child = holdInChild({u.dbf.string(), "shared", "r3", "r5"});
  Table t(u.dbf);
  std::vector<bool> got;
  for (std::uint32_t r = 1; r <= 5; ++r) got.push_back(t.lockRecord(r));
  EXPECT_EQ(got, (std::vector<bool>{true, true, false, true, false}));
  EXPECT_EQ(t.lockedRecords(), (std::vector<std::uint32_t>{1, 2, 4}));
  EXPECT_EQ(child->finish(), 0);  // the other program ends: its locks end with it
  EXPECT_TRUE(t.lockRecord(3));
  EXPECT_TRUE(t.lockRecord(5));
}

TEST(Locks, LocksLieAtTheClipperOffsets) {
  Users u;
  auto child = holdInChild({u.dbf.string(), "shared", "r5"});
  EXPECT_TRUE(lockedAt(u.dbf, 1'000'000'005, 1));
  EXPECT_FALSE(lockedAt(u.dbf, 1'000'000'004, 1));
  EXPECT_FALSE(lockedAt(u.dbf, 1'000'000'006, 1));
  EXPECT_FALSE(lockedAt(u.dbf, 1'000'000'000, 1));
  child->finish();
  auto fileLock = holdInChild({u.dbf.string(), "shared", "file"});
  EXPECT_TRUE(lockedAt(u.dbf, 1'000'000'001, 1));
  EXPECT_TRUE(lockedAt(u.dbf, 1'999'999'999ULL + 1, 1));
  EXPECT_FALSE(lockedAt(u.dbf, 2'000'000'001ULL, 1));
  EXPECT_FALSE(lockedAt(u.dbf, 1'000'000'000, 1));
}

TEST(Locks, FileAndRecordLocksExcludeEachOther) {
  Users u;
  {
    auto child = holdInChild({u.dbf.string(), "shared", "file"});
    Table t(u.dbf);
    EXPECT_FALSE(t.lockRecord(1));
    EXPECT_FALSE(t.lockFile());
  }
  auto child = holdInChild({u.dbf.string(), "shared", "r2"});
  Table t(u.dbf);
  EXPECT_FALSE(t.lockFile());
  EXPECT_TRUE(t.lockRecord(1));
}

TEST(Locks, TwoWorkAreasOfOneProcessConflictLikeTwoPrograms) {
  Users u;
  Table a(u.dbf), b(u.dbf);
  ASSERT_TRUE(a.lockRecord(2));
  EXPECT_TRUE(a.lockRecord(2)) << "a lock already held is held";
  EXPECT_FALSE(b.lockRecord(2));
  EXPECT_TRUE(b.lockRecord(3));
  EXPECT_FALSE(a.lockFile()) << "b holds record 3";
  a.unlockRecord(2);
  EXPECT_TRUE(b.lockRecord(2));
  b.close();  // closing ends every lock of the table
  EXPECT_TRUE(a.lockRecord(2));
  EXPECT_TRUE(a.lockFile());
  Table c(u.dbf);
  EXPECT_FALSE(c.lockRecord(4));
  a.unlockAll();
  EXPECT_TRUE(c.lockRecord(4));
}

TEST(Locks, ExclusiveOpeningIsAShareModeOthersSee) {
  Users u;
  {
    auto child = holdInChild({u.dbf.string(), "exclusive"});
    EXPECT_THROW(Table(u.dbf), core::RuntimeFailure);
    EXPECT_THROW(Table(u.dbf, OpenOptions{false, true}), core::RuntimeFailure);
    EXPECT_THROW(Table(u.dbf, OpenOptions{true}), core::RuntimeFailure);
  }
  {
    auto child = holdInChild({u.dbf.string(), "readonly"});
    EXPECT_THROW(Table(u.dbf, OpenOptions{true}), core::RuntimeFailure);
    Table shared(u.dbf);
    EXPECT_TRUE(shared.lockRecord(1));
  }
  Table first(u.dbf, OpenOptions{true});
  EXPECT_THROW(Table(u.dbf, OpenOptions{true}), core::RuntimeFailure);
  EXPECT_THROW(Table(u.dbf), core::RuntimeFailure);
  first.close();
  Table again(u.dbf, OpenOptions{true});
  EXPECT_TRUE(again.lockRecord(1));
}

TEST(Locks, ARecordLockedByAReadOnlyOpenerStillBlocksWriters) {
  Users u;
  auto child = holdInChild({u.dbf.string(), "readonly", "r2"});
  Table t(u.dbf);
  EXPECT_FALSE(t.lockRecord(2));
  EXPECT_TRUE(t.lockRecord(1));
}

TEST(Locks, TakingALockReadsWhatOthersWroteSoNoChangeIsLost) {
  Users u;
  Table a(u.dbf), b(u.dbf);
  a.goTo(1);
  EXPECT_EQ(a.get("ID").text(), "ANNA      ");
  ASSERT_TRUE(b.lockRecord(1));
  b.goTo(1);
  b.put("NR", core::Value(41));
  b.unlockRecord(1);
  ASSERT_TRUE(a.lockRecord(1));
  EXPECT_EQ(a.get("NR").number(), 41) << "the buffer was read again under the lock";
  a.put("NR", core::Value(a.get("NR").number() + 1));
  a.unlockAll();
  b.goTo(1);
  EXPECT_EQ(b.get("NR").number(), 42);
}

TEST(Locks, AppendsOfTwoOpenersNeverOverwriteEachOther) {
  Users u;
  Table a(u.dbf), b(u.dbf);
  auto child = holdInChild({u.dbf.string(), "shared", "append=3"});
  for (int i = 0; i < 5; ++i) {
    Table& t = i % 2 ? b : a;
    t.append();
    t.put("ID", core::Value(std::string(i % 2 ? "b" : "a") + std::to_string(i)));
    t.unlockAll();
  }
  EXPECT_EQ(child->finish(), 0);
  Table check(u.dbf, OpenOptions{false, true});
  EXPECT_EQ(check.recCount(), 13u);
  std::vector<std::string> ids;
  for (check.goTo(6); !check.eof(); check.skip(1)) ids.push_back(core::rtrim(check.get("ID").text()));
  EXPECT_EQ(ids, (std::vector<std::string>{"child1", "child2", "child3", "a0", "b1", "a2", "b3", "a4"}));
}
