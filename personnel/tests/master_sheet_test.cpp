#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "office/recording_sheet.h"
#include "office/tests/xlsx_reader.h"
#include "office/xlsx_sheet.h"
#include "personnel/master_sheet.h"
#include "tests/support/test_db.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

std::string withYear(const std::string& file) {
    std::ifstream in(std::string(REMU_SOURCE_DIR) + "/schema/" + file);
    std::string sql{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (size_t at; (at = sql.find("@YEAR@")) != std::string::npos;) sql.replace(at, 6, "2019");
    return sql;
}

const char* kColumns =
    "INSERT INTO 2019_personal (mes_per, codigo_per, nombre_per, direccion_per, comuna_per, ciudad_per, rut_per,"
    " fecha_nacimiento_per, fecha_ini_lab_per, fecha_contrato_per, fecha_termino_per, estado_civil_per, sexo_per,"
    " telefono_per, correo_per, nacionalidad_per, sueldo_base_per, moneda_sueldo_per, moneda_sueldo_valor_per,"
    " sueldo_patronal_per, forma_pago_sueldo_per, codigo_banco_per, cuenta_banco_per, cargo_per, tipo_jornada_per,"
    " dias_jornada_parcial_per, cargas_simples_per, tramo_carga_per, cencosto_per, seguro_cesantia_per,"
    " tipo_trabajador_per, codigo_afp_per, codigo_ips_per, nombre_regimen_previsional, sis_per, codigo_isa_per,"
    " pactado_isapre_per, valor_pactado_per, adicional_pesos_per) VALUES ";

class MasterSheetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        company = new testdb::ScratchDatabase("77_remu_");
        client = "m" + testdb::uniqueTag();
        params = testdb::ScratchDatabase::named(client + "_remu").release();
        cont = new testdb::ScratchDatabase("cont_");
        company->runSql(withYear("company_year.sql"));
        params->runSql(withYear("parametros_year.sql"));
        cont->runSql(withYear("contabilidad_year.sql"));
        params->runSql(
            "INSERT INTO 2019_afp (codigo_afp, nombre_afp) VALUES ('05', 'HABITAT'), ('08', 'PROVIDA'),"
            " ('33', 'CAPITAL');"
            "INSERT INTO 2019_isapre (codigo_isa, nombre_isa) VALUES ('01', 'BANMEDICA'), ('07', 'FONASA'),"
            " ('10', 'CONSALUD')");
        cont->runSql("INSERT INTO 2019_centrocosto (codigo_cc, nombre_cc) VALUES ('VEN', 'VENTAS'),"
                     " ('ADM', 'ADMINISTRACIÓN')");
        company->runSql(
            std::string(kColumns) +
            "('03', '0001', 'PÉREZ SOTO JOSÉ', 'Av. Grecia 1450', 'ANTOFAGASTA', 'ANTOFAGASTA', '012345678-5',"
            " '1980-05-17', '2010-01-04', '2012-04-02', NULL, 2, 1, '55 2 123456', 'jose@correo.cl', 1, 650000, 2,"
            " 48.5, 1, 1, '012', '123-45', 'JEFE DE VENTAS', 'COMPLETA', 0, 2, 'C', 'VEN', 3, '0', '05', '', '', 1,"
            " '01', 2, 2.6, 5000),"
            "('03', '0002', 'O''HIGGINS RIQUELME ANA', '', '', '', '009876543-2', NULL, NULL, '2019-01-02',"
            " '2019-06-30', 3, 2, '', '', 2, 1250000.5, 7, 2500, 0, 3, '', '', '  ANALISTA  ', '', 22.5, 0, '',"
            " 'V', 4, '3', '', '', '', 0, '1', 5, 0, 0),"
            "('03', '0003', 'ZÚÑIGA ARAYA MARÍA', '', '', '', '011111111-1', NULL, NULL, NULL, NULL, 0, 0, '', '',"
            " 0, 300000, 0, 0, 0, 2, '', '', '', '', 0, 0, '', 'ADM', 1, '1', '3', '42', 'EMPART', 0, '10', 0, 0, 0),"
            "('04', '0004', 'OTRO MES', '', '', '', '022222222-2', NULL, NULL, NULL, NULL, 1, 1, '', '', 1, 999, 1,"
            " 0, 0, 1, '', '', '', '', 0, 0, '', '', 1, '0', '', '', '', 0, '', 1, 0, 0)");
    }
    static void TearDownTestSuite() {
        delete company;
        delete params;
        delete cont;
    }
    void SetUp() override {
        s.period = Period::of(2019, 3);
        s.ID_CLIENTE = client;
        s.CID_CLIENTE_CONT = cont->name();
        s.OCON = company->connect();
    }
    std::unique_ptr<Recordset> month() {
        auto rs = loadMonthPersonnel(*s.OCON, s, ui);
        EXPECT_TRUE(rs) << ::testing::PrintToString(ui.lines());
        return rs;
    }

    static testdb::ScratchDatabase *company, *params, *cont;
    static std::string client;
    Session s;
    RecordingPort ui;
};
testdb::ScratchDatabase* MasterSheetTest::company = nullptr;
testdb::ScratchDatabase* MasterSheetTest::params = nullptr;
testdb::ScratchDatabase* MasterSheetTest::cont = nullptr;
std::string MasterSheetTest::client;

}  // namespace

