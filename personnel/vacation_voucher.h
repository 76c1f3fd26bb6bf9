#pragma once
// COMP_VAC's page: the vacation voucher ("COMPROBANTE DE FERIADO") of one period,
// two identical copies on one page (the second 13 cm lower) for the employer and
// the worker, drawn on the print job interface.

#include <string>

#include "core/date.h"
#include "personnel/vacations.h"

namespace remu {

class PrintJob;
class Recordset;

// What the voucher shows of the company (<year>_datos_empresa).
struct VoucherCompany {
    std::string name;  // nombre_datemp
    std::string rut;   // Rut_datemp
    std::string city;  // ciudad_datemp
    std::string logo;  // dir_logotipo_datemp, trimmed
};
VoucherCompany voucherCompany(const Recordset& datosEmpresa);

struct VacationVoucher {
    VoucherCompany company;
    std::string workerName;  // CNOMBRE
    std::string workerRut;   // CRUT
    VacationPeriod period;
    Date date;               // the voucher's date
    double balance = 0;      // SAL_HAB + SAL_COR
};

// The period's start when it lies before today, otherwise today.
Date voucherDate(const Date& start, const Date& today);
// "05  AGOSTO DE 2019": the day, a blank, the month name (NOMES_FF, with its own blank), " DE ", the year.
std::string voucherDateText(const Date& d);

// Draws the page's texts (between PAGEBEGIN and PAGEEND).
void drawVacationVoucher(PrintJob& job, const VacationVoucher& v);
// The voucher as a one-page preview job (PRINTBEGIN ... PRINTEND); false when nothing was shown.
bool printVacationVoucher(const VacationVoucher& v);

}  // namespace remu
