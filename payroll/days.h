#pragma once
// Days of the month and of each worker: the month's day counts, the days worked
// and absence lines made from a worker's staged lines, the month salary by days
// worked and the weekly-rest pay.

#include <optional>
#include <string_view>
#include <vector>

#include "data/work_tables.h"
#include "payroll/constants.h"
#include "payroll/inputs.h"
#include "payroll/slip_line.h"

namespace remu {

struct MonthDays {
    int sundays = 0, saturdays = 0, weekdays = 0, holidays = 0;
};

// Sundays, Saturdays, weekdays (Monday to Friday) and holidays of the month; the
// holiday text holds two-digit day numbers at positions 1, 4, 7, 10, 13 and 16,
// each counted whatever day of the week it falls on.
MonthDays monthDays(std::string_view holidayText, int year, int month);

// An item that can give its worker medical-leave days: an absence of a sick-leave
// or work-accident movement, or an item named as the leave line.
bool isMedicalLeaveItem(const ItemRow& r);

// What the days phase leaves in DIATRA and DIAS_NO_TRA.
struct WorkerDays {
    double worked = Law::MonthDays;  // his own "998" line, else the default, less the days not worked
    double notWorked = 0;            // the sum of his "999" lines
};

// A worker's days lines from his staged lines, appended to `out` as stored: one
// information line per absence (none for a movement code the month's movements
// lack), the days worked, and the medical-leave days when he has any.
WorkerDays daysLines(const std::vector<PaySlipLine>& staged, const SlipOwner& owner,
                     const std::vector<CodeName>& movements, std::vector<PaySlipLine>& out);

// Salary in pesos by the currency of the worker file (SUEBAS).
double salaryInPesos(const Worker& w, const MonthParams& p, const std::optional<TaxTable>& tax);

// The month salary line: the salary in pesos for the days worked, out of 30 days
// or of the worker's part-time days.
PaySlipLine monthSalaryLine(const SlipOwner& owner, const Worker& w, double salary, double daysWorked);

// Weekly-rest pay on the lines whose item the catalogue marks for it: their value
// per working day times the month's Sundays and holidays. 0 when none is marked.
// `paid`, when given, receives the lines it is paid on.
double weeklyRestPay(const std::vector<PaySlipLine>& lines, CodeFinder<CatalogItem>& catalog, const MonthDays& days,
                     std::vector<Term>* paid = nullptr);
PaySlipLine weeklyRestLine(const SlipOwner& owner, double amount);

}  // namespace remu
