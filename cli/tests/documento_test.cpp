#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/local_tables.h"
#include "tests/support/test_db.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

// Runs remu-cli; exit status, standard output and standard error.
struct CliRun {
    int status;
    std::string out, err;
};
CliRun cli(const std::string& args, const fs::path& errFile, const std::string& env = {}) {
    std::string cmd = env + " " + std::string(REMU_CLI_DIR) + "/remu-cli " + args + " 2>" + errFile.string();
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    std::array<char, 4096> buf;
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
    int status = pclose(p);
    std::ifstream e(errFile);
    std::stringstream ss;
    ss << e.rdbuf();
    return {WEXITSTATUS(status), out, ss.str()};
}

}  // namespace

TEST(RemuCliDocumento, ContractOfAWorkerOfTheMonth) {
    std::string tag = testdb::uniqueTag();
    testdb::ScratchDatabase company(tag + "_remu_", "doc");
    company.runSql(testdb::schemaSql("company.sql", "2019") + testdb::schemaSql("company_year.sql", "2019") +
                   "INSERT INTO 2019_datos_empresa (mes_datemp, nombre_datemp, Rut_datemp, comuna_datemp) "
                   "VALUES ('03', 'COMERCIAL DEL NORTE LTDA.', '76.354.771-K', 'ANTOFAGASTA');"
                   "INSERT INTO 2019_personal (mes_per, codigo_per, rut_per, nombres_per, apepat_per, apemat_per, "
                   "cargo_per, sueldo_base_per) VALUES ('03', '0001', '012345678-5', 'JUAN CARLOS', 'PÉREZ', "
                   "'NÚÑEZ', 'JEFE DE VENTAS', 450000);");
    std::string user = "d" + tag.substr(0, 14);
    auto root = testdb::connectRoot();
    for (const char* host : {"%", "localhost"}) {
        root->execute("CREATE USER IF NOT EXISTS '" + user + "'@'" + host + "' IDENTIFIED BY 'clave1'");
        root->execute("GRANT ALL ON *.* TO '" + user + "'@'" + host + "'");
    }
    fs::path dir = fs::temp_directory_path() / ("remu_cli_doc_" + tag);
    fs::create_directories(dir);
    createConexion({testdb::serverParams().host, "prueba", user, "clave1", tag}, dir.string());
    const fs::path err = dir / "stderr.txt";
    const std::string plantilla = std::string(REMU_SOURCE_DIR) + "/resources/plantillas/contrato_tipo.docx";
    const std::string base = "documento --empresa " + company.name() + " --ano 2019 --mes 03 --dir " + dir.string();

    CliRun r = cli(base + " --tipo contrato --codigo 0001 --plantilla " + plantilla, err);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, (dir / "012345678_CONTRATO.DOCX").string() + "\n");
    EXPECT_TRUE(fs::exists(dir / "012345678_CONTRATO.DOCX"));
    EXPECT_NE(r.err.find("POR FAVOR ESPERE ..Generando Archivo Word"), std::string::npos) << r.err;

    r = cli(base + " --tipo finiquito --codigo 0099 --plantilla " + plantilla, err);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No existe Trabajador 0099"), std::string::npos) << r.err;

    r = cli(base + " --tipo finiquito --codigo 0001 --plantilla " + plantilla, err,
            "REMU_SOFFICE=/nonexistent/soffice");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("ERROR! Word no está instaldo en esta PC."), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "012345678_FINIQUITO.DOCX"));

    EXPECT_EQ(cli(base + " --tipo carta --codigo 0001 --plantilla " + plantilla, err).status, 2);
    EXPECT_EQ(cli(base + " --tipo contrato --plantilla " + plantilla, err).status, 2);
    EXPECT_EQ(cli(base + " --tipo contrato --codigo 0001 --plantilla x --nada", err).status, 2);

    for (const char* host : {"%", "localhost"}) root->execute("DROP USER '" + user + "'@'" + host + "'");
    fs::remove_all(dir);
}
