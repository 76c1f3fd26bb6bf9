#include "history/history_window.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>

#include "data/personnel_table.h"
#include "data/query.h"
#include "format/helpers.h"
#include "format/picture.h"
#include "format/text.h"
#include "history/history_outputs.h"
#include "office/xlsx_sheet.h"
#include "payslip/printed_slip.h"
#include "widgets/qt_print_job.h"
#include "widgets/wait_cursor.h"

namespace remu {

namespace {

QString q(const std::string& t) { return QString::fromStdString(t); }

// "ENE 18": short enough for 24 months under the chart.
QString shortMonth(const Period& p) { return q(trim(p.monthName()).substr(0, 3) + " " + p.yearText().substr(2)); }

QTableWidgetItem* amountItem(double v) {
    auto* item = new QTableWidgetItem(q(trim(TRANSFORM(v, "999,999,999"))));
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

constexpr int kPeriodRole = Qt::UserRole;  // yyyymm of a month's row; 0 for a total

}  // namespace

HistoryWindow::HistoryWindow(const Session& s, UiPort& ui, std::string code, QWidget* parent)
    : QDialog(parent), s_(s), ui_(ui), code_(std::move(code)) {
    setObjectName("HISTORIAL");
    setWindowTitle("Historial");
    title_ = new QLabel(this);
    title_->setObjectName("titulo");
    QFont big = title_->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.15);
    title_->setFont(big);

    table_ = new QTableWidget(this);
    table_->setObjectName("tabla");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->setToolTip("Doble clic: liquidación del mes");
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { previewRow(row); });

