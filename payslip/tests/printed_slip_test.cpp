#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/work_tables.h"
#include "format/helpers.h"
#include "payslip/printed_slip.h"
#include "tests/support/demo_client.h"
#include "widgets/print_job.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

PaySlipLine line(const std::string& code, const std::string& person, const std::string& name,
                 const std::string& habdes, int tipo, int imponi, const std::string& descri, double valfin,
                 const std::string& titulo = {}, int secuen = 5) {
    PaySlipLine l;
    l.MES_REM = "03";
    l.PERSON_REM = person;
    l.NOMBRE_REM = name;
    l.APENOM_REM = name;
    l.HABDES_REM = habdes;
    l.TIPO_REM = tipo;
    l.IMPONI_REM = imponi;
    l.DESCRI_REM = descri;
    l.VALFIN_REM = valfin;
    l.TITULO_REM = titulo.empty() ? descri.substr(0, 20) : titulo;
    l.SECUEN_REM = secuen;
    (void)code;
    return l;
}

// The lines the engine leaves for demo worker 0001 in March 2019 (no unemployment insurance line).
std::vector<PaySlipLine> worker0001() {
    const std::string p = "0001", n = "PÉREZ NÚÑEZ JUAN CARLOS";
    return {
        line("", p, n, "998", 1, 1, "DIAS TRABAJADOS", 30, "", 2),
        line("", p, n, "SUE", 1, 1, "SUELDO DEL MES", 650000, "", 3),
        line("", p, n, "B01", 1, 1, "BONO PRODUCCION", 0),
        line("", p, n, "GRA", 1, 1, "GRATIFICACION", 162500, "", 20),
        line("", p, n, "TIM", 1, 1, "TOTAL IMPONIBLE", 812500, "", 30),
        line("", p, n, "SBA", 1, 1, "SUELDO BASE", 650000, "", 0),
        line("", p, n, "BIM", 1, 1, "BASE IMPONIBLE", 812500, "", 29),
        line("", p, n, "COL", 1, 2, "COLACION", 50000),
        line("", p, n, "MOV", 1, 2, "MOVILIZACION", 0),
        line("", p, n, "NIM", 1, 2, "TOTAL NO IMPONIBLE", 50000, "", 20),
        line("", p, n, "THA", 1, 2, "TOTAL HABERES", 862500, "", 35),
        line("", p, n, "05", 2, 0, "HABITAT 11.27 %", 91569, "AFP", 1),
        line("", p, n, "03", 2, 0, "BANMEDICA", 71866, "ISAPRE", 2),
        line("", p, n, "02", 2, 0, "CCAF LOS ANDES 0.6%", 0, "CCAF COTIZ"),
        line("", p, n, "P01", 2, 0, "PRESTAMO EMPRESA", 0, "PRESTAMO EMPRESA"),
        line("", p, n, "TDE", 2, 2, "TOTAL DESCUENTOS", 163435, "", 5),
        line("", p, n, "ALQ", 2, 2, "ALCANCE LIQUIDO", 699065, "", 35),
        line("", p, n, "MUT", 5, 0, "MUTUAL 0.93%", 7556, "MUT %0.93", 0),
        line("", p, n, "SIS", 5, 0, "SEGURO INV.SOBREV.", 12756, "SIS", 0),
    };
}

std::vector<PaySlipLine> worker0004() {
    const std::string p = "0004", n = "DÍAZ PÉREZ MANUEL";
    return {
        line("", p, n, "SUE", 1, 1, "SUELDO DEL MES", 2000000, "", 3),
        line("", p, n, "TIM", 1, 1, "TOTAL IMPONIBLE", 2000000, "", 30),
        line("", p, n, "TDE", 2, 2, "TOTAL DESCUENTOS", 765433, "", 5),
        line("", p, n, "SCE", 5, 0, "SEGURO CESANTIA EMPLEADOR", 48000, "APORTE CESANTIA EMPL", 0),
    };
}

class PrintedSlipTest : public testdb::DemoSuite {
protected:

