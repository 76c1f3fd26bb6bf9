// The AFP page's APV group and the plan dialog over a company on the private server:
// the buttons for an administrator and for a worker, a plan created, changed and deleted
// through the dialog, the formula check and the variables help.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "core/ui_port.h"
#include "data/recordset.h"
#include "payroll/formula_help_dialog.h"
#include "personnel/apv.h"
#include "personnel/apv_group.h"
#include "personnel/apv_plan_dialog.h"
#include "personnel/tests/apv_fixture.h"
#include "widgets/lookup_field.h"
#include "widgets/twbrowse.h"

using namespace remu;

namespace {

class ApvGroupTest : public ::testing::Test {
protected:
    void SetUp() override { db.bind(s); }
    void TearDown() override { setFormulaHelpObserver({}); }

    std::unique_ptr<ApvGroup> open(const std::string& code = "0001") {
        auto g = std::make_unique<ApvGroup>(s, ui);
        g->resize(640, 220);
        g->setWorkerName([] { return std::string("JUAN PEREZ SOTO"); });
        EXPECT_TRUE(g->load(s.period, code));
        return g;
    }
    bool enabled(ApvGroup& g, const char* id) { return g.findChild<QToolButton*>(id)->isEnabled(); }
    // Runs the plan dialog shown and active, so that keys move the focus as they do for a user.
    void drive(ApvGroup& g, std::function<void(ApvPlanDialog&)> steps) {
        g.setDialogRunner([this, steps](QDialog& dlg) {
            auto& d = static_cast<ApvPlanDialog&>(dlg);
            captions.push_back(d.windowTitle().toStdString());
            d.show();
            d.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
            steps(d);
        });
    }
    static void typeInto(TGET* field, const char* text) {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }

    apvtest::ApvCompany db;
    Session s;
    RecordingPort ui;
    std::vector<std::string> captions;
};

}  // namespace

TEST_F(ApvGroupTest, AnAdministratorCreatesAPlanThroughTheDialog) {
    auto g = open();
    EXPECT_EQ(g->grid()->objectName(), "155");
    EXPECT_EQ(g->plans().count(), 2);
    for (const char* id : {"108", "109", "110"}) EXPECT_TRUE(enabled(*g, id)) << id;

    drive(*g, [this](ApvPlanDialog& d) {
        EXPECT_FALSE(d.acceptButton()->isEnabled());
        EXPECT_TRUE(d.taxableBox()->isChecked());
        typeInto(d.institutionField(), "003");
        QTest::keyClick(d.institutionField(), Qt::Key_Tab);
        settle();
        EXPECT_EQ(d.institutionName()->text(), "AFP Cuprum");
        EXPECT_FALSE(d.acceptButton()->isEnabled());  // neither amount nor formula yet
        typeInto(d.formulaField(), "valor*valouf");
        EXPECT_TRUE(d.acceptButton()->isEnabled());
        d.offBox()->setChecked(true);
        d.acceptButton()->click();
        EXPECT_TRUE(d.stored()) << ::testing::PrintToString(ui.lines());
    });
    g->findChild<QToolButton*>("108")->click();
    EXPECT_EQ(captions, std::vector<std::string>{"Creando"});
    EXPECT_EQ(g->plans().count(), 3);
    EXPECT_EQ(g->plans().rows()->AbsolutePosition(), 1);
    EXPECT_EQ(db.stored("08", "0001").back(), "003|AFP Cuprum|0|VALOR*VALOUF|1|1|JUAN PEREZ SOTO");
    EXPECT_TRUE(g->grid()->hasFocus() || !QApplication::focusWidget());
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());
}

TEST_F(ApvGroupTest, TheFormulaIsCheckedOnLeavingAndOnAccepting) {
    auto g = open();
    drive(*g, [this](ApvPlanDialog& d) {
        EXPECT_EQ(d.institutionField()->text(), "005");
        EXPECT_EQ(d.institutionName()->text(), "AFP Habitat");
        typeInto(d.formulaField(), "SUELDO > 1");
        QTest::keyClick(d.formulaField(), Qt::Key_Tab);
        settle();
        EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|ATENCION|ERROR EN LA FORMULA"});
        EXPECT_TRUE(d.formulaField()->hasFocus());

        // Pressing accept with the formula still in the field checks it too.
        ui.clear();
        typeInto(d.formulaField(), "SUELDO*(1");
        d.acceptButton()->click();
        EXPECT_FALSE(d.stored());
        EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|ATENCION|ERROR EN LA FORMULA"});
        EXPECT_TRUE(d.isVisible());

        ui.clear();
        typeInto(d.formulaField(), "sueldo/30*diatra");
        QTest::keyClick(d.formulaField(), Qt::Key_Tab);
        settle();
        EXPECT_TRUE(ui.boxes.empty());
        d.acceptButton()->click();
        EXPECT_TRUE(d.stored());
    });
    // Double-click on the first plan.
    auto* grid = g->grid();
    g->show();
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(20, grid->headerHeight() + grid->lineHeight() / 2));
    EXPECT_EQ(captions, std::vector<std::string>{"modificando"});
    EXPECT_EQ(db.stored("08", "0001").front(), "005|AFP Habitat|50000|SUELDO/30*DIATRA|1|0|JUAN PEREZ SOTO");
}

TEST_F(ApvGroupTest, AnInstitutionTypedButNeverCheckedIsCheckedOnAccepting) {
    auto g = open();
    drive(*g, [this](ApvPlanDialog& d) {
        typeInto(d.institutionField(), "999");
        d.acceptButton()->click();  // the field was never left
        EXPECT_FALSE(d.stored());
        EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|registro no encontrado|No existe Codigo institucion APV"});
        EXPECT_EQ(d.plan().name, std::string(30, ' '));
        typeInto(d.institutionField(), "101");
        d.acceptButton()->click();
        EXPECT_TRUE(d.stored());
    });
    g->changePlan();
    EXPECT_EQ(db.stored("08", "0001").front(), "101|Banco Estado APV|50000||1|0|JUAN PEREZ SOTO");
}

