// Clipper .ntx indexes: the file layout, the key forms, and a tree that stays right through
// thousands of changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "core/failure.h"
#include "core/text.h"
#include "platform/dbf/ntx.h"
#include "platform/dbf/table.h"
#include "platform/dbf/tests/child.h"
#include "platform/dbf/tests/test_util.h"

using namespace platform::dbf;
using dbf_test::readBytes;
using dbf_test::TempDir;

namespace {

unsigned u16at(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
unsigned long u32at(const std::string& b, std::size_t at) {
  return u16at(b, at) | u16at(b, at + 2) << 16;
}

// Record numbers in the order the table walks them (deleted records shown).
std::vector<std::uint32_t> walk(Table& t) {
  std::vector<std::uint32_t> out;
  for (t.goTop(); !t.eof(); t.skip(1)) out.push_back(t.recNo());
  return out;
}
std::vector<std::uint32_t> walkBack(Table& t) {
  std::vector<std::uint32_t> out;
  for (t.goBottom(); !t.bof(); t.skip(-1)) {
    out.push_back(t.recNo());
    if (out.size() > 100000) break;
  }
  std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace

TEST(Ntx, MaxItemsPerPageAsClipperComputesThem) {
  struct Case {
    int keyLength, maxItems;
  } cases[] = {{1, 90}, {8, 54}, {10, 50}, {20, 32}, {100, 8}, {250, 2}, {256, 2}};
  for (const auto& c : cases) EXPECT_EQ(ntxMaxItems(c.keyLength), c.maxItems) << c.keyLength;
}

TEST(Ntx, NumbersAreKeyedSoThatNegativesSortFirst) {
  struct Case {
    double v;
    int length, decimals;
    const char* key;
  } cases[] = {{5, 5, 0, "00005"},      {0, 5, 0, "00000"},     {-5, 5, 0, "0000'"},
               {-10, 5, 0, "000+,"},    {12.5, 6, 2, "012.50"}, {-12.5, 6, 2, "0+*.',"},
               {-0.001, 5, 2, "00.00"}, {123456, 5, 0, "*****"}};
  for (const auto& c : cases) EXPECT_EQ(ntxNumberKey(c.v, c.length, c.decimals), c.key) << c.v;

  std::mt19937 rng(7);
  std::uniform_real_distribution<double> any(-99999.0, 99999.0);
  std::vector<double> values;
  for (int i = 0; i < 2000; ++i) values.push_back(std::round(any(rng) * 100) / 100);
  std::sort(values.begin(), values.end());
  for (std::size_t i = 1; i < values.size(); ++i) {
    std::string a = ntxNumberKey(values[i - 1], 9, 2), b = ntxNumberKey(values[i], 9, 2);
    EXPECT_LE(a.compare(b), 0) << values[i - 1] << " " << values[i];
  }
}

TEST(Ntx, ANewIndexHasTheClipperHeaderAndPages) {
  TempDir dir;
  Table::create(dir / "people.dbf", dbf_test::peopleFields());
  Table t(dir / "people.dbf", OpenOptions{true});
  dbf_test::addRows(t, {{"bob", 2}, {"Anna", 1}, {"cleo", 3}});
  t.createIndex(dir / "people.ntx", "UPPER(ID)", true, false);
  t.createIndex(dir / "nr.ntx", "NR", false, true);
  t.close();

  std::string b = readBytes(dir / "people.ntx");
  ASSERT_EQ(b.size(), 2048u);
  EXPECT_EQ(u16at(b, 0), 6u);
  EXPECT_EQ(u32at(b, 4), 1024u);  // root
  EXPECT_EQ(u32at(b, 8), 0u);     // no free page
  EXPECT_EQ(u16at(b, 12), 18u);   // item size
  EXPECT_EQ(u16at(b, 14), 10u);   // key length
  EXPECT_EQ(u16at(b, 16), 0u);
  EXPECT_EQ(u16at(b, 18), 50u);
  EXPECT_EQ(u16at(b, 20), 25u);
  EXPECT_EQ(std::string(b.c_str() + 22), "UPPER(ID)");
  EXPECT_EQ(b[278], 1);
  EXPECT_EQ(b[280], 0);
  const std::string page = b.substr(1024);
  EXPECT_EQ(u16at(page, 0), 3u);
  const char* want[] = {"ANNA      ", "BOB       ", "CLEO      "};
  const unsigned long recs[] = {2, 1, 3};
  for (int i = 0; i < 3; ++i) {
    unsigned off = u16at(page, 2 + 2 * i);
    EXPECT_EQ(u32at(page, off), 0u) << "leaf";
    EXPECT_EQ(u32at(page, off + 4), recs[i]);
    EXPECT_EQ(page.substr(off + 8, 10), want[i]);
  }

  std::string n = readBytes(dir / "nr.ntx");
  EXPECT_EQ(u16at(n, 14), 5u);
  EXPECT_EQ(std::string(n.c_str() + 22), "NR");
  EXPECT_EQ(n[280], 1);
}

TEST(Ntx, OrderSeekAndFoundFollowTheKeys) {
  TempDir dir;
  Table::create(dir / "people.dbf", dbf_test::peopleFields());
  Table t(dir / "people.dbf", OpenOptions{true});
  dbf_test::addRows(t, {{"Meier", 5}, {"anna", -3}, {"MEIER", 12}, {"Bob", 0}, {"Zorn", -20}});
  t.createIndex(dir / "id.ntx", "UPPER(ID)");
  EXPECT_EQ(walk(t), (std::vector<std::uint32_t>{2, 4, 1, 3, 5}));  // equal keys in record order
  EXPECT_EQ(walkBack(t), walk(t));

  EXPECT_TRUE(t.seek(core::Value("MEI")));
  EXPECT_EQ(t.recNo(), 1u);
  EXPECT_TRUE(t.found());
  EXPECT_FALSE(t.seek(core::Value("C"), false));
  EXPECT_TRUE(t.eof());
  EXPECT_FALSE(t.seek(core::Value("C"), true));  // soft: the next greater key
  EXPECT_EQ(t.recNo(), 1u);
  EXPECT_FALSE(t.eof());
  EXPECT_FALSE(t.seek(core::Value("ZZ"), true));
  EXPECT_TRUE(t.eof());
  EXPECT_TRUE(t.seek(core::Value("")));
  EXPECT_EQ(t.recNo(), 2u);
  EXPECT_EQ(t.keyValue().text(), "ANNA      ");
  EXPECT_EQ(t.orderKey(), "UPPER(ID)");
  EXPECT_THROW(t.seek(core::Value(5)), core::RuntimeFailure);

  t.createIndex(dir / "nr.ntx", "NR");
  EXPECT_EQ(walk(t), (std::vector<std::uint32_t>{5, 2, 4, 1, 3}));
  EXPECT_TRUE(t.seek(core::Value(-3)));
  EXPECT_EQ(t.recNo(), 2u);
  EXPECT_FALSE(t.seek(core::Value(6), true));
  EXPECT_EQ(t.recNo(), 3u);
  EXPECT_EQ(t.keyValue().number(), 12);

  t.createIndex(dir / "desc.ntx", "NR", false, true);
  EXPECT_EQ(walk(t), (std::vector<std::uint32_t>{3, 1, 4, 2, 5}));
  EXPECT_FALSE(t.seek(core::Value(6), true));  // descending: the next key in its order is 5
  EXPECT_EQ(t.recNo(), 1u);

  t.createIndex(dir / "uniq.ntx", "UPPER(ID)", true);
  EXPECT_EQ(walk(t), (std::vector<std::uint32_t>{2, 4, 1, 5}));  // MEIER (3) repeats a key

  t.setOrder(0);
  EXPECT_EQ(walk(t), (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(t.keyValue().isNil());
  EXPECT_THROW(t.seek(core::Value("A")), core::RuntimeFailure);
  EXPECT_THROW(t.setOrder(9), core::RuntimeFailure);
}

TEST(Ntx, RelativePositionCountsKeysInIndexOrder) {
  TempDir dir;
  Table::create(dir / "nums.dbf", {{"NR", 'N', 4, 0}});
  Table t(dir / "nums.dbf", OpenOptions{true});
  std::vector<int> values(101);
  for (int i = 0; i <= 100; ++i) values[static_cast<std::size_t>(i)] = i;
  std::shuffle(values.begin(), values.end(), std::mt19937(3));
  for (int v : values) {
    t.append();
    t.put("NR", core::Value(v));
  }
  t.createIndex(dir / "nums.ntx", "NR");
  for (t.goTop(); !t.eof(); t.skip(1)) EXPECT_DOUBLE_EQ(t.relPos(), t.get("NR").number());
  for (double p : {0.0, 37.0, 50.0, 99.0, 100.0}) {
    t.goRelPos(p);
    EXPECT_EQ(t.get("NR").number(), p);
  }
  t.goTo(0);
  EXPECT_DOUBLE_EQ(t.relPos(), 100.0);
  t.setOrder(0);
  t.goTo(51);
  EXPECT_DOUBLE_EQ(t.relPos(), 50.0);
  t.goRelPos(25);
  EXPECT_EQ(t.recNo(), 26u);
}

namespace {

struct Row {
  std::string id;
  int nr = 0;
  bool deleted = false;
};

std::string idKey(const std::string& id, std::size_t len) {
  std::string k = core::upper(id);
  k.resize(len, ' ');
  return k;
}

}  // namespace

// 10,000 random appends, key changes and deletions against a model; afterwards every order
// walks as the model sorts and every seek finds what a linear scan finds. Run for a short key
// (wide pages) and a long one (deep trees with many splits and merges).
class NtxRandom : public ::testing::TestWithParam<int> {};

TEST_P(NtxRandom, IndexesAgreeWithALinearScanAfterTenThousandChanges) {
  const int idLen = GetParam();
  TempDir dir;
  Table::create(dir / "rnd.dbf", {{"ID", 'C', idLen, 0}, {"NR", 'N', 6, 0}});
  std::mt19937 rng(static_cast<unsigned>(idLen));
  auto randomId = [&] {
    static const char letters[] = "abcdeABCDE";
    std::string s;
    int n = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i) s += letters[rng() % 10];
    return s;
  };
  auto randomNr = [&] { return static_cast<int>(rng() % 20001) - 10000; };
  std::vector<Row> model;
  {
    Table t(dir / "rnd.dbf", OpenOptions{true});
    t.createIndex(dir / "rnd_id.ntx", "UPPER(ID)");
    t.createIndex(dir / "rnd_nr.ntx", "NR");
    for (int op = 0; op < 10000; ++op) {
      unsigned what = model.size() < 50 ? 0 : rng() % 10;
      if (what < 4) {
        t.append();
        Row r{randomId(), randomNr(), false};
        t.put("ID", core::Value(r.id));
        t.put("NR", core::Value(r.nr));
        model.push_back(r);
      } else {
        auto n = static_cast<std::uint32_t>(1 + rng() % model.size());
        t.goTo(n);
        Row& r = model[n - 1];
        if (what < 6) {
          r.id = randomId();
          t.put("ID", core::Value(r.id));
        } else if (what < 8) {
          r.nr = randomNr();
          t.put("NR", core::Value(r.nr));
        } else {
          r.deleted = !r.deleted;
          if (r.deleted)
            t.markDeleted();
          else
            t.recall();
        }
      }
      if (op == 5000) {  // pack renumbers the records and rebuilds both indexes
        t.pack();
        model.erase(std::remove_if(model.begin(), model.end(), [](const Row& r) { return r.deleted; }),
                    model.end());
      }
    }
    t.close();
  }

  Table t(dir / "rnd.dbf", OpenOptions{true});  // a fresh open checks both trees again
  t.orderListAdd(dir / "rnd_id.ntx");
  t.orderListAdd(dir / "rnd_nr.ntx");
  ASSERT_EQ(t.recCount(), model.size());

  std::vector<std::pair<std::string, std::uint32_t>> byId, byNr;
  for (std::uint32_t i = 0; i < model.size(); ++i) {
    byId.emplace_back(idKey(model[i].id, static_cast<std::size_t>(idLen)), i + 1);
    byNr.emplace_back(ntxNumberKey(model[i].nr, 6, 0), i + 1);
  }
  std::sort(byId.begin(), byId.end());
  std::sort(byNr.begin(), byNr.end());
  auto recnos = [](const auto& v) {
    std::vector<std::uint32_t> out;
    for (const auto& e : v) out.push_back(e.second);
    return out;
  };
  t.setOrder(1);
  EXPECT_EQ(walk(t), recnos(byId));
  EXPECT_EQ(walkBack(t), recnos(byId));
  t.setOrder(2);
  EXPECT_EQ(walk(t), recnos(byNr));

  // Every seek agrees with a linear scan of the sorted keys.
  auto linear = [](const std::vector<std::pair<std::string, std::uint32_t>>& sorted,
                   const std::string& prefix) -> std::pair<std::uint32_t, bool> {
    for (const auto& [key, rec] : sorted)
      if (key.compare(0, prefix.size(), prefix) >= 0)
        return {rec, key.compare(0, prefix.size(), prefix) == 0};
    return {0, false};
  };
  t.setOrder(1);
  for (int i = 0; i < 400; ++i) {
    std::string probe = core::upper(randomId());
    auto [rec, found] = linear(byId, probe);
    bool soft = i % 2 == 0;
    EXPECT_EQ(t.seek(core::Value(probe), soft), found) << probe;
    if (found || (soft && rec != 0))
      EXPECT_EQ(t.recNo(), rec) << probe;
    else
      EXPECT_TRUE(t.eof()) << probe;
  }
  t.setOrder(2);
  for (int i = 0; i < 400; ++i) {
    int probe = randomNr();
    auto [rec, found] = linear(byNr, ntxNumberKey(probe, 6, 0));
    EXPECT_EQ(t.seek(core::Value(probe), true), found) << probe;
    if (rec != 0)
      EXPECT_EQ(t.recNo(), rec) << probe;
    else
      EXPECT_TRUE(t.eof()) << probe;
  }
}

INSTANTIATE_TEST_SUITE_P(KeyLengths, NtxRandom, ::testing::Values(8, 100));

TEST(Ntx, FreedPagesAreReusedBeforeTheFileGrows) {
  TempDir dir;
  Table::create(dir / "big.dbf", {{"ID", 'C', 100, 0}});
  Table t(dir / "big.dbf", OpenOptions{true});
  for (int i = 0; i < 2000; ++i) {
    t.append();
    t.put("ID", core::Value(core::str(i, 6)));
  }
  t.createIndex(dir / "big.ntx", "ID");
  // Move every key to the far end and back: pages empty out on one side and fill on the other.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::uint32_t r = 1; r <= 2000; ++r) {
      t.goTo(r);
      t.put("ID", core::Value((pass == 0 ? "Z" : "") + core::str(r - 1, 6)));
    }
    t.commit();
  }
  const auto afterTwoPasses = std::filesystem::file_size(dir / "big.ntx");
  for (int pass = 0; pass < 2; ++pass) {
    for (std::uint32_t r = 1; r <= 2000; ++r) {
      t.goTo(r);
      t.put("ID", core::Value((pass == 0 ? "Z" : "") + core::str(r - 1, 6)));
    }
    t.commit();
  }
  EXPECT_LE(std::filesystem::file_size(dir / "big.ntx"), afterTwoPasses + 8 * 1024);
  std::string h = readBytes(dir / "big.ntx");
  EXPECT_NE(u32at(h, 8), 0u) << "a free page chain exists after merges";
  EXPECT_EQ(walk(t).size(), 2000u);
}

TEST(Ntx, AnIndexWrittenByTheEngineReadsBackInAFreshProcess) {
  TempDir dir;
  Table::create(dir / "people.dbf", dbf_test::peopleFields());
  {
    Table t(dir / "people.dbf", OpenOptions{true});
    dbf_test::addRows(t, {{"Meier", 5}, {"anna", -3}, {"Bob", 0}});
    t.createIndex(dir / "id.ntx", "UPPER(ID)");
    t.goTo(1);
    t.put("ID", core::Value("Aaron"));
    t.close();
  }
  testing_support::Child child(
      {testing_support::lockHolderPath(), (dir / "people.dbf").string(), "dump", (dir / "id.ntx").string()});
  std::string out = child.readAll();
  EXPECT_EQ(child.finish(), 0);
  std::vector<std::string> firstIds;
  std::size_t pos = 0;
  while ((pos = out.find("|ID=", pos)) != std::string::npos) {
    firstIds.push_back(core::rtrim(out.substr(pos + 4, 10)));
    ++pos;
  }
  EXPECT_EQ(firstIds, (std::vector<std::string>{"Aaron", "anna", "Bob"}));
}
