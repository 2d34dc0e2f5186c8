#include "app/update/manifest.h"

#include "core/globals.h"
#include "core/text.h"
#include "platform/gui/boxes.h"

using namespace core::literals;

namespace app {

namespace {
bool blankChar(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Position after the last character that is not blank, so "the rest is blank" is a
// comparison instead of a scan (the manifest may hold many thousand rows).
std::size_t endOfContent(std::string_view s) {
  std::size_t end = s.size();
  while (end > 0 && blankChar(s[end - 1])) --end;
  return end;
}
}  // namespace

Rows XTEXTTOARRAY(std::string_view input) {
  std::string text(input);
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
  const std::string_view all(text);
  const std::size_t contentEnd = endOfContent(all);
  Rows rows;
  std::size_t pos = 0;
  while (pos < contentEnd && all.substr(pos) != "\r\n") {
    Row& row = rows.emplace_back();
    std::size_t lineEnd = all.find("\r\n", pos);
    std::string_view line = all.substr(pos, lineEnd - pos);
    pos = lineEnd + 2;
    // The line with a tab appended; columns run up to each tab while the rest is not blank.
    std::size_t lineContentEnd = endOfContent(line);
    std::size_t col = 0;
    while (col < lineContentEnd) {
      std::size_t tab = line.find('\t', col);
      if (tab == std::string_view::npos) tab = line.size();
      row.emplace_back(line.substr(col, tab - col));
      col = tab + 1;
    }
  }
  return rows;
}

void extendRows(Rows& rows) {
  for (auto& row : rows)
    if (row.size() == 1 || row.size() == 2) row.resize(3);
}

std::string withoutDots(std::string_view version) {
  return core::replaceAll(std::string(version), ".", "");
}

bool isProgramRow(const Row& row) {
  return !row.empty() && core::startsWith(core::upper(row[0]), "ZOV.EXE");
}

bool isRebuildMarker(const Row& row) {
  return !row.empty() && core::startsWith(core::upper(row[0]), "UMBAU");
}

std::optional<std::size_t> findProgramRow(const Rows& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (isProgramRow(rows[i])) return i;
  return std::nullopt;
}

std::string XNEWVERS(const std::string& text, std::string& message) {
  const std::string rebuilding =
      "Die ZOV-Daten im Internet werden gerade bearbeitet. Versuchen Sie es bitte später noch einmal."_w;
  if (core::isBlank(text)) {
    message = "Die Verbindung zum Internet ist derzeit nicht möglich."_w;
    return "";
  }
  if (core::upper(core::left(text, 5)) == "UMBAU") {
    if (!core::globals().getOr("yMaster", false).logicalOr(false)) {
      message = rebuilding;
      return "";
    }
    const std::string ycr = "\r\n";
    int answer = platform::gui::confirmBox("Umbau von DIR_UPD.TXT" + ycr + "Trotzdem weiter ?",
                                           "Trotz Umbau weiter ?", false, platform::gui::focusWindow());
    if (answer != platform::gui::kYes) {
      message = rebuilding;
      return "";
    }
  }
  Rows rows = XTEXTTOARRAY(text);
  extendRows(rows);
  auto program = findProgramRow(rows);
  if (!program) {
    message = "Die Datei dir_upd.txt enthält keinen Eintrag für ZOV.EXE"_w;
    return "";
  }
  const Row& row = rows[*program];
  std::string version = row.size() > 1 ? row[1] : "";
  if (core::isBlank(version)) {
    message = "Die Datei dir_upd.txt enthält keine Versionsnummer"_w;
    return "";
  }
  return version;
}

Rows selectRows(const Rows& rows, const std::string& installedVersion) {
  const std::string installed = withoutDots(installedVersion);
  Rows kept;
  for (const auto& row : rows) {
    // Rows without any column (blank manifest lines) name no file.
    if (row.empty()) continue;
    const std::string& name = row[0];
    if (core::startsWith(name, "*")) continue;
    std::string version = row.size() > 1 ? withoutDots(row[1]) : "";
    bool alreadyInstalled = installed >= version && !version.empty() && !core::startsWith(name, "zov.exe") &&
                            !core::startsWith(name, "zov-help.chm");
    if (!alreadyInstalled) kept.push_back(row);
  }
  return kept;
}

std::string UPD_FNAME(const Row& row) {
  std::string column3 = row.size() > 2 ? row[2] : "";
  if (!core::isBlank(column3)) return core::rtrim(column3);
  std::string column1 = row.empty() ? "" : row[0];
  auto slash = column1.find('\\');
  return core::rtrim(slash == std::string::npos ? column1 : column1.substr(slash + 1));
}

namespace {
bool escapes(const std::string& name) {
  if (name.empty()) return false;
  std::string n = core::replaceAll(name, "/", "\\");
  if (n.size() >= 2 && n[1] == ':') return true;  // a drive
  if (n[0] == '\\') return true;                  // absolute or a network path
  std::size_t start = 0;
  while (start <= n.size()) {
    std::size_t end = n.find('\\', start);
    if (end == std::string::npos) end = n.size();
    if (core::alltrim(n.substr(start, end - start)) == "..") return true;
    start = end + 1;
  }
  return false;
}
}  // namespace

std::optional<std::string> unsafeName(const Rows& rows) {
  for (const auto& row : rows) {
    if (row.empty() || core::startsWith(row[0], "*")) continue;
    if (escapes(row[0])) return row[0];
    if (escapes(UPD_FNAME(row))) return UPD_FNAME(row);
  }
  return std::nullopt;
}

std::string unsafeNameMessage(const std::string& name) {
  return "Die Datei dir_upd.txt enthält einen ungültigen Dateinamen:"_w + "\r\n" + name;
}

}  // namespace app
