#pragma once
// The desktop client's print job: every page is recorded as a QPicture in the
// job's device pixels; the preview shows them, and printing, PDF and document
// export replay them on their own devices.

#include <QColor>
#include <QIcon>
#include <QPicture>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "widgets/print_job.h"

class QPainter;
class QPrinter;
class QImage;

namespace remu {

class UiPort;

// Recorded pages of one job, shared by the job and its preview window.
struct RecordedPages {
    std::vector<QPicture> pages;
    PageMetrics metrics;
    QString documentName;
    QString exportName;   // the file name an export suggests (no folder, no extension)
    QString printerName;  // empty: the system's default printer

    int count() const { return static_cast<int>(pages.size()); }
    // Draws page `index` (0-based) scaled into `target` (device coordinates of the painter).
    void render(QPainter& painter, int index, const QRectF& target) const;
    // Page `index` as an image of `dpi` dots per inch on white.
    QImage image(int index, int dpi) const;
    // Pages from..to (1-based, inclusive) as one printer document. False when the
    // printer cannot be opened.
    bool print(QPrinter& printer, int from, int to) const;
    // A PDF of every page, written by the program itself (text stays text).
    bool writePdf(const QString& path) const;
    // A word-processor document with one page image per page.
    bool writeDocx(const QString& path, QString* error = nullptr) const;
};

class QtPrintJob : public PrintJob {
public:
    // Metrics come from the job's printer (Letter at 600 dpi when there is none).
    explicit QtPrintJob(const PrintJobOptions& options, UiPort* port = nullptr);
    ~QtPrintJob() override;

    bool hasDevice() const override { return device_; }
    std::shared_ptr<RecordedPages> pages() const { return pages_; }
    static int resolution() { return 600; }

protected:
    void doPageBegin() override;
    void doPageEnd() override;
    void doText(const TextCall& call) override;
    void doBitmap(int rowPx, int colPx, const std::string& file, int widthPx, int heightPx) override;
    void doLine(const LineCall& call) override;
    bool doEnd() override;

private:
    // Horizontal rules wait for the page's frame lines: their ends are drawn to meet them.
    struct PendingRule {
        QRectF rect;
        QColor colour;
        qreal reach;  // how far an end may move to meet a frame line (one rule character)
        QRectF clip;  // empty: none
    };
    void drawRules();

    std::shared_ptr<RecordedPages> pages_;
    std::unique_ptr<QPainter> painter_;
    std::vector<PendingRule> rules_;
    std::vector<QRectF> frameMarks_;
    UiPort* port_;
    bool device_ = true;
};

// A command that the previews opened while it lives offer beside their own: the one
// who prints a job may add what only he knows how to do (the pay slip dialog's
// explanation of the slip's lines).
struct PreviewCommand {
    QString name, text;
    QIcon icon;
    std::function<void(QWidget* preview)> run;
};
class ScopedPreviewCommand {
public:
    explicit ScopedPreviewCommand(PreviewCommand c);
    ~ScopedPreviewCommand();
    ScopedPreviewCommand(const ScopedPreviewCommand&) = delete;
    ScopedPreviewCommand& operator=(const ScopedPreviewCommand&) = delete;
};

// Makes PRINTBEGIN build Qt jobs and PRINTERSETUP show the printer dialog. Messages of
// the preview and of printing go to `port` (message boxes when null).
void installQtPrinting(UiPort* port = nullptr);

// The name the printer lists show for printing into a PDF file.
inline constexpr const char* kPrintToFile = "Imprimir a archivo (PDF)";

// Remembers the printer a printer dialog was accepted with for the jobs that follow:
// a printer by name, or printing into a PDF file (the dialog's "print to file").
void choosePrinter(const QPrinter& printer);
// The PDF file chosen to print into; empty when a printer (or none) is chosen.
QString chosenPdfFile();
// Points `printer` at `name`, or, for an empty name, at the chosen printer or file.
void applyChosenPrinter(QPrinter& printer, const QString& name);

}  // namespace remu
