#include "platform/dbf/expression.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/failure.h"
#include "core/text.h"

namespace platform::dbf {

namespace {

constexpr int kMaxDepth = 256;  // parser levels; about 28 nested calls or parentheses
constexpr long kMaxText = 65535;

[[noreturn]] void syntax(const std::string& what, std::string_view text) {
  throw core::RuntimeFailure("expression error: " + what + " in \"" + std::string(text) + "\"");
}

[[noreturn]] void typeError(const std::string& what) {
  throw core::RuntimeFailure("expression type error: " + what);
}

enum class Fn {
  Upper,
  Lower,
  Trim,
  Ltrim,
  Alltrim,
  Str,
  Strzero,
  Val,
  Dtos,
  Dtoc,
  Ctod,
  Substr,
  Left,
  Right,
  Padr,
  Padl,
  Padc,
  Len,
  Space,
  Replicate,
  Iif,
  Deleted,
  Recno,
  Empty,
  Year,
  Month,
  Day,
  Chr,
  Asc,
  At,
  Int,
  Abs,
  Round
};

struct FnDef {
  const char* name;
  Fn fn;
  int minArgs;
  int maxArgs;
};

constexpr FnDef kFunctions[] = {
    {"UPPER", Fn::Upper, 1, 1},   {"LOWER", Fn::Lower, 1, 1},     {"TRIM", Fn::Trim, 1, 1},
    {"RTRIM", Fn::Trim, 1, 1},    {"LTRIM", Fn::Ltrim, 1, 1},     {"ALLTRIM", Fn::Alltrim, 1, 1},
    {"STR", Fn::Str, 1, 3},       {"STRZERO", Fn::Strzero, 1, 3}, {"VAL", Fn::Val, 1, 1},
    {"DTOS", Fn::Dtos, 1, 1},     {"DTOC", Fn::Dtoc, 1, 1},       {"CTOD", Fn::Ctod, 1, 1},
    {"SUBSTR", Fn::Substr, 2, 3}, {"LEFT", Fn::Left, 2, 2},       {"RIGHT", Fn::Right, 2, 2},
    {"PADR", Fn::Padr, 2, 3},     {"PADL", Fn::Padl, 2, 3},       {"PADC", Fn::Padc, 2, 3},
    {"LEN", Fn::Len, 1, 1},       {"SPACE", Fn::Space, 1, 1},     {"REPLICATE", Fn::Replicate, 2, 2},
    {"IIF", Fn::Iif, 3, 3},       {"IF", Fn::Iif, 3, 3},          {"DELETED", Fn::Deleted, 0, 0},
    {"RECNO", Fn::Recno, 0, 0},   {"EMPTY", Fn::Empty, 1, 1},     {"YEAR", Fn::Year, 1, 1},
    {"MONTH", Fn::Month, 1, 1},   {"DAY", Fn::Day, 1, 1},         {"CHR", Fn::Chr, 1, 1},
    {"ASC", Fn::Asc, 1, 1},       {"AT", Fn::At, 2, 2},           {"INT", Fn::Int, 1, 1},
    {"ABS", Fn::Abs, 1, 1},       {"ROUND", Fn::Round, 2, 2},
};

const FnDef* findFunction(const std::string& upperName) {
  for (const auto& d : kFunctions)
    if (upperName == d.name) return &d;
  if (upperName.size() >= 4)  // xBase accepts a name cut to four or more letters
    for (const auto& d : kFunctions)
      if (std::strlen(d.name) > upperName.size() &&
          std::strncmp(d.name, upperName.c_str(), upperName.size()) == 0)
        return &d;
  return nullptr;
}

}  // namespace

struct Expression::Node {
  enum class Kind { Literal, Field, Call, Binary, Not, Negate } kind = Kind::Literal;
  core::Value literal;
  int field = -1;
  Fn fn = Fn::Upper;
  std::string op;
  std::vector<std::unique_ptr<Node>> args;
};

namespace {

using Node = Expression::Node;

class Parser {
 public:
  Parser(std::string_view text, const DbfHeader& header) : s_(text), header_(header) {}

  std::unique_ptr<Node> parseAll() {
    auto n = parseOr(0);
    skipBlanks();
    if (pos_ != s_.size()) syntax("unexpected text", s_);
    return n;
  }

