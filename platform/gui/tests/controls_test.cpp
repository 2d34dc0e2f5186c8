// Every control kind: creation and destruction, class names, children, captions and values,
// fonts, colours, bitmap captions, visibility, focus, members and help labels.
#include <gtest/gtest.h>

#include <QApplication>

#include "core/failure.h"
#include "core/text.h"
#include "platform/gui/boxes.h"
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

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog = gui::Dialog::make();
    dialog->setCaption("Steuerelemente");
    dialog->create({10, 10}, {500, 400});
    area = dialog->drawingArea();
  }
  void TearDown() override { t::resetProgram(); }

  std::shared_ptr<gui::Dialog> dialog;
  gui::Control::Ref area;
};

TEST_F(ControlsTest, EveryKindIsCreatedWithItsClassNameAndDestroyedWithItsChildren) {
  struct Case {
    gui::Control::Ref control;
    gui::Kind kind;
    const char* className;
  };
  auto browse = gui::Browse::make(area);
  const Case cases[] = {
      {gui::Static::make(area), gui::Kind::Static, "Static"},
      {gui::PushButton::make(area), gui::Kind::PushButton, "PushButton"},
      {gui::SingleLineEdit::make(area), gui::Kind::SingleLineEdit, "SingleLineEdit"},
      {gui::MultiLineEdit::make(area), gui::Kind::MultiLineEdit, "MultiLineEdit"},
      {gui::ComboBox::make(area), gui::Kind::ComboBox, "ComboBox"},
      {gui::CheckBox::make(area), gui::Kind::CheckBox, "CheckBox"},
      {gui::SpinButton::make(area), gui::Kind::SpinButton, "SpinButton"},
      {browse, gui::Kind::Browse, "Browse"},
      {gui::TabPage::make(area), gui::Kind::TabPage, "TabPage"},
  };
  int y = 10;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.className);
    EXPECT_EQ(c.control->status(), gui::kStatusInit);
    c.control->create({10, y}, {150, 22});
    y += 30;
    EXPECT_EQ(c.control->status(), gui::kStatusCreated);
    EXPECT_EQ(c.control->kind(), c.kind);
    EXPECT_EQ(c.control->className(), c.className);
    EXPECT_EQ(c.control->parent(), area);
  }
  EXPECT_EQ(dialog->className(), "Dialog");
  EXPECT_EQ(area->className(), "DrawingArea");
  EXPECT_EQ(gui::desktop()->className(), "Desktop");
  EXPECT_EQ(gui::Menu::make()->className(), "Menu");
  EXPECT_EQ(gui::HelpLabel::make("x")->className(), "HelpLabel");
  EXPECT_EQ(gui::FileDialog::make()->className(), "FileDialog");
  EXPECT_EQ(gui::BrowseColumn::make()->className(), "BrowseColumn");

  auto children = area->children();
  ASSERT_EQ(children.size(), std::size(cases));
  for (std::size_t i = 0; i < children.size(); ++i) EXPECT_EQ(children[i], cases[i].control);
  EXPECT_EQ(dialog->children(), std::vector<gui::Control::Ref>{area});

  cases[1].control->destroy();
  EXPECT_EQ(cases[1].control->status(), gui::kStatusInit);
  EXPECT_EQ(area->children().size(), std::size(cases) - 1);

  dialog->destroy();
  EXPECT_EQ(dialog->status(), gui::kStatusInit);
  for (const auto& c : cases) EXPECT_EQ(c.control->status(), gui::kStatusInit);
  // A destroyed window can be created again.
  dialog->create();
  EXPECT_EQ(dialog->status(), gui::kStatusCreated);
  EXPECT_EQ(dialog->size(), (gui::Size{500, 400}));
}

TEST_F(ControlsTest, ControlsInAParentThatIsNotCreatedCannotBeCreated) {
  auto later = gui::Dialog::make();
  auto label = gui::Static::make(later);
  EXPECT_THROW(label->create({0, 0}, {10, 10}), core::RuntimeFailure);
}

TEST_F(ControlsTest, ValuesAndCaptionsReadBackAsSet) {
  const std::string umlauts = "Müller & Söhne, Straße"_w;
  struct Case {
    const char* name;
    gui::Control::Ref control;
    Value set;
    Value expected;
  };
  auto spin = gui::SpinButton::make(area);
  spin->setLimits(1, 12);
  const Case cases[] = {
      {"single-line edit", gui::SingleLineEdit::make(area), Value(umlauts), Value(umlauts)},
      {"multi-line edit", gui::MultiLineEdit::make(area), Value("Zeile 1\r\nZeile 2"),
       Value("Zeile 1\r\nZeile 2")},
      {"check box on", gui::CheckBox::make(area), Value(true), Value(true)},
      {"spin button", spin, Value(7), Value(7)},
      {"spin button above its limit", spin, Value(40), Value(12)},
      {"static", gui::Static::make(area), Value(umlauts), Value(umlauts)},
      {"push button", gui::PushButton::make(area), Value("Weiter"), Value("Weiter")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.control->isCreated()) c.control->create({10, 10}, {200, 40});
    c.control->setValue(c.set);
    EXPECT_TRUE(c.control->value().identical(c.expected)) << core::toDisplayText(c.control->value());
  }
  // Settings made before creation apply when the control is created.
  auto early = gui::SingleLineEdit::make(area);
  early->setValue("vorher");
  early->create({10, 100}, {100, 20});
  EXPECT_EQ(early->value().text(), "vorher");
}

