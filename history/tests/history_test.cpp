#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/session.h"
#include "data/local_tables.h"
#include "data/query.h"
#include "data/work_tables.h"
#include "format/text.h"
#include "history/history.h"
#include "history/history_outputs.h"
#include "office/recording_sheet.h"
#include "payroll/constants.h"
#include "payroll/engine.h"
#include "payroll/worker_month.h"
#include "tests/support/demo_client.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

PaySlipLine line(const char* code, int type, int taxable, double amount, const char* title = "") {
    PaySlipLine l;
    l.HABDES_REM = code;
    l.TIPO_REM = type;
    l.IMPONI_REM = taxable;
    l.VALFIN_REM = amount;
    l.TITULO_REM = title;
    return l;
}

TEST(SlipFigures, EachDeductionCountsOnceUnderItsHeading) {
    using namespace LineType;
    const std::vector<PaySlipLine> lines = {
        line("TIM", Earning, 2, 900000),        line("NIM", Earning, 2, 60000),
        line("THA", Earning, 2, 960000),        line("05", Deduction, 0, 103000, "AFP"),
        line("07", Deduction, 0, 63000, "FONASA"), line("01", Deduction, 0, 80000, "ISAPRE"),
        line("01", Deduction, 0, 12000, "ADICIONAL ISAPRE"), line("C1", Deduction, 0, 5000, "CCAF COTIZ"),
        line("SCA", Deduction, 0, 5400, "SEGURO CESANTIA"),  line("UNI", Deduction, 0, 7100, "IMPUESTO UNICO"),
        line("202", Deduction, 0, 45000, "PRESTAMO"),       line("APV", Deduction, 0, 30000, "APV_005"),
        line("TDE", Deduction, 2, 350500),      line("ALQ", Deduction, 2, 609500),
        line("SCE", EmployerCost, 0, 21600),    line("998", Information, 0, 30)};
    HistoryFigures f = slipFigures(lines);
    EXPECT_EQ(f.taxable, 900000);
    EXPECT_EQ(f.nonTaxable, 60000);
    EXPECT_EQ(f.legalDeductions, 103000 + 63000 + 80000 + 12000 + 5000 + 5400);
    EXPECT_EQ(f.otherDeductions, 45000 + 30000);
    EXPECT_EQ(f.incomeTax, 7100);
    EXPECT_EQ(f.netPay, 609500);
    EXPECT_EQ(f.legalDeductions + f.otherDeductions + f.incomeTax, 350500);

    // An old-regime worker's pension line carries his regime's code and name.
    const std::vector<PaySlipLine> ips = {line("41", Deduction, 0, 150000, "EX-SSS"),
                                          line("201", Deduction, 0, 50000, "ANTICIPO")};
    EXPECT_EQ(slipFigures(ips, "41").legalDeductions, 150000);
    EXPECT_EQ(slipFigures(ips, "41").otherDeductions, 50000);
    EXPECT_EQ(slipFigures(ips).otherDeductions, 200000);
}

std::string lineStarting(const std::string& text, const std::string& start) {
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (l.rfind(start, 0) == 0) return l;
    return {};
}

WorkerHistory sample() {
    WorkerHistory h;
    h.code = "0001";
    h.name = "PEREZ NUNEZ JUAN CARLOS";
    HistoryMonth dec;
    dec.period = Period::of(2018, 12);
    dec.computed = true;
    dec.figures = {1000000, 50000, 180000, 20000, 9000, 841000};
    HistoryMonth jan;
    jan.period = Period::of(2019, 1);
    jan.failed = true;
    jan.problem = "Debe Registrar UTM  ENERO en Tabla Impuesto único  antes de procesar";
    HistoryMonth feb = dec;
    feb.period = Period::of(2019, 2);
    h.months = {dec, jan, feb};
    h.years = {{2018, 1, dec.figures}, {2019, 1, feb.figures}};
    return h;
}

