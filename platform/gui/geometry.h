// Positions and sizes of the window system: pixels, a position is the lower left corner of a
// window measured from the lower left corner of its parent, y growing upwards.
#pragma once

#include "core/value.h"

namespace platform::gui {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// The program passes positions and sizes as arrays {x, y} and {width, height}; fractions of a
// pixel are cut off. Anything else raises RuntimeFailure, as the runtime's type check does.
Point toPoint(const core::Value& v);
Size toSize(const core::Value& v);
core::Value toValue(Point p);
core::Value toValue(Size s);

}  // namespace platform::gui
