// The toolkit windows behind the controls: building, placing (lower left corners turned into
// the toolkit's upper left ones), applying settings, and the watcher that turns user input
// into events for the program threads. Window thread only.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegion>
#include <QResizeEvent>
#include <QScreen>
#include <QSpinBox>
#include <cmath>

#include "core/failure.h"
#include "core/text.h"
#include "platform/gui/detail/impl.h"
#include "platform/gui/events.h"

namespace platform::gui::detail {

namespace {

constexpr int kTabHeight = 24;

// A static draws itself: text, bitmap, filled or outlined rectangle.
class StaticWidget : public QWidget {
 public:
  using QWidget::QWidget;
  StaticLook look;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QColor fg = qcolour(look.fg).value_or(palette().color(QPalette::WindowText));
    const auto bg = qcolour(look.bg);
    switch (look.shape) {
      case StaticShape::Text:
        if (bg) p.fillRect(rect(), *bg);
        p.setPen(fg);
        p.setFont(font());
        p.drawText(rect(), qtAlignment(look.alignment) | Qt::AlignVCenter, look.text);
        break;
      case StaticShape::Bitmap:
        p.drawPixmap(0, 0, bitmapPlaceholder(look.bitmap, size()));
        break;
      case StaticShape::FilledForeground:
        p.fillRect(rect(), fg);
        break;
      case StaticShape::FilledBackground:
        p.fillRect(rect(), bg.value_or(palette().color(QPalette::Window)));
        break;
      case StaticShape::Outline:
        p.setPen(fg);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        break;
      case StaticShape::GroupBox:
        break;
    }
  }
};

// A tab page: a tab along the top edge and the page below it.
class TabPageWidget : public QWidget {
 public:
  explicit TabPageWidget(QWidget* parent) : QWidget(parent), tab(new QPushButton(this)) {
    tab->setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
  }
  QPushButton* tab;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(0, kTabHeight, width() - 1, height() - kTabHeight - 1);
  }
};

QHash<const QObject*, std::weak_ptr<Control>>& registry() {
  static QHash<const QObject*, std::weak_ptr<Control>> r;
  return r;
}

int desktopHeight() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s != nullptr ? s->geometry().height() : 0;
}

// Lower left corner on the desktop of a toolkit window.
Point screenLowerLeft(const QWidget* w) {
  const QRect g = w->geometry();
  return {g.x(), desktopHeight() - g.y() - g.height()};
}

QString mappedFamily(const QString& family) {
  static const QStringList known = QFontDatabase::families();
  if (known.contains(family, Qt::CaseInsensitive)) return family;
  // Metric-compatible stand-ins where the Windows faces are missing.
  static const std::pair<const char*, const char*> kStandIns[] = {
      {"Arial", "Liberation Sans"},
      {"Courier New", "Liberation Mono"},
      {"Times New Roman", "Liberation Serif"},
  };
  for (const auto& [face, standIn] : kStandIns)
    if (family.compare(QString::fromLatin1(face), Qt::CaseInsensitive) == 0)
      return QString::fromLatin1(standIn);
  return family;
}

void fillDrawingArea(Control& dialog) {
  auto& m = dialog.impl();
  if (!m.widget || m.children.empty()) return;
  for (auto& child : m.children) {
    if (child->kind() != Kind::DrawingArea || !child->impl().widget) continue;
    child->impl().widget->setGeometry(0, 0, m.widget->width(), m.widget->height());
    placeChildren(*child);
  }
}

std::weak_ptr<Control> weakOf(Control& c) {
  return c.self();
}

void post(const std::weak_ptr<Control>& weak, int code, core::Value mp1 = {}, core::Value mp2 = {}) {
  if (auto c = weak.lock()) c->postEvent(code, std::move(mp1), std::move(mp2));
}

Control::Ref registeredExactly(const QObject* o) {
  auto it = registry().constFind(o);
  return it == registry().constEnd() ? nullptr : it->lock();
}

