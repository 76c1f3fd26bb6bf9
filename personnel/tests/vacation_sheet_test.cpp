// The vacation balance sheet of the month's workers: the blocks on the recording
// sheet, and the .xlsx read back by an independent reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "office/recording_sheet.h"
#include "office/tests/xlsx_reader.h"
#include "office/xlsx_sheet.h"
#include "personnel/master_sheet.h"
#include "personnel/tests/vacation_fixture.h"
#include "personnel/vacation_sheet.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

class VacationSheetTest : public ::testing::Test {
protected:
    void SetUp() override { db.bind(s); }
    std::unique_ptr<Recordset> month() {
        auto rs = loadMonthPersonnel(*s.OCON, s, ui);
        EXPECT_TRUE(rs) << ::testing::PrintToString(ui.lines());
        return rs;
    }
    int fill(Sheet& sh, Recordset& ors) {
        return fillVacationSheet(sh, ors, loadAllVacations(*s.OCON), "COMERCIAL NORTE LIMITADA  ", Clock::today());
    }

    vactest::VacationCompany db;
    Session s;
    RecordingPort ui;
};

}  // namespace

TEST_F(VacationSheetTest, OneBlockPerWorkerWithHisPeriodsBeside) {
    auto ors = month();
    ors->MoveLast();
    RecordingSheet sh;
    EXPECT_EQ(fill(sh, *ors), 3);
    EXPECT_EQ(ors->AbsolutePosition(), 1);

    EXPECT_EQ(sh.fontName(), "verdana");
    EXPECT_EQ(sh.text(1, 1), "Empresa :COMERCIAL NORTE LIMITADA");
    EXPECT_EQ(sh.styleAt(1, 1).size, 17);
    EXPECT_EQ(sh.styleAt(1, 3).size, 10);
    EXPECT_EQ(sh.styleAt(1, 3).fill, kColourLightGrey);
    EXPECT_EQ(sh.text(3, 3), "SALDO DE VACACIONES AL 15  AGOSTO 2019");
    EXPECT_EQ(sh.text(5, 1), "FUNCIONARIO ");
    EXPECT_EQ(sh.text(5, 4), "P E R I O D O   D E   V A C A C I O N E S");
    EXPECT_EQ(sh.text(6, 4), "FECHA INICIO");
    EXPECT_EQ(sh.text(6, 5), "FECHA TERMINO");
    EXPECT_EQ(sh.text(6, 6), "DIAS");
    EXPECT_EQ(sh.text(7, 1), "");
    EXPECT_EQ(sh.selectedRow(), 1);
    EXPECT_EQ(sh.selectedCol(), 1);
    for (int c = 1; c <= 6; ++c) EXPECT_GT(sh.columnWidth(c), 0) << c;

    // 0001: name row 8, figures 9..13, his two periods from row 8.
    EXPECT_EQ(sh.text(8, 1), "JUAN PEREZ SOTO");
    EXPECT_EQ(sh.text(8, 2), "FECHA CONTRATO");
    EXPECT_EQ(sh.text(8, 3), "01/03/2017");
    const char* labels[] = {"DIAS PROGRESIVOS", "DIAS LEGALES", "TOTAL DIAS", "DIAS UTILIZADOS", "SALDO DE DIAS"};
    const double juan[] = {3, 36.875, 39.875, 25, 14.875};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sh.text(9 + i, 2), labels[i]);
        ASSERT_TRUE(sh.isNumber(9 + i, 3));
        EXPECT_DOUBLE_EQ(sh.number(9 + i, 3), juan[i]);
        EXPECT_EQ(sh.styleAt(9 + i, 3).numberFormat, "#,##0.00");
    }
    EXPECT_EQ(sh.text(8, 4), "05/02/2018");
    EXPECT_EQ(sh.text(8, 5), "23/02/2018");
    EXPECT_DOUBLE_EQ(sh.number(8, 6), 15);
    EXPECT_EQ(sh.styleAt(8, 6).numberFormat, "#,##0.00");
    EXPECT_EQ(sh.text(9, 4), "14/01/2019");
    EXPECT_EQ(sh.text(10, 4), "");
    EXPECT_EQ(sh.text(14, 1), "");  // one empty row between workers

    // 0002 has no contract date: every figure 0, no periods.
    EXPECT_EQ(sh.text(15, 1), "ANA ROJAS DIAZ");
    EXPECT_EQ(sh.text(15, 3), "");
    for (int r = 16; r <= 20; ++r) EXPECT_EQ(sh.number(r, 3), 0);
    EXPECT_EQ(sh.text(15, 4), "");

    // 0012: his contract starts his working life; only his own RUT's period shows.
    EXPECT_EQ(sh.text(22, 1), "LUIS MUNOZ VERA");
    EXPECT_EQ(sh.number(23, 3), 0);
    EXPECT_DOUBLE_EQ(sh.number(24, 3), 286.0 * 15 / 360);
    EXPECT_DOUBLE_EQ(sh.number(26, 3), 5);
    EXPECT_EQ(sh.text(22, 4), "04/02/2019");
    EXPECT_EQ(sh.text(23, 4), "");
    EXPECT_EQ(sh.rowCount(), 27);
}

