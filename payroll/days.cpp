#include "payroll/days.h"

#include <algorithm>

#include "core/date.h"
#include "format/text.h"

namespace remu {

namespace {

bool isNumericText(std::string_view s) {
    std::string t = trim(s);
    if (t.empty()) return false;
    return std::all_of(t.begin(), t.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

// Movement codes are compared by value ("3" finds "03").
const CodeName* movement(const std::vector<CodeName>& movements, const std::string& code) {
    std::string c = trim(code);
    for (const CodeName& m : movements) {
        if (isNumericText(c) ? (isNumericText(m.code) && numericValue(m.code) == numericValue(c))
                             : upper(trim(m.code)) == upper(c))
            return &m;
    }
    return nullptr;
}

bool isSickLeave(std::string_view movementCode) {
    int mov = static_cast<int>(numericValue(movementCode));
    return mov == Law::MovementSickLeave || mov == Law::MovementWorkAccident;
}

void append(std::vector<PaySlipLine>& out, PaySlipLine l) {
    store(l);
    out.push_back(std::move(l));
}

}  // namespace

MonthDays monthDays(std::string_view holidayText, int year, int month) {
    MonthDays m;
    int n = Date::daysInMonth(year, month);
    for (int d = 1; d <= n; ++d) {
        int dow = Date{year, month, d}.dayOfWeek();
        if (dow == 7) ++m.sundays;
        else if (dow == 6) ++m.saturdays;
        else ++m.weekdays;
    }
    for (size_t pos = 0; pos <= 15; pos += 3) {
        if (pos >= holidayText.size()) break;
        if (numericValue(holidayText.substr(pos, 2)) > 0) ++m.holidays;
    }
    return m;
}

void CALCULA_TIPO_DIAS_MES(int& sundays, int& saturdays, int& weekdays, int& holidays, std::string_view holidayText,
                           int year, int month) {
    const MonthDays m = monthDays(holidayText, year, month);
    sundays = m.sundays;
    saturdays = m.saturdays;
    weekdays = m.weekdays;
    holidays = m.holidays;
}

bool isMedicalLeaveItem(const ItemRow& r) {
    return (trim(r.code) == LineCode::Absence && isSickLeave(r.movementCode)) || trim(r.name) == LineText::MedicalLeave;
}

WorkerDays daysLines(const std::vector<PaySlipLine>& staged, const SlipOwner& owner,
                     const std::vector<CodeName>& movements, std::vector<PaySlipLine>& out) {
    WorkerDays days;
    double ownDays = Law::MonthDays, leave = 0;
    for (const PaySlipLine& s : staged) {
        std::string_view code = tv(s.HABDES_REM);
        if (code == LineCode::DaysWorked) ownDays = s.VALOR_REM;
        if (code != LineCode::Absence) continue;
        days.notWorked += s.VALOR_REM;
        if (isSickLeave(s.CODMOV_REM)) leave += s.VALOR_REM;
        PaySlipLine l = owner.line();
        l.HABDES_REM = LineCode::Absence;
        l.TIPO_REM = LineType::Information;
        l.VALOR_REM = s.VALOR_REM;
        l.VALFIN_REM = s.VALOR_REM;
        if (!tv(s.CODMOV_REM).empty()) {
            const CodeName* m = movement(movements, s.CODMOV_REM);
            if (!m) continue;  // the days still count; the line is not made
            l.DESCRI_REM = LineText::AbsencePrefix + m->name;
            l.TITULO_REM = l.DESCRI_REM;
            l.CODMOV_REM = s.CODMOV_REM;
            l.FECDES_REM = s.FECDES_REM;
            l.FECHAS_REM = s.FECHAS_REM;
            l.NOMMOV_REM = m->name;
        }
        append(out, std::move(l));
    }
    days.worked = ownDays - days.notWorked;
    PaySlipLine d = owner.line();
    d.HABDES_REM = LineCode::DaysWorked;
    d.TIPO_REM = LineType::Earning;
    d.IMPONI_REM = Taxable::Yes;
    d.VALOR_REM = d.VALFIN_REM = days.worked;
    d.DESCRI_REM = d.TITULO_REM = LineText::DaysWorked;
    d.SECUEN_REM = SlipOrder::DaysWorked;
    append(out, std::move(d));
    if (leave > 0) {
        PaySlipLine m = owner.line();
        m.HABDES_REM = LineCode::MedicalLeave;
        m.TIPO_REM = LineType::Information;
        m.VALOR_REM = m.VALFIN_REM = leave;
        m.DESCRI_REM = m.TITULO_REM = LineText::MedicalLeave;
        append(out, std::move(m));
    }
    return days;
}

double salaryInPesos(const Worker& w, const MonthParams& p, const std::optional<TaxTable>& tax) {
    double utm = tax ? tax->UTM : 0;
    switch (w.moneda) {
        case 1: return w.sueldoBase;
        case 2: return roundWhole(w.monedaValor * p.VALOUF);
        case 3: return roundWhole(w.monedaValor * utm);
        case 4: return roundWhole(p.taxableCap * p.VALOUF);
        case 5: return p.INGMIN;
        case 6: return roundWhole(w.monedaValor * p.VALUSD);
        case 7: return roundWhole(w.monedaValor * p.VALEURO);
        default: return w.sueldoBase;
    }
}

PaySlipLine monthSalaryLine(const SlipOwner& owner, const Worker& w, double salary, double daysWorked) {
    double divisor = w.diasJornadaParcial > 0 ? w.diasJornadaParcial : Law::MonthDays;
    PaySlipLine l = owner.line();
    l.HABDES_REM = LineCode::MonthSalary;
    l.TIPO_REM = LineType::Earning;
    l.IMPONI_REM = Taxable::Yes;
    l.DESCRI_REM = l.TITULO_REM = LineText::MonthSalary;
    l.VALOR_REM = l.VALFIN_REM = salary / divisor * daysWorked;
    store(l);
    return l;
}

double weeklyRestPay(const std::vector<PaySlipLine>& lines, CodeFinder<CatalogItem>& catalog, const MonthDays& days,
                     std::vector<Term>* paid) {
    double weekly = 0;
    for (const PaySlipLine& l : lines) {
        const CatalogItem* c = catalog.find(l.HABDES_REM);
        if (c && c->semcor == 1 && days.weekdays - days.holidays != 0) {
            weekly += l.VALOR_REM / (days.weekdays - days.holidays) * (days.holidays + days.sundays);
            if (paid) paid->push_back({trim(l.DESCRI_REM), l.VALOR_REM});
        }
    }
    return weekly;
}

PaySlipLine weeklyRestLine(const SlipOwner& owner, double amount) {
    PaySlipLine l = owner.line();
    l.HABDES_REM = LineCode::WeeklyRest;
    l.DESCRI_REM = l.TITULO_REM = LineText::WeeklyRest;
    l.VALOR_REM = l.VALFIN_REM = amount;
    l.TIPO_REM = LineType::Earning;
    l.IMPONI_REM = Taxable::Yes;
    store(l);
    return l;
}

}  // namespace remu
