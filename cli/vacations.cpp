// remu-cli saldo-vacaciones: the vacation balance of the month's workers as a .xlsx
// spreadsheet, written where --salida says or as a new file in PLANILLAS.
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "cli/company_month.h"
#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "format/dates.h"
#include "office/xlsx_sheet.h"
#include "personnel/master_sheet.h"
#include "personnel/vacation_sheet.h"

namespace remu::cli {

namespace {

const char* kUsage =
    "uso: remu-cli saldo-vacaciones --empresa BASE --ano AAAA --mes MM [--fecha DD/MM/AAAA] [--dir CARPETA]\n"
    "                               [--cliente ID] [--salida ARCHIVO]\n"
    "\n"
    "  Escribe el saldo de vacaciones de los trabajadores del mes en una planilla .xlsx: ARCHIVO\n"
    "  (reemplazado si existe), o un archivo nuevo en CARPETA/PLANILLAS (SALDO_VACACIONES_AAAA_MM.xlsx,\n"
    "  luego _2 ...). Los días se cuentan hasta hoy, o hasta --fecha.";

int run(const Args& a) {
    auto bad = a.unknown({"empresa", "ano", "mes", "fecha", "dir", "cliente", "salida"});
    if (!bad.empty()) {
        std::cerr << "remu-cli saldo-vacaciones: opción desconocida " << bad.front() << "\n" << kUsage << "\n";
        return 2;
    }
    ConsolePort ui;
    Date today = Clock::today();
    if (auto f = a.option("fecha")) {
        today = parseDate(*f);
        if (today.isNull()) {
            ui.stop("Fecha inválida: " + *f, "Alto");
            return 1;
        }
    }
    Session s;
    int status = 0;
    if (!openCompanyMonth(a, s, ui, kUsage, status)) return status;
    auto ors = loadMonthPersonnel(*s.OCON, s, ui);
    if (!ors) return 1;
    Clock::setToday(today);
    auto written = std::make_shared<std::string>();
    std::string dir = a.option("dir", ".");
    if (!SALDO_VACA(*ors, s, ui, xlsxSheets(dir, a.option("salida", ""), written), dir)) return 1;
    std::cout << ors->RecordCount() << " trabajadores en " << *written << "\n";
    return 0;
}

const CommandRegistrar command(Command{"saldo-vacaciones", kUsage,
                                       "escribe el saldo de vacaciones de los trabajadores del mes en una planilla",
                                       {"empresa", "ano", "mes", "fecha", "dir", "cliente", "salida"}, run});

}  // namespace

}  // namespace remu::cli
