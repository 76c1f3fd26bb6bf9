#pragma once
// Leaves a run's result where the outputs and later runs read it: the three
// work tables in the working directory, and each worker's taxable total and
// days worked on his row of the month, in batched statements.

#include <string>
#include <vector>

#include "core/ui_port.h"
#include "data/connection.h"
#include "payroll/calculation.h"

namespace remu {

// REMUMES with the lines, REMUPASO empty, AJUPASO with the adjustments. The
// lines are handed over (r.slips is left empty) so memory falls as they are
// written. False (reported) when a table cannot be written.
bool writeWorkTables(CalcResult& r, const std::string& dir, UiPort& ui);

// One UPDATE per batch of workers, all inside one transaction: either every
// figure is written or none. False (reported) on failure.
bool writeBackFigures(Connection& conn, const std::string& year, const std::string& month,
                      const std::vector<WriteBack>& figures, UiPort& ui, size_t batch = 500);

}  // namespace remu
