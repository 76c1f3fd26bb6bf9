#include "shell/login.h"

#include <algorithm>
#include <cstdio>

#include "core/date.h"
#include "data/connection.h"
#include "data/local_tables.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/dates.h"
#include "format/helpers.h"
#include "format/text.h"

namespace remu {

namespace {

constexpr const char* kAlto = "Alto";

std::string twoDigits(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

// Leading number of a text, blanks skipped, digits up to the first non-digit.
long long leadingNumber(std::string_view t) {
    size_t i = t.find_first_not_of(' ');
    long long n = 0;
    for (; i != std::string_view::npos && i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        n = n * 10 + (t[i] - '0');
        if (n > 1'000'000'000'000LL) break;
    }
    return n;
}

// A month column may come back as text ("03") or as a number (3).
std::string monthText(const Value& v) {
    if (v.type() == Value::Type::Number) return twoDigits(static_cast<int>(v.integer()));
    std::string t = trim(v.text());
    return t.size() == 1 ? "0" + t : t;
}

// The worker's row of the latest open month, as the password check and the
// password change see it. Failed: the user has already been told why.
enum class RowLookup { Found, NoRow, Failed };

RowLookup workerRowOfLatestMonth(Session& s, UiPort& ui, Connection& conn, std::unique_ptr<Recordset>& row) {
    std::string year;
    try {
        year = sqlYear(trim(s.ANO_PUBLICO));
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), kAlto);
        return RowLookup::Failed;
    }
    std::unique_ptr<Recordset> months;
    if (!BUSCA_X(months, "SELECT * FROM " + sqlYearTable(year, "_meses") + " order by mes desc", conn, "  ", ui)) {
        // An open year without open months has nothing to check a password against.
        if (months && months->isOpen())
            ui.stop("El año " + trim(s.ANO_PUBLICO) + " no tiene meses abiertos", kAlto);
        return RowLookup::Failed;
    }
    std::string month;
    try {
        month = sqlMonth(monthText(months->Fields("mes")));
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), kAlto);
        return RowLookup::Failed;
    }
    std::string sql = "SELECT * FROM " + sqlYearTable(year, "_personal") + " where mes_per = " + month +
                      " and rut_per = " + sqlText(s.CRUT_CONEXION_TRABAJADOR);
    if (BUSCA_X(row, sql, conn, "  ", ui)) return RowLookup::Found;
    return row && row->isOpen() ? RowLookup::NoRow : RowLookup::Failed;
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
    if (leadingNumber(rut) == 0) {
        ui.stop("RUT INVALIDO", "ALTO");
        return false;
    }

    std::shared_ptr<Connection> server;
    try {
        ConnectionParams params = serverParams(s);
        ui.busy(true);
        server = Connection::open(params);
        ui.busy(false);
    } catch (const DbError&) {
        ui.busy(false);
        ui.stop("NO SE CONECTO");
        return false;
    }

    // Candidate company databases: "_REMU_" and the client identifier in the name.
    const std::string client = trim(s.ID_CLIENTE);
    std::vector<std::string> candidates;
    try {
        auto rs = server->query("show databases");
        for (; !rs->Eof(); rs->MoveNext()) {
            std::string name = rs->Fields(0).text();
            std::string up = upper(name);
            if (up.find("_REMU_") != std::string::npos && up.find(client) != std::string::npos)
                candidates.push_back(name);
        }
    } catch (const DbError&) {
        ADOERROR(*server, ui);
        return false;
    }
    server->close();
    std::sort(candidates.begin(), candidates.end());
    BASES_REPLACE(candidates, ui);

    const std::string year = currentYearText();
    const long long yearMonth = std::stoll(year + currentMonthText());

    std::shared_ptr<Connection> conn;
    std::unique_ptr<Recordset> row;
    bool found = false;
    for (const std::string& name : candidates) {
        s.CDATABASE = name;
        if (!CONECTA(s, ui, conn)) return false;
        if (!EXISTE_TABLA(year + "_personal", *conn, s)) continue;
        std::string sql = "SELECT * FROM " + sqlYearTable(year, "_personal") + " where rut_per = " + sqlText(rut) +
                          " order by codigo_per";
        if (BUSCA_X(row, sql, *conn, "  ", ui)) {
            found = true;
            break;
        }
    }

    if (!found) {
        ui.info("Rut No encontrado", "Alerta");
        return false;
    }
    const long long end = row->Fields("anomes_termino_per").integer();
    if (end > 0 && end < yearMonth) {
        ui.stop("Trabajador no pertenece a la empresa", kAlto);
        return false;
    }
    return CONECTA_EMPRESA_TRABAJADOR(s, ui, conn);
}

