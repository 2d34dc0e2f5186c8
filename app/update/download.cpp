#include "app/update/download.h"

#include <algorithm>

#include "app/update/manifest.h"
#include "core/globals.h"
#include "core/text.h"
#include "net/http_download.h"
#include "net/server.h"
#include "platform/clock/clock.h"
#include "platform/fs/fs.h"

using namespace core::literals;
namespace fs = platform::fs;

namespace app {

double downloadWeight(const std::string& sourceName) {
  if (core::startsWith(sourceName, "zov.exe")) return 22;
  if (core::startsWith(sourceName, "zov-help.chm")) return 4;
  return 2;
}

DownloadResult XNVDOWN(const std::string& modeArg, const std::string& installedArg,
                       const std::string& dirArg) {
  auto& g = core::globals();
  const std::string ycr = "\r\n";
  const std::string mode = modeArg.empty() ? "H" : modeArg;
  const std::string installed = installedArg.empty() ? g.getOr("p1GVers", "").textOr("") : installedArg;
  const std::string dir = dirArg.empty() ? g.getOr("ydir_sv", "").textOr("") + "\\" : dirArg;

  std::string text = net::XHTTP_READ_TEXT(net::updateServerUrl() + "/zov/program/dir_upd.txt");
  std::string message;
  std::string offered = XNEWVERS(text, message);
  if (!message.empty()) return {2, message};
  if (!core::startsWith(mode, "U") && offered <= installed)
    return {0, "Ihre ZOV-Version ist zurzeit auf dem neuesten Stand"};

  const std::string stagingDir = dir + "ums_" + withoutDots(offered);
  g.set("cUmsDir", stagingDir);
  if (fs::fileExists(stagingDir + "\\down_ok.txt"))
    return {0, "Die Daten für die neue ZOV-Version "_w + offered + " sind bereits heruntergeladen."};

  Rows rows = XTEXTTOARRAY(text);
  extendRows(rows);
  // The rebuild marker names no file. It goes as the driver drops it (the first one, in any
  // letter case): after a master's "Ja" it must neither be fetched as a file, which fails,
  // nor weighed, which keeps the bar short of its end.
  if (auto marker = std::find_if(rows.begin(), rows.end(), isRebuildMarker); marker != rows.end())
    rows.erase(marker);
  // A name that leaves the staging directory is refused before anything is written.
  if (auto bad = unsafeName(rows)) return {2, unsafeNameMessage(*bad)};

  // The same rows as the driver installs; the weights are what the progress is counted in.
  const Rows selected = selectRows(rows, installed);
  double total = 0;
  for (const auto& row : selected) total += downloadWeight(row[0]) * 1.2;

  fs::removeTree(stagingDir);
  fs::makeDir(stagingDir);
  double done = 0;
  if (!g.exists("nStepR")) g.set("nStepR", 0.0);

  std::string log;
  std::size_t fetched = 0;
  for (const auto& row : selected) {
    if (core::startsWith(row[0], "Umbau")) continue;  // the rebuild marker is no file
    const double weight = downloadWeight(row[0]);
    const std::string target = UPD_FNAME(row);
    done += weight;
    std::string content = net::XHTTP_READ_FILE(net::programUrl(row[0]));
    g.set("nStepR", done / total);
    if (content.empty()) return {2, "Die Datei " + row[0] + " konnte nicht heruntergeladen werden"};
    const std::string path = stagingDir + "\\" + target;
    // A file that did not reach the disk whole (disk full) is no download.
    if (!fs::writeFile(path, content))
      return {2, "Die Datei Datei >> " + path + " <<" + ycr + "kann nicht geschrieben werden."};
    log += ycr + "        " + path;
    ++fetched;
    done += weight / 5;
    g.set("nStepR", done / total);
  }

  std::string okLog = "Datum:        " + platform::clock::today().toText() + ycr +
                      "Zeit:  " + platform::clock::timeOfDay() + ycr + ycr +
                      "Heruntergeladene Dateien:" + log;
  if (!fs::writeFile(stagingDir + "\\down_ok.txt", okLog))
    return {2,
            "Die Datei Datei >> " + stagingDir + "\\down_ok.txt <<" + ycr + "kann nicht geschrieben werden."};
  return {1, core::str(static_cast<double>(fetched), 3) + " Dateien für Version "_w + offered +
                 " heruntergeladen."};
}

}  // namespace app
