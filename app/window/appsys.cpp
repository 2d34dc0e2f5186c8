#include "app/window/appsys.h"

#include "core/globals.h"
#include "core/text.h"
#include "platform/gui/boxes.h"
#include "platform/gui/codes.h"
#include "platform/gui/control.h"
#include "platform/thread/program.h"

using namespace core::literals;
namespace gui = platform::gui;
using core::Value;

namespace app {

namespace {

constexpr int kErrorExit = 1;

Value closeCallsXquit() {
  return Value(core::Callback([](const std::vector<Value>&) -> Value { XQUIT(); }));
}

gui::Control::Ref areaOf(const Value& window) {
  gui::Control::Ref c = gui::requireControl(window);
  if (auto dialog = std::dynamic_pointer_cast<gui::Dialog>(c)) return dialog->drawingArea();
  return c;
}

}  // namespace

void APPSYS() {
  const gui::Size desk = gui::desktopSize();
  auto window = gui::Dialog::make();
  window->setCaption("Neue ZOV-Version einspielen");
  window->setTaskList(true);
  window->setIcon(kProgramIcon);
  window->setHandler(gui::ev::kClose, closeCallsXquit());
  window->create({(desk.width - 520) / 2, (desk.height - 260) / 2}, {520, 260}, true);
  window->setFocus();
  gui::setAppWindow(window);
  core::globals().set("oDlg", Value(window));
  core::globals().set("yMDI", Value(window));
}

void XERR(const std::string& message, bool inconsistent) {
  const std::string ycr = "\r\n";
  std::string advice;
  if (inconsistent)
    advice = ycr + ycr + "ZOV kann eventuell nicht mehr gestartet werden." + ycr +
             "In diesem Fall müssen Sie die Datensicherung zurückholen,"_w + ycr +
             "die unmittelbar zuvor automatisch in einem Unterverzeichnis" + ycr +
             "des ZOV-Verzeichnisses erstellt wurde.";
  if (message.empty()) platform::endProgram(kErrorExit);
  const std::string text = message + ycr + ycr + "Der Update muss abgebrochen werden." + advice;
  gui::messageBox(text, "Abbruch");
  platform::endProgram(kErrorExit, text);
}

void XQUIT() {
  platform::endProgram(0);
}

void XWRITE(const Value& parent, const Value& pos, const std::string& text, bool bold) {
  auto& g = core::globals();
  const std::string font = bold ? g.getOr("Fo_Ari10F", "10.Arial Fett").textOr("10.Arial Fett")
                                : g.getOr("Fo_Ari10", "10.Arial").textOr("10.Arial");
  auto label = gui::Static::make(areaOf(parent));
  label->setCaption(text);
  label->setFont(font);
  label->setAutoSize(true);
  label->create(gui::toPoint(pos), label->size(), true);
}

int drawingAreaHeight(const Value& window) {
  return areaOf(window)->size().height;
}

void showMainWindow() {
  gui::Control::Ref main = gui::asControl(core::globals().getOr("oDlg", Value()));
  if (!main) return;
  main->show();
  main->setFocus();
}

}  // namespace app
