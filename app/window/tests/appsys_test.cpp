// The main window, the program's ends (XERR, XQUIT) and the step texts (XWRITE), with real
// windows and the sequence running on its own program thread.
#include <gtest/gtest.h>

#include "app/window/appsys.h"
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

class AppsysTest : public ::testing::Test {
 protected:
  void TearDown() override { t::resetProgram(); }
};

// The program thread's loop: fetch the next event and let its object handle it.
[[noreturn]] void eventLoop() {
  for (;;) gui::handleEvent(gui::nextEvent());
}

TEST_F(AppsysTest, MainWindowIsCentredOnTheDesktopAndStoredInOdlgAndYmdi) {
  app::APPSYS();
  const auto desk = gui::desktopSize();
  auto window = gui::requireControl(core::globals().get("oDlg"));
  EXPECT_EQ(window->kind(), gui::Kind::Dialog);
  EXPECT_EQ(window->caption(), "Neue ZOV-Version einspielen");
  EXPECT_EQ(window->size(), (gui::Size{520, 260}));
  EXPECT_EQ(window->position(), (gui::Point{(desk.width - 520) / 2, (desk.height - 260) / 2}));
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(core::globals().get("yMDI").identical(core::globals().get("oDlg")));
  EXPECT_EQ(gui::appWindow(), window);
  EXPECT_EQ(app::drawingAreaHeight(core::globals().get("oDlg")), 260);
}

TEST_F(AppsysTest, TheCloseButtonOfTheMainWindowQuitsWithoutAMessage) {
  const int boxesBefore = t::boxesShown();
  t::MainRun run([] {
    app::APPSYS();
    eventLoop();
  });
  auto window = t::waitForWindow("Neue ZOV-Version einspielen");
  ASSERT_TRUE(window);
  t::closeWindow(window);
  const Outcome end = run.wait();
  EXPECT_EQ(end.how, Outcome::How::Ended) << end.describe();
  EXPECT_EQ(end.exitCode, 0);
  EXPECT_EQ(end.reason, "");
  EXPECT_EQ(t::boxesShown(), boxesBefore);
}

TEST_F(AppsysTest, XerrWithAnEmptyMessageEndsWithoutABox) {
  const int boxesBefore = t::boxesShown();
  const Outcome end = t::runAsMain([] { app::XERR("", true); });
  EXPECT_EQ(end.how, Outcome::How::Ended) << end.describe();
  EXPECT_EQ(end.exitCode, 1);
  EXPECT_EQ(end.reason, "");
  EXPECT_EQ(t::boxesShown(), boxesBefore);
  EXPECT_FALSE(t::openBox().has_value());
}

TEST_F(AppsysTest, XerrShowsTheAbbruchBoxAndEndsWhenItIsConfirmed) {
  const std::string ycr = "\r\n";
  const std::string message = "Die Datei >> C:\\ZOV\\zov.exe <<" + ycr + "kann nicht geschrieben werden.";
  struct Case {
    bool inconsistent;
    std::string text;
  };
  const Case cases[] = {
      {false, message + ycr + ycr + "Der Update muss abgebrochen werden."},
      {true, message + ycr + ycr + "Der Update muss abgebrochen werden." + ycr + ycr +
                 "ZOV kann eventuell nicht mehr gestartet werden." + ycr +
                 "In diesem Fall müssen Sie die Datensicherung zurückholen,"_w + ycr +
                 "die unmittelbar zuvor automatisch in einem Unterverzeichnis" + ycr +
                 "des ZOV-Verzeichnisses erstellt wurde."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.inconsistent ? "with advice" : "without advice");
    t::MainRun run([&] { app::XERR(message, c.inconsistent); });
    auto box = t::waitForBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, "Abbruch");
    EXPECT_EQ(box->text, c.text);
    EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
    // The box holds the program thread that raised it.
    EXPECT_TRUE(run.running());
    ASSERT_TRUE(t::pressBoxButton("OK"));
    const Outcome end = run.wait();
    EXPECT_EQ(end.how, Outcome::How::Ended) << end.describe();
    EXPECT_EQ(end.exitCode, 1);
    EXPECT_EQ(end.reason, c.text);
  }
}

TEST_F(AppsysTest, XquitEndsAtOnceWithCodeZero) {
  const Outcome end = t::runAsMain([] {
    app::XQUIT();
    ADD_FAILURE() << "XQUIT returned";
  });
  EXPECT_EQ(end.how, Outcome::How::Ended) << end.describe();
  EXPECT_EQ(end.exitCode, 0);
}

TEST_F(AppsysTest, XwriteWritesStepTextsSizedToTheirTextInTheDrawingArea) {
  core::globals().declare("Fo_Ari10", "10.Arial");
  core::globals().declare("Fo_Ari10F", "10.Arial Fett");
  app::APPSYS();
  const Value window = core::globals().get("oDlg");
  const std::string first = "Schritt 1 von 3: Allgemeine Prüfungen"_w;
  app::XWRITE(window, core::arr(10, 220), first, true);
  app::XWRITE(window, core::arr(10, 185), "normal");
  auto area = std::dynamic_pointer_cast<gui::Dialog>(gui::requireControl(window))->drawingArea();
  auto texts = area->children();
  ASSERT_EQ(texts.size(), 2u);
  struct Case {
    gui::Control::Ref control;
    std::string caption;
    gui::Point pos;
    std::string font;
    bool bold;
  };
  const Case cases[] = {{texts[0], first, {10, 220}, "10.Arial Fett", true},
                        {texts[1], "normal", {10, 185}, "10.Arial", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(c.control->caption(), c.caption);
    EXPECT_EQ(c.control->position(), c.pos);
    EXPECT_EQ(c.control->font(), c.font);
    EXPECT_TRUE(c.control->isVisible());
    const auto host = t::hostFont(c.control);
    EXPECT_EQ(host.bold, c.bold);
    EXPECT_EQ(host.pixelSize, 13);
    EXPECT_GT(c.control->size().height, 10);
  }
  // Sized to the text: the longer text is the wider one.
  EXPECT_GT(texts[0]->size().width, 3 * texts[1]->size().width);
}

TEST_F(AppsysTest, ShowMainWindowShowsTheHiddenMainWindowAgain) {
  app::APPSYS();
  auto window = gui::requireControl(core::globals().get("oDlg"));
  window->hide();
  ASSERT_FALSE(window->isVisible());
  app::showMainWindow();
  EXPECT_TRUE(window->isVisible());
}

}  // namespace
