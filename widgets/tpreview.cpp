#include "widgets/tpreview.h"

#include <QAbstractScrollArea>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "core/ui_port.h"
#include "format/picture.h"
#include "format/text.h"
#include "widgets/page_view.h"
#include "widgets/tget.h"
#include "widgets/wait_cursor.h"

static void initPreviewIcons() { Q_INIT_RESOURCE(preview_icons); }

namespace remu {

namespace {

QIcon icon(const char* theme, const char* own) {
    QIcon i = QIcon::fromTheme(QString::fromLatin1(theme));
    return i.isNull() ? QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(own)) : i;
}

QString number(int n) { return QString::fromStdString(trim(TRANSFORM(n, "999,999"))); }

}  // namespace

TPREVIEW::TPREVIEW(std::shared_ptr<RecordedPages> pages, UiPort* port, QWidget* parent)
    : QMainWindow(parent), pages_(std::move(pages)), port_(port) {
    initPreviewIcons();
    setWindowTitle(pages_->documentName);
    // The job's printer; else what "Selección Impresora" chose; else the default printer;
    // without any printer, a PDF file.
    printer_ = pages_->printerName;
    if (printer_.isEmpty() && !chosenPdfFile().isEmpty()) printer_ = kPrintToFile;
    if (printer_.isEmpty()) printer_ = QPrinterInfo::defaultPrinterName();
    if (printer_.isEmpty()) printer_ = kPrintToFile;

    auto make = [this](const QString& name, const QIcon& ic, const QString& tip, const QString& status,
                       void (TPREVIEW::*slot)()) {
        auto* a = new QAction(ic, tip, this);
        a->setToolTip(tip);
        a->setStatusTip(status);
        if (slot) connect(a, &QAction::triggered, this, slot);
        commands_[name] = a;
        return a;
    };
    make("first", icon("go-first", "first.png"), "Primera", "Ir a la primera página", &TPREVIEW::firstPage);
    make("previous", icon("go-previous", "previous.png"), "Anterior", "Ir a la anterior página",
         &TPREVIEW::previousPage);
    make("next", icon("go-next", "next.png"), "Siguiente", "Ir a la siguiente página", &TPREVIEW::nextPage);
    make("last", icon("go-last", "last.png"), "Ultima", "Ir a la última página", &TPREVIEW::lastPage);
    make("zoom", icon("zoom-in", "zoom.png"), "Zoom", "Zoom de la página", &TPREVIEW::toggleZoom);
    make("normal", icon("zoom-original", "zoom.png"), "Normal", "Deshacer Zoom de la página", &TPREVIEW::toggleZoom);
    make("two", icon("view-dual", "two.png"), "Ampliar o reducir la página.", "Ampliar o reducir la página.",
         &TPREVIEW::toggleTwoPages);
    make("one", icon("view-paged", "one.png"), "Una página", "Previsualización en una página",
         &TPREVIEW::toggleTwoPages);
    make("print", icon("document-print", "print.png"), "Imprimir", "Imprimir la página actual", &TPREVIEW::print);
    make("export", icon("document-export", "export.png"), "Exportar a...", "Exportar a...", nullptr);
    make("exit", icon("application-exit", "exit.png"), "Salir", "Salir de la previsualización", nullptr);
    connect(commands_["exit"], &QAction::triggered, this, &QWidget::close);
    commands_["exit"]->setShortcut(Qt::Key_Escape);
    commands_["print"]->setShortcut(QKeySequence::Print);
    make("zoomIn", QIcon(), "Acercar", "Acercar la página", &TPREVIEW::zoomIn)
        ->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal), QKeySequence::ZoomIn});
    make("zoomOut", QIcon(), "Alejar", "Alejar la página", &TPREVIEW::zoomOut)
        ->setShortcuts({QKeySequence(Qt::Key_Minus), QKeySequence::ZoomOut});
    addAction(commands_["zoomIn"]);
    addAction(commands_["zoomOut"]);
    // The tool bar's zoom and page buttons show the state they would switch to.
    auto* zoomButton = new QAction(commands_["zoom"]->icon(), "Zoom", this);
    zoomButton->setToolTip("Zoom");
    zoomButton->setStatusTip("Zoom de la página");
    connect(zoomButton, &QAction::triggered, this, &TPREVIEW::toggleZoom);
    commands_["zoomButton"] = zoomButton;
    auto* twoButton = new QAction(commands_["two"]->icon(), "Ampliar o reducir la página.", this);
    twoButton->setToolTip("Ampliar o reducir la página.");
    twoButton->setStatusTip("Ampliar o reducir la página.");
    connect(twoButton, &QAction::triggered, this, &TPREVIEW::toggleTwoPages);
    commands_["twoButton"] = twoButton;

    auto* exportMenu = new QMenu(this);
    connect(exportMenu->addAction("Exportar a DOC"), &QAction::triggered, this, &TPREVIEW::exportDocAsked);
    connect(exportMenu->addAction("Exportar a PDF"), &QAction::triggered, this, &TPREVIEW::exportPdfAsked);
    commands_["export"]->setMenu(exportMenu);

    auto* bar = bar_ = addToolBar("Previsualización");
    bar->setMovable(false);
    for (const char* n : {"first", "previous", "next", "last", "zoomButton", "twoButton", "print"})
        bar->addAction(commands_[n]);
    bar->addAction(commands_["export"]);
    if (auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(commands_["export"])))
        b->setPopupMode(QToolButton::InstantPopup);
    bar->addAction(commands_["exit"]);
    bar->addSeparator();

    bar->addWidget(new QLabel(" Factor de Zoom: "));
    zoomBox_ = new QComboBox;
    // The lists take no keyboard focus: Page Up/Down would change their choice instead of the page.
    zoomBox_->setFocusPolicy(Qt::NoFocus);
    for (int i = 1; i <= 9; ++i) zoomBox_->addItem(QString::number(i));
    connect(zoomBox_, &QComboBox::activated, this, [this](int i) { setZoomFactor(i + 1); });
    bar->addWidget(zoomBox_);

    bar->addWidget(new QLabel(" Impresoras: "));
    printerBox_ = new QComboBox;
    printerBox_->setFocusPolicy(Qt::NoFocus);
    printerBox_->addItems(QPrinterInfo::availablePrinterNames());
    printerBox_->addItem(kPrintToFile);
    printerBox_->setCurrentText(printer_);
    connect(printerBox_, &QComboBox::textActivated, this, [this](const QString& name) { printer_ = name; });
    bar->addWidget(printerBox_);

    bar->addWidget(new QLabel(" Ir a: "));
    goTo_ = new TGET;
    goTo_->setPicture("@Z 999,999");
    goTo_->bind(goToPage_);
    goTo_->setFocusColours(Qt::black, QColor(255, 255, 190));
    goTo_->setValid([this] { return closing_ || goToPage(goToPage_); });
    goTo_->installEventFilter(this);
    goTo_->setMaximumWidth(goTo_->sizeHint().width());
    bar->addWidget(goTo_);
    pageLabel_ = new QLabel;
    bar->addWidget(pageLabel_);

    auto* file = fileMenu_ = menuBar()->addMenu("&Fichero");
    file->addAction(commands_["print"]);
    file->addSeparator();
    file->addAction(commands_["exit"]);
    auto* pageMenu = menuBar()->addMenu("&Página");
    for (const char* n : {"first", "previous", "next", "last"}) pageMenu->addAction(commands_[n]);
    pageMenu->addSeparator();
    pageMenu->addAction(commands_["zoom"]);
    pageMenu->addAction(commands_["normal"]);
    auto* factorMenu = pageMenu->addMenu("&Factor");
    auto* group = new QActionGroup(this);
    for (int i = 1; i <= 9; ++i) {
        auto* a = factorMenu->addAction(QString::number(i));
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { setZoomFactor(i); });
        factorActions_.push_back(a);
    }
    pageMenu->addSeparator();
    pageMenu->addAction(commands_["two"]);
    pageMenu->addAction(commands_["one"]);
    // Menu entries read as plain words.
    for (const char* n : {"first", "previous", "next", "last", "zoom", "normal", "print", "exit"})
        commands_[n]->setText(commands_[n]->toolTip());
    commands_["two"]->setText("Dos páginas");

    view_ = new PageView(this);
    setCentralWidget(view_);
    statusBar()->showMessage("Previsualización");
    view_->setFocus();
    update();
}

