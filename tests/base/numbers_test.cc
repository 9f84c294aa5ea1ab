// Number reading: the leading-number syntax, rounding and the 32-bit range.
#include "base/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tallyhall {
namespace {

TEST(LeadingNumberTest, ReadsSignFractionAndExponent) {
  EXPECT_EQ(LeadingNumber("  -7abc"), -7);
  EXPECT_EQ(LeadingNumber("2.25"), 2.25);
  EXPECT_EQ(LeadingNumber(".5"), 0.5);
  EXPECT_EQ(LeadingNumber("1E3"), 1000);
  EXPECT_EQ(LeadingNumber("1D2"), 100);
  EXPECT_EQ(LeadingNumber("25e-1"), 2.5);
}

TEST(LeadingNumberTest, IgnoresBlanksTabsAndLineFeedsBetweenParts) {
  EXPECT_EQ(LeadingNumber("1 2"), 12);
  EXPECT_EQ(LeadingNumber("- 1\t2 . 5"), -12.5);
  EXPECT_EQ(LeadingNumber("\n4 E 1"), 40);
}

TEST(LeadingNumberTest, StopsAtTheFirstOtherCharacter) {
  EXPECT_EQ(LeadingNumber("12,5"), 12);
  EXPECT_EQ(LeadingNumber("1abc"), 1);
  EXPECT_EQ(LeadingNumber("3\r4"), 3);  // CR is not a blank
  EXPECT_EQ(LeadingNumber("5E"), 5);    // exponent marker without digits
  EXPECT_EQ(LeadingNumber(std::string("7\0"
                                      "8",
                                      3)),
            7);
}

TEST(LeadingNumberTest, TextWithoutNumberReadsAsZero) {
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber("."), 0);
  EXPECT_EQ(LeadingNumber("&"), 0);
  EXPECT_EQ(LeadingNumber("&X1"), 0);
  EXPECT_EQ(LeadingNumber("E5"), 0);
}

TEST(LeadingNumberTest, ReadsHexadecimalAndOctal) {
  EXPECT_EQ(LeadingNumber("&HFF"), 255);
  EXPECT_EQ(LeadingNumber("&O17"), 15);
  EXPECT_EQ(LeadingNumber("&o178"), 15);  // 8 is no octal digit
  EXPECT_EQ(LeadingNumber("&H"), 0);
}

TEST(LeadingNumberTest, HugeValuesBecomeInfinityOrZero) {
  EXPECT_TRUE(std::isinf(LeadingNumber("1E999999999999999999")));
  EXPECT_TRUE(std::isinf(LeadingNumber("-1E400")));
  EXPECT_EQ(LeadingNumber("1E-999999999999"), 0);
  EXPECT_TRUE(std::isinf(LeadingNumber(std::string(400, '9'))));
  EXPECT_EQ(LeadingNumber("0E999999"), 0);
}

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(-2.6), -3);
}

TEST(ReadNumberTest, RoundsAndChecksTheSigned32BitRange) {
  EXPECT_EQ(ReadNumber("2.5"), 2);
  EXPECT_EQ(ReadNumber("3.5"), 4);
  EXPECT_EQ(ReadNumber("letters"), 0);
  EXPECT_EQ(ReadNumber("-2147483648"), INT32_MIN);
  EXPECT_EQ(ReadNumber("2147483646.5"), 2147483646);
  EXPECT_EQ(ReadNumber("12345678901"), std::nullopt);
  EXPECT_EQ(ReadNumber("2147483647.5"), std::nullopt);  // rounds up, out
  EXPECT_EQ(ReadNumber("-2147483649"), std::nullopt);
  EXPECT_EQ(ReadNumber("1E999999"), std::nullopt);
  EXPECT_EQ(ReadNumber("&HFFFFFFFF"), std::nullopt);
}

TEST(IsNumericTest, WholeTextMustBeOneNumber) {
  EXPECT_TRUE(IsNumeric("  -1 2.5E3  "));
  EXPECT_TRUE(IsNumeric("&H1f"));
  EXPECT_TRUE(IsNumeric("5."));
  EXPECT_FALSE(IsNumeric(""));
  EXPECT_FALSE(IsNumeric("   "));
  EXPECT_FALSE(IsNumeric("12a"));
  EXPECT_FALSE(IsNumeric("1E"));
  EXPECT_FALSE(IsNumeric("."));
  EXPECT_FALSE(IsNumeric("&H"));
}

}  // namespace
}  // namespace tallyhall
