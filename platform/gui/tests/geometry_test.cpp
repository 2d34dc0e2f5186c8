// Positions and sizes: lower left corners in the parent, read back as given, also for nested
// controls and after the dialog changed its size.
#include <gtest/gtest.h>

#include "core/failure.h"
#include "platform/gui/codes.h"
#include "platform/gui/control.h"
#include "platform/gui/testing/gui_testing.h"

namespace gui = platform::gui;
namespace t = platform::gui::testing;

namespace {

class GeometryTest : public ::testing::Test {
 protected:
  void TearDown() override { t::resetProgram(); }

  std::shared_ptr<gui::Dialog> dialog(gui::Point pos, gui::Size size) {
    auto d = gui::Dialog::make();
    d->setCaption("Geometrie");
    d->create(pos, size);
    return d;
  }
};

TEST_F(GeometryTest, DialogOnTheDesktopReadsBackItsLowerLeftCorner) {
  const gui::Size desk = gui::desktopSize();
  ASSERT_GT(desk.width, 400);
  ASSERT_GT(desk.height, 300);
  auto d = dialog({100, 50}, {300, 200});
  EXPECT_EQ(d->position(), (gui::Point{100, 50}));
  EXPECT_EQ(d->size(), (gui::Size{300, 200}));
  // The toolkit counts from the top: the window's top edge is 50 + 200 pixels below the top
  // of the desktop's height.
  const auto host = t::hostGeometry(d);
  EXPECT_EQ(host.x, 100);
  EXPECT_EQ(host.y, desk.height - 50 - 200);
  EXPECT_EQ(d->absolutePosition(), (gui::Point{100, 50}));
  EXPECT_EQ(d->drawingArea()->size(), (gui::Size{300, 200}));
  EXPECT_EQ(d->drawingArea()->position(), (gui::Point{0, 0}));
}

TEST_F(GeometryTest, NestedControlsReadBackPositionsAndSizesAsGiven) {
  auto d = dialog({20, 30}, {400, 300});
  auto frame = gui::Static::make(d);
  frame->setType(gui::stype::kGroupBox);
  frame->setCaption("Rahmen");
  frame->create({10, 40}, {300, 200});
  auto inner = gui::Static::make(frame);
  inner->setCaption("innen");
  inner->create({15, 25}, {100, 20});
  auto button = gui::PushButton::make(d);
  button->setCaption("OK");
  button->create({320, 10}, {60, 25});
  auto edit = gui::SingleLineEdit::make(frame);
  edit->create({15, 150}, {120, 20});

  struct Case {
    const char* name;
    gui::Control::Ref control;
    gui::Point pos;
    gui::Size size;
    int parentHostHeight;
  };
  const Case cases[] = {
      {"frame", frame, {10, 40}, {300, 200}, 300},
      {"inner static", inner, {15, 25}, {100, 20}, 200},
      {"button", button, {320, 10}, {60, 25}, 300},
      {"edit in frame", edit, {15, 150}, {120, 20}, 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.control->position(), c.pos);
    EXPECT_EQ(c.control->size(), c.size);
    const auto host = t::hostGeometry(c.control);
    EXPECT_EQ(host.x, c.pos.x);
    EXPECT_EQ(host.y, c.parentHostHeight - c.pos.y - c.size.height);
    EXPECT_EQ(host.width, c.size.width);
    EXPECT_EQ(host.height, c.size.height);
  }
  // Controls placed into a dialog live in its drawing area.
  EXPECT_EQ(frame->parent(), d->drawingArea());
  EXPECT_EQ(inner->parent(), frame);
  EXPECT_EQ(inner->absolutePosition(), (gui::Point{20 + 10 + 15, 30 + 40 + 25}));
}

TEST_F(GeometryTest, ControlsKeepTheirLowerLeftCornersWhenTheDialogGrows) {
  auto d = dialog({0, 0}, {400, 300});
  auto label = gui::Static::make(d);
  label->setCaption("unten links");
  label->create({10, 20}, {100, 20});
  d->setSize({500, 450});
  EXPECT_EQ(d->drawingArea()->size(), (gui::Size{500, 450}));
  EXPECT_EQ(label->position(), (gui::Point{10, 20}));
  EXPECT_EQ(t::hostGeometry(label).y, 450 - 20 - 20);
  label->setPosition({30, 100});
  EXPECT_EQ(t::hostGeometry(label).y, 450 - 100 - 20);
  EXPECT_EQ(label->size(), (gui::Size{100, 20}));
}

TEST_F(GeometryTest, ADialogInsideAnotherWindowCountsFromItsParentsCorner) {
  auto main = dialog({100, 100}, {500, 400});
  auto inner = gui::Dialog::make(main);
  inner->create({50, 60}, {200, 100});
  EXPECT_EQ(inner->position(), (gui::Point{50, 60}));
  EXPECT_EQ(inner->absolutePosition(), (gui::Point{150, 160}));
}

TEST_F(GeometryTest, PositionsAndSizesAsProgramValues) {
  EXPECT_EQ(gui::toPoint(core::arr(10.9, 185)), (gui::Point{10, 185}));
  EXPECT_EQ(gui::toSize(core::arr(216.796875, 25)), (gui::Size{216, 25}));
  EXPECT_THROW(gui::toPoint(core::Value("10,20")), core::RuntimeFailure);
  EXPECT_THROW(gui::toSize(core::arr(1)), core::RuntimeFailure);
  core::Value v = gui::toValue(gui::Point{3, 4});
  EXPECT_EQ(v[1].number(), 3);
  EXPECT_EQ(v[2].number(), 4);
}

}  // namespace
