// The event queues of the program threads. User events (button press, key, close, item
// selected, focus, mouse) go to the queue of the thread that made the window; that thread takes
// them with nextEvent and lets the addressed object handle them, so callbacks run on program
// threads. A watcher may read the newest event of another thread's queue without taking it.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "core/value.h"
#include "platform/gui/control.h"

namespace platform::gui {

struct Event {
  int code = 0;  // ev::kNone: no event
  core::Value mp1;
  core::Value mp2;
  Control::Ref obj;
};

class EventQueue {
 public:
  // Any thread. A mouse motion right behind another one for the same control replaces it, so a
  // queue that nobody reads does not grow with the mouse.
  void post(Event e);
  // Takes the oldest event, waiting at most timeout hundredths of a second (negative: until one
  // comes). An event with code ev::kNone when none came. When the program is ending, a program
  // thread that waits here is unwound (platform::thread::ThreadStop).
  Event take(long timeoutHundredths = -1);
  // The newest event posted, taken or not (code ev::kNone before the first).
  Event newest() const;
  std::size_t pending() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Event> events_;
  Event newest_;
};

// The calling thread's queue.
std::shared_ptr<EventQueue> threadQueue();
// Fetch from the calling thread's queue (see EventQueue::take).
Event nextEvent(long timeoutHundredths = -1);
// Lets the addressed object handle the event (nothing for ev::kNone).
void handleEvent(const Event& e);
// Fetches and handles the calling thread's events until none came for timeout hundredths;
// returns how many were handled.
int drainEvents(long timeoutHundredths = 1);

}  // namespace platform::gui
