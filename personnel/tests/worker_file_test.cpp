// The worker file without its dialog, on the private server: the buffer to and from the
// row, the code proposal and check over the whole month, the save checks in their order,
// the write read back column by column, a second clerk's conflicting save, the rules.
#include <gtest/gtest.h>

#include "core/ui_port.h"
#include "data/personnel_table.h"
#include "data/recordset.h"
#include "personnel/tests/worker_file_fixture.h"
#include "personnel/worker_file.h"

using namespace remu;

namespace {

class WorkerFileTest : public ::testing::Test {
protected:
    void SetUp() override { db.bind(s); }
    Connection& conn() { return *s.OCON; }

    // A buffer that passes every check without a question.
    WorkerBuffer complete(const std::string& code) {
        WorkerBuffer b = newWorkerBuffer();
        b.CCODIGO_PER = code;
        b.CNOMBRES = held("JOSÉ ÑANDÚ", width::NOMBRES);
        b.CAPEPAT = held("O'HIGGINS", width::APELLIDO);
        b.CAPEMAT = held("BACK\\SLASH", width::APELLIDO);
        b.CNOMBRE = composedName(b);
        b.CRUT = "012345678-5";
        b.CCODIGO_AFP = "03";
        b.CCODIGO_ISA = "12";
        return b;
    }

    wftest::WorkerCompany db;
    Session s;
    RecordingPort ui;
};

}  // namespace

