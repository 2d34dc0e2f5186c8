// The progress display: the estimate table, the bar's layout and texts, the redraws by the
// progress thread while the sequence's thread is blocked, and a picture of the window.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>

#include "app/window/appsys.h"
#include "app/window/progress.h"
#include "core/globals.h"
#include "core/text.h"
#include "platform/gui/codes.h"
#include "platform/gui/control.h"
#include "platform/gui/testing/gui_testing.h"
#include "platform/thread/thread.h"

namespace gui = platform::gui;
namespace t = platform::gui::testing;
using core::Value;
using Outcome = t::Outcome;

namespace {

struct Tick {
  double now;
  Value nStep;
  Value nStepR;
};

struct EstimateCase {
  const char* name;
  std::vector<Tick> ticks;
  double share;
  std::string percent;
};

double run(const std::vector<Tick>& ticks) {
  app::ProgressState s;
  for (const auto& tick : ticks) s = app::nextProgress(s, tick.now, tick.nStep, tick.nStepR);
  return s.P;
}

TEST(ProgressEstimate, OverallShareFromStepAndStepShare) {
  const double t0 = 36000;  // 10:00
  const EstimateCase cases[] = {
      {"step 1", {{t0, 1, 0}}, 0.01, "  1"},
      {"step 2 half done", {{t0, 2, 0.5}}, 0.06, "  6"},
      {"step 3 at its start", {{t0, 3, 0}}, 0.1, " 10"},
      {"step 3 creeps", {{t0, 3, 0}, {t0 + 7.5, 3, 0}}, 0.1 + 0.85 * 0.05, " 14"},
      {"step 3 creeps to 18.5 % in 15 s", {{t0, 3, 0}, {t0 + 15, 3, 0}}, 0.185, ""},
      {"step 3 stops at 18.5 % without report", {{t0, 3, 0}, {t0 + 30, 3, 0}}, 0.185, ""},
      {"step 3 report 0.4 after 10 s", {{t0, 3, 0}, {t0 + 10, 3, 0.4}}, 0.1 + 0.85 * 0.4, " 44"},
      {"step 3 report 0.4, then 5 s silence",
       {{t0, 3, 0}, {t0 + 10, 3, 0.4}, {t0 + 15, 3, 0.4}},
       0.576,
       " 58"},
      {"step 3 estimate never beyond 0.9",
       {{t0, 3, 0}, {t0 + 10, 3, 0.4}, {t0 + 600, 3, 0.4}},
       0.1 + 0.85 * 0.9,
       ""},
      {"step 3 share going down keeps the estimate",
       {{t0, 3, 0}, {t0 + 10, 3, 0.4}, {t0 + 11, 3, 0.2}},
       0.1 + 0.85 * 0.4,
       " 44"},
      {"step 4 first pass", {{t0, 4, 0}}, 0.95, " 95"},
      {"step 4 second pass", {{t0, 4, 0.5}}, 1.0, "100"},
      {"step 5", {{t0, 5, 0}}, 1.0, "100"},
      {"unknown step keeps the share", {{t0, 2, 0.5}, {t0 + 1, 7, 0}}, 0.06, "  6"},
      {"no step at all keeps the share", {{t0, 4, 0}, {t0 + 1, Value(), Value()}}, 0.95, " 95"},
      // Sound where the plain rule divides by zero: a report in the tick that starts step 3.
      {"report at the start of step 3", {{t0, 3, 0.3}, {t0 + 5, 3, 0.3}}, 0.1 + 0.85 * 0.3, " 36"},
      // Over midnight the times go on counting from the day before.
      {"step 3 over midnight", {{86395, 3, 0}, {2, 3, 0}}, 0.1 + 0.85 * (7.0 / 150), " 14"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const double p = run(c.ticks);
    EXPECT_NEAR(p, c.share, 1e-9);
    // Shares that fall on half a percent are left out of the text check.
    if (!c.percent.empty()) {
      EXPECT_EQ(core::str(p * 100, 3, 0), c.percent);
    }
  }
}

TEST(ProgressEstimate, RateOfTheLastReportDrivesTheEstimate) {
  app::ProgressState s;
  s = app::nextProgress(s, 1000, 3, 0);
  s = app::nextProgress(s, 1010, 3, 0.4);
  EXPECT_DOUBLE_EQ(s.V, 0.04);
  EXPECT_DOUBLE_EQ(s.Sr, 0.4);
  EXPECT_DOUBLE_EQ(s.Tr, 1010);
  s = app::nextProgress(s, 1015, 3, 0.4);
  EXPECT_NEAR(s.x, 0.56, 1e-12);
}

class ProgressBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core::globals().declare("Fo_Ari10", "10.Arial");
    core::globals().declare("Fo_Ari10F", "10.Arial Fett");
    app::APPSYS();
    area = std::dynamic_pointer_cast<gui::Dialog>(gui::requireControl(core::globals().get("yMDI")))
               ->drawingArea();
  }
  void TearDown() override { t::resetProgram(); }

