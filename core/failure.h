// The two ways control leaves normal flow:
// - RuntimeFailure: a failure raised inside the platform (a missing file, a share violation,
//   a damaged table, a refused connection). Guarded sections catch it and set nErrStat to 0.
// - ProgramEnd: the program ends (XQUIT, XERR, a table that cannot be opened). It unwinds the
//   program thread that raised it; the thread's runner then ends the process, or, in tests,
//   hands the outcome to the test.
#pragma once

#include <stdexcept>
#include <string>

namespace core {

class RuntimeFailure : public std::runtime_error {
 public:
  explicit RuntimeFailure(const std::string& what) : std::runtime_error(what) {}
};

struct ProgramEnd {
  int exitCode = 0;
  std::string reason;  // the message shown, or empty for a quiet end
};

}  // namespace core
