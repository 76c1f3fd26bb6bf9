#include "payslip/payslip_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <filesystem>

#include "data/query.h"
#include "data/sql.h"
#include "format/helpers.h"
#include "format/text.h"
#include "payslip/lookup_dialog.h"
#include "payslip/progress_dialog.h"
#include "widgets/print_job.h"
#include "widgets/qt_print_job.h"
#include "widgets/tget.h"

#ifdef REMU_HAVE_PDF_SLIPS
#include "payslip/mailing_dialog.h"
#include "payslip/mass_mail.h"
#include "payslip/pdf_slip.h"
#endif
#ifdef REMU_HAVE_SHEET_SLIPS
#include "payslip/sheet_slip.h"
#endif

namespace remu {

namespace {

bool blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// The client's port, with progress texts shown in the status label.
class StatusPort : public RelayPort {
public:
    StatusPort(UiPort& base, std::function<void(std::string_view)> show) : RelayPort(base), show_(std::move(show)) {}
    void progress(std::string_view text) override { show_(text); }

private:
    std::function<void(std::string_view)> show_;
};

[[maybe_unused]] void notAvailable(UiPort& ui) { ui.info("Esta opción aún no está disponible en esta versión del sistema", "Atención"); }

QIcon slipIcon(const char* own, const char* theme, QStyle::StandardPixmap fallback) {
    QIcon mine(QString(":/slip/") + own + ".png");
    if (!mine.availableSizes().isEmpty()) return mine;
    return QIcon::fromTheme(theme, qApp->style()->standardIcon(fallback));
}

QFont codeFont() {
    QFont f("Arial", 12);
    f.setBold(true);
    return f;
}

void darkBlue(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::Text, QColor(0, 0, 128));
    w->setPalette(p);
}

}  // namespace

void CAMBIA_PERIODO(Session& s) {
    if (s.N_MES >= 1 && s.N_MES <= static_cast<int>(s.TAB_MESES.size()))
        s.C_MES = charSubstr(s.TAB_MESES[s.N_MES - 1], 1, 2);
}

bool prepareLiquida(Session& s, UiPort& ui) {
    if (!CONECTA(s, ui, s.OCON)) return false;
    s.CSUBTITUFIRMA = "'V\xC2\xB0" "B\xC2\xB0 ADMINISTRACION'";
    s.LCCAF_MAS_FONASA = false;
    s.C_ANO = s.ANO_PUBLICO;
    auto fail = [&] {
        if (s.OCON) s.OCON->close();
        s.OCON.reset();
        return false;
    };
    try {
        const std::string year = sqlYear(s.C_ANO);
        s.TAB_MESES.clear();
        std::unique_ptr<Recordset> rs;
        if (BUSCA_X(rs, "SELECT * FROM " + sqlYearTable(year, "_meses") + " order by mes", *s.OCON, "  ", ui)) {
            for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
                std::string mes = trim(rs->Fields("mes").text());
                s.TAB_MESES.push_back(" " + mes + "-" + NOMES_FF(std::atoi(mes.c_str())));
                s.MES_PUBLICO = mes;
            }
        }
        if (!BUSCA_X(rs, "SELECT * FROM " + sqlYearTable(year, "_meses") + " order by mes desc", *s.OCON, "  ", ui)) {
            ui.alert("Debe seleccionar un mes de trabajo", "Atención");
            return fail();
        }
        s.MES_PUBLICO = trim(rs->Fields("mes").text());

        s.N_MES = static_cast<int>(s.TAB_MESES.size());
        if (!blank(s.MES_FIJO)) {
            // A fixed month that the year does not have leaves the latest one chosen.
            for (size_t i = 0; i < s.TAB_MESES.size(); ++i)
                if (charSubstr(s.TAB_MESES[i], 1, 2) == trim(s.MES_FIJO)) s.N_MES = static_cast<int>(i) + 1;
        }
        CAMBIA_PERIODO(s);

        s.CCENCOS = s.CCENCOS_NOMBRE = s.CCODIGO_PERD = s.CNOMBRE_PERD = s.CCODIGO_PERH = s.CNOMBRE_PERH = "    ";
        s.DFECHA = Clock::today();
        s.CPROCESO = " ";

        if (s.workerBound()) {
            if (BUSCA_X(rs,
                        "SELECT * FROM " + sqlYearTable(year, "_personal") + " where mes_per = " + sqlMonth(s.C_MES) +
                            " AND rut_per = " + sqlText(trim(s.CRUT_CONEXION_TRABAJADOR)) + " order by codigo_per",
                        *s.OCON, "  ", ui)) {
                s.CCODIGO_PERD = rs->Fields("codigo_per").text();
                // The worker sees whose slip he is about to get.
                s.CNOMBRE_PERD = rs->Fields("nombre_per").text();
            }
        }
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), "Error");
        return fail();
    }
    return true;
}

