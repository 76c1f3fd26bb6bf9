#include "payslip/pdf_slip.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/ui_port.h"
#include "data/local_tables.h"
#include "format/helpers.h"
#include "format/picture.h"
#include "payslip/mail_queue.h"
#include "payslip/tests/pdf_fixture.h"
#include "pdf/tpdf.h"

namespace fs = std::filesystem;
using namespace remu;
using remu::test::shell;

namespace {

std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// pdftotext spaces the fixed-pitch columns its own way: compare with blanks collapsed
// and the frame's bars taken as blanks.
std::string collapse(const std::string& text) {
    std::string out;
    for (char c : text) {
        bool space = c == ' ' || c == '\n' || c == '\t' || c == '\f' || c == '|';
        if (space && (out.empty() || out.back() == ' ')) continue;
        out += space ? ' ' : c;
    }
    return out;
}

std::string shellQuoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

TEST(PdfSlip, NamesAndCoordinates) {
    PersonnelRow w;
    w.rut_per = "R";
    w.apepat_per = "A";
    w.apemat_per = "B ";
    w.nombres_per = " C";
    EXPECT_EQ(pdfSlipFileName(w, Period::of(2019, 3)), "R_A B C_2019_03.pdf");
    EXPECT_EQ(ROUND(CM2DPI(2.0), 2), 785.31);
    EXPECT_EQ(ROUND(CM2DPI(2.5), 2), 771.14);
    EXPECT_EQ(static_cast<int>(CM2DPI(2.0)), 785);

    // The company RUT comes dotted and without its leading zero; the worker's as stored.
    EXPECT_EQ(pdfSlipRut("76.354.771-K"), "76.354.771-K");
    EXPECT_EQ(pdfSlipRut("76354771-K"), "76.354.771-K");
    EXPECT_EQ(pdfSlipRut("076354771-K"), "76.354.771-K");
    EXPECT_EQ(pdfSlipRut("009876543-2"), "9.876.543-2");
}

TEST(PdfSlip, AdditionalHealthAmountNeverPrintsOverThePlanInPesos) {
    PersonnelRow w;
    w.valor_pactado_per = 4.2;
    w.pactado_isapre_per = 5;  // plan in UF
    w.adicional_pesos_per = 5000;
    SlipParams par;
    par.uf = 27565.76;
    Session s;
    s.period = Period::of(2019, 3);
    char tmpl[] = "/tmp/remu_slipx_XXXXXX";
    fs::path dir = mkdtemp(tmpl);
    auto draw = [&] {
        auto pdf = TPDF::New((dir / "x.pdf").string());
        pdf->Pdfnewpage(std::nullopt, "P", std::nullopt, "VERDANA", std::nullopt, 8);
        drawPdfSlip(*pdf, SlipContent{}, w, std::nullopt, SlipCompany{}, par, s);
        return pdf->pageBuffer();
    };
    // Column of the text written on row 675, or -1.
    auto column = [](const std::string& buffer, const std::string& text) {
        auto at = buffer.find(" 675.00 Td (" + text + ")");
        if (at == std::string::npos) return -1.0;
        auto start = buffer.rfind(' ', at - 1);
        return std::stod(buffer.substr(start + 1, at - start - 1));
    };
    std::string page = draw();
    EXPECT_EQ(column(page, ": UF 4.200"), 85);
    double pesos = column(page, "$ 115,776"), extra = column(page, "+ $ 5,000");
    ASSERT_GT(pesos, 0);
    EXPECT_GE(extra, pesos + 10 * 4.8);      // a blank after "$ 115,776"
    EXPECT_LE(extra + 9 * 4.8, 230.0);       // before "TOPE CESANTIA"
    EXPECT_GE(pesos, 85 + 11 * 4.8);         // a blank after ": UF 4.200"

    // A plan in pesos keeps the places of the layout.
    w.pactado_isapre_per = 1;
    w.valor_pactado_per = 95000;
    page = draw();
    EXPECT_EQ(column(page, ": $ 95,000"), 120);
    EXPECT_EQ(column(page, "+ $ 5,000"), 180);
    fs::remove_all(dir);
}

TEST(PdfSlip, EveryFileIsAValidPdfWithTheWorkersFigures) {
    test::SlipMonth m;
    RecordingPort ui;
    // Leftovers of an earlier run, including a half-written slip.
    fs::create_directories(m.pdfs());
    std::ofstream(m.pdfs() + "/viejo.PDF") << "x";
    std::ofstream(m.pdfs() + "/.roto.pdf.part") << "%PDF-1.3";

    auto engine = [&] {
        writeWorkTable(WorkTable::REMUMES, m.remumes, m.dir.string());
        return true;
    };
    std::vector<std::string> files;
    PdfSlipOptions opt{m.dir.string(), true};
    opt.onWritten = [&](const std::string& path) { files.push_back(path); };
    auto result = LIQUI_PDF(m.s, ui, engine, opt);
    ASSERT_TRUE(result.ok) << testing::PrintToString(ui.lines());
    EXPECT_TRUE(ui.boxes.empty()) << testing::PrintToString(ui.lines());
    EXPECT_EQ(ui.progressTexts.back(), "Generando en PDF .. ");
    ASSERT_EQ(ui.openedFiles.size(), 1u);
    EXPECT_EQ(ui.openedFiles[0], m.pdfs());
    EXPECT_EQ(m.s.CCODIGO_PERD, "    ");

    // Files in worker-name order; nothing but the slips is left in the folder.
    std::vector<std::string> expected = {"009876543-2_O'HIGGINS RIQUELME BERNARDO_2019_03.pdf",
                                         "011111111-1_ZÚÑIGA ARAYA MARÍA_2019_03.pdf",
                                         "012345678-9_PÉREZ SOTO JOSÉ IGNACIO_2019_03.pdf"};
    EXPECT_EQ(listing(m.pdfs()), expected);
    ASSERT_EQ(result.written, 3u);
    // Told in slip order (by name), with the folder.
    const std::string slipOrder[] = {expected[0], expected[2], expected[1]};
    ASSERT_EQ(files.size(), 3u);
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(fs::path(files[i]).filename().string(), slipOrder[i]);
        EXPECT_TRUE(fs::equivalent(fs::path(files[i]).parent_path(), m.pdfs())) << files[i];
    }