 private:
  void skipBlanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }
  bool peekWord(const char* word) {  // .AND. .OR. .NOT. .T. .F. without regard to case
    skipBlanks();
    std::size_t n = std::strlen(word);
    if (pos_ + n > s_.size()) return false;
    return core::upper(s_.substr(pos_, n)) == word;
  }
  bool accept(const char* token) {
    if (!peekWord(token)) return false;
    pos_ += std::strlen(token);
    return true;
  }
  void depth(int d) {
    if (d > kMaxDepth) syntax("expression nested too deeply", s_);
  }

  std::unique_ptr<Node> binary(std::string op, std::unique_ptr<Node> a, std::unique_ptr<Node> b) {
    auto n = std::make_unique<Node>();
    n->kind = Node::Kind::Binary;
    n->op = std::move(op);
    n->args.push_back(std::move(a));
    n->args.push_back(std::move(b));
    return n;
  }

  std::unique_ptr<Node> parseOr(int d) {
    depth(d);
    auto n = parseAnd(d + 1);
    while (accept(".OR.")) n = binary("OR", std::move(n), parseAnd(d + 1));
    return n;
  }
  std::unique_ptr<Node> parseAnd(int d) {
    depth(d);
    auto n = parseNot(d + 1);
    while (accept(".AND.")) n = binary("AND", std::move(n), parseNot(d + 1));
    return n;
  }
  std::unique_ptr<Node> parseNot(int d) {
    depth(d);
    skipBlanks();
    bool neg = accept(".NOT.");
    if (!neg && pos_ < s_.size() && s_[pos_] == '!' && !(pos_ + 1 < s_.size() && s_[pos_ + 1] == '=')) {
      ++pos_;
      neg = true;
    }
    if (neg) {
      auto n = std::make_unique<Node>();
      n->kind = Node::Kind::Not;
      n->args.push_back(parseNot(d + 1));
      return n;
    }
    return parseCompare(d + 1);
  }
  std::unique_ptr<Node> parseCompare(int d) {
    depth(d);
    auto n = parseAdd(d + 1);
    skipBlanks();
    static const char* const kOps[] = {"==", "!=", "<>", "<=", ">=", "=", "#", "<", ">", "$"};
    for (const char* op : kOps) {
      if (s_.substr(pos_, std::strlen(op)) == op) {
        pos_ += std::strlen(op);
        std::string o = op;
        if (o == "<>" || o == "#") o = "!=";
        return binary(o, std::move(n), parseAdd(d + 1));
      }
    }
    return n;
  }
  std::unique_ptr<Node> parseAdd(int d) {
    depth(d);
    auto n = parseMul(d + 1);
    for (;;) {
      skipBlanks();
      if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) {
        std::string op(1, s_[pos_++]);
        n = binary(op, std::move(n), parseMul(d + 1));
      } else {
        return n;
      }
    }
  }
  std::unique_ptr<Node> parseMul(int d) {
    depth(d);
    auto n = parseUnary(d + 1);
    for (;;) {
      skipBlanks();
      if (pos_ < s_.size() && (s_[pos_] == '*' || s_[pos_] == '/' || s_[pos_] == '%')) {
        std::string op(1, s_[pos_++]);
        n = binary(op, std::move(n), parseUnary(d + 1));
      } else {
        return n;
      }
    }
  }
  std::unique_ptr<Node> parseUnary(int d) {
    depth(d);
    skipBlanks();
    if (pos_ < s_.size() && (s_[pos_] == '-' || s_[pos_] == '+')) {
      bool minus = s_[pos_++] == '-';
      auto inner = parseUnary(d + 1);
      if (!minus) return inner;
      auto n = std::make_unique<Node>();
      n->kind = Node::Kind::Negate;
      n->args.push_back(std::move(inner));
      return n;
    }
    return parsePrimary(d + 1);
  }

