#include "payslip/pdf_protect.h"

#include <gtest/gtest.h>

#include "core/ui_port.h"
#include "format/text.h"
#include "payslip/mass_mail.h"
#include "payslip/pdf_slip.h"
#include "payslip/tests/pdf_fixture.h"
#include "pdf/tpdf.h"
#include "sender/tests/smtp_fixture.h"

namespace fs = std::filesystem;
using namespace remu;
using remu::test::shell;

namespace {

std::string quoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// qpdf --check and pdftotext, with and without the password: readable only with it.
void expectOpensOnlyWith(const std::string& path, const std::string& password, const std::string& someText) {
    EXPECT_EQ(shell("qpdf --check --password=" + password + " " + quoted(path)).first, 0) << path;
    auto [rc, text] = shell("pdftotext -upw " + password + " " + quoted(path) + " -");
    EXPECT_EQ(rc, 0) << text;
    EXPECT_NE(text.find(someText), std::string::npos) << text;
    EXPECT_NE(shell("qpdf --check " + quoted(path)).first, 0) << path;
    auto [plainRc, plainText] = shell("pdftotext " + quoted(path) + " -");
    EXPECT_NE(plainRc, 0) << plainText;
    EXPECT_EQ(plainText.find(someText), std::string::npos);
}

const std::string kJose = "012345678-9_PÉREZ SOTO JOSÉ IGNACIO_2019_03.pdf";
const std::string kBernardo = "009876543-2_O'HIGGINS RIQUELME BERNARDO_2019_03.pdf";
const std::string kMaria = "011111111-1_ZÚÑIGA ARAYA MARÍA_2019_03.pdf";

}  // namespace

TEST(SlipProtection, MarkerRuleAndPassword) {
    test::SlipMonth m;
    std::string problem;
    auto off = readSlipProtection(m.dir.string(), problem);
    ASSERT_TRUE(off);
    EXPECT_FALSE(off->on);

    auto withMarker = [&](const std::string& name, const std::string& content) {
        for (auto& e : fs::directory_iterator(m.dir))
            if (upper(e.path().filename().string()) == "PROTEGE.TXT") fs::remove(e.path());
        std::ofstream(m.dir / name, std::ios::binary) << content;
        problem.clear();
        return readSlipProtection(m.dir.string(), problem);
    };
    for (auto [content, digits] : std::vector<std::pair<std::string, int>>{
             {"", 4}, {"\r\n", 4}, {"6\r\n", 6}, {"\xEF\xBB\xBF" "5", 5}, {" 8 ", 8}, {"04", 4}}) {
        auto p = withMarker("PROTEGE.TXT", content);
        ASSERT_TRUE(p) << content << problem;
        EXPECT_TRUE(p->on);
        EXPECT_EQ(p->digits, digits) << content;
    }
    EXPECT_EQ(withMarker("protege.txt", "7")->digits, 7);
    for (const std::string bad : {"3", "9", "cuatro", "4 5", "-4", "123"}) {
        EXPECT_FALSE(withMarker("PROTEGE.TXT", bad)) << bad;
        EXPECT_EQ(problem, "El archivo PROTEGE.TXT debe estar vacío o indicar cuántos dígitos del RUT forman la "
                           "clave de las liquidaciones PDF (de 4 a 8)");
    }

    // The digits the worker types: no dots, no zero-fill, never the check digit.
    EXPECT_EQ(slipPassword("012345678-5", 4), "1234");
    EXPECT_EQ(slipPassword("12.345.678-5", 4), "1234");
    EXPECT_EQ(slipPassword("006805048-0", 7), "6805048");
    EXPECT_EQ(slipPassword("014384983-K", 8), "14384983");
    EXPECT_FALSE(slipPassword("006805048-0", 8));
    EXPECT_FALSE(slipPassword("", 4));
    EXPECT_FALSE(slipPassword("0123A5678-5", 4));
    EXPECT_FALSE(slipPassword("123456785", 4));
    EXPECT_EQ(slipPasswordRule(4), "los 4 primeros dígitos de su RUT");
}

