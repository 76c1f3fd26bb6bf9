#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "data/local_tables.h"
#include "office/tests/xlsx_reader.h"
#include "tests/support/demo_client.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

// Runs remu-cli; exit status, standard output and standard error.
struct CliRun {
    int status;
    std::string out, err;
};
CliRun cli(const std::string& args, const fs::path& errFile) {
    std::string cmd = std::string(REMU_CLI_DIR) + "/remu-cli " + args + " 2>" + errFile.string();
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    std::array<char, 4096> buf;
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
    int status = pclose(p);
    std::ifstream in(errFile);
    return {WEXITSTATUS(status), out, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}};
}

class RemuCliSheets : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tag = testdb::uniqueTag();
        // CONEXION keeps a short password: a user of the test server with one.
        user = "s" + tag.substr(0, 14);
        auto root = testdb::connectRoot();
        for (const char* host : {"%", "localhost"}) {
            root->execute("CREATE USER IF NOT EXISTS '" + user + "'@'" + host + "' IDENTIFIED BY 'clave1'");
            root->execute("GRANT ALL ON *.* TO '" + user + "'@'" + host + "'");
        }
        dir = fs::temp_directory_path() / ("remu_cli_sheets_" + tag);
        fs::create_directories(dir);
        createConexion({testdb::serverParams().host, "prueba", user, "clave1", demo.id()}, dir.string());
        base = " --empresa " + demo.northDb() + " --ano 2019 --mes 03 --dir " + dir.string();
    }
    void TearDown() override {
        auto root = testdb::connectRoot();
        for (const char* host : {"%", "localhost"}) root->execute("DROP USER '" + user + "'@'" + host + "'");
        fs::remove_all(dir);
    }
    CliRun run(const std::string& args) { return cli(args, dir / "stderr.txt"); }

    testdb::DemoClient demo;
    std::string user, base;
    fs::path dir;
};

}  // namespace

TEST_F(RemuCliSheets, ExcelWritesTheMonthsSlips) {
    fs::path out = dir / "liquidacion.xlsx";
    CliRun r = run("excel" + base + " --desde 0001 --salida " + out.string() + " --silencio");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "liquidaciones en " + fs::absolute(out).lexically_normal().string() + "\n");
    auto x = test::readXlsx(out.string());
    ASSERT_TRUE(x.ok) << x.output;
    EXPECT_EQ(x.at("B2"), "LIQUIDACIONES DE SUELDO MARZO 2019");
    EXPECT_EQ(x.at("B4"), "TRABAJADOR:");
    EXPECT_EQ(x.at("C4").substr(0, 6), "0001  ");
    EXPECT_EQ(x.at("E4"), "12.345.678-5");
    // One worker: one block.
    int blocks = 0;
    for (auto& [ref, cell] : x.cells)
        if (ref[0] == 'B' && cell["value"] == "TRABAJADOR:") ++blocks;
    EXPECT_EQ(blocks, 1);

    // Without --salida: new files in PLANILLAS, never replacing one.
    ASSERT_EQ(run("excel" + base + " --desde 0001 --silencio").status, 0);
    r = run("excel" + base + " --desde 0001 --silencio");
    ASSERT_EQ(r.status, 0) << r.err;
    fs::path second = dir / "PLANILLAS" / "LIQUIDACIONES_2019_03_2.xlsx";
    EXPECT_EQ(r.out, "liquidaciones en " + fs::absolute(second).lexically_normal().string() + "\n");
    EXPECT_TRUE(fs::exists(dir / "PLANILLAS" / "LIQUIDACIONES_2019_03.xlsx"));

    EXPECT_EQ(run("excel" + base + " --nada").status, 2);
    EXPECT_EQ(run("excel --empresa x").status, 2);
}

TEST_F(RemuCliSheets, NominaWritesTheListAsFiltered) {
    fs::path out = dir / "nomina.xlsx";
    CliRun r = run("nomina" + base + " --buscar higgins --salida " + out.string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1 trabajadores en " + fs::absolute(out).lexically_normal().string() + "\n");
    auto x = test::readXlsx(out.string());
    ASSERT_TRUE(x.ok) << x.output;
    EXPECT_EQ(x.at("B1"), "MAESTRO DE PERSONAL   MARZO 2019");
    EXPECT_EQ(x.at("A5"), "0024");
    EXPECT_NE(x.at("B5").find("O'HIGGINS"), std::string::npos);
    EXPECT_EQ(x.at("O6"), "Total Sueldos");
    EXPECT_EQ(x.at("P6"), "=SUM(P4:P5)");

    // The whole month.
    r = run("nomina" + base);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "PLANILLAS" / "MAESTRO_PERSONAL_2019_03.xlsx"));
    EXPECT_GT(std::atoi(r.out.c_str()), 40);

    r = run("nomina" + base + " --buscar NADIE");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Filtro no encontrado"), std::string::npos);
    EXPECT_EQ(run("nomina" + base + " --desde 0001").status, 2);
}

TEST_F(RemuCliSheets, SaldoVacacionesWritesTheBalanceOfTheMonthsWorkers) {
    fs::path out = dir / "saldo.xlsx";
    CliRun r = run("saldo-vacaciones" + base + " --fecha 15/12/2019 --salida " + out.string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GT(std::atoi(r.out.c_str()), 40);
    EXPECT_NE(r.out.find(" trabajadores en " + fs::absolute(out).lexically_normal().string()), std::string::npos);
    auto x = test::readXlsx(out.string());
    ASSERT_TRUE(x.ok) << x.output;
    EXPECT_EQ(x.at("C3"), "SALDO DE VACACIONES AL 15  DICIEMBRE 2019");
    EXPECT_EQ(x.at("A1").substr(0, 9), "Empresa :");
    EXPECT_EQ(x.at("B8"), "FECHA CONTRATO");
    EXPECT_EQ(x.at("B13"), "SALDO DE DIAS");
    EXPECT_EQ(x.at("C13", "type"), "n");
    EXPECT_EQ(x.at("C13", "format"), "#,##0.00");
    // The demo's workers of long standing took vacations in February 2018 and January 2019.
    int periods = 0;
    for (auto& [ref, cell] : x.cells)
        if (ref[0] == 'D' && cell["value"].size() == 10 && cell["value"].substr(2) == "/02/2018") ++periods;
    EXPECT_GT(periods, 0);

    r = run("saldo-vacaciones" + base);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "PLANILLAS" / "SALDO_VACACIONES_2019_03.xlsx"));

    r = run("saldo-vacaciones" + base + " --fecha 31/02/2019");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Fecha inv\xC3\xA1lida: 31/02/2019"), std::string::npos);
    EXPECT_EQ(run("saldo-vacaciones" + base + " --buscar x").status, 2);
    EXPECT_EQ(run("saldo-vacaciones --empresa x").status, 2);
}
