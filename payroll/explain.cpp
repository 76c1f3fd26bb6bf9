#include "payroll/explain.h"

#include <algorithm>
#include <charconv>
#include <numeric>

#include "format/dates.h"
#include "format/picture.h"
#include "format/text.h"
#include "payroll/constants.h"
#include "payroll/slip_line.h"
#include "payroll/totals.h"

namespace remu {

namespace {

// A number as the check writes it: the shortest text that reads back as the same double.
std::string lit(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    std::string s(buf, r.ptr);
    return v < 0 ? "(" + s + ")" : s;
}

std::string joined(const std::vector<std::string>& parts, const std::string& sep, const std::string& last) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += i + 1 == parts.size() ? last : sep;
        out += parts[i];
    }
    return out;
}

std::string days(double n) { return explainFigure(n) + (n == 1 ? " día" : " días"); }

LineExplanation made(std::string text, std::string check) { return {std::move(text), std::move(check), {}}; }

}  // namespace

std::string explainAmount(double v) { return trim(TRANSFORM(v, "999,999,999,999")); }

std::string explainFigure(double v) {
    // As few decimals as show it exactly, at most four (a sum of formulas may be 42464.909999...).
    int decimals = 0;
    while (decimals < 4 && std::stod(fixedText(v, decimals)) != v) ++decimals;
    if (decimals == 0) return explainAmount(v);
    std::string t = trim(TRANSFORM(v, "999,999,999,999." + std::string(decimals, '9')));
    while (t.back() == '0') t.pop_back();
    if (t.back() == '.') t.pop_back();
    return t;
}

Term termOf(const PaySlipLine& l) {
    // "HORAS EXTRAS (        6)" reads better without the picture's blanks.
    std::string name;
    for (char c : trim(l.DESCRI_REM))
        if (!(c == ' ' && (name.empty() || name.back() == ' ' || name.back() == '('))) name += c;
    return {name, l.VALFIN_REM};
}

bool SlipRecorder::wants(std::string_view code) const { return sameCode(tv(code), tv(code_)); }

void SlipRecorder::record(size_t index, LineExplanation e) {
    if (pendingAdjustment_) {
        LineExplanation a = adjustment(*pendingAdjustment_);
        a.text += " Lo calculado: " + e.text;
        e = std::move(a);
        pendingAdjustment_.reset();
    }
    byIndex_[index] = std::move(e);
}

void SlipRecorder::recordIfNone(size_t index, LineExplanation e) {
    if (!byIndex_.count(index)) record(index, std::move(e));
}

void SlipRecorder::adjusted(double amount) { pendingAdjustment_ = amount; }

void SlipRecorder::sorting(const std::vector<PaySlipLine>& lines) {
    std::vector<size_t> order(lines.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return beforeInOrder(lines[a], lines[b]); });
    std::map<size_t, LineExplanation> moved;
    for (size_t k = 0; k < order.size(); ++k) {
        auto it = byIndex_.find(order[k]);
        if (it != byIndex_.end()) moved.emplace(k, std::move(it->second));
    }
    byIndex_.swap(moved);
}

void SlipRecorder::finish(const std::vector<PaySlipLine>& lines) {
    lines_.clear();
    for (size_t i = 0; i < lines.size(); ++i) {
        const PaySlipLine& l = lines[i];
        auto it = byIndex_.find(i);
        LineExplanation why = it != byIndex_.end() ? std::move(it->second) : LineExplanation{};
        if (!l.FECDES_REM.isNull() && !l.FECHAS_REM.isNull() && !contains(LineCode::DayCodes, tv(l.HABDES_REM)))
            why.text += " Se paga en cuotas del " + formatDate(l.FECDES_REM) + " al " + formatDate(l.FECHAS_REM) + ".";
        lines_.push_back({l, std::move(why)});
    }
    byIndex_.clear();
    pendingAdjustment_.reset();
}

