#include "platform/dbf/locks.h"

#include "core/failure.h"

namespace platform::dbf::locks {

void claimShareMode(OsFile& file, bool exclusive) {
  if (!file.tryLock(kShareMode, 1, exclusive))
    throw core::RuntimeFailure((exclusive ? "file is in use: " : "file is opened exclusively elsewhere: ") +
                               file.path().string());
}

ShortLock::ShortLock(OsFile& file, bool needed, bool exclusive, const char* what) {
  if (!needed) return;
  if (!file.lockWithin(kHeader, 1, exclusive, kShortLockWaitMs))
    throw core::RuntimeFailure(std::string(what) + " stays locked: " + file.path().string());
  file_ = &file;
}

ShortLock::~ShortLock() {
  if (file_ == nullptr) return;
  try {
    file_->unlock(kHeader, 1);
  } catch (...) {
    // The lock ends with the file at the latest; nothing better to do in a destructor.
  }
}

}  // namespace platform::dbf::locks
