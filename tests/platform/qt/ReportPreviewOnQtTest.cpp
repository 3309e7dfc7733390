// The report list's preview on the Qt backend over the real engine and its renderer helper: Northwind's
// reports double-clicked or previewed from the list's context menu, their pages navigated and zoomed,
// a report of hundreds of pages while it is drawn, and a report asking for parameter values.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "pages/Form1.h"
#include "pages/Form2.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/qt/PreviewWindow.h"
#include "platform/qt/QtReportPreview.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"
#include "program/Program.h"
#include "tests/fakes/FakeDevices.h"
#include "tests/fakes/FakeShell.h"
#include "tests/platform/jet/PdfTools.h"
#include "tests/platform/jet/TestFiles.h"
#include "tests/platform/qt/ParameterBoxes.h"
#include "tests/support/NoPrintQueues.h"

namespace {

namespace fs = std::filesystem;
using platform::qt::PreviewWindow;

class ReportPreviewOnQt : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_TEST_FILE("northwind-jet4.mdb");
        shell.programFolderPath = CALVENOR_HELPER_DIR;
        shell.desktopFolderPath = desktop.path().string();
        access.askWith(&ui);
        program.start();
        auto& form1 = widget(program.form1().window());
        form1.findChild<QLineEdit*>("Text1")->setText(QString::fromStdString(northwind));
        form1.findChild<QPushButton*>("PushButton3")->click();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form2()));
    }

    static QWidget& widget(platform::Window& window) {
        return dynamic_cast<platform::qt::QtWindow&>(window).widget();
    }
    QWidget& form2() { return widget(program.form2().window()); }
    QTreeView& list() { return *form2().findChild<QTreeView*>("ListView1"); }

    // Where the report's name is in the list, clear of its check box; or its check box.
    QPoint nameOf(const std::string& report, bool checkBox = false) {
        const auto& model = *list().model();
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row, 0);
            if (index.data().toString().toStdString() == report) {
                list().scrollTo(index);
                const QRect place = list().visualRect(index);
                return {checkBox ? place.left() + place.height() / 2 : place.left() + place.width() / 2,
                        place.center().y()};
            }
        }
        throw std::runtime_error("no report " + report);
    }

    void doubleClick(const std::string& report, bool checkBox = false) {
        const QPoint at = nameOf(report, checkBox);
        QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, at);  // press and double click, as a mouse
        QTest::mouseRelease(list().viewport(), Qt::LeftButton, {}, at);
    }

    // The list's context menu over the report, its "Preview" chosen as soon as it opens.
    void previewFromMenu(const std::string& report) {
        QStringList offered;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions()) offered << action->text();
            menu->actions().value(0)->trigger();
            menu->close();
        });
        const QPoint at = nameOf(report);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list().viewport()->mapToGlobal(at));
        QApplication::sendEvent(list().viewport(), &event);
        EXPECT_EQ(offered, QStringList{"Preview"});
    }

    // The newest preview window, once it has one; null when none opened.
    PreviewWindow* newest(std::size_t before) {
        return QTest::qWaitFor([&] { return preview.windows().size() > before; }, 10000)
                   ? preview.windows().back()
                   : nullptr;
    }

    static bool waitUntilFinished(PreviewWindow& window, int milliseconds = 60000) {
        return QTest::qWaitFor([&] { return window.finished(); }, milliseconds);
    }

    // The check marks as the list shows them.
    std::vector<bool> marks() {
        std::vector<bool> marked;
        for (int row = 0; row < list().model()->rowCount(); ++row)
            marked.push_back(list().model()->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked);
        return marked;
    }

    // Every file of the settings store with its contents.
    std::map<std::string, std::string> stored() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(registryFolder.path()))
            if (entry.is_regular_file()) {
                std::ifstream in(entry.path(), std::ios::binary);
                files[entry.path().string()] = std::string(std::istreambuf_iterator<char>(in), {});
            }
        return files;
    }

    // The pages of the report's PDF as the export saves it.
    int savedPages(const std::string& report) {
        const std::string file = (output.path() / "saved.pdf").string();
        auto application = access.createApplication();
        application->openCurrentDatabase(northwind, false, "");
        application->outputReport(report, platform::access::kFormatPdf, file);
        application->quit(platform::access::QuitOption::SaveAll);
        std::smatch pages;
        const std::string info = jet_tests::pdfInfo(file);
        return std::regex_search(info, pages, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(pages[1]) : -1;
    }

    static void saveScreenshot(QWidget& window, const std::string& name) {
        QTest::qWait(50);  // the layout follows the last news
        QDir().mkpath(CALVENOR_PREVIEW_SHOT_DIR);
        window.grab().save(
            QString::fromStdString(std::string(CALVENOR_PREVIEW_SHOT_DIR "/") + name + ".png"));
    }

    const std::string northwind = jet_tests::testFile("northwind-jet4.mdb");
    test_support::TemporaryFolder desktop, output, registryFolder;
    fakes::FakeShell shell;
    platform::posix::PosixFileSystem files;
    platform::posix::FileRegistry registry{registryFolder.path().string()};
    test_support::NoPrintQueues queues;
    platform::jet::JetAdo ado{jet_tests::testOptions()};
    platform::jet::JetAccess access{registry, queues, jet_tests::testOptions()};
    platform::qt::QtUi ui;
    platform::qt::QtReportPreview preview{access, jet_tests::testOptions()};
    fakes::FakePrinters printers;
    fakes::FakeSkin skin;
    fakes::FakePrinterValuesLock printerValues;
    calvenor::Program program{{ui, shell, files, registry, ado, access, printers, skin, printerValues, &access,
                               [] { return 0.5; }, &preview}};
};

