// Carrying calls over to the window thread.
#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace platform::gui::detail {

bool onGuiThread();
// Runs fn on the window thread and waits for it (directly when already there). An exception
// raised by fn is raised again in the caller. Without a window system: RuntimeFailure.
void runOnGui(const std::function<void()>& fn);
// Runs fn on the window thread later, without waiting (nothing without a window system).
void postToGui(std::function<void()> fn);

template <class F>
auto onGui(F&& f) -> decltype(f()) {
  using R = decltype(f());
  if constexpr (std::is_void_v<R>) {
    runOnGui(std::function<void()>(std::forward<F>(f)));
  } else {
    std::optional<R> result;
    runOnGui([&] { result.emplace(f()); });
    return std::move(*result);
  }
}

}  // namespace platform::gui::detail
