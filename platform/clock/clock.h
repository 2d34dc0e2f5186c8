// The clock and calendar of the program: today's date, the time of day, seconds since midnight.
#pragma once

#include <string>

#include "core/date.h"

namespace platform::clock {

core::Date today();
std::string timeOfDay();        // "HH:MM:SS"
double secondsSinceMidnight();  // with fractions
int dayOfWeek();                // 1 = Sunday … 7 = Saturday

}  // namespace platform::clock
