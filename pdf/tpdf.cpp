#include "pdf/tpdf.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "format/codepage.h"
#include "format/text.h"

namespace remu {

namespace fs = std::filesystem;

const std::array<const char*, 12> TPDF::kFontNames = {
    "Times-Roman", "Times-Bold",          "Times-Italic",     "Times-BoldItalic",
    "Helvetica",   "Helvetica-Bold",      "Helvetica-Oblique", "Helvetica-BoldOblique",
    "Courier",     "Courier-Bold",        "Courier-Oblique",   "Courier-BoldOblique",
};

namespace {

struct PageSize {
    const char* name;
    double width;
    double height;
};
constexpr PageSize kPageSizes[] = {
    {"LETTER", 612, 792}, {"LEGAL", 612, 1008}, {"LEDGER", 1224, 792}, {"A4", 595, 842}, {"A3", 842, 1190},
};

const char* const kCrLf = "\r\n";

std::string toText(long long n) { return std::to_string(n); }

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return data;
}

std::string upperExtension(const std::string& fileName) {
    auto name = fs::path(fileName).filename().string();
    auto dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    return upper(name.substr(dot + 1));
}

// Logo and signature go into every slip of a run: their bytes are kept while
// the file stays the same (size and modification time).
std::string imageBytes(const std::string& path) {
    static std::mutex mutex;
    struct Entry {
        std::uintmax_t size;
        fs::file_time_type time;
        std::string data;
    };
    static std::map<std::string, Entry> cache;
    std::error_code ec1, ec2;
    auto size = fs::file_size(path, ec1);
    auto time = fs::last_write_time(path, ec2);
    if (ec1 || ec2) return {};
    std::lock_guard lock(mutex);
    auto it = cache.find(path);
    if (it != cache.end() && it->second.size == size && it->second.time == time) return it->second.data;
    auto data = readFile(path).value_or(std::string());
    if (cache.size() > 64) cache.clear();
    cache[path] = {size, time, data};
    return data;
}

}  // namespace

TPDF::~TPDF() {
    if (file_) std::fclose(file_);
}

std::unique_ptr<TPDF> TPDF::New(const std::string& fileName, int reportWidth, double pageHeight, double pageWidth) {
    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f) return nullptr;
    std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
    return start(f, reportWidth, pageHeight, pageWidth);
}

std::unique_ptr<TPDF> TPDF::NewInMemory(int reportWidth, double pageHeight, double pageWidth) {
    return start(nullptr, reportWidth, pageHeight, pageWidth);
}

std::unique_ptr<TPDF> TPDF::start(std::FILE* f, int reportWidth, double pageHeight, double pageWidth) {
    std::unique_ptr<TPDF> pdf(new TPDF());
    pdf->file_ = f;
    pdf->inMemory_ = f == nullptr;
    pdf->reportWidth_ = reportWidth;
    pdf->pageHeight_ = pageHeight;
    pdf->pageWidth_ = pageWidth;
    for (auto& row : kPageSizes)
        if (row.width == pageWidth && row.height == pageHeight) {
            pdf->pageSizeName_ = row.name;
            break;
        }
    pdf->orientation_ = pageHeight > pageWidth ? "P" : "L";
    pdf->bottomMargin_ = pageHeight * pdf->lpi_ - 1;
    pdf->widths_.load();
    pdf->line("%PDF-1.3");
    return pdf;
}

void TPDF::write(std::string_view bytes) {
    if (bytes.empty()) return;
    if (inMemory_) memory_.append(bytes);
    else if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) writeFailed_ = true;
    docLength_ += static_cast<long long>(bytes.size());
}

void TPDF::line(std::string_view text) {
    write(text);
    write(kCrLf);
}

void TPDF::beginObject(int number) {
    if (static_cast<int>(offsets_.size()) <= number) offsets_.resize(number + 1, 0);
    offsets_[number] = docLength_;
}

int TPDF::fontPosition(int font) const {
    for (size_t k = 0; k < docFonts_.size(); ++k)
        if (docFonts_[k].font == font) return static_cast<int>(k) + 1;
    return 0;
}