TEST_F(WorkerFileTest, TheCodeProposalAndCheckLookAtTheWholeMonth) {
    auto ors = db.month();
    EXPECT_EQ(CREA_CODIGO_NUEVO(conn(), s.period, ui), "0042");
    // With a search active the list shows only 0001; the proposal still follows 0041.
    ors->Filter("nombre_per LIKE '*JUAN*'");
    ors->MoveLast();
    EXPECT_EQ(ors->Fields("codigo_per").text(), "0001");
    EXPECT_EQ(CREA_CODIGO_NUEVO(conn(), s.period, ui), "0042");
    EXPECT_FALSE(CODIGO_EXISTE(conn(), s.period, "0041", true, ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Atención|YA EXISTE 0041 LUIS MUNOZ VERA"});
    ui.clear();
    // Free codes, July's code, and any code of a worker already stored, pass.
    EXPECT_TRUE(CODIGO_EXISTE(conn(), s.period, "0042", true, ui));
    EXPECT_TRUE(CODIGO_EXISTE(conn(), s.period, "0007", true, ui));
    EXPECT_TRUE(CODIGO_EXISTE(conn(), s.period, "0041", false, ui));
    EXPECT_TRUE(ui.boxes.empty());

    db.company().runSql("DELETE FROM 2019_personal WHERE mes_per = '08'");
    EXPECT_EQ(CREA_CODIGO_NUEVO(conn(), s.period, ui), "0001");
}

TEST_F(WorkerFileTest, ANewWorkerIsWrittenAndReadBackColumnByColumn) {
    auto ors = db.month();
    ors->Filter("nombre_per LIKE '*ANA*'");  // the list's search does not matter to the write
    WorkerBuffer b = complete("0042");
    b.CDIRECCION = held("AV. O'HIGGINS 1234, DEPTO \"B\"", width::DIRECCION);
    b.CCOMUNA = held("ÑUÑOA", width::COMUNA);
    b.CCIUDAD = held("SANTIAGO", width::CIUDAD);
    b.DFECHA_NAC = Date{1980, 2, 29};
    b.DFECHA_CONTRATO = Date{2018, 1, 2};
    b.DFECHA_TERMINO = Date{2018, 12, 31};
    b.CCARGO = held("JEFE DE ÁREA", width::CARGO);
    b.CTELEFONO = held("+56 9 1234", width::TELEFONO);
    b.CCORREO = held("jose.nandu@example.cl", width::CORREO);
    b.NESTADO_CIVIL = 2;
    b.CDIR_FOTO = "/fotos/jose ñandú.bmp";
    b.NSEXO = 1;
    b.NSUELDO_BASE = 1397671;
    b.NMONEDA_SUELDO = 2;
    b.NMONEDA_SUELDO_VALOR = 50;
    b.NFORMA_PAGO_SUELDO = 3;
    b.LSUELDO_PATRONAL = true;
    b.CBANCO = "012";
    b.CCTABCO = "99-887766";
    b.NSEGURO_CESANTIA = 3;
    b.CTIPO_JORNADA = "Parcial";
    b.NDIAS_JORNADA_PARCIAL = 12;
    b.NCARGAS = 2;
    b.CTRAMO = "B";
    b.NNACIONALIDAD = 2;
    b.CCENCOS = "0020";
    b.CTIPO_TRABAJADOR = "0 ";
    b.CNOMBRE_REGIMEN_PREVISIONAL = "AFP - AFP";
    b.LSIS = false;
    b.NPACTADO_ISAPRE = 2;
    b.NVALOR_PACTADO = 2.125;
    b.NADICIONAL_PESOS = 15000;
    ASSERT_TRUE(GRABA_PERSONAL(*ors, b, true, conn(), s, ui)) << ::testing::PrintToString(ui.lines());

    const std::pair<const char*, const char*> expected[] = {
        {"mes_per", "08"},
        {"codigo_per", "0042"},
        {"nombres_per", "JOSÉ ÑANDÚ"},
        {"apepat_per", "O'HIGGINS"},
        {"apemat_per", "BACK\\SLASH"},
        {"nombre_per", "JOSÉ ÑANDÚ O'HIGGINS BACK\\SLASH"},
        {"direccion_per", "AV. O'HIGGINS 1234, DEPTO \"B\""},
        {"comuna_per", "ÑUÑOA"},
        {"ciudad_per", "SANTIAGO"},
        {"rut_per", "012345678-5"},
        {"fecha_nacimiento_per", "1980-02-29"},
        {"correo_per", "jose.nandu@example.cl"},
        {"telefono_per", "+56 9 1234"},
        {"cargo_per", "JEFE DE ÁREA"},
        {"fecha_ini_lab_per", "NULL"},
        {"fecha_contrato_per", "2018-01-02"},
        {"fecha_termino_per", "2018-12-31"},
        {"anomes_termino_per", "201812"},
        {"estado_civil_per", "2"},
        {"comprobante_pago", "0"},
        {"dir_foto_per", "/fotos/jose ñandú.bmp"},
        {"sexo_per", "1"},
        {"sueldo_base_per", "1397671.00"},
        {"moneda_sueldo_per", "2"},
        {"moneda_sueldo_valor_per", "50.0000"},
        {"forma_pago_sueldo_per", "3"},
        {"sueldo_patronal_per", "1.00"},
        {"codigo_banco_per", "012"},
        {"cuenta_banco_per", "99-887766"},
        {"seguro_cesantia_per", "3"},
        {"tipo_jornada_per", "Parcial"},
        {"dias_jornada_parcial_per", "12.00"},
        {"cargas_simples_per", "2"},
        {"tramo_carga_per", "B"},
        {"nacionalidad_per", "2"},
        {"cencosto_per", "0020"},
        {"tipo_trabajador_per", "0"},
        {"nombre_regimen_previsional", "AFP - AFP"},
        {"codigo_afp_per", "03"},
        {"codigo_ips_per", ""},
        {"afp_seguro_cesantia_per", ""},
        {"sis_per", "0"},
        {"codigo_isa_per", "12"},
        {"pactado_isapre_per", "2"},
        {"adicional_pesos_per", "15000.00"},
        {"valor_pactado_per", "2.1250"},
        {"clave_per", ""},
    };
    for (auto [col, value] : expected) EXPECT_EQ(db.column("0042", col), value) << col;

    // Read back into a buffer, the same values come out (texts padded, the name composed).
    auto again = db.month();
    wftest::moveTo(*again, "0042");
    WorkerBuffer r = bufferFromRow(personnelRow(*again), false);
    EXPECT_EQ(r.CNOMBRES, held("JOSÉ ÑANDÚ", width::NOMBRES));
    EXPECT_EQ(r.CNOMBRE, "JOSÉ ÑANDÚ O'HIGGINS BACK\\SLASH");
    EXPECT_EQ(r.CAPEMAT, held("BACK\\SLASH", width::APELLIDO));
    EXPECT_EQ(r.DFECHA_TERMINO, (Date{2018, 12, 31}));
    EXPECT_TRUE(r.DFECHA_INI_LAB.isNull());
    EXPECT_EQ(r.CTRAMO, "B");
    EXPECT_TRUE(r.LSUELDO_PATRONAL);
    EXPECT_FALSE(r.LSIS);
    EXPECT_DOUBLE_EQ(r.NVALOR_PACTADO, 2.125);
}

TEST_F(WorkerFileTest, AChangedWorkerKeepsWhatTheFileDoesNotShowAndEmptiesDatesAsNull) {
    auto ors = db.month();
    WorkerBuffer b = bufferFromRow(personnelRow(*ors), false);
    EXPECT_EQ(b.CCODIGO_PER, "0001");
    EXPECT_EQ(b.CNOMBRES, held("JUAN", width::NOMBRES));
    b.CCARGO = held("CONTADOR", width::CARGO);
    b.DFECHA_CONTRATO = Date{};
    ASSERT_TRUE(GRABA_PERSONAL(*ors, b, false, conn(), s, ui));
    EXPECT_EQ(db.column("0001", "cargo_per"), "CONTADOR");
    EXPECT_EQ(db.column("0001", "fecha_contrato_per"), "NULL");
    EXPECT_EQ(db.column("0001", "clave_per"), "ABC123");  // not the file's to write
    EXPECT_EQ(db.count("mes_per = '08'"), 3);
}

TEST_F(WorkerFileTest, ASecondClerksSaveOverAChangedRowIsRefused) {
    auto first = db.month();
    auto second = db.month();
    WorkerBuffer a = bufferFromRow(personnelRow(*first), false);
    WorkerBuffer b = a;
    a.CCARGO = held("GERENTE", width::CARGO);
    ASSERT_TRUE(GRABA_PERSONAL(*first, a, false, conn(), s, ui));
    b.CCARGO = held("JUNIOR", width::CARGO);
    EXPECT_FALSE(GRABA_PERSONAL(*second, b, false, conn(), s, ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].kind, BoxKind::Stop);
    EXPECT_NE(ui.boxes[0].text.find("modificado o eliminado por otro usuario"), std::string::npos) << ui.boxes[0].text;
    EXPECT_EQ(db.column("0001", "cargo_per"), "GERENTE");
}

TEST_F(WorkerFileTest, ADuplicateCodeIsRefusedByTheServerAndNothingIsWritten) {
    auto ors = db.month();
    EXPECT_FALSE(GRABA_PERSONAL(*ors, complete("0041"), true, conn(), s, ui));
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes.back().title, "Error");
    EXPECT_EQ(db.column("0041", "nombres_per"), "LUIS");
    EXPECT_EQ(ors->RecordCount(), 3);
}

TEST_F(WorkerFileTest, AWorkersOwnSaveWritesOnlyWhatHeMayChange) {
    s.CRUT_CONEXION_TRABAJADOR = "12345678-5";
    auto ors = db.month();
    wftest::moveTo(*ors, "0002");
    WorkerBuffer b = bufferFromRow(personnelRow(*ors), false);
    salaryAtOpening(b, s);  // unit 4: the ceiling in pesos
    EXPECT_EQ(b.NSUELDO_BASE, 2216706);
    b.CCODIGO_IPS = "21";
    b.CAFP_SEGURO_CESANTIA = "05";
    VALIDA_REGIMEN_PREV(b);
    b.CCARGO = "GERENTE";  // cannot be typed in his session; never written from it
    ASSERT_TRUE(GRABA_PERSONAL(*ors, b, false, conn(), s, ui)) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(db.column("0002", "codigo_ips_per"), "21");
    EXPECT_EQ(db.column("0002", "afp_seguro_cesantia_per"), "05");
    EXPECT_EQ(db.column("0002", "nombre_regimen_previsional"), "INP - IPS (Ex-INP)");
    EXPECT_EQ(db.column("0002", "cargo_per"), "");
    EXPECT_EQ(workerSessionColumns(true).back(), "comprobante_pago");
}

TEST_F(WorkerFileTest, TheSaveChecksInTheirOrderWithPageAndField) {
    struct Case {
        const char* what;
        std::function<void(WorkerBuffer&)> change;
        int apv;
        std::string message;
        int page, field;
    };
    const Case cases[] = {
        {"AFP and IPS", [](WorkerBuffer& b) { b.CCODIGO_IPS = "21"; }, 0,
         "No puede registradar AFP e Instituto Previsión social (IPS),\r\nsi está en Instituto Previsión social (IPS), "
         "código AFP debe ser '00 NO ESTA EN AFP'",
         3, 103},
        {"IPS with APV", [](WorkerBuffer& b) { b.CCODIGO_AFP = "00", b.CCODIGO_IPS = "21"; }, 1,
         "Tiene registrado APV e Instituto Previsión social (IPS)", 3, 115},
        {"IPS without fund", [](WorkerBuffer& b) { b.CCODIGO_AFP = "00", b.CCODIGO_IPS = "21"; }, 0,
         "Debe Registrar una AFP recaudadora del Seguro Censantía para\r\n el Instituto Previsión social (IPS)", 3, 117},
        {"dependants", [](WorkerBuffer& b) { b.NCARGAS = 1, b.CTRAMO = " "; }, 0,
         "Debe Indicar Tramo para Cargas Familiares", 2, 213},
        {"Fonasa agreed", [](WorkerBuffer& b) { b.CCODIGO_ISA = "07", b.NVALOR_PACTADO = 1; }, 0,
         "Ha seleccionado 'Fonasa' y Valor Pactado Isapre Mayor a 0", 4, 222},
        {"UF", [](WorkerBuffer& b) { b.NMONEDA_SUELDO = 2; }, 0, "Debe Registrar Valor para Sueldo en UF", 2, 140},
        {"UTM", [](WorkerBuffer& b) { b.NMONEDA_SUELDO = 3; }, 0, "Debe Registrar Valor para Sueldo en UTM", 2, 140},
        {"RUT", [](WorkerBuffer& b) { b.CRUT = std::string(11, ' '); }, 0, "Debe Ingrear RUT", 1, 112},
    };
    for (const Case& c : cases) {
        ui.clear();
        WorkerBuffer b = complete("0042");
        c.change(b);
        SaveCheck r = VALIDA_GRABA(b, c.apv, conn(), s.period, ui);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.page, c.page) << c.what;
        EXPECT_EQ(r.field, c.field) << c.what;
        EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Atención|" + c.message}) << c.what;
    }
    // Fonasa without an agreed value, and units 6 and 7 without a unit value, pass.
    for (auto change : std::vector<std::function<void(WorkerBuffer&)>>{
             [](WorkerBuffer& b) { b.CCODIGO_ISA = "07"; }, [](WorkerBuffer& b) { b.NMONEDA_SUELDO = 6; },
             [](WorkerBuffer& b) { b.NMONEDA_SUELDO = 7; }}) {
        ui.clear();
        WorkerBuffer b = complete("0042");
        b.CRUT = "005555555-9";
        change(b);
        EXPECT_TRUE(VALIDA_GRABA(b, 0, conn(), s.period, ui).ok);
        EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());
    }
}

