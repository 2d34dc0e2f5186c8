#include "platform/gui/geometry.h"

#include <cmath>

#include "core/failure.h"

namespace platform::gui {

namespace {
int pixel(const core::Value& v) {
  double n = v.number();
  if (!std::isfinite(n)) throw core::RuntimeFailure("position or size is not a number");
  return static_cast<int>(n);
}
std::pair<int, int> pair(const core::Value& v) {
  if (!v.isArray() || v.size() < 2) throw core::RuntimeFailure("position or size expected: {x, y}");
  return {pixel(v[1]), pixel(v[2])};
}
}  // namespace

Point toPoint(const core::Value& v) {
  auto [x, y] = pair(v);
  return {x, y};
}

Size toSize(const core::Value& v) {
  auto [w, h] = pair(v);
  return {w, h};
}

core::Value toValue(Point p) {
  return core::arr(p.x, p.y);
}
core::Value toValue(Size s) {
  return core::arr(s.width, s.height);
}

}  // namespace platform::gui
