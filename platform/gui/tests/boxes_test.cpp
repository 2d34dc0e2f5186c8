// Message and confirmation boxes and the file-open dialog, raised from program threads and
// answered by the test: each blocks only the thread that raised it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/text.h"
#include "platform/fs/fs.h"
#include "platform/gui/boxes.h"
#include "platform/gui/control.h"
#include "platform/gui/testing/gui_testing.h"
#include "platform/thread/thread.h"
#include "tests/support/temp_drives.h"

using namespace core::literals;
namespace gui = platform::gui;
namespace t = platform::gui::testing;
using core::Value;
using Outcome = t::Outcome;

namespace {

class BoxesTest : public ::testing::Test {
 protected:
  void TearDown() override { t::resetProgram(); }
};

TEST_F(BoxesTest, ConfirmationFromAProgramThreadIsAnsweredOnThatThread) {
  const std::string ycr = "\r\n";
  const std::string text = "ZOV ist noch aktiv. " + ycr + "Bitte schließen Sie ZOV    "_w + ycr + ycr +
                           "Ist ZOV jetzt geschlossen ?";
  struct Case {
    const char* press;
    bool withCancel;
    int answer;
  };
  const Case cases[] = {
      {"Ja", false, gui::kYes},
      {"Nein", false, gui::kNo},
      {"Abbrechen", true, gui::kCancel},
      {"Ja", true, gui::kYes},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.press);
    int answer = 0;
    std::thread::id askedOn;
    t::MainRun run([&] {
      answer = gui::confirmBox(text, "Bitte ZOV schließen"_w, c.withCancel);
      askedOn = std::this_thread::get_id();
    });
    auto box = t::waitForBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, "Bitte ZOV schließen"_w);
    EXPECT_EQ(box->text, text);
    EXPECT_TRUE(box->question);
    EXPECT_EQ(box->buttons.size(), c.withCancel ? 3u : 2u);
    EXPECT_TRUE(run.running());
    ASSERT_TRUE(t::pressBoxButton(c.press));
    const Outcome end = run.wait();
    EXPECT_EQ(end.how, Outcome::How::Returned) << end.describe();
    EXPECT_EQ(answer, c.answer);
    EXPECT_NE(askedOn, std::this_thread::get_id());
  }
}

TEST_F(BoxesTest, ClosingTheBoxAnswersCancelOrNo) {
  for (const bool withCancel : {false, true}) {
    SCOPED_TRACE(withCancel);
    int answer = 0;
    t::MainRun run([&] { answer = gui::confirmBox("Weiter ?", "Frage", withCancel); });
    ASSERT_TRUE(t::waitForBox().has_value());
    ASSERT_TRUE(t::closeBox());
    EXPECT_EQ(run.wait().how, Outcome::How::Returned);
    EXPECT_EQ(answer, withCancel ? gui::kCancel : gui::kNo);
  }
}

TEST_F(BoxesTest, AMessageBoxBlocksOnlyItsCaller) {
  std::atomic<int> redraws{0};
  std::atomic<bool> stop{false};
  auto window = gui::Dialog::make();
  window->create({0, 0}, {300, 100});
  auto label = gui::Static::make(window);
  label->create({10, 10}, {100, 20});
  t::MainRun run([&] {
    // Another program thread keeps working with the windows while the box is open.
    platform::thread::start("Nebenher", [&] {
      while (!stop) {
        label->setCaption(std::to_string(redraws.load()));
        ++redraws;
        platform::thread::sleepHundredths(1);
      }
    });
    gui::messageBox(
        "Bitte wählen Sie im nachfolgendem Fenster das richtige Verzeichnis aus\r"_w
        "und machen Sie einen Doppelklick auf die Datei INI.DBF.");
  });
  auto box = t::waitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, "");
  EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
  const int before = redraws.load();
  ASSERT_TRUE(t::waitUntil([&] { return redraws.load() >= before + 5; }));
  // The test thread, too, goes on using the windows.
  auto other = gui::Dialog::make();
  other->create({50, 50}, {100, 100});
  EXPECT_TRUE(other->isVisible());
  EXPECT_TRUE(run.running());
  ASSERT_TRUE(t::pressBoxButton("OK"));
  EXPECT_EQ(run.wait().how, Outcome::How::Returned);
  stop = true;
}

TEST_F(BoxesTest, ABoxOverAnOwnerWindow) {
  auto owner = gui::Dialog::make();
  owner->create({100, 100}, {400, 300});
  int answer = 0;
  t::MainRun run([&] { answer = gui::confirmBox("Umbau ?", "Trotz Umbau weiter ?", false, Value(owner)); });
  ASSERT_TRUE(t::waitForBox().has_value());
  ASSERT_TRUE(t::pressBoxButton("Nein"));
  EXPECT_EQ(run.wait().how, Outcome::How::Returned);
  EXPECT_EQ(answer, gui::kNo);
}

TEST_F(BoxesTest, AProgramThatEndsWhileItsBoxIsOpenTakesTheBoxAlong) {
  t::MainRun run([] { gui::messageBox("Nie beantwortet"); });
  ASSERT_TRUE(t::waitForBox().has_value());
  const Outcome end = run.wait(std::chrono::milliseconds(100));
  EXPECT_EQ(end.how, Outcome::How::Hung);
  EXPECT_TRUE(t::waitUntil([] { return !t::openBox().has_value(); }));
}

class FileDialogTest : public BoxesTest {
 protected:
  testing_support::TempDrives drives;
};

TEST_F(FileDialogTest, TheChosenFileComesBackAsAProgramPath) {
  testing_support::writeHostFile(drives.host("C:\\ZOV\\INI.DBF"), "x");
  platform::fs::setCurrentDir("C:\\ZOV\\");
  const std::string title = "Bitte ZOV-Verzeichnis suchen und dann \"INI.DBF\" doppelklicken";
  struct Case {
    bool choose;
    std::string result;
  };
  for (const Case& c : {Case{true, "C:\\ZOV\\INI.DBF"}, Case{false, ""}}) {
    SCOPED_TRACE(c.choose);
    std::string chosen = "unset";
    t::MainRun run([&] { chosen = gui::fileOpenDialog(title, "ini.*"); });
    auto shown = t::waitForFileDialog();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(*shown, title);
    if (c.choose)
      ASSERT_TRUE(t::chooseInFileDialog(drives.host("C:\\ZOV\\INI.DBF").string()));
    else
      ASSERT_TRUE(t::cancelFileDialog());
    EXPECT_EQ(run.wait().how, Outcome::How::Returned);
    EXPECT_EQ(chosen, c.result);
  }
}

}  // namespace