    // Every slip is a valid PDF whose text gives back its worker and figures, accents included.
    struct Figures {
        const char *name, *rut, *taxable, *earnings, *net;
    };
    const Figures figures[] = {
        {"0002  BERNARDO O'HIGGINS RIQUELME", "9.876.543-2", "700,000", "720,000", "635,000"},
        {"0001  JOSÉ IGNACIO PÉREZ SOTO", "12.345.678-9", "600,000", "620,000", "535,000"},
        {"0003  MARÍA ZÚÑIGA ARAYA", "11.111.111-1", "450,000", "470,000", "385,000"},
    };
    for (size_t i = 0; i < files.size(); ++i) {
        const auto& file = files[i];
        auto [rc, out] = shell("qpdf --check " + shellQuoted(file));
        EXPECT_EQ(rc, 0) << file << "\n" << out;
        auto [rcText, raw] = shell("pdftotext -layout -enc UTF-8 " + shellQuoted(file) + " -");
        ASSERT_EQ(rcText, 0) << raw;
        std::string got = collapse(raw);
        const auto& f = figures[i];
        for (std::string want : {std::string(": ") + f.name, std::string(": ") + f.rut,
                                 std::string("TOTAL IMPONIBLE ") + f.taxable, std::string("TOTAL HABERES ") + f.earnings,
                                 std::string("TOTAL DESCUENTOS 85,000"), std::string("ALCANCE LIQUIDO"),
                                 std::string(f.net), std::string("76.123.456-7")})
            EXPECT_NE(got.find(collapse(want)), std::string::npos) << file << ": " << want << "\n" << raw;
    }
    auto [rc, text0] = shell("pdftotext -layout -enc UTF-8 " + shellQuoted(files[1]) + " -");
    std::string text = collapse(text0);
    ASSERT_EQ(rc, 0) << text0;
    for (const char* want :
         {"Comercial Ñandú Ltda.", "76.123.456-7", "LIQUIDACION DE SUELDO  MARZO 2019", "0001  JOSÉ IGNACIO PÉREZ SOTO",
          "12.345.678-9", "CC01  ADMINISTRACIÓN", "01/04/2015", ": $  600,000", "SUELDO DEL MES", "600,000",
          "TOTAL IMPONIBLE", "COLACION", "MOVILIZACION", "20,000", "TOTAL NO IMPONIBLE", "AFP PROVIDA 11.45 %",
          "ISAPRE BANMEDICA 7%", "TOTAL HABERES", "620,000", "TOTAL DESCUENTOS", "85,000", "ALCANCE LIQUIDO",
          "535,000", ": 12,000", ": 4,650", ": 7,650", ": UF 3.500", "$ 96,480", "VALOR UF", ": 27,565.76",
          "SANTIAGO 05 MARZO DE 2019", "Vº Bº Administración", "monto líquido", "a entera satisfacción"})
        EXPECT_NE(text.find(collapse(want)), std::string::npos) << want << "\n" << text0;
    // A zero CCAF contribution is left out.
    EXPECT_EQ(text.find("CCAF LOS ANDES"), std::string::npos);

