#include "platform/thread/thread.h"

#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

#include "platform/thread/program.h"

namespace platform::thread {

namespace {

struct Registry {
  std::mutex mutex;
  std::condition_variable wake;
  std::list<std::thread> threads;
  bool stopping = false;
};

Registry& registry() {
  static Registry r;
  return r;
}

thread_local core::Value tCargo;
thread_local std::string tName;

}  // namespace

void start(const std::string& name, Body body) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.stopping = false;
  r.threads.emplace_back([name, body = std::move(body)] {
    tName = name;
    try {
      body();
    } catch (const ThreadStop&) {
      // The program is ending; the thread just stops.
    } catch (const core::ProgramEnd& end) {
      handleProgramEnd(end);
    } catch (const core::RuntimeFailure& failure) {
      handleProgramEnd(core::ProgramEnd{1, std::string("Laufzeitfehler: ") + failure.what()});
    }
    tCargo = core::Value();
  });
}

core::Value& cargo() {
  return tCargo;
}

std::string currentName() {
  return tName;
}

void sleepHundredths(long n) {
  Registry& r = registry();
  std::unique_lock lock(r.mutex);
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(n > 0 ? n * 10 : 0);
  r.wake.wait_until(lock, until, [&] { return r.stopping; });
  if (r.stopping && !tName.empty()) throw ThreadStop{};
}

void stopAll() {
  Registry& r = registry();
  std::list<std::thread> threads;
  {
    std::lock_guard lock(r.mutex);
    r.stopping = true;
    threads.swap(r.threads);
  }
  r.wake.notify_all();
  for (auto& t : threads) {
    if (t.get_id() == std::this_thread::get_id()) {
      t.detach();  // a thread cannot wait for itself; it ends when its body returns
    } else if (t.joinable()) {
      t.join();
    }
  }
}

bool stopping() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.stopping;
}

}  // namespace platform::thread