    chart_ = new QChartView(this);
    chart_->setObjectName("grafico");
    chart_->setRenderHint(QPainter::Antialiasing);
    chart_->setMinimumHeight(230);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(table_);
    split->addWidget(chart_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto* pdf = new QPushButton("PDF", this);
    pdf->setObjectName("pdf");
    auto* excel = new QPushButton("Excel", this);
    excel->setObjectName("excel");
    auto* close = new QPushButton("Salir", this);
    close->setObjectName("salir");
    connect(pdf, &QPushButton::clicked, this, [this] { exportPdf(); });
    connect(excel, &QPushButton::clicked, this, [this] { exportSheet(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel("Doble clic en un mes: su liquidación", this));
    buttons->addStretch(1);
    buttons->addWidget(pdf);
    buttons->addWidget(excel);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(1060, 760);
}

bool HistoryWindow::load() {
    if (!s_.OCON || !s_.OCON->isOpen()) {
        if (!CONECTA(s_, ui_, s_.OCON)) return false;
    }
    auto months = historyMonths(*s_.OCON, ui_);
    if (!months) return false;
    {
        WaitCursor wait;
        history_ = buildHistory(*s_.OCON, s_.ID_CLIENTE, code_, *months);
    }
    if (std::none_of(history_.months.begin(), history_.months.end(), [](const HistoryMonth& m) { return m.computed; })) {
        ui_.alert("No hay liquidaciones del trabajador " + code_ + " en los meses abiertos", "Atención");
        return false;
    }
    title_->setText(q(historyTitle(history_)));
    fillTable();
    fillChart();
    return true;
}

void HistoryWindow::fillTable() {
    QStringList headings{"MES"};
    for (const std::string& h : historyHeadings()) headings << q(h);
    const int cols = headings.size();
    table_->clear();
    table_->setColumnCount(cols);
    table_->setHorizontalHeaderLabels(headings);
    table_->setRowCount(static_cast<int>(history_.months.size() + history_.years.size()));
    int row = 0;
    size_t y = 0;
    auto figures = [&](const HistoryFigures& f) {
        int c = 1;
        for (double v : figureColumns(f)) table_->setItem(row, c++, amountItem(v));
    };
    for (size_t i = 0; i < history_.months.size(); ++i) {
        const HistoryMonth& m = history_.months[i];
        auto* label = new QTableWidgetItem(q(m.period.monthAndYear()));
        label->setData(kPeriodRole, static_cast<qlonglong>(m.period.yearMonth()));
        table_->setItem(row, 0, label);
        if (m.computed) {
            figures(m.figures);
            if (!m.notes.empty()) {
                QStringList notes;
                for (const std::string& n : m.notes) notes << q(n);
                label->setToolTip(notes.join("\n"));
            }
        } else {
            auto* why = new QTableWidgetItem(q(m.problem));
            why->setForeground(m.failed ? QColor(170, 0, 0) : palette().color(QPalette::PlaceholderText));
            why->setToolTip(q(m.problem));
            table_->setItem(row, 1, why);
            table_->setSpan(row, 1, 1, cols - 1);
        }
        ++row;
        const bool yearEnds = i + 1 == history_.months.size() || history_.months[i + 1].period.year() != m.period.year();
        if (yearEnds && y < history_.years.size()) {
            const HistoryYear& total = history_.years[y++];
            table_->setItem(row, 0, new QTableWidgetItem(q("TOTAL " + std::to_string(total.year))));
            figures(total.total);
            for (int c = 0; c < cols; ++c) {
                QTableWidgetItem* item = table_->item(row, c);
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setBackground(palette().color(QPalette::AlternateBase).darker(106));
            }
            ++row;
        }
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

void HistoryWindow::fillChart() {
    auto* chart = new QChart;
    chart->setTitle("Alcance líquido e imponible por mes (miles de pesos)");
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* taxable = new QBarSet("Imponible");
    taxable->setColor(QColor(120, 160, 210));
    auto* net = new QLineSeries;
    net->setName("Alcance líquido");
    QPen pen(QColor(200, 90, 30));
    pen.setWidth(3);
    net->setPen(pen);
    QStringList categories;
    double top = 0;
    for (size_t i = 0; i < history_.months.size(); ++i) {
        const HistoryMonth& m = history_.months[i];
        categories << shortMonth(m.period);
        *taxable << (m.computed ? m.figures.taxable / 1000 : 0);
        // A month without a slip leaves the line to its neighbours.
        if (m.computed) net->append(static_cast<double>(i), m.figures.netPay / 1000);
        if (m.computed) top = std::max({top, m.figures.taxable / 1000, m.figures.netPay / 1000});
    }
    auto* bars = new QBarSeries;
    bars->append(taxable);
    chart->addSeries(bars);
    chart->addSeries(net);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    // Two years of months fit upright only in a small font.
    QFont small = x->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    x->setLabelsFont(small);
    x->setLabelsAngle(categories.size() > 12 ? -90 : 0);
    auto* yAxis = new QValueAxis;
    yAxis->setRange(0, top > 0 ? top * 1.1 : 1);
    yAxis->setLabelFormat("%.0f");
    yAxis->applyNiceNumbers();
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(yAxis);
    }
    QChart* old = chart_->chart();
    chart_->setChart(chart);
    delete old;
}

bool HistoryWindow::previewRow(int row) {
    QTableWidgetItem* item = table_->item(row, 0);
    const long ym = item ? static_cast<long>(item->data(kPeriodRole).toLongLong()) : 0;
    if (ym == 0) return false;
    const HistoryMonth* m = history_.month(Period::of(static_cast<int>(ym / 100), static_cast<int>(ym % 100)));
    if (!m || !m->computed) {
        if (m) ui_.alert(m->problem, "Atención");
        return false;
    }
    // The slip as the pay slip dialog previews it, from the lines already computed.
    s_.period = m->period;
    s_.CCODIGO_PERD = s_.CCODIGO_PERH = code_;
    s_.CCENCOS = "    ";
    s_.DFECHA = Clock::today();
    PrintedSlipRun run;
    return printSlipLines("VP", s_, ui_, m->lines, run);
}

bool HistoryWindow::exportPdf(QString file) {
    if (file.isEmpty()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        file = QFileDialog::getSaveFileName(this, "Exportar a PDF",
                                            QDir(folder).filePath(q(historyFileStem(history_)) + ".pdf"),
                                            "Documento PDF (*.pdf)");
        if (file.isEmpty()) return false;
        if (!file.endsWith(".pdf", Qt::CaseInsensitive)) file += ".pdf";
    }
    if (!writeHistoryPdf(history_, file.toStdString(), ui_)) return false;
    ui_.openFile(file.toStdString());
    return true;
}

bool HistoryWindow::exportSheet() { return showHistorySheet(history_, ui_, xlsxSheets(".")); }

std::string sessionWorkerCode(Session& s, UiPort& ui) {
    if (!s.OCON || !s.OCON->isOpen()) {
        if (!CONECTA(s, ui, s.OCON)) return {};
    }
    PersonnelRow w;
    PersonnelTable people(*s.OCON, ui);
    auto latest = Period::parse(trim(s.ANO_PUBLICO), trim(s.MES_PUBLICO));
    if (latest && (people.byRut(*latest, s.CRUT_CONEXION_TRABAJADOR, w) == PersonnelTable::Found::Yes ||
                   people.byRutInYear(*latest, s.CRUT_CONEXION_TRABAJADOR, w) == PersonnelTable::Found::Yes))
        return trim(w.codigo_per);
    ui.alert("Trabajador No Encontrado", "Alerta");
    return {};
}

void HISTORIAL(QWidget* parent, Session& s, UiPort& ui, const std::string& code) {
    Session own = s;  // the history's connection is its own, dropped when it closes
    own.OCON.reset();
    std::string who = code;
    if (own.workerBound()) {
        who = sessionWorkerCode(own, ui);
    } else if (trim(who).empty()) {
        bool ok = false;
        who = QInputDialog::getText(parent, "Historial", "Código del trabajador:", QLineEdit::Normal, {}, &ok)
                  .trimmed()
                  .toStdString();
        if (!ok) return;
    }
    if (trim(who).empty()) return;
    who = trim(who);
    if (who.size() < 4) who.resize(4, ' ');  // the width of codigo_per: "1" is "0001"
    ZEROS_FF(who);
    // The month's slip goes to the Qt print job and its preview window.
    installQtPrinting(&ui);
    HistoryWindow window(own, ui, who, parent);
    if (window.load()) window.exec();
}

}  // namespace remu