    // The second run writes only the selected worker and removes the first run's files.
    m.s.CCODIGO_PERD = "0002";
    m.s.CCODIGO_PERH = "    ";
    auto again = LIQUI_PDF(m.s, ui, engine, {m.dir.string(), false});
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(listing(m.pdfs()), std::vector<std::string>{expected[0]});
}

TEST(PdfSlip, EngineFailureAndInactiveWorkerWriteNothing) {
    test::SlipMonth m;
    RecordingPort ui;
    fs::create_directories(m.pdfs());
    std::ofstream(m.pdfs() + "/anterior.pdf") << "x";
    auto result = LIQUI_PDF(m.s, ui, [] { return false; }, {m.dir.string(), true});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(listing(m.pdfs()).empty());
    EXPECT_TRUE(ui.openedFiles.empty());

    m.company->runSql(
        "UPDATE 2019_personal SET anomes_termino_per = 201812, fecha_termino_per = '2018-12-31' WHERE codigo_per = '0001'");
    m.s.CCODIGO_PERD = "0001";
    bool ran = false;
    result = LIQUI_PDF(m.s, ui, [&] { return ran = true; }, {m.dir.string(), true});
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(ran);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].kind, BoxKind::Stop);
    EXPECT_EQ(ui.boxes[0].title, "201812");
    EXPECT_EQ(ui.boxes[0].text,
              "Trabajador inactivo, fecha termino contrato anterior a  MARZO 2019\r\nFecha Fin contrato: 31/12/2018");
}

TEST(PdfSlip, AFileThatCannotBeCreatedStopsTheRun) {
    test::SlipMonth m;
    RecordingPort ui;
    std::ofstream(m.pdfs()) << "no es carpeta";  // PDFS taken by a file
    auto result = writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), true});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.written, 0u);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Atención|Imposible realizar la operación, el archivo PDF "
                                                   "está abierto\r\nCierre el Archivo PDF"});
    EXPECT_TRUE(ui.openedFiles.empty());
}

TEST(MailQueue, QueuesEachAddressOncePerDay) {
    test::SlipMonth m;
    auto queue = test::queueFor(m);
    testdb::ScratchDatabase& queueDb = *queue;

    RecordingPort ui;
    auto first = writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false});
    ASSERT_TRUE(first.ok) << testing::PrintToString(ui.lines());
    EXPECT_EQ(first.queued, 2);  // the worker without address gets no row
    auto second = writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false});
    EXPECT_EQ(second.queued, 0);
    EXPECT_TRUE(ui.boxes.empty()) << testing::PrintToString(ui.lines());

    auto rows = queueDb.connect()->query(
        "SELECT no_cia, cod_pla, no_emple, fecha_registro, nombre, direccion_correo, nombre_archivo,"
        " LENGTH(observaciones), enviado FROM CORREOS_ENVIAR ORDER BY no_emple");
    ASSERT_EQ(rows->RecordCount(), 2);
    rows->MoveFirst();
    EXPECT_EQ(rows->Fields("no_cia").text(), "16");
    EXPECT_EQ(rows->Fields("cod_pla").text(), "03");
    EXPECT_EQ(rows->Fields("no_emple").text(), "09876543-2");
    EXPECT_EQ(rows->Fields("fecha_registro").date(), (Date{2019, 3, 5}));
    EXPECT_EQ(rows->Fields("nombre").text(), "O'HIGGINS RIQUELME BERNARDO");
    EXPECT_EQ(rows->Fields("direccion_correo").text(), "bernardo@correo.cl");
    EXPECT_EQ(rows->Fields("nombre_archivo").text(), "009876543-2_O'HIGGINS RIQUELME BERNARDO_2019_03.pdf");
    EXPECT_EQ(rows->Fields(7).integer(), 600);
    EXPECT_EQ(rows->Fields("enviado").text(), "N");

    // Another day queues again.
    m.s.DFECHA = Date{2019, 3, 6};
    EXPECT_EQ(writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false}).queued, 2);

    // An unreachable queue: told once, the slips are still written.
    createColaCorreo({"127.0.0.1:1", "nadie", "x", "nada"}, m.dir.string());
    ui.clear();
    auto offline = writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false});
    EXPECT_TRUE(offline.ok);
    EXPECT_EQ(offline.written, 3u);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|NO SE CONECTO"});
}

