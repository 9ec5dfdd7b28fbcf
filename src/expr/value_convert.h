#pragma once
// The conversions between the four element types of variables: int32, 80-bit extended float, flag and string.
// Every getter and setter of a value, and every operand of an expression, converts through these.
#include <cstdint>
#include <string>
#include <string_view>

namespace velk {

// Integer text: leading spaces, an optional sign, then decimal digits or hexadecimal digits after "$", "x", "X" or
// "0x". Nothing may follow. Decimal values must fit int32; hexadecimal ones may use all 32 bits ("$FFFFFFFF" is -1).
bool TryStrToInt(std::string_view s, int32_t& out);
// Float text with a period as decimal separator and an optional exponent; spaces around it are allowed.
bool TryStrToFloat(std::string_view s, long double& out);

// The table of conversions.
int32_t StrToInt(std::string_view s);        // 0 when the text is not an integer
long double StrToFloat(std::string_view s);  // 0 when the text is not a float
bool StrToBool(std::string_view s);          // exactly "TRUE"
std::string IntToStr(int32_t n);
std::string BoolToStr(bool b);  // "TRUE" / "FALSE"
// General format with 15 significant digits: fixed notation while the number has at most 15 digits before the point
// and is not below 0.0001, otherwise "1.5E-7" / "1E20".
std::string FloatToStr(long double x);
// Truncation toward zero. NaN gives 0 and values outside int32 saturate, so that no conversion is undefined.
int32_t FloatToInt(long double x);

}  // namespace velk