// Turns user input into events for the program threads.
class EventWatcher : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* o, QEvent* e) override {
    if (!o->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(o);
    switch (e->type()) {
      case QEvent::KeyPress:
        onKey(w, static_cast<QKeyEvent*>(e));
        return false;
      case QEvent::FocusIn:
      case QEvent::FocusOut:
        onFocus(w, static_cast<QFocusEvent*>(e));
        return false;
      case QEvent::MouseMove:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        onMouse(w, static_cast<QMouseEvent*>(e));
        return false;
      case QEvent::Close:
        return onClose(w, static_cast<QCloseEvent*>(e));
      case QEvent::Move:
        onMove(w, static_cast<QMoveEvent*>(e));
        return false;
      case QEvent::Resize:
        onResize(w, static_cast<QResizeEvent*>(e));
        return false;
      default:
        return false;
    }
  }

 private:
  // The same toolkit event travels from a window up to its parents; it counts once, for the
  // innermost control. The mark is cleared once the event has been delivered.
  struct Mark {
    const QInputEvent* event = nullptr;
    quint64 timestamp = 0;
    QPointer<QWidget> receiver;
  };
  bool travelling(const QInputEvent* e, QWidget* w, Mark& mark) {
    if (e == mark.event && e->timestamp() == mark.timestamp && mark.receiver && w != mark.receiver &&
        w->isAncestorOf(mark.receiver))
      return true;
    mark.event = e;
    mark.timestamp = e->timestamp();
    mark.receiver = w;
    QMetaObject::invokeMethod(
        this,
        [&mark, e] {
          if (mark.event == e) mark.event = nullptr;
        },
        Qt::QueuedConnection);
    return false;
  }

  void onKey(QWidget* w, QKeyEvent* e) {
    if (travelling(e, w, keyMark_)) return;
    Control::Ref c = controlOf(w);
    if (!c) return;
    const int code = keyCodeFromToolkit(e->key(), static_cast<int>(e->modifiers()), e->text());
    if (code == 0) return;
    // The program sees the key after the control has taken it (a typed character is in the
    // field already).
    std::weak_ptr<Control> weak = c;
    QMetaObject::invokeMethod(
        this, [weak, code] { post(weak, ev::kKeyboard, code); }, Qt::QueuedConnection);
  }

  void onFocus(QWidget* w, QFocusEvent* e) {
    // Only real moves of the focus count, not another window coming to the front.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    Control::Ref c = controlOf(w);
    if (!c) return;
    c->postEvent(e->type() == QEvent::FocusIn ? ev::kSetFocus : ev::kKillFocus);
  }

  void onMouse(QWidget* w, QMouseEvent* e) {
    if (travelling(e, w, mouseMark_)) return;
    Control::Ref c = controlOf(w);
    if (!c) return;
    QWidget* cw = c->impl().widget;
    if (cw == nullptr) return;
    const QPoint local = e->position().toPoint();
    const QPoint p = w == cw ? local : w->mapTo(cw, local);
    core::Value pos = core::arr(p.x(), cw->height() - p.y());
    int code = ev::kMotion;
    if (e->type() == QEvent::MouseButtonPress)
      code = e->button() == Qt::RightButton ? ev::kRightDown : ev::kLeftDown;
    else if (e->type() == QEvent::MouseButtonDblClick)
      code = ev::kLeftDoubleClick;
    c->postEvent(code, pos);
  }

  bool onClose(QWidget* w, QCloseEvent* e) {
    Control::Ref c = registeredExactly(w);
    if (!c || c->kind() != Kind::Dialog) return false;
    // The program decides what closing means (its close callback).
    e->ignore();
    c->postEvent(ev::kClose);
    return true;
  }

  // A dialog that was moved or resized (by the operator or the program) tells its old and new
  // position or size; showing it the first time is no move.
  void onMove(QWidget* w, QMoveEvent*) {
    if (!w->isWindow()) return;
    Control::Ref c = registeredExactly(w);
    if (!c || c->kind() != Kind::Dialog) return;
    auto& m = c->impl();
    const Point now = positionOf(*c);
    if (m.status != kStatusCreated || now == m.shownPos) return;
    const Point before = m.shownPos;
    m.shownPos = now;
    c->postEvent(ev::kMove, toValue(before), toValue(now));
  }

