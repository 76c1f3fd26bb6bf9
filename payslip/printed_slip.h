#pragma once
// LIQUIDA2: the printed pay slip, one page per worker, drawn on the current print
// job (preview or printer). No Qt here: the client decides which job PRINTBEGIN
// makes; tests get the recording job.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/date.h"
#include "core/period.h"
#include "payslip/slip_model.h"

namespace remu {

class PrintJob;
class UiPort;
struct Session;

// Runs the payroll engine for a code range (blank "from": every worker); false stops the slip.
using CalculateFn = std::function<bool(const std::string& codeFrom, const std::string& codeTo)>;

struct PrintedSlipRun {
    CalculateFn calculate;                // required
    std::string workDir = ".";            // REMUMES and the marker file ZUMEL.TXT
    std::function<void()> statusChanged;  // redraws the dialog's status label (CPROCESO)
};

// Mode "VP" previews, "IM" prints on the chosen printer. False when nothing was printed.
bool LIQUIDA2(std::string_view mode, Session& s, UiPort& ui, const PrintedSlipRun& run);

// LIQUIDA2 past the calculation: the slips of REMUMES lines already computed
// (`run.calculate` is not called), chosen by the session's filter. False when
// nothing was printed.
bool printSlipLines(std::string_view mode, Session& s, UiPort& ui, std::vector<PaySlipLine> remumes,
                    const PrintedSlipRun& run);

// Everything one worker's page shows.
struct SlipPage {
    const SlipContent* content = nullptr;
    const PersonnelRow* worker = nullptr;  // null when the worker's row was not found
    std::optional<std::string> costCentre;  // its name, when the worker has one on record
    SlipCompany company;
    SlipParams params;
    std::string idCliente;
    Period period;      // C_ANO, C_MES
    Date date;          // DFECHA
    bool zumel = false; // ZUMEL.TXT present
};

// What a slip job is called: the document (printer queue, preview title) names the
// worker, or the company when there are several, and the month; the file name is
// the one an export suggests (LIQUIDACION_<RUT>_<AAAA>_<MM>).
struct SlipJobNames {
    std::string document;
    std::string file;
};
SlipJobNames slipJobNames(const std::vector<PaySlipLine>& view, const std::vector<WorkerLines>& workers,
                          const SlipSources& src, const Period& period);

// Draws one page's texts on the job (between PAGEBEGIN and PAGEEND).
void printSlipPage(PrintJob& job, const SlipPage& page);

// The slip's rule and frame characters after the OEM-to-ANSI conversion (UTF-8).
inline constexpr const char* kSlipRuleChar = "¯";   // macron, from OEM 0xEE
inline constexpr const char* kSlipFrameChar = "¦";  // broken bar, from OEM 0xB3
std::string slipRule(int length);

}  // namespace remu
