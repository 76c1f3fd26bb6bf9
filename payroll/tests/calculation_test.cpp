#include <gtest/gtest.h>

#include <cmath>

#include "format/picture.h"
#include "payroll/calculation.h"

using namespace remu;

namespace {

// March 2018 with the published figures; FONASA 7 %, one fund, ISL.
MonthInputs march() {
    MonthInputs in;
    in.year = "2018";
    in.month = "03";
    in.clientId = "77";
    auto& p = in.params;
    p.VALOUF = 26966.89;
    p.VALUSD = 600;
    p.VALEURO = 740;
    p.taxableCap = 78.3;
    p.unemploymentCap = 117.5;
    p.sisRate = 1.41;
    p.INGMIN = 276000;
    p.GRAMAX = 109250;
    p.holidays = "30";
    p.familyAllowance[0] = 11337;
    p.familyAllowance[1] = 6957;
    p.familyAllowance[2] = 2199;
    TaxTable t;
    t.UTM = 47301;
    const double from[] = {0, 638563.51, 1419030.01, 2365050.01, 3311070.01, 4257090.01, 5676120.01, 0};
    const double to[] = {638563.5, 1419030, 2365050, 3311070, 4257090, 5676120, 0, 0};
    const double factor[] = {0, 0.04, 0.08, 0.135, 0.23, 0.304, 0.35, 0};
    const double rebate[] = {0, 25542.54, 82303.74, 212381.49, 526933.14, 841957.8, 1103059.32, 0};
    for (int i = 0; i < 8; ++i) t.from[i] = from[i], t.to[i] = to[i], t.factor[i] = factor[i], t.rebate[i] = rebate[i];
    in.tax = t;
    in.company.mutualCode = "00";
    in.company.mutualRate = 0.93;
    in.catalog = {{"001", 0}, {"COM", 1}};
    in.funds = {{"00", "Sin AFP", 0}, {"03", "Cuprum", 11.44}, {"08", "Provida", 11.45}, {"IP", "Ips Empart", 18.84}};
    in.insurers = {{"07", "Fonasa", 7}, {"01", "Banmedica", 7}};
    in.ccafs = {{"01", "Los Andes"}};
    in.mutuals = {{"01", "Achs"}};
    in.movements = {{"2", "Retiro"}, {"3", "Subsidios"}, {"11", "Otros"}};
    in.commonItems.push_back({"    ", "  ", "998", "DIAS TRABAJADOS", 3, 0, 30, "   ", " ", {}, {}});
    return in;
}

Worker worker(const std::string& code, double salary) {
    Worker w;
    w.codigo = code;
    w.nombre = "TRABAJADOR " + code;
    w.apepat = "PEREZ";
    w.apemat = "SOTO";
    w.nombres = "JUAN";
    w.sueldoBase = salary;
    w.afp = "03";
    w.isa = "07";
    w.seguroCesantia = 1;
    w.tipoTrabajador = "0";
    w.cencosto = "C1";
    return w;
}

ItemRow item(const std::string& worker, const std::string& code, const std::string& name, int type, int taxable,
             double value, const std::string& formula = "", const std::string& mov = "") {
    return ItemRow{worker, "TRABAJADOR " + worker, code, name, type, taxable, value, formula, mov, {}, {}};
}

std::vector<const PaySlipLine*> linesOf(const CalcResult& r, const std::string& person) {
    std::vector<const PaySlipLine*> out;
    for (const auto& l : r.remumes)
        if (l.PERSON_REM == person) out.push_back(&l);
    return out;
}

const PaySlipLine* find(const CalcResult& r, const std::string& person, const std::string& code) {
    for (const auto& l : r.remumes)
        if (l.PERSON_REM == person && l.HABDES_REM == code) return &l;
    return nullptr;
}

double value(const CalcResult& r, const std::string& person, const std::string& code) {
    const PaySlipLine* l = find(r, person, code);
    EXPECT_NE(l, nullptr) << person << " " << code;
    return l ? l->VALFIN_REM : NAN;
}

}  // namespace

TEST(MonthDays, CountsAndHolidays) {
    int su, sa, wd, ho;
    CALCULA_TIPO_DIAS_MES(su, sa, wd, ho, "30", 2018, 3);
    EXPECT_EQ(su, 4);
    EXPECT_EQ(sa, 5);
    EXPECT_EQ(wd, 22);
    EXPECT_EQ(ho, 1);
    CALCULA_TIPO_DIAS_MES(su, sa, wd, ho, "01 00 18   25", 2018, 2);  // 28 days; Feb 18 and 25 are Sundays
    EXPECT_EQ(su + sa + wd, 28);
    EXPECT_EQ(su, 4);
    EXPECT_EQ(ho, 3);
    CALCULA_TIPO_DIAS_MES(su, sa, wd, ho, "", 2018, 2);
    EXPECT_EQ(ho, 0);
}

