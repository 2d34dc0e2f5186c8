// A real second process for lock tests: the table engine's helper program (lock_holder.cpp)
// started with pipes. It opens a table, takes what it is told, prints "ready" and waits until
// its standard input closes; closing it ends the process and with it every lock.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

class Child {
 public:
  explicit Child(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[0]);
      ::close(in[1]);
      ::close(out[0]);
      ::close(out[1]);
      std::vector<char*> argv;
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    toChild_ = in[1];
    fromChild_ = ::fdopen(out[0], "r");
  }
  ~Child() { finish(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // One line of the child's output without its line break; "" at its end.
  std::string readLine() {
    std::string line;
    int c;
    while ((c = std::fgetc(fromChild_)) != EOF && c != '\n') line += static_cast<char>(c);
    return line;
  }
  std::string readAll() {
    std::string all;
    int c;
    while ((c = std::fgetc(fromChild_)) != EOF) all += static_cast<char>(c);
    return all;
  }
  // Closes the child's input and waits for it; returns its exit code.
  int finish() {
    if (pid_ <= 0) return status_;
    if (toChild_ >= 0) ::close(toChild_);
    toChild_ = -1;
    int st = 0;
    ::waitpid(pid_, &st, 0);
    pid_ = 0;
    if (fromChild_) std::fclose(fromChild_);
    fromChild_ = nullptr;
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128;
    return status_;
  }

 private:
  pid_t pid_ = 0;
  int toChild_ = -1;
  FILE* fromChild_ = nullptr;
  int status_ = -1;
};

// The helper program built beside the tests.
inline std::string lockHolderPath() {
  return ZOV_DBF_LOCK_HOLDER;
}

// Starts the helper and waits for its "ready"; throws with its complaint otherwise.
inline std::unique_ptr<Child> holdInChild(std::vector<std::string> args) {
  args.insert(args.begin(), lockHolderPath());
  auto child = std::make_unique<Child>(args);
  std::string line = child->readLine();
  if (line != "ready") throw std::runtime_error("lock holder did not get ready: " + line);
  return child;
}

}  // namespace testing_support
