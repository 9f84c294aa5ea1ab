// Field encodings: exact bytes, round trips, short input and dotted text.
#include "db/encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fakes.h"

namespace tallyhall {
namespace {

TEST(EncodingTest, IntegersHaveExactLittleEndianBytes) {
  EXPECT_EQ(Int16ToBytes(0x1234), Hex("34 12"));
  EXPECT_EQ(Int16ToBytes(-1), Hex("ff ff"));
  EXPECT_EQ(Int32ToBytes(-1), Hex("ff ff ff ff"));
  EXPECT_EQ(Int32ToBytes(0x01020304), Hex("04 03 02 01"));
  EXPECT_EQ(BytesToInt16(Hex("ff ff")), -1);
  EXPECT_EQ(BytesToInt16(Hex("00 80")), -32768);
  EXPECT_EQ(BytesToInt32(Hex("ff ff ff 7f")), 2147483647);
  EXPECT_EQ(BytesToInt32(Hex("00 00 00 80")), INT32_MIN);
}

TEST(EncodingTest, IntegersRoundTrip) {
  for (int v : {0, 1, -1, 255, 256, 32767, -32768}) {
    EXPECT_EQ(BytesToInt16(Int16ToBytes(static_cast<std::int16_t>(v))), v);
  }
  for (std::int32_t v : {0, 1, -1, 65536, INT32_MAX, INT32_MIN}) {
    EXPECT_EQ(BytesToInt32(Int32ToBytes(v)), v);
  }
}

TEST(EncodingTest, ShortInputReadsMissingHighBytesAsZero) {
  // Views cut out of a longer buffer: bytes past the view must not be read.
  std::string buffer = Hex("ff ff ff ff");
  std::string_view bytes(buffer);
  EXPECT_EQ(BytesToInt16(bytes.substr(0, 1)), 255);
  EXPECT_EQ(BytesToInt16(bytes.substr(0, 0)), 0);
  EXPECT_EQ(BytesToInt32(bytes.substr(0, 3)), 0xFFFFFF);
  EXPECT_EQ(BytesToInt32(bytes.substr(0, 2)), 0xFFFF);
  EXPECT_EQ(DateText(Hex("05")), "5-0-0");
  EXPECT_EQ(IpText(Hex("0a 00")), "10.0.0.0");
}

TEST(EncodingTest, PadFieldCutsOrPadsWithNul) {
  EXPECT_EQ(PadField("", 24), std::string(24, '\0'));
  EXPECT_EQ(PadField(std::string(30, 'x'), 24), std::string(24, 'x'));
  EXPECT_EQ(PadField("ab", 4), std::string("ab\0\0", 4));
}

TEST(EncodingTest, TrimAtNulCutsAtTheFirstNul) {
  EXPECT_EQ(TrimAtNul(std::string("\0abc", 4)), "");
  EXPECT_EQ(TrimAtNul(std::string("ab\0c\0", 5)), "ab");
}

TEST(EncodingTest, PackedDatesHaveExactBytes) {
  LocalTime t{.year = 2026,
              .month = 12,
              .day = 5,
              .hour = 13,
              .minute = 7,
              .second = 59};
  EXPECT_EQ(PackDate(t), Hex("05 0c ea 07"));
  EXPECT_EQ(PackDateTime(t), Hex("ea 07 0c 00 05 00 0d 00 07 00 3b 00"));
  EXPECT_EQ(DateText(PackDate(t)), "5-12-2026");
  EXPECT_EQ(DateText(Hex("01 01 ea 07")), "1-1-2026");
  EXPECT_EQ(DateText(std::string(4, '\0')), "0-0-0");
}

TEST(EncodingTest, IpFromTextReadsFourComponents) {
  EXPECT_EQ(IpText(Hex("c0 a8 00 01")), "192.168.0.1");
  EXPECT_EQ(IpFromText("10.0.0.7"), Hex("0a 00 00 07"));
  EXPECT_EQ(IpFromText(" 192 . 168.0.1"), Hex("c0 a8 00 01"));
  EXPECT_EQ(IpFromText("1.2.3.4.5"), Hex("01 02 03 04"));  // 4.5 -> 4
  EXPECT_EQ(IpFromText("1.2.3.4.6"), Hex("01 02 03 05"));
  EXPECT_EQ(IpFromText("a.b.c."), Hex("00 00 00 00"));
  EXPECT_EQ(IpFromText("255.0.0.255x"), Hex("ff 00 00 ff"));
  EXPECT_EQ(IpFromText(IpText(Hex("7f 00 00 01"))), Hex("7f 00 00 01"));
}

TEST(EncodingTest, IpFromTextRefusesTooFewDotsAndOutOfRangeParts) {
  EXPECT_EQ(IpFromText("10.0.0"), "");
  EXPECT_EQ(IpFromText(""), "");
  EXPECT_EQ(IpFromText("256.0.0.1"), "");
  EXPECT_EQ(IpFromText("1.2.3.255.5"), "");  // 255.5 rounds to 256
  EXPECT_EQ(IpFromText("1.-1.3.4"), "");
  EXPECT_EQ(IpFromText("1.2.3.1E9999"), "");
}

TEST(EncodingTest, TextHelpers) {
  EXPECT_EQ(ToLower("AbZ@[\xC4"), "abz@[\xC4");
  EXPECT_EQ(DecimalText(-42), "-42");
  EXPECT_EQ(DecimalText(INT64_MIN), "-9223372036854775808");
}

}  // namespace
}  // namespace tallyhall
