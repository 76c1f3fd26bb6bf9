#include "payslip/pdf_slip.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/session.h"
#include "core/ui_port.h"
#include "core/work_folder.h"
#include "data/connection.h"
#include "data/personnel_table.h"
#include "data/sql.h"
#include "data/work_folder.h"
#include "format/dates.h"
#include "format/helpers.h"
#include "format/mail_address.h"
#include "format/picture.h"
#include "format/text.h"
#include "payroll/constants.h"
#include "payslip/mail_queue.h"
#include "payslip/pdf_protect.h"
#include "pdf/tpdf.h"

namespace remu {

namespace fs = std::filesystem;

namespace {

// The OEM rule and frame characters have no WinAnsi equal. The em dash fills the
// whole Courier cell, so 118 of them draw one continuous rule (the macron leaves
// gaps and shows dashed); the bar is taller than the 4-point step, so the frame
// is continuous too.
const std::string kRuleChar = "\u2014";
const std::string kVertical = "|";

const char* const kFileOpenMessage = "Imposible realizar la operación, el archivo PDF está abierto\r\nCierre el Archivo PDF";

constexpr double kCharWidth = 4.8;  // Courier at 8 points
double textWidth(const std::string& ascii) { return kCharWidth * static_cast<double>(ascii.size()); }

std::string rule(int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += kRuleChar;
    return r;
}

std::string amount(double v, std::string_view picture) { return TRANSFORM(v, picture); }
std::string trimmed(double v, std::string_view picture) { return ltrim(TRANSFORM(v, picture)); }

bool fileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

void verticalLine(TPDF& pdf, double x, double from, double limit) {
    for (double y = from; y >= limit; y -= 4) pdf.Pdfatsay(kVertical, y, x);
}

bool isPdfName(const fs::path& p) {
    std::string ext = upper(p.extension().string());
    return ext == ".PDF" || ext == ".PART";
}

}  // namespace

// 72 points per 2.54 cm, with the factor taken to three decimals (28.346) as the
// slips have always been laid out: 2.0 cm gives 785.31 and 2.5 cm 771.14.
double CM2DPI(double cm, double, bool) { return 842.0 - cm * 28.346; }

std::string pdfSlipFileName(const PersonnelRow& w, const Period& period) {
    std::string name = rtrim(w.rut_per) + "_" + personnelFullName(w) + "_" + period.yearText() + "_" +
                       period.monthText() + ".pdf";
    // A separator inside a name would send the file to another folder.
    for (char& c : name)
        if (c == '/' || c == '\\') c = '-';
    return name;
}

std::string pdfSlipRut(const std::string& rut) {
    // Company RUTs are found stored with their dots and without the leading zero
    // ("76.354.771-K"); the dotted form needs the stored 11-character one.
    std::string plain;
    for (char c : rut)
        if (c != '.' && c != ' ') plain += c;
    auto dash = plain.find('-');
    if (dash != std::string::npos && dash < 9) plain.insert(0, 9 - dash, '0');
    return RUT_CON_PUNTOS_FF(plain);
}

void drawPdfSlip(TPDF& pdf, const SlipContent& slip, const PersonnelRow& w,
                 const std::optional<std::string>& costCentre, const SlipCompany& company, const SlipParams& par,
                 const Session& s) {
    const double uf = par.uf;

    if (fileExists(company.logoJpg)) pdf.Pdfimage(company.logoJpg, static_cast<int>(CM2DPI(2.0)), 10, 110, 55);
    pdf.Pdfatsay(company.nombre, 810, 140);
    pdf.Pdfatsay(pdfSlipRut(company.rut), 803, 140);
    pdf.Pdfatsay(company.direccion, 796, 140);
    pdf.Pdfatsay(trim(company.comuna) + ", " + trim(company.ciudad) + " - Chile", 789, 140);
    pdf.Pdfatsay(rule(118), 770, 6);
    pdf.Pdfatsay("LIQUIDACION DE SUELDO " + s.period.monthName() + " " + s.period.yearText(), 760, 150);
    pdf.Pdfatsay(rule(118), 750, 6);
    verticalLine(pdf, 5, 768, 275);
    verticalLine(pdf, 570, 768, 245);

    pdf.Pdfatsay("TRABAJADOR", 740, 10);
    pdf.Pdfatsay(": " + w.codigo_per + "  " + trim(w.nombre_per), 740, 85);
    pdf.Pdfatsay("RUT", 727, 10);
    pdf.Pdfatsay(": " + pdfSlipRut(w.rut_per), 727, 85);
    pdf.Pdfatsay("DIAS_TRABAJADOS", 714, 10);
    pdf.Pdfatsay(" : " + amount(slip.daysWorked, "99"), 714, 80);
    pdf.Pdfatsay("CARGO", 701, 10);
    pdf.Pdfatsay(": " + w.cargo_per, 701, 85);

    pdf.Pdfatsay(LineText::BaseSalary, 688, 10);
    std::string label = currencyLabel(w.moneda_sueldo_per);
    if (label == "$" || label == "TOPE" || label == "MIN")
        pdf.Pdfatsay(": " + label + "  " + trimmed(w.sueldo_base_per, "99,999,999"), 688, 85);
    else
        pdf.Pdfatsay("(" + label + " " + trimmed(w.moneda_sueldo_valor_per, "9,999.99") + ")", 688, 85);
    if (label == "UF") pdf.Pdfatsay("$ " + trimmed(w.moneda_sueldo_valor_per * uf, "99,999,999.99"), 688, 140);

    double additionalAt = 180;
    if (w.valor_pactado_per > 1) {
        pdf.Pdfatsay("PACTADO ISAPRE", 675, 10);
        int plan = w.pactado_isapre_per;
        if (plan == 2 || plan == 4 || plan == 5) {
            std::string inUf = ": UF " + trimmed(w.valor_pactado_per, "999.999");
            std::string inPesos = "$ " + trimmed(w.valor_pactado_per * uf, "9,999,999");
            double pesosAt = 145;
            // Every Courier 8 character is 4.8 points wide. The peso figure of a UF plan
            // reaches past 180, where the additional amount would print over it: then
            // the figure moves up to the UF one and the additional follows it, a blank apart.
            if (w.adicional_pesos_per > 0 && pesosAt + textWidth(inPesos) + kCharWidth > additionalAt) {
                pesosAt = std::min(pesosAt, 85 + textWidth(inUf) + kCharWidth);
                additionalAt = pesosAt + textWidth(inPesos) + kCharWidth;
            }
            pdf.Pdfatsay(inUf, 675, 85);
            pdf.Pdfatsay(inPesos, 675, pesosAt);
        } else {
            pdf.Pdfatsay(": $ " + trimmed(w.valor_pactado_per, "9,999,999"), 675, 120);
        }
    }
    if (w.adicional_pesos_per > 0)
        pdf.Pdfatsay("+ $ " + trimmed(w.adicional_pesos_per, "9,999,999"), 675, additionalAt);
    pdf.Pdfatsay("VALOR UF", 662, 10);
    pdf.Pdfatsay(": " + trimmed(uf, "99,999,999.99"), 662, 85);

    pdf.Pdfatsay("CENTRO COSTO", 727, 230);
    if (costCentre) pdf.Pdfatsay(": " + w.cencosto_per + "  " + *costCentre, 727, 300);
    pdf.Pdfatsay("FECHA INGRESO", 714, 230);
    if (w.fecha_contrato_per.isValid()) pdf.Pdfatsay(": " + formatDate(w.fecha_contrato_per), 714, 300);
    pdf.Pdfatsay("TOPE IMPONIBLE", 688, 230);
    pdf.Pdfatsay(": UF " + trimmed(par.taxableCap, "999.99") + " $ " + trimmed(par.taxableCap * uf, "99,999,999"),
                 688, 300);
    pdf.Pdfatsay("TOPE CESANTIA", 675, 230);
    pdf.Pdfatsay(": UF " + trimmed(par.unemploymentCap, "999.99") + "  $ " + trimmed(par.unemploymentCap * uf, "99,999,999"),
                 675, 300);
    if (slip.unemploymentEmployer > 0) {
        pdf.Pdfatsay("APORTE CES.EMP.", 662, 230);
        pdf.Pdfatsay(": " + trimmed(slip.unemploymentEmployer, "99,999,999"), 662, 300);
    } else {
        pdf.Pdfatsay("NO AFILIADO A SEGURO CESANTIA", 662, 230);
    }
    pdf.Pdfatsay("APORTE MUTUAL", 675, 440);
    pdf.Pdfatsay(": " + trimmed(slip.mutual, "99,999,999"), 675, 510);
    pdf.Pdfatsay("APORTE SIS:", 662, 440);
    pdf.Pdfatsay(": " + trimmed(slip.sis, "99,999,999"), 662, 510);

    pdf.Pdfatsay(rule(118), 650, 6);
    verticalLine(pdf, 280, 647, 245);
    pdf.Pdfatsay("HABERES", 637, 100);
    pdf.Pdfatsay("DESCUENTOS", 637, 400);
    pdf.Pdfatsay(rule(118), 622, 6);
    verticalLine(pdf, 200, 621, 270);
    verticalLine(pdf, 480, 621, 245);

    double y = 610;
    for (auto& item : slip.taxable) {
        pdf.Pdfatsay(item.description, y, 15);
        pdf.Pdfatsay(amount(item.amount, "99,999,999"), y, 220);
        y -= 13;
    }
    pdf.Pdfatsay(LineText::TaxableTotal, y, 15);
    pdf.Pdfatsay(amount(slip.taxableTotal, "99,999,999"), y, 220);
    y -= 26;
    for (auto& item : slip.nonTaxable) {
        pdf.Pdfatsay(item.description, y, 15);
        pdf.Pdfatsay(amount(item.amount, "99,999,999"), y, 220);
        y -= 13;
    }
    if (slip.nonTaxableTotal > 0) {
        pdf.Pdfatsay(LineText::TotalNonTaxable, y, 15);
        pdf.Pdfatsay(amount(slip.nonTaxableTotal, "99,999,999"), y, 220);
    }
    y = 597;
    for (auto& item : slip.deductions) {
        pdf.Pdfatsay(item.description, y, 295);
        pdf.Pdfatsay(amount(item.amount, "99,999,999"), y, 490);
        y -= 13;
    }

    pdf.Pdfatsay(rule(118), 298, 6);
    pdf.Pdfatsay(LineText::TotalEarnings, 283, 15);
    pdf.Pdfatsay(amount(slip.totalEarnings(), "99,999,999"), 283, 220);
    pdf.Pdfatsay(LineText::TotalDeductions, 283, 295);
    pdf.Pdfatsay(amount(slip.deductionTotal, "99,999,999"), 283, 490);
    pdf.Pdfatsay(rule(118), 268, 6);
    pdf.Pdfatsay(LineText::NetPay, 258, 295);
    pdf.Pdfatsay(amount(slip.netPay(), "99,999,999"), 253, 490);
    pdf.Pdfatsay(rule(60), 240, 283);

    pdf.Pdfatsay("Certifico que he recibido de " + trim(company.nombre) + " a entera satisfacción", 230, 15);
    pdf.Pdfatsay("el monto líquido indicado en la presente liquidación y no tengo cargo ni cobro alguno posterior",
                 215, 15);
    pdf.Pdfatsay("que hacer, por ninguno de los conceptos comprendidos en ella.", 200, 15);
    pdf.Pdfatsay(std::string(36, '_'), 140, 15);
    pdf.Pdfatsay(trim(w.nombre_per), 125, 15);
    char day[4];
    std::snprintf(day, sizeof day, "%02d", s.DFECHA.day);
    pdf.Pdfatsay(trim(company.ciudad) + " " + day + NOMES_FF(s.DFECHA.month) + " DE " + std::to_string(s.DFECHA.year),
                 110, 15);
    pdf.Pdfatsay(std::string(36, '_'), 140, 295);
    pdf.Pdfatsay("     Vº Bº Administración", 125, 295);
    if (fileExists(company.firmaJpg)) pdf.Pdfimage(company.firmaJpg, 140, 295, 85, 66);
}

namespace {

// Workers read per batch of slips in a run over REMUMES read in steps.
constexpr size_t kWorkerBatch = 2000;

// The workers of the slips in src.workers: all of them loaded beforehand, or
// (with a connection) those of each batch of slips as the run reaches it.
class SlipWorkers {
public:
    SlipWorkers(SlipSources& src, SlipSequence& slips, Connection& conn, const Session& s, UiPort& ui)
        : src_(src), slips_(slips), conn_(conn), s_(s), ui_(ui) {}

