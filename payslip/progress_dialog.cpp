#include "payslip/progress_dialog.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/session.h"
#include "format/text.h"
#include "payroll/engine.h"

namespace remu {

namespace {

std::function<void(CalculoDialog&)>& observer() {
    static std::function<void(CalculoDialog&)> o;
    return o;
}

}  // namespace

void setCalculoDialogObserver(std::function<void(CalculoDialog&)> o) { observer() = std::move(o); }

QString progressLabelText(std::string_view text) {
    QString t = QString::fromStdString(upper(text));
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t;
}

void ProgressLabelPort::progress(std::string_view text) {
    if (cestado_) *cestado_ = std::string(text);
    if (!label_) return;
    QString shown = progressLabelText(text);
    label_->setText(shown);
    // The run holds the event loop; only the label is redrawn at each step.
    label_->repaint();
    if (auto* dlg = qobject_cast<CalculoDialog*>(label_->window())) dlg->shown_.push_back(shown);
}

CalculoDialog::CalculoDialog(UiPort& ui, ProgressRun run, ProgressRun runAll, std::string* cestado, QWidget* parent)
    : QDialog(parent),
      port_(ui, nullptr, cestado),
      run_(std::move(run)),
      runAll_(std::move(runAll)) {
    setObjectName("ODLG_CALCULO");
    setWindowTitle("Procesando");
    setModal(true);
    label_ = new QLabel(" ", this);
    label_->setObjectName("450");
    QFont f("Arial");
    f.setPixelSize(14);
    label_->setFont(f);
    label_->setAlignment(Qt::AlignCenter);
    label_->setMinimumSize(260, 60);
    procede_ = new QPushButton("Procede", this);
    procede_->setObjectName("451");
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(label_);
    lay->addWidget(procede_, 0, Qt::AlignCenter);
    port_.setLabel(label_);
    connect(procede_, &QPushButton::clicked, this, [this] {
        if (running_) return;
        runNow(runAll_);
        accept();
    });
}

void CalculoDialog::runNow(const ProgressRun& run) {
    running_ = true;
    procede_->setEnabled(false);
    result_ = run ? run(port_) : false;
    running_ = false;
    done_ = true;
}

void CalculoDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (started_) return;
    started_ = true;
    if (observer()) observer()(*this);
    // After the window is on screen, so the first texts are seen.
    QTimer::singleShot(0, this, [this] {
        runNow(run_);
        accept();
    });
}

void CalculoDialog::reject() {
    if (done_) QDialog::reject();
}

void CalculoDialog::closeEvent(QCloseEvent* e) {
    if (done_) QDialog::closeEvent(e);
    else e->ignore();
}

bool CALCULA_REMUN_DIALOG(QWidget* parent, Session& s, UiPort& ui, const std::string& from, const std::string& to,
                          const std::string& workDir, SlipRecorder* explain) {
    s.CESTADO.assign(1, ' ');
    RunOptions opt;
    opt.workDir = workDir;
    opt.explain = explain;
    CalculoDialog dlg(
        ui, [&](UiPort& port) { return CALCULA_REMUN(s, port, trim(from), trim(to), opt); },
        [&](UiPort& port) { return CALCULA_REMUN(s, port, {}, {}, opt); }, &s.CESTADO, parent);
    dlg.exec();
    return dlg.result();
}

}  // namespace remu
