#include "core/date.h"

#include <cstdio>

namespace core {

namespace {

long toJulian(int y, int m, int d) {
  long a = (14 - m) / 12;
  long yy = y + 4800 - a;
  long mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

void fromJulian(long jd, int& y, int& m, int& d) {
  long a = jd + 32044;
  long b = (4 * a + 3) / 146097;
  long c = a - 146097 * b / 4;
  long dd = (4 * c + 3) / 1461;
  long e = c - 1461 * dd / 4;
  long mm = (5 * e + 2) / 153;
  d = static_cast<int>(e - (153 * mm + 2) / 5 + 1);
  m = static_cast<int>(mm + 3 - 12 * (mm / 10));
  y = static_cast<int>(100 * b + dd - 4800 + mm / 10);
}

bool digits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return !s.empty();
}

int number(std::string_view s) {
  int n = 0;
  for (char c : s) n = n * 10 + (c - '0');
  return n;
}

}  // namespace

Date Date::fromYmd(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return Date();
  long jd = toJulian(year, month, day);
  int y, m, d;
  fromJulian(jd, y, m, d);
  if (y != year || m != month || d != day) return Date();
  return Date(jd);
}

Date Date::fromDtos(std::string_view s) {
  if (s.size() != 8 || !digits(s)) return Date();
  return fromYmd(number(s.substr(0, 4)), number(s.substr(4, 2)), number(s.substr(6, 2)));
}

Date Date::fromText(std::string_view s) {
  // DD.MM.YYYY; a two-digit year is taken in this century.
  if (s.size() < 8 || s[2] != '.' || s[5] != '.') return Date();
  auto dd = s.substr(0, 2), mm = s.substr(3, 2), yy = s.substr(6);
  while (!yy.empty() && yy.back() == ' ') yy.remove_suffix(1);
  if (!digits(dd) || !digits(mm) || !digits(yy)) return Date();
  int year = number(yy);
  if (yy.size() == 2)
    year += 2000;
  else if (yy.size() != 4)
    return Date();
  return fromYmd(year, number(mm), number(dd));
}

int Date::year() const {
  if (empty()) return 0;
  int y, m, d;
  fromJulian(day_, y, m, d);
  return y;
}

int Date::month() const {
  if (empty()) return 0;
  int y, m, d;
  fromJulian(day_, y, m, d);
  return m;
}

int Date::day() const {
  if (empty()) return 0;
  int y, m, d;
  fromJulian(day_, y, m, d);
  return d;
}

int Date::dow() const {
  if (empty()) return 0;
  // Julian day 0 was a Monday; Sunday is 1.
  return static_cast<int>((day_ + 1) % 7) + 1;
}

std::string Date::dtos() const {
  if (empty()) return std::string(8, ' ');
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", year(), month(), day());
  return buf;
}

std::string Date::toText() const {
  if (empty()) return "  .  .    ";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", day(), month(), year());
  return buf;
}

}  // namespace core