    void SetUp() override {
        dir = fs::temp_directory_path() / ("slip_" + testdb::uniqueTag());
        fs::create_directories(dir);
        createWorkTable(WorkTable::REMUMES, dir.string());
        s.ID_CLIENTE = demo->id();
        s.CID_CLIENTE_CONT = demo->id() + "_CONT";
        s.OCON = demo->connectNorth();
        s.period = Period::of(2019, 3);
        s.CCODIGO_PERD = "0001";
        s.DFECHA = Date{2019, 3, 5};
        setPrintJobFactory([this](const PrintJobOptions& o) {
            job = std::make_shared<RecordingPrintJob>(o);
            return job;
        });
        run.workDir = dir.string();
        run.calculate = [this](const std::string& from, const std::string& to) {
            calcFrom = from;
            calcTo = to;
            writeWorkTable(WorkTable::REMUMES, remumes, dir.string());
            return calcOk;
        };
        run.statusChanged = [this] { statuses.push_back(s.CPROCESO); };
    }
    void TearDown() override {
        setPrintJobFactory({});
        fs::remove_all(dir);
    }

    const RecordingPrintJob::Item* at(size_t page, double row, double col) { return job->textAt(page, row, col); }
    std::string textAt(size_t page, double row, double col) {
        auto* it = at(page, row, col);
        return it ? it->text : std::string("<none>");
    }

    fs::path dir;
    Session s;
    RecordingPort ui;
    PrintedSlipRun run;
    std::shared_ptr<RecordingPrintJob> job;
    std::vector<PaySlipLine> remumes;
    std::string calcFrom, calcTo;
    bool calcOk = true;
    std::vector<std::string> statuses;
};


}  // namespace

TEST_F(PrintedSlipTest, DemoWorkerPage) {
    remumes = worker0001();
    ASSERT_TRUE(LIQUIDA2("VP", s, ui, run)) << ::testing::PrintToString(ui.lines());
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(calcFrom, "0001");
    EXPECT_EQ(calcTo, "0001");
    ASSERT_TRUE(job);
    EXPECT_TRUE(job->preview());
    ASSERT_EQ(job->pages().size(), 1u);
    // The preview's title names the worker and the month; an export suggests his file name.
    EXPECT_EQ(job->documentName(), "Liquidación de sueldo 0001 PÉREZ NÚÑEZ JUAN CARLOS - MARZO 2019");
    EXPECT_EQ(job->exportName(), "LIQUIDACION_12345678-5_2019_03");

    // Header from the server rows of the worker, the company and the month.
    EXPECT_EQ(textAt(0, 1.0, 6), "COMERCIAL MINERA DEL NORTE LTDA.");
    EXPECT_EQ(textAt(0, 2.2, 6), "ANTOFAGASTA, ANTOFAGASTA - Chile");
    EXPECT_EQ(textAt(0, 3.2, 1.0), std::string(39, ' ') + "LIQUIDACION DE SUELDO  MARZO 2019");
    EXPECT_EQ(textAt(0, 4.0, 4.3), ": 0001  PÉREZ NÚÑEZ JUAN CARLOS");
    EXPECT_EQ(textAt(0, 4.4, 4.3), ": 012345678-5");
    EXPECT_EQ(textAt(0, 4.8, 12.3), ": 02/04/2012");
    EXPECT_EQ(textAt(0, 5.2, 4.3), ": 30");
    EXPECT_EQ(textAt(0, 5.6, 4.3), ": $  650,000");
    EXPECT_EQ(textAt(0, 5.6, 12.3), ": UF  79.20   $ 2,183,208");
    EXPECT_EQ(textAt(0, 6.4, 4.3), ": 27,565.76");
    EXPECT_EQ(textAt(0, 6.0, 4.3), ": UF 2.600");  // agreed health plan in UF
    EXPECT_EQ(textAt(0, 6.0, 5.7), "$ 71,671");
    EXPECT_EQ(textAt(0, 6.4, 9.0), "NO AFILIADO A SEG.CES.");
    EXPECT_EQ(job->findText(0, "APORTE SEG.CES.EMP."), nullptr);
    EXPECT_EQ(textAt(0, 6.0, 18.5), ": 7,556");
    EXPECT_EQ(textAt(0, 6.4, 18.5), ": 12,756");

    // Earnings: zero taxable lines and SUELDO BASE / DIAS TRABAJADOS left out, then the totals.
    EXPECT_EQ(textAt(0, 8.0, 1.5), "SUELDO DEL MES");
    EXPECT_EQ(textAt(0, 8.4, 1.5), "GRATIFICACION");
    auto* total = at(0, 8.8, 1.5);
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->text, "TOTAL IMPONIBLE");
    EXPECT_TRUE(total->font.bold);
    auto* amount = at(0, 8.8, 9.5);
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(amount->text, "   812,500");
    EXPECT_EQ(amount->align, PrintAlign::Right);
    EXPECT_EQ(textAt(0, 9.6, 1.5), "COLACION");
    EXPECT_EQ(textAt(0, 10.0, 1.5), "TOTAL NO IMPONIBLE");
    EXPECT_EQ(job->findText(0, "MOVILIZACION"), nullptr);
    EXPECT_EQ(job->findText(0, "BONO PRODUCCION"), nullptr);

    // Deductions with their prefixes; a zero deduction prints, a zero CCAF line does not.
    EXPECT_EQ(textAt(0, 8.0, 10.0), "AFP HABITAT 11.27 %");
    EXPECT_EQ(textAt(0, 8.4, 10.0), "ISAPRE BANMEDICA 7%");
    EXPECT_EQ(textAt(0, 8.8, 10.0), "PRESTAMO EMPRESA");
    EXPECT_EQ(textAt(0, 8.8, 18.5), "         0");
    EXPECT_EQ(job->findText(0, "CCAF LOS ANDES 0.6%"), nullptr);

    EXPECT_EQ(textAt(0, 16.5, 9.5), "    862,500");
    EXPECT_EQ(textAt(0, 16.5, 18.5), "   163,435");
    EXPECT_EQ(textAt(0, 17.36, 10.0), "ALCANCE LIQUIDO");
    EXPECT_EQ(textAt(0, 17.36, 18.5), "    699,065");
    EXPECT_EQ(textAt(0, 18.4, 1.5), "SON: " + MONTO_FF(699065) + " PESOS");
    EXPECT_EQ(textAt(0, 18.4, 1.5).rfind("SON: SEISCIENTOS NOVENTA Y NUEVE MIL", 0), 0u);
    EXPECT_EQ(textAt(0, 19.0, 1.5),
              "Certifico que he recibido de COMERCIAL MINERA DEL NORTE LTDA. a entera satisfacción");
    EXPECT_EQ(textAt(0, 23.3, 1.5), "JUAN CARLOS PÉREZ NÚÑEZ");
    EXPECT_EQ(textAt(0, 24.0, 1.5), "ANTOFAGASTA 05 MARZO DE 2019");
    EXPECT_EQ(textAt(0, 3.0, 1.2), slipRule(69));
    EXPECT_EQ(textAt(0, 16.5, 19.8), kSlipFrameChar);
    EXPECT_EQ(ruleKind(slipRule(69)), RuleKind::Horizontal);
    EXPECT_EQ(ruleKind(kSlipFrameChar), RuleKind::Vertical);

    // The status label, and what the run leaves for the next output.
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front(), "Generando VISTA PREVIA .. ");
    EXPECT_EQ(statuses.back(), "Generando VISTA PREVIA .. 0001");
    EXPECT_EQ(s.CCODIGO_PERD, "0001");
    EXPECT_EQ(s.CCODIGO_PERH, "    ");
    EXPECT_DOUBLE_EQ(s.VALUTM, 48353);
}

