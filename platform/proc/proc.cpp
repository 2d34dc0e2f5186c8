#include "platform/proc/proc.h"

#include "core/text.h"
#include "platform/fs/fs.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>
#endif

namespace platform::proc {

#ifdef _WIN32

bool startProgram(const std::string& winExePath, const std::string& params, const std::string& winWorkDir) {
  std::string exe = fs::absolute(winExePath);
  std::string dir = winWorkDir.empty() ? fs::currentDir() : fs::absolute(winWorkDir);
  if (exe.empty() || dir.empty() || !fs::fileExists(exe) || !fs::dirExists(dir)) return false;
  std::string commandLine = "\"" + exe + "\"" + (params.empty() ? std::string() : " " + params);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                      &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

#else

namespace {

void reportAndExit(int fd, int code) {
  int e = errno;
  ssize_t ignored = ::write(fd, &e, sizeof e);
  (void)ignored;
  ::_exit(code);
}

}  // namespace

bool startProgram(const std::string& winExePath, const std::string& params, const std::string& winWorkDir) {
  const std::string workWin = winWorkDir.empty() ? fs::currentDir() : winWorkDir;
  auto exe = fs::toHost(winExePath);
  auto work = fs::toHost(workWin);
  if (!exe || !work || !fs::fileExists(winExePath) || !fs::dirExists(workWin)) return false;
  if (::access(exe->c_str(), X_OK) != 0) return false;

  // Everything the children need is prepared here: after fork only plain system calls.
  std::string exePath = exe->string();
  std::string workPath = work->string();
  std::string arg = core::toUtf8(params);
  std::vector<char*> argv{exePath.data()};
  if (!params.empty()) argv.push_back(arg.data());  // the whole string is one argument
  argv.push_back(nullptr);
  long maxFd = ::sysconf(_SC_OPEN_MAX);
  if (maxFd < 0 || maxFd > 65536) maxFd = 65536;

  int err[2];
  if (::pipe2(err, O_CLOEXEC) != 0) return false;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(err[0]);
    ::close(err[1]);
    return false;
  }
  if (child == 0) {
    // The middle process only forks again and ends, so the program is nobody's child here
    // and leaves no zombie behind when it ends.
    ::close(err[0]);
    pid_t grandchild = ::fork();
    if (grandchild < 0) reportAndExit(err[1], 1);
    if (grandchild > 0) ::_exit(0);
    ::setsid();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig) ::signal(sig, SIG_DFL);
    // No open file (and no lock held through one) of this program passes on to the other.
    if (::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
      for (int fd = 3; fd < maxFd; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    if (::chdir(workPath.c_str()) != 0) reportAndExit(err[1], 1);
    ::execv(exePath.c_str(), argv.data());
    reportAndExit(err[1], 127);
  }
  ::close(err[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // The pipe closes without a word when exec succeeded; otherwise it carries the error.
  int childErrno = 0;
  ssize_t n;
  while ((n = ::read(err[0], &childErrno, sizeof childErrno)) < 0 && errno == EINTR) {
  }
  ::close(err[0]);
  return n == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

#endif

}  // namespace platform::proc