TPREVIEW::~TPREVIEW() = default;

QAbstractScrollArea* TPREVIEW::view() const { return view_; }

QAction* TPREVIEW::addCommand(const QString& name, const QString& text, const QIcon& icon,
                              std::function<void(QWidget* preview)> run) {
    auto* a = new QAction(icon, text, this);
    a->setToolTip(text);
    a->setStatusTip(text);
    connect(a, &QAction::triggered, this, [this, run = std::move(run)] { run(this); });
    commands_[name] = a;
    bar_->insertAction(commands_["exit"], a);
    fileMenu_->insertAction(commands_["print"], a);
    return a;
}

QAction* TPREVIEW::command(const QString& name) const {
    auto it = commands_.find(name);
    return it == commands_.end() ? nullptr : it->second;
}

void TPREVIEW::beep() {
    QApplication::beep();
    ++beeps_;
    emit beeped();
}

void TPREVIEW::update() {
    pageLabel_->setText(" Página: " + number(page_) + "/" + number(pageCount()) + " ");
    commands_["zoom"]->setEnabled(!zoom_);
    commands_["normal"]->setEnabled(zoom_);
    commands_["two"]->setEnabled(!twoPages_);
    commands_["one"]->setEnabled(twoPages_);
    auto* zb = commands_["zoomButton"];
    zb->setText(zoom_ ? "Normal" : "Zoom");
    zb->setToolTip(zb->text());
    zb->setStatusTip(zoom_ ? "Deshacer Zoom de la página" : "Zoom de la página");
    auto* tb = commands_["twoButton"];
    tb->setText(twoPages_ ? "Una página" : "Ampliar o reducir la página.");
    tb->setToolTip(tb->text());
    tb->setStatusTip(twoPages_ ? "Previsualización en una página" : "Ampliar o reducir la página.");
    zoomBox_->setCurrentIndex(factor_ - 1);
    for (int i = 0; i < 9; ++i) factorActions_[i]->setChecked(i + 1 == factor_);
    view_->layoutBars();
}