LineExplanation SlipRecorder::stored(const PaySlipLine& l) {
    if (tv(l.HABDES_REM) == LineCode::Savings)
        return value("Suma de los aportes de ahorro previsional voluntario (APV) del mes", l.VALOR_REM);
    if (l.HABDESVAR == 1) return value("Valor registrado del ítem en el mes", l.VALOR_REM);
    return value("Valor registrado", l.VALOR_REM);
}

LineExplanation SlipRecorder::formula(const std::string& text, const FormulaContext& ctx) {
    const std::string f = trim(text);
    std::vector<std::string> vars;
    for (FormulaVar v : CompiledFormula::compile(f).variables())
        vars.push_back(std::string(formulaVarName(v)) + " = " + explainFigure(ctx[v]));
    std::string t = "Fórmula " + f;
    if (!vars.empty()) t += ", con " + joined(vars, ", ", " y ");
    LineExplanation e = made(t + ".", f);
    e.figures = ctx;
    return e;
}

LineExplanation SlipRecorder::adjustment(double amount) {
    return made("Ajuste del mes para este trabajador: " + explainAmount(amount) + ", en lugar de lo calculado.",
                lit(amount));
}

LineExplanation SlipRecorder::value(const std::string& text, double amount) {
    return made(text + ": " + explainFigure(amount) + ".", lit(amount));
}

LineExplanation SlipRecorder::previousSalary(double amount) {
    return value("Total imponible del último mes con 30 días trabajados", amount);
}

LineExplanation SlipRecorder::sum(const std::string& intro, const std::vector<Term>& terms) {
    if (terms.empty()) return made(intro + ": no hay ninguno.", "0");
    std::vector<std::string> shown, checked;
    for (const Term& t : terms) {
        shown.push_back(t.name + " " + explainAmount(t.amount));
        checked.push_back(lit(t.amount));
    }
    return made(intro + ": " + joined(shown, " + ", " + ") + ".", joined(checked, " + ", " + "));
}

LineExplanation SlipRecorder::difference(const Term& from, const Term& less) {
    return made(from.name + " " + explainAmount(from.amount) + " menos " + less.name + " " + explainAmount(less.amount) +
                    ".",
                lit(from.amount) + " - " + lit(less.amount));
}

LineExplanation SlipRecorder::daysWorked(double ownDays, double notWorked) {
    if (notWorked == 0) return made("Días registrados en el mes: " + days(ownDays) + ", sin ausencias.", lit(ownDays));
    return made("Días registrados en el mes: " + days(ownDays) + ", menos " + days(notWorked) + " de ausencia.",
                lit(ownDays) + " - " + lit(notWorked));
}

LineExplanation SlipRecorder::monthSalary(const Worker& w, const MonthParams& p, double utm, double salary,
                                          double daysWorked) {
    std::string from;
    auto converted = [&](const char* unit, double rate) {
        from = explainFigure(w.monedaValor) + " " + unit + " × " + explainFigure(rate) + " = " + explainAmount(salary);
    };
    switch (w.moneda) {
        case 2: converted("UF", p.VALOUF); break;
        case 3: converted("UTM", utm); break;
        case 4:
            from = "tope imponible " + explainFigure(p.taxableCap) + " UF × " + explainFigure(p.VALOUF) + " = " +
                   explainAmount(salary);
            break;
        case 5: from = "ingreso mínimo " + explainAmount(salary); break;
        case 6: converted("dólares", p.VALUSD); break;
        case 7: converted("euros", p.VALEURO); break;
        default: from = explainAmount(salary); break;
    }
    const double divisor = w.diasJornadaParcial > 0 ? w.diasJornadaParcial : Law::MonthDays;
    const std::string per = w.diasJornadaParcial > 0 ? " días de jornada parcial" : " días";
    return made("Sueldo " + from + ", / " + explainFigure(divisor) + per + " × " + days(daysWorked) + " trabajados.",
                lit(salary) + " / " + lit(divisor) + " * " + lit(daysWorked));
}

