#include "platform/Failure.h"
#include "platform/win32/com/Dispatch.h"
#include "tests/platform/win32/com/AutomationFixture.h"

namespace calvenor::test {
namespace {

using platform::Failure;
using platform::win32::com::arguments;
using platform::win32::com::Dispatch;
using platform::win32::com::ScopedVariant;
using Log = std::vector<std::string>;

using DispatchTest = AutomationTest;

TEST_F(DispatchTest, PassesArgumentsInDeclaredOrderWithTheirAutomationTypes) {
    auto& target = object("target");
    auto& other = object("other");
    target.reply("Count", returnsNumber(7));
    Dispatch dispatch(reference(target));
    dispatch.call("Do", arguments(ScopedVariant::text("Sales €"), ScopedVariant::number(3),
                                  ScopedVariant::boolean(true), ScopedVariant::boolean(false),
                                  ScopedVariant::missing(), ScopedVariant::object(reference(other))));
    EXPECT_EQ(dispatch.get("Count").asNumber(), 7);
    EXPECT_EQ(log, (Log{"target.call Do(text:Sales €, long:3, bool:true, bool:false, missing, object:other)",
                        "target.get Count()"}));
}

TEST_F(DispatchTest, PutsByValueAndByReferenceWithTheNamedPropertyPutArgument) {
    auto& target = object("target");
    auto& printer = object("printer");
    Dispatch dispatch(reference(target));
    dispatch.put("Caption", ScopedVariant::text("x"));
    dispatch.putRef("Printer", ScopedVariant::object(reference(printer)));
    EXPECT_EQ(log, (Log{"target.put Caption(text:x)", "target.putref Printer(object:printer)"}));
}

TEST_F(DispatchTest, LooksUpEachNameOnceAndInvokesInTheSameLocale) {
    auto& target = object("target");
    Dispatch dispatch(reference(target));
    dispatch.call("MoveNext");
    dispatch.call("MoveNext");
    dispatch.get("EOF");
    EXPECT_EQ(target.lookups("MoveNext"), 1);
    EXPECT_EQ(target.lookups("EOF"), 1);
    ASSERT_EQ(target.locales().size(), 5u);  // two lookups, three calls
    for (LCID locale : target.locales()) EXPECT_EQ(locale, target.locales().front());
}

TEST_F(DispatchTest, ObjectsAnsweredAreDispatchedInTurn) {
    auto& application = object("application");
    auto& project = object("project");
    application.reply("CurrentProject", returnsObject(project));
    project.reply("Name", returnsText("Northwind"));
    Dispatch dispatch(reference(application));
    EXPECT_EQ(dispatch.getObject("CurrentProject").get("Name").asText(), "Northwind");
    EXPECT_THROW(dispatch.getObject("Missing"), Failure);  // answered Empty, not an object
}

struct FailureCase {
    const char* what;
    RecordingObject::Reply reply;
    std::string description;
    long number;
    bool supportsErrorInfo = false;
};

TEST_F(DispatchTest, FailuresCarryTheServersDescriptionAndNumber) {
    const FailureCase cases[] = {
        {"EXCEPINFO description",
         raises("The report name 'X' is misspelled.", MAKE_HRESULT(1, FACILITY_CONTROL, 2103)),
         "The report name 'X' is misspelled.", 2103},
        {"description filled in on demand",
         raises("Provider cannot be found.", MAKE_HRESULT(1, FACILITY_CONTROL, 3706), true),
         "Provider cannot be found.", 3706},
        {"no description: the scode's own text", raises("", E_ACCESSDENIED), "Access denied.",
         E_ACCESSDENIED},
        {"IErrorInfo description", failsWithErrorInfo("Item cannot be found in the collection.", E_FAIL),
         "Item cannot be found in the collection.", E_FAIL, true},
        {"IErrorInfo left by an object that does not say it sets one",
         failsWithErrorInfo("stale text", DISP_E_TYPEMISMATCH), "Type mismatch.", DISP_E_TYPEMISMATCH},
        {"a plain HRESULT",
         [](const std::vector<VARIANT>&, VARIANT*, EXCEPINFO*) -> HRESULT { return DISP_E_TYPEMISMATCH; },
         "Type mismatch.", DISP_E_TYPEMISMATCH},
    };
    for (const auto& failure : cases) {
        auto& target = object("target");
        if (failure.supportsErrorInfo) target.supportErrorInfo();
        target.reply("Run", failure.reply);
        Dispatch dispatch(reference(target));
        try {
            dispatch.call("Run");
            ADD_FAILURE() << failure.what << ": no failure";
        } catch (const Failure& raised) {
            EXPECT_EQ(raised.description(), failure.description) << failure.what;
            EXPECT_EQ(raised.number(), failure.number) << failure.what;
        }
    }
}

TEST_F(DispatchTest, AnUnknownMemberIsNamedInTheFailure) {
    auto& target = object("target");
    target.unknownMember("Nope");
    Dispatch dispatch(reference(target));
    try {
        dispatch.call("Nope");
        ADD_FAILURE() << "no failure";
    } catch (const Failure& raised) {
        EXPECT_EQ(raised.description().rfind("Cannot reach Nope: ", 0), 0u) << raised.description();
        EXPECT_EQ(raised.number(), DISP_E_UNKNOWNNAME);
    }
    EXPECT_TRUE(log.empty());
}

TEST(ScopedVariantTest, ReadsValuesAsText) {
    EXPECT_EQ(ScopedVariant().asText(), "");
    ScopedVariant null;
    null.receive()->vt = VT_NULL;
    EXPECT_EQ(null.asText(), "");
    EXPECT_EQ(ScopedVariant::number(-12).asText(), "-12");
    EXPECT_EQ(ScopedVariant::text("Café ✓").asText(), "Café ✓");
    EXPECT_EQ(ScopedVariant::text("").asText(), "");
    EXPECT_THROW(ScopedVariant::missing().asText(), Failure);
    EXPECT_THROW(ScopedVariant::number(1).asObject(), Failure);
}

TEST_F(DispatchTest, MovedVariantsHandOverTheirReferenceOnce) {
    auto& target = object("target");
    ScopedVariant first = ScopedVariant::object(reference(target));
    ScopedVariant second = std::move(first);
    EXPECT_EQ(first.type(), VT_EMPTY);
    EXPECT_EQ(target.references(), 1);
    first = std::move(second);
    EXPECT_EQ(target.references(), 1);
    first = ScopedVariant::number(1);
    EXPECT_EQ(target.references(), 0);
}

}  // namespace
}  // namespace calvenor::test
