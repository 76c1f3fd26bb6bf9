#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>
#include <fstream>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/query.h"
#include "data/work_tables.h"
#include "office/recording_sheet.h"
#include "office/tests/xlsx_reader.h"
#include "office/xlsx_sheet.h"
#include "payroll/engine.h"
#include "payslip/sheet_slip.h"
#include "payslip/tests/pdf_fixture.h"
#include "tests/support/demo_client.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

using test::line;

// Demo worker 0001's March lines, with a medical leave.
std::vector<PaySlipLine> worker0001() {
    const std::string p = "0001", n = "PÉREZ NÚÑEZ JUAN CARLOS";
    auto leave = line(p, n, "999", 4, 0, "DIAS LICENCIA MEDICA", 3, "DIAS LICENCIA MEDICA", 1);
    leave.NOMMOV_REM = "LICENCIA MEDICA";
    return {
        line(p, n, "998", 1, 1, "DIAS TRABAJADOS", 27, "", 2),
        line(p, n, "SUE", 1, 1, "SUELDO DEL MES", 650000, "", 3),
        line(p, n, "B01", 1, 1, "BONO PRODUCCION", 0),
        line(p, n, "DES", 1, 1, "DESCUENTO ATRASOS", -5000),
        line(p, n, "GRA", 1, 1, "GRATIFICACION", 162500, "", 20),
        line(p, n, "TIM", 1, 1, "TOTAL IMPONIBLE", 812500, "", 30),
        line(p, n, "SBA", 1, 1, "SUELDO BASE", 650000, "", 0),
        line(p, n, "BIM", 1, 1, "BASE IMPONIBLE", 812500, "", 29),
        line(p, n, "COL", 1, 2, "COLACION", 50000),
        line(p, n, "MOV", 1, 2, "MOVILIZACION", 0),
        line(p, n, "NIM", 1, 2, "TOTAL NO IMPONIBLE", 50000, "", 20),
        line(p, n, "THA", 1, 2, "TOTAL HABERES", 862500, "", 35),
        line(p, n, "05", 2, 0, "HABITAT 11.27 %", 91569, "AFP", 1),
        line(p, n, "03", 2, 0, "BANMEDICA", 71866, "ISAPRE", 2),
        line(p, n, "02", 2, 0, "CCAF LOS ANDES 0.6%", 0, "CCAF COTIZ"),
        line(p, n, "P01", 2, 0, "PRESTAMO EMPRESA", 0, "PRESTAMO EMPRESA"),
        line(p, n, "TDE", 2, 2, "TOTAL DESCUENTOS", 163435, "", 5),
        line(p, n, "ALQ", 2, 2, "ALCANCE LIQUIDO", 699065, "", 35),
        leave,
        line(p, n, "MUT", 5, 0, "MUTUAL 0.93%", 7556, "MUT %0.93", 0),
        line(p, n, "SIS", 5, 0, "SEGURO INV.SOBREV.", 12756, "SIS", 0),
    };
}

// A worker with a dozen deductions and one earning.
std::vector<PaySlipLine> worker0004() {
    const std::string p = "0004", n = "SOTO ROJAS ANA";
    std::vector<PaySlipLine> v = {
        line(p, n, "998", 1, 1, "DIAS TRABAJADOS", 30, "", 2),
        line(p, n, "SUE", 1, 1, "SUELDO DEL MES", 2000000, "", 3),
        line(p, n, "TIM", 1, 1, "TOTAL IMPONIBLE", 2000000, "", 30),
        line(p, n, "TDE", 2, 2, "TOTAL DESCUENTOS", 780000, "", 40),
        line(p, n, "SCE", 5, 0, "SEGURO CESANTIA EMPLEADOR", 48000, "APORTE CESANTIA EMPL", 0),
    };
    for (int i = 1; i <= 12; ++i)
        v.push_back(line(p, n, "D" + std::to_string(i), 2, 0, "DESCUENTO " + std::to_string(i), 65000, "", i));
    return v;
}

