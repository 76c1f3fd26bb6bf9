// remu-cli under the conditions a broken network, an odd configuration and an
// impatient user bring: names that look like numbers, servers that never answer,
// several runs in one folder, runs killed half-way.
#include <gtest/gtest.h>

#include <set>

#include "cli/tests/cli_month.h"
#include "data/local_tables.h"
#include "data/work_tables.h"
#include "sender/tests/smtp_fixture.h"

using namespace remu;
using namespace remu::test;
namespace fs = std::filesystem;

namespace {

std::set<std::string> codesOf(const std::vector<PaySlipLine>& lines) {
    std::set<std::string> out;
    for (const auto& l : lines) out.insert(l.PERSON_REM);
    return out;
}

// Worker codes of the slips that "--lineas todos" printed.
std::set<std::string> shownCodes(const std::string& out) {
    std::set<std::string> codes;
    const std::string key = "\nTrabajador ";
    for (size_t at = out.find(key); at != std::string::npos; at = out.find(key, at + 1))
        codes.insert(out.substr(at + key.size(), 4));
    return codes;
}

std::set<std::string> range(int from, int to) {
    std::set<std::string> out;
    for (int i = from; i <= to; ++i) out.insert(CliMonth::code(i));
    return out;
}

// The proxy of stall_proxy.py; stopped when it goes out of scope.
struct StallProxy {
    pid_t pid = 0;
    int port = 0;
    fs::path portFile;
    StallProxy(const std::string& target, int stallAfter) {
        portFile = fs::temp_directory_path() / ("remu_stall_" + testdb::uniqueTag());
        std::vector<std::string> args = {"python3", std::string(REMU_SOURCE_DIR) + "/cli/tests/stall_proxy.py",
                                         "--port-file", portFile.string(), "--stall-after",
                                         std::to_string(stallAfter), "--target", target};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid, "python3", nullptr, nullptr, argv.data(), environ) != 0) pid = 0;
        for (int i = 0; pid && i < 400 && !fs::exists(portFile); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        std::ifstream(portFile) >> port;
    }
    ~StallProxy() {
        if (pid) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        std::error_code ec;
        fs::remove(portFile, ec);
    }
};

}  // namespace

TEST(CliHardening, DatabaseNamesThatLookLikeNumbers) {
    // "0x27" would be read as a number and "1E1" as a float if the names went in unquoted.
    for (auto [company, client] : {std::pair<std::string, std::string>{"2019", "0x27"}, {"1e1", "1E1"}}) {
        CliMonth m(company, client);
        m.addWorkers(1, 3);
        auto args = m.month("calcula");
        args.insert(args.end(), {"--mostrar", "0002"});
        CliResult r = runCli(args);
        EXPECT_EQ(r.status, 0) << company << " / " << client << "\n" << r.err;
        EXPECT_NE(r.out.find("TOTAL IMPONIBLE"), std::string::npos) << r.out;
        EXPECT_EQ(codesOf(readWorkTable(WorkTable::REMUMES, m.dir.string())), range(1, 3));
    }
}

