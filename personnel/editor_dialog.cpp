#include "personnel/editor_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "data/personnel_table.h"
#include "data/query.h"
#include "data/recordset.h"
#include "format/text.h"
#include "personnel/vacations_page.h"
#include "widgets/tget.h"

namespace remu {

namespace {

std::function<void(WorkerFileDialog&)>& observer() {
    static std::function<void(WorkerFileDialog&)> o;
    return o;
}

}  // namespace

void setWorkerFileObserver(std::function<void(WorkerFileDialog&)> o) { observer() = std::move(o); }

bool openWorkerFile(WorkerBuffer& b, Session& s, UiPort& ui, Connection& conn, Recordset& ors, bool isNew) {
    if (isNew) {
        // The proposal looks at the whole month on the server, not at what the list filters.
        auto code = CREA_CODIGO_NUEVO(conn, s.period, ui);
        if (!code) return false;
        b = newWorkerBuffer();
        b.CCODIGO_PER = *code;
    } else {
        if (!ors.isOpen() || ors.Eof() || ors.Bof()) {
            ui.info("No hay un trabajador seleccionado", "Atención");
            return false;
        }
        b = bufferFromRow(personnelRow(ors), memberVariant(s));
    }
    lookUpNames(b, conn, s, ui, !isNew);
    return true;
}

WorkerFileDialog::WorkerFileDialog(WorkerBuffer& buffer, Session& s, UiPort& ui, Connection& conn, Recordset& ors,
                                   bool isNew, QWidget* parent)
    : QDialog(parent),
      b_(buffer),
      s_(s),
      ui_(ui),
      conn_(conn),
      ors_(ors),
      isNew_(isNew),
      context_{buffer, s, ui, conn, isNew, [this] { refreshAll(); }, [this] {
                   // A new worker's code decides whose periods and plans the pages show.
                   if (vacations_) vacations_->reload();
                   if (pages_.size() > 2) static_cast<PensionPage*>(pages_[2])->reloadPlans();
               }} {
    setObjectName("ODLG_PERSON_EDITA");
    setWindowTitle(QString::fromStdString("DATOS TRABAJADOR" + s.period.monthName() + " " + s.period.yearText()));
    auto* lay = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("110");
    pages_ = {new PersonalPage(context_, tabs_), new EmploymentPage(context_, tabs_), new PensionPage(context_, tabs_),
              new HealthPage(context_, tabs_)};
    const char* titles[] = {"Datos Personales", "Datos Laborales", "AFP", "ISAPRE"};
    for (size_t i = 0; i < pages_.size(); ++i) tabs_->addTab(pages_[i], titles[i]);
    vacations_ = new VacationsPage(b_, s_, ui_, tabs_);
    tabs_->addTab(vacations_, "VACACIONES");
    // A change of the working-life start on the vacations page shows on page 1 too.
    connect(vacations_, &VacationsPage::workingLifeStartChanged, this, [this] { refreshAll(); });
    lay->addWidget(tabs_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* save = new QPushButton("&Guardar", this);
    save->setObjectName("302");
    save->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this, [this] { this->save(); });
    auto* leave = new QPushButton("&Salir", this);
    leave->setObjectName("301");
    leave->setAutoDefault(false);
    connect(leave, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(save);
    buttons->addWidget(leave);
    lay->addLayout(buttons);
    refreshAll();
}

WorkerFileDialog::~WorkerFileDialog() = default;

WorkerFilePage* WorkerFileDialog::page(int number) const {
    return number >= 1 && number <= static_cast<int>(pages_.size()) ? pages_[number - 1] : nullptr;
}

PersonalPage* WorkerFileDialog::personal() const { return static_cast<PersonalPage*>(pages_[0]); }

void WorkerFileDialog::refreshAll() {
    if (refreshing_) return;
    refreshing_ = true;
    for (auto* p : pages_) p->refresh();
    if (vacations_) vacations_->refreshAll();
    refreshing_ = false;
}

void WorkerFileDialog::goTo(int page, int field) {
    if (page < 1 || page > tabs_->count()) return;
    tabs_->setCurrentIndex(page - 1);
    QWidget* target = page <= static_cast<int>(pages_.size()) ? pages_[page - 1]->control(field) : nullptr;
    if (target) target->setFocus(Qt::OtherFocusReason);
}

bool WorkerFileDialog::save() {
    // What is being typed counts, even when the button was reached without leaving the field.
    if (auto* typing = qobject_cast<TGET*>(QApplication::focusWidget()); typing && isAncestorOf(typing))
        typing->assign();
    b_.CNOMBRE = composedName(b_);
    const int plans = static_cast<PensionPage*>(pages_[2])->apvPlans();
    SaveCheck check = VALIDA_GRABA(b_, plans, conn_, s_.period, ui_);
    if (!check.ok) {
        goTo(check.page, check.field);
        return false;
    }
    // The proposed code may have been taken meanwhile by another clerk.
    if (isNew_ && !CODIGO_EXISTE(conn_, s_.period, b_.CCODIGO_PER, true, ui_)) {
        goTo(1, 105);
        return false;
    }
    // A refused write (the server's error, a row changed by someone else) was told by
    // GRABA_PERSONAL; the file stays open with the edits.
    if (!GRABA_PERSONAL(ors_, b_, isNew_, conn_, s_, ui_)) return false;
    saved_ = true;
    accept();
    return true;
}

bool EDITA_PERSONAL(QWidget* parent, Session& s, UiPort& ui, Recordset& ors, bool isNew) {
    std::shared_ptr<Connection> conn = s.OCON;
    if (!conn) {
        if (!CONECTA(s, ui, conn)) return false;
        s.OCON = conn;  // the code fields and the APV plans work on the session's connection
    }
    WorkerBuffer buffer;
    if (!openWorkerFile(buffer, s, ui, *conn, ors, isNew)) return false;
    WorkerFileDialog dlg(buffer, s, ui, *conn, ors, isNew, parent);
    if (observer()) observer()(dlg);
    dlg.exec();
    return dlg.saved();
}

}  // namespace remu
