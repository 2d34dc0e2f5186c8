// A second program started by a test that holds something (a lock, a table) while the test
// runs: it is started with its arguments, the test waits for its first output line, and
// closing its input ends it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testing_support {

class ChildProcess {
 public:
  ChildProcess(const std::string& exe, const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The first line the program wrote (without its line break); "" when it wrote none within
  // a generous bound or ended before.
  const std::string& firstLine() const { return firstLine_; }
  // Closes its input and waits for it to end.
  void finish();

 private:
  pid_t pid_ = -1;
  int stdin_ = -1, stdout_ = -1;
  std::string firstLine_;
};

// hold_lock (built with the file-system tests) holding a write lock: "write" on the first
// byte, "read" a read lock there, "far" on the byte xBase programs use as the header lock, or
// a record lock of record n at the xBase offset.
std::string holdLockExe();
std::vector<std::string> recordLockArgs(const std::string& hostFile, unsigned recordNumber);

}  // namespace testing_support
