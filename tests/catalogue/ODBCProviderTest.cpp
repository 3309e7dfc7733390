#include <gtest/gtest.h>

#include "catalogue/ODBCProvider.h"
#include "platform/Ado.h"
#include "platform/Failure.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeUi.h"

namespace calvenor {
namespace {

struct RefusingAdo : platform::ado::Ado {
    std::optional<platform::Failure> failure;
    std::unique_ptr<platform::ado::Connection> createConnection() override {
        if (failure) throw *failure;
        return nullptr;
    }
};

struct FailingShell : fakes::FakeShell {
    void openWebPage(std::string_view address) override {
        FakeShell::openWebPage(address);
        throw platform::Failure{"No browser"};
    }
};

TEST(CheckDataProvider, ExplainsAMissingProviderOffersTheDownloadsAndSaysOtherFailuresBeforeAnsweringFalse) {
    const std::string help =
        "Error #3706: Provider cannot be found. It may not be properly installed.\r\n\r\n"
        "You are getting this error because:\r\n\r\n"
        "1. Microsoft Access is not installed on your computer.\r\n\r\n"
        "2. A set of Microsoft components to transfer data is not installed on your computer.\r\n\r\n"
        "You need to download and install Microsoft Access Database Engine 2010 or 2016 to solve this "
        "problem.\r\n\r\n"
        "Would you like me to open the Microsoft site now so you can do this?\r\n\r\n"
        "(If you have any further questions please email a screenshot of this error message to "
        "support@drevmark.com)";
    const std::vector<std::string> downloads{
        "https://www.microsoft.com/en-us/download/details.aspx?id=13255",
        "https://www.microsoft.com/en-us/download/details.aspx?id=54920"};
    struct Case {
        const char* what;
        std::optional<platform::Failure> failure;
        platform::MessageAnswer answer;
        bool result;
        std::string message;  // empty: none
        platform::MessageButtons buttons;
        std::vector<std::string> opened;
    };
    using platform::Failure;
    using platform::MessageAnswer::No;
    using platform::MessageAnswer::Yes;
    using platform::MessageButtons::YesNo;
    constexpr auto Ok = platform::MessageButtons::Ok;
    constexpr auto Said = platform::MessageAnswer::Ok;
    const std::vector<Case> cases{
        {"provider present", std::nullopt, No, true, "", Ok, {}},
        {"3706, Yes", Failure{"anything", 3706}, Yes, false, help, YesNo, downloads},
        {"3706, No", Failure{"anything", 3706}, No, false, help, YesNo, {}},
        {"the phrase in capitals",
         Failure{"The PROVIDER CANNOT BE FOUND here", 0},
         No,
         false,
         help,
         YesNo,
         {}},
        {"another failure is said, not swallowed",
         Failure{"Class not registered", -2147221164},
         Said,
         false,
         "Class not registered",
         Ok,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RefusingAdo ado;
        ado.failure = c.failure;
        fakes::FakeUi ui;
        ui.setApplicationTitle("Calvenor");
        ui.answers = {c.answer};
        fakes::FakeShell shell;
        EXPECT_EQ(CheckDataProvider(ado, ui, shell), c.result);
        ASSERT_EQ(ui.messages.size(), c.message.empty() ? 0u : 1u);
        if (!c.message.empty()) {
            EXPECT_EQ(ui.messages[0].text, c.message);
            EXPECT_EQ(ui.messages[0].caption, "Calvenor");
            EXPECT_EQ(ui.messages[0].buttons, c.buttons);
            EXPECT_EQ(ui.messages[0].icon,
                      c.buttons == YesNo ? platform::MessageIcon::None : platform::MessageIcon::Exclamation);
        }
        EXPECT_EQ(shell.openedPages, c.opened);
    }
}

TEST(CheckDataProvider, APageThatDoesNotOpenKeepsNeitherTheOtherNorTheAnswer) {
    RefusingAdo ado;
    ado.failure = platform::Failure{"x", 3706};
    fakes::FakeUi ui;
    ui.answers = {platform::MessageAnswer::Yes};
    FailingShell shell;
    EXPECT_FALSE(CheckDataProvider(ado, ui, shell));
    EXPECT_EQ(shell.openedPages.size(), 2u);
}

}  // namespace
}  // namespace calvenor
