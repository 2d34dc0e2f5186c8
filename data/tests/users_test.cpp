// Active users found through record locks that a second, real process holds.
#include <gtest/gtest.h>

#include "core/failure.h"
#include "core/text.h"
#include "data/tests/data_fixture.h"
#include "data/users.h"
#include "platform/dbf/tests/child.h"

namespace dbf = platform::dbf;

namespace {

struct UserRow {
  std::string id;
  std::string lan;
  std::string lab;
  bool neuAng = false;
  std::string name = "";
};

// The table `user` with its index on the upper-case identifier; rows in the given order, so
// row k is record k.
void makeUsers(const std::vector<UserRow>& rows) {
  dbf::createTable("user", {{"ID", 'C', 10, 0},
                            {"Name", 'C', 30, 0},
                            {"Pass", 'C', 10, 0},
                            {"Sperr", 'L', 1, 0},
                            {"berecht", 'C', 20, 0},
                            {"lan", 'C', 16, 0},
                            {"lab", 'C', 16, 0},
                            {"NeuAng", 'L', 1, 0}});
  int area = dbf::use("user", 0, {true, false, ""});
  dbf::Table& t = dbf::current();
  for (const auto& r : rows) {
    t.append();
    t.put("ID", core::Value(r.id));
    t.put("Name", core::Value(r.name.empty() ? "Name of " + r.id : r.name));
    t.put("lan", core::Value(r.lan));
    t.put("lab", core::Value(r.lab));
    t.put("NeuAng", core::Value(r.neuAng));
    t.put("Sperr", core::Value(true));
  }
  dbf::createIndex("user", "UPPER(ID)");
  dbf::closeArea(area);
}

}  // namespace

class Users : public DataTest {
 protected:
  // A second ZOV "running" as the users of the given records.
  std::unique_ptr<testing_support::Child> running(const std::vector<int>& records) {
    std::vector<std::string> args{host("C:\\ZOV\\user.dbf"), "shared"};
    for (int r : records) args.push_back("r" + std::to_string(r));
    return testing_support::holdInChild(args);
  }
};

