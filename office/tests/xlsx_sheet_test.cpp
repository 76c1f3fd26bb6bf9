#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/ui_port.h"
#include "office/tests/xlsx_reader.h"
#include "office/xlsx_sheet.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

class XlsxSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string t = (fs::temp_directory_path() / "remu_xlsx_XXXXXX").string();
        dir = mkdtemp(t.data());
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    std::string slurp(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> filesIn(const fs::path& folder) {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    fs::path dir;
    RecordingPort ui;
};

// One of each operation, the way the outputs use them.
void fillSample(Sheet& s) {
    s.setFontName("verdana");
    s.setFontSize(2, 2, 17);
    s.setValue(2, 2, "LIQUIDACIONES DE SUELDO MARZO 2019");
    s.setValue(4, 2, "TRABAJADOR:");
    s.setBold(4, 2);
    s.setValue(4, 3, "0001  PÉREZ NÚÑEZ JUAN");
    s.setAlignment(4, 3, kAlignLeft);
    s.setValue(5, 3, 650000.5);
    s.setNumberFormat(5, 3, "$#.##0");
    s.setAlignment(5, 3, kAlignLeft);
    s.setValue(6, 3, 0.5);
    s.setNumberFormat(6, 3, "#.##0,00");
    s.setValue(7, 2, "HABERES");
    s.setBold(7, 2);
    s.setAlignment(7, 2, kAlignCenter);
    for (int edge = 1; edge <= 4; ++edge) s.setBorder(7, 2, edge);
    s.setBorder(7, 3, kEdgeBottom);  // an empty cell with a border
    s.setInteriorColor(parseRange("B4:C6"), kColourLightGrey);
    s.setInteriorColor(parseRange("D3:E3"), kColourHeading);
    s.setInteriorColor(8, 4, kColourGrey);
    s.setValue(8, 4, "Masculino");
    s.setAlignment(8, 4, 8);
    s.setValue(4, 5, "'0001");
    s.setValue(4, 16, "BASE");
    s.setValue(5, 16, 450000.0);
    s.setValue(6, 16, 1250000.0);
    s.setValue(7, 16, 300000.0);
    s.setNumberFormat(parseRange("P4:P7"), "#.##0");
    s.setValue(8, 15, "Total Sueldos");
    s.setFormulaLocal(8, 16, "=SUMA(P4:P7)");
    s.setBold(8, 16);
    for (int c = 2; c <= 5; ++c) s.autoFit(c);
    s.autoFit(16);
    s.select(1, 1);
}

}  // namespace

