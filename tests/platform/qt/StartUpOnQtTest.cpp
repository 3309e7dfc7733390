// The whole start-up on the Qt backend: the real program over the real engine going straight on to
// the report list of a remembered database or of one given on the command line, and the skin beside
// the program dressing the first page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/qt/QtSkinFramework.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"
#include "program/Program.h"
#include "tests/fakes/FakeDatabase.h"
#include "tests/fakes/FakeDevices.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeShell.h"
#include "tests/platform/jet/TestFiles.h"
#include "tests/platform/qt/SampleReports.h"
#include "tests/support/NoPrintQueues.h"
#include "tests/support/TestSupport.h"

namespace {

using calvenor::Settings;

QWidget& widgetOf(platform::Window& window) {
    return dynamic_cast<platform::qt::QtWindow&>(window).widget();
}

// Every window of the program that is shown, as it is shown: its name and how many rows the report
// list held at that moment (-1 while there is no report list page).
class ShownWindows : public QObject {
  public:
    struct Shown {
        std::string window;
        int listRows;
    };

    ShownWindows() { qApp->installEventFilter(this); }
    ~ShownWindows() override { qApp->removeEventFilter(this); }

    std::vector<Shown> shown;

  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() == QEvent::Show && widget != nullptr && widget->isWindow())
            shown.push_back({widget->objectName().toStdString(), listRows()});
        return false;
    }

  private:
    static int listRows() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() != "Form2") continue;
            if (auto* list = window->findChild<QTreeView*>("ListView1");
                list != nullptr && list->model() != nullptr)
                return list->model()->rowCount();
        }
        return -1;
    }
};

// The real program over the real engine, with its settings in a scratch folder.
class StartUpOverTheEngine : public ::testing::Test {
  protected:
    StartUpOverTheEngine() {
        shell.programFolderPath = CALVENOR_HELPER_DIR;
        shell.desktopFolderPath = desktop.path().string();
    }

    void remember(std::string_view database, std::string_view password) {
        auto key = registry.createKey(Settings::kKeyPath);
        key->writeString(Settings::kDatabase, database);
        key->writeString(Settings::kPassword, password);
    }

    std::string stored(std::string_view name) {
        return registry.openKey(Settings::kKeyPath)->readString(name).value_or("(none)");
    }

    test_support::TemporaryFolder registryFolder;
    test_support::TemporaryFolder desktop;
    platform::posix::FileRegistry registry{registryFolder.path().string()};
    fakes::FakeShell shell;
    platform::posix::PosixFileSystem files;
    test_support::NoPrintQueues queues;
    platform::jet::JetAdo ado{jet_tests::testOptions()};
    platform::jet::JetAccess access{registry, queues, jet_tests::testOptions()};
    platform::qt::QtUi ui;
    fakes::FakePrinters printers;
    platform::qt::QtSkinFramework skin;
    fakes::FakePrinterValuesLock printerValues;
    calvenor::Program program{
        {ui, shell, files, registry, ado, access, printers, skin, printerValues, &access, [] { return 0.5; }}};
};

TEST_F(StartUpOverTheEngine, ARememberedDatabaseBringsUpItsReportListAloneAndNothingIsShownBeforeItIsFilled) {
    const auto reports = sampleReports();
    ASSERT_FALSE(reports.empty());
    remember(CALVENOR_SAMPLE_DATABASE, "");

    ShownWindows windows;
    program.start();
    QWidget& form2 = widgetOf(program.form2().window());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form2));

    EXPECT_FALSE(widgetOf(program.form1().window()).isVisible());
    EXPECT_EQ(program.form1().Text1().text(), CALVENOR_SAMPLE_DATABASE);
    const QAbstractItemModel& model = *form2.findChild<QTreeView*>("ListView1")->model();
    std::vector<std::string> checked;
    for (int row = 0; row < model.rowCount(); ++row) {  // in the collection's order
        const QModelIndex index = model.index(row, 0);
        if (index.data(Qt::CheckStateRole).toInt() == Qt::Checked)
            checked.push_back(index.data().toString().toStdString());
    }
    EXPECT_EQ(checked, reports);
    EXPECT_EQ(model.rowCount(), static_cast<int>(reports.size()));

    // The report list page is the one window shown, and only once its list was whole.
    ASSERT_FALSE(windows.shown.empty());
    for (const auto& shown : windows.shown) {
        EXPECT_EQ(shown.window, "Form2");
        EXPECT_EQ(shown.listRows, static_cast<int>(reports.size())) << shown.window;
    }
}

