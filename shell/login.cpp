#include "shell/login.h"

#include <algorithm>
#include <optional>
#include <set>

#include "core/date.h"
#include "data/connection.h"
#include "data/local_tables.h"
#include "data/personnel_table.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/dates.h"
#include "format/helpers.h"
#include "format/text.h"
#include "shell/admin_login.h"

namespace remu {

namespace {

constexpr const char* kAlto = "Alto";

// A month column may come back as text ("03") or as a number (3).
std::string monthText(const Value& v) {
    if (v.type() == Value::Type::Number) return padLeft(std::to_string(v.integer()), 2, '0');
    std::string t = trim(v.text());
    return t.size() == 1 ? "0" + t : t;
}

// The latest open month of the open payroll year (ANO_PUBLICO). Failed: the user has
// already been told why.
std::optional<Period> latestOpenMonth(Session& s, UiPort& ui, Connection& conn) {
    const std::string year = trim(s.ANO_PUBLICO);
    if (auto problem = Period::yearProblem(year); !problem.empty()) {
        ui.stop(problem, kAlto);
        return std::nullopt;
    }
    std::unique_ptr<Recordset> months;
    if (!BUSCA_X(months, "SELECT * FROM " + sqlYearTable(year, "_meses") + " order by mes desc", conn, "  ", ui)) {
        // An open year without open months has nothing to check a password against.
        if (months && months->isOpen()) ui.stop("El año " + year + " no tiene meses abiertos", kAlto);
        return std::nullopt;
    }
    const std::string month = monthText(months->Fields("mes"));
    auto period = Period::parse(year, month);
    if (!period) ui.stop(Period::problem(year, month), kAlto);
    return period;
}

// The worker's row of the latest open month, as the password check and the
// password change see it.
PersonnelTable::Found workerRowOfLatestMonth(Session& s, UiPort& ui, Connection& conn, PersonnelRow& row,
                                             Period& latest) {
    auto period = latestOpenMonth(s, ui, conn);
    if (!period) return PersonnelTable::Found::Failed;
    latest = *period;
    return PersonnelTable(conn, ui).byRut(latest, s.CRUT_CONEXION_TRABAJADOR, row);
}

// As CONECTA leaves the company database's name.
std::string lowerAscii(std::string t) {
    for (char& c : t)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return t;
}

// A worker whose contract ended before this month does not belong to the company any more.
bool stillBelongs(const PersonnelRow& row, const Period& now, UiPort& ui) {
    const long long end = row.anomes_termino_per;
    if (end > 0 && end < now.yearMonth()) {
        ui.stop("Trabajador no pertenece a la empresa", kAlto);
        return false;
    }
    return true;
}

// CONECTA_EMPRESA_TRABAJADOR past its connection: alias, years, open months and
// accounting database of the company database named by CDATABASE, read on `conn`.
bool bindCompany(Session& s, UiPort& ui, Connection& conn) {
    const std::string db = trim(s.CDATABASE);
    const size_t cut = db.rfind('_');
    s.CALIAS_EMPRESA = upper(cut == std::string::npos ? db : db.substr(cut + 1));

    std::string dbName;
    try {
        dbName = sqlName(db);
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), kAlto);
        return false;
    }
    std::unique_ptr<Recordset> years;
    s.TABLA_ANO.clear();
    s.ANO_PUBLICO = currentYearText();
    if (BUSCA_X(years, "SELECT * FROM " + dbName + "." + sqlName("anos") + " order by ano desc", conn, "  ", ui)) {
        s.ANO_PUBLICO = trim(years->Fields("ano").text());
        for (; !years->Eof(); years->MoveNext()) s.TABLA_ANO.push_back(trim(years->Fields("ano").text()));
    }
    // The open year names the year's tables from here on: it is checked once, here.
    const std::string year = s.ANO_PUBLICO;
    if (auto problem = Period::yearProblem(year); !problem.empty()) {
        ui.stop(problem, kAlto);
        return false;
    }

