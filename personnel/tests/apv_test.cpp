// A worker's savings plans of the month on the private server: what is loaded, the
// start values of the dialog, create, change and delete, and the count of the save checks.
#include <gtest/gtest.h>

#include "core/ui_port.h"
#include "data/recordset.h"
#include "personnel/apv.h"
#include "personnel/tests/apv_fixture.h"

using namespace remu;

namespace {

class ApvTest : public ::testing::Test {
protected:
    void SetUp() override { db.bind(s); }

    apvtest::ApvCompany db;
    Session s;
    RecordingPort ui;
};

}  // namespace

TEST(ApvPlan, AcceptsAnInstitutionWithAnAmountOrAFormula) {
    ApvPlan p;
    EXPECT_EQ(p.code, "   ");
    EXPECT_EQ(p.formula, std::string(100, ' '));
    EXPECT_TRUE(p.taxable);
    EXPECT_FALSE(p.off);
    p.code = "005";
    EXPECT_FALSE(p.canAccept());  // neither amount nor formula
    p.formula = "VALOR*VALOUF" + std::string(88, ' ');
    EXPECT_TRUE(p.canAccept());  // amount 0 with a formula
    p.formula = std::string(100, ' ');
    p.amount = 1;
    EXPECT_TRUE(p.canAccept());
    p.code = "   ";
    EXPECT_FALSE(p.canAccept());
}

TEST_F(ApvTest, LoadsTheWorkersPlansOfTheMonthOnly) {
    ApvPlans plans(s);
    ASSERT_TRUE(plans.load(s.period, "0001", ui));
    EXPECT_EQ(plans.count(), 2);
    auto first = plans.current();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->code, "005");
    EXPECT_EQ(first->name, "AFP Habitat");
    EXPECT_EQ(first->amount, 50000);
    EXPECT_TRUE(first->taxable);

    // The dialog's start values: a change takes the row, padded as the fields hold them.
    plans.rows()->MoveNext();
    ApvPlan change = plans.begin(false);
    EXPECT_EQ(change.code, "101");
    EXPECT_EQ(change.formula, "VALOR*VALOUF" + std::string(88, ' '));
    EXPECT_FALSE(change.taxable);
    ApvPlan fresh = plans.begin(true);
    EXPECT_EQ(fresh.code, "   ");
    EXPECT_EQ(fresh.name, "  ");

    EXPECT_EQ(apvPlanCount(*s.OCON, s.period, "0001"), 2);
    EXPECT_EQ(apvPlanCount(*s.OCON, s.period, "0002"), 0);
    EXPECT_EQ(apvPlanCount(*s.OCON, Period::of(2019, 7), "0001"), 1);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ApvTest, CreateChangeAndDeleteGoToTheServerAtOnce) {
    ApvPlans plans(s);
    ASSERT_TRUE(plans.load(s.period, "0002", ui));
    EXPECT_EQ(plans.count(), 0);
    EXPECT_FALSE(plans.current());

    // Create: the worker's name comes from his row when nobody gave it.
    ApvPlan p = plans.begin(true);
    p.code = "202";
    p.name = "Compañía de Seguros O'Higgins";
    p.formula = "SUELDO/30*DIATRA" + std::string(84, ' ');
    p.off = true;
    ASSERT_TRUE(plans.store(p, true, ui)) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(db.stored("08", "0002"),
              std::vector<std::string>{"202|Compañía de Seguros O'Higgins|0|SUELDO/30*DIATRA|1|1|ANA ROJAS DIAZ"});
    EXPECT_EQ(plans.rows()->AbsolutePosition(), 1);

    plans.setWorkerName("ANA MARÍA ROJAS DÍAZ  ");
    p = plans.begin(true);
    p.code = "005";
    p.name = "AFP Habitat";
    p.amount = 25000.5;
    p.taxable = false;
    ASSERT_TRUE(plans.store(p, true, ui));
    EXPECT_EQ(plans.count(), 2);
    EXPECT_EQ(plans.rows()->AbsolutePosition(), 1);  // back on the first plan

    // Change the second one.
    plans.rows()->MoveLast();
    p = plans.begin(false);
    EXPECT_EQ(p.code, "005");
    p.amount = 0;
    p.formula = "VALOR*VALOUF";
    ASSERT_TRUE(plans.store(p, false, ui));
    auto rows = db.stored("08", "0002");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], "005|AFP Habitat|0|VALOR*VALOUF|0|0|ANA MARÍA ROJAS DÍAZ");

    // Neither amount nor formula: not stored.
    p.formula = std::string(100, ' ');
    EXPECT_FALSE(plans.store(p, false, ui));

    // Delete: the question names the institution; "no" keeps it.
    plans.rows()->MoveLast();
    ui.answerNext(false);
    EXPECT_FALSE(plans.remove(ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"YesNo|Elimina|Esta Seguro de Eliminar AFP Habitat"});
    EXPECT_TRUE(plans.remove(ui));
    EXPECT_EQ(plans.count(), 1);
    EXPECT_EQ(plans.current()->code, "202");  // past the end: the previous one
    EXPECT_TRUE(plans.remove(ui));
    EXPECT_EQ(plans.count(), 0);
    EXPECT_FALSE(plans.current());
    EXPECT_TRUE(db.stored("08", "0002").empty());
    // Other months and workers untouched.
    EXPECT_EQ(db.stored("07", "0001").size(), 1u);
    EXPECT_EQ(db.stored("08", "0001").size(), 2u);
}

TEST_F(ApvTest, APlanDeletedBySomeoneElseIsToldAndNothingIsWritten) {
    ApvPlans plans(s);
    ASSERT_TRUE(plans.load(s.period, "0001", ui));
    db.company().runSql("DELETE FROM 2019_apv WHERE codigo_inst_apv = '005'");
    ApvPlan p = plans.begin(false);
    p.amount = 60000;
    EXPECT_FALSE(plans.store(p, false, ui));
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes.back().kind, BoxKind::Stop);
    EXPECT_EQ(db.stored("08", "0001"), std::vector<std::string>{"101|Banco Estado APV|1.5|VALOR*VALOUF|0|0|JUAN PEREZ SOTO"});
    // The row set still shows what it had read, unchanged.
    EXPECT_EQ(plans.current()->amount, 50000);
}
