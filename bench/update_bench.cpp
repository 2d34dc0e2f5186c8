// Benchmarks of the update steps. Each figure is printed as a ratio against a baseline measured
// in the same run on the same machine:
//   - the backup (makeBackup) of 500 files, 200 MB, against `cp -r` of the same folder;
//   - the download (XNVDOWN) of 50 files of 2 MB from a loopback server against `curl`
//     fetching the same URLs;
//   - the peak memory of fetching a 200 MB program file in parts (XHTTP_READ_FILE), in a child
//     process, against the file's size (at most 2.5) and against an idle child;
//   - XTEXTTOARRAY on 10,000 and 100,000 rows: time per row of the large text against the
//     small one (1.0 is linear growth).
// Not a test: it prints figures and says whether the memory bound holds (exit code 1 if not).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/update/backup.h"
#include "app/update/download.h"
#include "app/update/manifest.h"
#include "core/globals.h"
#include "net/http_download.h"
#include "net/server.h"
#include "platform/fs/fs.h"
#include "platform/gui/application.h"
#include "platform/thread/thread.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_drives.h"
#include "ui/classes/classes.h"

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

double seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// The fastest of n runs of body; prepare runs before each, untimed.
double fastest(int n, const std::function<void()>& prepare, const std::function<void()>& body) {
  double best = 1e300;
  for (int i = 0; i < n; ++i) {
    prepare();
    auto t0 = Clock::now();
    body();
    best = std::min(best, seconds(Clock::now() - t0));
  }
  return best;
}

// Bytes that do not compress or repeat in an obvious way.
std::string bytes(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  unsigned x = seed * 2654435761u + 1;
  for (auto& c : s) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x & 0xFF);
  }
  return s;
}

void writeHost(const stdfs::path& p, const std::string& content) {
  stdfs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

int shell(const std::string& command) {
  int rc = std::system(command.c_str());
  if (rc != 0) std::fprintf(stderr, "command failed (%d): %s\n", rc, command.c_str());
  return rc;
}

std::string shellQuoted(const std::string& s) {
  std::string q;
  q.reserve(s.size() + 2);
  q += '\'';
  q += s;
  q += '\'';
  return q;
}
std::string shellQuoted(const stdfs::path& p) {
  return shellQuoted(p.string());
}

// Dirty pages of the previous run must not be written back during the next one.
void settle() {
  ::sync();
}

// --- backup ---------------------------------------------------------------------------------

void benchBackup(const testing_support::TempDrives& drives) {
  constexpr int kFiles = 500;
  constexpr std::size_t kTotal = 200 * kMiB;
  const stdfs::path zov = drives.host('C') / "ZOV";
  std::size_t total = 0;
  for (int i = 0; i < kFiles; ++i) {
    std::size_t size = kTotal / kFiles + (i == 0 ? kTotal % kFiles : 0);
    writeHost(zov / ("datei" + std::to_string(i) + ".dbf"), bytes(size, static_cast<unsigned>(i)));
    total += size;
  }
  auto& g = core::globals();
  g.declare("nSiz1", 0);
  g.declare("nAnz1", 0);
  g.declare("nStepR", 0);

  std::string made;
  const double ours = fastest(
      3,
      [&] {
        if (!made.empty()) platform::fs::removeTree(made);
        settle();
      },
      [&] { made = app::makeBackup("C:\\ZOV\\", "4.3F", "Hotel Alpenhof"); });
  platform::fs::removeTree(made);
  const stdfs::path copy = drives.root() / "cp-copy";
  const double cp = fastest(
      3,
      [&] {
        stdfs::remove_all(copy);
        settle();
      },
      [&] { shell("cp -r " + shellQuoted(zov) + " " + shellQuoted(copy)); });
  stdfs::remove_all(copy);
  stdfs::remove_all(zov);

  std::printf("backup    %d files, %.1f MB: makeBackup %.3f s, cp -r %.3f s   ratio %.2f\n", kFiles,
              static_cast<double>(total) / kMiB, ours, cp, ours / cp);
}

// --- download -------------------------------------------------------------------------------

void benchDownload(const testing_support::TempDrives& drives, testing_support::HttpServer& server) {
  constexpr int kFiles = 50;
  constexpr std::size_t kSize = 2 * kMiB;
  const stdfs::path program = drives.root() / "server" / "zov" / "program";
  server.serveFiles(program, "/zov/program/");
  // The program file is kept in parts on the server, as the download expects.
  const std::string exe = bytes(kSize, 999);
  char header[16];
  std::snprintf(header, sizeof header, "%010zu", exe.size());
  writeHost(program / "zov.exeD" / "part.001", header + exe);
  std::string manifest = "zov.exe\t4.3G\r\n";
  std::vector<std::string> urls = {server.baseUrl() + "/zov/program/dir_upd.txt",
                                   server.baseUrl() + "/zov/program/zov.exeD/part.001"};
  for (int i = 1; i < kFiles; ++i) {
    const std::string name = "modul" + std::to_string(i) + ".dll";
    writeHost(program / name, bytes(kSize, static_cast<unsigned>(i)));
    manifest += name + "\t4.3G\r\n";
    urls.push_back(server.baseUrl() + "/zov/program/" + name);
  }
  writeHost(program / "dir_upd.txt", manifest);
  stdfs::create_directories(drives.host('C') / "ZOV");

  app::DownloadResult result;
  const stdfs::path staging = drives.host('C') / "ZOV" / "ums_43G";
  const double ours = fastest(
      3,
      [&] {
        // A complete earlier download would be taken as it is.
        stdfs::remove_all(staging);
        settle();
      },
      [&] { result = app::XNVDOWN("U", "4.3F", "C:\\ZOV\\"); });
  if (result.code != 1) std::fprintf(stderr, "download failed: %s\n", result.text.c_str());

  const stdfs::path out = drives.root() / "curl-out";
  std::string command = "curl -s -S --fail";
  for (std::size_t i = 0; i < urls.size(); ++i) {
    command += " -o ";
    command += shellQuoted(out / std::to_string(i));
    command += ' ';
    command += shellQuoted(urls[i]);
  }
  const double curl = fastest(
      3,
      [&] {
        stdfs::remove_all(out);
        stdfs::create_directories(out);
        settle();
      },
      [&] { shell(command); });
  stdfs::remove_all(out);

  std::printf("download  %d files of %zu MB: XNVDOWN %.3f s, curl %.3f s   ratio %.2f\n", kFiles,
              kSize / kMiB, ours, curl, ours / curl);
}

// --- peak memory of a split program file ----------------------------------------------------------

// The peak resident size of this process in bytes (VmHWM), or -1.
long long ownPeak() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6)) * 1024;  // in kB
  return -1;
}

