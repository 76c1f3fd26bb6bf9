#include "personnel/documents.h"

#include <cstdio>
#include <filesystem>

#include "core/work_folder.h"
#include "data/connection.h"
#include "data/fields.h"
#include "data/personnel_table.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/helpers.h"
#include "format/picture.h"
#include "format/text.h"
#include "office/tword.h"

namespace remu {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAlerta = "ALERTA";

// A RUT as XXRUT_FF expects it: 11 characters, zero-filled. The company's RUTs are often
// stored with their dots already ("9.876.543-2"), which XXRUT_FF would cut in the wrong
// places; blank stays blank.
std::string zeroFilledRut(std::string_view stored) {
    std::string r;
    for (char c : trim(stored))
        if (c != '.' && c != ' ') r += c;
    if (r.empty() || r.size() > 11) return r;
    r = padRight(r, 11);
    ZEROS_FF(r);
    return r;
}

std::string dottedRut(std::string_view stored) {
    std::string r = zeroFilledRut(stored);
    return r.empty() ? r : XXRUT_FF(r);
}

// The salary with the picture "9,999,999"; a salary of ten million or more does not fit
// it and would print as asterisks, so it takes the room it needs.
std::string salaryFigure(double amount) {
    std::string s = TRANSFORM(amount, "9,999,999");
    if (s.find('*') != std::string::npos) s = ltrim(TRANSFORM(amount, "999,999,999"));
    return s;
}

std::string upperExtension(std::string_view path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

std::string makeDocument(DocumentKind kind, Session& s, const DocumentWorker& worker, const std::string& templ,
                         const std::string& workDir, std::string& status, const DocumentStatus& refresh, UiPort& ui) {
    auto show = [&](const char* text) {
        status = text;
        if (refresh) refresh();
    };
    if (trim(templ).empty() || !templateAccepted(templ)) {
        ui.stop(kind == DocumentKind::Contrato ? kSinContratoTipo : kSinFiniquitoTipo, kAlerta);
        return {};
    }
    std::error_code ec;
    if (!fs::is_regular_file(templ, ec)) {
        ui.stop("No existe el archivo " + templ, kAlerta);
        return {};
    }
    // Without a RUT every worker's document would be called "_CONTRATO.DOC".
    const std::string name = documentFileName(kind, worker.CRUT, templ);
    if (name.empty()) {
        ui.stop("El trabajador no tiene un RUT válido: no se puede generar el documento", kAlerta);
        return {};
    }
    const fs::path dir = fs::absolute(WorkFolder(workDir).dir(), ec).lexically_normal();
    const fs::path target = dir / name;
    if (fs::exists(target, ec) && fs::equivalent(templ, target, ec)) {
        ui.stop("La plantilla no puede ser el mismo archivo del documento " + target.string(), kAlerta);
        return {};
    }

    std::shared_ptr<Connection> conn = s.OCON;
    if (!conn || !conn->isOpen()) {
        if (!CONECTA(s, ui, conn)) return {};
    }
    DocumentCompany company;
    if (!readDocumentCompany(*conn, s, ui, company)) return {};

    show(kGenerando);
    TWORD oWord = TWORD::New(ui);
    if (!oWord.lWord) {
        show("");
        return {};
    }
    // Filled under a name of its own and renamed when complete: a failure leaves neither
    // a half-filled document nor the loss of an earlier one.
    const fs::path work = dir / (".~remu-" + name);
    fs::copy_file(templ, work, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        ui.stop("No se pudo copiar la plantilla en " + dir.string() + ": " + ec.message(), kAlerta);
        show("");
        return {};
    }
    fs::permissions(work, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
    bool ok = oWord.OpenDoc(work.string());
    if (ok) {
        for (const auto& [marker, value] : documentMarkers(kind, worker, company)) oWord.Replace(marker, value);
        ok = oWord.Save(work.string());
    }
    oWord.End();
    if (ok) fs::rename(work, target, ec);
    if (!ok || ec) {
        fs::remove(work, ec);
        ui.stop("No se pudo generar el documento " + target.string() + " con la plantilla " + templ, kAlerta);
        show("");
        return {};
    }
    show(kAbriendo);
    ui.openFile(target.string());
    return target.string();
}

}  // namespace

DocumentTemplates& documentTemplates() {
    static DocumentTemplates t = [] {
        std::error_code ec;
        std::string cwd = fs::current_path(ec).string();
        return DocumentTemplates{cwd, cwd};
    }();
    return t;
}

std::string longDate(const Date& d) {
    if (d.isNull()) return {};
    char day[8], year[8];
    std::snprintf(day, sizeof day, "%02d", d.day);
    std::snprintf(year, sizeof year, "%04d", d.year);
    return std::string(day) + " DE " + NOMES_FF(d.month) + " DE " + year;
}

std::vector<std::pair<std::string, std::string>> documentMarkers(DocumentKind kind, const DocumentWorker& w,
                                                                 const DocumentCompany& c) {
    const bool contract = kind == DocumentKind::Contrato;
    return {
        {"[NOMEMP]", trim(c.nombre_datemp)},
        {"[NOMPER]", trim(w.CNOMBRE)},
        {"[RUTEMP]", contract ? trim(c.Rut_datemp) : dottedRut(c.Rut_datemp)},
        {"[REPLEG]", " " + trim(c.rep_legal_datemp)},
        {"[RUTREP]", dottedRut(c.rut_rep_Legal_datemp)},
        {"[SUEBAS]", salaryFigure(w.NSUELDO_BASE)},
        {"[SUEBME]", MONTO_FF(static_cast<long long>(w.NSUELDO_BASE))},
        {"[ACTPER]", trim(w.CCARGO)},
        {"[DIREMP]", trim(c.direccion_datemp)},
        {"[COMUEMP]", trim(c.comuna_datemp)},
        {"[ESTCIV]", w.NESTADO_CIVIL == 1 ? "Soltero" : "Casado"},
        {"[RUTPER]", dottedRut(w.CRUT)},
        {"[FECCON]", w.DFECHA_CONTRATO.isNull() ? "*** SIN FECHA DE CONTRATO ***" : longDate(w.DFECHA_CONTRATO)},
        {"[FECTER]",
         w.DFECHA_TERMINO.isNull() ? "es de duración indefinida" : "durara hasta el " + longDate(w.DFECHA_TERMINO)},
        {"[FECNAC]", w.DFECHA_NAC.isNull() ? "*** SIN FECHA DE NACIMIENTO ***" : longDate(w.DFECHA_NAC)},
        {"[DIRPER]", trim(w.CDIRECCION)},
        {"[COMUPER]", trim(w.CCOMUNA)},
    };
}

bool templateAccepted(std::string_view path) {
    const std::string ext = upperExtension(trim(path));
    return ext == ".DOC" || ext == ".DOCX" || ext == ".ODT";
}

std::string documentFileName(DocumentKind kind, std::string_view rut, std::string_view templatePath) {
    std::string r = zeroFilledRut(rut);
    if (r.size() < 9) return {};
    std::string number = r.substr(0, 9);
    if (number.find_first_not_of("0123456789") != std::string::npos ||
        number.find_first_not_of('0') == std::string::npos)
        return {};
    return number + (kind == DocumentKind::Contrato ? "_CONTRATO" : "_FINIQUITO") + upperExtension(templatePath);
}

bool readDocumentWorker(Connection& conn, const Session& s, std::string_view code, UiPort& ui,
                        DocumentWorker& w) {
    PersonnelRow row;
    if (PersonnelTable(conn, ui).byCode(s.period, code, row, "Trabajador " + trim(code)) != PersonnelTable::Found::Yes)
        return false;
    w = DocumentWorker{};
    w.CCODIGO_PER = row.codigo_per;
    w.CRUT = padRight(trim(row.rut_per), 11);
    ZEROS_FF(w.CRUT);
    w.CNOMBRE = trim(row.nombres_per) + " " + trim(row.apepat_per) + " " + trim(row.apemat_per);
    w.CDIRECCION = row.direccion_per;
    w.CCOMUNA = row.comuna_per;
    w.CCARGO = row.cargo_per;
    w.DFECHA_NAC = row.fecha_nacimiento_per;
    w.DFECHA_CONTRATO = row.fecha_contrato_per;
    w.DFECHA_TERMINO = row.fecha_termino_per;
    w.NESTADO_CIVIL = row.estado_civil_per;
    w.NSUELDO_BASE = row.sueldo_base_per;

    // Salaries that follow an index are recomputed with the month's values, as the
    // worker file does when it opens.
    const int unit = row.moneda_sueldo_per;
    if (unit >= 4 && unit <= 7) {
        std::unique_ptr<Recordset> p;
        try {
            if (BUSCA_X(p,
                        "SELECT * FROM " + sqlName(trim(s.ID_CLIENTE) + "_REMU") + "." +
                            sqlYearTable(s.period, "_parametros") + " where mes_par = " + sqlMonth(s.period),
                        conn, "", ui)) {
                const double value = row.moneda_sueldo_valor_per;
                switch (unit) {
                    case 4:
                        w.NSUELDO_BASE = fieldNumber(*p, "tope_imponible_par") * fieldNumber(*p, "valor_uf_par");
                        break;
                    case 5: w.NSUELDO_BASE = fieldNumber(*p, "ingreso_minimo_par"); break;
                    case 6: w.NSUELDO_BASE = value * fieldNumber(*p, "valor_usd"); break;
                    default: w.NSUELDO_BASE = value * fieldNumber(*p, "valor_euro"); break;
                }
                w.NSUELDO_BASE = ROUND(w.NSUELDO_BASE, 0);
            }
        } catch (const BadIdentifier& e) {
            // The client identifier names no database.
            ui.stop(e.what(), "Error");
            return false;
        }
    }
    return true;
}

bool readDocumentCompany(Connection& conn, const Session& s, UiPort& ui, DocumentCompany& c) {
    std::unique_ptr<Recordset> rs;
    if (!BUSCA_X(rs,
                 "SELECT * FROM " + sqlYearTable(s.period, "_datos_empresa") + " where mes_datemp = " + sqlMonth(s.period),
                 conn, "", ui)) {
        if (rs && rs->isOpen()) ui.stop("Debe Registrar Datos empresa antes de generar el documento", kAlerta);
        return false;
    }
    c.nombre_datemp = fieldText(*rs, "nombre_datemp");
    c.Rut_datemp = fieldText(*rs, "Rut_datemp");
    c.rep_legal_datemp = fieldText(*rs, "rep_legal_datemp");
    c.rut_rep_Legal_datemp = fieldText(*rs, "rut_rep_Legal_datemp");
    c.direccion_datemp = fieldText(*rs, "direccion_datemp");
    c.comuna_datemp = fieldText(*rs, "comuna_datemp");
    return true;
}

std::string VECONT(Session& s, const DocumentWorker& worker, const std::string& templatePath,
                   const std::string& workDir, std::string& status, const DocumentStatus& refresh, UiPort& ui) {
    return makeDocument(DocumentKind::Contrato, s, worker, templatePath, workDir, status, refresh, ui);
}

std::string VEFINIQ(Session& s, const DocumentWorker& worker, const std::string& templatePath,
                    const std::string& workDir, std::string& status, const DocumentStatus& refresh, UiPort& ui) {
    return makeDocument(DocumentKind::Finiquito, s, worker, templatePath, workDir, status, refresh, ui);
}

}  // namespace remu
