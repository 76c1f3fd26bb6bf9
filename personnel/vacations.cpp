#include "personnel/vacations.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/text.h"
#include "personnel/vacation_voucher.h"

namespace remu {

namespace {

// The server's "no such table" and "unknown database": a year without parameters.
constexpr long kNoSuchTable = 1146;
constexpr long kUnknownDatabase = 1049;

const Value& field(const Recordset& rs, const char* name) {
    static const Value none;
    int i = rs.FieldIndex(name);
    return i < 0 ? none : rs.Fields(i);
}

bool sameRut(std::string_view a, std::string_view b) {
    std::string ta = trim(a);
    return !ta.empty() && ta == trim(b);
}

double daysTaken(const std::vector<VacationPeriod>& periods) {
    double sum = 0;
    for (const auto& p : periods) sum += p.days;
    return sum;
}

}  // namespace

// ---------------------------------------------------------------- the balance

Date serviceEndPoint(const Date& contractEnd, const Date& today) {
    Date end = contractEnd.isNull() ? today : contractEnd;
    if (end.day > 30) end.day = 30;
    return end;
}

double serviceDays(const Date& contract, const Date& endPoint) {
    int d1 = contract.day, m1 = contract.month, y1 = contract.year;
    int d2 = endPoint.day, m2 = endPoint.month, y2 = endPoint.year;
    if (d1 > d2) {
        --m2;
        d2 += 30;
        if (m2 == 0) {
            m2 = 12;
            --y2;
        }
    }
    int days = d2 - d1;
    if (m1 > m2) {
        --y2;
        m2 += 12;
    }
    int months = m2 - m1;
    int years = y2 - y1;
    // A contract that begins after the end point has earned nothing yet, rather than less than nothing.
    return std::max(0, days + months * 30 + years * 360 + 1);
}

int wholeYears(const Date& from, const Date& today) {
    int month = today.month, year = today.year;
    if (from.day > today.day) {
        --month;
        if (month == 0) {
            month = 12;
            --year;
        }
    }
    int years = year - from.year;
    if (month < from.month) --years;
    return years;
}

int progressiveDays(int years) { return years >= 13 ? (years - 10) / 3 : 0; }

VacationFigures vacationFigures(const Date& contract, const Date& contractEnd, const Date& workingLifeStart,
                                double taken, const Date& today) {
    VacationFigures f;
    if (contract.isNull()) return f;
    f.SUM_DIAS = serviceDays(contract, serviceEndPoint(contractEnd, today));
    if (!workingLifeStart.isNull()) f.DPRO_HAB = progressiveDays(wholeYears(workingLifeStart, today));
    f.DPRO_COR = f.DPRO_HAB * kCalendarDaysPerWorkingDay;
    f.DIAS_HAB = f.SUM_DIAS * 15 / 360;
    f.DIAS_COR = f.DIAS_HAB * kCalendarDaysPerWorkingDay;
    f.TOT_HAB = f.DPRO_HAB + f.DIAS_HAB;
    f.TOT_COR = f.TOT_HAB * kCalendarDaysPerWorkingDay;
    f.USA_HAB = taken;
    f.USA_COR = f.USA_HAB * kCalendarDaysPerWorkingDay;
    f.SAL_HAB = f.TOT_HAB - f.USA_HAB;
    f.SAL_COR = f.SAL_HAB * kCalendarDaysPerWorkingDay;
    return f;
}

std::vector<VacationPeriod> periodsOf(const std::vector<VacationPeriod>& all, std::string_view rut) {
    std::vector<VacationPeriod> out;
    for (const auto& p : all)
        if (sameRut(p.rut, rut)) out.push_back(p);
    return out;
}

Date nextPeriodStart(const std::vector<VacationPeriod>& periods) {
    Date last;
    for (const auto& p : periods)
        if (!p.end.isNull() && p.end > last) last = p.end;
    return last.isNull() ? Date{} : last.addDays(1);
}

// ---------------------------------------------------------------- holidays

bool holidayListHas(std::string_view list, int day) {
    for (size_t i = 0; i < list.size();) {
        if (list[i] < '0' || list[i] > '9') {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < list.size() && list[j] >= '0' && list[j] <= '9') ++j;
        // "1819" is the 18th and the 19th (never the 81st); a lone digit is a day of its own.
        if (j - i == 1 && list[i] - '0' == day) return true;
        for (size_t k = i; k + 1 < j; k += 2)
            if ((list[k] - '0') * 10 + (list[k + 1] - '0') == day) return true;
        i = j;
    }
    return false;
}

std::optional<std::string> HolidayCalendar::monthList(int year, int month) {
    auto y = years_.find(year);
    if (y == years_.end()) y = years_.emplace(year, reader_ ? reader_(year) : std::map<int, std::string>{}).first;
    auto m = y->second.find(month);
    if (m == y->second.end()) return std::nullopt;
    return m->second;
}

HolidayCalendar::YearReader parameterHolidays(std::shared_ptr<Connection> conn, const std::string& idCliente) {
    return [conn, idCliente](int year) {
        std::map<int, std::string> months;
        if (!conn) return months;
        std::string table;
        try {
            table = sqlName(trim(idCliente) + "_REMU") + "." + sqlYearTable(std::to_string(year), "_parametros");
        } catch (const BadIdentifier&) {
            return months;
        }
        try {
            auto rs = conn->query("SELECT mes_par, feriados_mes_par FROM " + table);
            for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
                months[std::atoi(trim(rs->Fields(0).text()).c_str())] = trim(rs->Fields(1).text());
        } catch (const DbError& e) {
            // A year without parameters keeps the lists walked before it; anything else is the server's failure.
            if (e.entry().nativeError != kNoSuchTable && e.entry().nativeError != kUnknownDatabase) throw;
        }
        return months;
    };
}

bool HolidayWalk::isHoliday(const Date& day) {
    if (day.year != year_ || day.month != month_) {
        year_ = day.year;
        month_ = day.month;
        if (auto l = cal_.monthList(year_, month_)) list_ = *l;
    }
    return holidayListHas(list_, day.day);
}

Date workingDaysEnd(const Date& start, int days, HolidayWalk& walk) {
    long skipped = 0;
    int counted = 0;
    Date d = start;
    while (counted < days) {
        // Every day examined reads its month's list, a Saturday's too (it decides the list a
        // month without parameters inherits).
        bool holiday = walk.isHoliday(d);
        int dow = d.dayOfWeek();
        if (dow == 6) {
            skipped += 2;
            d = d.addDays(2);
        } else if (dow == 7 || holiday) {
            skipped += 1;
            d = d.addDays(1);
        } else {
            ++counted;
            d = d.addDays(1);
        }
    }
    return start.addDays(days + skipped - 1);
}

// ---------------------------------------------------------------- checks

bool REP_VAC(const PeriodCheck& p, HolidayWalk& walk, UiPort& ui, const Date& today) {
    bool blocked = false;
    if (p.days > p.balance + 1e-9) ui.stop("Dias Excede al saldo", "ERROR");
    if (p.start.isNull()) {
        // Nothing else can be judged without a date.
        ui.stop("Fecha sin Informacion", "ERROR");
        return false;
    }
    if (p.start.year != std::atoi(trim(p.workingYear).c_str()))
        ui.alert("Fecha de inicio no corresponde al año en curso " + padLeft(std::to_string(today.year), 5),
                 "ALERTA");
    int dow = p.start.dayOfWeek();
    if (dow == 7) {
        ui.alert("Fecha de inicio es Domingo", "ALERTA");
        blocked = true;
    } else if (dow == 6) {
        ui.alert("Fecha de inicio es Sabado", "ALERTA");
        blocked = true;
    }
    if (walk.isHoliday(p.start)) {
        ui.alert("Fecha de inicio es Feriado", "ALERTA");
        blocked = true;
    }
    auto others = [&](auto&& visit) {
        for (size_t i = 0; i < p.recorded.size(); ++i)
            if (!p.changing || *p.changing != i)
                if (visit(p.recorded[i])) return;
    };
    others([&](const VacationPeriod& r) {
        if (r.start != p.start) return false;
        ui.alert("Fecha de inicio Existe", "ALERTA");
        blocked = true;
        return true;
    });
    if (!blocked) {
        // Two periods overlap when each starts before the other ends.
        others([&](const VacationPeriod& r) {
            Date end = r.end.isNull() ? r.start : r.end;
            if (!(p.start <= end && p.end >= r.start)) return false;
            ui.info("Existe Dias de Vacaciones !!!");
            blocked = true;
            return true;
        });
    }
    return !blocked;
}

// ---------------------------------------------------------------- the worker's periods

std::string vacationCodeCondition(std::string_view code) {
    std::string c = trim(code);
    bool digits = !c.empty() && c.size() <= 18 &&
                  std::all_of(c.begin(), c.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    return digits ? sqlNumber(std::atoll(c.c_str())) : sqlText(c);
}

VacationPeriod vacationPeriod(const Recordset& rs) {
    VacationPeriod p;
    p.rut = field(rs, "rut_per_vac").text();
    p.start = field(rs, "fecini_vac").date();
    p.end = field(rs, "fechas_vac").date();
    p.days = field(rs, "dias_vac").number();
    return p;
}

VacationFile::VacationFile(Session& s, const VacationBuffer& buffer)
    : DFEC_INIV(Clock::today()),
      s_(s),
      buffer_(buffer),
      holidays_(std::make_unique<HolidayCalendar>(parameterHolidays(s.OCON, s.ID_CLIENTE))) {}

VacationFile::~VacationFile() = default;

bool VacationFile::load(UiPort& ui) {
    rows_.reset();
    if (!s_.OCON || !s_.OCON->isOpen()) return false;
    try {
        rows_ = s_.OCON->query("SELECT * FROM vacaciones where codigo_per_vac = " +
                               vacationCodeCondition(buffer_.CCODIGO_PER));
        if (!rows_->Eof()) rows_->MoveFirst();
        return true;
    } catch (const DbError&) {
        ADOERROR(*s_.OCON, ui);
    }
    return false;
}

bool VacationFile::hasPeriods() const { return rows_ && rows_->isOpen() && rows_->RecordCount() > 0; }

std::vector<VacationPeriod> VacationFile::periods(std::optional<size_t>* current) const {
    std::vector<VacationPeriod> out;
    if (current) current->reset();
    if (!hasPeriods()) return out;
    Recordset& rs = *rows_;
    bool onRow = !rs.Eof() && !rs.Bof();
    Recordset::Bookmark here = onRow ? rs.GetBookmark() : 0;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        if (onRow && current && rs.GetBookmark() == here) *current = out.size();
        out.push_back(vacationPeriod(rs));
    }
    if (onRow) rs.SetBookmark(here);
    return out;
}

std::optional<VacationPeriod> VacationFile::currentPeriod() const {
    if (!hasPeriods() || rows_->Eof() || rows_->Bof()) return std::nullopt;
    return vacationPeriod(*rows_);
}

std::vector<VacationPeriod> VacationFile::workerPeriods() const { return periodsOf(periods(), buffer_.CRUT); }

void VacationFile::DIASVACA() {
    auto mine = workerPeriods();
    figures_ = vacationFigures(buffer_.DFECHA_CONTRATO, buffer_.DFECHA_TERMINO, buffer_.DFECHA_INI_LAB,
                               daysTaken(mine), Clock::today());
    if (!buffer_.DFECHA_CONTRATO.isNull() && !mine.empty()) DFEC_INIV = nextPeriodStart(mine);
    if (hasPeriods()) rows_->MoveFirst();
}

Date VacationFile::FECHAFIN(UiPort& ui) {
    if (DFEC_INIV.isNull()) {
        DFEC_FINV = Date{};
        endStart_ = Date{};
        endDays_ = NDIA_VACA;
        return DFEC_FINV;
    }
    HolidayWalk walk(*holidays_, s_.CFERIADOS_MES);
    try {
        DFEC_FINV = workingDaysEnd(DFEC_INIV, NDIA_VACA, walk);
        endStart_ = DFEC_INIV;
        endDays_ = NDIA_VACA;
    } catch (const DbError&) {
        if (s_.OCON) ADOERROR(*s_.OCON, ui);
    }
    return DFEC_FINV;
}

bool VacationFile::endIsCurrent() const { return endDays_ == NDIA_VACA && endStart_ == DFEC_INIV; }

void VacationFile::beginEdit(bool isNew, UiPort& ui) {
    if (!isNew) {
        if (auto p = currentPeriod()) {
            DFEC_INIV = p->start;
            NDIA_VACA = static_cast<int>(std::lround(p->days));
            DFEC_FINV = p->end;
            endStart_ = DFEC_INIV;
            endDays_ = NDIA_VACA;
        }
        return;
    }
    // The proposed start moves after every period stored; an end left from before would not match it.
    if (NDIA_VACA > 0 && !DFEC_INIV.isNull() && !endIsCurrent()) FECHAFIN(ui);
}

bool VacationFile::REP_VAC(bool isNew, UiPort& ui) {
    std::optional<size_t> current;
    PeriodCheck p;
    p.recorded = periods(&current);
    if (!isNew && !current) return false;
    p.start = DFEC_INIV;
    p.days = NDIA_VACA;
    p.end = DFEC_FINV;
    p.workingYear = s_.period.yearText();
    if (!isNew) p.changing = current;
    VacationFigures f = vacationFigures(buffer_.DFECHA_CONTRATO, buffer_.DFECHA_TERMINO, buffer_.DFECHA_INI_LAB,
                                        daysTaken(periodsOf(p.recorded, buffer_.CRUT)), Clock::today());
    p.balance = f.SAL_HAB;
    // A period being changed gives its own days back to the balance it is measured against.
    if (!isNew && !buffer_.DFECHA_CONTRATO.isNull() && sameRut(p.recorded[*current].rut, buffer_.CRUT))
        p.balance += p.recorded[*current].days;
    HolidayWalk walk(*holidays_, s_.CFERIADOS_MES);
    try {
        return remu::REP_VAC(p, walk, ui, Clock::today());
    } catch (const DbError&) {
        if (s_.OCON) ADOERROR(*s_.OCON, ui);
    }
    return false;
}

bool VacationFile::store(bool isNew, UiPort& ui) {
    if (!rows_ || !rows_->isOpen() || !s_.OCON) return false;
    if (!isNew && !currentPeriod()) return false;
    // The end always belongs to the start and days stored, whatever was typed last.
    if (!endIsCurrent()) {
        FECHAFIN(ui);
        if (!endIsCurrent()) return false;
    }
    if (!REP_VAC(isNew, ui)) return false;
    Recordset& rs = *rows_;
    const bool saved = SAVE_ROW(rs, isNew, [&](Recordset& r) {
        r.SetField("rut_per_vac", buffer_.CRUT);
        r.SetField("codigo_per_vac", buffer_.CCODIGO_PER);
        r.SetField("nombre_per_vac", buffer_.CNOMBRES);
        r.SetField("fecini_vac", DFEC_INIV);
        r.SetField("fechas_vac", DFEC_FINV);
        r.SetField("dias_vac", NDIA_VACA);
        r.SetField("numcom_vac", " ");
    }, *s_.OCON, ui);
    if (!saved) return false;
    rs.MoveFirst();
    return true;
}

bool VacationFile::ELIMINA_VACA_PERSON(UiPort& ui) {
    if (!ui.yesNo("Esta Seguro de Eliminar ?", "Elimina")) return false;
    if (!currentPeriod() || !s_.OCON) return false;
    Recordset& rs = *rows_;
    try {
        rs.Delete();
    } catch (const DbError&) {
        ADOERROR(*s_.OCON, ui);
        return false;
    }
    rs.MoveNext();
    if (rs.Eof() && rs.RecordCount() > 0) rs.MoveLast();
    DIASVACA();
    return true;
}

bool VacationFile::COMP_VAC(UiPort& ui) {
    auto period = currentPeriod();
    if (!period || !s_.OCON) return false;
    VacationVoucher v;
    try {
        auto rs = s_.OCON->query("SELECT * FROM " + sqlYearTable(s_.period, "_datos_empresa") + " where mes_datemp = " +
                                 sqlMonth(s_.period));
        if (!rs->Eof()) v.company = voucherCompany(*rs);
    } catch (const DbError&) {
        ADOERROR(*s_.OCON, ui);
        return false;
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), "Error");
        return false;
    }
    DIASVACA();
    v.workerName = buffer_.CNOMBRE;
    v.workerRut = buffer_.CRUT;
    v.period = *period;
    v.date = voucherDate(period->start, Clock::today());
    v.balance = figures_.SAL_HAB + figures_.SAL_COR;
    return printVacationVoucher(v);
}

}  // namespace remu
