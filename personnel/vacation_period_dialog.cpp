#include "personnel/vacation_period_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include "personnel/vacations.h"
#include "widgets/tget.h"

namespace remu {

QIcon vacationIcon(const char* theme, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(theme, qApp->style()->standardIcon(fallback));
}

VacationPeriodDialog::VacationPeriodDialog(VacationFile& file, bool isNew, UiPort& ui, QWidget* parent)
    : QDialog(parent), file_(file), isNew_(isNew), ui_(ui) {
    setObjectName("ODLG_PERSON_MOV_VACA");
    setWindowTitle(isNew ? "Creando" : "modificando");
    auto* lay = new QGridLayout(this);

    start_ = new TGET(this);
    start_->setObjectName("107");
    start_->bind(file_.DFEC_INIV);
    // The end always belongs to the start shown beside it.
    start_->setValid([this] {
        recomputeEnd();
        return true;
    });
    days_ = new TGET(this);
    days_->setObjectName("108");
    days_->bind(file_.NDIA_VACA);
    days_->setPicture("999");
    days_->setValid([this] {
        recomputeEnd();
        return true;
    });
    end_ = new QLabel(this);
    end_->setObjectName("109");
    end_->setMinimumWidth(90);
    end_->setFrameShape(QFrame::StyledPanel);

    lay->addWidget(new QLabel("fecha inicio", this), 0, 0);
    lay->addWidget(start_, 0, 1);
    lay->addWidget(new QLabel("Dias a tomar", this), 1, 0);
    lay->addWidget(days_, 1, 1);
    lay->addWidget(new QLabel("fecha término", this), 2, 0);
    lay->addWidget(end_, 2, 1);

    auto button = [&](const char* id, const char* tip, QIcon icon) {
        auto* b = new QToolButton(this);
        b->setObjectName(id);
        b->setIcon(icon);
        b->setIconSize(QSize(32, 32));
        b->setToolTip(tip);
        return b;
    };
    accept_ = button("501", "Graba", vacationIcon("document-save", QStyle::SP_DialogSaveButton));
    auto* leave = button("502", "Salir", vacationIcon("application-exit", QStyle::SP_DialogCloseButton));
    connect(accept_, &QToolButton::clicked, this, &VacationPeriodDialog::acceptPeriod);
    connect(leave, &QToolButton::clicked, this, &QDialog::reject);
    // The button follows what is being typed, not only what was left in the fields.
    connect(start_, &QLineEdit::textEdited, this, &VacationPeriodDialog::updateAccept);
    connect(days_, &QLineEdit::textEdited, this, &VacationPeriodDialog::updateAccept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(accept_);
    buttons->addWidget(leave);
    lay->addLayout(buttons, 3, 0, 1, 2);

    showEnd();
    updateAccept();
}

void VacationPeriodDialog::showEnd() { end_->setText(QString::fromStdString(dateText(file_.DFEC_FINV))); }

void VacationPeriodDialog::updateAccept() {
    bool ok = false;
    auto start = start_->typedValue(&ok);
    bool dated = ok && !std::get<Date>(start).isNull();
    auto days = days_->typedValue(&ok);
    accept_->setEnabled(dated && ok && std::get<double>(days) > 0);
}

void VacationPeriodDialog::recomputeEnd() {
    if (!file_.endIsCurrent()) file_.FECHAFIN(ui_);
    showEnd();
    updateAccept();
}

void VacationPeriodDialog::acceptPeriod() {
    start_->assign();
    days_->assign();
    if (!file_.canAccept()) return;
    stored_ = file_.store(isNew_, ui_);
    showEnd();
    accept();
}

}  // namespace remu
