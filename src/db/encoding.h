// Fixed-width field encodings of records and messages: little-endian
// integers, NUL-padded text, packed dates and time stamps, IPv4 addresses.
#ifndef TALLYHALL_DB_ENCODING_H_
#define TALLYHALL_DB_ENCODING_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.h"

namespace tallyhall {

// Read from the first 2 or 4 bytes, first byte lowest. Missing bytes of a
// shorter input count as 0; nothing past the input is read.
std::int16_t BytesToInt16(std::string_view bytes);
std::int32_t BytesToInt32(std::string_view bytes);

std::string Int16ToBytes(std::int16_t value);
std::string Int32ToBytes(std::int32_t value);

// `text` fitted to exactly `width` bytes: cut, or padded with NUL bytes.
std::string PadField(std::string_view text, std::size_t width);

// Bytes [offset, offset + width) of a received message; shorter, or empty,
// where the message ends first. Never reads past `bytes`.
std::string_view FieldAt(std::string_view bytes, std::size_t offset,
                         std::size_t width = std::string_view::npos);

// `text` up to, not including, its first NUL byte.
std::string_view TrimAtNul(std::string_view text);

// 4 bytes: day, month, 16-bit year.
std::string PackDate(const LocalTime& now);
// 12 bytes: year, month, day, hour, minute, second, each 16-bit.
std::string PackDateTime(const LocalTime& now);
// "d-m-yyyy" of a packed date, without padding ("0-0-0" for NUL bytes).
std::string DateText(std::string_view packed_date);

// Dotted decimal text of 4 address bytes.
std::string IpText(std::string_view ip);
// The 4 address bytes of a dotted text; empty when the text has fewer than
// three dots or a component lies outside 0..255.
std::string IpFromText(std::string_view text);

// ASCII lower case; other bytes unchanged.
std::string ToLower(std::string_view text);
// Whether ToLower(a) == ToLower(b), without building either.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Decimal text of a number: no padding, "-" for negatives.
std::string DecimalText(std::int64_t value);

// Bytes as two lower-case hex digits each, separated by blanks ("00 03 ff").
std::string HexText(std::string_view bytes);

}  // namespace tallyhall

#endif  // TALLYHALL_DB_ENCODING_H_
