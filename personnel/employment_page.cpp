#include "personnel/editor_pages.h"

#include <QComboBox>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/session.h"
#include "format/text.h"
#include "widgets/lookup_field.h"
#include "widgets/tget.h"

namespace remu {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

EmploymentPage::EmploymentPage(WorkerFileContext& c, QWidget* parent) : WorkerFilePage(2, c, parent) {
    setObjectName("ODLG_PERSON_EDITAH2");
    WorkerBuffer& b = c.b;
    auto* lay = new QGridLayout(this);
    lay->addWidget(workerHeader(115), 0, 0, 1, 2);

    // Salary
    auto* salary = new QGroupBox("Sueldo Base", this);
    auto* sl = new QGridLayout(salary);
    unit_ = new QComboBox(salary);
    unit_->setObjectName("124");
    for (const auto& u : salaryUnits()) unit_->addItem(qs(u));
    enable(unit_, 124);
    showers_.push_back([this, &b] {
        QSignalBlocker block(unit_);
        unit_->setCurrentIndex(b.NMONEDA_SUELDO >= 1 && b.NMONEDA_SUELDO <= 7 ? b.NMONEDA_SUELDO - 1 : -1);
    });
    connect(unit_, &QComboBox::activated, this, [this, &b](int i) {
        b.NMONEDA_SUELDO = static_cast<int>(numericValue(unit_->itemText(i).toStdString().substr(0, 3)));
        // The salary follows the unit at once (pesos keep what was typed).
        if (b.NMONEDA_SUELDO != 1) VALIDA_SUELDO(b, c_.s);
        c_.refreshAll();
    });
    sl->addWidget(unit_, 0, 0);
    sl->addWidget(field(123, b.NSUELDO_BASE, "99,999,999"), 0, 1);
    sl->addWidget(new QLabel("UF/UTM/UDS/EURO", salary), 1, 0);
    auto* value = field(140, b.NMONEDA_SUELDO_VALOR, "999.99");
    value->setValid([this, &b] {
        VALIDA_SUELDO(b, c_.s);
        c_.refreshAll();
        return true;
    });
    sl->addWidget(value, 1, 1);
    sl->addWidget(check(136, "Sueldo patronal", b.LSUELDO_PATRONAL, salary), 2, 0, 1, 2);
    lay->addWidget(salary, 1, 0);

    auto* pay = new QGroupBox("Forma Pago Sueldo", this);
    radios({{258, "Efectivo"}, {259, "Cheque"}, {261, "Banco"}}, b.NFORMA_PAGO_SUELDO, pay, [&b](int value) {
        if (value != 1) return;
        b.CBANCO = std::string(width::BANCO, ' ');
        b.CBANCO_NOMBRE = " ";
        b.CCTABCO = std::string(width::CTABCO, ' ');
    });
    lay->addWidget(pay, 1, 1);

    auto* bank = new QGroupBox("BANCO", this);
    new QVBoxLayout(bank);
    codeField(227, 406, CodeKind::Bank, b.CBANCO, b.CBANCO_NOMBRE, width::BANCO, bank);
    auto* account = new QHBoxLayout;
    account->addWidget(new QLabel("No. Cuenta Banco", bank));
    account->addWidget(field(216, b.CCTABCO, "", width::CTABCO));
    static_cast<QVBoxLayout*>(bank->layout())->addLayout(account);
    lay->addWidget(bank, 2, 0);

    auto* job = new QGridLayout;
    job->addWidget(new QLabel("Cargo", this), 0, 0);
    job->addWidget(field(114, b.CCARGO, "@!", width::CARGO), 0, 1, 1, 3);
    job->addWidget(new QLabel("Tipo Jornada", this), 1, 0);
    day_ = new QComboBox(this);
    day_->setObjectName("132");
    day_->addItems({"Completa", "Parcial"});
    enable(day_, 132);
    showers_.push_back([this, &b] {
        QSignalBlocker block(day_);
        day_->setCurrentIndex(trim(b.CTIPO_JORNADA) == "Parcial" ? 1 : 0);
    });
    connect(day_, &QComboBox::activated, this, [this, &b](int i) {
        b.CTIPO_JORNADA = i == 1 ? "Parcial" : "Completa";
        if (i == 0) b.NDIAS_JORNADA_PARCIAL = 0;
        c_.refreshAll();
        if (i == 1) control(137)->setFocus();
        else day_->setFocus();
    });
    job->addWidget(day_, 1, 1);
    job->addWidget(new QLabel("Dias Jornada Parcial", this), 1, 2);
    job->addWidget(field(137, b.NDIAS_JORNADA_PARCIAL, "99"), 1, 3);
    lay->addLayout(job, 2, 1);

    auto* family = new QGroupBox("Cargas Familiares", this);
    auto* fl = new QHBoxLayout(family);
    fl->addWidget(new QLabel("Cantidad ", family));
    auto* count = field(213, b.NCARGAS, "99");
    count->setValid([this, &b] {
        if (b.NCARGAS == 0) b.CTRAMO = " ";
        c_.refreshAll();
        return true;
    });
    fl->addWidget(count);
    fl->addWidget(new QLabel("Tramo", family));
    bracket_ = new QComboBox(family);
    bracket_->setObjectName("214");
    bracket_->addItems({" ", "A", "B", "C", "D"});
    enable(bracket_, 214);
    showers_.push_back([this, &b] {
        QSignalBlocker block(bracket_);
        const int i = bracket_->findText(qs(trim(b.CTRAMO)));
        bracket_->setCurrentIndex(i < 0 ? 0 : i);
    });
    connect(bracket_, &QComboBox::activated, this,
            [this, &b](int i) { b.CTRAMO = bracket_->itemText(i).toStdString(); });
    fl->addWidget(bracket_);
    lay->addWidget(family, 3, 0);

    auto* insurance = new QGroupBox("Aporte Seguro Cesantia", this);
    radios({{130, "No afiliado"},
            {262, "Empleador (contrato plazo fijo)"},
            {263, "Afiliado Y Empleador (contrato plazo indefinido)"},
            {264, "+ 11 de servicio"}},
           b.NSEGURO_CESANTIA, insurance);
    lay->addWidget(insurance, 3, 1);

    auto* cost = new QGroupBox("Centro Costo", this);
    new QVBoxLayout(cost);
    codeField(209, 252, CodeKind::CostCentre, b.CCENCOS, b.CCENCOS_NOMBRE, width::CENCOS, cost);
    lay->addWidget(cost, 4, 0, 1, 2);
    lay->setRowStretch(5, 1);
}

}  // namespace remu
