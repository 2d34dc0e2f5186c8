#include "platform/gui/control.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSpinBox>
#include <algorithm>
#include <atomic>

#include "core/failure.h"
#include "core/text.h"
#include "platform/gui/codes.h"
#include "platform/gui/detail/bridge.h"
#include "platform/gui/detail/impl.h"
#include "platform/gui/events.h"

namespace platform::gui {

using detail::onGui;

namespace {

struct KindRow {
  Kind kind;
  const char* name;
};

// The class names of the kinds.
constexpr KindRow kKindNames[] = {
    {Kind::Desktop, "Desktop"},
    {Kind::Dialog, "Dialog"},
    {Kind::DrawingArea, "DrawingArea"},
    {Kind::Static, "Static"},
    {Kind::PushButton, "PushButton"},
    {Kind::SingleLineEdit, "SingleLineEdit"},
    {Kind::MultiLineEdit, "MultiLineEdit"},
    {Kind::ComboBox, "ComboBox"},
    {Kind::CheckBox, "CheckBox"},
    {Kind::SpinButton, "SpinButton"},
    {Kind::Browse, "Browse"},
    {Kind::BrowseColumn, "BrowseColumn"},
    {Kind::TabPage, "TabPage"},
    {Kind::Menu, "Menu"},
    {Kind::HelpLabel, "HelpLabel"},
    {Kind::FileDialog, "FileDialog"},
};

bool sameName(std::string_view a, std::string_view b) {
  return core::upper(a) == core::upper(b);
}

// Kinds that have no window of their own: created is all they need.
bool windowless(Kind k) {
  return k == Kind::HelpLabel || k == Kind::BrowseColumn || k == Kind::FileDialog || k == Kind::Desktop;
}

std::mutex gAppWindowMutex;
std::weak_ptr<Control> gAppWindow;
std::atomic<bool> gToolkitTooltips{true};

void markDestroyed(Control& c) {
  auto& m = c.impl();
  for (auto& child : m.children) markDestroyed(*child);
  m.children.clear();
  m.status = kStatusInit;
  m.widget = nullptr;
  m.client = nullptr;
  m.model = nullptr;
}

}  // namespace

std::string kindClassName(Kind kind) {
  for (const auto& row : kKindNames)
    if (row.kind == kind) return row.name;
  return "";
}

// --- Control ------------------------------------------------------------------------------------

Control::Control(Kind kind, const Ref& parent, const Ref& owner)
    : kind_(kind), queue_(threadQueue()), impl_(std::make_unique<Impl>()) {
  impl_->kind = kind;
  impl_->self = this;
  if (kind != Kind::Desktop && kind != Kind::HelpLabel && kind != Kind::BrowseColumn) {
    Ref p = parent ? parent : Ref(desktop());
    if (kind != Kind::DrawingArea && p->kind() == Kind::Dialog) p = static_cast<Dialog&>(*p).drawingArea();
    impl_->parent = p;
  } else {
    impl_->parent = parent;
  }
  impl_->owner = owner;
  members_.emplace_back("cargo", core::Value());
  members_.emplace_back("helpLink", core::Value());
}

Control::~Control() {
  QPointer<QWidget> w = impl_->widget;
  if (!w.isNull()) detail::postToGui([w] { delete w.data(); });
}

std::string Control::className() const {
  return kindClassName(kind_);
}

int Control::memberIndex(std::string_view name) const {
  for (std::size_t i = 0; i < members_.size(); ++i)
    if (sameName(members_[i].first, name)) return static_cast<int>(i);
  return -1;
}

void Control::declareMember(std::string name, core::Value initial) {
  std::lock_guard lock(mutex_);
  int i = memberIndex(name);
  if (i >= 0)
    members_[static_cast<std::size_t>(i)].second = std::move(initial);
  else
    members_.emplace_back(std::move(name), std::move(initial));
}

bool Control::hasMember(std::string_view name) const {
  std::lock_guard lock(mutex_);
  return memberIndex(name) >= 0;
}

core::Value Control::get(std::string_view name) const {
  std::lock_guard lock(mutex_);
  int i = memberIndex(name);
  if (i < 0)
    throw core::RuntimeFailure("Das Objekt " + className() + " hat kein Element " + std::string(name));
  return members_[static_cast<std::size_t>(i)].second;
}

void Control::set(std::string_view name, core::Value v) {
  const bool helpLink = sameName(name, "helpLink");
  {
    std::lock_guard lock(mutex_);
    int i = memberIndex(name);
    if (i < 0)
      throw core::RuntimeFailure("Das Objekt " + className() + " hat kein Element " + std::string(name));
    members_[static_cast<std::size_t>(i)].second = v;
  }
  if (helpLink && detail::haveGui()) {
    Control::Ref label = asControl(v);
    std::string text = label && label->kind() == Kind::HelpLabel ? label->caption() : "";
    onGui([&] {
      if (impl_->widget && gToolkitTooltips) impl_->widget->setToolTip(detail::qs(text));
    });
  }
}

Control::Ref Control::parent() const {
  return impl_->parent.lock();
}

Control::Ref Control::owner() const {
  return onGui([&] { return impl_->owner.lock(); });
}

void Control::setOwner(const Ref& owner) {
  onGui([&] { impl_->owner = owner; });
}

std::vector<Control::Ref> Control::children() const {
  return onGui([&] { return impl_->children; });
}

void Control::create() {
  onGui([&] {
    if (impl_->status == kStatusCreated) return;
    Ref p = impl_->parent.lock();
    if (!windowless(kind_) && kind_ != Kind::Menu && p && p->kind() != Kind::Desktop &&
        p->impl().status != kStatusCreated)
      throw core::RuntimeFailure("Das Elternfenster von " + className() + " ist nicht erzeugt");
    if (!windowless(kind_)) detail::build(*this);
    impl_->status = kStatusCreated;
    if (p && kind_ != Kind::HelpLabel && kind_ != Kind::BrowseColumn && kind_ != Kind::FileDialog &&
        kind_ != Kind::Menu)
      p->impl().children.push_back(self());
  });
}

void Control::create(Point pos, Size size, bool visible) {
  onGui([&] {
    impl_->pos = pos;
    impl_->size = size;
    impl_->visible = visible;
    create();
  });
}

void Control::destroy() {
  onGui([&] {
    if (impl_->status != kStatusCreated) return;
    Ref keep = self();
    QPointer<QWidget> w = impl_->widget;
    detail::unbuild(*this);
    markDestroyed(*this);
    if (w) {
      w->hide();
      w->deleteLater();
    }
    if (Ref p = impl_->parent.lock()) {
      auto& siblings = p->impl().children;
      siblings.erase(std::remove(siblings.begin(), siblings.end(), keep), siblings.end());
    }
  });
}

int Control::status() const {
  return onGui([&] { return impl_->status; });
}

Point Control::position() const {
  return onGui([&] { return detail::positionOf(*this); });
}

Size Control::size() const {
  return onGui([&] { return detail::sizeOf(*this); });
}

void Control::setPosition(Point pos) {
  onGui([&] {
    Size s = detail::sizeOf(*this);
    impl_->pos = pos;
    impl_->size = s;
    detail::place(*this);
  });
}

void Control::setSize(Size size) {
  onGui([&] {
    Point p = detail::positionOf(*this);
    impl_->pos = p;
    impl_->size = size;
    detail::place(*this);
    if (impl_->widget) impl_->widget->update();
  });
}

void Control::setPosSize(Point pos, Size size) {
  onGui([&] {
    impl_->pos = pos;
    impl_->size = size;
    detail::place(*this);
  });
}

Point Control::absolutePosition() const {
  return onGui([&] { return detail::absoluteOf(*this); });
}

void Control::show() {
  setVisible(true);
}
void Control::hide() {
  setVisible(false);
}

void Control::setVisible(bool visible) {
  onGui([&] {
    impl_->visible = visible;
    if (!impl_->widget) return;
    impl_->widget->setVisible(visible);
    if (visible && impl_->widget->isWindow()) impl_->widget->raise();
  });
}

bool Control::isVisible() const {
  return onGui([&] { return impl_->widget ? !impl_->widget->isHidden() : impl_->visible; });
}

void Control::toFront() {
  onGui([&] {
    if (!impl_->widget) return;
    impl_->widget->raise();
    if (impl_->widget->isWindow()) impl_->widget->activateWindow();
  });
}

void Control::setEnabled(bool enabled) {
  onGui([&] {
    impl_->enabled = enabled;
    if (impl_->widget) impl_->widget->setEnabled(enabled);
  });
}

bool Control::isEnabled() const {
  return onGui([&] { return impl_->enabled; });
}

void Control::invalidate() {
  onGui([&] {
    if (impl_->widget) impl_->widget->repaint();
  });
}

void Control::setCaption(const std::string& caption) {
  onGui([&] {
    impl_->caption = caption;
    impl_->bitmap = 0;
    detail::applyCaption(*this);
  });
}

std::string Control::caption() const {
  return onGui([&] { return impl_->caption; });
}

void Control::setBitmapCaption(int bitmap) {
  onGui([&] {
    impl_->bitmap = bitmap;
    impl_->caption = std::to_string(bitmap);
    detail::applyCaption(*this);
  });
}

int Control::bitmapCaption() const {
  return onGui([&] { return impl_->bitmap; });
}

void Control::setFont(const std::string& font) {
  onGui([&] {
    impl_->font = font;
    detail::applyFont(*this);
  });
}

std::string Control::font() const {
  return onGui([&] { return impl_->font; });
}

void Control::setForeground(int colour) {
  onGui([&] {
    impl_->fg = colour;
    detail::applyColours(*this);
  });
}

void Control::setBackground(int colour) {
  onGui([&] {
    impl_->bg = colour;
    detail::applyColours(*this);
  });
}

int Control::foreground() const {
  return onGui([&] { return impl_->fg; });
}

int Control::background() const {
  return onGui([&] { return impl_->bg; });
}

core::Value Control::value() const {
  return onGui([&] { return detail::valueOf(*this); });
}

void Control::setValue(const core::Value& v) {
  onGui([&] { detail::setValueOf(*this, v); });
}

void Control::setTabStop(bool on) {
  onGui([&] {
    impl_->tabStop = on;
    detail::applyTabStop(*this);
  });
}

bool Control::tabStop() const {
  return onGui([&] { return impl_->tabStop; });
}

void Control::setFocus() {
  onGui([&] {
    QWidget* w = impl_->widget;
    if (!w) return;
    if (w->window() && w->window()->isVisible()) w->window()->activateWindow();
    w->setFocus(Qt::OtherFocusReason);
  });
}

bool Control::hasFocus() const {
  return onGui([&] {
    QWidget* f = QApplication::focusWidget();
    return f != nullptr && detail::controlOf(f).get() == this;
  });
}

void Control::setHandler(int eventCode, core::Value callback) {
  std::lock_guard lock(mutex_);
  if (callback.isNil())
    handlers_.erase(eventCode);
  else
    handlers_[eventCode] = std::move(callback);
}

core::Value Control::handler(int eventCode) const {
  std::lock_guard lock(mutex_);
  auto it = handlers_.find(eventCode);
  return it == handlers_.end() ? core::Value() : it->second;
}

void Control::handleEvent(const Event& e) {
  core::Value cb = handler(e.code);
  if (cb.isCallback()) {
    cb.call({e.mp1, e.mp2, core::Value(self())});
    return;
  }
  if (e.code == ev::kKeyboard && kind_ != Kind::Dialog) {
    // A key nobody here handles goes on to the parent, up to the dialog.
    Ref p = parent();
    if (p && p->kind() != Kind::Desktop) p->handleEvent(Event{e.code, e.mp1, e.mp2, p});
    return;
  }
  if (e.code == ev::kClose && kind_ == Kind::Dialog) destroy();
}

void Control::setWaitPointer(bool on) {
  onGui([&] {
    if (!impl_->widget) return;
    if (on)
      impl_->widget->setCursor(Qt::WaitCursor);
    else
      impl_->widget->unsetCursor();
  });
}

void Control::postEvent(int code, core::Value mp1, core::Value mp2) {
  if (auto q = queue_.lock()) q->post(Event{code, std::move(mp1), std::move(mp2), self()});
}

Control::Ref asControl(const core::Value& v) {
  if (!v.isObject()) return nullptr;
  return std::dynamic_pointer_cast<Control>(v.object());
}

Control::Ref requireControl(const core::Value& v) {
  Control::Ref c = asControl(v);
  if (!c) throw core::RuntimeFailure("Fenster oder Steuerelement erwartet, nicht " + core::toDisplayText(v));
  return c;
}

// --- Desktop ------------------------------------------------------------------------------------

Desktop::Desktop() : Control(Kind::Desktop, nullptr, nullptr) {
  impl().status = kStatusCreated;
}

std::shared_ptr<Desktop> Desktop::instance() {
  static std::shared_ptr<Desktop> d(new Desktop());
  return d;
}

std::shared_ptr<Desktop> desktop() {
  return Desktop::instance();
}

Size desktopSize() {
  return onGui([] {
    QScreen* s = QGuiApplication::primaryScreen();
    if (s == nullptr) return Size{};
    return Size{s->geometry().width(), s->geometry().height()};
  });
}

// --- Dialog -------------------------------------------------------------------------------------

DrawingArea::DrawingArea(const Ref& dialog) : Control(Kind::DrawingArea, dialog, nullptr) {}

Dialog::Dialog(const Ref& parent, const Ref& owner) : Control(Kind::Dialog, parent, owner) {}

std::shared_ptr<Dialog> Dialog::make(const Ref& parent, const Ref& owner) {
  auto d = std::shared_ptr<Dialog>(new Dialog(parent, owner));
  return d;
}

Control::Ref Dialog::drawingArea() const {
  std::call_once(drawingAreaOnce_, [this] {
    auto me = std::const_pointer_cast<Control>(std::static_pointer_cast<const Control>(shared_from_this()));
    drawingArea_ = std::shared_ptr<DrawingArea>(new DrawingArea(me));
  });
  return drawingArea_;
}

void Dialog::setMinimumSize(Size size) {
  onGui([&] {
    impl().minSize = size;
    if (impl().widget) impl().widget->setMinimumSize(size.width, size.height);
  });
}

void Dialog::setMaximiseButton(bool on) {
  onGui([&] {
    impl().maxButton = on;
    if (impl().widget) impl().widget->setWindowFlag(Qt::WindowMaximizeButtonHint, on);
  });
}

void Dialog::setTaskList(bool on) {
  onGui([&] { impl().taskList = on; });
}

void Dialog::setIcon(int iconNumber) {
  onGui([&] {
    impl().icon = iconNumber;
    if (impl().widget && iconNumber > 0)
      impl().widget->setWindowIcon(QIcon(detail::bitmapPlaceholder(iconNumber, QSize(32, 32))));
  });
}

void Dialog::setModal(bool on) {
  onGui([&] {
    impl().modal = on;
    if (!impl().widget) return;
    const bool shown = impl().widget->isVisible();
    if (shown) impl().widget->hide();
    impl().widget->setWindowModality(on ? Qt::ApplicationModal : Qt::NonModal);
    if (shown) impl().widget->show();
  });
}

bool Dialog::isModal() const {
  return onGui([&] { return impl().modal; });
}

// --- Static and the plain controls ----------------------------------------------------------------

Static::Static(const Ref& parent, const Ref& owner) : Control(Kind::Static, parent, owner) {}
std::shared_ptr<Static> Static::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<Static>(new Static(parent, owner));
}

