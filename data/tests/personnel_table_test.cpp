#include <gtest/gtest.h>

#include "core/ui_port.h"
#include "data/connection.h"
#include "data/personnel_table.h"
#include "tests/support/test_db.h"

using namespace remu;

namespace {

using Found = PersonnelTable::Found;
using Lines = std::vector<std::string>;

class PersonnelTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = std::make_unique<testdb::ScratchDatabase>("per_");
        db->runSql(testdb::schemaSql("company_year.sql", "2019"));
        db->runSql(
            "INSERT INTO 2019_personal (mes_per, codigo_per, rut_per, clave_per, nombre_per, nombres_per, apepat_per,"
            " apemat_per, anomes_termino_per, fecha_contrato_per, fecha_termino_per, cargo_per, correo_per,"
            " sueldo_base_per, moneda_sueldo_per, moneda_sueldo_valor_per, dias_jornada_parcial_per, tipo_trabajador_per,"
            " codigo_afp_per, seguro_cesantia_per, sis_per, cargas_simples_per, total_imponible_per) VALUES"
            " ('03','0001','012345678-5','DEMO01','JUAN PEREZ SOTO','JUAN','PEREZ','SOTO',0,'2015-03-02',NULL,"
            "  'VENDEDOR','juan@example.com',650000,1,0,0,'0','08',2,1,2,650000),"
            " ('03','0002','009876543-2','','ANA ROJAS DIAZ','ANA','ROJAS','DIAZ',201902,'2018-01-01','2019-02-28',"
            "  'GERENTE','',0,2,48.5,12.5,'1','00',1,0,0,0),"
            " ('02','0002','009876543-2','CLAVE2','ANA ROJAS DIAZ','ANA','ROJAS','DIAZ',201902,'2018-01-01',"
            "  '2019-02-28','GERENTE','',0,2,48.5,0,'1','00',1,0,0,0),"
            " ('03','0003','012345678-5','','JUAN PEREZ SOTO','JUAN','PEREZ','SOTO',0,NULL,NULL,'','',1,1,0,0,'0',"
            "  '08',1,1,0,0)");
        conn = db->connect();
    }
    std::unique_ptr<testdb::ScratchDatabase> db;
    std::shared_ptr<Connection> conn;
    RecordingPort ui;
    const Period march = Period::of(2019, 3);
};

TEST_F(PersonnelTableTest, ReadsOneWorkerByCodeAndByRutWithEveryColumn) {
    PersonnelTable table(*conn, ui);
    PersonnelRow row;
    ASSERT_EQ(table.byCode(march, "0002 ", row), Found::Yes);
    EXPECT_EQ(row.mes_per, "03");
    EXPECT_EQ(row.codigo_per, "0002");
    EXPECT_EQ(row.nombre_per, "ANA ROJAS DIAZ");
    EXPECT_EQ(row.anomes_termino_per, 201902);
    EXPECT_EQ(row.fecha_termino_per, (Date{2019, 2, 28}));
    EXPECT_TRUE(row.fecha_nacimiento_per.isNull());
    EXPECT_EQ(row.moneda_sueldo_per, 2);
    EXPECT_DOUBLE_EQ(row.moneda_sueldo_valor_per, 48.5);
    EXPECT_DOUBLE_EQ(row.dias_jornada_parcial_per, 12.5);
    EXPECT_EQ(row.tipo_trabajador_per, "1");
    EXPECT_EQ(row.pactado_isapre_per, 1);  // the table's default
    EXPECT_EQ(personnelFullName(row), "ROJAS DIAZ ANA");

    // By RUT: the month's row with the lowest code; the year's rows in any month.
    ASSERT_EQ(table.byRut(march, "012345678-5", row), Found::Yes);
    EXPECT_EQ(row.codigo_per, "0001");
    EXPECT_EQ(row.clave_per, "DEMO01");
    EXPECT_EQ(table.byRut(Period::of(2019, 2), "012345678-5", row), Found::No);
    ASSERT_EQ(table.byRutInYear(Period::of(2019, 1), "009876543-2", row), Found::Yes);
    EXPECT_EQ(row.codigo_per, "0002");
    EXPECT_TRUE(ui.boxes.empty());

    // Not there: silent unless a label is given, as BUSCA_X is.
    EXPECT_EQ(table.byCode(march, "0009", row), Found::No);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(table.byCode(march, "0009", row, "trabajador"), Found::No);
    EXPECT_EQ(ui.lines(), (Lines{"Info|registro no encontrado|No existe trabajador"}));
    ui.clear();

    // A value is always a value, never part of the statement.
    EXPECT_EQ(table.byCode(march, "0001' OR '1'='1", row), Found::No);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PersonnelTableTest, ListsTheMonthInCodeOrder) {
    PersonnelTable table(*conn, ui);
    auto rows = table.month(march);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 3u);
    EXPECT_EQ((*rows)[0].codigo_per, "0001");
    EXPECT_EQ((*rows)[2].codigo_per, "0003");
    EXPECT_EQ((*rows)[0].correo_per, "juan@example.com");
    EXPECT_EQ(table.month(Period::of(2019, 4))->size(), 0u);

    auto ors = table.monthList(march);
    ASSERT_TRUE(ors);
    EXPECT_EQ(ors->RecordCount(), 3);
    EXPECT_EQ(personnelRow(*ors).codigo_per, "0001");

    // The lookups' statements: the whole month, or those still under contract in it.
    auto active = conn->query(PersonnelTable::activeListSql(march));
    ASSERT_EQ(active->RecordCount(), 2);
    EXPECT_EQ(active->Fields("codigo_per").text(), "0001");
    EXPECT_EQ(conn->query(PersonnelTable::monthListSql(march))->RecordCount(), 3);

    // A year without its table: the server's error, once, and nothing read.
    EXPECT_FALSE(table.month(Period::of(2017, 3)));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Error");
    EXPECT_EQ(ui.boxes[0].text.rfind("Descrip.: ", 0), 0u);
    ui.clear();
    // A period never chosen reads nothing.
    PersonnelRow row;
    EXPECT_EQ(table.byCode(Period(), "0001", row), Found::Failed);
    EXPECT_EQ(ui.lines(), (Lines{"Stop|Alto|Año no válido: \"\""}));
}

