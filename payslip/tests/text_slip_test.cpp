#include <gtest/gtest.h>

#include <sstream>

#include "format/text.h"
#include "payslip/text_slip.h"

using namespace remu;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

size_t indexOf(const std::vector<std::string>& ls, const std::string& start) {
    for (size_t i = 0; i < ls.size(); ++i)
        if (trim(ls[i]).rfind(start, 0) == 0) return i;
    return std::string::npos;
}

}  // namespace

TEST(TextSlip, ReadsLikeThePrintedSlipOneColumnUnderTheOther) {
    SlipContent c;
    c.code = "0001";
    c.name = "PÉREZ NÚÑEZ JUAN CARLOS";
    c.daysWorked = 30;
    c.taxable = {{"HORAS EXTRAS", 45000}, {"COMISIONES", 105000}};
    c.taxableTotal = 650000;
    c.nonTaxable = {{"MOVILIZACION", 30000}};
    c.nonTaxableTotal = 30000;
    c.deductions = {{"AFP CUPRUM 11.44 %", 74360}, {"ISAPRE BANMEDICA 7%", 45500}};
    c.deductionTotal = 119860;
    c.mutual = 6110;
    c.sis = 10010;
    PersonnelRow w;
    w.codigo_per = "0001";
    w.rut_per = "012345678-5";
    w.cargo_per = "VENDEDOR";
    w.fecha_contrato_per = Date{2015, 3, 2};
    TextSlip slip{&c, &w, {}, {}, {}, Period::of(2019, 3)};
    slip.company.nombre = "COMERCIAL NORTE SPA";
    slip.company.rut = "76.543.210-3";
    slip.params.uf = 27565.76;

    auto ls = lines(textSlip(slip));
    for (const auto& l : ls) EXPECT_LE(charLength(l), 78u) << l;
    EXPECT_NE(ls[0].find("COMERCIAL NORTE SPA"), std::string::npos);
    EXPECT_NE(ls[0].find("RUT: 76.543.210-3"), std::string::npos);
    EXPECT_NE(indexOf(ls, "LIQUIDACION DE SUELDO  MARZO 2019"), std::string::npos);
    EXPECT_NE(indexOf(ls, "TRABAJADOR      : 0001  PÉREZ NÚÑEZ JUAN CARLOS"), std::string::npos);
    EXPECT_NE(textSlip(slip).find("RUT             : 12.345.678-5"), std::string::npos);

    // Earnings, then deductions, in the slip's order, each section with its total.
    std::vector<std::string> order = {"HABERES",        "HORAS EXTRAS",       "COMISIONES",
                                      "TOTAL IMPONIBLE", "MOVILIZACION",      "TOTAL NO IMPONIBLE",
                                      "TOTAL HABERES",  "DESCUENTOS",         "AFP CUPRUM 11.44 %",
                                      "ISAPRE BANMEDICA 7%", "TOTAL DESCUENTOS", "ALCANCE LIQUIDO",
                                      "SON: QUINIENTOS SESENTA MIL CIENTO CUARENTA"};
    size_t last = 0;
    for (const auto& o : order) {
        size_t at = indexOf(ls, o);
        ASSERT_NE(at, std::string::npos) << o;
        EXPECT_GT(at, last) << o;
        last = at;
    }
    // Amounts end in the same column.
    auto amountOf = [&](const std::string& label) {
        const std::string& l = ls[indexOf(ls, label)];
        EXPECT_EQ(charLength(l), 78u) << l;
        return trim(charSubstr(l, 60));
    };
    EXPECT_EQ(amountOf("TOTAL HABERES"), "680,000");
    EXPECT_EQ(amountOf("TOTAL DESCUENTOS"), "119,860");
    EXPECT_EQ(amountOf("ALCANCE LIQUIDO"), "560,140");
    EXPECT_EQ(amountOf("COMISIONES"), "105,000");
    // Employer contributions are told apart from the worker's lines.
    EXPECT_NE(indexOf(ls, "Aportes del empleador: mutual 6,110, SIS 10,010"), std::string::npos);
}
