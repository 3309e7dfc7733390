#include "platform/win32/com/WinAdo.h"

#include <utility>

#include "platform/win32/com/Dispatch.h"

namespace platform::win32::com {

namespace {

class WinRecordset : public ado::Recordset {
  public:
    explicit WinRecordset(Dispatch recordset) : recordset_(std::move(recordset)) {}

    bool eof() override { return recordset_.get("EOF").asBool(); }
    std::string field(std::string_view name) override {
        return recordset_.getObject("Fields")
            .getObject("Item", arguments(ScopedVariant::text(name)))
            .get("Value")
            .asText();
    }
    void moveNext() override { recordset_.call("MoveNext"); }
    void close() override { recordset_.call("Close"); }

  private:
    Dispatch recordset_;
};

class WinConnection : public ado::Connection {
  public:
    explicit WinConnection(Dispatch connection) : connection_(std::move(connection)) {}

    void open(std::string_view connectionString) override {
        connection_.call("Open", arguments(ScopedVariant::text(connectionString)));
    }
    std::unique_ptr<ado::Recordset> openSchema(int schema) override {
        return std::make_unique<WinRecordset>(
            Dispatch(connection_.call("OpenSchema", arguments(ScopedVariant::number(schema))).asObject()));
    }
    void close() override { connection_.call("Close"); }

  private:
    Dispatch connection_;
};

}  // namespace

WinAdo::WinAdo() : WinAdo(factoryOf("ADODB.Connection")) {}

WinAdo::WinAdo(ObjectFactory createConnection) : factory_(std::move(createConnection)) {}

std::unique_ptr<ado::Connection> WinAdo::createConnection() {
    return std::make_unique<WinConnection>(Dispatch(factory_()));
}

}  // namespace platform::win32::com
