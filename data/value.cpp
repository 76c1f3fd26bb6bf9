#include "data/value.h"

#include <cmath>
#include <cstdio>

#include "format/text.h"

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
    case Type::Text: return numericValue(std::get<std::string>(v_));
    default: return 0;
    }
}

Date Value::date() const {
    if (type() == Type::Date) return std::get<Date>(v_);
    return Date{};
}

}  // namespace remu
