#pragma once
// The login dialog (ODLG_CLAVE_TRABAJADOR). Controls carry their template ids as
// object names ("104", "102", "301").

#include <QDialog>

#include "core/session.h"
#include "core/ui_port.h"

class QLabel;
class QPushButton;
class QToolButton;

namespace remu {

class TGET;

// The hint shown at login while CONEXION.DBF of `folder` has no client identifier.
QString connectionHint(const QString& folder = ".");

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(Session& s, UiPort& ui, QWidget* parent = nullptr);

    // The RUT validation: zero-fill, show it, search the worker. Keeps the focus on failure.
    bool validateRut();
    // The accept button: RUT validated, then VERIUSUARIO; closes the dialog on success.
    void acceptLogin();
    // The button "Administración": the administration login instead of a worker's;
    // closes the dialog when it bound the session to a company.
    void administration();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Session& s_;
    UiPort& ui_;
    TGET* rut_;
    TGET* password_;
    QToolButton* accept_;
    QPushButton* admin_;
    QString validated_;  // the RUT text that passed validation
    bool validating_ = false;
    bool closing_ = false;
};

// Shows the login dialog; true when a worker has been identified. Writes the
// client identifier back into CONEXION.DBF however the dialog closed.
bool LOGIN_USUARIO(Session& s, UiPort& ui);

}  // namespace remu
