#pragma once
// The one place where SQL text is composed. Every value goes through sqlText()
// (quoted and escaped) or sqlNumber(); every identifier (database name, year
// prefix, month) is checked against a strict pattern before it enters a statement,
// and every database or table name goes in as a quoted identifier, so a name that
// looks like a number ("2019", "0x27", "1E1") still names a database.

#include <stdexcept>
#include <string>
#include <string_view>

#include "core/date.h"
#include "core/period.h"

namespace remu {

// Raised when an identifier does not have the expected shape; what() is a
// message in the system's voice, fit to be shown to the user.
class BadIdentifier : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// 'value' with quotes, backslashes and control characters escaped.
std::string sqlText(std::string_view value);
// A number literal ("12", "-3.5"); never quoted.
std::string sqlNumber(double value);
std::string sqlNumber(long long value);
inline std::string sqlNumber(long value) { return sqlNumber(static_cast<long long>(value)); }
inline std::string sqlNumber(int value) { return sqlNumber(static_cast<long long>(value)); }
// A number as the server wrote it ("1234.50"), checked to be a plain numeric literal.
std::string sqlNumberText(std::string_view text);
// A date literal 'yyyy-mm-dd'; NULL for a null date.
std::string sqlDate(const Date& date);
// Database or table name: letters, digits, underscore, at most 64 characters;
// the result is the quoted identifier ("`77_remu_norte`").
std::string sqlName(std::string_view name);
// A per-year table ("2019" + "_personal"), checked and quoted ("`2019_personal`").
std::string sqlYearTable(std::string_view year, std::string_view suffix);
// Column name as the server reports it, in backquotes (for statements built from
// result metadata).
std::string sqlQuotedName(std::string_view name);
// Four-digit year text, checked ("2019"); table names are made with sqlYearTable().
std::string sqlYear(std::string_view year);
// Two-digit month text "01".."12" (unquoted in statements that compare it by value).
std::string sqlMonth(std::string_view month);
// The same for a period, checked when it was made: these never throw.
std::string sqlYearTable(const Period& period, std::string_view suffix);
std::string sqlMonth(const Period& period);

}  // namespace remu