TEST_F(ApvGroupTest, AWorkerOpensAndStoresHisPlansButCannotCreateOrDelete) {
    s.CRUT_CONEXION_TRABAJADOR = "012345678-5";
    auto g = open();
    for (const char* id : {"108", "109", "110"}) EXPECT_FALSE(enabled(*g, id)) << id;
    bool ran = false;
    g->setDialogRunner([&](QDialog&) { ran = true; });
    g->newPlan();
    g->deletePlan();
    EXPECT_FALSE(ran);
    EXPECT_TRUE(ui.boxes.empty());

    drive(*g, [this](ApvPlanDialog& d) {
        typeInto(d.amountField(), "65000");
        d.acceptButton()->click();
        EXPECT_TRUE(d.stored()) << ::testing::PrintToString(ui.lines());
    });
    g->show();
    g->grid()->setFocus();
    QTest::keyClick(g->grid(), Qt::Key_Return);
    EXPECT_EQ(captions, std::vector<std::string>{"modificando"});
    EXPECT_EQ(db.stored("08", "0001").front(), "005|AFP Habitat|65000||1|0|JUAN PEREZ SOTO");

    // The editor may say so explicitly as well.
    g->setEditable(true);
    EXPECT_TRUE(enabled(*g, "108"));
    g->setEditable(false);
    EXPECT_FALSE(enabled(*g, "108"));
}

TEST_F(ApvGroupTest, DeletingTheOnlyPlanLeavesAnEmptyGrid) {
    auto g = open();
    g->plans().rows()->MoveLast();
    g->deletePlan();
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"YesNo|Elimina|Esta Seguro de Eliminar Banco Estado APV"});
    g->deletePlan();
    EXPECT_EQ(g->plans().count(), 0);
    EXPECT_FALSE(enabled(*g, "109"));
    EXPECT_FALSE(enabled(*g, "110"));
    EXPECT_TRUE(enabled(*g, "108"));
    EXPECT_TRUE(db.stored("08", "0001").empty());
    EXPECT_EQ(db.stored("07", "0001").size(), 1u);
    // Enter on the empty grid opens nothing.
    bool ran = false;
    g->setDialogRunner([&](QDialog&) { ran = true; });
    QTest::keyClick(g->grid(), Qt::Key_Return);
    EXPECT_FALSE(ran);
}

TEST_F(ApvGroupTest, F12AndTheMagnifierShowTheVariablesAndReturnToTheFormula) {
    int shown = 0;
    setFormulaHelpObserver([&](FormulaHelpDialog& help) {
        ++shown;
        QTimer::singleShot(0, &help, [&help] { help.findChild<QPushButton*>("380")->click(); });
    });
    auto g = open();
    drive(*g, [&](ApvPlanDialog& d) {
        typeInto(d.formulaField(), "VALOR*");
        QTest::keyClick(d.formulaField(), Qt::Key_F12);
        settle();
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(d.focusWidget(), d.formulaField());  // once the dialog is active again
        EXPECT_EQ(d.formulaField()->text().trimmed(), "VALOR*");  // nothing typed is lost
        d.findChild<QToolButton*>("354")->click();
        settle();
        EXPECT_EQ(shown, 2);
        EXPECT_EQ(d.focusWidget(), d.formulaField());
        EXPECT_TRUE(ui.boxes.empty());
        d.reject();
    });
    g->changePlan();
}

TEST(FormulaHelp, ListsTheVariablesWithTheirExplanations) {
    FormulaHelpDialog help;
    EXPECT_EQ(help.objectName(), "ODLG_VARIABLES");
    EXPECT_EQ(help.windowTitle(), "Variables Para cálculo de Haberes y/o Descuentos");
    auto* box = help.findChild<QGroupBox*>();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title(), "VARIABLES PARA CONSTRUCCION DE CALCULOS DE HABERES Y/O DESCUENTOS");
    QStringList texts;
    for (auto* l : box->findChildren<QLabel*>()) texts << l->text();
    EXPECT_EQ(texts.size(), 22);
    EXPECT_TRUE(texts.contains("DIATRA"));
    EXPECT_TRUE(texts.contains("Dias Trabajados"));
    EXPECT_TRUE(texts.contains("PORAFP"));
    EXPECT_TRUE(texts.contains("Valor UF (Establecida en \"Párametros\")"));
    auto* close = help.findChild<QPushButton*>("380");
    ASSERT_TRUE(close);
    EXPECT_EQ(close->text(), "&Salir");
    help.show();
    close->click();
    EXPECT_FALSE(help.isVisible());
}

// Pictures of the plan dialog and of the help for a person to look at:
// REMU_SCREENSHOT_DIR=DIR apv_group_tests --gtest_filter='*Pictures*'
TEST_F(ApvGroupTest, PicturesOfThePlanDialogAndTheHelp) {
    const QString dir = qEnvironmentVariable("REMU_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "REMU_SCREENSHOT_DIR not set";
    auto g = open();
    g->show();
    g->grab().save(dir + "/apv_group.png");
    g->plans().rows()->MoveLast();
    drive(*g, [&](ApvPlanDialog& d) {
        d.adjustSize();
        settle();
        d.grab().save(dir + "/apv_plan_dialog.png");
        d.reject();
    });
    g->changePlan();
    FormulaHelpDialog help;
    help.show();
    settle();
    help.grab().save(dir + "/formula_help.png");
}