  void onResize(QWidget* w, QResizeEvent*) {
    Control::Ref c = registeredExactly(w);
    if (!c) return;
    if (c->kind() != Kind::Dialog || !w->isWindow()) {
      placeChildren(*c);
      return;
    }
    fillDrawingArea(*c);
    auto& m = c->impl();
    const Size now = sizeOf(*c);
    if (m.status != kStatusCreated || now == m.shownSize) return;
    const Size before = m.shownSize;
    m.shownSize = now;
    c->postEvent(ev::kResize, toValue(before), toValue(now));
  }

  Mark keyMark_;
  Mark mouseMark_;
};

// Moves the focus on as the Tab key does.
void focusNext(QWidget* from) {
  for (QWidget* w = from->nextInFocusChain(); w != nullptr && w != from; w = w->nextInFocusChain()) {
    if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() &&
        w->window() == from->window()) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

void connectSignals(Control& c, QWidget* w) {
  std::weak_ptr<Control> weak = weakOf(c);
  switch (c.kind()) {
    case Kind::PushButton:
      QObject::connect(static_cast<QPushButton*>(w), &QPushButton::clicked, w,
                       [weak] { post(weak, ev::kActivate); });
      break;
    case Kind::CheckBox:
      QObject::connect(static_cast<QCheckBox*>(w), &QCheckBox::clicked, w,
                       [weak](bool checked) { post(weak, ev::kActivate, checked); });
      break;
    case Kind::ComboBox: {
      auto* box = static_cast<QComboBox*>(w);
      QObject::connect(box, &QComboBox::activated, w, [weak](int index) {
        if (auto c = weak.lock()) {
          c->impl().selected = index + 1;
          c->postEvent(ev::kItemSelected, index + 1);
        }
      });
      break;
    }
    case Kind::SingleLineEdit: {
      auto* edit = static_cast<QLineEdit*>(w);
      QObject::connect(edit, &QLineEdit::textEdited, w, [weak, edit] {
        auto c = weak.lock();
        if (!c) return;
        const auto& m = c->impl();
        if (m.autoTab && m.bufferLength > 0 && edit->text().size() >= m.bufferLength &&
            edit->cursorPosition() >= m.bufferLength)
          focusNext(edit);
      });
      break;
    }
    case Kind::TabPage: {
      auto* page = static_cast<TabPageWidget*>(w);
      QObject::connect(page->tab, &QPushButton::clicked, w, [weak] { post(weak, ev::kTabActivate); });
      break;
    }
    case Kind::Menu:
      QObject::connect(static_cast<QMenu*>(w), &QMenu::aboutToHide, w, [weak] {
        if (auto c = weak.lock()) c->impl().menuOpen = false;
      });
      break;
    default:
      break;
  }
}

}  // namespace

bool haveGui() {
  return QCoreApplication::instance() != nullptr;
}

QString qs(const std::string& cp1252) {
  std::string t = core::replaceAll(cp1252, "\r\n", "\n");
  t = core::replaceAll(t, "\r", "\n");
  return QString::fromStdString(core::toUtf8(t));
}

std::string cp(const QString& text) {
  return core::fromUtf8(text.toStdString());
}

QFont toQFont(const std::string& name) {
  QFont f = QApplication::font();
  if (name.empty()) return f;
  double points = 10;
  std::string face = name;
  if (auto dot = name.find('.'); dot != std::string::npos) {
    points = core::val(name.substr(0, dot));
    face = name.substr(dot + 1);
  }
  bool bold = false;
  bool italic = false;
  bool underline = false;
  std::string family;
  std::size_t i = 0;
  while (i < face.size()) {
    while (i < face.size() && face[i] == ' ') ++i;
    std::size_t j = face.find(' ', i);
    if (j == std::string::npos) j = face.size();
    std::string word = face.substr(i, j - i);
    const std::string up = core::upper(word);
    if (up == "FETT" || up == "BOLD") {
      bold = true;
    } else if (up == "KURSIV" || up == "ITALIC") {
      italic = true;
    } else if (up == "UNTERSTRICHEN" || up == "UNDERLINE") {
      underline = true;
    } else if (!word.empty()) {
      family += (family.empty() ? "" : " ") + word;
    }
    i = j;
  }
  if (!family.empty()) f.setFamily(mappedFamily(qs(family)));
  // Points at the usual 96 dots per inch, so the pixel layout keeps its proportions.
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))));
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  return f;
}