void Static::setType(int type) {
  onGui([&] {
    impl().staticType = type;
    detail::applyStaticLook(*this);
  });
}
int Static::type() const {
  return onGui([&] { return impl().staticType; });
}
void Static::setOptions(int options) {
  onGui([&] {
    impl().options = options;
    detail::applyStaticLook(*this);
  });
}
int Static::options() const {
  return onGui([&] { return impl().options; });
}
void Static::setAutoSize(bool on) {
  onGui([&] {
    impl().autoSize = on;
    detail::applyAutoSize(*this);
  });
}
bool Static::autoSize() const {
  return onGui([&] { return impl().autoSize; });
}

PushButton::PushButton(const Ref& parent, const Ref& owner) : Control(Kind::PushButton, parent, owner) {
  impl().tabStop = true;
}
std::shared_ptr<PushButton> PushButton::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<PushButton>(new PushButton(parent, owner));
}

SingleLineEdit::SingleLineEdit(const Ref& parent, const Ref& owner)
    : Control(Kind::SingleLineEdit, parent, owner) {
  impl().tabStop = true;
}
std::shared_ptr<SingleLineEdit> SingleLineEdit::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<SingleLineEdit>(new SingleLineEdit(parent, owner));
}
void SingleLineEdit::setEditable(bool on) {
  onGui([&] {
    impl().editable = on;
    detail::applyEditable(*this);
  });
}
bool SingleLineEdit::editable() const {
  return onGui([&] { return impl().editable; });
}
void SingleLineEdit::setBufferLength(int length) {
  onGui([&] {
    impl().bufferLength = length;
    detail::applyEditable(*this);
  });
}
int SingleLineEdit::bufferLength() const {
  return onGui([&] { return impl().bufferLength; });
}
void SingleLineEdit::setAlignment(int alignment) {
  onGui([&] {
    impl().alignment = alignment;
    detail::applyEditable(*this);
  });
}
void SingleLineEdit::setAutoTab(bool on) {
  onGui([&] { impl().autoTab = on; });
}
std::pair<int, int> SingleLineEdit::marked() const {
  return onGui([&]() -> std::pair<int, int> {
    auto* e = qobject_cast<QLineEdit*>(impl().widget.data());
    if (e == nullptr) return {1, 1};
    if (e->hasSelectedText()) {
      int start = e->selectionStart() + 1;
      return {start, start + static_cast<int>(e->selectedText().size())};
    }
    return {e->cursorPosition() + 1, e->cursorPosition() + 1};
  });
}
void SingleLineEdit::setMarked(int start, int end) {
  onGui([&] {
    auto* e = qobject_cast<QLineEdit*>(impl().widget.data());
    if (e == nullptr) return;
    const int length = static_cast<int>(e->text().size());
    int from = std::clamp(start - 1, 0, length);
    int to = std::clamp(end - 1, 0, length);
    if (to > from)
      e->setSelection(from, to - from);
    else
      e->setCursorPosition(from);
  });
}

