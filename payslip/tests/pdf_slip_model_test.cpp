#include "payslip/slip_model.h"

#include <gtest/gtest.h>

#include "payslip/tests/pdf_fixture.h"

using namespace remu;
using remu::test::line;

namespace {

std::vector<std::string> descriptions(const std::vector<SlipItem>& items) {
    std::vector<std::string> out;
    for (auto& i : items) out.push_back(i.description);
    return out;
}

}  // namespace

TEST(SlipModel, SelectsLinesAndTotalsPerOutput) {
    auto lines = test::workerLines("0007", "ROJAS DIAZ ANA", 500000);
    lines.push_back(line("0007", "ROJAS DIAZ ANA", "999", 2, 0, "DIAS LICENCIA", 0, "DIAS LICENCIA", 0));
    lines.push_back(line("0007", "ROJAS DIAZ ANA", "BON", 1, 1, "BONO CERO", 0));
    auto view = slipView(lines, {});
    auto workers = slipWorkers(view);
    ASSERT_EQ(workers.size(), 1u);

    auto printed = slipContent(view, workers[0], SlipOutput::Printed);
    EXPECT_EQ(printed.code, "0007");
    EXPECT_EQ(descriptions(printed.taxable), std::vector<std::string>{"SUELDO DEL MES"});
    EXPECT_EQ(descriptions(printed.nonTaxable), std::vector<std::string>{"MOVILIZACION"});
    EXPECT_EQ(descriptions(printed.deductions),
              (std::vector<std::string>{"AFP PROVIDA 11.45 %", "ISAPRE BANMEDICA 7%"}));
    EXPECT_EQ(printed.taxableTotal, 500000);
    EXPECT_EQ(printed.nonTaxableTotal, 20000);
    EXPECT_EQ(printed.deductionTotal, 85000);
    EXPECT_EQ(printed.totalEarnings(), 520000);
    EXPECT_EQ(printed.netPay(), 435000);
    EXPECT_EQ(printed.unemploymentEmployer, 12000);
    EXPECT_EQ(printed.mutual, 4650);
    EXPECT_EQ(printed.sis, 7650);
    EXPECT_EQ(printed.daysWorked, 30);

    // The PDF shows zero non-taxable earnings and does not skip the 999/998 deductions.
    auto pdf = slipContent(view, workers[0], SlipOutput::Pdf);
    EXPECT_EQ(descriptions(pdf.nonTaxable), (std::vector<std::string>{"COLACION", "MOVILIZACION"}));
    EXPECT_EQ(descriptions(pdf.deductions),
              (std::vector<std::string>{"DIAS LICENCIA", "AFP PROVIDA 11.45 %", "ISAPRE BANMEDICA 7%"}));
    EXPECT_EQ(descriptions(pdf.taxable), std::vector<std::string>{"SUELDO DEL MES"});
}

TEST(SlipModel, ViewOrderAndFilters) {
    std::vector<PaySlipLine> lines;
    for (auto& [code, name] : std::vector<std::pair<std::string, std::string>>{
             {"0001", "ZAPATA"}, {"0002", "ALVAREZ"}, {"0010", "MUNOZ"}}) {
        auto w = test::workerLines(code, name, 400000);
        lines.insert(lines.end(), w.rbegin(), w.rend());  // any stored order
    }
    lines[0].CENCOS_REM = "CC02";
    auto view = slipView(lines, {});
    auto workers = slipWorkers(view);
    ASSERT_EQ(workers.size(), 3u);
    EXPECT_EQ(view[workers[0].begin].PERSON_REM, "0002");
    EXPECT_EQ(view[workers[2].begin].PERSON_REM, "0001");
    // Within a worker: earnings before deductions, taxable first, by order number.
    EXPECT_EQ(view[workers[0].begin].HABDES_REM, "998");
    for (auto& l : view) EXPECT_NE(l.DESCRI_REM, "BASE IMPONIBLE");

    EXPECT_EQ(slipWorkers(slipView(lines, {"2", "10", ""})).size(), 2u);
    EXPECT_EQ(slipWorkers(slipView(lines, {"10", "", ""})).size(), 1u);  // "to" blank: the "from" worker alone
    auto cc = slipView(lines, {"", "", "CC02"});
    ASSERT_EQ(cc.size(), 1u);
    EXPECT_EQ(cc[0].PERSON_REM, "0001");
}
