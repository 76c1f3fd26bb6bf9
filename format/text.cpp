#include "format/text.h"

#include <cstdlib>

namespace remu {

namespace {

bool isTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Length in bytes of the character starting with byte b (1 for stray bytes).
size_t seqLength(unsigned char b) {
    if (b < 0xC0) return 1;
    if (b < 0xE0) return 2;
    if (b < 0xF0) return 3;
    return 4;
}

// Byte offset of character number `n` (or s.size()).
size_t byteOffset(std::string_view s, size_t n) {
    size_t i = 0;
    while (n > 0 && i < s.size()) {
        size_t len = seqLength(static_cast<unsigned char>(s[i]));
        i = i + len > s.size() ? s.size() : i + len;
        --n;
    }
    return i;
}

}  // namespace

bool isBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

std::optional<double> plainDecimal(std::string_view s) {
    static const double scales[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (negative) ++i;
    long long k = 0;
    int digits = 0, decimals = -1;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            if (++digits > 15) return std::nullopt;
            k = k * 10 + (c - '0');
            if (decimals >= 0) ++decimals;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    const double v = decimals > 0 ? static_cast<double>(k) / scales[decimals] : static_cast<double>(k);
    return negative ? -v : v;
}

double numericValue(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    size_t start = i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    int digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return 0;
    // Up to 15 digits (codes, days, amounts) read exactly without a copy; the rest
    // is left to strtod, which rounds correctly too.
    std::string_view number = s.substr(start, i - start);
    if (!number.empty() && number[0] == '+') number.remove_prefix(1);
    if (auto v = plainDecimal(number)) return *v;
    return std::strtod(std::string(s.substr(start, i - start)).c_str(), nullptr);
}

std::string ltrim(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && isTrimmed(s[b])) ++b;
    return std::string(s.substr(b));
}

std::string rtrim(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && isTrimmed(s[e - 1])) --e;
    return std::string(s.substr(0, e));
}

std::string trim(std::string_view s) { return ltrim(rtrim(s)); }

std::string upper(std::string_view s) {
    std::string out(s);
    for (size_t i = 0; i < out.size(); ++i) {
        auto b = static_cast<unsigned char>(out[i]);
        if (b >= 'a' && b <= 'z') {
            out[i] = static_cast<char>(b - 32);
        } else if (b == 0xC3 && i + 1 < out.size()) {
            // U+00E0..U+00FE are C3 A0..C3 BE; their capitals are 0x20 lower (÷ excepted).
            auto c = static_cast<unsigned char>(out[i + 1]);
            if (c >= 0xA0 && c <= 0xBE && c != 0xB7) out[i + 1] = static_cast<char>(c - 0x20);
            ++i;
        }
    }
    return out;
}

size_t charLength(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++n) i += seqLength(static_cast<unsigned char>(s[i]));
    return n;
}

std::string charSubstr(std::string_view s, size_t start, size_t count) {
    size_t b = byteOffset(s, start);
    size_t e = count == std::string_view::npos ? s.size() : b + byteOffset(s.substr(b), count);
    return std::string(s.substr(b, e - b));
}

std::string padRight(std::string_view s, size_t width, char fill) {
    size_t len = charLength(s);
    if (len >= width) return charSubstr(s, 0, width);
    return std::string(s) + std::string(width - len, fill);
}

std::string padLeft(std::string_view s, size_t width, char fill) {
    size_t len = charLength(s);
    if (len >= width) return charSubstr(s, 0, width);
    return std::string(width - len, fill) + std::string(s);
}

bool textEquals(std::string_view left, std::string_view right) { return left.starts_with(right); }

}  // namespace remu
