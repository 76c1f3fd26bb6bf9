#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/query.h"
#include "data/work_tables.h"
#include "payslip/explain_dialog.h"
#include "payslip/payslip_dialog.h"
#include "payslip/progress_dialog.h"
#include "tests/support/demo_client.h"
#include "widgets/print_job.h"
#include "widgets/qt_print_job.h"
#include "widgets/tget.h"
#include "widgets/tpreview.h"
#include "widgets/twbrowse.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

class PayslipDialogTest : public testdb::DemoSuite {
protected:
    static void SetUpTestSuite() {
        DemoSuite::SetUpTestSuite();
        // The year of the test holds months 01..05 only.
        demo->connectNorth()->execute("DELETE FROM 2019_meses WHERE mes > '05'");
    }
    void SetUp() override {
        auto p = testdb::serverParams();
        s.CHOST = p.host;
        s.CUSER = p.user;
        s.CPASSWORD = p.password;
        s.CDATABASE = demo->northDb();
        s.ID_CLIENTE = demo->id();
        s.CID_CLIENTE_CONT = demo->id() + "_CONT";
        s.ANO_PUBLICO = "2019";
        s.TABLA_ANO = {"2019", "2018"};
        s.CRUT_CONEXION_TRABAJADOR = "012345678-5";
        Clock::setToday(Date{2019, 5, 20});
    }
    void TearDown() override {
        Clock::setToday(std::nullopt);
        if (s.OCON) s.OCON->close();
    }
    Session s;
    RecordingPort ui;
};

// What a calculation leaves for one worker of May: his taxable total.
void writeTotalLine(const fs::path& dir, const std::string& code) {
    PaySlipLine l;
    l.MES_REM = "05";
    l.PERSON_REM = code;
    l.APENOM_REM = "PÉREZ NÚÑEZ JUAN CARLOS";
    l.HABDES_REM = "TIM";
    l.TIPO_REM = 1;
    l.IMPONI_REM = 1;
    l.DESCRI_REM = "TOTAL IMPONIBLE";
    l.VALFIN_REM = 650000;
    writeWorkTable(WorkTable::REMUMES, {l}, dir.string());
}

bool enabled(QWidget& dlg, const char* id) {
    auto* w = dlg.findChild<QWidget*>(id);
    EXPECT_NE(w, nullptr) << id;
    return w && w->isEnabled();
}

}  // namespace

TEST_F(PayslipDialogTest, WorkerSessionMonthsAndEnabling) {
    ASSERT_TRUE(prepareLiquida(s, ui)) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(s.TAB_MESES,
              (std::vector<std::string>{" 01- ENERO", " 02- FEBRERO", " 03- MARZO", " 04- ABRIL", " 05- MAYO"}));
    EXPECT_EQ(s.N_MES, 5);
    EXPECT_EQ(s.period.monthText(), "05");
    EXPECT_EQ(s.MES_PUBLICO, "05");
    EXPECT_EQ(s.period.yearText(), "2019");
    EXPECT_EQ(s.CCODIGO_PERD, "0001");
    EXPECT_EQ(s.CCODIGO_PERH, "    ");
    EXPECT_EQ(s.DFECHA, (Date{2019, 5, 20}));
    EXPECT_FALSE(s.LCCAF_MAS_FONASA);

    PayslipDialog dlg(s, ui);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "LIQUIDACION DE SUELDO");
    auto* month = dlg.findChild<QComboBox*>("134");
    ASSERT_NE(month, nullptr);
    EXPECT_EQ(month->currentText(), " 05- MAYO");
    EXPECT_EQ(dlg.findChild<QComboBox*>("145")->currentText(), "2019");
    for (const char* id : {"134", "204", "354", "355", "356", "357", "502"}) EXPECT_TRUE(enabled(dlg, id)) << id;
    for (const char* id : {"145", "209", "202", "203", "358", "359", "360"}) EXPECT_FALSE(enabled(dlg, id)) << id;
    // The worker sees his name beside his code.
    EXPECT_EQ(dlg.findChild<QLabel*>("251")->text(), "JUAN CARLOS PÉREZ NÚÑEZ");

    // Changing the month changes C_MES only; the worker's code stays.
    month->setCurrentIndex(1);
    EXPECT_EQ(s.N_MES, 2);
    EXPECT_EQ(s.period.monthText(), "02");
    EXPECT_EQ(s.CCODIGO_PERD, "0001");
    s.N_MES = 4;
    CAMBIA_PERIODO(s);
    EXPECT_EQ(s.period.monthText(), "04");

    // A fixed month is chosen when the year has it.
    s.OCON->close();
    s.MES_FIJO = "03";
    ASSERT_TRUE(prepareLiquida(s, ui));
    EXPECT_EQ(s.N_MES, 3);
    EXPECT_EQ(s.period.monthText(), "03");
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());
}

