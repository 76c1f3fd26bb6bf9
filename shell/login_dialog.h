#pragma once
// The login dialog (ODLG_CLAVE_TRABAJADOR) and the password change dialog's
// fields. Controls carry their template ids as object names ("104", "102", "301").

#include <QDialog>
#include <QLineEdit>

#include "core/session.h"
#include "core/ui_port.h"

class QToolButton;

namespace remu {

// Entry field of the login screens: upper case, fixed length, and the first
// character typed after entering the field replaces the old contents.
class KeyField : public QLineEdit {
    Q_OBJECT
public:
    KeyField(int length, bool masked, QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    bool firstKey_ = false;
};

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(Session& s, UiPort& ui, QWidget* parent = nullptr);

    // The RUT validation: zero-fill, show it, search the worker. Keeps the focus on failure.
    bool validateRut();
    // The accept button: RUT validated, then VERIUSUARIO; closes the dialog on success.
    void acceptLogin();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Session& s_;
    UiPort& ui_;
    KeyField* rut_;
    KeyField* password_;
    QToolButton* accept_;
    QString validated_;  // the RUT text that passed validation
    bool validating_ = false;
};

// Shows the login dialog; true when a worker has been identified. Writes the
// client identifier back into CONEXION.DBF however the dialog closed.
bool LOGIN_USUARIO(Session& s, UiPort& ui);

}  // namespace remu
