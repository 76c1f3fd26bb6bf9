#include <gtest/gtest.h>

#include "data/connection.h"
#include "tests/support/test_db.h"

using namespace remu;

namespace {

class RecordsetTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = std::make_unique<testdb::ScratchDatabase>("rs_");
        db->runSql(
            "CREATE TABLE worker (codigo CHAR(4) NOT NULL PRIMARY KEY, nombre VARCHAR(30), sueldo DECIMAL(12,2),"
            " ingreso DATE, nota VARCHAR(10));"
            "INSERT INTO worker VALUES ('0001','PEREZ JUAN',500000.50,'2019-03-01','a  '),"
            " ('0002','SOTO ANA',350000,'2018-12-31',NULL),"
            " ('0003','O''HIGGINS BERNARDO',1200000,NULL,''),"
            " ('0004','ROJAS LUIS',410000,'0000-00-00',' x');"
            "CREATE TABLE log (quien VARCHAR(20), cuanto INT);"
            "INSERT INTO log VALUES ('A',1),('A',1),('B',2),('C',1);");
        conn = db->connect();
    }
    std::unique_ptr<testdb::ScratchDatabase> db;
    std::shared_ptr<Connection> conn;
};

TEST_F(RecordsetTest, NavigatesBothEndsWithPositionsAndCount) {
    auto rs = conn->query("SELECT * FROM worker ORDER BY codigo");
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_FALSE(rs->Bof());
    EXPECT_EQ(rs->AbsolutePosition(), 1);
    EXPECT_EQ(rs->Fields("CODIGO").text(), "0001");
    rs->MovePrevious();
    EXPECT_TRUE(rs->Bof());
    EXPECT_FALSE(rs->Eof());
    EXPECT_EQ(rs->AbsolutePosition(), 0);
    rs->MoveNext();
    EXPECT_EQ(rs->Fields(0).text(), "0001");
    rs->MoveLast();
    EXPECT_EQ(rs->AbsolutePosition(), 4);
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->Fields("nombre").text(), "");  // past the end reads empty
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    rs->MovePrevious();
    EXPECT_EQ(rs->Fields("codigo").text(), "0004");
    // Move(n) past either end lands on EOF/BOF.
    rs->MoveFirst();
    rs->Move(2);
    EXPECT_EQ(rs->AbsolutePosition(), 3);
    rs->Move(5);
    EXPECT_TRUE(rs->Eof());
    rs->MoveLast();
    rs->Move(-10);
    EXPECT_TRUE(rs->Bof());
    EXPECT_THROW(rs->Fields("nope"), std::out_of_range);

    auto empty = conn->query("SELECT * FROM worker WHERE codigo = 'zzzz'");
    EXPECT_TRUE(empty->Eof());
    EXPECT_TRUE(empty->Bof());
    EXPECT_EQ(empty->RecordCount(), 0);
    empty->MoveLast();
    EXPECT_TRUE(empty->Eof());
}

TEST_F(RecordsetTest, ReadsServerTypesBlanksNullAndDates) {
    auto rs = conn->query("SELECT codigo, nombre, sueldo, ingreso, nota FROM worker ORDER BY codigo");
    EXPECT_EQ(rs->Fields("sueldo").type(), Value::Type::Number);
    EXPECT_DOUBLE_EQ(rs->Fields("sueldo").number(), 500000.50);
    EXPECT_EQ(rs->Fields("ingreso").date(), (Date{2019, 3, 1}));
    EXPECT_EQ(rs->Fields("ingreso").text(), "01/03/2019");
    EXPECT_EQ(rs->Fields("nota").text(), "a  ");
    rs->MoveNext();
    EXPECT_TRUE(rs->Fields("nota").isNull());
    rs->MoveNext();
    EXPECT_TRUE(rs->Fields("ingreso").isNull());
    EXPECT_EQ(rs->Fields("nota").text(), "");
    EXPECT_FALSE(rs->Fields("nota").isNull());
    rs->MoveNext();
    EXPECT_TRUE(rs->Fields("ingreso").isNull());  // the zero date
    EXPECT_EQ(rs->Fields("nota").text(), " x");

    // CHAR columns keep their full width.
    db->runSql("CREATE TABLE fixed (c CHAR(6)); INSERT INTO fixed VALUES ('AB'), ('');");
    auto f = conn->query("SELECT c FROM fixed");
    EXPECT_EQ(f->Fields("c").text(), "AB    ");
    f->MoveNext();
    EXPECT_EQ(f->Fields("c").text(), "      ");
}

