#include "personnel/vacations_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/session.h"
#include "data/connection.h"
#include "format/picture.h"
#include "format/text.h"
#include "personnel/vacation_period_dialog.h"
#include "widgets/tget.h"
#include "widgets/twbrowse.h"

namespace remu {

namespace {

constexpr int kFirstFigureId = 3302;
constexpr const char* kFigurePicture = "9,999.99";

QString qs(const std::string& s) { return QString::fromStdString(s); }

void tint(QLabel* l, QColor colour) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
}

}  // namespace

VacationsPage::VacationsPage(VacationBuffer& buffer, Session& s, UiPort& ui, QWidget* parent)
    : QWidget(parent),
      buffer_(buffer),
      s_(s),
      ui_(ui),
      file_(std::make_unique<VacationFile>(s, buffer)),
      runDialog_([](QDialog& d) { d.exec(); }) {
    setObjectName("ODLG_PERSON_EDITAH5");
    auto admin = [this] { return !s_.workerBound(); };
    auto* lay = new QVBoxLayout(this);

    header_ = new QLabel(this);
    header_->setObjectName("3320");
    QFont big("Arial", 14);
    big.setBold(true);
    header_->setFont(big);
    tint(header_, QColor(0, 0, 128));
    lay->addWidget(header_);

    // Dates and figures
    auto* top = new QGridLayout;
    top->addWidget(new QLabel("Fecha Inicio Laboral", this), 0, 0);
    workingLife_ = new TGET(this);
    workingLife_->setObjectName("3100");
    workingLife_->bind(buffer_.DFECHA_INI_LAB);
    workingLife_->setWhen(admin);
    workingLife_->setValid([this] {
        ACTVACA();
        emit workingLifeStartChanged();
        return true;
    });
    top->addWidget(workingLife_, 0, 1);
    top->addWidget(new QLabel("Fecha Contrato", this), 1, 0);
    contract_ = new QLabel(this);
    contract_->setObjectName("3301");
    top->addWidget(contract_, 1, 1);

    auto* box = new QGroupBox("Saldo de Vacaciones", this);
    auto* grid = new QGridLayout(box);
    auto heading = [&](const char* text, int col) {
        auto* l = new QLabel(text, box);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(l, 0, col);
    };
    heading("Habiles", 1);
    heading("Corridos", 2);
    const char* rows[] = {"Dias Progresivos", "Dias Legales", "Total dias", "Dias Tomados", "Saldo de Dias"};
    figures_.resize(10);
    for (int r = 0; r < 5; ++r) {
        grid->addWidget(new QLabel(rows[r], box), r + 1, 0);
        for (int c = 0; c < 2; ++c) {
            int index = c * 5 + r;
            auto* l = new QLabel(box);
            l->setObjectName(QString::number(kFirstFigureId + index));
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->setMinimumWidth(80);
            l->setFrameShape(QFrame::StyledPanel);
            tint(l, r == 4 ? QColor(0, 100, 0) : QColor(0, 0, 128));
            figures_[index] = l;
            grid->addWidget(l, r + 1, c + 1);
        }
    }
    top->addWidget(box, 0, 2, 3, 1);
    top->setColumnStretch(3, 1);
    top->setRowStretch(2, 1);
    lay->addLayout(top);

    // Periods
    grid_ = new TWBROWSE(this);
    grid_->setObjectName("3401");
    grid_->setHeaders({"Fecha Inicio", "Dias", "Fecha Termino"});
    grid_->setColumnWidths({100, 70, 100});
    grid_->setRowFunction([this]() -> std::vector<TWBROWSE::Cell> {
        Recordset* rs = file_->rows();
        if (!rs || !rs->isOpen() || rs->Eof() || rs->Bof()) return {std::string(" "), std::string(" "), std::string(" ")};
        VacationPeriod p = vacationPeriod(*rs);
        return {" " + dateText(p.start) + " ", " " + TRANSFORM(p.days, "999") + " ", " " + dateText(p.end) + " "};
    });
    grid_->setMinimumHeight(140);
    lay->addWidget(grid_, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* id, const char* text, QIcon icon, std::function<void()> action) {
        auto* b = new QToolButton(this);
        b->setObjectName(id);
        b->setText(text);
        b->setIcon(icon);
        b->setIconSize(QSize(24, 24));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        connect(b, &QToolButton::clicked, this, std::move(action));
        buttons->addWidget(b);
        return b;
    };
    auto* add = button("3206", "Nuevo", vacationIcon("document-new", QStyle::SP_FileIcon), [this] { newPeriod(); });
    auto* change = button("3207", "Modifica", vacationIcon("document-edit", QStyle::SP_FileDialogDetailedView),
                          [this] { changePeriod(); });
    auto* remove = button("3203", "Elimina", vacationIcon("edit-delete", QStyle::SP_TrashIcon),
                          [this] { deletePeriod(); });
    auto* voucher = button("3204", "Imprime Comprobante de Vacaciones",
                           vacationIcon("document-print", QStyle::SP_DialogSaveButton), [this] { printVoucher(); });
    voucher->setToolTip("Imprime Comprobante");
    auto* sheet = button("3205", "Saldo de Vacaciones(Excel)",
                         vacationIcon("x-office-spreadsheet", QStyle::SP_FileDialogListView), [] {});
    setEnablingCondition(add, admin);
    setEnablingCondition(change, [this] { return !s_.workerBound() && file_->hasPeriods(); });
    setEnablingCondition(remove, admin);
    setEnablingCondition(sheet, admin);
    buttons->addStretch();
    lay->addLayout(buttons);

    reload();
    setFocusProxy(grid_);
}

