// Contract and settlement documents: the markers and names without a server, then the
// whole road against the private database server and the real LibreOffice. The cases
// share one word processor, as the documents of one session do.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "data/connection.h"
#include "office/tword.h"
#include "personnel/documents.h"
#include "tests/support/docx_files.h"
#include "tests/support/test_db.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

const std::string kPlantillas = std::string(REMU_SOURCE_DIR) + "/resources/plantillas/";

DocumentWorker demoWorker() {
    DocumentWorker w;
    w.CCODIGO_PER = "0001";
    w.CRUT = "012345678-5";
    w.CNOMBRE = "JUAN CARLOS PÉREZ NÚÑEZ";
    w.CDIRECCION = "AV. ARGENTINA 2211                                ";
    w.CCOMUNA = "ANTOFAGASTA                   ";
    w.CCARGO = "JEFE DE VENTAS                ";
    w.DFECHA_NAC = {1979, 10, 12};
    w.DFECHA_CONTRATO = {2015, 3, 2};
    w.NESTADO_CIVIL = 2;
    w.NSUELDO_BASE = 450000;
    return w;
}

DocumentCompany demoCompany() {
    return {"COMERCIAL MINERA DEL NORTE LTDA.  ", "76.354.771-K", "RODRIGO ANDRÉS PIZARRO MUÑOZ", "9.876.543-3",
            "AV. GRECIA 1450", "ANTOFAGASTA"};
}

std::map<std::string, std::string> asMap(const std::vector<std::pair<std::string, std::string>>& v) {
    return {v.begin(), v.end()};
}

}  // namespace

TEST(DocumentMarkers, SeventeenInOrderWithTheWorkersAndTheCompanysData) {
    auto m = documentMarkers(DocumentKind::Contrato, demoWorker(), demoCompany());
    std::vector<std::string> order;
    for (const auto& [k, v] : m) order.push_back(k);
    EXPECT_EQ(order, (std::vector<std::string>{"[NOMEMP]", "[NOMPER]", "[RUTEMP]", "[REPLEG]", "[RUTREP]", "[SUEBAS]",
                                               "[SUEBME]", "[ACTPER]", "[DIREMP]", "[COMUEMP]", "[ESTCIV]", "[RUTPER]",
                                               "[FECCON]", "[FECTER]", "[FECNAC]", "[DIRPER]", "[COMUPER]"}));
    auto v = asMap(m);
    EXPECT_EQ(v["[NOMEMP]"], "COMERCIAL MINERA DEL NORTE LTDA.");
    EXPECT_EQ(v["[NOMPER]"], "JUAN CARLOS PÉREZ NÚÑEZ");
    EXPECT_EQ(v["[RUTEMP]"], "76.354.771-K");
    EXPECT_EQ(v["[REPLEG]"], " RODRIGO ANDRÉS PIZARRO MUÑOZ");
    EXPECT_EQ(v["[RUTREP]"], "9.876.543-3");  // stored with its dots, not cut again
    EXPECT_EQ(v["[SUEBAS]"], "  450,000");
    EXPECT_EQ(v["[SUEBME]"], "CUATROCIENTOS CINCUENTA MIL ");
    EXPECT_EQ(v["[ACTPER]"], "JEFE DE VENTAS");
    EXPECT_EQ(v["[DIREMP]"], "AV. GRECIA 1450");
    EXPECT_EQ(v["[COMUEMP]"], "ANTOFAGASTA");
    EXPECT_EQ(v["[ESTCIV]"], "Casado");
    EXPECT_EQ(v["[RUTPER]"], "12.345.678-5");
    EXPECT_EQ(v["[FECCON]"], "02 DE  MARZO DE 2015");
    EXPECT_EQ(v["[FECTER]"], "es de duración indefinida");
    EXPECT_EQ(v["[FECNAC]"], "12 DE  OCTUBRE DE 1979");
    EXPECT_EQ(v["[DIRPER]"], "AV. ARGENTINA 2211");
    EXPECT_EQ(v["[COMUPER]"], "ANTOFAGASTA");
}

