#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

extern char** environ;

namespace testing_support {

ChildProcess::ChildProcess(const std::string& exe, const std::vector<std::string>& args) {
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  std::vector<std::string> words{exe};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int rc = posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  stdin_ = in[1];
  stdout_ = out[0];
  if (rc != 0) {
    pid_ = -1;
    finish();
    throw std::runtime_error("cannot start " + exe);
  }
  std::string line;
  pollfd pfd{stdout_, POLLIN, 0};
  // A generous bound that only proves the program did not hang.
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < until) {
    if (::poll(&pfd, 1, 100) <= 0) continue;
    char buf[256];
    ssize_t n = ::read(stdout_, buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<std::size_t>(n));
  }
  firstLine_ = line.substr(0, line.find('\n'));
}

ChildProcess::~ChildProcess() {
  finish();
}

void ChildProcess::finish() {
  if (stdin_ >= 0) ::close(stdin_);
  if (stdout_ >= 0) ::close(stdout_);
  stdin_ = stdout_ = -1;
  if (pid_ > 0) {
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  pid_ = -1;
}

std::string holdLockExe() {
  return ZOV_HOLD_LOCK_EXE;
}

std::vector<std::string> recordLockArgs(const std::string& hostFile, unsigned recordNumber) {
  return {hostFile, "at", std::to_string(1000000000UL + recordNumber)};
}

}  // namespace testing_support
