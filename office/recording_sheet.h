#pragma once
// The sheet of the tests: keeps every cell's final value and properties and
// records that it was shown, without writing a file.

#include <string>

#include "office/cell_sheet.h"

namespace remu {

class RecordingSheet : public CellSheet {
public:
    explicit RecordingSheet(std::string stem = {}) : stem_(std::move(stem)) {}

    bool show(UiPort&) override {
        ++shown_;
        return true;
    }

    const std::string& stem() const { return stem_; }
    int timesShown() const { return shown_; }

    // The cell's text as stored ("" for an empty or untouched cell, the number's
    // General text for a number, the invariant formula for a formula).
    std::string text(int row, int col) const;
    // The cell's number (0 for anything else).
    double number(int row, int col) const;
    bool isNumber(int row, int col) const;
    bool isText(int row, int col) const;
    // The cell's properties (the standard ones for an untouched cell).
    const CellStyle& styleAt(int row, int col) const;

private:
    std::string stem_;
    int shown_ = 0;
};

}  // namespace remu