TEST(HistoryOutputs, TextSheetAndPdfShowMonthsReasonsAndYearTotals) {
    const WorkerHistory h = sample();
    const std::string text = historyText(h);
    EXPECT_NE(text.find("HISTORIAL DE REMUNERACIONES 0001 PEREZ NUNEZ JUAN CARLOS"), std::string::npos);
    const std::string dec = lineStarting(text, "DICIEMBRE 2018");
    EXPECT_NE(dec.find("1,000,000"), std::string::npos) << text;
    EXPECT_EQ(dec.substr(dec.size() - 7), "841,000");
    EXPECT_EQ(lineStarting(text, "ENERO 2019"), padRight("ENERO 2019", 16) + "  " + h.months[1].problem);
    EXPECT_NE(text.find("TOTAL 2018"), std::string::npos);
    EXPECT_LT(text.find("TOTAL 2018"), text.find("ENERO 2019"));

    RecordingSheet sheet("x");
    EXPECT_EQ(fillHistorySheet(sheet, h), 5);  // three months and two totals
    EXPECT_EQ(sheet.text(1, 1), historyTitle(h));
    EXPECT_EQ(sheet.text(3, 7), "ALCANCE LIQUIDO");
    EXPECT_EQ(sheet.text(4, 1), "DICIEMBRE 2018");
    EXPECT_EQ(sheet.number(4, 7), 841000);
    EXPECT_EQ(sheet.text(5, 1), "TOTAL 2018");
    EXPECT_EQ(sheet.text(6, 2), h.months[1].problem);
    EXPECT_EQ(sheet.number(8, 4), 180000);  // TOTAL 2019, legal deductions
    EXPECT_EQ(historyFileStem(h), "HISTORIAL_0001");

    const fs::path dir = fs::temp_directory_path() / ("remu_history_pdf_" + std::to_string(getpid()));
    fs::create_directories(dir);
    RecordingPort ui;
    const std::string file = (dir / "h.pdf").string();
    ASSERT_TRUE(writeHistoryPdf(h, file, ui));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(std::system(("qpdf --check " + file + " >/dev/null").c_str()), 0);
    std::string cmd = "pdftotext -layout " + file + " -";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    EXPECT_NE(out.find("TOTAL 2019"), std::string::npos) << out;
    EXPECT_NE(out.find("841,000"), std::string::npos);
    // Nothing but the finished file is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    // A folder that cannot take the file: told, nothing written.
    EXPECT_FALSE(writeHistoryPdf(h, (dir / "missing" / "h.pdf").string(), ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Atención");
    fs::remove_all(dir);
}

}  // namespace

// ---------------------------------------------------------------- on the demo client

namespace {

// The demo client, loaded once for the suite; each test leaves the months it
// changes to itself.
class HistoryDb : public testdb::DemoSuite {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("remu_history_" + testdb::uniqueTag());
        fs::create_directories(dir);
        conn = demo->connectNorth();
        s.ID_CLIENTE = demo->id();
        s.OCON = conn;
    }
    void TearDown() override { fs::remove_all(dir); }

    // What the engine's run for the worker's code leaves in REMUMES.
    std::vector<PaySlipLine> engineRun(const Period& p, const std::string& code) {
        s.period = p;
        RecordingPort said;
        RunOptions opt;
        opt.workDir = dir.string();
        EXPECT_TRUE(CALCULA_REMUN(s, said, code, code, opt)) << p.yearMonth();
        return readWorkTable(WorkTable::REMUMES, dir.string());
    }

    std::string checksums() {
        std::string out;
        for (const char* table : {"2018_personal", "2019_personal", "2018_habdes_remu", "2019_habdes_remu",
                                  "2018_datos_empresa", "2019_datos_empresa", "2019_ajuste", "2019_apv"}) {
            auto rs = conn->query(std::string("CHECKSUM TABLE `") + table + "`");
            out += table + std::string("=") + rs->Fields(1).text() + " ";
        }
        return out;
    }

    fs::path dir;
    std::shared_ptr<Connection> conn;
    Session s;
};

}  // namespace

TEST_F(HistoryDb, CoversTheOpenYearAndTheOneBeforeOrTheMonthsAsked) {
    RecordingPort ui;
    auto all = historyMonths(*conn, ui);
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 24u);
    EXPECT_EQ(all->front(), Period::of(2018, 1));
    EXPECT_EQ(all->back(), Period::of(2019, 12));
    auto some = historyMonths(*conn, ui, Period::of(2018, 11), Period::of(2019, 2));
    ASSERT_TRUE(some);
    EXPECT_EQ(*some, (std::vector<Period>{Period::of(2018, 11), Period::of(2018, 12), Period::of(2019, 1),
                                          Period::of(2019, 2)}));
    EXPECT_TRUE(ui.boxes.empty());
}