TEST_F(MasterSheetTest, OneRowPerWorkerWithCodesAsTexts) {
    auto ors = month();
    RecordingSheet sh;
    EXPECT_EQ(fillMasterSheet(sh, *ors, loadMasterNames(*s.OCON, s), Period::of(2019, 3)), 3);
    EXPECT_EQ(ors->AbsolutePosition(), 1);

    EXPECT_EQ(sh.fontName(), "verdana");
    EXPECT_EQ(sh.text(1, 2), "MAESTRO DE PERSONAL   MARZO 2019");
    EXPECT_EQ(sh.styleAt(1, 2).size, 17);
    EXPECT_EQ(sh.selectedRow(), 1);
    // Headings: both rows, each column; the heading band coloured.
    const char* row4[] = {"CODIGO", "NOMBRE", "DIRECCION", "COMUNA", "CIUDAD", "RUT", "NACIMIENTO", "INI.LABORAL",
                          "CONTRATO", "TERMINO", "CIVIL", "SEXO", "TELEFONO", "CORREO", "NACIONALIDAD", "BASE",
                          "MONEDA", "MONTO", "PATRONAL", "PAGO", "BANCO", "CUENTA", "CARGO", "JORNADA", "PARCIAL",
                          "FAMILIARES", "TRAMO", "COSTO", "CESANTIA", "TRABAJADOR", "AFP", "IPS", "PREVISIONAL",
                          "SIS", "DE SALUD", "PACTADA", "PACTAD0", "ADICIONAL"};
    for (int c = 1; c <= 38; ++c) {
        EXPECT_EQ(sh.text(4, c), row4[c - 1]) << c;
        EXPECT_EQ(sh.styleAt(3, c).fill, kColourHeading) << c;
        EXPECT_EQ(sh.styleAt(4, c).fill, kColourHeading) << c;
        EXPECT_GT(sh.columnWidth(c), 0) << c;
    }
    EXPECT_EQ(sh.text(3, 1), "");
    EXPECT_EQ(sh.text(3, 7), "FECHA");
    EXPECT_EQ(sh.text(3, 25), "DIAS JORNADA");
    EXPECT_EQ(sh.text(3, 35), "INSTITUCION");
    EXPECT_EQ(sh.text(3, 36), "TIPO.COT");

    // Worker 0001, every column.
    const std::vector<std::string> first = {
        "0001", "PÉREZ SOTO JOSÉ", "Av. Grecia 1450", "ANTOFAGASTA", "ANTOFAGASTA", "012345678-5", "17/05/1980",
        "04/01/2010", "02/04/2012", "", "Casado", "Masculino", "55 2 123456", "jose@correo.cl", "Chileno", "650000",
        "UF", "48,5", "Si", "Efectivo", "012", "123-45", "JEFE DE VENTAS", "COMPLETA", "0", "2", "C", "VENTAS",
        "Afiliado y Empleador", "Activo( No Pensionado )", "HABITAT", "", "", "Si", "BANMEDICA", "U.F.", "2,6",
        "5000"};
    for (int c = 1; c <= 38; ++c) EXPECT_EQ(sh.text(5, c), first[c - 1]) << "column " << c;
    EXPECT_TRUE(sh.isText(5, 1));  // leading zeros kept
    for (int c : {16, 18, 37, 38}) EXPECT_TRUE(sh.isNumber(5, c)) << c;

    // Worker 0002: the editor's codes 2; empty and partial codes name nothing.
    EXPECT_EQ(sh.text(6, 2), "O'HIGGINS RIQUELME ANA");
    EXPECT_EQ(sh.text(6, 10), "30/06/2019");
    EXPECT_EQ(sh.text(6, 11), "Otro");
    EXPECT_EQ(sh.text(6, 12), "Femenino");
    EXPECT_EQ(sh.text(6, 15), "Extranjero");
    EXPECT_EQ(sh.number(6, 16), 1250000.5);
    EXPECT_EQ(sh.text(6, 17), "VALEURO");
    EXPECT_EQ(sh.text(6, 19), " ");
    EXPECT_EQ(sh.text(6, 20), "Banco");
    EXPECT_EQ(sh.text(6, 23), "ANALISTA");
    EXPECT_EQ(sh.text(6, 25), "22.5");
    EXPECT_EQ(sh.text(6, 28), "");  // cost centre "V": no match by containment
    EXPECT_EQ(sh.text(6, 29), "+ 11 de Servicio");
    EXPECT_EQ(sh.text(6, 30), "Activo Mayor de 65");
    EXPECT_EQ(sh.text(6, 31), "");  // no AFP code: no AFP (never the first one)
    EXPECT_EQ(sh.text(6, 34), " ");
    EXPECT_EQ(sh.text(6, 35), "");  // "1" is not "01"
    EXPECT_EQ(sh.text(6, 36), "Adicional Plan Auge en U.F.");

    // Worker 0003: codes the lists do not have.
    for (int c : {7, 8, 9, 10, 11, 12, 15, 17, 36}) EXPECT_EQ(sh.text(7, c), "") << c;
    EXPECT_EQ(sh.text(7, 20), "Cheque");
    EXPECT_EQ(sh.text(7, 28), "ADMINISTRACIÓN");
    EXPECT_EQ(sh.text(7, 29), "No Afiliado");
    EXPECT_EQ(sh.text(7, 30), "Pensionado y Cotiza");
    EXPECT_EQ(sh.text(7, 31), "");  // "3" is not "33"
    EXPECT_EQ(sh.text(7, 32), "42");
    EXPECT_EQ(sh.text(7, 33), "EMPART");
    EXPECT_EQ(sh.text(7, 35), "CONSALUD");

    // Salary total below the last worker; the format covers P4..P7 only.
    EXPECT_EQ(sh.text(8, 15), "Total Sueldos");
    EXPECT_TRUE(sh.styleAt(8, 15).bold);
    EXPECT_EQ(sh.text(8, 16), "=SUM(P4:P7)");
    EXPECT_TRUE(sh.styleAt(8, 16).bold);
    EXPECT_DOUBLE_EQ(sh.formulaValue(sh.text(8, 16)), 2200000.5);
    for (int r = 4; r <= 7; ++r) EXPECT_EQ(sh.styleAt(r, 16).numberFormat, "#,##0") << r;
    EXPECT_EQ(sh.styleAt(8, 16).numberFormat, "");
    EXPECT_EQ(sh.rowCount(), 8);
}

