#include "platform/fs/fs.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <system_error>

#include "core/failure.h"
#include "core/text.h"

#ifdef _WIN32
#include <windows.h>

#include <fstream>
#else
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace platform::fs {

namespace stdfs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------------------
// Process-wide state: drive table, current directory, program path.

struct State {
  std::mutex mutex;
  bool ready = false;
  std::array<std::optional<stdfs::path>, 26> drives;
  std::string currentDir;  // absolute program path with trailing backslash
  std::optional<std::string> programPath;
};

State& state() {
  static State s;
  return s;
}

int driveIndex(char letter) {
  char u = static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 32 : letter);
  if (u < 'A' || u > 'Z') return -1;
  return u - 'A';
}

stdfs::path normalHostDir(const stdfs::path& dir) {
  std::error_code ec;
  stdfs::path p = dir.is_absolute() ? dir : stdfs::absolute(dir, ec);
  if (ec) p = dir;
  p = p.lexically_normal();
  // "/tmp/x/" and "/tmp/x" name the same root; keep the form without the empty last element.
  if (p.has_relative_path() && p.filename().empty()) p = p.parent_path();
  return p;
}

void fillDrivesLocked(State& s) {
  s.drives.fill(std::nullopt);
#ifdef _WIN32
  // Windows: program paths are host paths; the table is not consulted.
#else
  s.drives[driveIndex('Z')] = stdfs::path("/");
  // Outside tests the installation's drives come from ZOV_DRIVE_<letter> host variables.
  for (char c = 'A'; c <= 'Z'; ++c) {
    std::string var = std::string("ZOV_DRIVE_") + c;
    if (const char* v = std::getenv(var.c_str()); v && *v) s.drives[driveIndex(c)] = normalHostDir(v);
  }
#endif
}

std::optional<std::string> fromHostLocked(const State& s, const stdfs::path& hostPath);

// The start state: the drive table from the host and the current directory of the process.
void startStateLocked(State& s) {
  fillDrivesLocked(s);
  std::error_code ec;
  stdfs::path cwd = stdfs::current_path(ec);
#ifdef _WIN32
  s.currentDir =
      ec ? std::string("C:\\") : core::fromUtf8(reinterpret_cast<const char*>(cwd.u8string().c_str()));
#else
  std::optional<std::string> w = ec ? std::nullopt : fromHostLocked(s, cwd);
  s.currentDir = w ? *w : std::string("Z:\\");
#endif
  if (s.currentDir.empty() || s.currentDir.back() != '\\') s.currentDir += '\\';
}

void ensureReadyLocked(State& s) {
  if (s.ready) return;
  s.ready = true;
  startStateLocked(s);
}

// ---------------------------------------------------------------------------------------
// Program path parsing. A path is a root ("C:\" or "\\server\share\") and components;
// "." and ".." are folded and ".." never climbs above the root.

struct Parsed {
  std::string root;  // "C:\" or "\\server\share\"
  std::vector<std::string> parts;
  bool trailingSlash = false;
  char drive() const { return root.size() == 3 && root[1] == ':' ? root[0] : 0; }
  std::string text() const {
    std::string out = root;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      if (i) out += '\\';
      out += parts[i];
    }
    if (trailingSlash && !parts.empty()) out += '\\';
    return out;
  }
};

void appendComponents(Parsed& p, std::string_view rest) {
  std::size_t i = 0;
  while (i <= rest.size()) {
    std::size_t j = rest.find('\\', i);
    if (j == std::string_view::npos) j = rest.size();
    std::string_view comp = rest.substr(i, j - i);
    if (comp == "..") {
      if (!p.parts.empty()) p.parts.pop_back();
    } else if (!comp.empty() && comp != ".") {
      p.parts.emplace_back(comp);
    }
    i = j + 1;
  }
}

std::optional<Parsed> parseAbsolute(std::string_view s);

