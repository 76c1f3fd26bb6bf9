#include "widgets/qt_print_job.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <cmath>

#include "core/ui_port.h"
#include "widgets/docx_pages.h"
#include "widgets/tpreview.h"
#include "widgets/wait_cursor.h"

namespace remu {

namespace {

constexpr int kDpi = 600;
// Advance of the macron in Arial (1131/2048 em): the slips' rules were laid out with it.
constexpr double kArialMacronEm = 1131.0 / 2048.0;

QFont makeFont(const PrintFont& f) {
    QFont q(QString::fromStdString(f.face));
    q.setPixelSize(std::max(1, static_cast<int>(std::lround(f.points * kDpi / 72.0))));
    q.setBold(f.bold);
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    q.setHintingPreference(QFont::PreferNoHinting);
    return q;
}

QColor fromColourRef(PrintColour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

PageMetrics metricsFor(const QString& printerName, bool* havePrinter) {
    PageMetrics m;  // Letter when there is no printer to ask
    // Printing into a PDF file needs no printer installed.
    *havePrinter = !QPrinterInfo::availablePrinterNames().isEmpty() ||
                   (printerName.isEmpty() && !chosenPdfFile().isEmpty());
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        if (!printerName.isEmpty()) printer.setPrinterName(printerName);
        QRectF mm = printer.pageLayout().fullRect(QPageLayout::Millimeter);
        if (mm.width() > 0 && mm.height() > 0) {
            m.horzSizeMm = mm.width();
            m.vertSizeMm = mm.height();
        }
    }
    m.horzRes = static_cast<int>(std::lround(m.horzSizeMm / 25.4 * kDpi));
    m.vertRes = static_cast<int>(std::lround(m.vertSizeMm / 25.4 * kDpi));
    return m;
}

QString& pdfChoice() {
    static QString file;
    return file;
}

void tell(UiPort* port, const QString& text, const QString& title) {
    if (port) port->alert(text.toStdString(), title.toStdString());
    else QMessageBox::warning(QApplication::activeWindow(), title, text);
}

}  // namespace

// ---------------------------------------------------------------------------

void RecordedPages::render(QPainter& painter, int index, const QRectF& target) const {
    if (index < 0 || index >= count()) return;
    painter.save();
    painter.fillRect(target, Qt::white);
    painter.setClipRect(target, Qt::IntersectClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / metrics.horzRes, target.height() / metrics.vertRes);
    // A picture replays scaled by the ratio of the device's resolution to its own; the
    // pages are already in job pixels, so undo that.
    const QPicture& pic = pages[index];
    if (QPaintDevice* dev = painter.device())
        painter.scale(double(pic.logicalDpiX()) / dev->logicalDpiX(), double(pic.logicalDpiY()) / dev->logicalDpiY());
    painter.drawPicture(0, 0, pic);
    painter.restore();
}

QImage RecordedPages::image(int index, int dpi) const {
    QImage img(std::max(1, metrics.horzRes * dpi / kDpi), std::max(1, metrics.vertRes * dpi / kDpi),
               QImage::Format_RGB32);
    img.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    img.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    render(p, index, QRectF(img.rect()));
    return img;
}

bool RecordedPages::print(QPrinter& printer, int from, int to) const {
    from = std::max(1, from);
    to = std::min(count(), to);
    if (from > to) return false;
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QSizeF(metrics.horzSizeMm, metrics.vertSizeMm), QPageSize::Millimeter));
    printer.setPageOrientation(metrics.landscape() ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setDocName(documentName);
    QPainter p;
    if (!p.begin(&printer)) return false;
    for (int i = from; i <= to; ++i) {
        if (i > from && !printer.newPage()) return false;
        render(p, i - 1, QRectF(0, 0, printer.width(), printer.height()));
    }
    return p.end();
}

bool RecordedPages::writePdf(const QString& path) const {
    if (pages.empty()) return false;
    {
        QPdfWriter w(path);
        w.setResolution(kDpi);
        w.setPageSize(QPageSize(QSizeF(metrics.horzSizeMm, metrics.vertSizeMm), QPageSize::Millimeter));
        w.setPageMargins(QMarginsF(0, 0, 0, 0));
        w.setTitle(documentName);
        w.setCreator(QStringLiteral("remu"));
        QPainter p;
        if (!p.begin(&w)) return false;
        for (int i = 0; i < count(); ++i) {
            if (i > 0 && !w.newPage()) return false;
            render(p, i, QRectF(0, 0, w.width(), w.height()));
        }
        if (!p.end()) return false;
    }
    QFileInfo fi(path);
    return fi.exists() && fi.size() > 0;
}

