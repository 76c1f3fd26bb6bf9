#pragma once
// Print jobs in centimetre coordinates. The outputs draw on this interface only;
// the desktop client supplies a Qt job that records pages for the preview or
// prints them, tests and remu-cli get a job that records every call page by page.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace remu {

struct PrintFont {
    std::string face = "Arial";
    double points = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool operator==(const PrintFont&) const = default;
};

// Colours are Windows colour values, 0x00BBGGRR (8388608 is navy).
using PrintColour = std::uint32_t;

enum class PrintAlign { Left = 0, Right = 1, Centre = 2 };

// What a device offers: resolution and printable size, as the centimetre conversion needs them.
struct PageMetrics {
    int horzRes = 5100;          // device pixels across (Letter at 600 dpi)
    int vertRes = 6600;          // device pixels down
    double horzSizeMm = 215.9;
    double vertSizeMm = 279.4;
    bool landscape() const { return horzSizeMm >= vertSizeMm; }
};

struct PrintJobOptions {
    std::string documentName;   // empty: the default name below
    bool askUser = false;       // the program never asks
    bool preview = false;
    std::string printerName;    // empty: the chosen/default printer
    bool modal = false;
    bool selection = false;
};

inline constexpr const char* kDefaultDocumentName = "Remuneraciones";

class PrintJob {
public:
    explicit PrintJob(PrintJobOptions options, PageMetrics metrics = {});
    virtual ~PrintJob() = default;
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    const PrintJobOptions& options() const { return options_; }
    const std::string& documentName() const { return options_.documentName; }
    bool preview() const { return options_.preview; }
    const PageMetrics& metrics() const { return metrics_; }
    // False when the job has no printer device: every drawing call then does nothing.
    virtual bool hasDevice() const { return true; }

    void PAGEBEGIN();
    void PAGEEND();
    bool inPage() const { return inPage_; }
    int pageCount() const { return pages_; }

    // Text at (row, column) cm. No font: the job's default font.
    void CMSAY(double rowCm, double colCm, std::string_view text, const PrintFont* font = nullptr,
               std::optional<double> widthCm = {}, std::optional<PrintColour> colour = {},
               bool opaque = false, PrintAlign align = PrintAlign::Left);
    // Bitmap at device pixels, scaled to width x height pixels. A file that cannot be
    // loaded draws nothing.
    void SAYBITMAP(int rowPx, int colPx, const std::string& file, int widthPx, int heightPx);
    // A straight line between two points in cm (rules and frames), pen width in points.
    void CMLINE(double row1Cm, double col1Cm, double row2Cm, double col2Cm, double penPoints = 1.0);
    // A rectangle outline in cm.
    void CMBOX(double topCm, double leftCm, double bottomCm, double rightCm, double penPoints = 1.0);

    // Centimetres to device pixels, in place.
    void CMTR2PIX(double& rowCm, double& colCm) const;
    int rowToPix(double rowCm) const;
    int colToPix(double colCm) const;
    void setOffsets(int xPx, int yPx) { xOffset_ = xPx; yOffset_ = yPx; }

    void setDefaultFont(const PrintFont& f) { defaultFont_ = f; }
    const PrintFont& defaultFont() const { return defaultFont_; }

    // The file name (without folder and extension) the preview suggests for an
    // export of these pages; empty: the document name.
    void setExportName(const std::string& name) { exportName_ = name; }
    const std::string& exportName() const { return exportName_; }

    // Ends the job: opens the preview over the recorded pages, or ends the printer
    // document. False when nothing could be printed.
    bool end();
    bool ended() const { return ended_; }

protected:
    struct TextCall {
        double rowCm, colCm;
        int rowPx, colPx;
        std::string text;  // UTF-8
        PrintFont font;
        std::optional<double> widthCm;
        std::optional<int> widthPx;
        std::optional<PrintColour> colour;
        bool opaque;
        PrintAlign align;
    };
    virtual void doPageBegin() = 0;
    virtual void doPageEnd() = 0;
    virtual void doText(const TextCall& call) = 0;
    virtual void doBitmap(int rowPx, int colPx, const std::string& file, int widthPx, int heightPx) = 0;
    struct LineCall {
        bool box;  // a rectangle with these corners rather than a line
        double row1Cm, col1Cm, row2Cm, col2Cm;
        int row1Px, col1Px, row2Px, col2Px;
        double penPoints;
    };
    virtual void doLine(const LineCall& call) = 0;
    virtual bool doEnd() = 0;

