// Hostile or broken program paths never reach a host file outside the mapped drives.
#include <gtest/gtest.h>

#include "platform/fs/fs.h"
#include "tests/support/temp_drives.h"

namespace fs = platform::fs;
namespace stdfs = std::filesystem;
using testing_support::readHostFile;
using testing_support::TempDrives;
using testing_support::writeHostFile;

namespace {

template <std::size_t N>
std::string withNul(const char (&s)[N]) {
  return std::string(s, N - 1);
}

bool inside(const stdfs::path& p, const stdfs::path& root) {
  auto rel = p.lexically_normal().lexically_relative(root.lexically_normal());
  return !rel.empty() && *rel.begin() != "..";
}

struct BadPath {
  std::string path;
  std::string absolute;  // "" when the path is malformed
  char drive;            // where the host path lies; 0 when there is none
};

TEST(FsBadInput, PathsStayInsideTheirDrive) {
  TempDrives drives;
  ASSERT_TRUE(fs::makeDir("C:\\ZOV"));
  fs::setCurrentDir("C:\\ZOV\\");
  // A file beside the drive folders that no program path may reach.
  writeHostFile(drives.root() / "outside.txt", "secret");

  const BadPath cases[] = {
      {"C:\\..\\..\\etc\\passwd", "C:\\etc\\passwd", 'C'},
      {"C:\\ZOV\\..\\..\\..\\outside.txt", "C:\\outside.txt", 'C'},
      {"C:\\..\\outside.txt", "C:\\outside.txt", 'C'},
      {"..\\..\\x", "C:\\x", 'C'},
      {"..\\..\\..\\..\\outside.txt", "C:\\outside.txt", 'C'},
      {"\\..\\..\\outside.txt", "C:\\outside.txt", 'C'},
      {"C:..\\..\\outside.txt", "C:\\outside.txt", 'C'},
      {"C:/ZOV/../../outside.txt", "C:\\outside.txt", 'C'},
      {"c:/zov/./ini.dbf", "C:\\zov\\ini.dbf", 'C'},
      {"D:\\..\\C\\x", "D:\\C\\x", 'D'},
      {"Q:\\x", "Q:\\x", 0},
      {"Q:\\..\\..\\outside.txt", "Q:\\outside.txt", 0},
      {withNul("C:\\ZOV\0\\..\\..\\outside.txt"), "", 0},
      {withNul("ini\0.dbf"), "", 0},
      {"", "", 0},
      {"C:\\ZOV\\a:b", "", 0},
      {"1:\\x", "", 0},
      {"\\\\server\\share\\x", "\\\\server\\share\\x", 0},
      {"\\\\server", "", 0},
      {"C:\\ZOV\\*.dbf", "C:\\ZOV\\*.dbf", 0},
      {"C:\\ZOV\\a|b", "C:\\ZOV\\a|b", 0},
      {"C:\\ZOV\\line\nbreak", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("path: " + c.path);
    EXPECT_EQ(fs::absolute(c.path), c.absolute);
    auto host = fs::toHost(c.path);
    if (c.drive) {
      ASSERT_TRUE(host.has_value());
      EXPECT_TRUE(inside(*host, drives.host(c.drive))) << host->string();
    } else {
      EXPECT_FALSE(host.has_value());
    }
    // Whatever the path, a write lands inside the drive or nowhere.
    fs::writeFile(c.path, "written");
    fs::copyFile("C:\\ZOV\\..\\..\\outside.txt", c.path);
    fs::deleteFile(c.path);
    fs::removeTree(c.path);
    EXPECT_EQ(readHostFile(drives.root() / "outside.txt"), "secret");
  }
  // Nothing new appeared beside the drive folders.
  std::vector<std::string> top;
  for (const auto& e : stdfs::directory_iterator(drives.root())) top.push_back(e.path().filename().string());
  std::sort(top.begin(), top.end());
  EXPECT_EQ(top, (std::vector<std::string>{"C", "D", "E", "F", "G", "outside.txt"}));
}

TEST(FsBadInput, BrokenPathsFindNothing) {
  TempDrives drives;
  writeHostFile(drives.host('C') / "x", "x");
  for (const std::string& p :
       {std::string(), withNul("C:\\x\0"), std::string("C:\\x\\"), std::string("C:\\?")}) {
    SCOPED_TRACE(p);
    EXPECT_FALSE(fs::fileExists(p));
    EXPECT_FALSE(fs::deleteFile(p));
    EXPECT_FALSE(fs::inUse(p));
    EXPECT_FALSE(fs::fileSize(p).has_value());
  }
  EXPECT_TRUE(fs::fileExists("C:\\x"));
}

}  // namespace
