// Writes pictures of the main window for review: the progress display at 0 %, 46 % and 100 %
// with the step texts written so far, as PNG files into the folder given as the argument.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path outDir = argc > 1 ? argv[1] : "screenshots";
  std::error_code ec;
  std::filesystem::create_directories(outDir, ec);
  return platform::gui::runWithWindowSystem(argc, argv, [&] { return writeShots(outDir); });
}
