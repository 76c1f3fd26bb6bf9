#include <gtest/gtest.h>
#include <shapefil.h>
#include <sys/wait.h>
#include <unistd.h>

#include "data/local_tables.h"
#include "data/tests/dbf_test_dir.h"
#include "data/work_tables.h"
#include "shell/startup.h"

using namespace remu;
using remu::testing::readBytes;
using remu::testing::TempDir;

namespace {

class Startup : public ::testing::Test {
protected:
    void TearDown() override { releaseInstanceLock(); }

    StartupOutcome start(Session& s, const StartupHooks& hooks = {}) {
        StartupOptions o;
        o.workDir = dir.path;
        o.programName = "remu-prueba";
        o.lockDir = locks.path;
        return INICIO(s, ui, hooks, o);
    }

    int rawRecordCount(const std::string& file) {
        DBFHandle h = DBFOpen(dir.file(file).c_str(), "rb");
        if (!h) return -1;
        int n = DBFGetRecordCount(h);
        DBFClose(h);
        return n;
    }

    TempDir dir, locks;
    RecordingPort ui;
};

PaySlipLine line(const char* code) {
    PaySlipLine l;
    l.HABDES_REM = code;
    l.VALFIN_REM = 1000;
    return l;
}

}  // namespace

TEST_F(Startup, FirstStartInAnEmptyFolder) {
    Session s;
    s.CPROCESO = "resto de otra sesión";
    ASSERT_EQ(start(s), StartupOutcome::Ready);
    EXPECT_TRUE(ui.boxes.empty());

    ASSERT_EQ(rawRecordCount("CONEXION.DBF"), 1);
    auto row = readConexion(dir.path);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->HOST, "localhost");
    EXPECT_EQ(row->NOM_HOST, "SERVIDOR LOCAL");
    EXPECT_EQ(row->USER, "remu");
    EXPECT_EQ(row->CLAVE, "");
    EXPECT_EQ(row->DATABASE, "");
    for (const char* t : {"REMUMES.DBF", "REMUPASO.DBF", "AJUPASO.DBF"}) EXPECT_EQ(rawRecordCount(t), 0) << t;

    EXPECT_EQ(s.CHOST, "localhost");
    EXPECT_EQ(s.CNOM_HOST, "SERVIDOR LOCAL");
    EXPECT_EQ(s.CUSER, "remu");
    EXPECT_EQ(s.CPASSWORD, "");
    EXPECT_EQ(s.ID_CLIENTE, "");
    EXPECT_EQ(s.CDATABASE, std::string(30, ' '));
    EXPECT_EQ(s.CRUT_CONEXION_TRABAJADOR, std::string(11, ' '));
    EXPECT_EQ(s.CCLAVE, std::string(6, ' '));
    EXPECT_EQ(s.MES_FIJO, " ");
    EXPECT_EQ(s.NOMSIS, "VORANIX REMUNERACIONES [ Talvo ]   03082018");
    EXPECT_EQ(s.CPROCESO, "");
    ASSERT_EQ(s.TABLA_MESES.size(), 12u);
    EXPECT_EQ(s.TABLA_MESES[0], " 01- ENERO");
    EXPECT_EQ(s.TABLA_MESES[8], " 09- SEPTIEMBRE");
    EXPECT_EQ(s.TABLA_MESES[11], " 12- DICIEMBRE");
    ASSERT_EQ(s.TABLA_DIA.size(), 31u);
    EXPECT_EQ(s.TABLA_DIA.front(), "01");
    EXPECT_EQ(s.TABLA_DIA.back(), "31");
    ASSERT_EQ(s.TABLA_DIA_FILTRO.size(), 32u);
    EXPECT_EQ(s.TABLA_DIA_FILTRO[30], "31");
    EXPECT_EQ(s.TABLA_DIA_FILTRO[31], "  ");
}

