#include "widgets/print_job.h"

#include <algorithm>
#include <cmath>

namespace remu {

namespace {

struct JobState {
    std::shared_ptr<PrintJob> current;
    PrintJobFactory factory;
    std::function<bool()> setup;
    std::string printer;
};

JobState& state() {
    static JobState s;
    return s;
}

// Decodes one UTF-8 code point; advances i. Malformed bytes come back as themselves.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80) return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra && i < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    return cp;
}

}  // namespace

RuleKind ruleKind(std::string_view utf8) {
    RuleKind kind = RuleKind::None;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = nextCodePoint(utf8, i);
        RuleKind k;
        switch (cp) {
        // macron (OEM 0xEE through code page 850), box drawing horizontals
        case 0x00AF: case 0x2500: case 0x2501: case 0x2550: k = RuleKind::Horizontal; break;
        // broken bar (OEM 0xB3 through the ANSI conversion), box drawing verticals
        case 0x00A6: case 0x2502: case 0x2503: case 0x2551: k = RuleKind::Vertical; break;
        default: return RuleKind::None;
        }
        if (kind != RuleKind::None && kind != k) return RuleKind::None;
        kind = k;
    }
    return kind;
}

PrintJob::PrintJob(PrintJobOptions options, PageMetrics metrics)
    : options_(std::move(options)), metrics_(metrics) {
    if (options_.documentName.empty()) options_.documentName = kDefaultDocumentName;
}

void PrintJob::PAGEBEGIN() {
    if (ended_ || !hasDevice()) return;
    if (inPage_) PAGEEND();  // a page left open is finished, not lost
    inPage_ = true;
    ++pages_;
    doPageBegin();
}

void PrintJob::PAGEEND() {
    if (!inPage_) return;
    inPage_ = false;
    doPageEnd();
}

void PrintJob::CMTR2PIX(double& rowCm, double& colCm) const {
    double r = rowCm * 10.0 * metrics_.vertRes / metrics_.vertSizeMm - yOffset_;
    double c = colCm * 10.0 * metrics_.horzRes / metrics_.horzSizeMm - xOffset_;
    rowCm = std::max(0.0, r);
    colCm = std::max(0.0, c);
}

int PrintJob::rowToPix(double rowCm) const {
    double c = 0;
    CMTR2PIX(rowCm, c);
    return static_cast<int>(std::lround(rowCm));
}

int PrintJob::colToPix(double colCm) const {
    double r = 0;
    CMTR2PIX(r, colCm);
    return static_cast<int>(std::lround(colCm));
}

void PrintJob::CMSAY(double rowCm, double colCm, std::string_view text, const PrintFont* font,
                     std::optional<double> widthCm, std::optional<PrintColour> colour, bool opaque,
                     PrintAlign align) {
    if (!drawable()) return;
    TextCall call{rowCm, colCm, rowToPix(rowCm), colToPix(colCm), std::string(text),
                  font ? *font : defaultFont_, widthCm, std::nullopt, colour, opaque, align};
    if (widthCm)
        call.widthPx = static_cast<int>(std::lround(*widthCm * 10.0 * metrics_.horzRes / metrics_.horzSizeMm));
    doText(call);
}

void PrintJob::SAYBITMAP(int rowPx, int colPx, const std::string& file, int widthPx, int heightPx) {
    if (!drawable() || file.empty()) return;
    doBitmap(rowPx, colPx, file, widthPx, heightPx);
}

void PrintJob::CMLINE(double row1Cm, double col1Cm, double row2Cm, double col2Cm, double penPoints) {
    if (!drawable()) return;
    doLine({false, row1Cm, col1Cm, row2Cm, col2Cm, rowToPix(row1Cm), colToPix(col1Cm), rowToPix(row2Cm),
            colToPix(col2Cm), penPoints});
}

void PrintJob::CMBOX(double topCm, double leftCm, double bottomCm, double rightCm, double penPoints) {
    if (!drawable()) return;
    doLine({true, topCm, leftCm, bottomCm, rightCm, rowToPix(topCm), colToPix(leftCm), rowToPix(bottomCm),
            colToPix(rightCm), penPoints});
}

