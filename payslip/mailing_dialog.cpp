#include "payslip/mailing_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace remu {

namespace {

QString accountLines(const MailAccount& account) {
    std::string text = account.text();
    return QString::fromStdString(text.substr(text.find('\n') + 1));
}

}  // namespace

MailingDialog::MailingDialog(MailingPlan plan, QWidget* parent) : QDialog(parent), plan_(std::move(plan)) {
    setObjectName("ODLG_ENVIO");
    setWindowTitle("Envío de liquidaciones por correo");
    auto* lay = new QVBoxLayout(this);
    label_ = new QLabel("Preparando el envío ..", this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, std::max<int>(1, static_cast<int>(plan_.mails.size())));
    bar_->setValue(0);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setMinimumSize(620, 220);
    text_->hide();
    button_ = new QPushButton("Cancelar", this);
    button_->setAutoDefault(false);
    connect(button_, &QPushButton::clicked, this, &MailingDialog::reject);
    lay->addWidget(label_);
    lay->addWidget(bar_);
    lay->addWidget(text_, 1);
    lay->addWidget(button_, 0, Qt::AlignRight);
}

MailingDialog::~MailingDialog() {
    cancel_ = true;
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

void MailingDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    start();
}

void MailingDialog::start() {
    if (thread_) return;
    // The mails go out on a thread of their own; the window only hears of progress.
    thread_ = QThread::create([this] {
        sendMassMail(
            plan_,
            [this](int done, int total) {
                QMetaObject::invokeMethod(this, [this, done, total] { progressed(done, total); }, Qt::QueuedConnection);
            },
            &cancel_);
        QMetaObject::invokeMethod(this, [this] { done(); }, Qt::QueuedConnection);
    });
    thread_->start();
}

void MailingDialog::progressed(int done, int total) {
    bar_->setValue(done);
    if (done < total)
        label_->setText(QString("Enviando correo %1 de %2: %3")
                            .arg(done + 1)
                            .arg(total)
                            .arg(QString::fromStdString(plan_.mails[static_cast<size_t>(done)].address)));
}

void MailingDialog::done() {
    if (thread_) thread_->wait();
    finished_ = true;
    bar_->setValue(bar_->maximum());
    label_->setText(QString::fromStdString("Envío terminado: " + plan_.account.summary()));
    text_->setPlainText(accountLines(plan_.account));
    text_->show();
    button_->setText("Cerrar");
    adjustSize();
}

void MailingDialog::reject() {
    if (finished_) {
        QDialog::reject();
        return;
    }
    // The mail at hand is stopped; the rest are listed as not sent.
    cancel_ = true;
    button_->setEnabled(false);
    label_->setText("Cancelando el envío ..");
}

void showMailAccount(QWidget* parent, const QString& title, const MailAccount& account) {
    QDialog dlg(parent);
    dlg.setObjectName("ODLG_CUENTA_CORREO");
    dlg.setWindowTitle(title);
    auto* lay = new QVBoxLayout(&dlg);
    lay->addWidget(new QLabel(QString::fromStdString(account.summary()), &dlg));
    auto* text = new QPlainTextEdit(accountLines(account), &dlg);
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setMinimumSize(620, 220);
    lay->addWidget(text, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    lay->addWidget(buttons);
    dlg.exec();
}

}  // namespace remu
