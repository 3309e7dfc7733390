#include <gtest/gtest.h>

#include <functional>

#include "base/DayNumbers.h"
#include "platform/jet/vba/Parser.h"
#include "platform/jet/vba/Values.h"

namespace platform::jet::vba {
namespace {

std::string shownOrError(const std::function<Variant()>& make) {
    try {
        const Variant v = make();
        return typeName(v) + " " + (v.isNull() ? "Null" : toText(v));
    } catch (const RuntimeError& e) {
        return "error " + std::to_string(e.number);
    }
}

TEST(VbaValues, AssignmentConvertsAsVbaDoes) {
    const struct {
        Value value;
        const char* type;
        const char* expected;
    } cases[] = {
        {Value(3.5), "integer", "Integer 4"},               // half to even
        {Value(-2.5), "long", "Integer -2"},
        {Value(std::string(" 12 ")), "double", "Double 12"},
        {Value(std::string("abc")), "long", "error 13"},
        {Value(), "string", "error 94"},
        {Value(true), "integer", "Integer -1"},
        {Value(1.23456), "currency", "Currency 1.2346"},
        {Value(std::int64_t{256}), "byte", "error 6"},
        {Value(std::string("7/4/1996")), "date", "Date 7/4/1996"},
        {Value(std::int64_t{0}), "boolean", "Boolean False"},
        {Value(), "variant", "Null Null"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shownOrError([&] { return coerce(Variant(c.value), c.type); }), c.expected) << c.type;
}

TEST(VbaValues, DateLiteralsReadTheirForms) {
    const struct {
        const char* text;
        std::optional<double> days;
    } cases[] = {
        {"7/4/1996", 35250},           {"1996-07-04", 35250},   {"July 4, 1996", 35250}, {"4-Jul-96", 35250},
        {"12:00:00 PM", 0.5},          {"7/4/1996 6:00 AM", 35250.25}, {"13/13/1996", std::nullopt},
        {"25:00", std::nullopt},       {"banana", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(base::parseDate(c.text), c.days) << c.text;
}

TEST(VbaValues, OperatorsKeepTypesAndNull) {
    const struct {
        const char* op;
        Variant a, b;
        const char* expected;
    } cases[] = {
        {"+", Value(std::int64_t{2}), Value(std::int64_t{3}), "Integer 5"},
        {"+", Value(std::string("5")), Value(std::int64_t{3}), "Double 8"},
        {"+", Value(std::string("a")), Value(std::string("b")), "String ab"},
        {"+", Value(query::Currency{15000}), Value(std::int64_t{1}), "Currency 2.5"},
        {"-", Value(query::Date{35250}), Value(query::Date{35240}), "Double 10"},
        {"/", Value(std::int64_t{1}), Value(std::int64_t{0}), "error 11"},
        {"mod", Value(-7.5), Value(std::int64_t{3}), "Integer -2"},
        {"&", Value(), Value(std::int64_t{1}), "String 1"},
        {"or", Value(), Value(true), "Boolean True"},
        {"=", Value(), Value(), "Null Null"},
        {"<", Value(std::int64_t{10}), Value(std::string("9")), "Boolean False"},
        {"and", Value(std::int64_t{12}), Value(std::int64_t{10}), "Integer 8"},
    };
    for (const auto& c : cases) EXPECT_EQ(shownOrError([&] { return binary(c.op, c.a, c.b); }), c.expected) << c.op;
}

// A structure left open does not lose the procedures after it.
TEST(VbaParser, RecoversAfterABrokenProcedure) {
    const Module module = parseModule("Module1", "Sub A()\n If x Then\n  y = 1\nEnd Sub\nSub B()\n For i = 1 To 2\nEnd Sub\n"
                                                 "Function C() As Long\n C = 1\nEnd Function\n");
    std::vector<std::string> names;
    for (const auto& p : module.procedures) names.push_back(p->name);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C"}));
    // The If left open is what stops A when it runs.
    ASSERT_FALSE(module.procedures[0]->body.empty());
    EXPECT_EQ(module.procedures[0]->body.front()->kind, Statement::Kind::Unsupported);
    EXPECT_EQ(module.procedures[0]->body.front()->source, "If x Then");
}

}  // namespace
}  // namespace platform::jet::vba
