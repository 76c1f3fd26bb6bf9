#pragma once
// Dates as the program shows and reads them: dd/mm/yyyy, two-digit years in
// the window 1960-2059; and the yyyymmdd form of dBASE date fields.

#include <string>
#include <string_view>

#include "core/date.h"

namespace remu {

// "dd/mm/yyyy"; a null date shows as "  /  /    ".
std::string formatDate(const Date& d);

// "dd/mm/yyyy" or "dd/mm/yy" (one-digit day or month allowed, blanks around
// ignored). Anything else, or a day that does not exist, gives a null Date.
Date parseDate(std::string_view text);

// 60..99 -> 1960..1999, 0..59 -> 2000..2059.
int expandTwoDigitYear(int yy);

// The current year ("yyyy") and month ("mm") texts, cut from today's date.
std::string currentYearText();
std::string currentMonthText();

// dBASE date field: "yyyymmdd", eight blanks for a null date; reading gives a
// null Date for blanks or anything invalid.
std::string toDbfDate(const Date& d);
Date fromDbfDate(std::string_view text);

}  // namespace remu
