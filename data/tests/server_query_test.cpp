#include <gtest/gtest.h>

#include <cctype>
#include <fstream>

#include "data/query.h"
#include "data/sql.h"
#include "tests/support/test_db.h"

using namespace remu;

namespace {

using Lines = std::vector<std::string>;

class QueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        tag = testdb::uniqueTag();
        company = std::make_unique<testdb::ScratchDatabase>(tag + "_remu_", "norte");
        params = testdb::ScratchDatabase::named(tag + "_remu");
        company->runSql("CREATE TABLE 2019_datos_empresa (mes_datemp CHAR(2), nombre VARCHAR(30));"
                        "CREATE TABLE afp (codigo CHAR(2), nombre VARCHAR(60));"
                        "INSERT INTO afp VALUES ('01','CAPITAL'),('02','CUPRUM');");
        params->runSql("CREATE TABLE 2019_parametros (mes_par CHAR(2), uf DECIMAL(10,2));"
                       "CREATE TABLE 2019_tabu (MES CHAR(2), utm INT);");
        auto p = testdb::serverParams();
        s.CHOST = p.host + "   ";
        s.CUSER = p.user;
        s.CPASSWORD = p.password;
        s.ID_CLIENTE = tag;
        s.CDATABASE = "  " + company->name() + "  ";
        for (auto& c : s.CDATABASE) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        ASSERT_TRUE(CONECTA(s, ui, conn));
        ui.clear();
    }
    std::string tag;
    std::unique_ptr<testdb::ScratchDatabase> company, params;
    Session s;
    RecordingPort ui;
    std::shared_ptr<Connection> conn;
};

TEST_F(QueryTest, ConectaLowerCasesTheDatabaseAndReportsFailure) {
    EXPECT_EQ(s.CDATABASE, company->name());
    EXPECT_EQ(conn->query("SELECT DATABASE()")->Fields(0).text(), company->name());

    Session bad = s;
    bad.CPASSWORD = "wrong";
    std::shared_ptr<Connection> c2;
    EXPECT_FALSE(CONECTA(bad, ui, c2));
    EXPECT_EQ(ui.lines(), (Lines{"Stop|Alto|NO SE CONECTO"}));
    EXPECT_EQ(c2, nullptr);

    // The server connection lists the databases.
    auto server = Connection::open(serverParams(s));
    auto dbs = server->query("show databases");
    dbs->Filter("Database = '" + company->name() + "'");
    EXPECT_EQ(dbs->RecordCount(), 1);

    // A socket path works as host too.
    std::ifstream sock(std::string(REMU_BINARY_DIR) + "/dbserver/socket");
    ConnectionParams viaSocket = companyParams(s);
    std::getline(sock, viaSocket.host);
    EXPECT_EQ(Connection::open(viaSocket)->query("SELECT 1")->Fields(0).number(), 1);
}

TEST_F(QueryTest, BuscaXMessages) {
    std::unique_ptr<Recordset> rs;
    EXPECT_TRUE(BUSCA_X(rs, "SELECT * FROM afp ORDER BY codigo", *conn, "AFP", ui));
    EXPECT_EQ(rs->Fields("nombre").text(), "CAPITAL");
    EXPECT_TRUE(ui.boxes.empty());

    EXPECT_FALSE(BUSCA_X(rs, "SELECT * FROM afp WHERE codigo = '99'", *conn, "  ", ui));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(rs->isOpen());
    EXPECT_TRUE(rs->Eof());

    EXPECT_FALSE(BUSCA_X(rs, "SELECT * FROM afp WHERE codigo = '99'", *conn, "AFP", ui));
    EXPECT_EQ(ui.lines(), (Lines{"Info|registro no encontrado|No existe AFP"}));
    ui.clear();

    EXPECT_FALSE(BUSCA_X(rs, "SELECT * FROM nada", *conn, "BUSCA CONT", ui));
    EXPECT_EQ(ui.lines(), (Lines{"Info|Atención|No existe Contabilidad asociada a esta empresa"}));
    EXPECT_FALSE(rs->isOpen());
    ui.clear();

    EXPECT_FALSE(BUSCA_X(rs, "SELECT * FROM nada", *conn, "AFP", ui));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.lines()[0], "Info|Atención|SELECT * FROM nada");
    EXPECT_EQ(ui.boxes[1].title, "Error");
    EXPECT_NE(ui.boxes[1].text.find("SQLState: 42S02\r\nNativeError: 1146\r\n"), std::string::npos);
    EXPECT_EQ(ui.boxes[1].text.rfind("Descrip.: ", 0), 0u);
}