// Parses a program path against the current directory; nothing when it is malformed
// (empty, a control character such as NUL, a bad drive or share, ':' inside a name).
std::optional<Parsed> parse(std::string_view raw, const std::string& cwd) {
  if (raw.empty()) return std::nullopt;
  std::string s(raw);
  for (char& c : s) {
    if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
    if (c == '/') c = '\\';
  }
  Parsed p;
  std::string_view rest;
  if (s.size() >= 2 && s[1] == ':') {
    int d = driveIndex(s[0]);
    if (d < 0) return std::nullopt;
    p.root = std::string(1, static_cast<char>('A' + d)) + ":\\";
    rest = std::string_view(s).substr(2);
    if (rest.empty() || rest.front() != '\\') {
      // "C:name" is relative to the current directory when that is on the same drive.
      if (auto base = parseAbsolute(cwd); base && base->root == p.root) p.parts = base->parts;
    }
  } else if (s.size() >= 2 && s[0] == '\\' && s[1] == '\\') {
    std::string_view unc = std::string_view(s).substr(2);
    std::size_t a = unc.find('\\');
    if (a == 0 || a == std::string_view::npos) return std::nullopt;
    std::size_t b = unc.find('\\', a + 1);
    std::string_view share =
        unc.substr(a + 1, b == std::string_view::npos ? std::string_view::npos : b - a - 1);
    if (share.empty() || share == "." || share == ".." || unc.substr(0, a) == "." || unc.substr(0, a) == "..")
      return std::nullopt;
    p.root = "\\\\" + std::string(unc.substr(0, a)) + "\\" + std::string(share) + "\\";
    rest = b == std::string_view::npos ? std::string_view() : unc.substr(b);
  } else {
    auto base = parseAbsolute(cwd);
    if (!base) return std::nullopt;
    p.root = base->root;
    if (s[0] != '\\') p.parts = base->parts;  // "\name" starts at the current drive's root
    rest = s;
  }
  appendComponents(p, rest);
  for (const auto& comp : p.parts)
    if (comp.find(':') != std::string::npos) return std::nullopt;
  p.trailingSlash = s.back() == '\\';
  return p;
}

std::optional<Parsed> parseAbsolute(std::string_view s) {
  if (s.empty()) return std::nullopt;
  bool drive = s.size() >= 2 && s[1] == ':' && s.size() >= 3 && (s[2] == '\\' || s[2] == '/');
  bool unc = s.size() >= 2 && (s[0] == '\\' || s[0] == '/') && (s[1] == '\\' || s[1] == '/');
  if (!drive && !unc) return std::nullopt;
  return parse(s, std::string());
}

std::string currentDirCopy() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  ensureReadyLocked(s);
  return s.currentDir;
}

std::optional<Parsed> parseProgramPath(std::string_view winPath) {
  return parse(winPath, currentDirCopy());
}

// Characters Windows does not allow in a name; wildcards belong to listing patterns only.
bool validName(std::string_view comp) {
  for (char c : comp)
    if (c == '*' || c == '?' || c == '<' || c == '>' || c == '"' || c == '|') return false;
  return true;
}

bool roundTrips(const std::string& hostName) {
  return core::toUtf8(core::fromUtf8(hostName)) == hostName;
}

// ---------------------------------------------------------------------------------------
// Resolution of program paths to host paths.

struct Resolved {
  stdfs::path host;
  bool exists = false;  // every component was found
  Parsed parsed;
};

#ifdef _WIN32

