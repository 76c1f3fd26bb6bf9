#include "payroll/formula_help_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "payroll/formula.h"

namespace remu {

namespace {

std::function<void(FormulaHelpDialog&)>& observer() {
    static std::function<void(FormulaHelpDialog&)> o;
    return o;
}

}  // namespace

void setFormulaHelpObserver(std::function<void(FormulaHelpDialog&)> o) { observer() = std::move(o); }

FormulaHelpDialog::FormulaHelpDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("ODLG_VARIABLES");
    setWindowTitle(QString::fromUtf8(kFormulaHelpTitle));
    auto* lay = new QVBoxLayout(this);
    auto* box = new QGroupBox(QString::fromUtf8(kFormulaHelpGroup), this);
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(16);
    QFont bold = font();
    bold.setBold(true);
    int row = 0;
    for (const auto& e : formulaHelpEntries()) {
        auto* name = new QLabel(QString::fromUtf8(e.name), box);
        name->setObjectName(QString("variable_%1").arg(e.name));
        name->setFont(bold);
        name->setTextInteractionFlags(Qt::TextSelectableByMouse);  // to copy it into a formula
        auto* explanation = new QLabel(QString::fromUtf8(e.explanation), box);
        grid->addWidget(name, row, 0);
        grid->addWidget(explanation, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    lay->addWidget(box);
    auto* close = new QPushButton(QString::fromUtf8(kFormulaHelpClose), this);
    close->setObjectName("380");
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    lay->addLayout(buttons);
    close->setDefault(true);
    close->setFocus();
}

void AYUVAR_MHD(QWidget* parent) {
    FormulaHelpDialog dlg(parent);
    if (parent) dlg.move(parent->window()->geometry().topLeft() + QPoint(24, 24));
    if (observer()) observer()(dlg);
    dlg.exec();
}

}  // namespace remu
