// The vacation rules without a server: the balance, the working-day count with its
// holiday lists, and the checks before a period is stored.
#include <gtest/gtest.h>

#include "core/ui_port.h"
#include "personnel/vacations.h"

using namespace remu;

namespace {

Date d(int day, int month, int year) { return Date{year, month, day}; }

// Parameter tables by year: month -> list; a year absent from the map has no table.
struct FakeParameters {
    std::map<int, std::map<int, std::string>> years;
    int reads = 0;
    HolidayCalendar::YearReader reader() {
        return [this](int year) {
            ++reads;
            auto y = years.find(year);
            return y == years.end() ? std::map<int, std::string>{} : y->second;
        };
    }
};

Date endOf(const Date& start, int days, FakeParameters& params, const std::string& fallback = "") {
    HolidayCalendar cal(params.reader());
    HolidayWalk walk(cal, fallback);
    return workingDaysEnd(start, days, walk);
}

}  // namespace

TEST(VacationBalance, TheExampleOfTheContractAndTheWorkingLife) {
    EXPECT_EQ(serviceDays(d(1, 3, 2017), d(15, 8, 2019)), 885);
    VacationFigures f = vacationFigures(d(1, 3, 2017), {}, d(10, 5, 2000), 10, d(15, 8, 2019));
    EXPECT_EQ(f.SUM_DIAS, 885);
    EXPECT_DOUBLE_EQ(f.DIAS_HAB, 36.875);
    EXPECT_DOUBLE_EQ(f.DIAS_COR, 51.625);
    EXPECT_EQ(wholeYears(d(10, 5, 2000), d(15, 8, 2019)), 19);
    EXPECT_DOUBLE_EQ(f.DPRO_HAB, 3);
    EXPECT_DOUBLE_EQ(f.DPRO_COR, 4.2);
    EXPECT_DOUBLE_EQ(f.TOT_HAB, 39.875);
    EXPECT_DOUBLE_EQ(f.TOT_COR, 39.875 * 1.4);
    EXPECT_DOUBLE_EQ(f.USA_HAB, 10);
    EXPECT_DOUBLE_EQ(f.USA_COR, 14);
    EXPECT_DOUBLE_EQ(f.SAL_HAB, 29.875);
    EXPECT_DOUBLE_EQ(f.SAL_COR, 29.875 * 1.4);
}

TEST(VacationBalance, NoContractDateLeavesEveryFigureAtZero) {
    VacationFigures f = vacationFigures({}, d(30, 6, 2019), d(1, 1, 1990), 15, d(15, 8, 2019));
    for (double v : {f.DPRO_HAB, f.DPRO_COR, f.DIAS_HAB, f.DIAS_COR, f.TOT_HAB, f.TOT_COR, f.USA_HAB, f.USA_COR,
                     f.SAL_HAB, f.SAL_COR, f.SUM_DIAS})
        EXPECT_EQ(v, 0);
}

TEST(VacationBalance, ServiceIsCountedToTheContractEndAndAThirtyFirstIsTheThirtieth) {
    EXPECT_EQ(serviceEndPoint({}, d(31, 8, 2019)), d(30, 8, 2019));
    EXPECT_EQ(serviceEndPoint(d(31, 5, 2019), d(15, 8, 2019)), d(30, 5, 2019));
    // 1/1 to 30/5: 29 days and 4 months, both ends counted.
    EXPECT_EQ(vacationFigures(d(1, 1, 2019), d(31, 5, 2019), {}, 0, d(15, 8, 2019)).SUM_DIAS, 150);
    EXPECT_EQ(vacationFigures(d(1, 1, 2019), d(30, 5, 2019), {}, 0, d(15, 8, 2019)).SUM_DIAS, 150);
    // Borrowing a month across the year: 20/12/2018 to 10/01/2019 is 20 days and one more.
    EXPECT_EQ(serviceDays(d(20, 12, 2018), d(10, 1, 2019)), 21);
    EXPECT_EQ(serviceDays(d(15, 8, 2019), d(15, 8, 2019)), 1);
    // A contract that starts later has earned nothing (never a negative balance of days earned).
    EXPECT_EQ(serviceDays(d(1, 9, 2019), d(15, 8, 2019)), 0);
    EXPECT_EQ(vacationFigures(d(1, 9, 2019), {}, {}, 0, d(15, 8, 2019)).DIAS_HAB, 0);
}

