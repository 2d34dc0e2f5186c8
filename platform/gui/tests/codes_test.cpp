// The mapping tables: colours, static types, event names, class names and the key table.
#include <gtest/gtest.h>

#include <set>

#include "platform/gui/codes.h"
#include "platform/gui/control.h"
#include "platform/gui/detail/impl.h"

namespace gui = platform::gui;

namespace {

TEST(Codes, TheColourNumbersTheProgramNames) {
  struct Case {
    int code;
    std::uint32_t rgb;
  };
  const Case cases[] = {
      {gui::colour::kButtonFace, 0xE6E6E6},  {gui::colour::kButtonText, 0x000000},
      {gui::colour::kDialogPale, 0xEEF2F7},  {gui::colour::kFocusField, 0xFFFFC8},
      {gui::colour::kFieldWindow, 0xFFFFFF}, {gui::colour::kTooltipText, 0x000000},
      {gui::colour::kTooltipBack, 0xFFFFE1}, {gui::colour::kWhite, 0xFFFFFF},
      {gui::colour::kBlack, 0x000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    ASSERT_TRUE(gui::colourRgb(c.code).has_value());
    EXPECT_EQ(*gui::colourRgb(c.code), c.rgb);
  }
  EXPECT_FALSE(gui::colourRgb(gui::colour::kDefault).has_value());
  EXPECT_FALSE(gui::colourRgb(4711).has_value());
}

TEST(Codes, StaticTypes) {
  struct Case {
    int type;
    gui::StaticShape shape;
  };
  const Case cases[] = {
      {1, gui::StaticShape::Text},
      {2, gui::StaticShape::GroupBox},
      {5, gui::StaticShape::Bitmap},
      {6, gui::StaticShape::FilledForeground},
      {7, gui::StaticShape::FilledBackground},
      {8, gui::StaticShape::Outline},
      {99, gui::StaticShape::Text},
  };
  for (const auto& c : cases) EXPECT_EQ(gui::staticShape(c.type), c.shape) << c.type;
}

TEST(Codes, EventCodesHaveDistinctNamesAndTheNumbersThePartsUse) {
  const int codes[] = {gui::ev::kKeyboard,        gui::ev::kClose,       gui::ev::kSetFocus,
                       gui::ev::kKillFocus,       gui::ev::kMove,        gui::ev::kActivate,
                       gui::ev::kItemSelected,    gui::ev::kItemMarked,  gui::ev::kLeftDown,
                       gui::ev::kRightDown,       gui::ev::kMotion,      gui::ev::kLeftDoubleClick,
                       gui::ev::kHeaderRightDown, gui::ev::kTabActivate, gui::ev::kPaint,
                       gui::ev::kResize};
  std::set<std::string> names;
  for (int code : codes) {
    EXPECT_FALSE(gui::eventName(code).empty()) << code;
    names.insert(gui::eventName(code));
  }
  EXPECT_EQ(names.size(), std::size(codes));
  EXPECT_EQ(gui::ev::kMotion, 1048598);
  EXPECT_EQ(gui::ev::kPaint, 1048626);
  EXPECT_EQ(gui::ev::kResize, 1048628);
  EXPECT_EQ(gui::eventName(12345), "");
}

TEST(Codes, ToolkitKeysBecomeTheProgramsKeyCodes) {
  namespace d = gui::detail;
  struct Case {
    const char* name;
    int key;
    int modifiers;
    const char* text;
    int code;
  };
  const Case cases[] = {
      {"Enter", Qt::Key_Return, 0, "\r", 13},
      {"keypad Enter", Qt::Key_Enter, 0, "\r", 13},
      {"Escape", Qt::Key_Escape, 0, "", 27},
      {"Tab", Qt::Key_Tab, 0, "\t", 9},
      {"Backspace", Qt::Key_Backspace, 0, "", 8},
      {"F1", Qt::Key_F1, 0, "", 65648},
      {"F2", Qt::Key_F2, 0, "", 65649},
      {"F12", Qt::Key_F12, 0, "", 65659},
      {"Home", Qt::Key_Home, 0, "", 65572},
      {"End", Qt::Key_End, 0, "", 65571},
      {"Up", Qt::Key_Up, 0, "", 65574},
      {"Down", Qt::Key_Down, 0, "", 65576},
      {"Page up", Qt::Key_PageUp, 0, "", 65569},
      {"Page down", Qt::Key_PageDown, 0, "", 65570},
      {"Delete", Qt::Key_Delete, 0, "", 65582},
      {"Ctrl+C", Qt::Key_C, Qt::ControlModifier, "\x03", 3},
      {"Alt+K", Qt::Key_K, Qt::AltModifier, "k", 327755},
      {"Alt+P", Qt::Key_P, Qt::AltModifier, "p", 327760},
      {"Ctrl+F1", Qt::Key_F1, Qt::ControlModifier, "", 589936},
      {"Ctrl+F8", Qt::Key_F8, Qt::ControlModifier, "", 589943},
      {"letter", Qt::Key_B, 0, "b", 'b'},
      {"capital", Qt::Key_B, Qt::ShiftModifier, "B", 'B'},
      {"digit", Qt::Key_5, 0, "5", '5'},
      {"euro sign", Qt::Key_unknown, 0, "\u20ac", 0x80},
      {"Shift alone", Qt::Key_Shift, Qt::ShiftModifier, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(d::keyCodeFromToolkit(c.key, c.modifiers, QString::fromUtf8(c.text)), c.code);
  }
  EXPECT_EQ(gui::key::kAltK, 327755);
}

TEST(Codes, ClassNamesOfTheKinds) {
  EXPECT_EQ(gui::kindClassName(gui::Kind::Dialog), "Dialog");
  EXPECT_EQ(gui::kindClassName(gui::Kind::SingleLineEdit), "SingleLineEdit");
  EXPECT_EQ(gui::kindClassName(gui::Kind::Browse), "Browse");
}

}  // namespace
