#include "app/window/dialogs.h"

#include "app/window/appsys.h"
#include "core/globals.h"
#include "core/text.h"
#include "platform/gui/codes.h"
#include "platform/gui/control.h"

using namespace core::literals;
namespace gui = platform::gui;
using core::Value;

namespace app {

Value UPD_DLG(const Value& size) {
  auto& g = core::globals();
  const gui::Size s = gui::toSize(size);
  const gui::Size desk = gui::desktopSize();
  const gui::Point pos{(desk.width - s.width) / 2, (desk.height - s.height) / 2};
  // Only one selection dialog exists at a time.
  if (auto previous = gui::asControl(g.getOr("yDlg_upd", Value()))) previous->destroy();
  auto dialog = gui::Dialog::make();
  dialog->setCaption("Update einer früheren ZOV-Version"_w);
  dialog->setTaskList(true);
  dialog->setIcon(kProgramIcon);
  dialog->setHandler(gui::ev::kClose,
                     Value(core::Callback([](const std::vector<Value>&) -> Value { XQUIT(); })));
  dialog->setMinimumSize(s);
  if (auto main = gui::asControl(g.getOr("yDlg_Set", Value()))) main->hide();
  dialog->drawingArea()->setBackground(gui::colour::kDialogPale);
  dialog->create(pos, s, true);
  dialog->setFocus();
  g.set("yDlg_upd", Value(dialog));
  return Value(dialog);
}

Value UPD_BTN(const Value& parent, const Value& pos, const Value& size, const std::string& caption,
              const Value& action) {
  auto button = gui::PushButton::make(gui::requireControl(parent));
  button->setCaption(caption);
  button->setFont("10.Arial");
  if (action.isCallback())
    button->setHandler(gui::ev::kActivate, Value(core::Callback([action](const std::vector<Value>&) {
                         action.call({});
                         return Value();
                       })));
  button->create(gui::toPoint(pos), gui::toSize(size), true);
  return Value(button);
}

Value UPD_BTN(const Value& parent, const Value& pos, const Value& size, const std::string& caption,
              std::function<void()> action) {
  Value callback;
  if (action)
    callback = Value(core::Callback([action = std::move(action)](const std::vector<Value>&) {
      action();
      return Value();
    }));
  return UPD_BTN(parent, pos, size, caption, callback);
}

void INFOLINE(const Value& parent, const Value& pos, const std::string& label, const Value& value,
              const Value& labelWidth, const Value& valueWidth, const Value& noAlign, Value* field) {
  const double labelW = labelWidth.isNumber() ? labelWidth.number() : 120;
  const double valueW = valueWidth.isNumber() ? valueWidth.number() : 120;
  gui::Control::Ref area = gui::requireControl(parent);

  auto caption = gui::Static::make(area);
  caption->setCaption(label);
  caption->setFont("10.Arial");
  const bool unaligned = !noAlign.isNil() && noAlign.logicalOr(true);
  caption->setOptions(unaligned ? gui::align::kLeft : gui::align::kRight);
  caption->create(gui::toPoint(pos), {static_cast<int>(labelW), 20}, true);

  pos[1] = Value(pos[1].number() + labelW + 15);

  auto edit = gui::SingleLineEdit::make(area);
  edit->setFont("10.Arial");
  edit->setEditable(false);
  edit->setValue(value.isText() ? value : Value(value.isNil() ? std::string() : core::toDisplayText(value)));
  edit->create(gui::toPoint(pos), {static_cast<int>(valueW), 20}, true);
  if (field != nullptr) *field = Value(edit);
}

}  // namespace app
