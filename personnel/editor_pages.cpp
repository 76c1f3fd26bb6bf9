#include "personnel/editor_pages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/session.h"
#include "data/recordset.h"
#include "format/text.h"
#include "widgets/lookup_field.h"
#include "widgets/tget.h"

namespace remu {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

void navy(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 128));
    p.setColor(QPalette::Text, QColor(0, 0, 128));
    w->setPalette(p);
}

}  // namespace

WorkerFilePage::WorkerFilePage(int number, WorkerFileContext& c, QWidget* parent)
    : QWidget(parent), c_(c), number_(number) {}

void WorkerFilePage::refresh() {
    for (auto& show : showers_) show();
    refreshControls(this);
    // Padded texts wider than their field show their start, not their trailing blanks.
    for (auto* f : findChildren<TGET*>())
        if (!f->hasFocus()) f->setCursorPosition(0);
}

QWidget* WorkerFilePage::control(int id) const { return findChild<QWidget*>(QString::number(id)); }

void WorkerFilePage::enable(QWidget* w, int id) {
    setEnablingCondition(w, [this, id] {
        EnablingContext ctx{!c_.s.workerBound(), memberVariant(c_.s)};
        return controlEnabled(number_, id, c_.b, ctx);
    });
}

template <class T>
TGET* WorkerFilePage::bound(int id, T& var, const char* picture) {
    auto* f = new TGET(this);
    f->setObjectName(QString::number(id));
    f->bind(var);
    if (picture) f->setPicture(picture);
    navy(f);
    enable(f, id);
    return f;
}

TGET* WorkerFilePage::field(int id, std::string& var, const char* picture, size_t width) {
    auto* f = bound(id, var, picture);
    // Typing stops at the width; a longer stored text stays whole.
    if (width) f->setMaxLength(static_cast<int>(std::max(width, charLength(rtrim(var)))));
    return f;
}
TGET* WorkerFilePage::field(int id, double& var, const char* picture) { return bound(id, var, picture); }
TGET* WorkerFilePage::field(int id, int& var, const char* picture) { return bound(id, var, picture); }
TGET* WorkerFilePage::field(int id, Date& var) { return bound(id, var, nullptr); }

QButtonGroup* WorkerFilePage::radios(const std::vector<std::pair<int, const char*>>& items, int& var, QWidget* owner,
                                     std::function<void(int)> changed) {
    auto* group = new QButtonGroup(owner);
    group->setExclusive(false);  // a value outside the items shows none checked
    auto* lay = new QVBoxLayout(owner);
    std::vector<QRadioButton*> buttons;
    for (size_t i = 0; i < items.size(); ++i) {
        auto* r = new QRadioButton(items[i].second, owner);
        r->setObjectName(QString::number(items[i].first));
        group->addButton(r, static_cast<int>(i) + 1);
        enable(r, items[i].first);
        lay->addWidget(r);
        buttons.push_back(r);
    }
    showers_.push_back([group, &var] {
        for (auto* b : group->buttons()) {
            QSignalBlocker block(b);
            b->setChecked(group->id(b) == var);
        }
    });
    connect(group, &QButtonGroup::idClicked, this, [this, &var, changed](int value) {
        var = value;
        if (changed) changed(value);
        c_.refreshAll();
    });
    return group;
}

QCheckBox* WorkerFilePage::check(int id, const char* text, bool& var, QWidget* owner) {
    auto* box = new QCheckBox(text, owner);
    box->setObjectName(QString::number(id));
    enable(box, id);
    showers_.push_back([box, &var] {
        QSignalBlocker block(box);
        box->setChecked(var);
    });
    connect(box, &QCheckBox::toggled, this, [&var](bool on) { var = on; });
    return box;
}

QLabel* WorkerFilePage::label(int id, std::function<std::string()> text, QWidget* owner) {
    auto* l = new QLabel(owner);
    l->setObjectName(QString::number(id));
    l->setMinimumWidth(200);
    navy(l);
    showers_.push_back([l, text] { l->setText(qs(text())); });
    return l;
}

QLabel* WorkerFilePage::header(int id, std::function<std::string()> text) {
    auto* l = label(id, std::move(text), this);
    QFont big("Arial", 14);
    big.setBold(true);
    l->setFont(big);
    return l;
}

QLabel* WorkerFilePage::workerHeader(int id) {
    return header(id, [this] { return trim(c_.b.CCODIGO_PER) + " " + c_.b.CNOMBRE; });
}

LookupField* WorkerFilePage::codeField(int id, int nameId, CodeKind kind, std::string& code, std::string& name,
                                       size_t width, QWidget* owner) {
    auto* f = new LookupField(c_.s, c_.ui, owner);
    f->setObjectName(QString::number(id));
    f->setPicture("@!");
    f->setMaximumWidth(80);
    navy(f);
    LookupField::Lookup l;
    if (auto table = codeLookup(kind, c_.s)) {
        l.listSql = table->listSql;
        l.codeColumn = table->codeColumn;
        l.nameColumn = table->nameColumn;
        l.checkSql = LookupField::equalsCode(table->checkSql);
        l.label = table->label;
    }
    l.codeWidth = static_cast<int>(width);
    switch (kind) {
    case CodeKind::Bank:
    case CodeKind::CostCentre:
        l.when = LookupField::Check::OnEnterTabOrCode;
        l.missingCode = std::string(width, ' ');
        break;
    case CodeKind::WorkerType:
        // A type that is not there falls back to "0", and the focus moves on.
        l.when = LookupField::Check::Always;
        l.missingCode = held("0", width);
        l.focusBackWhenMissing = false;
        break;
    case CodeKind::Ips:
        l.focusBackWhenMissing = false;
        l.name = [this](const Recordset& row, bool) {
            const int rate = row.FieldIndex("mes_" + c_.s.period.monthText());
            return trim(row.Fields("nombre_afp").text()) + " " + (rate < 0 ? std::string() : trim(row.Fields(rate).text()));
        };
        break;
    default: break;
    }
    f->setLookup(std::move(l));
    f->bind(code, name);
    f->setNameLabel(label(nameId, [&name] { return name; }, owner));
    f->setAfter([this, kind](LookupField::Outcome) {
        WorkerBuffer& b = c_.b;
        if (kind == CodeKind::Ips && isBlank(b.CCODIGO_IPS)) {
            b.CNOMBRE_IPS = " ";
            b.CAFP_SEGURO_CESANTIA = std::string(width::AFP, ' ');
            b.CNOMBRE_AFP_SEGURO_CESANTIA = " ";
        }
        if (kind == CodeKind::WorkerType || kind == CodeKind::Afp || kind == CodeKind::Ips) VALIDA_REGIMEN_PREV(b);
        c_.refreshAll();
    });
    enable(f, id);
    auto* row = new QHBoxLayout;
    row->addWidget(f);
    row->addWidget(f->nameLabel(), 1);
    static_cast<QBoxLayout*>(owner->layout())->addLayout(row);  // the owner's box holds the row
    return f;
}

}  // namespace remu
