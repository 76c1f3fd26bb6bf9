#pragma once
// The calculation run: checks the month, loads its inputs, calculates, writes
// the work tables and the worker figures. Every pay slip output runs it first.

#include <string>
#include <string_view>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"

namespace remu {

// Seconds spent in each phase of the last run (for the benchmark): elapsed
// time, and the processor time of this process (the server's own work is not
// in it).
struct RunTimings {
    double verify = 0, load = 0, calculate = 0, writeTables = 0, writeBack = 0, total = 0;
    double cpuLoad = 0, cpuCalculate = 0, cpuWriteTables = 0, cpuWriteBack = 0, cpuTotal = 0;
    size_t workers = 0, lines = 0;
};

class SlipRecorder;

struct RunOptions {
    std::string workDir = ".";      // work tables and the "APV_SEP.TXT" marker
    RunTimings* timings = nullptr;  // filled when given
    SlipRecorder* explain = nullptr;  // records how its worker's lines were obtained
};

// Runs the calculation for the session's period (C_ANO, C_MES) on OCON, for every
// worker or the code range from..to; true when it ran to the end. Progress goes
// to the port and to CESTADO.
bool CALCULA_REMUN(Session& s, UiPort& ui, std::string_view from = {}, std::string_view to = {},
                   const RunOptions& options = {});
bool CALCULA_REMUN2(Session& s, UiPort& ui, std::string_view from = {}, std::string_view to = {},
                    const RunOptions& options = {});

// Taxable total of the worker's latest earlier month with 30 days worked, or 0.
double SUELDO_ANTERIOR(Connection& conn, const Session& s, UiPort& ui, std::string_view code);

}  // namespace remu
