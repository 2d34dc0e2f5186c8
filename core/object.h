// Objects with named members, found without regard to case, and the class table in which
// every class is created once under its name.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace core {

class Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object() = default;
  virtual std::string className() const = 0;
  virtual bool hasMember(std::string_view name) const = 0;
  // Reading or writing a member the object lacks raises RuntimeFailure.
  virtual Value get(std::string_view name) const = 0;
  virtual void set(std::string_view name, Value v) = 0;
};

// A class: its name as created (mixed case), its members in declaration order, and the
// initialiser that `new` runs.
class ClassDef {
 public:
  using Init = std::function<void(Object& self)>;
  ClassDef(std::string name, std::vector<std::string> members, Init init = {});
  const std::string& name() const { return name_; }
  const std::vector<std::string>& members() const { return members_; }
  // A new instance with every member NIL, then the initialiser.
  ObjectRef create() const;

 private:
  std::string name_;
  std::vector<std::string> members_;
  Init init_;
};

// An instance of a ClassDef: members held in declaration order.
class Record : public Object {
 public:
  explicit Record(const ClassDef& cls);
  std::string className() const override { return cls_.name(); }
  bool hasMember(std::string_view name) const override;
  Value get(std::string_view name) const override;
  void set(std::string_view name, Value v) override;
  const ClassDef& classDef() const { return cls_; }

 private:
  int indexOf(std::string_view name) const;
  const ClassDef& cls_;
  std::vector<Value> values_;
};

// The process-wide class table: the first call with a name creates the class, later calls
// (from any thread) find it.
const ClassDef& defineClass(const std::string& name, std::vector<std::string> members,
                            ClassDef::Init init = {});
const ClassDef* findClass(std::string_view name);

// Member lookup by name without regard to case; raises RuntimeFailure when the value is no
// object or lacks the member.
Value memberOf(const Value& object, std::string_view name);
void setMember(const Value& object, std::string_view name, Value v);

}  // namespace core
