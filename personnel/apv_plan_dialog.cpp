#include "personnel/apv_plan_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/sql.h"
#include "format/text.h"
#include "payroll/formula.h"
#include "payroll/formula_help_dialog.h"
#include "widgets/lookup_field.h"
#include "widgets/tget.h"

namespace remu {

namespace {

QIcon planIcon(const char* theme, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(theme, qApp->style()->standardIcon(fallback));
}

QToolButton* imageButton(QWidget* parent, const char* id, const char* tip, QIcon icon, int size) {
    auto* b = new QToolButton(parent);
    b->setObjectName(id);
    b->setIcon(icon);
    b->setIconSize(QSize(size, size));
    b->setToolTip(tip);
    return b;
}

}  // namespace

ApvPlanDialog::ApvPlanDialog(ApvPlans& plans, bool isNew, Session& s, UiPort& ui, QWidget* parent)
    : QDialog(parent), plans_(plans), isNew_(isNew), s_(s), ui_(ui), plan_(plans.begin(isNew)) {
    setObjectName("ODLG_PERSON_APV");
    setWindowTitle(isNew ? "Creando" : "modificando");
    auto* lay = new QGridLayout(this);

    // Institution
    institution_ = new LookupField(s_, ui_, this);
    institution_->setObjectName("107");
    LookupField::Lookup l;
    try {
        l.listSql = apvInstitutionsSql(s_.ID_CLIENTE);
        l.checkSql = LookupField::equalsCode(apvInstitutionPrefix(s_.ID_CLIENTE));
    } catch (const BadIdentifier&) {
        // No client database can have this name: the list and the check tell the user.
    }
    l.codeColumn = "codigo_inst_apv";
    l.nameColumn = "nombre_inst_apv";
    l.label = "Codigo institucion APV";
    l.missingName = std::string(30, ' ');
    l.codeWidth = 3;
    institution_->setLookup(l);
    institution_->bind(plan_.code, plan_.name);
    institutionName_ = new QLabel(this);
    institutionName_->setObjectName("112");
    institutionName_->setMinimumWidth(240);
    institutionName_->setFrameShape(QFrame::StyledPanel);
    institution_->setNameLabel(institutionName_);
    institution_->setAfter([this](LookupField::Outcome o) {
        if (o != LookupField::Outcome::Unchecked) nameFits_ = o != LookupField::Outcome::NotFound;
        updateAccept();
    });
    connect(institution_, &QLineEdit::textEdited, this, [this] { nameFits_ = false; });
    lay->addWidget(new QLabel("Código Institución", this), 0, 0);
    lay->addWidget(institution_, 0, 1);
    lay->addWidget(institutionName_, 0, 2, 1, 2);

    // Amount
    amount_ = new TGET(this);
    amount_->setObjectName("109");
    amount_->bind(plan_.amount);
    amount_->setPicture("9,999,999.99");
    lay->addWidget(new QLabel("Valor", this), 1, 0);
    lay->addWidget(amount_, 1, 1);

    // Formula
    auto* box = new QGroupBox("Forma de cálculo", this);
    auto* boxLay = new QGridLayout(box);
    formula_ = new TGET(box);
    formula_->setObjectName("203");
    formula_->bind(plan_.formula);
    formula_->setPicture("@S40!");
    formula_->setValid([this] { return VALIFORMU(plan_.formula, ui_); });
    formula_->setKeyAction(Qt::Key_F12, [this] { showVariables(); });
    auto* help = imageButton(box, "354", "Variables disponibles",
                             planIcon("edit-find", QStyle::SP_FileDialogContentsView), 24);
    connect(help, &QToolButton::clicked, this, &ApvPlanDialog::showVariables);
    boxLay->addWidget(formula_, 0, 0, 1, 2);
    boxLay->addWidget(help, 1, 0);
    boxLay->addWidget(new QLabel("Variables soportadas para cálculo", box), 1, 1);
    lay->addWidget(box, 2, 0, 1, 4);

    // Flags
    taxable_ = new QCheckBox("Rebaja Base tributable", this);
    taxable_->setObjectName("108");
    taxable_->setChecked(plan_.taxable);
    connect(taxable_, &QCheckBox::toggled, this, [this](bool on) { plan_.taxable = on; });
    off_ = new QCheckBox("Desactivado", this);
    off_->setObjectName("110");
    off_->setChecked(plan_.off);
    connect(off_, &QCheckBox::toggled, this, [this](bool on) { plan_.off = on; });
    lay->addWidget(taxable_, 3, 0, 1, 2);
    lay->addWidget(off_, 3, 2);

    accept_ = imageButton(this, "501", "Graba", planIcon("document-save", QStyle::SP_DialogSaveButton), 32);
    auto* leave = imageButton(this, "502", "Salir", planIcon("application-exit", QStyle::SP_DialogCloseButton), 32);
    connect(accept_, &QToolButton::clicked, this, [this] { acceptPlan(); });
    connect(leave, &QToolButton::clicked, this, &QDialog::reject);
    // The button follows what is being typed, not only what was left in the fields.
    for (TGET* f : {static_cast<TGET*>(institution_), amount_, formula_})
        connect(f, &QLineEdit::textEdited, this, &ApvPlanDialog::updateAccept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(accept_);
    buttons->addWidget(leave);
    lay->addLayout(buttons, 4, 0, 1, 4);
    lay->setColumnStretch(3, 1);

    updateAccept();
    institution_->setFocus();
}

void ApvPlanDialog::updateAccept() {
    ApvPlan typed = plan_;
    bool ok = true;
    typed.code = std::get<std::string>(institution_->typedValue());
    typed.formula = std::get<std::string>(formula_->typedValue());
    // Outside editing the field shows the amount with its thousands separators.
    auto amount = amount_->typedValue(&ok);
    if (ok) typed.amount = std::get<double>(amount);
    accept_->setEnabled(typed.canAccept());
}

void ApvPlanDialog::showVariables() {
    AYUVAR_MHD(this);
    formula_->setFocus(Qt::OtherFocusReason);
}

bool ApvPlanDialog::acceptPlan() {
    // The button takes no focus: what is in the fields has not been left yet.
    institution_->assign();
    amount_->assign();
    formula_->assign();
    updateAccept();
    if (!plan_.canAccept()) return false;
    // A code typed and never checked would be stored beside another institution's name.
    if (!nameFits_ && !institution_->check()) {
        institution_->setFocus(Qt::OtherFocusReason);
        return false;
    }
    nameFits_ = true;
    if (!VALIFORMU(plan_.formula, ui_)) {
        formula_->setFocus(Qt::OtherFocusReason);
        return false;
    }
    stored_ = plans_.store(plan_, isNew_, ui_);
    if (stored_) accept();
    return stored_;
}

}  // namespace remu
