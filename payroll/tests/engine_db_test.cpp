#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "data/query.h"
#include "data/work_tables.h"
#include "format/picture.h"
#include "format/text.h"
#include "payroll/engine.h"
#include "payroll/explain.h"
#include "payroll/loader.h"
#include "payroll/writer.h"
#include "tests/support/test_db.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

std::string schema(const std::string& file, const std::string& year = "2018") {
    std::ifstream in(std::string(REMU_SOURCE_DIR) + "/schema/" + file);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string s = ss.str();
    for (size_t p; (p = s.find("@YEAR@")) != std::string::npos;) s.replace(p, 6, year);
    return s;
}

class EngineDb : public ::testing::Test {
protected:
    void SetUp() override {
        tag = testdb::uniqueTag();
        company = std::make_unique<testdb::ScratchDatabase>(tag + "_remu_", "emp");
        params = testdb::ScratchDatabase::named(tag + "_remu");
        company->runSql(schema("company.sql") + schema("company_year.sql") + schema("company_year.sql", "2017"));
        params->runSql(schema("parametros.sql") + schema("parametros_year.sql"));
        params->runSql(
            "INSERT INTO 2018_parametros (mes_par, valor_uf_par, ingreso_minimo_par, tope_imponible_par, "
            "tope_imponible_cesantia_par, sis_par, feriados_mes_par, valor1_tabasifa) VALUES "
            "('03', 26966.89, 276000, 78.3, 117.5, 1.41, '30', 11337);"
            "INSERT INTO 2018_tabu (MES, UTM, DESDE_PESOS01, HASTA_PESOS01, FACTOR01, DESDE_PESOS02, HASTA_PESOS02, "
            "FACTOR02, REBAJA_PESOS02, DESDE_PESOS07, FACTOR07, REBAJA_PESOS07) VALUES ('03', 47301, 0, 638563.5, 0, "
            "638563.51, 1419030, 0.04, 25542.54, 5676120.01, 0.35, 1103059.32);"
            "INSERT INTO 2018_afp (codigo_afp, nombre_afp, mes_03) VALUES ('00', 'Sin AFP', 0), ('03', 'Cuprum', 11.44);"
            "INSERT INTO 2018_isapre VALUES ('07', 'Fonasa', 7), ('01', 'Banmedica', 7);"
            "INSERT INTO movim_personal VALUES ('3', 'Subsidios'), ('11', 'Otros');");
        company->runSql(
            "INSERT INTO anos VALUES ('2017'), ('2018');"
            "INSERT INTO 2018_datos_empresa (mes_datemp, codigo_mutual_datemp, porcentaje_mutual_datemp) VALUES "
            "('03', '00', 0.93);"
            "INSERT INTO 2018_habdes (codigo_had, semcor_had) VALUES ('BON', 0);");
        for (int i = 1; i <= 6; ++i) addWorker(code(i), 1000000);
        dir = fs::temp_directory_path() / ("remu_engine_" + tag);
        fs::create_directories(dir);
        session = makeSession();
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::string code(int i) {
        std::string c = std::to_string(i);
        return std::string(4 - c.size(), '0') + c;
    }
    void addWorker(const std::string& c, double salary, const std::string& month = "03", const std::string& year = "2018",
                   int cesantia = 3) {
        company->runSql("INSERT INTO " + year +
                        "_personal (mes_per, codigo_per, nombre_per, apepat_per, apemat_per, nombres_per, "
                        "sueldo_base_per, codigo_afp_per, codigo_isa_per, seguro_cesantia_per, sis_per, cencosto_per) "
                        "VALUES ('" + month + "', '" + c + "', 'WORKER " + c + "', 'ROJAS', 'DIAZ', 'ANA', " +
                        std::to_string(salary) + ", '03', '07', " + std::to_string(cesantia) + ", 1, 'CC01')");
    }
    Session makeSession() {
        Session s;
        auto p = testdb::serverParams();
        s.CHOST = p.host;
        s.CUSER = p.user;
        s.CPASSWORD = p.password;
        s.ID_CLIENTE = tag;
        s.CDATABASE = company->name();
        s.period = Period::of(2018, 3);
        EXPECT_TRUE(CONECTA(s, ui, s.OCON));
        return s;
    }
    std::vector<PaySlipLine> remumes(const fs::path& d) { return readWorkTable(WorkTable::REMUMES, d.string()); }
    void addItem(const std::string& worker, const std::string& item, const std::string& name, int type, int taxable,
                 double value, const std::string& formula = "") {
        company->runSql("INSERT INTO 2018_habdes_remu (mes_hd_remu, codigo_per_remu, nombre_per_remu, codigo_hd_remu, "
                        "nombre_hd_remu, tipo_hd_remu, imponi_hd_remu, valor_hd_remu, formula_hd_remu) VALUES ('03', '" +
                        worker + "', 'WORKER " + worker + "', '" + item + "', '" + name + "', " + std::to_string(type) +
                        ", " + std::to_string(taxable) + ", " + std::to_string(value) + ", '" + formula + "')");
    }
    bool run(const std::string& from = "", const std::string& to = "") {
        ui.clear();
        return CALCULA_REMUN(session, ui, from, to, {dir.string()});
    }

    std::string tag;
    std::unique_ptr<testdb::ScratchDatabase> company, params;
    RecordingPort ui;
    Session session;
    fs::path dir;
};

const PaySlipLine* find(const std::vector<PaySlipLine>& lines, const std::string& person, const std::string& code) {
    for (const auto& l : lines)
        if (l.PERSON_REM == person && l.HABDES_REM == code) return &l;
    return nullptr;
}

// "description=amount" of a worker's lines with the code, in slip order.
std::vector<std::string> described(const std::vector<PaySlipLine>& lines, const std::string& person,
                                   const std::string& code) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.PERSON_REM == person && l.HABDES_REM == code)
            out.push_back(l.DESCRI_REM + "|" + l.TITULO_REM + "=" + std::to_string(static_cast<long>(l.VALFIN_REM)));
    return out;
}

}  // namespace