void TPDF::Pdfnewpage(std::optional<std::string> pageSize, std::optional<std::string> orientation,
                      std::optional<int> linesPerInch, std::optional<std::string> fontName,
                      std::optional<int> fontStyle, std::optional<double> fontSize) {
    static const char* const kFamilies[] = {"Times", "Helvetica", "Courier"};
    std::string family = kFamilies[(font_ - 1) / 4];
    int style = (font_ - 1) % 4;
    // A page begun is a page written, even one that holds only images.
    if (pageOpen_) Pdfclosepage();
    pageFonts_.clear();
    pageImages_.clear();
    ++pageCount_;
    Pdfpagesize(pageSize ? *pageSize : pageSizeName_);
    Pdfpageorient(orientation ? *orientation : orientation_);
    Pdfsetlpi(linesPerInch ? *linesPerInch : lpi_);
    Pdfsetfont(fontName ? *fontName : family, fontStyle ? *fontStyle : style, fontSize ? *fontSize : fontSize_);
    Pdfdrawheader();
    currentLine_ = 0;
    lastFontWritten_ = 0;
    lastSizeWritten_ = 0;
    pageOpen_ = true;
}

void TPDF::Pdfpagesize(std::optional<std::string> name) {
    std::string wanted = upper(name ? *name : std::string("LETTER"));
    const PageSize* row = &kPageSizes[0];
    for (auto& r : kPageSizes)
        if (textEquals(r.name, wanted)) {
            row = &r;
            break;
        }
    pageSizeName_ = row->name;
    if (orientation_ == "P") {
        pageWidth_ = row->width;
        pageHeight_ = row->height;
    } else {
        pageWidth_ = row->height;
        pageHeight_ = row->width;
    }
}

void TPDF::Pdfpageorient(const std::string& orientation) {
    orientation_ = orientation;
    Pdfpagesize(pageSizeName_);
}

void TPDF::Pdfsetlpi(int n) {
    std::string digits = std::to_string(n);
    lpi_ = n > 0 && std::string_view("1;2;3;4;6;8;12;16;24;48").find(digits) != std::string_view::npos ? n : 6;
    Pdfpagesize(pageSizeName_);
}

void TPDF::Pdfsetfont(const std::string& name, int style, double size) {
    if (style < 0 || style > 3) style = 0;
    std::string family = upper(name);
    if (textEquals(family, "TIMES")) font_ = style + 1;
    else if (textEquals(family, "HELVETICA")) font_ = style + 5;
    else font_ = style + 9;
    fontSize_ = size;
    pageFonts_.push_back(font_);
    if (fontPosition(font_) == 0) docFonts_.push_back({font_, ++nextObject_});
}

void TPDF::Pdfdrawheader() {
    if (marginsFlag_) {
        topMargin_ = 1;
        leftMargin_ = 10;
        bottomMargin_ = pageHeight_ * lpi_ - 1;
        marginsFlag_ = false;
    }
}

void TPDF::Pdfatsay(std::string_view text, std::optional<double> row, std::optional<double> column) {
    if (text.empty() || !pageOpen_) return;
    std::string withPage;
    if (auto at = text.find("#pagenumber#"); at != std::string_view::npos) {
        withPage = std::string(text);
        withPage.replace(at, 12, std::to_string(pageCount_));
        text = withPage;
    }
    double y = row ? *row : currentLine_;
    double x = column ? *column : 0;
    std::string& b = pageBuffer_;
    b += kCrLf;
    if (font_ != lastFontWritten_ || fontSize_ != lastSizeWritten_) {
        if (font_ != lastFontWritten_) lastFontWritten_ = font_;
        else lastSizeWritten_ = fontSize_;
        b += "BT /Fo";
        b += std::to_string(fontPosition(font_));
        b += ' ';
        b += pdfFixed(fontSize_, 6);
        b += " Tf ";
    } else {
        b += "BT ";
    }
    b += pdfFixed(x, 7);
    b += ' ';
    b += pdfFixed(y, 7);
    b += " Td (";
    b += pdfString(text);
    b += ") Tj ET";
}

void TPDF::Pdfimage(const std::string& fileName, std::optional<double> row, std::optional<double> column,
                    std::optional<double> width, std::optional<double> height, double xScale, double yScale) {
    if (!pageOpen_) return;
    pageImages_.push_back({fileName, row ? *row : currentLine_, column.value_or(0), width.value_or(0),
                           height.value_or(0), xScale, yScale});
}