TEST_F(WorkerFileTest, TheQuestionsAndTheDuplicateWarnings) {
    // Without AFP nor IPS: "yes" saves at once, without the ISAPRE question or the warnings.
    WorkerBuffer b = complete("0042");
    b.CCODIGO_AFP = "00";
    b.CCODIGO_ISA = "00";
    b.CNOMBRES = held("JUAN", width::NOMBRES), b.CAPEPAT = held("PEREZ", width::APELLIDO),
    b.CAPEMAT = held("SOTO", width::APELLIDO);
    ui.answerNext(true);
    EXPECT_TRUE(VALIDA_GRABA(b, 0, conn(), s.period, ui).ok);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{
                              "YesNo|Atención|Debe registrar AFP o Instituto Previsión social (IPS) Desea grabar sin AFP ?"});
    ui.clear();
    ui.answerNext(false);
    SaveCheck r = VALIDA_GRABA(b, 0, conn(), s.period, ui);
    EXPECT_EQ((std::tuple{r.ok, r.page, r.field}), (std::tuple{false, 3, 103}));

    // A pensioner (type 2) is not asked about the AFP; the ISAPRE question follows.
    b.CTIPO_TRABAJADOR = "2 ";
    ui.clear();
    ui.answerNext(false);
    r = VALIDA_GRABA(b, 0, conn(), s.period, ui);
    EXPECT_EQ((std::tuple{r.ok, r.page, r.field}), (std::tuple{false, 4, 119}));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"YesNo|Atención|Debe registrar ISAPRE Desea grabar sin ISAPRE?"});

    // With both: the same RUT and name in another worker are told, and the save goes on.
    b.CCODIGO_AFP = "03";
    b.CCODIGO_ISA = "12";
    ui.clear();
    EXPECT_TRUE(VALIDA_GRABA(b, 0, conn(), s.period, ui).ok);
    EXPECT_EQ(ui.lines(), (std::vector<std::string>{"Info|Alerta|Rut trabajador ya registrado en 0001",
                                                    "Info|Alerta|Nombre trabajador ya registrado en 0001"}));
    // The worker himself is no duplicate.
    b.CCODIGO_PER = "0001";
    ui.clear();
    EXPECT_TRUE(VALIDA_GRABA(b, 0, conn(), s.period, ui).ok);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(WorkerFileTest, TheOpeningLooksUpTheNamesAndWorksOutIndexedSalaries) {
    auto ors = db.month();
    WorkerBuffer b = bufferFromRow(personnelRow(*ors), false);
    lookUpNames(b, conn(), s, ui, true);
    EXPECT_EQ(b.CBANCO_NOMBRE, "BANCO DE CHILE");
    EXPECT_EQ(b.CCENCOS_NOMBRE, "ADMINISTRACION");
    EXPECT_EQ(b.CTIPO_TRABAJADOR_DESCRIPCION, "ACTIVO");
    EXPECT_EQ(b.CNOMBRE_AFP, "CUPRUM");
    EXPECT_EQ(b.CNOMBRE_ISA, "BANMEDICA");
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());

    b.CBANCO = "999";
    b.CCODIGO_IPS = "21";
    b.CCENCOS = "0999";
    lookUpNames(b, conn(), s, ui, true);
    EXPECT_EQ(b.CNOMBRE_IPS, "EMPART 18.84");
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|registro no encontrado|No existe Banco"});

    // Salaries by unit at opening: 4 TOPE, 5 MINIMO, 6 USD, 7 EURO; 1 to 3 as stored.
    const std::pair<int, double> units[] = {{1, 500000}, {2, 500000}, {4, 2216706}, {5, 301000}, {6, 7005}, {7, 7803}};
    for (auto [unit, salary] : units) {
        WorkerBuffer w;
        w.NMONEDA_SUELDO = unit;
        w.NMONEDA_SUELDO_VALOR = 10.0;
        w.NSUELDO_BASE = 500000;
        salaryAtOpening(w, s);
        EXPECT_EQ(w.NSUELDO_BASE, salary) << unit;
    }
}

