// Waiting of a program thread for the window thread's answer (a box, a dialog): the wait ends
// when the answer is there, or unwinds the thread when the program is ending.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/thread/thread.h"

namespace platform::gui::detail {

template <class Pred>
void waitForAnswer(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, Pred answered) {
  while (!answered()) {
    cv.wait_for(lock, std::chrono::milliseconds(50));
    if (!answered() && platform::thread::stopping() && !platform::thread::currentName().empty())
      throw platform::thread::ThreadStop{};
  }
}

}  // namespace platform::gui::detail
