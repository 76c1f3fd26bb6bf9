#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "format/picture.h"
#include "format/text.h"
#include "payroll/calculation.h"
#include "payroll/explain.h"
#include "payroll/formula.h"
#include "payroll/slip_line.h"
#include "payroll/totals.h"

using namespace remu;

namespace {

using Brackets = double[8];

TaxTable taxTable(double utm, const Brackets& from, const Brackets& to, const Brackets& factor, const Brackets& rebate) {
    TaxTable t;
    t.UTM = utm;
    for (int i = 0; i < 8; ++i) t.from[i] = from[i], t.to[i] = to[i], t.factor[i] = factor[i], t.rebate[i] = rebate[i];
    return t;
}

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
    in.tax = taxTable(47301, {0, 638563.51, 1419030.01, 2365050.01, 3311070.01, 4257090.01, 5676120.01, 0},
                      {638563.5, 1419030, 2365050, 3311070, 4257090, 5676120, 0, 0},
                      {0, 0.04, 0.08, 0.135, 0.23, 0.304, 0.35, 0},
                      {0, 25542.54, 82303.74, 212381.49, 526933.14, 841957.8, 1103059.32, 0});
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

// A worker whose tax base is his salary: no pension fund, health insurer or unemployment insurance
// (the month needs taxBaseIsSalary()).
Worker bareWorker(const std::string& code, double salary) {
    Worker w = worker(code, salary);
    w.afp = "00";
    w.isa = "09";
    return w;
}

void taxBaseIsSalary(MonthInputs& in) {
    in.insurers.push_back({"09", "Sin salud", 0});
    in.funds[0].rate = 0;
}

ItemRow item(const std::string& worker, const std::string& code, const std::string& name, int type, int taxable,
             double value, const std::string& formula = "", const std::string& mov = "") {
    return ItemRow{worker, "TRABAJADOR " + worker, code, name, type, taxable, value, formula, mov, {}, {}};
}

std::vector<const PaySlipLine*> linesOf(const CalcResult& r, const std::string& person) {
    std::vector<const PaySlipLine*> out;
    for (const auto& slip : r.slips)
        for (const auto& l : slip)
            if (l.PERSON_REM == person) out.push_back(&l);
    return out;
}

const PaySlipLine* find(const CalcResult& r, const std::string& person, const std::string& code) {
    for (const auto* l : linesOf(r, person))
        if (l->HABDES_REM == code) return l;
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
    // 1 April 2018 is a Sunday: it counts as both, and the weekdays stay as they are.
    CALCULA_TIPO_DIAS_MES(su, sa, wd, ho, "01               ", 2018, 4);
    EXPECT_EQ(ho, 1);
    EXPECT_EQ(su, 5);
    EXPECT_EQ(sa, 4);
    EXPECT_EQ(wd, 21);
    CALCULA_TIPO_DIAS_MES(su, sa, wd, ho, "00 00", 2018, 4);
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

TEST(Calculation, StatutoryLinesTotalsOrderAndWriteBack) {
    MonthInputs in = march();
    Worker w = worker("0001", 1000000);
    w.seguroCesantia = 3;
    w.sis = 1;
    in.personnel = {w};
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0001", "03"), 114400);
    EXPECT_EQ(find(r, "0001", "03")->DESCRI_REM, "CUPRUM 11.44 %");
    EXPECT_EQ(find(r, "0001", "03")->TITULO_REM, "AFP");
    EXPECT_EQ(find(r, "0001", "03")->TIPOTRABAJ, "0");
    EXPECT_EQ(value(r, "0001", "FON"), 70000);
    EXPECT_EQ(find(r, "0001", "FON")->DESCRI_REM, "FONASA 7%");
    EXPECT_EQ(value(r, "0001", "ISL"), 9300);
    EXPECT_EQ(find(r, "0001", "ISL")->TITULO_REM, "ISL %0.93");
    EXPECT_EQ(value(r, "0001", "SCA"), 6000);
    EXPECT_EQ(value(r, "0001", "SCE"), 24000);
    EXPECT_EQ(find(r, "0001", "SCE")->TITULO_REM, "APORTE CESANTIA EMPL");
    EXPECT_EQ(value(r, "0001", "BSC"), 1000000);
    EXPECT_EQ(value(r, "0001", "SIS"), 14100);
    // 1,000,000 - 114,400 - 70,000 - 6,000 = 809,600 in the second bracket.
    EXPECT_EQ(value(r, "0001", "UNI"), ROUND(809600 * 0.04 - 25542.54, 0));
    EXPECT_EQ(find(r, "0001", "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. 809,600)");
    const double deductions = 114400 + 70000 + 6000 + ROUND(809600 * 0.04 - 25542.54, 0);
    EXPECT_EQ(value(r, "0001", "TDE"), deductions);
    EXPECT_EQ(value(r, "0001", "NIM"), 0);
    EXPECT_EQ(value(r, "0001", "THA"), 1000000);
    EXPECT_EQ(value(r, "0001", "ALQ"), 1000000 - deductions);
    EXPECT_EQ(value(r, "0001", "BIM"), 1000000);

    std::vector<std::string> order;
    for (auto* l : linesOf(r, "0001")) order.push_back(l->HABDES_REM + ":" + std::to_string(l->SECUEN_REM));
    EXPECT_EQ(order, (std::vector<std::string>{"998:2", "SUE:3", "TIM:30", "SBA:0", "BIM:29", "NIM:20", "THA:35",
                                               "03:1", "FON:2", "SCA:5", "UNI:50", "TDE:5", "ALQ:35", "BSC:0",
                                               "ISL:0", "SCE:0", "SIS:0"}));
    for (auto* l : linesOf(r, "0001")) {
        EXPECT_EQ(l->APENOM_REM, "PEREZ SOTO JUAN");
        EXPECT_EQ(l->CENCOS_REM, "C1");
        EXPECT_EQ(l->MES_REM, "03");
    }
    ASSERT_EQ(r.writeBack.size(), 1u);
    EXPECT_EQ(r.writeBack[0].code.view(), "0001");
    EXPECT_EQ(r.writeBack[0].totalImponible, 1000000);
    EXPECT_EQ(r.writeBack[0].diasTrabajados, 30);

    // A worker without deductions: total deductions 0, net pay = total earnings.
    w.afp = "00";
    w.isa = "09";
    w.seguroCesantia = 1;
    w.sis = 0;
    w.sueldoPatronal = 1;
    w.sueldoBase = 500000;
    in.personnel = {w};
    in.insurers.push_back({"09", "Sin salud", 0});
    in.funds[0].rate = 0;
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(find(r, "0001", "SIP")->DESCRI_REM, "SIN AFP 0 %");
    EXPECT_EQ(value(r, "0001", "TDE"), 0);
    EXPECT_EQ(value(r, "0001", "ALQ"), value(r, "0001", "THA"));
    EXPECT_EQ(find(r, "0001", "ISL"), nullptr);
}

TEST(Calculation, PassesFormulasAndGratification) {
    MonthInputs in = march();
    in.personnel = {worker("0001", 1000000)};
    in.workerItems = {item("0001", "BON", "BONO", 1, 1, 10, "VALOR*1000"),
                      item("0001", "HEX", "HORAS EXTRA", 1, 1, 1.5, "valor*suebas/30"),
                      item("0001", "PTI", "PREMIO", 1, 1, 0, "TOTIMP*0.1"),
                      item("0001", "GRA", "GRATIFICACION", 1, 1, 0, "TOTIMP*0.25"),
                      item("0001", "GRX", "GRATIFICACION EXTRA", 1, 1, 5000),
                      item("0001", "MOV", "MOVILIZACION", 1, 2, 20000),
                      item("0001", "ANT", "ANTICIPO", 2, 0, 50000)};
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok) << (r.messages.empty() ? "" : r.messages[0].text);
    EXPECT_EQ(value(r, "0001", "BON"), 10000);
    EXPECT_EQ(find(r, "0001", "BON")->DESCRI_REM, "BONO (       10)");
    EXPECT_EQ(value(r, "0001", "HEX"), 50000);
    EXPECT_EQ(find(r, "0001", "HEX")->DESCRI_REM, "HORAS EXTRA (  1.50)");
    const double preliminary = 1000000 + 10000 + 50000;
    EXPECT_EQ(value(r, "0001", "PTI"), preliminary * 0.1);  // sees neither itself nor the gratification
    EXPECT_EQ(value(r, "0001", "GRA"), preliminary * 0.25);
    EXPECT_EQ(find(r, "0001", "GRA")->DESCRI_REM, "GRATIFICACION");
    EXPECT_EQ(value(r, "0001", "TIM"), preliminary * 1.35 + 5000);
    EXPECT_EQ(value(r, "0001", "NIM"), 20000);
    EXPECT_EQ(value(r, "0001", "THA"), preliminary * 1.35 + 5000 + 20000);
    EXPECT_EQ(find(r, "0001", "GRA")->SECUEN_REM, 20);
    EXPECT_EQ(find(r, "0001", "GRX")->SECUEN_REM, 5);
    EXPECT_EQ(find(r, "0001", "MOV")->SECUEN_REM, 5);
    EXPECT_EQ(find(r, "0001", "ANT")->SECUEN_REM, 5);
    EXPECT_EQ(value(r, "0001", "ANT"), 50000);

    // A stored formula that fails stops the run and names worker, item and formula.
    in.workerItems.push_back(item("0001", "BAD", "BONO MALO", 1, 1, 1, "VALOR*PORAFP"));
    r = calculateMonth(in);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.slips.empty());
    ASSERT_FALSE(r.messages.empty());
    const std::string& text = r.messages.back().text;
    EXPECT_NE(text.find("0001"), std::string::npos);
    EXPECT_NE(text.find("BONO MALO"), std::string::npos);
    EXPECT_NE(text.find("VALOR*PORAFP"), std::string::npos);
}

TEST(Calculation, SavingsBothModesAndTaxableCap) {
    MonthInputs in = march();
    in.personnel = {worker("0001", 3000000)};
    in.savings = {{"0001", "TRABAJADOR 0001", "005", "HABITAT", 50000, "", 1, 0},
                  {"0001", "TRABAJADOR 0001", "006", "CUPRUM", 30000, "", 0, 0},
                  {"0001", "TRABAJADOR 0001", "007", "MODELO", 99999, "", 1, 1}};
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    std::vector<std::string> apv;
    for (auto* l : linesOf(r, "0001"))
        if (l->HABDES_REM == "APV") apv.push_back(l->DESCRI_REM + "=" + std::to_string(int(l->VALFIN_REM)));
    EXPECT_EQ(apv, (std::vector<std::string>{"APV REBAJA=50000", "APV NO REBAJA=30000"}));
    // Taxable cap: pension and health on cap x UF, unemployment on its own cap.
    const double basimp = 78.3 * 26966.89;
    EXPECT_EQ(value(r, "0001", "03"), ROUND(basimp * 11.44 / 100, 0));
    EXPECT_EQ(value(r, "0001", "FON"), ROUND(basimp * 7 / 100, 0));
    EXPECT_EQ(value(r, "0001", "BIM"), ROUND(basimp, 0));
    EXPECT_EQ(value(r, "0001", "TIM"), 3000000);
    const double health = ROUND(26966.89 * 78.3 * 0.07, 0);
    const double base = 3000000 - ROUND(basimp * 11.44 / 100, 0) - std::min(ROUND(basimp * 7 / 100, 0), health) - 50000;
    EXPECT_EQ(find(r, "0001", "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. " + TRANSFORM(ROUND(base, 0), "9,999,999") + ")");

    // One line per contract; the formula is evaluated again with the worker's figures.
    in.separateSavings = true;
    in.savings[0].formula = "VALOR*VALOUF";
    in.savings[0].value = 2;
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    apv.clear();
    for (auto* l : linesOf(r, "0001"))
        if (l->HABDES_REM == "APV")
            apv.push_back(l->DESCRI_REM + "|" + l->TITULO_REM + "|" + std::to_string(int(l->VALFIN_REM)) + "|" +
                          l->INSAPV_REM + "|" + l->NOMINSAPV);
    EXPECT_EQ(apv, (std::vector<std::string>{"APV REBAJA|APV_005|53934|005|HABITAT", "APV|APV_006|30000|006|CUPRUM"}));
}

TEST(Calculation, FamilyAllowancePensionRegimesAndHealth) {
    MonthInputs in = march();
    Worker a = worker("0001", 1000000);  // 24 days, two dependants in bracket A
    a.cargas = 2;
    a.tramo = "A";
    Worker b = a;  // 25 days
    b.codigo = "0002";
    Worker c = worker("0003", 1000000);  // old public regime, plan of 4 UF
    c.afp = "";
    c.ips = "IP";
    c.isa = "01";
    c.pactado = 2;
    c.valorPactado = 4;
    Worker d = worker("0004", 1000000);  // plan below the legal 7 %
    d.isa = "01";
    d.pactado = 2;
    d.valorPactado = 1.5;
    Worker e = worker("0005", 1000000);  // no pension system
    e.afp = "00";
    in.personnel = {a, b, c, d, e};
    in.workerItems = {item("0001", "998", "DIAS TRABAJADOS", 3, 0, 24), item("0002", "998", "DIAS TRABAJADOS", 3, 0, 25)};
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0001", "FAM"), ROUND(2 * 11337 / 30.0 * 24, 0));
    EXPECT_EQ(find(r, "0001", "FAM")->DESCRI_REM, "ASIGNACION FAMILIAR (2 * $11,337)");
    EXPECT_EQ(find(r, "0001", "FAM")->TITULO_REM, "ASIGNACION FAMILIAR ");
    EXPECT_EQ(find(r, "0001", "FAM")->IMPONI_REM, 2);
    EXPECT_EQ(find(r, "0001", "FAM")->SECUEN_REM, 5);
    EXPECT_EQ(value(r, "0001", "NIM"), ROUND(2 * 11337 / 30.0 * 24, 0));
    EXPECT_EQ(value(r, "0002", "FAM"), 22674);

    EXPECT_EQ(value(r, "0003", "IP"), 188400);
    EXPECT_EQ(find(r, "0003", "IP")->TITULO_REM, "IPS EMPART");
    EXPECT_EQ(find(r, "0003", "IP")->SECUEN_REM, 5);
    EXPECT_EQ(value(r, "0003", "01"), 70000);  // legal 7 % on the insurer line
    EXPECT_EQ(find(r, "0003", "01")->TITULO_REM, "ISAPRE");
    EXPECT_EQ(find(r, "0003", "01")->DESCRI_REM, "BANMEDICA");
    EXPECT_EQ(find(r, "0003", "01")->SECUEN_REM, 2);
    std::vector<const PaySlipLine*> additional;
    for (auto* l : linesOf(r, "0003"))
        if (l->TITULO_REM == "ADICIONAL ISAPRE") additional.push_back(l);
    ASSERT_EQ(additional.size(), 1u);
    EXPECT_EQ(additional[0]->VALFIN_REM, ROUND(4 * 26966.89, 0) - 70000);
    EXPECT_EQ(additional[0]->SECUEN_REM, 3);
    int lines0004 = 0;
    for (auto* l : linesOf(r, "0004")) lines0004 += l->HABDES_REM == "01";
    EXPECT_EQ(lines0004, 1);  // no additional line
    EXPECT_EQ(find(r, "0005", "SIP")->TITULO_REM, "AFP");

    // Public fund with a family compensation fund: two lines adding up to the 7 %.
    in.company.ccafCode = "01";
    in.company.ccafRate = 0.6;
    in.company.mutualCode = "01";
    in.company.mutualRate = 0.95;
    in.personnel = {worker("0001", 1234567)};
    in.workerItems.clear();
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(find(r, "0001", "FON")->DESCRI_REM, "FONASA 6.4%");
    EXPECT_EQ(find(r, "0001", "01")->DESCRI_REM, "CCAF LOS ANDES 0.6%");
    EXPECT_EQ(find(r, "0001", "01")->TITULO_REM, "CCAF COTIZ");
    EXPECT_NEAR(value(r, "0001", "FON") + value(r, "0001", "01"), ROUND(1234567 * 0.07, 0), 1);
    EXPECT_EQ(find(r, "0001", "MUT")->DESCRI_REM, "ACHS %0.95");
    EXPECT_EQ(find(r, "0001", "MUT")->TITULO_REM, "MUT %0.95");
    EXPECT_EQ(value(r, "0001", "MUT"), ROUND(1234567 * 0.0095, 0));

    // A missing insurer is announced and leaves rate 0; a missing fund stops the run.
    in.personnel[0].isa = "55";
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.messages.at(0).text, "No existe C\xC3\xB3" "digo ISA55");
    EXPECT_EQ(value(r, "0001", "55"), 0);
    in.personnel[0].afp = "77";
    r = calculateMonth(in);
    EXPECT_FALSE(r.ok);
    // On the old public regime the fund code is not used, so it is not looked up either.
    in.personnel[0].ips = "IP";
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0001", "IP"), ROUND(1234567 * 0.1884, 0));
}

TEST(Calculation, UnemploymentSisAndLeave) {
    MonthInputs in = march();
    for (int code = 1; code <= 4; ++code) {
        Worker w = worker("000" + std::to_string(code), 1000000);
        w.seguroCesantia = code;
        in.personnel.push_back(w);
    }
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(find(r, "0001", "SCE"), nullptr);
    EXPECT_EQ(find(r, "0001", "BSC"), nullptr);
    EXPECT_EQ(find(r, "0002", "SCA"), nullptr);
    EXPECT_EQ(value(r, "0002", "SCE"), 30000);
    EXPECT_EQ(value(r, "0002", "BSC"), 1000000);
    EXPECT_EQ(value(r, "0003", "SCA"), 6000);
    EXPECT_EQ(value(r, "0003", "SCE"), 24000);
    EXPECT_EQ(value(r, "0004", "SCE"), 8000);
    EXPECT_EQ(find(r, "0004", "SCA"), nullptr);

    // Ten days of medical leave; the previous salary comes from an earlier month.
    in.personnel = {worker("0001", 1000000), worker("0002", 1000000)};
    for (auto& w : in.personnel) w.seguroCesantia = 3, w.sis = 1;
    in.personnel[1].seguroCesantia = 2;
    in.workerItems = {item("0001", "999", "LICENCIA", 3, 0, 10, "", "3"), item("0002", "999", "LICENCIA", 3, 0, 30, "", "3")};
    in.previousSalary["0001"] = 900000;
    EXPECT_EQ(workersNeedingPreviousSalary(in), (std::vector<std::string>{"0001", "0002"}));
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    const double worked = ROUND(1000000 / 30.0 * 20, 0);
    const double leaveBase = 900000 / 30.0 * 10;
    EXPECT_EQ(value(r, "0001", "SCE"), ROUND((worked + leaveBase) * 2.4 / 100, 0));
    EXPECT_EQ(value(r, "0001", "SCA"), ROUND(0.6 * worked / 100, 0));
    EXPECT_EQ(value(r, "0001", "BSC"), ROUND(worked + leaveBase, 0));
    const double ubase = ROUND(worked + leaveBase, 0);
    EXPECT_EQ(value(r, "0001", "SIS"), ROUND(worked * 1.41 / 100 + (ubase / 30 * 10) * 1.41 / 100, 0));
    // The whole month on leave, no earlier month on record: the base salary stands in.
    EXPECT_EQ(value(r, "0002", "998"), 0);
    EXPECT_EQ(value(r, "0002", "SCE"), ROUND(1000000 * 3 / 100.0, 0));
    EXPECT_EQ(find(r, "0002", "SCA"), nullptr);
    EXPECT_EQ(value(r, "0002", "BSC"), 1000000);
    EXPECT_EQ(value(r, "0002", "SIS"), ROUND(1000000 * 1.41 / 100, 0));
}

TEST(Calculation, AboveTheCapsWithUnemploymentAHealthPlanAndNonTaxableEarnings) {
    MonthInputs in = march();
    const double uf = 26966.89;
    const double basimp = 78.3 * uf;                   // taxable cap in pesos
    const double unemploymentCap = ROUND(117.5 * uf, 0);  // 3,168,610
    // Between the two caps, and above both; both insured and on a plan of 8 UF, dearer than 7 % of the cap.
    const std::pair<const char*, double> workers[] = {{"0001", 2500000}, {"0002", 3500000}};
    for (auto [code, salary] : workers) {
        Worker w = worker(code, salary);
        w.seguroCesantia = 3;
        w.isa = "01";
        w.pactado = 2;
        w.valorPactado = 8;
        in.personnel.push_back(w);
    }
    in.workerItems = {item("0001", "MOV", "MOVILIZACION", 1, 2, 30000), item("0002", "COL", "COLACION", 1, 2, 45000)};
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);