  gui::Control::Ref member(const std::shared_ptr<app::ZUBalken>& bar, const char* name) {
    return gui::requireControl(bar->get(name));
  }

  gui::Control::Ref area;
};

TEST_F(ProgressBarTest, BarIsLaidOutInTheMainWindowsDrawingArea) {
  auto bar = app::ZUBALKEN().New()->init(core::globals().get("yMDI"), "", Value::array());
  EXPECT_EQ(app::ZUBALKEN().name(), "zUBalken");
  EXPECT_EQ(bar->className(), "zUBalken");
  EXPECT_EQ(bar->kind(), gui::Kind::Dialog);
  EXPECT_EQ(bar->get("NWIDTH").number(), 460);  // members are found without regard to case
  struct Case {
    const char* member;
    gui::Point pos;
    gui::Size size;
    int type;
    std::string caption;
  };
  const Case cases[] = {
      {"oFrame", {30, 50}, {460, 25}, gui::stype::kOutline, ""},
      {"oBlock", {30, 50}, {1, 25}, gui::stype::kFilledRect, ""},
      {"oPercent", {195, 24}, {60, 15}, gui::stype::kText, "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.member);
    auto control = std::dynamic_pointer_cast<gui::Static>(member(bar, c.member));
    ASSERT_TRUE(control);
    EXPECT_EQ(control->parent(), area);
    EXPECT_EQ(control->position(), c.pos);
    EXPECT_EQ(control->size(), c.size);
    EXPECT_EQ(control->type(), c.type);
    EXPECT_EQ(control->caption(), c.caption);
  }
  auto percent = std::dynamic_pointer_cast<gui::Static>(member(bar, "oPercent"));
  EXPECT_EQ(percent->options(), gui::align::kRight);
  EXPECT_EQ(percent->font(), "10.Arial");
  auto sign = t::findByCaption(area, "%");
  ASSERT_TRUE(sign);
  EXPECT_EQ(sign->position(), (gui::Point{260, 20}));
  EXPECT_EQ(bar->get("aText").size(), 0u);
  EXPECT_EQ(bar->get("aText0").size(), 0u);
}

TEST_F(ProgressBarTest, ProgressSetsBlockWidthAndPercentage) {
  auto bar = app::ZUBALKEN().New()->init({}, {}, Value::array());
  struct Case {
    double share;
    int width;
    std::string percent;
  };
  const Case cases[] = {
      {0.456, 210, " 46"},
      {0.06, 28, "  6"},
      {0.576, 265, " 58"},
      {1.0, 460, "100"},
      {0.0, 0, "  0"},
      // Shares outside the bar are drawn at its ends.
      {1.7, 460, "100"},
      {-0.2, 0, "  0"},
      {std::nan(""), 0, "  0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.share);
    bar->progress(c.share);
    EXPECT_EQ(member(bar, "oBlock")->size(), (gui::Size{c.width, 25}));
    EXPECT_EQ(member(bar, "oPercent")->caption(), c.percent);
  }
}

TEST_F(ProgressBarTest, ExtraRowsShowTheirValuesAndABlankWhereOneIsMissing) {
  auto bar = app::ZUBALKEN().New()->init({}, {}, core::arr("Dateien", "Bytes"));
  const Value labels = bar->get("aText");
  const Value captions = bar->get("aText0");
  ASSERT_EQ(labels.size(), 2u);
  ASSERT_EQ(captions.size(), 2u);
  EXPECT_EQ(gui::requireControl(labels[1])->position(), (gui::Point{30, -1}));
  EXPECT_EQ(gui::requireControl(labels[2])->position(), (gui::Point{30, -26}));
  EXPECT_EQ(gui::requireControl(captions[1])->position(), (gui::Point{100, -5}));
  EXPECT_EQ(gui::requireControl(captions[2])->caption(), "Bytes");
  EXPECT_EQ(gui::requireControl(labels[1])->caption(), "0");
  bar->progress(0.5, core::arr(12));
  EXPECT_EQ(gui::requireControl(labels[1])->caption(), "12");
  EXPECT_EQ(gui::requireControl(labels[2])->caption(), " ");
}

TEST_F(ProgressBarTest, DestroyRemovesEveryPartOfTheBar) {
  auto bar = app::ZUBALKEN().New()->init({}, {}, core::arr("Dateien"));
  std::vector<gui::Control::Ref> parts = {member(bar, "oFrame"), member(bar, "oBlock"),
                                          member(bar, "oPercent"), gui::requireControl(bar->get("aText")[1]),
                                          gui::requireControl(bar->get("aText0")[1])};
  bar->destroy();
  for (const auto& part : parts) EXPECT_EQ(part->status(), gui::kStatusInit);
  // Only the percent sign, placed as a plain text, stays.
  auto left = area->children();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0]->caption(), "%");
}