QPixmap bitmapPlaceholder(int number, QSize size) {
  QPixmap pm(std::max(size.width(), 8), std::max(size.height(), 8));
  pm.fill(QColor(0xDD, 0xE4, 0xEE));
  QPainter p(&pm);
  p.setPen(QColor(0x5A, 0x6B, 0x85));
  p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
  QFont f = toQFont("7.Arial");
  p.setFont(f);
  p.setPen(Qt::black);
  p.drawText(pm.rect(), Qt::AlignCenter, QString::number(number));
  return pm;
}

Control::Ref controlOf(const QObject* object) {
  for (const QObject* o = object; o != nullptr; o = o->parent()) {
    auto it = registry().constFind(o);
    if (it != registry().constEnd()) return it->lock();
    // Windows of their own that are not the program's (boxes, file dialogs) end the search.
    if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow()) return nullptr;
  }
  return nullptr;
}

void registerWidget(QWidget* widget, Control& control) {
  registry().insert(widget, weakOf(control));
  QObject::connect(widget, &QObject::destroyed, [](QObject* o) { registry().remove(o); });
}

void installEventWatcher() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  qApp->installEventFilter(new EventWatcher(qApp));
}

QWidget* clientOf(const Control::Ref& container) {
  if (!container || container->kind() == Kind::Desktop) return nullptr;
  return container->impl().client;
}

int clientHeight(const Control& container) {
  QWidget* w = container.impl().client;
  return w != nullptr ? w->height() : container.impl().size.height;
}

void build(Control& c) {
  installEventWatcher();
  auto& m = c.impl();
  Control::Ref parent = m.parent.lock();
  QWidget* pw = clientOf(parent);
  QWidget* w = nullptr;
  switch (c.kind()) {
    case Kind::Dialog: {
      auto* win = new QWidget(pw != nullptr ? pw->window() : nullptr, Qt::Window);
      win->setWindowFlag(Qt::WindowMaximizeButtonHint, m.maxButton);
      if (m.minSize.width > 0 || m.minSize.height > 0) win->setMinimumSize(m.minSize.width, m.minSize.height);
      if (m.icon > 0) win->setWindowIcon(QIcon(bitmapPlaceholder(m.icon, QSize(32, 32))));
      win->setWindowModality(m.modal ? Qt::ApplicationModal : Qt::NonModal);
      w = win;
      Control::Ref area = static_cast<Dialog&>(c).drawingArea();
      auto* da = new QWidget(win);
      da->setMouseTracking(true);
      auto& am = area->impl();
      am.widget = da;
      am.client = da;
      am.status = kStatusCreated;
      registerWidget(da, *area);
      applyFont(*area);
      applyColours(*area);
      m.children.clear();
      m.children.push_back(area);
      m.client = da;
      break;
    }
    case Kind::Static:
      if (staticShape(m.staticType) == StaticShape::GroupBox)
        w = new QGroupBox(pw);
      else
        w = new StaticWidget(pw);
      break;
    case Kind::PushButton: {
      auto* b = new QPushButton(pw);
      b->setAutoDefault(false);
      w = b;
      break;
    }
    case Kind::SingleLineEdit: {
      auto* e = new QLineEdit(pw);
      e->setText(qs(m.text));
      w = e;
      break;
    }
    case Kind::MultiLineEdit: {
      auto* e = new QPlainTextEdit(pw);
      e->setPlainText(qs(m.text));
      w = e;
      break;
    }
    case Kind::ComboBox: {
      auto* box = new QComboBox(pw);
      box->setEditable(m.comboType != combo::kDropDownList);
      box->setInsertPolicy(QComboBox::NoInsert);
      for (const auto& item : m.items) box->addItem(qs(item));
      box->setCurrentIndex(m.selected - 1);
      if (m.selected == 0 && box->isEditable()) box->setEditText(qs(m.text));
      w = box;
      break;
    }
    case Kind::CheckBox: {
      auto* box = new QCheckBox(pw);
      box->setChecked(m.checked);
      w = box;
      break;
    }
    case Kind::SpinButton:
      w = new QSpinBox(pw);
      break;
    case Kind::Browse:
      w = buildBrowse(c, pw);
      break;
    case Kind::TabPage:
      w = new TabPageWidget(pw);
      break;
    case Kind::Menu:
      w = new QMenu();
      break;
    default:
      throw core::RuntimeFailure(c.className() + " kann so nicht erzeugt werden");
  }
  // A control other than a dialog directly on the desktop is a pop-up without a frame.
  if (pw == nullptr && c.kind() != Kind::Dialog && c.kind() != Kind::Menu)
    w->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
  m.widget = w;
  if (!m.client) m.client = w;
  registerWidget(w, c);
  w->setMouseTracking(true);
  for (QWidget* inner : w->findChildren<QWidget*>()) inner->setMouseTracking(true);
  connectSignals(c, w);
  w->setEnabled(m.enabled);
  applyFont(c);
  applyColours(c);
  applyEditable(c);
  applyTabStop(c);
  applyCaption(c);
  if (Control::Ref label = asControl(c.get("helpLink")); label && label->kind() == Kind::HelpLabel)
    w->setToolTip(qs(label->impl().caption));
  if (c.kind() == Kind::Menu) return;
  place(c);
  w->setVisible(m.visible);
  m.shownPos = positionOf(c);
  m.shownSize = sizeOf(c);
}