SlipSources sources() {
    SlipSources src;
    PersonnelRow w;
    w.codigo_per = "0001";
    w.rut_per = "012345678-5";
    w.nombre_per = "JUAN CARLOS PÉREZ NÚÑEZ";
    w.cargo_per = "JEFE DE VENTAS";
    w.cencosto_per = "VEN";
    w.fecha_contrato_per = Date{2012, 4, 2};
    w.sueldo_base_per = 650000;
    w.moneda_sueldo_per = 1;
    w.valor_pactado_per = 2.6;
    w.pactado_isapre_per = 2;
    w.adicional_pesos_per = 5000;
    src.workers["0001"] = w;
    src.costCentres["VEN"] = "VENTAS";
    PersonnelRow a;
    a.codigo_per = "0004";
    a.rut_per = "009876543-2";
    a.nombre_per = "ANA SOTO ROJAS";
    a.cargo_per = "GERENTE";
    a.moneda_sueldo_per = 2;
    a.moneda_sueldo_valor_per = 48.5;
    a.valor_pactado_per = 150000;
    a.pactado_isapre_per = 3;
    src.workers["0004"] = a;
    src.params = {27565.79, 48353, 79.2, 118.9, 810.5, 920.25};
    src.ok = true;
    return src;
}

std::vector<PaySlipLine> viewOf(std::vector<PaySlipLine> lines) { return slipView(std::move(lines), SlipFilter{}); }

std::string borders(const RecordingSheet& s, int row, int col) {
    std::uint8_t b = s.styleAt(row, col).borders;
    std::string out;
    if (b & kBorderLeft) out += 'L';
    if (b & kBorderRight) out += 'R';
    if (b & kBorderTop) out += 'T';
    if (b & kBorderBottom) out += 'B';
    return out;
}

}  // namespace

TEST(SheetSlipBlock, TheViewPutsEveryLineInItsPlace) {
    // Lines of three workers in a scrambled order: the view moves them in place.
    std::vector<PaySlipLine> lines;
    const char* names[] = {"ZAPATA", "ARAYA", "MUNOZ"};
    for (int k = 0; k < 60; ++k) {
        int w = (k * 7) % 3, tipo = 1 + (k * 5) % 2, imponi = 1 + (k * 11) % 2;
        auto l = line("000" + std::to_string(w + 1), names[w], "X" + std::to_string(k), tipo, imponi,
                      "LINEA " + std::to_string(k), k, "", (k * 13) % 4);
        lines.push_back(l);
    }
    auto view = viewOf(lines);
    ASSERT_EQ(view.size(), lines.size());
    auto key = [](const PaySlipLine& l) {
        return std::make_tuple(l.APENOM_REM, l.TIPO_REM, l.IMPONI_REM, l.SECUEN_REM);
    };
    for (size_t i = 1; i < view.size(); ++i) {
        ASSERT_LE(key(view[i - 1]), key(view[i])) << i;
        // Equal keys keep the table's order.
        if (key(view[i - 1]) == key(view[i])) {
            EXPECT_LT(view[i - 1].VALFIN_REM, view[i].VALFIN_REM) << i;
        }
    }
    std::multiset<double> before, after;
    for (auto& l : lines) before.insert(l.VALFIN_REM);
    for (auto& l : view) after.insert(l.VALFIN_REM);
    EXPECT_EQ(before, after);
}

