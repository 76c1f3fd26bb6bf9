#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "data/local_tables.h"
#include "tests/support/test_db.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

// Runs remu-cli; exit status and standard output.
std::pair<int, std::string> cli(const std::string& args) {
    std::string cmd = std::string(REMU_CLI_DIR) + "/remu-cli " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    std::array<char, 4096> buf;
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
    int status = pclose(p);
    return {WEXITSTATUS(status), out};
}

}  // namespace

TEST(RemuCliCalcula, RunsTheMonthAndShowsTheSlip) {
    std::string tag = testdb::uniqueTag();
    testdb::ScratchDatabase company(tag + "_remu_", "cli");
    auto params = testdb::ScratchDatabase::named(tag + "_remu");
    company.runSql(testdb::schemaSql("company.sql", "2018") + testdb::schemaSql("company_year.sql", "2018") +
                   "INSERT INTO 2018_datos_empresa (mes_datemp) VALUES ('03');"
                   "INSERT INTO 2018_personal (mes_per, codigo_per, nombre_per, apepat_per, sueldo_base_per, "
                   "codigo_afp_per, codigo_isa_per) VALUES ('03', '0001', 'ANA ROJAS', 'ROJAS', 500000, '03', '07');");
    params->runSql(testdb::schemaSql("parametros.sql", "2018") + testdb::schemaSql("parametros_year.sql", "2018") +
                   "INSERT INTO 2018_parametros (mes_par, valor_uf_par, tope_imponible_par) VALUES ('03', 26966.89, 78.3);"
                   "INSERT INTO 2018_tabu (MES, UTM, HASTA_PESOS01) VALUES ('03', 47301, 99999999);"
                   "INSERT INTO 2018_afp (codigo_afp, nombre_afp, mes_03) VALUES ('03', 'Cuprum', 11.44);"
                   "INSERT INTO 2018_isapre VALUES ('07', 'Fonasa', 7);");
    // CONEXION keeps a short password: a user of the test server with one.
    std::string user = "c" + tag.substr(0, 14);
    auto root = testdb::connectRoot();
    root->execute("CREATE USER IF NOT EXISTS '" + user + "'@'%' IDENTIFIED BY 'clave1'");
    root->execute("CREATE USER IF NOT EXISTS '" + user + "'@'localhost' IDENTIFIED BY 'clave1'");
    root->execute("GRANT ALL ON *.* TO '" + user + "'@'%'");
    root->execute("GRANT ALL ON *.* TO '" + user + "'@'localhost'");
    fs::path dir = fs::temp_directory_path() / ("remu_cli_" + tag);
    fs::create_directories(dir);
    createConexion({testdb::serverParams().host, "prueba", user, "clave1", tag}, dir.string());

    const std::string base = "calcula --empresa " + company.name() + " --ano 2018 --dir " + dir.string();
    auto [status, out] = cli(base + " --mes 03 --mostrar 0001");
    EXPECT_EQ(status, 0);
    // The slip as a person reads it: header, earnings, deductions, net pay.
    EXPECT_NE(out.find("LIQUIDACION DE SUELDO  MARZO 2018"), std::string::npos) << out;
    EXPECT_NE(out.find("TRABAJADOR      : 0001  "), std::string::npos) << out;
    EXPECT_LT(out.find("TOTAL IMPONIBLE"), out.find("AFP CUPRUM 11.44 %"));
    EXPECT_LT(out.find("AFP CUPRUM 11.44 %"), out.find("ALCANCE LIQUIDO"));
    EXPECT_EQ(out.find("COD T I ORD"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "REMUMES.DBF"));

    // The raw lines stay available.
    std::tie(status, out) = cli(base + " --mes 03 --lineas 0001 --silencio");
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("Trabajador 0001"), std::string::npos);
    EXPECT_NE(out.find("COD T I ORD"), std::string::npos);
    EXPECT_NE(out.find("CUPRUM 11.44 %"), std::string::npos);
    EXPECT_EQ(cli(base + " --mes 03 --mostrar 0999").first, 1);  // no such worker in the month

    // Each line with how its amount was obtained.
    std::tie(status, out) = cli(base + " --mes 03 --explicar 0001 --silencio");
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("Trabajador 0001"), std::string::npos) << out;
    EXPECT_NE(out.find("    CUPRUM: 11.44 % de 500,000 imponible."), std::string::npos) << out;
    EXPECT_NE(out.find("    Sueldo 500,000, / 30 días × 30 días trabajados."), std::string::npos) << out;
    EXPECT_EQ(cli(base + " --mes 03 --explicar 0999").first, 1);
    EXPECT_EQ(cli(base + " --mes 03 --explicar=").first, 2);

    EXPECT_EQ(cli(base + " --mes 04").first, 1);  // month without parameters
    EXPECT_EQ(cli(base + " --mes 03 --nada").first, 2);
    EXPECT_EQ(cli("calcula").first, 2);
    root->execute("DROP USER '" + user + "'@'%'");
    root->execute("DROP USER '" + user + "'@'localhost'");
    fs::remove_all(dir);
}