TEST_F(ReportPreviewOnQt, ADoubleClickShowsTheSavedPagesWhichNavigateZoomAndCloseWithEscape) {
    const auto marksBefore = marks();
    const auto storedBefore = stored();
    doubleClick("Catalog", true);  // on its check box: marks it, twice
    QTest::qWait(300);
    EXPECT_TRUE(preview.windows().empty());
    EXPECT_EQ(marks(), marksBefore);
    doubleClick("Catalog");
    PreviewWindow* window = newest(0);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_TRUE(waitUntilFinished(*window));
    EXPECT_EQ(window->pageCount(), savedPages("Catalog"));
    EXPECT_TRUE(window->outcome().startsWith("Drawn as the report is saved: "))
        << window->outcome().toStdString();
    ASSERT_GT(window->pageCount(), 3);
    saveScreenshot(*window, "Catalog page 1");

    const int last = window->pageCount();
    struct Step {
        std::function<void()> act;
        int page;
    };
    auto* pageNumber = window->findChild<QSpinBox*>();
    const std::vector<Step> steps{
        {[&] { QTest::keyClick(window, Qt::Key_PageDown); }, 2},
        {[&] { QTest::keyClick(window, Qt::Key_End); }, last},
        {[&] { QTest::keyClick(window, Qt::Key_PageDown); }, last},  // none past the last
        {[&] { QTest::keyClick(window, Qt::Key_PageUp); }, last - 1},
        {[&] { QTest::keyClick(window, Qt::Key_Home); }, 1},
        {[&] { QTest::keyClick(window, Qt::Key_PageUp); }, 1},
        {[&] { pageNumber->setValue(3); }, 3},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].act();
        EXPECT_EQ(window->currentPage(), steps[i].page) << "step " << i;
        EXPECT_EQ(pageNumber->value(), steps[i].page) << "step " << i;
    }
    const auto buttons = window->findChildren<QPushButton*>();
    const auto click = [&](const char* caption) {
        for (auto* button : buttons)
            if (button->text() == caption) return button->click();
        FAIL() << "no button " << caption;
    };
    click(">|");
    EXPECT_EQ(window->currentPage(), last);
    click("|<");
    EXPECT_EQ(window->currentPage(), 1);
    click(">");
    EXPECT_EQ(window->currentPage(), 2);
    click("<");
    EXPECT_EQ(window->currentPage(), 1);

    auto* area = window->findChild<QScrollArea*>();
    click("Fit Width");
    EXPECT_NEAR(area->widget()->width(), area->viewport()->width(), 2);
    click("Fit Page");
    EXPECT_LE(area->widget()->height(), area->viewport()->height() + 1);
    EXPECT_LE(area->widget()->width(), area->viewport()->width() + 1);
    click("100%");
    EXPECT_DOUBLE_EQ(window->scale(), 1.0);
    const int printedWidth = area->widget()->width();
    QWheelEvent wheel(QPointF(10, 10), area->viewport()->mapToGlobal(QPoint(10, 10)), {}, {0, 120},
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area->viewport(), &wheel);
    EXPECT_DOUBLE_EQ(window->scale(), 1.25);
    EXPECT_GT(area->widget()->width(), printedWidth);
    saveScreenshot(*window, "Catalog zoomed");

    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview.windows().empty(); }, 2000));
    EXPECT_EQ(marks(), marksBefore);
    EXPECT_EQ(stored(), storedBefore);
}