TEST(SheetSlipBlock, EveryRowAndFormatOfOneWorker) {
    RecordingSheet s;
    auto view = viewOf(worker0001());
    EXPECT_EQ(fillSheetSlips(s, view, sources(), Period::of(2019, 3), false), 1);
    const double uf = 27565.79;
    EXPECT_EQ(s.fontName(), "verdana");
    EXPECT_EQ(s.text(2, 2), "LIQUIDACIONES DE SUELDO MARZO 2019");
    EXPECT_EQ(s.styleAt(2, 2).size, 17);
    EXPECT_EQ(s.selectedRow(), 1);
    EXPECT_EQ(s.selectedCol(), 1);

    // Header rows r = 4 .. 9
    EXPECT_EQ(s.text(4, 2), "TRABAJADOR:");
    EXPECT_TRUE(s.styleAt(4, 2).bold);
    EXPECT_EQ(s.text(4, 3), "0001  JUAN CARLOS PÉREZ NÚÑEZ");
    EXPECT_EQ(s.styleAt(4, 3).align, CellAlign::Left);
    EXPECT_EQ(s.text(4, 4), "RUT:");
    EXPECT_EQ(s.text(4, 5), "12.345.678-5");
    EXPECT_EQ(s.text(5, 2), "CARGO:");
    EXPECT_EQ(s.text(5, 3), "JEFE DE VENTAS");
    EXPECT_EQ(s.text(5, 4), "CENTRO COSTO:");
    EXPECT_EQ(s.text(5, 5), "VENTAS");
    EXPECT_EQ(s.text(6, 2), "SUELDO BASE $");
    EXPECT_EQ(s.number(6, 3), 650000);
    EXPECT_EQ(s.styleAt(6, 3).numberFormat, "$#,##0");
    EXPECT_EQ(s.text(6, 4), "FECHA INGRESO:");
    EXPECT_EQ(s.text(6, 5), "02/04/2012");
    EXPECT_EQ(s.styleAt(6, 5).align, CellAlign::Left);
    EXPECT_EQ(s.text(7, 2), "PACTADO ISAPRE UF 2.600");
    EXPECT_EQ(s.number(7, 3), 71671);  // 2.6 UF in whole pesos
    EXPECT_EQ(s.text(7, 4), "TOPE IMPONIBLE: UF 79.20");
    EXPECT_EQ(s.number(7, 5), 2183211);
    EXPECT_EQ(s.text(8, 2), "PACTADO ADICIONAL EN PESOS:");
    EXPECT_EQ(s.number(8, 3), 5000);
    EXPECT_EQ(s.text(8, 4), "VALOR UF:");
    EXPECT_DOUBLE_EQ(s.number(8, 5), uf);
    EXPECT_EQ(s.styleAt(8, 5).numberFormat, "$#,##0");
    EXPECT_EQ(s.text(9, 2), "NO AFILIADO A SEGURO CESANTIA");
    EXPECT_TRUE(s.styleAt(9, 2).bold);
    EXPECT_EQ(s.text(9, 3), "");
    EXPECT_EQ(s.styleAt(9, 3).align, CellAlign::Left);
    EXPECT_EQ(s.text(9, 4), "TOPE CESANTIA : UF 118.90");
    EXPECT_EQ(s.number(9, 5), 3277572);
    EXPECT_EQ(s.styleAt(9, 5).numberFormat, "");  // the Part gives this one no format
    for (int c = 2; c <= 5; ++c) EXPECT_EQ(s.text(10, c), "") << c;

    // h = 11
    EXPECT_EQ(s.text(11, 2), "HABERES");
    EXPECT_EQ(s.styleAt(11, 2).align, CellAlign::Center);
    EXPECT_EQ(s.text(11, 4), "DESCUENTOS");
    EXPECT_TRUE(s.styleAt(11, 4).bold);
    for (int c = 2; c <= 5; ++c) EXPECT_EQ(borders(s, 11, c), "LRTB") << c;
    EXPECT_EQ(s.text(12, 2), "DIAS_TRABAJADOS");
    EXPECT_EQ(s.number(12, 3), 27);
    // The movement line: a text of two characters in the default format.
    EXPECT_EQ(s.text(13, 2), "DIAS LICENCIA MEDICA");
    EXPECT_TRUE(s.isText(13, 3));
    EXPECT_EQ(s.text(13, 3), " 3");
    EXPECT_EQ(s.styleAt(13, 3).numberFormat, "");
    EXPECT_EQ(s.text(14, 2), "");
    // Taxable: zero and negative amounts left out.
    EXPECT_EQ(s.text(15, 2), "SUELDO DEL MES");
    EXPECT_EQ(s.number(15, 3), 650000);
    EXPECT_EQ(s.styleAt(15, 3).numberFormat, "$#,##0");
    EXPECT_EQ(s.text(16, 2), "GRATIFICACION");
    EXPECT_EQ(s.text(17, 2), "TOTAL IMPONIBLE");
    EXPECT_TRUE(s.styleAt(17, 3).bold);
    EXPECT_EQ(s.number(17, 3), 812500);
    EXPECT_EQ(s.text(18, 2), "");
    EXPECT_EQ(s.text(19, 2), "COLACION");
    EXPECT_EQ(s.text(20, 2), "TOTAL NO IMPONIBLE");
    EXPECT_EQ(s.number(20, 3), 50000);
    // Deductions from h+1, bare, zero amounts left out (the printed slip shows them).
    EXPECT_EQ(s.text(12, 4), "HABITAT 11.27 %");
    EXPECT_EQ(s.number(12, 5), 91569);
    EXPECT_EQ(s.text(13, 4), "BANMEDICA");
    EXPECT_EQ(s.text(14, 4), "");
    // Totals t = 21, net pay t+1
    EXPECT_EQ(s.text(21, 2), "TOTAL HABERES");
    EXPECT_EQ(s.number(21, 3), 862500);
    EXPECT_EQ(s.text(21, 4), "TOTAL DESCUENTOS");
    EXPECT_EQ(s.number(21, 5), 163435);
    EXPECT_TRUE(s.styleAt(21, 5).bold);
    EXPECT_EQ(borders(s, 21, 2), "LRTB");
    EXPECT_EQ(borders(s, 21, 4), "LRT");
    EXPECT_EQ(s.text(22, 4), "ALCANCE LIQUIDO");
    EXPECT_EQ(s.number(22, 5), 699065);
    EXPECT_TRUE(s.styleAt(22, 5).bold);
    EXPECT_EQ(s.styleAt(22, 4).fill, kColourLightGrey);
    EXPECT_EQ(borders(s, 22, 4), "LTB");
    EXPECT_EQ(borders(s, 22, 5), "LRTB");
    EXPECT_EQ(s.styleAt(22, 3).fill, -1);

    // Block formats
    EXPECT_EQ(s.styleAt(12, 3).numberFormat, "");  // days worked
    EXPECT_EQ(s.styleAt(14, 3).numberFormat, "$#,##0");
    for (int r = 12; r <= 21; ++r) {
        EXPECT_EQ(s.styleAt(r, 3).align, CellAlign::Left) << r;
        for (int c = 2; c <= 5; ++c) EXPECT_NE(borders(s, r, c).find("LR"), std::string::npos) << r << "," << c;
    }
    for (int r = 12; r <= 22; ++r) {
        EXPECT_EQ(s.styleAt(r, 5).align, CellAlign::Left) << r;
        EXPECT_EQ(s.styleAt(r, 5).numberFormat, "$#,##0") << r;
    }
    for (int r = 4; r <= 21; ++r)
        for (int c = 2; c <= 5; ++c) EXPECT_EQ(s.styleAt(r, c).fill, kColourLightGrey) << r << "," << c;
    EXPECT_EQ(borders(s, 4, 2), "LT");
    EXPECT_EQ(borders(s, 4, 3), "T");
    EXPECT_EQ(borders(s, 4, 5), "RT");
    EXPECT_EQ(borders(s, 7, 2), "L");
    EXPECT_EQ(borders(s, 7, 3), "");
    EXPECT_EQ(borders(s, 10, 5), "R");
    for (int c = 2; c <= 5; ++c) EXPECT_GT(s.columnWidth(c), 0) << c;
    // The title, written after the fit, does not widen column B.
    EXPECT_LT(s.columnWidth(2), 60);
}