  std::unique_ptr<Node> parsePrimary(int d) {
    depth(d);
    skipBlanks();
    if (pos_ >= s_.size()) syntax("expression ends early", s_);
    char c = s_[pos_];
    auto lit = [](core::Value v) {
      auto n = std::make_unique<Node>();
      n->literal = std::move(v);
      return n;
    };
    if (c == '(') {
      ++pos_;
      auto n = parseOr(d + 1);
      skipBlanks();
      if (pos_ >= s_.size() || s_[pos_] != ')') syntax("missing )", s_);
      ++pos_;
      return n;
    }
    if (c == '"' || c == '\'' || c == '[') {
      char close = c == '[' ? ']' : c;
      std::size_t end = s_.find(close, pos_ + 1);
      if (end == std::string_view::npos) syntax("unterminated text", s_);
      std::string text(s_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      return lit(core::Value(text));
    }
    if (accept(".T.") || accept(".Y.")) return lit(core::Value(true));
    if (accept(".F.") || accept(".N.")) return lit(core::Value(false));
    if ((c >= '0' && c <= '9') || c == '.') {
      std::size_t start = pos_;
      while (pos_ < s_.size() && ((s_[pos_] >= '0' && s_[pos_] <= '9') || s_[pos_] == '.')) ++pos_;
      std::string num(s_.substr(start, pos_ - start));
      if (num == ".") syntax("lone point", s_);
      return lit(core::Value(core::val(num)));
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      std::string name = ident();
      skipBlanks();
      if (s_.substr(pos_, 2) == "->") {  // alias->field: the alias is the table's own
        pos_ += 2;
        skipBlanks();
        name = ident();
        skipBlanks();
      }
      if (pos_ < s_.size() && s_[pos_] == '(') return call(name, d);
      int idx = header_.fieldIndex(name);
      if (idx < 0) syntax("unknown field " + name, s_);
      if (header_.fields[static_cast<std::size_t>(idx)].type == 'M') syntax("memo field " + name, s_);
      auto n = std::make_unique<Node>();
      n->kind = Node::Kind::Field;
      n->field = idx;
      return n;
    }
    syntax(std::string("unexpected character '") + c + "'", s_);
  }

  std::string ident() {
    std::size_t start = pos_;
    while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_'))
      ++pos_;
    if (start == pos_) syntax("name expected", s_);
    return std::string(s_.substr(start, pos_ - start));
  }

  std::unique_ptr<Node> call(const std::string& name, int d) {
    const FnDef* def = findFunction(core::upper(name));
    if (def == nullptr) syntax("unknown function " + name, s_);
    ++pos_;  // (
    auto n = std::make_unique<Node>();
    n->kind = Node::Kind::Call;
    n->fn = def->fn;
    skipBlanks();
    if (pos_ < s_.size() && s_[pos_] == ')') {
      ++pos_;
    } else {
      for (;;) {
        n->args.push_back(parseOr(d + 1));
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == ',') {
          ++pos_;
          continue;
        }
        if (pos_ < s_.size() && s_[pos_] == ')') {
          ++pos_;
          break;
        }
        syntax("missing ) after the arguments of " + name, s_);
      }
    }
    int count = static_cast<int>(n->args.size());
    if (count < def->minArgs || count > def->maxArgs) syntax("wrong number of arguments for " + name, s_);
    return n;
  }

  std::string_view s_;
  const DbfHeader& header_;
  std::size_t pos_ = 0;
};

// --- evaluation ---------------------------------------------------------------------------

const std::string& textOf(const ExprValue& v, const char* fn) {
  if (!v.value.isText()) typeError(std::string(fn) + " needs a text");
  return v.value.text();
}
double numberOf(const ExprValue& v, const char* fn) {
  if (!v.value.isNumber()) typeError(std::string(fn) + " needs a number");
  return v.value.number();
}
long lengthOf(const ExprValue& v, const char* fn) {
  double n = numberOf(v, fn);
  if (!(n > -1e9 && n < 1e9)) typeError(std::string(fn) + ": length out of range");
  long l = static_cast<long>(n);
  if (l > kMaxText) typeError(std::string(fn) + ": text too long");
  return l;
}
core::Date dateOf(const ExprValue& v, const char* fn) {
  if (!v.value.isDate()) typeError(std::string(fn) + " needs a date");
  return v.value.date();
}
ExprValue text(std::string s) {
  if (static_cast<long>(s.size()) > kMaxText) typeError("text too long");
  return ExprValue{core::Value(std::move(s))};
}
ExprValue number(double n) {
  return ExprValue{core::Value(n)};
}

