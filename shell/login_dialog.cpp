#include "shell/login_dialog.h"

#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "format/text.h"
#include "shell/admin_login_dialog.h"
#include "shell/login.h"
#include "shell/shell_widgets.h"
#include "widgets/tget.h"

namespace remu {

LoginDialog::LoginDialog(Session& s, UiPort& ui, QWidget* parent) : QDialog(parent), s_(s), ui_(ui) {
    setObjectName("ODLG_CLAVE_TRABAJADOR");
    setWindowTitle("IDENTIFICACION DEL TRABAJADOR  v.28012019");
    if (QFile::exists("user.ico")) setWindowIcon(QIcon("user.ico"));

    auto* host = makeServerLabel(this, s);
    auto* keys = makeKeysPicture(this);

    rut_ = makeKeyField(this, s.CRUT_CONEXION_TRABAJADOR, 11, false, "104");
    // Zero-filled it is full: after a refusal the next key starts it anew.
    rut_->setRetypeOnRefusal(true);
    // Leaving the field validates it; closing the dialog does not.
    rut_->setValid([this] { return closing_ || !isVisible() || rut_->text() == validated_ || validateRut(); });
    auto* rutHint = new QLabel("Ej. 12345678-8", this);
    rutHint->setStyleSheet("color: #666;");

    password_ = makeKeyField(this, s.CCLAVE, 6, true, "102");

    accept_ = new QToolButton(this);
    accept_->setObjectName("301");
    accept_->setIcon(shellIcon("aceptar2"));
    accept_->setIconSize(QSize(40, 40));
    accept_->setToolTip("Entra");
    accept_->setAutoRaise(false);
    accept_->setFixedSize(56, 56);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    auto* rutLabel = new QLabel("RUT", this);
    auto* pwLabel = new QLabel("CONTRASEÑA", this);
    rutLabel->setBuddy(rut_);
    pwLabel->setBuddy(password_);
    grid->addWidget(rutLabel, 0, 0);
    grid->addWidget(rut_, 0, 1);
    grid->addWidget(rutHint, 1, 1);
    grid->addWidget(pwLabel, 2, 0);
    grid->addWidget(password_, 2, 1);

    auto* row = new QHBoxLayout;
    row->addWidget(keys);
    row->addSpacing(8);
    row->addLayout(grid, 1);
    row->addSpacing(8);
    row->addWidget(accept_, 0, Qt::AlignBottom);

    auto* top = new QVBoxLayout(this);
    top->addWidget(host);
    top->addSpacing(6);
    top->addLayout(row);
    // Without a client identifier the connection record has never been filled in
    // (a first start makes it with defaults): say where it is and what fills it.
    if (trim(s.ID_CLIENTE).empty()) {
        auto* hint = new QLabel(connectionHint(), this);
        hint->setObjectName("hint");
        hint->setWordWrap(true);
        hint->setStyleSheet("color: #8a4b00;");
        top->addSpacing(6);
        top->addWidget(hint);
    }
    // The administration enters with a database account instead. The button takes no
    // focus, so pressing it never runs the RUT validation.
    admin_ = new QPushButton("Administración", this);
    admin_->setObjectName("administracion");
    admin_->setFocusPolicy(Qt::NoFocus);
    admin_->setAutoDefault(false);
    admin_->setToolTip("Entrar con una cuenta de la administración");
    auto* adminRow = new QHBoxLayout;
    adminRow->addStretch(1);
    adminRow->addWidget(admin_);
    top->addSpacing(4);
    top->addLayout(adminRow);
    top->setContentsMargins(18, 14, 18, 14);
    connect(admin_, &QPushButton::clicked, this, &LoginDialog::administration);

    rut_->installEventFilter(this);
    password_->installEventFilter(this);
    connect(accept_, &QToolButton::clicked, this, &LoginDialog::acceptLogin);
    setTabOrder(rut_, password_);
    setTabOrder(password_, accept_);
    rut_->setFocus();
}

QString connectionHint(const QString& folder) {
    const QString where = QDir::toNativeSeparators(QDir(folder).absolutePath());
    return QString("Falta configurar la conexión al servidor: complete\nCONEXION.DBF de %1\n"
                   "con \"remu-cli conexion\" (vea remu-cli conexion --help).")
        .arg(where);
}

bool LoginDialog::validateRut() {
    if (validating_) return false;
    validating_ = true;
    const std::string filled = RUT_LOGIN(rut_->text().toStdString());
    s_.CRUT_CONEXION_TRABAJADOR = filled;
    rut_->setText(QString::fromStdString(filled));
    const bool ok = BUSCA_RUT(s_, ui_);
    validated_ = ok ? rut_->text() : QString();
    validating_ = false;
    if (!ok) {
        rut_->setFocus();
        rut_->selectForRetype();
    }
    return ok;
}

void LoginDialog::acceptLogin() {
    if (validating_) return;
    if (validated_.isEmpty() || rut_->text() != validated_) {
        if (!validateRut()) return;
    }
    s_.CCLAVE = padRight(upper(password_->text().toStdString()), 6);
    if (VERIUSUARIO(s_, ui_)) {
        accept();
        return;
    }
    rut_->setFocus();
}

void LoginDialog::administration() {
    if (validating_) return;
    if (!ADMIN_LOGIN(s_, ui_, this)) {
        rut_->setFocus();
        return;
    }
    accept();
}

void LoginDialog::done(int result) {
    closing_ = true;
    QDialog::done(result);
    closing_ = false;
}

bool LoginDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // Enter confirms a field as Tab does; on the password it enters.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == password_)
                acceptLogin();
            else
                focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool LOGIN_USUARIO(Session& s, UiPort& ui) {
    LoginDialog dialog(s, ui);
    const bool ok = dialog.exec() == QDialog::Accepted;
    GUARDA_ID_CLIENTE(s, ui);
    return ok;
}

}  // namespace remu
