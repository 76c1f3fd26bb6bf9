#include "personnel/contfin_dialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "data/connection.h"
#include "data/query.h"
#include "widgets/tget.h"

namespace remu {

namespace {

std::string standardChooser(QWidget* parent, const std::string& caption, const std::string& current) {
    std::error_code ec;
    std::filesystem::path start(current);
    if (!std::filesystem::is_directory(start, ec)) start = start.parent_path();
    // Both cases of the extensions: names on this system are case-sensitive.
    QString file = QFileDialog::getOpenFileName(parent, QString::fromStdString(caption),
                                                QString::fromStdString(start.string()),
                                                "Documentos (*.doc *.DOC *.docx *.DOCX *.odt *.ODT)");
    return file.toStdString();
}

}  // namespace

ContfinDialog::ContfinDialog(Session& s, UiPort& ui, DocumentWorker worker, ContfinOptions options, QWidget* parent)
    : QDialog(parent), s_(s), ui_(ui), worker_(std::move(worker)), opt_(std::move(options)) {
    setObjectName("ODLG_CONFIN");
    setWindowTitle("Contrato y Finiquito");
    setModal(true);
    auto* lay = new QVBoxLayout(this);
    DocumentTemplates& paths = documentTemplates();

    // The path keeps its letter case: an upper-cased path names another file here.
    auto group = [&](const char* title, const char* label, const char* fieldId, std::string& path,
                     const char* buttonId, const char* buttonText, void (ContfinDialog::*browse)(),
                     void (ContfinDialog::*generate)()) {
        auto* box = new QGroupBox(title, this);
        auto* grid = new QGridLayout(box);
        grid->addWidget(new QLabel(label, box), 0, 0, 1, 2);
        auto* field = new TGET(box);
        field->setObjectName(fieldId);
        field->bind(path);
        field->setMinimumWidth(420);
        grid->addWidget(field, 1, 0);
        auto* pick = new QToolButton(box);
        pick->setObjectName(QString(fieldId) + "_buscar");
        pick->setText("...");
        pick->setToolTip("Buscar");
        connect(pick, &QToolButton::clicked, this, [this, browse, field] {
            (this->*browse)();
            field->refresh();
        });
        grid->addWidget(pick, 1, 1);
        auto* make = new QPushButton(buttonText, box);
        make->setObjectName(buttonId);
        make->setAutoDefault(false);
        connect(make, &QPushButton::clicked, this, [this, generate, field] {
            field->assign();
            (this->*generate)();
        });
        grid->addWidget(make, 2, 0, 1, 2, Qt::AlignLeft);
        lay->addWidget(box);
    };
    group("Contrato", "Selección Contrato Tipo", "200", paths.DIRCONFIN, "113", "Genera Contrato",
          &ContfinDialog::chooseContrato, &ContfinDialog::generaContrato);
    group("Finiquito", "Selección Finiquito Tipo", "114", paths.DIRFINIQUITO, "118", "Genera Finiquito",
          &ContfinDialog::chooseFiniquito, &ContfinDialog::generaFiniquito);

    status_ = new QLabel(this);
    status_->setObjectName("120");
    status_->setMinimumHeight(28);
    QFont f = status_->font();
    f.setBold(true);
    status_->setFont(f);
    lay->addWidget(status_);

    auto* exit = new QPushButton("&Salir", this);
    exit->setObjectName("119");
    exit->setAutoDefault(false);
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
    lay->addWidget(exit, 0, Qt::AlignRight);
}

void ContfinDialog::refreshStatus() {
    history_.push_back(status_text_);
    status_->setText(QString::fromStdString(status_text_));
    status_->repaint();
}

void ContfinDialog::choose(std::string& path, const char* caption) {
    path = opt_.chooseTemplate ? opt_.chooseTemplate(caption, path) : standardChooser(this, caption, path);
}

void ContfinDialog::chooseContrato() { choose(documentTemplates().DIRCONFIN, "Selección Contrato Tipo"); }
void ContfinDialog::chooseFiniquito() { choose(documentTemplates().DIRFINIQUITO, "Selección Finiquito Tipo"); }

void ContfinDialog::generaContrato() {
    last_ = VECONT(s_, worker_, documentTemplates().DIRCONFIN, opt_.workDir, status_text_, [this] { refreshStatus(); },
                   ui_);
}

void ContfinDialog::generaFiniquito() {
    last_ = VEFINIQ(s_, worker_, documentTemplates().DIRFINIQUITO, opt_.workDir, status_text_,
                    [this] { refreshStatus(); }, ui_);
}

void CONTFIN(QWidget* parent, Session& s, UiPort& ui, const DocumentWorker& worker, ContfinOptions options) {
    if (s.workerBound()) return;
    ContfinDialog dlg(s, ui, worker, std::move(options), parent);
    dlg.exec();
}

bool CONTFIN(QWidget* parent, Session& s, UiPort& ui, const std::string& code, ContfinOptions options) {
    if (s.workerBound()) return false;
    std::shared_ptr<Connection> conn = s.OCON;
    if (!conn || !conn->isOpen()) {
        if (!CONECTA(s, ui, conn)) return false;
    }
    DocumentWorker worker;
    if (!readDocumentWorker(*conn, s, code, ui, worker)) return false;
    CONTFIN(parent, s, ui, worker, std::move(options));
    return true;
}

}  // namespace remu
