#include "data/value.h"

#include <cmath>
#include <cstdio>

namespace remu {

namespace {

std::string numberText(double n) {
    if (!std::isfinite(n)) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", n);
    std::string s = buf;
    if (s.find('e') != std::string::npos) {
        // Whole pesos of any size read better without an exponent.
        std::snprintf(buf, sizeof buf, "%.0f", n);
        s = buf;
    }
    if (s == "-0") s = "0";
    return s;
}

// The leading number of a text, as the old VAL() read it: blanks, sign, digits, one point.
double leadingNumber(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    size_t start = i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    bool digits = false, point = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return 0;
    return std::strtod(s.substr(start, i - start).c_str(), nullptr);
}

}  // namespace

std::string Value::text() const {
    switch (type()) {
    case Type::Null: return {};
    case Type::Text: return std::get<std::string>(v_);
    case Type::Number: return numberText(std::get<double>(v_));
    case Type::Date: {
        const Date& d = std::get<Date>(v_);
        if (d.isNull()) return {};
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day, d.month, d.year);
        return buf;
    }
    }
    return {};
}

double Value::number() const {
    switch (type()) {
    case Type::Number: return std::get<double>(v_);
    case Type::Text: return leadingNumber(std::get<std::string>(v_));
    default: return 0;
    }
}

Date Value::date() const {
    if (type() == Type::Date) return std::get<Date>(v_);
    return Date{};
}

}  // namespace remu
