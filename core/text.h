// Program texts are Windows-1252 bytes in std::string. Source files are UTF-8; non-ASCII
// literals are written as they read and converted at compile time with the _w suffix:
//   "Schritt 1 von 3: Allgemeine Prüfungen"_w
// A character that Windows-1252 cannot hold is a compile error.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace core {

namespace detail {

template <std::size_t N>
struct Utf8Literal {
  char bytes[N]{};
  constexpr Utf8Literal(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
  }
};

// Windows-1252 bytes 0x80..0x9F as Unicode code points (0 where the code page has no character).
inline constexpr char32_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                             0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Returns -1 when the code point has no Windows-1252 byte.
constexpr int cp1252FromCodePoint(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] != 0 && kCp1252High[i] == cp) return 0x80 + i;
  return -1;
}

struct Converted {
  char bytes[512]{};
  std::size_t size = 0;
};

template <Utf8Literal S>
consteval Converted toCp1252() {
  static_assert(sizeof(S.bytes) <= 512, "text literal too long for _w");
  Converted out;
  constexpr std::size_t n = sizeof(S.bytes) - 1;  // without the terminating NUL
  for (std::size_t i = 0; i < n;) {
    auto b = static_cast<unsigned char>(S.bytes[i]);
    char32_t cp = 0;
    std::size_t len = 1;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F;
      len = 3;
    } else {
      throw "literal is not UTF-8 text that Windows-1252 can hold";
    }
    if (i + len > n) throw "truncated UTF-8 sequence in literal";
    for (std::size_t k = 1; k < len; ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(S.bytes[i + k]) & 0x3F);
    int byte = cp1252FromCodePoint(cp);
    if (byte < 0) throw "character has no Windows-1252 byte";
    out.bytes[out.size++] = static_cast<char>(byte);
    i += len;
  }
  return out;
}

}  // namespace detail

namespace literals {
template <detail::Utf8Literal S>
std::string operator""_w() {
  static constexpr detail::Converted c = detail::toCp1252<S>();
  return std::string(c.bytes, c.size);
}
}  // namespace literals

// Windows-1252 <-> UTF-8 at the boundaries (Qt, host file names). Bytes without a character
// in the code page travel as U+FFFD one way and as '?' the other way.
std::string toUtf8(std::string_view cp1252);
std::string fromUtf8(std::string_view utf8);

// Case mapping of the code page, umlauts included (ä <-> Ä, ö <-> Ö, ü <-> Ü, ß stays).
char upperChar(char c);
char lowerChar(char c);
std::string upper(std::string_view s);
std::string lower(std::string_view s);

// Trimming removes blanks (and, as xBase does, nothing else) from the named end.
std::string rtrim(std::string_view s);
std::string ltrim(std::string_view s);
std::string alltrim(std::string_view s);
// "Blank": empty or only blanks, tabs, carriage returns and line feeds.
bool isBlank(std::string_view s);

// Exact comparison: the same bytes. Non-exact: left begins with right; an empty right text
// equals everything. The program-wide switch between the two is in the work-area settings.
inline bool equalsExact(std::string_view a, std::string_view b) {
  return a == b;
}
bool equalsNonExact(std::string_view a, std::string_view b);

bool startsWith(std::string_view s, std::string_view prefix);
bool endsWith(std::string_view s, std::string_view suffix);
// 1-based substring as xBase SUBSTR: start beyond the text gives "".
std::string substr(std::string_view s, long start, long count = -1);
std::string left(std::string_view s, long count);
std::string right(std::string_view s, long count);
std::string replicate(std::string_view s, long count);
std::string padLeft(std::string_view s, std::size_t width, char fill = ' ');
std::string padRight(std::string_view s, std::size_t width, char fill = ' ');
std::string replaceAll(std::string s, std::string_view from, std::string_view to);
// "ABC" -> position of needle (1-based), 0 when not found.
std::size_t at(std::string_view needle, std::string_view hay);

// STR(number, width, decimals): right-aligned, '*' filled when it does not fit.
std::string str(double value, int width = 10, int decimals = 0);
// Leading number of a text as VAL does: blanks skipped, sign, digits, one point.
double val(std::string_view s);

}  // namespace core
