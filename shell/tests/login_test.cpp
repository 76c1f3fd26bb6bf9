#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "data/connection.h"
#include "data/local_tables.h"
#include "data/query.h"
#include "shell/login.h"
#include "shell/login_dialog.h"
#include "shell/password_dialog.h"
#include "shell/tests/login_fixture.h"

using namespace remu;
using remu::login_test::LoginDb;

namespace {

const std::string kWrongPassword = "Info|Alto|Contraseña inválida\nVuelva a entrar e intentente nuevamente";

}  // namespace

class Login : public LoginDb {
protected:
    // A worker logged in as the dialog leaves him: RUT searched, password typed.
    bool login(const std::string& typedRut, const std::string& typedPassword) {
        s.CRUT_CONEXION_TRABAJADOR = RUT_LOGIN(typedRut);
        s.CCLAVE = typedPassword;
        return BUSCA_RUT(s, ui);
    }

    std::string storedPassword(const char* company, const char* code, const char* month) {
        auto root = testdb::connectRoot();
        auto rs = root->query("SELECT clave_per FROM " + companyDb(company) + ".2019_personal WHERE mes_per = '" +
                              month + "' AND codigo_per = '" + code + "'");
        return rs->Eof() ? "<none>" : rs->Fields(0).text();
    }
};

TEST_F(Login, RutIsZeroFilledAndAZeroRutIsRefused) {
    EXPECT_EQ(RUT_LOGIN("12345678-5"), "012345678-5");
    EXPECT_EQ(RUT_LOGIN("6-k"), "000000006-K");
    EXPECT_EQ(RUT_LOGIN("012345678-5"), "012345678-5");
    EXPECT_EQ(RUT_LOGIN(""), std::string(11, ' '));

    for (const char* typed : {"", "ABC", "0-0", "-5"}) {
        ui.clear();
        EXPECT_FALSE(login(typed, "")) << typed;
        EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|ALTO|RUT INVALIDO"}) << typed;
    }
}

TEST_F(Login, FirstCompanyByNameHoldingTheRutWinsAndFixesTheSession) {
    ASSERT_TRUE(login("12345678-5", "DEMO01"));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(s.CRUT_CONEXION_TRABAJADOR, "012345678-5");
    EXPECT_EQ(s.CDATABASE, companyDb("alfa"));
    EXPECT_EQ(s.CALIAS_EMPRESA, "ALFA");
    EXPECT_EQ(s.ANO_PUBLICO, "2019");
    EXPECT_EQ(s.TABLA_ANO, (std::vector<std::string>{"2019", "2018"}));
    EXPECT_EQ(s.TAB_MESES, (std::vector<std::string>{" 01- ENERO", " 02- FEBRERO", " 03- MARZO", " 04- ABRIL", " 05- MAYO"}));
    EXPECT_EQ(s.MES_PUBLICO, "05");
    EXPECT_EQ(s.CID_CLIENTE_CONT, client_ + "_CONT");
    EXPECT_TRUE(VERIFICA_CLAVE(s, ui));
    EXPECT_TRUE(ui.boxes.empty());

    // The candidate names were kept in the local scratch table.
    EXPECT_TRUE(std::filesystem::exists(work_ / "BASES.DBF"));

    // A worker only in the second company is found there.
    freshSession();
    ASSERT_TRUE(login("7654321-6", "SUR001"));
    EXPECT_EQ(s.CDATABASE, companyDb("beta"));
    EXPECT_EQ(s.CALIAS_EMPRESA, "BETA");
    EXPECT_TRUE(VERIFICA_CLAVE(s, ui));
}

TEST_F(Login, TerminatedWorkersAndUnknownRutsAreRefused) {
    EXPECT_FALSE(login("11111111-1", "TERM01"));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|Trabajador no pertenece a la empresa"});

    // A contract ending this very month still belongs to the company.
    ui.clear();
    EXPECT_TRUE(login("15555555-k", "MAYO01"));
    EXPECT_TRUE(ui.boxes.empty());

    ui.clear();
    EXPECT_FALSE(login("99999999-9", ""));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Alerta|Rut No encontrado"});
}

