#include "platform/gui/testing/gui_testing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTableView>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/failure.h"
#include "core/globals.h"
#include "platform/gui/browse.h"
#include "platform/gui/detail/bridge.h"
#include "platform/gui/detail/impl.h"
#include "platform/gui/events.h"
#include "platform/thread/program.h"
#include "platform/thread/thread.h"

namespace platform::gui::testing {

using detail::onGui;

namespace {

QWidget* widgetOf(const Control::Ref& c) {
  if (!c || !c->impl().widget) throw core::RuntimeFailure("Das Steuerelement hat kein Fenster");
  return c->impl().widget;
}

template <class T>
T* newestShown() {
  T* found = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* t = qobject_cast<T*>(w);
    if (t == nullptr || !t->isVisible()) continue;
    if (found == nullptr || w == QApplication::activeWindow()) found = t;
  }
  return found;
}

std::string bytes(const QVariant& v) {
  return v.toByteArray().toStdString();
}

QTableView* tableOf(const Control::Ref& browse) {
  auto* view = qobject_cast<QTableView*>(widgetOf(browse));
  if (view == nullptr) throw core::RuntimeFailure("Keine Browse");
  return view;
}

QPoint hostPoint(QWidget* w, Point p) {
  return {p.x, w->height() - 1 - p.y};
}

}  // namespace

// --- running the program ---------------------------------------------------------------------

std::string Outcome::describe() const {
  switch (how) {
    case How::Returned:
      return "returned";
    case How::Ended:
      return "ended with code " + std::to_string(exitCode) + (reason.empty() ? "" : ": " + reason);
    case How::Hung:
      return "did not finish";
  }
  return "";
}

struct MainRun::State {
  std::mutex mutex;
  std::condition_variable cv;
  bool done = false;
  Outcome outcome;

  void finish(Outcome::How how, int code, const std::string& reason) {
    {
      std::lock_guard lock(mutex);
      if (done) return;
      done = true;
      outcome.how = how;
      outcome.exitCode = code;
      outcome.reason = reason;
    }
    cv.notify_all();
  }
};

MainRun::MainRun(std::function<void()> body) : state_(std::make_shared<State>()) {
  auto state = state_;
  platform::setEndHandler(
      [state](const core::ProgramEnd& end) { state->finish(Outcome::How::Ended, end.exitCode, end.reason); });
  platform::thread::start("Main", [state, body = std::move(body)] {
    body();
    state->finish(Outcome::How::Returned, 0, "");
  });
}

MainRun::~MainRun() {
  if (!waited_) wait();
}

Outcome MainRun::wait(Millis timeout) {
  waited_ = true;
  Outcome result;
  {
    std::unique_lock lock(state_->mutex);
    state_->cv.wait_for(lock, timeout, [&] { return state_->done; });
    result = state_->outcome;
  }
  // Returning from MAIN ends the program's other threads.
  platform::thread::stopAll();
  return result;
}

bool MainRun::running() const {
  std::lock_guard lock(state_->mutex);
  return !state_->done;
}

Outcome runAsMain(std::function<void()> body, Millis timeout) {
  MainRun run(std::move(body));
  return run.wait(timeout);
}

void resetProgram() {
  platform::thread::stopAll();
  platform::setEndHandler([](const core::ProgramEnd&) {});
  onGui([] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<QMessageBox*>(w) != nullptr || qobject_cast<QFileDialog*>(w) != nullptr)
        w->deleteLater();
  });
  for (const auto& window : desktop()->children()) window->destroy();
  setAppWindow(nullptr);
  onGui([] { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); });
  threadQueue()->clear();
  core::globals().clear();
}

// --- boxes ----------------------------------------------------------------------------------

std::optional<BoxView> openBox() {
  return onGui([]() -> std::optional<BoxView> {
    QMessageBox* box = newestShown<QMessageBox>();
    if (box == nullptr) return std::nullopt;
    BoxView view;
    view.title = bytes(box->property("zovTitle"));
    view.text = bytes(box->property("zovText"));
    for (QAbstractButton* b : box->buttons()) view.buttons.push_back(detail::cp(b->text()));
    view.question = box->icon() == QMessageBox::Question;
    return view;
  });
}

std::optional<BoxView> waitForBox(Millis timeout) {
  std::optional<BoxView> box;
  waitUntil([&] { return (box = openBox()).has_value(); }, timeout);
  return box;
}

