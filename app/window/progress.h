// The progress display in the main window: the bar class zUBalken and the thread body that
// redraws it five times a second from the driver's step number and step share.
#pragma once

#include <memory>
#include <string>

#include "core/value.h"
#include "platform/gui/control.h"

namespace app {

// The bar: derives from the dialog window class but places its controls into the drawing area
// of the main window yMDI. Members oFrame, oBlock, nWidth, oPercent, aText, aText0.
class ZUBalken : public platform::gui::Dialog {
 public:
  std::string className() const override { return "zUBalken"; }
  // Frame and block at (30, 50), the percentage "0" right-aligned at (30 + nWidth / 2 - 65, 24)
  // and "%" at (30 + nWidth / 2, 20), then one value label and caption per text of the extra
  // rows. parent and caption are not used.
  std::shared_ptr<ZUBalken> init(const core::Value& parent = {}, const core::Value& caption = {},
                                 const core::Value& texts = {});
  // The block becomes nWidth x share wide, the percentage the share in whole percent, right
  // aligned in three characters; the value labels show the values (a blank where one is missing).
  std::shared_ptr<ZUBalken> progress(double share, const core::Value& values = {});
  // Destroys frame, block, percentage and the extra rows' controls.
  void destroy();

 private:
  friend struct ZUBalkenClass;
  ZUBalken();
};

// The class object (named "zUBalken"); New() is the class's new.
struct ZUBalkenClass {
  std::string name() const { return "zUBalken"; }
  std::shared_ptr<ZUBalken> New() const;
};
const ZUBalkenClass& ZUBALKEN();

// The overall share from the step number and step share (nStep, nStepR); during step 3 it
// estimates progress between the download's reports. Times in seconds since midnight.
struct ProgressState {
  double P = 0;   // overall share shown
  double T0 = 0;  // start of step 3
  double x = 0;   // estimated share of step 3
  double R = 0;   // last reported share
  double Tr = 0;  // time of that report
  double Sr = 0;  // share at that report
  double V = 0;   // rate so far (share per second)
};
ProgressState nextProgress(const ProgressState& state, double now, const core::Value& nStep,
                           const core::Value& nStepR);

// The body of the thread "Upd_Progress": makes the bar in the main window and redraws it every
// 0.2 seconds from the globals nStep and nStepR. Ends only with the program.
[[noreturn]] void UPD_PROGRESS();

}  // namespace app