TEST_F(Login, QuotesInTheRutAreDataAndNeverSelectAnotherWorker) {
    // Stored with a quote: found as typed, and it is exactly that worker.
    ASSERT_TRUE(login("12'45678-5", "QUOTE1"));
    EXPECT_EQ(s.CRUT_CONEXION_TRABAJADOR, "012'45678-5");
    EXPECT_TRUE(VERIFICA_CLAVE(s, ui));

    for (const char* hostile : {"1' OR ''='", "1' OR 1=1#", "1'--", "1\\' OR 1#"}) {
        freshSession();
        EXPECT_FALSE(login(hostile, "")) << hostile;
        EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Alerta|Rut No encontrado"}) << hostile;
    }
}

TEST_F(Login, ManyCompaniesAreSearchedTogetherAndTheFirstByNameStillWins) {
    // Seventy more companies of the client after the three of the fixture: m05 has no table of
    // the year, the worker 018181818-8 is in m67 and m70 (past the first statement's share of
    // them), 019191919-9 has ended his contract in m40 and is open in m41.
    std::vector<std::unique_ptr<testdb::ScratchDatabase>> more;
    auto table = [](const std::string& columns) {
        return "CREATE TABLE anos (ano VARCHAR(4)); INSERT INTO anos VALUES ('2019');"
               "CREATE TABLE 2019_meses (mes VARCHAR(2)); INSERT INTO 2019_meses VALUES ('05');"
               "CREATE TABLE 2019_datos_empresa (mes_datemp VARCHAR(2), id_cliente_cont_datemp VARCHAR(30));"
               "CREATE TABLE 2019_personal (" + columns + ");";
    };
    const std::string columns = "mes_per VARCHAR(2), codigo_per VARCHAR(4), rut_per VARCHAR(11), clave_per VARCHAR(10), "
                                "anomes_termino_per INT DEFAULT 0";
    for (int i = 1; i <= 70; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "m%02d", i);
        more.push_back(testdb::ScratchDatabase::named(companyDb(name)));
        if (i == 5) continue;
        std::string sql = table(columns) + "INSERT INTO 2019_personal VALUES ('05', '0001', '0100000" +
                          std::to_string(10 + i) + "-1', 'M', 0)";
        if (i == 67 || i == 70) sql += ", ('05', '00" + std::to_string(i) + "', '018181818-8', 'M" + std::to_string(i) + "', 0)";
        if (i == 40) sql += ", ('04', '0040', '019191919-9', 'M40', 201904)";
        if (i == 41) sql += ", ('05', '0041', '019191919-9', 'M41', 0)";
        more.back()->runSql(sql);
    }
    ASSERT_TRUE(login("18181818-8", "M67"));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{});
    EXPECT_EQ(s.CDATABASE, companyDb("m67"));
    EXPECT_EQ(s.CALIAS_EMPRESA, "M67");
    EXPECT_EQ(s.TAB_MESES, std::vector<std::string>{" 05- MAYO"});

    // The first company holding him decides, even when his contract there has ended.
    freshSession();
    EXPECT_FALSE(login("19191919-9", "M41"));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|Trabajador no pertenece a la empresa"});

    freshSession();
    EXPECT_FALSE(login("99999999-9", ""));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Alerta|Rut No encontrado"});

    // A company whose table is of another shape (no contract end) cannot be asked with the
    // others: they are asked one by one, with the same outcome.
    more.push_back(testdb::ScratchDatabase::named(companyDb("m00")));
    more.back()->runSql(table("mes_per VARCHAR(2), codigo_per VARCHAR(4), rut_per VARCHAR(11), clave_per VARCHAR(10)") +
                        "INSERT INTO 2019_personal VALUES ('05', '0001', '017070707-7', 'M00')");
    freshSession();
    ASSERT_TRUE(login("18181818-8", "M67"));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(s.CDATABASE, companyDb("m67"));
    freshSession();
    ASSERT_TRUE(login("17070707-7", "M00"));
    EXPECT_EQ(s.CDATABASE, companyDb("m00"));
    EXPECT_TRUE(ui.boxes.empty());
    freshSession();
    EXPECT_FALSE(login("19191919-9", "M41"));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|Trabajador no pertenece a la empresa"});
}