// A database given on the command line, with another database and its password remembered from an
// earlier run.
TEST_F(StartUpOverTheEngine, AGivenDatabaseWithoutAPasswordIsStoredAndOpensStraightOnItsReportList) {
    remember("/elsewhere/Old.mdb", "old secret");
    program.start(CALVENOR_SAMPLE_DATABASE);
    QWidget& form2 = widgetOf(program.form2().window());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form2));

    EXPECT_FALSE(widgetOf(program.form1().window()).isVisible());
    EXPECT_EQ(form2.findChild<QTreeView*>("ListView1")->model()->rowCount(),
              static_cast<int>(sampleReports().size()));
    EXPECT_EQ(stored(Settings::kDatabase), CALVENOR_SAMPLE_DATABASE);
    EXPECT_EQ(stored(Settings::kPassword), "");  // the other database's is not this one's
}

TEST_F(StartUpOverTheEngine, AGivenDatabaseThatNeedsAPasswordIsStoredAndWaitsWithThePasswordBoxFocused) {
    REQUIRE_TEST_FILE("jet4-v2000-password.mdb");
    remember("/elsewhere/Old.mdb", "old secret");
    const std::string database = jet_tests::testFile("jet4-v2000-password.mdb");
    program.start(database);
    QWidget& form1 = widgetOf(program.form1().window());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form1));
    QApplication::processEvents();

    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(window->objectName() == "Form2" && window->isVisible()) << "the report list is shown";
    auto* text2 = form1.findChild<QLineEdit*>("Text2");
    EXPECT_EQ(form1.focusWidget(), text2);
    EXPECT_EQ(text2->selectedText(), "old secret");  // typing replaces it
    EXPECT_EQ(program.form1().Text1().text(), database);
    EXPECT_EQ(stored(Settings::kDatabase), database);
}

QColor pixelOf(QWidget& widget, QPoint point) {
    return widget.grab().toImage().pixelColor(point);
}

TEST(StartUpOnQt, TheSkinBesideTheProgramGivesTheFirstPageTheButtonFaceAndItsStyleSheet) {
    const QString sheet = QStringLiteral("QPushButton { color: #204080; }");
    const QColor buttonFace = QApplication::palette().color(QPalette::Active, QPalette::Button);
    ASSERT_NE(buttonFace, QColor(Qt::white)) << "the two cases would look alike";
    struct Case {
        bool skinFile;
        QColor background;
        QString styleSheet;
    };
    for (const Case& expected : {Case{true, buttonFace, sheet}, Case{false, QColor(Qt::white), QString{}}}) {
        SCOPED_TRACE(expected.skinFile ? "with the skin file" : "without it");
        test_support::TemporaryFolder programFolder;
        if (expected.skinFile) {
            std::filesystem::create_directory(programFolder.path() / "x");
            test_support::writeFile(programFolder / "x/o.cjs", sheet.toStdString());
        }
        fakes::FakeShell shell;
        shell.programFolderPath = programFolder.path().string();
        platform::posix::PosixFileSystem files;
        fakes::FakeRegistry registry;
        fakes::FakeAdo ado;
        fakes::FakeAccess access;
        platform::qt::QtUi ui;
        fakes::FakePrinters printers;
        platform::qt::QtSkinFramework skin;
        fakes::FakePrinterValuesLock printerValues;
        calvenor::Program program{{ui, shell, files, registry, ado, access, printers, skin, printerValues,
                                   nullptr, [] { return 0.5; }}};
        program.start();
        QWidget& form1 = widgetOf(program.form1().window());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form1));

        EXPECT_EQ(form1.styleSheet(), expected.styleSheet);
        // Points where only the background is painted: the window's bottom left corner, inside the
        // frame's etched line, and below and right of each label's last character.
        EXPECT_EQ(pixelOf(form1, {2, form1.height() - 2}), expected.background) << "Form1";
        QWidget& frame = *form1.findChild<QWidget*>("Frame1");
        EXPECT_EQ(pixelOf(frame, {5, frame.height() - 6}), expected.background) << "Frame1";
        for (const char* name : {"Label5", "lblPassword"}) {
            QWidget& label = *form1.findChild<QWidget*>(name);
            EXPECT_EQ(pixelOf(label, {label.width() - 1, label.height() - 1}), expected.background) << name;
        }
    }
}

}  // namespace