void TPDF::Pdfclosepage() {
    if (!pageOpen_) return;
    int p = lastObject_ + 1;

    // Images are numbered in page order, each file once per document. A file that
    // cannot be read as JPEG is left out rather than referenced without dimensions.
    struct Placed {
        const PageImage* image;
        int position;  // among the document images, 1-based
    };
    std::vector<Placed> placed;
    for (auto& img : pageImages_) {
        int position = 0;
        for (size_t m = 0; m < docImages_.size(); ++m)
            if (docImages_[m].file == img.file) position = static_cast<int>(m) + 1;
        if (position == 0) {
            auto ext = upperExtension(img.file);
            std::optional<PdfImageInfo> info;
            if (ext == "JPG" || ext == "JPEG") info = readJpegInfo(img.file);
            if (!info) continue;
            docImages_.push_back({img.file, ++nextObject_, *info});
            position = static_cast<int>(docImages_.size());
        }
        placed.push_back({&img, position});
    }

    beginObject(p);
    pageObjects_.push_back(p);
    line(toText(p) + " 0 obj");
    line("<<");
    line("/Type /Page /Parent 1 0 R");
    line("/Resources " + toText(p + 1) + " 0 R");
    line("/MediaBox [ 0 0 " + pdfFixed(pageWidth_, 7) + " " + pdfFixed(pageHeight_, 7) + " ]");
    line("/Contents " + toText(p + 2) + " 0 R");
    line(">>");
    line("endobj");

    beginObject(p + 1);
    line(toText(p + 1) + " 0 obj");
    line("<<");
    line("/ColorSpace << /DeviceRGB /DeviceGray >>");
    line("/ProcSet [ /PDF /Text /ImageB /ImageC ]");
    if (!pageFonts_.empty()) {
        line("/Font");
        line("<<");
        // A font selected twice on a page is listed once: a repeated key makes the
        // dictionary invalid and readers complain about it.
        std::vector<int> listed;
        for (int f : pageFonts_) {
            if (std::find(listed.begin(), listed.end(), f) != listed.end()) continue;
            listed.push_back(f);
            int k = fontPosition(f);
            line("/Fo" + toText(k) + " " + toText(docFonts_[k - 1].object) + " 0 R");
        }
        line(">>");
    }
    if (!placed.empty()) {
        line("/XObject");
        line("<<");
        std::vector<int> listed;
        for (auto& pl : placed) {
            if (std::find(listed.begin(), listed.end(), pl.position) != listed.end()) continue;
            listed.push_back(pl.position);
            line("/Image" + toText(pl.position) + " " + toText(docImages_[pl.position - 1].object) + " 0 R");
        }
        line(">>");
    }
    line(">>");
    line("endobj");

    std::string contents;
    for (auto& pl : placed) {
        const auto& img = *pl.image;
        const auto& info = docImages_[pl.position - 1].info;
        bool scaled = img.xScale != 0 && img.yScale != 0;
        if (scaled) {
            contents += kCrLf;
            contents += "q";
            contents += kCrLf;
            contents += pdfPlain(img.xScale) + " 0 0 " + pdfPlain(img.yScale) + " 0 0 cm";
        }
        // An absent size takes the picture's own size in that direction.
        double w = img.width != 0 ? img.width : info.width;
        double h = img.height != 0 ? img.height : info.height;
        contents += kCrLf;
        contents += "q";
        contents += kCrLf;
        contents += pdfPlain(w) + " 0 0 " + pdfPlain(h) + " " + pdfPlain(img.column) + " " +
                    pdfPlain(std::trunc(img.row)) + " cm";
        contents += kCrLf;
        contents += "/Image" + toText(pl.position) + " Do";
        contents += kCrLf;
        contents += "Q ";
        if (scaled) {
            contents += kCrLf;
            contents += "Q ";
        }
    }
    contents += pageBuffer_;

    beginObject(p + 2);
    line(toText(p + 2) + " 0 obj << /Length " + toText(p + 3) + " 0 R ");
    line("");
    line(">>");
    line("stream");
    write(contents);
    write(kCrLf);
    line("endstream");
    line("endobj");

    beginObject(p + 3);
    line(toText(p + 3) + " 0 obj");
    line(toText(static_cast<long long>(contents.size())));
    line("endobj");

    for (size_t k = 0; k < docFonts_.size(); ++k) {
        if (docFonts_[k].object <= p + 3) continue;
        beginObject(docFonts_[k].object);
        line(toText(docFonts_[k].object) + " 0 obj");
        line("<<");
        line("/Type /Font");
        line("/Subtype /Type1");
        line("/Name /Fo" + toText(static_cast<long long>(k) + 1));
        line(std::string("/BaseFont /") + kFontNames[docFonts_[k].font - 1]);
        line("/Encoding /WinAnsiEncoding");
        line(">>");
        line("endobj");
    }

    for (size_t m = 0; m < docImages_.size(); ++m) {
        auto& img = docImages_[m];
        if (img.object <= p + 3) continue;
        // The bytes are copied whole; /Length follows what was really read.
        std::string data = imageBytes(img.file);
        if (img.info.offset > 0) data.erase(0, std::min<size_t>(data.size(), static_cast<size_t>(img.info.offset)));
        if (static_cast<long long>(data.size()) > img.info.length) data.resize(static_cast<size_t>(img.info.length));
        beginObject(img.object);
        line(toText(img.object) + " 0 obj");
        line("<<");
        line("/Type /XObject");
        line("/Subtype /Image");
        line("/Name /Image" + toText(static_cast<long long>(m) + 1));
        line("/Filter [ /DCTDecode ]");
        line("/Width " + toText(img.info.width));
        line("/Height " + toText(img.info.height));
        line("/BitsPerComponent " + toText(img.info.bits));
        line(img.info.components == 1 ? "/ColorSpace/DeviceGray"
             : img.info.components == 4 ? "/ColorSpace/DeviceCMYK"
                                        : "/ColorSpace/DeviceRGB");
        line("/Length " + toText(static_cast<long long>(data.size())));
        line(">>");
        line("stream");
        for (size_t at = 0; at < data.size(); at += 8192)
            write(std::string_view(data).substr(at, 8192));
        line("endstream");
        line("endobj");
    }

    lastObject_ = nextObject_;
    nextObject_ = lastObject_ + 4;
    pageBuffer_.clear();
    pageOpen_ = false;
}

