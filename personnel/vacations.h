#pragma once
// Statutory vacation ("feriado"): the balance of a worker's days (DIASVACA), the
// working-day count that gives a period its end date (FECHAFIN), the checks made
// before a period is stored (REP_VAC) and the worker's periods in `vacaciones`
// (ORS_VACA), stored and deleted through the recordset. No Qt: the VACACIONES
// page, remu-cli and the tests share it.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"

namespace remu {

class Connection;
class Recordset;
class UiPort;
struct Session;

// Calendar days ("Corridos") per working day ("Habiles") of vacation.
inline constexpr double kCalendarDaysPerWorkingDay = 1.40;

// The worker file's editing buffer values the vacations work from. The worker
// file owns them; the VACACIONES page edits DFECHA_INI_LAB in place.
struct VacationBuffer {
    std::string CRUT;  // rut_per as the editor holds it
    std::string CCODIGO_PER;
    std::string CNOMBRES;
    std::string CNOMBRE;
    Date DFECHA_CONTRATO;
    Date DFECHA_TERMINO;
    Date DFECHA_INI_LAB;  // start of working life
};

// The ten figures of the balance; each calendar-day value is its working-day value x 1.40.
struct VacationFigures {
    double DPRO_HAB = 0, DPRO_COR = 0;  // "Dias Progresivos"
    double DIAS_HAB = 0, DIAS_COR = 0;  // "Dias Legales"
    double TOT_HAB = 0, TOT_COR = 0;    // "Total dias"
    double USA_HAB = 0, USA_COR = 0;    // "Dias Tomados"
    double SAL_HAB = 0, SAL_COR = 0;    // "Saldo de Dias"
    double SUM_DIAS = 0;                // days of service, 30/360
};

// One taken period: a row of `vacaciones`.
struct VacationPeriod {
    std::string rut;  // rut_per_vac
    Date start;       // fecini_vac
    Date end;         // fechas_vac
    double days = 0;  // dias_vac, working days
};

// ---------------------------------------------------------------- the balance

// Where the service is counted to: the contract's end when there is one, else today; a 31st counts as the 30th.
Date serviceEndPoint(const Date& contractEnd, const Date& today);
// Days of service from the contract date to the end point in 30/360 terms, both days
// counted. A contract that starts after the end point has served no days (0).
double serviceDays(const Date& contract, const Date& endPoint);
// Whole years from `from` to `today`.
int wholeYears(const Date& from, const Date& today);
// Progressive days of a working life of `years` whole years: one per three years beyond ten, from 13.
int progressiveDays(int years);
// DIASVACA's arithmetic. No contract date: every figure 0. Progressive days count
// from `workingLifeStart` to today (also when the contract has ended); none without it.
VacationFigures vacationFigures(const Date& contract, const Date& contractEnd, const Date& workingLifeStart,
                                double daysTaken, const Date& today);

// The worker's periods among `all`: those of his RUT (trimmed, exact); none for a blank RUT.
std::vector<VacationPeriod> periodsOf(const std::vector<VacationPeriod>& all, std::string_view rut);
// The day after the latest period's last day: the start proposed for a new period
// (a null date when there is none).
Date nextPeriodStart(const std::vector<VacationPeriod>& periods);

// ---------------------------------------------------------------- holidays and the working-day count

// True when the holiday list of a month ("18-19", "0102", "01 25") names `day`: its
// numbers are read as two-digit day numbers.
bool holidayListHas(std::string_view list, int day);

// The months' holiday lists (`feriados_mes_par`), read once per year of the
// parameter tables and kept.
class HolidayCalendar {
public:
    // Month -> trimmed list of one year; empty when the year's table is missing.
    using YearReader = std::function<std::map<int, std::string>(int year)>;
    explicit HolidayCalendar(YearReader reader) : reader_(std::move(reader)) {}

