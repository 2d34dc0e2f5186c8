// The window system's numbers as the program uses them: event codes, key codes, colours,
// static types, text options, the browse column settings and the class names. Each has one
// table in codes.cpp that maps it onto the toolkit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::gui {

// --- event codes (the first element of a fetched event) ---------------------------------------
namespace ev {
inline constexpr int kNone = 0;            // no event came within the time-out
inline constexpr int kKeyboard = 1048580;  // mp1 key code
inline constexpr int kClose = 1048582;     // the window's close button
inline constexpr int kSetFocus = 1048584;
inline constexpr int kKillFocus = 1048585;
inline constexpr int kMove = 1048588;          // mp1 old, mp2 new position (dialogs)
inline constexpr int kActivate = 1048592;      // button pressed; check box: mp1 new state; menu: mp1 item
inline constexpr int kItemSelected = 1048594;  // browse: double click or Enter, mp1 row; combo box: mp1 item
inline constexpr int kItemMarked = 1048595;    // browse: mp1 row that became current; combo box: mp1 item
inline constexpr int kLeftDown = 1048596;      // mp1 mouse position in the control
inline constexpr int kRightDown = 1048597;
inline constexpr int kMotion = 1048598;  // mp1 mouse position in the control
inline constexpr int kLeftDoubleClick = 1048599;
inline constexpr int kHeaderRightDown = 1048612;  // browse heading: mp1 mouse position, mp2 column
inline constexpr int kTabActivate = 1048620;      // tab page: its tab was clicked
inline constexpr int kPaint = 1048626;            // the window thread draws by itself; never queued
inline constexpr int kResize = 1048628;           // mp1 old, mp2 new size (dialogs)
inline constexpr int kUser = 1049576;             // first code free for the program's own events
}  // namespace ev
// The table's name for an event code ("" for an unknown one).
std::string eventName(int code);

// --- key codes (mp1 of a keyboard event) --------------------------------------------------------
// Characters are their Windows-1252 code; named keys are 65536 + the key number; Shift, Alt and
// Ctrl add 131072, 262144 and 524288 (Alt+K = 327755, Ctrl+F1 = 589936); Ctrl+letter is the
// control character (Ctrl+C = 3).
namespace key {
inline constexpr int kBackspace = 8;
inline constexpr int kTab = 9;
inline constexpr int kEnter = 13;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kNamed = 65536;
inline constexpr int kShift = 131072;
inline constexpr int kAlt = 262144;
inline constexpr int kCtrl = 524288;
inline constexpr int kPageUp = 65569;
inline constexpr int kPageDown = 65570;
inline constexpr int kEnd = 65571;
inline constexpr int kHome = 65572;
inline constexpr int kLeft = 65573;
inline constexpr int kUp = 65574;
inline constexpr int kRight = 65575;
inline constexpr int kDown = 65576;
inline constexpr int kInsert = 65581;
inline constexpr int kDelete = 65582;
inline constexpr int kF1 = 65648;  // F2 … F12 follow consecutively
inline constexpr int kF10 = 65657;
inline constexpr int kF12 = 65659;
inline constexpr int kCtrlC = 3;
inline constexpr int kAltK = kAlt + kNamed + 'K';
}  // namespace key

// --- colours ------------------------------------------------------------------------------------
// The program's colour numbers. kColourDefault leaves the toolkit's own colour.
namespace colour {
inline constexpr int kDefault = -255;
inline constexpr int kWhite = -2;
inline constexpr int kBlack = -1;
inline constexpr int kButtonFace = 1;     // push buttons' background
inline constexpr int kButtonText = 5;     // push buttons' foreground
inline constexpr int kDialogPale = 6;     // background of the selection dialogs
inline constexpr int kFocusField = 7;     // entry field with the input focus
inline constexpr int kFieldWindow = -47;  // entry field without the input focus
inline constexpr int kTooltipText = -56;
inline constexpr int kTooltipBack = -57;
}  // namespace colour
// 0xRRGGBB of a colour number; nothing for kDefault and unknown numbers.
std::optional<std::uint32_t> colourRgb(int code);

// --- static controls ----------------------------------------------------------------------------
enum class StaticShape { Text, GroupBox, Bitmap, FilledForeground, FilledBackground, Outline };
namespace stype {
inline constexpr int kText = 1;
inline constexpr int kGroupBox = 2;
inline constexpr int kBitmap = 5;
inline constexpr int kFilledRect = 6;  // filled in the foreground colour
inline constexpr int kBackgroundRect = 7;
inline constexpr int kOutline = 8;  // outline in the foreground colour
}  // namespace stype
// Unknown types draw as text.
StaticShape staticShape(int type);

// Text options of statics and the alignment codes of edits and columns: 0 left, 1 centred,
// 2 right.
namespace align {
inline constexpr int kLeft = 0;
inline constexpr int kCentre = 1;
inline constexpr int kRight = 2;
}  // namespace align

// Combo box types: 1 list always open with an entry part, 2 drop-down with an editable entry,
// 3 drop-down list, selection only.
namespace combo {
inline constexpr int kSimple = 1;
inline constexpr int kDropDown = 2;
inline constexpr int kDropDownList = 3;
}  // namespace combo

// --- browse column settings (code, value) ---------------------------------------------------------
namespace colset {
inline constexpr int kAlignment = 110;  // 0 left, 1 centred, 2 right
inline constexpr int kWidth = 116;      // pixels
inline constexpr int kFont = 119;       // heading font, "10.Arial Fett"
inline constexpr int kHeading = 123;    // heading caption
}  // namespace colset

// --- bitmaps --------------------------------------------------------------------------------------
// The host application's bitmaps and icons (numbers 100 to 174) are not part of the system: a
// bitmap caption shows a placeholder image with its number.
inline constexpr int kFirstBitmap = 100;
inline constexpr int kLastBitmap = 174;

}  // namespace platform::gui
