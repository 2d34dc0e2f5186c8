// The small window-building operations of the selection dialogs: the dialog window, its push
// buttons and the label-with-value lines.
#pragma once

#include <functional>
#include <string>

#include "core/value.h"

namespace app {

// A new selection dialog of size {width, height}, centred on the desktop, titled "Update einer
// früheren ZOV-Version"; the previous one (yDlg_upd) is destroyed and the main window
// (yDlg_Set) hidden. Its close button ends the program. Stored in yDlg_upd and returned.
core::Value UPD_DLG(const core::Value& size);

// A push button in parent at pos with size, caption in "10.Arial"; action runs when it is
// pressed (a callback called without arguments, or NIL for none).
core::Value UPD_BTN(const core::Value& parent, const core::Value& pos, const core::Value& size,
                    const std::string& caption, const core::Value& action);
core::Value UPD_BTN(const core::Value& parent, const core::Value& pos, const core::Value& size,
                    const std::string& caption, std::function<void()> action);

// A label (labelWidth x 20, right-aligned unless noAlign is given and not false) at pos and a
// read-only single-line field (valueWidth x 20) showing value, labelWidth + 15 further right.
// pos is advanced in place to the field's position; field, when given, receives the field.
// Omitted widths are 120.
void INFOLINE(const core::Value& parent, const core::Value& pos, const std::string& label,
              const core::Value& value, const core::Value& labelWidth = {},
              const core::Value& valueWidth = {}, const core::Value& noAlign = {},
              core::Value* field = nullptr);

}  // namespace app
