// Events: the queue of the thread that made the window, fetching and handling with callbacks
// on that thread, key codes, focus, close, the watcher's look at the newest event.
#include <gtest/gtest.h>

#include <QApplication>
#include <atomic>
#include <thread>

#include "core/text.h"
#include "platform/gui/codes.h"
#include "platform/gui/control.h"
#include "platform/gui/events.h"
#include "platform/gui/testing/gui_testing.h"
#include "platform/thread/thread.h"

using namespace core::literals;
namespace gui = platform::gui;
namespace t = platform::gui::testing;
using core::Value;
using Outcome = t::Outcome;

namespace {

class EventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gui::threadQueue()->clear();
    dialog = gui::Dialog::make();
    dialog->setCaption("Ereignisse");
    dialog->create({10, 10}, {400, 300});
    area = dialog->drawingArea();
  }
  void TearDown() override { t::resetProgram(); }

  // The next event for one of the program's controls, skipping mouse and focus noise.
  gui::Event next(int code) {
    for (int i = 0; i < 50; ++i) {
      gui::Event e = gui::nextEvent(200);
      if (e.code == code || e.code == gui::ev::kNone) return e;
    }
    return {};
  }

  std::shared_ptr<gui::Dialog> dialog;
  gui::Control::Ref area;
};

Value recorder(std::vector<Value>& args, std::thread::id* thread = nullptr) {
  return Value(core::Callback([&args, thread](const std::vector<Value>& a) {
    args = a;
    if (thread != nullptr) *thread = std::this_thread::get_id();
    return Value();
  }));
}

