// The browse with columns over a source walked with navigation callbacks.
#include <gtest/gtest.h>

#include <Qt>

#include "core/text.h"
#include "platform/gui/browse.h"
#include "platform/gui/codes.h"
#include "platform/gui/control.h"
#include "platform/gui/events.h"
#include "platform/gui/testing/gui_testing.h"

using namespace core::literals;
namespace gui = platform::gui;
namespace t = platform::gui::testing;
using core::Value;

namespace {

// An in-memory source with a current row, as the program's array mode has one.
struct Source {
  std::vector<std::vector<std::string>> rows;
  long pos = 1;
  int dataCalls = 0;

  gui::Browse::Navigation navigation() {
    gui::Browse::Navigation n;
    auto count = [this] { return static_cast<long>(rows.size()); };
    n.skip = Value(core::Callback([this, count](const std::vector<Value>& a) {
      const long old = pos;
      pos = std::max(1L, std::min(pos + a[0].integer(), std::max(1L, count())));
      return Value(pos - old);
    }));
    n.goTop = Value(core::Callback([this](const std::vector<Value>&) {
      pos = 1;
      return Value();
    }));
    n.goBottom = Value(core::Callback([this, count](const std::vector<Value>&) {
      pos = std::max(1L, count());
      return Value();
    }));
    n.physPos = Value(core::Callback([this](const std::vector<Value>&) { return Value(pos); }));
    return n;
  }

  Value cell(std::size_t column) {
    return Value(core::Callback([this, column](const std::vector<Value>&) -> Value {
      ++dataCalls;
      if (rows.empty()) return Value(" ");
      return Value(rows[static_cast<std::size_t>(pos - 1)][column]);
    }));
  }
};

class BrowseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gui::threadQueue()->clear();
    dialog = gui::Dialog::make();
    dialog->create({0, 0}, {600, 400});
    browse = gui::Browse::make(dialog);
    browse->setNavigation(source.navigation());
    browse->setHorizontalScroll(false);
    browse->setUserColumnResize(false);
    browse->setCursorMode(3);
    browse->create({20, 70}, {580, 225});
  }
  void TearDown() override { t::resetProgram(); }

  void addColumns() {
    const char* headings[] = {"Verzeichnis", "Vers.", "Hausname"};
    const int widths[] = {250, 50, 200};
    for (std::size_t i = 0; i < 3; ++i) {
      auto col = gui::BrowseColumn::make({{gui::colset::kHeading, Value(headings[i])},
                                          {117, Value(0)},
                                          {gui::colset::kFont, Value("10.Arial Fett")},
                                          {gui::colset::kWidth, Value(widths[i])}});
      col->setDataCallback(source.cell(i));
      browse->addColumn(col);
    }
  }

  gui::Event next(int code) {
    for (int i = 0; i < 50; ++i) {
      gui::Event e = gui::nextEvent(200);
      if (e.code == code || e.code == gui::ev::kNone) return e;
    }
    return {};
  }

  Source source;
  std::shared_ptr<gui::Dialog> dialog;
  std::shared_ptr<gui::Browse> browse;
};

TEST_F(BrowseTest, RefreshReadsEveryRowCellByCellAndReturnsToTheCurrentRow) {
  source.rows = {{"C:\\ZOV\\", "4.3F", "Haus Seeblick"},
                 {"D:\\ZOV\\", "4.2A", "Pension Sonne"},
                 {"E:\\ZOV1\\", "4.3B", "Gasthof Linde"}};
  addColumns();
  source.pos = 2;
  browse->refreshAll();
  EXPECT_EQ(browse->shownRows(), source.rows);
  EXPECT_EQ(browse->currentRow(), 2);
  EXPECT_EQ(source.pos, 2);
  EXPECT_EQ(source.dataCalls, 9);  // each row's cells once, first column first
  source.rows[1][2] = "Pension Mond";
  browse->refreshCurrent();
  EXPECT_EQ(browse->shownRows()[1][2], "Pension Mond");
}

TEST_F(BrowseTest, AnEmptySourceShowsOneRowOfBlanks) {
  addColumns();
  browse->refreshAll();
  EXPECT_EQ(browse->shownRows(), (std::vector<std::vector<std::string>>{{" ", " ", " "}}));
}

