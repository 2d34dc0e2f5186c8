#include "platform/gui/boxes.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "core/text.h"
#include "platform/fs/fs.h"
#include "platform/gui/control.h"
#include "platform/gui/detail/bridge.h"
#include "platform/gui/detail/impl.h"
#include "platform/gui/detail/wait.h"

namespace platform::gui {

namespace {

std::atomic<int> gBoxesShown{0};

// The answer a program thread waits for.
struct Answer {
  std::mutex mutex;
  std::condition_variable cv;
  bool done = false;
  int code = 0;
  std::string hostPath;
  QPointer<QWidget> window;

  void give(int c, std::string path = {}) {
    {
      std::lock_guard lock(mutex);
      if (done) return;
      done = true;
      code = c;
      hostPath = std::move(path);
    }
    cv.notify_all();
  }
};

QWidget* ownerWindow(const Control::Ref& owner) {
  if (!owner || !owner->impl().widget) return nullptr;
  return owner->impl().widget->window();
}

// Shows the window that show() makes on the window thread and waits for its answer. On the
// window thread itself (no program thread to block) a local loop waits.
void waitFor(const std::shared_ptr<Answer>& answer, const std::function<void()>& show) {
  if (detail::onGuiThread()) {
    show();
    while (!answer->done) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return;
  }
  detail::runOnGui(show);
  std::unique_lock lock(answer->mutex);
  try {
    detail::waitForAnswer(lock, answer->cv, [&] { return answer->done; });
  } catch (...) {
    // The program is ending: the window goes with the thread that waited for it.
    QPointer<QWidget> w = answer->window;
    detail::postToGui([w] {
      if (w) w->deleteLater();
    });
    throw;
  }
}

struct ButtonDef {
  const char* caption;
  int answer;
  QMessageBox::ButtonRole role;
};

int showBox(const std::string& text, const std::string& title, QMessageBox::Icon icon,
            const std::vector<ButtonDef>& buttons, int defaultAnswer, int escapeAnswer,
            const Control::Ref& owner) {
  auto answer = std::make_shared<Answer>();
  waitFor(answer, [&] {
    auto* box = new QMessageBox(ownerWindow(owner));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(detail::qs(title));
    box->setTextFormat(Qt::PlainText);
    box->setText(detail::qs(text));
    box->setIcon(icon);
    // The texts as the program gave them, for whoever reads the box back.
    box->setProperty("zovText", QByteArray::fromStdString(text));
    box->setProperty("zovTitle", QByteArray::fromStdString(title));
    for (const auto& def : buttons) {
      QPushButton* b = box->addButton(detail::qs(def.caption), def.role);
      b->setProperty("zovAnswer", def.answer);
      if (def.answer == defaultAnswer) box->setDefaultButton(b);
      if (def.answer == escapeAnswer) box->setEscapeButton(b);
    }
    box->setWindowModality(owner ? Qt::WindowModal : Qt::NonModal);
    QObject::connect(box, &QMessageBox::finished, box, [answer, box, escapeAnswer] {
      QAbstractButton* clicked = box->clickedButton();
      answer->give(clicked != nullptr ? clicked->property("zovAnswer").toInt() : escapeAnswer);
    });
    answer->window = box;
    ++gBoxesShown;
    box->show();
    box->raise();
    box->activateWindow();
  });
  return answer->code;
}

// A pattern that finds names without regard to case, as on Windows: "ini.*" -> "[iI][nN][iI].*".
QString caselessPattern(const std::string& pattern) {
  QString out;
  for (QChar ch : detail::qs(pattern)) {
    if (ch.isLetter() && ch.toLower() != ch.toUpper())
      out += QStringLiteral("[") + ch.toLower() + ch.toUpper() + QStringLiteral("]");
    else
      out += ch;
  }
  return out;
}

}  // namespace

namespace detail {
int boxesShown() {
  return gBoxesShown.load();
}
}  // namespace detail

void messageBox(const std::string& text, const std::string& title) {
  showBox(text, title, QMessageBox::NoIcon, {{"OK", 1, QMessageBox::AcceptRole}}, 1, 1, nullptr);
}

int confirmBox(const std::string& text, const std::string& title, bool withCancel, const core::Value& owner,
               int defaultAnswer) {
  std::vector<ButtonDef> buttons{{"Ja", kYes, QMessageBox::YesRole}, {"Nein", kNo, QMessageBox::NoRole}};
  if (withCancel) buttons.push_back({"Abbrechen", kCancel, QMessageBox::RejectRole});
  return showBox(text, title, QMessageBox::Question, buttons, defaultAnswer, withCancel ? kCancel : kNo,
                 asControl(owner));
}

std::string FileDialog::open(const std::string& proposedName, bool centred) {
  std::string startDir;
  if (auto host = platform::fs::toHost(platform::fs::currentDir())) startDir = host->string();
  auto answer = std::make_shared<Answer>();
  waitFor(answer, [&] {
    Control::Ref ownerControl = impl().owner.lock();
    auto* dlg = new QFileDialog(ownerWindow(ownerControl), detail::qs(impl().caption));
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->setOption(QFileDialog::DontUseNativeDialog);
    dlg->setFileMode(QFileDialog::ExistingFile);
    dlg->setAcceptMode(QFileDialog::AcceptOpen);
    if (!startDir.empty()) dlg->setDirectory(QString::fromStdString(startDir));
    if (proposedName.find_first_of("*?") != std::string::npos) {
      dlg->setNameFilters({detail::qs(proposedName) + QStringLiteral(" (") + caselessPattern(proposedName) +
                               QStringLiteral(")"),
                           QStringLiteral("* (*)")});
    } else if (!proposedName.empty()) {
      dlg->selectFile(detail::qs(proposedName));
    }
    dlg->setProperty("zovTitle", QByteArray::fromStdString(impl().caption));
    QObject::connect(dlg, &QFileDialog::finished, dlg, [answer, dlg](int result) {
      const QStringList chosen = dlg->selectedFiles();
      if (result == QDialog::Accepted && !chosen.isEmpty())
        answer->give(1, chosen.first().toStdString());
      else
        answer->give(0);
    });
    answer->window = dlg;
    if (centred && !ownerControl) {
      dlg->adjustSize();
      if (QScreen* s = QGuiApplication::primaryScreen())
        dlg->move(s->geometry().center() - dlg->rect().center());
    }
    dlg->show();
    dlg->raise();
    dlg->activateWindow();
  });
  if (answer->code != 1) return "";
  return platform::fs::fromHost(std::filesystem::path(answer->hostPath)).value_or("");
}

std::string fileOpenDialog(const std::string& title, const std::string& proposedName,
                           const core::Value& owner) {
  auto dlg = FileDialog::make(nullptr, asControl(owner));
  dlg->setCaption(title);
  return dlg->open(proposedName, true);
}

core::Value focusWindow() {
  Control::Ref c = focusedControl();
  return c ? core::Value(c) : core::Value();
}

}  // namespace platform::gui