    const double pension = ROUND(basimp * 11.44 / 100, 0);
    const double legal = ROUND(basimp * 7 / 100, 0);
    const double plan = ROUND(8 * uf, 0);
    const double healthForTax = ROUND(uf * 78.3 * 0.07, 0);  // the plan lowers the tax base only this far
    const double bases[] = {2500000, unemploymentCap};
    const double nonTaxable[] = {30000, 45000};
    const double taxBase[] = {2500000 - pension - healthForTax - ROUND(2500000 * 0.006, 0),
                              3500000 - pension - healthForTax - ROUND(unemploymentCap * 0.006, 0)};
    const double tax[] = {ROUND(taxBase[0] * 0.08 - 82303.74, 0), ROUND(taxBase[1] * 0.135 - 212381.49, 0)};
    for (int i = 0; i < 2; ++i) {
        const std::string code = workers[i].first;
        const double salary = workers[i].second;
        EXPECT_EQ(value(r, code, "TIM"), salary) << code;
        EXPECT_EQ(value(r, code, "BIM"), ROUND(basimp, 0)) << code;
        EXPECT_EQ(value(r, code, "03"), pension) << code;
        // Unemployment insurance on its own cap, not the taxable one.
        EXPECT_EQ(value(r, code, "BSC"), bases[i]) << code;
        EXPECT_EQ(value(r, code, "SCA"), ROUND(bases[i] * 0.6 / 100, 0)) << code;
        EXPECT_EQ(value(r, code, "SCE"), ROUND(bases[i] * 2.4 / 100, 0)) << code;
        std::vector<double> health;
        for (auto* l : linesOf(r, code))
            if (l->HABDES_REM == "01") health.push_back(l->VALFIN_REM);
        EXPECT_EQ(health, (std::vector<double>{legal, plan - legal})) << code;
        EXPECT_EQ(find(r, code, "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. " + TRANSFORM(taxBase[i], "9,999,999") + ")")
            << code;
        EXPECT_EQ(value(r, code, "UNI"), tax[i]) << code;
        // Net pay is every earning, non-taxable ones included, less every deduction.
        const double deductions = pension + plan + ROUND(bases[i] * 0.6 / 100, 0) + tax[i];
        EXPECT_EQ(value(r, code, "NIM"), nonTaxable[i]) << code;
        EXPECT_EQ(value(r, code, "THA"), salary + nonTaxable[i]) << code;
        EXPECT_EQ(value(r, code, "TDE"), deductions) << code;
        EXPECT_EQ(value(r, code, "ALQ"), salary + nonTaxable[i] - deductions) << code;
    }
}

TEST(Calculation, TaxBracketsAtBoundsAndInGaps) {
    MonthInputs in = march();
    TaxTable t;
    t.UTM = 47301;
    t.from[0] = 0, t.to[0] = 100000, t.factor[0] = 0.01;
    t.from[1] = 100000.01, t.to[1] = 200000, t.factor[1] = 0.1, t.rebate[1] = 10000;
    t.from[2] = 220001, t.to[2] = 240000, t.factor[2] = 0.2;
    for (int k = 3; k < 6; ++k) t.from[k] = 1e12, t.to[k] = 1e12;
    t.from[6] = 300000, t.factor[6] = 0.2, t.rebate[6] = 40000;
    t.from[7] = 250000, t.factor[7] = 0.5;
    in.tax = t;
    taxBaseIsSalary(in);
    for (double salary : {100000, 200000, 210000, 260000, 400000})
        in.personnel.push_back(
            bareWorker(std::to_string(int(salary / 1000)).insert(0, 4 - std::to_string(int(salary / 1000)).size(), '0'), salary));
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0100", "UNI"), 1000);    // upper bound of bracket 1
    EXPECT_EQ(value(r, "0200", "UNI"), 10000);   // upper bound of bracket 2
    EXPECT_EQ(find(r, "0210", "UNI"), nullptr);  // gap between brackets 2 and 3
    EXPECT_EQ(value(r, "0260", "UNI"), 130000);  // only bracket 8 reaches it
    EXPECT_EQ(value(r, "0400", "UNI"), 40000);   // bracket 7 before bracket 8
}

// The single tax of April 2020 as the tax authority published it (UTM 50,221): exempt up to 13.5 UTM,
// then 4 %, 8 %, 13.5 %, 23 %, 30.4 % and 35 % up to 310 UTM, and the eighth bracket, 40 % above.
TEST(Calculation, TaxEighthBracketOfTheApril2020Scale) {
    MonthInputs in = march();
    const Brackets factor = {0, 0.04, 0.08, 0.135, 0.23, 0.304, 0.35, 0.40};
    const Brackets rebate = {0, 27119.34, 87384.54, 225492.29, 559461.94, 893933.80, 1171153.72, 1949579.22};
    in.tax = taxTable(50221, {0, 677983.51, 1506630.01, 2511050.01, 3515470.01, 4519890.01, 6026520.01, 15568510.01},
                      {677983.50, 1506630, 2511050, 3515470, 4519890, 6026520, 15568510, 0}, factor, rebate);
    taxBaseIsSalary(in);
    // Base and its bracket (0: exempt).
    const std::pair<double, int> cases[] = {{677983, 0},   {700000, 2},   {1506630, 2},  {1506631, 3},
                                            {2511050, 3},  {3000000, 4},  {4000000, 5},  {6026520, 6},
                                            {6026521, 7},  {15568510, 7}, {15568511, 8}, {20000000, 8}};
    auto code = [](int i) { return std::string(i < 10 ? "000" : "00") + std::to_string(i); };
    for (int i = 0; i < 12; ++i) in.personnel.push_back(bareWorker(code(i), cases[i].first));
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    for (int i = 0; i < 12; ++i) {
        const auto [base, bracket] = cases[i];
        if (bracket == 0) {
            EXPECT_EQ(find(r, code(i), "UNI"), nullptr) << base;
            continue;
        }
        EXPECT_EQ(value(r, code(i), "UNI"), ROUND(base * factor[bracket - 1] - rebate[bracket - 1], 0)) << base;
        EXPECT_EQ(find(r, code(i), "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. " + trim(TRANSFORM(base, "99,999,999")) + ")");
    }
    EXPECT_EQ(value(r, code(11), "UNI"), 6050421);  // 20,000,000 x 40 % - 1,949,579.22

    // The 2017-2019 scale has no eighth bracket: its seventh has no upper limit.
    in = march();
    taxBaseIsSalary(in);
    in.personnel = {bareWorker("0001", 20000000)};
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0001", "UNI"), ROUND(20000000 * 0.35 - 1103059.32, 0));
}

TEST(Calculation, AdjustmentsInstalmentsAndWorkerSelection) {
    MonthInputs in = march();
    Worker gone = worker("0003", 500000);
    gone.anomesTermino = 201802;
    Worker leaving = worker("0004", 500000);
    leaving.anomesTermino = 201803;
    in.personnel = {worker("0001", 1000000), worker("0002", 1000000), gone, leaving};
    ItemRow loan = item("0001", "PRE", "PRESTAMO", 2, 0, 10000);
    loan.from = Date{2018, 1, 15};
    loan.to = Date{2018, 7, 15};
    ItemRow open = item("0001", "CUO", "CUOTA", 2, 0, 5000);
    open.from = Date{2018, 1, 15};
    ItemRow ended = item("0001", "OLD", "VIEJO", 2, 0, 7000);
    ended.to = Date{2018, 2, 28};
    in.workerItems = {loan, open, ended, item("0001", "BON", "BONO", 1, 1, 10000), item("0099", "BON", "BONO", 1, 1, 1),
                      item("0099", "BON", "BONO 2", 1, 1, 1), item("0003", "BON", "BONO", 1, 1, 1)};
    in.adjustments = {{"0001", "X", "TIM", 1, "TOTAL IMPONIBLE", 1200000}, {"0001", "X", "BON", 1, "BONO", 12345}};
    std::vector<std::string> progress;
    CalcResult r = calculateMonth(in, [&](const std::string& t) { progress.push_back(t); });
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(find(r, "0001", "PRE")->DESCRI_REM, "PRESTAMO ( 3/ 6)");
    EXPECT_EQ(find(r, "0001", "CUO")->DESCRI_REM, "CUOTA");
    EXPECT_EQ(find(r, "0001", "OLD"), nullptr);
    EXPECT_EQ(value(r, "0001", "BON"), 12345);
    // The adjusted taxable total reaches totals and write-back, not the contributions.
    EXPECT_EQ(value(r, "0001", "TIM"), 1200000);
    EXPECT_EQ(value(r, "0001", "THA"), 1200000);
    EXPECT_EQ(value(r, "0001", "BIM"), 1200000);
    EXPECT_EQ(value(r, "0001", "03"), ROUND((1000000 + 12345) * 0.1144, 0));
    EXPECT_EQ(value(r, "0001", "ALQ"), 1200000 - value(r, "0001", "TDE"));
    EXPECT_EQ(r.writeBack.at(0).totalImponible, 1200000);
    EXPECT_EQ(r.ajupaso.size(), 2u);
    EXPECT_EQ(r.ajupaso[0].HABDES_REM, "BON");  // key order

    // Unknown worker announced once per row; ended contract skipped; month-end contract kept.
    int missing = 0;
    for (auto& m : r.messages)
        if (m.text == "Trabajador no encontrado en Tabla Trabajadores 0099" && m.title == "Alerta") ++missing;
    EXPECT_EQ(missing, 2);
    EXPECT_TRUE(linesOf(r, "0003").empty());
    EXPECT_FALSE(linesOf(r, "0004").empty());
    EXPECT_EQ(r.workers, 3);
    ASSERT_EQ(r.writeBack.size(), 3u);
    EXPECT_NE(std::find(progress.begin(), progress.end(), "Por Favor, espere\r\nProceso 80%3"), progress.end());
    EXPECT_EQ(progress.back(), "Por Favor, espere\r\nProceso 90%");

    // No worker in the month: the run refuses; a range with nobody completes empty.
    in.personnel.clear();
    in.workerItems.clear();
    in.monthHasPersonnel = false;
    r = calculateMonth(in);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text, "NO HAY DATOS EN EL MAESTRO DE PERSONAL EN  MARZO");
    EXPECT_EQ(r.messages[0].title, "Atenci\xC3\xB3n");
    in.monthHasPersonnel = true;
    r = calculateMonth(in);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.slips.empty());
}

