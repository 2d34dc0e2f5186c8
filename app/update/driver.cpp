#include "app/update/driver.h"

#include "app/update/backup.h"
#include "app/update/discovery.h"
#include "app/update/download.h"
#include "app/update/install.h"
#include "app/update/manifest.h"
#include "app/window/appsys.h"
#include "app/window/progress.h"
#include "core/failure.h"
#include "core/globals.h"
#include "core/text.h"
#include "data/catalogue.h"
#include "data/users.h"
#include "net/http_download.h"
#include "net/server.h"
#include "platform/clock/clock.h"
#include "platform/fs/fs.h"
#include "platform/gui/boxes.h"
#include "platform/proc/proc.h"
#include "platform/thread/thread.h"
#include "ui/classes/classes.h"

using namespace core::literals;
namespace fs = platform::fs;
using core::Value;

namespace app {

namespace {

const std::string ycr = "\r\n";

ChooseInstallation& chooseHook() {
  static ChooseInstallation hook;
  return hook;
}

void declareGlobals() {
  auto& g = core::globals();
  g.declare("ycr", ycr);
  g.declare("Fo_Ari10", "10.Arial");
  g.declare("Fo_Ari10F", "10.Arial Fett");
  g.declare("aDBFiles", data::XDBFILES());
  g.declare("yNo_DB", false);
  g.declare("nReqSp", Value());
  g.declare("nStep", 1);
  g.declare("nStepR", 0);
  g.declare("nSiz1", 0);
  g.declare("nAnz1", 0);
  g.declare("yResize", platform::clock::secondsSinceMidnight());
  g.declare("yClickDate", false);
  g.declare("yinit", false);
  Value trace = Value::arrayOf(50);
  for (auto& e : trace.elements()) e = Value("");
  g.declare("yTrace", trace);
  g.declare("yDlg_Set", g.getOr("oDlg", Value()));
  g.declare("yDlg_upd", Value());
  g.declare("yZovDir", Value());
  g.declare("yZovDir0", Value());
  g.declare("yTarget", Value());
  g.declare("yBrowse", Value());
  g.declare("yUser", "#~^#");
  g.declare("yMaster", false);
}

// Where the manifest came from and what it says.
struct Manifest {
  Rows rows;
  std::string localDir;  // empty: read from the update server
  std::string offered;
};

Manifest getManifest() {
  Manifest m;
  const std::string baseUrl = net::updateServerUrl();
  std::string ownDir = fs::parentDir(fs::programPath());
  if (!ownDir.empty() && ownDir.back() == '\\') ownDir.pop_back();
  std::string text;
  if (fs::fileExists(ownDir + "\\dir_upd.txt")) {
    m.localDir = ownDir;
  } else {
    text = net::XHTTP_READ_TEXT(baseUrl + "/zov/program/dir_upd.txt");
  }
  if (m.localDir.empty() && core::isBlank(text)) {
    std::string question = "Die für den Update benötigte Datei dir_upd.txt"_w + ycr +
                           "konnte weder auf dem lokalen Datenträger noch im Internet"_w + ycr + "( " +
                           baseUrl + "/zov/program/" + " - Verbindungsproblem ?)" + ycr + "gefunden werden." +
                           ycr + ycr + "Möchten Sie selbst danach suchen"_w + ycr + ycr +
                           "Ja        => Suche im Dateibrowser" + ycr +
                           "Nein         => Der Update wird abgebrochen";
    if (platform::gui::confirmBox(question, "Datei dir_upd.txt suchen") != platform::gui::kYes) XQUIT();
    std::string chosen =
        platform::gui::fileOpenDialog("Passendes Verzeichnis suchen und dann \"dir_upd.txt\" doppelklicken",
                                      "dir_upd.txt", core::globals().getOr("oDlg", Value()));
    if (chosen.empty()) XERR("Keine Auswahl getroffen");
    m.localDir = chosen.substr(0, chosen.rfind('\\') == std::string::npos ? 0 : chosen.rfind('\\'));
    if (!fs::fileExists(m.localDir + "\\dir_upd.txt"))
      XERR("Das gewählte Verzeichnis enthält die Datei dir_upd.txt nicht"_w);
  }
  if (!m.localDir.empty()) text = fs::readFile(m.localDir + "\\dir_upd.txt");

  m.rows = XTEXTTOARRAY(text);
  extendRows(m.rows);
  for (auto it = m.rows.begin(); it != m.rows.end(); ++it)
    if (isRebuildMarker(*it)) {
      m.rows.erase(it);
      break;
    }
  auto program = findProgramRow(m.rows);
  if (!program) XERR("Die Datei dir_upd.txt enthält keinen Eintrag für ZOV.EXE"_w);
  m.offered = m.rows[*program][1];
  core::globals().set("yNewVers", m.offered);
  if (withoutDots(m.offered).empty()) XERR("Die Datei dir_upd.txt enthält keine Versionsnummer"_w);
  // Nothing may be written outside the staging and installation directories.
  if (auto bad = unsafeName(m.rows)) XERR(unsafeNameMessage(*bad));
  return m;
}

void testVersions(const std::string& installed, const std::string& offered) {
  if (withoutDots(installed) < "43F")
    XERR("Für eine Umsetztung muss die bisherhige Version mindestens 4.3F sein."_w + ycr +
         "Die vorliegende Versionnist aber nur " + installed);
  if (withoutDots(installed) > withoutDots(offered))
    XERR("Die bisherige Version ist " + installed + ycr +
         "und damit aktueller als die einzuspielende: " + offered);
}

void waitForUsers() {
  const std::string question = "ZOV ist noch aktiv. " + ycr + "Bitte schließen Sie ZOV    "_w + ycr + ycr +
                               "Ist ZOV jetzt geschlossen ?" + ycr + ycr +
                               "Ja   => Der Update wird fortgesetzt" + ycr +
                               "Nein => Der Update wird abgebrochen";
  while (data::XUSER() == 2) {
    if (platform::gui::confirmBox(question, "Bitte ZOV schließen"_w) != platform::gui::kYes) XQUIT();
  }
}

}  // namespace

void setChooseInstallation(ChooseInstallation choose) {
  chooseHook() = std::move(choose);
}

bool masterModeMarkerPresent() {
  const std::string phrase = "Tq8#wLm2 Rk=ezPyöV-4!hN§c%Jx;U?9sG&b jo"_w;
  try {
    return core::startsWith(fs::readFile("c:\\super.zov"), phrase);
  } catch (const core::RuntimeFailure&) {
    return false;  // no marker file (or no drive C:): no master mode
  }
}

void MAIN(const std::string& callModeArg, const std::string& zovParamsArg) {
  auto& g = core::globals();
  declareGlobals();
  g.set("yMaster", masterModeMarkerPresent());
  platform::thread::cargo() = ui::classes::ZTHREAD().create();

  Value window = g.get("oDlg");
  Value textPos = core::arr(10, drawingAreaHeight(window) - 40);
  auto writeStep = [&](const std::string& text) { XWRITE(window, textPos, text, true); };
  auto nextLine = [&] { textPos[2] = Value(textPos[2].number() - 35); };
  writeStep("Schritt 1 von 3: Allgemeine Prüfungen"_w);

  const std::string callMode = callModeArg.empty() ? "U" : callModeArg;
  const std::string zovParams = zovParamsArg.empty() ? " " : zovParamsArg;

  Manifest manifest = getManifest();
  const std::string offered = manifest.offered;

  Value chosen = DIRINFO(fs::parentDir(fs::parentDir(fs::programPath())));
  if (!chosen.isNil()) {
    g.set("yZovDir0", chosen);
  } else {
    Value found = FINDDIR();
    g.set("yZovDir", found);
    if (!chooseHook()) XERR("Die ZOV-Daten konnten in den üblichen Verzeichnissen nicht gefunden werden."_w);
    chooseHook()(found);
    chosen = g.get("yZovDir0");
    showMainWindow();
  }

  const std::string installDir = core::memberOf(chosen, "Dir").text();
  const std::string houseName = core::memberOf(chosen, "Name").text();
  const std::string installed = core::memberOf(chosen, "Vers").text();

  platform::thread::start("Upd_Progress", [] {
    platform::thread::cargo() = ui::classes::ZTHREAD().create();
    UPD_PROGRESS();
  });

  renameOldBackups(installDir);
  testVersions(installed, offered);

  if (core::startsWith(callMode, "G")) platform::thread::sleepHundredths(100);

  g.set("nStep", 2);
  g.set("nStepR", 0);
  fs::setCurrentDir(installDir);
  // The table layer shows these when the user table cannot be opened: its own message box,
  // not the runtime's report of an undefined symbol.
  g.set("ylStart", true);
  g.set("yDir_Sv", installDir);
  waitForUsers();

  nextLine();
  writeStep("Schritt 2 von 3: Bisherige Daten sichern (Version " + installed + ")");
  makeBackup(installDir, installed, houseName);
  rotateBackups(installDir);

  g.set("nStep", 3);
  g.set("nStepR", 0);
  nextLine();
  writeStep(manifest.localDir.empty() ? "Schritt 3 von 3: Benötigte Dateien aus dem Internet laden"_w
                                      : "Schritt 3 von 3: Benötigte Dateien laden"_w);

  Rows selected = selectRows(manifest.rows, installed);
  g.set("nAnz1", 0);
  const std::string stagingDir = installDir + "ums_" + withoutDots(offered);
  g.set("cUmsDir", stagingDir);

  if (manifest.localDir.empty()) {
    DownloadResult result = XNVDOWN("U", installed, installDir);
    if (result.code == 2) XERR(result.text);
  } else {
    stageFromLocalDir(selected, manifest.localDir, stagingDir);
  }

  g.set("nStep", 4);
  g.set("nStepR", 0);
  installStaged(selected, g.get("cUmsDir").text(), installDir);

  g.set("nStep", 5);
  nextLine();
  writeStep("Schritt 4 von 3: ZOV erneut aufrufen");

  fs::setCurrentDir(installDir);
  // The update is complete either way; a program that cannot be started is told, not hidden.
  if (!platform::proc::startProgram(installDir + "ZOV.EXE", zovParams, installDir))
    platform::gui::messageBox("Der Update ist abgeschlossen, aber ZOV.EXE konnte nicht gestartet werden."_w +
                              ycr + "Bitte starten Sie ZOV selbst.");
}

}  // namespace app
