#pragma once
// The number conversions of the drivers, on the program's number rules
// (app/Numbers.h): reals become integers to the nearest value with halves
// to even; a value that does not fit its integer type is an arithmetic
// overflow and a text that is no number a type mismatch, both raised.
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace plyx::drivers {

// Raised where a value does not fit the integer it must become.
class ArithmeticOverflow : public std::overflow_error {
public:
    ArithmeticOverflow() : std::overflow_error("Overflow") {}
};

// Raised where a text that must be a number is not one.
class TypeMismatch : public std::invalid_argument {
public:
    TypeMismatch() : std::invalid_argument("Type mismatch") {}
};

// True for a whole text that is one number: decimal with optional sign,
// point and exponent, or a hexadecimal (&H) or octal (&O) literal.
bool IsNumeric(std::string_view s);

// The value of a text that IsNumeric accepts; throws TypeMismatch otherwise.
double NumberValue(std::string_view s);

// Nearest integer, halves to even; throws ArithmeticOverflow out of range
// (and for NaN or infinity).
std::int32_t RoundToLong(double z);
std::int16_t RoundToInt(double z);

// Text to integer as the board's numbers are read: NumberValue, then rounded.
std::int32_t TextToLong(std::string_view s);
std::int16_t TextToInt(std::string_view s);

// 32-bit signed arithmetic that throws ArithmeticOverflow instead of wrapping.
std::int32_t CheckedAdd(std::int32_t a, std::int32_t b);
std::int32_t CheckedMul(std::int32_t a, std::int32_t b);

}  // namespace plyx::drivers
