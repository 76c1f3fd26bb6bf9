#include "payroll/statutory.h"

#include "format/picture.h"
#include "format/text.h"
#include "payroll/passes.h"

namespace remu {

namespace {

std::string rateText(const std::string& name, double rate) { return name + " " + numText(rate) + " %"; }

CalculationStop missingFund(const std::string& person, const char* what, const std::string& code) {
    return {"Trabajador " + person + ": " + what + " " + code +
            " no existe en la tabla de AFP; no se puede calcular su cotización."};
}

struct UnemploymentRates {
    double employer = 0, worker = 0;
};

UnemploymentRates unemploymentRates(int code) {
    switch (code) {
        case Law::UnemploymentEmployerOnly: return {Law::UnemploymentEmployerFixedTerm, 0};
        case Law::UnemploymentEmployerAndWorker:
            return {Law::UnemploymentEmployerOpenEnded, Law::UnemploymentWorkerOpenEnded};
        default: return {Law::UnemploymentEmployerEleventhYear, 0};
    }
}

double previousSalaryOf(const MonthInputs& in, const std::string& code) {
    auto it = in.previousSalary.find(trim(code));
    return it == in.previousSalary.end() ? 0 : it->second;
}

}  // namespace

void taxableTotalLine(double totimp, RuleOutput& out) {
    PaySlipLine l = out.owner.line(LineCode::TaxableTotal, LineText::TaxableTotal,
                                   out.adjust(LineCode::TaxableTotal, LineText::TaxableTotal, totimp),
                                   LineText::TaxableTotal, LineType::Earning);
    l.IMPONI_REM = Taxable::Yes;
    l.SECUEN_REM = SlipOrder::TaxableTotal;
    out.add(std::move(l), [&](SlipRecorder&) {
        return SlipRecorder::sum("Suma de los haberes imponibles", termsOf(out.lines, isTaxableEarning));
    });
}

void familyAllowance(const Worker& w, const MonthParams& p, double daysWorked, double leaveDays, RuleOutput& out) {
    if (!(w.cargas > 0)) return;
    double per = 0;
    for (int k = 0; k < 4; ++k)
        if (textEquals(w.tramo, std::string(1, Law::FamilyAllowanceBrackets[k]))) {
            per = p.familyAllowance[k];
            break;
        }
    double allowance = per * w.cargas;
    const bool prorated = daysWorked < Law::FamilyAllowanceFullDays && leaveDays == 0;
    if (prorated) allowance = roundWhole(allowance / Law::MonthDays * daysWorked);
    if (!(allowance > 0)) return;
    const std::string n = numText(w.cargas);
    const std::string open = std::string(LineText::FamilyAllowance) + " (" + n;
    PaySlipLine l = out.owner.line(LineCode::FamilyAllowance, open + " * $" + trim(TRANSFORM(per, "999,999")) + ")",
                                   out.adjust(LineCode::FamilyAllowance, LineText::FamilyAllowance, allowance),
                                   open + "  $" + trim(TRANSFORM(w.cargas * per, "999,999")) + ")",
                                   LineType::Earning);
    l.IMPONI_REM = Taxable::No;
    out.add(std::move(l), [&](SlipRecorder&) {
        return SlipRecorder::familyAllowance(w.cargas, trim(w.tramo), per, daysWorked, prorated);
    });
}

double pension(const Worker& w, double basimp, CodeFinder<FundRow>& funds, RuleOutput& out) {
    const std::string afp = trim(w.afp), ips = trim(w.ips);
    std::string code, description, title, name;
    double amount = 0, rate = 0;
    if (ips.empty()) {
        // "00" is "no fund", computed at rate 0 when the table has no row for it.
        const FundRow* f = funds.find(w.afp);
        if (!f && afp != Law::NoneCode) throw missingFund(out.owner.person, "la AFP", afp);
        rate = f ? f->rate : 0;
        name = f ? upper(trim(f->name)) : std::string(LineText::NoPensionFund);
        description = rateText(name, rate);
        amount = roundWhole(basimp * rate / 100);  // a fund line takes no adjustment
        code = afp == Law::NoneCode ? std::string(LineCode::NoPensionSystem) : afp;
        title = LineText::Pension;
    } else {
        // An old-regime worker's line comes wholly from his regime's row.
        const FundRow* r = funds.find(w.ips);
        if (!r) throw missingFund(out.owner.person, "el régimen", ips);
        code = ips;
        title = name = upper(trim(r->name));
        rate = r->rate;
        description = rateText(title, rate);
        amount = out.adjust(code, description, roundWhole(basimp * r->rate / 100));
    }
    PaySlipLine l = out.owner.line(std::move(code), std::move(description), amount, std::move(title),
                                   LineType::Deduction);
    l.TIPOTRABAJ = w.tipoTrabajador;
    out.add(std::move(l), [&](SlipRecorder& r) { return r.percentOfBase(name, rate, basimp); });
    return roundWhole(amount);
}

double health(const Worker& w, const MonthInputs& in, const HealthInputs& h, RuleOutput& out) {
    const MonthParams& p = in.params;
    const std::string isa = trim(w.isa);
    const HealthInsurerRow* insurer = findExact(in.insurers, isa);
    double rate = 0;
    std::string name = "   ";
    if (insurer) {
        rate = insurer->rate;
        name = upper(insurer->name);
    } else {
        out.messages.push_back(notFound("Código ISA" + isa));
    }
    double legal = 0, additional = 0, share = 0;
    if (!textEquals(isa, Law::PublicHealthCode)) {
        // A private insurer: the legal 7 %, and what the agreed plan costs above it.
        double plan = 0;
        if (w.pactado == Law::PlanInUf || w.pactado == Law::PlanAugeInUf) plan = roundWhole(w.valorPactado * p.VALOUF);
        legal = roundWhole(h.basimp * rate / 100);
        if (w.pactado == Law::PlanInPesos) plan = w.valorPactado;
        plan += w.adicionalPesos;
        if (plan > legal) additional = plan - legal;
        if (h.leaveDays > 0) {
            plan = roundWhole(plan / Law::MonthDays * (Law::MonthDays - h.leaveDays));
            if (plan >= legal) additional = plan - legal;
        }
        if (static_cast<int>(numericValue(h.movementCode)) == Law::MovementLeaving) {
            plan = roundWhole(plan / Law::MonthDays * h.daysWorked);
            if (plan >= legal) additional = plan - legal;
        }
        out.add(out.owner.line(isa, name, out.adjust(isa, trim(name), legal), LineText::PrivateHealth,
                               LineType::Deduction),
                [&](SlipRecorder& r) { return r.percentOfBase(trim(name), rate, h.basimp); });
        if (additional > 0)
            out.add(out.owner.line(isa, LineText::HealthAdditional,
                                   out.adjust(isa, LineText::HealthAdditional, additional), LineText::HealthAdditional,
                                   LineType::Deduction),
                    [&](SlipRecorder& r) {
                        const bool leaving =
                            static_cast<int>(numericValue(h.movementCode)) == Law::MovementLeaving;
                        return r.healthAdditional(w, legal, additional, h.leaveDays, leaving, h.daysWorked);
                    });
    } else if (textNotEquals(trim(in.company.ccafCode), Law::NoneCode)) {
        // The public fund, with the share the family compensation fund collects.
        const std::string cc = trim(in.company.ccafCode);
        const double fundRate = in.company.ccafRate;
        const CodeName* fund = findExact(in.ccafs, cc);
        std::string fundName;
        if (fund) fundName = upper(trim(fund->name));
        else out.messages.push_back(notFound("CCAF"));
        legal = roundWhole(h.basimp * (rate - fundRate) / 100);
        share = roundWhole(h.basimp * fundRate / 100);
        out.add(out.owner.line(LineCode::PublicHealth, LineText::PublicHealthWithFund,
                               out.adjust(LineCode::PublicHealth, LineText::PublicHealth, legal), LineText::PublicHealth,
                               LineType::Deduction),
                [&](SlipRecorder& r) { return r.publicHealthWithFund(rate, fundRate, h.basimp); });
        out.add(out.owner.line(cc, LineText::FundSharePrefix + fundName + LineText::FundShareSuffix,
                               out.adjust(cc, fundName, share), LineText::FundShareTitle, LineType::Deduction),
                [&](SlipRecorder& r) { return r.percentOfBase(LineText::FundSharePrefix + fundName, fundRate, h.basimp); });
    } else {
        legal = roundWhole(h.basimp * rate / 100);
        out.add(out.owner.line(LineCode::PublicHealth, LineText::PublicHealthAlone,
                               out.adjust(LineCode::PublicHealth, LineText::PublicHealth, legal), LineText::PublicHealth,
                               LineType::Deduction),
                [&](SlipRecorder& r) { return r.percentOfBase(LineText::PublicHealth, rate, h.basimp); });
    }
    double forTax = legal + additional + share;
    const double cap = p.VALOUF * p.taxableCap * Law::HealthTaxCapShare;
    if (forTax > cap) forTax = roundWhole(cap);
    return forTax;
}

void workAccident(const Worker& w, const MonthInputs& in, double basimp, RuleOutput& out) {
    if (w.sueldoPatronal != 0) return;
    const double rate = in.company.mutualRate;
    const std::string rt = numText(rate);
    std::string code, description;
    if (trim(in.company.mutualCode) == Law::NoneCode) {
        code = LineCode::WorkAccidentPublic;
        description = LineText::WorkAccidentPublic;
    } else {
        const CodeName* m = findExact(in.mutuals, in.company.mutualCode);
        if (!m) out.messages.push_back(notFound("mutual"));
        code = LineCode::WorkAccidentMutual;
        description = (m ? upper(trim(m->name)) : std::string()) + " %" + rt;
    }
    std::string title = code + " %" + rt;
    const double amount = out.adjust(code, trim(description), roundWhole(basimp * rate / 100));
    const std::string name = trim(description);
    out.add(out.owner.line(std::move(code), std::move(description), amount, std::move(title), LineType::EmployerCost),
            [&](SlipRecorder& r) { return r.percentOfBase(name, rate, basimp); });
}

Unemployment unemployment(const Worker& w, const MonthParams& p, const UnemploymentInputs& u, RuleOutput& out) {
    const int kind = w.seguroCesantia;
    if (kind < Law::UnemploymentEmployerOnly || kind > Law::UnemploymentEleventhYear) return {};
    const UnemploymentRates rates = unemploymentRates(kind);
    const double cap = roundWhole(p.unemploymentCap * p.VALOUF);
    const double worked = u.totimp > cap ? cap : u.totimp;
    double employer = roundWhole(rates.employer * worked / 100);
    double worker = rates.worker > 0 ? roundWhole(rates.worker * worked / 100) : 0;
    double base = worked, previous = 0;
    if (u.leaveDays > 0) {
        // The days on leave are insured on the previous salary.
        previous = u.previousSalary;
        if (previous == 0) previous = w.sueldoBase;
        if (previous < p.INGMIN && !u.minimumWageException) previous = p.INGMIN;
        const double leaveBase = previous / Law::MonthDays * u.leaveDays;
        employer = (worked + leaveBase) * rates.employer / 100;
        worker = rates.worker * worked / 100;
        base = roundWhole(worked + leaveBase);
    }
    if (worker > 0)
        out.add(out.owner.line(LineCode::UnemploymentWorker, LineText::UnemploymentWorkerDescription,
                               out.adjust(LineCode::UnemploymentWorker, LineText::UnemploymentWorker, worker),
                               LineText::UnemploymentWorkerTitle, LineType::Deduction),
                [&](SlipRecorder& r) { return r.unemployment(rates.worker, u.totimp, cap, 0, 0, false); });
    if (employer > 0)
        out.add(out.owner.line(LineCode::UnemploymentEmployer, LineText::UnemploymentEmployer,
                               out.adjust(LineCode::UnemploymentEmployer, LineText::UnemploymentEmployer, employer),
                               LineText::UnemploymentEmployerTitle, LineType::EmployerCost),
                [&](SlipRecorder& r) {
                    return r.unemployment(rates.employer, u.totimp, cap, previous, u.leaveDays, false);
                });
    if (base > 0)
        out.add(out.owner.line(LineCode::UnemploymentBase, LineText::UnemploymentBase,
                               out.adjust(LineCode::UnemploymentBase, LineText::UnemploymentBase, base),
                               LineText::UnemploymentBase, LineType::Information),
                [&](SlipRecorder& r) { return r.unemployment(0, u.totimp, cap, previous, u.leaveDays, true); });
    return {worker, base};
}

Disability disability(const Worker& w, const MonthParams& p, const DisabilityInputs& d, RuleOutput& out) {
    Disability r{d.basimp, d.sueldo};
    if (w.sis != 1) return r;
    const double rate = p.sisRate;
    const bool raise = !d.minimumWageException;
    const char* baseName = "imponible";
    if (r.basimp < p.INGMIN && d.totimp > 0 && raise) r.basimp = p.INGMIN, baseName = "ingreso mínimo";
    double amount = roundWhole(r.basimp * rate / 100);
    double why = r.basimp, leaveBase = 0;  // what the explanation names
    if (d.leaveDays > 0) {
        if (r.basimp == 0) {
            // The whole month on leave: insured on the previous salary, else on the salary.
            if (r.sueldo == 0) r.sueldo = d.suebas;
            if ((r.sueldo == 0 || r.sueldo < p.INGMIN) && raise) r.sueldo = p.INGMIN;
            if (r.sueldo > p.VALOUF * p.taxableCap) r.sueldo = roundWhole(p.VALOUF * p.taxableCap);
            double base = d.unemploymentBase;
            baseName = "base del seguro de cesantía";
            if (base == 0) {
                base = d.previousSalary;
                baseName = "remuneración anterior";
                out.add(out.owner.line(LineCode::UnemploymentBase, LineText::UnemploymentBase,
                                       out.adjust(LineCode::UnemploymentBase, LineText::UnemploymentBase, base),
                                       LineText::UnemploymentBase, LineType::Information),
                        [&](SlipRecorder&) { return SlipRecorder::previousSalary(base); });
            }
            if (base == 0) base = r.sueldo, baseName = "sueldo";
            amount = roundWhole(base * rate / 100);
            why = base;
        } else if (d.unemploymentBase == 0) {
            amount = r.basimp * rate / 100;
        } else {
            amount = r.basimp * rate / 100 + (d.unemploymentBase / Law::MonthDays * d.leaveDays) * rate / 100;
            leaveBase = d.unemploymentBase;
        }
    }
    out.add(out.owner.line(LineCode::Disability, LineText::Disability,
                           out.adjust(LineCode::Disability, LineText::Disability, amount), LineText::DisabilityTitle,
                           LineType::EmployerCost),
            [&](SlipRecorder& rec) { return rec.disability(rate, why, baseName, leaveBase, d.leaveDays); });
    return r;
}

std::optional<int> taxBracket(const TaxTable& t, double base) {
    for (int k = 0; k < Law::ClosedTaxBrackets; ++k)
        if (t.from[k] <= base && base <= t.to[k]) return k;
    // A scale with an eighth bracket (from 2020, 40 % above 310 UTM; before 2017 too) starts it
    // above the seventh; without one the seventh has no upper limit, as in 2017-2019.
    const int seventh = 6, eighth = 7;
    if (t.from[eighth] > t.from[seventh] && base >= t.from[eighth]) return eighth;
    if (base >= t.from[seventh]) return seventh;
    if (base >= t.from[eighth]) return eighth;
    return std::nullopt;
}

std::optional<double> singleTax(const TaxTable& t, double base) {
    const std::optional<int> k = taxBracket(t, base);
    if (!k) return std::nullopt;
    return base * t.factor[*k] - t.rebate[*k];
}

void incomeTax(const std::optional<TaxTable>& table, double base, RuleOutput& out) {
    if (!table) return;
    const double tax = roundWhole(singleTax(*table, base).value_or(0));
    if (!(tax > 0)) return;
    out.add(out.owner.line(LineCode::IncomeTax,
                           std::string(LineText::IncomeTax) + " (Base Trib. " + trim(TRANSFORM(base, "99,999,999")) + ")",
                           out.adjust(LineCode::IncomeTax, LineText::IncomeTax, tax), LineText::IncomeTaxTitle,
                           LineType::Deduction),
            [&](SlipRecorder& r) { return r.incomeTax(*table, base, *taxBracket(*table, base)); });
}

void statutoryLines(const Worker& w, const MonthInputs& in, CodeFinder<FundRow>& funds, WorkerFigures& f,
                    RuleOutput& out) {
    const bool exception = textEquals(in.clientId, Law::MinimumWageException);
    const double previous = f.leaveDays > 0 ? previousSalaryOf(in, out.owner.person) : 0;

    taxableTotalLine(f.TOTIMP, out);
    familyAllowance(w, in.params, f.DIATRA, f.leaveDays, out);
    const double pensionAmount = pension(w, f.BASIMP, funds, out);
    const double healthForTax = health(w, in, {f.BASIMP, f.leaveDays, f.movementCode, f.DIATRA}, out);
    workAccident(w, in, f.BASIMP, out);
    const Unemployment u = unemployment(w, in.params, {f.TOTIMP, f.leaveDays, previous, exception}, out);
    const Disability d = disability(
        w, in.params, {f.TOTIMP, f.BASIMP, f.SUELDO, f.SUEBAS, f.leaveDays, u.base, previous, exception}, out);
    f.BASIMP = d.basimp;
    f.SUELDO = d.sueldo;
    if (out.recorder)
        out.recorder->setTaxBase({f.TOTIMP, pensionAmount, healthForTax, f.savingsDeduction, u.workerShare});
    incomeTax(in.tax, f.TOTIMP - pensionAmount - healthForTax - f.savingsDeduction - u.workerShare, out);
}

}  // namespace remu
