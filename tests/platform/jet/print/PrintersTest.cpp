#include <cups/cups.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/print/InstalledPrinters.h"
#include "platform/jet/print/PdfWriterPrinter.h"
#include "platform/posix/CupsQueues.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/platform/jet/PrivateCupsServer.h"
#include "tests/platform/jet/TestFiles.h"

using namespace platform;
using testing::ElementsAre;

namespace {

class Queues : public jet::PrintQueues {
  public:
    explicit Queues(List list) : list_(std::move(list)) {}
    List list() override { return list_; }
    void print(const std::string&, const std::string&, std::string_view) override {}

  private:
    List list_;
};

}  // namespace

TEST(InstalledPrinters, ThePdfWriterComesFirstAndAQueueOfItsNameIsNotListedTwice) {
    Queues none({});
    EXPECT_THAT(jet::InstalledPrinters(none).deviceNames(), ElementsAre("Drevmark PDF Writer"));
    EXPECT_EQ(jet::installedPrinters(none).defaultName, "Drevmark PDF Writer");

    Queues some({{"Laser", "Drevmark PDF Writer", "drevmark pdf writer"}, std::string("Laser")});
    EXPECT_THAT(jet::InstalledPrinters(some).deviceNames(),
                ElementsAre("Drevmark PDF Writer", "Laser", "drevmark pdf writer"));
    EXPECT_EQ(jet::installedPrinters(some).defaultName, "Laser");
}

TEST(CupsQueues, WithoutAServerThereAreNoQueuesAndAJobFailsClearly) {
    test_support::TemporaryFolder folder;
    test_support::ScopedEnvironment noServer{"CUPS_SERVER", folder / "no-server.sock"};
    cupsSetServer(nullptr);  // forget a server looked up before
    auto started = std::chrono::steady_clock::now();
    auto queues = posix::listCupsQueues();
    EXPECT_TRUE(queues.names.empty());
    EXPECT_FALSE(queues.defaultName);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    try {
        posix::printOnCupsQueue("Laser", "A report", "%PDF-1.4");
        ADD_FAILURE() << "a job without a server succeeded";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.description(), testing::HasSubstr("'Laser'"));
    }
}

namespace {

// Points libcups at the server before its first use in this process, and forgets any earlier one.
void useCupsServer(const std::string& socket) {
    ::setenv("CUPS_SERVER", socket.c_str(), 1);
    cupsSetServer(nullptr);
}

template <typename Condition>
bool waitFor(Condition condition) {
    for (int i = 0; i < 100 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return condition();
}

}  // namespace

TEST(CupsQueues, AccessPrintsOnTheServersDefaultQueue) {
    REQUIRE_TEST_FILE("asample.accdb");
    jet_tests::PrivateCupsServer server;
    if (!server.running()) GTEST_SKIP() << "no CUPS server could be started (cupsd not installed?)";
    useCupsServer(server.socket());

    auto queues = posix::listCupsQueues();
    EXPECT_THAT(queues.names, ElementsAre("TestQueue"));
    EXPECT_EQ(queues.defaultName, "TestQueue");

    fakes::FakeRegistry registry;
    jet::CupsPrintQueues cups;
    jet::JetAccess access(registry, cups, jet_tests::testOptions());
    auto application = access.createApplication();
    std::vector<std::string> names;
    for (const auto& printer : application->printers()) names.push_back(printer->deviceName());
    EXPECT_THAT(names, ElementsAre("Drevmark PDF Writer", "TestQueue"));
    ASSERT_EQ(application->printer()->deviceName(), "TestQueue");

    application->openCurrentDatabase(jet_tests::testFile("asample.accdb"), false, "");
    application->openReport("rptGSTPaidByMonth", access::ReportView::Normal, access::WindowMode::Normal);
    ASSERT_TRUE(waitFor([&] { return server.pageLog().find("rptGSTPaidByMonth") != std::string::npos; }))
        << server.pageLog();
    EXPECT_THAT(server.pageLog(), testing::StartsWith("TestQueue "));
    EXPECT_EQ(server.firstJobDocument().rfind("%PDF-", 0), 0u);
    EXPECT_FALSE(registry.value(jet::kPdfWriterKey, "OutputFile")) << "the PDF writer had no part in it";

    EXPECT_THAT(
        [&] {
            try {
                posix::printOnCupsQueue("NoSuchQueue", "A report", "%PDF-1.4");
            } catch (const Failure& failure) {
                return failure.description();
            }
            return std::string();
        }(),
        testing::HasSubstr("'NoSuchQueue'"));
}

TEST(CupsQueues, AJobWhoseDocumentIsRefusedIsCancelledAndTheReasonNamed) {
    jet_tests::PrivateCupsServer server("LimitRequestBody 2048\n");
    if (!server.running()) GTEST_SKIP() << "no CUPS server could be started (cupsd not installed?)";
    useCupsServer(server.socket());
    std::string failure;
    try {
        posix::printOnCupsQueue("TestQueue", "A report", "%PDF-1.4\n" + std::string(64 * 1024, 'x'));
    } catch (const Failure& refused) {
        failure = refused.description();
    }
    EXPECT_THAT(failure, testing::StartsWith("The printer 'TestQueue' did not take the print job: "));
    EXPECT_THAT(failure, testing::Not(testing::HasSubstr("Success")));

    cups_job_t* jobs = nullptr;
    const int waiting = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, "TestQueue", 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(waiting, jobs);
    EXPECT_EQ(waiting, 0) << "no empty job left in the queue";
}
