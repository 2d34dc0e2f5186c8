// Work areas of a program thread: numbers, aliases, names relative to the current directory.
#include <gtest/gtest.h>

#include <thread>

#include "core/failure.h"
#include "platform/dbf/tests/test_util.h"
#include "platform/dbf/workarea.h"
#include "platform/fs/fs.h"
#include "tests/support/temp_drives.h"

namespace dbf = platform::dbf;

namespace {

class WorkAreas : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::fs::makeDir("C:\\ZOV\\");
    platform::fs::setCurrentDir("C:\\ZOV\\");
    dbf::createTable("user", {{"ID", 'C', 10, 0}});
    dbf::createTable("C:\\ZOV\\gast", {{"NAME", 'C', 20, 0}});
  }
  void TearDown() override {
    dbf::closeAll();
    dbf::settings() = dbf::Settings{};
  }
  testing_support::TempDrives drives;
};

}  // namespace

TEST_F(WorkAreas, TablesOpenByBareNameInNumberedAreasWithAliases) {
  EXPECT_TRUE(std::filesystem::exists(drives.host("C:\\ZOV\\user.dbf")));
  dbf::select(22);
  EXPECT_EQ(dbf::use("USER"), 22);  // the current area
  EXPECT_EQ(dbf::alias(), "USER");
  EXPECT_EQ(dbf::use("gast", 0), 1);
  EXPECT_EQ(dbf::selected(), 1);
  EXPECT_EQ(dbf::alias(), "gast");
  EXPECT_EQ(dbf::areaOf("user"), 22);
  EXPECT_EQ(dbf::areaOf("nosuch"), 0);
  EXPECT_TRUE(dbf::selectAlias("User"));
  EXPECT_EQ(dbf::selected(), 22);
  EXPECT_FALSE(dbf::selectAlias("nosuch"));
  EXPECT_EQ(dbf::selected(), 22);
  dbf::select(0);
  EXPECT_EQ(dbf::selected(), 2);  // the lowest free area
  EXPECT_FALSE(dbf::used());
  EXPECT_THROW(dbf::current(), core::RuntimeFailure);
  EXPECT_EQ(dbf::alias(), "");
  EXPECT_EQ(dbf::usedAreas(), (std::vector<int>{1, 22}));
  dbf::select(22);
  dbf::closeArea();
  EXPECT_EQ(dbf::areaOf("user"), 0);
  EXPECT_EQ(dbf::usedAreas(), (std::vector<int>{1}));
}

TEST_F(WorkAreas, OpeningATableASecondTimeGivesItsAreaAnAliasOfItsOwn) {
  EXPECT_EQ(dbf::use("user", 30), 30);
  EXPECT_EQ(dbf::use("user", 0), 1);
  EXPECT_EQ(dbf::alias(), "user_1");
  EXPECT_EQ(dbf::areaOf("user"), 30);
  EXPECT_THROW(dbf::use("gast", 0, {false, false, "USER"}), core::RuntimeFailure);
  EXPECT_EQ(dbf::use("gast", 30), 30);  // an area in use is closed first
  EXPECT_EQ(dbf::alias(), "gast");
}

TEST_F(WorkAreas, MissingTablesAndPathsRaise) {
  EXPECT_THROW(dbf::use("nosuch"), core::RuntimeFailure);
  EXPECT_THROW(dbf::use("Q:\\ZOV\\user"), core::RuntimeFailure);
  EXPECT_THROW(dbf::use(""), core::RuntimeFailure);
  EXPECT_FALSE(dbf::used());
}

TEST_F(WorkAreas, IndexesOpenByNameAndKeepTheirOrder) {
  dbf::use("user", 1, {true, false, ""});
  dbf::Table& t = dbf::current();
  for (const char* id : {"bob", "Anna", "cleo"}) {
    t.append();
    t.put("ID", core::Value(id));
  }
  dbf::createIndex("user", "UPPER(ID)");
  EXPECT_TRUE(std::filesystem::exists(drives.host("C:\\ZOV\\user.ntx")));
  dbf::closeArea();
  dbf::use("user", 1);
  dbf::current().orderListClear();
  dbf::orderListAdd("USER");
  EXPECT_EQ(dbf::current().order(), 1);
  dbf::current().goTop();
  EXPECT_EQ(dbf::current().get("ID").text(), "Anna      ");
  EXPECT_THROW(dbf::orderListAdd("nosuch"), core::RuntimeFailure);
  EXPECT_EQ(dbf::current().orderCount(), 1);
}

TEST_F(WorkAreas, EachProgramThreadHasItsOwnAreasAndSwitches) {
  dbf::use("user", 5);
  dbf::settings().hideDeleted = true;
  int otherSelected = -1;
  bool otherUsed = true, otherHides = true;
  std::thread other([&] {
    otherSelected = dbf::selected();
    otherUsed = dbf::used(5);
    otherHides = dbf::settings().hideDeleted;
    dbf::use("user", 5);  // a second open of the same table, in the other thread's area 5
    dbf::closeAll();
  });
  other.join();
  EXPECT_EQ(otherSelected, 1);
  EXPECT_FALSE(otherUsed);
  EXPECT_FALSE(otherHides);
  EXPECT_TRUE(dbf::used(5));
}

TEST_F(WorkAreas, FiltersAndLocateReadTheirOwnAreaWhicheverIsCurrent) {
  dbf::use("user", 3, {true, false, ""});
  for (const char* id : {"a", "b", "c", "d"}) {
    dbf::current().append();
    dbf::current().put("ID", core::Value(id));
  }
  dbf::setFilter([] { return dbf::current().get("ID").text() != "b         "; });
  dbf::use("gast", 1);  // another area is current while the user table moves
  dbf::Table& users = *dbf::tableIn(3);
  std::vector<std::uint32_t> seen;
  for (users.goTop(); !users.eof(); users.skip(1)) seen.push_back(users.recNo());
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 3, 4}));
  EXPECT_EQ(dbf::selected(), 1);
  dbf::select(3);
  EXPECT_TRUE(dbf::locate([] { return dbf::current().get("ID").text() == "c         "; }));
  EXPECT_EQ(dbf::current().recNo(), 3u);
  dbf::setFilter({});
  EXPECT_FALSE(dbf::current().hasFilter());
}