TEST_F(VacationSheetTest, AWorkerWithManyPeriodsPushesTheNextBlockDown) {
    db.company().runSql(
        "INSERT INTO 2019_personal (mes_per, codigo_per, rut_per, nombre_per, fecha_contrato_per) VALUES"
        " ('08', '0020', '015555555-5', 'MUCHOS PERIODOS', '2000-01-03'),"
        " ('08', '0030', '016666666-6', 'SIGUIENTE', '2019-01-02')");
    std::string values;
    for (int i = 0; i < 8; ++i)
        values += std::string(i ? "," : "") + "('0020', '015555555-5', 'X', '201" + std::to_string(i) +
                  "-03-04', '201" + std::to_string(i) + "-03-05', 2, ' ')";
    db.company().runSql("INSERT INTO vacaciones (codigo_per_vac, rut_per_vac, nombre_per_vac, fecini_vac, fechas_vac,"
                        " dias_vac, numcom_vac) VALUES " + values);
    auto ors = month();
    RecordingSheet sh;
    EXPECT_EQ(fill(sh, *ors), 5);
    EXPECT_EQ(sh.text(29, 1), "MUCHOS PERIODOS");
    // Eight periods, in start order, rows 29..36: two below the figures.
    EXPECT_EQ(sh.text(29, 4), "04/03/2010");
    EXPECT_EQ(sh.text(36, 4), "04/03/2017");
    EXPECT_DOUBLE_EQ(sh.number(33, 3), 16);
    EXPECT_EQ(sh.text(37, 1), "");
    EXPECT_EQ(sh.text(38, 1), "SIGUIENTE");
}

TEST_F(VacationSheetTest, TheListAsFilteredAndTheFileAsAnyReaderSeesIt) {
    auto ors = month();
    ors->Filter("nombre_per LIKE '*JUAN*'");
    fs::path dir = fs::temp_directory_path() / ("remu_vac_sheet_" + testdb::uniqueTag());
    fs::create_directories(dir);
    auto written = std::make_shared<std::string>();
    ASSERT_TRUE(SALDO_VACA(*ors, s, ui, xlsxSheets(dir.string(), {}, written), dir.string()))
        << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(fs::path(*written).filename(), "SALDO_VACACIONES_2019_08.xlsx");
    EXPECT_EQ(fs::path(*written).parent_path().filename(), "PLANILLAS");
    EXPECT_EQ(ui.openedFiles, std::vector<std::string>{*written});

    auto x = test::readXlsx(*written);
    ASSERT_TRUE(x.ok) << x.output;
    EXPECT_EQ(x.at("A1"), "Empresa :COMERCIAL NORTE LIMITADA");
    EXPECT_EQ(std::atof(x.at("A1", "size").c_str()), 17);
    EXPECT_EQ(x.at("A1", "font"), "verdana");
    EXPECT_EQ(x.at("C1", "fill"), "F5F5F5");
    EXPECT_EQ(std::atof(x.at("C1", "size").c_str()), 10);
    EXPECT_EQ(x.at("C3"), "SALDO DE VACACIONES AL 15  AGOSTO 2019");
    EXPECT_EQ(x.at("A8"), "JUAN PEREZ SOTO");
    EXPECT_EQ(x.at("C8"), "01/03/2017");
    EXPECT_EQ(x.at("C8", "type"), "s");
    EXPECT_EQ(x.at("C10", "type"), "n");
    EXPECT_EQ(x.at("C10"), "36.875");
    EXPECT_EQ(x.at("C10", "format"), "#,##0.00");
    EXPECT_EQ(x.at("F9", "type"), "n");
    EXPECT_EQ(x.at("F9"), "10");
    EXPECT_EQ(x.at("F9", "format"), "#,##0.00");
    EXPECT_EQ(x.at("A15"), "");  // the filter left one worker
    for (const char* col : {"A", "B", "C", "D", "E", "F"}) EXPECT_GT(x.width(col), 0) << col;
    EXPECT_EQ(x.sheet["selection"], "A1");
    fs::remove_all(dir);
}

TEST_F(VacationSheetTest, AServerRefusalMakesNoSheet) {
    auto ors = month();
    db.company().runSql("RENAME TABLE vacaciones TO vacaciones_old");
    bool made = false;
    EXPECT_FALSE(SALDO_VACA(*ors, s, ui, [&](const std::string&) {
        made = true;
        return std::make_unique<RecordingSheet>();
    }));
    EXPECT_FALSE(made);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Error");
    db.company().runSql("RENAME TABLE vacaciones_old TO vacaciones");
}