void unbuild(Control& c) {
  auto& m = c.impl();
  if (c.kind() == Kind::Menu && m.widget) static_cast<QMenu*>(m.widget.data())->hide();
  m.menuOpen = false;
}

void place(Control& c) {
  auto& m = c.impl();
  QWidget* w = m.widget;
  if (w == nullptr || c.kind() == Kind::DrawingArea || c.kind() == Kind::Menu) return;
  if (w->isWindow()) {
    Control::Ref parent = m.parent.lock();
    const Point base = parent ? absoluteOf(*parent) : Point{};
    const int bottom = base.y + m.pos.y;
    w->setGeometry(base.x + m.pos.x, desktopHeight() - bottom - m.size.height, m.size.width, m.size.height);
    if (c.kind() == Kind::Dialog) fillDrawingArea(c);
    return;
  }
  const int parentHeight = w->parentWidget() != nullptr ? w->parentWidget()->height() : 0;
  w->setGeometry(m.pos.x, parentHeight - m.pos.y - m.size.height, m.size.width, m.size.height);
  if (c.kind() == Kind::TabPage) applyMask(c);
  placeChildren(c);
}

void placeChildren(Control& container) {
  if (container.kind() == Kind::Dialog) {
    fillDrawingArea(container);
    return;
  }
  for (auto& child : container.impl().children) {
    QWidget* w = child->impl().widget;
    if (w != nullptr && !w->isWindow()) place(*child);
  }
}

Point absoluteOf(const Control& c) {
  const auto& m = c.impl();
  if (c.kind() == Kind::Desktop) return {};
  if (m.widget && m.widget->isWindow() && c.kind() != Kind::Menu) return screenLowerLeft(m.widget);
  Control::Ref parent = m.parent.lock();
  const Point base = parent ? absoluteOf(*parent) : Point{};
  if (c.kind() == Kind::DrawingArea) return base;
  return {base.x + m.pos.x, base.y + m.pos.y};
}

