// remu-cli historial: a worker's pay month by month (taxable and non-taxable
// earnings, legal and other deductions, income tax, net pay) with each year's
// totals, every month computed in memory: nothing is written to the server or
// to the working folder's work tables.
#include <iostream>
#include <regex>

#include "cli/command.h"
#include "cli/company_month.h"
#include "core/session.h"
#include "core/ui_port.h"
#include "format/helpers.h"
#include "format/text.h"
#include "history/history.h"
#include "history/history_outputs.h"
#include "office/xlsx_sheet.h"

namespace remu::cli {

namespace {

const char* kUsage =
    "uso: remu-cli historial --empresa BASE --codigo CODIGO [--desde AAAA-MM --hasta AAAA-MM]\n"
    "                        [--dir CARPETA] [--cliente ID] [--pdf ARCHIVO] [--planilla ARCHIVO]\n"
    "\n"
    "  Muestra las remuneraciones del trabajador mes a mes: imponible, no imponible, descuentos\n"
    "  legales, otros descuentos, impuesto único y alcance líquido, con el total de cada año. Cubre\n"
    "  los meses abiertos del año de remuneraciones vigente y del anterior; --desde/--hasta eligen\n"
    "  otros meses abiertos. Cada mes se calcula en memoria: no se graba nada en el servidor ni en\n"
    "  las tablas de trabajo. --pdf y --planilla escriben además la tabla en esos archivos.\n"
    "  Termina con 1 cuando algún mes no se pudo calcular (su fila dice por qué).";

const std::vector<std::string> kOptions = {"empresa", "codigo", "desde", "hasta", "dir", "cliente", "pdf", "planilla"};

// "2019-03"; nullopt after telling the user why.
std::optional<std::optional<Period>> monthOption(const Args& a, const char* name, UiPort& ui) {
    auto v = a.option(name);
    if (!v) return std::optional<Period>{};
    std::smatch m;
    static const std::regex form(R"((\d{4})-(\d{1,2}))");
    if (std::regex_match(*v, m, form))
        if (auto p = Period::parse(m[1].str(), m[2].str())) return std::optional<Period>(*p);
    ui.stop("Mes no válido en --" + std::string(name) + ": \"" + *v + "\" (se espera AAAA-MM)", "Alto");
    return std::nullopt;
}

int run(const Args& a) {
    auto bad = a.unknown(kOptions);
    if (!bad.empty()) {
        std::cerr << "remu-cli historial: opción desconocida " << bad.front() << "\n" << kUsage << "\n";
        return 2;
    }
    std::string code = trim(a.option("codigo", ""));
    if (code.empty()) {
        std::cerr << kUsage << "\n";
        return 2;
    }
    if (code.size() < 4) code.resize(4, ' ');  // the width of codigo_per: "1" is "0001"
    ZEROS_FF(code);
    ConsolePort ui;
    auto from = monthOption(a, "desde", ui);
    auto to = monthOption(a, "hasta", ui);
    if (!from || !to) return 1;
    if (*from && *to && **to < **from) {
        ui.stop("--hasta es anterior a --desde", "Alto");
        return 1;
    }
    Session s;
    int status = 1;
    if (!openCompany(a, s, ui, kUsage, status)) return status;
    auto months = historyMonths(*s.OCON, ui, *from, *to);
    if (!months) return 1;
    if (months->empty()) {
        ui.alert("No hay meses abiertos en el período pedido", "Atención");
        return 1;
    }
    const std::string dir = a.option("dir", ".");
    WorkerHistory h = buildHistory(*s.OCON, s.ID_CLIENTE, code, *months, dir, [&](size_t done, size_t total) {
        ui.progress("Historial: mes " + std::to_string(std::min(done + 1, total)) + " de " + std::to_string(total));
    });
    std::cout << historyText(h);
    bool complete = std::none_of(h.months.begin(), h.months.end(), [](const HistoryMonth& m) { return m.failed; });
    if (std::none_of(h.months.begin(), h.months.end(), [](const HistoryMonth& m) { return m.computed; })) {
        ui.alert("No hay liquidaciones del trabajador " + code + " en los meses pedidos", "Atención");
        complete = false;
    }
    if (auto pdf = a.option("pdf"); pdf && !writeHistoryPdf(h, *pdf, ui)) complete = false;
    if (auto sheet = a.option("planilla");
        sheet && !showHistorySheet(h, ui, xlsxSheets(dir, *sheet)))
        complete = false;
    return complete ? 0 : 1;
}

const CommandRegistrar registrar(Command{"historial", kUsage,
                                         "muestra las remuneraciones de un trabajador mes a mes, con totales por año",
                                         {"empresa", "codigo", "desde", "hasta", "dir", "cliente", "pdf", "planilla"},
                                         run});

}  // namespace

}  // namespace remu::cli