TEST_F(RecordsetTest, FilterSortFindAndBookmarks) {
    auto rs = conn->query("SELECT * FROM worker ORDER BY codigo");
    rs->MoveNext();
    auto mark = rs->GetBookmark();

    rs->Filter("codigo LIKE '*higgins*'  OR nombre LIKE '*o*' ");
    EXPECT_EQ(rs->RecordCount(), 3);  // SOTO, O'HIGGINS, ROJAS; filter is case-insensitive
    EXPECT_EQ(rs->Fields("codigo").text(), "0002");
    rs->Filter("nombre LIKE '*O'HIGGINS*'");  // a quote inside the searched text
    EXPECT_EQ(rs->RecordCount(), 1);
    // Only '*' and '%' are wildcards: '_' and '?' are searched as they are.
    rs->Filter("nombre LIKE '*_*' OR codigo LIKE '000?'");
    EXPECT_EQ(rs->RecordCount(), 0);
    rs->Filter("nombre LIKE '*ZZZ*'");
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_TRUE(rs->Eof());
    EXPECT_TRUE(rs->Bof());
    EXPECT_THROW(rs->SetBookmark(mark), DbError);
    rs->Filter("");
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(rs->AbsolutePosition(), 1);

    rs->SetBookmark(mark);
    EXPECT_EQ(rs->Fields("codigo").text(), "0002");

    rs->Sort("sueldo DESC");
    EXPECT_EQ(rs->Fields("codigo").text(), "0003");
    rs->MoveLast();
    EXPECT_EQ(rs->Fields("codigo").text(), "0002");
    rs->Sort("nombre");
    EXPECT_EQ(rs->Fields("nombre").text(), "O'HIGGINS BERNARDO");
    rs->SetBookmark(mark);  // bookmarks survive a sort
    EXPECT_EQ(rs->Fields("codigo").text(), "0002");
    rs->Sort("");

    rs->MoveFirst();
    rs->Find("nombre LIKE '%LUIS%'");
    EXPECT_EQ(rs->Fields("codigo").text(), "0004");
    rs->Find("codigo = '0001'");  // forward only
    EXPECT_TRUE(rs->Eof());
    rs->MoveFirst();
    rs->Find("codigo = '0001'");  // the current row counts
    EXPECT_EQ(rs->AbsolutePosition(), 1);
    rs->Find("nombre LIKE '%?%'");
    EXPECT_TRUE(rs->Eof());
    EXPECT_THROW(rs->Find("missing = 'x'"), DbError);
}

TEST_F(RecordsetTest, WritesThroughAddUpdateDeleteByKey) {
    auto rs = conn->query("SELECT * FROM worker ORDER BY codigo");
    rs->SetField("nombre", Value("PÉREZ JUAN"));
    rs->SetField("sueldo", Value(600000.0));
    rs->Update();
    auto check = conn->query("SELECT nombre, sueldo FROM worker WHERE codigo = '0001'");
    EXPECT_EQ(check->Fields("nombre").text(), "PÉREZ JUAN");
    EXPECT_DOUBLE_EQ(check->Fields("sueldo").number(), 600000);

    rs->AddNew();
    rs->SetField("codigo", Value("0009"));
    rs->SetField("nombre", Value("NUEVO"));
    rs->SetField("ingreso", Value(Date{2020, 2, 29}));
    rs->Update();
    check = conn->query("SELECT * FROM worker WHERE codigo = '0009'");
    ASSERT_EQ(check->RecordCount(), 1);
    EXPECT_EQ(check->Fields("ingreso").date(), (Date{2020, 2, 29}));
    EXPECT_EQ(rs->RecordCount(), 5);

    // Pending changes are stored when the cursor moves on.
    rs->MoveFirst();
    rs->SetField("nota", Value("movido"));
    rs->MoveNext();
    EXPECT_EQ(conn->query("SELECT nota FROM worker WHERE codigo = '0001'")->Fields(0).text(), "movido");

    // Delete leaves the cursor between rows: MoveNext goes to the one after.
    rs->Delete();  // 0002
    rs->MoveNext();
    EXPECT_EQ(rs->Fields("codigo").text(), "0003");
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(conn->query("SELECT * FROM worker WHERE codigo = '0002'")->RecordCount(), 0);

    // Another connection changes a row in between: the write is a conflict, not a success.
    auto other = db->connect();
    other->execute("UPDATE worker SET sueldo = 1 WHERE codigo = '0003'");
    rs->SetField("sueldo", Value(2.0));
    EXPECT_THROW(rs->Update(), DbError);
    EXPECT_FALSE(conn->errors().empty());
    EXPECT_EQ(other->query("SELECT sueldo FROM worker WHERE codigo = '0003'")->Fields(0).number(), 1);
    // Nothing is dropped silently: moving on retries the pending change, and fails again.
    EXPECT_THROW(rs->MoveNext(), DbError);
    rs->CancelUpdate();
    EXPECT_DOUBLE_EQ(rs->Fields("sueldo").number(), 1200000);
    rs->MoveNext();
    EXPECT_EQ(rs->Fields("codigo").text(), "0004");
    rs->AddNew();
    rs->SetField("codigo", Value("0010"));
    rs->CancelUpdate();
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(conn->query("SELECT * FROM worker WHERE codigo = '0010'")->RecordCount(), 0);
}

TEST_F(RecordsetTest, WritesThroughWithoutKeyOneRowAtATime) {
    auto rs = conn->query("SELECT * FROM log ORDER BY quien");
    rs->MoveLast();  // C: the row is found by all its values, not only the changed one
    rs->SetField("cuanto", Value(7));
    rs->Update();
    EXPECT_EQ(conn->query("SELECT cuanto FROM log WHERE quien = 'C'")->Fields(0).number(), 7);
    EXPECT_EQ(conn->query("SELECT * FROM log WHERE cuanto = 1")->RecordCount(), 2);
    rs->MoveFirst();
    rs->SetField("cuanto", Value(5));
    rs->Update();
    auto check = conn->query("SELECT cuanto FROM log WHERE quien = 'A' ORDER BY cuanto");
    EXPECT_EQ(check->Fields(0).number(), 1);
    check->MoveNext();
    EXPECT_EQ(check->Fields(0).number(), 5);

    rs->MoveNext();  // the other A, still 1
    rs->Delete();
    EXPECT_EQ(conn->query("SELECT * FROM log")->RecordCount(), 3);

    rs->MoveNext();  // B
    auto other = db->connect();
    other->execute("DELETE FROM log WHERE quien = 'B'");
    EXPECT_THROW(rs->Delete(), DbError);
    rs->SetField("cuanto", Value(9));
    EXPECT_THROW(rs->Update(), DbError);

    // A join has no single table to write to.
    auto join = conn->query("SELECT w.codigo, l.quien FROM worker w JOIN log l ON 1=1");
    join->SetField("quien", Value("X"));
    EXPECT_THROW(join->Update(), DbError);
}

}  // namespace
