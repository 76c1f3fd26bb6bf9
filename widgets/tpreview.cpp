#include "widgets/tpreview.h"

#include <QAbstractScrollArea>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

#include "core/ui_port.h"
#include "format/picture.h"
#include "format/text.h"
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

// The drawing area: one or two pages, or one page enlarged with scroll bars.
class PageView : public QAbstractScrollArea {
public:
    explicit PageView(TPREVIEW* owner) : QAbstractScrollArea(owner), owner_(owner) {
        setFocusPolicy(Qt::StrongFocus);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        viewport()->setBackgroundRole(QPalette::Dark);
        viewport()->setAutoFillBackground(true);
    }

    double aspect() const {
        const auto& m = owner_->pages().metrics;
        return m.horzSizeMm / m.vertSizeMm;
    }

    QSizeF zoomedSize() const {
        double w = viewport()->width() * 0.95 * owner_->zoomFactor();
        return {w, w / aspect()};
    }

    // Where the pages go, in viewport coordinates.
    std::vector<QRectF> pageRects() const {
        double W = viewport()->width(), H = viewport()->height();
        std::vector<QRectF> r;
        if (owner_->isZoomed()) {
            QSizeF s = zoomedSize();
            double x = std::max((W - s.width()) / 2, W * 0.025) - horizontalScrollBar()->value();
            double y = 8 - verticalScrollBar()->value();
            r.emplace_back(x, y, s.width(), s.height());
        } else if (owner_->isTwoPages()) {
            double h = H - 8, w = h * aspect();
            if (w > W * 0.40) {
                w = W * 0.40;
                h = w / aspect();
            }
            double y = (H - h) / 2;
            r.emplace_back(W / 2 - W * 0.05 - w, y, w, h);
            r.emplace_back(W / 2 + W * 0.05, y, w, h);
        } else {
            double h = H - 8, w = h * aspect();
            if (w > W * 0.95) {
                w = W * 0.95;
                h = w / aspect();
            }
            r.emplace_back((W - w) / 2, (H - h) / 2, w, h);
        }
        return r;
    }

