// zBrowse over an array of records and over a table with an index, in a real dialog offscreen.
#include "ui/browse/zbrowse.h"

#include <gtest/gtest.h>

#include "core/globals.h"
#include "core/object.h"
#include "core/text.h"
#include "platform/dbf/workarea.h"
#include "platform/gui/codes.h"
#include "platform/gui/events.h"
#include "platform/gui/testing/gui_testing.h"
#include "tests/support/temp_drives.h"

namespace dbf = platform::dbf;
namespace gui = platform::gui;
namespace gt = platform::gui::testing;
using core::arr;
using core::Value;

namespace {

class ZBrowseTest : public ::testing::Test {
 public:
  void SetUp() override {
    dialog = gui::Dialog::make();
    dialog->create({100, 100}, {640, 420}, true);
  }
  void TearDown() override {
    dbf::closeAll();
    dialog->destroy();
    gt::resetProgram();
  }
  std::shared_ptr<ui::browse::ZBrowse> make() { return ui::browse::ZBROWSE().New(dialog->drawingArea()); }

  testing_support::TempDrives drives;
  std::shared_ptr<gui::Dialog> dialog;
};

Value records(std::initializer_list<const char*> dirs) {
  const auto& zDir = core::defineClass("zDir", {"Dir", "Vers", "Name", "lAnd"});
  Value list = Value::array();
  for (const char* d : dirs) {
    Value r = zDir.create();
    core::setMember(r, "Dir", d);
    core::setMember(r, "Vers", "4.3F");
    core::setMember(r, "Name", std::string("Haus ") + d);
    core::setMember(r, "lAnd", "01.01.2026");
    list.elements().push_back(r);
  }
  return list;
}

Value directoryColumns() {
  return arr(arr("Verzeichnis", "Dir", 25), arr("Vers.", "Vers", 5, Value()),
             arr("Hausname", "Name", 25, Value()), arr("letzte Akt.", "Land", 9, Value()));
}

TEST_F(ZBrowseTest, ArrayModeShowsMembersByNameWithoutRegardToCase) {
  auto b = make();
  b->set("Spalten", directoryColumns());
  b->set("Array", records({"C:\\ZOV\\", "D:\\ZOV\\"}));
  b->Create();
  b->PosSize(arr(20, 70), arr(580, 225));
  auto rows = b->shownRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], (std::vector<std::string>{"D:\\ZOV\\", "4.3F", "Haus D:\\ZOV\\", "01.01.2026"}));
  // Marking the second row makes it the current element.
  gt::markRow(b, 2);
  gui::drainEvents(20);
  EXPECT_EQ(b->get("Pos").number(), 2);
}

TEST_F(ZBrowseTest, ArraySkipsStayWithinTheArray) {
  struct Case {
    int elements;
    long pos, skip;
    long newPos, moved;
    bool skipOk;
  };
  const Case cases[] = {
      {0, 1, 1, 1, 0, false}, {4, 3, 5, 4, 1, false}, {4, 3, -10, 1, -2, false},
      {4, 2, 1, 3, 1, true},  {4, 2, 0, 2, 0, true},  {4, 4, -3, 1, -3, true},
  };
  for (const auto& c : cases) {
    auto b = make();
    Value array = Value::array();
    for (int i = 0; i < c.elements; ++i) array.elements().push_back(records({"X"})[1]);
    b->set("Spalten", directoryColumns());
    b->set("Array", array);
    b->Create();
    b->set("Pos", c.pos);
    EXPECT_EQ(b->ArrSkip(c.skip), c.moved) << c.elements << "/" << c.pos << "/" << c.skip;
    EXPECT_EQ(b->get("Pos").number(), c.newPos);
    EXPECT_EQ(b->get("SkipOk").logical(), c.skipOk);
    b->Destroy();
  }
}

TEST_F(ZBrowseTest, AnEmptyArrayShowsOneBlankRow) {
  auto b = make();
  b->set("Spalten", directoryColumns());
  b->set("Array", Value::array());
  b->Create();
  b->PosSize(arr(20, 70), arr(580, 225));
  auto rows = b->shownRows();
  ASSERT_EQ(rows.size(), 1u);
  for (const auto& cell : rows[0]) EXPECT_EQ(cell, " ");
  EXPECT_EQ(b->navigation().lastPos.call().number(), 1);
  EXPECT_EQ(b->navigation().firstPos.call().number(), 1);
}

