// Driving the real windows from tests: run a body as the program thread "Main" and learn how
// it ended; find the open box or dialog, read its title and text, press its buttons; click,
// type, close; count redraws; save any window as a PNG. Every function may be called from any
// thread but the window thread; each does its work on the window thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/control.h"

namespace platform::gui::testing {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// --- running the program ---------------------------------------------------------------------

struct Outcome {
  enum class How { Returned, Ended, Hung };
  How how = How::Hung;
  int exitCode = 0;
  std::string reason;  // of a program end (platform::endProgram, a run-time failure)
  std::string describe() const;
};

// Starts body as the program thread "Main"; the program's end is caught instead of ending the
// process. The destructor waits for the run and stops the other program threads.
class MainRun {
 public:
  explicit MainRun(std::function<void()> body);
  ~MainRun();
  MainRun(const MainRun&) = delete;
  MainRun& operator=(const MainRun&) = delete;
  // Waits for the body to return or the program to end, then stops every other program thread.
  Outcome wait(Millis timeout = 60s);
  // True while the body has neither returned nor ended the program.
  bool running() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
  bool waited_ = false;
};

Outcome runAsMain(std::function<void()> body, Millis timeout = 60s);

// Between tests: stops the program threads, closes every box and window, empties the calling
// thread's event queue and forgets the program-wide variables.
void resetProgram();

// --- boxes ----------------------------------------------------------------------------------

struct BoxView {
  std::string title;  // as the program gave them (Windows-1252, line breaks as given)
  std::string text;
  std::vector<std::string> buttons;
  bool question = false;  // the question icon
};
// The open message or confirmation box, waiting for one to appear at most timeout.
std::optional<BoxView> waitForBox(Millis timeout = 10s);
std::optional<BoxView> openBox();
// Presses the button of the open box with that caption; false when there is none.
bool pressBoxButton(const std::string& caption);
// Closes the open box with its close button.
bool closeBox();
int boxesShown();

// --- file dialog ------------------------------------------------------------------------------
// The title of the open file dialog, waiting at most timeout for one.
std::optional<std::string> waitForFileDialog(Millis timeout = 10s);
// Chooses a host file in the open file dialog; false when none is open.
bool chooseInFileDialog(const std::string& hostPath);
bool cancelFileDialog();

// --- windows ----------------------------------------------------------------------------------
// The shown top-level dialog with that title, waiting at most timeout.
Control::Ref waitForWindow(const std::string& title, Millis timeout = 10s);
// Every control below root (depth first, in creation order) for which match is true.
std::vector<Control::Ref> findAll(const Control::Ref& root,
                                  const std::function<bool(const Control::Ref&)>& match);
// The first control below root with that caption.
Control::Ref findByCaption(const Control::Ref& root, const std::string& caption);

// The operator's hands: a mouse click on a button or check box, the close button of a dialog,
// typing into the control with the focus, a key press (toolkit key number and modifiers from
// the toolkit's own key table, e.g. Qt::Key_F1), a right click on a browse heading, marking or
// double-clicking a browse row.
void click(const Control::Ref& control);
void closeWindow(const Control::Ref& dialog);
void typeText(const Control::Ref& control, const std::string& text);
void pressKey(const Control::Ref& control, int toolkitKey, int toolkitModifiers = 0,
              const std::string& text = "");
void moveMouse(const Control::Ref& control, Point lowerLeftPos);
void rightClickHeading(const Control::Ref& browse, int column);
void markRow(const Control::Ref& browse, int row);
// Chooses the item with that caption in the open pop-up menu; false when there is none.
bool chooseMenuItem(const Control::Ref& menu, const std::string& caption);
void doubleClickRow(const Control::Ref& browse, int row);

// The control's window as the toolkit places it: upper left corner in the parent's window and
// size, for checking the lower-left conversion.
struct HostRect {
  int x = 0, y = 0, width = 0, height = 0;
};
HostRect hostGeometry(const Control::Ref& control);
// The font family and pixel size the toolkit uses for a control, and whether it is bold.
struct HostFont {
  std::string family;
  int pixelSize = 0;
  bool bold = false;
};
HostFont hostFont(const Control::Ref& control);
// The colour (0xRRGGBB) the toolkit paints at a point of the control (lower-left coordinates).
std::uint32_t pixelAt(const Control::Ref& control, Point lowerLeftPos);
// The colour painted near the upper left corner of a browse cell (row and column 1-based).
std::uint32_t cellPixel(const Control::Ref& browse, int row, int column);
// The control's tooltip text as the toolkit shows it.
std::string hostTooltip(const Control::Ref& control);

// Saves the control's window as drawn now to a PNG file; false when it cannot.
bool savePng(const Control::Ref& control, const std::string& hostPath);
// Width and height of a PNG file ({0, 0} when it cannot be read).
Size pngSize(const std::string& hostPath);

// Counts how often the control's window is drawn, from the moment it is made.
class RepaintCounter {
 public:
  explicit RepaintCounter(const Control::Ref& control);
  ~RepaintCounter();
  RepaintCounter(const RepaintCounter&) = delete;
  RepaintCounter& operator=(const RepaintCounter&) = delete;
  int count() const;
  // Waits until count() reaches n; false when it did not within the timeout.
  bool waitFor(int n, Millis timeout = 30s) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Waits until pred holds, checking every few milliseconds; false after the timeout.
bool waitUntil(const std::function<bool()>& pred, Millis timeout = 10s);

}  // namespace platform::gui::testing
