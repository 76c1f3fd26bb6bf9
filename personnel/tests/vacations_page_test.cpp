// The VACACIONES page standing alone over a worker's buffer: its figures, grid and
// buttons, the period dialog, the worker's read-only session and the voucher.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "personnel/tests/vacation_fixture.h"
#include "personnel/vacation_period_dialog.h"
#include "personnel/vacations_page.h"
#include "widgets/print_job.h"
#include "widgets/qt_print_job.h"
#include "widgets/tget.h"
#include "widgets/tpreview.h"
#include "widgets/twbrowse.h"

using namespace remu;

namespace {

class VacationsPageTest : public ::testing::Test {
protected:
    void SetUp() override { db.bind(s); }
    void TearDown() override { setPrintJobFactory({}); }

    std::unique_ptr<VacationsPage> open() {
        auto page = std::make_unique<VacationsPage>(buffer, s, ui);
        page->resize(640, 480);
        return page;
    }
    QToolButton* button(QWidget& page, const char* id) { return page.findChild<QToolButton*>(id); }
    QString label(QWidget& page, const char* id) { return page.findChild<QLabel*>(id)->text().trimmed(); }
    // Runs the period dialog by typing into it and pressing its accept button.
    void typeIntoDialog(VacationsPage& page, QString start, QString days, bool* stored = nullptr) {
        page.setDialogRunner([=, this](QDialog& dlg) {
            auto& d = static_cast<VacationPeriodDialog&>(dlg);
            d.startField()->selectAll();
            QTest::keyClicks(d.startField(), start);
            d.daysField()->selectAll();
            QTest::keyClicks(d.daysField(), days);
            captions.push_back(d.windowTitle().toStdString());
            ASSERT_TRUE(d.acceptButton()->isEnabled());
            d.acceptButton()->click();
            if (stored) *stored = d.stored();
        });
    }

    vactest::VacationCompany db;
    Session s;
    VacationBuffer buffer = vactest::VacationCompany::juan();
    RecordingPort ui;
    std::vector<std::string> captions;
};

}  // namespace

TEST_F(VacationsPageTest, ShowsTheWorkerTheFiguresAndThePeriods) {
    auto page = open();
    EXPECT_EQ(page->objectName(), "ODLG_PERSON_EDITAH5");
    EXPECT_EQ(label(*page, "3320"), "0001 JUAN PEREZ SOTO");
    EXPECT_EQ(label(*page, "3301"), "01/03/2017");
    EXPECT_EQ(page->findChild<TGET*>("3100")->text(), "10/05/2000");
    EXPECT_EQ(page->figureText(3302).trimmed(), "3.00");
    EXPECT_EQ(page->figureText(3303).trimmed(), "36.88");
    EXPECT_EQ(page->figureText(3304).trimmed(), "39.88");
    EXPECT_EQ(page->figureText(3305).trimmed(), "25.00");
    EXPECT_EQ(page->figureText(3306).trimmed(), "14.88");
    EXPECT_EQ(page->figureText(3307).trimmed(), "4.20");
    EXPECT_EQ(page->figureText(3310).trimmed(), "35.00");
    EXPECT_EQ(page->figureText(3311).trimmed(), "20.83");
    EXPECT_EQ(page->grid()->objectName(), "3401");
    EXPECT_EQ(page->file().rows()->RecordCount(), 2);
    for (const char* id : {"3206", "3207", "3203", "3204", "3205"}) EXPECT_TRUE(button(*page, id)->isEnabled()) << id;
    EXPECT_EQ(button(*page, "3204")->toolTip(), "Imprime Comprobante");
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());
}

TEST_F(VacationsPageTest, AWorkerWithoutPeriodsSeesHisFiguresAtOnce) {
    buffer.CCODIGO_PER = "0099";
    auto page = open();
    EXPECT_EQ(page->figureText(3303).trimmed(), "36.88");
    EXPECT_EQ(page->figureText(3305).trimmed(), "0.00");
    EXPECT_FALSE(button(*page, "3207")->isEnabled());  // nothing to change
    EXPECT_TRUE(button(*page, "3206")->isEnabled());
}

TEST_F(VacationsPageTest, InAWorkersSessionOnlyTheVoucherButtonWorks) {
    s.CRUT_CONEXION_TRABAJADOR = "12345678-5";
    auto page = open();
    EXPECT_FALSE(page->workingLifeField()->isEnabled());
    for (const char* id : {"3206", "3207", "3203", "3205"}) EXPECT_FALSE(button(*page, id)->isEnabled()) << id;
    EXPECT_TRUE(button(*page, "3204")->isEnabled());
    // Even called directly, the actions that change periods do nothing.
    bool ran = false;
    page->setDialogRunner([&](QDialog&) { ran = true; });
    page->newPeriod();
    page->changePeriod();
    page->deletePeriod();
    EXPECT_FALSE(ran);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(db.stored("0001").size(), 2u);

    std::shared_ptr<RecordingPrintJob> job;
    setPrintJobFactory([&](const PrintJobOptions& o) { return job = std::make_shared<RecordingPrintJob>(o); });
    button(*page, "3204")->click();
    ASSERT_TRUE(job);
    EXPECT_EQ(job->findText(0, "COMPROBANTE DE FERIADO")->rowCm, 3);
}