TEST(SlipProtection, EncryptedInMemoryOpensOnlyWithThePassword) {
    auto pdf = TPDF::NewInMemory();
    pdf->Pdfnewpage(std::nullopt, "P", std::nullopt, "VERDANA", std::nullopt, 8);
    pdf->Pdfatsay("ALCANCE LIQUIDO 1.234.567", 700, 50);
    ASSERT_TRUE(pdf->Pdfclose());
    std::string plain = pdf->takeDocument();
    ASSERT_EQ(plain.rfind("%PDF-1.3", 0), 0u);

    std::string error;
    auto locked = protectPdf(plain, "1234", error);
    ASSERT_TRUE(locked) << error;
    EXPECT_EQ(locked->find("ALCANCE"), std::string::npos);
    char tmpl[] = "/tmp/remu_protect_XXXXXX";
    fs::path dir = mkdtemp(tmpl);
    std::string path = (dir / "x.pdf").string();
    std::ofstream(path, std::ios::binary) << *locked;
    expectOpensOnlyWith(path, "1234", "ALCANCE LIQUIDO 1.234.567");
    EXPECT_NE(shell("pdftotext -upw 0123 " + path + " -").first, 0);
    auto [rc, info] = shell("qpdf --show-encryption --password=1234 " + path);
    EXPECT_NE(info.find("AESv3"), std::string::npos) << info;  // AES-256
    EXPECT_NE(info.find("print high resolution: allowed"), std::string::npos) << info;

    EXPECT_EQ(pdfLock(path, "1234"), PdfLock::Opens);
    EXPECT_EQ(pdfLock(path, "4321"), PdfLock::WrongPassword);
    EXPECT_EQ(pdfLock(path, ""), PdfLock::WrongPassword);
    std::ofstream((dir / "plain.pdf").string(), std::ios::binary) << plain;
    EXPECT_EQ(pdfLock((dir / "plain.pdf").string(), ""), PdfLock::Plain);
    std::ofstream((dir / "roto.pdf").string()) << "%PDF-1.3 nada";
    EXPECT_EQ(pdfLock((dir / "roto.pdf").string(), ""), PdfLock::Unreadable);

    // What is not a PDF cannot be protected, and says why.
    EXPECT_FALSE(protectPdf("no es un PDF", "1234", error));
    EXPECT_FALSE(error.empty());
    fs::remove_all(dir);
}

// The queue rows of a protected run are those of a plain one: same file names,
// same values; only the files are locked.
TEST(SlipProtection, SlipsAreWrittenLockedAndQueuedAsEver) {
    test::SlipMonth m;
    auto queue = test::queueFor(m);
    auto rows = [&] {
        auto rs = queue->connect()->query("SELECT no_cia, cod_pla, no_emple, fecha_registro, nombre, direccion_correo,"
                                          " nombre_archivo, observaciones, enviado FROM CORREOS_ENVIAR ORDER BY no_emple");
        std::vector<std::string> out;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            std::string row;
            for (int f = 0; f < 9; ++f) row += rs->Fields(f).text() + "|";
            out.push_back(row);
        }
        return out;
    };
    RecordingPort ui;
    auto plain = writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false});
    ASSERT_TRUE(plain.complete());
    EXPECT_EQ(plain.passwordDigits, 0);
    EXPECT_EQ(pdfLock(m.pdfs() + "/" + kJose, ""), PdfLock::Plain);
    auto plainRows = rows();
    ASSERT_EQ(plainRows.size(), 2u);
    queue->runSql("DELETE FROM CORREOS_ENVIAR");

    std::ofstream(m.dir / "PROTEGE.TXT") << "";
    auto locked = writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false});
    ASSERT_TRUE(locked.complete()) << testing::PrintToString(ui.lines());
    EXPECT_TRUE(ui.boxes.empty()) << testing::PrintToString(ui.lines());
    EXPECT_EQ(locked.passwordDigits, 4);
    EXPECT_EQ(locked.queued, 2);
    EXPECT_EQ(rows(), plainRows);
    // Nothing beside the locked slips: no readable copy, no temporary file.
    EXPECT_EQ(listing(m.pdfs()), (std::vector<std::string>{kBernardo, kMaria, kJose}));
    expectOpensOnlyWith(m.pdfs() + "/" + kJose, "1234", "PÉREZ SOTO");
    expectOpensOnlyWith(m.pdfs() + "/" + kBernardo, "9876", "9.876.543-2");
    expectOpensOnlyWith(m.pdfs() + "/" + kMaria, "1111", "LIQUIDACION DE SUELDO");
    // The zero-filled number as stored is not the password.
    EXPECT_EQ(pdfLock(m.pdfs() + "/" + kJose, "0123"), PdfLock::WrongPassword);
}

