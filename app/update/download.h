// The download of a new version from the update server into the staging directory
// "ums_" + version inside the installation directory, with the completion log down_ok.txt.
#pragma once

#include <string>

namespace app {

struct DownloadResult {
  int code = 0;  // 0 nothing to do, 1 downloaded, 2 failure
  std::string text;
};

// Mode "U…" downloads even when the offered version is not newer. Omitted version and
// directory come from the globals p1GVers and ydir_sv. Sets cUmsDir and nStepR.
DownloadResult XNVDOWN(const std::string& mode = "H", const std::string& installedVersion = "",
                       const std::string& dir = "");

// Weight of a manifest row in the download's progress: 22 program file, 4 help file, 2 others.
double downloadWeight(const std::string& sourceName);

}  // namespace app
