// Each statutory rule on its own: the lines it makes and the figures it hands to
// the rules after it (the income tax base, the disability insurance's base, the
// BASIMP and SUELDO the rest of the worker sees).
#include <gtest/gtest.h>

#include "format/picture.h"
#include "payroll/statutory.h"

using namespace remu;

namespace {

struct Rule {
    std::string month = "03", person = "0001", name = "TRABAJADOR 0001";
    SlipOwner owner{month, person, name};
    std::vector<PaySlipLine> table;  // AJUPASO
    Adjustments adjustments{table};
    std::vector<PaySlipLine> lines;
    std::vector<RunMessage> messages;
    RuleOutput out{owner, WorkerAdjustments{adjustments, person}, lines, messages};

    void adjust(const std::string& code, const std::string& text, double amount) {
        PaySlipLine l;
        l.PERSON_REM = person;
        l.HABDES_REM = code;
        l.DESCRI_REM = text;
        l.VALFIN_REM = amount;
        table.push_back(l);
        adjustments = Adjustments(table);
    }
    const PaySlipLine* line(const std::string& code) const {
        for (const auto& l : lines)
            if (l.HABDES_REM == code) return &l;
        return nullptr;
    }
    std::vector<std::string> codes() const {
        std::vector<std::string> c;
        for (const auto& l : lines) c.push_back(l.HABDES_REM);
        return c;
    }
};

MonthParams params() {
    MonthParams p;
    p.VALOUF = 26966.89;
    p.taxableCap = 78.3;
    p.unemploymentCap = 117.5;
    p.sisRate = 1.41;
    p.INGMIN = 276000;
    p.familyAllowance[0] = 11337;
    return p;
}

Worker worker() {
    Worker w;
    w.codigo = "0001";
    w.sueldoBase = 1000000;
    w.afp = "03";
    w.isa = "07";
    return w;
}

}  // namespace

TEST(IncomeTax, BracketsGapsAndTheOpenTopBracket) {
    TaxTable t;
    t.from[0] = 0, t.to[0] = 100, t.factor[0] = 0.1;
    t.from[1] = 200, t.to[1] = 300, t.factor[1] = 0.2, t.rebate[1] = 10;
    for (int k = 2; k < 6; ++k) t.from[k] = t.to[k] = 1e12;
    t.from[6] = 1000, t.factor[6] = 0.3;
    t.from[7] = 1e12;
    EXPECT_EQ(singleTax(t, 100), 10);             // the upper bound belongs to its bracket
    EXPECT_EQ(singleTax(t, 150), std::nullopt);   // a gap gives no tax at all
    EXPECT_EQ(singleTax(t, 5000), 1500);          // the seventh has no top of its own
    t.from[7] = 2000, t.factor[7] = 0.4;
    EXPECT_EQ(singleTax(t, 5000), 2000);          // an eighth bracket above the seventh takes over
    EXPECT_EQ(singleTax(t, 1500), 450);

    Rule r;
    incomeTax(t, 99.4, r.out);                    // rounds to 10: a line
    incomeTax(t, 4.9, r.out);                     // rounds to 0: none
    incomeTax(std::nullopt, 5000, r.out);         // no table: none
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0].DESCRI_REM, "IMP.UNICO (Base Trib. 99)");
    EXPECT_EQ(r.lines[0].TITULO_REM, "IMPUESTO UNICO");
    EXPECT_EQ(r.lines[0].VALFIN_REM, 10);
}

TEST(Pension, AmountForTaxFundsRegimesAndMissingRows) {
    std::vector<FundRow> rows = {{"00", "Sin AFP", 0}, {"03", "Cuprum", 11.44}, {"IP", "Ips Empart", 18.84}};
    CodeFinder<FundRow> funds(rows, &FundRow::code);
    Worker w = worker();
    {
        // A fund line takes no adjustment; the tax deducts what the line shows.
        Rule r;
        r.adjust("03", "CUPRUM 11.44 %", 1);
        EXPECT_EQ(pension(w, 1000000, funds, r.out), 114400);
        EXPECT_EQ(r.line("03")->VALFIN_REM, 114400);
        EXPECT_EQ(r.line("03")->TITULO_REM, "AFP");
    }
    {
        // A regime line does, and the adjusted amount is what the tax deducts.
        Rule r;
        w.ips = "IP";
        r.adjust("IP", "IPS EMPART 18.84 %", 150000.4);
        EXPECT_EQ(pension(w, 1000000, funds, r.out), 150000);
        EXPECT_EQ(r.line("IP")->TITULO_REM, "IPS EMPART");
    }
    {
        Rule r;
        w.ips = "";
        w.afp = "00";
        EXPECT_EQ(pension(w, 1000000, funds, r.out), 0);
        EXPECT_EQ(r.line("SIP")->DESCRI_REM, "SIN AFP 0 %");
        w.afp = "77";
        EXPECT_THROW(pension(w, 1000000, funds, r.out), CalculationStop);
        w.afp = "";
        w.ips = "XX";
        EXPECT_THROW(pension(w, 1000000, funds, r.out), CalculationStop);
    }
}

