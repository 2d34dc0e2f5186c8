// Writes pictures for review as PNG files into the folder given as the argument: the main
// window's progress display at 0 %, 46 % and 100 % with the step texts written so far, and the
// three dialogs for choosing the installation (nothing found, confirm one, choose among several).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/update/discovery.h"
#include "app/update/selection.h"
#include "app/window/appsys.h"
#include "app/window/progress.h"
#include "core/globals.h"
#include "core/text.h"
#include "platform/gui/application.h"
#include "platform/gui/testing/gui_testing.h"

using namespace core::literals;
using core::Value;

namespace {

struct Shot {
  double share;
  int steps;  // step texts shown
  const char* file;
};

bool save(const Value& window, const std::filesystem::path& file) {
  const std::string path = file.string();
  if (!platform::gui::testing::savePng(platform::gui::requireControl(window), path)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("%s\n", path.c_str());
  return true;
}

Value installation(const char* dir, const char* name, const char* lastLogon) {
  Value record = app::ZDIR().create();
  core::setMember(record, "Dir", dir);
  core::setMember(record, "Vers", "4.3F");
  core::setMember(record, "Name", name);
  core::setMember(record, "lAnd", lastLogon);
  return record;
}

int writeDialogShots(const std::filesystem::path& outDir) {
  auto& g = core::globals();
  g.set("yDlg_Set", g.get("oDlg"));
  g.set("yNewVers", "4.3G");
  g.set("yZovDir", core::arr(installation("C:\\ZOV\\", "Hotel Alpenhof", "01.12.2026"),
                             installation("D:\\Programme\\ZOV\\", "Pension Sonne", "24.12.2025")));
  app::ZOVDIR_A(0);
  if (!save(g.get("yDlg_upd"), outDir / "dialog_a_nothing_found.png")) return 1;
  app::ZOVDIR_B(0);
  if (!save(g.get("yDlg_upd"), outDir / "dialog_b_confirm.png")) return 1;
  app::ZOVDIR_C();
  if (!save(g.get("yDlg_upd"), outDir / "dialog_c_choose.png")) return 1;
  return 0;
}

int writeShots(const std::filesystem::path& outDir) {
  auto& g = core::globals();
  g.declare("Fo_Ari10", "10.Arial");
  g.declare("Fo_Ari10F", "10.Arial Fett");
  app::APPSYS();
  const Value window = g.get("oDlg");
  const std::vector<std::string> steps = {
      "Schritt 1 von 3: Allgemeine Prüfungen"_w,
      "Schritt 2 von 3: Bisherige Daten sichern (Version 4.3F)",
      "Schritt 3 von 3: Benötigte Dateien aus dem Internet laden"_w,
      "Schritt 4 von 3: ZOV erneut aufrufen",
  };
  auto bar = app::ZUBALKEN().New()->init(window, "", Value::array());
  const int top = app::drawingAreaHeight(window) - 40;
  int written = 0;
  const Shot shots[] = {
      {0.0, 1, "main_window_000.png"}, {0.456, 3, "main_window_046.png"}, {1.0, 4, "main_window_100.png"}};
  for (const auto& shot : shots) {
    for (; written < shot.steps; ++written)
      app::XWRITE(window, core::arr(10, top - 35 * written), steps[static_cast<std::size_t>(written)], true);
    bar->progress(shot.share);
    const std::string path = (outDir / shot.file).string();
    if (!platform::gui::testing::savePng(platform::gui::requireControl(window), path)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return writeDialogShots(outDir);
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path outDir = argc > 1 ? argv[1] : "screenshots";
  std::error_code ec;
  std::filesystem::create_directories(outDir, ec);
  return platform::gui::runWithWindowSystem(argc, argv, [&] { return writeShots(outDir); });
}
