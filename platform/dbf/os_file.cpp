#include "platform/dbf/os_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/failure.h"

namespace platform::dbf {

namespace {

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path) {
  throw core::RuntimeFailure(what + ": " + path.string() + " (" + std::strerror(errno) + ")");
}

}  // namespace

OsFile::OsFile(const std::filesystem::path& path, Mode mode) : path_(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::ReadOnly:
      flags |= O_RDONLY;
      break;
    case Mode::ReadWrite:
      flags |= O_RDWR;
      break;
    case Mode::Create:
      flags |= O_RDWR | O_CREAT;  // emptied by the caller once it holds the file exclusively
      break;
  }
  fd_ = ::open(path.c_str(), flags, 0666);
  if (fd_ < 0) fail("cannot open", path);
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    errno = EISDIR;
    fail("not a plain file", path);
  }
  writable_ = mode != Mode::ReadOnly;
}

OsFile::~OsFile() {
  close();
}

OsFile::OsFile(OsFile&& other) noexcept
    : fd_(other.fd_), writable_(other.writable_), path_(std::move(other.path_)) {
  other.fd_ = -1;
}

OsFile& OsFile::operator=(OsFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    writable_ = other.writable_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

void OsFile::close() {
  if (fd_ >= 0) ::close(fd_);  // ends every lock of this open file description
  fd_ = -1;
}

std::uint64_t OsFile::size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) fail("cannot read the size of", path_);
  return static_cast<std::uint64_t>(st.st_size);
}

std::size_t OsFile::readSome(std::uint64_t offset, void* buffer, std::size_t n) const {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      fail("cannot read", path_);
    }
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  return done;
}

void OsFile::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
  if (readSome(offset, buffer, n) != n)
    throw core::RuntimeFailure("read past the end of " + path_.string() + " at offset " +
                               std::to_string(offset));
}

void OsFile::writeAt(std::uint64_t offset, const void* data, std::size_t n) {
  const auto* in = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < n) {
    ssize_t w = ::pwrite(fd_, in + done, n - done, static_cast<off_t>(offset + done));
    if (w < 0) {
      if (errno == EINTR) continue;
      fail("cannot write", path_);
    }
    done += static_cast<std::size_t>(w);
  }
}

void OsFile::truncate(std::uint64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) fail("cannot truncate", path_);
}

void OsFile::sync() {
  if (::fdatasync(fd_) != 0) fail("cannot commit", path_);
}

bool OsFile::tryLock(std::uint64_t offset, std::uint64_t length, bool exclusive) {
  struct flock fl {};
  fl.l_type = static_cast<short>((exclusive && writable_) ? F_WRLCK : F_RDLCK);
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;  // required for open-file-description locks
  for (;;) {
    if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) return true;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) return false;
    fail("cannot lock", path_);
  }
}

bool OsFile::lockWithin(std::uint64_t offset, std::uint64_t length, bool exclusive, int timeoutMs) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (int round = 0;; ++round) {
    if (tryLock(offset, length, exclusive)) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    // Locks of this kind are held for one short operation: poll quickly, then back off.
    std::this_thread::sleep_for(std::chrono::microseconds(round < 20 ? 50 : 2000));
  }
}

void OsFile::unlock(std::uint64_t offset, std::uint64_t length) {
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;
  while (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
    if (errno != EINTR) fail("cannot unlock", path_);
  }
}

}  // namespace platform::dbf