TEST(Health, WhatTheTaxDeductsAndThePlanOnLeave) {
    MonthInputs in;
    in.params = params();
    in.insurers = {{"07", "Fonasa", 7}, {"01", "Banmedica", 7}};
    in.ccafs = {{"01", "Los Andes"}};
    Worker w = worker();
    w.isa = "01";
    w.pactado = 2;
    w.valorPactado = 8;
    const double cap = in.params.VALOUF * in.params.taxableCap;
    {
        // A plan dearer than 7 % of the cap: the tax deducts no more than that 7 %.
        Rule r;
        EXPECT_EQ(health(w, in, {cap, 0, "", 30}, r.out), ROUND(cap * 0.07, 0));
        EXPECT_EQ(r.codes(), (std::vector<std::string>{"01", "01"}));
        EXPECT_EQ(r.lines[1].VALFIN_REM, ROUND(8 * 26966.89, 0) - ROUND(cap * 7 / 100, 0));
    }
    {
        // Ten days of leave cut the plan to 20 days; below the legal amount the additional stays.
        Rule r;
        const double legal = 70000, plan = ROUND(8 * 26966.89, 0);
        const double cut = ROUND(plan / 30 * 20, 0);
        EXPECT_EQ(health(w, in, {1000000, 10, "3", 20}, r.out), legal + (cut - legal));
        // Leaving the company (movement 2) cuts it to the days worked as well.
        Rule s;
        const double leaving = ROUND(cut / 30 * 15, 0);
        const double additional = leaving >= legal ? leaving - legal : cut - legal;
        EXPECT_EQ(health(w, in, {1000000, 10, "02", 15}, s.out), legal + additional);
    }
    {
        // The public fund shares the 7 % with the family compensation fund.
        Rule r;
        w.isa = "07";
        in.company.ccafCode = "01";
        in.company.ccafRate = 0.6;
        EXPECT_EQ(health(w, in, {1000000, 0, "", 30}, r.out), 64000 + 6000);
        EXPECT_EQ(r.line("FON")->DESCRI_REM, "FONASA 6.4%");
        EXPECT_EQ(r.line("01")->DESCRI_REM, "CCAF LOS ANDES 0.6%");
        // A missing insurer is announced, and its lines are still made at rate 0.
        Rule s;
        w.isa = "55";
        w.pactado = 1;
        EXPECT_EQ(health(w, in, {1000000, 0, "", 30}, s.out), 0);
        ASSERT_EQ(s.messages.size(), 1u);
        EXPECT_EQ(s.messages[0].text, "No existe Código ISA55");
        EXPECT_EQ(s.line("55")->DESCRI_REM, "   ");
    }
}

TEST(Unemployment, SharesBasesAndTheLeaveBase) {
    const MonthParams p = params();
    Worker w = worker();
    const std::pair<int, std::vector<std::string>> kinds[] = {
        {1, {}}, {2, {"SCE", "BSC"}}, {3, {"SCA", "SCE", "BSC"}}, {4, {"SCE", "BSC"}}};
    for (const auto& [kind, codes] : kinds) {
        Rule r;
        w.seguroCesantia = kind;
        Unemployment u = unemployment(w, p, {1000000, 0, 0, false}, r.out);
        EXPECT_EQ(r.codes(), codes) << kind;
        EXPECT_EQ(u.workerShare, kind == 3 ? 6000 : 0) << kind;
        EXPECT_EQ(u.base, kind == 1 ? 0 : 1000000) << kind;
    }
    // On leave the days away are insured on the previous salary, raised to the
    // minimum wage unless the client is excepted; the amounts stay unrounded.
    w.seguroCesantia = 3;
    for (bool excepted : {false, true}) {
        Rule r;
        Unemployment u = unemployment(w, p, {600000, 10, 150000, excepted}, r.out);
        const double previous = excepted ? 150000 : 276000;
        EXPECT_EQ(u.base, ROUND(600000 + previous / 30 * 10, 0)) << excepted;
        EXPECT_EQ(u.workerShare, 0.6 * 600000 / 100) << excepted;
        EXPECT_EQ(r.line("SCE")->VALFIN_REM, ROUND((600000 + previous / 30 * 10) * 2.4 / 100, 0)) << excepted;
    }
    // Without a previous salary on record the base salary stands in.
    Rule r;
    EXPECT_EQ(unemployment(w, p, {600000, 10, 0, false}, r.out).base, ROUND(600000 + 1000000 / 30.0 * 10, 0));
}