TEST(SlipProtection, AWorkerWithoutTheDigitsGetsNoSlipAndABadMarkerStopsTheRun) {
    test::SlipMonth m;
    auto queue = test::queueFor(m);
    m.addWorker("0004", "000123456-7", "SOTO", "LARA", "ANA", "ana@correo.cl", 500000);
    std::ofstream(m.dir / "PROTEGE.TXT") << "7\r\n";
    RecordingPort ui;
    auto r = writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false});
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.complete());
    EXPECT_EQ(r.written, 3u);
    EXPECT_EQ(r.problems, std::vector<std::string>{
                              "0004 SOTO LARA ANA: no se escribió su liquidación, su RUT no tiene los 7 dígitos de la clave"});
    EXPECT_EQ(r.queued, 2);
    for (auto& e : r.account.entries)
        if (e.code == "0004") {
            EXPECT_EQ(e.outcome, MailOutcome::Refused);
        }
    EXPECT_EQ(pdfLock(m.pdfs() + "/" + kJose, "1234567"), PdfLock::Opens);

    // A marker that says nothing usable: the run stops before the folder is emptied or the engine runs.
    std::ofstream(m.dir / "PROTEGE.TXT") << "dos";
    ui.clear();
    bool engineRan = false;
    auto stopped = LIQUI_PDF(m.s, ui, [&] { return engineRan = true; }, {m.dir.string(), false});
    EXPECT_FALSE(stopped.ok);
    EXPECT_FALSE(engineRan);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{
                              "Stop|Alto|El archivo PROTEGE.TXT debe estar vacío o indicar cuántos dígitos del RUT "
                              "forman la clave de las liquidaciones PDF (de 4 a 8)"});
    EXPECT_EQ(listing(m.pdfs()).size(), 3u);
}

// A slip that cannot be put in its place leaves nothing readable behind.
TEST(SlipProtection, AFailedSlipLeavesNoReadableFile) {
    test::SlipMonth m;
    std::ofstream(m.dir / "PROTEGE.TXT") << "";
    fs::create_directories(m.pdfs() + "/." + kMaria + ".part");  // the last slip's temporary name is taken
    RecordingPort ui;
    auto r = writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Atención|Imposible realizar la operación, el archivo PDF "
                                                   "está abierto\r\nCierre el Archivo PDF"});
    EXPECT_EQ(listing(m.pdfs()), (std::vector<std::string>{"." + kMaria + ".part", kBernardo, kJose}));
    EXPECT_TRUE(fs::is_empty(m.pdfs() + "/." + kMaria + ".part"));
    EXPECT_EQ(pdfLock(m.pdfs() + "/" + kJose, ""), PdfLock::WrongPassword);
    EXPECT_EQ(pdfLock(m.pdfs() + "/" + kBernardo, ""), PdfLock::WrongPassword);
}

