#include <gtest/gtest.h>

#include "app/ErrorReport.h"
#include "tests/fakes/FakeUi.h"

namespace calvenor {
namespace {

TEST(ErrorReport, TextIsDescriptionLocationStepAndRequest) {
    EXPECT_EQ(ErrorReport::text("File not found", "in Ostrevan2021/08/31.Form1.PushButton1_Click ", 100),
              "File not found\r\nin Ostrevan2021/08/31.Form1.PushButton1_Click at line 100\r\r"
              "Please email screenshot of this message to support@drevmark.com");
}

TEST(ErrorReport, EmptyDescriptionStillStartsWithTheLineBreak) {
    const auto text = ErrorReport::text("", "in Ostrevan2021/08/31.Form2.PushButton3_Click ", 170);
    EXPECT_EQ(text.rfind("\r\nin Ostrevan2021/08/31.Form2.PushButton3_Click at line 170\r\r", 0), 0u);
}

TEST(ErrorReport, ShowsOneModalBoxTitledApplicationErrorWithExclamationAndOk) {
    fakes::FakeUi ui;
    ErrorReport report{ui};
    report.show("Disk full", "in Ostrevan2021/08/31.Form1.Form_Load ", 128);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Application Error");
    EXPECT_EQ(ui.messages[0].buttons, platform::MessageButtons::Ok);
    EXPECT_EQ(ui.messages[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(ui.messages[0].text,
              ErrorReport::text("Disk full", "in Ostrevan2021/08/31.Form1.Form_Load ", 128));
}

}  // namespace
}  // namespace calvenor
