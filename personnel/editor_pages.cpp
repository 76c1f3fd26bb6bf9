#include "personnel/editor_pages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <tuple>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/db_error.h"
#include "data/recordset.h"
#include "format/helpers.h"
#include "format/text.h"
#include "personnel/apv.h"
#include "personnel/apv_group.h"
#include "personnel/contfin_dialog.h"
#include "widgets/lookup_field.h"
#include "widgets/tget.h"
#include "widgets/twbrowse.h"

namespace remu {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QIcon icon(const char* theme, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(theme, qApp->style()->standardIcon(fallback));
}

void navy(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 128));
    p.setColor(QPalette::Text, QColor(0, 0, 128));
    w->setPalette(p);
}

std::string headerText(const WorkerBuffer& b) { return trim(b.CCODIGO_PER) + " " + b.CNOMBRE; }

}  // namespace

// ---------------------------------------------------------------- the page helpers

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

// ---------------------------------------------------------------- page 1

PersonalPage::PersonalPage(WorkerFileContext& c, QWidget* parent) : WorkerFilePage(1, c, parent) {
    const bool member = memberVariant(c.s);
    setObjectName(member ? "ODLG_PERSON_EDITAH1_QUERNEL" : "ODLG_PERSON_EDITAH1");
    WorkerBuffer& b = c.b;
    auto* lay = new QGridLayout(this);
    lay->addWidget(header(139, [&b] { return b.CNOMBRE; }), 0, 0, 1, 4);

    int row = 1;
    auto put = [&](const char* text, QWidget* w, int col = 0, int span = 1) {
        lay->addWidget(new QLabel(text, this), row, col);
        lay->addWidget(w, row, col + 1, 1, span);
    };
    auto* code = field(105, b.CCODIGO_PER, "@!", width::CODIGO);
    code->setMaximumWidth(80);
    code->setValid([this, &b] {
        b.CCODIGO_PER = padRight(trim(b.CCODIGO_PER), width::CODIGO);
        ZEROS_FF(b.CCODIGO_PER);
        const bool free = CODIGO_EXISTE(c_.conn, c_.s.period, b.CCODIGO_PER, c_.isNew, c_.ui);
        if (c_.codeChanged) c_.codeChanged();
        c_.refreshAll();
        return free;
    });
    put("CODIGO INTERNO", code);
    ++row;
    auto nameField = [&](int id, const char* text, std::string& var, size_t width) {
        auto* f = field(id, var, "@!", width);
        f->setValid([this, &b] {
            b.CNOMBRE = composedName(b);
            c_.refreshAll();
            return true;
        });
        put(text, f, 0, 3);
        ++row;
    };
    nameField(106, "Nombres", b.CNOMBRES, width::NOMBRES);
    nameField(107, "Apellido Paterno", b.CAPEPAT, width::APELLIDO);
    nameField(108, "Apellido Materno", b.CAPEMAT, width::APELLIDO);
    put("Dirección", field(109, b.CDIRECCION, "@!", width::DIRECCION), 0, 3);
    ++row;
    put("Comuna", field(110, b.CCOMUNA, "@!", width::COMUNA));
    put("Ciudad", field(111, b.CCIUDAD, "@!", width::CIUDAD), 2);
    ++row;
    auto* rut = field(112, b.CRUT, "@!", width::RUT);
    rut->setValid([this, &b] {
        if (isBlank(b.CRUT)) return true;
        b.CRUT = padRight(trim(b.CRUT), width::RUT);
        ZEROS_FF(b.CRUT);
        const bool ok = RUT_FF(trim(b.CRUT), c_.ui);
        c_.refreshAll();
        return ok;
    });
    put("RUT", rut);
    ++row;
    auto dateField = [&](int id, Date& var) {
        auto* f = field(id, var);
        f->setValid([this] {
            c_.refreshAll();  // the vacations follow the contract and working-life dates
            return true;
        });
        return f;
    };
    put("Fecha Nacimiento", dateField(113, b.DFECHA_NAC));
    put("Fecha Inicio Laboral", dateField(114, b.DFECHA_INI_LAB), 2);
    ++row;
    put("Fecha Contrato", dateField(115, b.DFECHA_CONTRATO));
    put("Fecha Término", dateField(116, b.DFECHA_TERMINO), 2);
    ++row;
    put("Teléfono", field(128, b.CTELEFONO, "@!", width::TELEFONO));
    put("Correo", field(122, b.CCORREO, "", width::CORREO), 2);
    ++row;

    auto* groups = new QHBoxLayout;
    auto group = [&](const char* title, const std::vector<std::pair<int, const char*>>& items, int& var) {
        auto* g = new QGroupBox(title, this);
        radios(items, var, g);
        groups->addWidget(g);
        return g;
    };
    group("Estado Civil", {{117, "Soltero"}, {118, "Casado"}, {119, "Otro"}}, b.NESTADO_CIVIL);
    group("Sexo", {{255, "Masculino"}, {256, "Femenino"}}, b.NSEXO);
    auto* nationality = group("Nacionalidad", {{133, "Chileno"}, {134, "Extranjero"}}, b.NNACIONALIDAD);
    if (member) static_cast<QVBoxLayout*>(nationality->layout())->addWidget(check(1140, "Socio cooperativa",
                                                                                  b.LCOMPROBANTE_PAGO, nationality));
    lay->addLayout(groups, row, 0, 1, 4);

    // The photo, beside the data.
    auto* photoBox = new QGroupBox("Foto (BMP)", this);
    auto* photoLay = new QVBoxLayout(photoBox);
    photo_ = new QLabel(photoBox);
    photo_->setObjectName("260");
    photo_->setFixedSize(150, 170);
    photo_->setFrameShape(QFrame::Box);
    photo_->setAlignment(Qt::AlignCenter);
    photoLay->addWidget(photo_, 0, Qt::AlignHCenter);
    auto* path = label(322, [&b] { return trim(b.CDIR_FOTO); }, photoBox);
    path->setMinimumWidth(150);
    path->setMaximumWidth(190);
    path->setWordWrap(true);
    photoLay->addWidget(path);
    auto* change = new QPushButton("Cambiar Imagen (BMP)", photoBox);
    change->setObjectName("121");
    change->setAutoDefault(false);
    enable(change, 121);
    connect(change, &QPushButton::clicked, this, &PersonalPage::changePhoto);
    photoLay->addWidget(change);
    auto* docs = new QPushButton(icon("x-office-document", QStyle::SP_FileIcon), "Contrato y Finiquito", photoBox);
    docs->setObjectName("234");
    docs->setAutoDefault(false);
    enable(docs, 234);
    connect(docs, &QPushButton::clicked, this, &PersonalPage::documents);
    photoLay->addWidget(docs);
    photoLay->addStretch();
    lay->addWidget(photoBox, 1, 4, row, 1);
    lay->setRowStretch(row + 1, 1);
}

