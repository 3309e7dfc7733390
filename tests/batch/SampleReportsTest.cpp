// The sample database's reports as calvenor-export saves them: every one drawn as designed, and the
// figures they print the ones its data adds up to, worked out apart from the engine by
// sample_figures.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

#include "tests/platform/jet/PdfTools.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string output(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string text;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) text += buffer;
    return text;
}

Lines split(const std::string& text, char separator) {
    Lines parts;
    std::istringstream stream{text};
    for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
    return parts;
}

// The facts of sample_figures.py by their first field: each one's other fields.
std::multimap<std::string, Lines> sampleFigures() {
    std::multimap<std::string, Lines> facts;
    for (const auto& line :
         split(output("python3 '" SAMPLE_FIGURES_SCRIPT "' '" CALVENOR_SAMPLE_DATABASE "'"), '\n')) {
        Lines fields = split(line, '\t');
        const std::string kind = fields.front();
        fields.erase(fields.begin());
        facts.emplace(kind, std::move(fields));
    }
    return facts;
}

Lines factsOf(const std::multimap<std::string, Lines>& facts, const std::string& kind) {
    Lines firsts;
    const auto [from, to] = facts.equal_range(kind);
    for (auto fact = from; fact != to; ++fact) firsts.push_back(fact->second.front());
    return firsts;
}

const Lines& fact(const std::multimap<std::string, Lines>& facts, const std::string& kind,
                  const std::string& first = {}) {
    const auto [from, to] = facts.equal_range(kind);
    for (auto found = from; found != to; ++found)
        if (first.empty() || found->second.front() == first) return found->second;
    static const Lines none;
    ADD_FAILURE() << "no fact " << kind << " " << first;
    return none;
}

// The index of the first line at or after `from` that holds every one of the words, or -1.
int lineHolding(const Lines& lines, const Lines& words, int from = 0) {
    for (int i = std::max(from, 0); i < static_cast<int>(lines.size()); ++i)
        if (std::all_of(words.begin(), words.end(),
                        [&](const std::string& word) { return lines[i].find(word) != std::string::npos; }))
            return i;
    return -1;
}

int count(const Lines& lines, const std::string& word) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(word) != std::string::npos;
    }));
}

bool startsWithWord(const std::string& line, const std::string& word) {
    const auto first = line.find_first_not_of(' ');
    return first != std::string::npos && line.compare(first, word.size(), word) == 0 &&
           line.size() > first + word.size() && line[first + word.size()] == ' ';
}

// The index of the first line that starts with the word, or -1.
int lineStartingWith(const Lines& lines, const std::string& word) {
    for (int i = 0; i < static_cast<int>(lines.size()); ++i)
        if (startsWithWord(lines[i], word)) return i;
    return -1;
}

int pageCount(const fs::path& pdf) {
    const std::string info = jet_tests::pdfInfo(pdf);
    const auto at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + 6);
}

bool isLandscape(const fs::path& pdf) {
    const std::string info = jet_tests::pdfInfo(pdf);
    const auto at = info.find("Page size:");
    double width = 0, height = 0;
    return at != std::string::npos &&
           std::sscanf(info.c_str() + at + 10, " %lf x %lf", &width, &height) == 2 && width > height;
}

// Every page says "Page n of N", N being the document's pages.
void expectPagesOfAll(const Lines& lines, int pages) {
    ASSERT_GT(pages, 1) << "a list of several pages";
    for (int page = 1; page <= pages; ++page) {
        const std::string number = "Page " + std::to_string(page) + " of " + std::to_string(pages);
        EXPECT_EQ(count(lines, number), 1) << number;
    }
    EXPECT_EQ(count(lines, "Page " + std::to_string(pages + 1) + " of"), 0);
}

class SampleReports : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (std::system("command -v python3 >/dev/null && command -v mdb-export >/dev/null && "
                        "command -v pdftotext >/dev/null") != 0)
            return;
        folder_ = new test_support::TemporaryFolder;
        const std::string command = "'" CALVENOR_HELPER_DIR "/calvenor-export' '" CALVENOR_SAMPLE_DATABASE
                                    "' --output '" +
                                    (folder_->path() / "out").string() + "' 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        while (pipe && std::fgets(buffer, sizeof buffer, pipe)) exportLog_ += buffer;
        exportStatus_ = pipe ? pclose(pipe) : -1;
        figures_ = sampleFigures();
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override {
        if (!folder_) GTEST_SKIP() << "python3, mdbtools or poppler-utils is not installed";
    }

    static fs::path pdf(const std::string& report) { return folder_->path() / "out" / (report + ".pdf"); }
    static Lines textOf(const std::string& report) {
        return split(jet_tests::pdfText(pdf(report), true), '\n');
    }
    static const std::multimap<std::string, Lines>& figures() { return figures_; }

    static inline test_support::TemporaryFolder* folder_ = nullptr;
    static inline std::string exportLog_;  // what calvenor-export said
    static inline int exportStatus_ = -1;
    static inline std::multimap<std::string, Lines> figures_;
};

TEST_F(SampleReports, AllSevenAreSavedAsDesignedWithNothingLeftOut) {
    EXPECT_EQ(exportStatus_, 0) << exportLog_;
    EXPECT_NE(exportLog_.find(": 7 saved, 0 approximated, 0 failed\n"), std::string::npos) << exportLog_;
    EXPECT_EQ(exportLog_.find("approximated: "), std::string::npos) << exportLog_;
    EXPECT_EQ(exportLog_.find("failed: "), std::string::npos) << exportLog_;
    EXPECT_EQ(test_support::namesIn(folder_->path() / "out"),
              (std::vector<std::string>{"Customer Accounts.pdf", "Customer Labels.pdf",
                                        "Orders by Customer.pdf", "Price List.pdf", "Product Catalogue.pdf",
                                        "Sales by Month.pdf", "Top 10 Products.pdf"}));
}