TEST_F(MasterSheetTest, TheListAsFilteredAndAnEmptyMonth) {
    auto ors = month();
    ors->Filter("nombre_per LIKE '*HIGGINS*' or codigo_per LIKE '*HIGGINS*' or rut_per LIKE '*HIGGINS*' ");
    RecordingSheet sh;
    EXPECT_EQ(fillMasterSheet(sh, *ors, loadMasterNames(*s.OCON, s), Period::of(2019, 3)), 1);
    EXPECT_EQ(sh.text(5, 1), "0002");
    EXPECT_EQ(sh.text(6, 15), "Total Sueldos");
    EXPECT_EQ(sh.text(6, 16), "=SUM(P4:P5)");
    EXPECT_EQ(ors->RecordCount(), 1);  // the list keeps its filter

    s.period = s.period.withMonth(5);
    auto none = month();
    RecordingSheet empty;
    EXPECT_EQ(fillMasterSheet(empty, *none, {}, Period::of(2019, 5)), 0);
    EXPECT_EQ(empty.text(1, 2), "MAESTRO DE PERSONAL   MAYO 2019");
    EXPECT_EQ(empty.text(4, 1), "CODIGO");
    EXPECT_EQ(empty.text(5, 15), "Total Sueldos");
    EXPECT_EQ(empty.text(5, 16), "=SUM(P4:P4)");
    EXPECT_EQ(empty.formulaValue(empty.text(5, 16)), 0);
}