TEST_F(QueryTest, AdoErrorShowsTheLastEntryAndEjecutaSqlReports) {
    conn->addError({"uno", "01000", 1});
    conn->addError({"dos", "02000", 2});
    conn->addError({"tres", "42S02", -1146});
    ADOERROR(*conn, ui);
    EXPECT_EQ(ui.lines(), (Lines{"Stop|Error|Descrip.: tres\r\nSQLState: 42S02\r\nNativeError: -1146\r\n"}));
    ui.clear();

    EXPECT_TRUE(EJECUTA_SQL("INSERT INTO afp VALUES ('03','HABITAT')", *conn, ui));
    EXPECT_TRUE(conn->errors().empty());  // cleared by the successful call
    ADOERROR(*conn, ui);                  // an empty collection still shows the box
    EXPECT_EQ(ui.boxes.at(0).title, "Error");
    ui.clear();

    EXPECT_FALSE(EJECUTA_SQL("INSERT INTO nada VALUES (1)", *conn, ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Error");
    EXPECT_EQ(conn->query("SELECT * FROM afp")->RecordCount(), 3);

    EXPECT_TRUE(EXISTE_TABLA("afp", *conn, s));
    EXPECT_TRUE(EXISTE_TABLA("AFP", *conn, s));
    EXPECT_FALSE(EXISTE_TABLA("nada", *conn, s));
    EXPECT_FALSE(EXISTE_TABLA("afp; DROP TABLE afp", *conn, s));
    EXPECT_TRUE(EXISTE_TABLA("afp", *conn, s));
}

TEST_F(QueryTest, VerifiParamDatemChecksInOrder) {
    const Period march = Period::of(2019, 3);
    EXPECT_FALSE(VERIFI_PARAM_DATEM(*conn, march, s, ui));
    EXPECT_EQ(ui.lines(), (Lines{"Stop|Alto|Debe Registrar parámetros  MARZO antes de procesar"}));
    ui.clear();

    params->runSql("INSERT INTO 2019_parametros VALUES ('03', 27565.76)");
    EXPECT_FALSE(VERIFI_PARAM_DATEM(*conn, march, s, ui));
    EXPECT_EQ(ui.lines(), (Lines{"Stop|Alto|Debe Registrar Datos empresa antes de procesar"}));
    ui.clear();

    company->runSql("INSERT INTO 2019_datos_empresa VALUES ('3', 'NORTE')");  // compared by value
    EXPECT_FALSE(VERIFI_PARAM_DATEM(*conn, march, s, ui));
    EXPECT_EQ(ui.lines(),
              (Lines{"Stop|Alto|Debe Registrar UTM  MARZO en Tabla Impuesto único  antes de procesar"}));
    ui.clear();

    params->runSql("INSERT INTO 2019_tabu VALUES ('03', 48353)");
    EXPECT_TRUE(VERIFI_PARAM_DATEM(*conn, march, s, ui));
    EXPECT_TRUE(ui.boxes.empty());

    EXPECT_FALSE(VERIFI_PARAM_DATEM(*conn, Period(), s, ui));
    EXPECT_EQ(ui.lines(), (Lines{"Stop|Alto|Año no válido: \"\""}));
    ui.clear();
    Session hostile = s;
    hostile.ID_CLIENTE = "x.y; --";
    EXPECT_FALSE(VERIFI_PARAM_DATEM(*conn, march, hostile, ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Alto");
}

TEST_F(QueryTest, HostileValuesReachTheServerAsData) {
    const std::vector<std::string> values = {
        "1' OR '1'='1", "O'Higgins", "back\\slash\\", "a -- comment", "x'; DROP TABLE afp; --",
        "\"doble\"", "línea\r\nnueva", std::string("nul\0byte", 8), "\\'", "ñandú \x1a"};
    for (const auto& v : values) {
        ASSERT_TRUE(EJECUTA_SQL("INSERT INTO afp VALUES ('99', " + sqlText(v) + ")", *conn, ui)) << v;
        auto rs = conn->query("SELECT nombre FROM afp WHERE nombre = " + sqlText(v));
        ASSERT_EQ(rs->RecordCount(), 1) << v;
        EXPECT_EQ(rs->Fields(0).text(), v);
        EXPECT_TRUE(EJECUTA_SQL("DELETE FROM afp WHERE nombre = " + sqlText(v), *conn, ui));
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(conn->query("SELECT * FROM afp WHERE codigo = " + sqlText("1' OR '1'='1"))->RecordCount(), 0);
    EXPECT_EQ(conn->query("SELECT * FROM afp")->RecordCount(), 2);

    EXPECT_EQ(sqlName(" 77_remu_norte "), "`77_remu_norte`");
    EXPECT_EQ(sqlYearTable("2019", "_personal"), "`2019_personal`");
    EXPECT_EQ(sqlYear("2019 "), "2019");
    EXPECT_EQ(sqlMonth("12"), "12");
    for (const char* bad : {"", "a b", "db;drop", "a.b", "x'", "a`b", "ñandu"})
        EXPECT_THROW(sqlName(bad), BadIdentifier) << bad;
    EXPECT_THROW(sqlName(std::string(65, 'a')), BadIdentifier);
    for (const char* bad : {"19", "20191", "2019 OR 1", "abcd"}) EXPECT_THROW(sqlYear(bad), BadIdentifier) << bad;
    for (const char* bad : {"3", "00", "13", "1;", "0x"}) EXPECT_THROW(sqlMonth(bad), BadIdentifier) << bad;
    EXPECT_THROW(sqlNumberText("1; DROP"), std::invalid_argument);
    EXPECT_EQ(sqlNumber(-3.5), "-3.5");
    EXPECT_EQ(sqlNumber(12), "12");
    EXPECT_EQ(sqlQuotedName("a`b"), "`a``b`");
}

}  // namespace

TEST_F(QueryTest, RowsStreamedOneAtATimeReadAsTheRecordsetReadsThem) {
    company->runSql("CREATE TABLE filas (codigo CHAR(4), monto DECIMAL(12,2), desde DATE, nota VARCHAR(10));"
                    "INSERT INTO filas VALUES ('0002', 1234.50, '2019-03-01', NULL), ('0001', -7, NULL, 'uno  '),"
                    "('0003', 0, '2020-02-29', '');");
    const std::string sql = "SELECT codigo, monto, desde, nota FROM filas ORDER BY codigo";
    auto all = conn->query(sql);
    auto rows = conn->stream(sql);
    EXPECT_EQ(rows->FieldCount(), 4);
    EXPECT_EQ(rows->FieldIndex("MONTO"), 1);
    EXPECT_EQ(rows->FieldIndex("otra"), -1);
    int n = 0;
    for (; rows->next(); all->MoveNext(), ++n) {
        ASSERT_FALSE(all->Eof());
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(rows->value(i), all->Fields(i)) << n << " " << i;
            EXPECT_EQ(rows->text(i), all->Fields(i).text());
            EXPECT_EQ(rows->number(i), all->Fields(i).number());
            EXPECT_EQ(rows->date(i), all->Fields(i).date());
        }
    }
    EXPECT_EQ(n, 3);
    EXPECT_TRUE(all->Eof());
    EXPECT_FALSE(rows->next());
    rows.reset();

    // A stream left half-read gives the connection back whole.
    rows = conn->stream(sql);
    ASSERT_TRUE(rows->next());
    EXPECT_EQ(rows->text(0), "0001");
    rows->close();
    EXPECT_EQ(conn->query("SELECT COUNT(*) FROM filas")->Fields(0).number(), 3);
    rows = conn->stream(sql);
    ASSERT_TRUE(rows->next());
    rows.reset();
    EXPECT_EQ(conn->query("SELECT 7")->Fields(0).number(), 7);

    EXPECT_THROW(conn->stream("SELECT * FROM no_hay"), DbError);
    EXPECT_FALSE(conn->errors().empty());
    EXPECT_EQ(conn->query("SELECT 8")->Fields(0).number(), 8);
}

// Numbers of every shape the server sends, and texts read into strings kept from
// an earlier row, come out of a stream as the fetched recordset gives them.
TEST_F(QueryTest, StreamedNumbersAndReusedTextsReadAsTheRecordsetReadsThem) {
    company->runSql(
        "CREATE TABLE cifras (n INT, monto DECIMAL(14,2), tasa DECIMAL(20,6), doble DOUBLE, grande BIGINT, texto VARCHAR(40));"
        "INSERT INTO cifras VALUES (1, 0.07, 0.000001, 0.1 + 0.2, 9007199254740993, 'NOMBRE LARGO DE UN TRABAJADOR'),"
        "(2, -0.01, -12345678901234.5, 1e20, -42, NULL), (3, 123456789012.34, 7, -2.5e-7, 0, ''),"
        "(4, 0, 99999999999999.999999, 1234567.125, 123456789012345, 'dos'), (5, NULL, NULL, NULL, NULL, 'uno');");
    const std::string sql = "SELECT n, monto, tasa, doble, grande, texto FROM cifras ORDER BY n";
    auto all = conn->query(sql);
    auto rows = conn->stream(sql);
    std::string kept = "un texto anterior, más largo que los de las filas";
    int n = 0;
    for (; rows->next(); all->MoveNext(), ++n) {
        ASSERT_FALSE(all->Eof());
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(rows->number(i), all->Fields(i).number()) << n << " " << i;
            rows->text(i, kept);
            EXPECT_EQ(kept, all->Fields(i).text()) << n << " " << i;
        }
    }
    EXPECT_EQ(n, 5);
}