MultiLineEdit::MultiLineEdit(const Ref& parent, const Ref& owner)
    : Control(Kind::MultiLineEdit, parent, owner) {
  impl().tabStop = true;
}
std::shared_ptr<MultiLineEdit> MultiLineEdit::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<MultiLineEdit>(new MultiLineEdit(parent, owner));
}
void MultiLineEdit::setEditable(bool on) {
  onGui([&] {
    impl().editable = on;
    detail::applyEditable(*this);
  });
}
bool MultiLineEdit::editable() const {
  return onGui([&] { return impl().editable; });
}
void MultiLineEdit::setHorizontalScroll(bool on) {
  onGui([&] {
    impl().hScroll = on;
    detail::applyEditable(*this);
  });
}
void MultiLineEdit::insert(const std::string& text) {
  onGui([&] {
    if (auto* e = qobject_cast<QPlainTextEdit*>(impl().widget.data()))
      e->insertPlainText(detail::qs(text));
    else
      impl().text += text;
  });
}

ComboBox::ComboBox(const Ref& parent, const Ref& owner) : Control(Kind::ComboBox, parent, owner) {
  impl().tabStop = true;
}
std::shared_ptr<ComboBox> ComboBox::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<ComboBox>(new ComboBox(parent, owner));
}
void ComboBox::setComboType(int type) {
  onGui([&] {
    impl().comboType = type;
    detail::applyEditable(*this);
  });
}
int ComboBox::comboType() const {
  return onGui([&] { return impl().comboType; });
}
int ComboBox::addItem(const std::string& text) {
  return onGui([&] {
    impl().items.push_back(text);
    if (auto* c = qobject_cast<QComboBox*>(impl().widget.data())) {
      const QSignalBlocker quiet(c);
      const QString entry = c->currentText();
      c->addItem(detail::qs(text));
      // Adding an item selects nothing: the entry part keeps what it showed.
      if (impl().selected == 0) {
        c->setCurrentIndex(-1);
        if (c->isEditable()) c->setEditText(entry);
      }
    }
    return static_cast<int>(impl().items.size());
  });
}
void ComboBox::clearItems() {
  onGui([&] {
    impl().items.clear();
    impl().selected = 0;
    if (auto* c = qobject_cast<QComboBox*>(impl().widget.data())) {
      const QSignalBlocker quiet(c);
      c->clear();
    }
  });
}
int ComboBox::itemCount() const {
  return onGui([&] { return static_cast<int>(impl().items.size()); });
}
std::string ComboBox::itemText(int item) const {
  return onGui([&]() -> std::string {
    if (item < 1 || item > static_cast<int>(impl().items.size())) return "";
    return impl().items[static_cast<std::size_t>(item - 1)];
  });
}
void ComboBox::selectItem(int item) {
  onGui([&] {
    const int count = static_cast<int>(impl().items.size());
    impl().selected = (item >= 1 && item <= count) ? item : 0;
    if (auto* c = qobject_cast<QComboBox*>(impl().widget.data())) {
      const QSignalBlocker quiet(c);
      c->setCurrentIndex(impl().selected - 1);
    }
  });
}
std::vector<int> ComboBox::selectedItems() const {
  return onGui([&]() -> std::vector<int> {
    int selected = impl().selected;
    if (auto* c = qobject_cast<QComboBox*>(impl().widget.data())) selected = c->currentIndex() + 1;
    if (selected <= 0) return {};
    return {selected};
  });
}