TEST_F(PayslipDialogTest, PreviewShowsTheWaitTextUntilItEnds) {
    fs::path dir = fs::temp_directory_path() / ("dlg_" + testdb::uniqueTag());
    fs::create_directories(dir);
    ASSERT_TRUE(prepareLiquida(s, ui));
    std::shared_ptr<RecordingPrintJob> job;
    setPrintJobFactory([&](const PrintJobOptions& o) { return job = std::make_shared<RecordingPrintJob>(o); });
    PayslipDialogOptions opt;
    opt.workDir = dir.string();
    std::string statusWhileCalculating;
    opt.calculate = [&](const std::string& from, const std::string&) {
        statusWhileCalculating = s.CPROCESO;
        writeTotalLine(dir, from);
        return true;
    };
    PayslipDialog dlg(s, ui, opt);
    dlg.show();
    dlg.findChild<QPushButton*>("354")->click();
    EXPECT_EQ(statusWhileCalculating, "Un momento por favor.. ");
    ASSERT_TRUE(job);
    EXPECT_EQ(job->pages().size(), 1u);
    EXPECT_NE(job->findText(0, "TOTAL IMPONIBLE"), nullptr);
    const auto& h = dlg.statusHistory();
    EXPECT_NE(std::find(h.begin(), h.end(), "Un momento por favor.. "), h.end());
    EXPECT_EQ(h.back(), " ");
    EXPECT_EQ(dlg.statusLabel()->text(), " ");
    EXPECT_EQ(s.CCODIGO_PERD, "0001");  // further outputs still run for the worker
    EXPECT_EQ(dlg.findChild<QLabel*>("251")->text(), "JUAN CARLOS PÉREZ NÚÑEZ");

    // A bound worker without a code in the month never gets the whole company's slips.
    job.reset();
    s.CCODIGO_PERD = "    ";
    dlg.findChild<QPushButton*>("357")->click();
    EXPECT_FALSE(job);
    EXPECT_EQ(ui.lines().back(), "Alert|Alerta|Trabajador No Encontrado");

    ui.clear();
    dlg.findChild<QPushButton*>("355")->click();
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Alerta|Trabajador No Encontrado"});
    EXPECT_FALSE(fs::exists(dir / "PLANILLAS"));
    setPrintJobFactory({});
    fs::remove_all(dir);
}

TEST_F(PayslipDialogTest, ExcelWritesTheSheetAndHandsItOver) {
    fs::path dir = fs::temp_directory_path() / ("dlg_" + testdb::uniqueTag());
    fs::create_directories(dir);
    ASSERT_TRUE(prepareLiquida(s, ui));
    PayslipDialogOptions opt;
    opt.workDir = dir.string();
    std::vector<std::string> ranges;
    std::string statusWhileCalculating;
    opt.calculate = [&](const std::string& from, const std::string& to) {
        ranges.push_back(from + "-" + to);
        statusWhileCalculating = s.CPROCESO;
        PaySlipLine l;
        l.MES_REM = "05";
        l.PERSON_REM = "0001";
        l.APENOM_REM = "PÉREZ NÚÑEZ JUAN CARLOS";
        l.HABDES_REM = "TIM";
        l.TIPO_REM = 1;
        l.IMPONI_REM = 1;
        l.DESCRI_REM = "TOTAL IMPONIBLE";
        l.VALFIN_REM = 650000;
        writeWorkTable(WorkTable::REMUMES, {l}, dir.string());
        return true;
    };
    PayslipDialog dlg(s, ui, opt);
    dlg.show();
    dlg.findChild<QPushButton*>("355")->click();
    // The engine runs for the whole month; the sheet shows the worker's slip only.
    EXPECT_EQ(ranges, std::vector<std::string>{"-"});
    EXPECT_EQ(statusWhileCalculating, "Un momento por favor.. ");
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());
    fs::path file = dir / "PLANILLAS" / "LIQUIDACIONES_2019_05.xlsx";
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(ui.openedFiles, std::vector<std::string>{fs::absolute(file).lexically_normal().string()});
    const auto& h = dlg.statusHistory();
    EXPECT_NE(std::find(h.begin(), h.end(), "Generando Hoja Excel.. "), h.end());
    EXPECT_EQ(dlg.statusLabel()->text(), " ");
    EXPECT_EQ(s.CCODIGO_PERD, "0001");
    fs::remove_all(dir);
}