bool RecordedPages::writeDocx(const QString& path, QString* error) const {
    std::vector<QByteArray> pngs;
    for (int i = 0; i < count(); ++i) pngs.push_back(pngBytes(image(i, 150)));
    return writePageImagesDocx(path, pngs, metrics.horzSizeMm, metrics.vertSizeMm, error);
}

// ---------------------------------------------------------------------------

QtPrintJob::QtPrintJob(const PrintJobOptions& options, UiPort* port)
    : PrintJob(options), pages_(std::make_shared<RecordedPages>()), port_(port) {
    bool havePrinter = false;
    QString name = QString::fromStdString(options.printerName);
    setMetrics(metricsFor(name, &havePrinter));
    pages_->metrics = metrics();
    pages_->documentName = QString::fromStdString(documentName());
    pages_->printerName = name;
    // The preview needs no printer; printing does.
    device_ = options.preview || havePrinter;
    if (!device_) tell(port_, QStringLiteral("No hay una impresora instalada."), QStringLiteral("Atención"));
}

QtPrintJob::~QtPrintJob() {
    if (painter_) painter_->end();
}

void QtPrintJob::doPageBegin() {
    pages_->pages.emplace_back();
    painter_ = std::make_unique<QPainter>(&pages_->pages.back());
    painter_->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
}

// The rules were laid out with Arial's macron and the frame with its broken bar; whatever
// font stands in for Arial, an end that falls within a character of a frame line crossing
// the rule is drawn to that line's outer edge, so frame and rules meet at the corners.
void QtPrintJob::drawRules() {
    for (PendingRule& r : rules_) {
        const qreal cy = r.rect.center().y();
        const QRectF* left = nullptr;
        const QRectF* right = nullptr;
        for (const QRectF& m : frameMarks_) {
            if (cy < m.top() - r.rect.height() || cy > m.bottom() + r.rect.height()) continue;
            const qreal dl = std::abs(m.center().x() - r.rect.left());
            const qreal dr = std::abs(m.center().x() - r.rect.right());
            if (dl <= r.reach && (!left || dl < std::abs(left->center().x() - r.rect.left()))) left = &m;
            if (dr <= r.reach && (!right || dr < std::abs(right->center().x() - r.rect.right()))) right = &m;
        }
        QRectF rect = r.rect;
        if (left && left != right) rect.setLeft(left->left());
        if (right) rect.setRight(right->right());
        if (!r.clip.isEmpty()) rect = rect.intersected(r.clip);
        if (rect.width() > 0) painter_->fillRect(rect, r.colour);
    }
    rules_.clear();
    frameMarks_.clear();
}

void QtPrintJob::doPageEnd() {
    if (!painter_) return;
    drawRules();
    painter_->end();
    painter_.reset();
    pages_->pages.back().setBoundingRect(QRect(0, 0, metrics().horzRes, metrics().vertRes));
}

void QtPrintJob::doText(const TextCall& call) {
    QPainter& p = *painter_;
    QFont font = makeFont(call.font);
    QFontMetricsF fm(font);
    QString text = QString::fromStdString(call.text);
    qreal w = fm.horizontalAdvance(text);
    qreal x = call.colPx;
    qreal y = call.rowPx;
    qreal boxW = call.widthPx ? *call.widthPx : w;
    if (call.widthPx) {
        if (call.align == PrintAlign::Right) x += boxW - w;
        else if (call.align == PrintAlign::Centre) x += boxW / 2 - w / 2;
    } else {
        if (call.align == PrintAlign::Right) x = std::max<qreal>(0, x - w);
        else if (call.align == PrintAlign::Centre) x = std::max<qreal>(0, x - w / 2);
    }
    p.save();
    p.setFont(font);
    if (call.widthPx) p.setClipRect(QRectF(call.colPx, y, boxW, 1.5 * fm.height()));
    QColor colour = call.colour ? fromColourRef(*call.colour) : QColor(Qt::black);
    if (call.opaque) p.fillRect(QRectF(x, y, w, fm.height()), Qt::white);

    switch (ruleKind(call.text)) {
    case RuleKind::Horizontal: {
        // A continuous rule where the glyphs would stand, as thick as their ink and as
        // long as the row of Arial macrons the layout was measured with.
        QRectF ink = fm.boundingRect(text.at(0));
        qreal thick = std::max<qreal>(ink.height(), kDpi / 144.0);
        qreal cy = y + fm.ascent() + ink.center().y();
        qreal len = kArialMacronEm * font.pixelSize() * text.size();
        if (!call.widthPx) {
            x = call.colPx;
            if (call.align == PrintAlign::Right) x = std::max<qreal>(0, x - len);
            else if (call.align == PrintAlign::Centre) x = std::max<qreal>(0, x - len / 2);
        }
        rules_.push_back({QRectF(x, cy - thick / 2, len, thick), colour, kArialMacronEm * font.pixelSize(),
                          call.widthPx ? QRectF(call.colPx, y, boxW, 1.5 * fm.height()) : QRectF()});
        break;
    }
    case RuleKind::Vertical: {
        QRectF ink = fm.boundingRect(text.at(0));
        qreal thick = std::max<qreal>(ink.width(), kDpi / 144.0);
        qreal cx = x + ink.center().x();
        QRectF mark(cx - thick / 2, y + fm.ascent() + ink.top(), thick, ink.height());
        p.fillRect(mark, colour);
        frameMarks_.push_back(mark);
        break;
    }
    case RuleKind::None:
        p.setPen(colour);
        p.drawText(QPointF(x, y + fm.ascent()), text);
        break;
    }
    p.restore();
}

