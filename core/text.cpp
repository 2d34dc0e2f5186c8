#include "core/text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace core {

std::string toUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 8);
  for (char ch : cp1252) {
    auto b = static_cast<unsigned char>(ch);
    char32_t cp = b;
    if (b >= 0x80 && b < 0xA0) cp = detail::kCp1252High[b - 0x80] ? detail::kCp1252High[b - 0x80] : 0xFFFD;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::string fromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    std::size_t len = b < 0x80             ? 1
                      : (b & 0xE0) == 0xC0 ? 2
                      : (b & 0xF0) == 0xE0 ? 3
                      : (b & 0xF8) == 0xF0 ? 4
                                           : 0;
    if (len == 0 || i + len > utf8.size()) {
      out += '?';
      ++i;
      continue;
    }
    char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = true;
    for (std::size_t k = 1; k < len; ++k) {
      auto c = static_cast<unsigned char>(utf8[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    int byte = ok ? detail::cp1252FromCodePoint(cp) : -1;
    out += byte < 0 ? '?' : static_cast<char>(byte);
    i += ok ? len : 1;
  }
  return out;
}

char upperChar(char c) {
  auto b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  // Latin-1 letters à..þ except ÷ (0xF7); ß (0xDF) has no capital here.
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
  if (b == 0x9A || b == 0x9C || b == 0x9E) return static_cast<char>(b - 16);  // š œ ž
  if (b == 0xFF) return static_cast<char>(0x9F);                              // ÿ
  return c;
}

char lowerChar(char c) {
  auto b = static_cast<unsigned char>(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 32);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<char>(b + 16);
  if (b == 0x9F) return static_cast<char>(0xFF);
  return c;
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upperChar(c);
  return out;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerChar(c);
  return out;
}

std::string rtrim(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return std::string(s.substr(0, n));
}

std::string ltrim(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return std::string(s.substr(i));
}

std::string alltrim(std::string_view s) {
  return ltrim(rtrim(s));
}

bool isBlank(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

bool equalsNonExact(std::string_view a, std::string_view b) {
  return startsWith(a, b);
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string substr(std::string_view s, long start, long count) {
  if (start < 1) start = 1;
  auto from = static_cast<std::size_t>(start - 1);
  if (from >= s.size()) return {};
  if (count < 0) return std::string(s.substr(from));
  return std::string(s.substr(from, static_cast<std::size_t>(count)));
}

std::string left(std::string_view s, long count) {
  if (count <= 0) return {};
  return std::string(s.substr(0, static_cast<std::size_t>(count)));
}

std::string right(std::string_view s, long count) {
  if (count <= 0) return {};
  auto n = static_cast<std::size_t>(count);
  return n >= s.size() ? std::string(s) : std::string(s.substr(s.size() - n));
}

std::string replicate(std::string_view s, long count) {
  std::string out;
  for (long i = 0; i < count; ++i) out += s;
  return out;
}

std::string padLeft(std::string_view s, std::size_t width, char fill) {
  if (s.size() >= width) return std::string(s);
  return std::string(width - s.size(), fill) + std::string(s);
}

std::string padRight(std::string_view s, std::size_t width, char fill) {
  if (s.size() >= width) return std::string(s);
  return std::string(s) + std::string(width - s.size(), fill);
}

std::string replaceAll(std::string s, std::string_view from, std::string_view to) {
  if (from.empty()) return s;
  std::size_t pos = 0;
  while ((pos = s.find(from, pos)) != std::string::npos) {
    s.replace(pos, from.size(), to);
    pos += to.size();
  }
  return s;
}

std::size_t at(std::string_view needle, std::string_view hay) {
  if (needle.empty()) return 0;
  auto p = hay.find(needle);
  return p == std::string_view::npos ? 0 : p + 1;
}

std::string str(double value, int width, int decimals) {
  if (width < 1) width = 1;
  if (decimals < 0) decimals = 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string s = buf;
  if (s == "-0" || (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos))
    s = s.substr(1);  // no negative zero
  if (static_cast<int>(s.size()) > width) return std::string(static_cast<std::size_t>(width), '*');
  return padLeft(s, static_cast<std::size_t>(width));
}

double val(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  std::string num;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) num += s[i++];
  bool point = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      num += c;
    } else if (c == '.' && !point) {
      point = true;
      num += c;
    } else {
      break;
    }
  }
  if (num.empty() || num == "-" || num == "+" || num == ".") return 0.0;
  return std::strtod(num.c_str(), nullptr);
}

}  // namespace core