PayslipDialog::PayslipDialog(Session& s, UiPort& ui, PayslipDialogOptions options, QWidget* parent)
    : QDialog(parent), s_(s), ui_(ui), opt_(std::move(options)) {
    setObjectName("ODLG_LIQUID");
    setWindowTitle("LIQUIDACION DE SUELDO");
    auto noWorker = [this] { return !s_.workerBound(); };
    auto* lay = new QGridLayout(this);

    // Period
    auto* year = new QComboBox(this);
    year->setObjectName("145");
    for (const auto& y : s_.TABLA_ANO) year->addItem(QString::fromStdString(y));
    if (year->findText(QString::fromStdString(s_.C_ANO)) < 0) year->addItem(QString::fromStdString(s_.C_ANO));
    year->setCurrentText(QString::fromStdString(s_.C_ANO));
    year->setEnabled(false);
    month_ = new QComboBox(this);
    month_->setObjectName("134");
    for (const auto& m : s_.TAB_MESES) month_->addItem(QString::fromStdString(m));
    month_->setCurrentIndex(s_.N_MES - 1);
    connect(month_, &QComboBox::currentIndexChanged, this, [this](int i) {
        s_.N_MES = i + 1;
        CAMBIA_PERIODO(s_);
    });
    lay->addWidget(new QLabel("AÑO", this), 0, 0);
    lay->addWidget(year, 0, 1);
    lay->addWidget(new QLabel("MES", this), 0, 2);
    lay->addWidget(month_, 0, 3);

    auto codeField = [&](const char* id, std::string& var, QWidget* owner) {
        auto* f = new TGET(owner);
        f->setObjectName(id);
        f->bind(var);
        f->setPicture("@!");
        f->setFont(codeFont());
        darkBlue(f);
        f->setWhen(noWorker);
        return f;
    };
    auto nameLabel = [&](const char* id, QWidget* owner) {
        auto* l = new QLabel(owner);
        l->setObjectName(id);
        l->setMinimumWidth(220);
        return l;
    };
    auto lookupButton = [&](QWidget* owner, std::function<void()> action) {
        auto* b = new QToolButton(owner);
        b->setIcon(slipIcon("lupa", "edit-find", QStyle::SP_FileDialogContentsView));
        b->setToolTip("Buscar");
        setEnablingCondition(b, [this] { return !s_.workerBound(); });
        connect(b, &QToolButton::clicked, this, std::move(action));
        return b;
    };

    // Cost centre
    auto* cc = new QGroupBox("Centro Costo", this);
    cc->setObjectName("206");
    auto* ccLay = new QHBoxLayout(cc);
    auto* ccField = codeField("209", s_.CCENCOS, cc);
    auto* ccName = nameLabel("250", cc);
    ccField->setValid([this] { return validCostCentre(); });
    ccField->setKeyAction(Qt::Key_F12, [this] { lookupCostCentre(); });
    ccLay->addWidget(new QLabel("Código", cc));
    ccLay->addWidget(ccField);
    ccLay->addWidget(lookupButton(cc, [this] { lookupCostCentre(); }));
    ccLay->addWidget(ccName, 1);
    lay->addWidget(cc, 1, 0, 1, 4);

    // Worker range
    auto* wk = new QGroupBox("Trabajador", this);
    wk->setObjectName("207");
    auto* wkLay = new QGridLayout(wk);
    auto* from = codeField("202", s_.CCODIGO_PERD, wk);
    auto* to = codeField("203", s_.CCODIGO_PERH, wk);
    from->setValid([this] { return validWorker(s_.CCODIGO_PERD, s_.CNOMBRE_PERD, false); });
    to->setValid([this] { return validWorker(s_.CCODIGO_PERH, s_.CNOMBRE_PERH, true); });
    from->setKeyAction(Qt::Key_F12, [this, from] { lookupWorker(s_.CCODIGO_PERD, s_.CNOMBRE_PERD, from, true); });
    to->setKeyAction(Qt::Key_F12, [this, to] { lookupWorker(s_.CCODIGO_PERH, s_.CNOMBRE_PERH, to, true); });
    wkLay->addWidget(new QLabel("Del", wk), 0, 0);
    wkLay->addWidget(from, 0, 1);
    wkLay->addWidget(lookupButton(wk, [this, from] { lookupWorker(s_.CCODIGO_PERD, s_.CNOMBRE_PERD, from, false); }),
                     0, 2);
    wkLay->addWidget(nameLabel("251", wk), 0, 3);
    wkLay->addWidget(new QLabel("Al", wk), 1, 0);
    wkLay->addWidget(to, 1, 1);
    wkLay->addWidget(lookupButton(wk, [this, to] { lookupWorker(s_.CCODIGO_PERH, s_.CNOMBRE_PERH, to, false); }), 1,
                     2);
    wkLay->addWidget(nameLabel("252", wk), 1, 3);
    wkLay->setColumnStretch(3, 1);
    lay->addWidget(wk, 2, 0, 1, 4);

    // Date of the slip
    auto* date = new TGET(this);
    date->setObjectName("204");
    date->bind(s_.DFECHA);
    date->setFont(codeFont());
    darkBlue(date);
    lay->addWidget(new QLabel("Fecha", this), 3, 0);
    lay->addWidget(date, 3, 1);

    // Outputs
    auto* outputs = new QHBoxLayout;
    auto button = [&](const char* id, const char* text, QIcon icon, std::function<void()> action) {
        auto* b = new QPushButton(icon, text, this);
        b->setObjectName(id);
        b->setIconSize(QSize(24, 24));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, std::move(action));
        outputs->addWidget(b);
        return b;
    };
    button("354", "Vista Previa", slipIcon("vistaprevia", "document-print-preview", QStyle::SP_FileDialogDetailedView),
           [this] { preview(); });
    button("355", "Excel", slipIcon("excel", "x-office-spreadsheet", QStyle::SP_FileDialogListView), [this] {
        s_.CPROCESO = "Un momento por favor.. ";
        refreshStatus();
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
#ifdef REMU_HAVE_SHEET_SLIPS
        SheetSlipRun run;
        run.workDir = opt_.workDir;
        run.calculate = [this] { return calculate({}, {}); };
        run.statusChanged = [this] { refreshStatus(); };
        LIQUI_EXCEL(s_, ui_, run);
#else
        notAvailable(ui_);
#endif
        s_.CPROCESO = " ";
        refreshAll();
    });
    button("356", "Selección Impresora", slipIcon("selimpre", "printer", QStyle::SP_ComputerIcon),
           [] { PRINTERSETUP(); });
    button("357", "Imprimir", slipIcon("impresora", "document-print", QStyle::SP_DialogSaveButton),
           [this] { print(); });
    lay->addLayout(outputs, 4, 0, 1, 4);

    auto* admin = new QHBoxLayout;
    auto adminButton = [&](const char* id, const char* text, std::function<void()> action) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(id);
        b->setAutoDefault(false);
        setEnablingCondition(b, [this] { return !s_.workerBound(); });
        connect(b, &QPushButton::clicked, this, std::move(action));
        admin->addWidget(b);
    };
    adminButton("358", "Genera PDF individual", [this] {
#ifdef REMU_HAVE_PDF_SLIPS
        PdfSlipOptions o;
        o.workDir = opt_.workDir;
        // "Generando en PDF .. " and the like go to the status label while the files are written.
        StatusPort status(ui_, [this](std::string_view text) {
            s_.CPROCESO = std::string(text);
            refreshStatus();
        });
        auto r = LIQUI_PDF(s_, status, [this] { return calculate({}, {}); }, o);
        s_.CPROCESO = " ";
        refreshAll();
        if (r.ok && r.queueAsked) showMailAccount(this, "Cola de correos", r.account);
#else
        notAvailable(ui_);
#endif
    });
    adminButton("359", "Abre Carpeta PDFS", [this] {
        ui_.openFile((std::filesystem::absolute(opt_.workDir) / "PDFS").lexically_normal().string());
    });
    adminButton("360", "Envio Masivo por correo", [this] {
#ifdef REMU_HAVE_PDF_SLIPS
        MassMailOptions o;
        o.workDir = opt_.workDir;
        o.shared = SharedAddresses::Ask;
        if (auto plan = prepareMassMail(s_, ui_, o)) {
            MailingDialog mailing(std::move(*plan), this);
            mailing.exec();
        }
#else
        notAvailable(ui_);
#endif
    });
    lay->addLayout(admin, 5, 0, 1, 4);

    status_ = new QLabel(this);
    status_->setObjectName("135");
    status_->setFont(QFont("Arial", 18));
    status_->setMinimumHeight(34);
    lay->addWidget(status_, 6, 0, 1, 3);
    auto* door = new QToolButton(this);
    door->setObjectName("502");
    door->setIcon(slipIcon("puerta2", "application-exit", QStyle::SP_DialogCloseButton));
    door->setIconSize(QSize(32, 32));
    door->setToolTip("Salir");
    connect(door, &QToolButton::clicked, this, &QDialog::accept);
    lay->addWidget(door, 6, 3, Qt::AlignRight);

    refreshAll();
}

