#include "shell/password_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/login.h"
#include "shell/shell_widgets.h"
#include "widgets/tget.h"

namespace remu {

PasswordDialog::PasswordDialog(Session& s, UiPort& ui, QWidget* parent) : QDialog(parent), s_(s), ui_(ui) {
    setObjectName("ODLG_CAMBIO_CLAVE");
    setWindowTitle("CAMBIO DE CONTRASEÑA");
    setWindowIcon(shellIcon("llaves"));

    current_ = makeKeyField(this, currentText_, 6, true, "101");
    new_ = makeKeyField(this, newText_, 6, true, "102");
    confirm_ = makeKeyField(this, confirmText_, 6, true, "103");

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    form->addRow("CONTRASEÑA ACTUAL", current_);
    form->addRow("NUEVA CONTRASEÑA", new_);
    form->addRow("CONFIRMA CONTRASEÑA", confirm_);

    auto* ok = new QPushButton("ACEPTAR", this);
    ok->setObjectName("301");
    ok->setIcon(shellIcon("aceptar2"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &PasswordDialog::acceptChange);
    // Enter walks the fields and confirms from the last one.
    connect(current_, &QLineEdit::returnPressed, new_, [this] { new_->setFocus(); });
    connect(new_, &QLineEdit::returnPressed, confirm_, [this] { confirm_->setFocus(); });
    connect(confirm_, &QLineEdit::returnPressed, this, &PasswordDialog::acceptChange);

    auto* keys = new QLabel(this);
    keys->setPixmap(shellIcon("LLAVES").pixmap(48, 48));
    keys->setAlignment(Qt::AlignTop);

    auto* row = new QHBoxLayout;
    row->addWidget(keys);
    row->addSpacing(10);
    row->addLayout(form, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);

    auto* top = new QVBoxLayout(this);
    top->addLayout(row);
    top->addSpacing(8);
    top->addLayout(buttons);
    top->setContentsMargins(18, 14, 18, 14);
    current_->setFocus();
}

void PasswordDialog::acceptChange() {
    const std::string current = current_->text().toStdString();
    const std::string fresh = new_->text().toStdString();
    const std::string confirmation = confirm_->text().toStdString();
    if (CAMBIA_CLAVE2(s_, ui_, current, fresh, confirmation)) {
        accept();
        return;
    }
    current_->setFocus();
}

void CAMBIA_CLAVE(QWidget* parent, Session& s, UiPort& ui) {
    PasswordDialog dialog(s, ui, parent);
    dialog.exec();
}

}  // namespace remu