TEST_F(ControlsTest, ComboBoxItemsSelectionAndEntryText) {
  struct Case {
    int type;
    bool editable;
  };
  for (const Case c : {Case{gui::combo::kDropDown, true}, Case{gui::combo::kDropDownList, false}}) {
    SCOPED_TRACE(c.type);
    auto box = gui::ComboBox::make(area);
    box->setComboType(c.type);
    box->addItem("Alpha");
    box->create({10, 10}, {150, 22});
    EXPECT_EQ(box->addItem("Beta"), 2);
    EXPECT_EQ(box->itemCount(), 2);
    EXPECT_EQ(box->itemText(2), "Beta");
    EXPECT_TRUE(box->selectedItems().empty());
    box->selectItem(2);
    EXPECT_EQ(box->selectedItems(), std::vector<int>{2});
    EXPECT_EQ(box->value().text(), "Beta");
    box->setValue("Alpha");
    EXPECT_EQ(box->selectedItems(), std::vector<int>{1});
    if (c.editable) {
      box->setValue("frei getippt");
      EXPECT_EQ(box->value().text(), "frei getippt");
      EXPECT_TRUE(box->selectedItems().empty());
    }
    box->clearItems();
    EXPECT_EQ(box->itemCount(), 0);
    box->destroy();
  }
}

TEST_F(ControlsTest, SingleLineEditMarkingBufferLengthAndEditability) {
  auto edit = gui::SingleLineEdit::make(area);
  edit->setBufferLength(5);
  edit->create({10, 10}, {100, 20});
  edit->setFocus();
  t::typeText(edit, "abcdefgh");
  EXPECT_EQ(edit->value().text(), "abcde");
  edit->setMarked(2, 4);
  EXPECT_EQ(edit->marked(), (std::pair<int, int>{2, 4}));
  edit->setMarked(3, 3);
  EXPECT_EQ(edit->marked(), (std::pair<int, int>{3, 3}));
  edit->setEditable(false);
  t::typeText(edit, "x");
  EXPECT_EQ(edit->value().text(), "abcde");
  EXPECT_FALSE(edit->editable());
}

TEST_F(ControlsTest, FontsAreNamedBySizeAndFace) {
  struct Case {
    std::string font;
    int pixels;
    bool bold;
    std::string family;
  };
  const Case cases[] = {
      {"10.Arial", 13, false, "Liberation Sans"},
      {"10.Arial Fett", 13, true, "Liberation Sans"},
      {"12.Courier New", 16, false, "Liberation Mono"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.font);
    auto label = gui::Static::make(area);
    label->setFont(c.font);
    label->setCaption("Text");
    label->create({10, 10}, {100, 20});
    EXPECT_EQ(label->font(), c.font);
    const auto host = t::hostFont(label);
    EXPECT_EQ(host.pixelSize, c.pixels);
    EXPECT_EQ(host.bold, c.bold);
    // Arial where the machine has it, else its metric twin.
    if (host.family != "Arial" && host.family != "Courier New") {
      EXPECT_EQ(host.family, c.family);
    }
  }
}

TEST_F(ControlsTest, ColoursArePaintedByTheirProgramNumbers) {
  for (int colour : {gui::colour::kFocusField, gui::colour::kFieldWindow, gui::colour::kDialogPale}) {
    SCOPED_TRACE(colour);
    auto edit = gui::SingleLineEdit::make(area);
    edit->setBackground(colour);
    edit->create({10, 10}, {100, 24});
    EXPECT_EQ(edit->background(), colour);
    EXPECT_EQ(t::pixelAt(edit, {50, 12}), *gui::colourRgb(colour));
    edit->destroy();
  }
  auto block = gui::Static::make(area);
  block->setType(gui::stype::kFilledRect);
  block->setForeground(2);
  block->create({10, 10}, {40, 10});
  EXPECT_EQ(t::pixelAt(block, {20, 5}), *gui::colourRgb(2));
}