TEST(VacationBalance, ProgressiveDaysFromThirteenYearsOfWorkingLife) {
    EXPECT_EQ(progressiveDays(12), 0);
    EXPECT_EQ(progressiveDays(13), 1);
    EXPECT_EQ(progressiveDays(15), 1);
    EXPECT_EQ(progressiveDays(16), 2);
    // A year is whole on its day, not the day before.
    EXPECT_EQ(wholeYears(d(15, 8, 2006), d(15, 8, 2019)), 13);
    EXPECT_EQ(wholeYears(d(16, 8, 2006), d(15, 8, 2019)), 12);
    EXPECT_EQ(wholeYears(d(20, 1, 2000), d(15, 1, 2019)), 18);  // January borrows December of the year before
    EXPECT_EQ(wholeYears(d(10, 1, 2000), d(15, 1, 2019)), 19);
    // Counted to today even when the contract has ended.
    VacationFigures f = vacationFigures(d(1, 1, 2010), d(30, 6, 2018), d(1, 1, 2006), 0, d(15, 8, 2019));
    EXPECT_EQ(f.DPRO_HAB, 1);
}

TEST(VacationBalance, AWorkersPeriodsAreFoundByHisRut) {
    std::vector<VacationPeriod> all = {{"012345678-5", d(5, 8, 2019), d(16, 8, 2019), 10},
                                       {"009876543-2", d(1, 3, 2019), d(5, 3, 2019), 5},
                                       {"012345678-5 ", d(4, 2, 2019), d(8, 2, 2019), 5},
                                       {"", d(1, 1, 2019), d(2, 1, 2019), 2}};
    auto mine = periodsOf(all, "012345678-5");
    ASSERT_EQ(mine.size(), 2u);
    // The latest period gives the proposal, in whatever order the rows come.
    EXPECT_EQ(nextPeriodStart(mine), d(17, 8, 2019));
    EXPECT_TRUE(periodsOf(all, "   ").empty());
    EXPECT_TRUE(periodsOf(all, "012345678").empty());
    EXPECT_TRUE(nextPeriodStart({}).isNull());
}

TEST(HolidayLists, NumbersAreTwoDigitDays) {
    EXPECT_TRUE(holidayListHas("18-19", 18));
    EXPECT_TRUE(holidayListHas("18-19", 19));
    EXPECT_FALSE(holidayListHas("18-19", 1));
    EXPECT_FALSE(holidayListHas("18-19", 8));
    EXPECT_TRUE(holidayListHas("0102", 2));
    EXPECT_FALSE(holidayListHas("0102", 10));  // not a day of "0102" read two by two
    EXPECT_TRUE(holidayListHas("01 25", 25));
    EXPECT_TRUE(holidayListHas("5", 5));
    EXPECT_FALSE(holidayListHas("", 5));
}

TEST(WorkingDayCount, TheExamplesOfWeekendsAndHolidays) {
    FakeParameters none;
    EXPECT_EQ(endOf(d(5, 8, 2019), 10, none), d(16, 8, 2019));  // Monday, ten days: the Friday after next
    EXPECT_EQ(endOf(d(9, 8, 2019), 1, none), d(9, 8, 2019));    // Friday, one day
    EXPECT_EQ(endOf(d(9, 8, 2019), 2, none), d(12, 8, 2019));   // Friday, two days: the Monday
    EXPECT_EQ(endOf(d(27, 2, 2019), 3, none), d(1, 3, 2019));   // 27/02, 28/02, 01/03
    EXPECT_EQ(endOf(d(26, 2, 2020), 4, none), d(2, 3, 2020));   // a leap year's 29/02 is a day
    EXPECT_EQ(endOf(d(5, 8, 2019), 0, none), d(4, 8, 2019));    // no days: the day before
    EXPECT_EQ(endOf(d(10, 8, 2019), 1, none), d(12, 8, 2019));  // from a Saturday: the Monday
    EXPECT_EQ(endOf(d(11, 8, 2019), 1, none), d(12, 8, 2019));  // from a Sunday: the Monday

    FakeParameters sept;
    sept.years[2019][9] = "18-19";
    // Mon 16/09/2019, five days: 16, 17, then the 18th and 19th are holidays: 20, 23, 24.
    EXPECT_EQ(endOf(d(16, 9, 2019), 5, none), d(20, 9, 2019));
    EXPECT_EQ(endOf(d(16, 9, 2019), 5, sept), d(24, 9, 2019));
}