// Each month as the engine's run for the worker computes it: the same lines, and
// figures that are the sums of those lines. The history is taken first each month:
// the run writes back the worker's figures, which other months may read.
TEST_F(HistoryDb, FiguresAreTheSumsOfTheEnginesLinesMonthByMonth) {
    for (const std::string code : {"0001", "0010"}) {  // the demo worker; an old-regime (IPS) worker
        for (int year : {2018, 2019}) {
            for (int month = 1; month <= 12; ++month) {
                const Period p = Period::of(year, month);
                if (year == 2019 && (month == 5 || month == 6)) continue;  // changed by the tests below
                WorkerHistory h = buildHistory(*conn, demo->id(), code, {p}, dir.string());
                ASSERT_EQ(h.months.size(), 1u);
                const HistoryMonth& m = h.months[0];
                ASSERT_TRUE(m.computed) << code << " " << p.yearMonth() << ": " << m.problem;
                const std::vector<PaySlipLine> run = engineRun(p, code);
                ASSERT_EQ(m.lines.size(), run.size()) << code << " " << p.yearMonth();
                for (size_t i = 0; i < run.size(); ++i) {
                    EXPECT_EQ(trim(m.lines[i].HABDES_REM), trim(run[i].HABDES_REM));
                    EXPECT_EQ(trim(m.lines[i].DESCRI_REM), trim(run[i].DESCRI_REM));
                    EXPECT_EQ(m.lines[i].VALFIN_REM, run[i].VALFIN_REM) << trim(run[i].DESCRI_REM);
                }
                // Sums of the run's own lines, under the headings the history shows.
                double taxable = 0, nonTaxable = 0, deductions = 0, tax = 0, legal = 0, net = 0, earnings = 0;
                for (const PaySlipLine& l : run) {
                    const std::string c = trim(l.HABDES_REM), t = trim(l.TITULO_REM);
                    if (c == "TIM") taxable = l.VALFIN_REM;
                    if (c == "NIM") nonTaxable = l.VALFIN_REM;
                    if (c == "THA") earnings = l.VALFIN_REM;
                    if (c == "TDE") deductions = l.VALFIN_REM;
                    if (c == "ALQ") net = l.VALFIN_REM;
                    if (c == "UNI") tax += l.VALFIN_REM;
                    if (l.TIPO_REM == LineType::Deduction &&
                        (t == "AFP" || t == "ISAPRE" || t == "ADICIONAL ISAPRE" || t == "FONASA" || t == "CCAF COTIZ" ||
                         t == "SEGURO CESANTIA" || c == "41" || c == "42"))  // and the old regimes' lines
                        legal += l.VALFIN_REM;
                }
                const HistoryFigures& f = m.figures;
                EXPECT_EQ(f.taxable, taxable);
                EXPECT_EQ(f.nonTaxable, nonTaxable);
                EXPECT_EQ(f.taxable + f.nonTaxable, earnings);
                EXPECT_EQ(f.incomeTax, tax);
                EXPECT_EQ(f.legalDeductions, legal) << code << " " << p.yearMonth();
                EXPECT_EQ(f.legalDeductions + f.otherDeductions + f.incomeTax, deductions) << code << " " << p.yearMonth();
                EXPECT_EQ(f.netPay, net);
                EXPECT_EQ(f.netPay, earnings - deductions);
                EXPECT_GT(f.legalDeductions, 0);
            }
        }
    }
}

// The history reads: no figure written back, no row inserted (not even the month's
// default days item the run adds when it is missing), REMUMES as it was.
TEST_F(HistoryDb, NothingIsWrittenAndAMissingDaysItemIsOnlyImagined) {
    conn->execute("DELETE FROM `2019_habdes_remu` WHERE codigo_hd_remu = '998' AND mes_hd_remu = '05'");
    const std::vector<PaySlipLine> previewed = engineRun(Period::of(2019, 3), "0001");
    const fs::path remumes = dir / workTableFile(WorkTable::REMUMES);
    std::ifstream before(remumes, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(before), {}};
    const auto stamp = fs::last_write_time(remumes);
    const std::string sums = checksums();
    auto listing = [&] {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
        return names;
    };
    const auto files = listing();

    RecordingPort ui;
    auto months = historyMonths(*conn, ui);
    ASSERT_TRUE(months);
    WorkerHistory h = buildHistory(*conn, demo->id(), "0001", *months, dir.string());
    EXPECT_EQ(checksums(), sums);
    std::ifstream after(remumes, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), bytes);
    EXPECT_EQ(fs::last_write_time(remumes), stamp);
    EXPECT_EQ(listing(), files);

    // The year totals are the sums of their months.
    ASSERT_EQ(h.years.size(), 2u);
    for (const HistoryYear& y : h.years) {
        HistoryFigures sum;
        int n = 0;
        for (const HistoryMonth& m : h.months)
            if (m.period.year() == y.year && m.computed) sum += m.figures, ++n;
        EXPECT_EQ(y.months, n);
        EXPECT_EQ(figureColumns(y.total), figureColumns(sum));
    }
    EXPECT_EQ(h.name, "PÉREZ NÚÑEZ JUAN CARLOS");

    // May, without its days item, as the run computes it once it has inserted the item.
    const HistoryMonth* may = h.month(Period::of(2019, 5));
    ASSERT_TRUE(may && may->computed) << (may ? may->problem : "");
    const std::vector<PaySlipLine> run = engineRun(Period::of(2019, 5), "0001");
    EXPECT_EQ(may->figures.netPay, slipFigures(run).netPay);
    EXPECT_EQ(figureColumns(may->figures), figureColumns(slipFigures(run)));
    auto days = conn->query("SELECT COUNT(*) FROM `2019_habdes_remu` WHERE codigo_hd_remu = '998' AND mes_hd_remu = '05'");
    EXPECT_EQ(days->Fields(0).number(), 1);  // the run's own insert
}

