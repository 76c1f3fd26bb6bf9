// remu-cli excel / nomina: the month's pay slips and the personnel master as
// .xlsx spreadsheets, written where --salida says or as a new file in PLANILLAS.
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "cli/company_month.h"
#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "format/text.h"
#include "office/xlsx_sheet.h"
#include "payroll/engine.h"
#include "payslip/sheet_slip.h"
#include "personnel/master_sheet.h"

namespace remu::cli {

namespace {

const char* kExcelUsage =
    "uso: remu-cli excel --empresa BASE --ano AAAA --mes MM [--desde CODIGO --hasta CODIGO] [--cencos CC]\n"
    "                    [--dir CARPETA] [--cliente ID] [--contabilidad BASE] [--salida ARCHIVO] [--silencio]\n"
    "\n"
    "  Calcula el mes y escribe las liquidaciones en una planilla .xlsx: ARCHIVO (reemplazado si existe),\n"
    "  o un archivo nuevo en CARPETA/PLANILLAS (LIQUIDACIONES_AAAA_MM.xlsx, luego _2, _3 ...).";

const char* kNominaUsage =
    "uso: remu-cli nomina --empresa BASE --ano AAAA --mes MM [--buscar TEXTO] [--dir CARPETA] [--cliente ID]\n"
    "                     [--contabilidad BASE] [--salida ARCHIVO]\n"
    "\n"
    "  Escribe el maestro de personal del mes en una planilla .xlsx: ARCHIVO (reemplazado si existe),\n"
    "  o un archivo nuevo en CARPETA/PLANILLAS (MAESTRO_PERSONAL_AAAA_MM.xlsx, luego _2 ...).\n"
    "  --buscar deja los trabajadores cuyo nombre, código o RUT contiene TEXTO, como el filtro de la lista.";

const std::vector<std::string> kValued = {"empresa", "ano",          "mes",    "desde",  "hasta", "cencos",
                                          "dir",     "contabilidad", "salida", "buscar", "cliente"};

bool knownOptions(const Args& a, const std::vector<std::string>& known, const char* name, const char* usage) {
    auto bad = a.unknown(known);
    if (bad.empty()) return true;
    std::cerr << "remu-cli " << name << ": opción desconocida " << bad.front() << "\n" << usage << "\n";
    return false;
}

int runExcel(const Args& a) {
    if (!knownOptions(a, {"empresa", "ano", "mes", "desde", "hasta", "cencos", "dir", "cliente", "contabilidad",
                          "salida", "silencio"},
                      "excel", kExcelUsage))
        return 2;
    ConsolePort ui(false, a.flag("silencio"));
    Session s;
    int status = 0;
    if (!openCompanyMonth(a, s, ui, kExcelUsage, status)) return status;
    setAccountingDatabase(a, s);
    s.CCODIGO_PERD = a.option("desde", "    ");
    s.CCODIGO_PERH = a.option("hasta", "    ");
    s.CCENCOS = a.option("cencos", "    ");
    std::string dir = a.option("dir", ".");
    auto written = std::make_shared<std::string>();
    SheetSlipRun run;
    run.workDir = dir;
    run.calculate = [&] { return CALCULA_REMUN(s, ui, {}, {}, {dir, nullptr}); };
    run.makeSheet = xlsxSheets(dir, a.option("salida", ""), written);
    if (!LIQUI_EXCEL(s, ui, run)) return 1;
    std::cout << "liquidaciones en " << *written << "\n";
    return 0;
}

int runNomina(const Args& a) {
    if (!knownOptions(a, {"empresa", "ano", "mes", "buscar", "dir", "cliente", "contabilidad", "salida"}, "nomina",
                      kNominaUsage))
        return 2;
    ConsolePort ui;
    Session s;
    int status = 0;
    if (!openCompanyMonth(a, s, ui, kNominaUsage, status)) return status;
    setAccountingDatabase(a, s);
    auto ors = loadMonthPersonnel(*s.OCON, s, ui);
    if (!ors) return 1;
    // The list's search: name, code or RUT containing the text.
    std::string t = upper(trim(a.option("buscar", "")));
    if (!t.empty()) {
        std::string q;
        for (char c : t) q += c == '\'' ? std::string("''") : std::string(1, c);
        ors->Filter("nombre_per LIKE '*" + q + "*' or codigo_per LIKE '*" + q + "*' or rut_per LIKE '*" + q + "*' ");
        if (ors->RecordCount() == 0) {
            ui.alert("Filtro no encontrado", "Atención");
            return 1;
        }
    }
    auto written = std::make_shared<std::string>();
    std::string dir = a.option("dir", ".");
    if (!EXCEL_PERSON(*ors, s, ui, xlsxSheets(dir, a.option("salida", ""), written), dir)) return 1;
    std::cout << ors->RecordCount() << " trabajadores en " << *written << "\n";
    return 0;
}

const CommandRegistrar excelCommand(Command{"excel", kExcelUsage, "escribe las liquidaciones del mes en una planilla",
                                            kValued, runExcel});
const CommandRegistrar nominaCommand(Command{"nomina", kNominaUsage,
                                             "escribe el maestro de personal del mes en una planilla", kValued,
                                             runNomina});

}  // namespace

}  // namespace remu::cli
