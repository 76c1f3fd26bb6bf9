#include "format/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace remu;

TEST(Codepage, SpanishTextRoundTrips) {
    const std::string text = "ÑANDÚ ñandú ¿Qué? áéíóúü €";
    std::string bytes = utf8ToCp1252(text);
    EXPECT_EQ(bytes, "\xD1" "AND\xDA \xF1" "and\xFA \xBFQu\xE9? \xE1\xE9\xED\xF3\xFA\xFC \x80");
    EXPECT_EQ(cp1252ToUtf8(bytes), text);
}

TEST(Codepage, AllAssignedHighBytesRoundTripAndUnassignedBecomeReplacement) {
    const unsigned unassigned[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
    int assigned = 0;
    for (unsigned b = 0x80; b <= 0x9F; ++b) {
        std::string byte(1, static_cast<char>(b));
        std::string utf8 = cp1252ToUtf8(byte);
        bool isUnassigned = std::find(std::begin(unassigned), std::end(unassigned), b) != std::end(unassigned);
        if (isUnassigned) {
            EXPECT_EQ(utf8, "\xEF\xBF\xBD") << std::hex << b;
            continue;
        }
        ++assigned;
        EXPECT_EQ(utf8ToCp1252(utf8), byte) << std::hex << b;
    }
    EXPECT_EQ(assigned, 27);
    // Latin-1 half maps one to one.
    for (unsigned b = 0xA0; b <= 0xFF; ++b) {
        std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(byte)), byte);
    }
}

TEST(Codepage, UnmappableAndMalformedInputBecomeReplacement) {
    EXPECT_EQ(utf8ToCp1252("a→b"), "a?b");           // U+2192 has no 1252 form
    EXPECT_EQ(utf8ToCp1252("x😀y", '_'), "x_y");      // four-byte sequence
    EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");           // truncated sequence
    EXPECT_EQ(utf8ToCp1252("\xFF" "b"), "?b");        // stray byte keeps what follows
    EXPECT_EQ(utf8ToCp1252(""), "");
}
