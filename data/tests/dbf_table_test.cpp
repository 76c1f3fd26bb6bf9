#include <gtest/gtest.h>
#include <shapefil.h>

#include <cmath>

#include "core/ui_port.h"
#include "data/dbf_table.h"
#include "data/tests/dbf_test_dir.h"

using namespace remu;
using remu::testing::TempDir;

namespace {

const std::vector<DbfField> kFields = {
    {"NOMBRE", 'C', 12, 0}, {"MONTO", 'N', 8, 2}, {"FECHA", 'D', 8, 0}, {"ACTIVO", 'L', 1, 0}, {"CANT", 'N', 3, 0}};

}  // namespace

TEST(DbfTable, WrittenTableReadsBackWithShapelibRawApi) {
    TempDir dir;
    const std::string path = dir.file("PRUEBA.DBF");
    {
        DbfTable t = DbfTable::create(path, kFields);
        int r = t.append();
        t.setText(r, "NOMBRE", "Peñalolén Ñuñoa");  // 15 characters: cut to 12
        t.setNumber(r, "MONTO", -1234.5);
        t.setDate(r, "FECHA", Date{2018, 3, 1});
        t.setLogical(r, "ACTIVO", true);
        t.setNumber(r, "CANT", 2.5);  // half away from zero
        r = t.append();
        t.setText(r, "NOMBRE", "  con blanco");
        t.setNumber(r, "CANT", -2.5);
    }

    DBFHandle h = DBFOpen(path.c_str(), "rb");
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(DBFGetCodePage(h), "LDID/87");
    ASSERT_EQ(DBFGetFieldCount(h), 5);
    ASSERT_EQ(DBFGetRecordCount(h), 2);
    for (int i = 0; i < 5; ++i) {
        char name[12] = {};
        int width = 0, decimals = 0;
        DBFGetFieldInfo(h, i, name, &width, &decimals);
        EXPECT_EQ(name, kFields[i].name);
        EXPECT_EQ(DBFGetNativeFieldType(h, i), kFields[i].type);
        EXPECT_EQ(width, kFields[i].width);
        EXPECT_EQ(decimals, kFields[i].decimals);
    }
    // cp1252 bytes in the file: ñ = F1, é = E9, Ñ = D1.
    EXPECT_STREQ(DBFReadStringAttribute(h, 0, 0), "Pe\xF1" "alol\xE9n \xD1u");
    EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(h, 0, 1), -1234.5);
    EXPECT_STREQ(DBFReadStringAttribute(h, 0, 2), "20180301");
    EXPECT_STREQ(DBFReadLogicalAttribute(h, 0, 3), "T");
    EXPECT_EQ(DBFReadIntegerAttribute(h, 0, 4), 3);
    EXPECT_EQ(DBFReadIntegerAttribute(h, 1, 4), -3);
    EXPECT_STREQ(DBFReadStringAttribute(h, 1, 2), "");  // blank date
    DBFClose(h);

    DbfTable t = DbfTable::open(path);
    EXPECT_EQ(t.text(0, "NOMBRE"), "Peñalolén Ñu");
    EXPECT_EQ(t.text(1, "NOMBRE"), "  con blanco");  // leading blanks are data
    EXPECT_DOUBLE_EQ(t.number(0, "monto"), -1234.5);
    EXPECT_EQ(t.date(0, "FECHA"), (Date{2018, 3, 1}));
    EXPECT_TRUE(t.date(1, "FECHA").isNull());
    EXPECT_TRUE(t.logical(0, "ACTIVO"));
    EXPECT_FALSE(t.logical(1, "ACTIVO"));
    EXPECT_EQ(t.text(0, "CANT"), "3");
    EXPECT_THROW(t.text(0, "NOEXISTE"), DbfError);
}

TEST(DbfTable, DeletedRowsAreHiddenAndZapEmpties) {
    TempDir dir;
    const std::string path = dir.file("FILAS.DBF");
    {
        DbfTable t = DbfTable::create(path, kFields);
        for (const char* n : {"UNO", "DOS", "TRES"}) t.setText(t.append(), "NOMBRE", n);
        t.remove(1);
        EXPECT_EQ(t.liveRecords(), (std::vector<int>{0, 2}));
    }
    DbfTable t = DbfTable::open(path, DbfMode::Exclusive);
    EXPECT_EQ(t.recordCount(), 3);
    EXPECT_EQ(t.liveRecords(), (std::vector<int>{0, 2}));
    EXPECT_EQ(t.text(2, "NOMBRE"), "TRES");

    t.zap();
    EXPECT_EQ(t.recordCount(), 0);
    EXPECT_EQ(t.fields(), kFields);
    t.setText(t.append(), "NOMBRE", "NUEVO");
    t.close();

    DBFHandle h = DBFOpen(path.c_str(), "rb");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(DBFGetRecordCount(h), 1);
    EXPECT_STREQ(DBFReadStringAttribute(h, 0, 0), "NUEVO");
    DBFClose(h);

    DbfTable shared = DbfTable::open(path);
    EXPECT_THROW(shared.zap(), DbfError);
}