TEST_F(PrintedSlipTest, RangeInNameOrderAndPrintMode) {
    remumes = worker0001();
    for (auto& l : worker0004()) remumes.push_back(l);
    s.CCODIGO_PERH = "0004";
    ASSERT_TRUE(LIQUIDA2("IM", s, ui, run));
    ASSERT_EQ(job->pages().size(), 2u);
    EXPECT_FALSE(job->preview());
    EXPECT_EQ(job->documentName(), "Liquidaciones de sueldo COMERCIAL MINERA DEL NORTE LTDA. - MARZO 2019");
    EXPECT_EQ(job->exportName(), "LIQUIDACIONES_2019_03");
    EXPECT_EQ(textAt(0, 4.0, 4.3), ": 0004  DÍAZ PÉREZ MANUEL");
    EXPECT_EQ(textAt(1, 4.0, 4.3), ": 0001  PÉREZ NÚÑEZ JUAN CARLOS");
    EXPECT_EQ(textAt(0, 6.4, 9.0), "APORTE SEG.CES.EMP.");
    EXPECT_EQ(textAt(0, 6.4, 12.3), ": 48,000");
    EXPECT_EQ(textAt(0, 6.0, 18.5), ": 0");  // no mutual line
    EXPECT_EQ(textAt(0, 16.5, 9.5), "  2,000,000");
    EXPECT_EQ(textAt(0, 17.36, 18.5), "  1,234,567");
    EXPECT_EQ(textAt(0, 18.4, 1.5), "SON: " + MONTO_FF(1234567) + " PESOS");
    EXPECT_EQ(statuses.front(), "Imprimiendo .. ");

    // The marker file ZUMEL.TXT in the working folder changes every page's title.
    std::ofstream(dir / "zumel.txt") << "";
    s.CCODIGO_PERH = "0004";
    ASSERT_TRUE(LIQUIDA2("IM", s, ui, run));
    for (size_t page = 0; page < 2; ++page) {
        EXPECT_EQ(textAt(page, 3.8, 1.0), std::string(15, ' ') + "LIQUIDACION DE REMUNERACIONES  MARZO 2019");
        EXPECT_EQ(at(page, 3.2, 1.0), nullptr);
    }
}

