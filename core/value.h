// The dynamic value passed between the program's functions: NIL, text, long text, number,
// date, logical, array (shared: changes made through one copy are seen by all), object,
// callback. Type letters: "C" "M" "N" "D" "L" "A" "U", objects "O", callbacks "B".
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/date.h"

namespace core {

class Value;
class Object;
using Array = std::vector<Value>;
using ArrayRef = std::shared_ptr<Array>;
using ObjectRef = std::shared_ptr<Object>;
// Event callbacks get (mp1, mp2, obj); other callbacks get what their caller documents.
using Callback = std::function<Value(const std::vector<Value>& args)>;
using CallbackRef = std::shared_ptr<const Callback>;

struct Memo {
  std::string text;
};

class Value {
 public:
  enum class Type { Nil, Text, Memo, Number, Date, Logical, Array, Object, Callback };

  Value() = default;
  Value(std::nullptr_t) {}
  Value(const char* s) : v_(std::string(s)) {}
  Value(std::string s) : v_(std::move(s)) {}
  Value(std::string_view s) : v_(std::string(s)) {}
  Value(Memo m) : v_(std::move(m)) {}
  Value(double n) : v_(n) {}
  Value(int n) : v_(static_cast<double>(n)) {}
  Value(long n) : v_(static_cast<double>(n)) {}
  Value(long long n) : v_(static_cast<double>(n)) {}
  Value(unsigned n) : v_(static_cast<double>(n)) {}
  Value(unsigned long n) : v_(static_cast<double>(n)) {}
  Value(Date d) : v_(d) {}
  Value(bool b) : v_(b) {}
  Value(ArrayRef a) : v_(std::move(a)) {}
  Value(ObjectRef o) : v_(std::move(o)) {}
  template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
  Value(std::shared_ptr<T> o) : v_(ObjectRef(std::move(o))) {}
  Value(Callback f) : v_(std::make_shared<const Callback>(std::move(f))) {}

  // A new array of the given elements (its own storage).
  static Value array(Array elements = {});
  // A new array of n NIL elements.
  static Value arrayOf(std::size_t n);

  Type type() const { return static_cast<Type>(v_.index()); }
  std::string typeLetter() const;

  bool isNil() const { return type() == Type::Nil; }
  bool isText() const { return type() == Type::Text || type() == Type::Memo; }
  bool isNumber() const { return type() == Type::Number; }
  bool isDate() const { return type() == Type::Date; }
  bool isLogical() const { return type() == Type::Logical; }
  bool isArray() const { return type() == Type::Array; }
  bool isObject() const { return type() == Type::Object; }
  bool isCallback() const { return type() == Type::Callback; }

  // Typed access; a value of another type raises RuntimeFailure (a run-time type error).
  const std::string& text() const;
  double number() const;
  long integer() const;  // the number, truncated
  Date date() const;
  bool logical() const;
  const ArrayRef& arrayRef() const;
  Array& elements() const;  // the shared elements of an array
  const ObjectRef& object() const;
  Value call(const std::vector<Value>& args = {}) const;

  // 1-based element access of arrays, as the program writes aRow[2]; out of range raises.
  Value& operator[](std::size_t index1) const;
  std::size_t size() const;  // array length, text length; 0 otherwise

  // Tolerant readers for optional arguments: the default when NIL or of another type.
  std::string textOr(std::string_view dflt) const;
  double numberOr(double dflt) const;
  bool logicalOr(bool dflt) const;

  // Same type and same content; arrays and objects by identity (as the platform's == does).
  bool identical(const Value& other) const;

 private:
  std::variant<std::monostate, std::string, Memo, double, Date, bool, ArrayRef, ObjectRef, CallbackRef> v_;
};

// Convenience: Value::array({a, b, c}) reads better as arr(a, b, c).
template <class... T>
Value arr(T&&... elements) {
  return Value::array(Array{Value(std::forward<T>(elements))...});
}

// Text form used where a value is shown or compared as text (numbers without trailing zeros,
// dates DD.MM.YYYY, logicals ".T."/".F.", NIL "NIL").
std::string toDisplayText(const Value& v);

}  // namespace core
