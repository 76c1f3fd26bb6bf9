// remu-cli documento: a worker's contract or settlement from a word-processor template.
#include <iostream>

#include "cli/command.h"
#include "cli/company_month.h"
#include "core/session.h"
#include "core/ui_port.h"
#include "personnel/documents.h"

namespace remu::cli {

namespace {

const char* kDocumentoUsage =
    "uso: remu-cli documento --tipo contrato|finiquito --plantilla ARCHIVO --empresa BASE --ano AAAA --mes MM\n"
    "                        --codigo CODIGO [--dir CARPETA] [--cliente ID]\n"
    "\n"
    "  Genera el contrato o el finiquito del trabajador CODIGO del mes con la plantilla ARCHIVO\n"
    "  (.doc, .docx u .odt): sus marcas [NOMEMP], [NOMPER], [RUTPER] ... se reemplazan por los datos\n"
    "  del trabajador y de la empresa. El documento queda en CARPETA (la de CONEXION.DBF, la carpeta\n"
    "  actual por omisión) con el nombre del RUT: 012345678_CONTRATO.DOC, 012345678_FINIQUITO.DOCX.\n"
    "  Usa LibreOffice sin pantalla, con un perfil propio.";

const std::vector<std::string> kValued = {"tipo", "plantilla", "empresa", "ano", "mes", "codigo", "dir", "cliente"};

int runDocumento(const Args& a) {
    auto bad = a.unknown(kValued);
    if (!bad.empty()) {
        std::cerr << "remu-cli documento: opción desconocida " << bad.front() << "\n" << kDocumentoUsage << "\n";
        return 2;
    }
    const std::string tipo = a.option("tipo", "");
    const std::string codigo = a.option("codigo", "");
    if ((tipo != "contrato" && tipo != "finiquito") || codigo.empty() || !a.option("plantilla")) {
        std::cerr << kDocumentoUsage << "\n";
        return 2;
    }
    ConsolePort ui;
    Session s;
    int status = 0;
    if (!openCompanyMonth(a, s, ui, kDocumentoUsage, status)) return status;
    DocumentWorker worker;
    if (!readDocumentWorker(*s.OCON, s, codigo, ui, worker)) return 1;

    const std::string templ = a.option("plantilla", "");
    const std::string dir = a.option("dir", ".");
    std::string line;  // the dialog's status line, on stderr
    auto show = [&] {
        if (!line.empty()) std::cerr << line << std::endl;
    };
    std::string made = tipo == "contrato" ? VECONT(s, worker, templ, dir, line, show, ui)
                                          : VEFINIQ(s, worker, templ, dir, line, show, ui);
    if (made.empty()) return 1;
    std::cout << made << "\n";
    return 0;
}

const CommandRegistrar documentoCommand(Command{"documento", kDocumentoUsage,
                                                "genera el contrato o el finiquito de un trabajador",
                                                kValued, runDocumento});

}  // namespace

}  // namespace remu::cli