// Each customer's orders and total, every order once, running sums that end at the grand total.
TEST_F(SampleReports, OrdersByCustomerAddsUpEachCustomersOrdersAndAllOfThem) {
    const Lines lines = textOf("Orders by Customer");
    const auto [from, to] = figures().equal_range("customer");
    ASSERT_NE(from, to);
    for (auto customer = from; customer != to; ++customer) {
        const Lines& f = customer->second;
        EXPECT_GE(lineHolding(lines, {"Total for " + f[0], " " + f[1] + " ", f[2]}), 0) << f[0];
    }
    const Lines& all = fact(figures(), "orders");
    EXPECT_GE(lineHolding(lines, {"All customers", " " + all[0] + " ", all[1]}), 0);
    const std::regex orderLine{R"(^\s*1\d{4}\s+\d{1,2} [A-Z][a-z]{2} 20\d\d\s)"};
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return std::regex_search(line, orderLine); }),
              std::stoi(all[0]));
    // The running total over all customers ends at the grand total, on the last order listed.
    const std::string last = fact(figures(), "last-order-of-all").front();
    const int at = lineStartingWith(lines, last);
    ASSERT_GE(at, 0);
    EXPECT_TRUE(lines[at].ends_with(" " + all[1])) << lines[at];
    expectPagesOfAll(lines, pageCount(pdf("Orders by Customer")));
}

TEST_F(SampleReports, SalesByMonthTotalsEachYearAndBoth) {
    const Lines lines = textOf("Sales by Month");
    for (const std::string year : {"2023", "2024"}) {
        const Lines& f = fact(figures(), "year", year);
        EXPECT_GE(lineHolding(lines, {"Total " + year, " " + f[1] + " ", f[2], "100.00%"}), 0) << year;
        if (f[3] != "€0.00") {
            EXPECT_GE(lineHolding(lines, {"Total " + year, f[3]}), 0) << year;
        }
    }
    const Lines& all = fact(figures(), "orders");
    EXPECT_GE(lineHolding(lines, {"Both years", " " + all[0] + " ", all[1]}), 0);
    const std::regex monthLine{R"(^\s*(January|February|March|April|May|June|July|August|September|October|)"
                               R"(November|December)\s+\d\d-[A-Z][a-z]{2}-\d\d\s)"};
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return std::regex_search(line, monthLine); }),
              std::stoi(fact(figures(), "months").front()));
}

TEST_F(SampleReports, TopTenProductsRanksTheBestSellersInOrder) {
    const Lines lines = textOf("Top 10 Products");
    int previous = -1;
    for (int rank = 1; rank <= 10; ++rank) {
        const Lines& f = fact(figures(), "top", std::to_string(rank));
        const int at = lineHolding(lines, {f[1], " " + f[2] + " ", f[3]}, previous + 1);
        ASSERT_GT(at, previous) << f[1];
        EXPECT_TRUE(startsWithWord(lines[at], std::to_string(rank))) << lines[at];
        previous = at;
    }
}

// The price list, alone and as the catalogue's subreport: what is on sale, and nothing else.
TEST_F(SampleReports, PriceListAndCatalogueListWhatIsOnSale) {
    const Lines priceList = textOf("Price List");
    const Lines catalogue = textOf("Product Catalogue");
    for (const auto& product : factsOf(figures(), "on-sale")) {
        EXPECT_EQ(count(priceList, product), 1) << product;
        EXPECT_EQ(count(catalogue, product), 1) << product;
    }
    for (const auto& product : factsOf(figures(), "not-on-sale")) {
        EXPECT_EQ(count(priceList, product), 0) << product;
        EXPECT_EQ(count(catalogue, product), 0) << product;
    }
    for (const auto& category : factsOf(figures(), "category"))
        EXPECT_GE(count(catalogue, category), 1) << category;
    expectPagesOfAll(priceList, pageCount(pdf("Price List")));
}

TEST_F(SampleReports, CustomerLabelsAddressEveryActiveCustomerOnceTwentyOneASheet) {
    const Lines lines = textOf("Customer Labels");
    const Lines active = factsOf(figures(), "active");
    for (const auto& company : active) EXPECT_EQ(count(lines, company), 1) << company;
    for (const auto& company : factsOf(figures(), "closed")) EXPECT_EQ(count(lines, company), 0) << company;
    EXPECT_EQ(pageCount(pdf("Customer Labels")), static_cast<int>((active.size() + 20) / 21));
}

TEST_F(SampleReports, CustomerAccountsTotalEveryYearAndWhatIsOpen) {
    const Lines lines = textOf("Customer Accounts");
    const Lines& all = fact(figures(), "accounts");
    EXPECT_GE(lineHolding(lines, {"All customers", " " + all[0] + " ", all[1], all[2], all[3]}), 0);
    for (const auto& company : factsOf(figures(), "closed"))
        EXPECT_GE(lineHolding(lines, {company + " (closed)"}), 0) << company;
    expectPagesOfAll(lines, pageCount(pdf("Customer Accounts")));
    EXPECT_TRUE(isLandscape(pdf("Customer Accounts")));
    EXPECT_FALSE(isLandscape(pdf("Orders by Customer")));
}

}  // namespace