TEST(DocumentMarkers, DatesStatusRutsAndLargeSalaries) {
    EXPECT_EQ(longDate({2019, 3, 15}), "15 DE  MARZO DE 2019");
    EXPECT_EQ(longDate({2020, 1, 5}), "05 DE  ENERO DE 2020");
    EXPECT_EQ(longDate({}), "");

    DocumentWorker w = demoWorker();
    w.DFECHA_CONTRATO = {};
    w.DFECHA_NAC = {};
    w.DFECHA_TERMINO = {2019, 6, 30};
    w.NESTADO_CIVIL = 1;
    w.NSUELDO_BASE = 12'500'000.4;
    DocumentCompany c = demoCompany();
    c.Rut_datemp = "076354771-K";
    c.rut_rep_Legal_datemp = "";
    auto v = asMap(documentMarkers(DocumentKind::Finiquito, w, c));
    EXPECT_EQ(v["[FECCON]"], "*** SIN FECHA DE CONTRATO ***");
    EXPECT_EQ(v["[FECNAC]"], "*** SIN FECHA DE NACIMIENTO ***");
    EXPECT_EQ(v["[FECTER]"], "durara hasta el 30 DE  JUNIO DE 2019");
    EXPECT_EQ(v["[ESTCIV]"], "Soltero");
    EXPECT_EQ(v["[RUTEMP]"], "76.354.771-K");  // the settlement shows it with dots
    EXPECT_EQ(v["[RUTREP]"], "");
    EXPECT_EQ(v["[SUEBAS]"], "12,500,000");  // not asterisks
    EXPECT_EQ(v["[SUEBME]"], "DOCE MILLONES QUINIENTOS MIL ");
    EXPECT_EQ(asMap(documentMarkers(DocumentKind::Contrato, w, c))["[RUTEMP]"], "076354771-K");  // as stored

    w.NESTADO_CIVIL = 3;  // "Otro"
    EXPECT_EQ(asMap(documentMarkers(DocumentKind::Contrato, w, c))["[ESTCIV]"], "Casado");
}

TEST(DocumentNames, TemplateCheckAndOutputName) {
    for (const char* ok : {"/plantillas/CONTRATO.DOC", "contrato.doc", "/x/Finiquito.DocX", "c.odt"})
        EXPECT_TRUE(templateAccepted(ok)) << ok;
    for (const char* bad : {"", "   ", "/home/clerk", "contrato.pdf", "contrato.doc.bak", "contrato.docm"})
        EXPECT_FALSE(templateAccepted(bad)) << bad;

    EXPECT_EQ(documentFileName(DocumentKind::Contrato, "012345678-5", "/p/contrato.doc"), "012345678_CONTRATO.DOC");
    EXPECT_EQ(documentFileName(DocumentKind::Finiquito, "012345678-5", "/p/F.docx"), "012345678_FINIQUITO.DOCX");
    EXPECT_EQ(documentFileName(DocumentKind::Contrato, "6-K", "c.DOC"), "000000006_CONTRATO.DOC");
    EXPECT_EQ(documentFileName(DocumentKind::Contrato, "12.345.678-5", "c.doc"), "012345678_CONTRATO.DOC");
    EXPECT_EQ(documentFileName(DocumentKind::Contrato, "           ", "c.doc"), "");
    EXPECT_EQ(documentFileName(DocumentKind::Contrato, "../../x/y-1", "c.doc"), "");
}

