#pragma once

// VBA's conversions and operators on Variants: Null propagation, Empty as 0 or "", the numeric type of a
// result, comparisons as Option Compare Database makes them (case-insensitive).

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/jet/vba/Objects.h"

namespace platform::jet::vba {

// A run-time error code can trap with On Error: 6 Overflow, 11 Division by zero, 13 Type mismatch,
// 94 Invalid use of Null, ...
struct RuntimeError {
    long number = 0;
    std::string description;
};
[[noreturn]] void raise(long number);

// The value an object stands for (a control's Value); Type mismatch for one that stands for none.
Variant valueOf(const Variant& v);

double toDouble(const Variant& v);
// A whole number as Long arithmetic takes it: rounded to even, Overflow past 64 bits.
std::int64_t toWhole(const Variant& v);
std::string toText(const Variant& v);
bool toBool(const Variant& v);
bool isNumeric(const Variant& v);

// A value assigned to a variable declared As type ("integer", "string", "variant", ...).
Variant coerce(const Variant& v, std::string_view type);
// A variable's value before its first assignment.
Variant initialValue(std::string_view type);

// op: + - * / \ mod ^ & = <> < > <= >= and or xor eqv imp like is.
Variant binary(std::string_view op, const Variant& a, const Variant& b);
// op: - + not.
Variant unary(std::string_view op, const Variant& a);

std::string typeName(const Variant& v);
int varType(const Variant& v);

}  // namespace platform::jet::vba