// Runs this program again as a child and returns the peak resident size it reports, or -1.
// (The child measures itself: a spawned child's rusage would also count the parent's memory
// that it shared until it started.)
long long childPeak(const char* self, const std::vector<std::string>& args) {
  std::string command = shellQuoted(std::string(self));
  for (const auto& a : args) {
    command += ' ';
    command += shellQuoted(a);
  }
  FILE* child = ::popen(command.c_str(), "r");
  if (!child) return -1;
  char buf[128] = {};
  std::string out;
  while (std::fgets(buf, sizeof buf, child)) out += buf;
  const int status = ::pclose(child);
  if (status != 0 || out.empty()) {
    std::fprintf(stderr, "child %s ended with status %d\n", args.front().c_str(), status);
    return -1;
  }
  return std::stoll(out);
}

// The child: fetch the split file (or do nothing but the same start), check its length and
// print its own peak resident size.
int fetchChild(int argc, char** argv) {
  if (argc != 5) return 2;
  const std::string mode = argv[1], baseUrl = argv[2];
  const std::size_t expected = std::stoull(argv[4]);
  net::setUpdateServerUrl(baseUrl);
  platform::thread::cargo() = ui::classes::ZTHREAD().create();
  if (mode == "--fetch-child") {
    const std::string file = net::XHTTP_READ_FILE(baseUrl + "/zov/program/" + argv[3]);
    if (file.size() != expected) return 3;
  }
  std::printf("%lld\n", ownPeak());
  return 0;
}

