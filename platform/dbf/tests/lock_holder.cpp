// Helper program of the engine's tests: a second process on the same files.
//   dbf_lock_holder TABLE shared|exclusive|readonly [rN...] [file] [append=N] [set=FIELD=TEXT]
//     opens the table (host path), then: rN goes to record N and locks it, "file" takes the file lock,
//     "append=N" appends N records with ID "child<n>", "set=..." writes a text field of the
//     current record; prints "ready" and waits until its input closes.
//   dbf_lock_holder TABLE dump [INDEX]
//     prints every record (in the index's order when one is given) as
//     recno|flag|field=value|... and ends.
#include <cstdio>
#include <iostream>
#include <string>

#include "core/failure.h"
#include "core/text.h"
#include "platform/dbf/table.h"

using platform::dbf::OpenOptions;
using platform::dbf::Table;

namespace {

std::string show(const core::Value& v) {
  if (v.isLogical()) return v.logical() ? "T" : "F";
  if (v.isDate()) return v.date().dtos();
  if (v.isNumber()) return core::alltrim(core::str(v.number(), 20, 4));
  return v.text();
}

int dump(Table& t) {
  for (t.goTop(); !t.eof(); t.skip(1)) {
    std::string line = std::to_string(t.recNo()) + "|" + (t.deleted() ? "*" : " ");
    for (std::size_t i = 0; i < t.fields().size(); ++i)
      line += "|" + t.fields()[i].name + "=" + show(t.get(static_cast<int>(i)));
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dbf_lock_holder TABLE MODE ...\n");
    return 2;
  }
  try {
    std::string mode = argv[2];
    if (mode == "dump") {
      Table t(argv[1], OpenOptions{false, true});
      if (argc > 3) t.orderListAdd(argv[3]);
      return dump(t);
    }
    Table t(argv[1], OpenOptions{mode == "exclusive", mode == "readonly"});
    for (int i = 3; i < argc; ++i) {
      std::string a = argv[i];
      if (a == "file") {
        if (!t.lockFile()) throw core::RuntimeFailure("file lock refused");
      } else if (a.rfind("append=", 0) == 0) {
        int n = std::stoi(a.substr(7));
        for (int k = 1; k <= n; ++k) {
          t.append();
          t.put(0, core::Value("child" + std::to_string(k)));
        }
        t.commit();
      } else if (a.rfind("set=", 0) == 0) {
        auto eq = a.find('=', 4);
        t.put(a.substr(4, eq - 4), core::Value(a.substr(eq + 1)));
        t.commit();
      } else if (a[0] == 'r') {
        auto n = static_cast<std::uint32_t>(std::stoul(a.substr(1)));
        t.goTo(n);
        if (!t.lockRecord(n)) throw core::RuntimeFailure("record lock refused: " + a);
      }
    }
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
  } catch (const std::exception& e) {
    std::printf("error: %s\n", e.what());
    return 1;
  }
}
