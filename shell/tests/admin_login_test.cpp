#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

#include "data/connection.h"
#include "data/local_tables.h"
#include "data/query.h"
#include "format/text.h"
#include "shell/admin_login.h"
#include "shell/admin_login_dialog.h"
#include "shell/login.h"
#include "shell/login_dialog.h"
#include "shell/main_window.h"
#include "shell/tests/login_fixture.h"

using namespace remu;
using remu::login_test::LoginDb;

namespace {

const char* kAccountPassword = "Adm'in\\2019";

// A real account of the private server that reaches the companies alfa and beta only.
class AdminLogin : public LoginDb {
public:
    static void SetUpTestSuite() {
        LoginDb::SetUpTestSuite();
        account_ = "adm" + testdb::uniqueTag();
        auto root = testdb::connectRoot();
        for (const char* host : {"%", "localhost"}) {
            const std::string who = "'" + account_ + "'@'" + host + "'";
            root->execute("CREATE USER IF NOT EXISTS " + who + " IDENTIFIED BY 'Adm''in\\\\2019'");
            for (const char* company : {"alfa", "beta"})
                root->execute("GRANT ALL PRIVILEGES ON `" + companyDb(company) + "`.* TO " + who);
        }
    }
    static void TearDownTestSuite() {
        try {
            auto root = testdb::connectRoot();
            for (const char* host : {"%", "localhost"})
                root->execute("DROP USER IF EXISTS '" + account_ + "'@'" + host + "'");
        } catch (...) {
        }
        LoginDb::TearDownTestSuite();
    }

protected:
    void SetUp() override {
        LoginDb::SetUp();
        // The worker-side account of the connection record, as start-up reads it.
        createConexion({s.CHOST, "Servidor de pruebas", "remu", "clave1", s.ID_CLIENTE});
        s.CUSER = "remu";
        s.CPASSWORD = "clave1";
    }
    static inline std::string account_;
};

}  // namespace