CheckBox::CheckBox(const Ref& parent, const Ref& owner) : Control(Kind::CheckBox, parent, owner) {
  impl().tabStop = true;
}
std::shared_ptr<CheckBox> CheckBox::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<CheckBox>(new CheckBox(parent, owner));
}

SpinButton::SpinButton(const Ref& parent, const Ref& owner) : Control(Kind::SpinButton, parent, owner) {
  impl().tabStop = true;
}
std::shared_ptr<SpinButton> SpinButton::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<SpinButton>(new SpinButton(parent, owner));
}
void SpinButton::setLimits(double minimum, double maximum) {
  onGui([&] {
    impl().spinMin = minimum;
    impl().spinMax = maximum;
    impl().spinValue = std::clamp(impl().spinValue, minimum, std::max(minimum, maximum));
    detail::applyEditable(*this);
  });
}
std::pair<double, double> SpinButton::limits() const {
  return onGui([&] { return std::make_pair(impl().spinMin, impl().spinMax); });
}
void SpinButton::setEditable(bool on) {
  onGui([&] {
    impl().editable = on;
    detail::applyEditable(*this);
  });
}
bool SpinButton::editable() const {
  return onGui([&] { return impl().editable; });
}
void SpinButton::setFastSpin(bool on) {
  onGui([&] {
    impl().fastSpin = on;
    detail::applyEditable(*this);
  });
}
void SpinButton::setMaster(const Ref& master) {
  onGui([&] { impl().master = master; });
}