    if (trim(s.CID_CLIENTE_CONT).empty()) s.CID_CLIENTE_CONT = trim(s.ID_CLIENTE) + "_REMU";

    std::unique_ptr<Recordset> months;
    s.TAB_MESES.clear();
    if (BUSCA_X(months, "SELECT * FROM " + dbName + "." + sqlYearTable(year, "_meses") + " order by mes", conn, "  ", ui)) {
        for (; !months->Eof(); months->MoveNext()) {
            std::string mes = monthText(months->Fields("mes"));
            s.NOMES2 = monthChoice(static_cast<int>(numericValue(mes)));
            s.TAB_MESES.push_back(s.NOMES2);
            s.MES_PUBLICO = mes;
        }
        std::unique_ptr<Recordset> company;
        std::string sql = "SELECT * FROM " + dbName + "." + sqlYearTable(year, "_datos_empresa") +
                          " where mes_datemp = " + sqlText(s.MES_PUBLICO);
        if (BUSCA_X(company, sql, conn, "  ", ui))
            s.CID_CLIENTE_CONT = trim(company->Fields("id_cliente_cont_datemp").text());
    }
    return true;
}

// The search a database at a time, each on a connection of its own, for a server that
// refuses the statement asking all of them together.
bool searchOneByOne(Session& s, UiPort& ui, const std::vector<std::string>& candidates, const Period& now,
                    const std::string& rut) {
    std::shared_ptr<Connection> conn;
    PersonnelRow row;
    bool found = false;
    for (const std::string& name : candidates) {
        s.CDATABASE = name;
        if (!CONECTA(s, ui, conn)) return false;
        if (!EXISTE_TABLA(now.yearText() + "_personal", *conn, s)) continue;
        if (PersonnelTable(*conn, ui).byRutInYear(now, rut, row) == PersonnelTable::Found::Yes) {
            found = true;
            break;
        }
    }
    if (!found) {
        ui.info("Rut No encontrado", "Alerta");
        return false;
    }
    if (!stillBelongs(row, now, ui)) return false;
    return CONECTA_EMPRESA_TRABAJADOR(s, ui, conn);
}

}  // namespace

std::string RUT_LOGIN(std::string_view typed) {
    std::string rut = padRight(upper(typed), 11);
    ZEROS_FF(rut);
    return rut;
}

bool VERIUSUARIO(Session& s, UiPort& ui) {
    if (trim(s.ID_CLIENTE).empty()) {
        ui.stop("Debe ingresar ID Cliente!", kAlto);
        return false;
    }
    std::shared_ptr<Connection> conn;
    if (!CONECTA(s, ui, conn)) {
        ui.alert("No se ha encontrado su ID de CLIENTE", "Atención");
        return false;
    }
    return true;
}

