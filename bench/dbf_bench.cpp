// The table engine's figures, each as a ratio against a baseline measured in the same run:
//   full scan        engine (every field of every record)   / raw read of the same file
//   seek             seek in 10k and 100k rows               / seek in 1k rows (logarithmic
//                    growth keeps these near log(n)/log(1k), far below the linear 10 and 100)
//   append           append with two indexes                 / append without indexes
//   lock scan        the active-user scan of a 10,000-row user table (walk, try each record
//                    lock, release at the close) / a plain loop of lock attempts on the file
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "platform/dbf/locks.h"
#include "platform/dbf/table.h"

using namespace platform::dbf;
namespace fs = std::filesystem;

namespace {

const fs::path& dir() {
  static const fs::path d = [] {
    fs::path p = fs::temp_directory_path() / ("zov-dbf-bench-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return d;
}

std::string idOf(int i) {
  std::string id = "K";
  id += std::to_string((i * 7919L) % 1000003);
  return id;
}

// people<N>.dbf with an index on UPPER(ID), made once per size.
fs::path people(int rows) {
  fs::path p = dir() / ("people" + std::to_string(rows) + ".dbf");
  if (fs::exists(p)) return p;
  Table::create(p, {{"ID", 'C', 10, 0}, {"NR", 'N', 8, 0}, {"NAME", 'C', 30, 0}, {"D", 'D', 8, 0}});
  Table t(p, OpenOptions{true});
  for (int i = 0; i < rows; ++i) {
    t.append();
    t.put("ID", core::Value(idOf(i)));
    t.put("NR", core::Value(i));
    t.put("NAME", core::Value("Gast Nummer " + std::to_string(i)));
    t.put("D", core::Value(core::Date::fromYmd(2000 + i % 25, 1 + i % 12, 1 + i % 28)));
  }
  fs::path ntx = p;
  t.createIndex(ntx.replace_extension(".ntx"), "UPPER(ID)");
  return p;
}

void BM_ScanRawRead(benchmark::State& state) {
  const fs::path p = people(100000);
  std::vector<char> buf(64 * 1024);
  for (auto _ : state) {
    int fd = ::open(p.c_str(), O_RDONLY);
    unsigned long sum = 0;
    for (ssize_t n; (n = ::read(fd, buf.data(), buf.size())) > 0;)
      for (ssize_t i = 0; i < n; ++i) sum += static_cast<unsigned char>(buf[static_cast<std::size_t>(i)]);
    ::close(fd);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_ScanRawRead)->Unit(benchmark::kMillisecond);

void BM_ScanEngine(benchmark::State& state) {
  const fs::path p = people(100000);
  for (auto _ : state) {
    Table t(p, OpenOptions{true, true});
    std::size_t n = 0;
    for (t.goTop(); !t.eof(); t.skip(1))
      for (int f = 0; f < 4; ++f) n += t.get(f).size();
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_ScanEngine)->Unit(benchmark::kMillisecond);

void BM_Seek(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const fs::path p = people(rows);
  fs::path ntx = p;
  Table t(p, OpenOptions{true, true});
  t.orderListAdd(ntx.replace_extension(".ntx"));
  std::mt19937 rng(1);
  for (auto _ : state) {
    bool found = t.seek(core::Value(idOf(static_cast<int>(rng() % static_cast<unsigned>(rows)))));
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_Seek)->Arg(1000)->Arg(10000)->Arg(100000);

void appendRows(benchmark::State& state, bool indexed) {
  const fs::path p = dir() / (indexed ? "append2.dbf" : "append0.dbf");
  Table::create(p, {{"ID", 'C', 10, 0}, {"NR", 'N', 8, 0}, {"NAME", 'C', 30, 0}});
  Table t(p, OpenOptions{true});
  if (indexed) {
    fs::path a = p, b = p;
    t.createIndex(a.replace_extension(".ntx"), "UPPER(ID)");
    t.createIndex(b.replace_filename("append2_nr.ntx"), "NR");
  }
  int i = 0;
  for (auto _ : state) {
    t.append();
    t.put("ID", core::Value(idOf(i)));
    t.put("NR", core::Value(i));
    t.put("NAME", core::Value("neu"));
    ++i;
  }
  t.commit();
}
void BM_AppendNoIndex(benchmark::State& state) {
  appendRows(state, false);
}
void BM_AppendTwoIndexes(benchmark::State& state) {
  appendRows(state, true);
}
BENCHMARK(BM_AppendNoIndex);
BENCHMARK(BM_AppendTwoIndexes);

fs::path users() {
  fs::path p = dir() / "user.dbf";
  if (fs::exists(p)) return p;
  Table::create(p, {{"ID", 'C', 10, 0}, {"NAME", 'C', 30, 0}});
  Table t(p, OpenOptions{true});
  for (int i = 0; i < 10000; ++i) {
    t.append();
    std::string id = "U";
    id += std::to_string(i);
    t.put("ID", core::Value(id));
  }
  return p;
}

void BM_LockScanPlainLoop(benchmark::State& state) {
  const fs::path p = users();
  for (auto _ : state) {
    int fd = ::open(p.c_str(), O_RDWR);
    int got = 0;
    for (std::uint32_t n = 1; n <= 10000; ++n) {
      struct flock fl {};
      fl.l_type = F_WRLCK;
      fl.l_whence = SEEK_SET;
      fl.l_start = static_cast<off_t>(locks::record(n));
      fl.l_len = 1;
      got += ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
    }
    ::close(fd);
    benchmark::DoNotOptimize(got);
  }
}
BENCHMARK(BM_LockScanPlainLoop)->Unit(benchmark::kMillisecond);

void BM_LockScanEngine(benchmark::State& state) {
  const fs::path p = users();
  for (auto _ : state) {
    Table t(p);  // shared, as the scan opens it
    int active = 0;
    for (t.goTop(); !t.eof(); t.skip(1)) active += !t.lockRecord(t.recNo());
    t.close();
    benchmark::DoNotOptimize(active);
  }
}
BENCHMARK(BM_LockScanEngine)->Unit(benchmark::kMillisecond);

// Prints what Google Benchmark measures and keeps each run's real time for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) ns_[r.benchmark_name()] = r.GetAdjustedRealTime() * unitNs(r.time_unit);
  }
  double ns(const std::string& name) const {
    auto it = ns_.find(name);
    return it == ns_.end() ? NAN : it->second;
  }

 private:
  static double unitNs(benchmark::TimeUnit u) {
    switch (u) {
      case benchmark::kSecond:
        return 1e9;
      case benchmark::kMillisecond:
        return 1e6;
      case benchmark::kMicrosecond:
        return 1e3;
      default:
        return 1;
    }
  }
  std::map<std::string, double> ns_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto ratio = [&](const char* what, const std::string& a, const std::string& b, const char* note) {
    std::printf("%-44s %8.2f  %s\n", what, reporter.ns(a) / reporter.ns(b), note);
  };
  std::printf("\nratios (against baselines measured in this run)\n");
  ratio("full scan, 100k rows / raw read of the file", "BM_ScanEngine", "BM_ScanRawRead", "");
  ratio("seek in 10k rows / seek in 1k rows", "BM_Seek/10000", "BM_Seek/1000",
        "(logarithmic: one more page level; linear would be 10)");
  ratio("seek in 100k rows / seek in 1k rows", "BM_Seek/100000", "BM_Seek/1000",
        "(logarithmic: two more page levels; linear would be 100)");
  ratio("append with two indexes / without", "BM_AppendTwoIndexes", "BM_AppendNoIndex", "");
  ratio("lock scan of 10k users / plain lock loop", "BM_LockScanEngine", "BM_LockScanPlainLoop", "");
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(dir(), ec);
  return 0;
}
