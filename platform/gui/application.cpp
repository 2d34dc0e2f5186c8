#include "platform/gui/application.h"

#include <QApplication>
#include <QMetaObject>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "core/failure.h"
#include "core/text.h"
#include "platform/gui/boxes.h"
#include "platform/gui/control.h"
#include "platform/gui/detail/bridge.h"
#include "platform/gui/detail/impl.h"
#include "platform/thread/program.h"
#include "platform/thread/thread.h"

namespace platform::gui {

namespace {

std::atomic<bool> gHaveWindowSystem{false};

void quitLoop(int code) {
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(
        app, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

}  // namespace

namespace detail {
void prepareApplication() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  app->setQuitOnLastWindowClosed(false);
  QApplication::setFont(toQFont("10.Arial"));
  installEventWatcher();
  gHaveWindowSystem = true;
}
}  // namespace detail

void tone(int, int) {
  if (haveWindowSystem()) detail::runOnGui([] { QApplication::beep(); });
}

bool haveWindowSystem() {
  return gHaveWindowSystem.load();
}

void runApplication(int argc, char** argv, std::function<void()> body) {
  QApplication app(argc, argv);
  detail::prepareApplication();
  platform::setEndHandler([](const core::ProgramEnd& end) {
    // The runtime's report of a failure nobody handled; XERR has shown its own box already.
    if (core::startsWith(end.reason, "Laufzeitfehler")) {
      try {
        messageBox(end.reason, "Laufzeitfehler");
      } catch (...) {
        std::fprintf(stderr, "%s\n", end.reason.c_str());
      }
    }
    quitLoop(end.exitCode);
  });
  platform::thread::start("Main", [body = std::move(body)] {
    body();
    quitLoop(0);
  });
  const int code = app.exec();
  // Returning from MAIN ends the process and every program thread with it.
  std::fflush(nullptr);
  std::_Exit(code);
}

int runWithWindowSystem(int argc, char** argv, std::function<int()> work) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  detail::prepareApplication();
  int result = 1;
  std::thread worker([&] {
    try {
      result = work();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
    } catch (...) {
      std::fprintf(stderr, "unexpected exception\n");
    }
    quitLoop(0);
  });
  app.exec();
  worker.join();
  // Program threads the work left running end now; the loop keeps serving their window calls.
  std::atomic<bool> stopped{false};
  std::thread stopper([&] {
    platform::thread::stopAll();
    stopped = true;
  });
  while (!stopped) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  stopper.join();
  for (const auto& window : desktop()->children()) window->destroy();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  gHaveWindowSystem = false;
  return result;
}

}  // namespace platform::gui
