#pragma once
// The administration login dialog: a database account and its password, checked by
// the server ("Conectar"), then one of the client's company databases ("Entrar").
// Reached from the login dialog's button "Administración" and by remu --administracion.

#include <QDialog>
#include <vector>
#include <string>

#include "core/session.h"
#include "core/ui_port.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace remu {

class AdminLoginDialog : public QDialog {
    Q_OBJECT
public:
    AdminLoginDialog(Session& s, UiPort& ui, QWidget* parent = nullptr);

    // "Conectar": the account checked by the server, the client's companies listed.
    bool connectAccount();
    // "Entrar": the chosen company bound to the session; the dialog closes on success.
    bool enter();

    QLineEdit* accountField() const { return account_; }
    QLineEdit* passwordField() const { return password_; }
    QComboBox* companySelector() const { return company_; }

private:
    void forgetCompanies();

    Session& s_;
    UiPort& ui_;
    QLineEdit* account_;
    QLineEdit* password_;
    QComboBox* company_;
    QPushButton* connect_;
    QPushButton* enter_;
};

// Shows the administration login; true when the session has been bound to a company.
bool ADMIN_LOGIN(Session& s, UiPort& ui, QWidget* parent = nullptr);

}  // namespace remu
