#include "app/window/progress.h"

#include <algorithm>
#include <cmath>

#include "core/globals.h"
#include "core/text.h"
#include "platform/clock/clock.h"
#include "platform/gui/codes.h"
#include "platform/thread/thread.h"
#include "ui/fields/static_text.h"

namespace gui = platform::gui;
using core::Value;

namespace app {

namespace {

constexpr double kSecondsPerDay = 86400;

gui::Control::Ref mainDrawingArea() {
  gui::Control::Ref main = gui::requireControl(core::globals().get("yMDI"));
  if (auto dialog = std::dynamic_pointer_cast<gui::Dialog>(main)) return dialog->drawingArea();
  return main;
}

std::shared_ptr<gui::Static> valueLabel(const gui::Control::Ref& area, gui::Point pos,
                                        const std::string& font) {
  auto label = gui::Static::make(area);
  label->setCaption("0");
  label->setFont(font);
  label->setOptions(gui::align::kRight);
  label->create(pos, {60, 15}, true);
  return label;
}

}  // namespace

ZUBalken::ZUBalken() : gui::Dialog(nullptr, nullptr) {
  for (const char* member : {"oFrame", "oBlock", "nWidth", "oPercent", "aText", "aText0"})
    declareMember(member);
}

std::shared_ptr<ZUBalken> ZUBalkenClass::New() const {
  return std::shared_ptr<ZUBalken>(new ZUBalken());
}

const ZUBalkenClass& ZUBALKEN() {
  static const ZUBalkenClass cls;
  return cls;
}

std::shared_ptr<ZUBalken> ZUBalken::init(const Value&, const Value&, const Value& texts) {
  const std::string font = core::globals().getOr("Fo_Ari10", "10.Arial").textOr("10.Arial");
  gui::Control::Ref area = mainDrawingArea();
  const double width = area->size().width - 60;
  set("nWidth", width);

  auto frame = gui::Static::make(area);
  frame->setType(gui::stype::kOutline);
  frame->create({30, 50}, {static_cast<int>(width), 25}, true);
  set("oFrame", Value(frame));

  auto block = gui::Static::make(area);
  block->setType(gui::stype::kFilledRect);
  block->create({30, 50}, {1, 25}, true);
  set("oBlock", Value(block));

  const double middle = 30 + width / 2;
  set("oPercent", Value(valueLabel(area, {static_cast<int>(middle - 65), 24}, font)));
  ui::fields::XSTRING(Value(area), "%", core::arr(middle, 20));

  Value values = Value::array();
  Value captions = Value::array();
  if (texts.isArray()) {
    for (std::size_t k = 1; k <= texts.size(); ++k) {
      const double shift = 25.0 * static_cast<double>(k);
      values.elements().push_back(Value(valueLabel(area, {30, static_cast<int>(24 - shift)}, font)));
      captions.elements().push_back(ui::fields::XSTRING(
          Value(area), texts[k].textOr(core::toDisplayText(texts[k])), core::arr(100, 20 - shift)));
    }
  }
  set("aText", values);
  set("aText0", captions);
  return std::static_pointer_cast<ZUBalken>(self());
}

std::shared_ptr<ZUBalken> ZUBalken::progress(double share, const Value& values) {
  // A share outside 0 … 1 (or none at all) would draw outside the frame.
  if (!std::isfinite(share)) share = 0;
  share = std::clamp(share, 0.0, 1.0);
  const double width = get("nWidth").number();
  gui::requireControl(get("oBlock"))->setSize({static_cast<int>(std::lround(width * share)), 25});
  gui::requireControl(get("oPercent"))->setCaption(core::str(share * 100, 3, 0));
  const Value labels = get("aText");
  for (std::size_t k = 1; k <= labels.size(); ++k) {
    const bool given = values.isArray() && k <= values.size();
    gui::requireControl(labels[k])->setCaption(given ? core::toDisplayText(values[k]) : " ");
  }
  return std::static_pointer_cast<ZUBalken>(self());
}

void ZUBalken::destroy() {
  for (const char* member : {"oFrame", "oBlock", "oPercent"})
    if (auto c = gui::asControl(get(member))) c->destroy();
  for (const char* list : {"aText", "aText0"}) {
    const Value controls = get(list);
    for (std::size_t k = 1; k <= controls.size(); ++k)
      if (auto c = gui::asControl(controls[k])) c->destroy();
  }
  gui::Dialog::destroy();
}

ProgressState nextProgress(const ProgressState& state, double now, const Value& nStep, const Value& nStepR) {
  ProgressState s = state;
  const double r = nStepR.isNumber() ? nStepR.number() : 0;
  const long step = nStep.isNumber() ? nStep.integer() : 0;
  switch (nStep.isNumber() && nStep.number() == static_cast<double>(step) ? step : 0) {
    case 1:
      s.P = 0.01;
      break;
    case 2:
      s.P = 0.02 + 0.08 * r;
      break;
    case 3: {
      if (s.T0 == 0) {
        s.T0 = now;
        s.x = 0;
      }
      // A step 3 that runs over midnight goes on counting from the day before.
      const double t = now < s.T0 ? now + kSecondsPerDay : now;
      if (r == 0) {
        s.x = std::min((t - s.T0) / 150, 0.1);
      } else if (r > s.R) {
        // A report in the very second step 3 began gives no rate yet.
        s.V = t > s.T0 ? r / (t - s.T0) : 0;
        s.Sr = r;
        s.R = r;
        s.Tr = t;
        s.x = r;
      } else if (r == s.R) {
        s.x = std::min(s.Sr + (t - s.Tr) * s.V * 0.8, 0.9);
      }
      s.P = 0.1 + 0.85 * s.x;
      break;
    }
    case 4:
      s.P = 0.95 + 0.95 * r;
      break;
    case 5:
      s.P = 1;
      break;
    default:
      break;
  }
  s.P = std::min(s.P, 1.0);
  return s;
}

void UPD_PROGRESS() {
  auto& g = core::globals();
  auto bar = ZUBALKEN().New()->init(g.get("yMDI"), "", Value::array());
  ProgressState state;
  for (;;) {
    platform::thread::sleepHundredths(20);
    state = nextProgress(state, platform::clock::secondsSinceMidnight(), g.getOr("nStep", Value()),
                         g.getOr("nStepR", Value()));
    bar->progress(state.P);
  }
}

}  // namespace app
