#include "platform/gui/events.h"

#include <chrono>

#include "platform/gui/codes.h"
#include "platform/thread/thread.h"

namespace platform::gui {

namespace {
thread_local std::shared_ptr<EventQueue> tQueue;

bool unwindWhenEnding() {
  return platform::thread::stopping() && !platform::thread::currentName().empty();
}
}  // namespace

void EventQueue::post(Event e) {
  {
    std::lock_guard lock(mutex_);
    newest_ = e;
    if (e.code == ev::kMotion && !events_.empty() && events_.back().code == ev::kMotion &&
        events_.back().obj == e.obj) {
      events_.back() = std::move(e);
    } else {
      events_.push_back(std::move(e));
    }
  }
  arrived_.notify_all();
}

Event EventQueue::take(long timeoutHundredths) {
  using Clock = std::chrono::steady_clock;
  const bool forever = timeoutHundredths < 0;
  const auto until = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutHundredths * 10);
  std::unique_lock lock(mutex_);
  while (events_.empty()) {
    if (unwindWhenEnding()) throw platform::thread::ThreadStop{};
    auto step = Clock::now() + std::chrono::milliseconds(50);
    if (!forever) {
      if (Clock::now() >= until) return Event{};
      if (until < step) step = until;
    }
    arrived_.wait_until(lock, step);
  }
  Event e = std::move(events_.front());
  events_.pop_front();
  return e;
}

Event EventQueue::newest() const {
  std::lock_guard lock(mutex_);
  return newest_;
}

std::size_t EventQueue::pending() const {
  std::lock_guard lock(mutex_);
  return events_.size();
}

void EventQueue::clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
  newest_ = Event{};
}

std::shared_ptr<EventQueue> threadQueue() {
  if (!tQueue) tQueue = std::make_shared<EventQueue>();
  return tQueue;
}

Event nextEvent(long timeoutHundredths) {
  return threadQueue()->take(timeoutHundredths);
}

void handleEvent(const Event& e) {
  if (e.code == ev::kNone || !e.obj) return;
  e.obj->handleEvent(e);
}

int drainEvents(long timeoutHundredths) {
  int handled = 0;
  for (;;) {
    Event e = nextEvent(timeoutHundredths);
    if (e.code == ev::kNone) return handled;
    handleEvent(e);
    ++handled;
  }
}

}  // namespace platform::gui
