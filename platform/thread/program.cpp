#include "platform/thread/program.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {

namespace {
std::mutex& handlerLock() {
  static std::mutex m;
  return m;
}
EndHandler& handler() {
  static EndHandler h;
  return h;
}
}  // namespace

void endProgram(int exitCode, const std::string& reason) {
  throw core::ProgramEnd{exitCode, reason};
}

void setEndHandler(EndHandler h) {
  std::lock_guard lock(handlerLock());
  handler() = std::move(h);
}

void handleProgramEnd(const core::ProgramEnd& end) {
  EndHandler h;
  {
    std::lock_guard lock(handlerLock());
    h = handler();
  }
  if (h) {
    h(end);
    return;
  }
  if (!end.reason.empty()) std::fprintf(stderr, "%s\n", end.reason.c_str());
  std::fflush(nullptr);
  std::_Exit(end.exitCode);
}

}  // namespace platform
