#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QImage>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QSplashScreen>
#include <QTimer>
#include <QToolBar>

#include <fstream>

#include "shell/login.h"
#include "shell/main_window.h"
#include "shell/message_dialog.h"
#include "shell/tests/login_fixture.h"

using namespace remu;
using remu::login_test::LoginDb;

namespace {

QStringList texts(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) out << (a->isSeparator() ? QString("|") : a->text());
    return out;
}

}  // namespace

class MainWindowTest : public LoginDb {
protected:
    void SetUp() override {
        LoginDb::SetUp();
        s.CNOM_HOST = "SERVIDOR CENTRAL    ";
        s.ID_CLIENTE = "DEMO";
        s.CALIAS_EMPRESA = "NORTE" + std::string(25, ' ');
        s.CRUT_CONEXION_TRABAJADOR = "012345678-5";
    }
};

TEST_F(MainWindowTest, StatusBarToolbarAndMenu) {
    MainWindow w(s, ui);
    EXPECT_EQ(s.OWNDMAIN, &w);
    EXPECT_EQ(w.windowTitle(), "VORANIX REMUNERACIONES [ Talvo ]   03082018");
    EXPECT_EQ(w.statusLabel()->text(), " Servidor: SERVIDOR CENTRAL  Empresa: DEMO - NORTE   Usuario: 012345678-5");

    EXPECT_EQ(texts(w.toolBar()->actions()),
              (QStringList{"Trabajador", "|", "Liquidación\nsueldo", "Historial", "|", "Cambia\ncontraseña", "Salir"}));
    for (QAction* a : w.toolBar()->actions()) {
        if (a->isSeparator()) continue;
        EXPECT_FALSE(a->icon().isNull()) << a->text().toStdString();
        EXPECT_EQ(w.toolBar()->widgetForAction(a)->size(), QSize(65, 65));
    }

    const QList<QAction*> menus = w.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(texts(menus), (QStringList{"&Tablas", "Procesos", "Informes"}));
    EXPECT_TRUE(menus[0]->menu()->actions().isEmpty());
    EXPECT_EQ(texts(menus[1]->menu()->actions()),
              (QStringList{"|", "&Reajuste de Sueldos", "|", "&Gestión Certificados Sueldos"}));
    EXPECT_TRUE(menus[2]->menu()->actions().isEmpty());
}

TEST_F(MainWindowTest, AutorMarkerAddsASeparatorAndPictureStaysCentred) {
    std::ofstream("AUTOR.TXT") << "x";
    MainWindow w(s, ui);
    EXPECT_EQ(texts(w.menuBar()->actions()[1]->menu()->actions()),
              (QStringList{"|", "|", "&Reajuste de Sueldos", "|", "&Gestión Certificados Sueldos"}));

    w.show();
    for (QSize size : {QSize(700, 500), QSize(1000, 760), QSize(520, 400)}) {
        w.resize(size);
        QApplication::processEvents();
        const QWidget* area = w.centralWidget();
        const QRect pic = w.picture()->geometry();
        EXPECT_EQ(pic.size(), QSize(212, 132));
        EXPECT_FALSE(w.picture()->pixmap().isNull());
        EXPECT_LE(std::abs(pic.center().x() - area->rect().center().x()), 1);
        EXPECT_LE(std::abs(pic.center().y() - area->rect().center().y()), 1);
    }
}

TEST_F(MainWindowTest, ToolbarActions) {
    MainWindow w(s, ui);
    w.runPersonal();
    w.runLiquida();
    EXPECT_EQ(ui.lines(), (std::vector<std::string>(
                              2, "Info|Atención|Esta opción aún no está disponible en esta versión del sistema")));

    ui.clear();
    std::string seen;
    setLiquidaAction([&](QWidget* parent, Session& session, UiPort&) {
        seen = session.CRUT_CONEXION_TRABAJADOR + (parent == &w ? " over the main window" : "");
    });
    w.runLiquida();
    EXPECT_EQ(seen, "012345678-5 over the main window");
    EXPECT_TRUE(ui.boxes.empty());
    setLiquidaAction(nullptr);
}

TEST_F(MainWindowTest, AWrongPasswordEndsBeforeTheWindowAppears) {
    freshSession();
    s.CRUT_CONEXION_TRABAJADOR = RUT_LOGIN("12345678-5");
    ASSERT_TRUE(BUSCA_RUT(s, ui));
    s.CCLAVE = "NOPE00";
    MAIN(s, ui);
    EXPECT_EQ(s.OWNDMAIN, nullptr);
    for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<MainWindow*>(top), nullptr);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{
                              "Info|Alto|Contraseña inválida\nVuelva a entrar e intentente nuevamente"});
    EXPECT_EQ(s.period.yearText(), "2019");
    EXPECT_EQ(s.CSUBTITUFIRMA, "'V°B° ADMINISTRACION'");
}

// Notes every splash box that is shown, however briefly.
class SplashWatch : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && qobject_cast<QSplashScreen*>(o)) ++shown;
        return false;
    }
    int shown = 0;
};

TEST_F(MainWindowTest, MainRunsTheWindowUntilItClosesWithASplashOnlyWhenThereIsABitmap) {
    for (bool watchBitmap : {false, true}) {
        if (watchBitmap) {
            QImage img(120, 80, QImage::Format_RGB32);
            img.fill(Qt::darkBlue);
            ASSERT_TRUE(img.save("WATCH.BMP", "BMP"));
        }
        freshSession();
        s.CRUT_CONEXION_TRABAJADOR = RUT_LOGIN("12345678-5");
        ASSERT_TRUE(BUSCA_RUT(s, ui));
        s.CCLAVE = "DEMO01";

        SplashWatch watch;
        qApp->installEventFilter(&watch);
        std::string statusSeen;
        // Once the window is up the worker leaves with "Salir".
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* w = qobject_cast<MainWindow*>(top);
                if (!w || !w->isVisible()) continue;
                statusSeen = w->statusLabel()->text().toStdString();
                for (QAction* a : w->toolBar()->actions())
                    if (a->objectName() == "salir") a->trigger();
            }
        });
        poll.start(10);
        MAIN(s, ui);
        poll.stop();
        qApp->removeEventFilter(&watch);

        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_EQ(statusSeen, " Servidor: Servidor de pruebas  Empresa: " + client_ + " - ALFA   Usuario: 012345678-5");
        EXPECT_EQ(s.OWNDMAIN, nullptr);
        EXPECT_EQ(watch.shown, watchBitmap ? 1 : 0);
    }
}

TEST(QtPort, QuestionsAnswerNoUnlessYesIsChosen) {
    QtPort port;
    QString defaultButton;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_FALSE(port.yesNo("Seguro de realizar el envío?", "alerta"));
    EXPECT_EQ(defaultButton, "&No");
}

TEST(QtPort, AFileNoProgramCanOpenIsShownWhereItIs) {
    // No desktop program to hand files to.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    QtPort port;
    QString told;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            told = box->text();
            box->accept();
        }
    });
    port.openFile("/tmp/LIQUIDACION_12345678-5_2019_03.pdf");
    qputenv("PATH", path);
    EXPECT_EQ(told, "No se encontró un programa para abrir el archivo.\nQuedó guardado en "
                    "/tmp/LIQUIDACION_12345678-5_2019_03.pdf");
}
