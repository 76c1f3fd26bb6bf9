#include "shell/main_window.h"

#include <algorithm>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplashScreen>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/date.h"
#include "core/work_folder.h"
#include "format/dates.h"
#include "format/text.h"
#include "shell/login.h"
#include "shell/password_dialog.h"
#include "shell/shell_widgets.h"

namespace remu {

namespace {

WindowAction& liquidaAction() {
    static WindowAction action;
    return action;
}

WindowAction& personalAction() {
    static WindowAction action;
    return action;
}

WindowAction& historialAction() {
    static WindowAction action;
    return action;
}

QString q(const std::string& t) { return QString::fromStdString(t); }

void notAvailable(UiPort& ui) { ui.info("Esta opción aún no está disponible en esta versión del sistema", "Atención"); }

// Bitmap files of the working directory are optional; a missing one is skipped.
QPixmap workingDirBitmap(const QString& name) {
    return QFile::exists(name) ? QPixmap(name) : QPixmap();
}

}  // namespace

void setLiquidaAction(WindowAction action) { liquidaAction() = std::move(action); }
void setPersonalAction(WindowAction action) { personalAction() = std::move(action); }
void setHistorialAction(WindowAction action) { historialAction() = std::move(action); }

QString statusText(const Session& s) {
    const std::string who = s.administration ? "   Administración: " + trim(s.CUSER)
                                             : "   Usuario: " + trim(s.CRUT_CONEXION_TRABAJADOR);
    return q(" Servidor: " + trim(s.CNOM_HOST) + "  Empresa: " + trim(s.ID_CLIENTE) + " - " + trim(s.CALIAS_EMPRESA) +
             who);
}

QMenuBar* BUILDMENU(QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    bar->addMenu("&Tablas");
    QMenu* procesos = bar->addMenu("Procesos");
    procesos->setSeparatorsCollapsible(false);
    if (WorkFolder().has(Marker::Autor)) procesos->addSeparator();
    procesos->addSeparator();
    procesos->addAction("&Reajuste de Sueldos");
    procesos->addSeparator();
    procesos->addAction("&Gestión Certificados Sueldos");
    bar->addMenu("Informes");
    return bar;
}

MainWindow::MainWindow(Session& s, UiPort& ui, QWidget* parent) : QMainWindow(parent), s_(s), ui_(ui) {
    initShellResources();
    setWindowTitle(q(s.NOMSIS));
    setWindowIcon(shellIcon("1ICON_1"));
    setMenuBar(BUILDMENU(this));

    toolBar_ = addToolBar("Herramientas");
    toolBar_->setObjectName("toolbar");
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(36, 36));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // Two-line captions must fit the 65-pixel buttons.
    QFont captions = toolBar_->font();
    captions.setPointSizeF(captions.pointSizeF() * 0.85);
    toolBar_->setFont(captions);
    auto add = [this](const char* role, const QString& caption, auto slot) {
        QAction* a = toolBar_->addAction(shellIcon(role), caption);
        a->setObjectName(role);
        a->setToolTip(QString(caption).replace('\n', ' '));
        connect(a, &QAction::triggered, this, slot);
        if (QWidget* w = toolBar_->widgetForAction(a)) w->setFixedSize(65, 65);
        return a;
    };
    add("funcionario", "Trabajador", &MainWindow::runPersonal);
    toolBar_->addSeparator();
    add("liqui", "Liquidación\nsueldo", &MainWindow::runLiquida);
    add("historial", "Historial", &MainWindow::runHistorial);
    toolBar_->addSeparator();
    // The administration's account is the server's: it has no worker password to change.
    add("llaves", "Cambia\ncontraseña", &MainWindow::runCambiaClave)->setEnabled(!s.administration);
    add("salir", "Salir", &QWidget::close);

    // Background tiled with FONDO_TAPIZ; the picture stays centred however the window is sized.
    auto* central = new QWidget(this);
    central->setObjectName("FONDO_TAPIZ");
    central->setAutoFillBackground(true);
    QPalette pal = central->palette();
    pal.setBrush(QPalette::Window, QBrush(QPixmap(":/shell/fondo_tapiz.png")));
    central->setPalette(pal);
    picture_ = new QLabel(central);
    picture_->setObjectName("s_remu_trabajador");
    QPixmap pic = workingDirBitmap("s_remu_trabajador.BMP");
    if (pic.isNull()) pic = QPixmap(":/shell/s_remu_trabajador.png");
    picture_->setPixmap(pic.scaled(212, 132, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    picture_->setFixedSize(212, 132);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(picture_, 0, Qt::AlignCenter);
    setCentralWidget(central);

    status_ = new QLabel(statusText(s), this);
    status_->setObjectName("status");
    statusBar()->addWidget(status_, 1);
    clock_ = new QLabel(this);
    statusBar()->addPermanentWidget(clock_);
    auto tick = [this] {
        clock_->setText(QTime::currentTime().toString("HH:mm:ss") + "   " + q(formatDate(Clock::today())) + " ");
    };
    tick();
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, tick);
    timer->start(1000);

    // Text rows 1..35, columns 1..80 of the system font's character cell.
    // (never smaller than the toolbar and the status bar text need).
    const QFontMetrics fm(font());
    resize(std::max(80 * fm.averageCharWidth(), 760), std::max(35 * fm.height(), 560));
    s_.OWNDMAIN = this;
}

MainWindow::~MainWindow() {
    if (s_.OWNDMAIN == this) s_.OWNDMAIN = nullptr;
}

void MainWindow::runPersonal() {
    if (personalAction())
        personalAction()(this, s_, ui_);
    else
        notAvailable(ui_);
}

void MainWindow::runLiquida() {
    if (liquidaAction())
        liquidaAction()(this, s_, ui_);
    else
        notAvailable(ui_);
}

void MainWindow::runHistorial() {
    if (historialAction())
        historialAction()(this, s_, ui_);
    else
        notAvailable(ui_);
}

void MainWindow::runCambiaClave() {
    if (!s_.administration) CAMBIA_CLAVE(this, s_, ui_);
}

void MAIN(Session& s, UiPort& ui) {
    s.LCCAF_MAS_FONASA = true;
    s.DFECHA = Clock::today();
    s.CSUBTITUFIRMA = "'V°B° ADMINISTRACION'";
    s.CPROCESO = " ";
    s.period = Period::of(s.DFECHA.year, s.DFECHA.month);

    // The administration's account was checked by the server at login.
    if (!s.administration && !VERIFICA_CLAVE(s, ui)) return;

    if (MainWindow* existing = s.OWNDMAIN) {
        existing->activateWindow();
        existing->raise();
        return;
    }

    QSplashScreen* splash = nullptr;
    const QPixmap watch = workingDirBitmap("WATCH.BMP");
    if (!watch.isNull()) {
        splash = new QSplashScreen(watch);
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->show();
        QTimer::singleShot(1000, splash, &QWidget::close);
        QApplication::processEvents();
    }

    auto* window = new MainWindow(s, ui);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    if (splash) splash->raise();
    loop.exec();
}

}  // namespace remu