TEST_F(MasterSheetTest, MissingNameTablesLeaveNamesBlank) {
    s.ID_CLIENTE = "NOEXISTE";
    s.CID_CLIENTE_CONT = "";
    MasterNames names = loadMasterNames(*s.OCON, s);
    EXPECT_TRUE(names.afp.empty());
    EXPECT_TRUE(names.isapre.empty());
    EXPECT_TRUE(names.costCentre.empty());
    s.ID_CLIENTE = "no es; un nombre";
    EXPECT_TRUE(loadMasterNames(*s.OCON, s).afp.empty());
    EXPECT_TRUE(ui.boxes.empty());

    auto ors = month();
    RecordingSheet sh;
    fillMasterSheet(sh, *ors, names, Period::of(2019, 3));
    EXPECT_EQ(sh.text(5, 31), "");
    EXPECT_EQ(sh.text(5, 35), "");
    EXPECT_EQ(sh.text(5, 28), "");
    EXPECT_EQ(sh.text(5, 2), "PÉREZ SOTO JOSÉ");

    // A month table that is not there: the server's message, no row set.
    s.period = Period::of(2017, s.period.month());
    EXPECT_FALSE(loadMonthPersonnel(*s.OCON, s, ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].kind, BoxKind::Stop);
}

TEST_F(MasterSheetTest, TheFileReadsBack) {
    std::string t = (fs::temp_directory_path() / "remu_master_XXXXXX").string();
    fs::path dir = mkdtemp(t.data());
    auto ors = month();
    ASSERT_TRUE(EXCEL_PERSON(*ors, s, ui, {}, dir.string())) << ::testing::PrintToString(ui.lines());
    fs::path file = dir / "PLANILLAS" / "MAESTRO_PERSONAL_2019_03.xlsx";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(ui.openedFiles, std::vector<std::string>{fs::absolute(file).lexically_normal().string()});

    auto x = test::readXlsx(file.string());
    ASSERT_TRUE(x.ok) << x.output;
    EXPECT_EQ(x.at("B1"), "MAESTRO DE PERSONAL   MARZO 2019");
    EXPECT_EQ(x.at("B1", "size"), "17.0");
    EXPECT_EQ(x.at("A5", "type"), "s");
    EXPECT_EQ(x.at("A5"), "0001");
    EXPECT_EQ(x.at("P5", "type"), "n");
    EXPECT_EQ(x.at("P5", "format"), "#,##0");
    EXPECT_EQ(x.at("AK5", "type"), "n");
    EXPECT_EQ(x.at("A3", "fill"), "93D9DD");
    EXPECT_EQ(x.at("AL4", "fill"), "93D9DD");
    EXPECT_EQ(x.at("AL4"), "ADICIONAL");
    EXPECT_EQ(x.at("O8"), "Total Sueldos");
    EXPECT_EQ(x.at("O8", "bold"), "1");
    EXPECT_EQ(x.at("P8"), "=SUM(P4:P7)");
    EXPECT_EQ(x.at("L6"), "Femenino");
    EXPECT_EQ(x.at("B5", "font"), "verdana");
    for (int c = 1; c <= 38; ++c) {
        std::string col = columnLetters(c);
        EXPECT_GT(x.width(col), 0) << col;
    }
    fs::remove_all(dir);
}
