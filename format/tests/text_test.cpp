#include "format/text.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
