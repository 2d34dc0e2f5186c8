#include "core/value.h"

#include <cmath>
#include <cstdio>

#include "core/failure.h"
#include "core/object.h"

namespace core {

namespace {
[[noreturn]] void typeError(const char* wanted, const Value& v) {
  throw RuntimeFailure(std::string("type error: ") + wanted + " expected, got " + v.typeLetter());
}
}  // namespace

Value Value::array(Array elements) {
  return Value(std::make_shared<Array>(std::move(elements)));
}

Value Value::arrayOf(std::size_t n) {
  return Value(std::make_shared<Array>(n));
}

std::string Value::typeLetter() const {
  switch (type()) {
    case Type::Nil:
      return "U";
    case Type::Text:
      return "C";
    case Type::Memo:
      return "M";
    case Type::Number:
      return "N";
    case Type::Date:
      return "D";
    case Type::Logical:
      return "L";
    case Type::Array:
      return "A";
    case Type::Object:
      return "O";
    case Type::Callback:
      return "B";
  }
  return "U";
}

const std::string& Value::text() const {
  if (auto* s = std::get_if<std::string>(&v_)) return *s;
  if (auto* m = std::get_if<Memo>(&v_)) return m->text;
  typeError("text", *this);
}

double Value::number() const {
  if (auto* n = std::get_if<double>(&v_)) return *n;
  typeError("number", *this);
}

long Value::integer() const {
  return static_cast<long>(std::trunc(number()));
}

Date Value::date() const {
  if (auto* d = std::get_if<Date>(&v_)) return *d;
  typeError("date", *this);
}

bool Value::logical() const {
  if (auto* b = std::get_if<bool>(&v_)) return *b;
  typeError("logical", *this);
}

const ArrayRef& Value::arrayRef() const {
  if (auto* a = std::get_if<ArrayRef>(&v_)) return *a;
  typeError("array", *this);
}

Array& Value::elements() const {
  return *arrayRef();
}

const ObjectRef& Value::object() const {
  if (auto* o = std::get_if<ObjectRef>(&v_)) return *o;
  typeError("object", *this);
}

Value Value::call(const std::vector<Value>& args) const {
  if (auto* f = std::get_if<CallbackRef>(&v_)) return (**f)(args);
  typeError("callback", *this);
}

Value& Value::operator[](std::size_t index1) const {
  Array& a = elements();
  if (index1 < 1 || index1 > a.size())
    throw RuntimeFailure("array access: index " + std::to_string(index1) + " out of bounds " +
                         std::to_string(a.size()));
  return a[index1 - 1];
}

std::size_t Value::size() const {
  if (auto* a = std::get_if<ArrayRef>(&v_)) return (*a)->size();
  if (isText()) return text().size();
  return 0;
}

std::string Value::textOr(std::string_view dflt) const {
  return isText() ? text() : std::string(dflt);
}
double Value::numberOr(double dflt) const {
  return isNumber() ? number() : dflt;
}
bool Value::logicalOr(bool dflt) const {
  return isLogical() ? logical() : dflt;
}

bool Value::identical(const Value& other) const {
  if (type() != other.type()) return false;
  switch (type()) {
    case Type::Nil:
      return true;
    case Type::Text:
    case Type::Memo:
      return text() == other.text();
    case Type::Number:
      return number() == other.number();
    case Type::Date:
      return date() == other.date();
    case Type::Logical:
      return logical() == other.logical();
    case Type::Array:
      return arrayRef() == other.arrayRef();
    case Type::Object:
      return object() == other.object();
    case Type::Callback:
      return std::get<CallbackRef>(v_) == std::get<CallbackRef>(other.v_);
  }
  return false;
}

std::string toDisplayText(const Value& v) {
  switch (v.type()) {
    case Value::Type::Nil:
      return "NIL";
    case Value::Type::Text:
    case Value::Type::Memo:
      return v.text();
    case Value::Type::Number: {
      char buf[64];
      double n = v.number();
      if (n == std::trunc(n) && std::fabs(n) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", n);
      else
        std::snprintf(buf, sizeof buf, "%.10g", n);
      return buf;
    }
    case Value::Type::Date:
      return v.date().toText();
    case Value::Type::Logical:
      return v.logical() ? ".T." : ".F.";
    case Value::Type::Array:
      return "{...}";
    case Value::Type::Object:
      return v.object()->className();
    case Value::Type::Callback:
      return "{||...}";
  }
  return "";
}

}  // namespace core