TEST_F(PayslipDialogTest, PdfSlipsShowTheirStatusWhileWritten) {
    fs::path dir = fs::temp_directory_path() / ("dlg_" + testdb::uniqueTag());
    fs::create_directories(dir);
    s.CRUT_CONEXION_TRABAJADOR = std::string(11, ' ');  // the administration's session
    ASSERT_TRUE(prepareLiquida(s, ui));
    PayslipDialogOptions opt;
    opt.workDir = dir.string();
    opt.calculate = [&](const std::string&, const std::string&) {
        writeTotalLine(dir, "0001");
        return true;
    };
    PayslipDialog dlg(s, ui, opt);
    dlg.show();
    auto* pdf = dlg.findChild<QPushButton*>("358");
    ASSERT_TRUE(pdf->isEnabled());
    pdf->click();
    const auto& h = dlg.statusHistory();
    EXPECT_NE(std::find(h.begin(), h.end(), "Generando en PDF .. "), h.end());
    EXPECT_EQ(dlg.statusLabel()->text(), " ");
    EXPECT_EQ(ui.openedFiles.size(), 1u);  // the folder of the files, handed to the desktop
    bool written = false;
    for (auto& e : fs::directory_iterator(dir / "PDFS")) written |= e.path().extension() == ".pdf";
    EXPECT_TRUE(written);
    fs::remove_all(dir);
}

TEST_F(PayslipDialogTest, YearWithoutMonthsNeverOpens) {
    auto conn = demo->connectNorth();
    conn->execute("CREATE TABLE IF NOT EXISTS 2017_meses (mes VARCHAR(2) NOT NULL)");
    s.ANO_PUBLICO = "2017";
    EXPECT_FALSE(prepareLiquida(s, ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Atención|Debe seleccionar un mes de trabajo"});
    EXPECT_FALSE(s.OCON);
}

TEST(ProgressDialog, ShowsTheEngineTextsInUpperCase) {
    RecordingPort ui;
    std::string cestado;
    std::vector<QString> seen;
    CalculoDialog dlg(
        ui,
        [&](UiPort& port) {
            port.progress("Por Favor, espere\r\nProceso 10%");
            port.progress("Por Favor, espere\r\nProceso 80%3");
            seen.push_back(dlg.label()->text());
            port.alert("algo", "Atención");
            return false;
        },
        {}, &cestado);
    EXPECT_EQ(dlg.windowTitle(), "Procesando");
    dlg.exec();
    EXPECT_TRUE(dlg.done());
    EXPECT_FALSE(dlg.result());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "POR FAVOR, ESPERE\nPROCESO 80%3");
    EXPECT_EQ(dlg.shownTexts().size(), 2u);
    EXPECT_EQ(cestado, "Por Favor, espere\r\nProceso 80%3");
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Atención|algo"});
    EXPECT_EQ(dlg.findChild<QPushButton*>("451")->text(), "Procede");
}

TEST_F(PayslipDialogTest, ThePreviewExplainsEachLineOfTheWorkersSlip) {
    fs::path dir = fs::temp_directory_path() / ("dlg_" + testdb::uniqueTag());
    fs::create_directories(dir);
    ASSERT_TRUE(prepareLiquida(s, ui));
    s.N_MES = 3;  // March: medical leave, savings, weekly rest
    CAMBIA_PERIODO(s);
    installQtPrinting(&ui);
    PayslipDialogOptions opt;
    opt.workDir = dir.string();
    PayslipDialog dlg(s, ui, opt);
    dlg.show();

    // The preview offers the explanation; it lists every line of the worker.
    std::vector<std::string> afp;
    int rows = 0;
    bool offered = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<TPREVIEW*>(top);
            if (!preview || !preview->isVisible() || offered) continue;
            poll.stop();
            QAction* explain = preview->command("explain");
            offered = explain != nullptr;
            if (explain) {
                QTimer::singleShot(100, preview, [&] {
                    auto* d = qobject_cast<ExplainDialog*>(QApplication::activeModalWidget());
                    if (d) {
                        rows = d->table()->rowCount();
                        for (int r = 0; r < rows; ++r)
                            if (d->table()->item(r, 0)->text().startsWith("HABITAT"))
                                afp = {d->table()->item(r, 1)->text().toStdString(),
                                       d->table()->item(r, 2)->text().toStdString(),
                                       d->table()->item(r, 3)->text().toStdString()};
                        if (const char* shots = std::getenv("REMU_SCREENSHOT_DIR"))
                            d->grab().save(QString(shots) + "/explicacion.png");
                        d->accept();
                    }
                });
                explain->trigger();
            }
            preview->close();
        }
    });
    poll.start(50);
    dlg.findChild<QPushButton*>("354")->click();
    // Without a modal dialog over it the preview stays open after the click.
    QElapsedTimer waited;
    waited.start();
    while (poll.isActive() && waited.elapsed() < 30000) QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    EXPECT_TRUE(offered) << ::testing::PrintToString(ui.lines());
    EXPECT_GT(rows, 20);
    EXPECT_EQ(afp, (std::vector<std::string>{"Descuento", "111,860", "HABITAT: 11.27 % de 992,550 imponible."}));
    setPrintJobFactory({});
    fs::remove_all(dir);
}