TEST_F(Login, PasswordCheckRefusesWrongShorterEmptyAndMissingRows) {
    ASSERT_TRUE(login("12345678-5", ""));
    for (const char* typed : {"DEMO02", "DEMO0", "", "      ", "demo01"}) {
        ui.clear();
        s.CCLAVE = typed;
        EXPECT_FALSE(VERIFICA_CLAVE(s, ui)) << typed;
        EXPECT_EQ(ui.lines(), std::vector<std::string>{kWrongPassword}) << typed;
    }
    s.CCLAVE = "DEMO01";
    ui.clear();
    EXPECT_TRUE(VERIFICA_CLAVE(s, ui));

    // A blank password on record is matched by nothing typed, blank included.
    freshSession();
    ASSERT_TRUE(login("17171717-7", ""));
    for (const char* typed : {"", "      ", "A"}) {
        ui.clear();
        s.CCLAVE = typed;
        EXPECT_FALSE(VERIFICA_CLAVE(s, ui)) << '"' << typed << '"';
        EXPECT_EQ(ui.lines(), std::vector<std::string>{kWrongPassword}) << '"' << typed << '"';
    }

    // No row in the latest open month: there is nothing to check against, so no entry.
    freshSession();
    ASSERT_TRUE(login("22222222-2", "ABRIL1"));
    EXPECT_FALSE(VERIFICA_CLAVE(s, ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{kWrongPassword});
}

TEST_F(Login, AnOpenYearWithoutOpenMonthsHasNoPasswordToCheck) {
    ASSERT_TRUE(login("16161616-1", "GAMA01"));
    EXPECT_EQ(s.CALIAS_EMPRESA, "GAMA");
    EXPECT_TRUE(s.TAB_MESES.empty());
    EXPECT_FALSE(VERIFICA_CLAVE(s, ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|El año 2019 no tiene meses abiertos"});
    ui.clear();
    EXPECT_FALSE(CAMBIA_CLAVE2(s, ui, "GAMA01", "NUEVA1", "NUEVA1"));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|El año 2019 no tiene meses abiertos"});
}

TEST_F(Login, ClientIdentifierIsRequiredAndWrittenBack) {
    s.ID_CLIENTE = "";
    EXPECT_FALSE(VERIUSUARIO(s, ui));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|Debe ingresar ID Cliente!"});

    ui.clear();
    s.ID_CLIENTE = client_;
    s.CDATABASE = "no_such_remu_db";
    EXPECT_FALSE(VERIUSUARIO(s, ui));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.lines()[1], "Alert|Atención|No se ha encontrado su ID de CLIENTE");

    createConexion(defaultConnectionRecord());
    s.ID_CLIENTE = "  " + client_ + "  ";
    GUARDA_ID_CLIENTE(s, ui);
    EXPECT_EQ(s.ID_CLIENTE, client_);
    EXPECT_EQ(readConexion()->DATABASE, client_);
}

TEST_F(Login, PasswordChange) {
    ASSERT_TRUE(login("13131313-1", "CAMBIA"));

    EXPECT_FALSE(CAMBIA_CLAVE2(s, ui, "OTRA  ", "NUEVA1", "NUEVA1"));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Alto|Contraseña inválida"});
    ui.clear();
    EXPECT_FALSE(CAMBIA_CLAVE2(s, ui, "      ", "NUEVA1", "NUEVA1"));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Alto|Contraseña inválida"});

    ui.clear();
    EXPECT_FALSE(CAMBIA_CLAVE2(s, ui, "CAMBIA", "NUEVA1", "NUEVA2"));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Alerta|Confirmación de Clave inválida"});

    // A blank new password would lock the worker out for good.
    ui.clear();
    EXPECT_FALSE(CAMBIA_CLAVE2(s, ui, "CAMBIA", "      ", "      "));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|La nueva contraseña no puede quedar en blanco"});
    EXPECT_EQ(storedPassword("alfa", "0007", "05"), "CAMBIA");

    ui.clear();
    EXPECT_TRUE(CAMBIA_CLAVE2(s, ui, "CAMBIA", "N'1\\", "N'1\\  "));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Atención|Su comtraseña ha sido cambiada"});
    for (const char* month : {"01", "03", "05"}) EXPECT_EQ(storedPassword("alfa", "0007", month), "N'1\\") << month;
    EXPECT_EQ(storedPassword("alfa", "0008", "05"), "CAMBIB");

    s.CCLAVE = "N'1\\";
    EXPECT_TRUE(VERIFICA_CLAVE(s, ui));

    // Without a row in the latest month the password cannot be changed.
    freshSession();
    ASSERT_TRUE(login("22222222-2", ""));
    EXPECT_FALSE(CAMBIA_CLAVE2(s, ui, "ABRIL1", "NUEVA1", "NUEVA1"));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Alto|Contraseña inválida"});

    // Nor can a blank password on record be changed by typing a blank one.
    freshSession();
    ASSERT_TRUE(login("17171717-7", ""));
    EXPECT_FALSE(CAMBIA_CLAVE2(s, ui, "      ", "NUEVA1", "NUEVA1"));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Alto|Contraseña inválida"});
    EXPECT_EQ(storedPassword("alfa", "0010", "05"), "");
}

TEST_F(Login, LoginDialogValidatesTheRutAndAccepts) {
    LoginDialog dialog(s, ui);
    EXPECT_EQ(dialog.windowTitle(), "IDENTIFICACION DEL TRABAJADOR  v.28012019");
    auto* host = dialog.findChild<QLabel*>("105");
    auto* rut = dialog.findChild<QLineEdit*>("104");
    auto* password = dialog.findChild<QLineEdit*>("102");
    auto* accept = dialog.findChild<QToolButton*>("301");
    ASSERT_TRUE(host && rut && password && accept);
    EXPECT_EQ(host->text(), "SERVIDOR DE PRUEBAS");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(accept->toolTip(), "Entra");

    // The first key typed replaces the contents, in upper case.
    rut->setText("OLD");
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(rut, &in);
    for (QChar c : QString("99999999-k")) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(rut, &key);
    }
    EXPECT_EQ(rut->text(), "99999999-K");

    // An unknown RUT keeps the dialog open, and so does accepting it.
    EXPECT_FALSE(dialog.validateRut());
    EXPECT_EQ(rut->text(), "099999999-K");
    ui.clear();
    accept->click();
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Alerta|Rut No encontrado"});
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    ui.clear();
    rut->setText("12345678-5");
    password->setText("DEMO01");
    accept->click();
    EXPECT_TRUE(ui.boxes.empty()) << ui.lines()[0];
    EXPECT_EQ(rut->text(), "012345678-5");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(s.CCLAVE, "DEMO01");
    EXPECT_EQ(s.CDATABASE, companyDb("alfa"));
}

TEST_F(Login, FocusStaysOnARefusedRut) {
    LoginDialog dialog(s, ui);
    dialog.show();
    dialog.activateWindow();
    QApplication::processEvents();
    auto* rut = dialog.findChild<QLineEdit*>("104");
    auto* password = dialog.findChild<QLineEdit*>("102");
    rut->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(rut->hasFocus());

    auto press = [](QWidget* w, int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
        QApplication::processEvents();
    };
    rut->setText("0-0");
    press(rut, Qt::Key_Tab);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|ALTO|RUT INVALIDO"});
    EXPECT_TRUE(rut->hasFocus());

    ui.clear();
    rut->setText("12345678-5");
    press(rut, Qt::Key_Return);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(password->hasFocus());
    EXPECT_EQ(rut->text(), "012345678-5");

    // Closing the dialog never validates the field.
    rut->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    rut->setText("");
    dialog.reject();
    QApplication::processEvents();
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Login, PasswordDialogRefusesAMismatchedConfirmation) {
    ASSERT_TRUE(login("14141414-1", "CAMBIB"));
    PasswordDialog dialog(s, ui);
    EXPECT_EQ(dialog.windowTitle(), "CAMBIO DE CONTRASEÑA");
    auto* current = dialog.findChild<QLineEdit*>("101");
    auto* fresh = dialog.findChild<QLineEdit*>("102");
    auto* confirm = dialog.findChild<QLineEdit*>("103");
    auto* ok = dialog.findChild<QPushButton*>("301");
    ASSERT_TRUE(current && fresh && confirm && ok);
    EXPECT_EQ(ok->text(), "ACEPTAR");
    // Six masked blanks would look like a password already typed.
    for (auto* field : {current, fresh, confirm}) EXPECT_EQ(field->text(), "");
    EXPECT_EQ(confirm->echoMode(), QLineEdit::Password);

    current->setText("CAMBIB");
    fresh->setText("NUEVA1");
    confirm->setText("NUEVA9");
    ok->click();
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|Alerta|Confirmación de Clave inválida"});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(storedPassword("alfa", "0008", "05"), "CAMBIB");
}

TEST_F(Login, ARefusedRutIsRetypedAtOnce) {
    LoginDialog dialog(s, ui);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* rut = dialog.findChild<QLineEdit*>("104");
    auto* password = dialog.findChild<QLineEdit*>("102");
    // The password field starts empty-looking, though the session holds six blanks.
    EXPECT_EQ(s.CCLAVE, "      ");
    EXPECT_EQ(password->text(), "");
    rut->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();

    QTest::keyClicks(rut, "99999999-9");
    QTest::keyClick(rut, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Alerta|Rut No encontrado"});
    ASSERT_TRUE(rut->hasFocus());
    EXPECT_EQ(rut->text(), "099999999-9");  // zero-filled: every position taken
    EXPECT_EQ(rut->selectedText(), rut->text());

    // The next keys replace the refused RUT at once.
    ui.clear();
    QTest::keyClicks(rut, "12345678-5");
    EXPECT_EQ(rut->text(), "12345678-5");
    QTest::keyClick(rut, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());
    EXPECT_TRUE(password->hasFocus());
    QTest::keyClicks(password, "demo01");
    EXPECT_EQ(password->text(), "DEMO01");

    // Refused through the accept button as well: the field is again ready for a new RUT.
    rut->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QTest::keyClicks(rut, "0-0");
    dialog.findChild<QToolButton*>("301")->click();
    QApplication::processEvents();
    EXPECT_EQ(ui.lines().back(), "Stop|ALTO|RUT INVALIDO");
    QTest::keyClicks(rut, "7654321-6");
    EXPECT_EQ(rut->text(), "7654321-6");
    dialog.reject();
}

TEST_F(Login, AnUnconfiguredFolderSaysWhatToFillIn) {
    s.ID_CLIENTE = "";
    LoginDialog fresh(s, ui);
    auto* hint = fresh.findChild<QLabel*>("hint");
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->text().contains("CONEXION.DBF"));
    EXPECT_TRUE(hint->text().contains("remu-cli conexion"));
    EXPECT_TRUE(hint->text().contains(QString::fromStdString(work_.string())));

    s.ID_CLIENTE = client_;
    LoginDialog configured(s, ui);
    EXPECT_EQ(configured.findChild<QLabel*>("hint"), nullptr);
}
