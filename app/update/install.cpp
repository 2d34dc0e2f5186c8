#include "app/update/install.h"

#include "app/window/appsys.h"
#include "core/globals.h"
#include "core/text.h"
#include "platform/fs/fs.h"

using namespace core::literals;
namespace fs = platform::fs;

namespace app {

int UPD_TYP(const std::string& targetName) {
  std::string name = core::upper(core::rtrim(targetName));
  if (name == "ZOV.EXE" || core::right(name, 4) == ".DLL") return kProgramFile;
  if (name == "ZOV-HELP.CHM") return kHelpFile;
  return kOrdinaryFile;
}

void UPD_COPY(const std::string& sourceName, const std::string& targetName, const std::string& sourceDir,
              const std::string& targetDir, int kind, const std::string& /*version*/) {
  const std::string target = targetName.empty() ? sourceName : targetName;
  const bool inconsistent = kind == kProgramFile;
  const std::string ycr = "\r\n";
  const std::string from = fs::withSlash(core::rtrim(sourceDir)) + sourceName;
  const std::string to = fs::withSlash(core::rtrim(targetDir)) + target;
  const std::string cannotWrite = "Die Datei Datei >> " + to + " <<" + ycr + "kann nicht geschrieben werden.";

  if (!fs::fileExists(from))
    XERR("Die für diese Aktion benötigte Datei >> "_w + from + " <<" + ycr + "konnte nicht gefunden werden.",
         inconsistent);
  if (fs::exists(to) && !fs::deleteFile(to)) {
    if (kind == kHelpFile) return;
    XERR(cannotWrite + ycr + ycr +
             "Eventuell kann es helfen, den PC herunterzufahren und wieder neu zu starten",
         inconsistent);
  }
  // The copy must be whole: a target of another size is as bad as none.
  bool copied = fs::copyFile(from, to);
  if (kind != kHelpFile && (!copied || fs::fileSize(to) != fs::fileSize(from)))
    XERR(cannotWrite, inconsistent);
}

void stageFromLocalDir(const Rows& selected, const std::string& manifestDir, const std::string& stagingDir) {
  fs::removeTree(stagingDir);
  fs::makeDir(stagingDir);
  for (const auto& row : selected) UPD_COPY(row[0], UPD_FNAME(row), manifestDir, stagingDir);
}

void installStaged(const Rows& selected, const std::string& stagingDir, const std::string& installDir) {
  auto pass = [&](bool programFiles) {
    for (const auto& row : selected) {
      std::string name = UPD_FNAME(row);
      int kind = UPD_TYP(name);
      if ((kind == kProgramFile) == programFiles) UPD_COPY(name, "", stagingDir, installDir, kind);
    }
  };
  core::globals().set("nStepR", 0.0);
  pass(false);
  core::globals().set("nStepR", 0.5);
  pass(true);
}

}  // namespace app
