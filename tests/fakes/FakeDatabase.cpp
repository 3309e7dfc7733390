#include "tests/fakes/FakeDatabase.h"

#include "platform/Failure.h"

namespace fakes {
namespace {

using platform::Failure;

class FakeRecordset : public platform::ado::Recordset {
  public:
    explicit FakeRecordset(FakeAdo& ado) : ado_(ado) {}
    bool eof() override { return row_ >= ado_.catalogue.size(); }
    std::string field(std::string_view name) override {
        if (eof()) throw Failure{"Either BOF or EOF is True", 3021};
        if (name == "TABLE_TYPE") return ado_.catalogue[row_].first;
        if (name == "TABLE_NAME") return ado_.catalogue[row_].second;
        throw Failure{"Item cannot be found in the collection", 3265};
    }
    void moveNext() override { ++row_; }
    void close() override { ado_.calls.push_back("recordset close"); }

  private:
    FakeAdo& ado_;
    std::size_t row_ = 0;
};

class FakeConnection : public platform::ado::Connection {
  public:
    explicit FakeConnection(FakeAdo& ado) : ado_(ado) {}
    ~FakeConnection() override { ado_.calls.push_back("release"); }
    void open(std::string_view connectionString) override {
        ado_.calls.push_back("open");
        ado_.opened.emplace_back(connectionString);
        if (ado_.openFailure) throw Failure{*ado_.openFailure, -2147467259};
    }
    std::unique_ptr<platform::ado::Recordset> openSchema(int schema) override {
        ado_.calls.push_back("schema " + std::to_string(schema));
        return std::make_unique<FakeRecordset>(ado_);
    }
    void close() override { ado_.calls.push_back("close"); }

  private:
    FakeAdo& ado_;
};

class FakeReport : public platform::access::AccessObject {
  public:
    FakeReport(FakeAccess& access, std::string name) : access_(access), name_(std::move(name)) {}
    std::string name() override {
        access_.call("name " + name_);
        return name_;
    }

  private:
    FakeAccess& access_;
    std::string name_;
};

class FakePrinter : public platform::access::Printer {
  public:
    FakePrinter(FakeAccess& access, std::string name) : access_(access), name_(std::move(name)) {}
    std::string deviceName() override {
        access_.call("device " + name_);
        return name_;
    }
    const std::string& name() const { return name_; }

  private:
    FakeAccess& access_;
    std::string name_;
};

class FakeApplication : public platform::access::Application {
  public:
    explicit FakeApplication(FakeAccess& access) : access_(access) {}
    ~FakeApplication() override { access_.calls.push_back("release"); }

    void openCurrentDatabase(std::string_view path, bool exclusive, std::string_view password) override {
        access_.calls.push_back("open " + std::string{path} + "|" + (exclusive ? "true" : "false") + "|" +
                                std::string{password});
        if (access_.failAt == "open") throw Failure{"Not a valid password.", 2486};
    }
    std::vector<std::unique_ptr<platform::access::AccessObject>> allReports() override {
        access_.call("allReports");
        std::vector<std::unique_ptr<platform::access::AccessObject>> reports;
        for (const auto& name : access_.reports)
            reports.push_back(std::make_unique<FakeReport>(access_, name));
        return reports;
    }
    platform::access::PrinterRef printer() override {
        access_.call("printer");
        return std::make_shared<FakePrinter>(access_, current_);
    }
    void setPrinter(const platform::access::PrinterRef& printer) override {
        const auto* fake = dynamic_cast<const FakePrinter*>(printer.get());
        if (fake == nullptr) throw Failure{"Invalid procedure call or argument", 5};
        const std::string name = fake->name();
        access_.call("printer = " + name);
        current_ = name;
    }
    std::vector<platform::access::PrinterRef> printers() override {
        access_.call("printers");
        std::vector<platform::access::PrinterRef> printers;
        for (const auto& name : access_.printers)
            printers.push_back(std::make_shared<FakePrinter>(access_, name));
        return printers;
    }
    void openReport(std::string_view name, platform::access::ReportView view,
                    platform::access::WindowMode mode) override {
        access_.call("print " + std::string{name} + " on " + current_ + " (" +
                     std::to_string(static_cast<int>(view)) + "," + std::to_string(static_cast<int>(mode)) +
                     ")");
    }
    void outputReport(std::string_view name, std::string_view format, std::string_view file) override {
        access_.call("output " + std::string{name} + " as " + std::string{format} + " to " +
                     std::string{file});
    }
    void closeCurrentDatabase() override { access_.call("close"); }
    void quit(platform::access::QuitOption option) override {
        access_.call("quit " + std::to_string(static_cast<int>(option)));
    }

  private:
    FakeAccess& access_;
    std::string current_ = access_.printers.empty() ? std::string{} : access_.printers.front();
};

}  // namespace

std::unique_ptr<platform::ado::Connection> FakeAdo::createConnection() {
    calls.push_back("create");
    if (createFailure) throw *createFailure;
    return std::make_unique<FakeConnection>(*this);
}

void FakeAccess::call(const std::string& what) {
    calls.push_back(what);
    if (failAt == what) throw Failure{"Access failed at " + what};
}

std::unique_ptr<platform::access::Application> FakeAccess::createApplication() {
    call("create");
    return std::make_unique<FakeApplication>(*this);
}

}  // namespace fakes
