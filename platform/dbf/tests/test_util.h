// Shared pieces of the engine's tests: a temporary host folder and small tables written by
// the engine itself.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dbf/table.h"

namespace dbf_test {

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ =
        std::filesystem::temp_directory_path() / ("zov-dbf-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string readBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A people table: ID C(10), NR N(5), BETRAG N(8,2), DATUM D, OK L.
inline std::vector<platform::dbf::FieldInfo> peopleFields() {
  return {
      {"ID", 'C', 10, 0}, {"NR", 'N', 5, 0}, {"BETRAG", 'N', 8, 2}, {"DATUM", 'D', 8, 0}, {"OK", 'L', 1, 0}};
}

// Appends rows of (ID, NR) to an exclusively opened table.
inline void addRows(platform::dbf::Table& t, const std::vector<std::pair<std::string, int>>& rows) {
  for (const auto& [id, nr] : rows) {
    t.append();
    t.put("ID", core::Value(id));
    t.put("NR", core::Value(nr));
  }
  t.commit();
}

}  // namespace dbf_test
