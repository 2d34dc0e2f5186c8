#include "tests/support/temp_drives.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/fs/fs.h"

namespace testing_support {

TempDrives::TempDrives() {
  std::random_device rd;
  root_ =
      std::filesystem::temp_directory_path() / ("zov-test-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(root_);
  platform::fs::resetDrives();
  for (char d = 'C'; d <= 'G'; ++d) {
    std::filesystem::create_directories(root_ / std::string(1, d));
    platform::fs::mapDrive(d, root_ / std::string(1, d));
  }
  platform::fs::setCurrentDir("C:\\");
}

TempDrives::~TempDrives() {
  platform::fs::resetDrives();
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

std::filesystem::path TempDrives::host(char drive) const {
  return root_ / std::string(1, drive);
}

std::filesystem::path TempDrives::host(const std::string& winPath) const {
  if (winPath.size() < 2 || winPath[1] != ':') throw std::invalid_argument("not a drive path: " + winPath);
  std::filesystem::path p = host(static_cast<char>(std::toupper(static_cast<unsigned char>(winPath[0]))));
  std::string rest = winPath.substr(2);
  std::string part;
  for (char c : rest) {
    if (c == '\\') {
      if (!part.empty()) p /= part;
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) p /= part;
  return p;
}

void writeHostFile(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

std::string readHostFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + p.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace testing_support
