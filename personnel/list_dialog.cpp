#include "personnel/list_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/recordset.h"
#include "format/text.h"
#include "personnel/master_sheet.h"
#include "personnel/vacation_sheet.h"
#include "widgets/period_selectors.h"
#include "widgets/tget.h"
#include "widgets/twbrowse.h"

#include "personnel/editor_dialog.h"

namespace remu {

namespace {

QIcon listIcon(const char* theme, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(theme, qApp->style()->standardIcon(fallback));
}

bool onRow(Recordset& rs) { return rs.RecordCount() > 0 && !rs.Eof() && !rs.Bof(); }

// A cell of the grid: the column's text after one blank (a blank past the end of the rows).
std::string cell(Recordset& rs, const char* column) {
    const int i = rs.FieldIndex(column);
    return " " + (i < 0 ? std::string() : rs.Fields(i).text());
}

}  // namespace

PersonnelListDialog::PersonnelListDialog(PersonnelList& list, Session& s, UiPort& ui, PersonnelListOptions options,
                                         QWidget* parent)
    : QDialog(parent), list_(list), s_(s), ui_(ui), opt_(std::move(options)) {
    setObjectName("ODLG_PERSON");
    setWindowTitle("TABLA DE PERSONAL");

    // Year and month.
    const PeriodSelectors selectors = makePeriodSelectors(s_, this);
    month_ = selectors.month;
    connect(month_, &QComboBox::currentIndexChanged, this, &PersonnelListDialog::switchMonth);

    auto* period = new QHBoxLayout;
    period->addWidget(new QLabel("AÑO", this));
    period->addWidget(selectors.year);
    period->addSpacing(12);
    period->addWidget(new QLabel("MES", this));
    period->addWidget(month_);
    period->addStretch(1);

    // The grid over ORS: it asks the current row set each time, which the month switch replaces.
    grid_ = new TWBROWSE(this);
    grid_->setObjectName("135");
    grid_->setHeaders({"CODIGO", "NOMBRE", "C.COSTO"});
    // 50, 300 and 50 pixels, widened where this screen's font would cut a heading.
    const QFontMetrics fm(grid_->font());
    auto fit = [&fm](int width, const char* heading) { return std::max(width, fm.horizontalAdvance(heading) + 12); };
    grid_->setColumnWidths({fit(50, "CODIGO"), fit(300, "NOMBRE"), fit(50, "C.COSTO")});
    grid_->setRowFunction([this]() -> std::vector<TWBROWSE::Cell> {
        Recordset& rs = list_.ors();
        return {cell(rs, "codigo_per"), cell(rs, "nombre_per"), cell(rs, "cencosto_per")};
    });
    grid_->setLength([this] { return list_.ors().RecordCount(); });
    grid_->setGoTop([this] {
        if (list_.ors().RecordCount() > 0) list_.ors().MoveFirst();
    });
    grid_->setGoBottom([this] {
        if (list_.ors().RecordCount() > 0) list_.ors().MoveLast();
    });
    grid_->setSkip([this](long n) { return SKIPPER(list_.ors(), n); });
    grid_->setDoubleClickAction([this](int, int, Qt::KeyboardModifiers) { editCurrent(); });
    grid_->setMinimumSize(460, 300);

    // Search.
    searchField_ = new TGET(this);
    searchField_->setObjectName("340");
    searchField_->bind(search_);
    searchField_->setPicture("@!");
    searchField_->setMaxLength(80);
    searchField_->setValid([this] {
        search();
        return true;
    });
    auto* clear = new QToolButton(this);
    clear->setObjectName("102");
    clear->setIcon(listIcon("view-refresh", QStyle::SP_BrowserReload));
    clear->setIconSize(QSize(20, 20));
    clear->setToolTip("Limpia Lista");
    connect(clear, &QToolButton::clicked, this, &PersonnelListDialog::clearSearch);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(new QLabel("Buscar ", this));
    searchRow->addWidget(searchField_, 1);
    searchRow->addWidget(clear);

    // Buttons.
    auto* buttons = new QVBoxLayout;
    auto button = [&](const char* id, const QString& text, QIcon icon, void (PersonnelListDialog::*action)()) {
        auto* b = new QToolButton(this);
        b->setObjectName(id);
        b->setText(text);
        b->setIcon(icon);
        b->setIconSize(QSize(28, 28));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setMinimumWidth(120);
        connect(b, &QToolButton::clicked, this, action);
        buttons->addWidget(b);
        return b;
    };
    button("136", "Nuevo ", listIcon("document-new", QStyle::SP_FileIcon), &PersonnelListDialog::newWorker);
    button("137", "Modifica", listIcon("document-edit", QStyle::SP_FileDialogContentsView),
           &PersonnelListDialog::editCurrent)
        ->setToolTip("modifica registro");
    button("138", "Elimina ", listIcon("edit-delete", QStyle::SP_TrashIcon), &PersonnelListDialog::deleteWorker);
    buttons->addSpacing(10);
    button("354", "Nomina", listIcon("x-office-spreadsheet", QStyle::SP_FileDialogListView),
           &PersonnelListDialog::masterSheet);
    button("3232", "Saldo de Vacaciones", listIcon("x-office-spreadsheet", QStyle::SP_FileDialogListView),
           &PersonnelListDialog::vacationSheet);
    buttons->addStretch(1);
    auto* quit = new QPushButton("&Salir", this);
    quit->setObjectName("400");
    quit->setAutoDefault(false);
    connect(quit, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(quit);

    status_ = new QLabel(this);
    status_->setObjectName("estado");
    QFont bold = status_->font();
    bold.setBold(true);
    status_->setFont(bold);

    auto* left = new QVBoxLayout;
    left->addLayout(period);
    left->addWidget(grid_, 1);
    left->addLayout(searchRow);
    left->addWidget(status_);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(buttons);

    refreshStatus();
    grid_->refresh();
    grid_->setFocus();
}

LookupGridHooks PersonnelListDialog::gridHooks() {
    return {[this] { grid_->goTop(); }, [this] { grid_->refresh(); }};
}

void PersonnelListDialog::refreshStatus() { status_->setText(QString::fromStdString(trim(s_.CESTADO))); }

void PersonnelListDialog::editCurrent() {
    // The editor needs a row to show: an empty list has none.
    if (!onRow(list_.ors())) return;
    opt_.editor(this, s_, ui_, list_.ors(), false);
    grid_->refresh();
    grid_->setFocus();
}

void PersonnelListDialog::newWorker() {
    opt_.editor(this, s_, ui_, list_.ors(), true);
    if (list_.ors().RecordCount() > 0) grid_->goTop();
    grid_->refresh();
}

void PersonnelListDialog::deleteWorker() {
    list_.ELIMINA_PERSON();
    grid_->refresh();
}

void PersonnelListDialog::search() { list_.FILTRA_PERSONA(search_, gridHooks()); }

void PersonnelListDialog::clearSearch() {
    search_.clear();
    list_.FILTRA_PERSONA(search_, gridHooks());
    searchField_->refresh();
}

void PersonnelListDialog::masterSheet() {
    s_.CESTADO = "MOMENTO POR FAVOR";
    refreshStatus();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    opt_.masterSheet(list_.ors(), s_, ui_);
    s_.CESTADO = "    ";
    refreshStatus();
    grid_->refresh();
}

void PersonnelListDialog::vacationSheet() {
    opt_.vacationSheet(list_.ors(), s_, ui_);
    grid_->goTop();
    grid_->refresh();
}

void PersonnelListDialog::switchMonth(int index) {
    if (index < 0) return;
    const int before = s_.N_MES;
    s_.N_MES = index + 1;
    if (!list_.CAMBIA_PERIODO_MES()) {
        // The month's rows could not be read: the list stays on the month it shows.
        s_.N_MES = before;
        const QSignalBlocker quiet(month_);
        month_->setCurrentIndex(before - 1);
    }
    grid_->goTop();
    grid_->refresh();
}

void PERSONAL(QWidget* parent, Session& s, UiPort& ui, PersonnelListOptions options) {
    if (!options.editor) options.editor = EDITA_PERSONAL;
    if (!options.masterSheet)
        options.masterSheet = [](Recordset& ors, Session& s, UiPort& ui) { return EXCEL_PERSON(ors, s, ui); };
    if (!options.vacationSheet)
        options.vacationSheet = [](Recordset& ors, Session& s, UiPort& ui) { return SALDO_VACA(ors, s, ui); };

    PersonnelList list(s, ui);
    switch (list.open()) {
        case PersonnelList::Opening::Nothing:
            return;
        case PersonnelList::Opening::OwnRow:
            options.editor(parent, s, ui, list.ors(), false);
            return;
        case PersonnelList::Opening::List: {
            PersonnelListDialog dialog(list, s, ui, std::move(options), parent);
            dialog.exec();
            return;
        }
    }
}

}  // namespace remu
