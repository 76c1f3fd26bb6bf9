#include "widgets/period_selectors.h"

#include <QComboBox>

#include "core/session.h"

namespace remu {

PeriodSelectors makePeriodSelectors(const Session& s, QWidget* parent) {
    PeriodSelectors p;
    p.year = new QComboBox(parent);
    p.year->setObjectName("145");
    const QString chosenYear = QString::fromStdString(s.period.yearText());
    for (const auto& y : s.TABLA_ANO) p.year->addItem(QString::fromStdString(y));
    if (p.year->findText(chosenYear) < 0) p.year->addItem(chosenYear);
    p.year->setCurrentText(chosenYear);
    p.year->setEnabled(false);
    p.month = new QComboBox(parent);
    p.month->setObjectName("134");
    for (const auto& m : s.TAB_MESES) p.month->addItem(QString::fromStdString(m));
    p.month->setCurrentIndex(s.N_MES - 1);
    return p;
}

}  // namespace remu
