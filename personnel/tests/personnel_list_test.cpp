#include <gtest/gtest.h>

#include "data/connection.h"
#include "data/recordset.h"
#include "personnel/personnel_list.h"
#include "personnel/tests/list_fixture.h"

using namespace remu;
using remu::list_test::ListDb;

namespace {

class PersonnelListTest : public ListDb {
protected:
    std::string codes(Recordset& rs) {
        std::string out;
        const bool onRow = !rs.Eof() && !rs.Bof();
        const Recordset::Bookmark at = onRow ? rs.GetBookmark() : 0;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) out += (out.empty() ? "" : " ") + rs.Fields("codigo_per").text();
        if (onRow) rs.SetBookmark(at);
        return out;
    }
    std::string current(Recordset& rs) { return rs.Eof() || rs.Bof() ? "-" : rs.Fields("codigo_per").text(); }
    LookupGridHooks noGrid() { return {}; }
};

TEST_F(PersonnelListTest, OpensOnTheHighestMonthWithItsValues) {
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(s.TAB_MESES, (std::vector<std::string>{" 01- ENERO", " 02- FEBRERO", " 03- MARZO"}));
    EXPECT_EQ(s.N_MES, 3);
    EXPECT_EQ(s.MES_PUBLICO, "03");
    EXPECT_EQ(s.period, Period::of(2019, 3));
    EXPECT_DOUBLE_EQ(s.VALOUF, 27565.76);
    EXPECT_DOUBLE_EQ(s.VALUTM, 48353);
    EXPECT_DOUBLE_EQ(s.TOPIMP, 79.2);
    EXPECT_DOUBLE_EQ(s.INGMIN, 288000);
    EXPECT_DOUBLE_EQ(s.VALUSD, 667.5);
    EXPECT_DOUBLE_EQ(s.VALEURO, 755.25);
    EXPECT_EQ(s.CFERIADOS_MES, "29");
    EXPECT_EQ(list.ors().RecordCount(), 3);
    EXPECT_EQ(current(list.ors()), "0001");
    ASSERT_TRUE(s.OCON);
    list.close();
    EXPECT_FALSE(s.OCON);
}

TEST_F(PersonnelListTest, FixedMonthIsChosenAndOneNotOpenKeepsTheIndex) {
    s.MES_FIJO = "02";
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    EXPECT_EQ(s.N_MES, 2);
    EXPECT_EQ(s.period, Period::of(2019, 2));
    EXPECT_EQ(codes(list.ors()), "0001 0002");

    s.MES_FIJO = "07";
    s.N_MES = 1;
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    EXPECT_EQ(s.N_MES, 1);
    EXPECT_EQ(list.ors().RecordCount(), 0);
    EXPECT_DOUBLE_EQ(s.VALOUF, 0);  // no parameters for January: the values stay 0
    EXPECT_EQ(s.CFERIADOS_MES, std::string(20, ' '));
}

TEST_F(PersonnelListTest, YearWithoutOpenMonthOpensNothing) {
    s.ANO_FIJO = "2018";  // the company has no 2018_meses
    PersonnelList list(s, ui);
    EXPECT_EQ(list.open(), PersonnelList::Opening::Nothing);
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_FALSE(s.OCON);
}

TEST_F(PersonnelListTest, MonthSwitchKeepsDollarEuroAndHolidaysOfTheOpening) {
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    ASSERT_EQ(list.FILTRA_PERSONA("ZUÑIGA", noGrid()), FilterResult::Applied);
    EXPECT_EQ(list.ors().RecordCount(), 1);

    s.N_MES = 2;
    ASSERT_TRUE(list.CAMBIA_PERIODO_MES());
    EXPECT_EQ(s.period, Period::of(2019, 2));
    EXPECT_EQ(codes(list.ors()), "0001 0002");  // the filter went with the old rows
    EXPECT_EQ(current(list.ors()), "0001");
    EXPECT_DOUBLE_EQ(s.VALOUF, 27546.01);
    EXPECT_DOUBLE_EQ(s.VALUTM, 48305);
    EXPECT_DOUBLE_EQ(s.TOPIMP, 79.1);
    EXPECT_DOUBLE_EQ(s.INGMIN, 287000);
    EXPECT_DOUBLE_EQ(s.VALUSD, 667.5);
    EXPECT_DOUBLE_EQ(s.VALEURO, 755.25);
    EXPECT_EQ(s.CFERIADOS_MES, "29");

    // January has no parameters: the values stay those of February.
    s.N_MES = 1;
    ASSERT_TRUE(list.CAMBIA_PERIODO_MES());
    EXPECT_EQ(list.ors().RecordCount(), 0);
    EXPECT_DOUBLE_EQ(s.VALOUF, 27546.01);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PersonnelListTest, SearchByNameCodeOrPartOfARut) {
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    int tops = 0, refreshes = 0;
    LookupGridHooks grid{[&] {
                             ++tops;
                             list.ors().MoveFirst();
                         },
                         [&] { ++refreshes; }};

    // The RUT's digits without the check digit, and without the zero fill.
    EXPECT_EQ(list.FILTRA_PERSONA("24941365", grid), FilterResult::Applied);
    EXPECT_EQ(codes(list.ors()), "0002");
    EXPECT_EQ(list.FILTRA_PERSONA("4384983-k", grid), FilterResult::Applied);  // the case of the K does not matter
    EXPECT_EQ(codes(list.ors()), "0003");
    EXPECT_EQ(list.FILTRA_PERSONA("  0001 ", grid), FilterResult::Applied);
    EXPECT_EQ(codes(list.ors()), "0001");
    EXPECT_EQ(list.FILTRA_PERSONA("o'higgins", grid), FilterResult::Applied);  // a quote stays part of the text
    EXPECT_EQ(codes(list.ors()), "0002");
    EXPECT_EQ(list.FILTRA_PERSONA("soto", grid), FilterResult::Applied);
    EXPECT_EQ(current(list.ors()), "0001");
    EXPECT_TRUE(ui.boxes.empty());

    EXPECT_EQ(list.FILTRA_PERSONA("NADIE", grid), FilterResult::NotFound);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Atención|Filtro no encontrado"});
    EXPECT_EQ(list.ors().RecordCount(), 3);

    EXPECT_EQ(list.FILTRA_PERSONA("ana", grid), FilterResult::Applied);
    EXPECT_EQ(list.FILTRA_PERSONA("   ", grid), FilterResult::Removed);
    EXPECT_EQ(list.ors().RecordCount(), 3);
    EXPECT_EQ(tops, 8);  // every search puts the grid on its top and redraws it
    EXPECT_EQ(refreshes, 8);
}

