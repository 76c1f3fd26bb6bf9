#pragma once
// What every month command starts with: --empresa/--ano/--mes checked, the
// server and client read from CONEXION.DBF of --dir, the company connected.

#include "cli/command.h"
#include "core/session.h"
#include "core/ui_port.h"

namespace remu::cli {

// Session bound to the company month and connected (OCON). On false, status is
// 2 for wrong usage (the usage text was printed) or 1 after telling the user why.
bool openCompanyMonth(const Args& a, Session& s, UiPort& ui, const char* usage, int& status);
// The same for a command that works over months: --empresa only, no period chosen.
bool openCompany(const Args& a, Session& s, UiPort& ui, const char* usage, int& status);

// The accounting database the company data of the month names (cost centres);
// empty when the month has none.
std::string accountingDatabase(Session& s);

// CID_CLIENTE_CONT, the accounting database of the cost centres: --contabilidad,
// or the one the month's company data names (empty when none).
void setAccountingDatabase(const Args& a, Session& s);

}  // namespace remu::cli
