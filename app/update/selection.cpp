#include "app/update/selection.h"

#include "app/update/discovery.h"
#include "app/window/appsys.h"
#include "app/window/dialogs.h"
#include "core/globals.h"
#include "core/text.h"
#include "platform/gui/boxes.h"
#include "platform/gui/codes.h"
#include "platform/gui/events.h"
#include "ui/browse/zbrowse.h"
#include "ui/fields/static_text.h"

using namespace core::literals;
namespace gui = platform::gui;
using core::Value;

namespace app {

namespace {

const std::string ycr = "\r\n";

Value drawingArea(const Value& dialog) {
  gui::Control::Ref control = gui::requireControl(dialog);
  auto asDialog = std::dynamic_pointer_cast<gui::Dialog>(control);
  return Value(asDialog ? asDialog->drawingArea() : control);
}

void button(const Value& area, int x, int width, const std::string& caption, std::function<void()> action) {
  UPD_BTN(area, core::arr(x, 20), core::arr(width, 25), caption, std::move(action));
}

}  // namespace

void ZOVDIR_A(int mode) {
  Value area = drawingArea(UPD_DLG(core::arr(430, 215)));
  const std::string question = "Bitte wählen Sie, wie Sie das passende Verzeichnis finden möchten:"_w;
  const std::string text = mode == 0 ? "Die ZOV-Daten konnten in den üblichen Verzeichnissen"_w + ycr +
                                           "( C:\\ZOV,  C:\\ZOV1,  C:\\Programme\\ZOV,  D:\\ZOV,  etc. )  " +
                                           ycr + "nicht gefunden werden.       " + ycr + ycr + question
                                     : ycr + ycr + question;
  ui::fields::XSTRING(area, text, core::arr(10, 150));
  button(area, 20, 140, "Selbst suchen", [] { ZOVDIR_D(); });
  button(area, 340, 60, "Beenden", [] { XQUIT(); });
}

void ZOVDIR_B(int mode) {
  auto& g = core::globals();
  Value dialog = UPD_DLG(core::arr(450, 340));
  Value area = drawingArea(dialog);
  if (mode == 0) {
    g.set("yTarget", g.get("yZovDir")[1]);
  } else {
    auto list = std::dynamic_pointer_cast<ui::browse::ZBrowse>(gui::requireControl(g.get("yBrowse")));
    g.set("yTarget", list->get("Array")[static_cast<std::size_t>(list->get("Pos").integer())]);
  }
  const Value target = g.get("yTarget");
  ui::fields::XSTRING(area,
                      "Bitte überprüfen Sie die Daten zu dem ermittelten bzw."_w + ycr +
                          "ausgewählten ZOV-Verzeichnis und klicken Sie auf \"Weiter\","_w + ycr +
                          "wenn Sie mit dem Update fortfahren möchten."_w,
                      core::arr(20, 270));
  struct Line {
    const char* label;
    Value value;
    int width;
  };
  const Line lines[] = {{"Verzeichnis:", core::memberOf(target, "Dir"), 250},
                        {"Version:", core::memberOf(target, "Vers"), 40},
                        {"Hausname:", core::memberOf(target, "Name"), 250},
                        {"Letzte Anmeldung:", core::memberOf(target, "lAnd"), 80},
                        {"Neue Version:", g.get("yNewVers"), 40}};
  int y = 185;
  for (const auto& line : lines) {
    INFOLINE(area, core::arr(10, y), line.label, line.value, Value(120), Value(line.width));
    y -= 27;
  }
  button(area, 20, 100, "Weiter", [dialog] {
    gui::requireControl(dialog)->destroy();
    core::globals().set("yDlg_upd", Value());
    core::globals().set("yZovDir0", core::globals().get("yTarget"));
  });
  button(area, 145, 150, "Anderes Verzeichnis", [] { ZOVDIR_A(1); });
  button(area, 320, 100, "Beenden", [] { XQUIT(); });
}

void ZOVDIR_C() {
  auto& g = core::globals();
  Value area = drawingArea(UPD_DLG(core::arr(600, 400)));
  ui::fields::XSTRING(area,
                      "Es gibt mehrere Verzeichnisse mit ZOV-Daten." + ycr +
                          "Bitte wählen Sie aus, bei welchem der Update "_w + "durchgeführt werden soll."_w,
                      core::arr(20, 325));
  auto list = ui::browse::ZBROWSE().New(gui::requireControl(area));
  list->set("Spalten", core::arr(core::arr("Verzeichnis", "Dir", 25), core::arr("Vers.", "Vers", 5, Value()),
                                 core::arr("Hausname", "Name", 25, Value()),
                                 core::arr("letzte Akt.", "Land", 9, Value())));
  list->set("Array", g.get("yZovDir"));
  list->set("lSort", false);
  list->Create();
  list->PosSize(core::arr(20, 70), core::arr(580, 225));
  list->setHandler(gui::ev::kItemSelected, Value(core::Callback([](const std::vector<Value>&) {
                     ZOVDIR_B(1);
                     return Value();
                   })));
  g.set("yBrowse", Value(std::static_pointer_cast<gui::Control>(list)));
  button(area, 20, 230, "Markiertes Verzeichnis auswählen"_w, [] { ZOVDIR_B(1); });
  button(area, 280, 150, "Anderes Verzeichnis", [] { ZOVDIR_A(1); });
  button(area, 460, 100, "Beenden", [] { XQUIT(); });
}

void ZOVDIR_D() {
  auto& g = core::globals();
  while (true) {
    gui::messageBox("Bitte wählen Sie im nachfolgendem Fenster das richtige Verzeichnis aus"_w + "\r" +
                    "und machen Sie einen Doppelklick auf die Datei INI.DBF.");
    const std::string chosen =
        gui::fileOpenDialog("Bitte ZOV-Verzeichnis suchen und dann \"INI.DBF\" doppelklicken", "ini.*",
                            g.getOr("yDlg_upd", Value()));
    if (chosen.empty()) XERR("Sie haben keine Auswahl vorgenommen");
    const std::string dir = chosen.substr(0, chosen.rfind('\\') + 1);
    Value record = DIRINFO(dir);
    if (!record.isNil()) {
      g.set("yZovDir", core::arr(record));
      ZOVDIR_B(0);
      return;
    }
    int answer = gui::confirmBox("In dem ausgewählten Verzeichnis befinden sich keine ZOV-Daten"_w + "\r\r" +
                                     "Möchten Sie erneut suchen ?"_w,
                                 "Erneut suchen ?");
    if (answer != gui::kYes) XQUIT();
  }
}

void chooseInstallation(const Value& found) {
  auto& g = core::globals();
  g.set("yZovDir", found);
  if (found.size() == 0) {
    ZOVDIR_A(0);
  } else if (found.size() == 1) {
    ZOVDIR_B(0);
  } else {
    ZOVDIR_C();
  }
  while (g.get("yZovDir0").isNil()) gui::handleEvent(gui::nextEvent());
}

}  // namespace app