TEST_F(XlsxSheetTest, EveryOperationReadsBackFromTheFile) {
    auto make = xlsxSheets(dir.string());
    auto sheet = make("PRUEBA_2019_03");
    fillSample(*sheet);
    ASSERT_TRUE(sheet->show(ui)) << ::testing::PrintToString(ui.lines());
    fs::path file = dir / "PLANILLAS" / "PRUEBA_2019_03.xlsx";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(ui.openedFiles, std::vector<std::string>{fs::absolute(file).lexically_normal().string()});
    EXPECT_EQ(filesIn(dir / "PLANILLAS"), std::vector<std::string>{"PRUEBA_2019_03.xlsx"});

    auto x = test::readXlsx(file.string());
    ASSERT_TRUE(x.ok) << x.output;
    EXPECT_EQ(x.sheet["title"], "Hoja1");
    EXPECT_EQ(x.sheet["selection"], "A1");
    EXPECT_EQ(x.sheet["normal"], "verdana");  // the sheet's font, also for empty cells
    // Title
    EXPECT_EQ(x.at("B2"), "LIQUIDACIONES DE SUELDO MARZO 2019");
    EXPECT_EQ(x.at("B2", "size"), "17.0");
    EXPECT_GE(x.heights[2], 22.0);
    // Texts, bold, font
    EXPECT_EQ(x.at("B4", "type"), "s");
    EXPECT_EQ(x.at("B4"), "TRABAJADOR:");
    EXPECT_EQ(x.at("B4", "bold"), "1");
    EXPECT_EQ(x.at("B4", "font"), "verdana");
    EXPECT_EQ(x.at("C4"), "0001  PÉREZ NÚÑEZ JUAN");
    EXPECT_EQ(x.at("C4", "bold"), "0");
    EXPECT_EQ(x.at("C4", "align"), "left");
    // Numbers stay numbers, in the invariant form of the Spanish formats
    EXPECT_EQ(x.at("C5", "type"), "n");
    EXPECT_EQ(x.at("C5"), "650000.5");
    EXPECT_EQ(x.at("C5", "format"), "$#,##0");
    EXPECT_EQ(x.at("C6", "format"), "#,##0.00");
    EXPECT_EQ(x.at("P5", "format"), "#,##0");
    EXPECT_EQ(x.at("P4", "type"), "s");
    // The code keeps its zeros as text
    EXPECT_EQ(x.at("E4", "type"), "s");
    EXPECT_EQ(x.at("E4"), "0001");
    // Alignment, borders, fills
    EXPECT_EQ(x.at("B7", "align"), "center");
    EXPECT_EQ(x.at("D8", "align"), "general");
    EXPECT_EQ(x.at("B7", "borders"), "LRTB");
    EXPECT_EQ(x.at("C7", "borders"), "B");
    EXPECT_EQ(x.at("C7"), "");
    EXPECT_EQ(x.at("B4", "fill"), "F5F5F5");
    EXPECT_EQ(x.at("C6", "fill"), "F5F5F5");
    EXPECT_EQ(x.at("E3", "fill"), "93D9DD");
    EXPECT_EQ(x.at("D8", "fill"), "C0C0C0");
    EXPECT_EQ(x.at("B7", "fill"), "");
    // The formula in its invariant form, bold
    EXPECT_EQ(x.at("P8", "type"), "f");
    EXPECT_EQ(x.at("P8"), "=SUM(P4:P7)");
    EXPECT_EQ(x.at("P8", "bold"), "1");
    // Widths from the contents
    for (const char* col : {"B", "C", "D", "E", "P"}) EXPECT_GT(x.width(col), 0) << col;
    EXPECT_GT(x.width("C"), x.width("E"));
    // Each combination of properties is one format.
    EXPECT_LT(std::atoi(x.sheet["styles"].c_str()), 25);
}

TEST_F(XlsxSheetTest, LibreOfficeWorksTheFormulaOut) {
    auto sheet = xlsxSheets(dir.string())("SUMA");
    fillSample(*sheet);
    ASSERT_TRUE(sheet->show(ui));
    // The stored results are removed before LibreOffice opens it: the sum is its own.
    auto x = test::readXlsx((dir / "PLANILLAS" / "SUMA.xlsx").string(), true);
    ASSERT_TRUE(x.ok) << x.output;
    EXPECT_EQ(x.at("P8", "type"), "n");
    EXPECT_EQ(x.at("P8"), "2000000");
    EXPECT_EQ(x.at("B4"), "TRABAJADOR:");
}

