#pragma once
// SALDO_VACA / IMPR_VAC: the vacation balance of every worker of the month's list (as
// it is filtered) as a spreadsheet: per worker a block with his contract date, the five
// working-day figures and his periods beside them. Run by the worker list's button
// "Saldo de Vacaciones" and by remu-cli saldo-vacaciones.

#include <string>
#include <unordered_map>
#include <vector>

#include "core/date.h"
#include "office/sheet.h"
#include "personnel/vacations.h"

namespace remu {

class Connection;
class Recordset;
class UiPort;
struct Session;

// Every period of the company by trimmed RUT, each worker's in start order.
using VacationsByRut = std::unordered_map<std::string, std::vector<VacationPeriod>>;

// Reads `vacaciones` once for the whole sheet. Throws DbError.
VacationsByRut loadAllVacations(Connection& conn);

// "SALDO_VACACIONES_2019_03"
std::string vacationSheetStem(const Session& s);

// Fills the sheet from the personnel row set (left on its first row); the number of workers.
int fillVacationSheet(Sheet& sheet, Recordset& ors, const VacationsByRut& periods, const std::string& companyName,
                      const Date& today);

// Builds the sheet of `ors` with the session's connection and shows it; false when it
// could not be shown. `makeSheet` empty: a new .xlsx in PLANILLAS of `workDir`.
bool SALDO_VACA(Recordset& ors, Session& s, UiPort& ui, const SheetMaker& makeSheet = {},
                const std::string& workDir = ".");

}  // namespace remu