    void layoutBars() {
        if (!owner_->isZoomed()) {
            setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            horizontalScrollBar()->setRange(0, 0);
            verticalScrollBar()->setRange(0, 0);
        } else {
            setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            setHorizontalScrollBarPolicy(owner_->zoomFactor() > 1 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            QSizeF s = zoomedSize();
            int cw = static_cast<int>(s.width() + viewport()->width() * 0.05);
            int ch = static_cast<int>(s.height() + 16);
            horizontalScrollBar()->setRange(0, std::max(0, cw - viewport()->width()));
            verticalScrollBar()->setRange(0, std::max(0, ch - viewport()->height()));
            horizontalScrollBar()->setPageStep(viewport()->width());
            verticalScrollBar()->setPageStep(viewport()->height());
            horizontalScrollBar()->setSingleStep(std::max(1, viewport()->width() / 20));
            verticalScrollBar()->setSingleStep(std::max(1, viewport()->height() / 20));
        }
        viewport()->update();
    }

    void scrollTo(double fx, double fy) {
        QSizeF s = zoomedSize();
        horizontalScrollBar()->setValue(static_cast<int>(fx * s.width() - viewport()->width() / 2.0));
        verticalScrollBar()->setValue(static_cast<int>(fy * s.height() - viewport()->height() / 2.0));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        // Pages are composed on an image first: replaying the recorded pictures straight on
        // the widget lost the first texts of a page.
        QImage canvas(viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        canvas.fill(palette().color(QPalette::Dark));
        QPainter p(&canvas);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        auto rects = pageRects();
        for (std::size_t i = 0; i < rects.size(); ++i) {
            int index = owner_->page() - 1 + static_cast<int>(i);
            p.fillRect(rects[i].translated(3, 3), QColor(0, 0, 0, 80));
            if (index < owner_->pageCount()) owner_->pages().render(p, index, rects[i]);
            else p.fillRect(rects[i], Qt::white);  // the empty pane after the last page
            p.setPen(Qt::black);
            p.drawRect(rects[i]);
        }
        p.end();
        QPainter(viewport()).drawImage(0, 0, canvas);
    }

    void resizeEvent(QResizeEvent* e) override {
        QAbstractScrollArea::resizeEvent(e);
        layoutBars();
    }

    void scrollContentsBy(int, int) override { viewport()->update(); }

    void keyPressEvent(QKeyEvent* e) override {
        auto* h = horizontalScrollBar();
        auto* v = verticalScrollBar();
        if (!owner_->isZoomed()) {
            switch (e->key()) {
            case Qt::Key_Home: owner_->firstPage(); break;
            case Qt::Key_End: owner_->lastPage(); break;
            case Qt::Key_PageUp: owner_->previousPage(); break;
            case Qt::Key_PageDown: owner_->nextPage(); break;
            default: return QAbstractScrollArea::keyPressEvent(e);
            }
            return e->accept();
        }
        switch (e->key()) {
        case Qt::Key_Up: v->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
        case Qt::Key_Down: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
        case Qt::Key_Left: h->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
        case Qt::Key_Right: h->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
        case Qt::Key_PageUp: v->triggerAction(QAbstractSlider::SliderPageStepSub); break;
        case Qt::Key_PageDown: v->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
        case Qt::Key_Home:
            h->setValue(0);
            v->setValue(0);
            break;
        case Qt::Key_End: {
            QSizeF s = zoomedSize();
            h->setValue(static_cast<int>(s.width() * 0.8));
            v->setValue(static_cast<int>(s.height() * 0.8));
            break;
        }
        default: return QAbstractScrollArea::keyPressEvent(e);
        }
        e->accept();
    }

    void wheelEvent(QWheelEvent* e) override {
        int d = e->angleDelta().y();
        if (d == 0) return e->ignore();
        bool ctrl = e->modifiers() & Qt::ControlModifier;
        if (!owner_->isZoomed()) {
            if (d > 0) ctrl ? owner_->firstPage() : owner_->previousPage();
            else ctrl ? owner_->lastPage() : owner_->nextPage();
        } else {
            auto* v = verticalScrollBar();
            if (ctrl) v->triggerAction(d > 0 ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderPageStepAdd);
            else v->triggerAction(d > 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
        }
        e->accept();
    }

    void mouseDoubleClickEvent(QMouseEvent* e) override {
        auto rects = pageRects();
        QPointF at = e->position();
        double fx = 0.5, fy = 0.5;
        for (const auto& r : rects) {
            if (r.contains(at)) {
                fx = (at.x() - r.left()) / r.width();
                fy = (at.y() - r.top()) / r.height();
                break;
            }
        }
        bool zoomingIn = !owner_->isZoomed();
        owner_->toggleZoom();
        if (zoomingIn) scrollTo(fx, fy);
    }

private:
    TPREVIEW* owner_;
};

// ---------------------------------------------------------------------------

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

// ---------------------------------------------------------------------------

PrintRangeDialog::PrintRangeDialog(int pageCount, int currentPage, QWidget* parent)
    : QDialog(parent), count_(pageCount), current_(currentPage), to_(pageCount) {
    setWindowTitle("Imprimir");
    auto* grid = new QGridLayout(this);
    all_ = new QRadioButton("Todo");
    currentPage_ = new QRadioButton("Página Actual");
    range_ = new QRadioButton("Páginas");
    all_->setChecked(true);
    fromField_ = new TGET;
    toField_ = new TGET;
    fromField_->setPicture("@K 99999");
    toField_->setPicture("@K 99999");
    fromField_->bind(from_);
    toField_->bind(to_);
    auto rangeOn = [this] { return range_->isChecked(); };
    fromField_->setWhen(rangeOn);
    toField_->setWhen(rangeOn);
    fromField_->setValid([this] {
        if (from_ >= 1 && from_ <= count_) return true;
        QApplication::beep();
        return false;
    });
    toField_->setValid([this] {
        if (to_ >= from_ && to_ <= count_) return true;
        QApplication::beep();
        return false;
    });
    for (auto* r : {all_, currentPage_, range_})
        connect(r, &QRadioButton::toggled, this, [this] { refreshControls(this); });
    grid->addWidget(all_, 0, 0, 1, 4);
    grid->addWidget(currentPage_, 1, 0, 1, 4);
    grid->addWidget(range_, 2, 0);
    grid->addWidget(new QLabel("Desde:"), 2, 1);
    grid->addWidget(fromField_, 2, 2);
    grid->addWidget(new QLabel("Hasta:"), 2, 3);
    grid->addWidget(toField_, 2, 4);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText("Aceptar");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancelar");
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        // A range typed without leaving its field is checked here too.
        fromField_->assign();
        toField_->assign();
        if (range_->isChecked() && !(from_ >= 1 && from_ <= count_ && to_ >= from_ && to_ <= count_)) {
            QApplication::beep();
            (from_ >= 1 && from_ <= count_ ? toField_ : fromField_)->setFocus();
            return;
        }
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, 3, 0, 1, 5);
}

void PrintRangeDialog::choose(Choice c) {
    (c == Choice::All ? all_ : c == Choice::Current ? currentPage_ : range_)->setChecked(true);
}

int PrintRangeDialog::from() const {
    if (currentPage_->isChecked()) return current_;
    return range_->isChecked() ? from_ : 1;
}

int PrintRangeDialog::to() const {
    if (currentPage_->isChecked()) return current_;
    return range_->isChecked() ? to_ : count_;
}

}  // namespace remu
