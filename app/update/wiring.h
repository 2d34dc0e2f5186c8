// Connects the layers below the windows to the windows: the table layer's messages become
// message boxes, and the driver's search for installations opens the selection dialogs.
#pragma once

namespace app {

void wireProgram();

}  // namespace app