TEST(SheetSlipBlock, LongDeductionListsPushTheTotalsDown) {
    RecordingSheet s;
    auto lines = worker0001();
    auto more = worker0004();
    lines.insert(lines.end(), more.begin(), more.end());
    EXPECT_EQ(fillSheetSlips(s, viewOf(lines), sources(), Period::of(2019, 3), true), 2);
    EXPECT_EQ(s.text(2, 2), "LIQUIDACIONES DE REMUNERACIONES  MARZO 2019");
    // Workers in name order: PÉREZ at row 4, SOTO at t+5 = 26.
    EXPECT_EQ(s.text(4, 3), "0001  JUAN CARLOS PÉREZ NÚÑEZ");
    EXPECT_EQ(s.text(26, 2), "TRABAJADOR:");
    EXPECT_EQ(s.text(26, 3), "0004  ANA SOTO ROJAS");
    // Salary in UF: the label carries the amount untrimmed, C its pesos.
    EXPECT_EQ(s.text(28, 2), "SUELDO BASE UF    48.50");
    EXPECT_DOUBLE_EQ(s.number(28, 3), 48.5 * 27565.79);
    EXPECT_EQ(s.text(29, 2), "PACTADO ISAPRE ");
    EXPECT_EQ(s.number(29, 3), 150000);
    EXPECT_EQ(s.text(30, 2), "");  // no additional amount
    EXPECT_EQ(s.text(31, 2), "APORTE CESANTIA EMPLEADOR:");
    EXPECT_EQ(s.number(31, 3), 48000);
    EXPECT_EQ(s.styleAt(31, 3).numberFormat, "$#,##0");
    EXPECT_EQ(s.text(6, 5), "02/04/2012");
    EXPECT_EQ(s.text(28, 5), "");  // no contract date

    // h = 33; earnings end with TOTAL IMPONIBLE at 37, so the totals would fall on
    // row 40; the twelve deductions take rows 34..45: the totals go below them.
    const int h = 33;
    EXPECT_EQ(s.text(h + 3, 2), "SUELDO DEL MES");
    EXPECT_EQ(s.text(h + 4, 2), "TOTAL IMPONIBLE");
    for (int i = 1; i <= 12; ++i) EXPECT_EQ(s.text(h + i, 4), "DESCUENTO " + std::to_string(i)) << i;
    const int t = h + 13;
    EXPECT_EQ(s.text(t, 2), "TOTAL HABERES");
    EXPECT_EQ(s.text(t, 4), "TOTAL DESCUENTOS");
    EXPECT_EQ(s.number(t, 5), 780000);
    EXPECT_EQ(s.text(t + 1, 4), "ALCANCE LIQUIDO");
    EXPECT_EQ(s.number(t + 1, 5), 1220000);
    // Every deduction inside the block's fill and borders.
    for (int r = h + 1; r <= t; ++r) {
        EXPECT_EQ(s.styleAt(r, 4).fill, kColourLightGrey) << r;
        EXPECT_NE(borders(s, r, 5).find("LR"), std::string::npos) << r;
    }
    EXPECT_EQ(s.rowCount(), t + 1);
}