void QtPrintJob::doBitmap(int rowPx, int colPx, const std::string& file, int widthPx, int heightPx) {
    QImage img(QString::fromStdString(file));
    if (img.isNull()) return;  // a missing logo leaves its place empty
    painter_->drawImage(QRectF(colPx, rowPx, widthPx, heightPx), img);
}

void QtPrintJob::doLine(const LineCall& c) {
    QPainter& p = *painter_;
    p.save();
    p.setPen(QPen(Qt::black, std::max(1.0, c.penPoints * kDpi / 72.0)));
    p.setBrush(Qt::NoBrush);
    if (c.box) p.drawRect(QRectF(QPointF(c.col1Px, c.row1Px), QPointF(c.col2Px, c.row2Px)));
    else p.drawLine(QPointF(c.col1Px, c.row1Px), QPointF(c.col2Px, c.row2Px));
    p.restore();
}

namespace {

std::vector<PreviewCommand>& previewCommands() {
    static std::vector<PreviewCommand> commands;
    return commands;
}

}  // namespace

ScopedPreviewCommand::ScopedPreviewCommand(PreviewCommand c) { previewCommands().push_back(std::move(c)); }
ScopedPreviewCommand::~ScopedPreviewCommand() { previewCommands().pop_back(); }

bool QtPrintJob::doEnd() {
    if (pages_->pages.empty()) return false;
    pages_->exportName = QString::fromStdString(exportName());
    if (preview()) {
        // Over a modal dialog (the pay slip dialog) a window of its own would take no input
        // at all: the preview then belongs to that dialog, runs modally over it and the
        // dialog waits for it.
        QWidget* over = QApplication::activeModalWidget();
        auto* win = new TPREVIEW(pages_, port_, over);
        for (const PreviewCommand& c : previewCommands()) win->addCommand(c.name, c.text, c.icon, c.run);
        win->setAttribute(Qt::WA_DeleteOnClose);
        if (over) win->setWindowModality(Qt::ApplicationModal);
        // Whole screen even where no window manager honours "maximised".
        if (QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen())
            win->setGeometry(screen->availableGeometry());
        win->showMaximized();
        if (options().modal || over) {
            QEventLoop loop;
            QObject::connect(win, &QObject::destroyed, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return true;
    }
    QPrinter printer(QPrinter::HighResolution);
    applyChosenPrinter(printer, pages_->printerName);
    bool ok;
    {
        WaitCursor wait;
        ok = pages_->print(printer, 1, pages_->count());
    }
    if (!ok) tell(port_, QStringLiteral("No se pudo imprimir el documento."), QStringLiteral("Atención"));
    return ok;
}

// ---------------------------------------------------------------------------

void choosePrinter(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        pdfChoice() = printer.outputFileName();
        setChosenPrinter({});
    } else {
        pdfChoice().clear();
        setChosenPrinter(printer.printerName().toStdString());
    }
}

QString chosenPdfFile() { return pdfChoice(); }

void applyChosenPrinter(QPrinter& printer, const QString& name) {
    if (!name.isEmpty()) {
        printer.setPrinterName(name);
    } else if (!chosenPdfFile().isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(chosenPdfFile());
    } else if (!chosenPrinter().empty()) {
        printer.setPrinterName(QString::fromStdString(chosenPrinter()));
    }
}

void installQtPrinting(UiPort* port) {
    setPrintJobFactory([port](const PrintJobOptions& o) { return std::make_shared<QtPrintJob>(o, port); });
    setPrinterSetupHandler([] {
        QPrinter printer(QPrinter::HighResolution);
        applyChosenPrinter(printer, {});
        QPrintDialog dialog(&printer, QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted) return false;
        choosePrinter(printer);
        return true;
    });
}

}  // namespace remu
