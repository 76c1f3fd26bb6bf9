#include "shell/admin_login.h"

#include <algorithm>
#include <memory>

#include "data/connection.h"
#include "data/query.h"
#include "format/text.h"
#include "shell/login.h"

namespace remu {

std::vector<std::string> companyDatabases(Connection& server, std::string_view client) {
    // The identifier is compared as stored (CONEXION keeps it in upper case).
    const std::string id = trim(client);
    std::vector<std::string> names;
    auto rs = server.query("show databases");
    for (; !rs->Eof(); rs->MoveNext()) {
        std::string name = rs->Fields(0).text();
        const std::string up = upper(name);
        if (up.find("_REMU_") != std::string::npos && up.find(id) != std::string::npos) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
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
