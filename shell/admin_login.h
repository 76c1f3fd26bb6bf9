#pragma once
// The administration login: a database account and its password, checked by the
// server itself (there is no password table of our own), then one of the client's
// company databases. The session that results is bound to no worker, so every
// administration function of the screens is enabled. The account is held in memory
// only (CUSER, CPASSWORD) and never written to CONEXION.DBF. No GUI here.

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/session.h"
#include "core/ui_port.h"

namespace remu {

class Connection;

// The client's company databases among those the server shows: the name, in upper
// case, holds "_REMU_" and the client identifier as stored. In name order. Throws DbError.
std::vector<std::string> companyDatabases(Connection& server, std::string_view client);
// The same list and, in the same statement, which of them hold `table` (their
// names as listed, in `holding`). Throws DbError.
std::vector<std::string> companyDatabases(Connection& server, std::string_view client, std::string_view table,
                                          std::set<std::string>& holding);

// The account tried on the server (no database). Refused: "NO SE CONECTO", false. A
// reachable server where the account sees none of the client's company databases is
// refused too. On success `companies` holds them. The session is not changed.
bool ADMIN_CONECTA(Session& s, UiPort& ui, std::string_view account, std::string_view password,
                   std::vector<std::string>& companies);

// Binds the session to `company` as the worker login does (alias, years, months,
// accounting database), with the account for every connection from here on and no
// worker bound. False after its message, the session as it was.
bool ADMIN_EMPRESA(Session& s, UiPort& ui, std::string_view account, std::string_view password,
                   std::string_view company);

}  // namespace remu