Point positionOf(const Control& c) {
  const auto& m = c.impl();
  if (c.kind() == Kind::Desktop || c.kind() == Kind::DrawingArea) return {};
  if (m.widget && m.widget->isWindow() && c.kind() != Kind::Menu) {
    const Point abs = screenLowerLeft(m.widget);
    Control::Ref parent = m.parent.lock();
    const Point base = parent ? absoluteOf(*parent) : Point{};
    return {abs.x - base.x, abs.y - base.y};
  }
  return m.pos;
}

Size sizeOf(const Control& c) {
  const auto& m = c.impl();
  if (c.kind() == Kind::Desktop) {
    QScreen* s = QGuiApplication::primaryScreen();
    return s != nullptr ? Size{s->geometry().width(), s->geometry().height()} : Size{};
  }
  if (m.widget && (m.widget->isWindow() || c.kind() == Kind::DrawingArea) && c.kind() != Kind::Menu)
    return {m.widget->width(), m.widget->height()};
  return m.size;
}

core::Value valueOf(const Control& c) {
  const auto& m = c.impl();
  QWidget* w = m.widget;
  switch (c.kind()) {
    case Kind::SingleLineEdit:
      return w != nullptr ? cp(static_cast<QLineEdit*>(w)->text()) : m.text;
    case Kind::MultiLineEdit:
      return w != nullptr ? core::replaceAll(cp(static_cast<QPlainTextEdit*>(w)->toPlainText()), "\n", "\r\n")
                          : m.text;
    case Kind::ComboBox:
      if (w != nullptr) return cp(static_cast<QComboBox*>(w)->currentText());
      return m.selected > 0 ? m.items[static_cast<std::size_t>(m.selected - 1)] : m.text;
    case Kind::CheckBox:
      return w != nullptr ? static_cast<QCheckBox*>(w)->isChecked() : m.checked;
    case Kind::SpinButton:
      return w != nullptr ? static_cast<double>(static_cast<QSpinBox*>(w)->value()) : m.spinValue;
    case Kind::Static:
    case Kind::PushButton:
    case Kind::TabPage:
    case Kind::Dialog:
    case Kind::HelpLabel:
      return m.caption;
    default:
      return {};
  }
}

void setValueOf(Control& c, const core::Value& v) {
  auto& m = c.impl();
  QWidget* w = m.widget;
  const std::string text = v.isText() ? v.text() : (v.isNil() ? std::string() : core::toDisplayText(v));
  switch (c.kind()) {
    case Kind::SingleLineEdit:
      m.text = text;
      if (w != nullptr) static_cast<QLineEdit*>(w)->setText(qs(text));
      break;
    case Kind::MultiLineEdit:
      m.text = text;
      if (w != nullptr) static_cast<QPlainTextEdit*>(w)->setPlainText(qs(text));
      break;
    case Kind::ComboBox: {
      m.text = text;
      int found = 0;
      for (std::size_t i = 0; i < m.items.size(); ++i)
        if (m.items[i] == text) found = static_cast<int>(i) + 1;
      m.selected = found;
      if (auto* box = static_cast<QComboBox*>(w)) {
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(found - 1);
        if (box->isEditable()) box->setEditText(qs(text));
      }
      break;
    }
    case Kind::CheckBox:
      m.checked = v.logicalOr(false);
      if (w != nullptr) static_cast<QCheckBox*>(w)->setChecked(m.checked);
      break;
    case Kind::SpinButton:
      m.spinValue = v.isNumber() ? v.number() : core::val(text);
      if (w != nullptr) static_cast<QSpinBox*>(w)->setValue(static_cast<int>(std::lround(m.spinValue)));
      break;
    case Kind::Static:
    case Kind::PushButton:
    case Kind::TabPage:
    case Kind::Dialog:
    case Kind::HelpLabel:
      m.caption = text;
      m.bitmap = 0;
      applyCaption(c);
      break;
    default:
      break;
  }
}