TEST_F(EngineDb, WholeMonthRunWritesTablesAndFigures) {
    company->runSql(
        "INSERT INTO 2018_habdes_remu (mes_hd_remu, codigo_per_remu, nombre_per_remu, codigo_hd_remu, nombre_hd_remu, "
        "tipo_hd_remu, imponi_hd_remu, valor_hd_remu, formula_hd_remu, codigo_mov_remu, fecdes_remu, fechas_remu) VALUES "
        "('03', '0001', 'WORKER 0001', 'BON', 'BONO', 1, 1, 10, 'VALOR*1000', '', NULL, NULL),"
        "('03', '0001', 'WORKER 0001', 'PRE', 'PRESTAMO', 2, 0, 10000, '', '', '2018-01-15', '2018-07-15'),"
        "('03', '0002', 'WORKER 0002', '999', 'AUSENCIA', 3, 0, 5, '', '3', NULL, NULL),"
        "('03', '    ', '', 'MOV', 'MOVILIZACION', 1, 2, 20000, '', '', NULL, NULL);"
        "INSERT INTO 2018_apv (mes_apv, codper_apv, codigo_inst_apv, valor_apv, rebaja_tributable) VALUES "
        "('03', '0003', '005', 50000, 1);"
        "INSERT INTO 2018_ajuste (mes_rem, person_rem, habdes_rem, tipo_rem, descri_rem, valfin_rem) VALUES "
        "('03', '0004', 'TIM', 1, 'TOTAL IMPONIBLE', 1111111);"
        "INSERT INTO 2017_personal (mes_per, codigo_per, dias_trabajados_per, total_imponible_per) VALUES "
        "('11', '0002', 30, 800000), ('12', '0002', 20, 500000), ('03', '0002', 30, 1);");
    ASSERT_TRUE(CALCULA_REMUN(session, ui, "", "", {dir.string()})) << (ui.lines().empty() ? "" : ui.lines()[0]);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.progressTexts.front(), "Por Favor, espere\r\nProceso 10%");
    EXPECT_NE(std::find(ui.progressTexts.begin(), ui.progressTexts.end(), "Por Favor, espere\r\nProceso 80%6"),
              ui.progressTexts.end());
    EXPECT_EQ(ui.progressTexts.back(), "Proceso Finalizado ");
    EXPECT_EQ(session.CESTADO, "Proceso Finalizado ");
    EXPECT_EQ(session.VALUTM, 47301);

    auto lines = remumes(dir);
    EXPECT_EQ(find(lines, "0001", "BON")->VALFIN_REM, 10000);
    EXPECT_EQ(find(lines, "0001", "BON")->DESCRI_REM, "BONO (       10)");
    EXPECT_EQ(find(lines, "0001", "PRE")->DESCRI_REM, "PRESTAMO ( 3/ 6)");
    EXPECT_EQ(find(lines, "0001", "PRE")->FECDES_REM, (Date{2018, 1, 15}));
    EXPECT_EQ(find(lines, "0006", "MOV")->VALFIN_REM, 20000);
    EXPECT_EQ(find(lines, "0002", "998")->VALFIN_REM, 25);
    EXPECT_EQ(find(lines, "0002", "997")->VALFIN_REM, 5);
    EXPECT_EQ(find(lines, "0002", "999")->DESCRI_REM, "DIAS Subsidios");
    // Leave: the previous salary is the 2017 November total (December had 20 days, March is the run's month).
    const double worked = 1000000.0 / 30 * 25;
    EXPECT_EQ(find(lines, "0002", "SCE")->VALFIN_REM, ROUND((ROUND(worked, 0) + 800000.0 / 30 * 5) * 2.4 / 100, 0));
    EXPECT_EQ(SUELDO_ANTERIOR(*session.OCON, session, ui, "0002"), 800000);
    EXPECT_EQ(find(lines, "0003", "APV")->DESCRI_REM, "APV REBAJA");
    EXPECT_EQ(find(lines, "0004", "TIM")->VALFIN_REM, 1111111);
    EXPECT_EQ(find(lines, "0005", "TIM")->APENOM_REM, "ROJAS DIAZ ANA");
    EXPECT_EQ(find(lines, "0005", "TIM")->CENCOS_REM, "CC01");
    EXPECT_EQ(readWorkTable(WorkTable::AJUPASO, dir.string()).size(), 1u);
    EXPECT_TRUE(readWorkTable(WorkTable::REMUPASO, dir.string()).empty());
    // Lines in worker, type, taxable order.
    for (size_t i = 1; i < lines.size(); ++i) {
        auto key = [](const PaySlipLine& l) { return std::make_tuple(l.PERSON_REM, l.TIPO_REM, l.IMPONI_REM); };
        EXPECT_LE(key(lines[i - 1]), key(lines[i]));
    }

    // Write-back of taxable total and days; the default days item now exists.
    auto rs = session.OCON->query("SELECT codigo_per, total_imponible_per, dias_trabajados_per FROM 2018_personal "
                                  "WHERE mes_per = '03' ORDER BY codigo_per");
    EXPECT_EQ(rs->Fields(1).number(), 1010000);
    EXPECT_EQ(rs->Fields(2).number(), 30);
    rs->MoveNext();
    EXPECT_EQ(rs->Fields(2).number(), 25);
    rs->Move(2);
    EXPECT_EQ(rs->Fields(1).number(), 1111111);
    auto days = session.OCON->query(
        "SELECT nombre_hd_remu, tipo_hd_remu, imponi_hd_remu, valor_hd_remu, codigo_per_remu FROM 2018_habdes_remu "
        "WHERE codigo_hd_remu = '998'");
    ASSERT_EQ(days->RecordCount(), 1);
    EXPECT_EQ(trim(days->Fields(0).text()), "DIAS TRABAJADOS");
    EXPECT_EQ(days->Fields(1).number(), 3);  // a control line: the workers get 30 days from it, the slips never show it
    EXPECT_EQ(days->Fields(2).number(), 0);
    EXPECT_EQ(days->Fields(3).number(), 30);
    EXPECT_EQ(trim(days->Fields(4).text()), "");

    // A second run gives the same slips and does not add another days item.
    ASSERT_TRUE(CALCULA_REMUN(session, ui, "", "", {dir.string()}));
    EXPECT_EQ(remumes(dir).size(), lines.size());
    EXPECT_EQ(session.OCON->query("SELECT * FROM 2018_habdes_remu WHERE codigo_hd_remu = '998'")->RecordCount(), 1);
}