// --- tab page, menu, help label, file dialog ----------------------------------------------------------

TabPage::TabPage(const Ref& parent, const Ref& owner) : Control(Kind::TabPage, parent, owner) {}
std::shared_ptr<TabPage> TabPage::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<TabPage>(new TabPage(parent, owner));
}
void TabPage::minimize() {
  onGui([&] {
    impl().minimized = true;
    detail::applyMask(*this);
  });
}
void TabPage::maximize() {
  onGui([&] {
    if (Ref p = parent()) {
      for (auto& sibling : p->impl().children) {
        if (sibling.get() == this || sibling->kind() != Kind::TabPage) continue;
        sibling->impl().minimized = true;
        detail::applyMask(*sibling);
      }
    }
    impl().minimized = false;
    detail::applyMask(*this);
    if (impl().widget) impl().widget->raise();
  });
}
bool TabPage::isMinimized() const {
  return onGui([&] { return impl().minimized; });
}
void TabPage::setTabOffset(int x) {
  onGui([&] {
    impl().tabOffset = x;
    detail::applyCaption(*this);
  });
}
void TabPage::handleEvent(const Event& e) {
  if (e.code == ev::kTabActivate && !handler(e.code).isCallback()) {
    maximize();
    return;
  }
  Control::handleEvent(e);
}