TEST(Calculation, LeaveHealthPlansAndTheClientException) {
    MonthInputs in = march();
    // 10 days away on movement 2: the plan follows the days worked; when it falls
    // below the legal 7 % the additional of the full plan stays.
    Worker plan = worker("0001", 1000000);
    plan.isa = "01";
    plan.pactado = 3;
    plan.valorPactado = 50000;
    // Medical leave: family allowance whole; unemployment and disability on the
    // leave base, with the previous salary raised to the minimum wage.
    Worker leave = worker("0002", 100000);
    leave.cargas = 2;
    leave.tramo = "A";
    leave.seguroCesantia = 3;
    leave.sis = 1;
    // The whole month on leave without unemployment insurance.
    Worker away = worker("0003", 1000000);
    away.sis = 1;
    in.personnel = {plan, leave, away};
    in.workerItems = {item("0001", "999", "PERMISO", 3, 0, 10, "", "2"), item("0002", "999", "LICENCIA", 3, 0, 5, "", "6"),
                      item("0003", "999", "LICENCIA", 3, 0, 30, "", "3")};
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0001", "998"), 20);
    const double legal = ROUND(666667 * 0.07, 0);
    std::vector<double> health;
    for (auto* l : linesOf(r, "0001"))
        if (l->HABDES_REM == "01") health.push_back(l->VALFIN_REM);
    EXPECT_EQ(health, (std::vector<double>{legal, 50000 - legal}));

    EXPECT_EQ(value(r, "0002", "FAM"), 2 * 11337);  // 25 days, but on leave anyway
    const double worked = ROUND(100000 / 30.0 * 25, 0);
    const double leaveBase = 276000 / 30.0 * 5;
    EXPECT_EQ(value(r, "0002", "SCE"), ROUND((worked + leaveBase) * 2.4 / 100, 0));
    EXPECT_EQ(value(r, "0002", "SCA"), ROUND(0.6 * worked / 100, 0));
    const double ubase = ROUND(worked + leaveBase, 0);
    EXPECT_EQ(value(r, "0002", "BSC"), ubase);
    EXPECT_EQ(value(r, "0002", "SIS"), ROUND(276000 * 1.41 / 100 + ubase / 30 * 5 * 1.41 / 100, 0));

    // No unemployment base and no earlier month: a base line of 0, insurance on the salary.
    EXPECT_EQ(value(r, "0003", "BSC"), 0);
    EXPECT_EQ(find(r, "0003", "SCE"), nullptr);
    EXPECT_EQ(value(r, "0003", "SIS"), 14100);
    in.previousSalary["0003"] = 900000;
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0003", "BSC"), 900000);
    EXPECT_EQ(value(r, "0003", "SIS"), ROUND(900000 * 1.41 / 100, 0));

    // The excepted client gets no raises to the minimum wage.
    in.clientId = "R071_VARDELIK";
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0002", "SCE"), ROUND((worked + 100000 / 30.0 * 5) * 2.4 / 100, 0));
    EXPECT_EQ(value(r, "0002", "BSC"), 100000);
    EXPECT_EQ(value(r, "0002", "SIS"), ROUND(worked * 1.41 / 100 + 100000 / 30.0 * 5 * 1.41 / 100, 0));
}

