#pragma once
// "Where does this amount come from": when asked for one worker, the engine
// records as it computes how each of his slip lines was obtained (the item's
// value or formula with its figures, the rate and cap of a contribution, the tax
// bracket, the terms of a total). Nothing is recorded, and nothing is spent,
// for the other workers or when nobody asks.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/work_tables.h"
#include "payroll/formula.h"
#include "payroll/inputs.h"

namespace remu {

// How one line's amount was obtained.
struct LineExplanation {
    std::string text;  // for the user, amounts written as the slip writes them
    // The same arithmetic in the formula language: numbers, and the figures below
    // by name (a stored formula keeps its own text). It gives the line's amount
    // before the slip rounds it to whole pesos.
    std::string check;
    FormulaContext figures;
};

struct ExplainedLine {
    PaySlipLine line;
    LineExplanation why;
};

// The parts of the income tax base.
struct TaxBaseParts {
    double taxable = 0, pension = 0, health = 0, savings = 0, unemployment = 0;
};

// A term of a sum: its name and amount.
struct Term {
    std::string name;
    double amount = 0;
};
Term termOf(const PaySlipLine& l);  // its description and final amount
template <class Pred>
std::vector<Term> termsOf(const std::vector<PaySlipLine>& lines, Pred take) {
    std::vector<Term> terms;
    for (const PaySlipLine& l : lines)
        if (take(l)) terms.push_back(termOf(l));
    return terms;
}

class SlipRecorder {
public:
    explicit SlipRecorder(std::string workerCode) : code_(std::move(workerCode)) {}

    const std::string& workerCode() const { return code_; }
    bool wants(std::string_view code) const;

    // After the run: the worker's lines in REMUMES order, each with how it was
    // obtained (empty when the worker had no lines in the month).
    const std::vector<ExplainedLine>& lines() const { return lines_; }

    // What the engine calls while it goes through the worker. `index` is the
    // line's place among his lines; a later record of a line replaces the earlier.
    void record(size_t index, LineExplanation e);
    // Only when nothing more telling was recorded for the line before.
    void recordIfNone(size_t index, LineExplanation e);
    // An adjustment of the month replaced the amount of the next line recorded.
    void adjusted(double amount);
    // The figures the statutory lines refer to: the final taxable total and the month.
    void setMonth(const MonthParams& p, double totimp) { params_ = &p, totimp_ = totimp; }
    void setTaxBase(const TaxBaseParts& parts) { taxBase_ = parts; }
    // His lines are about to be put in REMUMES order.
    void sorting(const std::vector<PaySlipLine>& lines);
    // His lines are final.
    void finish(const std::vector<PaySlipLine>& lines);

    // Explanations of the kinds of line (what the rules hand to record()).
    static LineExplanation stored(const PaySlipLine& l);
    static LineExplanation formula(const std::string& text, const FormulaContext& ctx);
    static LineExplanation adjustment(double amount);
    static LineExplanation value(const std::string& text, double amount);
    static LineExplanation previousSalary(double amount);
    static LineExplanation sum(const std::string& intro, const std::vector<Term>& terms);
    static LineExplanation difference(const Term& from, const Term& less);
    static LineExplanation daysWorked(double ownDays, double notWorked);
    static LineExplanation monthSalary(const Worker& w, const MonthParams& p, double utm, double salary,
                                       double daysWorked);
    static LineExplanation weeklyRest(const std::vector<Term>& paid, int weekdays, int holidays, int sundays);
    static LineExplanation familyAllowance(double dependants, const std::string& bracket, double each,
                                           double daysWorked, bool prorated);
    // `name` pays `rate` % of the taxable base `base` (the capped one, or as raised).
    LineExplanation percentOfBase(const std::string& name, double rate, double base) const;
    LineExplanation publicHealthWithFund(double rate, double fundRate, double base) const;
    LineExplanation healthAdditional(const Worker& w, double legal, double additional, double leaveDays,
                                     bool leaving, double daysWorked) const;
    LineExplanation unemployment(double rate, double taxable, double cap, double previous, double leaveDays,
                                 bool base) const;
    LineExplanation disability(double rate, double base, const char* baseName, double leaveBase,
                               double leaveDays) const;
    LineExplanation incomeTax(const TaxTable& t, double base, int bracket) const;
    LineExplanation taxableBase(double taxableTotal) const;

private:
    std::string baseText(double base) const;

    std::string code_;
    std::map<size_t, LineExplanation> byIndex_;
    std::optional<double> pendingAdjustment_;
    const MonthParams* params_ = nullptr;
    double totimp_ = 0;
    TaxBaseParts taxBase_;
    std::vector<ExplainedLine> lines_;
};

// Amounts and figures in an explanation, as the slip writes them.
std::string explainAmount(double v);
std::string explainFigure(double v);

}  // namespace remu
