// remu-cli's settings commands and conventions, run as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "data/local_tables.h"
#include "data/settings_table.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs remu-cli with `input` on its standard input (a pipe, so never a terminal).
CliRun cli(const std::string& args, const std::string& input = "") {
    char errTmpl[] = "/tmp/remu_cli_err_XXXXXX";
    int errFd = mkstemp(errTmpl);
    close(errFd);
    char inTmpl[] = "/tmp/remu_cli_in_XXXXXX";
    int inFd = mkstemp(inTmpl);
    if (write(inFd, input.data(), input.size()) != static_cast<ssize_t>(input.size())) ADD_FAILURE();
    close(inFd);
    std::string cmd = std::string(REMU_CLI_DIR) + "/remu-cli " + args + " <" + inTmpl + " 2>" + errTmpl;
    FILE* p = popen(cmd.c_str(), "r");
    CliRun r{};
    std::array<char, 4096> buf;
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) r.out.append(buf.data(), n);
    r.status = WEXITSTATUS(pclose(p));
    FILE* e = fopen(errTmpl, "r");
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), e)) > 0;) r.err.append(buf.data(), n);
    fclose(e);
    unlink(errTmpl);
    unlink(inTmpl);
    return r;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Folder {
    Folder() {
        char tmpl[] = "/tmp/remu_settings_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~Folder() { fs::remove_all(path); }
    std::string dir() const { return " --dir " + path.string(); }
    fs::path path;
};

}  // namespace

TEST(RemuCliConexion, WritesTheRecordAsksThePasswordAndNeverShowsIt) {
    Folder f;
    CliRun r = cli("conexion --servidor 127.0.0.1:3307 --nombre 'Servidor Ñuble' --usuario remu --cliente demo" + f.dir(),
                "s3creta\n");
    ASSERT_EQ(r.status, 0) << r.err;
    auto rec = readConexion(f.path.string());
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->HOST, "127.0.0.1:3307");
    EXPECT_EQ(rec->NOM_HOST, "Servidor Ñuble");
    EXPECT_EQ(rec->USER, "remu");
    EXPECT_EQ(rec->CLAVE, "s3creta");  // read from standard input
    EXPECT_EQ(rec->DATABASE, "DEMO");  // stored in upper case, as the login compares it
    EXPECT_FALSE(has(r.out, "s3creta"));

    // Without options: the record, without the password.
    r = cli("conexion" + f.dir());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(r.out, "127.0.0.1:3307"));
    EXPECT_TRUE(has(r.out, "(guardada)"));
    EXPECT_FALSE(has(r.out, "s3creta"));

    // A change of one field keeps the others; an empty answer keeps the password.
    r = cli("conexion --servidor /run/mysqld/mysqld.sock" + f.dir(), "\n");
    EXPECT_EQ(r.status, 0) << r.err;
    rec = readConexion(f.path.string());
    EXPECT_EQ(rec->HOST, "/run/mysqld/mysqld.sock");
    EXPECT_EQ(rec->CLAVE, "s3creta");
    EXPECT_EQ(rec->DATABASE, "DEMO");
    // --clave= empties it, without asking.
    EXPECT_EQ(cli("conexion --clave=" + f.dir(), "no se lee\n").status, 0);
    EXPECT_EQ(readConexion(f.path.string())->CLAVE, "");
}

TEST(RemuCliConexion, RefusesValuesLongerThanTheirFieldsAndWritesNothing) {
    Folder f;
    ASSERT_EQ(cli("conexion --servidor db --usuario remu --clave uno" + f.dir()).status, 0);
    CliRun r = cli("conexion --servidor otro --usuario un_usuario_muy_largo" + f.dir(), "clave\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.err, "el campo USER de CONEXION.DBF admite 15")) << r.err;
    auto rec = readConexion(f.path.string());
    EXPECT_EQ(rec->HOST, "db");
    EXPECT_EQ(rec->USER, "remu");
    EXPECT_EQ(rec->CLAVE, "uno");

    EXPECT_EQ(cli("conexion --servidor 'db:puerto'" + f.dir()).status, 2);
    EXPECT_EQ(cli("conexion --servidor db:70000" + f.dir()).status, 2);
    EXPECT_EQ(cli("conexion --host db" + f.dir()).status, 2);

    // Nothing to show in an empty folder.
    Folder empty;
    r = cli("conexion" + empty.dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.err, "no hay datos en CONEXION.DBF")) << r.err;
}

TEST(RemuCliCorreoYCola, WriteTheTablesTheMailingReads) {
    Folder f;
    CliRun r = cli("correo --remitente rrhh@demo.cl --servidor 127.0.0.1 --puerto 2525 --nombre 'Recursos Humanos'" +
                    f.dir(),
                "clave-smtp\n");
    ASSERT_EQ(r.status, 0) << r.err;
    auto sender = readCorreo(f.path.string());
    ASSERT_TRUE(sender);
    EXPECT_EQ(sender->REMITENTE, "rrhh@demo.cl");
    EXPECT_EQ(sender->CONTRASEN, "clave-smtp");
    EXPECT_EQ(sender->NOMSERVER, "127.0.0.1");
    EXPECT_EQ(sender->PUERTO, "2525");
    EXPECT_EQ(sender->NOMEMISOR, "Recursos Humanos");
    EXPECT_EQ(cli("correo --puerto 0" + f.dir()).status, 2);
    EXPECT_EQ(cli("correo --servidor smtp.demo.cl:587" + f.dir()).status, 2);

    r = cli("cola --servidor colas:3306 --usuario cola --base CORREOS --clave=" + f.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    auto row = readSettingsRow((f.path / "COLACORREO.DBF").string());
    ASSERT_TRUE(row);
    EXPECT_EQ((*row)["HOST"], "colas:3306");
    EXPECT_EQ((*row)["DATABASE"], "CORREOS");
}

TEST(RemuCli, HelpVersionAndExitCodes) {
    for (const char* command : {"calcula", "pdf", "envio", "conexion", "correo", "cola"}) {
        CliRun r = cli(std::string(command) + " --help");
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_TRUE(has(r.out, std::string("uso: remu-cli ") + command)) << command;
        EXPECT_TRUE(has(r.out, "estado de salida")) << command;
        EXPECT_EQ(r.err, "") << command;
    }
    CliRun r = cli("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("remu-cli ", 0), 0u);
    r = cli("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(r.out, "conexion"));

    r = cli("nada");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(has(r.err, "comando desconocido"));
    r = cli("calcula --empresa x --ano 2019 --mes 03 --nada");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "--nada"));
}
