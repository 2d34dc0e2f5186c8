// Moving through a table, hiding records, searching and changing: the xBase rules.
#include <gtest/gtest.h>

#include "core/failure.h"
#include "platform/dbf/table.h"
#include "platform/dbf/tests/test_util.h"

using namespace platform::dbf;
using dbf_test::TempDir;

namespace {

// Five people; Bob (2) and Dora (4) are deleted.
struct Five {
  TempDir dir;
  Settings settings;
  std::unique_ptr<Table> t;
  Five() {
    Table::create(dir / "people.dbf", dbf_test::peopleFields());
    t = std::make_unique<Table>(dir / "people.dbf", OpenOptions{true, false, &settings});
    dbf_test::addRows(*t, {{"Anna", 1}, {"Bob", 2}, {"Cleo", 3}, {"Dora", 4}, {"Emil", 5}});
    for (std::uint32_t r : {2u, 4u}) {
      t->goTo(r);
      t->markDeleted();
    }
    t->goTop();
  }
};

struct State {
  std::uint32_t recNo;
  bool eof, bof;
};

void expectState(const Table& t, State s, const std::string& where) {
  EXPECT_EQ(t.recNo(), s.recNo) << where;
  EXPECT_EQ(t.eof(), s.eof) << where;
  EXPECT_EQ(t.bof(), s.bof) << where;
}

}  // namespace

TEST(Table, PositioningFollowsTheXBaseRules) {
  Five f;
  Table& t = *f.t;
  expectState(t, {1, false, false}, "top");
  EXPECT_EQ(t.skip(-1), 0);
  expectState(t, {1, false, true}, "before the top: stays on the first record, bof");
  EXPECT_EQ(t.skip(2), 2);
  expectState(t, {3, false, false}, "skip 2");
  EXPECT_EQ(t.skip(10), 2);
  expectState(t, {6, true, false}, "past the end: record count + 1");
  EXPECT_EQ(t.get("ID").text(), std::string(10, ' '));
  EXPECT_EQ(t.skip(1), 0);
  expectState(t, {6, true, false}, "stays past the end");
  EXPECT_EQ(t.skip(-1), -1);
  expectState(t, {5, false, false}, "back from the end: the last record");
  EXPECT_EQ(t.skip(-10), -4);  // 5 -> 1, then the beginning
  expectState(t, {1, false, true}, "far back");
  t.goBottom();
  expectState(t, {5, false, false}, "bottom");
  t.goTo(3);
  expectState(t, {3, false, false}, "goto 3");
  t.goTo(0);
  expectState(t, {6, true, false}, "goto 0: past the end");
  t.goTo(99);
  expectState(t, {6, true, false}, "goto 99");
  EXPECT_EQ(t.recCount(), 5u);
}

TEST(Table, HiddenDeletedRecordsAndFiltersAreSkipped) {
  Five f;
  Table& t = *f.t;
  f.settings.hideDeleted = true;
  std::vector<std::uint32_t> seen;
  for (t.goTop(); !t.eof(); t.skip(1)) seen.push_back(t.recNo());
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 3, 5}));
  t.goTo(2);  // going to a record by number shows it whatever it is
  EXPECT_EQ(t.recNo(), 2u);
  EXPECT_TRUE(t.deleted());
  EXPECT_EQ(t.skip(1), 1);
  EXPECT_EQ(t.recNo(), 3u);

  t.setFilter("NR >= 3");
  seen.clear();
  for (t.goBottom(); !t.bof(); t.skip(-1)) seen.push_back(t.recNo());
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{5, 3}));
  t.setFilter(std::function<bool()>([&] { return t.get("NR").number() == 1; }));
  t.goTop();
  EXPECT_EQ(t.recNo(), 1u);
  EXPECT_EQ(t.skip(1), 0);
  EXPECT_TRUE(t.eof());
  t.setFilter("NR > 100");
  t.goTop();
  EXPECT_TRUE(t.eof());
  EXPECT_TRUE(t.bof());
  t.setFilter(std::function<bool()>{});
  f.settings.hideDeleted = false;
  t.goTop();
  EXPECT_EQ(t.skip(4), 4);
}

TEST(Table, LocateFindsTheFirstRecordGoingForward) {
  Five f;
  Table& t = *f.t;
  EXPECT_TRUE(t.locate([&] { return t.get("NR").number() > 2; }));
  EXPECT_EQ(t.recNo(), 3u);
  EXPECT_TRUE(t.found());
  EXPECT_TRUE(t.locate([&] { return t.get("NR").number() > 2; }, true));
  EXPECT_EQ(t.recNo(), 3u);
  t.skip(1);
  EXPECT_TRUE(t.locate([&] { return t.get("NR").number() > 2; }, true));
  EXPECT_EQ(t.recNo(), 4u);
  EXPECT_FALSE(t.locate([&] { return t.get("ID").text() == "Nobody    "; }));
  EXPECT_TRUE(t.eof());
  EXPECT_FALSE(t.found());
}