TEST(Calculation, DefaultAndOwnDaysAbsencesAndLeave) {
    MonthInputs in = march();
    in.personnel = {worker("0001", 600000), worker("0002", 600000), worker("0003", 900000)};
    in.workerItems = {item("0002", "998", "DIAS TRABAJADOS", 3, 0, 15), item("0002", "999", "AUSENCIA", 3, 0, 3, "", "11"),
                      item("0003", "999", "LICENCIA", 3, 0, 5, "", "3"), item("0003", "999", "SIN CODIGO", 3, 0, 1)};
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0001", "998"), 30);
    EXPECT_EQ(value(r, "0001", "SUE"), 600000);
    EXPECT_EQ(value(r, "0002", "998"), 12);
    EXPECT_EQ(value(r, "0002", "SUE"), 240000);
    const PaySlipLine* absence = find(r, "0002", "999");
    ASSERT_NE(absence, nullptr);
    EXPECT_EQ(absence->DESCRI_REM, "DIAS Otros");
    EXPECT_EQ(absence->TIPO_REM, 4);
    EXPECT_EQ(absence->NOMMOV_REM, "Otros");
    EXPECT_EQ(value(r, "0003", "998"), 24);
    EXPECT_EQ(value(r, "0003", "997"), 5);
    EXPECT_EQ(find(r, "0003", "997")->DESCRI_REM, "DIAS LICENCIA MEDICA");
    int absences = 0;
    for (auto* l : linesOf(r, "0003")) absences += l->HABDES_REM == "999";
    EXPECT_EQ(absences, 2);  // the one without a movement code carries only its days
    EXPECT_EQ(find(r, "0001", "997"), nullptr);

    // A month where only one worker has his own days line: the others work 30 days.
    in.commonItems.clear();
    in.commonItems.push_back({"    ", "  ", "001", "BONO", 1, 1, 1000, "", "", {}, {}});
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0002", "998"), 12);
    EXPECT_EQ(value(r, "0003", "998"), 24);
    EXPECT_EQ(value(r, "0001", "998"), 30);  // not the 12 of the worker before him
    EXPECT_EQ(value(r, "0001", "SUE"), 600000);
}

TEST(Calculation, SalaryByCurrencyPartTimeAndWeeklyRest) {
    MonthInputs in = march();
    const int currencies[] = {1, 2, 3, 4, 5, 6, 7, 9};
    for (int i = 0; i < 8; ++i) {
        Worker w = worker("000" + std::to_string(i), 500000);
        w.moneda = currencies[i];
        w.monedaValor = 20.5;
        in.personnel.push_back(w);
    }
    Worker pt = worker("0100", 400000);
    pt.diasJornadaParcial = 20;
    in.personnel.push_back(pt);
    in.workerItems = {item("0100", "998", "DIAS TRABAJADOS", 3, 0, 20), item("0100", "COM", "COMISION", 1, 1, 110000)};
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0000", "SUE"), 500000);
    EXPECT_EQ(value(r, "0001", "SUE"), ROUND(20.5 * 26966.89, 0));
    EXPECT_EQ(value(r, "0002", "SUE"), ROUND(20.5 * 47301, 0));
    EXPECT_EQ(value(r, "0003", "SUE"), ROUND(78.3 * 26966.89, 0));
    EXPECT_EQ(value(r, "0004", "SUE"), 276000);
    EXPECT_EQ(value(r, "0005", "SUE"), ROUND(20.5 * 600, 0));
    EXPECT_EQ(value(r, "0006", "SUE"), ROUND(20.5 * 740, 0));
    EXPECT_EQ(value(r, "0007", "SUE"), 500000);
    EXPECT_EQ(find(r, "0007", "SBA")->VALFIN_REM, 500000);
    // Part-time: 20 days of a 20-day schedule earn the whole salary.
    EXPECT_EQ(value(r, "0100", "SUE"), 400000);
    // Weekly rest on the commission: 110000 / (22 - 1) * (1 + 4).
    EXPECT_EQ(value(r, "0100", "SEM"), ROUND(110000.0 / 21 * 5, 0));
    EXPECT_EQ(find(r, "0100", "SEM")->SECUEN_REM, 5);
    EXPECT_EQ(value(r, "0100", "TIM"), 400000 + 110000 + ROUND(110000.0 / 21 * 5, 0));
    EXPECT_EQ(find(r, "0000", "SEM"), nullptr);
}
