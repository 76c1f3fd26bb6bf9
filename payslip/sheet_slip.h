#pragma once
// LIQUI_EXCEL: the month's pay slips in one spreadsheet, a block of rows per
// worker on a single sheet, handed to the user (button "Excel" of the pay slip
// dialog, remu-cli excel). The figures are the printed slip's.

#include <functional>
#include <string>
#include <vector>

#include "office/sheet.h"
#include "payslip/slip_model.h"

namespace remu {

struct Session;
class UiPort;

struct SheetSlipRun {
    std::function<bool()> calculate;      // the engine for every worker of the month; false stops
    std::string workDir = ".";            // REMUMES, the marker file ZUMEL.TXT, PLANILLAS
    std::function<void()> statusChanged;  // redraws the dialog's status label (CPROCESO)
    SheetMaker makeSheet;                 // empty: a new .xlsx in PLANILLAS of workDir
};

// False when no sheet was shown (refused worker, engine failure, nothing to
// show, file not written).
bool LIQUI_EXCEL(Session& s, UiPort& ui, const SheetSlipRun& run);

// The file's name: "LIQUIDACIONES_2019_03".
std::string sheetSlipStem(const Session& s);

// Fills the sheet with one block per worker of the slip view, the title
// included; the number of workers.
int fillSheetSlips(Sheet& sheet, const std::vector<PaySlipLine>& view, const SlipSources& src, const Period& period,
                   bool zumel);

// Currency label of the base salary in the spreadsheet: "$", "UF", "UTM",
// "TOPE", "MIN", a single blank for anything else.
std::string sheetCurrencyLabel(int moneda);

}  // namespace remu
