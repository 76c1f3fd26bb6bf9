#include "personnel/vacation_voucher.h"

#include <algorithm>
#include <cstdio>

#include "data/connection.h"
#include "format/helpers.h"
#include "format/picture.h"
#include "format/text.h"
#include "widgets/print_job.h"

namespace remu {

namespace {

const PrintFont kSmall{"Arial", 8, false};
const PrintFont kBody{"Arial", 10, false};
const PrintFont kBodyBold{"Arial", 10, true};
const PrintFont kCompany{"Arial", 11, true};
const PrintFont kTitle{"Arial", 14, true};

// The second copy is this much lower.
constexpr double kCopyOffsetCm = 13;
constexpr double kCutLineWidthCm = 19;

std::string text(const Recordset& rs, const char* name) {
    int i = rs.FieldIndex(name);
    return i < 0 ? std::string() : rs.Fields(i).text();
}

std::string twoDigits(long n) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02ld", n);
    return buf;
}

void drawCopy(PrintJob& job, const VacationVoucher& v, double top) {
    auto say = [&](double row, double col, const std::string& t, const PrintFont& f) { job.CMSAY(top + row, col, t, &f); };
    if (!trim(v.company.logo).empty())
        job.SAYBITMAP(job.rowToPix(top + 1), job.colToPix(1), trim(v.company.logo), job.colToPix(4), job.rowToPix(2));
    say(1, 12, rtrim(v.company.name), kCompany);
    say(1.5, 12, "RUT: " + XXRUT_FF(v.company.rut), kBodyBold);
    say(3, 7.4, "COMPROBANTE DE FERIADO", kTitle);
    say(4, 12, trim(v.company.city) + " " + voucherDateText(v.date), kBody);
    say(5, 2.5, "En cumplimiento a las disposiciones legales vigentes se deja constancia que el", kBody);
    say(5.5, 2.5, "Funcionario: " + rtrim(v.workerName), kBodyBold);
    say(6, 2.5, "Rut: " + XXRUT_FF(v.workerRut), kBodyBold);
    say(7, 2.5,
        "Hará uso de " + twoDigits(static_cast<long>(ROUND(v.period.days, 0))) +
            " días de feriado legal en el periodo que se indica:",
        kBody);
    say(8, 2.5, "Desde: " + voucherDateText(v.period.start), kBodyBold);
    say(8, 9, "Hasta: " + voucherDateText(v.period.end), kBodyBold);
    say(8.5, 2.5, "Saldo Dias habiles+Dias corridos : " + fixedText(v.balance, 0), kBody);
    say(10.9, 1.5, std::string(19, '_'), kBody);
    say(10.9, 9, std::string(26, '_'), kBody);
    say(10.9, 17, std::string(18, '_'), kBody);
    say(11.3, 1.5, "   Firma del Empleador", kSmall);
    say(11.3, 9, "   Firma y Rut del Trabajador", kSmall);
    say(11.3, 17, "   Firma Jefe Directo", kSmall);
}

}  // namespace

VoucherCompany voucherCompany(const Recordset& rs) {
    VoucherCompany c;
    c.name = text(rs, "nombre_datemp");
    c.rut = text(rs, "Rut_datemp");
    c.city = text(rs, "ciudad_datemp");
    c.logo = trim(text(rs, "dir_logotipo_datemp"));
    return c;
}

Date voucherDate(const Date& start, const Date& today) { return start < today ? start : today; }

std::string voucherDateText(const Date& d) {
    if (d.isNull()) return {};
    return twoDigits(d.day) + " " + NOMES_FF(d.month) + " DE " + std::to_string(d.year);
}

void drawVacationVoucher(PrintJob& job, const VacationVoucher& v) {
    drawCopy(job, v, 0);
    // Where the two copies are cut apart; kept inside the sheet, whatever the font's underscore measures.
    job.CMSAY(12.8, 1, std::string(136, '_'), &kSmall, kCutLineWidthCm);
    drawCopy(job, v, kCopyOffsetCm);
}

bool printVacationVoucher(const VacationVoucher& v) {
    auto job = PRINTBEGIN("COMPROBANTE DE FERIADO " + trim(v.workerName), false, true);
    const Date& s = v.period.start;
    char stamp[16] = "";
    if (!s.isNull()) std::snprintf(stamp, sizeof stamp, "_%04d_%02d_%02d", s.year, s.month, s.day);
    std::string rut = trim(v.workerRut);
    rut.erase(0, std::min(rut.find_first_not_of('0'), rut.size()));
    job->setExportName("COMPROBANTE_FERIADO_" + rut + stamp);
    job->PAGEBEGIN();
    drawVacationVoucher(*job, v);
    job->PAGEEND();
    return PRINTEND();
}

}  // namespace remu
