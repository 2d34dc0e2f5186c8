// The framework's small record classes, each created once under its name; instances are
// made with create() (the class's `new`, which runs its init).
#pragma once

#include "core/object.h"

namespace ui::classes {

const core::ClassDef& ZFELD();     // field cargo "zFeld"
const core::ClassDef& ZTHREAD();   // thread cargo "zThread": nErrStat 0, lHG false
const core::ClassDef& ZTABPAGE();  // "zTabPage" (the window side comes with the tab page control)
const core::ClassDef& ZMENU();     // "zMenu"
const core::ClassDef& ZNATION();   // "zNation"
const core::ClassDef& ZKEY();      // "zKey"
const core::ClassDef& ZERRLOG();   // "zErrLog"
int DUMMY();

}  // namespace ui::classes
