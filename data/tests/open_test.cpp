// Opening product tables by name: catalogue areas, retries, index files, failure handling.
#include <gtest/gtest.h>

#include "core/failure.h"
#include "core/text.h"
#include "data/open.h"
#include "data/tests/data_fixture.h"
#include "platform/dbf/tests/child.h"

namespace dbf = platform::dbf;
using namespace core::literals;

namespace {

// A table with one field ID and, for each index name, an index on UPPER(ID).
void makeTable(const std::string& name, const std::vector<std::string>& indexes) {
  dbf::createTable(name, {{"ID", 'C', 10, 0}});
  int area = dbf::use(name, 0, {true, false, ""});
  dbf::current().append();
  dbf::current().put("ID", core::Value("x"));
  for (const auto& i : indexes) dbf::createIndex(i, "UPPER(ID)");
  dbf::closeArea(area);
}

}  // namespace

class Opening : public DataTest {};

TEST_F(Opening, UserOpensInItsCatalogueAreaWithItsIndex) {
  makeTable("user", {"user"});
  EXPECT_EQ(data::XOPEN1("user"), "user");
  EXPECT_EQ(dbf::selected(), 22);
  EXPECT_EQ(dbf::current().orderCount(), 1);
  EXPECT_EQ(dbf::current().orderKey(), "UPPER(ID)");
  EXPECT_FALSE(dbf::current().exclusive());
  EXPECT_EQ(errStat(), 0);
  EXPECT_TRUE(pauses.empty());

  // Area 0: a new area (with an alias of its own, "user" being taken); the index is found by name.
  EXPECT_EQ(data::XOPEN1("USER", 0), "USER_1");
  EXPECT_EQ(dbf::selected(), 1);
  EXPECT_EQ(dbf::current().orderCount(), 1);
  EXPECT_EQ(dbf::aliasOf(22), "user");
}

TEST_F(Opening, ANameOutsideTheCatalogue) {
  makeTable("extra1", {});
  EXPECT_EQ(data::XOPEN1("extra1", 0), "extra1");  // with an area: opened, no index, no message
  EXPECT_EQ(dbf::current().orderCount(), 0);
  EXPECT_TRUE(messages.empty());
  dbf::closeAll();
  EXPECT_EQ(data::XOPEN1("extra1"), "");  // without: the message, nothing opened
  EXPECT_EQ(messages, std::vector<std::string>{"Ungültiger Dateiname: extra1"_w});
  EXPECT_TRUE(dbf::usedAreas().empty());
  EXPECT_TRUE(pauses.empty());
}

TEST_F(Opening, ATableThatNeverOpensGetsThreeAttemptsAndPauses) {
  makeTable("user", {"user"});
  auto child = testing_support::holdInChild({host("C:\\ZOV\\user.dbf"), "exclusive"});
  EXPECT_EQ(data::XOPEN1("user"), "");
  EXPECT_EQ(pauses, (std::vector<int>{1, 2, 3}));  // 6 seconds in all
  EXPECT_EQ(errStat(), 0);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(dbf::used(22));
}

TEST_F(Opening, ATableThatFreesUpDuringTheSecondPauseOpensOnTheThirdAttempt) {
  makeTable("user", {"user"});
  auto child = testing_support::holdInChild({host("C:\\ZOV\\user.dbf"), "exclusive"});
  onPause = [&](int seconds) {
    if (seconds == 2) child->finish();
  };
  EXPECT_EQ(data::XOPEN1("user"), "user");
  EXPECT_EQ(pauses, (std::vector<int>{1, 2}));  // 3 seconds in all
  EXPECT_EQ(dbf::current().orderCount(), 1);
  EXPECT_EQ(errStat(), 0);
}

TEST_F(Opening, CloseAfterOpeningAnswersEmpty) {
  makeTable("user", {"user"});
  EXPECT_EQ(data::XOPEN1("user", std::nullopt, false, true), "");
  EXPECT_FALSE(dbf::used(22));
  EXPECT_TRUE(pauses.empty());
}

