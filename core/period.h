#pragma once
// The payroll period: a year of four digits and a month 1..12. It is checked once,
// where the user, the command line or the server's list of open months gives it;
// from then on its texts are safe identifiers (the year prefix of the per-year
// tables, the month of mes_per) and its display forms need no further checks.

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace remu {

class Period {
public:
    // No period (year 0): what a session holds before one is chosen.
    Period() = default;
    // Year "2019" and month "03" (or "3"; blanks around are ignored); nullopt when
    // either is not one (see problem()).
    static std::optional<Period> parse(std::string_view year, std::string_view month);
    // Why parse() refuses the pair, in the system's voice ("Año no válido: \"20x9\"");
    // empty when it accepts it.
    static std::string problem(std::string_view year, std::string_view month);
    // The same for a year alone (before its month is chosen); empty when it is one.
    static std::string yearProblem(std::string_view year);
    // A period from numbers already known to be good (a date's year and month).
    // Throws std::invalid_argument otherwise.
    static Period of(int year, int month);

    bool isNull() const { return year_ == 0; }
    int year() const { return year_; }
    int month() const { return month_; }

    std::string yearText() const;   // "2019": C_ANO, the prefix of "2019_personal"
    std::string monthText() const;  // "03": C_MES, as mes_per holds it
    long yearMonth() const;         // 201903, as anomes_termino_per holds it
    std::string monthName() const;  // " MARZO" (NOMES_FF)
    std::string monthChoice() const;  // " 03- MARZO", an entry of the month lists
    std::string monthAndYear() const;  // "MARZO 2019", how a month is named in lists and messages

    // The same year with another month 1..12.
    Period withMonth(int month) const { return of(year_, month); }

    auto operator<=>(const Period&) const = default;

private:
    Period(int year, int month) : year_(year), month_(month) {}
    int year_ = 0;
    int month_ = 0;
};

// " ENERO" .. " DICIEMBRE" (with the leading blank the slips print); empty outside 1..12.
std::string monthName(int month);
// " 01- ENERO" .. " 12- DICIEMBRE"; empty outside 1..12.
std::string monthChoice(int month);
// The month number of a month list entry (characters 2 and 3: " 03- MARZO" gives 3); 0 when
// the entry holds none.
int monthOfChoice(std::string_view entry);

}  // namespace remu