void applyCaption(Control& c) {
  auto& m = c.impl();
  QWidget* w = m.widget;
  if (w == nullptr) {
    if (c.kind() == Kind::Static) applyAutoSize(c);
    return;
  }
  switch (c.kind()) {
    case Kind::Dialog:
      w->setWindowTitle(qs(m.caption));
      break;
    case Kind::Static:
      applyStaticLook(c);
      applyAutoSize(c);
      break;
    case Kind::PushButton: {
      auto* b = static_cast<QPushButton*>(w);
      if (m.bitmap > 0) {
        const QSize inner(std::max(8, m.size.width - 6), std::max(8, m.size.height - 6));
        b->setText(QString());
        b->setIcon(QIcon(bitmapPlaceholder(m.bitmap, inner)));
        b->setIconSize(inner);
      } else {
        b->setIcon(QIcon());
        b->setText(qs(m.caption));
      }
      break;
    }
    case Kind::CheckBox:
      static_cast<QCheckBox*>(w)->setText(qs(m.caption));
      break;
    case Kind::TabPage:
      static_cast<TabPageWidget*>(w)->tab->setText(qs(m.caption));
      applyMask(c);
      break;
    default:
      break;
  }
  w->update();
}

void applyFont(Control& c) {
  auto& m = c.impl();
  if (m.widget && !m.font.empty()) m.widget->setFont(toQFont(m.font));
  if (c.kind() == Kind::Static) applyAutoSize(c);
}

void applyColours(Control& c) {
  auto& m = c.impl();
  QWidget* w = m.widget;
  if (w == nullptr) return;
  const auto fg = qcolour(m.fg);
  const auto bg = qcolour(m.bg);
  QPalette pal = QApplication::palette(w);
  QPalette::ColorRole back = QPalette::Window;
  QPalette::ColorRole fore = QPalette::WindowText;
  switch (c.kind()) {
    case Kind::SingleLineEdit:
    case Kind::MultiLineEdit:
    case Kind::ComboBox:
    case Kind::SpinButton:
    case Kind::Browse:
      back = QPalette::Base;
      fore = QPalette::Text;
      break;
    case Kind::PushButton:
      back = QPalette::Button;
      fore = QPalette::ButtonText;
      break;
    default:
      break;
  }
  if (bg) pal.setColor(back, *bg);
  if (fg) pal.setColor(fore, *fg);
  w->setPalette(pal);
  if (c.kind() == Kind::Dialog || c.kind() == Kind::DrawingArea || c.kind() == Kind::CheckBox ||
      c.kind() == Kind::TabPage)
    w->setAutoFillBackground(bg.has_value() || c.kind() == Kind::TabPage);
  if (c.kind() == Kind::Static) applyStaticLook(c);
}

void applyAutoSize(Control& c) {
  auto& m = c.impl();
  if (c.kind() != Kind::Static || !m.autoSize || staticShape(m.staticType) != StaticShape::Text) return;
  const QFontMetrics fm(m.widget ? m.widget->font() : toQFont(m.font));
  int width = 0;
  int lines = 0;
  for (const QString& line : qs(m.caption).split(QLatin1Char('\n'))) {
    width = std::max(width, fm.horizontalAdvance(line));
    ++lines;
  }
  m.size = {width + 2, fm.height() * std::max(1, lines)};
  place(c);
}

void applyStaticLook(Control& c) {
  auto& m = c.impl();
  if (!m.widget || c.kind() != Kind::Static) return;
  StaticLook look;
  look.shape = staticShape(m.staticType);
  look.text = qs(m.caption);
  look.alignment = m.options;
  look.bitmap = m.bitmap;
  look.fg = m.fg;
  look.bg = m.bg;
  setStaticLook(m.widget, look);
}

void setStaticLook(QWidget* w, const StaticLook& look) {
  if (auto* s = dynamic_cast<StaticWidget*>(w)) {
    s->look = look;
    s->update();
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(look.text);
  }
}