TEST_F(BrowseTest, MarkingARowMovesTheSourceThereWhenTheOwnerHandlesIt) {
  source.rows = {{"a", "1", "x"}, {"b", "2", "y"}, {"c", "3", "z"}};
  addColumns();
  browse->refreshAll();
  std::vector<Value> marked;
  browse->setHandler(gui::ev::kItemMarked, Value(core::Callback([&](const std::vector<Value>& a) {
                       marked = a;
                       return Value();
                     })));
  t::markRow(browse, 3);
  const gui::Event e = next(gui::ev::kItemMarked);
  ASSERT_EQ(e.code, gui::ev::kItemMarked);
  EXPECT_EQ(e.mp1.number(), 3);
  EXPECT_EQ(source.pos, 1);  // nothing moves before the owner handles the event
  gui::handleEvent(e);
  EXPECT_EQ(source.pos, 3);
  EXPECT_EQ(browse->currentRow(), 3);
  ASSERT_EQ(marked.size(), 3u);
  EXPECT_EQ(gui::asControl(marked[2]), browse);
}

TEST_F(BrowseTest, DoubleClickAndEnterSelectTheRow) {
  source.rows = {{"a", "1", "x"}, {"b", "2", "y"}};
  addColumns();
  browse->refreshAll();
  std::vector<long> selected;
  browse->setHandler(gui::ev::kItemSelected, Value(core::Callback([&](const std::vector<Value>&) {
                       selected.push_back(source.pos);
                       return Value();
                     })));
  t::doubleClickRow(browse, 2);
  for (gui::Event e = gui::nextEvent(50); e.code != gui::ev::kNone; e = gui::nextEvent(50))
    gui::handleEvent(e);
  t::markRow(browse, 1);
  t::pressKey(browse, Qt::Key_Return);
  for (gui::Event e = gui::nextEvent(50); e.code != gui::ev::kNone; e = gui::nextEvent(50))
    gui::handleEvent(e);
  EXPECT_EQ(selected, (std::vector<long>{2, 1}));
}

TEST_F(BrowseTest, RightClickOnAHeadingTellsTheColumn) {
  source.rows = {{"a", "1", "x"}};
  addColumns();
  browse->refreshAll();
  std::vector<Value> args;
  browse->setHandler(gui::ev::kHeaderRightDown, Value(core::Callback([&](const std::vector<Value>& a) {
                       args = a;
                       return Value();
                     })));
  t::rightClickHeading(browse, 2);
  gui::handleEvent(next(gui::ev::kHeaderRightDown));
  ASSERT_EQ(args.size(), 3u);
  EXPECT_EQ(args[1].number(), 2);
  const gui::Point at = gui::toPoint(args[0]);
  EXPECT_GE(at.x, 250);  // within the second column's heading
  EXPECT_LT(at.x, 300);
  EXPECT_GT(at.y, 180);  // near the top of the browse
}

TEST_F(BrowseTest, ColumnSettingsGiveHeadingWidthAndAlignment) {
  addColumns();
  ASSERT_EQ(browse->columnCount(), 3);
  auto col = browse->column(2);
  EXPECT_EQ(col->heading(), "Vers.");
  EXPECT_EQ(col->size(), (gui::Size{50, gui::Browse::kRowHeight}));
  EXPECT_EQ(col->setting(117).number(), 0);  // codes without a role are kept as given
  col->configure({{gui::colset::kHeading, Value("V")},
                  {gui::colset::kWidth, Value(43.359375)},
                  {gui::colset::kAlignment, Value(2)}});
  EXPECT_EQ(col->heading(), "V");
  EXPECT_EQ(col->size().width, 43);
  EXPECT_EQ(col->alignment(), gui::align::kRight);
  EXPECT_EQ(col->settings().size(), 5u);
  EXPECT_EQ(col->parent(), browse);
  EXPECT_EQ(browse->column(4), nullptr);
}

TEST_F(BrowseTest, ALongSourceIsReadUpToTheRowLimit) {
  source.rows.assign(gui::Browse::kMaxRows + 100, {"r", "1", "x"});
  addColumns();
  browse->refreshAll();
  EXPECT_EQ(browse->shownRows().size(), static_cast<std::size_t>(gui::Browse::kMaxRows));
}

TEST_F(BrowseTest, AColourCallbackColoursItsCells) {
  source.rows = {{"rot", "1", "x"}, {"blau", "2", "y"}};
  addColumns();
  browse->column(1)->setColourCallback(Value(core::Callback([](const std::vector<Value>& a) {
    return a[0].text() == "rot" ? core::arr(gui::colour::kWhite, 2) : Value();
  })));
  source.pos = 2;  // the first row is not the marked one
  browse->refreshAll();
  EXPECT_EQ(t::cellPixel(browse, 1, 1), *gui::colourRgb(2));
  EXPECT_NE(t::cellPixel(browse, 1, 2), *gui::colourRgb(2));
}

}  // namespace