namespace {

std::string text(const std::string& document) {
    std::string txt = document + ".txt";
    if (!convertDocument(document, txt)) return "(sin texto)";
    return testdocx::readFile(txt);
}

// A company month on the private server: workers with and without dates, a salary that
// follows the minimum wage, one that follows the taxable ceiling, a blank RUT.
class DocumentsOnServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tag_ = testdb::uniqueTag();
        company_ = std::make_unique<testdb::ScratchDatabase>(tag_ + "_remu_", "docs");
        params_ = testdb::ScratchDatabase::named(tag_ + "_remu");
        company_->runSql(
            testdb::schemaSql("company.sql", "2019") + testdb::schemaSql("company_year.sql", "2019") +
            "INSERT INTO 2019_datos_empresa (mes_datemp, nombre_datemp, Rut_datemp, direccion_datemp, comuna_datemp, "
            "rep_legal_datemp, rut_rep_Legal_datemp) VALUES ('03', 'COMERCIAL MINERA DEL NORTE LTDA.', "
            "'76.354.771-K', 'AV. GRECIA 1450', 'ANTOFAGASTA', 'RODRIGO ANDRÉS PIZARRO MUÑOZ', '9.876.543-3');"
            "INSERT INTO 2019_personal (mes_per, codigo_per, rut_per, nombre_per, nombres_per, apepat_per, "
            "apemat_per, direccion_per, comuna_per, cargo_per, fecha_nacimiento_per, fecha_contrato_per, "
            "fecha_termino_per, estado_civil_per, sueldo_base_per, moneda_sueldo_per) VALUES "
            "('03', '0001', '012345678-5', 'PÉREZ NÚÑEZ JUAN CARLOS', 'JUAN CARLOS', 'PÉREZ', 'NÚÑEZ', "
            "'AV. ARGENTINA 2211', 'ANTOFAGASTA', 'JEFE DE VENTAS', '1979-10-12', '2015-03-02', NULL, 2, 450000, 1),"
            "('03', '0002', '006805048-0', '', 'ANA', 'ROJAS', 'SOTO', 'CALLE PRAT 12', 'CALAMA', 'CAJERA', NULL, "
            "NULL, NULL, 3, 0, 5),"
            "('03', '0003', '', '', 'SIN', 'RUT', '', '', '', 'OPERARIO', NULL, '2018-01-01', NULL, 1, 300000, 1),"
            "('03', '0004', '014384983-K', '', 'LUIS', 'MORA', 'PAZ', 'PASAJE LOS AROMOS 5', 'MEJILLONES', "
            "'GERENTE', '1970-01-31', '2019-01-02', '2019-06-30', 1, 0, 4);");
        params_->runSql(testdb::schemaSql("parametros.sql", "2019") + testdb::schemaSql("parametros_year.sql", "2019") +
                        "INSERT INTO 2019_parametros (mes_par, valor_uf_par, tope_imponible_par, ingreso_minimo_par) "
                        "VALUES ('03', 27565.79, 79.3, 301000);");
        dir_ = fs::temp_directory_path() / ("remu_docs_" + tag_);
        fs::create_directories(dir_);
    }
    static void TearDownTestSuite() {
        endWordProcessor();
        company_.reset();
        params_.reset();
        fs::remove_all(dir_);
    }

    void SetUp() override {
        s_.period = Period::of(2019, 3);
        s_.ID_CLIENTE = tag_;
        s_.OCON = company_->connect();
    }

    DocumentWorker worker(const std::string& code) {
        DocumentWorker w;
        EXPECT_TRUE(readDocumentWorker(*s_.OCON, s_, code, ui_, w)) << code;
        return w;
    }

    std::string contrato(const DocumentWorker& w, const std::string& templ) {
        return VECONT(s_, w, templ, dir_.string(), status_, [this] { shown_.push_back(status_); }, ui_);
    }

    static std::string tag_;
    static std::unique_ptr<testdb::ScratchDatabase> company_, params_;
    static fs::path dir_;
    Session s_;
    RecordingPort ui_;
    std::string status_;
    std::vector<std::string> shown_;
};
std::string DocumentsOnServer::tag_;
std::unique_ptr<testdb::ScratchDatabase> DocumentsOnServer::company_, DocumentsOnServer::params_;
fs::path DocumentsOnServer::dir_;

}  // namespace