// Every worker is accounted for: queued, without address, with an address that
// cannot be used, sharing it with another, or refused by the queue's columns.
TEST(MailQueue, AccountsForEveryWorkerAndQueuesNothingDoubtful) {
    test::SlipMonth m;
    auto queue = test::queueFor(m);
    testdb::ScratchDatabase& queueDb = *queue;
    m.addWorker("0004", "004444444-4", "SOTO", "SOTO", "ANA", "jose@correo.cl", 500000);  // shares José's address
    m.addWorker("0005", "005555555-5", "ROJAS", "DIAZ", "LUIS", "luis@correo.cl\r\nRCPT TO:<x@y.cl>", 500000);
    // 40 + 40 + 58 characters: the full name does not fit the queue's 100-character column.
    m.addWorker("0006", "006666666-6", "A", "B", "C", "largo@correo.cl", 500000);
    m.company->runSql("UPDATE 2019_personal SET apepat_per = '" + std::string(40, 'A') + "', apemat_per = '" +
                      std::string(40, 'B') + "', nombres_per = '" + std::string(58, 'C') + "' WHERE codigo_per = '0006'");

    RecordingPort ui;
    PdfSlipOptions opt{m.dir.string(), false, SharedAddresses::Withhold};
    auto r = writePdfSlips(m.s, ui, m.remumes, opt);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.written, 6u);
    EXPECT_FALSE(r.complete());
    auto outcome = [&](const std::string& code) {
        for (auto& e : r.account.entries)
            if (e.code == code) return std::string(mailOutcomeText(e.outcome)) + " " + e.reason;
        return std::string("-");
    };
    EXPECT_EQ(outcome("0001"), "retenido (dirección compartida) la dirección es de más de un trabajador");
    EXPECT_EQ(outcome("0004"), "retenido (dirección compartida) la dirección es de más de un trabajador");
    EXPECT_EQ(outcome("0002"), "registrado en la cola ");
    EXPECT_EQ(outcome("0003"), "sin dirección ");
    EXPECT_EQ(outcome("0005"), "dirección inválida la dirección contiene caracteres de control");
    EXPECT_EQ(outcome("0006"),
              "rechazado el valor de nombre (140 caracteres) no cabe en la columna de la cola (100)");
    auto rows = queueDb.connect()->query("SELECT direccion_correo FROM CORREOS_ENVIAR");
    ASSERT_EQ(rows->RecordCount(), 1);
    EXPECT_EQ(rows->Fields(0).text(), "bernardo@correo.cl");

    // Confirmed, the shared address is queued for both.
    opt.shared = SharedAddresses::Allow;
    r = writePdfSlips(m.s, ui, m.remumes, opt);
    EXPECT_EQ(r.account.count(MailOutcome::Queued), 3);
    EXPECT_EQ(queueDb.connect()->query("SELECT * FROM CORREOS_ENVIAR")->RecordCount(), 3);
}

TEST(PdfSlip, ControlCharactersAndAmountsTooWideAreReportedByWorker) {
    test::SlipMonth m;
    m.company->runSql("UPDATE 2019_personal SET nombres_per = 'MAR\\0IA' WHERE codigo_per = '0003'");
    for (auto& l : m.remumes)
        if (l.PERSON_REM == "0002" && (l.HABDES_REM == "SUE" || l.HABDES_REM == "TIM")) l.VALFIN_REM = 150000000;
    RecordingPort ui;
    auto r = writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false});
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.complete());
    // No file for the worker whose name holds a NUL (it would lose its ".pdf").
    EXPECT_EQ(listing(m.pdfs()), (std::vector<std::string>{"009876543-2_O'HIGGINS RIQUELME BERNARDO_2019_03.pdf",
                                                           "012345678-9_PÉREZ SOTO JOSÉ IGNACIO_2019_03.pdf"}));
    ASSERT_EQ(r.problems.size(), 5u) << testing::PrintToString(r.problems);
    EXPECT_EQ(r.problems[0],
              "0002 O'HIGGINS RIQUELME BERNARDO: el monto de SUELDO DEL MES 150,000,000 no cabe en la liquidación "
              "(se imprime con asteriscos)");
    EXPECT_NE(r.problems[1].find("TOTAL IMPONIBLE 150,000,000"), std::string::npos);
    EXPECT_NE(r.problems[2].find("TOTAL HABERES 150,020,000"), std::string::npos);
    EXPECT_NE(r.problems[3].find("ALCANCE LIQUIDO 149,935,000"), std::string::npos);
    EXPECT_EQ(r.problems[4],
              "0003 ZÚÑIGA ARAYA MAR IA: no se escribió su liquidación, su RUT o su nombre contiene caracteres de "
              "control");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Atención");
    // The layout stays as it is: the amount prints as asterisks.
    auto [rc, text] = shell("pdftotext -layout " + shellQuoted(m.pdfs() + "/009876543-2_O'HIGGINS RIQUELME BERNARDO_2019_03.pdf") + " -");
    EXPECT_NE(text.find("**********"), std::string::npos);
}
