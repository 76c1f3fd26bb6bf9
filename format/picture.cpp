#include "format/picture.h"

#include <charconv>
#include <cmath>

#include "format/text.h"

namespace remu {

namespace {

// A non-negative decimal number as digit texts, with a sign.
struct Decimal {
    bool negative = false;
    std::string intDigits = "0";  // no leading zeros except a lone "0"
    std::string fracDigits;
};

Decimal toDecimal(double value) {
    Decimal d;
    char buf[512];
    // Shortest text that reads back as the same double: the value as written.
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    std::string_view s(buf, res.ptr - buf);
    d.negative = std::signbit(value);
    size_t dot = s.find('.');
    d.intDigits = std::string(s.substr(0, dot));
    if (dot != std::string_view::npos) d.fracDigits = std::string(s.substr(dot + 1));
    return d;
}

Decimal toDecimal(long long value) {
    Decimal d;
    d.negative = value < 0;
    unsigned long long mag = d.negative ? 0ULL - static_cast<unsigned long long>(value) : value;
    d.intDigits = std::to_string(mag);
    return d;
}

bool isZero(const Decimal& d) {
    return d.intDigits.find_first_not_of('0') == std::string::npos &&
           d.fracDigits.find_first_not_of('0') == std::string::npos;
}

// Rounds half away from zero to `decimals` places; the result has exactly
// max(decimals, 0) fraction digits.
Decimal roundDecimal(Decimal d, int decimals) {
    std::string all = d.intDigits + d.fracDigits;
    long point = static_cast<long>(d.intDigits.size());
    long keep = point + decimals;
    std::string kept;
    if (keep < 0) {
        kept = "";
    } else {
        if (static_cast<long>(all.size()) < keep) all.append(keep - all.size(), '0');
        kept = all.substr(0, keep);
        if (static_cast<long>(all.size()) > keep && all[keep] >= '5') {
            long i = keep - 1;
            for (; i >= 0; --i) {
                if (kept[i] == '9') {
                    kept[i] = '0';
                } else {
                    ++kept[i];
                    break;
                }
            }
            if (i < 0) {
                kept.insert(kept.begin(), '1');
                ++point;
            }
        }
    }
    Decimal r;
    r.negative = d.negative;
    if (decimals >= 0) {
        long intLen = static_cast<long>(kept.size()) - decimals;
        r.intDigits = intLen > 0 ? kept.substr(0, intLen) : "";
        r.fracDigits = kept.substr(intLen > 0 ? intLen : 0);
        r.fracDigits.insert(0, decimals - r.fracDigits.size(), '0');
    } else {
        r.intDigits = kept + std::string(-decimals, '0');
        if (kept.empty()) r.intDigits = "0";
    }
    size_t nz = r.intDigits.find_first_not_of('0');
    r.intDigits = nz == std::string::npos ? "0" : r.intDigits.substr(nz);
    if (isZero(r)) r.negative = false;
    return r;
}

bool isDigitSlot(char c) { return c == '9' || c == '#'; }

// Lays a rounded number into a numeric template.
std::string layNumber(const Decimal& d, const std::string& tmpl) {
    size_t dot = tmpl.find('.');
    std::string out(tmpl.size(), ' ');
    std::string stars(tmpl.size(), '*');

    // Integer positions, filled from the right.
    size_t intEnd = dot == std::string::npos ? tmpl.size() : dot;
    std::string intDigits = d.intDigits;
    bool zeroInt = intDigits == "0";
    size_t slots = 0;
    for (size_t i = 0; i < intEnd; ++i) slots += isDigitSlot(tmpl[i]);
    // With no integer position a zero integer part is simply not shown.
    if (zeroInt && slots == 0) intDigits.clear();
    size_t need = intDigits.size() + (d.negative ? 1 : 0);
    if (need > slots) return stars;

    long firstDigit = -1;
    size_t next = intDigits.size();
    for (size_t i = intEnd; i-- > 0;) {
        if (!isDigitSlot(tmpl[i])) continue;
        if (next == 0) break;
        out[i] = intDigits[--next];
        firstDigit = static_cast<long>(i);
    }
    if (d.negative) {
        if (firstDigit > 0) {
            out[firstDigit - 1] = '-';
        } else if (firstDigit < 0) {
            // No integer digit shown (".99" template): the sign goes before the point.
            if (intEnd == 0) return stars;
            out[intEnd - 1] = '-';
        } else {
            return stars;
        }
    }

    if (dot != std::string::npos) {
        out[dot] = '.';
        size_t f = 0;
        for (size_t i = dot + 1; i < tmpl.size(); ++i) {
            if (isDigitSlot(tmpl[i])) out[i] = f < d.fracDigits.size() ? d.fracDigits[f++] : '0';
        }
    }

    for (size_t i = 0; i < tmpl.size(); ++i) {
        char c = tmpl[i];
        if (c == ',' && out[i] != '-') {
            out[i] = i > 0 && out[i - 1] >= '0' && out[i - 1] <= '9' ? ',' : ' ';
        } else if (!isDigitSlot(c) && c != '.' && out[i] == ' ') {
            out[i] = c;  // literal
        }
    }
    return out;
}

std::string plainNumber(const Decimal& d) {
    std::string s = d.negative ? "-" : "";
    s += d.intDigits;
    if (!d.fracDigits.empty()) s += "." + d.fracDigits;
    return s;
}

int templateDecimals(const std::string& tmpl) {
    size_t dot = tmpl.find('.');
    if (dot == std::string::npos) return 0;
    int n = 0;
    for (size_t i = dot + 1; i < tmpl.size(); ++i) n += isDigitSlot(tmpl[i]);
    return n;
}

std::string transformDecimal(const Decimal& raw, std::string_view picture) {
    Picture pic = parsePicture(picture);
    if (pic.tmpl.empty()) return plainNumber(raw);
    return layNumber(roundDecimal(raw, templateDecimals(pic.tmpl)), pic.tmpl);
}

}  // namespace

Picture parsePicture(std::string_view picture) {
    Picture pic;
    if (picture.empty() || picture[0] != '@') {
        pic.tmpl = std::string(picture);
        return pic;
    }
    size_t i = 1;
    for (; i < picture.size(); ++i) {
        char c = picture[i];
        if (c == ' ') {
            ++i;
            break;
        }
        if (c == '!' && i == 1) {
            pic.upper = true;
        } else if (c == 'K' || c == 'k') {
            pic.clearOnKey = true;
        } else if (c == 'S' || c == 's') {
            int n = 0;
            while (i + 1 < picture.size() && picture[i + 1] >= '0' && picture[i + 1] <= '9') {
                n = n * 10 + (picture[++i] - '0');
            }
            pic.scrollWidth = n;
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            // Other flags have no effect on display.
        } else {
            break;
        }
    }
    pic.tmpl = std::string(picture.substr(i < picture.size() ? i : picture.size()));
    if (pic.tmpl == "!") {
        pic.upper = true;
        pic.tmpl.clear();
    }
    return pic;
}

double ROUND(double value, int decimals) {
    if (!std::isfinite(value)) return value;
    std::string s = plainNumber(roundDecimal(toDecimal(value), decimals));
    double out = 0;
    std::from_chars(s.data(), s.data() + s.size(), out);
    return out;
}

std::string fixedText(double value, int decimals) {
    if (!std::isfinite(value)) return std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
    if (decimals < 0) decimals = 0;
    return plainNumber(roundDecimal(toDecimal(value), decimals));
}

std::string TRANSFORM(double value, std::string_view picture) {
    if (!std::isfinite(value)) {
        Picture pic = parsePicture(picture);
        return pic.tmpl.empty() ? std::string("*") : std::string(pic.tmpl.size(), '*');
    }
    return transformDecimal(toDecimal(value), picture);
}

std::string TRANSFORM(long long value, std::string_view picture) {
    return transformDecimal(toDecimal(value), picture);
}

std::string TRANSFORM(std::string_view text, std::string_view picture) {
    Picture pic = parsePicture(picture);
    std::string value = pic.upper ? upper(text) : std::string(text);
    if (pic.tmpl.empty()) return value;
    std::string out;
    size_t width = pic.tmpl.size();
    std::string padded = padRight(value, width);
    for (size_t i = 0; i < width; ++i) {
        std::string ch = charSubstr(padded, i, 1);
        out += pic.tmpl[i] == '!' ? upper(ch) : ch;
    }
    return out;
}

}  // namespace remu
