#include "data/hooks.h"

#include <cstdio>
#include <mutex>

#include "platform/thread/thread.h"

namespace data {

namespace {

struct Hooks {
  std::mutex mutex;
  MessageSink message;
  RuntimeErrorSink runtimeError;
  Pause pause;
};

Hooks& hooks() {
  static Hooks h;
  return h;
}

template <class F>
F current(F Hooks::*member) {
  std::lock_guard lock(hooks().mutex);
  return hooks().*member;
}

template <class F>
void replace(F Hooks::*member, F value) {
  std::lock_guard lock(hooks().mutex);
  hooks().*member = std::move(value);
}

}  // namespace

void setMessageSink(MessageSink sink) {
  replace(&Hooks::message, std::move(sink));
}

void showMessage(const std::string& text, const std::string& title) {
  if (auto sink = current(&Hooks::message)) return sink(text, title);
  std::fprintf(stderr, "%s%s%s\n", title.c_str(), title.empty() ? "" : ": ", text.c_str());
}

void setRuntimeErrorSink(RuntimeErrorSink sink) {
  replace(&Hooks::runtimeError, std::move(sink));
}

void reportRuntimeError(const std::string& symbol) {
  if (auto sink = current(&Hooks::runtimeError)) return sink(symbol);
  std::fprintf(stderr, "Laufzeitfehler: Variable nicht definiert: %s\n", symbol.c_str());
}

void setPause(Pause p) {
  replace(&Hooks::pause, std::move(p));
}

void pause(int seconds) {
  if (auto p = current(&Hooks::pause)) return p(seconds);
  platform::thread::sleepHundredths(100L * seconds);
}

}  // namespace data