TEST_F(ReportPreviewOnQt, AReportOfHundredsOfPagesAnswersWhileDrawnAndSeveralPreviewsOpenAtOnce) {
    doubleClick("Invoice");
    PreviewWindow* invoice = newest(0);
    ASSERT_NE(invoice, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return invoice->pageCount() > 0; }, 10000));
    // While the rest is drawn the window answers at once: a timer's ticks come without a long gap.
    QElapsedTimer clock;
    clock.start();
    qint64 longestGap = 0, lastTick = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    ticks.start(10);
    QTest::qWait(1500);
    ticks.stop();
    EXPECT_FALSE(invoice->finished()) << "a long report is still being drawn";
    EXPECT_LT(longestGap, 250);
    QTest::keyClick(invoice, Qt::Key_End);
    EXPECT_GT(invoice->currentPage(), 1);
    EXPECT_EQ(invoice->currentPage(), invoice->pageCount()) << "End shows the last page drawn so far";
    EXPECT_TRUE(invoice->outcome().startsWith("Drawing the report...")) << invoice->outcome().toStdString();
    saveScreenshot(*invoice, "Invoice while drawn");

    previewFromMenu("Customer Labels");
    PreviewWindow* labels = newest(1);
    ASSERT_NE(labels, nullptr);
    ASSERT_TRUE(waitUntilFinished(*labels));
    EXPECT_GT(labels->pageCount(), 0);
    EXPECT_EQ(preview.windows().size(), 2u);
    // Closing a preview while it is drawn ends its drawing; the other stays.
    invoice->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview.windows().size() == 1; }, 2000));
    EXPECT_EQ(preview.windows().front(), labels);
}

TEST_F(ReportPreviewOnQt, AReportAskingForValuesAsksAsTheExportAsksAndCancelShowsNothing) {
    {
        Boxes boxes({QString("1/1/1996"), QString("12/31/1996")});
        doubleClick("Employee Sales by Country");
        PreviewWindow* window = newest(0);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(waitUntilFinished(*window));
        EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Enter Parameter Value: Beginning Date = ",
                                                         "Enter Parameter Value: Ending Date = "}));
        EXPECT_FALSE(window->outcome().contains("without its rows")) << window->outcome().toStdString();
        EXPECT_EQ(window->outcome().count("approximation"),
                  window->outcome().contains("approximation") ? 1 : 0)
            << window->outcome().toStdString();
        EXPECT_GT(window->pageCount(), 0);
        saveScreenshot(*window, "Employee Sales by Country");
        window->close();
    }
    // The answers are offered again, as the export offers them; Cancel opens no window.
    Boxes boxes({std::nullopt});
    doubleClick("Employee Sales by Country");
    QTest::qWait(500);
    EXPECT_EQ(boxes.shown, std::vector<std::string>{"Enter Parameter Value: Beginning Date = 1/1/1996"});
    EXPECT_TRUE(preview.windows().empty());
}

TEST_F(ReportPreviewOnQt, ADatabaseThatCannotBeOpenedIsReportedAndOpensNoWindow) {
    auto& form1 = widget(program.form1().window());
    form1.findChild<QLineEdit*>("Text1")->setText(
        QString::fromStdString((desktop.path() / "gone.mdb").string()));
    std::string reported;
    QTimer::singleShot(50, [&] {
        if (auto* box = QApplication::activeModalWidget()) {
            reported = box->findChild<QLabel*>("qt_msgbox_label")->text().toStdString();
            box->close();
        }
    });
    doubleClick("Catalog");
    QTest::qWait(200);
    EXPECT_NE(reported.find("ListView1_DblClick"), std::string::npos) << reported;
    EXPECT_TRUE(preview.windows().empty());
}

}  // namespace