TEST(WorkerFileRules, PensionRegimeAgreedPlanAndSalary) {
    WorkerBuffer b = newWorkerBuffer();
    b.CCODIGO_AFP = "03";
    b.CCODIGO_IPS = "21";
    b.CAFP_SEGURO_CESANTIA = "05";
    VALIDA_REGIMEN_PREV(b);
    EXPECT_EQ(b.CNOMBRE_REGIMEN_PREVISIONAL, "AFP - AFP");
    EXPECT_EQ(b.CCODIGO_IPS, "  ");
    EXPECT_EQ(b.CAFP_SEGURO_CESANTIA, "  ");

    b.CCODIGO_AFP = "00";
    b.CCODIGO_IPS = "21";
    VALIDA_REGIMEN_PREV(b);
    EXPECT_EQ(b.CNOMBRE_REGIMEN_PREVISIONAL, "INP - IPS (Ex-INP)");

    b.CTIPO_TRABAJADOR = "2";
    b.CCODIGO_AFP = "05";
    VALIDA_REGIMEN_PREV(b);
    EXPECT_EQ(b.CNOMBRE_REGIMEN_PREVISIONAL, "SIP - Sin Institución Previsional");
    EXPECT_EQ(b.CCODIGO_AFP, "00");
    EXPECT_EQ(b.CNOMBRE_AFP, "NO ESTá EN AFP");
    EXPECT_EQ(b.CCODIGO_IPS, "  ");
    EXPECT_EQ(b.CNOMBRE_IPS, " ");

    b.NPACTADO_ISAPRE = 2;
    b.NVALOR_PACTADO = 3;
    b.NADICIONAL_PESOS = 100;
    VALIDA_PACTADO(b);
    EXPECT_EQ(b.NVALOR_PACTADO, 3);
    b.NPACTADO_ISAPRE = 1;
    VALIDA_PACTADO(b);
    EXPECT_EQ(b.NVALOR_PACTADO, 0);
    EXPECT_EQ(b.NADICIONAL_PESOS, 0);

    Session s;
    s.VALOUF = 27953.42, s.VALUTM = 49033, s.TOPIMP = 79.3, s.INGMIN = 301000;
    b.NMONEDA_SUELDO_VALOR = 30.5;
    b.NMONEDA_SUELDO = 2;
    VALIDA_SUELDO(b, s);
    EXPECT_EQ(b.NSUELDO_BASE, 852579);
    b.NMONEDA_SUELDO = 3;
    VALIDA_SUELDO(b, s);
    EXPECT_EQ(b.NSUELDO_BASE, 1495507);
    b.NMONEDA_SUELDO = 5;
    b.LSUELDO_PATRONAL = true;
    VALIDA_SUELDO(b, s);
    EXPECT_EQ(b.NSUELDO_BASE, 301000);
    EXPECT_EQ(b.NMONEDA_SUELDO_VALOR, 0);
    EXPECT_FALSE(b.LSUELDO_PATRONAL);
    b.NMONEDA_SUELDO = 1;
    VALIDA_SUELDO(b, s);
    EXPECT_EQ(b.NSUELDO_BASE, 0);

    // A stored text longer than the screen's width is kept whole.
    EXPECT_EQ(held("ABC", 5), "ABC  ");
    EXPECT_EQ(held("NOMBRES MUY LARGOS DE UNA PERSONA", 25), "NOMBRES MUY LARGOS DE UNA PERSONA");
}

