#pragma once
// EXCEL_PERSON: the working month's personnel master ("MAESTRO DE PERSONAL") as
// a spreadsheet: one row per worker of the list's row set as it is filtered,
// 38 columns with the codes turned into readable texts, and the salary total.
// Run by the button "Nomina" of the worker list and by remu-cli nomina.

#include <map>
#include <memory>
#include <string>

#include "core/period.h"
#include "office/sheet.h"

namespace remu {

class Connection;
class Recordset;
class UiPort;
struct Session;

// Names of the AFPs, health institutions and cost centres, by trimmed code.
struct MasterNames {
    std::map<std::string, std::string> afp, isapre, costCentre;
};

// Read without messages: a table that is missing leaves its names blank.
MasterNames loadMasterNames(Connection& conn, const Session& s);

// The month's personnel as the worker list loads it, in code order; null after
// telling the user when the server refused.
std::unique_ptr<Recordset> loadMonthPersonnel(Connection& conn, const Session& s, UiPort& ui);

// "MAESTRO_PERSONAL_2019_03"
std::string masterSheetStem(const Session& s);

// Fills the sheet from the row set (left on its first row); the number of workers.
int fillMasterSheet(Sheet& sheet, Recordset& ors, const MasterNames& names, const Period& period);

// Builds the sheet of `ors` with the session's connection and shows it; false
// when it could not be shown. `makeSheet` empty: a new .xlsx in PLANILLAS of `workDir`.
bool EXCEL_PERSON(Recordset& ors, Session& s, UiPort& ui, const SheetMaker& makeSheet = {},
                  const std::string& workDir = ".");

}  // namespace remu
