#pragma once
// TPREVIEW: the print preview window over the pages of a finished job: paging,
// zoom, two pages, go to page, printing a range, export to PDF and to a document.

#include <QAbstractScrollArea>
#include <QDialog>
#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>

#include "widgets/qt_print_job.h"

class QAction;
class QComboBox;
class QLabel;
class QPrinter;
class QRadioButton;
class QToolBar;
class QToolButton;
class QMenu;
class QIcon;

namespace remu {

class TGET;
class UiPort;
class PageView;

class TPREVIEW : public QMainWindow {
    Q_OBJECT
public:
    explicit TPREVIEW(std::shared_ptr<RecordedPages> pages, UiPort* port = nullptr, QWidget* parent = nullptr);
    ~TPREVIEW() override;

    int page() const { return page_; }
    int pageCount() const { return pages_->count(); }
    bool isZoomed() const { return zoom_; }
    int zoomFactor() const { return factor_; }
    bool isTwoPages() const { return twoPages_; }
    int beeps() const { return beeps_; }
    const RecordedPages& pages() const { return *pages_; }
    QString printerName() const { return printer_; }

    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void toggleZoom();
    void setZoomFactor(int factor);  // 1..9; enters zoom
    // "+" and "-": into zoom and one factor up; one factor down and out of zoom.
    void zoomIn();
    void zoomOut();
    void toggleTwoPages();
    // The go-to field's rule: 0 does nothing, past the end refuses (false).
    bool goToPage(int number);

    // Print: one page at once, else the range dialog.
    void print();
    // Pages from..to on `printer` (the chosen printer when null).
    bool printRange(int from, int to, QPrinter* printer = nullptr);
    bool exportPdf(const QString& path);
    bool exportDocx(const QString& path, QString* error = nullptr);
    void exportPdfAsked();
    void exportDocAsked();

    // Who asks for an export file name (a save dialog unless a test replaces it).
    using FileNameAsker = std::function<QString(const QString& caption, const QString& filter)>;
    void setFileNameAsker(FileNameAsker f) { askFileName_ = std::move(f); }
    // Where the export dialog starts: the user's documents folder and the job's
    // export name (or its document name) with `extension` (".pdf").
    QString suggestedExportPath(const QString& extension) const;

    // Named commands, for the menus, the tool bar and tests: "first", "previous", "next",
    // "last", "zoom", "normal", "two", "one", "print", "export", "exit".
    QAction* command(const QString& name) const;
    // A command of the one who printed, on the tool bar and in the file menu (the pay
    // slip's explanation of its lines); it runs with the preview as its parent.
    QAction* addCommand(const QString& name, const QString& text, const QIcon& icon,
                        std::function<void(QWidget* preview)> run);
    TGET* goToField() const { return goTo_; }
    QLabel* pageLabel() const { return pageLabel_; }
    // The page area (it takes the keys and the wheel).
    QAbstractScrollArea* view() const;

signals:
    void beeped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class PageView;
    void beep();
    void open(const QString& path);
    QString askFile(const QString& caption, const QString& filter, const QString& extension);
    void update();
    void alert(const QString& text, const QString& title);
    bool ask(const QString& text);

    std::shared_ptr<RecordedPages> pages_;
    UiPort* port_;
    int page_ = 1;
    bool zoom_ = false;
    int factor_ = 1;
    bool twoPages_ = false;
    int goToPage_ = 0;
    int beeps_ = 0;
    bool closing_ = false;  // leaving the go-to field while the window closes is no validation
    QString printer_;
    std::map<QString, QAction*> commands_;
    std::vector<QAction*> factorActions_;
    PageView* view_ = nullptr;
    TGET* goTo_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QToolBar* bar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QComboBox* printerBox_ = nullptr;
    FileNameAsker askFileName_;
};

// Dialog "Imprimir": all pages, the current page, or a range.
class PrintRangeDialog : public QDialog {
    Q_OBJECT
public:
    PrintRangeDialog(int pageCount, int currentPage, QWidget* parent = nullptr);
    enum class Choice { All, Current, Range };
    void choose(Choice c);
    int from() const;
    int to() const;
    TGET* fromField() const { return fromField_; }
    TGET* toField() const { return toField_; }

private:
    int count_, current_;
    int from_ = 1, to_ = 1;
    QRadioButton* all_;
    QRadioButton* currentPage_;
    QRadioButton* range_;
    TGET* fromField_;
    TGET* toField_;
};

}  // namespace remu