TEST_F(EngineDb, RefusalsLeaveTheWorkTablesAlone) {
    PaySlipLine marker;
    marker.PERSON_REM = "ZZZZ";
    writeWorkTable(WorkTable::REMUMES, {marker}, dir.string());

    company->runSql("DELETE FROM 2018_datos_empresa");
    EXPECT_FALSE(CALCULA_REMUN(session, ui, "", "", {dir.string()}));
    EXPECT_EQ(ui.lines().back(), "Stop|Alto|Debe Registrar Datos empresa antes de procesar");
    EXPECT_EQ(remumes(dir).size(), 1u);

    // A row that vanishes after the check is created by the load with no insurers.
    MonthInputs in;
    LoadRequest req{"2018", "03", tag, "", "", false};
    ASSERT_TRUE(loadMonthInputs(*session.OCON, req, ui, in));
    EXPECT_EQ(in.company.mutualCode, "00");
    auto rs = session.OCON->query("SELECT codigo_mutual_datemp, codigo_ccaf_datemp FROM 2018_datos_empresa");
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Fields(0).text(), "00");
    EXPECT_EQ(rs->Fields(1).text(), "00");

    // No personnel in the month.
    company->runSql("DELETE FROM 2018_personal");
    ui.clear();
    EXPECT_FALSE(CALCULA_REMUN(session, ui, "", "", {dir.string()}));
    EXPECT_EQ(ui.lines().back(), "Info|Atenci\xC3\xB3n|NO HAY DATOS EN EL MAESTRO DE PERSONAL EN  MARZO");
    EXPECT_EQ(remumes(dir).size(), 1u);

    // A range with nobody in it completes with no lines.
    addWorker("0001", 500000);
    ui.clear();
    EXPECT_TRUE(CALCULA_REMUN(session, ui, "0500", "0600", {dir.string()}));
    EXPECT_TRUE(remumes(dir).empty());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(EngineDb, SimultaneousRangeRunsKeepToTheirOwnWorkers) {
    company->runSql(
        "INSERT INTO 2018_habdes_remu (mes_hd_remu, codigo_per_remu, codigo_hd_remu, nombre_hd_remu, tipo_hd_remu, "
        "imponi_hd_remu, valor_hd_remu) VALUES ('03', '0001', 'BON', 'BONO', 1, 1, 111),"
        "('03', '0002', 'BON', 'BONO', 1, 1, 222), ('03', '0005', 'BON', 'BONO', 1, 1, 555),"
        "('03', '    ', 'MOV', 'MOVILIZACION', 1, 2, 20000)");
    Session other = makeSession();
    fs::path dir2 = dir / "second";
    fs::create_directories(dir2);
    for (int round = 0; round < 3; ++round) {
        RecordingPort ui1, ui2;
        bool ok1 = false, ok2 = false;
        std::thread a([&] { ok1 = CALCULA_REMUN(session, ui1, "0001", "0003", {dir.string()}); });
        std::thread b([&] { ok2 = CALCULA_REMUN(other, ui2, "0004", "0006", {dir2.string()}); });
        a.join();
        b.join();
        ASSERT_TRUE(ok1 && ok2);
        // Each run reads only its own workers' items: none is announced as unknown.
        EXPECT_EQ(ui1.lines(), std::vector<std::string>{});
        EXPECT_EQ(ui2.lines(), std::vector<std::string>{});
        std::set<std::string> first, second;
        for (auto& l : remumes(dir)) first.insert(l.PERSON_REM);
        for (auto& l : remumes(dir2)) second.insert(l.PERSON_REM);
        EXPECT_EQ(first, (std::set<std::string>{"0001", "0002", "0003"}));
        EXPECT_EQ(second, (std::set<std::string>{"0004", "0005", "0006"}));
        EXPECT_EQ(find(remumes(dir), "0002", "BON")->VALFIN_REM, 222);
        EXPECT_EQ(find(remumes(dir2), "0005", "BON")->VALFIN_REM, 555);
        EXPECT_EQ(find(remumes(dir2), "0006", "MOV")->VALFIN_REM, 20000);
    }
}

