#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sender/tests/smtp_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::pair<int, std::string> send(int port, const std::string& pdf, const std::string& to) {
    std::string cmd = "REMU_SENDER_WAIT=0 " + quote(REMU_SENDER_EXE);
    for (std::string a : {std::string("remu@empresa.cl"), std::string("s3cr'eto"), std::string("127.0.0.1"),
                          std::to_string(port), pdf, to, std::string("Liquidacion Sueldo  MARZO"),
                          std::string("Estimado JOSÉ adjuntamos liquidacion sueldo  MARZO"),
                          std::string("Recursos Humanos Ñuble")})
        cmd += " " + quote(a);
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    int rc = pclose(p);
    return {WEXITSTATUS(rc), out};
}

struct Pdf {
    fs::path dir = fs::temp_directory_path() / ("remu_sender_" + std::to_string(getpid()));
    fs::path path = dir / "012345678-9_PÉREZ SOTO JOSÉ_2019_03.pdf";
    std::string bytes;
    Pdf() {
        fs::create_directories(dir);
        for (int i = 0; i < 5000; ++i) bytes += static_cast<char>((i * 7919) & 0xFF);
        std::ofstream(path, std::ios::binary) << bytes;
    }
    ~Pdf() { fs::remove_all(dir); }
};

}  // namespace

TEST(Sender, DeliversThePdfAsAttachment) {
    remu::test::SmtpServer smtp;
    ASSERT_GT(smtp.port(), 0);
    Pdf pdf;
    auto [rc, out] = send(smtp.port(), pdf.path.string(), "jose@correo.cl");
    ASSERT_EQ(rc, 0) << out;
    ASSERT_EQ(smtp.messages(), 1);
    auto info = smtp.info(1);
    EXPECT_EQ(info["from"], "<remu@empresa.cl>");
    EXPECT_EQ(info["to"], "<jose@correo.cl>");
    EXPECT_EQ(info["subject"], "Liquidacion Sueldo  MARZO");
    EXPECT_EQ(info["fromheader"], "Recursos Humanos Ñuble <remu@empresa.cl>");
    EXPECT_EQ(info["auth"], "|remu@empresa.cl|s3cr'eto");
    EXPECT_EQ(smtp.read(1, ".body"), "Estimado JOSÉ adjuntamos liquidacion sueldo  MARZO");
    EXPECT_EQ(smtp.read(1, ".attname"), pdf.path.filename().string());
    EXPECT_EQ(smtp.read(1, ".att"), pdf.bytes);
}

TEST(Sender, RetriesATransientRefusal) {
    remu::test::SmtpServer smtp({"--refuse", "2"});
    Pdf pdf;
    auto [rc, out] = send(smtp.port(), pdf.path.string(), "jose@correo.cl");
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("reintento"), std::string::npos) << out;
    EXPECT_EQ(smtp.messages(), 1);
}

TEST(Sender, ReportsAMailThatWasNotAccepted) {
    remu::test::SmtpServer smtp({"--reject"});
    Pdf pdf;
    auto [rc, out] = send(smtp.port(), pdf.path.string(), "jose@correo.cl");
    EXPECT_NE(rc, 0);
    EXPECT_NE(out.find("No se envió"), std::string::npos) << out;
    EXPECT_NE(out.find("550"), std::string::npos) << out;
    EXPECT_EQ(smtp.messages(), 0);

    auto [rc2, out2] = send(smtp.port(), (pdf.dir / "falta.pdf").string(), "jose@correo.cl");
    EXPECT_NE(rc2, 0);
    EXPECT_NE(out2.find("no existe el archivo"), std::string::npos) << out2;
}

TEST(Sender, RefusesAddressesThatWouldBecomeCommands) {
    remu::test::SmtpServer smtp;
    Pdf pdf;
    for (std::string to : {std::string("a@b.cl>\r\nDATA\r\nFrom: ceo@empresa.cl"), std::string("<a@b.cl>"),
                           std::string("a b@c.cl"), std::string("josé@correo.cl")}) {
        auto [rc, out] = send(smtp.port(), pdf.path.string(), to);
        EXPECT_EQ(rc, 1) << out;
        EXPECT_NE(out.find("la dirección"), std::string::npos) << out;
    }
    EXPECT_EQ(smtp.messages(), 0);
}

TEST(Sender, AServerThatCannotBeUsedFailsAtOnceWithStatus3) {
    int closedPort;
    {
        remu::test::SmtpServer gone;
        closedPort = gone.port();
    }
    Pdf pdf;
    auto [rc, out] = send(closedPort, pdf.path.string(), "jose@correo.cl");
    EXPECT_EQ(rc, 3) << out;
    EXPECT_EQ(out.find("reintento"), std::string::npos) << out;
    EXPECT_NE(out.find("no se pudo conectar"), std::string::npos) << out;

    remu::test::SmtpServer smtp({"--auth-fail"});
    auto [rc2, out2] = send(smtp.port(), pdf.path.string(), "jose@correo.cl");
    EXPECT_EQ(rc2, 3) << out2;
    EXPECT_NE(out2.find("rechazó la cuenta o la clave"), std::string::npos) << out2;
}
