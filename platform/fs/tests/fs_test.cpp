// Program paths on temporary drives: mapping, case-insensitive names, listings, copies,
// whole-file reads and writes, directory trees.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <random>

#include "core/failure.h"
#include "core/text.h"
#include "platform/fs/fs.h"
#include "tests/support/temp_drives.h"

namespace fs = platform::fs;
namespace stdfs = std::filesystem;
using testing_support::readHostFile;
using testing_support::TempDrives;
using testing_support::writeHostFile;

namespace {

std::string allByteValues() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
  return s;
}

std::string randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

std::vector<std::string> names(const std::vector<fs::DirEntry>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.name);
  return out;
}

std::time_t localTime(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

void setHostMtime(const stdfs::path& p, std::time_t t) {
  struct timespec times[2] = {{t, 0}, {t, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

class FsTest : public ::testing::Test {
 protected:
  TempDrives drives;
};

// --- drive table and names -----------------------------------------------------------------

TEST_F(FsTest, NamesResolveWithoutRegardToCaseAndNewNamesKeepTheirCase) {
  writeHostFile(drives.host('C') / "zov" / "zov.exe", "program");
  EXPECT_TRUE(fs::fileExists("C:\\ZOV\\ZOV.EXE"));
  EXPECT_TRUE(fs::dirExists("c:\\Zov"));
  EXPECT_EQ(fs::toHost("C:\\ZOV\\ZOV.EXE"), drives.host('C') / "zov" / "zov.exe");
  EXPECT_EQ(fs::readFile("C:\\ZOV\\Zov.Exe"), "program");

  ASSERT_TRUE(fs::writeFile("C:\\ZOV\\Neue Datei.TXT", "x"));
  EXPECT_TRUE(stdfs::exists(drives.host('C') / "zov" / "Neue Datei.TXT"));
  EXPECT_EQ(names(fs::listDir("C:\\ZOV\\*.*", false)),
            (std::vector<std::string>{"Neue Datei.TXT", "zov.exe"}));

  // A name that exists with the same bytes wins over one that differs in case only.
  writeHostFile(drives.host('C') / "twice" / "a.txt", "lower");
  writeHostFile(drives.host('C') / "twice" / "A.TXT", "upper");
  EXPECT_EQ(fs::readFile("C:\\TWICE\\a.txt"), "lower");
  EXPECT_EQ(fs::readFile("C:\\TWICE\\A.TXT"), "upper");
}

TEST_F(FsTest, AnUnmappedDriveHoldsNoFiles) {
  EXPECT_FALSE(fs::driveRoot('Q').has_value());
  EXPECT_FALSE(fs::toHost("Q:\\x.txt").has_value());
  EXPECT_FALSE(fs::fileExists("Q:\\x.txt"));
  EXPECT_FALSE(fs::dirExists("Q:\\"));
  EXPECT_FALSE(fs::writeFile("Q:\\x.txt", "x"));
  EXPECT_FALSE(fs::makeDir("Q:\\dir"));
  EXPECT_TRUE(fs::listDir("Q:\\*.*", true).empty());
  EXPECT_THROW(fs::readFile("Q:\\x.txt"), core::RuntimeFailure);

  fs::unmapDrive('D');
  writeHostFile(drives.host('D') / "x.txt", "hidden away");
  EXPECT_FALSE(fs::fileExists("D:\\x.txt"));
  fs::mapDrive('D', drives.host('D'));
  EXPECT_TRUE(fs::fileExists("D:\\x.txt"));
}

TEST_F(FsTest, HostPathsMapToTheDriveWithTheLongestRoot) {
  fs::mapDrive('E', drives.host('C') / "inner");  // a drive inside another drive's folder
  EXPECT_EQ(fs::fromHost(drives.host('C') / "ZOV" / "ini.dbf"), "C:\\ZOV\\ini.dbf");
  EXPECT_EQ(fs::fromHost(drives.host('C') / "inner" / "x"), "E:\\x");
  EXPECT_EQ(fs::fromHost(drives.host('D')), "D:\\");
  EXPECT_EQ(fs::fromHost("/usr/bin"), "Z:\\usr\\bin");
  EXPECT_EQ(fs::fromHost("/"), "Z:\\");
  EXPECT_EQ(fs::toHost("Z:\\usr\\bin"), stdfs::path("/usr/bin"));
  EXPECT_EQ(fs::fromHost(drives.host('C') / ("Gr" + core::toUtf8("\xFC\xDF") + "e.txt")),
            "C:\\Gr\xFC\xDF"
            "e.txt");
}

TEST_F(FsTest, DrivesComeFromHostVariablesOutsideTests) {
  stdfs::path h = drives.root() / "from-variable";
  stdfs::create_directories(h);
  ::setenv("ZOV_DRIVE_H", h.c_str(), 1);
  fs::resetDrives();
  ::unsetenv("ZOV_DRIVE_H");
  EXPECT_EQ(fs::driveRoot('H'), h);
  EXPECT_EQ(fs::driveRoot('Z'), stdfs::path("/"));
  EXPECT_FALSE(fs::driveRoot('C').has_value());
  ASSERT_TRUE(fs::writeFile("H:\\ini.dbf", "data"));
  EXPECT_EQ(readHostFile(h / "ini.dbf"), "data");
}

TEST_F(FsTest, ProgramPathIsTheRunningFileUnlessSet) {
  std::string own = fs::programPath();
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(fs::toHost(own), stdfs::read_symlink("/proc/self/exe"));
  fs::setProgramPath("C:\\ZOV\\UPDATE\\zovupd.exe");
  EXPECT_EQ(fs::programPath(), "C:\\ZOV\\UPDATE\\zovupd.exe");
  fs::setProgramPath("");
  EXPECT_EQ(fs::programPath(), own);
}

TEST_F(FsTest, CurrentDirectoryAnchorsRelativePaths) {
  ASSERT_TRUE(fs::makeDir("C:\\ZOV\\UPDATE"));
  fs::setCurrentDir("c:\\zov");
  EXPECT_EQ(fs::currentDir(), "C:\\zov\\");
  EXPECT_EQ(fs::absolute("ini.dbf"), "C:\\zov\\ini.dbf");
  EXPECT_EQ(fs::absolute("UPDATE\\..\\..\\x"), "C:\\x");
  ASSERT_TRUE(fs::writeFile("ini.dbf", "ini"));
  EXPECT_EQ(readHostFile(drives.host('C') / "ZOV" / "ini.dbf"), "ini");

  EXPECT_THROW(fs::setCurrentDir("C:\\MISSING"), core::RuntimeFailure);
  EXPECT_THROW(fs::setCurrentDir("C:\\ZOV\\ini.dbf"), core::RuntimeFailure);
  EXPECT_THROW(fs::setCurrentDir("Q:\\"), core::RuntimeFailure);
  EXPECT_EQ(fs::currentDir(), "C:\\zov\\");
}

struct PathCase {
  std::string in;
  std::string withSlash, parent, file;
};

TEST(FsPathText, HelpersWorkOnProgramPaths) {
  const PathCase cases[] = {
      {"C:\\ZOV\\UPDATE\\x.exe", "C:\\ZOV\\UPDATE\\x.exe\\", "C:\\ZOV\\UPDATE\\", "x.exe"},
      {"C:\\ZOV\\UPDATE\\", "C:\\ZOV\\UPDATE\\", "C:\\ZOV\\", ""},
      {"C:\\ZOV", "C:\\ZOV\\", "C:\\", "ZOV"},
      {"C:\\", "C:\\", "C:\\", ""},
      {"ums_43F\\zov.exe", "ums_43F\\zov.exe\\", "ums_43F\\", "zov.exe"},
      {"zov.exe", "zov.exe\\", "", "zov.exe"},
      {"", "\\", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(fs::withSlash(c.in), c.withSlash);
    EXPECT_EQ(fs::parentDir(c.in), c.parent);
    EXPECT_EQ(fs::fileName(c.in), c.file);
  }
}

// --- listings ------------------------------------------------------------------------------

TEST_F(FsTest, ListingsMatchPatternsWithoutRegardToCase) {
  stdfs::path l = drives.host('C') / "L";
  writeHostFile(l / "Alpha.TXT", "abc");
  writeHostFile(l / "beta.txt", "0123456789");
  writeHostFile(l / "gamma.dbf", "");
  writeHostFile(l / "README", "r");
  writeHostFile(l / ".hidden", "h");
  writeHostFile(l / "Sub" / "inner.txt", "not listed");
  stdfs::create_directories(l / ".git");

  struct Case {
    std::string pattern;
    bool withDirs;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"C:\\L\\*.*", false, {"Alpha.TXT", "beta.txt", "gamma.dbf", "README"}},
      {"C:\\L\\*.*", true, {"Alpha.TXT", "beta.txt", "gamma.dbf", "README", "Sub"}},
      {"c:\\l\\*", true, {"Alpha.TXT", "beta.txt", "gamma.dbf", "README", "Sub"}},
      {"C:\\L\\*.TXT", false, {"Alpha.TXT", "beta.txt"}},
      {"C:\\L\\?ETA.*", false, {"beta.txt"}},
      {"C:\\L\\s*.*", true, {"Sub"}},
      {"C:\\L\\s*.*", false, {}},
      {"C:\\L\\README.*", false, {"README"}},
      {"C:\\L\\*.", true, {"README", "Sub"}},
      {"C:\\L\\.*", true, {}},
      {"C:\\L\\missing*.*", true, {}},
      {"C:\\NOPE\\*.*", true, {}},
      {"C:\\L\\", true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern + (c.withDirs ? " with directories" : " plain"));
    EXPECT_EQ(names(fs::listDir(c.pattern, c.withDirs)), c.expected);
  }
}

TEST_F(FsTest, ListingsGiveSizeDateAndTime) {
  stdfs::path l = drives.host('C') / "L";
  writeHostFile(l / "beta.txt", "0123456789");
  stdfs::create_directories(l / "Sub");
  setHostMtime(l / "beta.txt", localTime(2018, 5, 2, 13, 45, 7));
  setHostMtime(l / "Sub", localTime(2017, 1, 3, 8, 0, 59));

  auto entries = fs::listDir("C:\\L\\*.*", true);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "beta.txt");
  EXPECT_EQ(entries[0].size, 10u);
  EXPECT_EQ(entries[0].date, core::Date::fromYmd(2018, 5, 2));
  EXPECT_EQ(entries[0].time, "13:45:07");
  EXPECT_FALSE(entries[0].isDir);
  EXPECT_EQ(entries[1].name, "Sub");
  EXPECT_TRUE(entries[1].isDir);
  EXPECT_EQ(entries[1].date, core::Date::fromYmd(2017, 1, 3));
  EXPECT_EQ(entries[1].time, "08:00:59");
}

TEST(FsWildcards, MatchAsWindowsDoes) {
  struct Case {
    std::string pattern, name;
    bool match;
  };
  const Case cases[] = {
      {"*.*", "README", true},
      {"*.*", "a.b.c", true},
      {"*", ".x", true},
      {"BAK_*.*", "BAK_43E", true},
      {"BAK_*.*", "bak_43e.old", true},
      {"BAK_*.*", "XBAK_43E", false},
      {"ZOV_SICH_U43F_2018_05_02*.*", "ZOV_SICH_U43F_2018_05_02", true},
      {"ZOV_SICH_U43F_2018_05_02*.*", "ZOV_SICH_U43F_2018_05_02(02)", true},
      {"ZOV_SICH_U43F_2018_05_02*.*", "ZOV_SICH_U43F_2018_05_03", false},
      {"*.TXT", "a.txt", true},
      {"*.TXT", "a.txt.bak", false},
      {"?.txt", "ab.txt", false},
      {"??.txt", "ab.txt", true},
      {"a*b*c", "aXXbYYc", true},
      {"a*b*c", "aXXbYY", false},
      {"*.", "README", true},
      {"*.", "a.txt", false},
      {"\xE4*.dbf", "\xC4rger.DBF", true},  // ä matches Ä
      {"stra\xDF"
       "e",
       "STRA\xDF"
       "E",
       true},
      {"x", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern + " ~ " + c.name);
    EXPECT_EQ(fs::wildcardMatch(c.pattern, c.name), c.match);
  }
}

// --- umlauts -----------------------------------------------------------------------------

TEST_F(FsTest, UmlautNamesRoundTripThroughTheDisk) {
  const std::string umlauts[] = {"\xE4", "\xF6", "\xFC", "\xC4", "\xD6", "\xDC", "\xDF"};  // ä ö ü Ä Ö Ü ß
  ASSERT_TRUE(fs::makeDir("C:\\B\xFCro"));
  std::vector<std::string> expected;
  int n = 0;
  for (const auto& u : umlauts) {
    std::string name = "Datei_" + u + std::to_string(++n) + ".txt";
    SCOPED_TRACE(core::toUtf8(name));
    ASSERT_TRUE(fs::writeFile("C:\\B\xFCro\\" + name, "inhalt " + u));
    // On the host the name is UTF-8 text.
    EXPECT_TRUE(stdfs::exists(drives.host('C') / core::toUtf8("B\xFCro") / core::toUtf8(name)));
    EXPECT_EQ(fs::readFile("C:\\B\xDCRO\\" + core::upper(name)), "inhalt " + u);
    expected.push_back(name);
  }
  auto listed = fs::listDir("C:\\B\xFCro\\*.*", false);
  std::vector<std::string> got = names(listed);
  std::sort(expected.begin(), expected.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(names(fs::listDir("C:\\*.*", true)), std::vector<std::string>{"B\xFCro"});
  // As on Windows, names differing only in the case of an umlaut are one file.
  ASSERT_TRUE(fs::writeFile("C:\\B\xFCro\\\xC4nderung.txt", "neu"));
  EXPECT_EQ(fs::readFile("C:\\B\xFCro\\\xE4nderung.txt"), "neu");
  ASSERT_TRUE(fs::writeFile("C:\\B\xFCro\\\xE4NDERUNG.TXT", "ersetzt"));
  EXPECT_EQ(names(fs::listDir("C:\\B\xFCro\\*nderung.txt", false)),
            std::vector<std::string>{"\xC4nderung.txt"});
  EXPECT_EQ(fs::readFile("C:\\B\xFCro\\\xC4nderung.txt"), "ersetzt");
}

// --- whole files ---------------------------------------------------------------------------

TEST_F(FsTest, WholeFilesKeepEveryByte) {
  const std::string bytes = allByteValues();
  ASSERT_TRUE(fs::writeFile("C:\\bin.dat", bytes));
  EXPECT_EQ(fs::readFile("C:\\bin.dat"), bytes);
  EXPECT_EQ(fs::fileSize("C:\\bin.dat"), 256u);
  ASSERT_TRUE(fs::writeFile("C:\\BIN.DAT", "short"));  // replaces, keeps the existing name
  EXPECT_EQ(readHostFile(drives.host('C') / "bin.dat"), "short");
  ASSERT_TRUE(fs::writeFile("C:\\empty.txt", ""));
  EXPECT_EQ(fs::readFile("C:\\empty.txt"), "");
  EXPECT_EQ(fs::fileSize("C:\\empty.txt"), 0u);
}

TEST_F(FsTest, WritesThatCannotHappenReportFalse) {
  ASSERT_TRUE(fs::makeDir("C:\\dir"));
  EXPECT_FALSE(fs::writeFile("C:\\dir", "x"));             // a directory is no file
  EXPECT_FALSE(fs::writeFile("C:\\missing\\x.txt", "x"));  // no parent directory
  EXPECT_FALSE(fs::writeFile("C:\\", "x"));
  EXPECT_TRUE(stdfs::is_directory(drives.host('C') / "dir"));
  EXPECT_FALSE(stdfs::exists(drives.host('C') / "missing"));
}

TEST_F(FsTest, ReadingWhatIsNoFileIsARuntimeFailure) {
  ASSERT_TRUE(fs::makeDir("C:\\dir"));
  for (const char* p : {"C:\\missing.txt", "C:\\dir", "C:\\dir\\..\\..\\missing", "Q:\\x", ""}) {
    SCOPED_TRACE(p);
    EXPECT_THROW(fs::readFile(p), core::RuntimeFailure);
  }
}

// Lowers the largest file this process may write, as a full disk would stop it.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    struct rlimit lim = old_;
    lim.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, old_handler_);
  }

 private:
  struct rlimit old_ {};
  void (*old_handler_)(int) = nullptr;
};

TEST_F(FsTest, AFullDiskLeavesNoPartFile) {
  const std::string big = randomBytes(1 << 20, 1);
  writeHostFile(drives.host('C') / "src.bin", big);
  {
    FileSizeLimit limit(64 * 1024);
    EXPECT_FALSE(fs::writeFile("C:\\part.bin", big));
    EXPECT_FALSE(fs::copyFile("C:\\src.bin", "C:\\copy.bin"));
  }
  EXPECT_FALSE(stdfs::exists(drives.host('C') / "part.bin"));
  EXPECT_FALSE(stdfs::exists(drives.host('C') / "copy.bin"));
  EXPECT_TRUE(fs::writeFile("C:\\part.bin", big));  // room again: it works
}

// --- copy, delete, rename ------------------------------------------------------------------

TEST_F(FsTest, CopyOfALargeFileIsExact) {
  const std::string big = randomBytes(5 * 1024 * 1024 + 123, 7);
  writeHostFile(drives.host('C') / "zov" / "big.bin", big);
  std::time_t t = localTime(2019, 11, 30, 23, 59, 58);
  setHostMtime(drives.host('C') / "zov" / "big.bin", t);
  ASSERT_TRUE(fs::makeDir("D:\\Sich"));
  ASSERT_TRUE(fs::copyFile("C:\\ZOV\\BIG.BIN", "D:\\sich\\big.bin"));
  EXPECT_EQ(readHostFile(drives.host('D') / "Sich" / "big.bin"), big);
  auto listed = fs::listDir("D:\\SICH\\*.*", false);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].size, big.size());
  EXPECT_EQ(listed[0].date, core::Date::fromYmd(2019, 11, 30));  // the copy keeps the date
  EXPECT_EQ(listed[0].time, "23:59:58");

  // Copying replaces an existing target.
  writeHostFile(drives.host('D') / "Sich" / "small.bin", "old content that is longer");
  writeHostFile(drives.host('C') / "new.bin", "new");
  ASSERT_TRUE(fs::copyFile("C:\\new.bin", "D:\\Sich\\SMALL.BIN"));
  EXPECT_EQ(readHostFile(drives.host('D') / "Sich" / "small.bin"), "new");
}

