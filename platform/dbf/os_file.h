// One open file of the host and its byte-range locks. This is the only place of the engine
// that talks to the operating system.
//
// Locks are open-file-description locks (F_OFD_SETLK on Linux): they belong to this open()
// of the file, not to the process, so two OsFile objects on the same file conflict exactly as
// two programs do (as LockFileEx does on Windows), and every lock ends when the file closes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform::dbf {

class OsFile {
 public:
  enum class Mode { ReadOnly, ReadWrite, Create };  // Create: read-write, made when missing

  OsFile() = default;
  // Raises core::RuntimeFailure when the file cannot be opened.
  OsFile(const std::filesystem::path& path, Mode mode);
  ~OsFile();
  OsFile(OsFile&& other) noexcept;
  OsFile& operator=(OsFile&& other) noexcept;
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  bool writable() const { return writable_; }
  const std::filesystem::path& path() const { return path_; }
  void close();

  std::uint64_t size() const;
  // Reads exactly n bytes at offset; a read past the end raises core::RuntimeFailure.
  void readAt(std::uint64_t offset, void* buffer, std::size_t n) const;
  // Reads up to n bytes; returns how many were there.
  std::size_t readSome(std::uint64_t offset, void* buffer, std::size_t n) const;
  void writeAt(std::uint64_t offset, const void* data, std::size_t n);
  void truncate(std::uint64_t size);
  void sync();

  // Byte-range locks without waiting: true when obtained. An exclusive lock on a read-only
  // file is taken as a shared one (the host refuses write locks there); it still conflicts
  // with every exclusive lock of other openers.
  bool tryLock(std::uint64_t offset, std::uint64_t length, bool exclusive);
  // Waits up to timeoutMs for the lock, polling; false when it was not obtained in time.
  bool lockWithin(std::uint64_t offset, std::uint64_t length, bool exclusive, int timeoutMs);
  void unlock(std::uint64_t offset, std::uint64_t length);

 private:
  int fd_ = -1;
  bool writable_ = false;
  std::filesystem::path path_;
};

}  // namespace platform::dbf
