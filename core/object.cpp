#include "core/object.h"

#include <list>

#include "core/failure.h"
#include "core/text.h"

namespace core {

ClassDef::ClassDef(std::string name, std::vector<std::string> members, Init init)
    : name_(std::move(name)), members_(std::move(members)), init_(std::move(init)) {}

ObjectRef ClassDef::create() const {
  auto obj = std::make_shared<Record>(*this);
  if (init_) init_(*obj);
  return obj;
}

Record::Record(const ClassDef& cls) : cls_(cls), values_(cls.members().size()) {}

int Record::indexOf(std::string_view name) const {
  const auto& members = cls_.members();
  std::string wanted = upper(name);
  for (std::size_t i = 0; i < members.size(); ++i)
    if (upper(members[i]) == wanted) return static_cast<int>(i);
  return -1;
}

bool Record::hasMember(std::string_view name) const {
  return indexOf(name) >= 0;
}

Value Record::get(std::string_view name) const {
  int i = indexOf(name);
  if (i < 0) throw RuntimeFailure("no exported member " + std::string(name) + " in class " + cls_.name());
  return values_[static_cast<std::size_t>(i)];
}

void Record::set(std::string_view name, Value v) {
  int i = indexOf(name);
  if (i < 0) throw RuntimeFailure("no exported member " + std::string(name) + " in class " + cls_.name());
  values_[static_cast<std::size_t>(i)] = std::move(v);
}

namespace {
std::mutex& classLock() {
  static std::mutex m;
  return m;
}
// A list keeps the addresses of class objects stable for the life of the program.
std::list<ClassDef>& classTable() {
  static std::list<ClassDef> table;
  return table;
}
}  // namespace

const ClassDef& defineClass(const std::string& name, std::vector<std::string> members, ClassDef::Init init) {
  std::lock_guard lock(classLock());
  for (const auto& c : classTable())
    if (upper(c.name()) == upper(name)) return c;
  return classTable().emplace_back(name, std::move(members), std::move(init));
}

const ClassDef* findClass(std::string_view name) {
  std::lock_guard lock(classLock());
  for (const auto& c : classTable())
    if (upper(c.name()) == upper(name)) return &c;
  return nullptr;
}

Value memberOf(const Value& object, std::string_view name) {
  return object.object()->get(name);
}

void setMember(const Value& object, std::string_view name, Value v) {
  object.object()->set(name, std::move(v));
}

}  // namespace core