TEST(SheetSlipBlock, CurrencyLabelsAndConversions) {
    EXPECT_EQ(sheetCurrencyLabel(1), "$");
    EXPECT_EQ(sheetCurrencyLabel(3), "UTM");
    EXPECT_EQ(sheetCurrencyLabel(5), "MIN");
    EXPECT_EQ(sheetCurrencyLabel(6), " ");
    EXPECT_EQ(sheetCurrencyLabel(0), " ");

    struct Case {
        int moneda;
        double valor, base;
        std::string label;
        double pesos;  // < 0: no value
    };
    const SlipParams p = sources().params;
    for (const Case& k : {Case{3, 21, 0, "SUELDO BASE UTM    21.00", 21 * p.utm},
                          Case{4, 0, 2183211, "SUELDO BASE TOPE", 2183211},
                          Case{5, 0, 301000, "SUELDO BASE MIN", 301000},
                          Case{6, 3200, 0, "SUELDO BASE   3,200.00", 3200 * p.usd},
                          Case{7, 2500, 0, "SUELDO BASE   2,500.00", 2500 * p.euro},
                          Case{9, 10, 0, "SUELDO BASE      10.00", -1}}) {
        SlipSources src = sources();
        src.workers["0001"].moneda_sueldo_per = k.moneda;
        src.workers["0001"].moneda_sueldo_valor_per = k.valor;
        src.workers["0001"].sueldo_base_per = k.base;
        src.workers["0001"].valor_pactado_per = 1;  // not above 1: no plan row
        RecordingSheet s;
        fillSheetSlips(s, viewOf(worker0001()), src, Period::of(2019, 3), false);
        EXPECT_EQ(s.text(6, 2), k.label) << k.moneda;
        if (k.pesos < 0) {
            EXPECT_FALSE(s.isNumber(6, 3)) << k.moneda;
        } else {
            EXPECT_DOUBLE_EQ(s.number(6, 3), k.pesos) << k.moneda;
        }
        EXPECT_EQ(s.text(7, 2), "") << k.moneda;
        EXPECT_EQ(s.text(7, 4), "TOPE IMPONIBLE: UF 79.20");
    }
}

