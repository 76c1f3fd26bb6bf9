#include "personnel/editor_pages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "widgets/lookup_field.h"
#include "widgets/tget.h"

namespace remu {

HealthPage::HealthPage(WorkerFileContext& c, QWidget* parent) : WorkerFilePage(4, c, parent) {
    setObjectName("ODLG_PERSON_EDITAH4");
    WorkerBuffer& b = c.b;
    auto* lay = new QGridLayout(this);
    lay->addWidget(workerHeader(116), 0, 0, 1, 2);
    auto* health = new QGroupBox("INSTITUCIÓN SALUD", this);
    new QVBoxLayout(health);
    codeField(119, 120, CodeKind::Isapre, b.CCODIGO_ISA, b.CNOMBRE_ISA, width::AFP, health);
    lay->addWidget(health, 1, 0, 1, 2);

    auto* plan = new QGroupBox("Cotización Pactada", this);
    radios({{264, "Sin pactado"},
            {265, "UF"},
            {266, "Pesos"},
            {267, "Adicional plan AUGE en Pesos"},
            {268, "Adicional plan AUGE en U.F."}},
           b.NPACTADO_ISAPRE, plan, [&b](int) { VALIDA_PACTADO(b); });
    lay->addWidget(plan, 2, 0);

    auto* amounts = new QGridLayout;
    amounts->addWidget(new QLabel("Valor pactado", this), 0, 0);
    auto* agreed = field(222, b.NVALOR_PACTADO, "999,999.999");
    agreed->setValid([this, &b] {
        if (b.NVALOR_PACTADO == 0) {
            b.NADICIONAL_PESOS = 0;
            b.NPACTADO_ISAPRE = 1;
        }
        c_.refreshAll();
        return true;
    });
    amounts->addWidget(agreed, 0, 1);
    amounts->addWidget(new QLabel("Valor Adicional $", this), 1, 0);
    amounts->addWidget(field(223, b.NADICIONAL_PESOS, "9,999,999"), 1, 1);
    amounts->setRowStretch(2, 1);
    lay->addLayout(amounts, 2, 1);
    lay->setRowStretch(3, 1);
}

}  // namespace remu