TEST_F(DocumentsOnServer, WorkerIsReadAsTheWorkerFileHoldsHim) {
    DocumentWorker w = worker("0001");
    EXPECT_EQ(w.CRUT, "012345678-5");
    EXPECT_EQ(w.CNOMBRE, "JUAN CARLOS PÉREZ NÚÑEZ");  // from its parts, names first
    EXPECT_EQ(w.DFECHA_CONTRATO, (Date{2015, 3, 2}));
    EXPECT_TRUE(w.DFECHA_TERMINO.isNull());
    EXPECT_EQ(w.NSUELDO_BASE, 450000);
    EXPECT_EQ(worker("0002").NSUELDO_BASE, 301000);  // minimum wage of the month
    EXPECT_EQ(worker("0004").NSUELDO_BASE, 2185967);  // 79.3 UF of 27,565.79

    DocumentWorker none;
    EXPECT_FALSE(readDocumentWorker(*s_.OCON, s_, "0099", ui_, none));
    EXPECT_EQ(ui_.lines().back(), "Info|registro no encontrado|No existe Trabajador 0099");
}

TEST_F(DocumentsOnServer, ContractFromTheLegacyTemplate) {
    std::string out = contrato(worker("0001"), kPlantillas + "contrato_tipo.doc");
    ASSERT_EQ(out, (dir_ / "012345678_CONTRATO.DOC").string()) << testing::PrintToString(ui_.lines());
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_EQ(shown_, (std::vector<std::string>{kGenerando, kAbriendo}));
    EXPECT_EQ(ui_.openedFiles, std::vector<std::string>{out});
    std::string t = text(out);
    EXPECT_EQ(t.find('['), std::string::npos) << t;
    for (const char* value :
         {"COMERCIAL MINERA DEL NORTE LTDA.", "RUT 76.354.771-K", "representada legalmente por RODRIGO ANDRÉS",
          "N° 9.876.543-3", "JUAN CARLOS PÉREZ NÚÑEZ", "N° 12.345.678-5", "estado civil Casado",
          "nacido(a) el 12 DE  OCTUBRE DE 1979", "domiciliado(a) en AV. ARGENTINA 2211, comuna de ANTOFAGASTA",
          "cargo de JEFE DE VENTAS", "$  450,000 (CUATROCIENTOS CINCUENTA MIL PESOS)",
          "En ANTOFAGASTA, a 02 DE  MARZO DE 2015", "contrato es de duración indefinida"})
        EXPECT_NE(t.find(value), std::string::npos) << value << "\n" << t;
    // Still the legacy Word format.
    EXPECT_EQ(testdocx::readFile(out).substr(0, 4), "\xD0\xCF\x11\xE0");
    // Nothing of the work left behind but the document.
    EXPECT_FALSE(fs::exists(dir_ / ".~remu-012345678_CONTRATO.DOC"));
}

TEST_F(DocumentsOnServer, SettlementFromTheDocxTemplateKeepsItsExtension) {
    std::string out = VEFINIQ(s_, worker("0004"), kPlantillas + "finiquito_tipo.docx", dir_.string(), status_,
                              [this] { shown_.push_back(status_); }, ui_);
    ASSERT_EQ(out, (dir_ / "014384983_FINIQUITO.DOCX").string()) << testing::PrintToString(ui_.lines());
    EXPECT_EQ(testdocx::readFile(out).substr(0, 2), "PK");  // a real .docx under a .DOCX name
    std::string t = text(out);
    EXPECT_EQ(t.find('['), std::string::npos) << t;
    for (const char* value : {"LUIS MORA PAZ", "N° 14.384.983-K", "RUT 76.354.771-K", "cargo de GERENTE",
                              "desde el 02 DE  ENERO DE 2019", "$2,185,967 (DOS MILLONES CIENTO OCHENTA Y CINCO MIL"})
        EXPECT_NE(t.find(value), std::string::npos) << value << "\n" << t;
}

TEST_F(DocumentsOnServer, WorkerWithoutDatesAndOtherMaritalStatus) {
    std::string out = contrato(worker("0002"), kPlantillas + "contrato_tipo.docx");
    ASSERT_FALSE(out.empty()) << testing::PrintToString(ui_.lines());
    std::string t = text(out);
    EXPECT_NE(t.find("a *** SIN FECHA DE CONTRATO ***, entre"), std::string::npos) << t;
    EXPECT_NE(t.find("nacido(a) el *** SIN FECHA DE NACIMIENTO ***"), std::string::npos) << t;
    EXPECT_NE(t.find("contrato es de duración indefinida"), std::string::npos) << t;
    EXPECT_NE(t.find("estado civil Casado"), std::string::npos) << t;

    out = contrato(worker("0004"), kPlantillas + "contrato_tipo.docx");
    EXPECT_NE(text(out).find("contrato durara hasta el 30 DE  JUNIO DE 2019."), std::string::npos);
}