// LIQUI_EXCEL against the demo client on the server.
class SheetSlipRunTest : public testdb::DemoSuite {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("sheetslip_" + testdb::uniqueTag());
        fs::create_directories(dir);
        createWorkTable(WorkTable::REMUMES, dir.string());
        auto p = testdb::serverParams();
        s.CHOST = p.host;
        s.CUSER = p.user;
        s.CPASSWORD = p.password;
        s.CDATABASE = demo->northDb();
        s.ID_CLIENTE = demo->id();
        s.CID_CLIENTE_CONT = demo->id() + "_CONT";
        s.period = Period::of(2019, 3);
        s.OCON = demo->connectNorth();
        run.workDir = dir.string();
        run.calculate = [this] {
            ++calculated;
            writeWorkTable(WorkTable::REMUMES, remumes, dir.string());
            return calcOk;
        };
        run.statusChanged = [this] { statuses.push_back(s.CPROCESO); };
        run.makeSheet = [this](const std::string& stem) {
            stems.push_back(stem);
            return std::make_unique<KeptSheet>(sheet);
        };
    }
    void TearDown() override { fs::remove_all(dir); }

    // Hands its final state to the test when LIQUI_EXCEL drops it.
    struct KeptSheet : RecordingSheet {
        explicit KeptSheet(RecordingSheet& out) : out_(out) {}
        ~KeptSheet() override { out_ = *this; }
        bool show(UiPort& ui) override {
            RecordingSheet::show(ui);
            ui.openFile("memoria");
            return true;
        }
        RecordingSheet& out_;
    };

    fs::path dir;
    Session s;
    RecordingPort ui;
    SheetSlipRun run;
    std::vector<PaySlipLine> remumes = worker0001();
    bool calcOk = true;
    int calculated = 0;
    std::vector<std::string> statuses, stems;
    RecordingSheet sheet;
};

TEST_F(SheetSlipRunTest, OneRunFromEngineToTheShownSheet) {
    s.CCODIGO_PERD = "0001";
    s.CCENCOS_NOMBRE = s.CNOMBRE_PERD = s.CNOMBRE_PERH = "XXXX";
    ASSERT_TRUE(LIQUI_EXCEL(s, ui, run)) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(calculated, 1);
    EXPECT_EQ(stems, std::vector<std::string>{"LIQUIDACIONES_2019_03"});
    EXPECT_EQ(statuses, std::vector<std::string>{"Generando Hoja Excel.. "});
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.openedFiles, std::vector<std::string>{"memoria"});
    EXPECT_EQ(sheet.timesShown(), 1);
    // The worker's row, cost centre and the month's parameters come from the server.
    EXPECT_EQ(sheet.text(4, 5), "12.345.678-5");
    EXPECT_NE(sheet.text(5, 3), "");
    EXPECT_NE(sheet.text(5, 5), "");
    EXPECT_GT(sheet.number(8, 5), 27000);
    EXPECT_EQ(s.VALUTM, 48353);
    // Range values reset; the worker's code stays for further outputs.
    EXPECT_EQ(s.CCENCOS, "    ");
    EXPECT_EQ(s.CCENCOS_NOMBRE, "    ");
    EXPECT_EQ(s.CNOMBRE_PERD, "    ");
    EXPECT_EQ(s.CNOMBRE_PERH, "    ");
    EXPECT_EQ(s.CCODIGO_PERD, "0001");

    // A marker file in any case switches the title.
    std::ofstream(dir / "zumel.txt") << "";
    ASSERT_TRUE(LIQUI_EXCEL(s, ui, run));
    EXPECT_EQ(sheet.text(2, 2), "LIQUIDACIONES DE REMUNERACIONES  MARZO 2019");
}

