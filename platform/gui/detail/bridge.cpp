#include "platform/gui/detail/bridge.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <exception>

#include "core/failure.h"

namespace platform::gui::detail {

bool onGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

void runOnGui(const std::function<void()>& fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) throw core::RuntimeFailure("Kein Fenstersystem vorhanden");
  if (QThread::currentThread() == app->thread()) {
    fn();
    return;
  }
  std::exception_ptr failure;
  QMetaObject::invokeMethod(
      app,
      [&] {
        try {
          fn();
        } catch (...) {
          failure = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (failure) std::rethrow_exception(failure);
}

void postToGui(std::function<void()> fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

}  // namespace platform::gui::detail