TEST_F(Opening, AnArrayOfNamesGivesAnArrayOfAliases) {
  makeTable("user", {"user"});
  makeTable("gast", {"gast", "gast_nr"});
  EXPECT_EQ(data::XOPEN1(std::vector<std::string>{"user", "gast"}),
            (std::vector<std::string>{"user", "gast"}));
  EXPECT_TRUE(dbf::used(22));
  EXPECT_TRUE(dbf::used(1));
  EXPECT_EQ(dbf::tableIn(1)->orderCount(), 2);
}

TEST_F(Opening, NoTablesAtAllWithYNoDB) {
  makeTable("user", {"user"});
  core::globals().set("yNo_DB", true);
  EXPECT_EQ(data::XOPEN1("user"), "");
  EXPECT_EQ(data::XOPEN1("nosuch"), "");
  EXPECT_TRUE(dbf::usedAreas().empty());
  EXPECT_TRUE(messages.empty());
}

TEST_F(Opening, AMissingIndexFileSetsYinderrAndKeepsTheTableOpen) {
  makeTable("gast", {"gast"});  // gast_nr is missing
  EXPECT_EQ(data::XOPEN1("gast"), "gast");
  EXPECT_TRUE(core::globals().get("yinderr").logical());
  EXPECT_EQ(dbf::current().orderCount(), 1);  // the index attached before the failure stays
  EXPECT_EQ(errStat(), 0);
  EXPECT_TRUE(messages.empty());
}

TEST_F(Opening, CloseTheAreaFirstReplacesItsTable) {
  makeTable("user", {"user"});
  makeTable("gast", {"gast", "gast_nr"});
  dbf::use("gast", 22);
  EXPECT_EQ(data::XOPEN1("user", std::nullopt, false, false, true), "user");
  EXPECT_EQ(dbf::aliasOf(22), "user");
}

TEST_F(Opening, QuitOnFailureShowsTheMessageAndEndsTheProgram) {
  core::globals().declare("ylStart", true);
  core::globals().declare("yDir_Sv", "C:\\ZOV\\");
  try {
    data::XOPEN1("user", std::nullopt, true);
    FAIL() << "the program did not end";
  } catch (const core::ProgramEnd& end) {
    const std::string text =
        "Die Datei user.dbf kann nicht geöffnet werden.\r\nVerzeichnis: C:\\ZOV\\\r\n"
        "ZOV kann daher nicht gestartet werden."_w;
    EXPECT_EQ(messages, std::vector<std::string>{text});
    EXPECT_EQ(end.reason, text);
    EXPECT_NE(end.exitCode, 0);
  }
  EXPECT_EQ(pauses, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(runtimeErrors.empty());
}

TEST_F(Opening, OutsideTheStartPhaseTheRunTimeErrorComesFirst) {
  core::globals().declare("ylStart", false);
  core::globals().declare("yDir_Sv", "D:\\DATEN\\");
  EXPECT_THROW(data::XOPEN1("gast", std::nullopt, true), core::ProgramEnd);
  EXPECT_EQ(runtimeErrors, std::vector<std::string>{"File_gast_nicht_zu_oeffnen"});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Verzeichnis: D:\\DATEN\\\r\n"), std::string::npos);
}

TEST_F(Opening, XopenOpensTheWholeCatalogue) {
  core::Value catalogue = core::globals().get("aDBFiles");
  for (const auto& record : catalogue.elements()) {
    std::vector<std::string> indexes;
    for (const auto& i : record[3].elements()) indexes.push_back(i.text());
    makeTable(record[1].text(), indexes);
  }
  data::XOPEN();
  EXPECT_EQ(dbf::usedAreas().size(), 30u);
  EXPECT_EQ(dbf::selected(), 1);
  EXPECT_EQ(dbf::aliasOf(17), "GaMng");
  EXPECT_EQ(dbf::tableIn(18)->orderCount(), 3);
  EXPECT_EQ(dbf::tableIn(21)->orderCount(), 0);
  EXPECT_FALSE(core::globals().get("yinderr").logical());
}
