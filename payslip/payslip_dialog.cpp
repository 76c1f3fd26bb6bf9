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
#include <memory>
#include <optional>

#include "core/work_folder.h"
#include "data/sql.h"
#include "format/text.h"
#include "payroll/explain.h"
#include "payslip/explain_dialog.h"
#include "payslip/liquida.h"
#include "payslip/mailing_dialog.h"
#include "payslip/mass_mail.h"
#include "payslip/pdf_slip.h"
#include "payslip/progress_dialog.h"
#include "payslip/sheet_slip.h"
#include "widgets/lookup_dialog.h"
#include "widgets/period_selectors.h"
#include "widgets/print_job.h"
#include "widgets/qt_print_job.h"
#include "widgets/tget.h"

namespace remu {

namespace {

// The client's port, with progress texts shown in the status label.
class StatusPort : public RelayPort {
public:
    StatusPort(UiPort& base, std::function<void(std::string_view)> show) : RelayPort(base), show_(std::move(show)) {}
    void progress(std::string_view text) override { show_(text); }

private:
    std::function<void(std::string_view)> show_;
};

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

PayslipDialog::PayslipDialog(Session& s, UiPort& ui, PayslipDialogOptions options, QWidget* parent)
    : QDialog(parent), s_(s), ui_(ui), opt_(std::move(options)) {
    setObjectName("ODLG_LIQUID");
    setWindowTitle("LIQUIDACION DE SUELDO");
    auto noWorker = [this] { return !s_.workerBound(); };
    auto* lay = new QGridLayout(this);

    // Period
    const PeriodSelectors period = makePeriodSelectors(s_, this);
    month_ = period.month;
    connect(month_, &QComboBox::currentIndexChanged, this, [this](int i) {
        s_.N_MES = i + 1;
        CAMBIA_PERIODO(s_);
    });
    lay->addWidget(new QLabel("AÑO", this), 0, 0);
    lay->addWidget(period.year, 0, 1);
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
        SheetSlipRun run;
        run.workDir = opt_.workDir;
        run.calculate = [this] { return calculate({}, {}); };
        run.statusChanged = [this] { refreshStatus(); };
        LIQUI_EXCEL(s_, ui_, run);
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
    });
    adminButton("359", "Abre Carpeta PDFS", [this] {
        ui_.openFile(std::filesystem::absolute(WorkFolder(opt_.workDir).output(OutputFolder::Pdfs)).lexically_normal().string());
    });
    adminButton("360", "Envio Masivo por correo", [this] {
        MassMailOptions o;
        o.workDir = opt_.workDir;
        o.shared = SharedAddresses::Ask;
        if (auto plan = prepareMassMail(s_, ui_, o)) {
            MailingDialog mailing(std::move(*plan), this);
            mailing.exec();
        }
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

bool PayslipDialog::calculate(const std::string& from, const std::string& to, SlipRecorder* explain) {
    if (opt_.calculate) return opt_.calculate(from, to);
    return CALCULA_REMUN_DIALOG(this, s_, ui_, from, to, opt_.workDir, explain);
}

std::string PayslipDialog::explainedWorker() const {
    if (isBlank(s_.CCODIGO_PERD)) return {};
    if (!isBlank(s_.CCODIGO_PERH) && trim(s_.CCODIGO_PERH) != trim(s_.CCODIGO_PERD)) return {};
    return trim(s_.CCODIGO_PERD);
}

void PayslipDialog::runOutput(const char* mode) {
    if (!outputAllowed(s_, ui_)) return;
    s_.CPROCESO = "Un momento por favor.. ";
    refreshStatus();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // The previewed slip of one worker can say how each of its amounts was obtained.
    // A preview that is not modal outlives this call: it shares the recorder.
    std::shared_ptr<SlipRecorder> recorder;
    std::optional<ScopedPreviewCommand> explainCommand;
    if (std::string_view(mode) == "VP" && !explainedWorker().empty()) {
        recorder = std::make_shared<SlipRecorder>(explainedWorker());
        explainCommand.emplace(PreviewCommand{
            "explain", "Explicar montos",
            slipIcon("explicar", "help-about", QStyle::SP_MessageBoxQuestion), [this, recorder](QWidget* preview) {
                if (recorder->lines().empty()) {
                    ui_.info("No hay detalle del cálculo de este trabajador.", "Atención");
                    return;
                }
                ExplainDialog dlg(recorder->lines(), preview);
                dlg.exec();
            }});
    }
    PrintedSlipRun run;
    run.workDir = opt_.workDir;
    run.calculate = [this, &recorder](const std::string& from, const std::string& to) {
        return calculate(from, to, recorder.get());
    };
    run.statusChanged = [this] { refreshStatus(); };
    const std::string workerName = s_.CNOMBRE_PERD;
    LIQUIDA2(mode, s_, ui_, run);
    s_.CPROCESO = " ";
    // The slip clears the range names; the bound worker's own stays in sight.
    if (s_.workerBound()) s_.CNOMBRE_PERD = workerName;
    refreshAll();
}

bool PayslipDialog::validCostCentre() {
    bool ok = remu::validCostCentre(s_, ui_);
    refreshAll();
    return ok;
}

bool PayslipDialog::validWorker(std::string& code, std::string& name, bool isTo) {
    if (isBlank(code) || !s_.OCON) return true;
    bool ok = remu::validWorker(s_, ui_, code, name, isTo);
    refreshAll();
    return ok;
}

void PayslipDialog::lookupCostCentre() {
    if (s_.workerBound() || !s_.OCON) return;
    try {
        std::unique_ptr<Recordset> rs;
        if (AYUDA_Y(rs, costCentreLookupSql(s_), "corta", "codigo_cc", "nombre_cc", *s_.OCON, ui_, this)) {
            s_.CCENCOS = rs->Fields("codigo_cc").text();
            s_.CCENCOS_NOMBRE = rs->Fields("nombre_cc").text();
        }
    } catch (const BadIdentifier& e) {
        // The company data names an accounting database that no database can be.
        ui_.stop(e.what(), "Error");
    }
    refreshAll();
    if (auto* f = findChild<TGET*>("209")) f->setFocus();
}

void PayslipDialog::lookupWorker(std::string& code, std::string& name, TGET* field, bool allOfMonth) {
    if (s_.workerBound() || !s_.OCON) return;
    std::unique_ptr<Recordset> rs;
    if (AYUDA_Y(rs, workerLookupSql(s_, allOfMonth), "corta", "codigo_per", "nombre_per", *s_.OCON, ui_, this)) {
        code = rs->Fields("codigo_per").text();
        name = rs->Fields("nombre_per").text();
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
    closeLiquida(s);
}

}  // namespace remu
