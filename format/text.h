#pragma once
// Text helpers for the program's UTF-8 strings: trimming, Spanish upper case,
// padding and cutting by characters (not bytes), and the prefix comparison the
// program uses for its plain "=" test on texts.

#include <optional>
#include <string>
#include <string_view>

namespace remu {

// The numeric value of a text, as xBase's VAL() reads it: the number it begins with
// (blanks skipped, a sign, digits and one decimal point); 0 when it begins with none.
double numericValue(std::string_view s);

// The value of a plain decimal text, "[-]digits[.digits]" with 1 to 15 digits and
// nothing else, exactly as strtod reads it (the integer and the power of ten are
// exact, and their quotient is rounded once); nullopt for any other text.
std::optional<double> plainDecimal(std::string_view s);

// True when the text holds nothing but spaces (the fields of the screens and tables
// are padded with them).
bool isBlank(std::string_view s);

// Blanks are spaces, tabs, CR and LF.
std::string trim(std::string_view s);
std::string ltrim(std::string_view s);
std::string rtrim(std::string_view s);

// ASCII and Latin-1 letters (á é í ó ú ü ñ ...) to upper case; other characters unchanged.
std::string upper(std::string_view s);

// Number of characters of UTF-8 text (a malformed byte counts as one character).
size_t charLength(std::string_view s);

// Characters [start, start + count) counted from 0; out-of-range parts are empty.
std::string charSubstr(std::string_view s, size_t start, size_t count = std::string_view::npos);

// Exactly `width` characters: padded on the right (padRight) or left (padLeft)
// with `fill`; a longer text keeps its first `width` characters.
std::string padRight(std::string_view s, size_t width, char fill = ' ');
std::string padLeft(std::string_view s, size_t width, char fill = ' ');

// The plain "=" on texts: true when `left` begins with `right` (so an empty
// `right` equals anything). The plain "!=" is its negation.
bool textEquals(std::string_view left, std::string_view right);
inline bool textNotEquals(std::string_view left, std::string_view right) { return !textEquals(left, right); }

}  // namespace remu
