#include <gtest/gtest.h>

#include "core/text.h"

using namespace core::literals;

TEST(Text, UmlautsRoundTripThroughUtf8) {
  struct Case {
    std::string cp1252;
    std::string utf8;
  };
  const Case cases[] = {
      {"\xE4", "ä"},
      {"\xF6", "ö"},
      {"\xFC", "ü"},
      {"\xC4", "Ä"},
      {"\xD6", "Ö"},
      {"\xDC", "Ü"},
      {"\xDF", "ß"},
      {"\x80", "€"},
      {"\xA7", "§"},
      {"Pr\xFC"
       "fungen",
       "Prüfungen"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(core::toUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(core::fromUtf8(c.utf8), c.cp1252);
  }
  // Every byte survives the way out and back, except the five the code page leaves empty.
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    bool hole = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    EXPECT_EQ(core::fromUtf8(core::toUtf8(one)), hole ? std::string("?") : one) << b;
  }
}

TEST(Text, LiteralsAreWindows1252Bytes) {
  EXPECT_EQ("Schritt 1 von 3: Allgemeine Prüfungen"_w,
            "Schritt 1 von 3: Allgemeine Pr\xFC"
            "fungen");
  EXPECT_EQ("Tq8#wLm2 Rk=ezPyöV-4!hN§c%Jx;U?9sG&b jo"_w.size(), 39u);
  EXPECT_EQ("€"_w, "\x80");
}

TEST(Text, CaseMappingCoversUmlauts) {
  EXPECT_EQ(core::upper("größe äöü"_w), "GRÖßE ÄÖÜ"_w);
  EXPECT_EQ(core::lower("GRÖSSE ÄÖÜ"_w), "grösse äöü"_w);
  EXPECT_EQ(core::upper("zov-help.chm"), "ZOV-HELP.CHM");
}

TEST(Text, TrimAndBlank) {
  EXPECT_EQ(core::rtrim("  a b  "), "  a b");
  EXPECT_EQ(core::ltrim("  a b  "), "a b  ");
  EXPECT_EQ(core::alltrim("  a b  "), "a b");
  EXPECT_EQ(core::rtrim("a\t"), "a\t") << "only blanks are trimmed";
  EXPECT_TRUE(core::isBlank(""));
  EXPECT_TRUE(core::isBlank(" \t\r\n"));
  EXPECT_FALSE(core::isBlank(" x "));
}

TEST(Text, ExactAndNonExactComparison) {
  struct Case {
    const char* a;
    const char* b;
    bool exact, nonExact;
  };
  const Case cases[] = {
      {"ABC", "AB", false, true}, {"AB", "ABC", false, false}, {"ABC", "", false, true},
      {"", "", true, true},       {"AB ", "AB", false, true},  {"AB", "AB ", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(core::equalsExact(c.a, c.b), c.exact) << c.a << "|" << c.b;
    EXPECT_EQ(core::equalsNonExact(c.a, c.b), c.nonExact) << c.a << "|" << c.b;
  }
}

TEST(Text, SubstringsAndNumbers) {
  EXPECT_EQ(core::substr("BAK_43E", 5, 3), "43E");
  EXPECT_EQ(core::substr("abc", 9, 2), "");
  EXPECT_EQ(core::right("ZOV_SICH_U43F_2018_05_02(09)", 4), "(09)");
  EXPECT_EQ(core::left("ab", 5), "ab");
  EXPECT_EQ(core::str(12, 3), " 12");
  EXPECT_EQ(core::str(45.6, 3), " 46");
  EXPECT_EQ(core::str(-1.5, 6, 2), " -1.50");
  EXPECT_EQ(core::str(12345, 3), "***");
  EXPECT_EQ(core::val("  0000000005ABC"), 5);
  EXPECT_EQ(core::val("-3.25x"), -3.25);
  EXPECT_EQ(core::val("abc"), 0);
  EXPECT_EQ(core::at("404", "Error 404"), 7u);
}
