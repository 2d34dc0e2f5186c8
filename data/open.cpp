#include "data/open.h"

#include "core/globals.h"
#include "core/text.h"
#include "data/catalogue.h"
#include "data/hooks.h"
#include "platform/dbf/workarea.h"
#include "platform/fs/fs.h"
#include "platform/thread/guard.h"
#include "platform/thread/program.h"

using namespace core::literals;

namespace data {

namespace {

constexpr long kOpening = 103;
constexpr long kIndexing = 108;

bool globalFlag(const char* name, bool dflt) {
  return core::globals().getOr(name, core::Value(dflt)).logicalOr(dflt);
}

std::string globalText(const char* name, const std::string& dflt) {
  return core::globals().getOr(name, core::Value(dflt)).textOr(dflt);
}

}  // namespace

std::string XOPEN1(const std::string& name, std::optional<int> area, bool quit, bool closeAfter,
                   bool closeFirst) {
  if (globalFlag("yNo_DB", false)) return "";
  int workArea = 0;
  if (area) {
    workArea = *area;
  } else {
    auto record = findTable(name);
    if (!record) {
      showMessage("Ungültiger Dateiname: "_w + name);
      return "";
    }
    workArea = static_cast<int>((*record)[2].integer());
  }
  if (closeFirst) {
    platform::dbf::select(workArea);
    platform::dbf::closeArea();
  }
  for (int attempt = 1; attempt <= 3; ++attempt) {
    platform::guarded(kOpening, [&] {
      if (workArea != 0) platform::dbf::select(workArea);
      platform::dbf::use(name, workArea);  // shared, read-write, default alias
    });
    if (platform::errStat() == kOpening) break;
    pause(attempt);
  }
  if (platform::errStat() == 0) {
    if (!quit) return "";
    if (!globalFlag("ylStart", true)) reportRuntimeError("File_" + name + "_nicht_zu_oeffnen");
    const std::string cr = globalText("ycr", "\r\n");
    const std::string text = "Die Datei " + name + ".dbf kann nicht geöffnet werden."_w + cr +
                             "Verzeichnis: " + globalText("yDir_Sv", platform::fs::currentDir()) + cr +
                             "ZOV kann daher nicht gestartet werden.";
    showMessage(text);
    platform::endProgram(1, text);
  }
  platform::setErrStat(0);
  XOPEN_IDX(name);
  if (closeAfter) platform::dbf::closeArea();
  return platform::dbf::alias();
}

std::vector<std::string> XOPEN1(const std::vector<std::string>& names, std::optional<int> area, bool quit,
                                bool closeAfter, bool closeFirst) {
  std::vector<std::string> aliases;
  for (const auto& n : names) aliases.push_back(XOPEN1(n, area, quit, closeAfter, closeFirst));
  return aliases;
}

void XOPEN_IDX(const std::string& name) {
  auto record = findTable(name);
  if (!record) return;
  platform::guarded(kIndexing, [&] {
    platform::dbf::current().orderListClear();
    const core::Value indexes = (*record)[3];
    if (!indexes.isArray()) return;
    for (const auto& index : indexes.elements())
      if (index.isText()) platform::dbf::orderListAdd(index.text());
  });
  if (platform::errStat() == 0) core::globals().set("yinderr", core::Value(true));
  platform::setErrStat(0);
}

void XOPEN() {
  const core::Value catalogue = core::globals().get("aDBFiles");
  for (const auto& record : catalogue.elements()) {
    if (!record.isArray() || record.size() < 2) continue;
    XOPEN1(record[1].text(), std::nullopt, true, record[2].integer() == 0);
  }
  platform::dbf::select(1);
}

}  // namespace data
