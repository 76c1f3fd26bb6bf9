#pragma once
// The main window (MAIN, BUILDMENU): toolbar, menu, status bar and the centred
// picture. Toolbar actions run modally over it.

#include <functional>

#include <QIcon>
#include <QMainWindow>

#include "core/session.h"
#include "core/ui_port.h"

class QLabel;
class QMenuBar;
class QToolBar;

namespace remu {

// An operation started from the toolbar, run modally over parent.
using WindowAction = std::function<void(QWidget* parent, Session& s, UiPort& ui)>;

// Registration of the dialogs other folders build: the pay slip dialog (LIQUIDA)
// and the worker file (PERSONAL). Until one is registered its button tells the
// user the option is not available yet.
void setLiquidaAction(WindowAction action);
void setPersonalAction(WindowAction action);
// The worker's history ("Historial").
void setHistorialAction(WindowAction action);

// The status bar text of a worker session.
QString statusText(const Session& s);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Session& s, UiPort& ui, QWidget* parent = nullptr);
    ~MainWindow() override;

    QToolBar* toolBar() const { return toolBar_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* picture() const { return picture_; }

    void runPersonal();
    void runLiquida();
    void runHistorial();
    void runCambiaClave();

private:
    Session& s_;
    UiPort& ui_;
    QToolBar* toolBar_;
    QLabel* status_;
    QLabel* picture_;
    QLabel* clock_;
};

// The window's menu bar.
QMenuBar* BUILDMENU(QWidget* parent);

// Sets the session values of the main window, runs the password check, shows the
// splash and the window, and returns when the window has closed.
void MAIN(Session& s, UiPort& ui);

}  // namespace remu
