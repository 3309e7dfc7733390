// The program's own icon, compiled in, on both pages as the real start-up sets it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QSize>
#include <algorithm>
#include <string>
#include <vector>

#include "program/Program.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "platform/qt/ProgramIcon.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"
#include "tests/fakes/FakeProgram.h"

namespace {

std::string text(QSize size) {
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

std::vector<std::string> sizesOf(const QIcon& icon) {
    auto sizes = icon.availableSizes();
    std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
    std::vector<std::string> texts;
    for (const QSize& size : sizes) texts.push_back(text(size));
    return texts;
}

QIcon windowIconOf(platform::Window& window) {
    return dynamic_cast<platform::qt::QtWindow&>(window).widget().windowIcon();
}

TEST(ProgramIconOnQt, BothPagesShowTheProgramIconAtEveryDrawnSize) {
    const std::vector<QSize> drawn{{32, 32}, {48, 48}, {128, 128}, {256, 256}};
    const std::vector<std::string> drawnSizes{"32x32", "48x48", "128x128", "256x256"};
    const QIcon previous = QApplication::windowIcon();
    QApplication::setWindowIcon(platform::qt::programIcon());

    fakes::ProgramOverFakes<platform::qt::QtUi> p;
    auto& program = p.program;
    program.start();

    const struct {
        const char* page;
        platform::Window& window;
    } pages[]{{"Form1", program.form1().window()}, {"Form2", program.form2().window()}};
    for (const auto& [page, window] : pages) {
        const QIcon icon = windowIconOf(window);
        EXPECT_EQ(sizesOf(icon), drawnSizes) << page;
        // Each size is its own drawing, not one picture scaled: the real pixels are there.
        for (const QSize& size : drawn) EXPECT_EQ(text(icon.pixmap(size).size()), text(size)) << page;
    }
    QApplication::setWindowIcon(previous);
}

}  // namespace