TEST_F(Startup, LaterStartKeepsConexionAndEmptiesWorkTables) {
    createConexion({"10.0.0.5", "CASA MATRIZ", "nomina", "x1", "  ACME  "}, dir.path);
    const std::string conexion = readBytes(dir.file("CONEXION.DBF"));
    writeWorkTable(WorkTable::REMUMES, {line("SUE"), line("TDE")}, dir.path);
    writeWorkTable(WorkTable::AJUPASO, {line("SUE")}, dir.path);
    writeWorkTable(WorkTable::REMUPASO, {line("SUE")}, dir.path);

    Session s;
    ASSERT_EQ(start(s), StartupOutcome::Ready);
    EXPECT_EQ(readBytes(dir.file("CONEXION.DBF")), conexion);
    EXPECT_EQ(s.CHOST, "10.0.0.5");
    EXPECT_EQ(s.CNOM_HOST, "CASA MATRIZ");
    EXPECT_EQ(s.ID_CLIENTE, "ACME");
    for (const char* t : {"REMUMES.DBF", "REMUPASO.DBF", "AJUPASO.DBF"}) EXPECT_EQ(rawRecordCount(t), 0) << t;
    releaseInstanceLock();

    // A work table somebody has open at that moment keeps its rows.
    writeWorkTable(WorkTable::REMUMES, {line("SUE")}, dir.path);
    writeWorkTable(WorkTable::REMUPASO, {line("SUE")}, dir.path);
    DbfTable reader = DbfTable::open(dir.file("REMUMES.DBF"));
    ASSERT_EQ(start(s), StartupOutcome::Ready);
    EXPECT_EQ(rawRecordCount("REMUMES.DBF"), 1);
    EXPECT_EQ(rawRecordCount("REMUPASO.DBF"), 0);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Startup, SecondInstanceIsRefusedAndTouchesNothing) {
    Session first;
    ASSERT_EQ(start(first), StartupOutcome::Ready);
    writeWorkTable(WorkTable::REMUMES, {line("SUE")}, dir.path);  // the first copy's results

    Session second;
    bool loginRan = false;
    StartupHooks hooks;
    hooks.login = [&](Session&, UiPort&) { return loginRan = true; };
    EXPECT_EQ(start(second, hooks), StartupOutcome::SecondInstance);
    EXPECT_EQ(ui.lines(), (std::vector<std::string>{"Stop|Alerta|Usted ya está ejecutando el sistema"}));
    EXPECT_FALSE(loginRan);
    EXPECT_EQ(rawRecordCount("REMUMES.DBF"), 1);

    // Another process sees the lock too.
    pid_t child = fork();
    if (child == 0) _exit(acquireInstanceLock("remu-prueba", locks.path) ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);

    releaseInstanceLock();
    ui.clear();
    EXPECT_EQ(start(second), StartupOutcome::Ready);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Startup, LoginAndMainWindowHooks) {
    createConexion({"h", "SERVIDOR", "u", "p", "ACME"}, dir.path);
    std::vector<std::string> calls;
    StartupHooks hooks;
    hooks.login = [&](Session& s, UiPort&) {
        calls.push_back("login " + s.ID_CLIENTE + " " + std::to_string(s.TABLA_MESES.size()));
        return false;
    };
    hooks.mainWindow = [&](Session&, UiPort&) { calls.push_back("main"); };
    Session s;
    EXPECT_EQ(start(s, hooks), StartupOutcome::LoginRefused);
    releaseInstanceLock();

    hooks.login = [&](Session&, UiPort&) {
        calls.push_back("login");
        return true;
    };
    EXPECT_EQ(start(s, hooks), StartupOutcome::Finished);
    EXPECT_EQ(calls, (std::vector<std::string>{"login ACME 12", "login", "main"}));
}

TEST_F(Startup, BrokenConexionIsReportedAndKept) {
    remu::testing::writeBytes(dir.file("CONEXION.DBF"), "no es una tabla");
    Session s;
    EXPECT_EQ(start(s), StartupOutcome::Failed);
    EXPECT_EQ(ui.lines(),
              (std::vector<std::string>{"Stop|Error|La tabla CONEXION.DBF está dañada o no es una tabla dBASE."}));
    EXPECT_EQ(readBytes(dir.file("CONEXION.DBF")), "no es una tabla");

    // A connection table without rows gives blank values; the login then fails on its own.
    releaseInstanceLock();
    ui.clear();
    DbfTable::create(dir.file("CONEXION.DBF"), conexionLayout()).close();
    s.CHOST = "viejo";
    EXPECT_EQ(start(s), StartupOutcome::Ready);
    EXPECT_EQ(s.CHOST, "");
    EXPECT_EQ(s.ID_CLIENTE, "");
    EXPECT_TRUE(ui.boxes.empty());
}