TEST_F(PersonnelTableTest, TheWorkerFileIsStoredThroughTheMonthsRowSet) {
    PersonnelTable table(*conn, ui);
    auto ors = table.monthList(march);
    ASSERT_TRUE(ors);

    // A new worker: the editor's columns, trimmed; the others keep the table's defaults.
    PersonnelRow fresh;
    fresh.mes_per = "03";
    fresh.codigo_per = "0004";
    fresh.nombres_per = "  LUIS ";
    fresh.apepat_per = "MUÑOZ";
    fresh.nombre_per = "LUIS MUÑOZ";
    fresh.rut_per = "011111111-1";
    fresh.clave_per = "NUNCA";         // the password is not the editor's to write
    fresh.total_imponible_per = 999;   // nor are the engine's figures
    fresh.fecha_termino_per = Date{2019, 8, 15};
    fresh.anomes_termino_per = 201908;
    fresh.sueldo_base_per = 500000;
    fresh.comprobante_pago = 1;        // only for the customer variant
    ASSERT_TRUE(table.store(*ors, fresh, true)) << ::testing::PrintToString(ui.lines());
    PersonnelRow back;
    ASSERT_EQ(table.byCode(march, "0004", back), Found::Yes);
    EXPECT_EQ(back.nombres_per, "LUIS");
    EXPECT_EQ(back.apepat_per, "MUÑOZ");
    EXPECT_EQ(back.clave_per, "");
    EXPECT_EQ(back.total_imponible_per, 0);
    EXPECT_EQ(back.anomes_termino_per, 201908);
    EXPECT_EQ(back.fecha_termino_per, (Date{2019, 8, 15}));
    EXPECT_EQ(back.comprobante_pago, 0);
    EXPECT_EQ(back.seguro_cesantia_per, 1);

    // A change of the current row; the customer variant writes comprobante_pago too.
    ors->MoveFirst();
    PersonnelRow first = personnelRow(*ors);
    first.cargo_per = "JEFE DE VENTAS";
    first.fecha_termino_per = Date{};
    first.comprobante_pago = 1;
    ASSERT_TRUE(table.store(*ors, first, false, {true, {}}));
    ASSERT_EQ(table.byCode(march, "0001", back), Found::Yes);
    EXPECT_EQ(back.cargo_per, "JEFE DE VENTAS");
    EXPECT_EQ(back.clave_per, "DEMO01");
    EXPECT_EQ(back.comprobante_pago, 1);
    EXPECT_EQ(back.fecha_contrato_per, (Date{2015, 3, 2}));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PersonnelTableTest, AChangeSomeoneElseMadeFirstIsNotOverwritten) {
    PersonnelTable table(*conn, ui);
    auto ors = table.monthList(march);
    ASSERT_TRUE(ors);
    PersonnelRow mine = personnelRow(*ors);
    // Another user changes the worker's position after the list was read.
    db->runSql("UPDATE 2019_personal SET cargo_per = 'SUPERVISOR' WHERE mes_per = '03' AND codigo_per = '0001'");
    mine.cargo_per = "JEFE DE VENTAS";
    EXPECT_FALSE(table.store(*ors, mine, false));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Error");
    EXPECT_NE(ui.boxes[0].text.find("modificado o eliminado por otro usuario"), std::string::npos) << ui.boxes[0].text;
    PersonnelRow back;
    ASSERT_EQ(table.byCode(march, "0001", back), Found::Yes);
    EXPECT_EQ(back.cargo_per, "SUPERVISOR");
    // The row set dropped the refused change: moving on does not try it again.
    ors->MoveNext();
    EXPECT_EQ(ors->Fields("codigo_per").text(), "0002");
}

TEST_F(PersonnelTableTest, ThePasswordChangesInEveryMonthOfTheYear) {
    PersonnelTable table(*conn, ui);
    ASSERT_TRUE(table.setPassword(march, "009876543-2 ", "NUEVA1"));
    auto rs = conn->query("SELECT DISTINCT clave_per FROM 2019_personal WHERE rut_per = '009876543-2'");
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Fields(0).text(), "NUEVA1");
    EXPECT_EQ(conn->query("SELECT clave_per FROM 2019_personal WHERE codigo_per = '0001'")->Fields(0).text(), "DEMO01");
}

TEST_F(PersonnelTableTest, AnOlderTableWithoutSomeColumnsReadsThemEmpty) {
    db->runSql("ALTER TABLE 2019_personal DROP COLUMN correo_per, DROP COLUMN comprobante_pago");
    PersonnelTable table(*conn, ui);
    PersonnelRow row;
    ASSERT_EQ(table.byCode(march, "0001", row), Found::Yes);
    EXPECT_EQ(row.correo_per, "");
    EXPECT_EQ(row.comprobante_pago, 0);
    EXPECT_EQ(row.nombre_per, "JUAN PEREZ SOTO");
    // And the worker file stores what the table has.
    auto ors = table.monthList(march);
    row.cargo_per = "CAJERO";
    EXPECT_TRUE(table.store(*ors, row, false, {true, {}})) << ::testing::PrintToString(ui.lines());
}

}  // namespace
