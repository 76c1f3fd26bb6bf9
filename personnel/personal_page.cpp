#include "personnel/editor_pages.h"

#include <QApplication>
#include <QFileDialog>
#include <QFrame>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "core/session.h"
#include "core/ui_port.h"
#include "format/helpers.h"
#include "format/text.h"
#include "widgets/lookup_field.h"
#include "widgets/tget.h"

#include "personnel/contfin_dialog.h"

namespace remu {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QIcon icon(const char* theme, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(theme, qApp->style()->standardIcon(fallback));
}

}  // namespace

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

}  // namespace remu
