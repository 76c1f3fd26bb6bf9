#include "data/query.h"

#include <cstdlib>

#include "data/sql.h"
#include "format/helpers.h"
#include "format/text.h"

namespace remu {

namespace {

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

ConnectionParams companyParams(const Session& s) {
    ConnectionParams p;
    p.host = trim(s.CHOST);
    p.user = trim(s.CUSER);
    p.password = trim(s.CPASSWORD);
    p.database = trim(s.CDATABASE);
    return p;
}

ConnectionParams serverParams(const Session& s) {
    ConnectionParams p = companyParams(s);
    p.database.clear();
    return p;
}

bool CONECTA(Session& s, UiPort& ui, std::shared_ptr<Connection>& conn) {
    conn.reset();
    try {
        BusyCursor wait(ui);
        conn = Connection::open(companyParams(s));
    } catch (const DbError&) {
        ui.stop("NO SE CONECTO");
        return false;
    }
    s.CDATABASE = lowerAscii(trim(s.CDATABASE));
    return true;
}

void ADOERROR(Connection& conn, UiPort& ui) {
    std::string text;
    for (const DbErrorEntry& e : conn.errors()) {
        text = "Descrip.: " + e.description + "\r\n" + "SQLState: " + e.sqlState + "\r\n" +
               "NativeError: " + std::to_string(e.nativeError) + "\r\n";
    }
    if (text.empty()) text = "Descrip.: Error sin detalle del servidor\r\nSQLState: \r\nNativeError: 0\r\n";
    ui.stop(text, "Error");
}

bool SAVE_ROW(Recordset& rs, bool append, const std::function<void(Recordset&)>& fill, Connection& conn, UiPort& ui) {
    try {
        if (append) rs.AddNew();
        fill(rs);
        BusyCursor wait(ui);
        rs.Update();
        return true;
    } catch (const DbError& e) {
        rs.CancelUpdate();
        const auto& errors = conn.errors();
        if (errors.empty() || errors.back().description != e.entry().description) conn.addError(e.entry());
        ADOERROR(conn, ui);
        return false;
    }
}

bool BUSCA_X(std::unique_ptr<Recordset>& rs, const std::string& sql, Connection& conn, std::string_view what,
             UiPort& ui) {
    rs = Recordset::makeClosed();
    try {
        BusyCursor wait(ui);
        rs = conn.query(sql);
    } catch (const DbError&) {
        if (what == "BUSCA CONT") {
            ui.info("No existe Contabilidad asociada a esta empresa", "Atención");
        } else {
            ui.info(sql, "Atención");
            ADOERROR(conn, ui);
        }
        return false;
    }
    if (rs->Eof()) {
        if (!trim(what).empty()) ui.info("No existe " + std::string(what), "registro no encontrado");
        return false;
    }
    return true;
}

bool EJECUTA_SQL(const std::string& sql, Connection& conn, UiPort& ui) {
    try {
        BusyCursor wait(ui);
        conn.execute(sql);
        return true;
    } catch (const DbError&) {
        ADOERROR(conn, ui);
        return false;
    }
}

bool EXISTE_TABLA(std::string_view name, Connection& conn, const Session& s) {
    try {
        // LIMIT 0 checks that the table can be read without fetching it.
        conn.query("SELECT * FROM " + sqlName(s.CDATABASE) + "." + sqlName(name) + " LIMIT 0");
        return true;
    } catch (const BadIdentifier&) {
        return false;
    } catch (const DbError&) {
        return false;
    }
}

bool VERIFI_PARAM_DATEM(Connection& conn, const Period& period, const Session& s, UiPort& ui, MonthCheckRows* rows) {
    std::string y, m, client;
    try {
        y = sqlYear(period.yearText());
        m = sqlMonth(period);
        client = sqlName(trim(s.ID_CLIENTE) + "_REMU");
    } catch (const BadIdentifier& e) {
        // No period chosen, or a client identifier no database can be named after.
        ui.stop(e.what(), "Alto");
        return false;
    }
    const std::string monthName = period.monthName();
    std::unique_ptr<Recordset> rs;
    if (!BUSCA_X(rs, "SELECT * FROM " + client + "." + sqlYearTable(y, "_parametros") + " where mes_par = " + m, conn, "  ",
                 ui)) {
        ui.stop("Debe Registrar parámetros " + monthName + " antes de procesar", "Alto");
        return false;
    }
    if (rows) rows->params = std::move(rs);
    if (!BUSCA_X(rs, "SELECT * FROM " + sqlYearTable(y, "_datos_empresa") + " where mes_datemp = " + m, conn, "  ", ui)) {
        ui.stop("Debe Registrar Datos empresa antes de procesar", "Alto");
        return false;
    }
    if (rows) rows->company = std::move(rs);
    if (!BUSCA_X(rs, "SELECT * FROM " + client + "." + sqlYearTable(y, "_tabu") + " where MES = " + sqlText(m), conn, "  ",
                 ui)) {
        ui.stop("Debe Registrar UTM " + monthName + " en Tabla Impuesto único  antes de procesar", "Alto");
        return false;
    }
    if (rows) rows->tax = std::move(rs);
    return true;
}

}  // namespace remu
