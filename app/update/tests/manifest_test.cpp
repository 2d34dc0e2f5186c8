#include <gtest/gtest.h>

#include "app/update/manifest.h"
#include "core/globals.h"
#include "core/text.h"

using namespace core::literals;
using app::Row;
using app::Rows;

TEST(ManifestSplitting, RowsAndColumns) {
  struct Case {
    std::string text;
    Rows rows;
  };
  const Case cases[] = {
      {"a\tb\r\nc", {{"a", "b"}, {"c"}}},
      {"zov.exe\t4.3G\t\t", {{"zov.exe", "4.3G"}}},
      {"a\r\n\r\nb\r\n", {{"a"}, {}, {"b"}}},
      {"a\r\n   \r\nb", {{"a"}, {}, {"b"}}},
      {"a\nb\nc\n", {{"a\nb\nc\n"}}},  // line feeds alone: one line, its column as it is
      {"a\t\tc\r\n", {{"a", "", "c"}}},
      {"a\t \t\r\n", {{"a"}}},  // blank columns at the end are dropped
      {"", {}},
      {"\r\n", {}},
      {" \r\n\t\r\n", {}},  // a blank rest ends the text
      {"x", {{"x"}}},
      {"sub\\x.dll\t4.4A\tneu.dll\tmore\r\n", {{"sub\\x.dll", "4.4A", "neu.dll", "more"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(app::XTEXTTOARRAY(c.text), c.rows) << c.text;
}

TEST(ManifestSplitting, ExtensionToThreeColumns) {
  Rows rows = {{"zov.exe", "4.3G"}, {}, {"a"}, {"a", "b", "c", "d"}};
  app::extendRows(rows);
  EXPECT_EQ(rows, (Rows{{"zov.exe", "4.3G", ""}, {}, {"a", "", ""}, {"a", "b", "c", "d"}}));
}

TEST(ManifestRows, ProgramRowAndMarker) {
  Rows rows = app::XTEXTTOARRAY("Umbau\r\nZOV.EXE.OLD\t4.1A\r\nzov.exe\t4.3G\r\n");
  EXPECT_TRUE(app::isRebuildMarker(rows[0]));
  ASSERT_TRUE(app::findProgramRow(rows).has_value());
  EXPECT_EQ(*app::findProgramRow(rows), 1u) << "only the beginning of column 1 counts";
  EXPECT_FALSE(app::findProgramRow(app::XTEXTTOARRAY("a.dll\t4.3G\r\n")).has_value());
}

TEST(ManifestRows, SelectionKeepsWhatTheInstallationLacks) {
  Rows rows = {{"zov.exe", "4.3A", ""},  {"zov-help.chm", "4.1A", ""}, {"ZOV.EXE", "4.3A", ""},
               {"a.dll", "4.3G", ""},    {"b.dll", "4.3F", ""},        {"c.txt", "", ""},
               {"*zov.exe", "4.4A", ""}, {"d.txt", "4.3E", ""},        {},
               {"e.txt", "4.4A", ""}};
  Rows kept = app::selectRows(rows, "4.3F");
  std::vector<std::string> names;
  for (const auto& r : kept) names.push_back(r[0]);
  EXPECT_EQ(names, (std::vector<std::string>{"zov.exe", "zov-help.chm", "a.dll", "c.txt", "e.txt"}));
}

TEST(ManifestRows, TargetNames) {
  struct Case {
    Row row;
    std::string target;
  };
  const Case cases[] = {
      {{"sub\\x.dll", "4.3G", ""}, "x.dll"},   {{"sub\\x.dll", "4.3G", "neu.dll  "}, "neu.dll"},
      {{"a.txt  ", "", ""}, "a.txt"},          {{"a\\b\\c.txt", "", " "}, "b\\c.txt"},
      {{"zov.exe", "4.3G", "   "}, "zov.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(app::UPD_FNAME(c.row), c.target) << c.row[0];
}

TEST(ManifestRows, NamesThatWouldLeaveTheirDirectoryAreRefused) {
  struct Case {
    Row row;
    bool unsafe;
  };
  const Case cases[] = {
      {{"a.dll", "4.3G", ""}, false},
      {{"sub\\a.dll", "4.3G", ""}, false},
      {{"..\\a.dll", "4.3G", ""}, true},
      {{"sub\\..\\..\\a.dll", "", ""}, true},
      {{"C:\\Windows\\a.dll", "", ""}, true},
      {{"\\\\server\\share\\a", "", ""}, true},
      {{"\\a.dll", "", ""}, true},
      {{"a.dll", "", "..\\zov.exe"}, true},
      {{"a.dll", "", "c:zov.exe"}, true},
      {{"sub/../../a.dll", "", ""}, true},
      {{"*..\\comment", "", ""}, false},
      {{"a..b.txt", "", ""}, false},
  };
  for (const auto& c : cases) {
    Rows rows = {{"zov.exe", "4.3G", ""}, c.row};
    EXPECT_EQ(app::unsafeName(rows).has_value(), c.unsafe) << c.row[0] << " | " << c.row[2];
  }
}

TEST(ManifestVersion, OfferedVersionFromText) {
  core::globals().set("yMaster", false);
  struct Case {
    std::string text;
    std::string version;
    std::string message;
  };
  const Case cases[] = {
      {"zov.exe\t4.3G\r\na.dll\t4.3G\r\n", "4.3G", ""},
      {"  \r\n", "", "Die Verbindung zum Internet ist derzeit nicht möglich."_w},
      {"UMBAU\r\nzov.exe\t4.3G\r\n", "",
       "Die ZOV-Daten im Internet werden gerade bearbeitet. Versuchen Sie es bitte später noch einmal."_w},
      {"a.dll\t4.3G\r\n", "", "Die Datei dir_upd.txt enthält keinen Eintrag für ZOV.EXE"_w},
      {"zov.exe\t \tx\r\n", "", "Die Datei dir_upd.txt enthält keine Versionsnummer"_w},
      {"zov.exe\r\n", "", "Die Datei dir_upd.txt enthält keine Versionsnummer"_w},
  };
  for (const auto& c : cases) {
    std::string message;
    EXPECT_EQ(app::XNEWVERS(c.text, message), c.version) << c.text;
    EXPECT_EQ(message, c.message) << c.text;
  }
  EXPECT_EQ(app::withoutDots("4.3F"), "43F");
}
