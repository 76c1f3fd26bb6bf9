#pragma once
// The worker's history on paper and in a spreadsheet: the same table as the
// window and remu-cli historial, with each year's totals.

#include <string>

#include "history/history.h"
#include "office/sheet.h"

namespace remu {

class UiPort;

// File name without extension: "HISTORIAL_0001".
std::string historyFileStem(const WorkerHistory& h);

// Writes the table as a PDF file (A4 landscape, as many pages as it takes). It is
// written under a temporary name and renamed into place, so a failed export never
// leaves part of a file. False after telling the user why.
bool writeHistoryPdf(const WorkerHistory& h, const std::string& file, UiPort& ui);

// Fills the sheet with the title, the headings, a row per month and a total row
// per year; the number of rows written below the headings.
int fillHistorySheet(Sheet& sheet, const WorkerHistory& h);

// Makes the sheet with `makeSheet`, fills it and shows it; false when it could not be shown.
bool showHistorySheet(const WorkerHistory& h, UiPort& ui, const SheetMaker& makeSheet);

}  // namespace remu