bool benchSplitFileMemory(const char* self, const testing_support::TempDrives& drives,
                          testing_support::HttpServer& server) {
  constexpr std::size_t kSize = 200 * kMiB;
  constexpr std::size_t kPart = 10 * kMiB;
  const stdfs::path dir = drives.root() / "server" / "zov" / "program" / "gross.exeD";
  for (std::size_t offset = 0, n = 1; offset < kSize; offset += kPart, ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "part.%03zu", n);
    std::string part = bytes(std::min(kPart, kSize - offset), static_cast<unsigned>(n));
    if (n == 1) {
      char header[16];
      std::snprintf(header, sizeof header, "%010zu", kSize);
      part = header + part;
    }
    writeHost(dir / name, part);
  }
  const std::string size = std::to_string(kSize);
  const long long idle = childPeak(self, {"--idle-child", server.baseUrl(), "gross.exe", size});
  const long long peak = childPeak(self, {"--fetch-child", server.baseUrl(), "gross.exe", size});
  stdfs::remove_all(dir);
  if (idle < 0 || peak < 0) {
    std::printf("split file %zu MB: the child failed\n", kSize / kMiB);
    return false;
  }
  const double ratio = static_cast<double>(peak) / static_cast<double>(kSize);
  const bool ok = ratio <= 2.5;
  std::printf(
      "split file %zu MB via XHTTP_READ_FILE: peak RSS %.1f MB (idle child %.1f MB)   "
      "peak/file %.2f, (peak-idle)/file %.2f, limit 2.5: %s\n",
      kSize / kMiB, static_cast<double>(peak) / kMiB, static_cast<double>(idle) / kMiB, ratio,
      static_cast<double>(peak - idle) / static_cast<double>(kSize), ok ? "OK" : "EXCEEDED");
  return ok;
}

// --- splitting a manifest -----------------------------------------------------------------------

void benchSplitting() {
  auto text = [](int rows) {
    std::string s;
    for (int i = 0; i < rows; ++i) {
      const std::string n = std::to_string(i);
      s += "sub\\datei" + n + ".dll\t4.3G\tdatei" + n + ".dll\r\n";
    }
    return s;
  };
  const std::string small = text(10000), large = text(100000), huge = text(1000000);
  std::size_t rows = 0;
  // Many runs each, the fastest counts: the figure is the work, not the machine's other load.
  const double tSmall = fastest(
      50, [] {}, [&] { rows += app::XTEXTTOARRAY(small).size(); });
  const double tLarge = fastest(
      10, [] {}, [&] { rows += app::XTEXTTOARRAY(large).size(); });
  const double tHuge = fastest(
      3, [] {}, [&] { rows += app::XTEXTTOARRAY(huge).size(); });
  const double perSmall = tSmall / 1e4, perLarge = tLarge / 1e5, perHuge = tHuge / 1e6;
  std::printf(
      "XTEXTTOARRAY 10,000 rows %.2f ms (%.0f ns/row), 100,000 rows %.2f ms (%.0f ns/row)   "
      "per-row ratio %.2f (1.00 = linear, 10 = quadratic)\n",
      tSmall * 1e3, perSmall * 1e9, tLarge * 1e3, perLarge * 1e9, perLarge / perSmall);
  // The small text's rows fit the processor's caches, the large ones do not; a tenfold larger
  // text again shows whether the time per row still grows.
  std::printf("XTEXTTOARRAY 1,000,000 rows %.1f ms (%.0f ns/row)   per-row ratio to 100,000 rows %.2f%s\n",
              tHuge * 1e3, perHuge * 1e9, perHuge / perLarge, rows == 0 ? " (no rows!)" : "");
}

int runAll(const char* self) {
  platform::thread::cargo() = ui::classes::ZTHREAD().create();
  testing_support::TempDrives drives;
  testing_support::HttpServer server;
  net::setUpdateServerUrl(server.baseUrl());
  std::printf("update_bench: every figure is a ratio against a baseline measured in this run\n");
  std::fflush(stdout);
  benchBackup(drives);
  std::fflush(stdout);
  benchDownload(drives, server);
  std::fflush(stdout);
  const bool memoryOk = benchSplitFileMemory(self, drives, server);
  std::fflush(stdout);
  benchSplitting();
  std::fflush(stdout);
  return memoryOk ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::string(argv[1]) == "--fetch-child" || std::string(argv[1]) == "--idle-child"))
    return fetchChild(argc, argv);
  const char* self = argv[0];
  return platform::gui::runWithWindowSystem(argc, argv, [self] { return runAll(self); });
}
