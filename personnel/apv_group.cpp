#include "personnel/apv_group.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QGroupBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/session.h"
#include "data/recordset.h"
#include "format/picture.h"
#include "format/text.h"
#include "personnel/apv.h"
#include "personnel/apv_plan_dialog.h"
#include "widgets/tget.h"
#include "widgets/twbrowse.h"

namespace remu {

namespace {

QIcon groupIcon(const char* theme, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(theme, qApp->style()->standardIcon(fallback));
}

std::string blanked(const std::string& text) { return " " + text + " "; }

}  // namespace

ApvGroup::ApvGroup(Session& s, UiPort& ui, QWidget* parent)
    : QWidget(parent),
      s_(s),
      ui_(ui),
      plans_(std::make_unique<ApvPlans>(s)),
      runDialog_([](QDialog& d) { d.exec(); }),
      editable_(!s.workerBound()) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* box = new QGroupBox("APV", this);
    outer->addWidget(box);
    auto* lay = new QHBoxLayout(box);

    grid_ = new TWBROWSE(box);
    grid_->setObjectName("155");
    grid_->setHeaders({"COD.", "Nombre Inst.APV", "Valor", "Formula"});
    grid_->setColumnWidths({40, 200, 60, 200});
    grid_->setRightJustified(3);
    grid_->setRowFunction([this]() -> std::vector<TWBROWSE::Cell> {
        Recordset* rs = plans_->rows();
        if (!rs || !rs->isOpen() || rs->Eof() || rs->Bof())
            return {std::string(" "), std::string(" "), std::string(" "), std::string(" ")};
        return {blanked(rs->Fields("codigo_inst_apv").text()), blanked(rs->Fields("nominst_apv").text()),
                blanked(TRANSFORM(rs->Fields("valor_apv").number(), "9,999,999")),
                blanked(rs->Fields("formula_apv").text())};
    });
    grid_->setDoubleClickAction([this](int, int, Qt::KeyboardModifiers) { changePlan(); });
    grid_->installEventFilter(this);
    grid_->setMinimumHeight(110);
    lay->addWidget(grid_, 1);

    auto* buttons = new QVBoxLayout;
    auto button = [&](const char* id, const char* text, QIcon icon, std::function<void()> action) {
        auto* b = new QToolButton(box);
        b->setObjectName(id);
        b->setText(text);
        b->setToolTip(text);
        b->setIcon(icon);
        b->setIconSize(QSize(24, 24));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(b, &QToolButton::clicked, this, std::move(action));
        buttons->addWidget(b);
        return b;
    };
    auto* add = button("108", "Nuevo", groupIcon("document-new", QStyle::SP_FileIcon), [this] { newPlan(); });
    auto* change = button("109", "Editar", groupIcon("document-edit", QStyle::SP_FileDialogDetailedView),
                          [this] { changePlan(); });
    auto* remove = button("110", "Elimina", groupIcon("edit-delete", QStyle::SP_TrashIcon), [this] { deletePlan(); });
    buttons->addStretch();
    lay->addLayout(buttons);
    setEnablingCondition(add, [this] { return editable_; });
    setEnablingCondition(change, [this] { return editable_ && plans_->current().has_value(); });
    setEnablingCondition(remove, [this] { return editable_ && plans_->current().has_value(); });

    grid_->setLength([this] { return plans_->count(); });
    grid_->setGoTop([this] {
        if (plans_->count() > 0) plans_->rows()->MoveFirst();
    });
    grid_->setGoBottom([this] {
        if (plans_->count() > 0) plans_->rows()->MoveLast();
    });
    // SKIPPER_APV: as far as the rows allow.
    grid_->setSkip([this](long n) -> long {
        if (plans_->count() < 1) return 0;
        Recordset& rs = *plans_->rows();
        long before = rs.AbsolutePosition();
        rs.Move(n);
        if (rs.Eof()) rs.MoveLast();
        else if (rs.Bof()) rs.MoveFirst();
        return rs.AbsolutePosition() - before;
    });
    setFocusProxy(grid_);
}

ApvGroup::~ApvGroup() = default;

bool ApvGroup::load(const Period& period, const std::string& workerCode) {
    bool ok = plans_->load(period, workerCode, ui_);
    grid_->goTop();
    refresh();
    return ok;
}

void ApvGroup::setEditable(bool administrator) {
    editable_ = administrator;
    refresh();
}

void ApvGroup::refresh() {
    refreshControls(this);
    grid_->refresh();
}

bool ApvGroup::eventFilter(QObject* watched, QEvent* e) {
    if (watched == grid_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && plans_->current()) {
            changePlan();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void ApvGroup::EDITA_APV_PERSON(bool isNew) {
    if (isNew ? !editable_ : !plans_->current()) return;
    if (!plans_->rows()) return;
    if (workerName_) plans_->setWorkerName(workerName_());
    ApvPlanDialog dialog(*plans_, isNew, s_, ui_, this);
    runDialog_(dialog);
    if (dialog.stored()) {
        grid_->goTop();
        emit plansChanged();
    }
    refresh();
    grid_->setFocus();
}

void ApvGroup::deletePlan() {
    if (!editable_ || !plans_->current()) return;
    if (plans_->remove(ui_)) emit plansChanged();
    refresh();
    grid_->setFocus();
}

}  // namespace remu