    void setMetrics(const PageMetrics& m) { metrics_ = m; }

private:
    bool drawable() const { return hasDevice() && inPage_ && !ended_; }
    PrintJobOptions options_;
    PageMetrics metrics_;
    PrintFont defaultFont_;
    std::string exportName_;
    int xOffset_ = 0;
    int yOffset_ = 0;
    int pages_ = 0;
    bool inPage_ = false;
    bool ended_ = false;
};

// Rule characters of the slips (OEM box drawing after the code-page conversion).
// A text made only of them is drawn as a real line rather than as glyphs.
enum class RuleKind { None, Horizontal, Vertical };
RuleKind ruleKind(std::string_view utf8);

// Records every call page by page, without drawing anything.
class RecordingPrintJob : public PrintJob {
public:
    struct Item {
        enum class Kind { Text, Bitmap, Line, Box } kind = Kind::Text;
        double rowCm = 0, colCm = 0;     // text: as given; line/box: first corner
        double row2Cm = 0, col2Cm = 0;   // line/box: second corner
        int rowPx = 0, colPx = 0;        // converted position (bitmap: as given)
        int row2Px = 0, col2Px = 0;
        std::string text;                // text, or the bitmap's file
        PrintFont font;
        std::optional<double> widthCm;
        std::optional<PrintColour> colour;
        bool opaque = false;
        PrintAlign align = PrintAlign::Left;
        int widthPx = 0, heightPx = 0;   // bitmap size
        double penPoints = 0;
    };
    using Page = std::vector<Item>;

    explicit RecordingPrintJob(PrintJobOptions options = {}, PageMetrics metrics = {});

    const std::vector<Page>& pages() const { return pages_; }
    // The texts of one page (0-based), in calling order.
    std::vector<std::string> texts(std::size_t page) const;
    // The first text item of a page equal to `text`; nullptr when absent.
    const Item* findText(std::size_t page, std::string_view text) const;
    // The first text item of a page at (row, col) cm (within 0.001 cm); nullptr when absent.
    const Item* textAt(std::size_t page, double rowCm, double colCm) const;
    void setDevice(bool present) { device_ = present; }
    bool hasDevice() const override { return device_; }

protected:
    void doPageBegin() override;
    void doPageEnd() override {}
    void doText(const TextCall& call) override;
    void doBitmap(int rowPx, int colPx, const std::string& file, int widthPx, int heightPx) override;
    void doLine(const LineCall& call) override;
    bool doEnd() override { return true; }

private:
    std::vector<Page> pages_;
    bool device_ = true;
};

// The current job, process-wide: set by PRINTBEGIN, released by PRINTEND.
std::shared_ptr<PrintJob> PRINTBEGIN(const std::string& documentName = {}, bool askUser = false,
                                     bool preview = false, const std::string& printerName = {},
                                     bool modal = false, bool selection = false);
std::shared_ptr<PrintJob> currentPrintJob();
// Ends and releases the current job; false when there was none or it could not print.
bool PRINTEND();
// The system's printer set-up dialog; the chosen printer becomes the default for later
// jobs. False when cancelled or without a user interface.
bool PRINTERSETUP();

// The printer chosen last (empty: the system's default printer).
std::string chosenPrinter();
void setChosenPrinter(const std::string& name);

// Who makes jobs: the desktop client installs its Qt factory; without one,
// PRINTBEGIN makes recording jobs.
using PrintJobFactory = std::function<std::shared_ptr<PrintJob>(const PrintJobOptions&)>;
void setPrintJobFactory(PrintJobFactory factory);
void setPrinterSetupHandler(std::function<bool()> handler);

}  // namespace remu
