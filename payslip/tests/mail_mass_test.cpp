#include "payslip/mass_mail.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>

#include "core/ui_port.h"
#include "data/sql.h"
#include "payslip/pdf_slip.h"
#include "payslip/tests/pdf_fixture.h"
#include "sender/tests/smtp_fixture.h"

namespace fs = std::filesystem;
using namespace remu;

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        out.push_back(text.substr(start, at - start));
    return out;
}

struct Mailing : test::SlipMonth {
    RecordingPort ui;
    PdfSlipResult slips;
    Mailing() {
        slips = writePdfSlips(s, ui, remumes, {dir.string(), false});
        createCorreo({"rrhh@empresa.cl", "clave", "127.0.0.1", "2525", "Recursos Humanos"}, dir.string());
    }
};

}  // namespace

TEST(MassMail, WindowsBatchHasOneLinePerAddressAndTwoPauses) {
    Mailing m;
    ASSERT_TRUE(m.slips.ok);
    MassMailOptions opt{m.dir.string(), BatchFlavor::Windows, "/bin/true", SharedAddresses::Ask};
    auto r = ENVIO_MASIVO(m.s, m.ui, opt);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.account.count(MailOutcome::Sent), 2);
    EXPECT_EQ(r.account.count(MailOutcome::NoAddress), 1);  // the third worker has no address: listed
    EXPECT_TRUE(r.account.complete());
    EXPECT_EQ(m.ui.lines(), std::vector<std::string>{"YesNo|alerta|Seguro de realizar el envío?"});
    fs::path batch = m.dir / "ENVIALIQ.BAT";
    auto lines = splitLines(test::slurpFile(batch.string()));
    ASSERT_EQ(lines.size(), 4u);
    std::string pdfs = m.pdfs();
    std::replace(pdfs.begin(), pdfs.end(), '/', '\\');
    EXPECT_EQ(lines[0], "ZovorIzaridAVO.exe rrhh@empresa.cl clave 127.0.0.1 2525 \"" + pdfs +
                            "\\009876543-2_O'HIGGINS RIQUELME BERNARDO_2019_03.pdf\" bernardo@correo.cl "
                            "\"Liquidacion Sueldo  MARZO\" \"Estimado BERNARDO adjuntamos liquidacion sueldo  MARZO\" "
                            "\"Recursos Humanos\"");
    EXPECT_NE(lines[1].find("jose@correo.cl"), std::string::npos);
    EXPECT_EQ(lines[2], "PAUSE");
    EXPECT_EQ(lines[3], "PAUSE");
    struct stat st;
    ASSERT_EQ(stat(batch.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // With every worker reachable, three slips give three commands and two pauses.
    m.company->runSql("UPDATE 2019_personal SET correo_per = 'maria@correo.cl' WHERE codigo_per = '0003'");
    EXPECT_EQ(ENVIO_MASIVO(m.s, m.ui, opt).account.count(MailOutcome::Sent), 3);
    EXPECT_EQ(splitLines(test::slurpFile(batch.string())).size(), 5u);
}

TEST(MassMail, NoLeavesTheBatchUntouched) {
    Mailing m;
    fs::path batch = m.dir / "ENVIALIQ.sh";
    std::ofstream(batch) << "anterior";
    m.ui.answerNext(false);
    MassMailOptions opt{m.dir.string(), BatchFlavor::Shell, "/bin/true"};
    EXPECT_FALSE(ENVIO_MASIVO(m.s, m.ui, opt).started);
    EXPECT_EQ(test::slurpFile(batch.string()), "anterior");
}

TEST(MassMail, DeliversOneMessagePerSlipWithItsPdf) {
    test::SmtpServer smtp;
    ASSERT_GT(smtp.port(), 0);
    Mailing m;
    ASSERT_TRUE(m.slips.ok);
    createCorreo({"rrhh@empresa.cl", "", "127.0.0.1", std::to_string(smtp.port()), "Recursos Humanos Ñuble"},
                 m.dir.string());
    m.company->runSql("UPDATE 2019_personal SET correo_per = 'maria@correo.cl' WHERE codigo_per = '0003'");
    MassMailOptions opt{m.dir.string(), BatchFlavor::Shell, REMU_SENDER_EXE};
    auto r = ENVIO_MASIVO(m.s, m.ui, opt);
    EXPECT_EQ(r.account.count(MailOutcome::Sent), 3) << r.account.text();

    struct stat st;
    ASSERT_EQ(stat((m.dir / "ENVIALIQ.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ASSERT_EQ(smtp.messages(), 3);
    std::map<std::string, std::string> sent;  // attachment name -> recipient
    for (int n = 1; n <= 3; ++n) {
        std::string name = smtp.read(n, ".attname");
        ASSERT_TRUE(fs::exists(fs::path(m.pdfs()) / name)) << name;
        EXPECT_EQ(smtp.read(n, ".att"), test::slurpFile((fs::path(m.pdfs()) / name).string())) << name;
        EXPECT_EQ(smtp.info(n)["subject"], "Liquidacion Sueldo  MARZO");
        sent[name] = smtp.info(n)["to"];
    }
    EXPECT_EQ(sent["011111111-1_ZÚÑIGA ARAYA MARÍA_2019_03.pdf"], "<maria@correo.cl>");
    EXPECT_EQ(sent["012345678-9_PÉREZ SOTO JOSÉ IGNACIO_2019_03.pdf"], "<jose@correo.cl>");
    EXPECT_EQ(smtp.read(1, ".body").rfind("Estimado ", 0), 0u);
}

// Addresses typed by a hostile hand: none of them may add an SMTP command, a
// recipient or a shell command; each is reported with the worker's code and name.
TEST(MassMail, HostileAddressesReachNoServerAndNoShell) {
    fs::path logFile = fs::temp_directory_path() / ("remu_smtp_log_" + testdb::uniqueTag());
    fs::path marker = fs::temp_directory_path() / ("remu_pwned_" + testdb::uniqueTag());
    test::SmtpServer smtp({"--log", logFile.string()});
    test::SlipMonth m;
    const std::vector<std::string> corpus = {
        "a@b.cl>\r\nDATA\r\nFrom: ceo@empresa.cl\r\n\r\nhola\r\n.\r\nRCPT TO:<x@y.cl",
        "a@b.cl\nRCPT TO:<intruso@b.cl>",
        std::string("jose@correo.cl\0intruso@b.cl", 27),
        "<intruso@b.cl>",
        "a b@correo.cl",
        "\"a\"@correo.cl",
        "a'b@correo.cl",
        "$(touch " + marker.string() + ")@correo.cl",
        "$(touch${IFS}" + marker.string() + ")@correo.cl",
        "`touch${IFS}" + marker.string() + "`@correo.cl",
        std::string(80, 'a') + "@" + std::string(15, 'b') + ".cl",
        "josé@correo.cl",
        "a@b.cl;touch${IFS}" + marker.string(),
    };
    int n = 10;
    for (const std::string& address : corpus) {
        std::string code = "00" + std::to_string(n);
        m.addWorker(code, "0" + std::to_string(20000000 + n) + "-1", "MALO", "ROJAS", "N" + code, "", 500000);
        m.company->runSql("UPDATE 2019_personal SET correo_per = " + sqlText(address) +
                          " WHERE codigo_per = '" + code + "'");
        ++n;
    }
    RecordingPort ui;
    ASSERT_TRUE(writePdfSlips(m.s, ui, m.remumes, {m.dir.string(), false}).ok);
    createCorreo({"rrhh@empresa.cl", "clave", "127.0.0.1", std::to_string(smtp.port()), "RRHH"}, m.dir.string());

    auto r = ENVIO_MASIVO(m.s, ui, {m.dir.string(), BatchFlavor::Shell, REMU_SENDER_EXE});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.account.count(MailOutcome::Sent), 2) << r.account.text();
    EXPECT_EQ(r.account.count(MailOutcome::InvalidAddress), static_cast<int>(corpus.size())) << r.account.text();
    EXPECT_FALSE(r.account.complete());
    for (auto& e : r.account.entries)
        if (e.outcome == MailOutcome::InvalidAddress) {
            EXPECT_EQ(e.name.rfind("MALO ROJAS N00", 0), 0u) << e.name;
            EXPECT_FALSE(e.reason.empty());
        }
    EXPECT_FALSE(fs::exists(marker));
    const std::string batch = test::slurpFile((m.dir / "ENVIALIQ.sh").string());
    EXPECT_EQ(batch.find("MALO"), std::string::npos);
    EXPECT_EQ(batch.find("intruso"), std::string::npos);

    // The server saw two sessions of the plain kind and nothing else.
    std::vector<std::string> commands;
    for (const std::string& l : splitLines(test::slurpFile(logFile.string()))) {
        std::string verb = l.substr(0, l.find_first_of(" :"));
        if (verb == "MAIL" || verb == "RCPT" || verb == "DATA") commands.push_back(l);
    }
    EXPECT_EQ(commands.size(), 6u) << testing::PrintToString(commands);
    EXPECT_EQ(test::slurpFile(logFile.string()).find("intruso"), std::string::npos);
    EXPECT_EQ(test::slurpFile(logFile.string()).find("ceo@empresa.cl"), std::string::npos);
    fs::remove(logFile);
}

TEST(MassMail, SharedAddressIsSentOnlyWhenConfirmed) {
    Mailing m;
    m.company->runSql("UPDATE 2019_personal SET correo_per = 'JOSE@correo.cl' WHERE codigo_per = '0003'");
    MassMailOptions opt{m.dir.string(), BatchFlavor::Shell, "/bin/true", SharedAddresses::Withhold};
    auto held = ENVIO_MASIVO(m.s, m.ui, opt);
    EXPECT_EQ(held.account.count(MailOutcome::Sent), 1);
    EXPECT_EQ(held.account.count(MailOutcome::Withheld), 2);
    EXPECT_FALSE(held.account.complete());
    EXPECT_EQ(test::slurpFile((m.dir / "ENVIALIQ.sh").string()).find("jose@correo.cl"), std::string::npos);

    // Asked: the question names both workers; "no" withholds, "yes" sends.
    opt.shared = SharedAddresses::Ask;
    m.ui.clear();
    m.ui.answerNext(true);
    m.ui.answerNext(false);
    EXPECT_EQ(ENVIO_MASIVO(m.s, m.ui, opt).account.count(MailOutcome::Withheld), 2);
    ASSERT_EQ(m.ui.boxes.size(), 2u);
    EXPECT_NE(m.ui.boxes[1].text.find("0001 PÉREZ SOTO JOSÉ IGNACIO"), std::string::npos) << m.ui.boxes[1].text;
    EXPECT_NE(m.ui.boxes[1].text.find("0003 ZÚÑIGA ARAYA MARÍA"), std::string::npos);
    m.ui.answerNext(true);
    m.ui.answerNext(true);
    EXPECT_EQ(ENVIO_MASIVO(m.s, m.ui, opt).account.count(MailOutcome::Sent), 3);
    opt.shared = SharedAddresses::Allow;
    EXPECT_EQ(ENVIO_MASIVO(m.s, m.ui, opt).account.count(MailOutcome::Sent), 3);
}

// A server that cannot be used stops the mailing at once instead of trying every worker.
TEST(MassMail, FailuresAreClassifiedAndAnUnusableServerStopsTheRun) {
    Mailing m;
    m.company->runSql("UPDATE 2019_personal SET correo_per = 'maria@correo.cl' WHERE codigo_per = '0003'");
    MassMailOptions opt{m.dir.string(), BatchFlavor::Shell, REMU_SENDER_EXE};
    {
        // Nobody listens on the port: refused connection, no waits and retries.
        int closedPort;
        {
            test::SmtpServer gone;
            closedPort = gone.port();
        }
        createCorreo({"rrhh@empresa.cl", "", "127.0.0.1", std::to_string(closedPort), "RRHH"}, m.dir.string());
        auto start = std::chrono::steady_clock::now();
        auto r = ENVIO_MASIVO(m.s, m.ui, opt);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10);
        EXPECT_EQ(r.account.count(MailOutcome::Refused), 1) << r.account.text();
        EXPECT_EQ(r.account.count(MailOutcome::NotSent), 2) << r.account.text();
        EXPECT_NE(r.account.text().find("no se pudo conectar con el servidor de correo"), std::string::npos)
            << r.account.text();
    }
    {
        test::SmtpServer smtp({"--auth-fail"});
        createCorreo({"rrhh@empresa.cl", "mala", "127.0.0.1", std::to_string(smtp.port()), "RRHH"}, m.dir.string());
        auto r = ENVIO_MASIVO(m.s, m.ui, opt);
        EXPECT_EQ(r.account.count(MailOutcome::Refused), 1) << r.account.text();
        EXPECT_EQ(r.account.count(MailOutcome::NotSent), 2);
        EXPECT_NE(r.account.text().find("rechazó la cuenta o la clave"), std::string::npos) << r.account.text();
    }
    {
        // A permanent refusal is that mail's: the others are still tried.
        test::SmtpServer smtp({"--reject"});
        createCorreo({"rrhh@empresa.cl", "", "127.0.0.1", std::to_string(smtp.port()), "RRHH"}, m.dir.string());
        auto r = ENVIO_MASIVO(m.s, m.ui, opt);
        EXPECT_EQ(r.account.count(MailOutcome::Refused), 3) << r.account.text();
        EXPECT_NE(r.account.text().find("550"), std::string::npos) << r.account.text();
    }
}