    // The list of a month; nullopt when its year has no table or the month no row.
    std::optional<std::string> monthList(int year, int month);
    // Years read so far (for the tests and the benchmark).
    int yearsRead() const { return static_cast<int>(years_.size()); }

private:
    YearReader reader_;
    std::map<int, std::map<int, std::string>> years_;
};

// The holiday lists of the parameter tables of the client (<ID_CLIENTE>_REMU.<year>_parametros),
// the table of each day's own year. A table that is missing, or a client identifier that
// cannot name a database, gives no list.
HolidayCalendar::YearReader parameterHolidays(std::shared_ptr<Connection> conn, const std::string& idCliente);

// Days examined one after another: each day is judged by the list of its own month; a
// month without a parameter row keeps the list of the month examined before it, the
// first one `fallback` (the month's list the worker list loaded, CFERIADOS_MES).
class HolidayWalk {
public:
    HolidayWalk(HolidayCalendar& calendar, std::string fallback) : cal_(calendar), list_(std::move(fallback)) {}
    bool isHoliday(const Date& day);
    const std::string& list() const { return list_; }

private:
    HolidayCalendar& cal_;
    std::string list_;
    int year_ = 0, month_ = 0;
};

// FECHAFIN: the last day of a period of `days` working days from `start`: Saturdays,
// Sundays and holidays are skipped. 0 days end the day before the start.
Date workingDaysEnd(const Date& start, int days, HolidayWalk& walk);

// ---------------------------------------------------------------- checks before storing

struct PeriodCheck {
    Date start;
    int days = 0;
    Date end;
    std::vector<VacationPeriod> recorded;  // the worker's periods (ORS_VACA)
    std::optional<size_t> changing;        // the period being changed: left out of the comparisons
    double balance = 0;                    // working days available to this period
    std::string workingYear;               // C_ANO
};

// REP_VAC: tells the user every problem in order; true when the period may be stored.
bool REP_VAC(const PeriodCheck& p, HolidayWalk& walk, UiPort& ui, const Date& today);

// ---------------------------------------------------------------- the worker's periods

// The VACACIONES page's data: the worker's periods (ORS_VACA), the balance, and the
// period being edited (DFEC_INIV, NDIA_VACA, DFEC_FINV). Reads the buffer it is given
// whenever it computes, so the worker file may change it between calls.
class VacationFile {
public:
    VacationFile(Session& s, const VacationBuffer& buffer);
    ~VacationFile();

    // Loads ORS_VACA: "SELECT * FROM vacaciones where codigo_per_vac = <code>", in the
    // server's order, on its first row. False (after telling the user) when the server refused.
    bool load(UiPort& ui);
    // ORS_VACA; null before load.
    Recordset* rows() const { return rows_.get(); }
    bool hasPeriods() const;
    // Every period of ORS_VACA in its order; `current`, when given, receives the index
    // of the current row (nullopt when there is none).
    std::vector<VacationPeriod> periods(std::optional<size_t>* current = nullptr) const;
    // The current row's period; nullopt when there is none.
    std::optional<VacationPeriod> currentPeriod() const;

    // DIASVACA: the ten figures from the buffer and ORS_VACA (left on its first row);
    // with periods, DFEC_INIV becomes the day after the last one.
    void DIASVACA();
    const VacationFigures& figures() const { return figures_; }

    // The period being edited.
    Date DFEC_INIV;
    int NDIA_VACA = 0;
    Date DFEC_FINV;
    // FECHAFIN: DFEC_FINV from DFEC_INIV and NDIA_VACA (unchanged, after telling the
    // user, when the server failed).
    Date FECHAFIN(UiPort& ui);
    // True when DFEC_FINV was worked out for the present start and days.
    bool endIsCurrent() const;
    // The period dialog opening: a change loads the current row; a new period keeps
    // the values, with its end worked out again when they no longer match.
    void beginEdit(bool isNew, UiPort& ui);
    // The accept button's condition: a start date and some days.
    bool canAccept() const { return !DFEC_INIV.isNull() && NDIA_VACA > 0; }

    // REP_VAC on the period being edited (a change leaves its own row out).
    bool REP_VAC(bool isNew, UiPort& ui);
    // Accept: the checks, then the row appended (new) or changed, sent to the server,
    // and ORS_VACA on its first row. False when nothing was stored.
    bool store(bool isNew, UiPort& ui);
    // ELIMINA_VACA_PERSON: the current period deleted after "Esta Seguro de Eliminar ?".
    bool ELIMINA_VACA_PERSON(UiPort& ui);
    // COMP_VAC: the voucher of the current period in a preview job. False when there is none.
    bool COMP_VAC(UiPort& ui);

    HolidayCalendar& holidays() { return *holidays_; }
    const VacationBuffer& buffer() const { return buffer_; }
    Session& session() const { return s_; }

private:
    std::vector<VacationPeriod> workerPeriods() const;

    Session& s_;
    const VacationBuffer& buffer_;
    std::unique_ptr<Recordset> rows_;
    VacationFigures figures_;
    std::unique_ptr<HolidayCalendar> holidays_;
    Date endStart_;  // the start and days DFEC_FINV was worked out for
    int endDays_ = -1;
};

// The code in the statement: a number when it is one (the server compares the
// text column by value, so "12" finds "0012"), otherwise a quoted text.
std::string vacationCodeCondition(std::string_view code);

// A period read from a row of `vacaciones`.
VacationPeriod vacationPeriod(const Recordset& rs);

}  // namespace remu
