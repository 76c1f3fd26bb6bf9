#include "format/dates.h"

#include <cstdio>

#include "format/text.h"

namespace remu {

namespace {

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

int toInt(std::string_view s) {
    int n = 0;
    for (char c : s) n = n * 10 + (c - '0');
    return n;
}

Date checked(int y, int m, int d) {
    Date date{y, m, d};
    return date.isValid() ? date : Date{};
}

}  // namespace

std::string formatDate(const Date& d) {
    if (d.isNull() || !d.isValid()) return "  /  /    ";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day, d.month, d.year);
    return buf;
}

int expandTwoDigitYear(int yy) { return yy >= 60 ? 1900 + yy : 2000 + yy; }

Date parseDate(std::string_view text) {
    std::string t = trim(text);
    size_t s1 = t.find('/');
    if (s1 == std::string::npos) return {};
    size_t s2 = t.find('/', s1 + 1);
    if (s2 == std::string::npos) return {};
    std::string_view v(t);
    std::string_view dd = v.substr(0, s1), mm = v.substr(s1 + 1, s2 - s1 - 1), yy = v.substr(s2 + 1);
    if (!allDigits(dd) || !allDigits(mm) || !allDigits(yy)) return {};
    if (dd.size() > 2 || mm.size() > 2 || (yy.size() != 2 && yy.size() != 4)) return {};
    int year = yy.size() == 2 ? expandTwoDigitYear(toInt(yy)) : toInt(yy);
    return checked(year, toInt(mm), toInt(dd));
}

std::string currentYearText() { return formatDate(Clock::today()).substr(6, 4); }

std::string currentMonthText() { return formatDate(Clock::today()).substr(3, 2); }

std::string toDbfDate(const Date& d) {
    if (d.isNull() || !d.isValid()) return std::string(8, ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
    return buf;
}

Date fromDbfDate(std::string_view text) {
    std::string t = trim(text);
    if (t.size() != 8 || !allDigits(t)) return {};
    std::string_view v(t);
    return checked(toInt(v.substr(0, 4)), toInt(v.substr(4, 2)), toInt(v.substr(6, 2)));
}

}  // namespace remu
