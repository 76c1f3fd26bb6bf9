// remu: the desktop client. Start-up, then the worker login and the main window.
//
//   remu                         run in the current folder (CONEXION.DBF and the work tables live there)
//   remu --screenshot DIR --rut RUT --clave PASSWORD
//                                log the worker in without typing, save PNGs of the login, the main
//                                window, every dialog its toolbar opens, the pay slip preview and the
//                                worker's file (its pages as the administration and he see them)
//                                into DIR, and end
//   remu --administracion        the administration's login (database account, company) instead of a worker's
//   remu --screenshot DIR --administracion --cuenta ACCOUNT --clave PASSWORD [--empresa DATABASE]
//                                the same for an administration session (file names start with "admin-")
//   remu --hoy dd/mm/yyyy        run as on that date (the demo data holds 2018 and 2019 only)
//   remu --help / --version      answered without a display; without one the program says so and ends

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>

#include "core/date.h"
#include "data/personnel_table.h"
#include "data/query.h"
#include "data/recordset.h"
#include "format/dates.h"
#include "history/history_window.h"
#include "payslip/payslip_dialog.h"
#include "personnel/editor_dialog.h"
#include "personnel/list_dialog.h"
#include "shell/admin_login_dialog.h"
#include "shell/login.h"
#include "shell/login_dialog.h"
#include "shell/main_window.h"
#include "shell/message_dialog.h"
#include "shell/startup.h"
#include "widgets/tpreview.h"

namespace {

using namespace remu;

void registerDialogs() {
    setLiquidaAction([](QWidget* parent, Session& s, UiPort& ui) { LIQUIDA(parent, s, ui); });
    setHistorialAction([](QWidget* parent, Session& s, UiPort& ui) { HISTORIAL(parent, s, ui); });
    setPersonalAction([](QWidget* parent, Session& s, UiPort& ui) { PERSONAL(parent, s, ui); });
}

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool save(QWidget* w, const QString& dir, const QString& name) {
    settle();
    const QString path = QDir(dir).filePath(name + ".png");
    const bool ok = w->grab().save(path);
    std::fprintf(stderr, "remu: %s %s\n", ok ? "saved" : "could not save", qPrintable(path));
    return ok;
}

// Screenshots: the same dialogs and window as a real session, filled in by the program.
struct Screenshots {
    QString dir, rut, clave;
    bool admin = false;
    QString account, company;

    QString named(const QString& name) const { return admin ? "admin-" + name : name; }

    bool login(Session& s, UiPort& ui) {
        if (admin) return adminLogin(s, ui);
        LoginDialog dialog(s, ui);
        dialog.show();
        dialog.findChild<QLineEdit*>("104")->setText(rut);
        dialog.findChild<QLineEdit*>("102")->setText(clave);
        save(&dialog, dir, "01-login");
        dialog.acceptLogin();
        GUARDA_ID_CLIENTE(s, ui);
        return dialog.result() == QDialog::Accepted;
    }

    bool adminLogin(Session& s, UiPort& ui) {
        AdminLoginDialog dialog(s, ui);
        dialog.show();
        dialog.accountField()->setText(account);
        dialog.passwordField()->setText(clave);
        if (dialog.connectAccount() && !company.isEmpty())
            dialog.companySelector()->setCurrentText(company);
        save(&dialog, dir, named("01-login"));
        dialog.enter();
        GUARDA_ID_CLIENTE(s, ui);
        return dialog.result() == QDialog::Accepted;
    }