TEST_F(PrintedSlipTest, RefusalsPrintNothing) {
    remumes = worker0001();
    s.CCODIGO_PERD = "0999";
    EXPECT_FALSE(LIQUIDA2("VP", s, ui, run));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Alerta|Trabajador No Encontrado"});
    EXPECT_FALSE(job);
    EXPECT_TRUE(calcFrom.empty());

    // A contract that ended before the month.
    ui.clear();
    s.OCON->execute(
        "UPDATE 2019_personal SET anomes_termino_per = 201902, fecha_termino_per = '2019-02-28' "
        "WHERE mes_per = '03' AND codigo_per = '0002'");
    s.CCODIGO_PERD = "0002";
    EXPECT_FALSE(LIQUIDA2("VP", s, ui, run));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|201902|Trabajador inactivo, fecha termino contrato anterior a  "
                                                   "MARZO 2019\r\nFecha Fin contrato: 28/02/2019"});
    EXPECT_FALSE(job);

    // The engine refused: nothing printed, no further message.
    ui.clear();
    s.CCODIGO_PERD = "0001";
    calcOk = false;
    EXPECT_FALSE(LIQUIDA2("VP", s, ui, run));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(job);

    // Nothing left to show (the cost centre filter hides every line): no empty preview.
    calcOk = true;
    s.CCENCOS = "ZZZ ";
    EXPECT_FALSE(LIQUIDA2("VP", s, ui, run));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Alerta|no se encontró informción"});
    EXPECT_FALSE(job);
    EXPECT_EQ(s.CCENCOS, "    ");
}

TEST(PrintedSlipPage, TitlesByClientAndSalaryInUf) {
    SlipContent c;
    c.code = "0002";
    c.name = "SAAVEDRA CONTRERAS CONSTANZA";
    PersonnelRow w;
    w.codigo_per = "0002";
    w.moneda_sueldo_per = 2;
    w.moneda_sueldo_valor_per = 48.5;
    w.comprobante_pago = 1;
    SlipPage p;
    p.content = &c;
    p.worker = &w;
    p.params.uf = 27565.76;
    p.period = Period::of(2019, 3);
    p.date = Date{2019, 3, 5};
    p.idCliente = "QUERNEL2";

    auto draw = [&](const SlipPage& page) {
        auto job = std::make_shared<RecordingPrintJob>();
        job->PAGEBEGIN();
        printSlipPage(*job, page);
        job->PAGEEND();
        return job;
    };
    auto job = draw(p);
    EXPECT_EQ(job->textAt(0, 3.3, 1.0)->text, std::string(39, ' ') + "COMPROBANTE DE PAGO  MARZO 2019");
    EXPECT_EQ(job->textAt(0, 5.6, 4.3)->text, ": (UF 48.50)");
    EXPECT_EQ(job->textAt(0, 5.6, 6.4)->text, "$ 1,336,939.36");
    EXPECT_EQ(job->findText(0, "PACTADO ISAPRE:"), nullptr);
    w.comprobante_pago = 0;
    EXPECT_EQ(draw(p)->textAt(0, 3.3, 1.0)->text, std::string(39, ' ') + "LIQUIDACION DE SUELDO  MARZO 2019");
    p.zumel = true;  // the client's own titles come first
    EXPECT_EQ(draw(p)->textAt(0, 3.3, 1.0)->text, std::string(39, ' ') + "LIQUIDACION DE SUELDO  MARZO 2019");
    p.idCliente = "DEMO";
    EXPECT_EQ(draw(p)->textAt(0, 3.8, 1.0)->text, std::string(15, ' ') + "LIQUIDACION DE REMUNERACIONES  MARZO 2019");
}
