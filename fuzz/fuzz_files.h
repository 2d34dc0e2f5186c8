// What the fuzz targets share: a scratch folder (in memory where the host has one) and the
// fixed table the index target attaches its inputs to.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dbf/table.h"

namespace zov_fuzz {

// ZOV_FUZZ_SCRATCH names the folder (fuzz/run.sh sets it and removes it afterwards, since
// libFuzzer ends its process without running exit handlers); else one per process.
inline const std::filesystem::path& scratch() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path base =
        std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    const char* given = std::getenv("ZOV_FUZZ_SCRATCH");
    std::filesystem::path d = given != nullptr && *given != '\0'
                                  ? std::filesystem::path(given) / std::to_string(::getpid())
                                  : base / ("zov-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

inline void writeFile(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A table input is the .dbf bytes, optionally followed by this mark and the memo file's bytes.
inline const std::string kMemoMark = "@@MEMO@@";

// The table every index input belongs to: 300 rows over four fields.
inline std::vector<platform::dbf::FieldInfo> indexTableFields() {
  return {{"ID", 'C', 10, 0}, {"NR", 'N', 5, 0}, {"D", 'D', 8, 0}, {"LONG", 'C', 100, 0}};
}

inline void fillIndexTable(platform::dbf::Table& t) {
  for (int i = 0; i < 300; ++i) {
    t.append();
    int k = (i * 7919) % 300;
    t.put("ID", core::Value("id" + std::to_string(k)));
    t.put("NR", core::Value(k - 150));
    t.put("D", core::Value(core::Date::fromYmd(2000 + k % 30, 1 + k % 12, 1 + k % 28)));
    t.put("LONG", core::Value(std::string(static_cast<std::size_t>(k % 90), 'x') + std::to_string(k)));
    if (k % 17 == 0) t.markDeleted();
  }
  t.commit();
}

}  // namespace zov_fuzz