TEST(WorkingDayCount, EachDayIsJudgedByTheListOfItsOwnYear) {
    FakeParameters p;
    p.years[2019][12] = "25";
    p.years[2019][1] = "02";  // the working year's January must not decide 2020's
    p.years[2020][1] = "01";
    // Mon 30/12/2019, three days: 30, 31, (1st a holiday of 2020), 2.
    EXPECT_EQ(endOf(d(30, 12, 2019), 3, p), d(2, 1, 2020));
    EXPECT_EQ(p.reads, 2);  // one read per year, not per day
}

TEST(WorkingDayCount, AMonthWithoutParametersKeepsTheListBeforeIt) {
    FakeParameters p;
    p.years[2019][12] = "02";
    // 2020 has no table: January keeps December's list, so the 2nd is skipped.
    EXPECT_EQ(endOf(d(30, 12, 2019), 4, p), d(3, 1, 2020));
    // Without any row the month's list of the worker list (CFERIADOS_MES) decides.
    FakeParameters none;
    EXPECT_EQ(endOf(d(30, 12, 2019), 4, none, "02"), d(3, 1, 2020));
    EXPECT_EQ(endOf(d(30, 12, 2019), 4, none, ""), d(2, 1, 2020));
}

namespace {

struct CheckRun {
    RecordingPort ui;
    FakeParameters params;
    bool run(const PeriodCheck& p) {
        HolidayCalendar cal(params.reader());
        HolidayWalk walk(cal, "");
        return REP_VAC(p, walk, ui, Date{2019, 8, 1});
    }
};

PeriodCheck period(const Date& start, int days, const Date& end) {
    PeriodCheck p;
    p.start = start;
    p.days = days;
    p.end = end;
    p.balance = 15;
    p.workingYear = "2019";
    p.recorded = {{"012345678-5", Date{2019, 8, 12}, Date{2019, 8, 16}, 5}};
    return p;
}

}  // namespace

TEST(PeriodChecks, AGoodPeriodPassesSilently) {
    CheckRun c;
    EXPECT_TRUE(c.run(period({2019, 8, 19}, 5, {2019, 8, 23})));
    EXPECT_TRUE(c.ui.boxes.empty());
    // Right after the recorded one, or ending the day before it: no overlap.
    EXPECT_TRUE(c.run(period({2019, 8, 5}, 5, {2019, 8, 9})));
    EXPECT_TRUE(c.ui.boxes.empty());
}

TEST(PeriodChecks, WarningsThatDoNotBlock) {
    CheckRun c;
    PeriodCheck p = period({2019, 8, 19}, 20, {2019, 9, 13});
    EXPECT_TRUE(c.run(p));
    EXPECT_EQ(c.ui.lines(), std::vector<std::string>{"Stop|ERROR|Dias Excede al saldo"});

    c.ui.clear();
    EXPECT_TRUE(c.run(period({2020, 1, 6}, 5, {2020, 1, 10})));
    EXPECT_EQ(c.ui.lines(),
              std::vector<std::string>{"Alert|ALERTA|Fecha de inicio no corresponde al a\xC3\xB1o en curso  2019"});
}

