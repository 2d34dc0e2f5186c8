// Choosing the installation when the updater does not sit inside one: the real dialogs,
// driven by pressing their buttons, with installations on the temporary drives.
#include <gtest/gtest.h>

#include "app/tests/update_fixture.h"
#include "platform/gui/browse.h"

using namespace core::literals;
using namespace e2e;
namespace gui = platform::gui;

namespace {

const std::string kTitle = "Update einer früheren ZOV-Version"_w;

// The open selection dialog once it shows a control with that caption.
gui::Control::Ref dialogWith(const std::string& caption) {
  gui::Control::Ref found;
  gt::waitUntil([&] {
    auto window = gt::waitForWindow(kTitle, std::chrono::milliseconds(200));
    if (window && window->isVisible() && gt::findByCaption(window, caption)) found = window;
    return found != nullptr;
  });
  return found;
}

void press(const gui::Control::Ref& dialog, const std::string& caption) {
  auto button = gt::findByCaption(dialog, caption);
  ASSERT_TRUE(button) << caption;
  gt::click(button);
}

// The values of the read-only lines of the confirmation dialog, top to bottom.
std::vector<std::string> infoValues(const gui::Control::Ref& dialog) {
  std::vector<std::string> values;
  for (const auto& c :
       gt::findAll(dialog, [](const auto& c) { return c->kind() == gui::Kind::SingleLineEdit; }))
    values.push_back(core::toDisplayText(c->value()));
  return values;
}

class Selection : public UpdateRun {
 public:
  void SetUp() override {
    UpdateRun::SetUp();
    publish(Offer{});
    // The updater lives outside any installation.
    platform::fs::setProgramPath("G:\\Werkzeug\\zovupd.exe");
  }
  // Moves the fixture's installation out of the usual places.
  void moveInstallation(const std::string& hostDrive, const std::string& folder) {
    stdfs::create_directories(drives.host(hostDrive[0]));
    stdfs::rename(install(), drives.host(hostDrive[0]) / folder);
  }
};

TEST_F(Selection, NothingFoundThenASearchByHandThatMissesAndOneThatFinds) {
  moveInstallation("E", "Hotel");
  writeHostFile(drives.host('E') / "Leer" / "ini.dbf", "not a table");
  writeHostFile(drives.host('E') / "Leer" / "zov.exe", "x");  // no gast.dbf: no installation
  gt::MainRun run([] {
    app::APPSYS();
    app::MAIN();
  });
  auto a = dialogWith("Selbst suchen");
  ASSERT_TRUE(a);
  EXPECT_TRUE(gt::findByCaption(a, "Die ZOV-Daten konnten in den üblichen Verzeichnissen"_w));
  EXPECT_EQ(a->size().width, 430);
  EXPECT_EQ(a->size().height, 215);
  auto main = gui::asControl(core::globals().get("oDlg"));
  EXPECT_FALSE(main->isVisible()) << "the main window is hidden while a selection dialog is open";
  press(a, "Selbst suchen");

  for (const char* pick : {"E/Leer/zov.exe", "E/Hotel/readme.txt"}) {
    auto hint = gt::waitForBox();
    ASSERT_TRUE(hint.has_value());
    EXPECT_EQ(hint->text,
              "Bitte wählen Sie im nachfolgendem Fenster das richtige Verzeichnis aus\rund machen Sie "
              "einen Doppelklick auf die Datei INI.DBF."_w);
    gt::pressBoxButton("OK");
    auto title = gt::waitForFileDialog();
    ASSERT_TRUE(title.has_value());
    EXPECT_EQ(*title, "Bitte ZOV-Verzeichnis suchen und dann \"INI.DBF\" doppelklicken");
    ASSERT_TRUE(gt::chooseInFileDialog((drives.root() / pick).string()));
    if (std::string(pick) == "E/Leer/zov.exe") {
      auto again = gt::waitForBox();
      ASSERT_TRUE(again.has_value());
      EXPECT_EQ(again->title, "Erneut suchen ?");
      EXPECT_EQ(
          again->text,
          "In dem ausgewählten Verzeichnis befinden sich keine ZOV-Daten\r\rMöchten Sie erneut suchen ?"_w);
      gt::pressBoxButton("Ja");
    }
  }

  auto b = dialogWith("Weiter");
  ASSERT_TRUE(b);
  EXPECT_EQ(infoValues(b),
            (std::vector<std::string>{"E:\\Hotel\\", "4.3F", "Hotel Alpenhof", "01.12.2026", "4.3G"}));
  press(b, "Weiter");
  gt::Outcome outcome = run.wait();
  ASSERT_EQ(outcome.how, gt::Outcome::How::Returned) << outcome.describe();
  EXPECT_TRUE(main->isVisible()) << "the main window comes back";
  EXPECT_EQ(readHostFile(drives.host('E') / "Hotel" / "readme.txt"), "new readme\r\n");
}

TEST_F(Selection, TwoInstallationsAreListedInSearchOrderAndTheSecondIsChosen) {
  testing_support::InstallationSpec second;
  second.dir = "D:\\Programme\\ZOV\\";
  second.name1 = "Pension Sonne";
  second.name2 = "";
  second.lastLogon = "24.12.2025";
  testing_support::writeInstallation(second);
  gt::MainRun run([] {
    app::APPSYS();
    app::MAIN();
  });
  auto c = dialogWith("Markiertes Verzeichnis auswählen"_w);
  ASSERT_TRUE(c);
  EXPECT_TRUE(
      gt::findByCaption(c, "Bitte wählen Sie aus, bei welchem der Update durchgeführt werden soll."_w));
  auto lists = gt::findAll(c, [](const auto& x) { return x->kind() == gui::Kind::Browse; });
  ASSERT_EQ(lists.size(), 1u);
  auto list = std::dynamic_pointer_cast<gui::Browse>(lists[0]);
  auto rows = list->shownRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"C:\\ZOV\\", "4.3F", "Hotel Alpenhof", "01.12.2026"}));
  EXPECT_EQ(rows[1],
            (std::vector<std::string>{"D:\\Programme\\ZOV\\", "4.3F", "Pension Sonne", "24.12.2025"}));
  gt::markRow(list, 2);
  press(c, "Markiertes Verzeichnis auswählen"_w);

  auto b = dialogWith("Weiter");
  ASSERT_TRUE(b);
  EXPECT_EQ(infoValues(b), (std::vector<std::string>{"D:\\Programme\\ZOV\\", "4.3F", "Pension Sonne",
                                                     "24.12.2025", "4.3G"}));
  press(b, "Weiter");
  gt::Outcome outcome = run.wait();
  ASSERT_EQ(outcome.how, gt::Outcome::How::Returned) << outcome.describe();
  EXPECT_EQ(readHostFile(drives.host("D:\\Programme\\ZOV\\readme.txt")), "new readme\r\n");
  EXPECT_EQ(readHostFile(install("readme.txt")), "old readme\r\n") << "the other installation is left alone";
}

