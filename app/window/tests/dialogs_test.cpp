// The selection dialog window, its push buttons and the label-with-value lines.
#include <gtest/gtest.h>

#include <thread>

#include "app/window/appsys.h"
#include "app/window/dialogs.h"
#include "core/date.h"
#include "core/globals.h"
#include "core/text.h"
#include "platform/gui/codes.h"
#include "platform/gui/control.h"
#include "platform/gui/events.h"
#include "platform/gui/testing/gui_testing.h"

using namespace core::literals;
namespace gui = platform::gui;
namespace t = platform::gui::testing;
using core::Value;
using Outcome = t::Outcome;

namespace {

const std::string kTitle = "Update einer früheren ZOV-Version"_w;

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app::APPSYS();
    core::globals().declare("yDlg_Set", core::globals().get("oDlg"));
    core::globals().declare("yDlg_upd", Value());
  }
  void TearDown() override { t::resetProgram(); }
};

gui::Control::Ref areaOf(const Value& dialog) {
  return std::dynamic_pointer_cast<gui::Dialog>(gui::requireControl(dialog))->drawingArea();
}

TEST_F(DialogsTest, UpdDlgOpensOneCentredSelectionDialogAndHidesTheMainWindow) {
  const auto desk = gui::desktopSize();
  const Value first = app::UPD_DLG(core::arr(430, 215));
  auto dialog = gui::requireControl(first);
  EXPECT_EQ(dialog->caption(), kTitle);
  EXPECT_EQ(dialog->size(), (gui::Size{430, 215}));
  EXPECT_EQ(dialog->position(), (gui::Point{(desk.width - 430) / 2, (desk.height - 215) / 2}));
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(core::globals().get("yDlg_upd").identical(first));
  EXPECT_FALSE(gui::requireControl(core::globals().get("oDlg"))->isVisible());
  // The drawing area has the background colour 6 of the palette.
  EXPECT_EQ(areaOf(first)->background(), gui::colour::kDialogPale);
  EXPECT_EQ(t::pixelAt(areaOf(first), {5, 5}), *gui::colourRgb(gui::colour::kDialogPale));

  const Value second = app::UPD_DLG(core::arr(600, 400));
  EXPECT_EQ(dialog->status(), gui::kStatusInit);
  EXPECT_TRUE(core::globals().get("yDlg_upd").identical(second));
  int open = 0;
  for (const auto& w : gui::desktop()->children())
    if (w->caption() == kTitle) ++open;
  EXPECT_EQ(open, 1);
}

TEST_F(DialogsTest, TheCloseButtonOfASelectionDialogQuits) {
  t::MainRun run([] {
    app::UPD_DLG(core::arr(450, 340));
    for (;;) gui::handleEvent(gui::nextEvent());
  });
  auto dialog = t::waitForWindow(kTitle);
  ASSERT_TRUE(dialog);
  t::closeWindow(dialog);
  const Outcome end = run.wait();
  EXPECT_EQ(end.how, Outcome::How::Ended) << end.describe();
  EXPECT_EQ(end.exitCode, 0);
}

TEST_F(DialogsTest, UpdBtnRunsItsActionOnTheThreadThatMadeTheButton) {
  std::thread::id actionThread;
  std::thread::id mainThread;
  gui::Control::Ref made;
  t::MainRun run([&] {
    mainThread = std::this_thread::get_id();
    const Value dialog = app::UPD_DLG(core::arr(430, 215));
    bool pressed = false;
    made = gui::requireControl(
        app::UPD_BTN(Value(areaOf(dialog)), core::arr(20, 20), core::arr(140, 25), "Selbst suchen", [&] {
          actionThread = std::this_thread::get_id();
          pressed = true;
        }));
    while (!pressed) gui::handleEvent(gui::nextEvent());
  });
  auto dialog = t::waitForWindow(kTitle);
  ASSERT_TRUE(dialog);
  gui::Control::Ref button;
  ASSERT_TRUE(t::waitUntil([&] { return (button = t::findByCaption(dialog, "Selbst suchen")) != nullptr; }));
  EXPECT_EQ(button->position(), (gui::Point{20, 20}));
  EXPECT_EQ(button->size(), (gui::Size{140, 25}));
  EXPECT_EQ(button->font(), "10.Arial");
  t::click(button);
  const Outcome end = run.wait();
  EXPECT_EQ(end.how, Outcome::How::Returned) << end.describe();
  EXPECT_EQ(actionThread, mainThread);
  EXPECT_NE(actionThread, std::this_thread::get_id());
  EXPECT_EQ(made, button);
}

TEST_F(DialogsTest, InfolinePlacesLabelAndReadOnlyValueAndAdvancesThePosition) {
  const Value dialog = app::UPD_DLG(core::arr(450, 340));
  const Value area(areaOf(dialog));
  struct Case {
    const char* label;
    Value value;
    Value labelWidth;
    Value valueWidth;
    Value noAlign;
    gui::Point at;
    gui::Point fieldAt;
    gui::Size fieldSize;
    std::string shown;
    int alignment;
  };
  const Case cases[] = {
      {"Verzeichnis:",
       Value("C:\\ZOV\\"),
       {},
       Value(250),
       {},
       {10, 185},
       {145, 185},
       {250, 20},
       "C:\\ZOV\\",
       gui::align::kRight},
      {"Version:",
       Value("4.3F"),
       Value(120),
       Value(40),
       {},
       {10, 158},
       {145, 158},
       {40, 20},
       "4.3F",
       gui::align::kRight},
      {"Letzte Anmeldung:",
       Value(core::Date::fromYmd(2024, 3, 7)),
       {},
       Value(80),
       {},
       {10, 104},
       {145, 104},
       {80, 20},
       "07.03.2024",
       gui::align::kRight},
      {"frei:", Value(), Value(60), {}, Value(true), {10, 50}, {85, 50}, {120, 20}, "", gui::align::kLeft},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Value pos = core::arr(c.at.x, c.at.y);
    Value field;
    app::INFOLINE(area, pos, c.label, c.value, c.labelWidth, c.valueWidth, c.noAlign, &field);
    EXPECT_EQ(gui::toPoint(pos), c.fieldAt);
    auto edit = std::dynamic_pointer_cast<gui::SingleLineEdit>(gui::requireControl(field));
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->position(), c.fieldAt);
    EXPECT_EQ(edit->size(), c.fieldSize);
    EXPECT_EQ(edit->value().text(), c.shown);
    EXPECT_FALSE(edit->editable());
    EXPECT_EQ(edit->font(), "10.Arial");
    auto label = std::dynamic_pointer_cast<gui::Static>(t::findByCaption(areaOf(dialog), c.label));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->position(), c.at);
    EXPECT_EQ(label->size(),
              (gui::Size{c.labelWidth.isNumber() ? static_cast<int>(c.labelWidth.number()) : 120, 20}));
    EXPECT_EQ(label->options(), c.alignment);
  }
}

}  // namespace
