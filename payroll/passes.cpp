#include "payroll/passes.h"

#include <cmath>

#include "format/picture.h"
#include "payroll/constants.h"

namespace remu {

RunFormulas::RunFormulas(const MonthInputs& in) : ctx_(FormulaContext::runStart()) {
    const MonthParams& p = in.params;
    ctx_.set(FormulaVar::VALOUF, p.VALOUF);
    ctx_.set(FormulaVar::VALUSD, p.VALUSD);
    ctx_.set(FormulaVar::VALEURO, p.VALEURO);
    ctx_.set(FormulaVar::INGMIN, p.INGMIN);
    ctx_.set(FormulaVar::GRAMAX, p.GRAMAX);
    if (in.tax) ctx_.set(FormulaVar::VALUTM, in.tax->UTM);
}

double RunFormulas::evaluate(const std::string& formula, double valor, const std::string& worker,
                             const std::string& item, const std::string& description) {
    ctx_[FormulaVar::VALOR] = valor;
    const CompiledFormula& f = cache_.get(trim(formula));
    FormulaResult r = f.evaluate(ctx_);
    if (!r.ok) {
        throw CalculationStop{"ERROR EN LA FORMULA\r\nTrabajador: " + worker + "\r\nÍtem: " + trim(item) + " " +
                              trim(description) + "\r\nFórmula: " + trim(formula) + "\r\n(" + r.error +
                              "). Corrija la fórmula y vuelva a calcular."};
    }
    return r.value;
}

bool isTaxableEarning(const PaySlipLine& l) {
    return l.TIPO_REM == LineType::Earning && l.IMPONI_REM == Taxable::Yes && tv(l.HABDES_REM) != LineCode::DaysWorked;
}

namespace {

bool isGratification(const PaySlipLine& l) { return contains(l.DESCRI_REM, LineText::Gratification); }

// How the line's amount was obtained, for the worker whose slip is explained.
void explain(SlipRecorder* rec, const std::vector<PaySlipLine>& lines, const PaySlipLine& l, const double* adjustment,
             const RunFormulas& f) {
    if (!rec) return;
    const size_t at = static_cast<size_t>(&l - lines.data());
    if (adjustment) rec->record(at, SlipRecorder::adjustment(*adjustment));
    else if (!tv(l.FORMUL_REM).empty()) rec->record(at, SlipRecorder::formula(l.FORMUL_REM, f.context()));
    else rec->recordIfNone(at, SlipRecorder::stored(l));
}

// The line's final amount: its adjustment, else its formula, else its value.
void finalValue(const std::vector<PaySlipLine>& lines, PaySlipLine& l, const WorkerAdjustments& adjust, RunFormulas& f,
                const std::string& who, SlipRecorder* rec) {
    const double* a = adjust.find(l.HABDES_REM, tv(l.DESCRI_REM));
    if (a)
        l.VALFIN_REM = *a;
    else if (!tv(l.FORMUL_REM).empty())
        l.VALFIN_REM = f.evaluate(l.FORMUL_REM, l.VALOR_REM, who, l.HABDES_REM, l.DESCRI_REM);
    else
        l.VALFIN_REM = l.VALOR_REM;
    store(l);
    explain(rec, lines, l, a, f);
}

}  // namespace

PassResult evaluateLines(std::vector<PaySlipLine>& lines, const Worker& w, const MonthParams& p,
                         const WorkerAdjustments& adjust, RunFormulas& f, SlipRecorder* rec) {
    const std::string who(adjust.person);
    PassResult r;
    f[FormulaVar::DIAS_NO_TRA] = 0;
    for (const PaySlipLine& l : lines) {
        std::string_view code = tv(l.HABDES_REM);
        if (code == LineCode::DaysWorked) f[FormulaVar::DIATRA] = l.VALOR_REM;
        if (code == LineCode::Absence) {
            f[FormulaVar::DIAS_NO_TRA] += l.VALOR_REM;
            r.movementCode = l.CODMOV_REM;
        }
    }

    f[FormulaVar::TOTIMP] = 0;
    f[FormulaVar::NOIMP] = 0;
    f[FormulaVar::SUELDO] = w.sueldoBase;
    f[FormulaVar::SUEBAS] = w.sueldoBase;

    // Pass 1: preliminary taxable total, without gratification and TOTIMP formulas.
    for (PaySlipLine& l : lines) {
        if (contains(l.FORMUL_REM, "TOTIMP") || isGratification(l)) continue;
        std::string_view code = tv(l.HABDES_REM);
        std::string_view desc = tv(l.DESCRI_REM);
        if (code == LineCode::DaysWorked) f[FormulaVar::DIATRA] = l.VALOR_REM;
        if (desc == LineText::MonthSalary) f[FormulaVar::SUEBAS] = l.VALFIN_REM;
        if (desc == LineText::MedicalLeave) r.leaveDays = l.VALOR_REM;
        if (!isTaxableEarning(l)) continue;
        if (const double* a = adjust.find(l.HABDES_REM, desc))
            f[FormulaVar::TOTIMP] += *a;
        else if (!tv(l.FORMUL_REM).empty())
            f[FormulaVar::TOTIMP] += f.evaluate(l.FORMUL_REM, l.VALOR_REM, who, l.HABDES_REM, l.DESCRI_REM);
        else
            f[FormulaVar::TOTIMP] += l.VALFIN_REM;
    }

    // Pass 2: earnings; a formula's value goes into the description.
    for (PaySlipLine& l : lines) {
        if (tv(l.HABDES_REM) == LineCode::Savings || isGratification(l) || l.TIPO_REM == LineType::Deduction) continue;
        const double* a = adjust.find(l.HABDES_REM, tv(l.DESCRI_REM));
        if (a) {
            l.VALFIN_REM = *a;
        } else if (!tv(l.FORMUL_REM).empty()) {
            l.VALFIN_REM = f.evaluate(l.FORMUL_REM, l.VALOR_REM, who, l.HABDES_REM, l.DESCRI_REM);
            bool whole = l.VALOR_REM == std::trunc(l.VALOR_REM);
            l.DESCRI_REM = std::string(tv(l.DESCRI_REM)) + " (" + TRANSFORM(l.VALOR_REM, whole ? "9,999,999" : "999.99") + ")";
        } else {
            l.VALFIN_REM = l.VALOR_REM;
        }
        store(l);
        explain(rec, lines, l, a, f);
    }

    // Pass 3: gratification, on the preliminary total.
    for (PaySlipLine& l : lines)
        if (isGratification(l)) finalValue(lines, l, adjust, f, who, rec);

    double totimp = 0;
    for (const PaySlipLine& l : lines) {
        if (isTaxableEarning(l)) totimp += l.VALFIN_REM;
        if (tv(l.DESCRI_REM) == LineText::SavingsDeductible) r.savingsDeduction += l.VALFIN_REM;
    }
    f[FormulaVar::TOTIMP] = totimp;
    f[FormulaVar::BASIMP] = totimp;
    if (p.VALOUF != 0 && totimp / p.VALOUF > p.taxableCap) f[FormulaVar::BASIMP] = p.taxableCap * p.VALOUF;

    // Pass 4: deductions and everything that is not an earning.
    for (PaySlipLine& l : lines)
        if (l.TIPO_REM != LineType::Earning) finalValue(lines, l, adjust, f, who, rec);
    return r;
}

}  // namespace remu
