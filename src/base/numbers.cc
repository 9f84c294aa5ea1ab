// Reading numbers from text: the leading-number syntax shared by settings and
// command arguments, half-to-even rounding and the 32-bit range check.
#include "base/numbers.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <system_error>

namespace tallyhall {
namespace {

// Exponent digits beyond this value change nothing: every double is already
// infinite or zero long before.
constexpr long long kExponentCap = 100'000'000;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, int base) {
  int value = 99;
  if (IsDigit(c)) {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < base ? value : -1;
}

// Walks a text with the blanks between the parts of a number skipped.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  // The next character that is not a blank; '\0' at the end of the text.
  char Peek() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }
  void Next() { ++pos_; }
  std::size_t pos() const { return pos_; }
  void set_pos(std::size_t pos) { pos_ = pos; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

struct Parsed {
  double value = 0;
  bool has_digits = false;
  std::size_t end = 0;  // just past the last character that was used
};

// "&H" or "&O" and their digits; the cursor stands on the "&".
Parsed ParsePrefixed(Cursor& cursor) {
  Parsed parsed;
  cursor.Next();
  char kind = cursor.Peek();
  int base = 0;
  if (kind == 'H' || kind == 'h') base = 16;
  if (kind == 'O' || kind == 'o') base = 8;
  if (base == 0) return parsed;
  cursor.Next();
  for (int digit; (digit = DigitValue(cursor.Peek(), base)) >= 0;) {
    parsed.value = parsed.value * base + digit;
    parsed.has_digits = true;
    cursor.Next();
    parsed.end = cursor.pos();
  }
  return parsed;
}

// Appends the digits at the cursor to `digits`; returns how many there were.
std::size_t TakeDigits(Cursor& cursor, std::string& digits) {
  std::size_t count = 0;
  while (IsDigit(cursor.Peek())) {
    digits.push_back(cursor.Peek());
    cursor.Next();
    ++count;
  }
  return count;
}

// The exponent after E or D, or 0 (cursor unmoved) when no digits follow.
long long TakeExponent(Cursor& cursor) {
  std::size_t before = cursor.pos();
  char marker = cursor.Peek();
  if (marker != 'E' && marker != 'e' && marker != 'D' && marker != 'd')
    return 0;
  cursor.Next();
  bool negative = false;
  if (cursor.Peek() == '+' || cursor.Peek() == '-') {
    negative = cursor.Peek() == '-';
    cursor.Next();
  }
  if (!IsDigit(cursor.Peek())) {
    cursor.set_pos(before);
    return 0;
  }
  long long exponent = 0;
  while (IsDigit(cursor.Peek())) {
    if (exponent < kExponentCap)
      exponent = exponent * 10 + (cursor.Peek() - '0');
    cursor.Next();
  }
  return negative ? -exponent : exponent;
}

// Decimal power of the first significant digit of "int_part.frac_part".
long long Magnitude(std::string_view int_part, std::string_view frac_part) {
  std::size_t first = int_part.find_first_not_of('0');
  if (first != std::string_view::npos) {
    return static_cast<long long>(int_part.size() - first);
  }
  first = frac_part.find_first_not_of('0');
  if (first == std::string_view::npos)
    return std::numeric_limits<long long>::min() / 2;
  return -static_cast<long long>(first);
}

// The value of the collected parts, correctly rounded; infinity or 0 when it
// lies beyond what a double holds.
double DecimalValue(const std::string& int_part, const std::string& frac_part,
                    long long exponent) {
  std::string text =
      "0" + int_part + "." + frac_part + "0e" + std::to_string(exponent);
  double value = 0;
  auto [ptr, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    bool too_large = Magnitude(int_part, frac_part) + exponent > 0;
    return too_large ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return value;
}

// Sign, digits, fraction and exponent from the cursor.
Parsed ParseDecimal(Cursor& cursor) {
  Parsed parsed;
  bool negative = false;
  if (cursor.Peek() == '+' || cursor.Peek() == '-') {
    negative = cursor.Peek() == '-';
    cursor.Next();
  }
  std::string int_part;
  std::string frac_part;
  std::size_t count = TakeDigits(cursor, int_part);
  if (count > 0) parsed.end = cursor.pos();
  if (cursor.Peek() == '.') {
    cursor.Next();
    std::size_t fraction = TakeDigits(cursor, frac_part);
    count += fraction;
    if (count > 0) parsed.end = cursor.pos();
  }
  if (count == 0) return parsed;
  parsed.has_digits = true;
  std::size_t before_exponent = cursor.pos();
  long long exponent = TakeExponent(cursor);
  if (cursor.pos() != before_exponent) parsed.end = cursor.pos();
  double value = DecimalValue(int_part, frac_part, exponent);
  parsed.value = negative ? -value : value;
  return parsed;
}

Parsed Parse(std::string_view text) {
  Cursor cursor(text);
  if (cursor.Peek() == '&') return ParsePrefixed(cursor);
  return ParseDecimal(cursor);
}

}  // namespace

double LeadingNumber(std::string_view text) { return Parse(text).value; }

double RoundHalfEven(double value) {
  double below = std::floor(value);
  double rest = value - below;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(below, 2.0) != 0.0)) {
    return below + 1.0;
  }
  return below;
}

std::optional<std::int32_t> ReadNumber(std::string_view text) {
  double value = RoundHalfEven(LeadingNumber(text));
  // Written so that NaN fails too.
  if (!(value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

bool IsNumeric(std::string_view text) {
  Parsed parsed = Parse(text);
  if (!parsed.has_digits) return false;
  for (std::size_t i = parsed.end; i < text.size(); ++i) {
    if (!IsBlank(text[i])) return false;
  }
  return true;
}

}  // namespace tallyhall
