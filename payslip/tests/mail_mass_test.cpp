#include "payslip/mass_mail.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/ui_port.h"
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
    std::string launched;
    MassMailOptions opt{m.dir.string(), BatchFlavor::Windows, {}, [&](const std::string& b) {
                            launched = b;
                            return true;
                        }};
    EXPECT_EQ(ENVIO_MASIVO(m.s, m.ui, opt), 2);  // the third worker has no address
    EXPECT_EQ(m.ui.lines(), std::vector<std::string>{"YesNo|alerta|Seguro de realizar el envío?"});
    fs::path batch = m.dir / "ENVIALIQ.BAT";
    EXPECT_EQ(launched, batch.string());
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
    EXPECT_EQ(ENVIO_MASIVO(m.s, m.ui, opt), 3);
    EXPECT_EQ(splitLines(test::slurpFile(batch.string())).size(), 5u);
}

TEST(MassMail, NoLeavesTheBatchUntouched) {
    Mailing m;
    fs::path batch = m.dir / "ENVIALIQ.sh";
    std::ofstream(batch) << "anterior";
    m.ui.answerNext(false);
    bool launched = false;
    MassMailOptions opt{m.dir.string(), BatchFlavor::Shell, "/bin/true", [&](const std::string&) {
                            return launched = true;
                        }};
    EXPECT_EQ(ENVIO_MASIVO(m.s, m.ui, opt), -1);
    EXPECT_EQ(test::slurpFile(batch.string()), "anterior");
    EXPECT_FALSE(launched);
}

TEST(MassMail, DeliversOneMessagePerSlipWithItsPdf) {
    test::SmtpServer smtp;
    ASSERT_GT(smtp.port(), 0);
    Mailing m;
    ASSERT_TRUE(m.slips.ok);
    createCorreo({"rrhh@empresa.cl", "", "127.0.0.1", std::to_string(smtp.port()), "Recursos Humanos Ñuble"},
                 m.dir.string());
    m.company->runSql("UPDATE 2019_personal SET correo_per = 'maria@correo.cl' WHERE codigo_per = '0003'");
    // No display: the script runs here and returns when the last mail is sent.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    MassMailOptions opt{m.dir.string(), BatchFlavor::Shell, REMU_SENDER_EXE, {}};
    EXPECT_EQ(ENVIO_MASIVO(m.s, m.ui, opt), 3);

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