    // False after telling why the workers could not be read.
    bool reach(size_t slip) {
        if (slip / kWorkerBatch == loaded_) return true;
        const size_t batch = slip / kWorkerBatch;
        std::vector<std::string> codes;
        for (size_t j = batch * kWorkerBatch; j < std::min(slips_.size(), (batch + 1) * kWorkerBatch); ++j)
            codes.push_back(slips_.code(j));
        auto rows = PersonnelTable(conn_, ui_).monthWorkers(s_.period, codes);
        if (!rows) return false;
        src_.workers.clear();
        for (PersonnelRow& w : *rows) {
            std::string code = trim(w.codigo_per);
            src_.workers.emplace(std::move(code), std::move(w));
        }
        loaded_ = batch;
        return true;
    }

private:
    SlipSources& src_;
    SlipSequence& slips_;
    Connection& conn_;
    const Session& s_;
    UiPort& ui_;
    size_t loaded_ = static_cast<size_t>(-1);
};

PdfSlipResult writeSlips(Session& s, UiPort& ui, SlipSequence& slips, const SlipSources& src, SlipWorkers* workers,
                         const PdfSlipOptions& opt);

}  // namespace

PdfSlipResult writePdfSlips(Session& s, UiPort& ui, const std::vector<PaySlipLine>& remumes,
                            const PdfSlipOptions& opt) {
    PdfSlipResult result;
    if (!s.OCON) {
        ui.stop("NO SE CONECTO");
        return result;
    }
    SlipSources src = loadSlipSources(*s.OCON, s, ui);
    if (!src.ok) return result;
    return writePdfSlipFiles(s, ui, remumes, src, opt);
}

PdfSlipResult writePdfSlipFiles(Session& s, UiPort& ui, const std::vector<PaySlipLine>& remumes,
                                const SlipSources& src, const PdfSlipOptions& opt) {
    HeldSlips slips(remumes, slipFilter(s));
    return writeSlips(s, ui, slips, src, nullptr, opt);
}

PdfSlipResult writePdfSlipFiles(Session& s, UiPort& ui, SlipSequence& slips, const SlipSources& src,
                                const PdfSlipOptions& opt) {
    return writeSlips(s, ui, slips, src, nullptr, opt);
}

namespace {

PdfSlipResult writeSlips(Session& s, UiPort& ui, SlipSequence& slips, const SlipSources& src, SlipWorkers* workers,
                         const PdfSlipOptions& opt) {
    PdfSlipResult result;
    auto reach = [&](size_t i) { return !workers || workers->reach(i); };
    std::string folder = WorkFolder(opt.workDir).output(OutputFolder::Pdfs);
    std::error_code ec;
    fs::create_directories(folder, ec);
    std::string protectProblem;
    const auto protection = readSlipProtection(opt.workDir, protectProblem);
    if (!protection) {
        ui.stop(protectProblem, "Alto");
        return result;
    }
    if (protection->on) result.passwordDigits = protection->digits;
    result.queueAsked = MailQueue::requested(opt.workDir);
    MailQueue queue = MailQueue::open(opt.workDir, ui);

    auto workerOf = [&](const std::string& code) {
        const PersonnelRow* found = src.worker(code);
        PersonnelRow worker;
        if (found) worker = *found;
        else worker.codigo_per = code;
        return worker;
    };

    // Before anything is queued: addresses that more than one worker has.
    std::vector<std::string> withheld;
    if (result.queueAsked) {
        std::vector<BatchMail> candidates;
        for (size_t i = 0; i < slips.size(); ++i) {
            if (!reach(i)) return result;
            PersonnelRow w = workerOf(slips.code(i));
            std::string address = trim(w.correo_per);
            if (validMailAddress(address)) candidates.push_back({"", address, "", trim(w.codigo_per), personnelFullName(w)});
        }
        MailAccount held;
        settleSharedAddresses(candidates, held, opt.shared, ui);
        for (auto& e : held.entries) withheld.push_back(e.code);
        result.account = std::move(held);
    }

    std::vector<PaySlipLine> lines;
    for (size_t i = 0; i < slips.size(); ++i) {
        if (!reach(i)) return result;
        try {
            slips.lines(i, lines);
        } catch (const DbfError& e) {
            reportDbfError(ui, e);
            return result;
        }
        SlipContent slip = slipContent(lines, WorkerLines{0, lines.size()}, SlipOutput::Pdf);
        PersonnelRow worker = workerOf(slip.code);
        const std::string who = trim(worker.codigo_per) + " " + blankControls(personnelFullName(worker));

        auto notWritten = [&](const std::string& why) {
            result.problems.push_back(who + ": no se escribió su liquidación, " + why);
            if (result.queueAsked && !trim(worker.correo_per).empty())
                result.account.add(trim(worker.codigo_per), personnelFullName(worker), trim(worker.correo_per), MailOutcome::Refused, "no se escribió su liquidación");
        };
        // A control character would cut or bend the file name (a NUL drops ".pdf").
        if (hasControlChar(worker.rut_per) || hasControlChar(worker.apepat_per) || hasControlChar(worker.apemat_per) ||
            hasControlChar(worker.nombres_per)) {
            notWritten("su RUT o su nombre contiene caracteres de control");
            continue;
        }
        std::optional<std::string> password;
        if (protection->on && !(password = slipPassword(worker.rut_per, protection->digits))) {
            notWritten("su RUT no tiene los " + std::to_string(protection->digits) + " dígitos de la clave");
            continue;
        }
        for (const std::string& o : slipOverflows(slip, &worker, SlipOutput::Pdf))
            result.problems.push_back(who + ": el monto de " + o + " no cabe en la liquidación (se imprime con asteriscos)");

        std::string name = pdfSlipFileName(worker, s.period);
        fs::path final = fs::path(folder) / name;
        // Written under a temporary name: a run stopped half-way never leaves a
        // truncated slip that the mailing could send.
        fs::path part = fs::path(folder) / ("." + name + ".part");
        // A protected slip is drawn in memory: the readable one never reaches the disk.
        auto pdf = password ? TPDF::NewInMemory() : TPDF::New(part.string());
        if (!pdf) {
            ui.alert(kFileOpenMessage, "Atención");
            return result;
        }
        pdf->Pdfnewpage(std::nullopt, "P", std::nullopt, "VERDANA", std::nullopt, 8);
        drawPdfSlip(*pdf, slip, worker, src.costCentre(src.worker(slip.code)), src.company, src.params, s);
        pdf->Pdfclosepage();
        bool written = pdf->Pdfclose();
        const std::string plain = pdf->takeDocument();
        pdf.reset();
        if (written && password) {
            std::string why;
            auto locked = protectPdf(plain, *password, why);
            if (!locked) {
                ui.alert("No se pudo proteger con clave el archivo PDF " + name + ": " + why, "Atención");
                return result;
            }
            std::FILE* f = std::fopen(part.c_str(), "wb");
            if (!f) {
                ui.alert(kFileOpenMessage, "Atención");
                return result;
            }
            written = std::fwrite(locked->data(), 1, locked->size(), f) == locked->size();
            written = std::fclose(f) == 0 && written;
        }
        if (!written) {
            fs::remove(part, ec);
            ui.alert("No se pudo escribir el archivo PDF " + name, "Atención");
            return result;
        }
        fs::rename(part, final, ec);
        if (ec) {
            fs::remove(part, ec);
            ui.alert(kFileOpenMessage, "Atención");
            return result;
        }
        ++result.written;
        if (opt.onWritten) opt.onWritten(final.string());
        if (result.queueAsked &&
            std::find(withheld.begin(), withheld.end(), trim(worker.codigo_per)) == withheld.end()) {
            std::string reason;
            const std::string full = personnelFullName(worker);
            MailOutcome outcome =
                queue.queue({s.period.monthText(), worker.rut_per, full, worker.correo_per, name, s.DFECHA}, reason);
            result.account.add(trim(worker.codigo_per), full, trim(worker.correo_per), outcome, reason);
        }
    }
    result.queued = queue.queued();
    if (!result.problems.empty()) {
        std::string text;
        for (const std::string& p : result.problems) text += p + "\r\n";
        ui.alert(text, "Atención");
    }

    s.CCENCOS = s.CCENCOS_NOMBRE = s.CCODIGO_PERD = s.CNOMBRE_PERD = s.CCODIGO_PERH = s.CNOMBRE_PERH = "    ";
    result.ok = true;
    if (opt.openFolder) ui.openFile(folder);
    return result;
}

}  // namespace

PdfSlipResult LIQUI_PDF(Session& s, UiPort& ui, const std::function<bool()>& engine, const PdfSlipOptions& opt) {
    PdfSlipResult result;
    // The run's REMUMES and PDFS are this run's until the last slip is written.
    WorkFolderLock owner = WorkFolderLock::acquire(opt.workDir, ui);
    if (!owner.held()) return result;
    // A marker that cannot be read stops the run before the last slips are emptied.
    std::string protectProblem;
    if (!readSlipProtection(opt.workDir, protectProblem)) {
        ui.stop(protectProblem, "Alto");
        return result;
    }
    std::string folder = WorkFolder(opt.workDir).output(OutputFolder::Pdfs);
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file() && isPdfName(entry.path())) fs::remove(entry.path(), ec);

    if (s.OCON && !slipRangeWorkerActive(*s.OCON, s, ui)) return result;

    if (!engine || !engine()) return result;
    ui.progress("Generando en PDF .. ");
    // REMUMES is read a slip at a time and the workers a batch at a time: the
    // run takes the same memory for a month of any size.
    std::unique_ptr<StoredSlips> slips;
    try {
        slips = std::make_unique<StoredSlips>(opt.workDir, slipFilter(s));
    } catch (const DbfError& e) {
        reportDbfError(ui, e);
        return result;
    }
    if (!s.OCON) {
        ui.stop("NO SE CONECTO");
        return result;
    }
    SlipSources src = loadSlipSources(*s.OCON, s, ui, false);
    if (!src.ok) return result;
    SlipWorkers workers(src, *slips, *s.OCON, s, ui);
    return writeSlips(s, ui, *slips, src, &workers, opt);
}

}  // namespace remu