void PayslipDialog::refreshAll() {
    refreshControls(this);
    if (auto* l = findChild<QLabel*>("250")) l->setText(QString::fromStdString(s_.CCENCOS_NOMBRE));
    if (auto* l = findChild<QLabel*>("251")) l->setText(QString::fromStdString(s_.CNOMBRE_PERD));
    if (auto* l = findChild<QLabel*>("252")) l->setText(QString::fromStdString(s_.CNOMBRE_PERH));
    refreshStatus();
}

void PayslipDialog::refreshStatus() {
    statusHistory_.push_back(s_.CPROCESO);
    status_->setText(QString::fromStdString(s_.CPROCESO));
    status_->repaint();
}

bool PayslipDialog::calculate(const std::string& from, const std::string& to) {
    if (opt_.calculate) return opt_.calculate(from, to);
    return CALCULA_REMUN_DIALOG(this, s_, ui_, from, to, opt_.workDir);
}

void PayslipDialog::runOutput(const char* mode) {
    // A bound worker without a code of his own in the month must never get the whole company's slips.
    if (s_.workerBound() && blank(s_.CCODIGO_PERD)) {
        ui_.alert("Trabajador No Encontrado", "Alerta");
        return;
    }
    s_.CPROCESO = "Un momento por favor.. ";
    refreshStatus();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    PrintedSlipRun run;
    run.workDir = opt_.workDir;
    run.calculate = [this](const std::string& from, const std::string& to) { return calculate(from, to); };
    run.statusChanged = [this] { refreshStatus(); };
    const std::string workerName = s_.CNOMBRE_PERD;
    LIQUIDA2(mode, s_, ui_, run);
    s_.CPROCESO = " ";
    // The slip clears the range names; the bound worker's own stays in sight.
    if (s_.workerBound()) s_.CNOMBRE_PERD = workerName;
    refreshAll();
}