bool TPDF::Pdfclose() {
    if (!file_ && !inMemory_) return false;
    if (pageOpen_) Pdfclosepage();

    beginObject(1);
    line("1 0 obj");
    line("<<");
    line("/Type /Pages /Count " + toText(pageCount_));
    std::string kids = "/Kids [";
    for (int k = 0; k < pageCount_ && k < static_cast<int>(pageObjects_.size()); ++k)
        kids += " " + toText(pageObjects_[k]) + " 0 R";
    kids += " ]";
    line(kids);
    line(">>");
    line("endobj");

    int i = lastObject_ + 1;
    if (creationDate_.empty()) {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &local);
        creationDate_ = stamp;
    }
    beginObject(i);
    line(toText(i) + " 0 obj");
    line("<< /Title ()");
    line("/Producer ()");
    line("/Author (" + pdfString(author_) + ")");
    line("/Creator ()");
    line("/Subject (" + pdfString(subject_) + ")");
    line("/Keywords (" + pdfString(keywords_) + ")");
    line("/CreationDate (D:" + creationDate_ + ")");
    line(">>");
    line("endobj");

    beginObject(i + 1);
    line(toText(i + 1) + " 0 obj");
    line("<< /Type /Catalog /Pages 1 0 R /Outlines " + toText(i + 2) + " 0 R >>");
    line("endobj");

    beginObject(i + 2);
    line(toText(i + 2) + " 0 obj");
    line("<< /Type /Outlines /Count 0 >>");
    line("endobj");

    line("");
    long long xref = docLength_;
    int n = i + 3;
    offsets_.resize(std::max<size_t>(offsets_.size(), static_cast<size_t>(n)), 0);
    line("xref");
    line("0 " + toText(n));
    line("0000000000 65535 f");
    char entry[32];
    for (int obj = 1; obj < n; ++obj) {
        std::snprintf(entry, sizeof entry, "%010lld 00000 n", offsets_[obj]);
        line(entry);
    }
    line("trailer << /Size " + toText(n) + " /Root " + toText(i + 1) + " 0 R /Info " + toText(i) + " 0 R >>");
    line("startxref");
    line(toText(xref));
    line("%%EOF");

    bool ok = !writeFailed_;
    if (file_ && std::fclose(file_) != 0) ok = false;
    file_ = nullptr;
    inMemory_ = false;
    return ok;
}

double TPDF::Pdflen(std::string_view text) const {
    std::string bytes = utf8ToCp1252(text, '?');
    int row = (font_ - 1) / 4;
    int style = (font_ - 1) % 4;
    double total = 0;
    for (char c : bytes) {
        auto code = static_cast<unsigned char>(c);
        total += fontSize_ * widths_.width(row, style, code) / 1000.0;
        if (code == ' ') total += 1;
    }
    return total;
}

}  // namespace remu
