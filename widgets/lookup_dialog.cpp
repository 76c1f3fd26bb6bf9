#include "widgets/lookup_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "data/query.h"
#include "widgets/tget.h"
#include "widgets/twbrowse.h"

namespace remu {

namespace {

std::function<void(LookupDialog&)>& observer() {
    static std::function<void(LookupDialog&)> o;
    return o;
}

QIcon resetIcon() {
    QIcon own(":/slip/vueltaVerde.png");
    if (!own.availableSizes().isEmpty()) return own;
    return QIcon::fromTheme("view-refresh", qApp->style()->standardIcon(QStyle::SP_BrowserReload));
}

}  // namespace

void setLookupDialogObserver(std::function<void(LookupDialog&)> o) { observer() = std::move(o); }

LookupDialog::LookupDialog(Recordset& rs, bool wide, std::string codeColumn, std::string nameColumn, UiPort& ui,
                           QWidget* parent)
    : QDialog(parent), rs_(rs), code_(std::move(codeColumn)), name_(std::move(nameColumn)), ui_(ui) {
    setObjectName(wide ? "ODLG_AYUDANCHA" : "ODLG_AYUDA");
    setWindowTitle("Búsqueda");
    auto* lay = new QGridLayout(this);
    auto* label = new QLabel("Buscar...", this);
    search_ = new TGET(this);
    search_->setObjectName("101");
    search_->bind(text_);
    search_->setValid([this] {
        applySearch();
        return true;
    });
    label->setBuddy(search_);
    auto* reset = new QToolButton(this);
    reset->setObjectName("102");
    reset->setIcon(resetIcon());
    reset->setToolTip("Buscar...");
    connect(reset, &QToolButton::clicked, this, [this] { resetSearch(); });

    grid_ = new TWBROWSE(this);
    grid_->setObjectName("100");
    grid_->setHeaders({"Codigo", "Descripcion"});
    grid_->setRowFunction([this]() -> std::vector<TWBROWSE::Cell> {
        if (rs_.Eof() || rs_.Bof()) return {std::string(), std::string()};
        return {rs_.Fields(code_).text(), rs_.Fields(name_).text()};
    });
    grid_->setTextColours(QColor(0, 0, 128), QColor());
    QFont f("Arial");
    f.setPixelSize(13);
    grid_->setFont(f);
    grid_->setLength([this] { return rs_.RecordCount(); });
    grid_->setGoTop([this] { rs_.MoveFirst(); });
    grid_->setGoBottom([this] { rs_.MoveLast(); });
    grid_->setSkip([this](long n) { return SKIPPER(rs_, n); });
    grid_->setDoubleClickAction([this](int, int, Qt::KeyboardModifiers) {
        chosen_ = true;
        accept();
    });
    grid_->installEventFilter(this);
    hooks_.goTop = [this] { grid_->goTop(); };
    hooks_.refresh = [this] { grid_->refresh(); };

    lay->addWidget(label, 0, 0);
    lay->addWidget(search_, 0, 1);
    lay->addWidget(reset, 0, 2);
    lay->addWidget(grid_, 1, 0, 1, 3);
    resize(wide ? 720 : 460, 380);
    if (rs_.RecordCount() > 0) rs_.MoveFirst();
}

void LookupDialog::applySearch() { FILTRA(text_, rs_, hooks_, code_, name_, ui_); }

void LookupDialog::resetSearch() {
    text_ = std::string(50, ' ');
    applySearch();
    search_->refresh();
    search_->setFocus();
}

bool LookupDialog::eventFilter(QObject* watched, QEvent* e) {
    if (watched == grid_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        // Any key in the grid marks the current row as the choice; Enter also closes.
        chosen_ = rs_.RecordCount() > 0;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (chosen_) accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

bool AYUDA_Y(std::unique_ptr<Recordset>& rs, const std::string& sql, std::string_view width,
             const std::string& codeColumn, const std::string& nameColumn, Connection& conn, UiPort& ui,
             QWidget* parent) {
    if (!BUSCA_X(rs, sql, conn, ", Tabla Sin Datos", ui)) return false;
    LookupDialog dlg(*rs, width == "larga", codeColumn, nameColumn, ui, parent);
    if (observer()) observer()(dlg);
    dlg.exec();
    if (!dlg.chosen() || rs->Eof() || rs->Bof()) return false;
    return true;
}

}  // namespace remu
