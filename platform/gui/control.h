// The window system's retained object model. Every window and control is a Control: it has a
// parent (containment and coordinates), an owner, a cargo slot, a class name, the common
// operations and callbacks with (mp1, mp2, obj). Controls own real toolkit windows; every
// operation is carried out by the window thread while the calling program thread waits, so
// any program thread may call any operation.
//
// Life: a control is made with its parent and owner (make), configured, then created (create);
// settings given before create apply when it is created. destroy() removes the window and all
// its children; the object lives on while referenced and may be created again.
//
// A control whose parent is a dialog is placed into the dialog's drawing area. A parent of
// nullptr is the desktop. A dialog is always a window of its own; its position is counted from
// its parent's lower left corner on the desktop.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/object.h"
#include "core/value.h"
#include "platform/gui/geometry.h"

namespace platform::gui {

class EventQueue;
struct Event;

enum class Kind {
  Desktop,
  Dialog,
  DrawingArea,
  Static,
  PushButton,
  SingleLineEdit,
  MultiLineEdit,
  ComboBox,
  CheckBox,
  SpinButton,
  Browse,
  BrowseColumn,
  TabPage,
  Menu,
  HelpLabel,
  FileDialog,
};

// The class name of a kind as the program reads it ("Dialog", "SingleLineEdit", ...).
std::string kindClassName(Kind kind);

inline constexpr int kStatusInit = 0;     // made, not created (or destroyed)
inline constexpr int kStatusCreated = 1;  // has its window

class Control : public core::Object {
 public:
  using Ref = std::shared_ptr<Control>;
  struct Impl;  // the toolkit side, owned by the window thread

  ~Control() override;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Kind kind() const { return kind_; }
  Ref self() { return std::static_pointer_cast<Control>(shared_from_this()); }

  // --- object: class name and members (found without regard to case) ---------------------------
  // The class name of the kind; framework classes derived from a control return their own.
  std::string className() const override;
  // Every control has the members "cargo" (free for the caller) and "helpLink" (a HelpLabel
  // whose text the control shows as its tooltip); derived classes declare more.
  bool hasMember(std::string_view name) const override;
  core::Value get(std::string_view name) const override;
  void set(std::string_view name, core::Value v) override;
  core::Value cargo() const { return get("cargo"); }
  void setCargo(core::Value v) { set("cargo", std::move(v)); }

  // --- tree ---------------------------------------------------------------------------------------
  Ref parent() const;
  Ref owner() const;
  void setOwner(const Ref& owner);
  // Created children in the order of their creation.
  std::vector<Ref> children() const;

  // --- life ---------------------------------------------------------------------------------------
  void create();
  void create(Point pos, Size size, bool visible = true);
  void destroy();
  int status() const;
  bool isCreated() const { return status() == kStatusCreated; }

  // --- geometry (lower left corner in the parent, y upwards) -----------------------------------------
  Point position() const;
  Size size() const;
  void setPosition(Point pos);
  void setSize(Size size);
  void setPosSize(Point pos, Size size);
  // The position on the desktop.
  Point absolutePosition() const;

  // --- visibility and drawing --------------------------------------------------------------------
  void show();
  void hide();
  void setVisible(bool visible);
  bool isVisible() const;  // its own visibility, whatever its parents show
  void toFront();
  void setEnabled(bool enabled);
  bool isEnabled() const;
  // Draws the control again now.
  void invalidate();

  // --- appearance -------------------------------------------------------------------------------
  // Caption: dialog title, static or button text, check box text, tab caption, help label text.
  void setCaption(const std::string& caption);
  std::string caption() const;
  // A bitmap caption (push button, static of the bitmap type): the bitmap's number.
  void setBitmapCaption(int bitmap);
  int bitmapCaption() const;  // 0 for a text caption
  // Fonts are named by size and face: "10.Arial", "10.Arial Fett" (bold), "Kursiv" for italic.
  void setFont(const std::string& font);
  std::string font() const;
  void setForeground(int colour);
  void setBackground(int colour);
  int foreground() const;
  int background() const;

  // --- value ------------------------------------------------------------------------------------
  // Edits: the text; combo box: the text of its entry part; check box: logical; spin button:
  // number; static and button: the caption. NIL for the others.
  core::Value value() const;
  void setValue(const core::Value& v);

  // --- focus ------------------------------------------------------------------------------------
  void setTabStop(bool on);
  bool tabStop() const;
  void setFocus();
  bool hasFocus() const;

