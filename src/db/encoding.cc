// Fixed-width field encodings: little-endian integers, NUL-padded text,
// packed dates and time stamps, IPv4 addresses and plain decimal text.
#include "db/encoding.h"

#include <cstdint>

#include "base/numbers.h"

namespace tallyhall {
namespace {

// Byte `index` of `bytes` as 0..255; 0 past the end.
std::uint32_t ByteAt(std::string_view bytes, std::size_t index) {
  return index < bytes.size() ? static_cast<unsigned char>(bytes[index]) : 0;
}

// The byte of a dotted-text component, or -1 when it is outside 0..255.
int IpComponent(std::string_view text) {
  double value = RoundHalfEven(LeadingNumber(text));
  // Written so that NaN fails too.
  if (!(value >= 0 && value <= 255)) return -1;
  return static_cast<int>(value);
}

}  // namespace

std::int16_t BytesToInt16(std::string_view bytes) {
  return static_cast<std::int16_t>(ByteAt(bytes, 0) | ByteAt(bytes, 1) << 8);
}

std::int32_t BytesToInt32(std::string_view bytes) {
  return static_cast<std::int32_t>(ByteAt(bytes, 0) | ByteAt(bytes, 1) << 8 |
                                   ByteAt(bytes, 2) << 16 |
                                   ByteAt(bytes, 3) << 24);
}

std::string Int16ToBytes(std::int16_t value) {
  auto bits = static_cast<std::uint16_t>(value);
  return {static_cast<char>(bits & 0xFF), static_cast<char>(bits >> 8)};
}

std::string Int32ToBytes(std::int32_t value) {
  auto bits = static_cast<std::uint32_t>(value);
  return {static_cast<char>(bits & 0xFF), static_cast<char>(bits >> 8 & 0xFF),
          static_cast<char>(bits >> 16 & 0xFF), static_cast<char>(bits >> 24)};
}

std::string PadField(std::string_view text, std::size_t width) {
  std::string field(text.substr(0, width));
  field.resize(width, '\0');
  return field;
}

std::string_view FieldAt(std::string_view bytes, std::size_t offset,
                         std::size_t width) {
  if (offset >= bytes.size()) return {};
  return bytes.substr(offset, width);
}

std::string_view TrimAtNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

std::string PackDate(const LocalTime& now) {
  std::string packed;
  packed.push_back(static_cast<char>(now.day));
  packed.push_back(static_cast<char>(now.month));
  return packed + Int16ToBytes(static_cast<std::int16_t>(now.year));
}

std::string PackDateTime(const LocalTime& now) {
  std::string packed;
  for (int part :
       {now.year, now.month, now.day, now.hour, now.minute, now.second}) {
    packed += Int16ToBytes(static_cast<std::int16_t>(part));
  }
  return packed;
}

std::string DateText(std::string_view packed_date) {
  std::string_view year = packed_date.size() > 2 ? packed_date.substr(2) : "";
  return DecimalText(ByteAt(packed_date, 0)) + "-" +
         DecimalText(ByteAt(packed_date, 1)) + "-" +
         DecimalText(BytesToInt16(year));
}

std::string IpText(std::string_view ip) {
  return DecimalText(ByteAt(ip, 0)) + "." + DecimalText(ByteAt(ip, 1)) + "." +
         DecimalText(ByteAt(ip, 2)) + "." + DecimalText(ByteAt(ip, 3));
}

std::string IpFromText(std::string_view text) {
  std::string ip;
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    // The last component runs to the end, a fourth dot included.
    std::size_t dot = i < 3 ? text.find('.', start) : text.size();
    if (dot == std::string_view::npos) return "";
    int byte = IpComponent(text.substr(start, dot - start));
    if (byte < 0) return "";
    ip.push_back(static_cast<char>(byte));
    start = dot + 1;
  }
  return ip;
}

namespace {

char LowerByte(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string ToLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerByte(c);
  return lower;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerByte(a[i]) != LowerByte(b[i])) return false;
  }
  return true;
}

std::string DecimalText(std::int64_t value) { return std::to_string(value); }

std::string HexText(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace tallyhall
