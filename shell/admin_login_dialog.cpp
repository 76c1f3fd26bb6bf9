#include "shell/admin_login_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "format/text.h"
#include "shell/admin_login.h"
#include "shell/shell_widgets.h"

namespace remu {

AdminLoginDialog::AdminLoginDialog(Session& s, UiPort& ui, QWidget* parent) : QDialog(parent), s_(s), ui_(ui) {
    setObjectName("ODLG_ADMINISTRACION");
    setWindowTitle("ADMINISTRACION");
    setWindowIcon(shellIcon("LLAVES"));

    auto* host = makeServerLabel(this, s);
    auto* keys = makeKeysPicture(this);

    account_ = new QLineEdit(this);
    account_->setObjectName("cuenta");
    account_->setMaxLength(80);
    account_->setMinimumWidth(220);
    password_ = new QLineEdit(this);
    password_->setObjectName("clave");
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(80);
    connect_ = new QPushButton("Conectar", this);
    connect_->setObjectName("conectar");
    connect_->setAutoDefault(false);
    company_ = new QComboBox(this);
    company_->setObjectName("empresa");
    company_->setMinimumWidth(220);
    enter_ = new QPushButton("Entrar", this);
    enter_->setObjectName("entrar");
    enter_->setAutoDefault(false);
    auto* cancel = new QPushButton("Cancelar", this);
    cancel->setObjectName("cancelar");
    cancel->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow("CUENTA", account_);
    form->addRow("CONTRASEÑA", password_);
    form->addRow("", connect_);
    form->addRow("EMPRESA", company_);
    auto* hint = new QLabel("Cuenta de la base de datos de la administración (ID Cliente " +
                                QString::fromStdString(trim(s.ID_CLIENTE)) + ")",
                            this);
    hint->setStyleSheet("color: #666;");
    hint->setWordWrap(true);

    auto* row = new QHBoxLayout;
    row->addWidget(keys);
    row->addSpacing(8);
    row->addLayout(form, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(enter_);
    buttons->addWidget(cancel);

    auto* top = new QVBoxLayout(this);
    top->addWidget(host);
    top->addSpacing(6);
    top->addLayout(row);
    top->addWidget(hint);
    top->addLayout(buttons);
    top->setContentsMargins(18, 14, 18, 14);

    connect(connect_, &QPushButton::clicked, this, &AdminLoginDialog::connectAccount);
    connect(enter_, &QPushButton::clicked, this, &AdminLoginDialog::enter);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // The companies listed belong to the account that was checked: a changed account checks again.
    connect(account_, &QLineEdit::textEdited, this, &AdminLoginDialog::forgetCompanies);
    connect(password_, &QLineEdit::textEdited, this, &AdminLoginDialog::forgetCompanies);
    connect(account_, &QLineEdit::returnPressed, this, [this] { password_->setFocus(); });
    connect(password_, &QLineEdit::returnPressed, this, &AdminLoginDialog::connectAccount);
    forgetCompanies();
    account_->setFocus();
}

void AdminLoginDialog::forgetCompanies() {
    company_->clear();
    company_->setEnabled(false);
    enter_->setEnabled(false);
}

bool AdminLoginDialog::connectAccount() {
    forgetCompanies();
    std::vector<std::string> companies;
    if (!ADMIN_CONECTA(s_, ui_, account_->text().toStdString(), password_->text().toStdString(), companies)) {
        password_->setFocus();
        password_->selectAll();
        return false;
    }
    for (const auto& name : companies) company_->addItem(QString::fromStdString(name));
    company_->setEnabled(true);
    enter_->setEnabled(true);
    enter_->setDefault(true);
    company_->setFocus();
    return true;
}

bool AdminLoginDialog::enter() {
    if (company_->count() == 0) return false;
    if (!ADMIN_EMPRESA(s_, ui_, account_->text().toStdString(), password_->text().toStdString(),
                       company_->currentText().toStdString())) {
        company_->setFocus();
        return false;
    }
    password_->clear();
    accept();
    return true;
}

bool ADMIN_LOGIN(Session& s, UiPort& ui, QWidget* parent) {
    AdminLoginDialog dialog(s, ui, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace remu
