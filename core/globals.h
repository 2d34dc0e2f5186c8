// The table of program-wide variables by name, found without regard to case. Every access
// holds the table's lock, so the progress thread may read nStep while the main thread writes it.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "core/value.h"

namespace core {

class Globals {
 public:
  static Globals& instance();

  void declare(std::string_view name, Value initial);  // creates or overwrites
  bool exists(std::string_view name) const;
  // Reading an undeclared variable raises RuntimeFailure, as the runtime does.
  Value get(std::string_view name) const;
  Value getOr(std::string_view name, Value dflt) const;
  void set(std::string_view name, Value v);  // declares when missing
  void clear();                              // forget every variable (a new run)

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Value> vars_;  // key: upper-case name
};

inline Globals& globals() {
  return Globals::instance();
}

}  // namespace core
