#pragma once
// Query helpers used by every operation that talks to the server. They show
// their failures through the message port with the system's texts and titles.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"

namespace remu {

// Connection parameters of the company database from the session (trimmed values).
ConnectionParams companyParams(const Session& s);
// The server connection without a database ("show databases").
ConnectionParams serverParams(const Session& s);

// Opens the company database connection. On success CDATABASE becomes its trimmed
// lower-case form. On failure: stop box "NO SE CONECTO", false.
bool CONECTA(Session& s, UiPort& ui, std::shared_ptr<Connection>& conn);

// Shows the last entry of the connection's error collection in a stop box "Error".
void ADOERROR(Connection& conn, UiPort& ui);

// Adds a row (`append`) or edits the current one through `fill`, then writes it to
// the base table under the wait cursor. A refusal, the server's or the row set's own
// (a row changed by someone else meanwhile, no current row), drops the edit and is
// shown as ADOERROR shows the server's; false then.
bool SAVE_ROW(Recordset& rs, bool append, const std::function<void(Recordset&)>& fill, Connection& conn, UiPort& ui);

// Runs a query into rs; true when it ran and returned at least one row.
bool BUSCA_X(std::unique_ptr<Recordset>& rs, const std::string& sql, Connection& conn, std::string_view what,
             UiPort& ui);

// Runs a statement that returns no rows; false (after ADOERROR) on failure.
bool EJECUTA_SQL(const std::string& sql, Connection& conn, UiPort& ui);

// True when the table exists in the session's company database (no rows fetched).
bool EXISTE_TABLA(std::string_view name, Connection& conn, const Session& s);

// The rows the month check found: the month's parameters, company data and tax
// table, each a result on its first row, for the run to use instead of asking again.
struct MonthCheckRows {
    std::unique_ptr<Recordset> params, company, tax;
};

// True when parameters, company data and tax table of the month exist; `rows`,
// when given, receives what was read.
bool VERIFI_PARAM_DATEM(Connection& conn, const Period& period, const Session& s, UiPort& ui,
                        MonthCheckRows* rows = nullptr);

}  // namespace remu