void applyEditable(Control& c) {
  auto& m = c.impl();
  QWidget* w = m.widget;
  if (w == nullptr) return;
  switch (c.kind()) {
    case Kind::SingleLineEdit: {
      auto* e = static_cast<QLineEdit*>(w);
      e->setReadOnly(!m.editable);
      e->setMaxLength(m.bufferLength > 0 ? m.bufferLength : 32767);
      e->setAlignment(Qt::Alignment(qtAlignment(m.alignment)) | Qt::AlignVCenter);
      break;
    }
    case Kind::MultiLineEdit: {
      auto* e = static_cast<QPlainTextEdit*>(w);
      e->setReadOnly(!m.editable);
      e->setLineWrapMode(m.hScroll ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
      e->setHorizontalScrollBarPolicy(m.hScroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
      break;
    }
    case Kind::ComboBox: {
      auto* box = static_cast<QComboBox*>(w);
      const bool editable = m.comboType != combo::kDropDownList;
      if (box->isEditable() != editable) {
        box->setEditable(editable);
        for (QWidget* inner : box->findChildren<QWidget*>()) inner->setMouseTracking(true);
      }
      if (box->lineEdit() != nullptr) box->lineEdit()->setReadOnly(!m.editable);
      break;
    }
    case Kind::SpinButton: {
      auto* spin = static_cast<QSpinBox*>(w);
      spin->setRange(static_cast<int>(std::lround(m.spinMin)),
                     static_cast<int>(std::lround(std::max(m.spinMin, m.spinMax))));
      spin->setReadOnly(!m.editable);
      spin->setAccelerated(m.fastSpin);
      spin->setValue(static_cast<int>(std::lround(m.spinValue)));
      break;
    }
    default:
      break;
  }
}

void applyTabStop(Control& c) {
  auto& m = c.impl();
  if (!m.widget) return;
  switch (c.kind()) {
    case Kind::PushButton:
    case Kind::SingleLineEdit:
    case Kind::MultiLineEdit:
    case Kind::ComboBox:
    case Kind::CheckBox:
    case Kind::SpinButton:
    case Kind::Browse:
      m.widget->setFocusPolicy(m.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
      break;
    case Kind::Dialog:
      m.widget->setFocusPolicy(Qt::StrongFocus);
      break;
    default:
      break;
  }
}

void applyMask(Control& c) {
  auto& m = c.impl();
  auto* page = dynamic_cast<TabPageWidget*>(m.widget.data());
  if (page == nullptr) return;
  int offset = m.tabOffset;
  if (offset < 0) {
    // After the tabs of the pages made before it.
    offset = 0;
    if (Control::Ref parent = m.parent.lock()) {
      for (const auto& sibling : parent->impl().children) {
        if (sibling.get() == &c) break;
        auto* other = sibling->kind() == Kind::TabPage
                          ? dynamic_cast<TabPageWidget*>(sibling->impl().widget.data())
                          : nullptr;
        if (other != nullptr) offset = std::max(offset, other->tab->geometry().right() + 1);
      }
    }
  }
  const QFontMetrics fm(page->font());
  const QRect tab(offset, 0, fm.horizontalAdvance(page->tab->text()) + 20, kTabHeight);
  page->tab->setGeometry(tab);
  QRegion region(tab);
  if (!m.minimized) region += QRect(0, kTabHeight, page->width(), std::max(0, page->height() - kTabHeight));
  page->setMask(region);
}

void popupMenu(Control& menu, const Control::Ref& over, Point pos, const std::vector<std::string>& captions) {
  auto& m = menu.impl();
  auto* qm = qobject_cast<QMenu*>(m.widget.data());
  if (qm == nullptr) return;
  qm->clear();
  std::weak_ptr<Control> weak = weakOf(menu);
  for (std::size_t i = 0; i < captions.size(); ++i) {
    QAction* a = qm->addAction(qs(captions[i]));
    const int item = static_cast<int>(i) + 1;
    QObject::connect(a, &QAction::triggered, qm, [weak, item] { post(weak, ev::kActivate, item); });
  }
  QPoint global(pos.x, desktopHeight() - pos.y);
  if (over && over->impl().widget) {
    QWidget* ow = over->impl().widget;
    global = ow->mapToGlobal(QPoint(pos.x, ow->height() - pos.y));
  }
  m.menuOpen = true;
  qm->popup(global);
}

}  // namespace platform::gui::detail