void TPREVIEW::firstPage() {
    page_ = 1;
    update();
}

void TPREVIEW::lastPage() {
    page_ = std::max(1, pageCount());
    update();
}

void TPREVIEW::nextPage() {
    if (page_ >= pageCount()) return beep();
    ++page_;
    update();
}

void TPREVIEW::previousPage() {
    if (page_ <= 1) return beep();
    --page_;
    update();
}

void TPREVIEW::toggleZoom() {
    zoom_ = !zoom_;
    if (zoom_) twoPages_ = false;
    else factor_ = 1;
    update();
}

void TPREVIEW::setZoomFactor(int factor) {
    factor_ = std::clamp(factor, 1, 9);
    zoom_ = true;
    twoPages_ = false;
    update();
}

void TPREVIEW::zoomIn() {
    if (!zoom_) return toggleZoom();
    if (factor_ >= 9) return beep();
    setZoomFactor(factor_ + 1);
}

void TPREVIEW::zoomOut() {
    if (!zoom_) return beep();
    if (factor_ > 1) return setZoomFactor(factor_ - 1);
    toggleZoom();
}

void TPREVIEW::toggleTwoPages() {
    if (!twoPages_ && (pageCount() < 2 || pages_->metrics.landscape())) return beep();
    twoPages_ = !twoPages_;
    if (twoPages_) {
        zoom_ = false;
        factor_ = 1;
    }
    update();
}

bool TPREVIEW::goToPage(int number) {
    if (number == 0) return true;
    if (number < 0 || number > pageCount()) {
        beep();
        alert("El número de página no existe.", "Atención");
        return false;
    }
    page_ = number;
    update();
    return true;
}