bool pressBoxButton(const std::string& caption) {
  return onGui([&] {
    QMessageBox* box = newestShown<QMessageBox>();
    if (box == nullptr) return false;
    for (QAbstractButton* b : box->buttons()) {
      if (b->text() == detail::qs(caption)) {
        b->click();
        return true;
      }
    }
    return false;
  });
}

bool closeBox() {
  return onGui([] {
    QMessageBox* box = newestShown<QMessageBox>();
    if (box == nullptr) return false;
    box->close();
    return true;
  });
}

int boxesShown() {
  return detail::boxesShown();
}

// --- file dialog ------------------------------------------------------------------------------

std::optional<std::string> waitForFileDialog(Millis timeout) {
  std::optional<std::string> title;
  waitUntil(
      [&] {
        title = onGui([]() -> std::optional<std::string> {
          QFileDialog* dlg = newestShown<QFileDialog>();
          if (dlg == nullptr) return std::nullopt;
          return bytes(dlg->property("zovTitle"));
        });
        return title.has_value();
      },
      timeout);
  return title;
}

bool chooseInFileDialog(const std::string& hostPath) {
  return onGui([&] {
    QFileDialog* dlg = newestShown<QFileDialog>();
    if (dlg == nullptr) return false;
    const QFileInfo file(QString::fromStdString(hostPath));
    dlg->setDirectory(file.absolutePath());
    // The dialog does not change the name field while it is typed into.
    if (QWidget* typing = dlg->focusWidget()) typing->clearFocus();
    dlg->selectFile(file.fileName());
    if (dlg->selectedFiles().isEmpty()) return false;
    QMetaObject::invokeMethod(dlg, "accept", Qt::DirectConnection);
    return true;
  });
}

bool cancelFileDialog() {
  return onGui([] {
    QFileDialog* dlg = newestShown<QFileDialog>();
    if (dlg == nullptr) return false;
    dlg->reject();
    return true;
  });
}

// --- windows ----------------------------------------------------------------------------------

Control::Ref waitForWindow(const std::string& title, Millis timeout) {
  Control::Ref found;
  waitUntil(
      [&] {
        for (const auto& w : desktop()->children())
          if (w->kind() == Kind::Dialog && w->caption() == title && w->isVisible()) found = w;
        return found != nullptr;
      },
      timeout);
  return found;
}

std::vector<Control::Ref> findAll(const Control::Ref& root,
                                  const std::function<bool(const Control::Ref&)>& match) {
  std::vector<Control::Ref> out;
  std::function<void(const Control::Ref&)> walk = [&](const Control::Ref& c) {
    for (const auto& child : c->children()) {
      if (match(child)) out.push_back(child);
      walk(child);
    }
  };
  if (root) walk(root);
  return out;
}

Control::Ref findByCaption(const Control::Ref& root, const std::string& caption) {
  auto all = findAll(root, [&](const Control::Ref& c) { return c->caption() == caption; });
  return all.empty() ? nullptr : all.front();
}

void click(const Control::Ref& control) {
  onGui([&] {
    QWidget* w = widgetOf(control);
    // A check box takes clicks on its box and text only: click the box.
    const QPoint at =
        qobject_cast<QCheckBox*>(w) != nullptr ? QPoint(7, w->height() / 2) : w->rect().center();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
  });
}

void closeWindow(const Control::Ref& dialog) {
  onGui([&] { widgetOf(dialog)->close(); });
}

void typeText(const Control::Ref& control, const std::string& text) {
  onGui([&] { QTest::keyClicks(widgetOf(control), detail::qs(text)); });
}

void pressKey(const Control::Ref& control, int toolkitKey, int toolkitModifiers, const std::string& text) {
  onGui([&] {
    QWidget* w = widgetOf(control);
    if (text.empty()) {
      QTest::keyClick(w, static_cast<Qt::Key>(toolkitKey), Qt::KeyboardModifiers(toolkitModifiers));
    } else {
      QKeyEvent press(QEvent::KeyPress, toolkitKey, Qt::KeyboardModifiers(toolkitModifiers),
                      detail::qs(text));
      QApplication::sendEvent(w, &press);
      QKeyEvent release(QEvent::KeyRelease, toolkitKey, Qt::KeyboardModifiers(toolkitModifiers),
                        detail::qs(text));
      QApplication::sendEvent(w, &release);
    }
  });
}

