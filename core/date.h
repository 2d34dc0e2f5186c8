// Calendar dates as day numbers; the empty date is its own value (day number 0).
#pragma once

#include <string>
#include <string_view>

namespace core {

class Date {
 public:
  Date() = default;                                   // the empty date
  static Date fromYmd(int year, int month, int day);  // empty when the date does not exist
  static Date fromDayNumber(long n) { return Date(n); }
  // "YYYYMMDD" as stored in tables; blank or invalid gives the empty date.
  static Date fromDtos(std::string_view s);
  // Program date format DD.MM.YYYY (DD.MM.YY when the century is off, as setting 40 turns on).
  static Date fromText(std::string_view s);

  bool empty() const { return day_ == 0; }
  long dayNumber() const { return day_; }
  int year() const;
  int month() const;
  int day() const;
  // Day of week, 1 = Sunday … 7 = Saturday; 0 for the empty date.
  int dow() const;

  std::string dtos() const;    // "YYYYMMDD", eight blanks for the empty date
  std::string toText() const;  // "DD.MM.YYYY", "  .  .    " for the empty date

  Date operator+(long days) const { return empty() ? *this : Date(day_ + days); }
  Date operator-(long days) const { return empty() ? *this : Date(day_ - days); }
  long operator-(const Date& other) const { return day_ - other.day_; }
  auto operator<=>(const Date&) const = default;

 private:
  explicit Date(long n) : day_(n) {}
  long day_ = 0;  // Julian day number
};

}  // namespace core