std::string strOf(const ExprValue& v, int width, int decimals) {
  if (width < 1 || width > 255 || decimals < 0 || decimals > 30) typeError("STR: size out of range");
  return core::str(v.value.number(), width, decimals);
}

int compareBytes(std::string_view a, std::string_view b) {
  int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool textEquals(const std::string& a, const std::string& b, bool exact) {
  if (exact) return core::rtrim(a) == core::rtrim(b);
  return core::equalsNonExact(a, b);
}

int compareValues(const ExprValue& a, const ExprValue& b, const char* op) {
  const auto& x = a.value;
  const auto& y = b.value;
  if (x.isText() && y.isText()) return compareBytes(x.text(), y.text());
  if (x.isNumber() && y.isNumber()) return x.number() < y.number() ? -1 : (x.number() > y.number() ? 1 : 0);
  if (x.isDate() && y.isDate()) return x.date() < y.date() ? -1 : (x.date() > y.date() ? 1 : 0);
  if (x.isLogical() && y.isLogical()) return static_cast<int>(x.logical()) - static_cast<int>(y.logical());
  typeError(std::string("operands of ") + op + " differ in type");
}

ExprValue eval(const Node& n, const RecordContext& ctx);

ExprValue evalBinary(const Node& n, const RecordContext& ctx) {
  const std::string& op = n.op;
  if (op == "AND" || op == "OR") {
    ExprValue a = eval(*n.args[0], ctx);
    if (!a.value.isLogical()) typeError(op + " needs logical values");
    if (op == "AND" && !a.value.logical()) return ExprValue{core::Value(false)};
    if (op == "OR" && a.value.logical()) return ExprValue{core::Value(true)};
    ExprValue b = eval(*n.args[1], ctx);
    if (!b.value.isLogical()) typeError(op + " needs logical values");
    return b;
  }
  ExprValue a = eval(*n.args[0], ctx);
  ExprValue b = eval(*n.args[1], ctx);
  const auto& x = a.value;
  const auto& y = b.value;
  if (op == "+") {
    if (x.isText() && y.isText()) return text(x.text() + y.text());
    if (x.isNumber() && y.isNumber()) return number(x.number() + y.number());
    if (x.isDate() && y.isNumber()) return ExprValue{core::Value(x.date() + static_cast<long>(y.number()))};
    if (x.isNumber() && y.isDate()) return ExprValue{core::Value(y.date() + static_cast<long>(x.number()))};
    typeError("+ of these types");
  }
  if (op == "-") {
    if (x.isText() && y.isText()) {  // trailing blanks of the left text move to the end
      std::string l = core::rtrim(x.text());
      std::string r = l + y.text();
      r.resize(x.text().size() + y.text().size(), ' ');
      return text(r);
    }
    if (x.isNumber() && y.isNumber()) return number(x.number() - y.number());
    if (x.isDate() && y.isNumber()) return ExprValue{core::Value(x.date() - static_cast<long>(y.number()))};
    if (x.isDate() && y.isDate()) return number(static_cast<double>(x.date() - y.date()));
    typeError("- of these types");
  }
  if (op == "*" || op == "/" || op == "%") {
    double p = numberOf(a, op.c_str());
    double q = numberOf(b, op.c_str());
    if (op == "*") return number(p * q);
    if (q == 0) typeError("division by zero");
    return number(op == "/" ? p / q : std::fmod(p, q));
  }
  if (op == "$") {
    return ExprValue{core::Value(core::at(textOf(a, "$"), textOf(b, "$")) > 0 || textOf(a, "$").empty())};
  }
  bool result = false;
  if (op == "=" || op == "!=") {
    bool eq = (x.isText() && y.isText()) ? textEquals(x.text(), y.text(), ctx.exact)
                                         : compareValues(a, b, "=") == 0;
    result = op == "=" ? eq : !eq;
  } else if (op == "==") {
    result = (x.isText() && y.isText()) ? x.text() == y.text() : compareValues(a, b, "==") == 0;
  } else {
    int c = compareValues(a, b, op.c_str());
    if (op == "<") result = c < 0;
    if (op == "<=") result = c <= 0;
    if (op == ">") result = c > 0;
    if (op == ">=") result = c >= 0;
  }
  return ExprValue{core::Value(result)};
}

ExprValue evalCall(const Node& n, const RecordContext& ctx) {
  std::vector<ExprValue> a;
  if (n.fn != Fn::Iif) {
    a.reserve(n.args.size());
    for (const auto& arg : n.args) a.push_back(eval(*arg, ctx));
  }
  switch (n.fn) {
    case Fn::Upper:
      return text(core::upper(textOf(a[0], "UPPER")));
    case Fn::Lower:
      return text(core::lower(textOf(a[0], "LOWER")));
    case Fn::Trim:
      return text(core::rtrim(textOf(a[0], "TRIM")));
    case Fn::Ltrim:
      return text(core::ltrim(textOf(a[0], "LTRIM")));
    case Fn::Alltrim:
      return text(core::alltrim(textOf(a[0], "ALLTRIM")));
    case Fn::Str:
    case Fn::Strzero: {
      numberOf(a[0], "STR");
      int width = a.size() > 1 ? static_cast<int>(lengthOf(a[1], "STR")) : (a[0].width > 0 ? a[0].width : 10);
      int dec = a.size() > 2 ? static_cast<int>(lengthOf(a[2], "STR"))
                             : (a.size() > 1 ? 0 : (a[0].decimals >= 0 ? a[0].decimals : 0));
      std::string s = strOf(a[0], width, dec);
      if (n.fn == Fn::Strzero) {
        bool neg = s.find('-') != std::string::npos;
        for (auto& ch : s)
          if (ch == ' ' || ch == '-') ch = '0';
        if (neg && s[0] == '0') s[0] = '-';
      }
      return text(s);
    }
    case Fn::Val:
      return number(core::val(textOf(a[0], "VAL")));
    case Fn::Dtos:
      return text(dateOf(a[0], "DTOS").dtos());
    case Fn::Dtoc:
      return text(dateOf(a[0], "DTOC").toText());
    case Fn::Ctod:
      return ExprValue{core::Value(core::Date::fromText(textOf(a[0], "CTOD")))};
    case Fn::Substr: {
      const std::string& s = textOf(a[0], "SUBSTR");
      long start = lengthOf(a[1], "SUBSTR");
      if (start < 0) start = std::max(1L, static_cast<long>(s.size()) + start + 1);
      long count = a.size() > 2 ? lengthOf(a[2], "SUBSTR") : -1;
      if (a.size() > 2 && count < 0) count = 0;
      return text(core::substr(s, start, count));
    }
    case Fn::Left:
      return text(core::left(textOf(a[0], "LEFT"), std::max(0L, lengthOf(a[1], "LEFT"))));
    case Fn::Right:
      return text(core::right(textOf(a[0], "RIGHT"), std::max(0L, lengthOf(a[1], "RIGHT"))));
    case Fn::Padr:
    case Fn::Padl:
    case Fn::Padc: {
      std::string s;
      if (a[0].value.isText())
        s = a[0].value.text();
      else if (a[0].value.isNumber())
        s = core::alltrim(core::str(a[0].value.number(), 30, a[0].decimals > 0 ? a[0].decimals : 0));
      else if (a[0].value.isDate())
        s = a[0].value.date().toText();
      else
        typeError("PAD of this type");
      long w = std::max(0L, lengthOf(a[1], "PAD"));
      char fill = ' ';
      if (a.size() > 2) {
        const std::string& f = textOf(a[2], "PAD");
        if (!f.empty()) fill = f[0];
      }
      if (static_cast<long>(s.size()) >= w) return text(s.substr(0, static_cast<std::size_t>(w)));
      std::size_t missing = static_cast<std::size_t>(w) - s.size();
      if (n.fn == Fn::Padr) return text(s + std::string(missing, fill));
      if (n.fn == Fn::Padl) return text(std::string(missing, fill) + s);
      return text(std::string(missing / 2, fill) + s + std::string(missing - missing / 2, fill));
    }
    case Fn::Len:
      return number(static_cast<double>(textOf(a[0], "LEN").size()));
    case Fn::Space:
      return text(std::string(static_cast<std::size_t>(std::max(0L, lengthOf(a[0], "SPACE"))), ' '));
    case Fn::Replicate: {
      const std::string& s = textOf(a[0], "REPLICATE");
      long count = std::max(0L, lengthOf(a[1], "REPLICATE"));
      if (!s.empty() && count > kMaxText / static_cast<long>(s.size())) typeError("REPLICATE: text too long");
      return text(core::replicate(s, count));
    }
    case Fn::Iif: {
      ExprValue c = eval(*n.args[0], ctx);
      if (!c.value.isLogical()) typeError("IIF needs a logical condition");
      return eval(*n.args[c.value.logical() ? 1 : 2], ctx);
    }
    case Fn::Deleted:
      return ExprValue{core::Value(!ctx.record.empty() && ctx.record[0] == '*')};
    case Fn::Recno:
      return number(ctx.recNo);
    case Fn::Empty: {
      const auto& v = a[0].value;
      bool e = v.isNil() || (v.isText() && core::isBlank(v.text())) || (v.isNumber() && v.number() == 0) ||
               (v.isDate() && v.date().empty()) || (v.isLogical() && !v.logical());
      return ExprValue{core::Value(e)};
    }
    case Fn::Year:
      return number(dateOf(a[0], "YEAR").empty() ? 0 : dateOf(a[0], "YEAR").year());
    case Fn::Month:
      return number(dateOf(a[0], "MONTH").empty() ? 0 : dateOf(a[0], "MONTH").month());
    case Fn::Day:
      return number(dateOf(a[0], "DAY").empty() ? 0 : dateOf(a[0], "DAY").day());
    case Fn::Chr:
      return text(std::string(1, static_cast<char>(static_cast<long>(numberOf(a[0], "CHR")) & 0xFF)));
    case Fn::Asc: {
      const std::string& s = textOf(a[0], "ASC");
      return number(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
    }
    case Fn::At:
      return number(static_cast<double>(core::at(textOf(a[0], "AT"), textOf(a[1], "AT"))));
    case Fn::Int:
      return number(std::trunc(numberOf(a[0], "INT")));
    case Fn::Abs:
      return number(std::fabs(numberOf(a[0], "ABS")));
    case Fn::Round: {
      double v = numberOf(a[0], "ROUND");
      long dec = lengthOf(a[1], "ROUND");
      if (dec < -15 || dec > 15) typeError("ROUND: decimals out of range");
      double p = std::pow(10.0, static_cast<double>(dec));
      double r = v >= 0 ? std::floor(v * p + 0.5) / p : -std::floor(-v * p + 0.5) / p;
      return number(r);
    }
  }
  typeError("unknown function");
}

ExprValue eval(const Node& n, const RecordContext& ctx) {
  switch (n.kind) {
    case Node::Kind::Literal:
      return ExprValue{n.literal};
    case Node::Kind::Field: {
      const auto& h = *ctx.header;
      const auto i = static_cast<std::size_t>(n.field);
      const FieldInfo& f = h.fields[i];
      std::uint32_t off = h.offsets[i];
      if (ctx.record.size() < off + static_cast<std::size_t>(f.length)) typeError("record too short");
      ExprValue v{decodeField(f, ctx.record.substr(off, static_cast<std::size_t>(f.length)))};
      if (f.type == 'N' || f.type == 'F') {
        v.width = f.length;
        v.decimals = f.decimals;
      }
      return v;
    }
    case Node::Kind::Call:
      return evalCall(n, ctx);
    case Node::Kind::Binary:
      return evalBinary(n, ctx);
    case Node::Kind::Not: {
      ExprValue v = eval(*n.args[0], ctx);
      if (!v.value.isLogical()) typeError(".NOT. needs a logical value");
      return ExprValue{core::Value(!v.value.logical())};
    }
    case Node::Kind::Negate: {
      ExprValue v = eval(*n.args[0], ctx);
      v.value = core::Value(-numberOf(v, "-"));
      return v;
    }
  }
  typeError("bad expression");
}

}  // namespace

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

Expression Expression::compile(std::string_view text, const DbfHeader& header) {
  if (core::isBlank(text)) syntax("empty expression", text);
  if (text.size() > 4096) syntax("expression too long", text.substr(0, 40));
  Expression e;
  e.text_ = std::string(text);
  Parser p(e.text_, header);
  e.root_ = p.parseAll();
  return e;
}

ExprValue Expression::evaluate(const RecordContext& ctx) const {
  if (!root_) throw core::RuntimeFailure("empty expression");
  return eval(*root_, ctx);
}

}  // namespace platform::dbf
