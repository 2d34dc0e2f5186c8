#include "platform/clock/clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace platform::clock {

namespace {
std::tm localNow(double* fraction = nullptr) {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  if (fraction) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    *fraction = static_cast<double>(ms) / 1000.0;
  }
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  return tm;
}
}  // namespace

core::Date today() {
  std::tm tm = localNow();
  return core::Date::fromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::string timeOfDay() {
  std::tm tm = localNow();
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

double secondsSinceMidnight() {
  double fraction = 0;
  std::tm tm = localNow(&fraction);
  return tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + fraction;
}

int dayOfWeek() {
  return today().dow();
}

}  // namespace platform::clock