VacationsPage::~VacationsPage() = default;

bool VacationsPage::reload() {
    bool ok = file_->load(ui_);
    if (Recordset* rs = file_->rows()) {
        bindRecordset(*grid_, *rs);
    } else {
        grid_->setLength([] { return 0L; });
        grid_->setGoTop({});
        grid_->setGoBottom({});
        grid_->setSkip([](long) { return 0L; });
    }
    // The figures are shown from the start, also for a worker without periods yet.
    ACTVACA();
    return ok;
}

void VacationsPage::ACTVACA() {
    file_->DIASVACA();
    afterRecompute();
}

void VacationsPage::afterRecompute() {
    showFigures();
    grid_->goTop();
    refreshAll();
}

void VacationsPage::showFigures() {
    const VacationFigures& f = file_->figures();
    const double values[10] = {f.DPRO_HAB, f.DIAS_HAB, f.TOT_HAB, f.USA_HAB, f.SAL_HAB,
                               f.DPRO_COR, f.DIAS_COR, f.TOT_COR, f.USA_COR, f.SAL_COR};
    for (int i = 0; i < 10; ++i) figures_[i]->setText(qs(TRANSFORM(values[i], kFigurePicture)));
}

QString VacationsPage::figureText(int id) const {
    int i = id - kFirstFigureId;
    return i >= 0 && i < 10 ? figures_[i]->text() : QString();
}

void VacationsPage::refreshAll() {
    header_->setText(qs(buffer_.CCODIGO_PER + " " + buffer_.CNOMBRE));
    contract_->setText(qs(dateText(buffer_.DFECHA_CONTRATO)));
    refreshControls(this);
    grid_->refresh();
}

void VacationsPage::EDITA_MOV_VACA(bool isNew) {
    if (s_.workerBound()) return;
    if (!isNew && !file_->currentPeriod()) return;
    file_->beginEdit(isNew, ui_);
    VacationPeriodDialog dialog(*file_, isNew, ui_, this);
    runDialog_(dialog);
    ACTVACA();
}

void VacationsPage::deletePeriod() {
    if (s_.workerBound()) return;
    file_->ELIMINA_VACA_PERSON(ui_);
    afterRecompute();
}

void VacationsPage::printVoucher() {
    if (!file_->COMP_VAC(ui_)) return;
    afterRecompute();
}

}  // namespace remu
