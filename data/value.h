#pragma once
// A field value as the server returns it: NULL, text (trailing blanks kept),
// a number or a date.

#include <cstdint>
#include <string>
#include <variant>

#include "core/date.h"

namespace remu {

class Value {
public:
    enum class Type { Null, Text, Number, Date };

    Value() = default;
    Value(std::string text) : v_(std::move(text)) {}
    Value(const char* text) : v_(std::string(text)) {}
    Value(double number) : v_(number) {}
    Value(int number) : v_(static_cast<double>(number)) {}
    Value(long long number) : v_(static_cast<double>(number)) {}
    Value(remu::Date date) : v_(date) {}

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isNull() const { return type() == Type::Null; }

    // Text form: text as stored; a number without trailing zeros ("12", "0.5");
    // a date as dd/mm/yyyy; NULL as "".
    std::string text() const;
    // Numeric value: numbers as they are; text read as its leading number (0 when none);
    // NULL and dates 0.
    double number() const;
    long long integer() const { return static_cast<long long>(number()); }
    // Date value (a null Date for anything else).
    remu::Date date() const;

    bool operator==(const Value&) const = default;

private:
    std::variant<std::monostate, std::string, double, remu::Date> v_;
};

}  // namespace remu