TEST(Table, PackDropsDeletedRecordsAndRebuildsTheIndexes) {
  Five f;
  Table& t = *f.t;
  t.createIndex(f.dir / "id.ntx", "UPPER(ID)");
  t.pack();
  EXPECT_EQ(t.recCount(), 3u);
  std::vector<std::string> ids;
  for (t.goTop(); !t.eof(); t.skip(1)) ids.push_back(t.get("ID").text());
  EXPECT_EQ(ids, (std::vector<std::string>{"Anna      ", "Cleo      ", "Emil      "}));
  EXPECT_TRUE(t.seek(core::Value("EMIL")));
  EXPECT_EQ(t.recNo(), 3u);
  t.close();
  std::string b = dbf_test::readBytes(f.dir / "people.dbf");
  EXPECT_EQ(b.size(), 193u + 3 * 33 + 1);
  EXPECT_EQ(b[4], 3);
  EXPECT_EQ(b.back(), 0x1A);
}

TEST(Table, ZapEmptiesTableAndIndexes) {
  Five f;
  Table& t = *f.t;
  t.createIndex(f.dir / "id.ntx", "UPPER(ID)");
  t.zap();
  EXPECT_EQ(t.recCount(), 0u);
  EXPECT_TRUE(t.eof());
  EXPECT_TRUE(t.bof());
  dbf_test::addRows(t, {{"Neu", 1}});
  EXPECT_TRUE(t.seek(core::Value("NEU")));
}

TEST(Table, SharedTablesNeedALockBeforeAChange) {
  TempDir dir;
  Table::create(dir / "people.dbf", dbf_test::peopleFields());
  {
    Table t(dir / "people.dbf", OpenOptions{true});
    dbf_test::addRows(t, {{"Anna", 1}, {"Bob", 2}});
  }
  Table t(dir / "people.dbf");
  t.goTo(1);
  EXPECT_THROW(t.put("NR", core::Value(9)), core::RuntimeFailure);
  EXPECT_THROW(t.markDeleted(), core::RuntimeFailure);
  EXPECT_THROW(t.pack(), core::RuntimeFailure);
  ASSERT_TRUE(t.lockRecord());
  t.put("NR", core::Value(9));
  t.unlockRecord(1);  // the change is written before the lock ends
  EXPECT_FALSE(t.isLocked(1));
  t.append();  // a new record comes locked
  EXPECT_TRUE(t.isLocked(3));
  t.put("ID", core::Value("Cleo"));
  ASSERT_TRUE(t.lockFile());
  EXPECT_TRUE(t.isLocked(2));
  t.goTo(2);
  t.markDeleted();
  t.unlockAll();
  t.close();

  Table check(dir / "people.dbf", OpenOptions{false, true});
  EXPECT_EQ(check.get("NR").number(), 9);
  check.goTo(2);
  EXPECT_TRUE(check.deleted());
  check.goTo(3);
  EXPECT_EQ(check.get("ID").text(), "Cleo      ");
  EXPECT_THROW(check.put("ID", core::Value("x")), core::RuntimeFailure);
  EXPECT_THROW(check.append(), core::RuntimeFailure);
}

TEST(Table, StructureAndFieldsByName) {
  Five f;
  Table& t = *f.t;
  ASSERT_EQ(t.fields().size(), 5u);
  const char* types = "CNNDL";
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(t.fields()[i].type, types[i]);
  EXPECT_EQ(t.fieldIndex("betrag"), 2);
  EXPECT_EQ(t.fieldIndex("nosuch"), -1);
  t.goTo(1);
  t.put("datum", core::Value(core::Date::fromYmd(2020, 2, 29)));
  t.put("Betrag", core::Value(3.14159));
  t.put("ok", core::Value(true));
  EXPECT_EQ(t.get("DATUM").date(), core::Date::fromYmd(2020, 2, 29));
  EXPECT_DOUBLE_EQ(t.get("BETRAG").number(), 3.14);
  EXPECT_TRUE(t.get("OK").logical());
  EXPECT_THROW(t.get("nosuch"), core::RuntimeFailure);
  EXPECT_EQ(t.evaluate("TRIM(ID)+STR(NR,2)").text(), "Anna 1");
}