TEST_F(PersonnelListTest, DeleteAsksAndLeavesTheNextOrPreviousRowCurrent) {
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    Recordset& ors = list.ors();

    // "No": nothing goes.
    ui.answerNext(false);
    EXPECT_FALSE(list.ELIMINA_PERSON());
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"YesNo|Elimina|Esta Seguro de Eliminar trabajador PEREZ SOTO JOSE"});
    EXPECT_EQ(codesOnServer("03"), "0001 0002 0003");

    // A middle row: the next one becomes current.
    ors.MoveNext();
    ASSERT_TRUE(list.ELIMINA_PERSON());
    EXPECT_EQ(current(ors), "0003");
    EXPECT_EQ(codesOnServer("03"), "0001 0003");
    EXPECT_EQ(codesOnServer("02"), "0001 0002");  // other months untouched

    // The last row: the previous one becomes current.
    ASSERT_TRUE(list.ELIMINA_PERSON());
    EXPECT_EQ(current(ors), "0001");
    EXPECT_EQ(ors.RecordCount(), 1);

    // The only row: an empty list.
    ASSERT_TRUE(list.ELIMINA_PERSON());
    EXPECT_EQ(ors.RecordCount(), 0);
    EXPECT_EQ(codesOnServer("03"), "");

    // No current row: nothing asked, nothing done.
    ui.clear();
    EXPECT_FALSE(list.ELIMINA_PERSON());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PersonnelListTest, DeleteOfARowAlreadyGoneIsReportedAndKept) {
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    company_->runSql("DELETE FROM 2019_personal WHERE mes_per = '03' AND codigo_per = '0001'");
    ASSERT_FALSE(list.ELIMINA_PERSON());
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].kind, BoxKind::Stop);
    EXPECT_EQ(list.ors().RecordCount(), 3);
    EXPECT_EQ(current(list.ors()), "0001");
}

TEST_F(PersonnelListTest, WorkerSessionGetsOnlyHisRowOfTheOpenYear) {
    s.administration = false;
    s.CRUT_CONEXION_TRABAJADOR = "024941365-8";
    s.ANO_FIJO = "2018";  // ignored for a worker
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::OwnRow);
    EXPECT_EQ(s.ANO_FIJO, " ");
    EXPECT_EQ(s.period, Period::of(2019, 3));
    EXPECT_EQ(codes(list.ors()), "0002");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PersonnelListTest, WorkerWithoutARowInTheMonthIsToldSo) {
    s.administration = false;
    s.CRUT_CONEXION_TRABAJADOR = "014384983-K";
    s.MES_FIJO = "02";  // he has no row in February
    PersonnelList list(s, ui);
    EXPECT_EQ(list.open(), PersonnelList::Opening::Nothing);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Atención|" + noOwnRowText(Period::of(2019, 2))});
    EXPECT_FALSE(list.isOpen());
    EXPECT_FALSE(s.OCON);
}

TEST_F(PersonnelListTest, RefusedConnectionOpensNothing) {
    s.CPASSWORD = "no-es-la-clave";
    s.CUSER = "nadie_aqui";
    PersonnelList list(s, ui);
    EXPECT_EQ(list.open(), PersonnelList::Opening::Nothing);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|NO SE CONECTO"});
}

}  // namespace