TEST_F(AdminLogin, RightAccountBindsTheChosenCompanyAndNoWorker) {
    std::vector<std::string> companies;
    ASSERT_TRUE(ADMIN_CONECTA(s, ui, account_, kAccountPassword, companies));
    // Only what the account reaches, and only the client's payroll databases.
    EXPECT_EQ(companies, (std::vector<std::string>{companyDb("alfa"), companyDb("beta")}));
    EXPECT_EQ(s.CUSER, "remu");  // nothing bound yet

    ASSERT_TRUE(ADMIN_EMPRESA(s, ui, account_, kAccountPassword, companyDb("beta")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(s.administration);
    EXPECT_FALSE(s.workerBound());
    EXPECT_EQ(s.CUSER, account_);
    EXPECT_EQ(s.CPASSWORD, kAccountPassword);
    EXPECT_EQ(s.CDATABASE, companyDb("beta"));
    EXPECT_EQ(s.CALIAS_EMPRESA, "BETA");
    EXPECT_EQ(s.ANO_PUBLICO, "2019");
    EXPECT_EQ(s.MES_PUBLICO, "05");
    EXPECT_EQ(s.TAB_MESES.size(), 5u);
    EXPECT_EQ(s.CID_CLIENTE_CONT, client_ + "_CONT");

    // Every connection of the session uses the account; the connection record never holds it.
    std::shared_ptr<Connection> conn;
    ASSERT_TRUE(CONECTA(s, ui, conn));
    EXPECT_EQ(conn->query("SELECT CURRENT_USER()")->Fields(0).text().rfind(account_ + "@", 0), 0u);
    GUARDA_ID_CLIENTE(s, ui);
    auto record = readConexion();
    ASSERT_TRUE(record);
    EXPECT_EQ(trim(record->USER), "remu");
    EXPECT_EQ(trim(record->CLAVE), "clave1");
}

TEST_F(AdminLogin, WrongAccountGetsTheConnectionFailureAndChangesNothing) {
    std::vector<std::string> companies{"x"};
    const Session before = s;
    for (auto [account, password] : {std::pair<std::string, std::string>{account_, "otra"},
                                     {"nadie_" + account_, kAccountPassword},
                                     {"", ""}}) {
        ui.clear();
        EXPECT_FALSE(ADMIN_CONECTA(s, ui, account, password, companies)) << account;
        EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|NO SE CONECTO"}) << account;
        EXPECT_TRUE(companies.empty());
    }
    EXPECT_EQ(s.CUSER, before.CUSER);
    EXPECT_FALSE(s.administration);

    // A company the account cannot reach: refused, the session as it was.
    ui.clear();
    EXPECT_FALSE(ADMIN_EMPRESA(s, ui, account_, kAccountPassword, companyDb("gama")));
    EXPECT_EQ(ui.lines(), (std::vector<std::string>{"Stop|Alto|NO SE CONECTO",
                                                    "Alert|Atención|No se ha encontrado la empresa"}));
    EXPECT_EQ(s.CUSER, "remu");
    EXPECT_EQ(s.CDATABASE, before.CDATABASE);
    EXPECT_FALSE(s.administration);
}

TEST_F(AdminLogin, AccountWithoutTheClientsCompaniesIsRefused) {
    std::vector<std::string> companies;
    s.ID_CLIENTE = "OTROCLIENTE";
    EXPECT_FALSE(ADMIN_CONECTA(s, ui, account_, kAccountPassword, companies));
    EXPECT_EQ(ui.lines(), std::vector<std::string>{
                              "Stop|Alto|Esta cuenta no tiene acceso a ninguna empresa del cliente OTROCLIENTE"});
}

TEST_F(AdminLogin, DialogStaysOnARefusalAndEntersWithTheChosenCompany) {
    LoginDialog login(s, ui);
    auto* button = login.findChild<QPushButton*>("administracion");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Administración");
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);

    AdminLoginDialog dialog(s, ui);
    dialog.show();
    auto* enter = dialog.findChild<QPushButton*>("entrar");
    EXPECT_FALSE(enter->isEnabled());
    EXPECT_FALSE(dialog.companySelector()->isEnabled());

    dialog.accountField()->setText(QString::fromStdString(account_));
    dialog.passwordField()->setText("mala");
    EXPECT_FALSE(dialog.connectAccount());
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Alto|NO SE CONECTO"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(enter->isEnabled());

    dialog.passwordField()->setText(kAccountPassword);
    ASSERT_TRUE(dialog.connectAccount());
    EXPECT_TRUE(enter->isEnabled());
    EXPECT_EQ(dialog.companySelector()->count(), 2);
    // Editing the account forgets what the previous one reached.
    dialog.accountField()->textEdited("otro");
    EXPECT_EQ(dialog.companySelector()->count(), 0);
    EXPECT_FALSE(enter->isEnabled());
    ASSERT_TRUE(dialog.connectAccount());
    dialog.companySelector()->setCurrentIndex(0);
    ASSERT_TRUE(dialog.enter());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(s.CDATABASE, companyDb("alfa"));
    EXPECT_TRUE(s.administration);
    EXPECT_TRUE(dialog.passwordField()->text().isEmpty());
}

TEST_F(AdminLogin, MainWindowSkipsThePasswordCheckNamesTheAccountAndDisablesThePasswordChange) {
    std::vector<std::string> companies;
    ASSERT_TRUE(ADMIN_CONECTA(s, ui, account_, kAccountPassword, companies));
    ASSERT_TRUE(ADMIN_EMPRESA(s, ui, account_, kAccountPassword, companyDb("alfa")));
    s.CNOM_HOST = "SERVIDOR CENTRAL";

    std::string statusSeen, personalSeen;
    bool passwordChange = true;
    setPersonalAction([&](QWidget*, Session& session, UiPort&) {
        personalSeen = session.workerBound() ? "bound" : "unbound";
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* w = qobject_cast<MainWindow*>(top);
            if (!w || !w->isVisible()) continue;
            statusSeen = w->statusLabel()->text().toStdString();
            for (QAction* a : w->toolBar()->actions())
                if (a->objectName() == "llaves") passwordChange = a->isEnabled();
            w->runPersonal();
            w->runCambiaClave();  // does nothing for the administration
            w->close();
        }
    });
    poll.start(10);
    MAIN(s, ui);
    poll.stop();
    setPersonalAction(nullptr);

    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(statusSeen, " Servidor: SERVIDOR CENTRAL  Empresa: " + client_ + " - ALFA   Administración: " + account_);
    EXPECT_FALSE(passwordChange);
    EXPECT_EQ(personalSeen, "unbound");
}
