// libFuzzer target: the table reader (and writer) on damaged .dbf/.dbt/.fpt files. Every
// input must either read or raise core::RuntimeFailure; a crash, a sanitizer report or a
// hang (libFuzzer's -timeout) is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/failure.h"
#include "fuzz/fuzz_files.h"
#include "platform/dbf/table.h"

using namespace platform::dbf;

namespace {

void readAll(Table& t) {
  for (t.goTop(); !t.eof(); t.skip(1))
    for (std::size_t i = 0; i < t.fields().size(); ++i) t.get(static_cast<int>(i));
  for (t.goBottom(); !t.bof(); t.skip(-1)) t.deleted();
  t.goRelPos(50);
  t.relPos();
  t.setFilter("DELETED()");
  t.goTop();
  t.skip(3);
}

void change(Table& t) {
  t.goTop();
  if (t.eof()) return;
  for (std::size_t i = 0; i < t.fields().size(); ++i) {
    const FieldInfo& f = t.fields()[i];
    core::Value v = t.get(static_cast<int>(i));
    try {
      if (f.type == 'M' || f.type == 'C')
        t.put(static_cast<int>(i), core::Value(std::string(v.text().size() + 3, 'z')));
      if (f.type == 'N') t.put(static_cast<int>(i), core::Value(1.0));
    } catch (const core::RuntimeFailure&) {
    }
  }
  t.markDeleted();
  t.append();
  t.pack();
  readAll(t);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t mark = input.find(zov_fuzz::kMemoMark);
  const std::string dbf = input.substr(0, mark);
  const std::string memo =
      mark == std::string::npos ? std::string() : input.substr(mark + zov_fuzz::kMemoMark.size());
  const auto& dir = zov_fuzz::scratch();
  zov_fuzz::writeFile(dir / "t.dbf", dbf);
  zov_fuzz::writeFile(dir / "t.dbt", memo);
  zov_fuzz::writeFile(dir / "t.fpt", memo);
  try {
    Table t(dir / "t.dbf", OpenOptions{false, true});
    readAll(t);
  } catch (const core::RuntimeFailure&) {
  }
  try {
    Table t(dir / "t.dbf", OpenOptions{true, false});
    change(t);
  } catch (const core::RuntimeFailure&) {
  }
  return 0;
}