TEST_F(FsTest, CopyRefusesWhatWouldLoseData) {
  writeHostFile(drives.host('C') / "data.dbf", "precious");
  ASSERT_TRUE(fs::makeDir("C:\\dir"));
  EXPECT_FALSE(fs::copyFile("C:\\data.dbf", "C:\\DATA.DBF"));  // onto itself
  EXPECT_EQ(readHostFile(drives.host('C') / "data.dbf"), "precious");
  EXPECT_FALSE(fs::copyFile("C:\\data.dbf", "C:\\dir"));  // onto a directory
  EXPECT_TRUE(stdfs::is_directory(drives.host('C') / "dir"));
  EXPECT_FALSE(fs::copyFile("C:\\missing.dbf", "C:\\x.dbf"));
  EXPECT_FALSE(stdfs::exists(drives.host('C') / "x.dbf"));
  EXPECT_FALSE(fs::copyFile("C:\\dir", "C:\\x.dbf"));
  EXPECT_FALSE(fs::copyFile("C:\\data.dbf", "C:\\missing\\x.dbf"));
}

TEST_F(FsTest, ProgramFilesStayRunnableAfterWriteAndCopy) {
  ASSERT_TRUE(fs::writeFile("C:\\ums_43F\\..\\zov.exe",
                            "\x7F"
                            "ELF"));
  EXPECT_EQ(::access((drives.host('C') / "zov.exe").c_str(), X_OK), 0);
  ASSERT_TRUE(fs::makeDir("C:\\ZOV"));
  ASSERT_TRUE(fs::copyFile("C:\\zov.exe", "C:\\ZOV\\ZOV.EXE"));
  EXPECT_EQ(::access((drives.host('C') / "ZOV" / "ZOV.EXE").c_str(), X_OK), 0);
  ASSERT_TRUE(fs::writeFile("C:\\notes.txt", "text"));
  EXPECT_NE(::access((drives.host('C') / "notes.txt").c_str(), X_OK), 0);
}