void moveMouse(const Control::Ref& control, Point lowerLeftPos) {
  onGui([&] {
    QWidget* w = widgetOf(control);
    const QPoint local(lowerLeftPos.x, w->height() - lowerLeftPos.y);
    QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(w->mapToGlobal(local)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
  });
}

void rightClickHeading(const Control::Ref& browse, int column) {
  onGui([&] {
    QHeaderView* header = tableOf(browse)->horizontalHeader();
    QWidget* target = header->viewport();
    const QPoint pos(header->sectionViewportPosition(column - 1) + 3, target->height() / 2);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, pos, target->mapToGlobal(pos));
    QApplication::sendEvent(target, &menu);
  });
}

void markRow(const Control::Ref& browse, int row) {
  onGui([&] {
    QTableView* view = tableOf(browse);
    const QModelIndex index = view->model()->index(row - 1, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(index).center());
  });
}

bool chooseMenuItem(const Control::Ref& menu, const std::string& caption) {
  return onGui([&] {
    auto* m = qobject_cast<QMenu*>(widgetOf(menu));
    if (m == nullptr || !m->isVisible()) return false;
    for (QAction* a : m->actions()) {
      if (a->text() == detail::qs(caption)) {
        a->trigger();
        m->hide();
        return true;
      }
    }
    return false;
  });
}

void doubleClickRow(const Control::Ref& browse, int row) {
  onGui([&] {
    QTableView* view = tableOf(browse);
    const QModelIndex index = view->model()->index(row - 1, 0);
    view->scrollTo(index);
    // A double click: press and release, then the second press as a double click and release.
    const QPoint at = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  });
}

HostRect hostGeometry(const Control::Ref& control) {
  return onGui([&] {
    const QRect g = widgetOf(control)->geometry();
    return HostRect{g.x(), g.y(), g.width(), g.height()};
  });
}

HostFont hostFont(const Control::Ref& control) {
  return onGui([&] {
    const QFont f = widgetOf(control)->font();
    const QFontInfo info(f);
    return HostFont{info.family().toStdString(), info.pixelSize(), info.bold()};
  });
}

std::uint32_t pixelAt(const Control::Ref& control, Point lowerLeftPos) {
  return onGui([&] {
    QWidget* w = widgetOf(control);
    const QImage image = w->grab().toImage();
    const QPoint p = hostPoint(w, lowerLeftPos);
    const double scale = w->width() > 0 ? static_cast<double>(image.width()) / w->width() : 1.0;
    return static_cast<std::uint32_t>(
        image.pixel(static_cast<int>(p.x() * scale), static_cast<int>(p.y() * scale)) & 0xFFFFFF);
  });
}

std::uint32_t cellPixel(const Control::Ref& browse, int row, int column) {
  return onGui([&] {
    QTableView* view = tableOf(browse);
    const QRect cell = view->visualRect(view->model()->index(row - 1, column - 1));
    const QImage image = view->viewport()->grab().toImage();
    return static_cast<std::uint32_t>(image.pixel(cell.left() + 2, cell.top() + 2) & 0xFFFFFF);
  });
}

std::string hostTooltip(const Control::Ref& control) {
  return onGui([&] { return detail::cp(widgetOf(control)->toolTip()); });
}

bool savePng(const Control::Ref& control, const std::string& hostPath) {
  return onGui([&] {
    QWidget* w = widgetOf(control);
    return w->grab().save(QString::fromStdString(hostPath), "PNG");
  });
}

Size pngSize(const std::string& hostPath) {
  const QImage image(QString::fromStdString(hostPath));
  return {image.width(), image.height()};
}

// --- redraws ----------------------------------------------------------------------------------

namespace {
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(std::atomic<int>& n) : n_(n) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++n_;
    return false;
  }

 private:
  std::atomic<int>& n_;
};
}  // namespace

struct RepaintCounter::Impl {
  std::atomic<int> count{0};
  QPointer<QWidget> widget;
  PaintCounter* filter = nullptr;
};

RepaintCounter::RepaintCounter(const Control::Ref& control) : impl_(std::make_unique<Impl>()) {
  onGui([&] {
    impl_->widget = widgetOf(control);
    impl_->filter = new PaintCounter(impl_->count);
    impl_->widget->installEventFilter(impl_->filter);
  });
}

RepaintCounter::~RepaintCounter() {
  onGui([&] {
    if (impl_->widget) impl_->widget->removeEventFilter(impl_->filter);
    delete impl_->filter;
  });
}

int RepaintCounter::count() const {
  return impl_->count.load();
}

bool RepaintCounter::waitFor(int n, Millis timeout) const {
  return waitUntil([&] { return count() >= n; }, timeout);
}

bool waitUntil(const std::function<bool()>& pred, Millis timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(5ms);
  }
}

}  // namespace platform::gui::testing
