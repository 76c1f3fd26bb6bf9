#pragma once
// A sheet that keeps every cell's value and properties as the operations set
// them, one at a time. The file is written from this state at the end, so each
// distinct combination of properties becomes one cell format, made once.

#include <compare>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "office/sheet.h"

namespace remu {

enum class CellAlign : std::uint8_t { General, Left, Center, Right };

// Border bits.
inline constexpr std::uint8_t kBorderLeft = 1, kBorderRight = 2, kBorderTop = 4, kBorderBottom = 8;

struct CellStyle {
    bool bold = false;
    double size = 0;  // points; 0: the sheet's standard size
    CellAlign align = CellAlign::General;
    std::uint8_t borders = 0;
    long fill = -1;             // BGR colour number; -1: no fill
    std::string numberFormat;   // invariant form; empty: General
    auto operator<=>(const CellStyle&) const = default;
};

struct SheetCell {
    enum class Kind : std::uint8_t { Empty, Text, Number, Formula };
    Kind kind = Kind::Empty;
    std::uint16_t style = 0;  // index into CellSheet::styles()
    double number = 0;
    std::string text;  // the text, or the formula in invariant form
};

class CellSheet : public Sheet {
public:
    // Standard font size of the sheet's cells.
    static constexpr double kStandardSize = 11;

    CellSheet();

    void setFontName(std::string_view name) override;
    void setValue(int row, int col, std::string_view text) override;
    void setValue(int row, int col, double number) override;
    using Sheet::setValue;
    void setBold(int row, int col) override;
    void setFontSize(int row, int col, double points) override;
    void setAlignment(const CellRange& range, int alignment) override;
    using Sheet::setAlignment;
    void setNumberFormat(const CellRange& range, std::string_view localFormat) override;
    using Sheet::setNumberFormat;
    void setBorder(int row, int col, int edge) override;
    void setInteriorColor(const CellRange& range, long bgr) override;
    using Sheet::setInteriorColor;
    void setFormulaLocal(int row, int col, std::string_view formula) override;
    void autoFit(int col) override;
    void select(int row, int col) override;

    // The kept state.
    const std::string& fontName() const { return font_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    int columnCount() const;
    // Null when the cell was never touched.
    const SheetCell* cell(int row, int col) const;
    const CellStyle& style(const SheetCell& c) const { return styles_[c.style]; }
    const std::vector<CellStyle>& styles() const { return styles_; }
    // Width set by autoFit, in the program's character units; 0 when never fitted.
    double columnWidth(int col) const;
    int selectedRow() const { return selRow_; }
    int selectedCol() const { return selCol_; }
    // The value a formula shows: sums of ranges are worked out from the sheet's
    // numbers (the only formula the outputs write); 0 for anything else.
    double formulaValue(const std::string& invariant) const;
    // What a cell shows, as a Chilean user's spreadsheet displays it.
    std::string displayText(const SheetCell& c) const;

private:
    SheetCell& at(int row, int col);
    std::uint16_t intern(const CellStyle& s);
    template <class Change>
    void restyle(const CellRange& range, Change change);

    std::string font_;
    std::vector<std::vector<SheetCell>> rows_;
    std::vector<CellStyle> styles_;
    std::map<CellStyle, std::uint16_t> styleIds_;
    std::vector<double> widths_;
    int selRow_ = 1, selCol_ = 1;
};

// Width in points of a text in the sheet's proportional font (Verdana metrics;
// wide enough for the usual substitutes).
double textWidthPoints(std::string_view utf8, double size, bool bold);

// A number as a format shows it: "$#,##0" gives "$1.234.567", General the
// shortest form ("27565,76").
std::string formatNumber(double value, std::string_view invariantFormat);

}  // namespace remu
