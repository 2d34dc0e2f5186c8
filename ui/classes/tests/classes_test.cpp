#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/failure.h"
#include "core/object.h"
#include "core/text.h"
#include "ui/classes/classes.h"

using core::Value;

TEST(SmallClasses, NewFieldCargoHasItsInitialValues) {
  Value f = ui::classes::ZFELD().create();
  EXPECT_EQ(core::memberOf(f, "Ausricht").text(), "LO");
  EXPECT_EQ(core::memberOf(f, "Gast_Nr").number(), 0);
  Value range = core::memberOf(f, "Range");
  ASSERT_EQ(range.size(), 2u);
  EXPECT_EQ(range[1].number(), -9999999999.0);
  EXPECT_EQ(range[2].number(), 9999999999.0);
  EXPECT_FALSE(core::memberOf(f, "lSetUpd").logical());
  EXPECT_TRUE(core::memberOf(f, "aChild").isArray());
  EXPECT_EQ(core::memberOf(f, "aChild").size(), 0u);
  for (const char* nil :
       {"Master", "Bezeich", "Name", "Typ", "Length", "Decim", "P1000", "Capital", "Wert", "Tabelle", "Wert0",
        "Auswahl", "UpdRel", "ListBox", "nRecNo", "oIcon", "oPers", "xDiv"})
    EXPECT_TRUE(core::memberOf(f, nil).isNil()) << nil;
}

TEST(SmallClasses, InstancesDoNotShareTheirArrays) {
  Value a = ui::classes::ZFELD().create();
  Value b = ui::classes::ZFELD().create();
  core::memberOf(a, "aChild").elements().push_back(Value(1));
  EXPECT_EQ(core::memberOf(b, "aChild").size(), 0u);
}

TEST(SmallClasses, ThreadCargoStartsClean) {
  Value t = ui::classes::ZTHREAD().create();
  EXPECT_EQ(core::memberOf(t, "nErrStat").number(), 0);
  EXPECT_FALSE(core::memberOf(t, "lHG").logical());
  EXPECT_EQ(t.object()->className(), "zThread");
  EXPECT_THROW(core::memberOf(t, "nonsense"), core::RuntimeFailure);
}

TEST(SmallClasses, EachClassIsCreatedOnceUnderItsName) {
  struct Case {
    const core::ClassDef& (*fn)();
    const char* name;
    std::vector<std::string> members;
  };
  const Case cases[] = {
      {ui::classes::ZTHREAD, "zThread", {"nErrStat", "lHG"}},
      {ui::classes::ZTABPAGE, "zTabPage", {}},
      {ui::classes::ZMENU,
       "zMenu",
       {"Orig", "RecNo", "Url_Nr", "Gast_nr", "Url_rec", "Gast_Rec", "Ores_Rec", "ArrObj", "ListWin", "dTag",
        "nZimmNr"}},
      {ui::classes::ZNATION, "zNation", {"Key", "Bez"}},
      {ui::classes::ZKEY, "zKey", {"Key", "Bez"}},
      {ui::classes::ZERRLOG, "zErrLog", {"Date", "Time", "Text"}},
  };
  for (const auto& c : cases) {
    const core::ClassDef& cls = c.fn();
    EXPECT_EQ(&cls, &c.fn()) << c.name;
    EXPECT_EQ(cls.name(), c.name);
    EXPECT_EQ(cls.members(), c.members) << c.name;
    EXPECT_EQ(core::findClass(core::upper(c.name)), &cls) << "found by name without regard to case";
  }
  EXPECT_EQ(ui::classes::DUMMY(), 1);
}

TEST(SmallClasses, ConcurrentFirstUseEndsWithOneClassObject) {
  // A class of its own so that this test really sees the first creation.
  std::atomic<int> go{0};
  std::vector<const core::ClassDef*> seen(8);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&, i] {
      while (go.load() == 0) {
      }
      seen[static_cast<std::size_t>(i)] = &core::defineClass("zRaceProbe", {"A"});
    });
  go = 1;
  for (auto& t : threads) t.join();
  for (auto* p : seen) EXPECT_EQ(p, seen[0]);
}