TEST(Disability, RaisesTheBaseAndTheSalaryForTheRestOfTheWorker) {
    const MonthParams p = params();
    Worker w = worker();
    {
        Rule r;
        Disability d = disability(w, p, {100000, 100000, 5, 5, 0, 0, 0, false}, r.out);
        EXPECT_TRUE(r.lines.empty());  // not insured: nothing made, nothing changed
        EXPECT_EQ(d.basimp, 100000);
        EXPECT_EQ(d.sueldo, 5);
    }
    w.sis = 1;
    {
        // A base below the minimum wage is raised to it, and stays raised.
        Rule r;
        Disability d = disability(w, p, {100000, 100000, 1000000, 1000000, 0, 0, 0, false}, r.out);
        EXPECT_EQ(d.basimp, 276000);
        EXPECT_EQ(r.line("SIS")->VALFIN_REM, ROUND(276000 * 1.41 / 100, 0));
        Rule s;
        EXPECT_EQ(disability(w, p, {100000, 100000, 1000000, 1000000, 0, 0, 0, true}, s.out).basimp, 100000);
    }
    {
        // The whole month on leave: SUELDO falls back on SUEBAS and is capped; with no
        // unemployment base a base line is made from the previous salary, even of 0.
        Rule r;
        Disability d = disability(w, p, {0, 0, 0, 5000000, 30, 0, 0, false}, r.out);
        EXPECT_EQ(d.sueldo, ROUND(26966.89 * 78.3, 0));
        EXPECT_EQ(r.codes(), (std::vector<std::string>{"BSC", "SIS"}));
        EXPECT_EQ(r.line("BSC")->VALFIN_REM, 0);
        EXPECT_EQ(r.line("SIS")->VALFIN_REM, ROUND(d.sueldo * 1.41 / 100, 0));
    }
}

TEST(FamilyAllowanceAndWorkAccident, ProportionAndInsurers) {
    const MonthParams p = params();
    Worker w = worker();
    w.cargas = 2;
    w.tramo = "A";
    for (double days : {24.0, 25.0}) {
        Rule r;
        familyAllowance(w, p, days, 0, r.out);
        EXPECT_EQ(r.line("FAM")->VALFIN_REM, days < 25 ? ROUND(22674 / 30.0 * 24, 0) : 22674);
    }
    Rule leave;
    familyAllowance(w, p, 10, 20, leave.out);  // any leave day pays it whole
    EXPECT_EQ(leave.line("FAM")->VALFIN_REM, 22674);
    w.tramo = "E";
    Rule none;
    familyAllowance(w, p, 30, 0, none.out);
    EXPECT_TRUE(none.lines.empty());

    MonthInputs in;
    in.company.mutualRate = 0.95;
    Rule isl;
    workAccident(w, in, 1000000, isl.out);
    EXPECT_EQ(isl.line("ISL")->TITULO_REM, "ISL %0.95");
    EXPECT_EQ(isl.line("ISL")->TIPO_REM, LineType::EmployerCost);
    in.company.mutualCode = "01";
    in.mutuals = {{"01", "Achs"}};
    Rule mut;
    mut.adjust("MUT", "ACHS %0.95", 1234);
    workAccident(w, in, 1000000, mut.out);
    EXPECT_EQ(mut.line("MUT")->DESCRI_REM, "ACHS %0.95");
    EXPECT_EQ(mut.line("MUT")->VALFIN_REM, 1234);
    w.sueldoPatronal = 1;
    Rule owner;
    workAccident(w, in, 1000000, owner.out);
    EXPECT_TRUE(owner.lines.empty());
}