bool PayslipDialog::validCostCentre() {
    s_.CCENCOS_NOMBRE = std::string(30, ' ');
    bool ok = true;
    if (!blank(s_.CCENCOS) && s_.OCON) {
        try {
            std::unique_ptr<Recordset> rs;
            if (BUSCA_X(rs,
                        "SELECT * FROM " + sqlName(trim(s_.CID_CLIENTE_CONT)) + "." + sqlYearTable(s_.C_ANO, "_centrocosto") +
                            " WHERE codigo_cc = " + sqlText(trim(s_.CCENCOS)),
                        *s_.OCON, "  ", ui_))
                s_.CCENCOS_NOMBRE = rs->Fields("nombre_cc").text();
            else
                ok = false;
        } catch (const BadIdentifier& e) {
            ui_.stop(e.what(), "Error");
            ok = false;
        }
    }
    refreshAll();
    return ok;
}

bool PayslipDialog::validWorker(std::string& code, std::string& name, bool isTo) {
    if (blank(code) || !s_.OCON) return true;
    ZEROS_FF(code);
    bool ok = true;
    try {
        std::unique_ptr<Recordset> rs;
        if (BUSCA_X(rs,
                    "SELECT * FROM " + sqlYearTable(s_.C_ANO, "_personal") + " where mes_per = " + sqlMonth(s_.C_MES) +
                        " and codigo_per = " + sqlText(trim(code)),
                    *s_.OCON, isTo ? "trabajador" : "  ", ui_)) {
            name = rs->Fields("nombre_per").text();
        } else {
            name = std::string(30, ' ');
            ok = !isTo;
        }
    } catch (const BadIdentifier& e) {
        ui_.stop(e.what(), "Error");
        ok = false;
    }
    refreshAll();
    return ok;
}

