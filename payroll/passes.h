#pragma once
// The run's formula figures and the four passes of formulas over one worker's
// lines: the preliminary taxable total, the earnings, the gratification on the
// preliminary total, and the deductions with the final total and capped base.

#include <string>
#include <vector>

#include "payroll/formula.h"
#include "payroll/inputs.h"
#include "payroll/slip_line.h"

namespace remu {

// The figures formulas see during a run (they carry over from one worker to the
// next, as formulas may rely on) and each distinct formula parsed once.
class RunFormulas {
public:
    explicit RunFormulas(const MonthInputs& in);

    double& operator[](FormulaVar v) { return ctx_[v]; }
    double operator[](FormulaVar v) const { return ctx_[v]; }
    const FormulaContext& context() const { return ctx_; }
    void restore(const FormulaContext& saved) { ctx_ = saved; }

    // A line's formula with VALOR set to `valor`. Stops the run with a message
    // naming the worker, the item and the formula when it fails.
    double evaluate(const std::string& formula, double valor, const std::string& worker, const std::string& item,
                    const std::string& description);

private:
    FormulaContext ctx_;
    FormulaCache cache_;
};

// An earning that counts in the taxable total (the days-worked line does not).
bool isTaxableEarning(const PaySlipLine& l);

// What the passes find out about the worker besides the formula figures.
struct PassResult {
    double leaveDays = 0;         // his medical-leave line
    std::string movementCode;     // of his last absence
    double savingsDeduction = 0;  // his deductible savings lines
};

// Evaluates the worker's lines in their four passes and leaves TOTIMP (final
// taxable total) and BASIMP (capped at the taxable cap) in the figures. With a
// recorder, how each line's amount was obtained goes to it.
PassResult evaluateLines(std::vector<PaySlipLine>& lines, const Worker& w, const MonthParams& p,
                         const WorkerAdjustments& adjust, RunFormulas& f, SlipRecorder* rec = nullptr);

}  // namespace remu