TEST(DbfTable, ValuesThatDoNotFitAreRefusedAndRowKept) {
    TempDir dir;
    DbfTable t = DbfTable::create(dir.file("ANCHO.DBF"), kFields);
    int r = t.append();
    t.setNumber(r, "MONTO", 99999.99);  // exactly 8 characters
    EXPECT_THROW(t.setNumber(r, "MONTO", 100000), DbfError);
    EXPECT_THROW(t.setNumber(r, "CANT", 1000), DbfError);
    EXPECT_THROW(t.setNumber(r, "CANT", std::nan("")), DbfError);
    EXPECT_DOUBLE_EQ(t.number(r, "MONTO"), 99999.99);
    t.setNumber(r, "CANT", -99);
    EXPECT_EQ(t.text(r, "CANT"), "-99");
    EXPECT_THROW(t.text(5, "CANT"), DbfError);

    // Halves round away from zero even when the binary value falls just short
    // of them, as the same amount shows on screen.
    t.setNumber(r, "MONTO", 2.675);
    EXPECT_EQ(t.text(r, "MONTO"), "2.68");
    t.setNumber(r, "MONTO", -1.005);
    EXPECT_EQ(t.text(r, "MONTO"), "-1.01");
    t.setNumber(r, "MONTO", 2.674999);
    EXPECT_EQ(t.text(r, "MONTO"), "2.67");
    t.setNumber(r, "CANT", 2.5);
    EXPECT_EQ(t.text(r, "CANT"), "3");
    EXPECT_EQ(dbfNumberText(1.005, 6, 2), "  1.01");
}

TEST(DbfTable, ExclusiveUseAndOpenElsewhere) {
    TempDir dir;
    const std::string path = dir.file("USO.DBF");
    DbfTable::create(path, kFields).close();

    DbfTable a = DbfTable::open(path, DbfMode::Shared);
    DbfTable b = DbfTable::open(path, DbfMode::Shared);  // shared with shared is fine
    try {
        DbfTable::open(path, DbfMode::Exclusive);
        FAIL() << "exclusive open of a table open elsewhere";
    } catch (const DbfError& e) {
        EXPECT_EQ(e.kind(), DbfError::Kind::InUse);
    }
    RecordingPort ui;
    EXPECT_FALSE(DbfTable::open(path, DbfMode::Exclusive, ui).has_value());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.lines()[0],
              "Stop|Alerta|La tabla USO.DBF está siendo usada en otra parte; no se puede abrir en forma exclusiva.");
    // Re-creating a table somebody has open would pull it from under them.
    EXPECT_THROW(DbfTable::create(path, kFields), DbfError);
    a.close();
    b.close();

    DbfTable x = DbfTable::open(path, DbfMode::Exclusive);
    EXPECT_THROW(DbfTable::open(path, DbfMode::Shared), DbfError);
    x.close();
    EXPECT_NO_THROW(DbfTable::open(path, DbfMode::Shared));
}

TEST(DbfTable, BrokenOrMissingFilesGiveMessagesNotCrashes) {
    TempDir dir;
    RecordingPort ui;

    remu::testing::writeBytes(dir.file("BASURA.DBF"), std::string(200, 'x'));
    EXPECT_FALSE(DbfTable::open(dir.file("BASURA.DBF"), DbfMode::Shared, ui));

    remu::testing::writeBytes(dir.file("CORTO.DBF"), std::string("\x03\x5f\x07", 3));
    EXPECT_FALSE(DbfTable::open(dir.file("CORTO.DBF"), DbfMode::Shared, ui));

    // A header announcing more rows than the file holds (a copy cut short).
    {
        DbfTable t = DbfTable::create(dir.file("TRUNCA.DBF"), kFields);
        for (int i = 0; i < 10; ++i) t.setText(t.append(), "NOMBRE", "X");
    }
    std::string bytes = remu::testing::readBytes(dir.file("TRUNCA.DBF"));
    remu::testing::writeBytes(dir.file("TRUNCA.DBF"), bytes.substr(0, bytes.size() - 100));
    EXPECT_FALSE(DbfTable::open(dir.file("TRUNCA.DBF"), DbfMode::Shared, ui));

    EXPECT_FALSE(DbfTable::open(dir.file("NOHAY.DBF"), DbfMode::Shared, ui));
    std::filesystem::create_directory(dir.file("CARPETA.DBF"));
    EXPECT_FALSE(DbfTable::open(dir.file("CARPETA.DBF"), DbfMode::Shared, ui));

    EXPECT_EQ(ui.lines(), (std::vector<std::string>{
                              "Stop|Error|La tabla BASURA.DBF está dañada o no es una tabla dBASE.",
                              "Stop|Error|La tabla CORTO.DBF está dañada o no es una tabla dBASE.",
                              "Stop|Error|La tabla TRUNCA.DBF está dañada o no es una tabla dBASE.",
                              "Stop|Error|No se encuentra la tabla NOHAY.DBF.",
                              "Stop|Error|No se puede abrir la tabla CARPETA.DBF.",
                          }));
}

TEST(DbfTable, FindsFileWhoseNameDiffersInCase) {
    TempDir dir;
    DbfTable::create(dir.file("correo.dbf"), kFields).close();
    auto t = DbfTable::open(dir.file("CORREO.DBF"));
    EXPECT_EQ(t.path(), dir.file("correo.dbf"));
}
