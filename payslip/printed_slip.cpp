#include "payslip/printed_slip.h"

#include <algorithm>
#include <cstdlib>

#include "core/session.h"
#include "core/ui_port.h"
#include "core/work_folder.h"
#include "data/query.h"
#include "data/sql.h"
#include "data/work_folder.h"
#include "data/work_tables.h"
#include "format/dates.h"
#include "format/helpers.h"
#include "format/picture.h"
#include "format/text.h"
#include "payroll/constants.h"
#include "widgets/print_job.h"

namespace remu {

namespace {

const PrintFont kBody{"Arial", 7, false};
const PrintFont kLabel{"Arial", 7, true};
const PrintFont kTitle{"Arial", 14, true};

std::string num(double v, std::string_view picture) { return ltrim(TRANSFORM(v, picture)); }

void say(PrintJob& job, double row, double col, std::string_view text, const PrintFont& font) {
    job.CMSAY(row, col, text, &font);
}

void sayRight(PrintJob& job, double row, double col, std::string_view text, const PrintFont& font) {
    job.CMSAY(row, col, text, &font, {}, {}, false, PrintAlign::Right);
}

// A vertical frame line: one mark every 0.1 cm from `from` while the row is at most `to`.
void frame(PrintJob& job, double from, double to, double col) {
    for (int i = 0;; ++i) {
        double row = from + i * 0.1;
        if (row > to + 1e-9) break;
        say(job, row, col, kSlipFrameChar, kTitle);
    }
}

std::string salaryText(const PersonnelRow& w, double uf, std::string* ufPesos) {
    std::string label = currencyLabel(w.moneda_sueldo_per);
    if (label == "$" || label == "TOPE" || label == "MIN")
        return ": " + label + "  " + num(w.sueldo_base_per, "99,999,999");
    if (label == "UF" && ufPesos) *ufPesos = "$ " + num(w.moneda_sueldo_valor_per * uf, "99,999,999.99");
    return ": (" + label + " " + num(w.moneda_sueldo_valor_per, "9,999.99") + ")";
}

// Title row and text by client and marker file.
std::pair<double, std::string> slipTitle(const SlipPage& p) {
    const std::string monthName = p.period.monthName(), year = p.period.yearText();
    bool quernel = p.idCliente.find("QUERNEL") != std::string::npos;
    if (quernel && p.worker && p.worker->comprobante_pago == 1)
        return {3.3, std::string(39, ' ') + "COMPROBANTE DE PAGO " + monthName + " " + year};
    if (quernel) return {3.3, std::string(39, ' ') + "LIQUIDACION DE SUELDO " + monthName + " " + year};
    if (p.zumel) return {3.8, std::string(15, ' ') + "LIQUIDACION DE REMUNERACIONES " + monthName + " " + year};
    return {3.2, std::string(39, ' ') + "LIQUIDACION DE SUELDO " + monthName + " " + year};
}

void bitmap(PrintJob& job, double row, double col, const std::string& file, double widthCm, double heightCm) {
    if (isBlank(file)) return;
    job.SAYBITMAP(job.rowToPix(row), job.colToPix(col), file, job.colToPix(widthCm), job.rowToPix(heightCm));
}

}  // namespace

std::string slipRule(int length) {
    std::string out;
    for (int i = 0; i < length; ++i) out += kSlipRuleChar;
    return out;
}

void printSlipPage(PrintJob& job, const SlipPage& p) {
    static const SlipContent empty;
    const SlipContent& c = p.content ? *p.content : empty;
    static const PersonnelRow noWorker;
    const PersonnelRow& w = p.worker ? *p.worker : noWorker;
    const double uf = p.params.uf;
    const std::string rule = slipRule(69);

    bitmap(job, 1.0, 1.0, p.company.logo, 4.0, 2.0);
    say(job, 1.0, 6, p.company.nombre, kBody);
    say(job, 1.4, 6, "RUT: " + p.company.rut, kBody);
    say(job, 1.8, 6, p.company.direccion, kBody);
    say(job, 2.2, 6, trim(p.company.comuna) + ", " + trim(p.company.ciudad) + " - Chile", kBody);

    say(job, 3.0, 1.2, rule, kTitle);
    auto [titleRow, title] = slipTitle(p);
    say(job, titleRow, 1.0, title, kTitle);
    say(job, 3.8, 1.2, rule, kTitle);
    frame(job, 3.0, 16.5, 1.15);
    frame(job, 3.0, 17.5, 19.8);

    say(job, 4.0, 1.5, "TRABAJADOR", kLabel);
    say(job, 4.0, 4.3, ": " + (p.worker ? w.codigo_per : c.code) + "  " + trim(c.name), kBody);
    say(job, 4.4, 1.5, "RUT", kLabel);
    say(job, 4.4, 4.3, ": " + trim(w.rut_per), kBody);
    say(job, 4.8, 1.5, "CARGO", kLabel);
    say(job, 4.8, 4.3, ": " + w.cargo_per, kBody);
    say(job, 4.4, 9.0, "CENTRO COSTO", kLabel);
    if (p.costCentre) say(job, 4.4, 12.3, ": " + w.cencosto_per + "  " + *p.costCentre, kBody);
    say(job, 4.8, 9.0, "FECHA INGRESO", kLabel);
    say(job, 4.8, 12.3, ": " + (w.fecha_contrato_per.isValid() ? formatDate(w.fecha_contrato_per) : std::string()),
        kBody);
    say(job, 5.2, 1.5, LineText::DaysWorked, kLabel);
    say(job, 5.2, 4.3, ": " + num(c.daysWorked, "99"), kLabel);
    say(job, 5.6, 9.0, "TOPE IMPONIBLE", kLabel);
    say(job, 5.6, 12.3,
        ": UF  " + num(p.params.taxableCap, "999.99") + "   $ " + num(p.params.taxableCap * uf, "99,999,999"),
        kBody);
    say(job, 6.0, 9.0, "TOPE CESANTIA", kLabel);
    say(job, 6.0, 12.3,
        ": UF " + num(p.params.unemploymentCap, "999.99") + "   $ " + num(p.params.unemploymentCap * uf, "99,999,999"),
        kBody);

    say(job, 5.6, 1.5, std::string(LineText::BaseSalary) + ":", kLabel);
    std::string ufPesos;
    say(job, 5.6, 4.3, salaryText(w, uf, &ufPesos), kBody);
    if (!ufPesos.empty()) say(job, 5.6, 6.4, ufPesos, kBody);

    if (w.valor_pactado_per > 0) {
        say(job, 6.0, 1.5, "PACTADO ISAPRE:", kLabel);
        int plan = w.pactado_isapre_per;
        if (plan == 2 || plan == 4 || plan == 5) {
            say(job, 6.0, 4.3, ": UF " + num(w.valor_pactado_per, "999.999"), kBody);
            say(job, 6.0, 5.7, "$ " + num(w.valor_pactado_per * uf, "9,999,999"), kBody);
        } else {
            say(job, 6.0, 5.7, "$ " + num(w.valor_pactado_per, "9,999,999"), kBody);
        }
        if (w.adicional_pesos_per > 0) say(job, 6.0, 7.0, "+ $" + num(w.adicional_pesos_per, "9,999,999"), kBody);
    }

    say(job, 6.4, 1.5, "VALOR UF", kLabel);
    say(job, 6.4, 4.3, ": " + num(uf, "99,999,999.99"), kBody);
    if (c.unemploymentEmployer > 0) {
        say(job, 6.4, 9.0, "APORTE SEG.CES.EMP.", kLabel);
        say(job, 6.4, 12.3, ": " + num(c.unemploymentEmployer, "99,999,999"), kBody);
    } else {
        say(job, 6.4, 9.0, "NO AFILIADO A SEG.CES.", kLabel);
    }
    say(job, 6.0, 16.0, "APORTE MUTUAL", kLabel);
    say(job, 6.0, 18.5, ": " + num(c.mutual, "99,999,999"), kBody);
    say(job, 6.4, 16.0, "APORTE SIS:", kLabel);
    say(job, 6.4, 18.5, ": " + num(c.sis, "99,999,999"), kBody);

    say(job, 6.9, 1.2, rule, kTitle);
    frame(job, 6.9, 17.5, 9.7);
    say(job, 7.0, 2.5, std::string(7, ' ') + "HABERES", kTitle);
    say(job, 7.0, 11.0, std::string(7, ' ') + "DESCUENTOS", kTitle);
    say(job, 7.5, 1.2, rule, kTitle);
    frame(job, 7.5, 16.5, 7.3);
    frame(job, 7.5, 17.5, 16.5);

    double row = 8.0;
    for (const auto& item : c.taxable) {
        say(job, row, 1.5, item.description, kBody);
        sayRight(job, row, 9.5, TRANSFORM(item.amount, "99,999,999"), kBody);
        row += 0.4;
    }
    say(job, row, 1.5, LineText::TaxableTotal, kLabel);
    sayRight(job, row, 9.5, TRANSFORM(c.taxableTotal, "99,999,999"), kLabel);
    row += 0.8;
    for (const auto& item : c.nonTaxable) {
        say(job, row, 1.5, item.description, kBody);
        sayRight(job, row, 9.5, TRANSFORM(item.amount, "99,999,999"), kBody);
        row += 0.4;
    }
    if (c.nonTaxableTotal > 0) {
        say(job, row, 1.5, LineText::TotalNonTaxable, kLabel);
        sayRight(job, row, 9.5, TRANSFORM(c.nonTaxableTotal, "99,999,999"), kLabel);
    }

    row = 8.0;
    for (const auto& item : c.deductions) {
        say(job, row, 10.0, item.description, kBody);
        sayRight(job, row, 18.5, TRANSFORM(item.amount, "99,999,999"), kBody);
        row += 0.4;
    }

    say(job, 16.0, 1.2, rule, kTitle);
    say(job, 16.5, 1.5, LineText::TotalEarnings, kLabel);
    sayRight(job, 16.5, 9.5, TRANSFORM(c.totalEarnings(), "999,999,999"), kLabel);
    say(job, 16.5, 10.0, LineText::TotalDeductions, kLabel);
    sayRight(job, 16.5, 18.5, TRANSFORM(c.deductionTotal, "99,999,999"), kLabel);
    say(job, 16.96, 1.2, rule, kTitle);
    say(job, 17.36, 10.0, LineText::NetPay, kLabel);
    sayRight(job, 17.36, 18.5, TRANSFORM(c.netPay(), "999,999,999"), kLabel);
    say(job, 17.96, 9.77, slipRule(37), kTitle);

    say(job, 18.4, 1.5, slipWordsLine(c.netPay()), kBody);
    say(job, 19.0, 1.5, "Certifico que he recibido de " + trim(p.company.nombre) + " a entera satisfacción", kBody);
    say(job, 19.4, 1.5,
        "el monto líquido indicado en la presente liquidación y no tengo cargo ni cobro alguno posterior que hacer, "
        "por ninguno de los conceptos ",
        kBody);
    say(job, 19.8, 1.5, "comprendidos en ella.", kBody);
    bitmap(job, 20.5, 12.0, p.company.firma, 6.0, 3.0);
    say(job, 22.9, 1.5, std::string(36, '_'), kBody);
    say(job, 23.3, 1.5, trim(w.nombre_per), kBody);
    std::string day = padLeft(std::to_string(p.date.day), 2, '0');
    say(job, 24.0, 1.5,
        trim(p.company.ciudad) + " " + day + NOMES_FF(p.date.month) + " DE " + std::to_string(p.date.year), kBody);
    say(job, 22.9, 12.0, std::string(36, '_'), kBody);
    say(job, 23.3, 12.0, std::string(5, ' ') + "Vº Bº ADMINISTRACION", kBody);
}

SlipJobNames slipJobNames(const std::vector<PaySlipLine>& view, const std::vector<WorkerLines>& workers,
                          const SlipSources& src, const Period& slipPeriod) {
    const std::string year = slipPeriod.yearText(), month = slipPeriod.monthText();
    const std::string period = trim(slipPeriod.monthName()) + " " + year;
    if (workers.size() != 1) {
        std::string company = trim(src.company.nombre);
        return {"Liquidaciones de sueldo " + (company.empty() ? std::string() : company + " ") + "- " + period,
                "LIQUIDACIONES_" + year + "_" + month};
    }
    const PaySlipLine& first = view[workers.front().begin];
    const std::string code = trim(first.PERSON_REM);
    std::string id = code;
    if (const PersonnelRow* w = src.worker(code); w && !isBlank(w->rut_per)) {
        id = trim(w->rut_per);
        id.erase(0, std::min(id.find_first_not_of('0'), id.size()));
    }
    return {"Liquidación de sueldo " + code + " " + trim(first.APENOM_REM) + " - " + period,
            "LIQUIDACION_" + id + "_" + year + "_" + month};
}

bool LIQUIDA2(std::string_view mode, Session& s, UiPort& ui, const PrintedSlipRun& run) {
    if (!s.OCON || !s.OCON->isOpen() || !run.calculate) return false;
    Connection& conn = *s.OCON;

    if (!isBlank(s.CCODIGO_PERD)) {
        PersonnelRow w;
        switch (PersonnelTable(conn, ui).byCode(s.period, s.CCODIGO_PERD, w)) {
            case PersonnelTable::Found::Yes: break;
            case PersonnelTable::Found::No: ui.alert("Trabajador No Encontrado", "Alerta"); return false;
            case PersonnelTable::Found::Failed: return false;
        }
        if (!slipWorkerActive(&w, s, ui)) return false;
        if (isBlank(s.CCODIGO_PERH)) s.CCODIGO_PERH = s.CCODIGO_PERD;
    }

    // The folder stays ours from the calculation until its slips are read back.
    WorkFolderLock folder = WorkFolderLock::acquire(run.workDir, ui);
    if (!folder.held()) return false;
    if (!run.calculate(s.CCODIGO_PERD, s.CCODIGO_PERH)) return false;

    std::vector<PaySlipLine> remumes;
    try {
        remumes = readWorkTable(WorkTable::REMUMES, run.workDir);
    } catch (const std::exception& e) {
        ui.stop(e.what(), "Error");
        return false;
    }
    return printSlipLines(mode, s, ui, std::move(remumes), run);
}

bool printSlipLines(std::string_view mode, Session& s, UiPort& ui, std::vector<PaySlipLine> remumes,
                    const PrintedSlipRun& run) {
    const bool preview = mode == "VP";
    auto status = [&](std::string text) {
        s.CPROCESO = std::move(text);
        if (run.statusChanged) run.statusChanged();
    };
    auto resetRange = [&] {
        s.CCENCOS = s.CCENCOS_NOMBRE = s.CNOMBRE_PERD = s.CCODIGO_PERH = s.CNOMBRE_PERH = "    ";
    };
    if (!s.OCON || !s.OCON->isOpen()) return false;
    std::vector<PaySlipLine> view = slipView(std::move(remumes), slipFilter(s));
    SlipSources src = loadSlipSources(*s.OCON, s, ui);
    if (!src.ok) return false;
    s.VALUTM = src.params.utm;

    // Checked before the job begins, so an empty preview never opens.
    if (view.empty()) {
        ui.alert("no se encontró informción", "Alerta");
        resetRange();
        return false;
    }

    const auto workers = slipWorkers(view);
    const SlipJobNames names = slipJobNames(view, workers, src, s.period);
    auto job = PRINTBEGIN(names.document, false, preview);
    job->setExportName(names.file);
    status(preview ? "Generando VISTA PREVIA .. " : "Imprimiendo .. ");

    bool zumel = WorkFolder(run.workDir).has(Marker::Zumel);
    std::string overflows;
    for (const auto& range : workers) {
        SlipContent content = slipContent(view, range, SlipOutput::Printed);
        status("Generando VISTA PREVIA .. " + content.code);
        SlipPage page;
        page.content = &content;
        page.worker = src.worker(content.code);
        page.costCentre = src.costCentre(page.worker);
        page.company = src.company;
        page.params = src.params;
        page.idCliente = s.ID_CLIENTE;
        page.period = s.period;
        page.date = s.DFECHA;
        page.zumel = zumel;
        job->PAGEBEGIN();
        printSlipPage(*job, page);
        job->PAGEEND();
        for (const std::string& o : slipOverflows(content, page.worker, SlipOutput::Printed))
            overflows += content.code + " " + content.name + ": el monto de " + o +
                         " no cabe en la liquidación (se imprime con asteriscos)\r\n";
    }
    bool printed = PRINTEND();
    if (!overflows.empty()) ui.alert(overflows, "Atención");
    resetRange();
    return printed;
}

}  // namespace remu