Menu::Menu(const Ref& parent, const Ref& owner) : Control(Kind::Menu, parent, owner) {}
std::shared_ptr<Menu> Menu::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<Menu>(new Menu(parent, owner));
}
int Menu::addItem(const std::string& caption, core::Value callback) {
  std::lock_guard lock(itemsMutex_);
  items_.emplace_back(caption, std::move(callback));
  return static_cast<int>(items_.size());
}
int Menu::itemCount() const {
  std::lock_guard lock(itemsMutex_);
  return static_cast<int>(items_.size());
}
std::string Menu::itemCaption(int item) const {
  std::lock_guard lock(itemsMutex_);
  if (item < 1 || item > static_cast<int>(items_.size())) return "";
  return items_[static_cast<std::size_t>(item - 1)].first;
}
void Menu::popup(const Ref& over, Point pos) {
  std::vector<std::string> captions;
  {
    std::lock_guard lock(itemsMutex_);
    for (const auto& item : items_) captions.push_back(item.first);
  }
  if (!isCreated()) create();
  onGui([&] { detail::popupMenu(*this, over, pos, captions); });
}
bool Menu::isOpen() const {
  return onGui([&] { return impl().menuOpen; });
}
void Menu::handleEvent(const Event& e) {
  if (e.code == ev::kActivate && e.mp1.isNumber()) {
    core::Value cb;
    {
      std::lock_guard lock(itemsMutex_);
      long item = e.mp1.integer();
      if (item >= 1 && item <= static_cast<long>(items_.size()))
        cb = items_[static_cast<std::size_t>(item - 1)].second;
    }
    if (cb.isCallback()) cb.call({e.mp1, core::Value(), core::Value(self())});
  }
  Control::handleEvent(e);
}