TEST_F(DocumentsOnServer, ProducingTwiceOverwritesAndAFailureKeepsTheEarlierDocument) {
    const std::string templ = kPlantillas + "contrato_tipo.docx";
    DocumentWorker w = worker("0001");
    std::string out = contrato(w, templ);
    w.CCARGO = "SUBGERENTE COMERCIAL";
    ASSERT_EQ(contrato(w, templ), out);
    EXPECT_NE(text(out).find("cargo de SUBGERENTE COMERCIAL"), std::string::npos);

    // A damaged template (cut short): told, and the document made before is still there.
    std::string broken = (dir_ / "danada.docx").string();
    std::ofstream(broken, std::ios::binary) << testdocx::readFile(templ).substr(0, 1500);
    ui_.clear();
    shown_.clear();
    EXPECT_EQ(contrato(w, broken), "");
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].text, "No se pudo generar el documento " + (dir_ / "012345678_CONTRATO.DOCX").string() +
                                     " con la plantilla " + broken);
    EXPECT_EQ(shown_.back(), "");
    EXPECT_NE(text(out).find("cargo de SUBGERENTE COMERCIAL"), std::string::npos);
    EXPECT_TRUE(ui_.openedFiles.empty());
}

TEST_F(DocumentsOnServer, RefusalsBeforeAnythingIsWritten) {
    const auto before = std::distance(fs::directory_iterator(dir_), fs::directory_iterator());
    DocumentWorker w = worker("0001");
    EXPECT_EQ(contrato(w, ""), "");
    EXPECT_EQ(contrato(w, dir_.string()), "");  // the starting value: a folder
    EXPECT_EQ(VEFINIQ(s_, w, "/tmp/finiquito.pdf", dir_.string(), status_, {}, ui_), "");
    EXPECT_EQ(contrato(w, (dir_ / "no_existe.doc").string()), "");
    EXPECT_EQ(contrato(worker("0003"), kPlantillas + "contrato_tipo.doc"), "");  // blank RUT
    EXPECT_EQ(ui_.lines(), (std::vector<std::string>{
                               "Stop|ALERTA|Debe seleccionar el contrato Tipo",
                               "Stop|ALERTA|Debe seleccionar el contrato Tipo",
                               "Stop|ALERTA|Debe seleccionar el Finiquito Tipo",
                               "Stop|ALERTA|No existe el archivo " + (dir_ / "no_existe.doc").string(),
                               "Stop|ALERTA|El trabajador no tiene un RUT válido: no se puede generar el documento"}));

    // A month without company data.
    ui_.clear();
    s_.period = s_.period.withMonth(4);
    EXPECT_EQ(contrato(w, kPlantillas + "contrato_tipo.doc"), "");
    EXPECT_EQ(ui_.lines(),
              std::vector<std::string>{"Stop|ALERTA|Debe Registrar Datos empresa antes de generar el documento"});
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), before);
}

TEST_F(DocumentsOnServer, NoWordProcessor) {
    endWordProcessor();
    ::setenv("REMU_SOFFICE", "/nonexistent/soffice", 1);
    std::string out = contrato(worker("0001"), kPlantillas + "contrato_tipo.doc");
    ::unsetenv("REMU_SOFFICE");
    EXPECT_EQ(out, "");
    EXPECT_EQ(ui_.lines(), std::vector<std::string>{"Alert|Atención|ERROR! Word no está instaldo en esta PC."});
    EXPECT_EQ(shown_, (std::vector<std::string>{kGenerando, ""}));
    EXPECT_FALSE(fs::exists(dir_ / ".~remu-012345678_CONTRATO.DOC"));
}
