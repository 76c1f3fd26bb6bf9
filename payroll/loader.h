#pragma once
// Reads one month's calculation inputs from the server in a handful of queries:
// whole reference tables at once, the month's personnel, items, savings and
// adjustments, and the previous-salary history in one query per year.

#include <map>
#include <string>
#include <vector>

#include "core/ui_port.h"
#include "data/connection.h"
#include "payroll/calculation.h"
#include "data/query.h"
#include "payroll/inputs.h"

namespace remu {

struct LoadRequest {
    std::string year, month, clientId;
    std::string codeFrom, codeTo;
    bool separateSavings = false;
    // Nothing is inserted: a month without its default days item gets the row the
    // run would insert, in memory only (a slip looked at, not a run).
    bool readOnly = false;
    // The personnel, the workers' own items and the savings contracts are left out:
    // the run reads them through openMonthRows as it goes (monthHasPersonnel is still filled).
    bool streamed = false;
    // The rows the month check read (VERIFI_PARAM_DATEM), taken over instead of being
    // read again; null: the loader reads them itself.
    MonthCheckRows* checked = nullptr;
};

// Fills `in` (everything but previousSalary). Inserts the month's default days
// item and a missing company-data row as the run requires, unless readOnly. False when a query
// failed (already reported through the port).
bool loadMonthInputs(Connection& conn, const LoadRequest& req, UiPort& ui, MonthInputs& in);

// The month's personnel (on `conn`), the workers' own items (on `itemsConn`) and the
// savings contracts (on `savingsConn`) as the server sends them, each in code order:
// a stream holds its connection until it is read to the end, hence one for each.
// Null (reported) on failure.
std::unique_ptr<MonthRows> openMonthRows(Connection& conn, Connection& itemsConn, Connection& savingsConn,
                                         const LoadRequest& req, UiPort& ui);

// The codes of the workers whose own items may carry medical-leave days: the
// workers whose previous salary the run may need. False (reported) on failure.
bool loadLeaveWorkers(Connection& conn, const LoadRequest& req, UiPort& ui, std::vector<std::string>& codes);

// Taxable total of the latest earlier month with 30 days worked, for each of
// `codes`, searching the company's years newest first (the run's month number
// is left out in every year). Workers without such a month are absent.
bool loadPreviousSalaries(Connection& conn, const std::string& month, const std::vector<std::string>& codes,
                          UiPort& ui, std::map<std::string, double>& out);

}  // namespace remu