  // --- callbacks and events -----------------------------------------------------------------------
  // The callback for an event code (codes.h), called with (mp1, mp2, obj) by handleEvent on the
  // thread that fetched the event. NIL removes it.
  void setHandler(int eventCode, core::Value callback);
  core::Value handler(int eventCode) const;
  // Lets the control handle an event addressed to it: calls its callback for the code. Keys
  // without a callback go on to the parent, up to the dialog; a close without a callback
  // destroys the dialog.
  virtual void handleEvent(const Event& e);
  // Puts an event for this control into the queue of the thread that made it (nothing when
  // that thread has ended).
  void postEvent(int code, core::Value mp1 = {}, core::Value mp2 = {});
  std::shared_ptr<EventQueue> queue() const { return queue_.lock(); }

  // A further member, found by get/set without regard to case: members of a derived class, or
  // what the framework keeps on a control (its validation callback, for example).
  void declareMember(std::string name, core::Value initial = {});

  // The mouse pointer over the control: the system's wait pointer, or the normal one.
  void setWaitPointer(bool on);

  Impl& impl() const { return *impl_; }

 protected:
  Control(Kind kind, const Ref& parent, const Ref& owner);

 private:
  int memberIndex(std::string_view name) const;  // -1 when missing; caller holds mutex_

  Kind kind_;
  std::weak_ptr<EventQueue> queue_;  // the queue lives with its thread
  std::unique_ptr<Impl> impl_;
  mutable std::mutex mutex_;  // members and handlers
  std::vector<std::pair<std::string, core::Value>> members_;
  std::map<int, core::Value> handlers_;
};

// A control held in a value; nullptr when the value is no control.
Control::Ref asControl(const core::Value& v);
// As asControl, but a value that is no control raises RuntimeFailure.
Control::Ref requireControl(const core::Value& v);

// --- the kinds ----------------------------------------------------------------------------------

class Desktop : public Control {
 public:
  static std::shared_ptr<Desktop> instance();

 private:
  Desktop();
};
// The desktop and its size (the primary screen's).
std::shared_ptr<Desktop> desktop();
Size desktopSize();

class DrawingArea : public Control {
 public:
  explicit DrawingArea(const Ref& dialog);
};

class Dialog : public Control {
 public:
  static std::shared_ptr<Dialog> make(const Ref& parent = nullptr, const Ref& owner = nullptr);
  // The area in which the dialog's controls are placed; it fills the dialog.
  Control::Ref drawingArea() const;
  void setMinimumSize(Size size);
  void setMaximiseButton(bool on);
  void setTaskList(bool on);
  void setIcon(int iconNumber);
  // Application-modal: the program's other windows take no input while this one is shown.
  void setModal(bool on);
  bool isModal() const;

 protected:
  Dialog(const Ref& parent, const Ref& owner);

 private:
  mutable std::once_flag drawingAreaOnce_;
  mutable Control::Ref drawingArea_;
};

class Static : public Control {
 public:
  static std::shared_ptr<Static> make(const Ref& parent, const Ref& owner = nullptr);
  // Type (codes.h stype): text, group box, bitmap, filled or outline rectangle.
  void setType(int type);
  int type() const;
  // Text option: alignment (codes.h align).
  void setOptions(int options);
  int options() const;
  // Sized to its text whenever caption or font change; the lower left corner stays.
  void setAutoSize(bool on);
  bool autoSize() const;

 protected:
  Static(const Ref& parent, const Ref& owner);
};

class PushButton : public Control {
 public:
  static std::shared_ptr<PushButton> make(const Ref& parent, const Ref& owner = nullptr);

 protected:
  PushButton(const Ref& parent, const Ref& owner);
};

class SingleLineEdit : public Control {
 public:
  static std::shared_ptr<SingleLineEdit> make(const Ref& parent, const Ref& owner = nullptr);
  void setEditable(bool on);
  bool editable() const;
  // Maximum number of characters (0: no limit).
  void setBufferLength(int length);
  int bufferLength() const;
  void setAlignment(int alignment);
  // Moves on to the next field when the input fills the buffer.
  void setAutoTab(bool on);
  // The marked range {start, end}, 1-based, end exclusive; start == end is the cursor before
  // character start.
  std::pair<int, int> marked() const;
  void setMarked(int start, int end);

