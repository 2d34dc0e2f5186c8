#include "core/globals.h"

#include "core/failure.h"
#include "core/text.h"

namespace core {

Globals& Globals::instance() {
  static Globals g;
  return g;
}

void Globals::declare(std::string_view name, Value initial) {
  std::lock_guard lock(mutex_);
  vars_[upper(name)] = std::move(initial);
}

bool Globals::exists(std::string_view name) const {
  std::lock_guard lock(mutex_);
  return vars_.count(upper(name)) > 0;
}

Value Globals::get(std::string_view name) const {
  std::lock_guard lock(mutex_);
  auto it = vars_.find(upper(name));
  if (it == vars_.end()) throw RuntimeFailure("variable does not exist: " + std::string(name));
  return it->second;
}

Value Globals::getOr(std::string_view name, Value dflt) const {
  std::lock_guard lock(mutex_);
  auto it = vars_.find(upper(name));
  return it == vars_.end() ? dflt : it->second;
}

void Globals::set(std::string_view name, Value v) {
  std::lock_guard lock(mutex_);
  vars_[upper(name)] = std::move(v);
}

void Globals::clear() {
  std::lock_guard lock(mutex_);
  vars_.clear();
}

}  // namespace core
