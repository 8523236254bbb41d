// The decimal numbers of a damage box entry: reading them to single
// precision and writing them with two decimals.
//
// Both directions are exact and independent of the C library, whose readers
// accept forms the entry format forbids (words, hexadecimal) and whose
// printf rounds differently from the entry format's writer.
#ifndef VEXTOR_PROFILE_DECIMAL_NUMBER_H
#define VEXTOR_PROFILE_DECIMAL_NUMBER_H

#include <cstddef>
#include <string>
#include <string_view>

namespace vx {

// Reads the number at the start of `text`: an optional sign, digits with an
// optional decimal point (at least one digit), then an optional exponent.
// An exponent letter, with or without its sign, that no digit follows is
// taken as exponent 0, so "1e" reads as 1. The result is the nearest single
// precision value; an exact halfway case goes toward zero, and a number
// beyond the single precision range becomes an infinity of its sign.
// Returns 1 and stores the value and the count of characters used; returns
// 0 when `text` does not begin with a number.
int ReadDecimalNumber(std::string_view text, float* value, std::size_t* used);

// Writes `value` in fixed-point form with exactly two decimals: rounded
// first to 17 significant digits, then at the second decimal, both times
// half away from zero. A negative value that rounds to zero keeps its minus
// sign ("-0.00"); a zero of either sign is "0.00". `value` must be finite.
std::string FormatTwoDecimals(float value);

}  // namespace vx

#endif  // VEXTOR_PROFILE_DECIMAL_NUMBER_H