TEST_F(FsTest, DeleteRemovesFilesOnly) {
  writeHostFile(drives.host('C') / "zov" / "old.txt", "x");
  ASSERT_TRUE(fs::makeDir("C:\\zov\\sub"));
  EXPECT_TRUE(fs::deleteFile("C:\\ZOV\\OLD.TXT"));
  EXPECT_FALSE(stdfs::exists(drives.host('C') / "zov" / "old.txt"));
  EXPECT_FALSE(fs::deleteFile("C:\\ZOV\\OLD.TXT"));
  EXPECT_FALSE(fs::deleteFile("C:\\ZOV\\SUB"));
  EXPECT_TRUE(stdfs::is_directory(drives.host('C') / "zov" / "sub"));
}

TEST_F(FsTest, RenameMovesFilesAndDirectories) {
  writeHostFile(drives.host('C') / "zov" / "BAK_43E" / "ini.dbf", "backup");
  writeHostFile(drives.host('C') / "zov" / "a.txt", "a");
  writeHostFile(drives.host('C') / "zov" / "b.txt", "b");

  EXPECT_TRUE(fs::rename("C:\\ZOV\\bak_43e", "C:\\ZOV\\ZOV_SICH_U43E_2017_01_03"));
  EXPECT_EQ(readHostFile(drives.host('C') / "zov" / "ZOV_SICH_U43E_2017_01_03" / "ini.dbf"), "backup");
  EXPECT_FALSE(stdfs::exists(drives.host('C') / "zov" / "BAK_43E"));

  // An existing target stops the rename; both stay as they were.
  EXPECT_FALSE(fs::rename("C:\\ZOV\\a.txt", "C:\\ZOV\\B.TXT"));
  EXPECT_EQ(readHostFile(drives.host('C') / "zov" / "a.txt"), "a");
  EXPECT_EQ(readHostFile(drives.host('C') / "zov" / "b.txt"), "b");

  // A change of letter case is a rename of the same entry.
  EXPECT_TRUE(fs::rename("C:\\ZOV\\a.txt", "C:\\ZOV\\A.TXT"));
  EXPECT_EQ(readHostFile(drives.host('C') / "zov" / "A.TXT"), "a");
  EXPECT_FALSE(stdfs::exists(drives.host('C') / "zov" / "a.txt"));

  EXPECT_FALSE(fs::rename("C:\\ZOV\\missing", "C:\\ZOV\\other"));
  EXPECT_FALSE(fs::rename("C:\\ZOV\\b.txt", "C:\\nowhere\\b.txt"));
  EXPECT_FALSE(fs::rename("C:\\", "C:\\root"));
}

