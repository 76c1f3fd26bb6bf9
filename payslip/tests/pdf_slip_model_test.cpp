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

namespace {

std::string shown(const PaySlipLine& l) {
    return l.PERSON_REM + "|" + l.APENOM_REM + "|" + l.HABDES_REM + "|" + std::to_string(l.TIPO_REM) +
           std::to_string(l.IMPONI_REM) + std::to_string(l.SECUEN_REM) + "|" + l.DESCRI_REM + "|" +
           std::to_string(l.VALFIN_REM) + "|" + l.CENCOS_REM;
}

std::vector<std::vector<std::string>> allSlips(SlipSequence& slips) {
    std::vector<std::vector<std::string>> out;
    std::vector<PaySlipLine> lines;
    for (size_t i = 0; i < slips.size(); ++i) {
        slips.lines(i, lines);
        std::vector<std::string> slip{"code " + slips.code(i)};
        for (const auto& l : lines) slip.push_back(shown(l));
        out.push_back(slip);
    }
    return out;
}

}  // namespace

TEST(SlipModel, SlipsReadFromTheTableInStepsAreTheWholeViewsSlips) {
    auto dir = std::filesystem::temp_directory_path() / ("remu-stored-slips-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::vector<PaySlipLine> lines;
    for (auto& [code, name] : std::vector<std::pair<std::string, std::string>>{
             {"0001", "ZAPATA"}, {"0002", "ÁLVAREZ PEÑA"}, {"0010", "MUNOZ"}, {"0011", "MUNOZ"}, {"0003", "ALVAREZ"}}) {
        auto w = test::workerLines(code, name, 400000);
        lines.insert(lines.end(), w.rbegin(), w.rend());  // any stored order
    }
    // A worker whose lines lie apart, and lines of another cost centre.
    lines.push_back(line("0001", "ZAPATA", "BON", 1, 1, "BONO TARDIO", 1000, {}, 4));
    lines[3].CENCOS_REM = "CC02";
    lines[20].CENCOS_REM = "CC02";
    writeWorkTable(WorkTable::REMUMES, lines, dir.string());
    const auto table = readWorkTable(WorkTable::REMUMES, dir.string());
    for (const SlipFilter& filter : std::vector<SlipFilter>{{}, {"2", "10", ""}, {"10", "", ""}, {"", "", "CC02"},
                                                            {"", "", "CC01"}, {"20", "30", ""}}) {
        HeldSlips held(table, filter);
        StoredSlips stored(dir.string(), filter);
        EXPECT_EQ(allSlips(stored), allSlips(held)) << filter.codeFrom << "-" << filter.codeTo << " " << filter.costCentre;
    }

    std::filesystem::remove_all(dir);
}