bool TPREVIEW::eventFilter(QObject* watched, QEvent* event) {
    // The go-to field starts blank every time it is entered.
    if (watched == goTo_ && event->type() == QEvent::FocusIn) {
        auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !goTo_->isModified())
            goToPage_ = 0;
    }
    if (watched == goTo_ && event->type() == QEvent::KeyPress) {
        auto key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            view_->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TPREVIEW::closeEvent(QCloseEvent* event) {
    closing_ = true;
    QMainWindow::closeEvent(event);
    if (!event->isAccepted()) closing_ = false;
}

void TPREVIEW::alert(const QString& text, const QString& title) {
    if (port_) port_->alert(text.toStdString(), title.toStdString());
    else QMessageBox::warning(this, title, text);
}

bool TPREVIEW::ask(const QString& text) {
    if (port_) return port_->yesNo(text.toStdString());
    return QMessageBox::question(this, "Atención", text) == QMessageBox::Yes;
}

void TPREVIEW::print() {
    if (pageCount() == 1) {
        printRange(1, 1);
        return;
    }
    PrintRangeDialog dlg(pageCount(), page_, this);
    if (dlg.exec() == QDialog::Accepted) printRange(dlg.from(), dlg.to());
}

bool TPREVIEW::printRange(int from, int to, QPrinter* target) {
    std::unique_ptr<QPrinter> own;
    if (!target) {
        own = std::make_unique<QPrinter>(QPrinter::HighResolution);
        if (printer_ == kPrintToFile) {
            QString file = chosenPdfFile();
            if (file.isEmpty()) file = askFile(kPrintToFile, "*.pdf", ".pdf");
            if (file.isEmpty()) return false;
            own->setOutputFormat(QPrinter::PdfFormat);
            own->setOutputFileName(file);
        } else if (QPrinterInfo::availablePrinterNames().isEmpty()) {
            alert("No hay una impresora instalada.", "Atención");
            return false;
        } else if (!printer_.isEmpty()) {
            own->setPrinterName(printer_);
        }
        target = own.get();
    }
    bool ok;
    {
        WaitCursor wait;
        ok = pages_->print(*target, from, to);
    }
    if (!ok) alert("No se pudo imprimir el documento.", "Atención");
    return ok;
}

bool TPREVIEW::exportPdf(const QString& path) { return pages_->writePdf(path); }

bool TPREVIEW::exportDocx(const QString& path, QString* error) { return pages_->writeDocx(path, error); }

QString TPREVIEW::suggestedExportPath(const QString& extension) const {
    QString name = pages_->exportName.isEmpty() ? pages_->documentName : pages_->exportName;
    // A file name, whatever the document is called.
    static const QRegularExpression unsafe(QStringLiteral(R"([/\\:*?"<>|]+)"));
    name = name.replace(unsafe, QStringLiteral("_")).trimmed();
    if (name.isEmpty()) name = QStringLiteral("liquidacion");
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    return QDir(folder).filePath(name + extension);
}

QString TPREVIEW::askFile(const QString& caption, const QString& filter, const QString& extension) {
    QString name = askFileName_ ? askFileName_(caption, filter)
                                : QFileDialog::getSaveFileName(this, caption, suggestedExportPath(extension), filter);
    if (!name.isEmpty() && !name.endsWith(extension, Qt::CaseInsensitive)) name += extension;
    return name;
}

void TPREVIEW::open(const QString& path) {
    if (port_) {
        port_->openFile(path.toStdString());
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        QMessageBox::information(this, "Atención",
                                 "No se encontró un programa para abrir el archivo.\nQuedó guardado en " + path);
}

void TPREVIEW::exportPdfAsked() {
    QString name = askFile("Exportar a PDF", "*.pdf", ".pdf");
    if (name.isEmpty()) return;
    bool view = ask("Ver " + name + "?");
    if (!exportPdf(name)) {
        alert("PDF Plugin Error", "Error");
        return;
    }
    if (view) open(name);
}

void TPREVIEW::exportDocAsked() {
    QString name = askFile("Exportar a DOC", "*.docx", ".docx");
    if (name.isEmpty()) return;
    QString why;
    bool ok;
    {
        WaitCursor wait;
        ok = exportDocx(name, &why);
    }
    if (!ok) {
        alert("No se pudo crear el documento " + name + ": " + why, "Error");
        return;
    }
    // The document opens in the user's word processor.
    open(name);
}

}  // namespace remu
