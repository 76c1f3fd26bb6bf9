#include <gtest/gtest.h>

#include "core/ui_port.h"
#include "data/lookup.h"
#include "tests/support/test_db.h"

using namespace remu;

namespace {

class LookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = std::make_unique<testdb::ScratchDatabase>("lookup_");
        db->runSql(
            "CREATE TABLE bancos (codigo CHAR(3), nombre VARCHAR(40));"
            "INSERT INTO bancos VALUES ('001','BANCO DE CHILE'),('009','INTERNACIONAL'),"
            "('012','BANCO ESTADO'),('014','SCOTIABANK'),('016','BCI'),('028','BICE'),"
            "('037','SANTANDER'),('039','ITAU'),('051','FALABELLA'),('055','O''HIGGINS')");
        conn = db->connect();
        rs = conn->query("SELECT * FROM bancos ORDER BY codigo");
    }
    std::unique_ptr<testdb::ScratchDatabase> db;
    std::shared_ptr<Connection> conn;
    std::unique_ptr<Recordset> rs;
    RecordingPort ui;
    int topCalls = 0, refreshCalls = 0;
    LookupGridHooks hooks{[this] {
                              ++topCalls;
                              rs->MoveFirst();
                          },
                          [this] { ++refreshCalls; }};
};

}  // namespace

TEST_F(LookupTest, FilterMatchesEitherColumnAndNoMatchRestoresAllRows) {
    EXPECT_EQ(FILTRA("  BANCO  ", *rs, hooks, "codigo", "nombre", ui), FilterResult::Applied);
    EXPECT_EQ(rs->RecordCount(), 2);

    // Found only in the description column, case ignored.
    EXPECT_EQ(FILTRA("santan", *rs, hooks, "codigo", "nombre", ui), FilterResult::Applied);
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Fields("codigo").text(), "037");

    // Found in the code column.
    EXPECT_EQ(FILTRA("05", *rs, hooks, "codigo", "nombre", ui), FilterResult::Applied);
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_TRUE(ui.boxes.empty());

    // A quote in the text is part of what is searched.
    EXPECT_EQ(FILTRA("O'HIG", *rs, hooks, "codigo", "nombre", ui), FilterResult::Applied);
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Fields("codigo").text(), "055");

    rs->MoveLast();
    topCalls = 0;
    EXPECT_EQ(FILTRA("XYZ", *rs, hooks, "codigo", "nombre", ui), FilterResult::NotFound);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|atención|Filtro no encontrado"});
    EXPECT_EQ(rs->RecordCount(), 10);
    EXPECT_EQ(topCalls, 1);
    EXPECT_EQ(rs->AbsolutePosition(), 1);

    // Blank text removes the filter without a message.
    ui.clear();
    FILTRA("BICE", *rs, hooks, "codigo", "nombre", ui);
    EXPECT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(FILTRA(std::string(50, ' '), *rs, hooks, "codigo", "nombre", ui), FilterResult::Removed);
    EXPECT_EQ(rs->RecordCount(), 10);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_GE(refreshCalls, 6);
}

TEST_F(LookupTest, SkipperStopsAtTheEnds) {
    rs->MoveFirst();
    rs->Move(8);  // second-last row
    ASSERT_EQ(rs->AbsolutePosition(), 9);
    EXPECT_EQ(SKIPPER(*rs, 5), 1);
    EXPECT_EQ(rs->AbsolutePosition(), 10);
    EXPECT_EQ(SKIPPER(*rs, 1), 0);
    EXPECT_EQ(SKIPPER(*rs, -3), -3);
    EXPECT_EQ(SKIPPER(*rs, -100), -6);
    EXPECT_EQ(rs->AbsolutePosition(), 1);
    EXPECT_EQ(SKIPPER(*rs, -1), 0);

    // Under a filter the moves count filtered rows only.
    FILTRA("BANCO", *rs, hooks, "codigo", "nombre", ui);
    rs->MoveFirst();
    EXPECT_EQ(SKIPPER(*rs, 5), 1);

    auto empty = conn->query("SELECT * FROM bancos WHERE codigo = 'zzz'");
    EXPECT_EQ(SKIPPER(*empty, 3), 0);
}