 protected:
  SingleLineEdit(const Ref& parent, const Ref& owner);
};

class MultiLineEdit : public Control {
 public:
  static std::shared_ptr<MultiLineEdit> make(const Ref& parent, const Ref& owner = nullptr);
  void setEditable(bool on);
  bool editable() const;
  void setHorizontalScroll(bool on);  // off: lines wrap at the window's width
  // Inserts text at the cursor.
  void insert(const std::string& text);

 protected:
  MultiLineEdit(const Ref& parent, const Ref& owner);
};

class ComboBox : public Control {
 public:
  static std::shared_ptr<ComboBox> make(const Ref& parent, const Ref& owner = nullptr);
  void setComboType(int type);  // codes.h combo
  int comboType() const;
  int addItem(const std::string& text);  // returns the number of items
  void clearItems();
  int itemCount() const;
  std::string itemText(int item) const;  // 1-based
  // Selects item (1-based) and shows it in the entry part; 0 clears the selection.
  void selectItem(int item);
  std::vector<int> selectedItems() const;

 protected:
  ComboBox(const Ref& parent, const Ref& owner);
};

class CheckBox : public Control {
 public:
  static std::shared_ptr<CheckBox> make(const Ref& parent, const Ref& owner = nullptr);

 protected:
  CheckBox(const Ref& parent, const Ref& owner);
};

class SpinButton : public Control {
 public:
  static std::shared_ptr<SpinButton> make(const Ref& parent, const Ref& owner = nullptr);
  void setLimits(double minimum, double maximum);
  std::pair<double, double> limits() const;
  void setEditable(bool on);
  bool editable() const;
  void setFastSpin(bool on);
  void setMaster(const Ref& master);

 protected:
  SpinButton(const Ref& parent, const Ref& owner);
};

// A page with a tab; tab pages of one parent lie on each other, the one in front is not
// minimised. A click on the tab sends ev::kTabActivate; without a callback the page comes to
// the front.
class TabPage : public Control {
 public:
  static std::shared_ptr<TabPage> make(const Ref& parent, const Ref& owner = nullptr);
  void minimize();
  void maximize();  // to the front; the other pages of the parent are minimised
  bool isMinimized() const;
  // Where the tab sits along the top edge, in pixels from the left (default: after the tabs of
  // the pages made before it).
  void setTabOffset(int x);
  void handleEvent(const Event& e) override;

 protected:
  TabPage(const Ref& parent, const Ref& owner);
};

// A pop-up menu: items with a caption and a callback; the chosen item's callback runs with
// (item number, NIL, menu) on the thread that made the menu.
class Menu : public Control {
 public:
  static std::shared_ptr<Menu> make(const Ref& parent = nullptr, const Ref& owner = nullptr);
  int addItem(const std::string& caption, core::Value callback);
  int itemCount() const;
  std::string itemCaption(int item) const;  // 1-based
  // Opens the menu at a position of a control (the desktop when nullptr), without waiting.
  void popup(const Ref& over, Point pos);
  bool isOpen() const;
  void handleEvent(const Event& e) override;

 protected:
  Menu(const Ref& parent, const Ref& owner);

 private:
  mutable std::mutex itemsMutex_;
  std::vector<std::pair<std::string, core::Value>> items_;
};

// A help label: the text a control shows when the mouse rests on it (set it as the control's
// "helpLink" member).
class HelpLabel : public Control {
 public:
  static std::shared_ptr<HelpLabel> make(const std::string& text = "");

 protected:
  explicit HelpLabel(const std::string& text);
};

// While false, help labels set no toolkit tooltips (a program with a tooltip engine of its own
// switches them off). On by default.
void setToolkitTooltips(bool on);

// The file-open dialog as an object: its caption is the title.
class FileDialog : public Control {
 public:
  static std::shared_ptr<FileDialog> make(const Ref& parent = nullptr, const Ref& owner = nullptr);
  // Shows the dialog and waits (only the calling thread) for the choice: a program path, or ""
  // without a choice. proposedName: a name or a pattern ("ini.*"); centred on the owner.
  std::string open(const std::string& proposedName, bool centred = true);

 protected:
  FileDialog(const Ref& parent, const Ref& owner);
};

// Width and height a text takes in a font ("10.Arial"); lines end at line breaks.
Size textSize(const std::string& font, const std::string& text);

// The application's main window (NIL until set) and the control with the input focus.
void setAppWindow(const Control::Ref& window);
Control::Ref appWindow();
Control::Ref focusedControl();

}  // namespace platform::gui