TEST_F(HistoryDb, AMonthThatCannotBeComputedSaysWhyInItsRow) {
    conn->execute("DELETE FROM `" + demo->id() + "_REMU`.`2019_parametros` WHERE mes_par = '06'");
    WorkerHistory h = buildHistory(*conn, demo->id(), "0020", {Period::of(2019, 5), Period::of(2019, 6),
                                                               Period::of(2019, 7)}, dir.string());
    ASSERT_EQ(h.months.size(), 3u);
    EXPECT_TRUE(h.months[0].computed);
    EXPECT_FALSE(h.months[1].computed);
    EXPECT_TRUE(h.months[1].failed);
    EXPECT_EQ(h.months[1].problem, "Debe Registrar parámetros " + Period::of(2019, 6).monthName() + " antes de procesar");
    // His contract ended in June: July is no fault of the month.
    EXPECT_FALSE(h.months[2].computed);
    EXPECT_FALSE(h.months[2].failed);
    EXPECT_EQ(h.months[2].problem, "Trabajador inactivo, fecha termino contrato anterior a JULIO 2019");
    ASSERT_EQ(h.years.size(), 1u);
    EXPECT_EQ(h.years[0].months, 1);
    EXPECT_EQ(figureColumns(h.years[0].total), figureColumns(h.months[0].figures));

    // A code nobody has.
    WorkerHistory nobody = buildHistory(*conn, demo->id(), "9876", {Period::of(2019, 5)}, dir.string());
    EXPECT_EQ(nobody.months[0].problem, "El trabajador no figura en el maestro de personal del mes");
}

// remu-cli historial prints the same table and leaves the working folder as it was.
TEST_F(HistoryDb, CommandLinePrintsTheTable) {
    // CONEXION keeps a short password: a user of the test server with one.
    const std::string user = "h" + testdb::uniqueTag().substr(0, 14);
    auto root = testdb::connectRoot();
    for (const char* host : {"%", "localhost"}) {
        root->execute("CREATE USER IF NOT EXISTS '" + user + "'@'" + host + "' IDENTIFIED BY 'clave1'");
        root->execute("GRANT ALL ON *.* TO '" + user + "'@'" + host + "'");
    }
    createConexion({testdb::serverParams().host, "prueba", user, "clave1", demo->id()}, dir.string());
    auto cli = [&](const std::string& args, int& status) {
        std::string cmd = std::string(REMU_CLI_DIR) + "/remu-cli historial " + args + " --dir " + dir.string() + " 2>" +
                          (dir / "err.txt").string();
        FILE* p = popen(cmd.c_str(), "r");
        std::string out;
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        status = WEXITSTATUS(pclose(p));
        return out;
    };
    int status = -1;
    const std::string empresa = "--empresa " + demo->northDb();
    std::string out = cli(empresa + " --codigo 1 --desde 2019-01 --hasta 2019-03", status);
    EXPECT_EQ(status, 0) << out;
    WorkerHistory h = buildHistory(*conn, demo->id(), "0001",
                                   {Period::of(2019, 1), Period::of(2019, 2), Period::of(2019, 3)}, dir.string());
    EXPECT_EQ(out, historyText(h));
    EXPECT_NE(out.find("TOTAL 2019"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "REMUMES.DBF"));

    cli(empresa + " --codigo 0001 --desde 2019-13", status);
    EXPECT_EQ(status, 1);
    std::ifstream err(dir / "err.txt");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(err), {}).find("Mes no válido en --desde: \"2019-13\""),
              std::string::npos);
    cli(empresa, status);
    EXPECT_EQ(status, 2);

    for (const char* host : {"%", "localhost"}) root->execute("DROP USER '" + user + "'@'" + host + "'");
}
