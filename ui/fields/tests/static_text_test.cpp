// Static text blocks: one static per line, 20 pixels apart, at a position or at the layout
// cursor of the parent's cargo.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "core/object.h"
#include "core/text.h"
#include "platform/gui/codes.h"
#include "platform/gui/control.h"
#include "platform/gui/testing/gui_testing.h"
#include "ui/fields/static_text.h"

using namespace core::literals;
namespace gui = platform::gui;
namespace t = platform::gui::testing;
using core::Value;
using ui::fields::XSTRING;

namespace {

class StaticTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core::globals().declare("Fo_Ari10", "10.Arial");
    core::globals().declare("Fo_Ari10F", "10.Arial Fett");
    dialog = gui::Dialog::make();
    dialog->create({0, 0}, {450, 340});
    area = dialog->drawingArea();
  }
  void TearDown() override { t::resetProgram(); }

  std::vector<gui::Control::Ref> statics() const { return area->children(); }

  // A cargo with the layout cursor, as a framework drawing area has one.
  Value cursor(double links, double oben) {
    const auto& cls = core::defineClass("zCursorTest", {"links", "oben"});
    Value cargo(cls.create());
    core::setMember(cargo, "links", links);
    core::setMember(cargo, "oben", oben);
    area->setCargo(cargo);
    return cargo;
  }

  std::shared_ptr<gui::Dialog> dialog;
  gui::Control::Ref area;
};

TEST_F(StaticTextTest, TwoLinesAtAPositionAreTwentyPixelsApartAndThePositionStays) {
  const Value pos = core::arr(10, 150);
  const Value last = XSTRING(Value(area), "erste Zeile\r\nzweite Zeile", pos);
  auto made = statics();
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0]->position(), (gui::Point{10, 150}));
  EXPECT_EQ(made[1]->position(), (gui::Point{10, 130}));
  EXPECT_EQ(made[0]->caption(), "erste Zeile");
  EXPECT_EQ(made[1]->caption(), "zweite Zeile");
  EXPECT_EQ(gui::requireControl(last), made[1]);
  EXPECT_EQ(gui::toPoint(pos), (gui::Point{10, 150}));
  for (const auto& s : made) {
    EXPECT_TRUE(s->isVisible());
    EXPECT_EQ(s->font(), "10.Arial");
    EXPECT_EQ(std::dynamic_pointer_cast<gui::Static>(s)->type(), gui::stype::kText);
  }
}

TEST_F(StaticTextTest, WithoutAPositionTheTextFlowsAtTheCursorWhichMovesBelowIt) {
  const Value cargo = cursor(10, 200);
  XSTRING(Value(area), "eins\r\nzwei");
  auto made = statics();
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0]->position(), (gui::Point{10, 200}));
  EXPECT_EQ(made[1]->position(), (gui::Point{10, 180}));
  EXPECT_EQ(core::memberOf(cargo, "oben").number(), 150);
  EXPECT_EQ(core::memberOf(cargo, "links").number(), 10);
}

TEST_F(StaticTextTest, AnEmptyLineStillTakesItsTwentyPixels) {
  XSTRING(Value(area), "oben\r\n\r\nunten", core::arr(10, 150));
  auto made = statics();
  ASSERT_EQ(made.size(), 3u);
  EXPECT_EQ(made[1]->caption(), "");
  EXPECT_EQ(made[1]->position(), (gui::Point{10, 130}));
  EXPECT_EQ(made[2]->position(), (gui::Point{10, 110}));
}

TEST_F(StaticTextTest, AnEmptyTextMakesNothingButMovesTheCursorTenDown) {
  const Value cargo = cursor(20, 100);
  EXPECT_TRUE(XSTRING(Value(area), "").isNil());
  EXPECT_TRUE(statics().empty());
  EXPECT_EQ(core::memberOf(cargo, "oben").number(), 90);
  EXPECT_TRUE(XSTRING(Value(area), "", core::arr(10, 10)).isNil());
  EXPECT_TRUE(statics().empty());
}

TEST_F(StaticTextTest, BoldLinesAreInTheBoldFont) {
  XSTRING(Value(area), "Achtung\r\nfett"_w, core::arr(10, 100), Value(true));
  for (const auto& s : statics()) {
    EXPECT_EQ(s->font(), "10.Arial Fett");
    EXPECT_TRUE(t::hostFont(s).bold);
  }
}

TEST_F(StaticTextTest, TrailingBlanksAreRemovedAndLongLinesWrapAtABlank) {
  XSTRING(Value(area), "nicht gefunden werden.       \r\neins zwei drei vier", core::arr(10, 150), Value(),
          Value(10));
  auto made = statics();
  ASSERT_EQ(made.size(), 5u);
  EXPECT_EQ(made[0]->caption(), "nicht");
  EXPECT_EQ(made[1]->caption(), "gefunden");
  EXPECT_EQ(made[2]->caption(), "werden.");
  EXPECT_EQ(made[3]->caption(), "eins zwei");
  EXPECT_EQ(made[3]->position(), (gui::Point{10, 90}));
  EXPECT_EQ(made[4]->caption(), "drei vier");
}

TEST(TextLines, BreaksAndWrapping) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t length;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"empty", "", 79, {}},
      {"one line", "abc", 79, {"abc"}},
      {"break at the end starts no line", "abc\r\n", 79, {"abc"}},
      {"empty line inside", "a\r\n\r\nb", 79, {"a", "", "b"}},
      {"wrap at the last blank", "eins zwei drei", 9, {"eins zwei", "drei"}},
      {"trailing blanks make no line", "werden.       ", 10, {"werden."}},
      {"a word longer than the line is cut", "abcdefghij kl", 4, {"abcd", "efgh", "ij", "kl"}},
      {"a carriage return alone is no break", "a\rb", 79, {"a\rb"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ui::fields::textLines(c.text, c.length), c.lines);
  }
}

TEST_F(StaticTextTest, ALineLengthThatIsNoNumberCountsAsNotGiven) {
  const std::string longLine(60, 'x');
  XSTRING(Value(area), longLine + " " + longLine, core::arr(5, 200), Value(false), Value("kurz"));
  auto made = statics();
  ASSERT_EQ(made.size(), 2u);  // wrapped at the default of 79
  EXPECT_EQ(made[0]->caption(), longLine);
}

}  // namespace
