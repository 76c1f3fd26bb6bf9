// A worker's vacation periods on the test server: the balance, the end dates with the
// parameter tables' holidays, storing, changing and deleting through the recordset,
// and the voucher drawn on the recording print job.
#include <gtest/gtest.h>

#include "data/connection.h"
#include "personnel/tests/vacation_fixture.h"
#include "personnel/vacation_voucher.h"
#include "widgets/print_job.h"

using namespace remu;

namespace {

class VacationFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.bind(s);
        file = std::make_unique<VacationFile>(s, buffer);
        ASSERT_TRUE(file->load(ui)) << ::testing::PrintToString(ui.lines());
    }
    void TearDown() override { setPrintJobFactory({}); }

    vactest::VacationCompany db;
    Session s;
    VacationBuffer buffer = vactest::VacationCompany::juan();
    RecordingPort ui;
    std::unique_ptr<VacationFile> file;
};

}  // namespace

TEST_F(VacationFileTest, TheWorkersPeriodsGiveTheBalanceAndTheNextStart) {
    EXPECT_EQ(file->rows()->RecordCount(), 2);
    file->DIASVACA();
    const VacationFigures& f = file->figures();
    EXPECT_DOUBLE_EQ(f.DIAS_HAB, 36.875);
    EXPECT_DOUBLE_EQ(f.DPRO_HAB, 3);
    EXPECT_DOUBLE_EQ(f.USA_HAB, 25);
    EXPECT_DOUBLE_EQ(f.USA_COR, 35);
    EXPECT_DOUBLE_EQ(f.SAL_HAB, 14.875);
    EXPECT_EQ(file->DFEC_INIV, (Date{2019, 1, 26}));
    EXPECT_EQ(file->rows()->AbsolutePosition(), 1);

    // The code is compared by value, as the server does with an unquoted number.
    buffer.CCODIGO_PER = "1   ";
    ASSERT_TRUE(file->load(ui));
    EXPECT_EQ(file->rows()->RecordCount(), 2);
    EXPECT_EQ(vacationCodeCondition("0012"), "12");
    EXPECT_EQ(vacationCodeCondition("A1'"), "'A1\\''");
}

TEST_F(VacationFileTest, OnlyTheRowsOfTheWorkersRutCountAsTaken) {
    // 0012's code also holds a period of a former worker with another RUT.
    buffer.CCODIGO_PER = "0012";
    buffer.CRUT = "011111111-1";
    buffer.DFECHA_CONTRATO = Date{2018, 8, 15};
    buffer.DFECHA_TERMINO = Date{2019, 5, 31};
    buffer.DFECHA_INI_LAB = {};
    ASSERT_TRUE(file->load(ui));
    file->DIASVACA();
    EXPECT_DOUBLE_EQ(file->figures().USA_HAB, 5);
    // 15/08/2018 to 30/05/2019: 15 days and 9 months.
    EXPECT_DOUBLE_EQ(file->figures().SUM_DIAS, 286);
    EXPECT_EQ(file->DFEC_INIV, (Date{2019, 2, 9}));
}

TEST_F(VacationFileTest, EndDatesFollowTheHolidaysOfEachDaysYear) {
    file->DFEC_INIV = Date{2019, 9, 16};
    file->NDIA_VACA = 5;
    EXPECT_EQ(file->FECHAFIN(ui), (Date{2019, 9, 24}));
    EXPECT_TRUE(file->endIsCurrent());
    // Across the year: 2020's January names the 1st; 2019's January (the 2nd) does not count.
    file->DFEC_INIV = Date{2019, 12, 30};
    file->NDIA_VACA = 3;
    EXPECT_EQ(file->FECHAFIN(ui), (Date{2020, 1, 2}));
    // 2021 has no parameter table: the worker list's month list ("15") stays.
    file->DFEC_INIV = Date{2021, 1, 14};
    file->NDIA_VACA = 2;
    EXPECT_EQ(file->FECHAFIN(ui), (Date{2021, 1, 18}));
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(file->holidays().yearsRead(), 3);
}

TEST_F(VacationFileTest, ANewPeriodIsStoredWithTheBuffersValues) {
    file->DIASVACA();
    file->DFEC_INIV = Date{2019, 8, 19};
    file->NDIA_VACA = 5;
    file->beginEdit(true, ui);
    EXPECT_EQ(file->DFEC_FINV, (Date{2019, 8, 23}));
    ASSERT_TRUE(file->store(true, ui)) << ::testing::PrintToString(ui.lines());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(db.stored("0001"), (std::vector<std::string>{"05/02/2018-23/02/2018:15", "14/01/2019-25/01/2019:10",
                                                            "19/08/2019-23/08/2019:5"}));
    auto rs = db.company().connect()->query(
        "SELECT rut_per_vac, codigo_per_vac, nombre_per_vac, numcom_vac FROM vacaciones WHERE fecini_vac = '2019-08-19'");
    EXPECT_EQ(rs->Fields(0).text(), "012345678-5");
    EXPECT_EQ(rs->Fields(1).text(), "0001");
    EXPECT_EQ(rs->Fields(2).text(), "JUAN                     ");
    EXPECT_EQ(rs->Fields(3).text(), " ");
    EXPECT_EQ(file->rows()->AbsolutePosition(), 1);
    file->DIASVACA();
    EXPECT_DOUBLE_EQ(file->figures().USA_HAB, 30);
    EXPECT_EQ(file->DFEC_INIV, (Date{2019, 8, 24}));
}