TEST_F(SheetSlipRunTest, RefusalsMakeNoSheet) {
    // The engine fails.
    calcOk = false;
    EXPECT_FALSE(LIQUI_EXCEL(s, ui, run));
    EXPECT_TRUE(stems.empty());
    calcOk = true;

    // A worker whose contract ended before the month (norte 0020, ended 20/06/2019).
    s.period = s.period.withMonth(7);
    s.CCODIGO_PERD = "0020";
    EXPECT_FALSE(LIQUI_EXCEL(s, ui, run));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|201906|Trabajador inactivo, fecha termino contrato anterior a  "
                                                   "JULIO 2019\r\nFecha Fin contrato: 20/06/2019"});
    EXPECT_EQ(calculated, 1);  // only the failed run above

    // A code the month does not have is not reported; the filtered view is empty.
    ui.clear();
    s.period = s.period.withMonth(3);
    s.CCODIGO_PERD = "0999";
    EXPECT_FALSE(LIQUI_EXCEL(s, ui, run));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Alerta|no se encontró informción"});
    EXPECT_TRUE(stems.empty());

    // A worker's session without a code of its own never gets the company's slips.
    ui.clear();
    s.CRUT_CONEXION_TRABAJADOR = "012345678-5";
    s.CCODIGO_PERD = "    ";
    EXPECT_FALSE(LIQUI_EXCEL(s, ui, run));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Alerta|Trabajador No Encontrado"});
    EXPECT_EQ(calculated, 2);
}

TEST_F(SheetSlipRunTest, TheRealEngineMonthAsAFileEveryBlockAddsUp) {
    ASSERT_TRUE(CONECTA(s, ui, s.OCON));
    run.calculate = [this] { return CALCULA_REMUN(s, ui, {}, {}, {dir.string(), nullptr}); };
    auto written = std::make_shared<std::string>();
    run.makeSheet = xlsxSheets(dir.string(), {}, written);
    ASSERT_TRUE(LIQUI_EXCEL(s, ui, run)) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(fs::path(*written).filename(), "LIQUIDACIONES_2019_03.xlsx");
    EXPECT_EQ(ui.openedFiles, std::vector<std::string>{*written});

    // Net pay of each worker from REMUMES, by code.
    auto lines = readWorkTable(WorkTable::REMUMES, dir.string());
    std::map<std::string, double> net;
    auto view = slipView(lines, {});
    for (const auto& span : slipWorkers(view)) {
        SlipContent c = slipContent(view, span, SlipOutput::Sheet);
        net[c.code] = c.netPay();
    }
    ASSERT_GT(net.size(), 40u);

    auto x = test::readXlsx(*written);
    ASSERT_TRUE(x.ok) << x.output;
    EXPECT_EQ(x.at("B2"), "LIQUIDACIONES DE SUELDO MARZO 2019");
    int blocks = 0;
    for (int r = 4; r < 4000; ++r) {
        if (x.at("B" + std::to_string(r)) != "TRABAJADOR:") continue;
        ++blocks;
        std::string code = x.at("C" + std::to_string(r)).substr(0, 4);
        // The block's net pay: the "ALCANCE LIQUIDO" row below it.
        int t = r + 8;
        while (t < r + 80 && x.at("D" + std::to_string(t)) != "ALCANCE LIQUIDO") ++t;
        ASSERT_EQ(x.at("D" + std::to_string(t)), "ALCANCE LIQUIDO") << code;
        EXPECT_EQ(x.at("E" + std::to_string(t), "type"), "n") << code;
        EXPECT_DOUBLE_EQ(std::atof(x.at("E" + std::to_string(t)).c_str()), net[code]) << code;
        EXPECT_EQ(x.at("E" + std::to_string(t), "format"), "$#,##0") << code;
        EXPECT_EQ(x.at("B" + std::to_string(r), "fill"), "F5F5F5") << code;
    }
    EXPECT_EQ(blocks, static_cast<int>(net.size()));
    for (const char* col : {"B", "C", "D", "E"}) EXPECT_GT(x.width(col), 0) << col;
}