TEST(SlipProtection, TheMailStatesTheRuleAndNeverThePassword) {
    MailSender c{"rrhh@empresa.cl", "clave", "127.0.0.1", "2525", "RRHH"};
    BatchMail mail{"/x/PDFS/a.pdf", "jose@correo.cl", "JOSÉ", "0001", "PÉREZ SOTO JOSÉ", 4};
    const std::string text = "Estimado JOSÉ adjuntamos liquidacion sueldo  MARZO. El archivo está protegido con "
                             "clave: los 4 primeros dígitos de su RUT, sin puntos.";
    EXPECT_EQ(massMailText(mail, 3), text);
    std::string batch = massMailBatch(BatchFlavor::Windows, {mail}, c, 3, "");
    EXPECT_NE(batch.find(" \"" + text + "\" \"RRHH\"\r\n"), std::string::npos) << batch;
    mail.passwordDigits = 0;
    EXPECT_EQ(massMailText(mail, 3), "Estimado JOSÉ adjuntamos liquidacion sueldo  MARZO");

    test::SmtpServer smtp;
    ASSERT_GT(smtp.port(), 0);
    test::SlipMonth m;
    m.company->runSql("UPDATE 2019_personal SET correo_per = 'maria@correo.cl' WHERE codigo_per = '0003'");
    std::ofstream(m.dir / "PROTEGE.TXT") << "";
    RecordingPort ui;
    ASSERT_TRUE(writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false}).complete());
    createCorreo({"rrhh@empresa.cl", "", "127.0.0.1", std::to_string(smtp.port()), "RRHH"}, m.dir.string());
    MassMailOptions opt{m.dir.string(), BatchFlavor::Shell, REMU_SENDER_EXE};
    auto r = ENVIO_MASIVO(m.s, ui, opt);
    EXPECT_EQ(r.account.count(MailOutcome::Sent), 3) << r.account.text();
    ASSERT_EQ(smtp.messages(), 3);
    for (int n = 1; n <= 3; ++n) {
        std::string name = smtp.read(n, ".attname");
        EXPECT_EQ(smtp.read(n, ".att"), test::slurpFile(m.pdfs() + "/" + name)) << name;
        std::string body = smtp.read(n, ".body");
        EXPECT_NE(body.find("El archivo está protegido con clave: los 4 primeros dígitos de su RUT, sin puntos."),
                  std::string::npos)
            << body;
        for (const std::string password : {"1234", "9876", "1111"}) EXPECT_EQ(body.find(password), std::string::npos);
    }
    const std::string script = test::slurpFile((m.dir / "ENVIALIQ.sh").string());
    EXPECT_NE(script.find(" 'Estimado BERNARDO adjuntamos liquidacion sueldo  MARZO. El archivo está protegido con "
                          "clave: los 4 primeros dígitos de su RUT, sin puntos.' 'RRHH'\n"),
              std::string::npos)
        << script;

    // The mail must say the rule the files were written with; otherwise none is sent.
    auto refusals = [&](const std::string& reason) {
        auto again = ENVIO_MASIVO(m.s, ui, opt);
        EXPECT_EQ(again.account.count(MailOutcome::Refused), 3) << again.account.text();
        for (auto& e : again.account.entries) EXPECT_EQ(e.reason, reason + "; genere de nuevo las liquidaciones PDF");
        EXPECT_EQ(smtp.messages(), 3);
    };
    std::ofstream(m.dir / "PROTEGE.TXT") << "5";
    refusals("la liquidación no se abre con los 5 primeros dígitos de su RUT");
    fs::remove(m.dir / "PROTEGE.TXT");
    refusals("la liquidación está protegida con clave y no existe PROTEGE.TXT para decir cuál es");
    ASSERT_TRUE(writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false}).complete());
    std::ofstream(m.dir / "PROTEGE.TXT") << "";
    refusals("la liquidación no está protegida con clave");
}
