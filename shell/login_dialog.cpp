#include "shell/login_dialog.h"

#include <QFile>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "format/text.h"
#include "shell/login.h"
#include "shell/main_window.h"

namespace remu {

KeyField::KeyField(int length, bool masked, QWidget* parent) : QLineEdit(parent) {
    setMaxLength(length);
    if (masked) setEchoMode(QLineEdit::Password);
    QFont f = font();
    f.setFamily("Monospace");
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSize(f.pointSize() + 2);
    setFont(f);
    setMinimumWidth(fontMetrics().horizontalAdvance(QString(length + 2, QChar('M'))));
}

void KeyField::focusInEvent(QFocusEvent* e) {
    firstKey_ = true;
    QLineEdit::focusInEvent(e);
}

void KeyField::mousePressEvent(QMouseEvent* e) {
    // Placing the caret by hand means the worker wants to edit, not replace.
    firstKey_ = false;
    QLineEdit::mousePressEvent(e);
}

void KeyField::keyPressEvent(QKeyEvent* e) {
    const QString typed = e->text();
    const bool character = !typed.isEmpty() && typed.at(0).isPrint() &&
                           !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (!character) {
        if (e->key() != Qt::Key_Shift && e->key() != Qt::Key_CapsLock) firstKey_ = false;
        QLineEdit::keyPressEvent(e);
        return;
    }
    if (firstKey_) clear();
    firstKey_ = false;
    insert(typed.toUpper());
}

LoginDialog::LoginDialog(Session& s, UiPort& ui, QWidget* parent) : QDialog(parent), s_(s), ui_(ui) {
    setObjectName("ODLG_CLAVE_TRABAJADOR");
    setWindowTitle("IDENTIFICACION DEL TRABAJADOR  v.28012019");
    if (QFile::exists("user.ico")) setWindowIcon(QIcon("user.ico"));

    auto* host = new QLabel(QString::fromStdString(upper(trim(s.CNOM_HOST))), this);
    host->setObjectName("105");
    host->setAlignment(Qt::AlignCenter);
    QFont hf = host->font();
    hf.setBold(true);
    hf.setPointSize(hf.pointSize() + 2);
    host->setFont(hf);
    host->setStyleSheet("color: #1f4e79;");

    auto* keys = new QLabel(this);
    keys->setObjectName("LLAVES");
    keys->setPixmap(shellIcon("llaves").pixmap(64, 64));
    keys->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    rut_ = new KeyField(11, false, this);
    rut_->setObjectName("104");
    rut_->setText(QString::fromStdString(s.CRUT_CONEXION_TRABAJADOR));
    rut_->setPlaceholderText("Ej. 12345678-8");
    auto* rutHint = new QLabel("Ej. 12345678-8", this);
    rutHint->setStyleSheet("color: #666;");

    password_ = new KeyField(6, true, this);
    password_->setObjectName("102");
    password_->setText(QString::fromStdString(s.CCLAVE));

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
    top->setContentsMargins(18, 14, 18, 14);

    rut_->installEventFilter(this);
    password_->installEventFilter(this);
    connect(accept_, &QToolButton::clicked, this, &LoginDialog::acceptLogin);
    setTabOrder(rut_, password_);
    setTabOrder(password_, accept_);
    rut_->setFocus();
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
        rut_->selectAll();
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

bool LoginDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == rut_ && (enter || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            if (rut_->text() == validated_ || validateRut()) password_->setFocus();
            return true;
        }
        if (watched == password_ && enter) {
            acceptLogin();
            return true;
        }
    }
    if (watched == rut_ && event->type() == QEvent::FocusOut && !validating_) {
        auto* focus = static_cast<QFocusEvent*>(event);
        // Leaving for a message box or another window is not leaving the field.
        const bool leaves = focus->reason() == Qt::MouseFocusReason || focus->reason() == Qt::TabFocusReason ||
                            focus->reason() == Qt::BacktabFocusReason;
        if (leaves && rut_->text() != validated_) {
            // After the focus change has settled: the accept button runs its own validation.
            QTimer::singleShot(0, this, [this] {
                if (accept_->isDown() || accept_->hasFocus() || rut_->text() == validated_) return;
                validateRut();
            });
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
