// A test's own drives: C: … G: mapped to fresh folders below one temporary directory,
// removed again afterwards. The current directory starts at C:\.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

class TempDrives {
 public:
  TempDrives();
  ~TempDrives();
  TempDrives(const TempDrives&) = delete;
  TempDrives& operator=(const TempDrives&) = delete;

  // Host folder behind a drive letter ('C' … 'G').
  std::filesystem::path host(char drive) const;
  // Host path of a program path on these drives ("C:\ZOV\ini.dbf"), without case matching.
  std::filesystem::path host(const std::string& winPath) const;
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
};

// Writes bytes to a host file, creating its folders.
void writeHostFile(const std::filesystem::path& p, const std::string& bytes);
std::string readHostFile(const std::filesystem::path& p);

}  // namespace testing_support
