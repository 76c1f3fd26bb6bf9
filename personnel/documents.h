#pragma once
// Contract and settlement documents of the worker file (CONTFIN): the template the
// clerk chose is copied under a name made from the worker's RUT, its seventeen
// markers are replaced by the worker's and the company's data in the word processor
// (TWORD), and the document is handed to the desktop. No GUI here: boxes go through
// the UiPort, the status line through a callback.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/date.h"
#include "core/session.h"
#include "core/ui_port.h"

namespace remu {

class Connection;

enum class DocumentKind { Contrato, Finiquito };

// The values of the worker file's editing buffer the documents read.
struct DocumentWorker {
    std::string CCODIGO_PER;
    std::string CRUT;  // 11 characters, the number zero-filled on the left
    std::string CNOMBRE;
    std::string CDIRECCION;
    std::string CCOMUNA;
    std::string CCARGO;
    Date DFECHA_NAC;
    Date DFECHA_CONTRATO;
    Date DFECHA_TERMINO;
    int NESTADO_CIVIL = 1;  // 1 single, 2 married, 3 other
    double NSUELDO_BASE = 0;
};

// The working month's row of <year>_datos_empresa.
struct DocumentCompany {
    std::string nombre_datemp;
    std::string Rut_datemp;
    std::string rep_legal_datemp;
    std::string rut_rep_Legal_datemp;
    std::string direccion_datemp;
    std::string comuna_datemp;
};

// The template paths of the dialog, process-wide like the rest of the buffer; both
// start as the current directory.
struct DocumentTemplates {
    std::string DIRCONFIN;     // contract template
    std::string DIRFINIQUITO;  // settlement template
};
DocumentTemplates& documentTemplates();

// "15 DE  MARZO DE 2019": day, " DE ", the month as NOMES_FF gives it (with its
// leading blank), " DE ", the year. Empty for a null date.
std::string longDate(const Date& d);

// The seventeen markers with their values, in the order they are replaced.
std::vector<std::pair<std::string, std::string>> documentMarkers(DocumentKind kind, const DocumentWorker& worker,
                                                                 const DocumentCompany& company);

// A template the word processor can fill: a .doc or .docx file (.odt too), the
// extension in any letter case.
bool templateAccepted(std::string_view path);

// NOMCONTFIN: the RUT's number (its first nine characters, zero-filled) and
// "_CONTRATO" or "_FINIQUITO", with the template's own extension in upper case
// ("012345678_CONTRATO.DOC", "012345678_FINIQUITO.DOCX"). Empty when the RUT has no
// number to name the file with.
std::string documentFileName(DocumentKind kind, std::string_view rut, std::string_view templatePath);

// The worker's row of the working month by code, as the worker file loads it into its
// buffer (the name composed from its parts, the salary of units 4 to 7 recomputed with
// the month's values). False after telling the user why.
bool readDocumentWorker(Connection& conn, const Session& s, std::string_view code, UiPort& ui,
                        DocumentWorker& worker);

// The company's data of the working month. False after telling the user why (also when
// the month has no company row: a document without its employer is of no use).
bool readDocumentCompany(Connection& conn, const Session& s, UiPort& ui, DocumentCompany& company);

// Shows the status text (label 120 of the dialog); `status` has the new text.
using DocumentStatus = std::function<void()>;

// VECONT / VEFINIQ: produce the contract / settlement of `worker` from `templatePath`
// into `workDir` (DIRACTUAL), replacing an earlier one of the same name, and open it.
// The file's path, or empty when nothing was produced (the user has been told why;
// an earlier document of the same name is left as it was).
std::string VECONT(Session& s, const DocumentWorker& worker, const std::string& templatePath,
                   const std::string& workDir, std::string& status, const DocumentStatus& refresh, UiPort& ui);
std::string VEFINIQ(Session& s, const DocumentWorker& worker, const std::string& templatePath,
                    const std::string& workDir, std::string& status, const DocumentStatus& refresh, UiPort& ui);

// Texts of the status line and of the template check.
inline constexpr const char* kGenerando = "POR FAVOR ESPERE ..Generando Archivo Word";
inline constexpr const char* kAbriendo = "POR FAVOR ESPERE ..ABRIENDO Archivo Word";
inline constexpr const char* kSinContratoTipo = "Debe seleccionar el contrato Tipo";
inline constexpr const char* kSinFiniquitoTipo = "Debe seleccionar el Finiquito Tipo";

}  // namespace remu
