#include "personnel/editor_pages.h"

#include <QFont>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "core/session.h"
#include "data/db_error.h"
#include "personnel/apv.h"
#include "personnel/apv_group.h"
#include "widgets/lookup_field.h"
#include "widgets/tget.h"

namespace remu {

PensionPage::PensionPage(WorkerFileContext& c, QWidget* parent) : WorkerFilePage(3, c, parent) {
    setObjectName("ODLG_PERSON_EDITAH3");
    WorkerBuffer& b = c.b;
    auto* lay = new QGridLayout(this);
    lay->addWidget(workerHeader(120), 0, 0, 1, 2);
    auto codeGroup = [&](const char* title, int id, int nameId, CodeKind kind, std::string& code, std::string& name,
                         int row, int col) {
        auto* g = new QGroupBox(title, this);
        new QVBoxLayout(g);
        codeField(id, nameId, kind, code, name, kind == CodeKind::WorkerType ? width::TIPO : width::AFP, g);
        lay->addWidget(g, row, col);
        return g;
    };
    codeGroup("Tipo Trabajador", 101, 102, CodeKind::WorkerType, b.CTIPO_TRABAJADOR, b.CTIPO_TRABAJADOR_DESCRIPCION,
              1, 0);
    codeGroup("AFP", 103, 104, CodeKind::Afp, b.CCODIGO_AFP, b.CNOMBRE_AFP, 1, 1);
    auto* ips = codeGroup("Instituto Previsión social (IPS)", 115, 116, CodeKind::Ips, b.CCODIGO_IPS, b.CNOMBRE_IPS,
                          2, 0);
    auto* unemployment = new QLabel("AFP recaudadora Seguro Cesantia", ips);
    static_cast<QVBoxLayout*>(ips->layout())->addWidget(unemployment);
    codeField(117, 118, CodeKind::UnemploymentAfp, b.CAFP_SEGURO_CESANTIA, b.CNOMBRE_AFP_SEGURO_CESANTIA, width::AFP,
              ips);

    auto* regime = new QGroupBox("Régimen Previsional Trabajador", this);
    auto* rl = new QVBoxLayout(regime);
    auto* regimeName = label(111, [&b] { return b.CNOMBRE_REGIMEN_PREVISIONAL; }, regime);
    QFont bold = regimeName->font();
    bold.setBold(true);
    regimeName->setFont(bold);
    rl->addWidget(regimeName);
    rl->addWidget(check(113, "Aplica Seguro Invalidez y Sobrevivencia (SIS)", b.LSIS, regime));
    lay->addWidget(regime, 2, 1);

    // The APV plans of the month (the group carries its own "APV" frame).
    apv_ = new ApvGroup(c.s, c.ui, this);
    apv_->setEditable(!c.s.workerBound());
    apv_->setWorkerName([&b] { return composedName(b); });
    apv_->load(c.s.period, b.CCODIGO_PER);
    lay->addWidget(apv_, 3, 0, 1, 2);
    lay->setRowStretch(3, 1);
}

void PensionPage::reloadPlans() { apv_->load(c_.s.period, c_.b.CCODIGO_PER); }

int PensionPage::apvPlans() const {
    try {
        return apvPlanCount(c_.conn, c_.s.period, c_.b.CCODIGO_PER);
    } catch (const DbError&) {
        return 0;  // the save's other checks and its write still run; the write tells a dead server
    }
}

}  // namespace remu
