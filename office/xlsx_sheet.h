#pragma once
// The spreadsheet as a real .xlsx file (libxlsxwriter): filled in memory, written
// when shown, then handed to the application the desktop opens .xlsx files with.
// The user saves it elsewhere if he wants; a new file never replaces an old one.

#include <memory>
#include <string>

#include "office/cell_sheet.h"

namespace remu {

// Where a shown sheet is written.
struct SheetDestination {
    std::string workDir = ".";  // a new file in its folder PLANILLAS (created when missing)
    std::string stem;           // the file's name without ".xlsx"
    std::string file;           // when given: exactly this file (replaced when present)
};

// Moves a finished file into `folder` as "<stem>.xlsx", or "<stem>_2.xlsx",
// "<stem>_3.xlsx" ... when that name is taken; never replaces a file, also when
// another program creates one meanwhile. The final path; empty (with `error`
// set) when it could not.
std::string placeNewFile(const std::string& finished, const std::string& folder, const std::string& stem,
                         std::string& error);

class XlsxSheet : public CellSheet {
public:
    // `written`, when given, receives the path of the file written.
    explicit XlsxSheet(SheetDestination destination, std::shared_ptr<std::string> written = nullptr)
        : dest_(std::move(destination)), written_(std::move(written)) {}

    // Writes the file (under a temporary name first, so a failed run leaves
    // nothing half-written) and opens it through the port.
    bool show(UiPort& ui) override;
    // The file written by show(); empty before.
    const std::string& path() const { return path_; }

    // Writes the workbook to `file`; false with the reason in `error`.
    bool write(const std::string& file, std::string& error) const;

private:
    SheetDestination dest_;
    std::shared_ptr<std::string> written_;
    std::string path_;
};

// Sheets written into PLANILLAS of `workDir`, or into `file` when it is given.
// `written`, when given, receives the path of each file written.
SheetMaker xlsxSheets(const std::string& workDir, const std::string& file = {},
                      std::shared_ptr<std::string> written = nullptr);

}  // namespace remu
