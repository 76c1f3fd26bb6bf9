#include "format/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace remu;

TEST(Text, Trimming) {
    EXPECT_EQ(trim("  ab c \t\r\n"), "ab c");
    EXPECT_EQ(ltrim("  ab  "), "ab  ");
    EXPECT_EQ(rtrim("  ab  "), "  ab");
    EXPECT_EQ(trim("    "), "");
    EXPECT_EQ(trim(""), "");
}

TEST(Text, SpanishUpperCase) {
    EXPECT_EQ(upper("josé ñuñoa güemes, áéíóú"), "JOSÉ ÑUÑOA GÜEMES, ÁÉÍÓÚ");
    EXPECT_EQ(upper("ÑANDÚ 123 ¿qué?"), "ÑANDÚ 123 ¿QUÉ?");
    EXPECT_EQ(upper("a÷b"), "A÷B");  // the division sign has no capital
    EXPECT_EQ(upper("€ß"), "€ß");
}

TEST(Text, LengthCutAndPadCountCharactersNotBytes) {
    EXPECT_EQ(charLength("ÑANDÚ"), 5u);
    EXPECT_EQ(charLength(""), 0u);
    EXPECT_EQ(charSubstr("ÑANDÚ", 1, 3), "AND");
    EXPECT_EQ(charSubstr("ÑANDÚ", 4), "Ú");
    EXPECT_EQ(charSubstr("ÑANDÚ", 9, 2), "");
    EXPECT_EQ(padRight("ÑU", 4), "ÑU  ");
    EXPECT_EQ(padLeft("ÑU", 4, '0'), "00ÑU");
    EXPECT_EQ(padRight("ÑANDÚ", 3), "ÑAN");
    EXPECT_EQ(padLeft("ÑANDÚ", 5), "ÑANDÚ");
    EXPECT_EQ(padLeft("abc", 0), "");
}

TEST(Text, PlainEqualityIsPrefixComparison) {
    EXPECT_TRUE(textEquals("ABCDEF", "ABC"));
    EXPECT_TRUE(textEquals("ABC", ""));
    EXPECT_TRUE(textEquals("", ""));
    EXPECT_FALSE(textEquals("ABC", "ABCD"));
    EXPECT_FALSE(textEquals("", "A"));
    EXPECT_FALSE(textEquals("abc", "ABC"));
    EXPECT_TRUE(textNotEquals("AB", "ABC"));
    EXPECT_FALSE(textNotEquals("ABC", "AB"));
}

TEST(Text, NumericValueReadsTheNumberATextBeginsWith) {
    // Codes and day counts as the tables and screens hold them.
    EXPECT_EQ(numericValue("  0012"), 12);
    EXPECT_EQ(numericValue("\t7 DIAS"), 7);
    EXPECT_EQ(numericValue("-3"), -3);
    EXPECT_EQ(numericValue("+41abc"), 41);
    EXPECT_EQ(numericValue("05."), 5);
    // Nothing numeric in front: zero.
    for (const char* none : {"", "   ", "-", ".", "ABC12", "- 5"}) EXPECT_EQ(numericValue(none), 0) << none;
    // Decimals and long numbers read as strtod reads them, to the last bit.
    for (const char* text : {"11.44", "0.1", "-1234.5678", "3.14159265358979", "1234567890123456", "98765432109876543"})
        EXPECT_EQ(numericValue(text), std::strtod(text, nullptr)) << text;
    EXPECT_EQ(numericValue("999999999999999"), 999999999999999.0);
    EXPECT_EQ(numericValue("2.5.3"), 2.5);
}

TEST(Text, PlainDecimalsReadToTheLastBitAsStrtodReadsThem) {
    // Amounts, rates and UF values as the server and the tables write them, and
    // random ones of every length and number of decimals up to fifteen digits.
    std::vector<std::string> texts = {"0", "-0", "7", "5.", "0.1", "0.3", "11.44", "-1234.5678", "28309.94",
                                      "999999999999999", "0.00000000000001", "123456789.012345"};
    std::mt19937_64 random(20191231);
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 15);
        std::string t = random() % 4 == 0 ? "-" : "";
        const int point = static_cast<int>(random() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0) t += '.';
            t += static_cast<char>('0' + random() % 10);
        }
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        auto v = plainDecimal(t);
        ASSERT_TRUE(v) << t;
        const double expected = std::strtod(t.c_str(), nullptr);
        EXPECT_EQ(*v, expected) << t;
        EXPECT_EQ(std::signbit(*v), std::signbit(expected)) << t;
    }
    // Anything else is not a plain decimal: the callers read it the long way.
    for (const char* other : {"", "-", ".", " 1", "1 ", "+1", "1e5", "1.2.3", "0x10", "1234567890123456", "--1", "1,5"})
        EXPECT_FALSE(plainDecimal(other)) << other;
}