std::wstring wideOf(std::string_view cp1252) {
  if (cp1252.empty()) return {};
  int n = MultiByteToWideChar(1252, 0, cp1252.data(), static_cast<int>(cp1252.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(1252, 0, cp1252.data(), static_cast<int>(cp1252.size()), w.data(), n);
  return w;
}

std::string cp1252Of(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(1252, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, "?", nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(1252, 0, w.data(), static_cast<int>(w.size()), s.data(), n, "?", nullptr);
  return s;
}

std::optional<Resolved> resolve(std::string_view winPath) {
  auto p = parseProgramPath(winPath);
  if (!p) return std::nullopt;
  for (const auto& comp : p->parts)
    if (!validName(comp)) return std::nullopt;
  Resolved r;
  r.parsed = *p;
  Parsed noSlash = *p;
  noSlash.trailingSlash = false;
  r.host = stdfs::path(wideOf(noSlash.text()));
  std::error_code ec;
  r.exists = stdfs::exists(r.host, ec);
  return r;
}

#else

// The host name in dir that matches name: the same bytes first, else the same name without
// regard to case (the smallest such host name, so the choice does not depend on disk order).
std::optional<std::string> findName(const stdfs::path& dir, const std::string& name) {
  std::string exact = core::toUtf8(name);
  struct stat st;
  if (::lstat((dir / exact).c_str(), &st) == 0) return exact;
  std::string wanted = core::upper(name);
  std::optional<std::string> best;
  std::error_code ec;
  for (stdfs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string hostName = it->path().filename().string();
    if (!roundTrips(hostName)) continue;
    if (core::upper(core::fromUtf8(hostName)) != wanted) continue;
    if (!best || hostName < *best) best = hostName;
  }
  return best;
}

std::optional<Resolved> resolve(std::string_view winPath) {
  auto p = parseProgramPath(winPath);
  if (!p) return std::nullopt;
  char d = p->drive();
  if (!d) return std::nullopt;  // shares exist only on Windows
  for (const auto& comp : p->parts)
    if (!validName(comp)) return std::nullopt;
  stdfs::path root;
  {
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureReadyLocked(s);
    if (!s.drives[driveIndex(d)]) return std::nullopt;
    root = *s.drives[driveIndex(d)];
  }
  Resolved r;
  r.parsed = *p;
  r.host = root;
  struct stat st;
  bool found = ::stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  for (const auto& comp : p->parts) {
    if (found) {
      if (auto name = findName(r.host, comp)) {
        r.host /= *name;
        continue;
      }
      found = false;
    }
    r.host /= core::toUtf8(comp);  // a new name keeps the case it is given
  }
  r.exists = found;
  // "C:\x\" names a directory; when x is a file the path is wrong, as on Windows.
  if (r.exists && p->trailingSlash && !p->parts.empty()) {
    struct stat last;
    if (::stat(r.host.c_str(), &last) != 0 || !S_ISDIR(last.st_mode)) return std::nullopt;
  }
  return r;
}

#endif

bool rootPath(const Resolved& r) {
  return r.parsed.parts.empty();
}

// ---------------------------------------------------------------------------------------
// Host file primitives.

bool isExeName(std::string_view winName) {
  std::string u = core::upper(winName);
  return core::endsWith(u, ".EXE") || core::endsWith(u, ".COM");
}

#ifdef _WIN32

bool hostIsFile(const stdfs::path& p) {
  std::error_code ec;
  return stdfs::is_regular_file(p, ec);
}

bool hostIsDir(const stdfs::path& p) {
  std::error_code ec;
  return stdfs::is_directory(p, ec);
}

bool hostInUse(const stdfs::path& p) {
  // Another open handle that does not share, or a locked byte range, makes the file busy.
  HANDLE h = CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  OVERLAPPED ov{};
  bool locked =
      !LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &ov);
  if (!locked) UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, &ov);
  CloseHandle(h);
  return locked;
}

bool hostWrite(const stdfs::path& p, std::string_view bytes, bool) {
  {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out) return true;
  }
  std::error_code ec;
  stdfs::remove(p, ec);
  return false;
}

bool hostCopy(const stdfs::path& from, const stdfs::path& to, bool) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) return false;
  std::error_code e1, e2;
  if (stdfs::file_size(from, e1) == stdfs::file_size(to, e2) && !e1 && !e2) return true;
  stdfs::remove(to, e1);
  return false;
}

