#include <gtest/gtest.h>

#include "core/ui_port.h"
#include "office/recording_sheet.h"

using namespace remu;

TEST(SheetAddress, RangesAndColumnLetters) {
    CellRange r = parseRange("A3:AL4");
    EXPECT_EQ(r.firstRow, 3);
    EXPECT_EQ(r.firstCol, 1);
    EXPECT_EQ(r.lastRow, 4);
    EXPECT_EQ(r.lastCol, 38);
    r = parseRange("p4:P12");
    EXPECT_EQ(r.firstCol, 16);
    EXPECT_EQ(r.lastRow, 12);
    r = parseRange("B5");
    EXPECT_EQ(r.firstRow, 5);
    EXPECT_EQ(r.lastRow, 5);
    EXPECT_EQ(r.lastCol, 2);
    for (const char* bad : {"", "5", "B", "B0", "3B", "B5:", ":B5", "B5:C", "ABCD1", "B-1"})
        EXPECT_THROW(parseRange(bad), std::invalid_argument) << bad;

    EXPECT_EQ(columnLetters(1), "A");
    EXPECT_EQ(columnLetters(26), "Z");
    EXPECT_EQ(columnLetters(27), "AA");
    EXPECT_EQ(columnLetters(38), "AL");
    EXPECT_EQ(columnLetters(16384), "XFD");
}

TEST(SheetColours, BgrNumbersAreRedInTheLowByte) {
    EXPECT_EQ(bgrToRgb(kColourLightGrey), 0xF5F5F5);  // 245, 245, 245
    EXPECT_EQ(bgrToRgb(kColourHeading), 0x93D9DD);     // 147, 217, 221
    EXPECT_EQ(bgrToRgb(kColourGrey), 0xC0C0C0);        // 192, 192, 192
    EXPECT_EQ(bgrToRgb(255), 0xFF0000);                // red
    EXPECT_EQ(bgrToRgb(0xFF0000), 0x0000FF);           // blue
}

TEST(SheetLocale, NumberFormatsAndFormulasInTheirInvariantForm) {
    EXPECT_EQ(invariantNumberFormat("$#.##0"), "$#,##0");
    EXPECT_EQ(invariantNumberFormat("#.##0"), "#,##0");
    EXPECT_EQ(invariantNumberFormat("#.##0,00"), "#,##0.00");
    EXPECT_EQ(invariantNumberFormat("\"Total, $\" #.##0"), "\"Total, $\" #,##0");
    EXPECT_EQ(invariantNumberFormat("[Rojo]#.##0\\.-"), "[Rojo]#,##0\\.-");

    EXPECT_EQ(invariantFormula("=SUMA(P4:P9)"), "=SUM(P4:P9)");
    EXPECT_EQ(invariantFormula("=suma(A1;B2:B4)"), "=SUM(A1,B2:B4)");
    EXPECT_EQ(invariantFormula("=SI(A1>2,5;\"a;b,c\";REDONDEAR(C1;0))"), "=IF(A1>2.5,\"a;b,c\",ROUND(C1,0))");
    // A cell that looks like a function name stays a cell.
    EXPECT_EQ(invariantFormula("=SI1+O2"), "=SI1+O2");
}

TEST(SheetNumbers, ShownAsAChileanSpreadsheetShowsThem) {
    EXPECT_EQ(formatNumber(1234567, "$#,##0"), "$1.234.567");
    EXPECT_EQ(formatNumber(27565.76, "$#,##0"), "$27.566");
    EXPECT_EQ(formatNumber(0.5, "#,##0.00"), "0,50");
    EXPECT_EQ(formatNumber(-1234.5, "#,##0"), "-1.235");
    EXPECT_EQ(formatNumber(-0.2, "#,##0"), "0");
    EXPECT_EQ(formatNumber(999, "#,##0"), "999");
    EXPECT_EQ(formatNumber(27565.76, ""), "27565,76");
    EXPECT_EQ(formatNumber(30, "General"), "30");
}

TEST(CellSheetState, ValuesKeepTheirKind) {
    RecordingSheet s;
    s.setValue(2, 3, "TRABAJADOR:");
    s.setValue(2, 4, 650000.0);
    s.setValue(2, 5, "'0001");
    s.setValue(2, 6, "x");
    s.setValue(2, 6, "");  // empties the cell, as the spreadsheet does
    s.setFormulaLocal(3, 4, "=SUMA(D2:D2)");
    EXPECT_TRUE(s.isText(2, 3));
    EXPECT_TRUE(s.isNumber(2, 4));
    EXPECT_EQ(s.number(2, 4), 650000);
    EXPECT_TRUE(s.isText(2, 5));
    EXPECT_EQ(s.text(2, 5), "0001");
    EXPECT_EQ(s.cell(2, 6)->kind, SheetCell::Kind::Empty);
    EXPECT_EQ(s.text(3, 4), "=SUM(D2:D2)");
    EXPECT_EQ(s.cell(9, 9), nullptr);
    EXPECT_THROW(s.setValue(0, 1, 1.0), std::out_of_range);
    EXPECT_THROW(s.setValue(1, 16385, 1.0), std::out_of_range);
}