LineExplanation SlipRecorder::weeklyRest(const std::vector<Term>& paid, int weekdays, int holidays, int sundays) {
    std::vector<std::string> shown, checked;
    const int working = weekdays - holidays, rest = holidays + sundays;
    for (const Term& t : paid) {
        shown.push_back(t.name + " " + explainFigure(t.amount));
        checked.push_back(lit(t.amount) + " / " + lit(working) + " * " + lit(rest));
    }
    const std::string workingText = holidays == 0 ? " días hábiles (de lunes a viernes)"
                                                  : " días hábiles (" + std::to_string(weekdays) +
                                                        " de lunes a viernes menos " + std::to_string(holidays) +
                                                        (holidays == 1 ? " festivo)" : " festivos)");
    return made("Semana corrida sobre " + joined(shown, ", ", " y ") + ": / " + std::to_string(working) + workingText +
                    " × " + std::to_string(rest) + " domingos y festivos.",
                joined(checked, " + ", " + "));
}

LineExplanation SlipRecorder::familyAllowance(double dependants, const std::string& bracket, double each,
                                              double daysWorked, bool prorated) {
    std::string t = explainFigure(dependants) + (dependants == 1 ? " carga" : " cargas") + " × " +
                    explainAmount(each) + " del tramo " + bracket;
    std::string c = lit(each) + " * " + lit(dependants);
    if (prorated) {
        t += ", / 30 × " + days(daysWorked) + " trabajados";
        c += " / 30 * " + lit(daysWorked);
    }
    return made(t + ".", c);
}

std::string SlipRecorder::baseText(double base) const {
    if (params_ && totimp_ > base && base == params_->taxableCap * params_->VALOUF)
        return "imponible (el tope de " + explainFigure(params_->taxableCap) + " UF × " +
               explainFigure(params_->VALOUF) + "; el total imponible es " + explainAmount(totimp_) + ")";
    if (params_ && base == params_->INGMIN && totimp_ < base) return "(el ingreso mínimo)";
    return "imponible";
}

LineExplanation SlipRecorder::percentOfBase(const std::string& name, double rate, double base) const {
    return made(name + ": " + explainFigure(rate) + " % de " + explainAmount(base) + " " + baseText(base) + ".",
                lit(base) + " * " + lit(rate) + " / 100");
}

LineExplanation SlipRecorder::publicHealthWithFund(double rate, double fundRate, double base) const {
    return made("FONASA: " + explainFigure(rate) + " % menos el " + explainFigure(fundRate) +
                    " % que recibe la caja de compensación, de " + explainAmount(base) + " " + baseText(base) + ".",
                lit(base) + " * (" + lit(rate) + " - " + lit(fundRate) + ") / 100");
}

LineExplanation SlipRecorder::healthAdditional(const Worker& w, double legal, double additional, double leaveDays,
                                               bool leaving, double daysWorked) const {
    std::string plan = "Plan pactado ";
    std::string planCheck;
    double planValue = 0;
    const double uf = params_ ? params_->VALOUF : 0;
    if (w.pactado == Law::PlanInUf || w.pactado == Law::PlanAugeInUf) {
        planValue = roundWhole(w.valorPactado * uf);
        plan += explainFigure(w.valorPactado) + " UF × " + explainFigure(uf) + " = " + explainAmount(planValue);
    } else if (w.pactado == Law::PlanInPesos) {
        planValue = w.valorPactado;
        plan += explainAmount(planValue);
    } else {
        plan += "0";
    }
    planCheck = lit(planValue);
    if (w.adicionalPesos != 0) {
        plan += " más " + explainAmount(w.adicionalPesos) + " adicionales";
        planCheck += " + " + lit(w.adicionalPesos);
        planValue += w.adicionalPesos;
    }
    // A plan cut by the days below the legal contribution leaves the whole plan's additional.
    const double considered = additional + legal;
    if ((leaveDays > 0 || leaving) && considered != planValue) {
        plan += leaveDays > 0 ? ", proporcional a los días sin licencia" : ", proporcional a los días trabajados (retiro)";
        plan += leaving && leaveDays > 0 ? " y a los " + days(daysWorked) + " trabajados (retiro)" : "";
        plan += ": " + explainAmount(considered);
        planCheck = lit(considered);
    }
    return made(plan + ", menos la cotización legal " + explainAmount(legal) + ".",
                "(" + planCheck + ") - " + lit(legal));
}

