// The .dbf, .dbt and .fpt bytes: what the engine writes is what other xBase tools expect, and
// what they write reads back.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "core/failure.h"
#include "core/text.h"
#include "platform/dbf/dbf_format.h"
#include "platform/dbf/table.h"
#include "platform/dbf/tests/child.h"
#include "platform/dbf/tests/test_util.h"

using namespace platform::dbf;
using dbf_test::readBytes;
using dbf_test::TempDir;
using dbf_test::writeBytes;
using namespace core::literals;

namespace {

unsigned u16at(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
unsigned long u32at(const std::string& b, std::size_t at) {
  return u16at(b, at) | u16at(b, at + 2) << 16;
}

core::Date today() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return core::Date::fromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

}  // namespace

TEST(DbfFormat, NewTableHasTheDbaseIIIHeaderByteForByte) {
  TempDir dir;
  Table::create(dir / "people.dbf", dbf_test::peopleFields());
  std::string b = readBytes(dir / "people.dbf");
  ASSERT_EQ(b.size(), 32u + 5 * 32 + 1 + 1);
  EXPECT_EQ(static_cast<unsigned char>(b[0]), 0x03);
  core::Date d = today();
  EXPECT_EQ(static_cast<unsigned char>(b[1]), d.year() - 1900);
  EXPECT_EQ(b[2], d.month());
  EXPECT_EQ(b[3], d.day());
  EXPECT_EQ(u32at(b, 4), 0u);
  EXPECT_EQ(u16at(b, 8), 32u + 5 * 32 + 1);
  EXPECT_EQ(u16at(b, 10), 1u + 10 + 5 + 8 + 8 + 1);
  struct Want {
    const char* name;
    char type;
    int length, decimals;
  };
  const Want want[] = {
      {"ID", 'C', 10, 0}, {"NR", 'N', 5, 0}, {"BETRAG", 'N', 8, 2}, {"DATUM", 'D', 8, 0}, {"OK", 'L', 1, 0}};
  for (int i = 0; i < 5; ++i) {
    std::string d = b.substr(32 + 32 * i, 32);
    EXPECT_EQ(std::string(d.c_str()), want[i].name);
    EXPECT_EQ(d.find_first_not_of('\0', std::string(want[i].name).size()), 11u) << "name padded with NUL";
    EXPECT_EQ(d[11], want[i].type);
    EXPECT_EQ(d[16], want[i].length);
    EXPECT_EQ(d[17], want[i].decimals);
  }
  EXPECT_EQ(b[32 + 5 * 32], 0x0D);
  EXPECT_EQ(b.back(), 0x1A);
}

TEST(DbfFormat, RecordsAreStoredAsXBaseTextWithFlagAndEndMark) {
  TempDir dir;
  Table::create(dir / "people.dbf", dbf_test::peopleFields());
  {
    Table t(dir / "people.dbf", OpenOptions{true});
    t.append();
    t.put("ID", core::Value("ANNA"));
    t.put("NR", core::Value(42));
    t.put("BETRAG", core::Value(-12.5));
    t.put("DATUM", core::Value(core::Date::fromYmd(2024, 1, 31)));
    t.put("OK", core::Value(true));
    t.append();
    t.put("ID", core::Value("B\xF6hm"));
    t.markDeleted();
    t.close();
  }
  std::string b = readBytes(dir / "people.dbf");
  const std::size_t hdr = 193, len = 33;
  EXPECT_EQ(u32at(b, 4), 2u);
  EXPECT_EQ(b.substr(hdr, len), " ANNA         42  -12.5020240131T");
  EXPECT_EQ(b.substr(hdr + len, len), "*B\xF6hm      " + std::string(22, ' '));
  EXPECT_EQ(b.size(), hdr + 2 * len + 1);
  EXPECT_EQ(b.back(), 0x1A);
}

TEST(DbfFormat, NumbersAreRoundedHalfAwayFromZeroAndRightAligned) {
  struct Case {
    double v;
    int width, decimals;
    const char* want;
  } cases[] = {
      {2.675, 8, 2, "    2.68"}, {-2.675, 8, 2, "   -2.68"}, {0.5, 3, 0, "  1"},
      {-0.5, 3, 0, " -1"},       {-0.004, 5, 2, " 0.00"},    {42, 5, 0, "   42"},
      {99999, 5, 0, "99999"},    {100000, 5, 0, ""},         {-9999, 5, 0, "-9999"},
      {-10000, 5, 0, ""},        {1e300, 10, 0, ""},         {12.345, 10, 3, "    12.345"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatNumber(c.v, c.width, c.decimals), c.want) << c.v;
}

TEST(DbfFormat, LogicalFieldsReadTtYyAsTrue) {
  FieldInfo f{"OK", 'L', 1, 0};
  for (char c : std::string("TtYy")) EXPECT_TRUE(decodeField(f, std::string(1, c)).logical()) << c;
  for (char c : std::string("FfNn ?")) EXPECT_FALSE(decodeField(f, std::string(1, c)).logical()) << c;
}

TEST(DbfFormat, AValueThatDoesNotFitIsRefusedAndTheFieldKeepsItsContent) {
  TempDir dir;
  Table::create(dir / "people.dbf", dbf_test::peopleFields());
  Table t(dir / "people.dbf", OpenOptions{true});
  t.append();
  t.put("NR", core::Value(7));
  EXPECT_THROW(t.put("NR", core::Value(123456)), core::RuntimeFailure);
  EXPECT_THROW(t.put("NR", core::Value("12")), core::RuntimeFailure);
  EXPECT_THROW(t.put("DATUM", core::Value(3)), core::RuntimeFailure);
  EXPECT_THROW(t.put("OK", core::Value("T")), core::RuntimeFailure);
  EXPECT_THROW(t.put("ID", core::Value(1)), core::RuntimeFailure);
  EXPECT_THROW(t.put("NOSUCH", core::Value(1)), core::RuntimeFailure);
  EXPECT_EQ(t.get("NR").number(), 7);
  t.put("ID", core::Value("far too long a text"));
  EXPECT_EQ(t.get("ID").text(), "far too lo");
}

TEST(DbfFormat, MemosGoToTheDbtInBlocksWithTheirEndMark) {
  TempDir dir;
  Table::create(dir / "notes.dbf", {{"ID", 'C', 4, 0}, {"TEXT", 'M', 10, 0}});
  std::string dbt = readBytes(dir / "notes.dbt");
  ASSERT_EQ(dbt.size(), 512u);
  EXPECT_EQ(u32at(dbt, 0), 1u);
  EXPECT_EQ(static_cast<unsigned char>(readBytes(dir / "notes.dbf")[0]), 0x83);

  const std::string longText(1000, 'x');
  {
    Table t(dir / "notes.dbf", OpenOptions{true});
    t.append();
    t.put("TEXT", core::Value("Zimmer mit Balkon"));
    t.append();
    t.put("TEXT", core::Value(longText));
    t.append();  // no memo: a blank pointer
    t.close();
  }
  std::string dbf = readBytes(dir / "notes.dbf");
  const std::size_t hdr = 32 + 2 * 32 + 1, len = 15;
  EXPECT_EQ(dbf.substr(hdr + 5, 10), "         1");
  EXPECT_EQ(dbf.substr(hdr + len + 5, 10), "         2");
  EXPECT_EQ(dbf.substr(hdr + 2 * len + 5, 10), "          ");
  dbt = readBytes(dir / "notes.dbt");
  EXPECT_EQ(u32at(dbt, 0), 4u);  // 1 block, then 2 blocks for 1000 bytes + end mark
  EXPECT_EQ(dbt.substr(512, 19), "Zimmer mit Balkon\x1A\x1A");
  EXPECT_EQ(dbt.substr(1024, 1000), longText);
  EXPECT_EQ(dbt.substr(2024, 2), "\x1A\x1A");

  Table t(dir / "notes.dbf", OpenOptions{true});
  t.goTo(1);
  EXPECT_EQ(t.get("TEXT").text(), "Zimmer mit Balkon");
  EXPECT_EQ(t.get("TEXT").type(), core::Value::Type::Memo);
  t.put("TEXT", core::Value("kurz"));  // fits its old block: rewritten in place
  t.goTo(2);
  EXPECT_EQ(t.get("TEXT").text(), longText);
  t.put("TEXT", core::Value(std::string(2000, 'y')));  // grows: goes to the end
  t.goTo(3);
  EXPECT_EQ(t.get("TEXT").text(), "");
  t.goTo(1);
  EXPECT_EQ(t.get("TEXT").text(), "kurz");
  t.goTo(2);
  EXPECT_EQ(t.get("TEXT").text(), std::string(2000, 'y'));
  t.close();
  dbf = readBytes(dir / "notes.dbf");
  EXPECT_EQ(dbf.substr(hdr + 5, 10), "         1");
  EXPECT_EQ(dbf.substr(hdr + len + 5, 10), "         4");
}

namespace {

// A FoxPro table built byte by byte: version, one C field and one memo field, and its .fpt
// with big-endian block numbers, as FoxPro writes them.
void writeFoxPro(const std::filesystem::path& dbf, unsigned char version, int memoLength) {
  const int recLen = 1 + 6 + memoLength;
  std::string h(32, '\0');
  h[0] = static_cast<char>(version);
  h[1] = 124;
  h[2] = 5;
  h[3] = 6;
  h[4] = 2;  // two records
  const int hdrLen = 32 + 64 + 1 + (version == 0x30 ? 263 : 0);
  h[8] = static_cast<char>(hdrLen & 0xFF);
  h[9] = static_cast<char>(hdrLen >> 8);
  h[10] = static_cast<char>(recLen);
  auto field = [](const char* name, char type, int len) {
    std::string d(32, '\0');
    std::memcpy(d.data(), name, std::strlen(name));
    d[11] = type;
    d[16] = static_cast<char>(len);
    return d;
  };
  h += field("NAME", 'C', 6) + field("NOTIZ", 'M', memoLength) + "\x0D";
  h.resize(static_cast<std::size_t>(hdrLen), '\0');
  auto pointer = [&](std::uint32_t block) {
    if (memoLength == 4) return std::string{static_cast<char>(block), 0, 0, 0};
    std::string s = std::to_string(block);
    return std::string(10 - s.size(), ' ') + s;
  };
  h += " Meier " + pointer(8) + " Huber " + pointer(0) + "\x1A";
  writeBytes(dbf, h);
  // .fpt: next free block 10, block size 64; the memo at block 8 (offset 512).
  std::string fpt(512, '\0');
  fpt[3] = 10;
  fpt[7] = 64;
  std::string text = "Stammgast seit 1998";
  fpt += std::string{0, 0, 0, 1, 0, 0, 0, static_cast<char>(text.size())} + text;
  fpt.resize(640, '\0');
  std::filesystem::path p = dbf;
  writeBytes(p.replace_extension(".FPT"), fpt);
}

}  // namespace

TEST(DbfFormat, FoxProTablesWithFptMemosAreRead) {
  struct Case {
    unsigned char version;
    int memoLength;
  } cases[] = {{0xF5, 10}, {0x30, 4}, {0x30, 10}};
  for (const auto& c : cases) {
    TempDir dir;
    writeFoxPro(dir / "fox.dbf", c.version, c.memoLength);
    Table t(dir / "fox.dbf", OpenOptions{false, true});
    EXPECT_EQ(t.recCount(), 2u);
    EXPECT_EQ(t.header().memoKind(), MemoKind::Fpt);
    EXPECT_EQ(t.get("name").text(), "Meier ");
    EXPECT_EQ(t.get("notiz").text(), "Stammgast seit 1998");
    t.skip(1);
    EXPECT_EQ(t.get("NAME").text(), "Huber ");
    EXPECT_EQ(t.get("NOTIZ").text(), "");
    EXPECT_EQ(t.header().lastUpdate, core::Date::fromYmd(2024, 5, 6));
  }
}

TEST(DbfFormat, ATableWrittenByTheEngineReadsBackInAFreshProcess) {
  TempDir dir;
  Table::create(dir / "people.dbf", {{"ID", 'C', 10, 0},
                                     {"NR", 'N', 5, 0},
                                     {"BETRAG", 'N', 8, 2},
                                     {"DATUM", 'D', 8, 0},
                                     {"OK", 'L', 1, 0},
                                     {"NOTIZ", 'M', 10, 0}});
  {
    Table t(dir / "people.dbf", OpenOptions{true});
    t.append();
    t.put("ID", core::Value("Müller"_w));
    t.put("NR", core::Value(-17));
    t.put("BETRAG", core::Value(1234.5));
    t.put("DATUM", core::Value(core::Date::fromYmd(1999, 12, 31)));
    t.put("OK", core::Value(true));
    t.put("NOTIZ", core::Value("Zimmer 12"));
    t.append();
    t.put("ID", core::Value("Gelöscht"_w));
    t.markDeleted();
    t.append();
    t.close();
  }
  testing_support::Child child({testing_support::lockHolderPath(), (dir / "people.dbf").string(), "dump"});
  std::string out = child.readAll();
  EXPECT_EQ(child.finish(), 0);
  EXPECT_EQ(out,
            "1| |ID=M\xFCller    |NR=-17.0000|BETRAG=1234.5000|DATUM=19991231|OK=T|NOTIZ=Zimmer 12\n"
            "2|*|ID=Gel\xF6scht  |NR=0.0000|BETRAG=0.0000|DATUM=        |OK=F|NOTIZ=\n"
            "3| |ID=          |NR=0.0000|BETRAG=0.0000|DATUM=        |OK=F|NOTIZ=\n");
}

TEST(DbfFormat, SharedModeSeesRecordsThatAnotherProcessAppends) {
  TempDir dir;
  Table::create(dir / "people.dbf", dbf_test::peopleFields());
  Table t(dir / "people.dbf");
  EXPECT_EQ(t.recCount(), 0u);
  EXPECT_TRUE(t.eof());
  auto child = testing_support::holdInChild({(dir / "people.dbf").string(), "shared", "append=3"});
  EXPECT_EQ(t.recCount(), 3u);
  t.goBottom();
  EXPECT_EQ(t.recNo(), 3u);
  EXPECT_EQ(t.get("ID").text(), "child3    ");
  t.goTop();
  EXPECT_EQ(t.get("ID").text(), "child1    ");
  EXPECT_EQ(child->finish(), 0);
}
