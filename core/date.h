#pragma once
// Calendar dates as the payroll sees them (no time of day), and the clock that
// tells "today". Tests set the clock; everything else asks it.

#include <compare>
#include <optional>
#include <string>

namespace remu {

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;

    bool isNull() const { return year == 0 && month == 0 && day == 0; }
    bool isValid() const;
    auto operator<=>(const Date&) const = default;

    // Days since 1970-01-01 (proleptic Gregorian); for differences between dates.
    long toDays() const;
    static Date fromDays(long days);
    Date addDays(long n) const { return fromDays(toDays() + n); }

    static int daysInMonth(int year, int month);
    static bool isLeap(int year);
    // 1 = Monday .. 7 = Sunday.
    int dayOfWeek() const;
};

class Clock {
public:
    // Today's date: the system's local date unless a test has fixed it.
    static Date today();
    static void setToday(std::optional<Date> fixed);
};

}  // namespace remu
