#include "core/period.h"

#include <array>
#include <stdexcept>

namespace remu {

namespace {

const std::array<const char*, 12> kMonths = {"ENERO", "FEBRERO", "MARZO",      "ABRIL",   "MAYO",      "JUNIO",
                                             "JULIO", "AGOSTO",  "SEPTIEMBRE", "OCTUBRE", "NOVIEMBRE", "DICIEMBRE"};

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

int number(std::string_view s) {
    int n = 0;
    for (char c : s) n = n * 10 + (c - '0');
    return n;
}

int yearOf(std::string_view text) {
    std::string_view t = trimmed(text);
    // A year below 1000 would not give the four-digit prefix of the tables.
    int y = t.size() == 4 && digits(t) ? number(t) : 0;
    return y >= 1000 ? y : 0;
}

int monthOf(std::string_view text) {
    std::string_view t = trimmed(text);
    if (t.size() < 1 || t.size() > 2 || !digits(t)) return 0;
    int m = number(t);
    return m >= 1 && m <= 12 ? m : 0;
}

std::string twoDigits(int n) { return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10); }

}  // namespace

std::optional<Period> Period::parse(std::string_view year, std::string_view month) {
    int y = yearOf(year), m = monthOf(month);
    if (y == 0 || m == 0) return std::nullopt;
    return Period(y, m);
}

std::string Period::yearProblem(std::string_view year) {
    return yearOf(year) == 0 ? "Año no válido: \"" + std::string(year) + "\"" : std::string();
}

std::string Period::problem(std::string_view year, std::string_view month) {
    if (auto p = yearProblem(year); !p.empty()) return p;
    if (monthOf(month) == 0) return "Mes no válido: \"" + std::string(month) + "\"";
    return {};
}

Period Period::of(int year, int month) {
    if (year < 1000 || year > 9999 || month < 1 || month > 12)
        throw std::invalid_argument("Periodo no válido: " + std::to_string(year) + "-" + std::to_string(month));
    return Period(year, month);
}

std::string Period::yearText() const { return isNull() ? std::string() : std::to_string(year_); }
std::string Period::monthText() const { return isNull() ? std::string() : twoDigits(month_); }
long Period::yearMonth() const { return static_cast<long>(year_) * 100 + month_; }
std::string Period::monthName() const { return remu::monthName(month_); }
std::string Period::monthChoice() const { return remu::monthChoice(month_); }
std::string Period::monthAndYear() const { return isNull() ? std::string() : kMonths[static_cast<size_t>(month_ - 1)] + (" " + yearText()); }

std::string monthName(int month) {
    if (month < 1 || month > 12) return {};
    return std::string(" ") + kMonths[static_cast<size_t>(month - 1)];
}

std::string monthChoice(int month) {
    if (month < 1 || month > 12) return {};
    return " " + twoDigits(month) + "-" + monthName(month);
}

int monthOfChoice(std::string_view entry) { return entry.size() >= 3 ? monthOf(entry.substr(1, 2)) : 0; }

}  // namespace remu