TEST_F(VacationFileTest, TheEndIsWorkedOutAgainForAStartChangedAfterTheDays) {
    file->DFEC_INIV = Date{2019, 8, 19};
    file->NDIA_VACA = 5;
    file->FECHAFIN(ui);
    // The start moved to the next month after the days were left: the stored end follows it.
    file->DFEC_INIV = Date{2019, 9, 16};
    ASSERT_TRUE(file->store(true, ui)) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(db.stored("0001").back(), "16/09/2019-24/09/2019:5");
}

TEST_F(VacationFileTest, ABlockedPeriodIsNotStored) {
    file->DFEC_INIV = Date{2019, 1, 21};  // inside the January period
    file->NDIA_VACA = 3;
    EXPECT_FALSE(file->store(true, ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Informaci\xC3\xB3n|Existe Dias de Vacaciones !!!"});
    ui.clear();
    file->DFEC_INIV = Date{2019, 8, 15};  // the month's holiday
    EXPECT_FALSE(file->store(true, ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|ALERTA|Fecha de inicio es Feriado"});
    EXPECT_EQ(db.stored("0001").size(), 2u);
}

TEST_F(VacationFileTest, AChangedPeriodKeepsItsStartAndGivesItsDaysBack) {
    file->DIASVACA();
    // Balance 14.875; the January period has 10 of its own: 20 days fit.
    file->rows()->MoveLast();
    file->beginEdit(false, ui);
    EXPECT_EQ(file->DFEC_INIV, (Date{2019, 1, 14}));
    EXPECT_EQ(file->NDIA_VACA, 10);
    EXPECT_EQ(file->DFEC_FINV, (Date{2019, 1, 25}));
    EXPECT_TRUE(file->endIsCurrent());
    file->NDIA_VACA = 20;
    ASSERT_TRUE(file->store(false, ui)) << ::testing::PrintToString(ui.lines());
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(db.stored("0001"), (std::vector<std::string>{"05/02/2018-23/02/2018:15", "14/01/2019-08/02/2019:20"}));

    // More than the balance with its own days back: told, still stored.
    file->rows()->MoveLast();
    file->beginEdit(false, ui);
    file->NDIA_VACA = 30;
    ASSERT_TRUE(file->store(false, ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|ERROR|Dias Excede al saldo"});
}

TEST_F(VacationFileTest, DeletingAsksFirst) {
    file->rows()->MoveLast();
    ui.answerNext(false);
    EXPECT_FALSE(file->ELIMINA_VACA_PERSON(ui));
    EXPECT_EQ(db.stored("0001").size(), 2u);
    ASSERT_TRUE(file->ELIMINA_VACA_PERSON(ui));
    EXPECT_EQ(ui.lines(), (std::vector<std::string>{"YesNo|Elimina|Esta Seguro de Eliminar ?",
                                                     "YesNo|Elimina|Esta Seguro de Eliminar ?"}));
    EXPECT_EQ(db.stored("0001"), std::vector<std::string>{"05/02/2018-23/02/2018:15"});
    EXPECT_EQ(file->rows()->RecordCount(), 1);
    EXPECT_DOUBLE_EQ(file->figures().USA_HAB, 15);
    // The last one, then nothing left to delete.
    ASSERT_TRUE(file->ELIMINA_VACA_PERSON(ui));
    EXPECT_FALSE(file->hasPeriods());
    EXPECT_FALSE(file->ELIMINA_VACA_PERSON(ui));
    EXPECT_DOUBLE_EQ(file->figures().USA_HAB, 0);
}

TEST_F(VacationFileTest, AMissingTableIsReportedAndNothingLoads) {
    db.company().runSql("RENAME TABLE vacaciones TO vacaciones_old");
    EXPECT_FALSE(file->load(ui));
    EXPECT_EQ(file->rows(), nullptr);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Error");
    EXPECT_FALSE(file->COMP_VAC(ui));
    db.company().runSql("RENAME TABLE vacaciones_old TO vacaciones");
}

TEST_F(VacationFileTest, TheVoucherHasTwoCopiesOfThePeriod) {
    std::shared_ptr<RecordingPrintJob> job;
    setPrintJobFactory([&](const PrintJobOptions& o) { return job = std::make_shared<RecordingPrintJob>(o); });
    file->rows()->MoveLast();
    ASSERT_TRUE(file->COMP_VAC(ui)) << ::testing::PrintToString(ui.lines());
    ASSERT_TRUE(job);
    EXPECT_TRUE(job->preview());
    EXPECT_EQ(job->documentName(), "COMPROBANTE DE FERIADO JUAN PEREZ SOTO");
    EXPECT_EQ(job->exportName(), "COMPROBANTE_FERIADO_12345678-5_2019_01_14");
    ASSERT_EQ(job->pages().size(), 1u);

    auto at = [&](double row, double col) {
        auto* it = job->textAt(0, row, col);
        return it ? it->text : std::string("<none>");
    };
    for (double top : {0.0, 13.0}) {
        SCOPED_TRACE(top);
        EXPECT_EQ(at(top + 1, 12), "COMERCIAL NORTE LIMITADA");
        EXPECT_EQ(at(top + 1.5, 12), "RUT: 76.543.210-3");
        EXPECT_EQ(at(top + 3, 7.4), "COMPROBANTE DE FERIADO");
        EXPECT_EQ(job->textAt(0, top + 3, 7.4)->font, (PrintFont{"Arial", 14, true}));
        // The period began before today: the voucher is dated on its first day.
        EXPECT_EQ(at(top + 4, 12), "ANTOFAGASTA 14  ENERO DE 2019");
        EXPECT_EQ(at(top + 5, 2.5), "En cumplimiento a las disposiciones legales vigentes se deja constancia que el");
        EXPECT_EQ(at(top + 5.5, 2.5), "Funcionario: JUAN PEREZ SOTO");
        EXPECT_EQ(at(top + 6, 2.5), "Rut: 12.345.678-5");
        EXPECT_EQ(at(top + 7, 2.5),
                  "Har\xC3\xA1 uso de 10 d\xC3\xAD" "as de feriado legal en el periodo que se indica:");
        EXPECT_EQ(at(top + 8, 2.5), "Desde: 14  ENERO DE 2019");
        EXPECT_EQ(at(top + 8, 9), "Hasta: 25  ENERO DE 2019");
        // 14.875 working plus 20.825 calendar days.
        EXPECT_EQ(at(top + 8.5, 2.5), "Saldo Dias habiles+Dias corridos : 36");
        EXPECT_EQ(at(top + 10.9, 1.5), std::string(19, '_'));
        EXPECT_EQ(at(top + 10.9, 9), std::string(26, '_'));
        EXPECT_EQ(at(top + 10.9, 17), std::string(18, '_'));
        EXPECT_EQ(at(top + 11.3, 1.5), "   Firma del Empleador");
        EXPECT_EQ(at(top + 11.3, 9), "   Firma y Rut del Trabajador");
        EXPECT_EQ(at(top + 11.3, 17), "   Firma Jefe Directo");
    }
    EXPECT_EQ(at(12.8, 1), std::string(136, '_'));
    EXPECT_EQ(job->textAt(0, 12.8, 1)->widthCm, 19);  // clipped inside the sheet
    EXPECT_EQ(at(25.8, 1), "<none>");  // one cutting line only
    // The voucher recomputed the figures: the rows are back on the first period.
    EXPECT_EQ(file->rows()->AbsolutePosition(), 1);
}

TEST(VacationVoucher, DatedTodayForAPeriodStillToComeAndPrintedWithTheLogo) {
    EXPECT_EQ(voucherDate(Date{2019, 9, 2}, Date{2019, 8, 15}), (Date{2019, 8, 15}));
    EXPECT_EQ(voucherDate(Date{2019, 8, 15}, Date{2019, 8, 15}), (Date{2019, 8, 15}));
    EXPECT_EQ(voucherDate(Date{2019, 8, 1}, Date{2019, 8, 15}), (Date{2019, 8, 1}));

    VacationVoucher v;
    v.company.logo = "/logos/norte.bmp";
    v.period = {"012345678-5", Date{2019, 9, 2}, Date{2019, 9, 6}, 5};
    v.balance = -2.5;
    RecordingPrintJob job;
    job.PAGEBEGIN();
    drawVacationVoucher(job, v);
    job.PAGEEND();
    int logos = 0;
    for (const auto& item : job.pages()[0])
        if (item.kind == RecordingPrintJob::Item::Kind::Bitmap) {
            ++logos;
            EXPECT_EQ(item.text, "/logos/norte.bmp");
            EXPECT_EQ(item.widthPx, job.colToPix(4));
            EXPECT_EQ(item.heightPx, job.rowToPix(2));
        }
    EXPECT_EQ(logos, 2);
    EXPECT_EQ(job.textAt(0, 7, 2.5)->text.substr(0, 15), "Har\xC3\xA1 uso de 05");
    EXPECT_EQ(job.textAt(0, 8.5, 2.5)->text, "Saldo Dias habiles+Dias corridos : -3");
}
