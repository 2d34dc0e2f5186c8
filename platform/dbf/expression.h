// The xBase expressions of index keys and of text filters: field names, literals ("x", 'x',
// [x], 12.5, .T.), + - * / %, comparisons (= == != <> # < <= > >= $), .AND. .OR. .NOT. and
// the functions UPPER LOWER TRIM RTRIM LTRIM ALLTRIM STR STRZERO VAL DTOS DTOC CTOD SUBSTR
// LEFT RIGHT PADR PADL PADC LEN SPACE REPLICATE IIF/IF DELETED RECNO EMPTY YEAR MONTH DAY
// CHR ASC AT INT ABS ROUND (names may be shortened to four letters, as xBase allows).
// Expressions come from index files too, so parsing and evaluation are bounded: nesting
// depth, text lengths and unknown names raise core::RuntimeFailure, never crash.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/value.h"
#include "platform/dbf/dbf_format.h"

namespace platform::dbf {

// What an expression reads: the record bytes of the table whose header it was compiled for.
struct RecordContext {
  const DbfHeader* header = nullptr;
  std::string_view record;  // recordLength bytes, flag first
  std::uint32_t recNo = 0;
  bool exact = false;  // the exact-comparison setting for '='
};

struct ExprValue {
  core::Value value;
  int width = -1;  // numbers from numeric fields keep their field's width and decimals
  int decimals = -1;
};

class Expression {
 public:
  Expression();
  ~Expression();
  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;

  // Raises core::RuntimeFailure on a syntax error, an unknown field or function, or a memo
  // field (memos cannot be keys).
  static Expression compile(std::string_view text, const DbfHeader& header);

  ExprValue evaluate(const RecordContext& ctx) const;
  const std::string& text() const { return text_; }
  bool valid() const { return root_ != nullptr; }

  struct Node;

 private:
  std::string text_;
  std::unique_ptr<Node> root_;
};

}  // namespace platform::dbf