TEST_F(EventsTest, AButtonPressIsFetchedAndHandledByTheThreadThatMadeTheButton) {
  auto button = gui::PushButton::make(area);
  button->setCaption("Drück mich"_w);
  button->create({10, 10}, {100, 25});
  std::vector<Value> args;
  std::thread::id ranOn;
  button->setHandler(gui::ev::kActivate, recorder(args, &ranOn));
  t::click(button);
  const gui::Event e = next(gui::ev::kActivate);
  ASSERT_EQ(e.code, gui::ev::kActivate);
  EXPECT_EQ(e.obj, button);
  EXPECT_TRUE(args.empty());  // nothing runs before the thread handles the event
  gui::handleEvent(e);
  ASSERT_EQ(args.size(), 3u);
  EXPECT_TRUE(args[0].isNil());
  EXPECT_TRUE(args[1].isNil());
  EXPECT_EQ(gui::asControl(args[2]), button);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST_F(EventsTest, EventsGoToTheQueueOfTheWindowsProgramThreadNotToOthers) {
  std::atomic<bool> handled{false};
  std::thread::id ranOn;
  gui::Control::Ref made;
  std::atomic<bool> ready{false};
  t::MainRun run([&] {
    auto own = gui::Dialog::make();
    own->create({0, 0}, {200, 100});
    auto button = gui::PushButton::make(own);
    button->setCaption("Weiter");
    button->setHandler(gui::ev::kActivate, Value(core::Callback([&](const std::vector<Value>&) {
                         ranOn = std::this_thread::get_id();
                         handled = true;
                         return Value();
                       })));
    button->create({10, 10}, {80, 25});
    made = button;
    ready = true;
    while (!handled) gui::handleEvent(gui::nextEvent());
  });
  ASSERT_TRUE(t::waitUntil([&] { return ready.load(); }));
  t::click(made);
  const Outcome end = run.wait();
  EXPECT_EQ(end.how, Outcome::How::Returned) << end.describe();
  EXPECT_TRUE(handled);
  EXPECT_NE(ranOn, std::this_thread::get_id());
  // The test thread's own queue got nothing of it.
  for (gui::Event e = gui::nextEvent(0); e.code != gui::ev::kNone; e = gui::nextEvent(0))
    EXPECT_NE(e.obj, made);
}

TEST_F(EventsTest, KeyCodesAreTheProgramsNumbers) {
  auto edit = gui::SingleLineEdit::make(area);
  edit->create({10, 10}, {150, 20});
  edit->setFocus();
  struct Case {
    const char* name;
    int key;
    int modifiers;
    std::string text;
    int code;
  };
  const Case cases[] = {
      {"Enter", Qt::Key_Return, 0, "", 13},
      {"Escape", Qt::Key_Escape, 0, "", 27},
      {"F1", Qt::Key_F1, 0, "", 65648},
      {"F10", Qt::Key_F10, 0, "", 65657},
      {"F12", Qt::Key_F12, 0, "", 65659},
      {"arrow up", Qt::Key_Up, 0, "", 65574},
      {"arrow down", Qt::Key_Down, 0, "", 65576},
      {"page up", Qt::Key_PageUp, 0, "", 65569},
      {"page down", Qt::Key_PageDown, 0, "", 65570},
      {"Ctrl+C", Qt::Key_C, Qt::ControlModifier, "", 3},
      {"Alt+K", Qt::Key_K, Qt::AltModifier, "", 327755},
      {"Alt+P", Qt::Key_P, Qt::AltModifier, "", 327760},
      {"Alt+S", Qt::Key_S, Qt::AltModifier, "", 327763},
      {"Ctrl+F1", Qt::Key_F1, Qt::ControlModifier, "", 589936},
      {"Ctrl+F8", Qt::Key_F8, Qt::ControlModifier, "", 589943},
      {"letter a", Qt::Key_A, 0, "a", 'a'},
      {"u umlaut", Qt::Key_Udiaeresis, 0, "ü"_w, 252},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    gui::threadQueue()->clear();
    t::pressKey(edit, c.key, c.modifiers, c.text.empty() ? "" : c.text);
    const gui::Event e = next(gui::ev::kKeyboard);
    ASSERT_EQ(e.code, gui::ev::kKeyboard);
    EXPECT_EQ(e.mp1.number(), c.code);
    EXPECT_EQ(e.obj, edit);
  }
}

TEST_F(EventsTest, TheKeyHandlerSeesTheTypedCharacterInTheField) {
  auto edit = gui::SingleLineEdit::make(area);
  edit->create({10, 10}, {150, 20});
  edit->setFocus();
  std::string seen;
  edit->setHandler(gui::ev::kKeyboard, Value(core::Callback([&](const std::vector<Value>& a) {
                     seen = gui::requireControl(a[2])->value().text();
                     return Value();
                   })));
  t::typeText(edit, "m");
  gui::handleEvent(next(gui::ev::kKeyboard));
  EXPECT_EQ(seen, "m");
}

TEST_F(EventsTest, KeysNobodyHandlesGoUpToTheDialog) {
  auto edit = gui::SingleLineEdit::make(area);
  edit->create({10, 10}, {150, 20});
  std::vector<Value> args;
  dialog->setHandler(gui::ev::kKeyboard, recorder(args));
  t::pressKey(edit, Qt::Key_Escape);
  gui::handleEvent(next(gui::ev::kKeyboard));
  ASSERT_EQ(args.size(), 3u);
  EXPECT_EQ(args[0].number(), gui::key::kEscape);
  EXPECT_EQ(gui::asControl(args[2]), dialog);
}

TEST_F(EventsTest, FocusMovesAreEventsOfTheControls) {
  auto first = gui::SingleLineEdit::make(area);
  first->create({10, 10}, {150, 20});
  auto second = gui::SingleLineEdit::make(area);
  second->create({10, 40}, {150, 20});
  dialog->toFront();
  first->setFocus();
  ASSERT_TRUE(t::waitUntil([&] { return first->hasFocus(); }));
  gui::threadQueue()->clear();
  second->setFocus();
  const gui::Event lost = next(gui::ev::kKillFocus);
  EXPECT_EQ(lost.obj, first);
  const gui::Event gained = next(gui::ev::kSetFocus);
  EXPECT_EQ(gained.obj, second);
}

TEST_F(EventsTest, TheCloseButtonCallsTheCloseCallbackOrDestroysTheDialog) {
  std::vector<Value> args;
  dialog->setHandler(gui::ev::kClose, recorder(args));
  t::closeWindow(dialog);
  gui::handleEvent(next(gui::ev::kClose));
  ASSERT_EQ(args.size(), 3u);
  EXPECT_EQ(dialog->status(), gui::kStatusCreated);  // the callback decides

  dialog->setHandler(gui::ev::kClose, Value());
  t::closeWindow(dialog);
  gui::handleEvent(next(gui::ev::kClose));
  EXPECT_EQ(dialog->status(), gui::kStatusInit);
}

TEST_F(EventsTest, AWatcherReadsTheNewestEventWithoutTakingItAndMotionsCoalesce) {
  auto button = gui::PushButton::make(area);
  button->create({10, 10}, {100, 40});
  t::moveMouse(button, {5, 5});
  t::moveMouse(button, {20, 30});
  t::moveMouse(button, {21, 31});
  auto queue = gui::threadQueue();
  const gui::Event seen = queue->newest();
  EXPECT_EQ(seen.code, gui::ev::kMotion);
  EXPECT_EQ(seen.obj, button);
  EXPECT_EQ(gui::toPoint(seen.mp1), (gui::Point{21, 31}));
  std::size_t motions = 0;
  for (gui::Event e = gui::nextEvent(0); e.code != gui::ev::kNone; e = gui::nextEvent(0))
    if (e.code == gui::ev::kMotion) ++motions;
  EXPECT_EQ(motions, 1u);
  // Taking the events leaves the newest one readable.
  EXPECT_EQ(queue->newest().code, gui::ev::kMotion);
  // Another thread sees it too.
  int seenElsewhere = 0;
  std::thread watcher([&] { seenElsewhere = queue->newest().code; });
  watcher.join();
  EXPECT_EQ(seenElsewhere, gui::ev::kMotion);
}

TEST_F(EventsTest, CheckBoxSelectionCarriesTheNewState) {
  auto box = gui::CheckBox::make(area);
  box->setCaption("Ja");
  box->create({10, 10}, {100, 20});
  t::click(box);
  const gui::Event e = next(gui::ev::kActivate);
  ASSERT_EQ(e.code, gui::ev::kActivate);
  EXPECT_TRUE(e.mp1.logical());
  EXPECT_TRUE(box->value().logical());
}

TEST_F(EventsTest, ResizingADialogSendsOldAndNewSize) {
  gui::threadQueue()->clear();
  dialog->setSize({450, 320});
  const gui::Event e = next(gui::ev::kResize);
  ASSERT_EQ(e.code, gui::ev::kResize);
  EXPECT_EQ(gui::toSize(e.mp1), (gui::Size{400, 300}));
  EXPECT_EQ(gui::toSize(e.mp2), (gui::Size{450, 320}));
}

TEST_F(EventsTest, FetchingWithATimeoutAndProgramEvents) {
  gui::drainEvents(1);
  EXPECT_EQ(gui::nextEvent(1).code, gui::ev::kNone);
  dialog->postEvent(gui::ev::kUser, 7, "x");
  const gui::Event e = gui::nextEvent(1);
  EXPECT_EQ(e.code, gui::ev::kUser);
  EXPECT_EQ(e.mp1.number(), 7);
  EXPECT_EQ(e.obj, dialog);
  dialog->postEvent(gui::ev::kUser);
  dialog->postEvent(gui::ev::kUser);
  EXPECT_EQ(gui::drainEvents(1), 2);
}

TEST_F(EventsTest, AThreadWaitingForEventsEndsWithTheProgram) {
  std::atomic<bool> waiting{false};
  std::atomic<bool> passed{false};
  platform::thread::start("Wartend", [&] {
    waiting = true;
    gui::nextEvent();
    passed = true;
  });
  ASSERT_TRUE(t::waitUntil([&] { return waiting.load(); }));
  platform::thread::stopAll();  // returns only once the waiting thread has ended
  EXPECT_FALSE(passed);
}

}  // namespace
