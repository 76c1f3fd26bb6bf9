#pragma once
// The statutory lines of one worker, one small rule each: taxable total, family
// allowance, pension, health, work-accident insurance, unemployment insurance,
// disability-and-survivor insurance and the single income tax. Each rule reads
// what it is given and adds its lines; none keeps anything between calls.

#include <optional>
#include <string>
#include <vector>

#include "payroll/constants.h"
#include "payroll/inputs.h"
#include "payroll/slip_line.h"

namespace remu {

// Where a rule puts what it makes for the worker.
struct RuleOutput {
    const SlipOwner& owner;
    WorkerAdjustments adjust;
    std::vector<PaySlipLine>& lines;
    std::vector<RunMessage>& messages;
    SlipRecorder* recorder = nullptr;  // set for the one worker whose slip is explained

    void add(PaySlipLine l) {
        store(l);
        lines.push_back(std::move(l));
    }
    // The line with how it was obtained; `why(recorder)` runs only when recording.
    template <class Why>
    void add(PaySlipLine l, Why&& why) {
        if (recorder) recorder->record(lines.size(), why(*recorder));
        add(std::move(l));
    }
};

// The worker's figures as the formula passes leave them.
struct WorkerFigures {
    double TOTIMP = 0;  // final taxable total
    double BASIMP = 0;  // taxable total, capped
    double SUELDO = 0;
    double SUEBAS = 0;
    double DIATRA = 0;
    double leaveDays = 0;          // his medical-leave line
    std::string movementCode;      // of his last absence
    double savingsDeduction = 0;   // his deductible savings lines
};

void taxableTotalLine(double totimp, RuleOutput& out);

void familyAllowance(const Worker& w, const MonthParams& p, double daysWorked, double leaveDays, RuleOutput& out);

// The pension line of the worker's fund or old-regime; returns the amount the
// income tax deducts. Stops the run for a fund or regime the month lacks.
double pension(const Worker& w, double basimp, CodeFinder<FundRow>& funds, RuleOutput& out);

struct HealthInputs {
    double basimp = 0;
    double leaveDays = 0;
    std::string_view movementCode;
    double daysWorked = 0;
};
// The health lines (private insurer and its additional plan, or the public fund
// with or without a family compensation fund); returns the health deducted from
// the tax base.
double health(const Worker& w, const MonthInputs& in, const HealthInputs& h, RuleOutput& out);

void workAccident(const Worker& w, const MonthInputs& in, double basimp, RuleOutput& out);

struct UnemploymentInputs {
    double totimp = 0;
    double leaveDays = 0;
    double previousSalary = 0;  // SUELDO_ANTERIOR, read only while on leave
    bool minimumWageException = false;
};
struct Unemployment {
    double workerShare = 0;  // deducted from the tax base
    double base = 0;         // the disability insurance's leave base
};
Unemployment unemployment(const Worker& w, const MonthParams& p, const UnemploymentInputs& u, RuleOutput& out);

struct DisabilityInputs {
    double totimp = 0;
    double basimp = 0;
    double sueldo = 0;
    double suebas = 0;
    double leaveDays = 0;
    double unemploymentBase = 0;
    double previousSalary = 0;
    bool minimumWageException = false;
};
// BASIMP and SUELDO as the rule leaves them: it may raise them to the minimum
// wage or cap them, and they stay so for the rest of the worker.
struct Disability {
    double basimp = 0;
    double sueldo = 0;
};
Disability disability(const Worker& w, const MonthParams& p, const DisabilityInputs& d, RuleOutput& out);

// Tax of a base by the month's brackets; nullopt when the base falls in none.
std::optional<double> singleTax(const TaxTable& t, double base);
// The bracket (0-7) the base falls in; nullopt when none.
std::optional<int> taxBracket(const TaxTable& t, double base);
void incomeTax(const std::optional<TaxTable>& table, double base, RuleOutput& out);

// Every rule above, in order, for one worker. `f` comes back with BASIMP and
// SUELDO as the disability insurance leaves them.
void statutoryLines(const Worker& w, const MonthInputs& in, CodeFinder<FundRow>& funds, WorkerFigures& f,
                    RuleOutput& out);

}  // namespace remu
