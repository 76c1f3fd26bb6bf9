#pragma once
// One worker's slip of one month computed in memory by the month's own loader
// and calculation, for looking at it: nothing is written, no row is inserted and
// no work table is touched (REMUMES keeps the slip previewed last).

#include <string>
#include <string_view>
#include <vector>

#include "core/period.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "data/work_tables.h"

namespace remu {

struct WorkerMonth {
    enum class Outcome {
        Computed,   // lines hold the slip
        NotOnFile,  // the month has no personnel row of the worker
        Inactive,   // his contract ended before the month (contractEnd)
        NoSlip,     // on file and active, yet the month gives him no line
        Failed,     // the month could not be computed; the port was told why
    };
    Outcome outcome = Outcome::Failed;
    // The worker's REMUMES lines as a run for his code leaves them (worker code,
    // kind, taxable flag, order of the run).
    std::vector<PaySlipLine> lines;
    long contractEnd = 0;  // anomes_termino_per, yyyymm
    // codigo_ips_per: the code his pension line carries when he is in the old
    // public regime (its title is then the regime's name); blank otherwise.
    std::string oldRegimeCode;
};

// The slip of worker `code` for `period` of the company on `conn` (client
// parameter database of `clientId`), with the "APV_SEP.TXT" marker of `workDir`.
// Messages of the month check, the queries and the calculation go to the port,
// as a run shows them.
WorkerMonth calculateWorkerMonth(Connection& conn, const std::string& clientId, const Period& period,
                                 std::string_view code, UiPort& ui, const std::string& workDir = ".");

}  // namespace remu
