// Reading numbers from text, as settings and command arguments need it.
#ifndef TALLYHALL_BASE_NUMBERS_H_
#define TALLYHALL_BASE_NUMBERS_H_

#include <cstdint>
#include <optional>
#include <string_view>

namespace tallyhall {

// The number at the start of `text`: leading blanks skipped; optional sign,
// digits, optional fraction and exponent (E or D); blanks, tabs and line
// feeds between them ignored; "&H" and "&O" introduce hexadecimal and octal
// digits. Reading stops at the first other character. Text that does not
// begin with a number reads as 0.
double LeadingNumber(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

// LeadingNumber rounded half to even as a signed 32-bit value; nullopt when
// it lies outside that range (the caller reports an overflow and uses 0).
std::optional<std::int32_t> ReadNumber(std::string_view text);

// True when the whole text, blanks around it allowed, is one number in the
// syntax of LeadingNumber.
bool IsNumeric(std::string_view text);

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_NUMBERS_H_