TEST_F(VacationsPageTest, ANewPeriodThroughTheDialog) {
    auto page = open();
    bool stored = false;
    typeIntoDialog(*page, "19082019", "5", &stored);
    button(*page, "3206")->click();
    EXPECT_TRUE(stored) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(captions, std::vector<std::string>{"Creando"});
    EXPECT_EQ(db.stored("0001").back(), "19/08/2019-23/08/2019:5");
    EXPECT_EQ(page->figureText(3305).trimmed(), "30.00");
    EXPECT_EQ(page->file().rows()->RecordCount(), 3);
    EXPECT_EQ(page->file().rows()->AbsolutePosition(), 1);
    // The next new period is proposed after it.
    EXPECT_EQ(page->file().DFEC_INIV, (Date{2019, 8, 24}));
}

TEST_F(VacationsPageTest, AChangeThatKeepsTheStartIsStored) {
    auto page = open();
    page->grid()->goDown();
    EXPECT_EQ(page->file().currentPeriod()->start, (Date{2019, 1, 14}));
    bool stored = false;
    typeIntoDialog(*page, "14012019", "8", &stored);
    button(*page, "3207")->click();
    EXPECT_TRUE(stored) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(captions, std::vector<std::string>{"modificando"});
    EXPECT_EQ(db.stored("0001"), (std::vector<std::string>{"05/02/2018-23/02/2018:15", "14/01/2019-23/01/2019:8"}));
    EXPECT_EQ(page->figureText(3305).trimmed(), "23.00");
}

TEST_F(VacationsPageTest, TheDialogShowsTheEndAndRefusesWithoutDays) {
    auto page = open();
    page->file().DFEC_INIV = Date{2019, 9, 16};
    page->file().NDIA_VACA = 0;
    page->file().beginEdit(true, ui);
    VacationPeriodDialog d(page->file(), true, ui);
    EXPECT_EQ(d.objectName(), "ODLG_PERSON_MOV_VACA");
    EXPECT_FALSE(d.acceptButton()->isEnabled());
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.daysField()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QTest::keyClicks(d.daysField(), "5");
    EXPECT_TRUE(d.acceptButton()->isEnabled());
    d.startField()->setFocus(Qt::TabFocusReason);  // leaving the days works the end out
    QApplication::processEvents();
    EXPECT_EQ(d.endLabel()->text(), "24/09/2019");
    // A start changed afterwards takes the end with it.
    d.startField()->selectAll();
    QTest::keyClicks(d.startField(), "23092019");
    d.daysField()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(d.endLabel()->text(), "27/09/2019");
    // Leaving without accepting stores nothing.
    d.findChild<QToolButton*>("502")->click();
    EXPECT_FALSE(d.stored());
    EXPECT_EQ(db.stored("0001").size(), 2u);
}

TEST_F(VacationsPageTest, DeletingAndLeavingTheWorkingLifeFieldRecompute) {
    auto page = open();
    int changed = 0;
    QObject::connect(page.get(), &VacationsPage::workingLifeStartChanged, [&] { ++changed; });
    TGET* f = page->workingLifeField();
    page->show();
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    f->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    f->selectAll();
    QTest::keyClicks(f, "01012006");  // 13 whole years: one progressive day
    page->grid()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(buffer.DFECHA_INI_LAB, (Date{2006, 1, 1}));
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(page->figureText(3302).trimmed(), "1.00");

    page->grid()->goDown();
    button(*page, "3203")->click();
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"YesNo|Elimina|Esta Seguro de Eliminar ?"});
    EXPECT_EQ(db.stored("0001"), std::vector<std::string>{"05/02/2018-23/02/2018:15"});
    EXPECT_EQ(page->figureText(3305).trimmed(), "15.00");
    EXPECT_EQ(page->file().rows()->AbsolutePosition(), 1);
}

// With REMU_SHOTS_DIR set, PNGs of the page, the period dialog and the voucher's preview, e.g.
//   REMU_SHOTS_DIR=shots QT_QPA_PLATFORM=xcb xvfb-run -a build/personnel/vacations_page_tests
//     --gtest_filter='*Screens'          (one line; with the test run's database server started)
TEST_F(VacationsPageTest, Screens) {
    QString dir = qEnvironmentVariable("REMU_SHOTS_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "REMU_SHOTS_DIR not set";
    QDir().mkpath(dir);
    auto page = open();
    page->setWindowTitle("DATOS TRABAJADOR AGOSTO 2019 - VACACIONES");
    page->show();
    QTest::qWait(200);
    EXPECT_TRUE(page->grab().save(dir + "/vacaciones_pagina.png"));

    page->file().beginEdit(true, ui);
    page->file().NDIA_VACA = 10;
    page->file().FECHAFIN(ui);
    VacationPeriodDialog d(page->file(), true, ui, page.get());
    d.show();
    QTest::qWait(200);
    EXPECT_TRUE(d.grab().save(dir + "/vacaciones_periodo.png"));
    d.reject();

    installQtPrinting(&ui);
    page->grid()->goDown();
    button(*page, "3204")->click();
    QTest::qWait(300);
    TPREVIEW* preview = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<TPREVIEW*>(w)) preview = p;
    ASSERT_TRUE(preview);
    preview->resize(1000, 1200);
    QTest::qWait(300);
    EXPECT_TRUE(preview->grab().save(dir + "/vacaciones_comprobante.png"));
    EXPECT_TRUE(preview->pages().image(0, 100).save(dir + "/vacaciones_comprobante_pagina.png"));
    preview->close();
}
