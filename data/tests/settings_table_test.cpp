#include <gtest/gtest.h>
#include <sys/stat.h>

#include "data/local_tables.h"
#include "data/settings_table.h"
#include "data/tests/dbf_test_dir.h"

using namespace remu;
using remu::testing::TempDir;

TEST(SettingsTable, CreatesTheTableAndChangesOnlyTheNamedFields) {
    TempDir dir;
    const std::string path = dir.file(tableFile(LocalTable::Conexion));
    EXPECT_FALSE(readSettingsRow(path));

    EXPECT_EQ(writeSettingsRow(path, conexionLayout(), {{"HOST", "127.0.0.1:3307"}, {"CLAVE", "secreta"}}), "");
    auto row = readSettingsRow(path);
    ASSERT_TRUE(row);
    EXPECT_EQ((*row)["HOST"], "127.0.0.1:3307");
    EXPECT_EQ((*row)["CLAVE"], "secreta");
    EXPECT_EQ((*row)["USER"], "");
    // The program reads what the command wrote.
    EXPECT_EQ(readConexion(dir.path)->HOST, "127.0.0.1:3307");

    EXPECT_EQ(writeSettingsRow(path, conexionLayout(), {{"USER", "remu"}, {"DATABASE", "ÑUBLE"}}), "");
    row = readSettingsRow(path);
    EXPECT_EQ((*row)["HOST"], "127.0.0.1:3307");
    EXPECT_EQ((*row)["CLAVE"], "secreta");
    EXPECT_EQ((*row)["DATABASE"], "ÑUBLE");
    EXPECT_EQ(DbfTable::open(path).liveCount(), 1);

    // It holds a password: nobody else reads it.
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SettingsTable, RefusesWhatDoesNotFitAndWritesNothing) {
    TempDir dir;
    const std::string path = dir.file(tableFile(LocalTable::Conexion));

    // Too long for a new table: no file is left behind.
    std::string why = writeSettingsRow(path, conexionLayout(), {{"HOST", "h"}, {"USER", "usuario_demasiado_largo"}});
    EXPECT_EQ(why, "El valor de USER tiene 23 caracteres; el campo USER de CONEXION.DBF admite 15.");
    EXPECT_FALSE(DbfTable::locate(path));

    ASSERT_EQ(writeSettingsRow(path, conexionLayout(), {{"HOST", "servidor"}, {"CLAVE", "vieja"}}), "");
    // Fifteen accented letters fit (one byte each in the file); sixteen do not.
    EXPECT_EQ(writeSettingsRow(path, conexionLayout(), {{"CLAVE", "ÁÉÍÓÚáéíóúÑñÜüç"}}), "");
    EXPECT_NE(writeSettingsRow(path, conexionLayout(), {{"HOST", "otro"}, {"CLAVE", "ÁÉÍÓÚáéíóúÑñÜüçX"}}), "");
    EXPECT_EQ(readSettingsRow(path)->at("HOST"), "servidor");
    // A character the file's code page lacks would be stored as "?".
    EXPECT_EQ(writeSettingsRow(path, conexionLayout(), {{"CLAVE", "clave\xC5\x82"}}),
              "El valor de CLAVE tiene caracteres que la tabla CONEXION.DBF no puede guardar.");
    EXPECT_EQ(writeSettingsRow(path, conexionLayout(), {{"PUERTO", "25"}}),
              "La tabla CONEXION.DBF no tiene el campo PUERTO.");
    EXPECT_EQ(readSettingsRow(path)->at("CLAVE"), "ÁÉÍÓÚáéíóúÑñÜüç");
}

TEST(SettingsTable, AnInstalledTableKeepsItsOwnWidths) {
    TempDir dir;
    const std::string path = dir.file(tableFile(LocalTable::Correo));
    // Provided with an installation: narrower fields than the ones we create.
    {
        DbfTable t = DbfTable::create(path, {{"REMITENTE", 'C', 20, 0}, {"CONTRASEN", 'C', 10, 0},
                                             {"NOMSERVER", 'C', 20, 0}, {"PUERTO", 'C', 4, 0},
                                             {"NOMEMISOR", 'C', 20, 0}});
        t.append();
    }
    EXPECT_EQ(writeSettingsRow(path, correoLayout(), {{"PUERTO", "2525"}}), "");
    EXPECT_EQ(writeSettingsRow(path, correoLayout(), {{"PUERTO", "25250"}}),
              "El valor de PUERTO tiene 5 caracteres; el campo PUERTO de CORREO.DBF admite 4.");
    EXPECT_EQ(readCorreo(dir.path)->PUERTO, "2525");
}