TEST(Calculation, FiguresFormulasSeeAcrossWorkersAndSavings) {
    MonthInputs in = march();
    // BASIMP in the earning passes is the previous worker's, raised to the minimum
    // wage by his disability insurance; 100 for the first worker.
    Worker low = worker("0001", 200000);
    low.sis = 1;
    in.personnel = {low, worker("0002", 1000000), worker("0003", 1000000)};
    in.workerItems = {item("0001", "XBA", "BASE ANTERIOR", 1, 2, 1, "BASIMP"),
                      item("0002", "XBA", "BASE ANTERIOR", 1, 2, 1, "BASIMP")};
    // Summary savings keep what the formula gave before any worker was processed.
    in.savings = {{"0003", "X", "005", "HABITAT", 1, "SUELDO/10", 1, 0}};
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0001", "XBA"), 100);
    EXPECT_EQ(value(r, "0002", "XBA"), 276000);
    EXPECT_EQ(value(r, "0003", "APV"), 10);
    EXPECT_EQ(find(r, "0003", "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. 815,590)");

    // One line per contract: evaluated again with the worker's figures, while the
    // tax deduction keeps the first value.
    in.separateSavings = true;
    r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0003", "APV"), 100000);
    EXPECT_EQ(find(r, "0003", "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. 815,590)");
    EXPECT_EQ(value(r, "0003", "TDE"), 114400 + 70000 + ROUND(815590 * 0.04 - 25542.54, 0) + 100000);
}

TEST(Calculation, AdjustmentsMatchByPrefixAndStayOnTheirLine) {
    MonthInputs in = march();
    Worker ips = worker("0002", 1000000);
    ips.afp = "";
    ips.ips = "IP";
    in.personnel = {worker("0001", 1000000), ips};
    in.workerItems = {item("0001", "BON", "BONO", 1, 2, 1000)};
    in.adjustments = {{"0001", "X", "BON", 1, "BONO ESPECIAL", 4000},
                      {"0001", "X", "FON", 2, "FONASA", 1},
                      {"0002", "X", "IP", 2, "IPS EMPART 18.84 %", 5555}};
    CalcResult r = calculateMonth(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(value(r, "0001", "BON"), 4000);
    EXPECT_EQ(value(r, "0001", "FON"), 1);
    // The adjusted health line does not change the tax base; the regime's does.
    EXPECT_EQ(find(r, "0001", "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. 815,600)");
    EXPECT_EQ(value(r, "0001", "TDE"), 114400 + 1 + ROUND(815600 * 0.04 - 25542.54, 0));
    EXPECT_EQ(value(r, "0002", "IP"), 5555);
    EXPECT_EQ(find(r, "0002", "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. 924,445)");
}

TEST(RoundWhole, SameAsRoundOfTheDecimalText) {
    const double edges[] = {0.0, -0.0, 0.5, -0.5, 0.49999999999999994, -0.49999999999999994, 1.5, 2.5, -2.5,
                            0.30000000000000004, 12345.499999999998, 12345.5, 2.675 * 100, 1e-300, -1e-300,
                            4503599627370495.5, -4503599627370495.5, 4503599627370496.0, 9007199254740993.0,
                            1e300, -1e300, 276000.0 / 30 * 17, 26966.89 * 78.3, 1413.0 * 7 / 100};
    for (double x : edges) {
        EXPECT_EQ(roundWhole(x), ROUND(x, 0)) << x;
        EXPECT_EQ(std::signbit(roundWhole(x)), std::signbit(ROUND(x, 0))) << x;
    }
    // Amounts as the calculation makes them: rates of pesos, and values near each half.
    uint64_t seed = 12345;
    auto next = [&] { return seed = seed * 6364136223846793005ULL + 1442695040888963407ULL; };
    for (int i = 0; i < 20000; ++i) {
        double base = static_cast<double>(next() >> 40) / 7.0;
        double rate = static_cast<double>(next() >> 54) / 100.0;
        double x = (next() & 1 ? -1 : 1) * base * rate / 100;
        EXPECT_EQ(roundWhole(x), ROUND(x, 0)) << x;
        double h = std::floor(x) + 0.5;
        for (double y : {h, std::nextafter(h, 0.0), std::nextafter(h, 1e18), -h})
            EXPECT_EQ(roundWhole(y), ROUND(y, 0)) << y;
    }
}

// How a line was obtained, for the one worker asked about.
TEST(Explanation, SaysTheFormulaTheCapAndTheAdjustmentAndRecordsNobodyElse) {
    MonthInputs in = march();
    in.personnel = {worker("0001", 3000000), worker("0002", 500000)};
    in.workerItems = {item("0001", "BON", "BONO", 1, 1, 2, "VALOR*VALOUF")};
    in.adjustments = {{"0001", "X", "TDE", 2, "TOTAL DESCUENTOS", 123456}};
    SlipRecorder rec("0001");
    CalcResult r = calculateMonth(in, {}, {}, &rec);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(rec.lines().size(), linesOf(r, "0001").size());
    auto why = [&](const std::string& code) {
        for (const ExplainedLine& e : rec.lines())
            if (e.line.HABDES_REM == code) return e.why;
        return LineExplanation{"<none>", "", {}};
    };
    EXPECT_EQ(why("BON").text, "Fórmula VALOR*VALOUF, con VALOR = 2 y VALOUF = 26,966.89.");
    // 3,053,934 taxable, capped at 78.3 UF.
    EXPECT_EQ(why("03").text, "CUPRUM: 11.44 % de 2,111,507 imponible (el tope de 78.3 UF × 26,966.89; el total "
                              "imponible es 3,053,934).");
    EXPECT_EQ(why("BIM").text, "Total imponible 3,053,934, con el tope de 78.3 UF × 26,966.89.");
    EXPECT_EQ(why("SUE").text, "Sueldo 3,000,000, / 30 días × 30 días trabajados.");
    EXPECT_EQ(why("TDE").text.rfind("Ajuste del mes para este trabajador: 123,456, en lugar de lo calculado. "
                                    "Lo calculado: Suma de los descuentos: CUPRUM 11.44 % ",
                                    0),
              0u)
        << why("TDE").text;
    EXPECT_EQ(why("ALQ").text, "TOTAL HABERES 3,053,934 menos TOTAL DESCUENTOS 123,456.");
    for (const ExplainedLine& e : rec.lines()) {
        FormulaResult v = evaluateFormula(e.why.check, e.why.figures);
        ASSERT_TRUE(v.ok) << e.line.HABDES_REM << " " << e.why.check;
        EXPECT_EQ(roundWhole(v.value), e.line.VALFIN_REM) << e.line.HABDES_REM << ": " << e.why.text;
    }

    // Nobody else's lines, and a worker without lines in the month has none.
    EXPECT_TRUE(std::all_of(rec.lines().begin(), rec.lines().end(),
                            [](const ExplainedLine& e) { return e.line.PERSON_REM == "0001"; }));
    SlipRecorder absent("0099");
    calculateMonth(in, {}, {}, &absent);
    EXPECT_TRUE(absent.lines().empty());
}

TEST(Explanation, FiguresAsTheSlipWritesThem) {
    EXPECT_EQ(explainAmount(1066479), "1,066,479");
    EXPECT_EQ(explainAmount(-2500), "-2,500");
    EXPECT_EQ(explainFigure(78.3), "78.3");
    EXPECT_EQ(explainFigure(0.135), "0.135");
    EXPECT_EQ(explainFigure(27565.76), "27,565.76");
    EXPECT_EQ(explainFigure(20000.5 + 22464.41), "42,464.91");  // a sum just below its decimal text
}

namespace {

// The month's personnel, workers' own items and savings contracts handed over row by
// row, as the server sends them.
class RowsOf : public MonthRows {
public:
    RowsOf(std::vector<Worker> workers, std::vector<ItemRow> items, std::vector<SavingsRow> savings)
        : workers_(std::move(workers)), items_(std::move(items)), savings_(std::move(savings)) {}
    bool nextWorker(Worker& w) override {
        if (nextWorker_ >= workers_.size()) return false;
        w = workers_[nextWorker_++];
        return true;
    }
    bool nextItem(ItemRow& r) override {
        if (nextItem_ >= items_.size()) return false;
        r = items_[nextItem_++];
        return true;
    }
    bool nextSaving(SavingsRow& s) override {
        if (nextSaving_ >= savings_.size()) return false;
        s = savings_[nextSaving_++];
        return true;
    }

private:
    std::vector<Worker> workers_;
    std::vector<ItemRow> items_;
    std::vector<SavingsRow> savings_;
    size_t nextWorker_ = 0, nextItem_ = 0, nextSaving_ = 0;
};

std::string dateText(const Date& d) { return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day); }

std::string num(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// Every field of a line, as the work table would get it.
std::string lineText(const PaySlipLine& l) {
    return l.MES_REM + "|" + l.PERSON_REM + "|" + l.NOMBRE_REM + "|" + l.APENOM_REM + "|" + l.HABDES_REM + "|" +
           std::to_string(l.TIPO_REM) + "|" + std::to_string(l.IMPONI_REM) + "|" + std::to_string(l.HABDESVAR) + "|" +
           l.DESCRI_REM + "|" + num(l.VALFIN_REM) + "|" + num(l.VALOR_REM) + "|" + l.FORMUL_REM + "|" + l.TIPOTRABAJ +
           "|" + l.INSAPV_REM + "|" + l.NOMINSAPV + "|" + std::to_string(l.SECUEN_REM) + "|" + l.TITULO_REM + "|" +
           l.CUENTA_REM + "|" + l.CENCOS_REM + "|" + l.CODMOV_REM + "|" + dateText(l.FECDES_REM) + "|" +
           dateText(l.FECHAS_REM) + "|" + l.NOMMOV_REM + "|" + num(l.BASCES_REM);
}

// What a run gives its caller: the lines handed over, the progress texts, the messages, the figures.
struct RunSeen {
    CalcResult result;
    std::vector<std::string> lines, progress, messages, figures;
};

RunSeen seen(const std::function<CalcResult(const ProgressFn&, const SlipSink&)>& run) {
    RunSeen s;
    s.result = run([&](const std::string& p) { s.progress.push_back(p); },
                   [&](std::vector<PaySlipLine>&& slip) {
                       for (const auto& l : slip) s.lines.push_back(lineText(l));
                   });
    for (const RunMessage& m : s.result.messages)
        s.messages.push_back(std::string(boxKindName(m.kind)) + "|" + m.title + "|" + m.text);
    for (const WriteBack& w : s.result.writeBack)
        s.figures.push_back(w.code.str() + "|" + std::to_string(w.hasTotal) + num(w.totalImponible) + "|" +
                            std::to_string(w.hasDays) + num(w.diasTrabajados));
    for (const auto& l : s.result.ajupaso) s.lines.push_back("AJUPASO " + lineText(l));
    return s;
}

// The contracts as the server sends them to a streamed run: in code order, those of one
// code in the order the whole month's run has them.
std::vector<SavingsRow> inCodeOrder(std::vector<SavingsRow> savings) {
    std::stable_sort(savings.begin(), savings.end(),
                     [](const SavingsRow& a, const SavingsRow& b) { return codeKey(a.workerCode) < codeKey(b.workerCode); });
    return savings;
}

RunSeen streamedRun(const MonthInputs& in) {
    MonthInputs rest = in;
    rest.personnel.clear();
    rest.workerItems.clear();
    rest.savings.clear();
    RowsOf rows(in.personnel, in.workerItems, inCodeOrder(in.savings));
    return seen([&](const ProgressFn& p, const SlipSink& sink) { return calculateMonthStreamed(rest, rows, p, sink); });
}

void expectSameRun(const MonthInputs& in) {
    RunSeen whole = seen([&](const ProgressFn& p, const SlipSink& sink) { return calculateMonth(in, p, sink); });
    RunSeen streamed = streamedRun(in);
    ASSERT_FALSE(streamed.result.wholeMonthNeeded);
    EXPECT_EQ(streamed.result.ok, whole.result.ok);
    EXPECT_EQ(streamed.result.workers, whole.result.workers);
    EXPECT_EQ(streamed.lines, whole.lines);
    EXPECT_EQ(streamed.progress, whole.progress);
    EXPECT_EQ(streamed.messages, whole.messages);
    EXPECT_EQ(streamed.figures, whole.figures);
}

bool needsWholeMonth(const MonthInputs& in) { return streamedRun(in).result.wholeMonthNeeded; }

}  // namespace

TEST(StreamedCalculation, SameRunAsTheWholeMonth) {
    MonthInputs in = march();
    Worker gone = worker("0002", 500000);
    gone.anomesTermino = 201801;  // contract ended before the month
    Worker low = worker("0001", 200000);
    low.sis = 1;
    in.personnel = {low, gone, worker("0003", 700000), worker("0005", 1000000), worker("0007", 800000)};
    ItemRow ended = item("0005", "BON", "BONO VENCIDO", 1, 1, 5000);
    ended.to = Date{2018, 1, 31};
    in.workerItems = {item("0001", "XBA", "BASE ANTERIOR", 1, 2, 1, "BASIMP"),
                      item("0001", "998", "DIAS TRABAJADOS", 3, 0, 20),
                      item("0002", "BON", "BONO", 1, 1, 1000),
                      item("0004", "BON", "BONO", 1, 1, 1000),  // nobody of that code: an alert
                      item("0004", "APV", "APV VIEJO", 2, 0, 1000),
                      item("0005", "APV", "APV VIEJO", 2, 0, 1000),  // savings come from their own table
                      ended,
                      item("0005", "XBA", "BASE ANTERIOR", 1, 2, 1, "BASIMP*2"),
                      item("0005", "999", "LICENCIA", 3, 0, 5, "", "3"),
                      item("0006", "BON", "BONO", 1, 1, 1000)};
    in.previousSalary = {{"0005", 900000}};
    in.savings = {{"0007", "TRABAJADOR 0007", "005", "HABITAT", 2, "VALOR*VALOUF", 1, 0},
                  {"0003", "TRABAJADOR 0003", "006", "CUPRUM", 30000, "", 0, 0},
                  {"0007", "TRABAJADOR 0007", "006", "CUPRUM", 1, "SUELDO/10", 0, 0},
                  {"0007", "TRABAJADOR 0007", "007", "MODELO", 99999, "", 1, 1},
                  {"0008", "NADIE", "005", "HABITAT", 1000, "", 1, 0},
                  {"0002", "TRABAJADOR 0002", "005", "HABITAT", 1000, "", 1, 0}};
    in.adjustments = {{"0003", "X", "FON", 2, "FONASA", 1}};
    expectSameRun(in);
    in.separateSavings = true;
    expectSameRun(in);
    in.commonItems.clear();
    expectSameRun(in);
    in.commonItems.push_back({"    ", "  ", "BON", "BONO", 1, 1, 3000, "", "", {}, {}});
    expectSameRun(in);
    // A range without personnel: every item of a worker tells he was not found.
    in.personnel.clear();
    expectSameRun(in);
    in.monthHasPersonnel = false;
    expectSameRun(in);
}

TEST(StreamedCalculation, CodesTheServerMayOrderOtherwiseNeedTheWholeMonth) {
    MonthInputs in = march();
    in.personnel = {worker("0001", 500000), worker("0002", 500000)};
    in.workerItems = {item("0001", "BON", "BONO", 1, 1, 1000)};
    EXPECT_FALSE(needsWholeMonth(in));

    MonthInputs lower = in;  // the server's order ignores case, the run's does not
    lower.personnel.push_back(worker("00a3", 500000));
    EXPECT_TRUE(needsWholeMonth(lower));
    MonthInputs widths = in;  // a shorter code finds a worker whose code contains it
    widths.personnel.push_back(worker("3", 500000));
    EXPECT_TRUE(needsWholeMonth(widths));
    MonthInputs itemWidth = in;
    itemWidth.workerItems.push_back(item("2", "BON", "BONO", 1, 1, 1000));
    EXPECT_TRUE(needsWholeMonth(itemWidth));
    MonthInputs savingsCode = in;
    savingsCode.savings = {{" 02", "X", "005", "HABITAT", 1000, "", 1, 0}};
    EXPECT_TRUE(needsWholeMonth(savingsCode));
    MonthInputs unordered = in;
    unordered.workerItems.push_back(item("0000", "BON", "BONO", 1, 1, 1000));
    EXPECT_TRUE(needsWholeMonth(unordered));

    // A stop: the whole month's run says which worker and formula, after the same alerts.
    MonthInputs stop = in;
    stop.workerItems = {item("0001", "BON", "BONO", 1, 1, 1000, "VALOR/"), item("0009", "BON", "BONO", 1, 1, 1000)};
    EXPECT_TRUE(needsWholeMonth(stop));
    CalcResult whole = calculateMonth(stop);
    EXPECT_FALSE(whole.ok);
    ASSERT_EQ(whole.messages.size(), 2u);
    EXPECT_EQ(whole.messages[0].title, "Alerta");
    EXPECT_EQ(whole.messages[1].kind, BoxKind::Stop);
}

// A slip goes to REMUMES ordered by type, then taxable flag, lines of the same
// pair keeping the order they were made in, whatever values the two fields hold.
TEST(SlipOrder, ByTypeThenTaxableFlagKeepingTheOrderOfMaking) {
    const int kinds[][2] = {{2, 0}, {1, 1}, {4, 0}, {1, 0}, {2, 0}, {3, 0}, {1, 1}, {1, 0}, {2, 1}, {4, 0}, {1, 1}};
    for (int unusual : {0, 12, -1}) {
        std::vector<PaySlipLine> lines;
        for (const auto& k : kinds) {
            PaySlipLine l;
            l.TIPO_REM = k[0];
            l.IMPONI_REM = k[1];
            l.DESCRI_REM = "LINEA " + std::to_string(lines.size());
            lines.push_back(l);
        }
        if (unusual) lines[5].IMPONI_REM = unusual, lines[9].TIPO_REM = unusual;
        std::vector<PaySlipLine> expected = lines;
        std::stable_sort(expected.begin(), expected.end(), [](const PaySlipLine& a, const PaySlipLine& b) {
            return a.TIPO_REM != b.TIPO_REM ? a.TIPO_REM < b.TIPO_REM : a.IMPONI_REM < b.IMPONI_REM;
        });
        std::vector<PaySlipLine> scratch;
        sortLines(lines, scratch);
        ASSERT_EQ(lines.size(), expected.size());
        for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].DESCRI_REM, expected[i].DESCRI_REM) << unusual << " " << i;
    }
}

TEST(WriteBackFigures, PackedFiguresComeBackAsTheWholeNumbersTheRowReceives) {
    const std::string longest = "\xF0\x9F\x98\x80\xC3\x91\xC3\x91\xC3\x91\xC3\x91\xC3\x91xx";  // 16 bytes
    const double big = 9007199254740993.0;  // past 2^53: a double, whole already
    const std::vector<WriteBack> given = {
        {"0001", true, true, 1234567, 30},
        {"", false, false, 99, 99},                    // neither figure: none kept
        {longest, true, false, -5000000000.75, 12},   // the days not computed
        {"ÑU", false, true, 0, 29.9},                  // the total not computed
        {"A", true, true, big, -0.5},
        {"Z9", true, true, -9.2e18, 1e15},
    };
    WriteBacks packed;
    EXPECT_TRUE(packed.empty());
    for (const WriteBack& w : given) packed.push_back(w);
    ASSERT_EQ(packed.size(), given.size());

    size_t i = 0;
    for (const WriteBack& got : packed) {
        const WriteBack& w = given.at(i++);
        EXPECT_EQ(got.code.view(), w.code.view()) << i;
        EXPECT_EQ(got.hasTotal, w.hasTotal) << i;
        EXPECT_EQ(got.hasDays, w.hasDays) << i;
        // What the write-back sends: the figure truncated to a whole number.
        if (w.hasTotal) {
            EXPECT_EQ(static_cast<long long>(got.totalImponible), static_cast<long long>(w.totalImponible)) << i;
        }
        if (w.hasDays) {
            EXPECT_EQ(static_cast<long long>(got.diasTrabajados), static_cast<long long>(w.diasTrabajados)) << i;
        }
    }
    EXPECT_EQ(i, given.size());
    EXPECT_EQ(packed[4].totalImponible, big);
    EXPECT_EQ(packed.at(2).totalImponible, -5000000000);
    EXPECT_EQ(packed.at(3).diasTrabajados, 29);
    EXPECT_THROW(packed.at(6), std::out_of_range);

    // A copy reads the same; a cleared list is empty and takes new figures.
    WriteBacks copy = packed;
    EXPECT_EQ(copy.at(5).code.view(), "Z9");
    packed.clear();
    EXPECT_TRUE(packed.empty());
    EXPECT_EQ(packed.begin(), packed.end());
    packed.push_back(given[0]);
    EXPECT_EQ(packed.at(0).totalImponible, 1234567);
}
