// The table catalogue.
#include <gtest/gtest.h>

#include <set>

#include "core/text.h"
#include "data/catalogue.h"

TEST(Catalogue, HoldsThirtyTablesWithAreasIndexesAndMarks) {
  core::Value c = data::XDBFILES();
  ASSERT_EQ(c.size(), 30u);
  std::set<std::string> names;
  for (std::size_t i = 1; i <= 30; ++i) {
    const core::Value& r = c[i];
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[2].integer(), static_cast<long>(i));
    EXPECT_TRUE(names.insert(core::upper(r[1].text())).second) << r[1].text();
    EXPECT_TRUE(r[3].isArray());
  }
  struct Row {
    std::size_t area;
    const char* name;
    std::vector<std::string> indexes;
    const char* mark;
  } rows[] = {
      {1, "gast", {"gast", "gast_nr"}, " "},
      {4, "zm_bel", {"zm_bel", "zm_bel2", "zm_gast", "zm_ores"}, " "},
      {14, "gast_bez", {"gast_bez", "gast_be2"}, "5.2C"},
      {16, "PLZ", {"plz"}, " "},
      {17, "GaMng", {"GaMng"}, "  "},
      {18, "Melde", {"melde", "MeldNr", "MeldVs"}, " "},
      {21, "log", {}, "3.8A"},
      {22, "user", {"user"}, " "},
      {25, "Leistung", {}, "5.2C"},
      {26, "NumK", {"numk"}, "5.6B"},
      {27, "Hinweis", {}, "4.2C"},
      {29, "JobLog", {"joblog"}, "4.5C"},
      {30, "INI", {"INI"}, " "},
  };
  for (const auto& row : rows) {
    const core::Value& r = c[row.area];
    EXPECT_EQ(r[1].text(), row.name);
    std::vector<std::string> indexes;
    for (const auto& i : r[3].elements()) indexes.push_back(i.text());
    EXPECT_EQ(indexes, row.indexes) << row.name;
    EXPECT_EQ(r[4].text(), row.mark) << row.name;
  }
}

TEST(Catalogue, LookupComparesUpperCaseWithoutTrimming) {
  core::Value c = data::XDBFILES();
  for (const char* name : {"USER", "User", "user"}) {
    auto r = data::findTable(c, name);
    ASSERT_TRUE(r.has_value()) << name;
    EXPECT_EQ((*r)[2].integer(), 22);
  }
  EXPECT_FALSE(data::findTable(c, "user ").has_value());
  EXPECT_FALSE(data::findTable(c, "").has_value());
  EXPECT_EQ((*data::findTable(c, "gamng"))[2].integer(), 17);
}

TEST(Catalogue, EveryCallBuildsANewArray) {
  core::Value a = data::XDBFILES();
  core::Value b = data::XDBFILES();
  a[22][1] = core::Value("changed");
  a[22][3].elements().clear();
  a.elements().pop_back();
  EXPECT_EQ(b.size(), 30u);
  EXPECT_EQ(b[22][1].text(), "user");
  EXPECT_EQ(b[22][3].size(), 1u);
  EXPECT_EQ(data::XDBFILES()[22][1].text(), "user");
}