bool hostRename(const stdfs::path& from, const stdfs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), 0) != 0;  // without REPLACE_EXISTING
}

bool hostDelete(const stdfs::path& p) {
  return DeleteFileW(p.c_str()) != 0;
}

bool hostHidden(const stdfs::path& p, const std::string&) {
  DWORD a = GetFileAttributesW(p.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

bool hostTimes(const stdfs::path& p, std::uintmax_t& size, std::time_t& mtime) {
  std::error_code ec;
  auto t = stdfs::last_write_time(p, ec);
  if (ec) return false;
  mtime = std::chrono::system_clock::to_time_t(std::chrono::clock_cast<std::chrono::system_clock>(t));
  size = stdfs::is_regular_file(p, ec) ? stdfs::file_size(p, ec) : 0;
  return true;
}

#else

bool hostIsFile(const stdfs::path& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool hostIsDir(const stdfs::path& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Windows refuses to delete or replace a file another program has locked; a byte-range
// lock held through any other open file description is the same signal here.
bool hostInUse(const stdfs::path& p) {
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) fd = ::open(p.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;  // every byte, also beyond the end, where record locks live
  int r = ::fcntl(fd, F_OFD_GETLK, &fl);
  ::close(fd);
  return r == 0 && fl.l_type != F_UNLCK;
}

bool writeAll(int fd, const char* data, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, data, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    data += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// A program file ("*.exe") is runnable by its name on Windows; give it the run permission.
mode_t newFileMode(bool exe) {
  return exe ? 0777 : 0666;
}

bool hostWrite(const stdfs::path& p, std::string_view bytes, bool exe) {
  int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, newFileMode(exe));
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes.data(), bytes.size());
  if (::close(fd) != 0) ok = false;
  if (!ok) ::unlink(p.c_str());  // a short file must not pass for the whole one
  return ok;
}

bool hostCopy(const stdfs::path& from, const stdfs::path& to, bool exe) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (in < 0) return false;
  struct stat src;
  if (::fstat(in, &src) != 0 || !S_ISREG(src.st_mode)) {
    ::close(in);
    return false;
  }
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, newFileMode(exe));
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  std::uintmax_t copied = 0;
  // In the kernel first, as the system's own copy does; the read/write loop where the kernel
  // cannot (another file system kind, or a file that reports no size but has content).
  bool inKernel = true;
  while (inKernel) {
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      bool unsupported = errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                         errno == EPERM || errno == EBADF;
      if (copied == 0 && unsupported) {
        inKernel = false;
      } else {
        ok = false;
      }
      break;
    }
    if (n == 0) {
      if (copied == 0) inKernel = false;  // nothing came: let the loop below read it
      break;
    }
    copied += static_cast<std::uintmax_t>(n);
  }
  std::vector<char> buffer(ok && !inKernel ? (1 << 20) : 0);  // in chunks, never whole
  while (ok && !inKernel) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    if (!writeAll(out, buffer.data(), static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
    copied += static_cast<std::uintmax_t>(n);
  }
  struct stat after, dst;
  if (ok && (::fstat(in, &after) != 0 || ::fstat(out, &dst) != 0 ||
             copied != static_cast<std::uintmax_t>(after.st_size) || dst.st_size != after.st_size))
    ok = false;
  if (ok) {
    // As the Windows copy does: the copy keeps the source's permissions and last-change time.
    mode_t mode = src.st_mode & 07777;
    if (exe) mode |= (mode & 0444) >> 2;
    ::fchmod(out, mode);
    struct timespec times[2] = {src.st_atim, src.st_mtim};
    ::futimens(out, times);
  }
  if (::close(out) != 0) ok = false;
  ::close(in);
  if (!ok) ::unlink(to.c_str());
  return ok;
}

bool hostRename(const stdfs::path& from, const stdfs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: check, then rename (a small window remains).
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool hostDelete(const stdfs::path& p) {
  return ::unlink(p.c_str()) == 0;
}

bool hostHidden(const stdfs::path&, const std::string& hostName) {
  return !hostName.empty() && hostName[0] == '.';
}

bool hostTimes(const stdfs::path& p, std::uintmax_t& size, std::time_t& mtime) {
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return false;
  size = S_ISREG(st.st_mode) ? static_cast<std::uintmax_t>(st.st_size) : 0;
  mtime = st.st_mtime;
  return true;
}

#endif

// Directories holding a file in use cannot be renamed or removed whole, as on Windows.
bool treeInUse(const stdfs::path& dir) {
  std::error_code ec;
  for (stdfs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code e2;
    if (it->is_regular_file(e2) && !it->is_symlink(e2) && hostInUse(it->path())) return true;
  }
  return false;
}

// Removes what can be removed below dir and dir itself; files in use stay, symbolic links
// are removed themselves and never followed.
void removeHostTree(const stdfs::path& dir) {
  std::error_code ec;
  std::vector<stdfs::path> children;
  for (stdfs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    children.push_back(it->path());
  for (const auto& child : children) {
    auto st = stdfs::symlink_status(child, ec);
    if (ec) continue;
    if (stdfs::is_directory(st)) {
      removeHostTree(child);
    } else if (stdfs::is_regular_file(st) && hostInUse(child)) {
      continue;
    } else {
      stdfs::remove(child, ec);
    }
  }
  stdfs::remove(dir, ec);
}

// ---------------------------------------------------------------------------------------

std::optional<std::string> fromHostLocked(const State& s, const stdfs::path& hostPath) {
#ifdef _WIN32
  (void)s;
  return cp1252Of(hostPath.wstring());
#else
  std::error_code ec;
  stdfs::path abs = hostPath.is_absolute() ? hostPath : stdfs::absolute(hostPath, ec);
  if (ec) return std::nullopt;
  abs = abs.lexically_normal();
  bool trailing = abs.has_relative_path() && abs.filename().empty();
  if (trailing) abs = abs.parent_path();

  auto components = [](const stdfs::path& p) {
    std::vector<std::string> out;
    for (const auto& c : p) out.push_back(c.string());
    return out;
  };
  auto best = [&](const stdfs::path& target, bool canonical) {
    int bestDrive = -1;
    std::size_t bestLen = 0;
    std::vector<std::string> t = components(target);
    for (int d = 0; d < 26; ++d) {
      if (!s.drives[d]) continue;
      stdfs::path root = *s.drives[d];
      if (canonical) {
        std::error_code e;
        stdfs::path c = stdfs::weakly_canonical(root, e);
        if (!e) root = c;
      }
      std::vector<std::string> r = components(root);
      if (r.size() > t.size() || !std::equal(r.begin(), r.end(), t.begin())) continue;
      if (bestDrive < 0 || r.size() > bestLen) {
        bestDrive = d;
        bestLen = r.size();
      }
    }
    return std::make_pair(bestDrive, bestLen);
  };

  stdfs::path target = abs;
  auto [drive, len] = best(target, false);
  if (drive < 0 || (s.drives[drive] && *s.drives[drive] == stdfs::path("/"))) {
    // The path may reach a mapped drive through a symbolic link (/tmp -> /private/tmp).
    std::error_code e;
    stdfs::path c = stdfs::weakly_canonical(abs, e);
    if (!e) {
      auto [d2, l2] = best(c, true);
      if (d2 >= 0 && (drive < 0 || *s.drives[d2] != stdfs::path("/"))) {
        drive = d2;
        len = l2;
        target = c;
      }
    }
  }
  if (drive < 0) return std::nullopt;
  std::vector<std::string> t = components(target);
  std::string out = std::string(1, static_cast<char>('A' + drive)) + ":\\";
  for (std::size_t i = len; i < t.size(); ++i) {
    // A host name that a program path cannot carry would address another file.
    if (!roundTrips(t[i]) || t[i].find('\\') != std::string::npos) return std::nullopt;
    out += core::fromUtf8(t[i]);
    if (i + 1 < t.size() || trailing) out += '\\';
  }
  return out;
#endif
}

bool wildcardMatchUpper(std::string_view p, std::string_view n) {
  // Iterative * and ? matching with backtracking to the last star.
  std::size_t pi = 0, ni = 0, star = std::string_view::npos, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = ni;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace

// --- drive table -------------------------------------------------------------------------

void mapDrive(char letter, const stdfs::path& hostDir) {
  int d = driveIndex(letter);
  if (d < 0) throw std::invalid_argument(std::string("not a drive letter: ") + letter);
  State& s = state();
  std::lock_guard lock(s.mutex);
  ensureReadyLocked(s);
  s.drives[d] = normalHostDir(hostDir);
}

void unmapDrive(char letter) {
  int d = driveIndex(letter);
  if (d < 0) return;
  State& s = state();
  std::lock_guard lock(s.mutex);
  ensureReadyLocked(s);
  s.drives[d].reset();
}

void resetDrives() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.ready = true;
  startStateLocked(s);
}

std::optional<stdfs::path> driveRoot(char letter) {
  int d = driveIndex(letter);
  if (d < 0) return std::nullopt;
#ifdef _WIN32
  return stdfs::path(std::string(1, static_cast<char>('A' + d)) + ":\\");
#else
  State& s = state();
  std::lock_guard lock(s.mutex);
  ensureReadyLocked(s);
  return s.drives[d];
#endif
}

// --- paths ---------------------------------------------------------------------------------

std::string currentDir() {
  return currentDirCopy();
}

void setCurrentDir(const std::string& winDir) {
  auto r = resolve(winDir);
  if (!r || !r->exists || !hostIsDir(r->host))
    throw core::RuntimeFailure("directory does not exist: " + winDir);
  Parsed p = r->parsed;
  p.trailingSlash = true;
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.currentDir = p.text();
}

std::string programPath() {
  {
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureReadyLocked(s);
    if (s.programPath) return *s.programPath;
  }
#ifdef _WIN32
  std::wstring buf(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
  buf.resize(n);
  return cp1252Of(buf);
#else
  std::error_code ec;
  stdfs::path exe = stdfs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  auto w = fromHost(exe);
  return w ? *w : std::string();
#endif
}

void setProgramPath(const std::string& winPath) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  ensureReadyLocked(s);
  if (winPath.empty())
    s.programPath.reset();
  else
    s.programPath = winPath;
}

std::string absolute(std::string_view winPath) {
  auto p = parseProgramPath(winPath);
  return p ? p->text() : std::string();
}

std::optional<stdfs::path> toHost(std::string_view winPath) {
  auto r = resolve(winPath);
  if (!r) return std::nullopt;
  return r->host;
}

std::optional<std::string> fromHost(const stdfs::path& hostPath) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  ensureReadyLocked(s);
  return fromHostLocked(s, hostPath);
}

std::string withSlash(std::string_view dir) {
  std::string out(dir);
  if (out.empty() || out.back() != '\\') out += '\\';
  return out;
}

std::string parentDir(std::string_view winPath) {
  std::string_view s = winPath;
  // A directory given with its trailing backslash has the directory above it as parent.
  if (s.size() > 1 && s.back() == '\\' && !(s.size() == 3 && s[1] == ':')) s.remove_suffix(1);
  std::size_t i = s.find_last_of("\\/");
  if (i == std::string_view::npos) {
    if (s.size() >= 2 && s[1] == ':') return std::string(s.substr(0, 2));
    return {};
  }
  return std::string(s.substr(0, i + 1));
}

std::string fileName(std::string_view winPath) {
  std::size_t i = winPath.find_last_of("\\/");
  if (i == std::string_view::npos) {
    if (winPath.size() >= 2 && winPath[1] == ':') return std::string(winPath.substr(2));
    return std::string(winPath);
  }
  return std::string(winPath.substr(i + 1));
}

// --- files ---------------------------------------------------------------------------------

bool fileExists(std::string_view winPath) {
  auto r = resolve(winPath);
  return r && r->exists && hostIsFile(r->host);
}

bool dirExists(std::string_view winPath) {
  auto r = resolve(winPath);
  return r && r->exists && hostIsDir(r->host);
}

bool exists(std::string_view winPath) {
  auto r = resolve(winPath);
  return r && r->exists && (hostIsFile(r->host) || hostIsDir(r->host));
}

std::string readFile(std::string_view winPath) {
  auto r = resolve(winPath);
  if (!r || !r->exists || !hostIsFile(r->host))
    throw core::RuntimeFailure("file not found: " + std::string(winPath));
#ifdef _WIN32
  std::ifstream in(r->host, std::ios::binary);
  if (!in) throw core::RuntimeFailure("cannot open file: " + std::string(winPath));
  std::string out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw core::RuntimeFailure("cannot read file: " + std::string(winPath));
  return out;
#else
  int fd = ::open(r->host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0)
    throw core::RuntimeFailure("cannot open file: " + std::string(winPath) + ": " + std::strerror(errno));
  std::string out;
  struct stat st;
  if (::fstat(fd, &st) == 0 && st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      throw core::RuntimeFailure("cannot read file: " + std::string(winPath) + ": " + std::strerror(e));
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
#endif
}

bool writeFile(std::string_view winPath, std::string_view bytes) {
  auto r = resolve(winPath);
  if (!r || rootPath(*r) || r->parsed.trailingSlash) return false;
  if (r->exists && (hostIsDir(r->host) || hostInUse(r->host))) return false;
  return hostWrite(r->host, bytes, isExeName(r->parsed.parts.back()));
}

bool deleteFile(std::string_view winPath) {
  auto r = resolve(winPath);
  if (!r || !r->exists || !hostIsFile(r->host) || hostInUse(r->host)) return false;
  return hostDelete(r->host);
}

bool rename(std::string_view fromWinPath, std::string_view toWinPath) {
  auto from = resolve(fromWinPath);
  auto to = resolve(toWinPath);
  if (!from || !to || !from->exists || rootPath(*from) || rootPath(*to)) return false;
  if (!hostIsFile(from->host) && !hostIsDir(from->host)) return false;
  stdfs::path target = to->host;
  if (to->exists) {
    std::error_code ec;
    // Only a change of letter case may land on an existing name: it is the same entry.
    if (!stdfs::equivalent(from->host, to->host, ec) || ec) return false;
    target = to->host.parent_path() /
#ifdef _WIN32
             wideOf(to->parsed.parts.back());
#else
             core::toUtf8(to->parsed.parts.back());
#endif
    if (target == from->host) return true;
  }
  if (hostIsDir(from->host) ? treeInUse(from->host) : hostInUse(from->host)) return false;
  return hostRename(from->host, target);
}

bool copyFile(std::string_view fromWinPath, std::string_view toWinPath) {
  auto from = resolve(fromWinPath);
  auto to = resolve(toWinPath);
  if (!from || !to || !from->exists || rootPath(*to) || to->parsed.trailingSlash || !hostIsFile(from->host))
    return false;
  if (to->exists) {
    if (hostIsDir(to->host) || hostInUse(to->host)) return false;
    std::error_code ec;
    // Copying a file onto itself would empty it before reading it.
    if (stdfs::equivalent(from->host, to->host, ec) || ec) return false;
  }
  return hostCopy(from->host, to->host, isExeName(to->parsed.parts.back()));
}

std::optional<std::uintmax_t> fileSize(std::string_view winPath) {
  auto r = resolve(winPath);
  if (!r || !r->exists || !hostIsFile(r->host)) return std::nullopt;
  std::error_code ec;
  auto n = stdfs::file_size(r->host, ec);
  if (ec) return std::nullopt;
  return n;
}

bool inUse(std::string_view winPath) {
  auto r = resolve(winPath);
  return r && r->exists && hostIsFile(r->host) && hostInUse(r->host);
}

// --- directories ---------------------------------------------------------------------------

std::vector<DirEntry> listDir(std::string_view winPattern, bool withDirs) {
  std::vector<DirEntry> out;
  auto p = parseProgramPath(winPattern);
  if (!p || p->trailingSlash || p->parts.empty()) return out;
  std::string pattern = p->parts.back();
  Parsed dirPart = *p;
  dirPart.parts.pop_back();
  dirPart.trailingSlash = false;
  auto dir = resolve(dirPart.text());
  if (!dir || !dir->exists || !hostIsDir(dir->host)) return out;

  std::error_code ec;
  for (stdfs::directory_iterator it(dir->host, ec), end; !ec && it != end; it.increment(ec)) {
#ifdef _WIN32
    std::string name = cp1252Of(it->path().filename().wstring());
#else
    std::string hostName = it->path().filename().string();
    // Names a program path cannot address are left out: the program could not use them.
    if (!roundTrips(hostName) || hostName.find('\\') != std::string::npos) continue;
    std::string name = core::fromUtf8(hostName);
#endif
    if (!wildcardMatch(pattern, name)) continue;
#ifdef _WIN32
    if (hostHidden(it->path(), name)) continue;
#else
    if (hostHidden(it->path(), hostName)) continue;
#endif
    bool isDir = hostIsDir(it->path());
    if (isDir ? !withDirs : !hostIsFile(it->path())) continue;
    DirEntry e;
    std::time_t mtime = 0;
    if (!hostTimes(it->path(), e.size, mtime)) continue;
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &mtime);
#else
    localtime_r(&mtime, &tm);
#endif
    e.name = std::move(name);
    e.isDir = isDir;
    e.date = core::Date::fromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    e.time = buf;
    out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(), [](const DirEntry& a, const DirEntry& b) {
    std::string ua = core::upper(a.name), ub = core::upper(b.name);
    return ua != ub ? ua < ub : a.name < b.name;
  });
  return out;
}

bool makeDir(std::string_view winDir) {
  auto r = resolve(winDir);
  if (!r) return false;
  std::error_code ec;
  stdfs::create_directories(r->host, ec);
  return hostIsDir(r->host);
}

bool removeTree(std::string_view winDir) {
  auto r = resolve(winDir);
  if (!r) return false;
  // A drive's root is never removed: on Z: that would be the whole host.
  if (rootPath(*r)) return false;
  std::error_code ec;
  auto st = stdfs::symlink_status(r->host, ec);
  if (ec || !stdfs::exists(st)) return true;
  if (!stdfs::is_directory(st)) return false;
  removeHostTree(r->host);
  return !stdfs::exists(stdfs::symlink_status(r->host, ec));
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
  std::string p = core::upper(pattern), n = core::upper(name);
  if (p == "*.*" || p == "*") return true;
  if (wildcardMatchUpper(p, n)) return true;
  // As on Windows, a final ".*" also matches names without an extension ("BAK_*.*" finds
  // BAK_43E) and a final "." matches only names without one.
  if (p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0 && n.find('.') == std::string::npos)
    return wildcardMatchUpper(std::string_view(p).substr(0, p.size() - 2), n);
  if (p.size() >= 2 && p.back() == '.' && p[p.size() - 2] != '.' && n.find('.') == std::string::npos)
    return wildcardMatchUpper(std::string_view(p).substr(0, p.size() - 1), n);
  return false;
}

}  // namespace platform::fs
