// Damaged files: every problem is the platform's run-time failure, never a crash, a hang or
// a read outside the file (the sanitizer build runs these too).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "core/failure.h"
#include "platform/dbf/table.h"
#include "platform/dbf/tests/test_util.h"

using namespace platform::dbf;
using dbf_test::readBytes;
using dbf_test::TempDir;
using dbf_test::writeBytes;

namespace {

void put16(std::string& b, std::size_t at, unsigned v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void put32(std::string& b, std::size_t at, unsigned long v) {
  put16(b, at, static_cast<unsigned>(v & 0xFFFF));
  put16(b, at + 2, static_cast<unsigned>(v >> 16));
}

// Opens the table read-only and reads everything it can reach: every field of every record,
// memos included, forwards and backwards, and through the index when one is given.
void readEverything(const std::filesystem::path& dbf, const std::filesystem::path& ntx = {}) {
  Table t(dbf, OpenOptions{false, true});
  if (!ntx.empty()) t.orderListAdd(ntx);
  for (int pass = 0; pass < 2; ++pass) {
    int guard = 0;
    for (pass == 0 ? t.goTop() : t.goBottom(); !(pass == 0 ? t.eof() : t.bof()); t.skip(pass == 0 ? 1 : -1)) {
      for (std::size_t i = 0; i < t.fields().size(); ++i) t.get(static_cast<int>(i));
      t.relPos();
      ASSERT_LT(++guard, 100000) << "walk does not end";
    }
  }
  if (!ntx.empty()) {
    t.seek(core::Value("M"), true);
    t.goRelPos(50);
    t.keyValue();
  }
}

// A valid table (with memo) and index written by the engine, as bytes to spoil.
struct Good {
  TempDir dir;
  std::filesystem::path dbf = dir / "t.dbf", dbt = dir / "t.dbt", ntx = dir / "t.ntx";
  std::string dbfBytes, dbtBytes, ntxBytes;
  explicit Good(int rows = 40, int idLen = 10) {
    Table::create(dbf, {{"ID", 'C', idLen, 0}, {"NR", 'N', 5, 0}, {"NOTIZ", 'M', 10, 0}});
    {
      Table t(dbf, OpenOptions{true});
      for (int i = 0; i < rows; ++i) {
        t.append();
        t.put("ID", core::Value("id" + std::to_string((i * 7919) % rows)));
        t.put("NR", core::Value(i));
        if (i % 3 == 0) t.put("NOTIZ", core::Value("memo " + std::to_string(i)));
      }
      t.createIndex(ntx, "UPPER(ID)");
    }
    dbfBytes = readBytes(dbf);
    dbtBytes = readBytes(dbt);
    ntxBytes = readBytes(ntx);
  }
  void restore() {
    writeBytes(dbf, dbfBytes);
    writeBytes(dbt, dbtBytes);
    writeBytes(ntx, ntxBytes);
  }
};

}  // namespace

TEST(BadInput, TheGoodFilesReadCleanly) {
  Good g;
  EXPECT_NO_THROW(readEverything(g.dbf, g.ntx));
}

TEST(BadInput, DamagedTablesRaiseTheRuntimeFailure) {
  Good g;
  const std::size_t hdr = 32 + 3 * 32 + 1;
  struct Case {
    const char* what;
    std::function<void(std::string&)> spoil;
  } cases[] = {
      {"empty file", [](std::string& b) { b.clear(); }},
      {"truncated prolog", [](std::string& b) { b.resize(10); }},
      {"truncated field list", [](std::string& b) { b.resize(70); }},
      {"truncated records", [](std::string& b) { b.resize(b.size() - 30); }},
      {"unknown version", [](std::string& b) { b[0] = 0x7F; }},
      {"record count beyond the file", [](std::string& b) { put32(b, 4, 41); }},
      {"record count far beyond the file", [](std::string& b) { put32(b, 4, 0xFFFFFFFFUL); }},
      {"header length beyond the file", [](std::string& b) { put16(b, 8, 0xFFFF); }},
      {"header length too small", [](std::string& b) { put16(b, 8, 40); }},
      {"record length 0", [](std::string& b) { put16(b, 10, 0); }},
      {"record length shorter than the fields", [](std::string& b) { put16(b, 10, 12); }},
      {"field list without its terminator", [hdr](std::string& b) { b[hdr - 1] = 'X'; }},
      {"field of length 0",
       [](std::string& b) {
         b[32 + 16] = 0;
         b[32 + 17] = 0;
       }},
      {"field longer than the record", [](std::string& b) { b[32 + 32 + 16] = static_cast<char>(200); }},
      {"nameless field", [](std::string& b) { b[32] = 0; }},
      {"memo field of odd length", [](std::string& b) { b[32 + 64 + 16] = 7; }},
      {"memo pointer past the end",
       [hdr](std::string& b) { std::memcpy(&b[hdr + 1 + 10 + 5], "   9999999", 10); }},
      {"memo pointer beyond u32",
       [hdr](std::string& b) { std::memcpy(&b[hdr + 1 + 10 + 5], "9999999999", 10); }},
      {"memo pointer of letters",
       [hdr](std::string& b) { std::memcpy(&b[hdr + 1 + 10 + 5], "     abcde", 10); }},
  };
  for (const auto& c : cases) {
    g.restore();
    std::string b = g.dbfBytes;
    c.spoil(b);
    writeBytes(g.dbf, b);
    EXPECT_THROW(readEverything(g.dbf), core::RuntimeFailure) << c.what;
  }
  g.restore();
  writeBytes(g.dbt, g.dbtBytes.substr(0, 2));
  EXPECT_THROW(readEverything(g.dbf), core::RuntimeFailure) << "memo file truncated";
  std::filesystem::remove(g.dbt);
  EXPECT_THROW(readEverything(g.dbf), core::RuntimeFailure) << "memo file missing";
}

TEST(BadInput, DamagedIndexesRaiseTheRuntimeFailure) {
  Good g(400);  // three levels of pages
  const unsigned root = static_cast<unsigned>(static_cast<unsigned char>(g.ntxBytes[4]) |
                                              static_cast<unsigned char>(g.ntxBytes[5]) << 8);
  auto firstChild = [&](const std::string& b, std::size_t page) {
    std::size_t off = static_cast<unsigned char>(b[page + 2]) | static_cast<unsigned char>(b[page + 3]) << 8;
    return page + off;
  };
  struct Case {
    const char* what;
    std::function<void(std::string&)> spoil;
  } cases[] = {
      {"empty file", [](std::string& b) { b.clear(); }},
      {"shorter than a page", [](std::string& b) { b.resize(600); }},
      {"no signature", [](std::string& b) { b[0] = 9; }},
      {"root outside the file", [](std::string& b) { put32(b, 4, 0x7FFFFC00UL); }},
      {"root not on a page", [](std::string& b) { put32(b, 4, 1030); }},
      {"root at the header", [](std::string& b) { put32(b, 4, 0); }},
      {"key length 0", [](std::string& b) { put16(b, 14, 0); }},
      {"key length beyond a page",
       [](std::string& b) {
         put16(b, 14, 900);
         put16(b, 12, 908);
       }},
      {"item size not key length + 8", [](std::string& b) { put16(b, 12, 3); }},
      {"max items beyond the page", [](std::string& b) { put16(b, 18, 400); }},
      {"key expression of an unknown field", [](std::string& b) { std::memcpy(&b[22], "NOSUCH\0", 7); }},
      {"key expression garbage", [](std::string& b) { std::memcpy(&b[22], "((((((\0", 7); }},
      {"key count beyond max items", [root](std::string& b) { put16(b, root, 300); }},
      {"item offset outside the page", [root](std::string& b) { put16(b, root + 2, 1020); }},
      {"child page outside the file",
       [&, root](std::string& b) { put32(b, firstChild(b, root), 0x00FFFC00UL); }},
      {"child page points back to the root (cycle)",
       [&, root](std::string& b) { put32(b, firstChild(b, root), root); }},
      {"two children share a page",
       [&, root](std::string& b) {
         std::size_t off2 = static_cast<unsigned char>(b[root + 4]) | static_cast<unsigned char>(b[root + 5])
                                                                          << 8;
         put32(b, root + off2,
               static_cast<unsigned long>(static_cast<unsigned char>(b[firstChild(b, root)]) |
                                          static_cast<unsigned char>(b[firstChild(b, root) + 1]) << 8 |
                                          static_cast<unsigned char>(b[firstChild(b, root) + 2]) << 16));
       }},
      {"branch item in a leaf page",
       [&](std::string& b) {
         std::size_t leaf = b.size() - 1024;  // some page; make its first child a page, keep others 0
         for (std::size_t p = 1024; p < b.size(); p += 1024)
           if (b.substr(firstChild(b, p), 4) == std::string(4, '\0')) {
             leaf = p;
             break;
           }
         put32(b, firstChild(b, leaf), 1024);
       }},
      {"record number beyond the table",
       [&](std::string& b) {
         for (std::size_t p = 1024; p < b.size(); p += 1024) put32(b, firstChild(b, p) + 4, 99999);
       }},
  };
  for (const auto& c : cases) {
    g.restore();
    std::string b = g.ntxBytes;
    c.spoil(b);
    writeBytes(g.ntx, b);
    EXPECT_THROW(readEverything(g.dbf, g.ntx), core::RuntimeFailure) << c.what;
  }
}

TEST(BadInput, AFreePageChainOutsideTheFileStopsAnInsert) {
  Good g;
  std::string b = g.ntxBytes;
  put32(b, 8, 0x00FFFC00UL);
  writeBytes(g.ntx, b);
  EXPECT_THROW(
      {
        Table t(g.dbf, OpenOptions{true});
        t.orderListAdd(g.ntx);
        for (int i = 0; i < 200; ++i) {  // enough inserts to split a page
          t.append();
          t.put("ID", core::Value("zz" + std::to_string(i)));
        }
        t.commit();
      },
      core::RuntimeFailure);
}

// Random damage: thousands of spoiled copies, each either reads or raises the failure.
TEST(BadInput, RandomlySpoiledFilesNeverCrash) {
  Good g(120);
  std::mt19937 rng(11);
  int failures = 0, reads = 0;
  for (int round = 0; round < 600; ++round) {
    g.restore();
    int which = round % 3;
    std::string b = which == 0 ? g.dbfBytes : (which == 1 ? g.ntxBytes : g.dbtBytes);
    int flips = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < flips; ++k) {
      std::size_t at = which == 1 && rng() % 2 ? rng() % 32 : rng() % b.size();  // headers often
      b[at] = static_cast<char>(rng() % 256);
    }
    if (rng() % 10 == 0) b.resize(rng() % b.size());
    writeBytes(which == 0 ? g.dbf : (which == 1 ? g.ntx : g.dbt), b);
    try {
      readEverything(g.dbf, g.ntx);
      ++reads;
    } catch (const core::RuntimeFailure&) {
      ++failures;
    }
  }
  EXPECT_GT(failures, 0);
  EXPECT_GT(reads, 0);
}
