// Where the engine's locks lie in the files, the Clipper way, so that other xBase programs
// and the running ZOV see them:
//   header/append lock   1,000,000,000      length 1
//   record n             1,000,000,000 + n  length 1
//   file lock            1,000,000,001      length 1,000,000,000 (covers every record lock)
// The same header offset of an index file guards its pages while they change.
//
// Share mode: every opener of a table, memo or index file holds a lock on one byte far beyond
// the Clipper ranges, shared when it opened the file shared, exclusive when it opened it
// exclusively. An exclusive opener therefore fails while anybody has the file open, and every
// opener fails while somebody has it exclusively, as Windows share modes do.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dbf/os_file.h"

namespace platform::dbf::locks {

inline constexpr std::uint64_t kHeader = 1'000'000'000ULL;
inline constexpr std::uint64_t kFileStart = 1'000'000'001ULL;
inline constexpr std::uint64_t kFileLength = 1'000'000'000ULL;
inline constexpr std::uint64_t kShareMode = 0x7FFF'FFFF'0000'0000ULL;
// How long a short lock (header, index pages) may be waited for before the operation fails.
inline constexpr int kShortLockWaitMs = 10'000;

inline std::uint64_t record(std::uint32_t n) {
  return kHeader + n;
}

// Takes the share-mode byte; raises core::RuntimeFailure (a share violation) when refused.
void claimShareMode(OsFile& file, bool exclusive);

// Holds a short lock for one operation and waits a bounded time for it; raises
// core::RuntimeFailure when the lock stays held elsewhere. Does nothing when not needed.
class ShortLock {
 public:
  ShortLock(OsFile& file, bool needed, bool exclusive, const char* what);
  ~ShortLock();
  ShortLock(const ShortLock&) = delete;
  ShortLock& operator=(const ShortLock&) = delete;

 private:
  OsFile* file_ = nullptr;
};

}  // namespace platform::dbf::locks