void PersonalPage::refresh() {
    WorkerFilePage::refresh();
    QPixmap picture;
    const std::string path = trim(c_.b.CDIR_FOTO);
    if (!path.empty() && picture.load(qs(path)))
        photo_->setPixmap(picture.scaled(photo_->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        photo_->setText("Sin foto");
}

void PersonalPage::changePhoto() {
    if (c_.s.workerBound()) return;
    std::string path;
    if (choosePhoto_) path = choosePhoto_();
    else
        path = QFileDialog::getOpenFileName(this, "Cambiar Imagen (BMP)", qs(trim(c_.b.CDIR_FOTO)),
                                            "Imágenes BMP (*.BMP *.bmp)")
                   .toStdString();
    c_.b.CDIR_FOTO = path;
    c_.refreshAll();
}

void PersonalPage::documents() {
    if (c_.s.workerBound()) return;
    const WorkerBuffer& b = c_.b;
    DocumentWorker w;
    w.CCODIGO_PER = b.CCODIGO_PER;
    w.CRUT = padRight(trim(b.CRUT), width::RUT);
    ZEROS_FF(w.CRUT);
    w.CNOMBRE = composedName(b);
    w.CDIRECCION = b.CDIRECCION;
    w.CCOMUNA = b.CCOMUNA;
    w.CCARGO = b.CCARGO;
    w.DFECHA_NAC = b.DFECHA_NAC;
    w.DFECHA_CONTRATO = b.DFECHA_CONTRATO;
    w.DFECHA_TERMINO = b.DFECHA_TERMINO;
    w.NESTADO_CIVIL = b.NESTADO_CIVIL;
    w.NSUELDO_BASE = b.NSUELDO_BASE;
    CONTFIN(this, c_.s, c_.ui, w);
}

// ---------------------------------------------------------------- page 2

EmploymentPage::EmploymentPage(WorkerFileContext& c, QWidget* parent) : WorkerFilePage(2, c, parent) {
    setObjectName("ODLG_PERSON_EDITAH2");
    WorkerBuffer& b = c.b;
    auto* lay = new QGridLayout(this);
    lay->addWidget(header(115, [&b] { return headerText(b); }), 0, 0, 1, 2);

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

// ---------------------------------------------------------------- page 3

PensionPage::PensionPage(WorkerFileContext& c, QWidget* parent) : WorkerFilePage(3, c, parent) {
    setObjectName("ODLG_PERSON_EDITAH3");
    WorkerBuffer& b = c.b;
    auto* lay = new QGridLayout(this);
    lay->addWidget(header(120, [&b] { return headerText(b); }), 0, 0, 1, 2);
    auto codeGroup = [&](const char* title, int id, int nameId, CodeKind kind, std::string& code, std::string& name,
                         int row, int col) {
        auto* g = new QGroupBox(title, this);
        new QVBoxLayout(g);
        codeField(id, nameId, kind, code, name, kind == CodeKind::WorkerType ? width::TIPO : width::AFP, g);
        lay->addWidget(g, row, col);
        return g;
    };
    codeGroup("Tipo Trabajador", 101, 102, CodeKind::WorkerType, b.CTIPO_TRABAJADOR, b.CTIPO_TRABAJADOR_DESCRIPCION,
              1, 0);
    codeGroup("AFP", 103, 104, CodeKind::Afp, b.CCODIGO_AFP, b.CNOMBRE_AFP, 1, 1);
    auto* ips = codeGroup("Instituto Previsión social (IPS)", 115, 116, CodeKind::Ips, b.CCODIGO_IPS, b.CNOMBRE_IPS,
                          2, 0);
    auto* unemployment = new QLabel("AFP recaudadora Seguro Cesantia", ips);
    static_cast<QVBoxLayout*>(ips->layout())->addWidget(unemployment);
    codeField(117, 118, CodeKind::UnemploymentAfp, b.CAFP_SEGURO_CESANTIA, b.CNOMBRE_AFP_SEGURO_CESANTIA, width::AFP,
              ips);

    auto* regime = new QGroupBox("Régimen Previsional Trabajador", this);
    auto* rl = new QVBoxLayout(regime);
    auto* regimeName = label(111, [&b] { return b.CNOMBRE_REGIMEN_PREVISIONAL; }, regime);
    QFont bold = regimeName->font();
    bold.setBold(true);
    regimeName->setFont(bold);
    rl->addWidget(regimeName);
    rl->addWidget(check(113, "Aplica Seguro Invalidez y Sobrevivencia (SIS)", b.LSIS, regime));
    lay->addWidget(regime, 2, 1);

    // The APV plans of the month (the group carries its own "APV" frame).
    apv_ = new ApvGroup(c.s, c.ui, this);
    apv_->setEditable(!c.s.workerBound());
    apv_->setWorkerName([&b] { return composedName(b); });
    apv_->load(c.s.period, b.CCODIGO_PER);
    lay->addWidget(apv_, 3, 0, 1, 2);
    lay->setRowStretch(3, 1);
}

void PensionPage::reloadPlans() { apv_->load(c_.s.period, c_.b.CCODIGO_PER); }

int PensionPage::apvPlans() const {
    try {
        return apvPlanCount(c_.conn, c_.s.period, c_.b.CCODIGO_PER);
    } catch (const DbError&) {
        return 0;  // the save's other checks and its write still run; the write tells a dead server
    }
}

// ---------------------------------------------------------------- page 4

HealthPage::HealthPage(WorkerFileContext& c, QWidget* parent) : WorkerFilePage(4, c, parent) {
    setObjectName("ODLG_PERSON_EDITAH4");
    WorkerBuffer& b = c.b;
    auto* lay = new QGridLayout(this);
    lay->addWidget(header(116, [&b] { return headerText(b); }), 0, 0, 1, 2);
    auto* health = new QGroupBox("INSTITUCIÓN SALUD", this);
    new QVBoxLayout(health);
    codeField(119, 120, CodeKind::Isapre, b.CCODIGO_ISA, b.CNOMBRE_ISA, width::AFP, health);
    lay->addWidget(health, 1, 0, 1, 2);

    auto* plan = new QGroupBox("Cotización Pactada", this);
    radios({{264, "Sin pactado"},
            {265, "UF"},
            {266, "Pesos"},
            {267, "Adicional plan AUGE en Pesos"},
            {268, "Adicional plan AUGE en U.F."}},
           b.NPACTADO_ISAPRE, plan, [&b](int) { VALIDA_PACTADO(b); });
    lay->addWidget(plan, 2, 0);

    auto* amounts = new QGridLayout;
    amounts->addWidget(new QLabel("Valor pactado", this), 0, 0);
    auto* agreed = field(222, b.NVALOR_PACTADO, "999,999.999");
    agreed->setValid([this, &b] {
        if (b.NVALOR_PACTADO == 0) {
            b.NADICIONAL_PESOS = 0;
            b.NPACTADO_ISAPRE = 1;
        }
        c_.refreshAll();
        return true;
    });
    amounts->addWidget(agreed, 0, 1);
    amounts->addWidget(new QLabel("Valor Adicional $", this), 1, 0);
    amounts->addWidget(field(223, b.NADICIONAL_PESOS, "9,999,999"), 1, 1);
    amounts->setRowStretch(2, 1);
    lay->addLayout(amounts, 2, 1);
    lay->setRowStretch(3, 1);
}

}  // namespace remu
