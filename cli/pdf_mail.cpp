// remu-cli pdf / envio: the month's PDF pay slips (with the mail queue when
// ENVIA.TXT is present) and the mass mailing of the PDFs.
#include <cstdio>
#include <iostream>

#include "cli/command.h"
#include "cli/company_month.h"
#include "core/session.h"
#include "core/ui_port.h"
#include "core/work_folder.h"
#include "data/local_tables.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/dates.h"
#include "format/text.h"
#include "payroll/engine.h"
#include "payslip/mass_mail.h"
#include "payslip/pdf_slip.h"

namespace remu::cli {

namespace {

const char* kPdfUsage =
    "uso: remu-cli pdf --empresa BASE --ano AAAA --mes MM [--desde CODIGO --hasta CODIGO] [--cencos CC]\n"
    "                  [--dir CARPETA] [--cliente ID] [--contabilidad BASE] [--fecha DD/MM/AAAA] [--silencio]\n"
    "                  [--permitir-compartidos]\n"
    "\n"
    "  Calcula el mes y escribe una liquidación PDF por trabajador en CARPETA/PDFS (vaciada antes).\n"
    "  Con ENVIA.TXT en la carpeta, registra cada PDF en la cola de correos (COLACORREO.DBF) y da\n"
    "  cuenta de cada trabajador; una dirección de más de un trabajador se registra sólo con\n"
    "  --permitir-compartidos. --fecha es la fecha de emisión (hoy por omisión).\n"
    "  Con PROTEGE.TXT en la carpeta, cada PDF se protege con clave (AES-256): los primeros dígitos\n"
    "  del RUT del trabajador, 4 o los que diga PROTEGE.TXT (de 4 a 8).\n"
    "  Termina con 0 cuando todo se hizo, 1 cuando algo pedido no se hizo, 2 por mal uso.";

const char* kEnvioUsage =
    "uso: remu-cli envio --empresa BASE --ano AAAA --mes MM [--dir CARPETA] [--cliente ID] [--si]\n"
    "                    [--permitir-compartidos]\n"
    "\n"
    "  Envía por correo los PDF de CARPETA/PDFS a los trabajadores con dirección, con los datos\n"
    "  del remitente de CORREO.DBF. --si responde que sí a \"Seguro de realizar el envío?\";\n"
    "  sin él no se envía nada. Una dirección de más de un trabajador se usa sólo con\n"
    "  --permitir-compartidos. Al final da cuenta de cada trabajador; termina con 0 cuando se\n"
    "  envió todo lo intentado, 1 cuando algún correo no se envió, 2 por mal uso.\n"
    "  Con PROTEGE.TXT el correo dice la regla de la clave (\"los 4 primeros dígitos de su RUT\"),\n"
    "  nunca la clave; un PDF que no se abre con esa regla no se envía.";

const std::vector<std::string> kValued = {"empresa", "ano", "mes", "desde", "hasta", "cencos",
                                          "dir", "cliente", "contabilidad", "fecha"};

// Session bound to the company month, connected; false after telling why.
bool openMonth(const Args& a, Session& s, UiPort& ui, const char* usage, int& status) {
    if (!openCompanyMonth(a, s, ui, usage, status)) return false;
    s.DFECHA = Clock::today();
    if (auto f = a.option("fecha")) {
        s.DFECHA = parseDate(*f);
        if (s.DFECHA.isNull()) {
            ui.stop("Fecha inválida: " + *f, "Alto");
            return false;
        }
    }
    setAccountingDatabase(a, s);
    return true;
}

int runPdf(const Args& a) {
    auto bad = a.unknown({"empresa", "ano", "mes", "desde", "hasta", "cencos", "dir", "cliente", "contabilidad",
                          "fecha", "silencio", "permitir-compartidos"});
    if (!bad.empty()) {
        std::cerr << "remu-cli pdf: opción desconocida " << bad.front() << "\n" << kPdfUsage << "\n";
        return 2;
    }
    ConsolePort ui(false, a.flag("silencio"));
    Session s;
    int status = 0;
    if (!openMonth(a, s, ui, kPdfUsage, status)) return status;
    s.CCODIGO_PERD = a.option("desde", "    ");
    s.CCODIGO_PERH = a.option("hasta", "    ");
    s.CCENCOS = a.option("cencos", "    ");
    std::string dir = a.option("dir", ".");
    auto engine = [&] { return CALCULA_REMUN(s, ui, {}, {}, {dir, nullptr}); };
    PdfSlipOptions opt{dir, false, a.flag("permitir-compartidos") ? SharedAddresses::Allow : SharedAddresses::Withhold};
    auto r = LIQUI_PDF(s, ui, engine, opt);
    if (!r.ok) return 1;
    std::cout << r.written << " liquidaciones PDF en " << WorkFolder(dir).output(OutputFolder::Pdfs) << "\n";
    if (r.passwordDigits > 0)
        std::cout << "Protegidas con clave: los " << r.passwordDigits << " primeros dígitos del RUT de cada trabajador\n";
    for (const std::string& p : r.problems) std::cout << p << "\n";
    if (r.queueAsked) std::cout << "Cola de correos: " << r.account.text();
    return r.complete() ? 0 : 1;
}

int runEnvio(const Args& a) {
    auto bad = a.unknown({"empresa", "ano", "mes", "dir", "cliente", "si", "permitir-compartidos"});
    if (!bad.empty()) {
        std::cerr << "remu-cli envio: opción desconocida " << bad.front() << "\n" << kEnvioUsage << "\n";
        return 2;
    }
    ConsolePort ui(a.flag("si"));
    Session s;
    int status = 0;
    if (!openMonth(a, s, ui, kEnvioUsage, status)) return status;
    MassMailOptions opt;
    opt.workDir = a.option("dir", ".");
    opt.shared = a.flag("permitir-compartidos") ? SharedAddresses::Allow : SharedAddresses::Withhold;
    MassMailResult r = ENVIO_MASIVO(s, ui, opt);
    if (!r.started) return 1;
    std::cout << "Envío de liquidaciones: " << r.account.text();
    return r.account.complete() ? 0 : 1;
}

const CommandRegistrar pdfCommand(Command{"pdf", kPdfUsage, "escribe las liquidaciones PDF del mes (y la cola de correos)",
                                          kValued, runPdf});
const CommandRegistrar envioCommand(Command{"envio", kEnvioUsage, "envía por correo las liquidaciones PDF", kValued,
                                            runEnvio});

}  // namespace

}  // namespace remu::cli
