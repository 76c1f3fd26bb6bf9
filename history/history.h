#pragma once
// A worker's pay over time ("Historial"): his slip of every open month of the
// open payroll year and the year before, each computed in memory by the engine
// (nothing written), summed into the six figures a worker follows, with each
// year's totals. Headless: the window, remu-cli historial and the outputs read it.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/period.h"
#include "data/work_tables.h"

namespace remu {

class Connection;
class UiPort;

// What one slip comes to.
struct HistoryFigures {
    double taxable = 0;          // TOTAL IMPONIBLE
    double nonTaxable = 0;       // TOTAL NO IMPONIBLE
    double legalDeductions = 0;  // pension, health, family fund share, unemployment insurance
    double otherDeductions = 0;  // loans, advances, savings and every other deduction item
    double incomeTax = 0;        // IMPUESTO UNICO
    double netPay = 0;           // ALCANCE LIQUIDO

    HistoryFigures& operator+=(const HistoryFigures& o);
};

// The figures of one worker's lines of a month (as the engine leaves them).
// `oldRegimeCode`: the worker's codigo_ips_per, whose line is his pension.
HistoryFigures slipFigures(const std::vector<PaySlipLine>& lines, const std::string& oldRegimeCode = {});

struct HistoryMonth {
    Period period;
    bool computed = false;
    bool failed = false;             // not computed for a fault of the month, not for want of the worker
    HistoryFigures figures;          // when computed
    std::string problem;             // why not, in the system's words
    std::vector<std::string> notes;  // what the calculation said of a computed month
    std::vector<PaySlipLine> lines;  // the slip, for its preview
};

struct HistoryYear {
    int year = 0;
    int months = 0;  // months computed
    HistoryFigures total;
};

struct WorkerHistory {
    std::string code;
    std::string name;                 // as his latest slip shows it
    std::vector<HistoryMonth> months;  // oldest first
    std::vector<HistoryYear> years;    // oldest first, one per year of the months

    const HistoryMonth* month(const Period& p) const;
};

// The months the history covers: every open month (<year>_meses) of the newest
// year of `anos` and of the year before it, oldest first; with `from`/`to`, the
// open months of every year on record between them. Nullopt after telling why.
std::optional<std::vector<Period>> historyMonths(Connection& conn, UiPort& ui, std::optional<Period> from = {},
                                                 std::optional<Period> to = {});

// Called before each month is computed (done so far, of how many).
using HistoryProgress = std::function<void(size_t done, size_t total)>;

// Computes the worker's slip of each month. A month that cannot be computed keeps
// its reason in its row instead of telling the user.
WorkerHistory buildHistory(Connection& conn, const std::string& clientId, const std::string& code,
                           const std::vector<Period>& months, const std::string& workDir = ".",
                           const HistoryProgress& progress = {});

// Title of the outputs: "HISTORIAL DE REMUNERACIONES 0001 PEREZ NUNEZ JUAN CARLOS".
std::string historyTitle(const WorkerHistory& h);

// The table as text, one line per month and per year's total (remu-cli historial).
std::string historyText(const WorkerHistory& h);

// Column headings of the table, in the order of the figures.
const std::vector<std::string>& historyHeadings();
// The six figures in column order.
std::vector<double> figureColumns(const HistoryFigures& f);

}  // namespace remu
