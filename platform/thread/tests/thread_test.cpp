// Program threads: started by name, each with its own cargo, sleeping in hundredths, ended
// together; guarded sections report a failure through nErrStat.
#include "platform/thread/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

#include "core/failure.h"
#include "core/object.h"
#include "platform/thread/guard.h"
#include "platform/thread/program.h"

namespace thread = platform::thread;
using Clock = std::chrono::steady_clock;

namespace {

// The thread cargo of the framework, as far as these tests need it.
const core::ClassDef& zThread() {
  return core::defineClass("zThread", {"nErrStat", "lHG"}, [](core::Object& self) {
    self.set("nErrStat", core::Value(0));
    self.set("lHG", core::Value(false));
  });
}

class ThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setEndHandler([this](const core::ProgramEnd& end) {
      std::lock_guard lock(mutex_);
      ends_.push_back(end);
    });
  }
  void TearDown() override {
    thread::stopAll();
    platform::setEndHandler({});
    thread::cargo() = core::Value();
  }
  std::vector<core::ProgramEnd> ends() {
    std::lock_guard lock(mutex_);
    return ends_;
  }

 private:
  std::mutex mutex_;
  std::vector<core::ProgramEnd> ends_;
};

TEST_F(ThreadTest, AThreadHasItsNameAndItsOwnCargo) {
  thread::cargo() = core::Value(zThread().create());
  platform::setErrStat(103);

  std::promise<std::string> name;
  std::promise<bool> cargoWasNil;
  std::promise<long> ownErrStat;
  std::atomic<bool> mayEnd{false};
  thread::start("Upd_Progress", [&] {
    name.set_value(thread::currentName());
    cargoWasNil.set_value(thread::cargo().isNil());
    thread::cargo() = core::Value(zThread().create());
    platform::setErrStat(10);
    ownErrStat.set_value(platform::errStat());
    while (!mayEnd) thread::sleepHundredths(1);
  });
  EXPECT_EQ(name.get_future().get(), "Upd_Progress");
  EXPECT_TRUE(cargoWasNil.get_future().get());
  EXPECT_EQ(ownErrStat.get_future().get(), 10);
  EXPECT_EQ(platform::errStat(), 103);   // the other thread's cargo is its own
  EXPECT_EQ(thread::currentName(), "");  // the test's thread was not started by name
  mayEnd = true;
}

TEST_F(ThreadTest, SleepsInHundredthsOfASecond) {
  struct Case {
    long hundredths;
    std::chrono::milliseconds atLeast;
  };
  const Case cases[] = {{0, std::chrono::milliseconds(0)},
                        {-5, std::chrono::milliseconds(0)},
                        {20, std::chrono::milliseconds(200)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hundredths);
    std::promise<Clock::duration> slept;
    thread::start("Sleeper", [&] {
      auto start = Clock::now();
      thread::sleepHundredths(c.hundredths);
      slept.set_value(Clock::now() - start);
    });
    auto d = slept.get_future().get();
    // A sleep never ends before its time on the steady clock (a guarantee, not a race);
    // the upper bound only proves it did not hang.
    EXPECT_GE(d, c.atLeast);
    EXPECT_LT(d, c.atLeast + std::chrono::seconds(10));
    thread::stopAll();
  }
}

TEST_F(ThreadTest, StopAllWakesASleepingThread) {
  std::promise<void> asleep;
  std::atomic<bool> wokeNormally{false}, unwound{false};
  thread::start("Upd_Progress", [&] {
    struct Unwind {
      std::atomic<bool>& flag;
      ~Unwind() { flag = true; }
    } guard{unwound};
    asleep.set_value();
    thread::sleepHundredths(60000);  // ten minutes
    wokeNormally = true;
  });
  asleep.get_future().wait();
  EXPECT_FALSE(thread::stopping());
  auto start = Clock::now();
  thread::stopAll();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));  // did not sleep the ten minutes
  EXPECT_TRUE(unwound);
  EXPECT_FALSE(wokeNormally);
  EXPECT_TRUE(thread::stopping());
  EXPECT_TRUE(ends().empty());  // being stopped is no program end

  thread::start("Again", [] {});
  EXPECT_FALSE(thread::stopping());
}

TEST_F(ThreadTest, GuardedSectionsTurnAFailureIntoNErrStatZero) {
  thread::cargo() = core::Value(zThread().create());
  bool after = false;
  EXPECT_FALSE(platform::guarded(10, [&] {
    throw core::RuntimeFailure("connection refused");
    after = true;
  }));
  EXPECT_FALSE(after);
  EXPECT_EQ(platform::errStat(), 0);

  EXPECT_TRUE(platform::guarded(103, [] {}));
  EXPECT_EQ(platform::errStat(), 103);

  // Ending the program is no failure: it passes through the section.
  EXPECT_THROW(platform::guarded(10, [] { platform::endProgram(2, "Abbruch"); }), core::ProgramEnd);
}

TEST_F(ThreadTest, WithoutCargoNErrStatIsARuntimeFailure) {
  std::promise<bool> raised;
  thread::start("NoCargo", [&] {
    try {
      platform::errStat();
      raised.set_value(false);
    } catch (const core::RuntimeFailure&) {
      raised.set_value(true);
    }
  });
  EXPECT_TRUE(raised.get_future().get());
}

TEST_F(ThreadTest, AFailureLeavingAThreadEndsTheProgram) {
  thread::start("Failing", [] { throw core::RuntimeFailure("damaged table"); });
  thread::start("Quitting", [] { platform::endProgram(3, "Abbruch"); });
  thread::stopAll();  // waits for both
  auto got = ends();
  ASSERT_EQ(got.size(), 2u);
  std::sort(got.begin(), got.end(), [](const auto& a, const auto& b) { return a.exitCode < b.exitCode; });
  EXPECT_EQ(got[0].exitCode, 1);
  EXPECT_NE(got[0].reason.find("damaged table"), std::string::npos);
  EXPECT_EQ(got[1].exitCode, 3);
  EXPECT_EQ(got[1].reason, "Abbruch");
}

}  // namespace