bool PrintJob::end() {
    if (ended_) return false;
    PAGEEND();
    ended_ = true;
    if (!hasDevice()) return false;
    return doEnd();
}

// ---------------------------------------------------------------------------

RecordingPrintJob::RecordingPrintJob(PrintJobOptions options, PageMetrics metrics)
    : PrintJob(std::move(options), metrics) {}

void RecordingPrintJob::doPageBegin() { pages_.emplace_back(); }

void RecordingPrintJob::doText(const TextCall& call) {
    Item it;
    it.kind = Item::Kind::Text;
    it.rowCm = call.rowCm;
    it.colCm = call.colCm;
    it.rowPx = call.rowPx;
    it.colPx = call.colPx;
    it.text = call.text;
    it.font = call.font;
    it.widthCm = call.widthCm;
    it.colour = call.colour;
    it.opaque = call.opaque;
    it.align = call.align;
    pages_.back().push_back(std::move(it));
}

void RecordingPrintJob::doBitmap(int rowPx, int colPx, const std::string& file, int widthPx, int heightPx) {
    Item it;
    it.kind = Item::Kind::Bitmap;
    it.rowPx = rowPx;
    it.colPx = colPx;
    it.text = file;
    it.widthPx = widthPx;
    it.heightPx = heightPx;
    pages_.back().push_back(std::move(it));
}

void RecordingPrintJob::doLine(const LineCall& c) {
    Item it;
    it.kind = c.box ? Item::Kind::Box : Item::Kind::Line;
    it.rowCm = c.row1Cm;
    it.colCm = c.col1Cm;
    it.row2Cm = c.row2Cm;
    it.col2Cm = c.col2Cm;
    it.rowPx = c.row1Px;
    it.colPx = c.col1Px;
    it.row2Px = c.row2Px;
    it.col2Px = c.col2Px;
    it.penPoints = c.penPoints;
    pages_.back().push_back(std::move(it));
}

std::vector<std::string> RecordingPrintJob::texts(std::size_t page) const {
    std::vector<std::string> out;
    if (page >= pages_.size()) return out;
    for (const auto& it : pages_[page])
        if (it.kind == Item::Kind::Text) out.push_back(it.text);
    return out;
}

const RecordingPrintJob::Item* RecordingPrintJob::findText(std::size_t page, std::string_view text) const {
    if (page >= pages_.size()) return nullptr;
    for (const auto& it : pages_[page])
        if (it.kind == Item::Kind::Text && it.text == text) return &it;
    return nullptr;
}

const RecordingPrintJob::Item* RecordingPrintJob::textAt(std::size_t page, double rowCm, double colCm) const {
    if (page >= pages_.size()) return nullptr;
    for (const auto& it : pages_[page])
        if (it.kind == Item::Kind::Text && std::fabs(it.rowCm - rowCm) < 0.001 && std::fabs(it.colCm - colCm) < 0.001)
            return &it;
    return nullptr;
}

// ---------------------------------------------------------------------------

std::shared_ptr<PrintJob> PRINTBEGIN(const std::string& documentName, bool askUser, bool preview,
                                     const std::string& printerName, bool modal, bool selection) {
    auto& s = state();
    // One job at a time: a job still open is finished so that its pages reach their destination.
    if (s.current) PRINTEND();
    PrintJobOptions o{documentName, askUser, preview, printerName.empty() ? s.printer : printerName, modal,
                      selection};
    s.current = s.factory ? s.factory(o) : std::make_shared<RecordingPrintJob>(o);
    return s.current;
}

std::shared_ptr<PrintJob> currentPrintJob() { return state().current; }

bool PRINTEND() {
    auto job = std::move(state().current);
    state().current.reset();
    return job ? job->end() : false;
}

bool PRINTERSETUP() { return state().setup ? state().setup() : false; }

std::string chosenPrinter() { return state().printer; }
void setChosenPrinter(const std::string& name) { state().printer = name; }

void setPrintJobFactory(PrintJobFactory factory) { state().factory = std::move(factory); }
void setPrinterSetupHandler(std::function<bool()> handler) { state().setup = std::move(handler); }

}  // namespace remu
