// remu-cli calcula: runs the payroll engine for one company month and can show
// the resulting slips as a person reads them, or the raw work-table lines.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>

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
#include "payroll/explain.h"
#include "payslip/slip_model.h"
#include "payslip/text_slip.h"

namespace remu::cli {

namespace {

const char* kUsage =
    "uso: remu-cli calcula --empresa BASE --ano AAAA --mes MM [--desde CODIGO --hasta CODIGO]\n"
    "                      [--dir CARPETA] [--cliente ID] [--mostrar CODIGO|todos] [--lineas CODIGO|todos]\n"
    "                      [--explicar CODIGO] [--silencio] [--tiempos]\n"
    "\n"
    "  Calcula las remuneraciones del mes de la empresa (base de datos BASE) con el servidor y el\n"
    "  cliente de CONEXION.DBF de la carpeta (la actual por omisión) y deja REMUMES, REMUPASO y\n"
    "  AJUPASO en ella. --desde/--hasta limitan el cálculo a un rango de códigos de trabajador.\n"
    "  --mostrar imprime la liquidación de un trabajador, o de todos, como se lee en papel;\n"
    "  --lineas, las líneas de REMUMES tal como quedaron (código, tipo, imponible, orden).\n"
    "  --explicar, cada línea de un trabajador con la forma en que se obtuvo su monto.\n"
    "  El avance se muestra en la terminal (--silencio lo calla); los mensajes van a la salida de\n"
    "  errores. Termina con 0 sólo cuando el cálculo llegó al final.";

std::string cell(std::string_view s, size_t width) { return padRight(s, width); }

bool wanted(const PaySlipLine& l, const std::string& who) { return who == "todos" || trim(l.PERSON_REM) == trim(who); }

// The lines of REMUMES as the engine left them, one table per worker.
bool printLines(const std::vector<PaySlipLine>& lines, const std::string& who) {
    std::string current;
    for (const PaySlipLine& l : lines) {
        if (!wanted(l, who)) continue;
        std::string code = trim(l.PERSON_REM);
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
    return !current.empty();
}

// Each line of the worker with how its amount was obtained.
void printExplained(const std::vector<ExplainedLine>& lines) {
    const PaySlipLine& first = lines.front().line;
    std::cout << "Trabajador " << trim(first.PERSON_REM) << "  " << trim(first.APENOM_REM) << "\n";
    for (const ExplainedLine& e : lines) {
        std::cout << "\n"
                  << cell(e.line.HABDES_REM, 3) << " " << cell(e.line.DESCRI_REM, 50) << " "
                  << padLeft(TRANSFORM(e.line.VALFIN_REM, "999,999,999"), 11) << "\n";
        std::cout << "    " << (e.why.text.empty() ? "Sin detalle del cálculo." : e.why.text) << "\n";
    }
}

// Each worker's slip as the printed slip shows it, one under the other.
bool printSlips(const std::vector<PaySlipLine>& lines, const std::string& who, Session& s, UiPort& ui) {
    std::vector<PaySlipLine> mine;
    for (const PaySlipLine& l : lines)
        if (wanted(l, who)) mine.push_back(l);
    std::vector<PaySlipLine> view = slipView(std::move(mine), {});
    if (view.empty()) return false;
    s.CID_CLIENTE_CONT = accountingDatabase(s);
    SlipSources src = loadSlipSources(*s.OCON, s, ui);
    bool first = true;
    for (const WorkerLines& range : slipWorkers(view)) {
        SlipContent content = slipContent(view, range, SlipOutput::Printed);
        const PersonnelRow* worker = src.worker(content.code);
        TextSlip slip{&content, worker, src.costCentre(worker), src.company, src.params, s.period};
        std::cout << (first ? "" : "\n") << textSlip(slip);
        first = false;
    }
    return true;
}

int run(const Args& a) {
    auto bad = a.unknown(
        {"empresa", "ano", "mes", "desde", "hasta", "dir", "cliente", "mostrar", "lineas", "explicar", "silencio",
         "tiempos"});
    if (!bad.empty()) {
        std::cerr << "remu-cli calcula: opción desconocida " << bad.front() << "\n" << kUsage << "\n";
        return 2;
    }
    std::string desde = a.option("desde", ""), hasta = a.option("hasta", desde);
    std::string dir = a.option("dir", ".");
    std::optional<SlipRecorder> recorder;
    if (auto who = a.option("explicar")) {
        if (trim(*who).empty()) {
            std::cerr << "remu-cli calcula: --explicar espera un código de trabajador\n";
            return 2;
        }
        recorder.emplace(trim(*who));
    }
    ConsolePort ui(false, a.flag("silencio"));
    Session s;
    int status = 1;
    if (!openCompanyMonth(a, s, ui, kUsage, status)) return status;

    // The folder stays ours until the slips shown are read back from it.
    WorkFolderLock folder = WorkFolderLock::acquire(dir, ui);
    if (!folder.held()) return 1;
    RunTimings tm;
    bool ok = CALCULA_REMUN(s, ui, desde, hasta, {dir, &tm, recorder ? &*recorder : nullptr});
    if (a.flag("tiempos")) {
        std::fprintf(stderr,
                     "verificar %.3f s, cargar %.3f s, calcular %.3f s, tablas %.3f s, actualizar %.3f s, total %.3f s "
                     "(%zu trabajadores, %zu líneas)\n",
                     tm.verify, tm.load, tm.calculate, tm.writeTables, tm.writeBack, tm.total, tm.workers, tm.lines);
        // Processor time of the process (every thread), which a busy machine disturbs less.
        std::fprintf(stderr, "procesador: cargar %.3f s, calcular %.3f s, tablas %.3f s, actualizar %.3f s, total %.3f s\n",
                     tm.cpuLoad, tm.cpuCalculate, tm.cpuWriteTables, tm.cpuWriteBack, tm.cpuTotal);
    }
    for (const char* show : {"mostrar", "lineas"}) {
        auto who = a.option(show);
        if (!ok || !who) continue;
        if (who->empty()) {
            std::cerr << "remu-cli calcula: --" << show << " espera un código de trabajador o \"todos\"\n";
            return 2;
        }
        try {
            auto lines = readWorkTable(WorkTable::REMUMES, dir);
            bool shown = std::string(show) == "lineas" ? printLines(lines, *who) : printSlips(lines, *who, s, ui);
            if (!shown) {
                std::cerr << "remu-cli calcula: no hay líneas del trabajador " << trim(*who) << " en el mes\n";
                return 1;
            }
        } catch (const DbfError& e) {
            reportDbfError(ui, e);
            return 1;
        }
    }
    if (ok && recorder) {
        if (recorder->lines().empty()) {
            std::cerr << "remu-cli calcula: no hay líneas del trabajador " << recorder->workerCode() << " en el mes\n";
            return 1;
        }
        printExplained(recorder->lines());
    }
    return ok ? 0 : 1;
}

const CommandRegistrar registrar(Command{
    "calcula", kUsage, "calcula las remuneraciones de un mes y deja las tablas de trabajo",
    {"empresa", "ano", "mes", "desde", "hasta", "dir", "cliente", "mostrar", "lineas", "explicar"}, run});

}  // namespace

}  // namespace remu::cli