TEST(PeriodChecks, BlockingProblemsInTheirOrder) {
    CheckRun c;
    EXPECT_FALSE(c.run(period({}, 5, {})));
    EXPECT_EQ(c.ui.lines(), std::vector<std::string>{"Stop|ERROR|Fecha sin Informacion"});

    c.ui.clear();
    EXPECT_FALSE(c.run(period({2019, 8, 18}, 5, {2019, 8, 23})));
    EXPECT_EQ(c.ui.lines(), std::vector<std::string>{"Alert|ALERTA|Fecha de inicio es Domingo"});
    c.ui.clear();
    EXPECT_FALSE(c.run(period({2019, 8, 17}, 5, {2019, 8, 23})));
    EXPECT_EQ(c.ui.lines(), std::vector<std::string>{"Alert|ALERTA|Fecha de inicio es Sabado"});

    c.ui.clear();
    c.params.years[2019][9] = "18-19";
    EXPECT_FALSE(c.run(period({2019, 9, 18}, 5, {2019, 9, 26})));
    EXPECT_EQ(c.ui.lines(), std::vector<std::string>{"Alert|ALERTA|Fecha de inicio es Feriado"});

    // Too many days, a Saturday and a recorded start at once: every message, in order.
    c.ui.clear();
    PeriodCheck p = period({2019, 8, 17}, 30, {2019, 9, 30});
    p.recorded.push_back({"012345678-5", Date{2019, 8, 17}, Date{2019, 8, 20}, 2});
    EXPECT_FALSE(c.run(p));
    EXPECT_EQ(c.ui.lines(), (std::vector<std::string>{"Stop|ERROR|Dias Excede al saldo",
                                                       "Alert|ALERTA|Fecha de inicio es Sabado",
                                                       "Alert|ALERTA|Fecha de inicio Existe"}));
}

TEST(PeriodChecks, ARecordedStartIsRefusedUnlessItIsThePeriodBeingChanged) {
    CheckRun c;
    PeriodCheck p = period({2019, 8, 12}, 3, {2019, 8, 14});
    EXPECT_FALSE(c.run(p));
    EXPECT_EQ(c.ui.lines(), std::vector<std::string>{"Alert|ALERTA|Fecha de inicio Existe"});

    // The same period shortened keeps its start: it is not compared with itself.
    c.ui.clear();
    p.changing = 0;
    EXPECT_TRUE(c.run(p));
    EXPECT_TRUE(c.ui.boxes.empty());
    // A true duplicate of another period is still refused while one is changed.
    p.recorded.push_back({"012345678-5", Date{2019, 8, 12}, Date{2019, 8, 13}, 2});
    EXPECT_FALSE(c.run(p));
    EXPECT_EQ(c.ui.lines(), std::vector<std::string>{"Alert|ALERTA|Fecha de inicio Existe"});
}

TEST(PeriodChecks, AnyOverlapWithARecordedPeriodIsRefused) {
    const std::string overlap = "Info|Informaci\xC3\xB3n|Existe Dias de Vacaciones !!!";
    CheckRun c;
    // Starting inside the recorded 12..16 August.
    EXPECT_FALSE(c.run(period({2019, 8, 14}, 5, {2019, 8, 20})));
    EXPECT_EQ(c.ui.lines(), std::vector<std::string>{overlap});
    // Starting before it and running into it, and wrapping it whole: the old test let these through.
    c.ui.clear();
    EXPECT_FALSE(c.run(period({2019, 8, 8}, 3, {2019, 8, 12})));
    EXPECT_EQ(c.ui.lines(), std::vector<std::string>{overlap});
    c.ui.clear();
    EXPECT_FALSE(c.run(period({2019, 8, 7}, 10, {2019, 8, 20})));
    EXPECT_EQ(c.ui.lines(), std::vector<std::string>{overlap});
    // Lengthening the period being changed overlaps only itself.
    c.ui.clear();
    PeriodCheck p = period({2019, 8, 13}, 8, {2019, 8, 22});
    p.changing = 0;
    EXPECT_TRUE(c.run(p));
    EXPECT_TRUE(c.ui.boxes.empty());
}