TEST_F(ControlsTest, BitmapCaptionsShowAPlaceholderWithTheirNumber) {
  auto button = gui::PushButton::make(area);
  button->setBitmapCaption(105);
  button->create({10, 10}, {60, 40});
  EXPECT_EQ(button->bitmapCaption(), 105);
  EXPECT_EQ(button->caption(), "105");
  EXPECT_EQ(t::pixelAt(button, {30, 6}), 0xDDE4EEu);
  auto text = gui::PushButton::make(area);
  text->setCaption("Weiter");
  text->create({100, 10}, {60, 40});
  EXPECT_EQ(text->bitmapCaption(), 0);
  EXPECT_NE(t::pixelAt(text, {30, 6}), 0xDDE4EEu);

  auto picture = gui::Static::make(area);
  picture->setType(gui::stype::kBitmap);
  picture->setBitmapCaption(131);
  picture->create({200, 10}, {40, 40});
  EXPECT_EQ(t::pixelAt(picture, {2, 2}), 0xDDE4EEu);
}

TEST_F(ControlsTest, VisibilityAndTheInputFocus) {
  auto first = gui::SingleLineEdit::make(area);
  first->create({10, 10}, {100, 20}, false);
  EXPECT_FALSE(first->isVisible());
  first->show();
  EXPECT_TRUE(first->isVisible());
  auto second = gui::SingleLineEdit::make(area);
  second->create({10, 40}, {100, 20});
  dialog->toFront();
  second->setFocus();
  ASSERT_TRUE(t::waitUntil([&] { return second->hasFocus(); }));
  EXPECT_EQ(gui::focusedControl(), second);
  EXPECT_EQ(gui::asControl(gui::focusWindow()), second);
  EXPECT_FALSE(first->hasFocus());
  first->hide();
  EXPECT_FALSE(first->isVisible());
}

TEST_F(ControlsTest, MembersCargoAndHelpLabels) {
  auto button = gui::PushButton::make(area);
  button->create({10, 10}, {80, 25});
  EXPECT_TRUE(button->cargo().isNil());
  button->setCargo("XDLG");
  EXPECT_EQ(button->get("CARGO").text(), "XDLG");
  EXPECT_TRUE(button->hasMember("helplink"));
  EXPECT_FALSE(button->hasMember("nichtda"));
  EXPECT_THROW(button->get("nichtda"), core::RuntimeFailure);
  EXPECT_THROW(button->set("nichtda", 1), core::RuntimeFailure);
  button->set("helpLink", Value(gui::HelpLabel::make("Weiter = Funktion ausführen"_w)));
  EXPECT_EQ(t::hostTooltip(button), "Weiter = Funktion ausführen"_w);
  EXPECT_EQ(gui::asControl(Value("kein Fenster")), nullptr);
  EXPECT_THROW(gui::requireControl(Value(3)), core::RuntimeFailure);
}

TEST_F(ControlsTest, TabPagesLieOnEachOtherAndTheTabBringsOneToTheFront) {
  auto first = gui::TabPage::make(area);
  first->setCaption("Allgemein");
  first->create({10, 10}, {300, 200});
  auto second = gui::TabPage::make(area);
  second->setCaption("Optionen");
  second->create({10, 10}, {300, 200});
  second->maximize();
  EXPECT_TRUE(first->isMinimized());
  EXPECT_FALSE(second->isMinimized());
  first->handleEvent(gui::Event{gui::ev::kTabActivate, {}, {}, first});
  EXPECT_FALSE(first->isMinimized());
  EXPECT_TRUE(second->isMinimized());
}

TEST_F(ControlsTest, MenuItemRunsItsCallbackOnTheThreadThatMadeTheMenu) {
  auto menu = gui::Menu::make(area);
  std::vector<Value> got;
  menu->addItem("Aufsteigend sortieren", Value());
  menu->addItem("Kopieren", Value(core::Callback([&](const std::vector<Value>& args) {
                  got = args;
                  return Value();
                })));
  EXPECT_EQ(menu->itemCount(), 2);
  EXPECT_EQ(menu->itemCaption(2), "Kopieren");
  menu->popup(area, {50, 50});
  EXPECT_TRUE(menu->isOpen());
  ASSERT_TRUE(t::chooseMenuItem(menu, "Kopieren"));
  gui::Event e = gui::nextEvent(500);
  while (e.code != gui::ev::kNone && e.code != gui::ev::kActivate) e = gui::nextEvent(500);
  ASSERT_EQ(e.code, gui::ev::kActivate);
  EXPECT_EQ(e.obj, menu);
  gui::handleEvent(e);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].number(), 2);
  EXPECT_EQ(gui::asControl(got[2]), menu);
  EXPECT_FALSE(menu->isOpen());
}

TEST_F(ControlsTest, ModalDialogAndMinimumSize) {
  auto modal = gui::Dialog::make(nullptr, dialog);
  modal->setModal(true);
  modal->setMinimumSize({200, 100});
  modal->create({50, 50}, {300, 150});
  EXPECT_TRUE(modal->isModal());
  EXPECT_EQ(modal->owner(), dialog);
  modal->setSize({100, 50});
  EXPECT_EQ(modal->size(), (gui::Size{200, 100}));
}

}  // namespace