TEST(CliHardening, SilentServerIsAConnectionFailureWithinTheBound) {
    CliMonth m;
    m.addWorkers(1, 2);
    StallProxy silent("", 0);
    ASSERT_GT(silent.port, 0);
    m.writeConexion("127.0.0.1:" + std::to_string(silent.port));
    CliResult r = runCli(m.month("calcula"), {"REMU_DB_CONNECT_TIMEOUT=2", "REMU_DB_READ_TIMEOUT=2"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("NO SE CONECTO"), std::string::npos) << r.err;
    EXPECT_LT(r.seconds, 15) << r.err;
}

TEST(CliHardening, ServerThatStallsMidRunEndsTheRunWithinTheBound) {
    CliMonth m;
    m.addWorkers(1, 5);
    // A complete run first: the failed run after it must not leave these slips behind.
    ASSERT_EQ(runCli(m.month("calcula")).status, 0);
    ASSERT_EQ(codesOf(readWorkTable(WorkTable::REMUMES, m.dir.string())), range(1, 5));

    StallProxy proxy(testdb::serverParams().host, 6);  // answers the checks, then hangs in the load
    ASSERT_GT(proxy.port, 0);
    m.writeConexion("127.0.0.1:" + std::to_string(proxy.port));
    CliResult r = runCli(m.month("calcula"), {"REMU_DB_READ_TIMEOUT=3", "REMU_DB_WRITE_TIMEOUT=3"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_LT(r.seconds, 20) << r.err;
    EXPECT_NE(r.err.find("Descrip."), std::string::npos) << r.err;
    EXPECT_TRUE(readWorkTable(WorkTable::REMUMES, m.dir.string()).empty());
}

TEST(CliHardening, RunsInOneFolderEachKeepTheirOwnLines) {
    CliMonth m;
    m.addWorkers(1, 240);
    const std::vector<std::pair<int, int>> ranges = {{1, 80}, {81, 160}, {161, 240}};
    for (int round = 0; round < 10; ++round) {
        std::vector<CliProcess> runs;
        for (auto [from, to] : ranges) {
            auto args = m.month("calcula");
            args.insert(args.end(), {"--desde", CliMonth::code(from), "--hasta", CliMonth::code(to), "--lineas",
                                     "todos", "--silencio"});
            runs.push_back(startCli(args));
        }
        std::vector<std::set<std::string>> left;
        for (size_t i = 0; i < runs.size(); ++i) {
            CliResult r = runs[i].wait();
            const auto own = range(ranges[i].first, ranges[i].second);
            if (r.status != 0) {
                // A run that gave up says why and touched nothing.
                EXPECT_EQ(r.status, 1) << r.err;
                EXPECT_NE(r.err.find("en uso"), std::string::npos) << r.err;
                continue;
            }
            EXPECT_EQ(shownCodes(r.out), own) << "round " << round << " run " << i << "\n" << r.err;
            left.push_back(own);
        }
        ASSERT_FALSE(left.empty());
        // The folder holds exactly the lines of one of the runs that succeeded.
        auto final = codesOf(readWorkTable(WorkTable::REMUMES, m.dir.string()));
        EXPECT_NE(std::find(left.begin(), left.end(), final), left.end()) << "round " << round;
    }
}

TEST(CliHardening, KilledRunNeverLeavesAPartialRemumes) {
    CliMonth m;
    m.addWorkers(1, 3000);
    CliResult whole = runCli(m.month("calcula"));
    ASSERT_EQ(whole.status, 0) << whole.err;
    const auto reference = readWorkTable(WorkTable::REMUMES, m.dir.string());
    ASSERT_EQ(codesOf(reference).size(), 3000u);
    const double runSeconds = whole.seconds;

    for (double at : {0.1, 0.25, 0.4, 0.55, 0.7, 0.85}) {
        CliProcess p = startCli(m.month("calcula"));
        std::this_thread::sleep_for(std::chrono::duration<double>(at * runSeconds));
        kill(p.pid, SIGKILL);
        p.wait();
        std::vector<PaySlipLine> left;
        ASSERT_NO_THROW(left = readWorkTable(WorkTable::REMUMES, m.dir.string())) << "killed at " << at;
        EXPECT_TRUE(left.empty() || left.size() == reference.size())
            << "killed at " << at << " of the run: " << left.size() << " of " << reference.size() << " lines";
    }
    // The next run finds the folder fit to use.
    EXPECT_EQ(runCli(m.month("calcula")).status, 0);
    EXPECT_EQ(readWorkTable(WorkTable::REMUMES, m.dir.string()).size(), reference.size());
}

// The account the workers' PCs keep: the worker's road works with it, a salary or
// another table cannot be changed with it.
TEST(CliHardening, WorkerAccountRunsTheWorkerRoadAndNothingMore) {
    CliMonth m;
    m.addWorkers(1, 3);
    const std::string user = "w" + m.tag.substr(1, 13), password = "Clave9'x";
    std::string cmd = std::string(REMU_SOURCE_DIR) + "/scripts/grants trabajador --usuario " + user +
                      " --clave \"" + password + "\" --cliente " + m.client + " --empresa " + m.company->name() +
                      " --contabilidad " + m.cont->name() + " --ano 2019";
    std::string sql;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) sql.append(buf, n);
    ASSERT_EQ(pclose(p), 0);
    auto root = testdb::connectRoot();
    root->executeScript(sql);
    m.writeConexion(testdb::serverParams().host, user, password);

    // A month without the default days row: the run adds it, and writes the worker's figures back.
    ASSERT_EQ(root->query("SELECT * FROM `" + m.company->name() + "`.`2019_habdes_remu`")->RecordCount(), 0);
    auto args = m.month("calcula");
    args.insert(args.end(), {"--desde", "0002", "--hasta", "0002", "--mostrar", "0002"});
    CliResult r = runCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("TOTAL IMPONIBLE"), std::string::npos);
    EXPECT_EQ(root->query("SELECT * FROM `" + m.company->name() + "`.`2019_habdes_remu` WHERE codigo_hd_remu = '998'")
                  ->RecordCount(),
              1);
    EXPECT_GT(root->query("SELECT total_imponible_per FROM `" + m.company->name() +
                          "`.`2019_personal` WHERE codigo_per = '0002'")
                  ->Fields(0)
                  .number(),
              0);
    // The slip's own reads (company data, parameters, cost centre).
    args = m.month("pdf");
    args.insert(args.end(), {"--desde", "0002", "--hasta", "0002"});
    r = runCli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 liquidaciones PDF"), std::string::npos) << r.out;

    ConnectionParams wp = testdb::serverParams();
    wp.user = user;
    wp.password = password;
    wp.database = m.company->name();
    auto worker = Connection::open(wp);
    // The login finds the company; the password change goes through.
    bool listed = false;
    for (auto dbs = worker->query("SHOW DATABASES"); !dbs->Eof(); dbs->MoveNext())
        listed = listed || dbs->Fields(0).text() == m.company->name();
    EXPECT_TRUE(listed);
    EXPECT_EQ(worker->execute("UPDATE `2019_personal` SET clave_per = 'NUEVA1' WHERE rut_per = '010000002-2'"), 1);
    // What it must not do.
    for (const std::string& refused :
         {std::string("UPDATE `2019_personal` SET sueldo_base_per = 9999999 WHERE codigo_per = '0002'"),
          std::string("INSERT INTO `2019_personal` (mes_per, codigo_per) VALUES ('03', '9999')"),
          std::string("DELETE FROM `2019_habdes_remu`"),
          std::string("UPDATE `2019_habdes_remu` SET valor_hd_remu = 99"),
          std::string("UPDATE `" + m.params->name() + "`.`2019_parametros` SET valor_uf_par = 1"),
          std::string("INSERT INTO `" + m.cont->name() + "`.`2019_centrocosto` (codigo_cc) VALUES ('X')"),
          std::string("CREATE TABLE intruso (a INT)"), std::string("DROP TABLE `2019_apv`")})
        EXPECT_THROW(worker->execute(refused), DbError) << refused;
    EXPECT_EQ(root->query("SELECT sueldo_base_per FROM `" + m.company->name() +
                          "`.`2019_personal` WHERE codigo_per = '0002'")
                  ->Fields(0)
                  .number(),
              600000);
    worker.reset();
    root->execute("DROP USER '" + user + "'@'%'");
}

// "envio" and "pdf" end with an account of every worker and an exit status that
// says whether everything asked for was done.
TEST(CliHardening, MailingExitStatusTellsTheTruth) {
    CliMonth m;
    m.addWorkers(1, 3, 600000, [](int i) {
        return i == 1 ? std::string("uno@correo.cl") : i == 2 ? std::string("dos@correo.cl\r\nDATA") : std::string();
    });
    ASSERT_EQ(runCli(m.month("pdf")).status, 0);
    const std::vector<std::string> sender = {std::string("REMU_SENDER=") + REMU_SENDER_EXE};
    auto envio = m.month("envio");
    envio.push_back("--si");
    {
        test::SmtpServer smtp({"--reject"});
        createCorreo({"rrhh@empresa.cl", "", "127.0.0.1", std::to_string(smtp.port()), "RRHH"}, m.dir.string());
        CliResult r = runCli(envio, sender);
        EXPECT_EQ(r.status, 1) << r.out << r.err;  // every mail refused
        EXPECT_NE(r.out.find("1 rechazados, 1 con dirección inválida, 1 sin dirección"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("0002  ROJAS DIAZ0002 ANA  <dos@correo.cl  DATA>: dirección inválida"),
                  std::string::npos)
            << r.out;
    }
    test::SmtpServer smtp;
    createCorreo({"rrhh@empresa.cl", "", "127.0.0.1", std::to_string(smtp.port()), "RRHH"}, m.dir.string());
    m.company->runSql("UPDATE `2019_personal` SET correo_per = 'dos@correo.cl' WHERE codigo_per = '0002'");
    CliResult r = runCli(envio, sender);
    EXPECT_EQ(r.status, 0) << r.out << r.err;  // the worker without an address is listed, not counted
    EXPECT_NE(r.out.find("2 enviados, 1 sin dirección"), std::string::npos) << r.out;
    EXPECT_EQ(smtp.messages(), 2);

    // Two workers with one address: withheld unless confirmed.
    m.company->runSql("UPDATE `2019_personal` SET correo_per = 'UNO@correo.cl' WHERE codigo_per = '0003'");
    r = runCli(envio, sender);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("1 enviados, 2 retenidos por dirección compartida"), std::string::npos) << r.out;
    envio.push_back("--permitir-compartidos");
    r = runCli(envio, sender);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(runCli({"envio", "--empresa"}).status, 2);
}