TEST_F(Users, CountsOtherActiveUsersAsTheCasesSay) {
  struct Case {
    const char* what;
    std::vector<std::string> ids;
    std::vector<int> locked;
    std::string own;
    int xuser;
    bool hg;
  } cases[] = {
      {"nobody", {"ANNA", "ZOV_HG", "MEIER"}, {}, "#~^#", 0, false},
      {"only ZOV_HG", {"ANNA", "ZOV_HG", "MEIER"}, {2}, "#~^#", 1, true},
      {"ZOV_HG, then another user", {"ANNA", "ZOV_HG", "ZZZ"}, {2, 3}, "#~^#", 2, true},
      {"another user, then ZOV_HG", {"ANNA", "ZOV_HG", "ZZZ"}, {1, 2}, "#~^#", 2, true},
      {"only the own row", {"ANNA", "ZOV_HG", "MEIER"}, {3}, "MEIER  ", 0, false},
      {"the background ID in lower case", {"ANNA", "zov_hg", "MEIER"}, {2}, "#~^#", 2, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<UserRow> rows;
    for (const auto& id : c.ids) rows.push_back({id, "", ""});
    makeUsers(rows);
    core::globals().set("yUser", core::Value(c.own));
    auto child = running(c.locked);
    EXPECT_EQ(data::XUSER(), c.xuser);
    EXPECT_EQ(data::XUSER_HG(), c.hg);
    if (c.locked.empty()) {
      EXPECT_TRUE(data::XUSER_LIST().empty());
    }
    EXPECT_TRUE(dbf::usedAreas().empty()) << "the scan closes its table";
    EXPECT_EQ(errStat(), 0);
  }
}

TEST_F(Users, TheListFiltersByUpperCaseIdentifiersWithoutTrailingBlanks) {
  makeUsers({{"ANNA", "", ""}, {"MEIER", "", ""}, {"ZOV_HG", "", ""}, {"bob", "", ""}});
  auto child = running({1, 2, 3, 4});
  EXPECT_EQ(data::XUSER_LIST(),
            (std::vector<std::string>{"ANNA      ", "bob       ", "MEIER     ", "ZOV_HG    "}));
  EXPECT_EQ(data::XUSER_LIST({"Meier"}),
            (std::vector<std::string>{"ANNA      ", "bob       ", "ZOV_HG    "}));
  EXPECT_EQ(data::XUSER_LIST({"anna  ", "BOB"}, "zov_hg "), (std::vector<std::string>{"ZOV_HG    "}));
  EXPECT_EQ(data::XUSER_LIST({}, "Bob"), (std::vector<std::string>{"bob       "}));
}

TEST_F(Users, TheLocksOfTheScanEndWithIt) {
  makeUsers({{"ANNA", "", ""}, {"MEIER", "", ""}});
  EXPECT_TRUE(data::XUSER_LIST().empty());
  // Had the scan kept its locks, this second process could not take them.
  EXPECT_NO_THROW(running({1, 2}));
}

TEST_F(Users, StaleLogOnsAreRowsMarkedLoggedOnThatNobodyHolds) {
  makeUsers({
      {"ACTIVE", "2024-05-02 08:00", "2024-05-01 17:00"},                  // 1 held by a running ZOV
      {"NOLAB", "2024-05-02 08:00", ""},                                   // 2 never logged off: ignored
      {"ORDERLY", "2024-05-01 08:00", "2024-05-01 17:00"},                 // 3 logged off after log-on
      {"ZOV_HG", "2024-05-02 08:00", "2024-05-01 17:00", false},           // 4 background, NeuAng false
      {"STALE1", "2024-05-02 08:00", "2024-05-01 17:00", false, "Erste"},  // 5
      {"ZOV_HG2", "2024-05-02 09:00", "2024-05-01 17:00", true, "Hintergrund"},  // 6
      {"MEIER", "2024-05-02 08:00", "2024-05-01 17:00"},                         // 7 the own row
  });
  core::globals().set("yUser", core::Value("MEIER"));
  auto child = running({1});
  std::string name;
  EXPECT_EQ(data::XUSER_INOFF_ABM(false, false, &name), "STALE1    ");
  EXPECT_EQ(name, "Erste" + std::string(25, ' '));
  EXPECT_EQ(data::XUSER_INOFF_ABM(), "STALE1    ");  // nothing was cleared

  EXPECT_EQ(data::XUSER_INOFF_ABM(false, true, &name), "ZOV_HG2   ");  // the last stale row
  EXPECT_EQ(name, "Hintergrund" + std::string(19, ' '));
  EXPECT_EQ(data::XUSER_INOFF_ABM(), "");                // their marks are gone
  EXPECT_EQ(data::XUSER_INOFF_ABM(true), "MEIER     ");  // with the own row

  child->finish();
  dbf::use("user", 0, {false, true, ""});
  dbf::Table& t = dbf::current();
  std::vector<std::string> lan;
  for (t.goTo(1); !t.eof(); t.skip(1)) lan.push_back(core::rtrim(t.get("lan").text()));
  EXPECT_EQ(lan, (std::vector<std::string>{"2024-05-02 08:00", "2024-05-02 08:00", "2024-05-01 08:00",
                                           "2024-05-02 08:00", "", "", "2024-05-02 08:00"}));
}

TEST_F(Users, StaleLogOnsWithoutAUserTableAreNone) {
  EXPECT_EQ(data::XUSER_INOFF_ABM(), "");
  EXPECT_EQ(pauses, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(Users, WithoutAUserTableTheListEndsTheProgram) {
  core::globals().declare("ylStart", true);
  core::globals().declare("yDir_Sv", "C:\\ZOV\\");
  EXPECT_THROW(data::XUSER(), core::ProgramEnd);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].substr(0, 46),
            "Die Datei user.dbf kann nicht ge\xF6"
            "ffnet werden.");
}

TEST_F(Users, RepairKeepsTheFirstOfRepeatedIdsAndAddsTheSystemRows) {
  makeUsers({{"ANNA", "", ""}, {"anna ", "", ""}, {"Bob", "", ""}});
  data::XUSER_REPAIR();
  EXPECT_TRUE(dbf::usedAreas().empty());
  EXPECT_EQ(errStat(), 0);

  dbf::use("user", 0, {false, true, ""});
  dbf::Table& t = dbf::current();
  EXPECT_EQ(t.recCount(), 4u);  // packed
  std::vector<std::string> ids;
  for (t.goTop(); !t.eof(); t.skip(1)) ids.push_back(core::rtrim(t.get("ID").text()));
  EXPECT_EQ(ids, (std::vector<std::string>{"ANNA", "Bob", "ZOV", "ZOV_HG"}));
  t.goTo(3);
  EXPECT_EQ(core::rtrim(t.get("Name").text()), "ZOV Systemverwaltung");
  EXPECT_EQ(t.get("Pass").text(), std::string(10, ' '));  // the stored empty password
  EXPECT_FALSE(t.get("Sperr").logical());
  EXPECT_EQ(core::rtrim(t.get("berecht").text()), "*");
  t.goTo(4);
  EXPECT_EQ(core::rtrim(t.get("Name").text()), "Hintergrund-Jobs");
  t.orderListAdd(drives.host("C:\\ZOV\\user.ntx"));  // the rebuilt index holds the packed rows
  EXPECT_TRUE(t.seek(core::Value("ZOV_HG")));
  EXPECT_EQ(t.recNo(), 4u);
}

TEST_F(Users, RepairAddsNothingTwiceAndLeavesATableInUseAlone) {
  makeUsers({{"ZOV_HG", "", ""}, {"ZOV", "", ""}, {"x", "", ""}});
  data::XUSER_REPAIR();
  dbf::use("user", 0, {false, true, ""});
  EXPECT_EQ(dbf::current().recCount(), 3u);
  dbf::closeAll();

  makeUsers({{"A", "", ""}, {"a", "", ""}});
  auto child = running({});  // another program has the table open
  data::XUSER_REPAIR();
  EXPECT_EQ(errStat(), 0);
  EXPECT_TRUE(dbf::usedAreas().empty());
  child->finish();
  dbf::use("user", 0, {false, true, ""});
  EXPECT_EQ(dbf::current().recCount(), 2u);
}

TEST_F(Users, ARepairThatFailsHalfwayDoesNotKeepTheTableExclusive) {
  dbf::createTable("user", {{"NAME", 'C', 10, 0}});  // no ID: the index cannot be built
  EXPECT_THROW(data::XUSER_REPAIR(), core::RuntimeFailure);
  EXPECT_TRUE(dbf::usedAreas().empty());
  EXPECT_NO_THROW(running({}));  // another program can open it again
}
