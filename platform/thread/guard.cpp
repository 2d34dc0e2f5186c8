#include "platform/thread/guard.h"

#include "core/failure.h"
#include "core/object.h"
#include "platform/thread/thread.h"

namespace platform {

long errStat() {
  return core::memberOf(thread::cargo(), "nErrStat").integer();
}

void setErrStat(long code) {
  core::setMember(thread::cargo(), "nErrStat", core::Value(code));
}

bool guarded(long code, const std::function<void()>& body) {
  setErrStat(code);
  try {
    body();
  } catch (const core::RuntimeFailure&) {
    setErrStat(0);
  }
  return errStat() == code;
}

}  // namespace platform
