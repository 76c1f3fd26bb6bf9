#pragma once
// LIQUIDA without a window: what the pay slip dialog (payslip_dialog.h) decides and
// reads from the server. The opening (connection, month choices, the bound worker's
// code), the month switch, the checks of the cost centre and worker fields and the
// statements of their lookups. Messages go through the UiPort; the dialog only binds
// its controls to the session and redraws them.

#include <string>

#include "core/session.h"
#include "core/ui_port.h"

namespace remu {

// Steps of the opening that need no window: connection (kept in OCON), the year and
// its month choices (TAB_MESES, N_MES, the period), the bound worker's code and name.
// False (after its message, the connection closed) when the dialog must not open.
bool prepareLiquida(Session& s, UiPort& ui);
// Lets the connection of the dialog go (when it closes).
void closeLiquida(Session& s);

// The month switch: the period's month from the chosen entry N_MES of TAB_MESES.
void CAMBIA_PERIODO(Session& s);

// Field 209 left: the name of the cost centre CCENCOS into CCENCOS_NOMBRE (blank when
// there is none); false when a code is given and the accounting has no such centre.
bool validCostCentre(Session& s, UiPort& ui);
// Fields 202 and 203 left: the code zero-filled, the worker's name of the month into
// `name`. A "to" code that is not found is refused ("No existe trabajador"); a "from"
// code that is not found is let pass with a blank name.
bool validWorker(Session& s, UiPort& ui, std::string& code, std::string& name, bool isTo);

// The lookups' statements (AYUDA_Y runs them): the accounting's cost centres; the
// month's workers, all of them or only those whose contract has not ended before it.
std::string costCentreLookupSql(const Session& s);
std::string workerLookupSql(const Session& s, bool allOfMonth);

// Before an output: a bound worker without a code of his own in the month must never
// get the whole company's slips ("Trabajador No Encontrado").
bool outputAllowed(const Session& s, UiPort& ui);

}  // namespace remu
