// Guarded sections and the thread's error state. The calling thread's cargo (its zThread)
// has the member nErrStat: an operation sets it to its code before a section that may fail
// inside the platform; a failure raised inside ends the section and sets nErrStat to 0.
#pragma once

#include <functional>

namespace platform {

// nErrStat of the calling thread's cargo; a thread without a zThread cargo raises
// RuntimeFailure, as reading a member of NIL does.
long errStat();
void setErrStat(long code);

// Sets nErrStat to code and runs body; a core::RuntimeFailure raised inside ends the body and
// sets nErrStat to 0. Returns true when the body completed (nErrStat still holds code).
bool guarded(long code, const std::function<void()>& body);

}  // namespace platform