bool CONECTA_EMPRESA_TRABAJADOR(Session& s, UiPort& ui, std::shared_ptr<Connection>& conn) {
    if (!CONECTA(s, ui, conn)) {
        ui.alert("No se ha encontrado la empresa", "Atención");
        return false;
    }
    const std::string db = trim(s.CDATABASE);
    const size_t cut = db.rfind('_');
    s.CALIAS_EMPRESA = upper(cut == std::string::npos ? db : db.substr(cut + 1));

    std::string dbName, year;
    try {
        dbName = sqlName(db);
        std::unique_ptr<Recordset> years;
        s.TABLA_ANO.clear();
        s.ANO_PUBLICO = currentYearText();
        if (BUSCA_X(years, "SELECT * FROM " + dbName + "." + sqlName("anos") + " order by ano desc", *conn, "  ", ui)) {
            s.ANO_PUBLICO = trim(years->Fields("ano").text());
            for (; !years->Eof(); years->MoveNext()) s.TABLA_ANO.push_back(trim(years->Fields("ano").text()));
        }
        year = sqlYear(s.ANO_PUBLICO);
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), kAlto);
        return false;
    }

    if (trim(s.CID_CLIENTE_CONT).empty()) s.CID_CLIENTE_CONT = trim(s.ID_CLIENTE) + "_REMU";

    std::unique_ptr<Recordset> months;
    s.TAB_MESES.clear();
    if (BUSCA_X(months, "SELECT * FROM " + dbName + "." + sqlYearTable(year, "_meses") + " order by mes", *conn, "  ", ui)) {
        for (; !months->Eof(); months->MoveNext()) {
            std::string mes = monthText(months->Fields("mes"));
            s.NOMES2 = " " + mes + "-" + NOMES_FF(static_cast<int>(leadingNumber(mes)));
            s.TAB_MESES.push_back(s.NOMES2);
            s.MES_PUBLICO = mes;
        }
        std::unique_ptr<Recordset> company;
        std::string sql = "SELECT * FROM " + dbName + "." + sqlYearTable(year, "_datos_empresa") +
                          " where mes_datemp = " + sqlText(s.MES_PUBLICO);
        if (BUSCA_X(company, sql, *conn, "  ", ui))
            s.CID_CLIENTE_CONT = trim(company->Fields("id_cliente_cont_datemp").text());
    }
    return true;
}

bool VERIFICA_CLAVE(Session& s, UiPort& ui) {
    std::shared_ptr<Connection> conn;
    if (!CONECTA(s, ui, conn)) return false;
    std::unique_ptr<Recordset> row;
    switch (workerRowOfLatestMonth(s, ui, *conn, row)) {
        case RowLookup::Failed:
            return false;
        case RowLookup::NoRow:
            // Without his row there is no password to compare: refuse rather than let him in.
            break;
        case RowLookup::Found: {
            const std::string typed = trim(s.CCLAVE);
            if (!typed.empty() && trim(row->Fields("clave_per").text()) == typed) return true;
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
    std::unique_ptr<Recordset> row;
    const RowLookup found = workerRowOfLatestMonth(s, ui, *conn, row);
    if (found == RowLookup::Failed) return false;
    const std::string typed = trim(current);
    if (found == RowLookup::NoRow || typed.empty() || trim(row->Fields("clave_per").text()) != typed) {
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
    const std::string sql = "UPDATE " + sqlYearTable(trim(s.ANO_PUBLICO), "_personal") + " SET clave_per = " + sqlText(fresh) +
                            " where rut_per = " + sqlText(s.CRUT_CONEXION_TRABAJADOR);
    if (!EJECUTA_SQL(sql, *conn, ui)) return false;
    ui.info("Su comtraseña ha sido cambiada", "Atención");
    return true;
}

void GUARDA_ID_CLIENTE(Session& s, UiPort& ui) {
    s.ID_CLIENTE = trim(s.ID_CLIENTE);
    CONEXION_WRITE_DATABASE(s.ID_CLIENTE, ui);
}

}  // namespace remu