TEST_F(XlsxSheetTest, NewNamesNeverReplaceAFile) {
    fs::create_directories(dir / "PLANILLAS");
    std::ofstream(dir / "PLANILLAS" / "LIQUIDACIONES_2019_03_2.xlsx") << "del usuario";
    auto make = xlsxSheets(dir.string());
    for (int i = 0; i < 3; ++i) {
        auto sheet = make("LIQUIDACIONES_2019_03");
        sheet->setValue(1, 1, static_cast<double>(i));
        ASSERT_TRUE(sheet->show(ui));
    }
    EXPECT_EQ(filesIn(dir / "PLANILLAS"),
              (std::vector<std::string>{"LIQUIDACIONES_2019_03.xlsx", "LIQUIDACIONES_2019_03_2.xlsx",
                                        "LIQUIDACIONES_2019_03_3.xlsx", "LIQUIDACIONES_2019_03_4.xlsx"}));
    EXPECT_EQ(slurp(dir / "PLANILLAS" / "LIQUIDACIONES_2019_03_2.xlsx"), "del usuario");
    EXPECT_EQ(test::readXlsx((dir / "PLANILLAS" / "LIQUIDACIONES_2019_03_4.xlsx").string()).at("A1"), "2");
    EXPECT_EQ(ui.openedFiles.size(), 3u);
    EXPECT_TRUE(ui.boxes.empty());

    // placeNewFile on its own: the finished file moves, nothing else changes.
    std::ofstream(dir / "hecho") << "x";
    std::string error;
    std::string placed = placeNewFile((dir / "hecho").string(), (dir / "PLANILLAS").string(), "LIQUIDACIONES_2019_03",
                                      error);
    EXPECT_EQ(fs::path(placed).filename(), "LIQUIDACIONES_2019_03_5.xlsx");
    EXPECT_FALSE(fs::exists(dir / "hecho"));
}

TEST_F(XlsxSheetTest, ANamedFileIsReplacedWhole) {
    fs::path out = dir / "salida.xlsx";
    std::ofstream(out) << "viejo";
    auto written = std::make_shared<std::string>();
    auto sheet = xlsxSheets(dir.string(), out.string(), written)("IGNORADO");
    sheet->setValue(1, 1, "nuevo");
    ASSERT_TRUE(sheet->show(ui));
    EXPECT_EQ(*written, fs::absolute(out).lexically_normal().string());
    EXPECT_EQ(test::readXlsx(out.string()).at("A1"), "nuevo");
    EXPECT_FALSE(fs::exists(dir / "PLANILLAS"));
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"salida.xlsx"});
}

TEST_F(XlsxSheetTest, FailuresAreToldAndLeaveNothingBehind) {
    // PLANILLAS taken by a file: the folder cannot be made.
    std::ofstream(dir / "PLANILLAS") << "x";
    auto sheet = xlsxSheets(dir.string())("LIQUIDACIONES_2019_03");
    sheet->setValue(1, 1, "x");
    EXPECT_FALSE(sheet->show(ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Atención|No se pudo crear la carpeta " +
                                                   (dir / "PLANILLAS").string()});
    EXPECT_TRUE(ui.openedFiles.empty());

    // The named file is a folder with something in it: written, but not placed.
    fs::create_directories(dir / "salida.xlsx" / "dentro");
    ui.clear();
    auto named = xlsxSheets(dir.string(), (dir / "salida.xlsx").string())("X");
    named->setValue(1, 1, "x");
    EXPECT_FALSE(named->show(ui));
    EXPECT_EQ(ui.lines(),
              std::vector<std::string>{"Alert|Atención|No se pudo escribir la planilla salida.xlsx en " + dir.string()});
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"PLANILLAS", "salida.xlsx"}));
    EXPECT_TRUE(fs::is_directory(dir / "salida.xlsx" / "dentro"));
    EXPECT_TRUE(ui.openedFiles.empty());
}

TEST_F(XlsxSheetTest, AReadOnlyFolderLeavesNothingBehind) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    fs::create_directories(dir / "PLANILLAS");
    fs::permissions(dir / "PLANILLAS", fs::perms::owner_read | fs::perms::owner_exec);
    auto sheet = xlsxSheets(dir.string())("LIQUIDACIONES_2019_03");
    sheet->setValue(1, 1, "x");
    EXPECT_FALSE(sheet->show(ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Atención|No se pudo escribir la planilla "
                                                   "LIQUIDACIONES_2019_03.xlsx en " + (dir / "PLANILLAS").string()});
    fs::permissions(dir / "PLANILLAS", fs::perms::owner_all);
    EXPECT_TRUE(filesIn(dir / "PLANILLAS").empty());
    EXPECT_TRUE(ui.openedFiles.empty());
}