TEST(WorkerFileRules, EnablingForAnAdministratorAndForAWorker) {
    WorkerBuffer b = newWorkerBuffer();
    const EnablingContext admin{true, false}, worker{false, false};
    // Plain fields follow the session.
    for (auto [page, id] : {std::pair{1, 105}, {1, 112}, {1, 121}, {1, 234}, {2, 124}, {3, 103}, {4, 119}}) {
        EXPECT_TRUE(controlEnabled(page, id, b, admin)) << page << "/" << id;
        EXPECT_FALSE(controlEnabled(page, id, b, worker)) << page << "/" << id;
    }
    // Salary by unit.
    b.NMONEDA_SUELDO = 1;
    EXPECT_TRUE(controlEnabled(2, 123, b, admin));
    EXPECT_FALSE(controlEnabled(2, 140, b, admin));
    b.NMONEDA_SUELDO = 6;
    EXPECT_FALSE(controlEnabled(2, 123, b, admin));
    EXPECT_TRUE(controlEnabled(2, 140, b, admin));
    b.NMONEDA_SUELDO = 5;
    EXPECT_FALSE(controlEnabled(2, 136, b, admin));
    EXPECT_FALSE(controlEnabled(2, 140, b, admin));
    // Part-time days, agreed amounts.
    EXPECT_FALSE(controlEnabled(2, 137, b, admin));
    b.CTIPO_JORNADA = "Parcial";
    EXPECT_TRUE(controlEnabled(2, 137, b, admin));
    EXPECT_FALSE(controlEnabled(2, 137, b, worker));
    b.NPACTADO_ISAPRE = 1;
    EXPECT_FALSE(controlEnabled(4, 222, b, admin));
    b.NPACTADO_ISAPRE = 3;
    EXPECT_TRUE(controlEnabled(4, 223, b, admin));
    // The IPS codes without an AFP, for a worker too.
    b.CCODIGO_AFP = "00";
    EXPECT_TRUE(controlEnabled(3, 115, b, worker));
    EXPECT_TRUE(controlEnabled(3, 117, b, worker));
    b.CCODIGO_AFP = "03";
    EXPECT_FALSE(controlEnabled(3, 115, b, admin));
    // The member box of the customer variant, for a worker too.
    EXPECT_TRUE(controlEnabled(1, 1140, b, EnablingContext{false, true}));
}
