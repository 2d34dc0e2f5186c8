// Writes the fuzz targets' seed corpus with the engine itself: tables with and without memos
// and deleted records, a FoxPro table, and indexes of several shapes on the index target's
// table. Usage: make_seeds OUTDIR
#include <cstdio>
#include <string>

#include "fuzz/fuzz_files.h"
#include "platform/dbf/table.h"

using namespace platform::dbf;
namespace fs = std::filesystem;

namespace {

void tableSeed(const fs::path& out, const std::string& name, const std::vector<FieldInfo>& fields, int rows) {
  const fs::path work = zov_fuzz::scratch() / "seed.dbf";
  Table::create(work, fields);
  {
    Table t(work, OpenOptions{true});
    for (int i = 0; i < rows; ++i) {
      t.append();
      for (std::size_t f = 0; f < fields.size(); ++f) {
        const int k = static_cast<int>(f);
        switch (fields[f].type) {
          case 'C':
            t.put(k, core::Value("v" + std::to_string(i * 31 % 97)));
            break;
          case 'N':
            t.put(k, core::Value(i * 1.5 - 20));
            break;
          case 'D':
            t.put(k, core::Value(core::Date::fromYmd(1990 + i, 1 + i % 12, 1 + i % 28)));
            break;
          case 'L':
            t.put(k, core::Value(i % 2 == 0));
            break;
          case 'M':
            if (i % 2 == 0) t.put(k, core::Value(std::string(static_cast<std::size_t>(i * 60), 'm') + "!"));
            break;
        }
      }
      if (i % 4 == 3) t.markDeleted();
    }
  }
  std::string bytes = zov_fuzz::readFile(work);
  fs::path memo = work;
  memo.replace_extension(".dbt");
  if (fs::exists(memo)) {
    bytes += zov_fuzz::kMemoMark + zov_fuzz::readFile(memo);
    fs::remove(memo);
  }
  zov_fuzz::writeFile(out / name, bytes);
}

// FoxPro 2 table with an .fpt memo (big-endian block number, length), built byte by byte.
void foxSeed(const fs::path& out) {
  std::string h(32, '\0');
  h[0] = static_cast<char>(0xF5);
  h[4] = 1;
  h[8] = 97;
  h[10] = 17;
  std::string f1(32, '\0'), f2(32, '\0');
  f1.replace(0, 4, "NAME");
  f1[11] = 'C';
  f1[16] = 6;
  f2.replace(0, 5, "NOTIZ");
  f2[11] = 'M';
  f2[16] = 10;
  std::string bytes = h + f1 + f2 + "\x0D" + " Meier          8" + "\x1A";
  std::string fpt(512, '\0');
  fpt[3] = 10;
  fpt[7] = 64;
  fpt += std::string{0, 0, 0, 1, 0, 0, 0, 5} + "hallo";
  fpt.resize(640, '\0');
  zov_fuzz::writeFile(out / "foxpro", bytes + zov_fuzz::kMemoMark + fpt);
}

void indexSeeds(const fs::path& out) {
  const fs::path work = zov_fuzz::scratch() / "index.dbf";
  Table::create(work, zov_fuzz::indexTableFields());
  Table t(work, OpenOptions{true});
  zov_fuzz::fillIndexTable(t);
  struct Seed {
    const char* name;
    const char* expr;
    bool unique, descending;
  } seeds[] = {{"upper_id", "UPPER(ID)", false, false},
               {"nr", "NR", false, false},
               {"date_id", "DTOS(D)+ID", false, false},
               {"long", "LONG", false, false},
               {"nr_desc", "NR", false, true},
               {"id_unique", "UPPER(ID)", true, false},
               {"substr", "SUBSTR(LONG,80,20)+STR(NR,5)", false, false}};
  for (const auto& s : seeds) {
    const fs::path ntx = zov_fuzz::scratch() / "seed.ntx";
    t.createIndex(ntx, s.expr, s.unique, s.descending);
    if (std::string(s.name) == "long") {  // after changes, so that free pages exist
      for (std::uint32_t r = 1; r <= 120; ++r) {
        t.goTo(r);
        t.put("LONG", core::Value("changed" + std::to_string(r)));
      }
      t.commit();
    }
    t.orderListClear();
    zov_fuzz::writeFile(out / s.name, zov_fuzz::readFile(ntx));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds OUTDIR\n");
    return 2;
  }
  const fs::path out = argv[1];
  fs::create_directories(out / "fuzz_dbf_table");
  fs::create_directories(out / "fuzz_ntx_index");
  tableSeed(out / "fuzz_dbf_table", "people",
            {{"ID", 'C', 10, 0}, {"NR", 'N', 7, 2}, {"D", 'D', 8, 0}, {"OK", 'L', 1, 0}}, 12);
  tableSeed(out / "fuzz_dbf_table", "memo", {{"ID", 'C', 4, 0}, {"TEXT", 'M', 10, 0}}, 9);
  tableSeed(out / "fuzz_dbf_table", "empty", {{"ID", 'C', 4, 0}}, 0);
  foxSeed(out / "fuzz_dbf_table");
  indexSeeds(out / "fuzz_ntx_index");
  std::printf("seeds written to %s\n", out.c_str());
  return 0;
}