// --- directory trees ---------------------------------------------------------------------

TEST_F(FsTest, MakeDirCreatesMissingParents) {
  EXPECT_TRUE(fs::makeDir("C:\\zov\\ums_43F\\deep"));
  EXPECT_TRUE(stdfs::is_directory(drives.host('C') / "zov" / "ums_43F" / "deep"));
  EXPECT_TRUE(fs::makeDir("C:\\ZOV\\UMS_43F"));  // exists already: fine, no second folder
  EXPECT_EQ(std::distance(stdfs::directory_iterator(drives.host('C') / "zov"), stdfs::directory_iterator()),
            1);
  writeHostFile(drives.host('C') / "file", "x");
  EXPECT_FALSE(fs::makeDir("C:\\file"));
  EXPECT_FALSE(fs::makeDir("C:\\file\\sub"));
}

TEST_F(FsTest, RemoveTreeRemovesEverythingBelow) {
  stdfs::path t = drives.host('C') / "zov" / "ZOV_SICH_U43E_2017_01_03";
  writeHostFile(t / "ini.dbf", "x");
  writeHostFile(t / "sub" / "deeper" / "y.txt", "y");
  writeHostFile(t / ".hidden", "h");
  writeHostFile(drives.host('D') / "keep.txt", "outside");
  stdfs::create_symlink(drives.host('D') / "keep.txt", t / "link-to-outside");
  stdfs::create_directory_symlink(drives.host('D'), t / "dirlink-to-outside");

  EXPECT_TRUE(fs::removeTree("C:\\ZOV\\zov_sich_u43e_2017_01_03"));
  EXPECT_FALSE(stdfs::exists(t));
  EXPECT_EQ(readHostFile(drives.host('D') / "keep.txt"), "outside");  // links were not followed
  EXPECT_TRUE(fs::removeTree("C:\\ZOV\\never-there"));                // gone is gone
  EXPECT_TRUE(stdfs::is_directory(drives.host('C') / "zov"));
}

TEST_F(FsTest, RemoveTreeNeverRemovesADriveRootOrAFile) {
  writeHostFile(drives.host('C') / "zov" / "ini.dbf", "x");
  for (const char* p : {"C:\\", "C:\\ZOV\\..", "C:", "c:/"}) {
    SCOPED_TRACE(p);
    EXPECT_FALSE(fs::removeTree(p));
  }
  EXPECT_FALSE(fs::removeTree("C:\\ZOV\\ini.dbf"));
  EXPECT_EQ(readHostFile(drives.host('C') / "zov" / "ini.dbf"), "x");
}

}  // namespace
