// remu-cli calcula: runs the payroll engine for one company month and can show
// the resulting slips as a table.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>

#include "cli/command.h"
#include "cli/company_month.h"
#include "core/session.h"
#include "core/ui_port.h"
#include "data/dbf_table.h"
#include "data/local_tables.h"
#include "data/query.h"
#include "data/work_folder.h"
#include "data/work_tables.h"
#include "format/picture.h"
#include "format/text.h"
#include "payroll/engine.h"

namespace remu::cli {

namespace {

const char* kUsage =
    "uso: remu-cli calcula --empresa BASE --ano AAAA --mes MM [--desde CODIGO --hasta CODIGO]\n"
    "                      [--dir CARPETA] [--cliente ID] [--mostrar CODIGO|todos] [--silencio] [--tiempos]\n"
    "\n"
    "  Calcula las remuneraciones del mes de la empresa (base de datos BASE) con el servidor y el\n"
    "  cliente de CONEXION.DBF de la carpeta (la actual por omisión) y deja REMUMES, REMUPASO y\n"
    "  AJUPASO en ella. --desde/--hasta limitan el cálculo a un rango de códigos de trabajador.\n"
    "  --mostrar imprime la liquidación de un trabajador, o de todos, como tabla.\n"
    "  Termina con 0 sólo cuando el cálculo llegó al final.";

std::string cell(std::string_view s, size_t width) { return padRight(s, width); }

void printSlips(const std::vector<PaySlipLine>& lines, const std::string& who) {
    std::string current;
    for (const PaySlipLine& l : lines) {
        std::string code = trim(l.PERSON_REM);
        if (who != "todos" && code != trim(who)) continue;
        if (code != current) {
            current = code;
            std::cout << "\nTrabajador " << code << "  " << trim(l.APENOM_REM) << "\n";
            std::cout << "COD T I ORD " << cell("DESCRIPCION", 50) << " " << padLeft("VALOR", 14) << " "
                      << padLeft("MONTO", 11) << "\n";
        }
        std::cout << cell(l.HABDES_REM, 3) << " " << l.TIPO_REM << " " << l.IMPONI_REM << " "
                  << padLeft(std::to_string(l.SECUEN_REM), 3) << " " << cell(l.DESCRI_REM, 50) << " "
                  << TRANSFORM(l.VALOR_REM, "999,999,999.99") << " "
                  << padLeft(TRANSFORM(l.VALFIN_REM, "999,999,999"), 11) << "\n";
    }
    if (current.empty() && who != "todos") std::cout << "No hay l\xC3\xADneas del trabajador " << trim(who) << "\n";
}

int run(const Args& a) {
    auto bad = a.unknown({"empresa", "ano", "mes", "desde", "hasta", "dir", "cliente", "mostrar", "silencio", "tiempos"});
    if (!bad.empty()) {
        std::cerr << "remu-cli calcula: opci\xC3\xB3n desconocida " << bad.front() << "\n" << kUsage << "\n";
        return 2;
    }
    std::string desde = a.option("desde", ""), hasta = a.option("hasta", desde);
    std::string dir = a.option("dir", ".");
    ConsolePort ui(false, a.flag("silencio"));
    Session s;
    int status = 1;
    if (!openCompanyMonth(a, s, ui, kUsage, status)) return status;

    // The folder stays ours until the slips shown are read back from it.
    WorkFolderLock folder = WorkFolderLock::acquire(dir, ui);
    if (!folder.held()) return 1;
    RunTimings tm;
    bool ok = CALCULA_REMUN(s, ui, desde, hasta, {dir, &tm});
    if (a.flag("tiempos"))
        std::fprintf(stderr,
                     "verificar %.3f s, cargar %.3f s, calcular %.3f s, tablas %.3f s, actualizar %.3f s, total %.3f s "
                     "(%zu trabajadores, %zu l\xC3\xADneas)\n",
                     tm.verify, tm.load, tm.calculate, tm.writeTables, tm.writeBack, tm.total, tm.workers, tm.lines);
    if (ok && a.option("mostrar")) {
        try {
            printSlips(readWorkTable(WorkTable::REMUMES, dir), *a.option("mostrar"));
        } catch (const DbfError& e) {
            reportDbfError(ui, e);
            return 1;
        }
    }
    return ok ? 0 : 1;
}

const CommandRegistrar registrar(Command{
    "calcula", kUsage, "calcula las remuneraciones de un mes y deja las tablas de trabajo",
    {"empresa", "ano", "mes", "desde", "hasta", "dir", "cliente", "mostrar"}, run});

}  // namespace

}  // namespace remu::cli