    // Presses the button and captures the preview window it opens, whether it runs
    // modally or not; the calculation before it may take a while.
    void previewOf(QAbstractButton* button, const QString& name) {
        bool captured = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (captured || !top->isVisible() || !QString(top->metaObject()->className()).contains("PREVIEW"))
                    continue;
                captured = true;
                top->resize(top->size().expandedTo(QSize(1000, 860)));
                save(top, dir, name);
                // And at a size where the slip's small print reads as on paper.
                if (auto* preview = qobject_cast<TPREVIEW*>(top)) {
                    preview->resize(1400, 1000);
                    preview->setZoomFactor(1);
                    save(preview, dir, name + "-zoom");
                    // And how each of the slip's amounts was obtained.
                    if (QAction* explain = preview->command("explain")) {
                        QTimer::singleShot(400, preview, [this, name] {
                            QWidget* d = QApplication::activeModalWidget();
                            if (!d || d->objectName() != "ODLG_EXPLICA") return;
                            save(d, dir, name + "-explicacion");
                            d->close();
                        });
                        explain->trigger();
                    }
                }
                top->close();
            }
        });
        poll.start(200);
        button->click();
        QElapsedTimer waited;
        waited.start();
        while (!captured && waited.elapsed() < 60000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 200);
    }

    void mainWindow(Session& s, UiPort& ui) {
        s.DFECHA = Clock::today();
        s.period = Period::of(s.DFECHA.year, s.DFECHA.month);
        if (!s.administration && !VERIFICA_CLAVE(s, ui)) return;
        MainWindow w(s, ui);
        w.show();
        save(&w, dir, named("02-main-window"));
        // Each toolbar dialog is captured once it is up, then closed.
        int n = 3;
        for (QAction* a : w.toolBar()->actions()) {
            if (a->isSeparator() || a->objectName() == "salir" || !a->isEnabled()) continue;
            const QString name = named(QString("%1-%2").arg(n++, 2, 10, QChar('0')).arg(a->objectName()));
            QTimer::singleShot(400, &w, [this, name] {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    save(modal, dir, name);
                    // The pay slip dialog: also its preview of the worker's slip (the whole
                    // company's for the administration: left out).
                    auto* preview = modal->findChild<QAbstractButton*>("354");
                    if (preview && !admin && modal->objectName() == "ODLG_LIQUID") previewOf(preview, name + "-preview");
                    modal->close();
                }
            });
            a->trigger();
        }
        workerFile(s, ui);
    }

    // The worker file of the logged-in worker: its five pages as the administration sees
    // them, then its first page as the worker himself does.
    void workerFile(Session& s, UiPort& ui) {
        std::shared_ptr<Connection> conn;
        if (!CONECTA(s, ui, conn)) return;
        s.OCON = conn;
        PersonnelRow row;
        if (PersonnelTable(*conn, ui).byRut(s.period, s.CRUT_CONEXION_TRABAJADOR, row) != PersonnelTable::Found::Yes)
            return;
        auto ors = PersonnelTable(*conn, ui).monthList(s.period);
        if (!ors) return;
        for (ors->MoveFirst(); !ors->Eof() && ors->Fields("codigo_per").text() != row.codigo_per;) ors->MoveNext();
        const std::string worker = s.CRUT_CONEXION_TRABAJADOR;
        for (bool administrator : {true, false}) {
            s.CRUT_CONEXION_TRABAJADOR = administrator ? std::string(11, ' ') : worker;
            setWorkerFileObserver([this, administrator](WorkerFileDialog& dlg) {
                dlg.resize(960, 700);
                QTimer::singleShot(300, &dlg, [this, &dlg, administrator] {
                    const int pages = administrator ? dlg.pages()->count() : 1;
                    const QString who = administrator ? "20-ficha-administracion" : "30-ficha-trabajador";
                    for (int i = 0; i < pages; ++i) {
                        dlg.pages()->setCurrentIndex(i);
                        save(&dlg, dir, QString("%1-pagina%2").arg(who).arg(i + 1));
                    }
                    dlg.reject();
                });
            });
            EDITA_PERSONAL(nullptr, s, ui, *ors, false);
        }
        setWorkerFileObserver({});
        s.CRUT_CONEXION_TRABAJADOR = worker;
    }
};