TEST_F(ZBrowseTest, WidthSharesAndPlacement) {
  auto b = make();
  Value spalten = directoryColumns();
  b->set("Spalten", spalten);
  b->set("Array", records({"C:\\ZOV\\"}));
  b->Create();
  const double shares[] = {390.625, 78.125, 390.625, 140.625};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(spalten[i + 1][3].number(), shares[i]);

  struct Case {
    int height, snapped;
  };
  for (const Case& c : {Case{225, 205}, Case{50, 29}, Case{250, 249}}) {
    Value size = arr(580, c.height);
    b->PosSize(arr(20, 70), size);
    EXPECT_EQ(size[2].number(), c.snapped) << c.height;
    EXPECT_EQ(b->size().height, c.snapped);
  }
  const double widths[] = {216.796875, 43.359375, 216.796875, 78.046875};
  for (int i = 1; i <= 4; ++i) EXPECT_DOUBLE_EQ(b->column(i)->setting(116).number(), widths[i - 1]);
  EXPECT_EQ(b->position().x, 20);
  EXPECT_EQ(b->position().y, 70);
  EXPECT_TRUE(b->isVisible());
  // Headings are cut to 1.6 characters per unit of width.
  EXPECT_EQ(b->column(2)->setting(123).text(), "Vers.");
}

TEST_F(ZBrowseTest, ColumnDescriptionsGetDefaults) {
  auto b = make();
  Value spalten = arr(arr("Kurz", "Dir"), arr("Mit NIL", "Vers", 5, Value()), arr("Drei", "Name", 10),
                      arr("Rechts", "lAnd", 10, "R"), arr("Mitte", "lAnd", 10, "C"));
  b->set("Spalten", spalten);
  b->set("Array", records({"C:\\ZOV\\"}));
  b->Create();
  EXPECT_EQ(spalten[1].size(), 3u);
  EXPECT_EQ(b->column(1)->setting(116).number(), 5) << "no width: 5";
  EXPECT_EQ(b->column(2)->setting(110).number(), 0) << "NIL alignment: left";
  EXPECT_TRUE(b->column(3)->setting(110).isNil()) << "three elements: no alignment setting";
  EXPECT_EQ(b->column(4)->setting(110).number(), 2);
  EXPECT_EQ(b->column(5)->setting(110).number(), 1);
  EXPECT_EQ(b->column(1)->setting(119).text(), "10.Arial Fett");
}

TEST_F(ZBrowseTest, TheHeadingsRightButtonAsksForTheSortMenu) {
  auto b = make();
  b->set("Spalten", directoryColumns());
  b->set("Array", records({"C:\\ZOV\\", "D:\\ZOV\\"}));
  b->Create();
  b->PosSize(arr(20, 70), arr(580, 225));
  int asked = 0;
  b->setSortHandler([&](const Value&, int column) { asked = column; });
  gt::rightClickHeading(b, 3);
  gui::drainEvents(20);
  EXPECT_EQ(asked, 3);
}

// --- table mode ------------------------------------------------------------------------------

class ZBrowseTable : public ZBrowseTest {
 public:
  void SetUp() override {
    ZBrowseTest::SetUp();
    dbf::createTable("C:\\names", {{"NAME", 'C', 10, 0}, {"NR", 'N', 6, 1}});
    dbf::UseOptions exclusive;
    exclusive.exclusive = true;
    dbf::use("C:\\names", 0, exclusive);
    struct Row {
      const char* name;
      double nr;
    };
    for (const Row& r : {Row{"ABA", 5}, Row{"ABCX", 20.5}, Row{"ABC", 10}, Row{"XYZ", 30}, Row{"ABD", 21},
                         Row{"ABCZ", 20}, Row{"abcy", 15}}) {
      dbf::current().append();
      dbf::current().put("NAME", r.name);
      dbf::current().put("NR", r.nr);
    }
    dbf::current().createIndex(dbf::hostPath("C:\\names", ".ntx"), "UPPER(NAME)");
    dbf::current().createIndex(dbf::hostPath("C:\\numbers", ".ntx"), "NR");
    dbf::closeArea();
  }
  std::shared_ptr<ui::browse::ZBrowse> table(const char* index, Value bereich, bool invers = false) {
    auto b = make();
    b->set("Spalten", arr(arr("Name", "NAME", 10), arr("Nr", "NR", 6)));
    b->set("File", "C:\\names");
    b->set("Index", index);
    b->set("Bereich", bereich);
    b->set("Invers", invers);
    b->Create();
    return b;
  }
  static std::string name() { return core::rtrim(dbf::current().get("NAME").text()); }
};

