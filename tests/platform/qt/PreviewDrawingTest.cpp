// What a preview believes of its helper: the pages and the end it announces in turn, and nothing else,
// with the helper standing in as a script that answers as told.
#include <gtest/gtest.h>
#include <poll.h>

#include <QByteArray>
#include <chrono>
#include <string>
#include <vector>

#include "platform/jet/process/RendererProtocol.h"
#include "platform/qt/PreviewDrawing.h"
#include "tests/platform/jet/HelperFolder.h"

namespace {

using platform::qt::PreviewDrawing;

// Everything the drawing gives until it ends or the helper goes quiet: each page as "WIDTHxHEIGHTxDEPTH
// BYTES" (its bytes after their declared size), then "finished: NOTE" or "failed: WHY".
std::vector<std::string> newsOf(PreviewDrawing& drawing) {
    std::vector<std::string> told;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (drawing.descriptor() >= 0 && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{drawing.descriptor(), POLLIN, 0};
        ::poll(&ready, 1, 100);
        auto news = drawing.read();
        for (auto& page : news.pages)
            told.push_back(std::to_string(page.width) + "x" + std::to_string(page.height) + "x" +
                           std::to_string(page.depth) + " " + page.compressed.substr(4));
        if (news.finished) told.push_back("finished: " + news.note);
        if (news.failure) told.push_back("failed: " + *news.failure);
    }
    return told;
}

TEST(PreviewDrawing, BelievesOnlyPagesAndAnEndAnnouncedInTurn) {
    REQUIRE_TEST_FILE("northwind-jet4.mdb");
    const std::string outOfTurn =
        "failed: The report 'Catalog' could not be drawn: the helper program answered out of turn.";
    const std::string tooLarge = std::to_string(platform::jet::kMaxPagePictureBytes + 1);
    struct Case {
        const char* what;
        std::string answers;  // printf's format, written to the helper's result descriptor
        std::vector<std::string> told;
    };
    const std::vector<Case> cases{
        {"two pages and the end",
         "page\\t1\\t1\\t1\\t4\\t7\\n\\0\\0\\0\\4abcpage\\t2\\t2\\t1\\t1\\t6\\n\\0\\0\\0\\2de"
         "done\\t2\\tcharts\\n",
         {"1x1x4 abc", "2x1x1 de", "finished: charts"}},
        {"a refusal after a page",
         "page\\t1\\t1\\t1\\t4\\t5\\n\\0\\0\\0\\4xerror\\tits design cannot be read\\n",
         {"1x1x4 x", "failed: The report 'Catalog' could not be drawn: its design cannot be read."}},
        {"a page out of order", "page\\t2\\t1\\t1\\t4\\t5\\n\\0\\0\\0\\4x", {outOfTurn}},
        {"a picture too large", "page\\t1\\t1\\t1\\t4\\t" + tooLarge + "\\n", {outOfTurn}},
        {"pixels too many", "page\\t1\\t4096\\t4097\\t4\\t5\\n", {outOfTurn}},
        {"no pixels", "page\\t1\\t0\\t1\\t4\\t5\\n\\0\\0\\0\\0x", {outOfTurn}},
        {"pixels of three bytes", "page\\t1\\t1\\t1\\t3\\t5\\n\\0\\0\\0\\3x", {outOfTurn}},
        {"a compressed size unlike the page's", "page\\t1\\t1\\t1\\t4\\t5\\n\\1\\0\\0\\4x", {outOfTurn}},
        {"an end miscounting the pages",
         "page\\t1\\t1\\t1\\t4\\t5\\n\\0\\0\\0\\4xdone\\t2\\t\\n",
         {"1x1x4 x", outOfTurn}},
        {"something else", "pdf\\t3\\nabc", {outOfTurn}},
        {"an endless line", "%05000d", {outOfTurn}},
        {"the end of the helper",
         "page\\t1\\t1\\t1\\t4\\t5\\n\\0\\0\\0\\4x",
         {"1x1x4 x", "failed: The report 'Catalog' could not be drawn: the helper program stopped."}},
    };
    for (const auto& c : cases) {
        jet_tests::HelperFolder helpers;
        helpers.addScript("calvenor-print", "read -r request <&3\nprintf '" + c.answers + "' >&3\n");
        PreviewDrawing drawing(helpers.options(), jet_tests::testFile("northwind-jet4.mdb"), "");
        drawing.draw("Catalog", 96, {{"Beginning Date", "1/1/1996"}});
        EXPECT_EQ(newsOf(drawing), c.told) << c.what;
        EXPECT_EQ(drawing.descriptor(), -1) << c.what << ": the helper is let go";
    }
}

// Unpacking makes exactly the page's pixels or nothing, whatever the stream claims.
TEST(PreviewDrawing, UnpacksExactlyThePagesPixels) {
    const std::string rgb = "0123456789abcdefghijklmnopqrstuv";  // 4 x 2 pixels of 4 bytes
    const std::string grey = "abcdef";                           // 3 x 2 grey levels: padded rows
    const auto compressed = [](const std::string& bytes, int declared) {
        QByteArray packed = qCompress(QByteArray::fromStdString(bytes), 1);
        for (int i = 0; i < 4; ++i) packed[i] = char(declared >> (24 - 8 * i));
        return packed.toStdString();
    };
    struct Case {
        const char* what;
        PreviewDrawing::Page page;
        std::string pixels;  // the picture's rows, unpadded; none when nothing is made
    };
    const std::vector<Case> cases{
        {"a page in colour", {4, 2, 4, compressed(rgb, 32)}, rgb},
        {"a page of greys", {3, 2, 1, compressed(grey, 6)}, grey},
        {"a stream making more than the page", {4, 2, 4, compressed(rgb + rgb, 32)}, ""},
        {"a stream making less", {4, 2, 4, compressed(rgb.substr(4), 32)}, ""},
        {"not a stream", {4, 2, 4, std::string("\0\0\0\x20", 4) + rgb}, ""},
    };
    for (const auto& c : cases) {
        const QImage picture = platform::qt::unpackPage(c.page);
        std::string rows;
        for (int y = 0; y < picture.height(); ++y)
            rows.append(reinterpret_cast<const char*>(picture.constScanLine(y)),
                        std::size_t(c.page.width * c.page.depth));
        EXPECT_EQ(rows, c.pixels) << c.what;
    }
}

TEST(PreviewDrawing, ADatabaseThatCannotBeOpenedFailsWithTheEnginesWords) {
    jet_tests::HelperFolder helpers;
    try {
        PreviewDrawing drawing(helpers.options(), "/nonexistent/folder/db.mdb", "");
        ADD_FAILURE() << "a missing file was opened";
    } catch (const platform::Failure& failure) {
        EXPECT_NE(failure.number(), 0);
        EXPECT_FALSE(failure.description().empty());
    }
}

}  // namespace
