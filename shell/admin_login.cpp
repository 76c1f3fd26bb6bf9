#include "shell/admin_login.h"

#include <algorithm>
#include <memory>

#include "data/connection.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/text.h"
#include "shell/login.h"

namespace remu {

namespace {

// The identifier is compared as stored (CONEXION keeps it in upper case).
bool isCompanyDatabase(const std::string& name, const std::string& id) {
    const std::string up = upper(name);
    return up.find("_REMU_") != std::string::npos && up.find(id) != std::string::npos;
}

}  // namespace

std::vector<std::string> companyDatabases(Connection& server, std::string_view client) {
    const std::string id = trim(client);
    std::vector<std::string> names;
    auto rs = server.query("show databases");
    for (; !rs->Eof(); rs->MoveNext()) {
        std::string name = rs->Fields(0).text();
        if (isCompanyDatabase(name, id)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> companyDatabases(Connection& server, std::string_view client, std::string_view table,
                                          std::set<std::string>& holding) {
    const std::string id = trim(client);
    std::vector<std::string> names;
    holding.clear();
    // SCHEMATA is what "show databases" lists, to the same account; the tables part
    // names the databases holding the table, in the same round trip.
    auto rs = server.query(
        "SELECT SCHEMA_NAME, 0 FROM information_schema.SCHEMATA UNION ALL SELECT TABLE_SCHEMA, 1 FROM "
        "information_schema.TABLES WHERE TABLE_NAME = " +
        sqlText(table));
    std::set<std::string> withTable;
    for (; !rs->Eof(); rs->MoveNext()) {
        std::string name = rs->Fields(0).text();
        if (rs->Fields(1).integer() != 0) withTable.insert(upper(name));
        else if (isCompanyDatabase(name, id)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (withTable.count(upper(name))) holding.insert(name);
    return names;
}

bool ADMIN_CONECTA(Session& s, UiPort& ui, std::string_view account, std::string_view password,
                   std::vector<std::string>& companies) {
    companies.clear();
    if (trim(s.ID_CLIENTE).empty()) {
        ui.stop("Debe ingresar ID Cliente!", "Alto");
        return false;
    }
    // An empty account would fall back on the server's defaults: it is no account.
    if (trim(account).empty()) {
        ui.stop("NO SE CONECTO");
        return false;
    }
    ConnectionParams params = serverParams(s);
    params.user = std::string(account);
    params.password = std::string(password);
    std::shared_ptr<Connection> server;
    try {
        BusyCursor wait(ui);
        server = Connection::open(params);
        companies = companyDatabases(*server, s.ID_CLIENTE);
    } catch (const DbError&) {
        ui.stop("NO SE CONECTO");
        return false;
    }
    server->close();
    if (companies.empty()) {
        ui.stop("Esta cuenta no tiene acceso a ninguna empresa del cliente " + trim(s.ID_CLIENTE), "Alto");
        return false;
    }
    return true;
}

bool ADMIN_EMPRESA(Session& s, UiPort& ui, std::string_view account, std::string_view password,
                   std::string_view company) {
    const Session before = s;
    s.CUSER = std::string(account);
    s.CPASSWORD = std::string(password);
    s.CDATABASE = std::string(company);
    s.CRUT_CONEXION_TRABAJADOR = std::string(11, ' ');
    s.CCLAVE = std::string(6, ' ');
    s.CID_CLIENTE_CONT.clear();
    std::shared_ptr<Connection> conn;
    if (!CONECTA_EMPRESA_TRABAJADOR(s, ui, conn)) {
        s = before;
        return false;
    }
    if (conn) conn->close();
    s.administration = true;
    return true;
}

}  // namespace remu
