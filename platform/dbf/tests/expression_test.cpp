// Key and filter expressions over one record.
#include <gtest/gtest.h>

#include "core/failure.h"
#include "core/text.h"
#include "platform/dbf/expression.h"

using namespace platform::dbf;
using namespace core::literals;

namespace {

struct Fixture {
  DbfHeader header = makeHeader({{"ID", 'C', 8, 0},
                                 {"NR", 'N', 5, 0},
                                 {"BETRAG", 'N', 7, 2},
                                 {"DATUM", 'D', 8, 0},
                                 {"OK", 'L', 1, 0},
                                 {"NOTIZ", 'M', 10, 0}});
  // " anna    " + "   42" + "  -3.50" + "20240229" + "T" + memo pointer
  std::string record = std::string(" anna    ") + "   42" + "  -3.50" + "20240229" + "T" + "          ";
  core::Value eval(const std::string& text, bool exact = false) const {
    return Expression::compile(text, header).evaluate(RecordContext{&header, record, 7, exact}).value;
  }
};

}  // namespace

TEST(Expression, EvaluatesWhatIndexKeysAndFiltersUse) {
  Fixture f;
  struct Case {
    const char* expr;
    core::Value want;
  } cases[] = {
      {"ID", core::Value("anna    ")},
      {"upper(id)", core::Value("ANNA    ")},
      {"UPPER(ID)+DTOS(DATUM)", core::Value("ANNA    20240229")},
      {"STR(NR)", core::Value("   42")},
      {"STR(NR,3)", core::Value(" 42")},
      {"STR(BETRAG)", core::Value("  -3.50")},
      {"STR(BETRAG,6,1)", core::Value("  -3.5")},
      {"STRZERO(NR,5)", core::Value("00042")},
      {"SUBSTR(ID,2,2)", core::Value("nn")},
      {"SUBS(ID,2)", core::Value("nna    ")},
      {"LEFT(ID,2)+RIGHT(DTOS(DATUM),2)", core::Value("an29")},
      {"TRIM(ID)+'|'", core::Value("anna|")},
      {"RTRIM(ID)+LTRIM('  x')", core::Value("annax")},
      {"ALLTRIM('  a b  ')", core::Value("a b")},
      {"ID-'x'", core::Value("annax    ")},
      {"PADL(TRIM(ID),6,'*')", core::Value("**anna")},
      {"PADR(NR,4)", core::Value("42  ")},
      {"IIF(OK, 'ja', 'nein')", core::Value("ja")},
      {"NR * 2 + 1", core::Value(85.0)},
      {"-NR", core::Value(-42.0)},
      {"BETRAG < 0 .AND. .NOT. OK", core::Value(false)},
      {"NR >= 42 .OR. 1/0 > 1", core::Value(true)},
      {"'anna' $ ID", core::Value(true)},
      {"DTOC(DATUM)", core::Value("29.02.2024")},
      {"YEAR(DATUM) * 100 + MONTH(DATUM)", core::Value(202402.0)},
      {"DATUM + 1", core::Value(core::Date::fromYmd(2024, 3, 1))},
      {"RECNO()", core::Value(7.0)},
      {"DELETED()", core::Value(false)},
      {"EMPTY(NR)", core::Value(false)},
      {"LEN(ID)", core::Value(8.0)},
      {"VAL('12.5') + 1", core::Value(13.5)},
      {"[a]+\"b\"", core::Value("ab")},
      {"people->ID == 'anna    '", core::Value(true)},
  };
  for (const auto& c : cases) {
    core::Value got = f.eval(c.expr);
    EXPECT_TRUE(got.identical(c.want)) << c.expr << " gave " << core::toDisplayText(got);
  }
}

TEST(Expression, CaseFunctionsKnowTheUmlauts) {
  Fixture f;
  EXPECT_EQ(f.eval("LOWER('ÄÖÜB')"_w).text(), "äöüb"_w);
  EXPECT_EQ(f.eval("UPPER('äöüß')"_w).text(), "ÄÖÜß"_w);
}

TEST(Expression, EqualsFollowsTheExactSetting) {
  Fixture f;
  EXPECT_TRUE(f.eval("ID = 'ann'").logical());  // non-exact: begins with
  EXPECT_FALSE(f.eval("ID = 'ann'", true).logical());
  EXPECT_TRUE(f.eval("ID = 'anna'", true).logical());  // exact ignores trailing blanks
  EXPECT_FALSE(f.eval("ID == 'anna'").logical());      // == compares every byte
  EXPECT_TRUE(f.eval("ID = ''").logical());
  EXPECT_TRUE(f.eval("ID != 'bob'").logical());
}

TEST(Expression, MistakesRaiseTheRuntimeFailure) {
  Fixture f;
  const char* bad[] = {"",
                       "NOSUCH",
                       "UPPER(ID",
                       "FOO(ID)",
                       "ID +",
                       "'open",
                       "NOTIZ",
                       "UPPER(1)",
                       "ID + 1",
                       "SUBSTR(ID)",
                       "1/0",
                       "STR(NR, 1000000)",
                       "SPACE(999999999)",
                       "ID $ 3",
                       "REPLICATE(ID, 100000)",
                       "NR)",
                       "@",
                       "IIF(1, 2, 3)"};
  for (const char* b : bad) EXPECT_THROW(f.eval(b), core::RuntimeFailure) << b;
  std::string deep(2000, '(');
  EXPECT_THROW(f.eval(deep + "1" + std::string(2000, ')')), core::RuntimeFailure);
  std::string nested;
  for (int i = 0; i < 200; ++i) nested += "UPPER(";
  EXPECT_THROW(f.eval(nested + "ID" + std::string(200, ')')), core::RuntimeFailure);
}