bool BUSCA_RUT(Session& s, UiPort& ui) {
    const std::string rut = s.CRUT_CONEXION_TRABAJADOR;
    if (numericValue(rut) <= 0) {
        ui.stop("RUT INVALIDO", "ALTO");
        return false;
    }

    std::shared_ptr<Connection> server;
    try {
        BusyCursor wait(ui);
        server = Connection::open(serverParams(s));
    } catch (const DbError&) {
        ui.stop("NO SE CONECTO");
        return false;
    }

    // The worker's rows of this year, today's month telling whether he still belongs.
    const Date today = Clock::today();
    const Period now = Period::of(today.year, today.month);

    // Candidate company databases: "_REMU_" and the client identifier in the name; and
    // which of them hold this year's personnel table, in the same statement.
    std::vector<std::string> candidates;
    std::set<std::string> holding;
    try {
        candidates = companyDatabases(*server, s.ID_CLIENTE, now.yearText() + "_personal", holding);
    } catch (const DbError&) {
        ADOERROR(*server, ui);
        return false;
    }
    BASES_REPLACE(candidates, ui);

    // Every candidate asked at once on this one connection: over a slow network the
    // login costs a few round trips, not a connection and four statements per company.
    std::vector<std::string> asked;
    for (const std::string& name : candidates)
        if (holding.count(name)) asked.push_back(name);
    PersonnelRow row;
    size_t which = 0;
    const PersonnelTable::Found found =
        asked.empty() ? PersonnelTable::Found::No
                      : PersonnelTable(*server, ui).byRutInDatabases(now, asked, rut, which, row);
    if (found == PersonnelTable::Found::Failed) {
        // The server would not answer for all of them together: one by one, as each allows.
        server->close();
        return searchOneByOne(s, ui, candidates, now, rut);
    }
    if (found == PersonnelTable::Found::No) {
        // Left on the last name visited, as the search one by one leaves it.
        if (!candidates.empty()) s.CDATABASE = lowerAscii(trim(candidates.back()));
        ui.info("Rut No encontrado", "Alerta");
        return false;
    }
    s.CDATABASE = lowerAscii(trim(asked[which]));
    if (!stillBelongs(row, now, ui)) return false;
    return bindCompany(s, ui, *server);
}

bool CONECTA_EMPRESA_TRABAJADOR(Session& s, UiPort& ui, std::shared_ptr<Connection>& conn) {
    if (!CONECTA(s, ui, conn)) {
        ui.alert("No se ha encontrado la empresa", "Atención");
        return false;
    }
    return bindCompany(s, ui, *conn);
}

bool VERIFICA_CLAVE(Session& s, UiPort& ui) {
    std::shared_ptr<Connection> conn;
    if (!CONECTA(s, ui, conn)) return false;
    PersonnelRow row;
    Period latest;
    switch (workerRowOfLatestMonth(s, ui, *conn, row, latest)) {
        case PersonnelTable::Found::Failed:
            return false;
        case PersonnelTable::Found::No:
            // Without his row there is no password to compare: refuse rather than let him in.
            break;
        case PersonnelTable::Found::Yes: {
            const std::string typed = trim(s.CCLAVE);
            if (!typed.empty() && trim(row.clave_per) == typed) return true;
            break;
        }
    }
    ui.info(std::string(kClaveInvalida) + "\nVuelva a entrar e intentente nuevamente", kAlto);
    return false;
}

bool CAMBIA_CLAVE2(Session& s, UiPort& ui, std::string_view current, std::string_view newPassword,
                   std::string_view confirmation) {
    std::shared_ptr<Connection> conn;
    if (!CONECTA(s, ui, conn)) return false;
    PersonnelRow row;
    Period latest;
    const PersonnelTable::Found found = workerRowOfLatestMonth(s, ui, *conn, row, latest);
    if (found == PersonnelTable::Found::Failed) return false;
    const std::string typed = trim(current);
    if (found == PersonnelTable::Found::No || typed.empty() || trim(row.clave_per) != typed) {
        ui.info(kClaveInvalida, kAlto);
        return false;
    }
    // A blank password can never be typed back at login: it would lock the worker out.
    const std::string fresh = trim(upper(newPassword));
    if (fresh.empty()) {
        ui.stop("La nueva contraseña no puede quedar en blanco", kAlto);
        return false;
    }
    if (padRight(upper(newPassword), 6) != padRight(upper(confirmation), 6)) {
        ui.alert("Confirmación de Clave inválida", "Alerta");
        return false;
    }
    if (!PersonnelTable(*conn, ui).setPassword(latest, s.CRUT_CONEXION_TRABAJADOR, fresh)) return false;
    ui.info("Su comtraseña ha sido cambiada", "Atención");
    return true;
}

void GUARDA_ID_CLIENTE(Session& s, UiPort& ui) {
    s.ID_CLIENTE = trim(s.ID_CLIENTE);
    CONEXION_WRITE_DATABASE(s.ID_CLIENTE, ui);
}

}  // namespace remu