void PayslipDialog::lookupCostCentre() {
    if (s_.workerBound() || !s_.OCON) return;
    try {
        std::unique_ptr<Recordset> rs;
        if (AYUDA_Y(rs,
                    "SELECT * FROM " + sqlName(trim(s_.CID_CLIENTE_CONT)) + "." + sqlYearTable(s_.C_ANO, "_centrocosto") +
                        " ORDER BY codigo_cc",
                    "corta", "codigo_cc", "nombre_cc", *s_.OCON, ui_, this)) {
            s_.CCENCOS = rs->Fields("codigo_cc").text();
            s_.CCENCOS_NOMBRE = rs->Fields("nombre_cc").text();
        }
    } catch (const BadIdentifier& e) {
        ui_.stop(e.what(), "Error");
    }
    refreshAll();
    if (auto* f = findChild<TGET*>("209")) f->setFocus();
}

void PayslipDialog::lookupWorker(std::string& code, std::string& name, TGET* field, bool allOfMonth) {
    if (s_.workerBound() || !s_.OCON) return;
    try {
        const std::string year = sqlYear(s_.C_ANO), month = sqlMonth(s_.C_MES);
        std::string sql = allOfMonth ? "SELECT * FROM " + sqlYearTable(year, "_personal") + " where mes_per = " + month +
                                           " order by codigo_per"
                                     : "SELECT * FROM " + sqlYearTable(year, "_personal") + " where mes_per = " + month +
                                           " AND anomes_termino_per >= " + year + month +
                                           " OR (anomes_termino_per = 0 AND mes_per = " + month +
                                           ") order by codigo_per";
        std::unique_ptr<Recordset> rs;
        if (AYUDA_Y(rs, sql, "corta", "codigo_per", "nombre_per", *s_.OCON, ui_, this)) {
            code = rs->Fields("codigo_per").text();
            name = rs->Fields("nombre_per").text();
        }
    } catch (const BadIdentifier& e) {
        ui_.stop(e.what(), "Error");
    }
    refreshAll();
    field->setFocus();
}

void LIQUIDA(QWidget* parent, Session& s, UiPort& ui) {
    if (!prepareLiquida(s, ui)) return;
    // The client's outputs go to the Qt print job and its preview window.
    installQtPrinting(&ui);
    {
        PayslipDialog dlg(s, ui, {}, parent);
        dlg.exec();
    }
    if (s.OCON) s.OCON->close();
    s.OCON.reset();
}

}  // namespace remu