void speakSpanish(QTranslator& qtSpanish) {
    if (qtSpanish.load(QLocale(QLocale::Spanish, QLocale::Chile), "qtbase", "_",
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtSpanish);
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

struct Options {
    QCommandLineOption shot{"screenshot", "Guarda imágenes de las pantallas en DIR y termina.", "DIR"};
    QCommandLineOption rut{"rut", "RUT del trabajador (con --screenshot).", "RUT"};
    QCommandLineOption clave{"clave", "Contraseña del trabajador o de la cuenta (con --screenshot).", "CLAVE"};
    QCommandLineOption today{"hoy", "Trabaja como si hoy fuera FECHA (dd/mm/aaaa).", "FECHA"};
    QCommandLineOption admin{"administracion",
                             "Entra como administración: cuenta de la base de datos y empresa, sin trabajador."};
    QCommandLineOption account{"cuenta", "Cuenta de la administración (con --screenshot --administracion).", "CUENTA"};
    QCommandLineOption company{"empresa", "Base de datos de la empresa (con --screenshot --administracion).",
                               "BASE"};
};

void describe(QCommandLineParser& args, Options& o) {
    args.setApplicationDescription(
        "remu: liquidaciones de sueldo del trabajador.\n"
        "Trabaja en la carpeta actual: la conexión al servidor está en CONEXION.DBF (se graba con\n"
        "\"remu-cli conexion\"; ver remu-cli --help). Sin pantalla, use remu-cli.");
    args.addHelpOption();
    args.addVersionOption();
    args.addOptions({o.shot, o.rut, o.clave, o.today, o.admin, o.account, o.company});
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    // Help, version and a missing display are answered before any window system is needed.
    {
        QCoreApplication::setApplicationName("remu");
        QCoreApplication::setApplicationVersion(REMU_VERSION);
        QStringList words;
        for (int i = 0; i < argc; ++i) words << QString::fromLocal8Bit(argv[i]);
        const bool helpOrVersion = words.contains("--help") || words.contains("-h") || words.contains("--help-all") ||
                                   words.contains("--version") || words.contains("-v");
        if (helpOrVersion || !hasDisplay()) {
            QCoreApplication core(argc, argv);
            QTranslator qtSpanish;
            speakSpanish(qtSpanish);
            QCommandLineParser args;
            describe(args, o);
            args.process(core);  // prints help or version and ends the program
            std::fprintf(stderr,
                         "remu: no hay pantalla (DISPLAY y WAYLAND_DISPLAY vacíos). La aplicación de escritorio\n"
                         "necesita una; sin ella use remu-cli (remu-cli --help).\n");
            return 1;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("remu");
    QIcon::setFallbackThemeName("Adwaita");
    // The standard dialogs (files, printer, yes/no) speak the program's language.
    QTranslator qtSpanish;
    speakSpanish(qtSpanish);

    QCommandLineParser args;
    describe(args, o);
    args.process(app);

    if (args.isSet(o.today)) {
        const Date today = parseDate(args.value(o.today).toStdString());
        if (today.isNull()) {
            std::fprintf(stderr, "remu: fecha inválida: %s (se espera dd/mm/aaaa)\n", qPrintable(args.value(o.today)));
            return 2;
        }
        Clock::setToday(today);
    }

    registerDialogs();
    Session session;
    QtPort ui;
    StartupHooks hooks;
    Screenshots shots;
    if (args.isSet(o.shot)) {
        shots = {args.value(o.shot), args.value(o.rut), args.value(o.clave), args.isSet(o.admin),
                 args.value(o.account), args.value(o.company)};
        QDir().mkpath(shots.dir);
        hooks.login = [&](Session& s, UiPort& port) { return shots.login(s, port); };
        hooks.mainWindow = [&](Session& s, UiPort& port) { shots.mainWindow(s, port); };
    } else if (args.isSet(o.admin)) {
        hooks.login = [](Session& s, UiPort& port) {
            const bool ok = ADMIN_LOGIN(s, port);
            GUARDA_ID_CLIENTE(s, port);
            return ok;
        };
        hooks.mainWindow = [](Session& s, UiPort& port) { MAIN(s, port); };
    } else {
        hooks.login = [](Session& s, UiPort& port) { return LOGIN_USUARIO(s, port); };
        hooks.mainWindow = [](Session& s, UiPort& port) { MAIN(s, port); };
    }

    switch (INICIO(session, ui, hooks)) {
        case StartupOutcome::Finished:
        case StartupOutcome::LoginRefused:
        case StartupOutcome::Ready:
            return 0;
        case StartupOutcome::SecondInstance:
        case StartupOutcome::Failed:
            break;
    }
    return 1;
}