TEST_F(Selection, EndingInADialogChangesNothing) {
  struct Case {
    const char* name;
    bool moveAway;  // no installation in the usual places: dialog A, else B
    bool closeButton;
  };
  for (const Case& c : {Case{"Beenden in A", true, false}, Case{"close button of B", false, true},
                        Case{"Beenden in B", false, false}}) {
    SCOPED_TRACE(c.name);
    if (c.moveAway && stdfs::exists(install())) moveInstallation("E", "Hotel");
    if (!c.moveAway && !stdfs::exists(install())) stdfs::rename(drives.host('E') / "Hotel", install());
    gt::MainRun run([] {
      app::APPSYS();
      app::MAIN();
    });
    auto dialog = dialogWith(c.moveAway ? "Selbst suchen" : "Weiter");
    ASSERT_TRUE(dialog);
    if (c.closeButton) {
      gt::closeWindow(dialog);
    } else {
      press(dialog, "Beenden");
    }
    gt::Outcome outcome = run.wait();
    EXPECT_EQ(outcome.how, gt::Outcome::How::Ended);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(gt::boxesShown(), 0);
    gt::resetProgram();
  }
  EXPECT_EQ(readHostFile(install("readme.txt")), "old readme\r\n");
  EXPECT_TRUE(stdfs::directory_iterator(install()) != stdfs::directory_iterator());
  for (const auto& entry : stdfs::directory_iterator(install()))
    EXPECT_FALSE(core::startsWith(entry.path().filename().string(), "ZOV_SICH")) << "no backup was made";
}

TEST_F(Selection, LeavingTheFileDialogWithoutAChoiceEndsWithAMessage) {
  moveInstallation("E", "Hotel");
  gt::MainRun run([] {
    app::APPSYS();
    app::MAIN();
  });
  auto a = dialogWith("Selbst suchen");
  ASSERT_TRUE(a);
  press(a, "Selbst suchen");
  ASSERT_TRUE(gt::waitForBox().has_value());
  gt::pressBoxButton("OK");
  ASSERT_TRUE(gt::waitForFileDialog().has_value());
  gt::cancelFileDialog();
  auto box = gt::waitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, "Abbruch");
  EXPECT_TRUE(
      core::startsWith(box->text, "Sie haben keine Auswahl vorgenommen\r\n\r\nDer Update muss abgebrochen"));
  gt::pressBoxButton("OK");
  EXPECT_EQ(run.wait().how, gt::Outcome::How::Ended);
}

}  // namespace
