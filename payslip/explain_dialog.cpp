#include "payslip/explain_dialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "format/picture.h"
#include "format/text.h"
#include "payroll/constants.h"

namespace remu {

const char* lineKindText(int type, int taxable) {
    switch (type) {
        case LineType::Earning: return taxable == Taxable::No ? "Haber no imponible" : "Haber imponible";
        case LineType::Deduction: return "Descuento";
        case LineType::Information: return "Información";
        case LineType::EmployerCost: return "Aporte del empleador";
        default: return "";
    }
}

ExplainDialog::ExplainDialog(const std::vector<ExplainedLine>& lines, QWidget* parent) : QDialog(parent) {
    setObjectName("ODLG_EXPLICA");
    setWindowTitle("Cómo se obtuvo cada monto de la liquidación");
    auto* lay = new QVBoxLayout(this);
    if (!lines.empty()) {
        const PaySlipLine& first = lines.front().line;
        auto* who = new QLabel(QString::fromStdString("Trabajador " + trim(first.PERSON_REM) + "  " +
                                                      trim(first.APENOM_REM)),
                               this);
        QFont f = who->font();
        f.setBold(true);
        who->setFont(f);
        lay->addWidget(who);
    }

    table_ = new QTableWidget(static_cast<int>(lines.size()), 4, this);
    table_->setObjectName("lineas");
    table_->setHorizontalHeaderLabels({"Línea", "Tipo", "Monto", "Cómo se obtuvo"});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(true);
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        const ExplainedLine& e = lines[static_cast<size_t>(r)];
        auto item = [](const std::string& text) { return new QTableWidgetItem(QString::fromStdString(text)); };
        table_->setItem(r, 0, item(trim(e.line.DESCRI_REM)));
        table_->setItem(r, 1, item(lineKindText(e.line.TIPO_REM, e.line.IMPONI_REM)));
        auto* amount = item(trim(TRANSFORM(e.line.VALFIN_REM, "999,999,999")));
        amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(r, 2, amount);
        table_->setItem(r, 3, item(e.why.text.empty() ? "Sin detalle del cálculo." : e.why.text));
    }
    auto* header = table_->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lay->addWidget(table_);

    auto* close = new QPushButton("&Salir", this);
    close->setObjectName("380");
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    lay->addWidget(close, 0, Qt::AlignRight);
    resize(1100, 640);
}

}  // namespace remu
