// The toolkit side of the object model. Included only by the window layer's own sources.
// Everything in Control::Impl except the fields marked otherwise belongs to the window thread.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/codes.h"
#include "platform/gui/control.h"

namespace platform::gui {

namespace detail {
class BrowseModel;
}

struct Control::Impl {
  // Set when made, read-only afterwards (any thread).
  Kind kind;
  Control* self = nullptr;
  std::weak_ptr<Control> parent;

  // Window thread only.
  std::weak_ptr<Control> owner;
  QPointer<QWidget> widget;  // the control's own window
  QPointer<QWidget> client;  // where the windows of its children go
  std::vector<Control::Ref> children;
  int status = kStatusInit;
  Point pos;
  Size size;
  bool visible = true;
  std::string caption;
  int bitmap = 0;
  std::string font;
  int fg = colour::kDefault;
  int bg = colour::kDefault;
  bool enabled = true;
  bool tabStop = false;
  bool editable = true;
  // statics
  int staticType = stype::kText;
  int options = align::kLeft;
  bool autoSize = false;
  // edits
  std::string text;
  int bufferLength = 0;
  int alignment = align::kLeft;
  bool autoTab = false;
  bool hScroll = true;
  // combo box
  int comboType = combo::kDropDown;
  std::vector<std::string> items;
  int selected = 0;
  // check box
  bool checked = false;
  // spin button
  double spinMin = 0;
  double spinMax = 100;
  double spinValue = 0;
  bool fastSpin = false;
  std::weak_ptr<Control> master;
  // dialog
  Size minSize;
  bool maxButton = true;
  bool taskList = true;
  bool modal = false;
  int icon = 0;
  Point shownPos;  // the last position and size told to the program
  Size shownSize;
  // tab page
  bool minimized = false;
  int tabOffset = -1;
  // browse
  detail::BrowseModel* model = nullptr;
  bool hScrollBar = true;
  bool userResize = true;
  int cursorMode = 3;
  // menu
  bool menuOpen = false;
};

namespace detail {

bool haveGui();

// Texts: Windows-1252 in the program, Unicode in the toolkit. Line breaks become '\n'.
QString qs(const std::string& cp1252);
std::string cp(const QString& text);

QFont toQFont(const std::string& name);
QPixmap bitmapPlaceholder(int number, QSize size);

// The control a toolkit object belongs to: the nearest registered window at or above it.
Control::Ref controlOf(const QObject* object);
void registerWidget(QWidget* widget, Control& control);

// Window thread: build the control's window(s), place, apply settings, destroy.
void build(Control& control);
void place(Control& control);
void placeChildren(Control& container);
void unbuild(Control& control);
QWidget* clientOf(const Control::Ref& container);
int clientHeight(const Control& container);
Point absoluteOf(const Control& control);
Point positionOf(const Control& control);
Size sizeOf(const Control& control);
core::Value valueOf(const Control& control);
void setValueOf(Control& control, const core::Value& v);
void popupMenu(Control& menu, const Control::Ref& over, Point pos, const std::vector<std::string>& captions);
// The browse's window (browse.cpp).
QWidget* buildBrowse(Control& browse, QWidget* parent);
void applyCaption(Control& control);
void applyFont(Control& control);
void applyColours(Control& control);
void applyAutoSize(Control& control);
void applyStaticLook(Control& control);
void applyEditable(Control& control);
void applyTabStop(Control& control);
void applyMask(Control& control);  // tab pages

// Statics draw themselves from these.
struct StaticLook {
  StaticShape shape = StaticShape::Text;
  QString text;
  int alignment = align::kLeft;
  int bitmap = 0;
  int fg = colour::kDefault;
  int bg = colour::kDefault;
};
void setStaticLook(QWidget* staticWidget, const StaticLook& look);

std::optional<QColor> qcolour(int code);
// The program's key code of a toolkit key press (0 for a key without one, such as Shift alone).
int keyCodeFromToolkit(int qtKey, int qtModifiers, const QString& text);
int qtAlignment(int alignment);

// Paints counted per window (tests count redraws through this).
void installEventWatcher();

}  // namespace detail
}  // namespace platform::gui

namespace platform::gui::detail {
// How many boxes (message and confirmation) were shown since the start.
int boxesShown();
void prepareApplication();
}  // namespace platform::gui::detail