HelpLabel::HelpLabel(const std::string& text) : Control(Kind::HelpLabel, nullptr, nullptr) {
  impl().caption = text;
}
std::shared_ptr<HelpLabel> HelpLabel::make(const std::string& text) {
  return std::shared_ptr<HelpLabel>(new HelpLabel(text));
}

void setToolkitTooltips(bool on) {
  gToolkitTooltips = on;
}

FileDialog::FileDialog(const Ref& parent, const Ref& owner) : Control(Kind::FileDialog, parent, owner) {}
std::shared_ptr<FileDialog> FileDialog::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<FileDialog>(new FileDialog(parent, owner));
}

Size textSize(const std::string& font, const std::string& text) {
  return onGui([&] {
    const QFontMetrics fm(detail::toQFont(font));
    int width = 0;
    int lines = 0;
    for (const QString& line : detail::qs(text).split(QLatin1Char('\n'))) {
      width = std::max(width, fm.horizontalAdvance(line));
      ++lines;
    }
    return Size{width, fm.height() * std::max(1, lines)};
  });
}

// --- application window and focus -------------------------------------------------------------------

void setAppWindow(const Control::Ref& window) {
  std::lock_guard lock(gAppWindowMutex);
  gAppWindow = window;
}

Control::Ref appWindow() {
  std::lock_guard lock(gAppWindowMutex);
  return gAppWindow.lock();
}

Control::Ref focusedControl() {
  return onGui([]() -> Control::Ref {
    QWidget* f = QApplication::focusWidget();
    return f != nullptr ? detail::controlOf(f) : nullptr;
  });
}

}  // namespace platform::gui