TEST(CellSheetState, PropertiesSetOneAtATimeShareOneFormat) {
    RecordingSheet s;
    // The same properties reached in different orders and on different cells.
    for (int r = 1; r <= 500; ++r) {
        s.setValue(r, 2, static_cast<double>(r));
        if (r % 2) {
            s.setBold(r, 2);
            s.setNumberFormat(r, 2, "$#.##0");
            s.setInteriorColor(r, 2, kColourLightGrey);
        } else {
            s.setInteriorColor(r, 2, kColourLightGrey);
            s.setNumberFormat(r, 2, "$#.##0");
            s.setBold(r, 2);
        }
        s.setBorder(r, 2, kEdgeTop);
        s.setBorder(r, 2, kEdgeLeft);
    }
    s.setAlignment(parseRange("B1:B500"), kAlignLeft);
    // Default, and the final combination (intermediate combinations are kept too, but few).
    const CellStyle& st = s.styleAt(250, 2);
    EXPECT_TRUE(st.bold);
    EXPECT_EQ(st.numberFormat, "$#,##0");
    EXPECT_EQ(st.fill, kColourLightGrey);
    EXPECT_EQ(st.borders, kBorderTop | kBorderLeft);
    EXPECT_EQ(st.align, CellAlign::Left);
    EXPECT_EQ(s.cell(1, 2)->style, s.cell(500, 2)->style);
    EXPECT_LT(s.styles().size(), 20u);

    // Alignment 8 (passed by the personnel export) and 1 are the general alignment.
    s.setAlignment(1, 2, 8);
    EXPECT_EQ(s.styleAt(1, 2).align, CellAlign::General);
    s.setAlignment(1, 2, kAlignCenter);
    EXPECT_EQ(s.styleAt(1, 2).align, CellAlign::Center);
    s.setAlignment(1, 2, kAlignGeneral);
    EXPECT_EQ(s.styleAt(1, 2).align, CellAlign::General);
    // Setting a property keeps the cell's value.
    EXPECT_EQ(s.number(1, 2), 1);
}

TEST(CellSheetState, FormulaSumsTheNumbersOfItsRanges) {
    RecordingSheet s;
    s.setValue(4, 16, "BASE");  // a heading in the range does not count
    s.setValue(5, 16, 450000.0);
    s.setValue(6, 16, 1250000.5);
    s.setFormulaLocal(7, 16, "=SUMA(P4:P6)");
    EXPECT_DOUBLE_EQ(s.formulaValue(s.cell(7, 16)->text), 1700000.5);
    EXPECT_DOUBLE_EQ(s.formulaValue("=SUM(P5,P6:P6)"), 1700000.5);
    EXPECT_EQ(s.formulaValue("=SUM(P40:P50)"), 0);
    EXPECT_EQ(s.formulaValue("=AVERAGE(P5:P6)"), 0);
}

TEST(CellSheetState, AutofitMeasuresWhatTheColumnHoldsThen) {
    RecordingSheet s;
    EXPECT_EQ(s.columnWidth(2), 0);
    s.autoFit(2);  // nothing in it: left alone
    EXPECT_EQ(s.columnWidth(2), 0);

    s.setValue(4, 2, "CARGO:");
    s.autoFit(2);
    double shortText = s.columnWidth(2);
    EXPECT_GT(shortText, 0);
    s.setValue(5, 2, "PACTADO ADICIONAL EN PESOS:");
    s.autoFit(2);
    double longText = s.columnWidth(2);
    EXPECT_GT(longText, 2 * shortText);
    s.setBold(5, 2);
    s.autoFit(2);
    EXPECT_GT(s.columnWidth(2), longText);

    // A title written after the fit does not widen the column.
    double fitted = s.columnWidth(2);
    s.setValue(2, 2, "LIQUIDACIONES DE SUELDO MARZO 2019 CON UN TITULO MUY LARGO");
    s.setFontSize(2, 2, 17);
    EXPECT_EQ(s.columnWidth(2), fitted);

    // Numbers are measured as their format shows them.
    s.setValue(4, 3, 1234567.0);
    s.autoFit(3);
    double plain = s.columnWidth(3);
    s.setNumberFormat(4, 3, "$#.##0");
    s.autoFit(3);
    EXPECT_GT(s.columnWidth(3), plain);
    EXPECT_GT(textWidthPoints("MMMM", 11, false), textWidthPoints("iiii", 11, false));
    EXPECT_NEAR(textWidthPoints("ÁÑ", 11, false), textWidthPoints("AN", 11, false), 1.0);
}

TEST(CellSheetState, SelectionAndShowing) {
    RecordingSheet s("LIQUIDACIONES_2019_03");
    s.select(1, 1);
    EXPECT_EQ(s.selectedRow(), 1);
    EXPECT_EQ(s.selectedCol(), 1);
    RecordingPort ui;
    EXPECT_EQ(s.timesShown(), 0);
    EXPECT_TRUE(s.show(ui));
    EXPECT_EQ(s.timesShown(), 1);
    EXPECT_EQ(s.stem(), "LIQUIDACIONES_2019_03");
}