TEST_F(EngineDb, FailingStoredFormulaStopsTheRunWithoutPartialSlips) {
    company->runSql(
        "INSERT INTO 2018_habdes_remu (mes_hd_remu, codigo_per_remu, codigo_hd_remu, nombre_hd_remu, tipo_hd_remu, "
        "imponi_hd_remu, valor_hd_remu, formula_hd_remu) VALUES ('03', '0004', 'BON', 'BONO', 1, 1, 1, 'VALOR/0')");
    ASSERT_FALSE(CALCULA_REMUN(session, ui, "", "", {dir.string()}));
    ASSERT_FALSE(ui.boxes.empty());
    const auto& box = ui.boxes.back();
    EXPECT_EQ(box.kind, BoxKind::Stop);
    EXPECT_NE(box.text.find("0004"), std::string::npos);
    EXPECT_NE(box.text.find("VALOR/0"), std::string::npos);
    EXPECT_TRUE(remumes(dir).empty());  // the first workers' slips are not left behind
    auto rs = session.OCON->query("SELECT SUM(total_imponible_per) FROM 2018_personal");
    EXPECT_EQ(rs->Fields(0).number(), 0);  // nothing written back
}

TEST_F(EngineDb, PensionRegimeAndNoSystemNeedNoFundRowForCode00) {
    // A client's fund table without the "00" row: 0001 is on the old public regime, 0002 in no system.
    params->runSql("DELETE FROM 2018_afp WHERE codigo_afp = '00';"
                   "INSERT INTO 2018_afp (codigo_afp, nombre_afp, ips, mes_03) VALUES ('IP', 'Ips Empart', 1, 18.84)");
    company->runSql("UPDATE 2018_personal SET codigo_afp_per = '00', codigo_ips_per = 'IP' WHERE codigo_per = '0001';"
                    "UPDATE 2018_personal SET codigo_afp_per = '00' WHERE codigo_per = '0002'");
    ASSERT_TRUE(run()) << (ui.lines().empty() ? "" : ui.lines().back());
    EXPECT_TRUE(ui.boxes.empty());
    auto lines = remumes(dir);
    EXPECT_EQ(described(lines, "0001", "IP"), (std::vector<std::string>{"IPS EMPART 18.84 %|IPS EMPART=188400"}));
    EXPECT_EQ(find(lines, "0001", "00"), nullptr);
    EXPECT_EQ(described(lines, "0002", "SIP"), (std::vector<std::string>{"SIN AFP 0 %|AFP=0"}));
    // No pension lowers his tax base: 1,000,000 - 70,000 health - 6,000 unemployment.
    EXPECT_EQ(find(lines, "0002", "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. 924,000)");
    EXPECT_EQ(find(lines, "0003", "03")->VALFIN_REM, 114400);

    // A fund or regime that is needed and missing still stops the run before any slip is written.
    company->runSql("UPDATE 2018_personal SET codigo_afp_per = '77' WHERE codigo_per = '0003'");
    EXPECT_FALSE(run());
    EXPECT_EQ(ui.lines().back(), "Stop|Error|Trabajador 0003: la AFP 77 no existe en la tabla de AFP; no se puede "
                                 "calcular su cotizaci\xC3\xB3n.");
    EXPECT_TRUE(remumes(dir).empty());
    company->runSql("UPDATE 2018_personal SET codigo_afp_per = '03' WHERE codigo_per = '0003';"
                    "UPDATE 2018_personal SET codigo_ips_per = 'XX' WHERE codigo_per = '0001'");
    EXPECT_FALSE(run());
    EXPECT_EQ(ui.lines().back(), "Stop|Error|Trabajador 0001: el r\xC3\xA9gimen XX no existe en la tabla de AFP; no se "
                                 "puede calcular su cotizaci\xC3\xB3n.");
}

TEST_F(EngineDb, ItemsOfAnUnknownCodeThatExtendsAKnownOneAreReportedNotPaid) {
    addItem("1", "010", "BONO", 1, 1, 100);
    addItem("10", "020", "COLACION", 1, 2, 200);
    addItem("10", "030", "MOVILIZACION", 1, 2, 300);
    ASSERT_TRUE(run());
    const std::string missing = "Alert|Alerta|Trabajador no encontrado en Tabla Trabajadores 10";
    EXPECT_EQ(ui.lines(), (std::vector<std::string>{missing, missing}));  // once per row
    auto lines = remumes(dir);
    for (const auto& l : lines) {
        EXPECT_NE(l.PERSON_REM, "10");
        EXPECT_NE(l.HABDES_REM, "020");
        EXPECT_NE(l.HABDES_REM, "030");
    }
    // The "1" rows as before: the personnel lookup finds 0001 by containment.
    EXPECT_EQ(find(lines, "1", "010")->VALFIN_REM, 100);
    EXPECT_EQ(find(lines, "1", "SUE")->VALFIN_REM, 1000000);
}

TEST_F(EngineDb, SavingsGroupAsTheServerComparesCodesAndTheMarkerGivesOneLinePerContract) {
    // A client's savings table wider than the code: '0001' and '0001 ' are the same worker to the server.
    company->runSql("ALTER TABLE 2018_apv MODIFY codper_apv VARCHAR(6) NOT NULL;"
                    "INSERT INTO 2018_apv (mes_apv, codper_apv, codigo_inst_apv, nominst_apv, valor_apv, rebaja_tributable, "
                    "desactivado) VALUES ('03', '0001', '005', 'HABITAT', 30000, 1, 0),"
                    "('03', '0001 ', '006', 'CUPRUM', 20000, 1, 0), ('03', '0002', '005', 'HABITAT', 10000, 0, 0),"
                    "('03', '0002', '006', 'CUPRUM', 99999, 1, 1)");
    ASSERT_TRUE(run());
    EXPECT_TRUE(ui.boxes.empty());
    auto lines = remumes(dir);
    EXPECT_EQ(described(lines, "0001", "APV"), (std::vector<std::string>{"APV REBAJA|APV REBAJA=50000"}));
    EXPECT_EQ(described(lines, "0002", "APV"), (std::vector<std::string>{"APV NO REBAJA|APV NO REBAJA=10000"}));
    // Both contracts lower the tax base: 1,000,000 - 114,400 - 70,000 - 6,000 - 50,000.
    EXPECT_EQ(find(lines, "0001", "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. 759,600)");
    EXPECT_EQ(find(lines, "0002", "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. 809,600)");

    // APV_SEP.TXT in the working folder, in either case: one line per contract in use.
    for (const char* marker : {"APV_SEP.TXT", "apv_sep.txt"}) {
        std::ofstream(dir / marker).put('\n');
        ASSERT_TRUE(run()) << marker;
        lines = remumes(dir);
        EXPECT_EQ(described(lines, "0001", "APV"),
                  (std::vector<std::string>{"APV REBAJA|APV_005=30000", "APV REBAJA|APV_006=20000"}))
            << marker;
        EXPECT_EQ(described(lines, "0002", "APV"), (std::vector<std::string>{"APV|APV_005=10000"})) << marker;
        EXPECT_EQ(find(lines, "0001", "APV")->NOMINSAPV, "HABITAT");
        EXPECT_EQ(find(lines, "0001", "UNI")->DESCRI_REM, "IMP.UNICO (Base Trib. 759,600)");
        fs::remove(dir / marker);
    }
}

TEST_F(EngineDb, SavingsReadAsTheRunGoesGiveTheLinesOfTheWholeMonth) {
    // Contracts stored out of code order, a worker's own out of institution order, one of a
    // code nobody has, one with a formula, one switched off.
    company->runSql("INSERT INTO 2018_apv (mes_apv, codper_apv, nomper_apv, codigo_inst_apv, nominst_apv, valor_apv, "
                    "formula_apv, rebaja_tributable, desactivado) VALUES "
                    "('03', '0005', 'W5', '006', 'CUPRUM', 20000, '', 1, 0),"
                    "('03', '0003', 'W3', '008', 'PLANVITAL', 1, 'VALOR*VALOUF', 0, 0),"
                    "('03', '0005', 'W5', '005', 'HABITAT', 30000, '', 1, 0),"
                    "('03', '0009', 'NADIE', '005', 'HABITAT', 1000, '', 1, 0),"
                    "('03', '0003', 'W3', '005', 'HABITAT', 15000, '', 1, 0),"
                    "('03', '0005', 'W5', '007', 'MODELO', 5000, '', 0, 0),"
                    "('03', '0001', 'W1', '005', 'HABITAT', 99999, '', 1, 1),"
                    "('03', '0003', 'W3', '006', 'CUPRUM', 2500, '', 1, 0),"
                    "('02', '0002', 'W2', '005', 'HABITAT', 7777, '', 1, 0)");
    addItem("0003", "BON", "BONO", 1, 1, 50000);
    auto text = [](const std::vector<PaySlipLine>& lines) {
        std::vector<std::string> out;
        for (const auto& l : lines)
            out.push_back(l.PERSON_REM + "|" + l.HABDES_REM + "|" + l.DESCRI_REM + "|" + l.TITULO_REM + "|" +
                          l.INSAPV_REM + "|" + std::to_string(l.SECUEN_REM) + "|" + std::to_string(l.VALFIN_REM));
        return out;
    };
    // The explaining run takes the month whole; the plain one reads it as it goes.
    auto both = [&](const std::string& from, const std::string& to, const std::string& why) {
        ui.clear();
        SlipRecorder rec("0003");
        ASSERT_TRUE(CALCULA_REMUN(session, ui, from, to, {dir.string(), nullptr, &rec})) << why;
        const auto whole = text(remumes(dir));
        ASSERT_TRUE(run(from, to)) << why;
        const auto streamed = text(remumes(dir));
        EXPECT_EQ(streamed, whole) << why;
        size_t savings = 0;
        for (const std::string& l : streamed) savings += l.find("|APV|") != std::string::npos;
        EXPECT_GT(savings, 0u) << why;
    };
    for (bool separate : {false, true}) {
        if (separate) std::ofstream(dir / "APV_SEP.TXT").put('\n');
        const std::string how = separate ? "one line per contract" : "totals";
        both("", "", how + ", every worker");
        both("0002", "0005", how + ", a range");
        both("0005", "0005", how + ", one worker");
    }
    // One line per contract, in the order of the rows of the worker's contracts.
    const auto lines = remumes(dir);
    std::vector<std::string> titles;
    for (const auto& l : lines)
        if (l.HABDES_REM == "APV") titles.push_back(l.TITULO_REM);
    EXPECT_EQ(titles, (std::vector<std::string>{"APV_006", "APV_005", "APV_007"}));
}

TEST_F(EngineDb, FailedWriteBackLeavesEveryFigureAsItWas) {
    WriteBacks figures;
    for (int i = 1; i <= 6; ++i) figures.push_back({code(i), true, true, 1000.0 * i, 30});
    auto nothingWritten = [&](const char* why) {
        // Read on the same connection: a transaction left open would show its own changes.
        auto rs = session.OCON->query("SELECT SUM(total_imponible_per), SUM(dias_trabajados_per), @@in_transaction "
                                      "FROM 2018_personal");
        EXPECT_EQ(rs->Fields(0).number(), 0) << why;
        EXPECT_EQ(rs->Fields(1).number(), 0) << why;
        EXPECT_EQ(rs->Fields(2).number(), 0) << why;
    };

    // The figures travel in statements of one row each (the smallest limit): the third one
    // repeats a worker, and the server refuses it half-way through sending them.
    WriteBacks repeated;
    size_t at = 0;
    for (const WriteBack& w : figures) {
        if (at++ == 2) repeated.push_back(figures[0]);
        repeated.push_back(w);
    }
    ui.clear();
    EXPECT_FALSE(writeBackFigures(*session.OCON, "2018", "03", repeated, ui, 2));
    ASSERT_FALSE(ui.boxes.empty());  // the server's refusal is shown
    nothingWritten("refused while sending");

    // Every figure sent, then the server refuses the figure of 0005 in the month's table.
    company->runSql("ALTER TABLE 2018_personal ADD CONSTRAINT refuse_0005 CHECK (codigo_per <> '0005' OR "
                    "total_imponible_per = 0)");
    for (size_t limit : {size_t(2), size_t(0)}) {
        ui.clear();
        EXPECT_FALSE(writeBackFigures(*session.OCON, "2018", "03", figures, ui, limit)) << limit;
        ASSERT_FALSE(ui.boxes.empty());
        nothingWritten("refused while writing");
    }
    // The whole run reports the failure too.
    EXPECT_FALSE(run());
    EXPECT_EQ(session.OCON->query("SELECT SUM(total_imponible_per) FROM 2018_personal")->Fields(0).number(), 0);

    // A transaction left open would hold the table: give up waiting rather than hang.
    company->runSql("SET SESSION lock_wait_timeout = 5; ALTER TABLE 2018_personal DROP CONSTRAINT refuse_0005");
    ui.clear();
    EXPECT_TRUE(writeBackFigures(*session.OCON, "2018", "03", figures, ui, 2));
    auto rs = session.OCON->query("SELECT SUM(total_imponible_per), SUM(dias_trabajados_per) FROM 2018_personal");
    EXPECT_EQ(rs->Fields(0).number(), 21000);
    EXPECT_EQ(rs->Fields(1).number(), 180);
}

TEST_F(EngineDb, WriteBackTakesTheSameStatementsForAnyNumberOfWorkersAndKeepsWhatWasNotComputed) {
    company->runSql("INSERT INTO 2018_personal (mes_per, codigo_per, total_imponible_per, dias_trabajados_per) "
                    "SELECT '03', LPAD(seq, 4, '0'), 7, 7 FROM seq_7_to_3000;"
                    // Another month's row of the same worker is not touched.
                    "INSERT INTO 2018_personal (mes_per, codigo_per, total_imponible_per) VALUES ('02', '0010', 5)");
    auto questions = [&] {
        return session.OCON->query("SHOW SESSION STATUS LIKE 'Questions'")->Fields(1).number();
    };
    WriteBacks figures;
    for (int i = 1; i <= 3000; ++i) figures.push_back({code(i), i != 10, i != 11, 100.0 * i, 30});
    auto write = [&](size_t limit) {
        ui.clear();
        const double before = questions();
        EXPECT_TRUE(writeBackFigures(*session.OCON, "2018", "03", figures, ui, limit));
        EXPECT_TRUE(ui.boxes.empty());
        return questions() - before - 1;
    };
    // Statements of 8 KB: the 3,000 rows (about 60 KB) go in several of them, in one transaction.
    const double chunked = write(8192);
    EXPECT_GT(chunked, 9);
    EXPECT_LT(chunked, 16);
    // The server's own limit: the same statements whatever the size of the month.
    EXPECT_LE(write(0), 6);  // its packet size, the table of figures, its rows, the update and the transaction
    WriteBacks first20;
    for (const WriteBack& w : figures)
        if (first20.size() < 20) first20.push_back(w);
    figures = first20;
    EXPECT_LE(write(0), 5);  // the packet size is asked once per connection

    auto rs = session.OCON->query("SELECT codigo_per, total_imponible_per, dias_trabajados_per FROM 2018_personal "
                                  "WHERE mes_per = '03' AND codigo_per IN ('0009', '0010', '0011', '2999') ORDER BY 1");
    std::vector<std::string> got;
    for (; !rs->Eof(); rs->MoveNext())
        got.push_back(rs->Fields(0).text() + " " + std::to_string(rs->Fields(1).integer()) + " " +
                      std::to_string(rs->Fields(2).integer()));
    // 0010 has no taxable total and 0011 no days: what was there stays; 2999 was in the
    // first, bigger write.
    EXPECT_EQ(got, (std::vector<std::string>{"0009 900 30", "0010 7 30", "0011 1100 7", "2999 299900 30"}));
    EXPECT_EQ(session.OCON->query("SELECT total_imponible_per FROM 2018_personal WHERE mes_per = '02'")->Fields(0).number(),
              5);
}

TEST_F(EngineDb, LoaderReadsEachMonthFigureFromItsOwnColumn) {
    std::string brackets;
    for (int k = 1; k <= 8; ++k) {
        std::string n = "0" + std::to_string(k), v = std::to_string(k);
        brackets += std::string(k > 1 ? ", " : "") + "DESDE_PESOS" + n + " = " + v + "000.01, HASTA_PESOS" + n + " = " +
                    v + "999, FACTOR" + n + " = 0.0" + v + ", REBAJA_PESOS" + n + " = " + v + "0.5";
    }
    params->runSql("UPDATE 2018_parametros SET valor_utm_par = 1, valor_uf_ips_par = 2, valor_usd = 612.5, valor_euro = "
                   "745.25, tope_gratificacion = 109250, valor2_tabasifa = 6957, valor3_tabasifa = 2199, "
                   "valor4_tabasifa = 7, feriados_mes_par = '29 30' WHERE mes_par = '03';"
                   "UPDATE 2018_tabu SET " + brackets + " WHERE MES = '03';"
                   "INSERT INTO 2018_ccaf VALUES ('01', 'Los Andes');"
                   "INSERT INTO 2018_mutual VALUES ('02', 'Mutual CChC')");
    company->runSql("UPDATE 2018_datos_empresa SET codigo_ccaf_datemp = '01', porcentaje_ccaf_datemp = 0.6, "
                    "codigo_mutual_datemp = '02', porcentaje_mutual_datemp = 0.95");
    MonthInputs in;
    ASSERT_TRUE(loadMonthInputs(*session.OCON, {"2018", "03", tag, "", "", false}, ui, in));
    const MonthParams& p = in.params;
    EXPECT_EQ(p.VALOUF, 26966.89);
    EXPECT_EQ(p.VALUSD, 612.5);
    EXPECT_EQ(p.VALEURO, 745.25);
    EXPECT_EQ(p.taxableCap, 78.3);
    EXPECT_EQ(p.unemploymentCap, 117.5);
    EXPECT_EQ(p.sisRate, 1.41);
    EXPECT_EQ(p.INGMIN, 276000);
    EXPECT_EQ(p.GRAMAX, 109250);
    EXPECT_EQ(p.holidays, "29 30");
    EXPECT_EQ(std::vector<double>(p.familyAllowance, p.familyAllowance + 4), (std::vector<double>{11337, 6957, 2199, 7}));
    ASSERT_TRUE(in.tax);
    EXPECT_EQ(in.tax->UTM, 47301);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(in.tax->from[k], (k + 1) * 1000 + 0.01) << k;
        EXPECT_EQ(in.tax->to[k], (k + 1) * 1000 + 999) << k;
        EXPECT_EQ(in.tax->factor[k], (k + 1) / 100.0) << k;
        EXPECT_EQ(in.tax->rebate[k], (k + 1) * 10 + 0.5) << k;
    }
    EXPECT_EQ(in.company.ccafCode, "01");
    EXPECT_EQ(in.company.ccafRate, 0.6);
    EXPECT_EQ(in.company.mutualCode, "02");
    EXPECT_EQ(in.company.mutualRate, 0.95);

    // In a run, formulas see each figure under its own name.
    params->runSql("UPDATE 2018_tabu SET DESDE_PESOS01 = 0, HASTA_PESOS01 = 99999999, FACTOR01 = 0 WHERE MES = '03'");
    const char* names[] = {"GRAMAX", "INGMIN", "VALOUF", "VALUTM", "VALUSD", "VALEURO"};
    const char* codes[] = {"GRA", "IMM", "VUF", "UTM", "USD", "EUR"};
    for (int i = 0; i < 6; ++i) addItem("0001", codes[i], names[i], 1, 2, 1, names[i]);
    ASSERT_TRUE(run()) << (ui.lines().empty() ? "" : ui.lines().back());
    auto lines = remumes(dir);
    const double expected[] = {109250, 276000, 26967, 47301, 613, 745};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(find(lines, "0001", codes[i])->VALFIN_REM, expected[i]) << names[i];
    EXPECT_EQ(find(lines, "0001", "MUT")->DESCRI_REM, "MUTUAL CCHC %0.95");
}