TEST_F(ZBrowseTable, ACharacterRangeHoldsTheKeysThatBeginWithIt) {
  auto b = table("C:\\names", "ABC");
  EXPECT_EQ(name(), "ABC") << "the first row";
  std::vector<std::string> shown;
  do {
    shown.push_back(name());
  } while (b->DBSkip(1) == 1);
  EXPECT_EQ(shown, (std::vector<std::string>{"ABC", "ABCX", "abcy", "ABCZ"}));
  EXPECT_FALSE(b->get("SkipOk").logical());
  EXPECT_EQ(b->get("RecL").number(), 6) << "the last key below the upper seek value ABD";
}

TEST_F(ZBrowseTable, ANumericRangeEndsBeforeItsBoundPlusOne) {
  auto b = table("C:\\numbers", arr(10, 20));
  EXPECT_EQ(dbf::current().get("NR").number(), 10);
  // The upper seek value is 21: the last record of the range is 20.5, the one before 21.
  EXPECT_EQ(b->get("RecL").number(), 2);
  std::vector<double> shown;
  do {
    shown.push_back(dbf::current().get("NR").number());
  } while (b->DBSkip(1) == 1);
  EXPECT_EQ(shown, (std::vector<double>{10, 15, 20})) << "20.5 lies outside the range itself";
}

TEST_F(ZBrowseTable, SkipsStopAtTheRangeEnds) {
  auto b = table("C:\\names", "ABC");
  EXPECT_EQ(b->DBSkip(0), 0);
  EXPECT_TRUE(b->get("SkipOk").logical());
  EXPECT_EQ(b->DBSkip(-1), 0) << "at the first record of the range";
  EXPECT_FALSE(b->get("SkipOk").logical());
  b->DBSkip(1);  // ABCX: two records before the last one (ABCZ)
  EXPECT_EQ(b->DBSkip(3), 2);
  EXPECT_FALSE(b->get("SkipOk").logical());
  EXPECT_EQ(name(), "ABCZ");
  EXPECT_EQ(b->DBSkip(-2), -2);
  EXPECT_TRUE(b->get("SkipOk").logical());
}

TEST_F(ZBrowseTable, InverseOrderStartsAtTheLastRecordOfTheRange) {
  auto b = table("C:\\names", "ABC", true);
  EXPECT_EQ(name(), "ABCZ");
  std::vector<std::string> shown{name()};
  while (b->DBSkip(1) == 1) shown.push_back(name());
  EXPECT_EQ(shown, (std::vector<std::string>{"ABCZ", "abcy", "ABCX", "ABC"}));
  EXPECT_EQ(b->DBSkip(-5), -3);
  EXPECT_EQ(name(), "ABCZ");
}

TEST_F(ZBrowseTable, ARangeWithoutKeysStandsPastTheEnd) {
  auto b = table("C:\\names", "QQQ");
  EXPECT_EQ(b->get("Rec1").number(), 0);
  EXPECT_TRUE(dbf::current().eof());
}

TEST_F(ZBrowseTable, WholeTableAndDestroy) {
  auto b = table("C:\\names", "");
  EXPECT_EQ(name(), "ABA");
  b->GoPos(100);
  EXPECT_EQ(name(), "XYZ");
  EXPECT_DOUBLE_EQ(b->dbPos(), 100);
  const double recNo = dbf::current().recNo();
  const std::string alias = b->get("Alias").text();
  b->Destroy();
  EXPECT_EQ(b->get("RecNo").number(), recNo);
  EXPECT_EQ(dbf::areaOf(alias), 0) << "the work area is closed";
  EXPECT_EQ(dbf::selected(), 1);
}

TEST_F(ZBrowseTable, ARecordListShowsItsRecords) {
  auto b = make();
  b->set("Spalten", arr(arr("Name", "NAME", 10)));
  b->set("File", "C:\\names");
  b->set("Liste", arr(4, 1, 7));
  b->Create();
  EXPECT_EQ(b->get("Rec1").number(), 4);
  EXPECT_EQ(b->get("RecL").number(), 7);
  b->navigation().goTop.call();
  EXPECT_EQ(name(), "XYZ");
  EXPECT_EQ(b->DBSkip(5), 2);
  EXPECT_EQ(name(), "abcy");
  EXPECT_DOUBLE_EQ(b->dbPos(), 100);
  b->GoPos(50);
  EXPECT_EQ(name(), "ABA");
}

}  // namespace
