#include "platform/gui/codes.h"

#include <Qt>
#include <array>

#include "core/text.h"
#include "platform/gui/detail/impl.h"

namespace platform::gui {

namespace {

struct EventRow {
  int code;
  const char* name;
};

// The event codes.
constexpr std::array kEvents{
    EventRow{ev::kKeyboard, "keyboard"},
    EventRow{ev::kClose, "close"},
    EventRow{ev::kSetFocus, "setInputFocus"},
    EventRow{ev::kKillFocus, "killInputFocus"},
    EventRow{ev::kMove, "move"},
    EventRow{ev::kActivate, "activate"},
    EventRow{ev::kItemSelected, "itemSelected"},
    EventRow{ev::kItemMarked, "itemMarked"},
    EventRow{ev::kLeftDown, "leftButtonDown"},
    EventRow{ev::kRightDown, "rightButtonDown"},
    EventRow{ev::kMotion, "motion"},
    EventRow{ev::kLeftDoubleClick, "leftButtonDoubleClick"},
    EventRow{ev::kHeaderRightDown, "headerRightDown"},
    EventRow{ev::kTabActivate, "tabActivate"},
    EventRow{ev::kPaint, "paint"},
    EventRow{ev::kResize, "resize"},
};

struct ColourRow {
  int code;
  std::uint32_t rgb;
};

// The colour numbers. 1, 5, 6, 7, -47, -56 and -57 are the ones the program names; the rest
// complete a small palette.
constexpr std::array kColours{
    ColourRow{colour::kWhite, 0xFFFFFF},
    ColourRow{colour::kBlack, 0x000000},
    ColourRow{0, 0x808080},
    ColourRow{colour::kButtonFace, 0xE6E6E6},
    ColourRow{2, 0xC00000},
    ColourRow{3, 0xFF80C0},
    ColourRow{4, 0x008000},
    ColourRow{colour::kButtonText, 0x000000},
    ColourRow{colour::kDialogPale, 0xEEF2F7},
    ColourRow{colour::kFocusField, 0xFFFFC8},
    ColourRow{8, 0x000080},
    ColourRow{9, 0x800000},
    ColourRow{10, 0x800080},
    ColourRow{11, 0x006000},
    ColourRow{12, 0x008080},
    ColourRow{13, 0x806000},
    ColourRow{14, 0xA0A0A0},
    ColourRow{15, 0xD8D8D8},
    ColourRow{colour::kFieldWindow, 0xFFFFFF},
    ColourRow{colour::kTooltipText, 0x000000},
    ColourRow{colour::kTooltipBack, 0xFFFFE1},
};

struct StaticRow {
  int type;
  StaticShape shape;
};

// The static types.
constexpr std::array kStatics{
    StaticRow{stype::kText, StaticShape::Text},
    StaticRow{stype::kGroupBox, StaticShape::GroupBox},
    StaticRow{stype::kBitmap, StaticShape::Bitmap},
    StaticRow{stype::kFilledRect, StaticShape::FilledForeground},
    StaticRow{stype::kBackgroundRect, StaticShape::FilledBackground},
    StaticRow{stype::kOutline, StaticShape::Outline},
};

struct KeyRow {
  int qtKey;
  int code;
};

// The keys that are no characters, and the characters the toolkit names as keys.
constexpr std::array kKeys{
    KeyRow{Qt::Key_Return, key::kEnter},  KeyRow{Qt::Key_Enter, key::kEnter},
    KeyRow{Qt::Key_Escape, key::kEscape}, KeyRow{Qt::Key_Tab, key::kTab},
    KeyRow{Qt::Key_Backtab, key::kTab},   KeyRow{Qt::Key_Backspace, key::kBackspace},
    KeyRow{Qt::Key_PageUp, key::kPageUp}, KeyRow{Qt::Key_PageDown, key::kPageDown},
    KeyRow{Qt::Key_End, key::kEnd},       KeyRow{Qt::Key_Home, key::kHome},
    KeyRow{Qt::Key_Left, key::kLeft},     KeyRow{Qt::Key_Up, key::kUp},
    KeyRow{Qt::Key_Right, key::kRight},   KeyRow{Qt::Key_Down, key::kDown},
    KeyRow{Qt::Key_Insert, key::kInsert}, KeyRow{Qt::Key_Delete, key::kDelete},
    KeyRow{Qt::Key_F1, key::kF1},         KeyRow{Qt::Key_F2, key::kF1 + 1},
    KeyRow{Qt::Key_F3, key::kF1 + 2},     KeyRow{Qt::Key_F4, key::kF1 + 3},
    KeyRow{Qt::Key_F5, key::kF1 + 4},     KeyRow{Qt::Key_F6, key::kF1 + 5},
    KeyRow{Qt::Key_F7, key::kF1 + 6},     KeyRow{Qt::Key_F8, key::kF1 + 7},
    KeyRow{Qt::Key_F9, key::kF1 + 8},     KeyRow{Qt::Key_F10, key::kF1 + 9},
    KeyRow{Qt::Key_F11, key::kF1 + 10},   KeyRow{Qt::Key_F12, key::kF1 + 11},
};

}  // namespace

std::string eventName(int code) {
  for (const auto& row : kEvents)
    if (row.code == code) return row.name;
  return "";
}

std::optional<std::uint32_t> colourRgb(int code) {
  for (const auto& row : kColours)
    if (row.code == code) return row.rgb;
  return std::nullopt;
}

StaticShape staticShape(int type) {
  for (const auto& row : kStatics)
    if (row.type == type) return row.shape;
  return StaticShape::Text;
}

namespace detail {

std::optional<QColor> qcolour(int code) {
  auto rgb = colourRgb(code);
  if (!rgb) return std::nullopt;
  return QColor(static_cast<int>((*rgb >> 16) & 0xFF), static_cast<int>((*rgb >> 8) & 0xFF),
                static_cast<int>(*rgb & 0xFF));
}

int qtAlignment(int alignment) {
  switch (alignment) {
    case align::kCentre:
      return Qt::AlignHCenter;
    case align::kRight:
      return Qt::AlignRight;
    default:
      return Qt::AlignLeft;
  }
}

int keyCodeFromToolkit(int qtKey, int qtModifiers, const QString& text) {
  const bool shift = (qtModifiers & Qt::ShiftModifier) != 0;
  const bool ctrl = (qtModifiers & Qt::ControlModifier) != 0;
  const bool alt = (qtModifiers & Qt::AltModifier) != 0;
  const int flags = (shift ? key::kShift : 0) + (alt ? key::kAlt : 0) + (ctrl ? key::kCtrl : 0);
  for (const auto& row : kKeys) {
    if (row.qtKey != qtKey) continue;
    if (row.code >= key::kNamed) return row.code + flags;
    // A character key: its character, or with Ctrl or Alt a named key.
    return (ctrl || alt) ? key::kNamed + row.code + flags : row.code;
  }
  // Letters with Ctrl are control characters, with Alt the named letter.
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
    const int letter = 'A' + (qtKey - Qt::Key_A);
    if (ctrl && !alt) return letter & 0x1F;
    if (alt) return key::kAlt + key::kNamed + letter + (ctrl ? key::kCtrl : 0);
  }
  if (alt && qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
    return key::kAlt + key::kNamed + ('0' + (qtKey - Qt::Key_0));
  if (!text.isEmpty()) {
    std::string bytes = core::fromUtf8(text.left(1).toStdString());
    if (bytes.size() == 1) return static_cast<unsigned char>(bytes[0]);
  }
  return 0;
}

}  // namespace detail
}  // namespace platform::gui
