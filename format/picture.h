#pragma once
// Picture masks for display and printing (TRANSFORM), and the money rounding
// every amount goes through.
//
// A picture is an optional function part ("@" and flag letters, ended by a
// blank or by the first template character) and an optional template. Only
// "@!" changes what is shown; "K" and "S<n>" concern edit fields. A lone "!"
// right after the flags ("@K!", "@S40!") is the upper-case flag, not a
// one-character template.

#include <concepts>
#include <string>
#include <string_view>

namespace remu {

// Half away from zero, decided on the shortest decimal text of `value`, so a
// binary near-miss such as 2.675 still rounds to 2.68. Negative `decimals`
// rounds to tens, hundreds...
double ROUND(double value, int decimals);

// `value` rounded as ROUND does, written with exactly `decimals` decimals
// (no grouping, "-" for negatives, never "-0").
std::string fixedText(double value, int decimals);

std::string TRANSFORM(double value, std::string_view picture);
std::string TRANSFORM(long long value, std::string_view picture);
template <std::integral T>
std::string TRANSFORM(T value, std::string_view picture) {
    return TRANSFORM(static_cast<long long>(value), picture);
}
std::string TRANSFORM(std::string_view text, std::string_view picture);
inline std::string TRANSFORM(const char* text, std::string_view picture) {
    return TRANSFORM(std::string_view(text), picture);
}
inline std::string TRANSFORM(const std::string& text, std::string_view picture) {
    return TRANSFORM(std::string_view(text), picture);
}

struct Picture {
    bool upper = false;      // "@!"
    bool clearOnKey = false; // "K"
    int scrollWidth = 0;     // "S<n>"
    std::string tmpl;        // template part, possibly empty
};
Picture parsePicture(std::string_view picture);

}  // namespace remu
