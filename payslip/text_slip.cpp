#include "payslip/text_slip.h"

#include <cstdlib>

#include "format/dates.h"
#include "format/helpers.h"
#include "format/picture.h"
#include "format/text.h"
#include "payroll/constants.h"

namespace remu {

namespace {

constexpr size_t kWidth = 78;
constexpr size_t kAmount = 12;  // "999,999,999" and its sign

std::string amount(double v) { return padLeft(trim(TRANSFORM(v, "999,999,999")), kAmount); }

// "  DESCRIPTION ............ 1,234,567"
std::string line(const std::string& label, double value, size_t indent = 2) {
    std::string left = std::string(indent, ' ') + trim(label);
    return padRight(left, kWidth - kAmount) + amount(value) + "\n";
}

// Two "LABEL : value" pairs side by side.
std::string pair(const std::string& l1, const std::string& v1, const std::string& l2 = {}, const std::string& v2 = {}) {
    std::string left = padRight(l1, 16) + ": " + v1;
    if (l2.empty()) return rtrim(left) + "\n";
    return rtrim(padRight(left, 42) + padRight(l2, 14) + ": " + v2) + "\n";
}

}  // namespace

std::string textSlip(const TextSlip& s) {
    static const SlipContent none;
    static const PersonnelRow noWorker;
    const SlipContent& c = s.content ? *s.content : none;
    const PersonnelRow& w = s.worker ? *s.worker : noWorker;
    const std::string rule(kWidth, '=');
    const std::string thin(kWidth, '-');
    std::string out;

    std::string company = trim(s.company.nombre);
    if (!isBlank(s.company.rut)) company = padRight(company, kWidth - 20) + padLeft("RUT: " + trim(s.company.rut), 20);
    out += rtrim(company) + "\n";
    std::string place = trim(s.company.direccion);
    for (const std::string& part : {trim(s.company.comuna), trim(s.company.ciudad)})
        if (!part.empty() && place.find(part) == std::string::npos) place += (place.empty() ? "" : ", ") + part;
    if (!place.empty()) out += place + "\n";
    out += rule + "\n";
    std::string title = "LIQUIDACION DE SUELDO " + s.period.monthName() + " " + s.period.yearText();
    out += std::string((kWidth - charLength(title)) / 2, ' ') + title + "\n";
    out += rule + "\n";

    out += pair("TRABAJADOR", (s.worker ? trim(w.codigo_per) : c.code) + "  " + c.name);
    out += pair("RUT", isBlank(w.rut_per) ? std::string() : RUT_CON_PUNTOS_FF(trim(w.rut_per)), "CARGO", trim(w.cargo_per));
    out += pair(LineText::DaysWorked, trim(TRANSFORM(c.daysWorked, "99")), "FECHA INGRESO",
                w.fecha_contrato_per.isValid() ? formatDate(w.fecha_contrato_per) : std::string());
    if (s.costCentre) out += pair("CENTRO COSTO", trim(w.cencosto_per) + "  " + trim(*s.costCentre));
    out += pair("VALOR UF", trim(TRANSFORM(s.params.uf, "99,999,999.99")), "TOPE IMPONIBLE",
                "UF " + trim(TRANSFORM(s.params.taxableCap, "999.99")));
    out += thin + "\n";

    out += "HABERES\n";
    for (const SlipItem& i : c.taxable) out += line(i.description, i.amount);
    out += line(LineText::TaxableTotal, c.taxableTotal);
    for (const SlipItem& i : c.nonTaxable) out += line(i.description, i.amount);
    if (c.nonTaxableTotal > 0) out += line(LineText::TotalNonTaxable, c.nonTaxableTotal);
    out += line(LineText::TotalEarnings, c.totalEarnings(), 4);
    out += "DESCUENTOS\n";
    for (const SlipItem& i : c.deductions) out += line(i.description, i.amount);
    out += line(LineText::TotalDeductions, c.deductionTotal, 4);
    out += thin + "\n";
    out += line(LineText::NetPay, c.netPay(), 0);
    out += slipWordsLine(c.netPay()) + "\n";

    std::string employer;
    if (c.hasUnemploymentLine) employer += "seguro de cesantía " + trim(amount(c.unemploymentEmployer)) + ", ";
    employer += "mutual " + trim(amount(c.mutual)) + ", SIS " + trim(amount(c.sis));
    out += "Aportes del empleador: " + employer + "\n";
    out += rule + "\n";
    return out;
}

}  // namespace remu
