#pragma once
// The password change dialog (ODLG_CAMBIO_CLAVE): fields "101", "102", "103", button "301".

#include <QDialog>
#include <string>

#include "core/session.h"
#include "core/ui_port.h"

namespace remu {

class TGET;

class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    PasswordDialog(Session& s, UiPort& ui, QWidget* parent = nullptr);
    // The ACEPTAR button: CAMBIA_CLAVE2; closes on success, back to "101" otherwise.
    void acceptChange();

private:
    Session& s_;
    UiPort& ui_;
    std::string currentText_ = std::string(6, ' ');
    std::string newText_ = std::string(6, ' ');
    std::string confirmText_ = std::string(6, ' ');
    TGET* current_;
    TGET* new_;
    TGET* confirm_;
};

// Runs the password change dialog modally over parent.
void CAMBIA_CLAVE(QWidget* parent, Session& s, UiPort& ui);

}  // namespace remu
