#include "app/update/backup.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "app/update/manifest.h"
#include "app/window/appsys.h"
#include "core/globals.h"
#include "core/text.h"
#include "platform/clock/clock.h"
#include "platform/fs/fs.h"

using namespace core::literals;
namespace fs = platform::fs;

namespace app {

namespace {

std::string twoDigits(long n) {
  char buf[24];  // room for any long
  std::snprintf(buf, sizeof buf, "%02ld", n);
  return buf;
}

std::string datePart(const core::Date& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "_%04d_%02d_%02d", d.year(), d.month(), d.day());
  return buf;
}

std::vector<std::string> namesDescending(const std::string& pattern) {
  std::vector<std::string> names;
  for (const auto& e : fs::listDir(pattern, true)) names.push_back(e.name);
  std::sort(names.begin(), names.end(), std::greater<>());
  return names;
}

// The backup directory made by this run (absolute, upper case), for the rotation after it.
std::mutex madeMutex;
std::string madeByThisRun;

void rememberBackupMade(const std::string& dir) {
  std::lock_guard lock(madeMutex);
  madeByThisRun = core::upper(fs::absolute(dir));
}

std::string lastBackupMade() {
  std::lock_guard lock(madeMutex);
  return madeByThisRun;
}

}  // namespace

void renameOldBackups(const std::string& installDir) {
  for (const auto& entry : fs::listDir(installDir + "BAK_*.*", true)) {
    std::string base = "ZOV_SICH_U" + core::substr(entry.name, 5, 3) + datePart(entry.date);
    for (int attempt = 1; attempt <= 20; ++attempt) {
      std::string name = attempt == 1 ? base : base + "(" + twoDigits(attempt) + ")";
      if (fs::rename(installDir + entry.name, installDir + name)) break;
    }
  }
}

std::string nextBackupDir(const std::string& installDir, const std::string& versionNoDots) {
  const std::string base = installDir + "ZOV_SICH_U" + versionNoDots + datePart(platform::clock::today());
  std::string dir = base;
  long number = 1;
  auto existing = namesDescending(base + "*.*");
  if (!existing.empty()) {
    std::string last4 = core::right(core::alltrim(existing.front()), 4);
    number = core::startsWith(last4, "(") ? static_cast<long>(core::val(core::substr(last4, 2, 2))) + 1 : 2;
    dir = base + "(" + twoDigits(number) + ")";
  }
  // Past (99) the names no longer sort by their number; never reuse an existing backup.
  while (fs::exists(dir)) dir = base + "(" + twoDigits(++number) + ")";
  return dir;
}

std::string makeBackup(const std::string& installDir, const std::string& version,
                       const std::string& houseName) {
  auto& g = core::globals();
  const std::string ycr = "\r\n";
  std::string backupDir = core::rtrim(nextBackupDir(installDir, withoutDots(version)));
  if (!fs::makeDir(backupDir))
    XERR("Das Sicherungsverzeichnis >> "_w + backupDir + " <<" + ycr + "kann nicht angelegt werden.");
  rememberBackupMade(backupDir);

  double total = 0;
  auto files = fs::listDir(installDir + "*.*", false);
  for (const auto& f : files) total += static_cast<double>(f.size);
  g.set("nReqSp", total);

  for (std::size_t i = 0; i < files.size(); ++i) {
    const auto& f = files[i];
    std::string target = backupDir + "\\" + f.name;
    if (!fs::copyFile(installDir + f.name, target))
      XERR("Die Datei >> "_w + installDir + f.name + " <<" + ycr + "kann nicht gesichert werden.");
    g.set("nAnz1", g.get("nAnz1").number() + 1);
    g.set("nSiz1", g.get("nSiz1").number() + static_cast<double>(f.size));
    if (i + 1 == files.size()) g.set("nSiz1", total);
    // Only empty files: the backup is complete, not a division by zero.
    g.set("nStepR", total > 0 ? g.get("nSiz1").number() / total : 1.0);
  }
  if (files.empty()) g.set("nStepR", 1.0);

  std::string id = "Date: " + platform::clock::today().toText() + ycr +
                   "Zeit: " + platform::clock::timeOfDay() + ycr + "Name: " + houseName + ycr +
                   "Vers: " + version + ycr;
  if (!fs::writeFile(backupDir + "\\ZOV_BAK_ID.txt", id))
    XERR("Die Datei >> "_w + backupDir + "\\ZOV_BAK_ID.txt <<" + ycr + "kann nicht geschrieben werden.");
  return backupDir;
}

void rotateBackups(const std::string& installDir) {
  struct Backup {
    std::string key;  // the name in upper case
    fs::DirEntry entry;
  };
  std::vector<Backup> backups;
  // Names count without regard to letter case, as on Windows: ZOV_SICH_U43e… is a backup of
  // 4.3E and must not sort above (and so remove) every backup of 4.3F.
  for (auto& e : fs::listDir(installDir + "ZOV_SICH_U*.*", true)) backups.push_back({core::upper(e.name), e});
  std::sort(backups.begin(), backups.end(), [](const auto& a, const auto& b) { return a.key > b.key; });
  if (backups.empty()) return;
  const std::string keep = core::left(backups.front().key, 13);
  const std::string madeNow = lastBackupMade();
  // The shell's RD removes directories only; a plain file of that name stays. The backup
  // this run has just made is the way back and is never removed, even when backups of a
  // higher version hold the first two places.
  for (std::size_t i = 2; i < backups.size(); ++i) {
    const std::string path = installDir + backups[i].entry.name;
    if (backups[i].entry.isDir && core::left(backups[i].key, 13) != keep &&
        core::upper(fs::absolute(path)) != madeNow)
      fs::removeTree(path);
  }
}

}  // namespace app
