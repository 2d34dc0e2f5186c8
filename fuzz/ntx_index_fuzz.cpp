// libFuzzer target: the .ntx reader and writer on damaged index files of a fixed, valid table.
// Every input must either work or raise core::RuntimeFailure; a crash, a sanitizer report or
// a hang (libFuzzer's -timeout) is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/failure.h"
#include "fuzz/fuzz_files.h"
#include "platform/dbf/table.h"

using namespace platform::dbf;

namespace {

const std::string& tableBytes() {
  static const std::string bytes = [] {
    const auto p = zov_fuzz::scratch() / "base.dbf";
    Table::create(p, zov_fuzz::indexTableFields());
    {
      Table t(p, OpenOptions{true});
      zov_fuzz::fillIndexTable(t);
    }
    return zov_fuzz::readFile(p);
  }();
  return bytes;
}

void walk(Table& t) {
  int n = 0;
  for (t.goTop(); !t.eof() && n < 2000; t.skip(1), ++n) t.keyValue();
  n = 0;
  for (t.goBottom(); !t.bof() && n < 2000; t.skip(-1), ++n) t.relPos();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& dir = zov_fuzz::scratch();
  zov_fuzz::writeFile(dir / "t.dbf", tableBytes());
  zov_fuzz::writeFile(dir / "t.ntx", std::string(reinterpret_cast<const char*>(data), size));
  try {
    Table t(dir / "t.dbf", OpenOptions{true});
    t.orderListAdd(dir / "t.ntx");
    walk(t);
    for (const char* key : {"", "id1", "ID9", "zz"}) {
      try {
        t.seek(core::Value(key), true);
      } catch (const core::RuntimeFailure&) {  // a seek value of another type than the key's
      }
    }
    for (double p : {0.0, 33.0, 100.0}) t.goRelPos(p);
    // Changes through the damaged index: keys move, records come and go.
    for (std::uint32_t r : {3u, 150u, 299u}) {
      t.goTo(r);
      t.put("ID", core::Value("moved" + std::to_string(r)));
      t.put("NR", core::Value(static_cast<double>(r)));
    }
    t.append();
    t.put("LONG", core::Value("appended"));
    walk(t);
  } catch (const core::RuntimeFailure&) {
  }
  return 0;
}