LineExplanation SlipRecorder::unemployment(double rate, double taxable, double cap, double previous, double leaveDays,
                                           bool base) const {
    const double worked = taxable > cap ? cap : taxable;
    std::string t = explainAmount(worked) + " imponible";
    if (taxable > cap)
        t += " (el tope de " + explainFigure(params_ ? params_->unemploymentCap : 0) + " UF; el total imponible es " +
             explainAmount(taxable) + ")";
    std::string c = lit(worked);
    if (leaveDays > 0) {
        t += " más " + explainAmount(previous) + " / 30 × " + days(leaveDays) +
             " de licencia, sobre la remuneración anterior";
        c += " + " + lit(previous) + " / 30 * " + lit(leaveDays);
    }
    if (base) return made("Base del seguro de cesantía: " + t + ".", c);
    if (leaveDays > 0) c = "(" + c + ")";
    return made("Seguro de cesantía: " + explainFigure(rate) + " % de " + t + ".", c + " * " + lit(rate) + " / 100");
}

LineExplanation SlipRecorder::disability(double rate, double base, const char* baseName, double leaveBase,
                                         double leaveDays) const {
    const std::string named = std::string(baseName) == "imponible" ? baseText(base) : std::string(baseName);
    std::string t = "Seguro de invalidez y sobrevivencia: " + explainFigure(rate) + " % de " + explainAmount(base) +
                    " " + named;
    std::string c = lit(base) + " * " + lit(rate) + " / 100";
    if (leaveBase > 0 && leaveDays > 0) {
        t += ", más el " + explainFigure(rate) + " % de " + explainAmount(leaveBase) + " / 30 × " + days(leaveDays) +
             " de licencia";
        c += " + " + lit(leaveBase) + " / 30 * " + lit(leaveDays) + " * " + lit(rate) + " / 100";
    }
    return made(t + ".", c);
}

LineExplanation SlipRecorder::incomeTax(const TaxTable& t, double base, int bracket) const {
    const TaxBaseParts& p = taxBase_;
    std::string parts = "total imponible " + explainAmount(p.taxable) + " menos AFP " + explainAmount(p.pension) +
                        ", salud " + explainAmount(p.health);
    std::string c = lit(p.taxable) + " - " + lit(p.pension) + " - " + lit(p.health) + " - " + lit(p.savings) + " - " +
                    lit(p.unemployment);
    if (params_ && p.health == roundWhole(params_->VALOUF * params_->taxableCap * Law::HealthTaxCapShare))
        parts += " (el tope: 7 % de " + explainFigure(params_->taxableCap) + " UF)";
    if (p.savings != 0) parts += ", APV " + explainAmount(p.savings);
    if (p.unemployment != 0) parts += ", seguro de cesantía " + explainAmount(p.unemployment);
    const bool open = bracket >= Law::ClosedTaxBrackets;
    std::string range = open ? "desde " + explainFigure(t.from[bracket])
                             : "de " + explainFigure(t.from[bracket]) + " a " + explainFigure(t.to[bracket]);
    return made("Base tributable " + explainAmount(base) + ": " + parts + ". Tramo " + std::to_string(bracket + 1) +
                    " (" + range + "): " + explainAmount(base) + " × " + explainFigure(t.factor[bracket]) +
                    " menos " + explainFigure(t.rebate[bracket]) + " de rebaja.",
                "(" + c + ") * " + lit(t.factor[bracket]) + " - " + lit(t.rebate[bracket]));
}

LineExplanation SlipRecorder::taxableBase(double taxableTotal) const {
    if (params_ && params_->VALOUF != 0 && taxableTotal / params_->VALOUF > params_->taxableCap)
        return made("Total imponible " + explainAmount(taxableTotal) + ", con el tope de " +
                        explainFigure(params_->taxableCap) + " UF × " + explainFigure(params_->VALOUF) + ".",
                    lit(params_->VALOUF) + " * " + lit(params_->taxableCap));
    return value("Total imponible", taxableTotal);
}

}  // namespace remu
