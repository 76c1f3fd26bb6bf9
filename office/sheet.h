#pragma once
// The spreadsheet the outputs fill: the few operations of the spreadsheet
// program's automation they use (cell values, bold, size, alignment, number
// format, borders, interior colour, formula, autofit, selection, showing it),
// addressed by 1-based row and column as the program addresses cells.
//
// Number formats and formulas are written as a Spanish-locale user types them
// ("$#.##0", "=SUMA(P4:P9)"); colours are the program's BGR colour numbers.
// Implementations: XlsxSheet (a .xlsx file opened on the desktop) and
// RecordingSheet (tests).

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace remu {

class UiPort;

// The spreadsheet program's alignment constants as the callers pass them.
inline constexpr int kAlignLeft = -4131;
inline constexpr int kAlignCenter = -4108;
inline constexpr int kAlignRight = -4152;
inline constexpr int kAlignGeneral = 1;

// Edges of Borders(index): 1 left, 2 right, 3 top, 4 bottom.
inline constexpr int kEdgeLeft = 1;
inline constexpr int kEdgeRight = 2;
inline constexpr int kEdgeTop = 3;
inline constexpr int kEdgeBottom = 4;

// The program's colours: 16119285 is red 245 green 245 blue 245, and so on.
inline constexpr long kColourLightGrey = 16119285;
inline constexpr long kColourHeading = 14539155;
inline constexpr long kColourGrey = 12632256;

// A BGR colour number (red in the low byte) as 0xRRGGBB.
long bgrToRgb(long bgr);

// A rectangle of cells, 1-based and inclusive.
struct CellRange {
    int firstRow = 1, firstCol = 1, lastRow = 1, lastCol = 1;
};
inline CellRange cellAt(int row, int col) { return {row, col, row, col}; }

// "P4:P12", "A3:AL4" or "B5"; throws std::invalid_argument for anything else.
CellRange parseRange(std::string_view address);
// 1 -> "A", 27 -> "AA".
std::string columnLetters(int col);

class Sheet {
public:
    virtual ~Sheet() = default;

    // Cells.Font.Name: the font of the whole sheet.
    virtual void setFontName(std::string_view name) = 0;
    // Cells(r, c).Value. Numbers stay numbers; a text starting with an apostrophe
    // is kept as the text after it (codes with leading zeros); an empty text
    // empties the cell.
    virtual void setValue(int row, int col, std::string_view text) = 0;
    virtual void setValue(int row, int col, double number) = 0;
    void setValue(int row, int col, const char* text) { setValue(row, col, std::string_view(text)); }
    virtual void setBold(int row, int col) = 0;
    virtual void setFontSize(int row, int col, double points) = 0;
    // HorizontalAlignment: kAlignLeft, kAlignCenter, kAlignRight; any other value
    // (the personnel export passes 8) is the general alignment.
    virtual void setAlignment(const CellRange& range, int alignment) = 0;
    // NumberFormat in the Spanish locale: "$#.##0", "#.##0", "#.##0,00".
    virtual void setNumberFormat(const CellRange& range, std::string_view localFormat) = 0;
    // Borders(edge).LineStyle := 1, a continuous thin line.
    virtual void setBorder(int row, int col, int edge) = 0;
    // Interior.Color, a BGR colour number.
    virtual void setInteriorColor(const CellRange& range, long bgr) = 0;
    // FormulaLocal: "=SUMA(P4:P9)".
    virtual void setFormulaLocal(int row, int col, std::string_view formula) = 0;
    // Columns(c).AutoFit(): the width that fits what the column holds now.
    virtual void autoFit(int col) = 0;
    virtual void select(int row, int col) = 0;
    // Visible := true: hands the finished sheet to the user. False (after telling
    // him why) when it could not be.
    virtual bool show(UiPort& ui) = 0;

    void setAlignment(int row, int col, int alignment) { setAlignment(cellAt(row, col), alignment); }
    void setNumberFormat(int row, int col, std::string_view f) { setNumberFormat(cellAt(row, col), f); }
    void setInteriorColor(int row, int col, long bgr) { setInteriorColor(cellAt(row, col), bgr); }
};

// Makes the sheet of one output; `stem` names its file ("LIQUIDACIONES_2019_03").
using SheetMaker = std::function<std::unique_ptr<Sheet>(const std::string& stem)>;

// Spanish-locale texts in the form the file keeps: "$#.##0" -> "$#,##0",
// "#.##0,00" -> "#,##0.00" (quoted text and escaped characters untouched).
std::string invariantNumberFormat(std::string_view localFormat);
// "=SUMA(P4:P9;2,5)" -> "=SUM(P4:P9,2.5)": function names in English, ';'
// between arguments, '.' as decimal point; quoted text untouched.
std::string invariantFormula(std::string_view localFormula);

}  // namespace remu
