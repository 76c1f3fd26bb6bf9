#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "widgets/tget.h"
#include "widgets/tpreview.h"

namespace remu {

PrintRangeDialog::PrintRangeDialog(int pageCount, int currentPage, QWidget* parent)
    : QDialog(parent), count_(pageCount), current_(currentPage), to_(pageCount) {
    setWindowTitle("Imprimir");
    auto* grid = new QGridLayout(this);
    all_ = new QRadioButton("Todo");
    currentPage_ = new QRadioButton("Página Actual");
    range_ = new QRadioButton("Páginas");
    all_->setChecked(true);
    fromField_ = new TGET;
    toField_ = new TGET;
    fromField_->setPicture("@K 99999");
    toField_->setPicture("@K 99999");
    fromField_->bind(from_);
    toField_->bind(to_);
    auto rangeOn = [this] { return range_->isChecked(); };
    fromField_->setWhen(rangeOn);
    toField_->setWhen(rangeOn);
    fromField_->setValid([this] {
        if (from_ >= 1 && from_ <= count_) return true;
        QApplication::beep();
        return false;
    });
    toField_->setValid([this] {
        if (to_ >= from_ && to_ <= count_) return true;
        QApplication::beep();
        return false;
    });
    for (auto* r : {all_, currentPage_, range_})
        connect(r, &QRadioButton::toggled, this, [this] { refreshControls(this); });
    grid->addWidget(all_, 0, 0, 1, 4);
    grid->addWidget(currentPage_, 1, 0, 1, 4);
    grid->addWidget(range_, 2, 0);
    grid->addWidget(new QLabel("Desde:"), 2, 1);
    grid->addWidget(fromField_, 2, 2);
    grid->addWidget(new QLabel("Hasta:"), 2, 3);
    grid->addWidget(toField_, 2, 4);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText("Aceptar");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancelar");
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        // A range typed without leaving its field is checked here too.
        fromField_->assign();
        toField_->assign();
        if (range_->isChecked() && !(from_ >= 1 && from_ <= count_ && to_ >= from_ && to_ <= count_)) {
            QApplication::beep();
            (from_ >= 1 && from_ <= count_ ? toField_ : fromField_)->setFocus();
            return;
        }
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, 3, 0, 1, 5);
}

void PrintRangeDialog::choose(Choice c) {
    (c == Choice::All ? all_ : c == Choice::Current ? currentPage_ : range_)->setChecked(true);
}

int PrintRangeDialog::from() const {
    if (currentPage_->isChecked()) return current_;
    return range_->isChecked() ? from_ : 1;
}

int PrintRangeDialog::to() const {
    if (currentPage_->isChecked()) return current_;
    return range_->isChecked() ? to_ : count_;
}

}  // namespace remu
