#include "format/picture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace remu;

TEST(Round, HalfAwayFromZeroOnTheDecimalText) {
    EXPECT_EQ(ROUND(2.675, 2), 2.68);
    EXPECT_EQ(ROUND(-2.675, 2), -2.68);
    EXPECT_EQ(ROUND(1.005, 2), 1.01);
    EXPECT_EQ(ROUND(2.5, 0), 3.0);
    EXPECT_EQ(ROUND(-2.5, 0), -3.0);
    EXPECT_EQ(ROUND(2.4999, 0), 2.0);
    EXPECT_EQ(ROUND(0.1 + 0.2, 2), 0.3);
    EXPECT_EQ(ROUND(999.995, 2), 1000.0);
    EXPECT_EQ(ROUND(1234567.5, 0), 1234568.0);
    EXPECT_EQ(ROUND(1250, -2), 1300.0);
    EXPECT_EQ(ROUND(1249, -2), 1200.0);
    EXPECT_EQ(ROUND(40, -2), 0.0);
    EXPECT_EQ(ROUND(-0.004, 2), 0.0);
    EXPECT_TRUE(std::isnan(ROUND(NAN, 2)));
    EXPECT_EQ(fixedText(2.675, 2), "2.68");
    EXPECT_EQ(fixedText(-0.004, 2), "0.00");
    EXPECT_EQ(fixedText(7, 3), "7.000");
    EXPECT_EQ(fixedText(1e20, 0), "100000000000000000000");
}

TEST(Transform, IntegerMasks) {
    EXPECT_EQ(TRANSFORM(1234567, "99,999,999"), " 1,234,567");
    EXPECT_EQ(TRANSFORM(950, "99,999,999"), "       950");
    EXPECT_EQ(TRANSFORM(0, "99,999,999"), "         0");
    EXPECT_EQ(TRANSFORM(123456789, "9,999,999"), "*********");
    EXPECT_EQ(TRANSFORM(12, "999"), " 12");
    EXPECT_EQ(TRANSFORM(1000, "999"), "***");
    EXPECT_EQ(TRANSFORM(123456, "999,999"), "123,456");
    EXPECT_EQ(TRANSFORM(1234, "999,999"), "  1,234");
    EXPECT_EQ(TRANSFORM(9999999, "9,999,999"), "9,999,999");
    EXPECT_EQ(TRANSFORM(999999999, "999,999,999"), "999,999,999");
    EXPECT_EQ(TRANSFORM(1000000000, "999,999,999"), "***********");
    // A double holding whole pesos, and a fraction rounded away.
    EXPECT_EQ(TRANSFORM(1234567.0, "99,999,999"), " 1,234,567");
    EXPECT_EQ(TRANSFORM(949.5, "99,999,999"), "       950");
    EXPECT_EQ(TRANSFORM(999.5, "999"), "***");
}

TEST(Transform, DecimalMasks) {
    EXPECT_EQ(TRANSFORM(12.5, "999.99"), " 12.50");
    EXPECT_EQ(TRANSFORM(5, "9,999.99"), "    5.00");
    EXPECT_EQ(TRANSFORM(2.675, "999.99"), "  2.68");
    EXPECT_EQ(TRANSFORM(0.5, "999.99"), "  0.50");
    EXPECT_EQ(TRANSFORM(28.5, "999.999"), " 28.500");
    EXPECT_EQ(TRANSFORM(1234.5678, "9,999.99"), "1,234.57");
    EXPECT_EQ(TRANSFORM(123456.7894, "999,999.999"), "123,456.789");
    EXPECT_EQ(TRANSFORM(1234567.891, "9,999,999.99"), "1,234,567.89");
    EXPECT_EQ(TRANSFORM(34567.1, "99,999,999.99"), "    34,567.10");
    EXPECT_EQ(TRANSFORM(999.995, "999.99"), "******");  // rounding carries past the width
    EXPECT_EQ(TRANSFORM(0.25, ".99"), ".25");
}

TEST(Transform, NegativeValues) {
    EXPECT_EQ(TRANSFORM(-950, "99,999,999"), "      -950");
    EXPECT_EQ(TRANSFORM(-123456, "9,999,999"), " -123,456");  // sign on a separator position
    EXPECT_EQ(TRANSFORM(-1234, "99,999,999"), "    -1,234");
    EXPECT_EQ(TRANSFORM(-12.5, "999.99"), "-12.50");
    EXPECT_EQ(TRANSFORM(-0.5, "999.99"), " -0.50");
    EXPECT_EQ(TRANSFORM(-123, "999"), "***");  // no room for the sign
    EXPECT_EQ(TRANSFORM(-0.001, "999.99"), "  0.00");  // no "-0.00"
    EXPECT_EQ(TRANSFORM(-0.25, ".99"), "***");
}

TEST(Transform, OddInputs) {
    EXPECT_EQ(TRANSFORM(NAN, "999.99"), "******");
    EXPECT_EQ(TRANSFORM(INFINITY, "999"), "***");
    EXPECT_EQ(TRANSFORM(1e300, "99,999,999"), "**********");
    EXPECT_EQ(TRANSFORM(42, ""), "42");
    EXPECT_EQ(TRANSFORM(2.5, "@!"), "2.5");
    EXPECT_EQ(TRANSFORM(1234, "@K 9,999"), "1,234");
}

TEST(Transform, TextMasks) {
    EXPECT_EQ(TRANSFORM("josé ñuñoa", "@!"), "JOSÉ ÑUÑOA");
    EXPECT_EQ(TRANSFORM("12345678-k", "@K!"), "12345678-K");
    EXPECT_EQ(TRANSFORM("sum(a)+b", "@S40!"), "SUM(A)+B");
    EXPECT_EQ(TRANSFORM("abc12", "@K!!!!!!!!!!"), "ABC12     ");
    EXPECT_EQ(TRANSFORM("abcdefghijkl", "@K!!!!!!!!!!"), "ABCDEFGHIJ");
    EXPECT_EQ(TRANSFORM("ñandú", "!999"), "Ñand");
    EXPECT_EQ(TRANSFORM("ab", "999"), "ab ");
    EXPECT_EQ(TRANSFORM("mixed Text", ""), "mixed Text");
    EXPECT_EQ(TRANSFORM(std::string("abc"), "@! 99"), "AB");
}

TEST(Transform, PictureParsing) {
    Picture p = parsePicture("@S40!");
    EXPECT_TRUE(p.upper);
    EXPECT_EQ(p.scrollWidth, 40);
    EXPECT_EQ(p.tmpl, "");
    p = parsePicture("@K!!!!!!!!!!");
    EXPECT_TRUE(p.clearOnKey);
    EXPECT_EQ(p.tmpl.size(), 10u);
    p = parsePicture("99,999,999");
    EXPECT_FALSE(p.upper);
    EXPECT_EQ(p.tmpl, "99,999,999");
}