TEST_F(ProgressBarTest, TheBarKeepsRedrawingWhileTheSequenceIsBlocked) {
  t::resetProgram();  // the sequence makes its own main window
  int repaints = 0;
  bool reached = false;
  std::string percent;
  const Outcome end = t::runAsMain([&] {
    auto& g = core::globals();
    g.declare("Fo_Ari10", "10.Arial");
    g.declare("Fo_Ari10F", "10.Arial Fett");
    g.declare("nStep", 3);
    g.declare("nStepR", 0);
    app::APPSYS();
    platform::thread::start("Upd_Progress", [] { app::UPD_PROGRESS(); });
    auto mainArea = std::dynamic_pointer_cast<gui::Dialog>(gui::requireControl(g.get("yMDI")))->drawingArea();
    std::shared_ptr<gui::Static> block;
    auto isBlock = [](const gui::Control::Ref& c) {
      auto s = std::dynamic_pointer_cast<gui::Static>(c);
      return s && s->type() == gui::stype::kFilledRect;
    };
    ASSERT_TRUE(t::waitUntil([&] {
      auto found = t::findAll(mainArea, isBlock);
      if (!found.empty()) block = std::dynamic_pointer_cast<gui::Static>(found.front());
      return block != nullptr;
    }));
    t::RepaintCounter counter(block);
    // The sequence's thread now sleeps in one blocking call (as in a download) and does not
    // touch the window; only the progress thread makes the bar draw.
    reached = counter.waitFor(10, std::chrono::seconds(60));
    repaints = counter.count();
    percent = t::findAll(mainArea,
                         [](const gui::Control::Ref& c) {
                           return c->kind() == gui::Kind::Static &&
                                  std::dynamic_pointer_cast<gui::Static>(c)->options() == gui::align::kRight;
                         })
                  .front()
                  ->caption();
  });
  EXPECT_EQ(end.how, Outcome::How::Returned) << end.describe();
  EXPECT_TRUE(reached);
  EXPECT_GE(repaints, 10);
  // Step 3 without a report creeps from 10 % towards 18.5 %, right-aligned in three places.
  ASSERT_EQ(percent.size(), 3u);
  EXPECT_EQ(percent[0], ' ');
  EXPECT_GE(core::val(percent), 10);
  EXPECT_LE(core::val(percent), 19);
}

TEST_F(ProgressBarTest, TheMainWindowCanBeSavedAsAPicture) {
  auto bar = app::ZUBALKEN().New()->init({}, {}, Value::array());
  bar->progress(0.456);
  const auto dir =
      std::filesystem::temp_directory_path() /
      ("zov_progress_png_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "bar.png").string();
  ASSERT_TRUE(t::savePng(gui::requireControl(core::globals().get("yMDI")), file));
  EXPECT_EQ(t::pngSize(file), (gui::Size{520, 260}));
  // The block is drawn in the foreground colour up to 46 % of the bar, the rest is empty.
  EXPECT_EQ(t::pixelAt(area, {30 + 100, 60}), 0x000000u);
  EXPECT_NE(t::pixelAt(area, {30 + 300, 60}), 0x000000u);
  std::filesystem::remove_all(dir);
}

}  // namespace
