#pragma once
// TPDF: writes a PDF 1.3 file straight to disk, page by page, with text in the
// standard Type 1 fonts (WinAnsi) at absolute positions and JPEG images taken
// unchanged. Coordinates are points from the lower-left corner of the page.
// Texts come in as UTF-8 and are converted to WinAnsi here, at the file border.

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace remu {

// What the writer knows of an image file (JPEG only).
struct PdfImageInfo {
    int width = 0;   // pixels
    int height = 0;  // pixels
    int xDensity = 0;
    int yDensity = 0;
    int bits = 8;
    long long offset = 0;  // of the image data in the file
    long long length = 0;  // of the image data
    int colourKind = 2;    // 2 = direct colour
    int components = 3;    // 1 = grey, 3 = RGB, 4 = CMYK
};

// Reads width, height and densities of a JPEG file; nullopt when it is not one.
std::optional<PdfImageInfo> readJpegInfo(const std::string& fileName);

// Widths of the twelve standard fonts, from "fonts.dat".
class PdfFontWidths {
public:
    // Loads the first readable of: fileName as given (when not empty), "fonts.dat" in the
    // working directory, beside the running program, the build tree, the install folder.
    // Without a file every width is 0.
    void load(const std::string& fileName = {});
    bool loaded() const { return !rows_.empty(); }
    // Width in thousandths of the size; family row 0 Times, 1 Helvetica, 2 Courier.
    int width(int familyRow, int style, unsigned char code) const;

private:
    void resolve(const std::string& fileName);
    std::vector<std::array<int16_t, 896>> rows_;
};

class TPDF {
public:
    ~TPDF();
    TPDF(const TPDF&) = delete;
    TPDF& operator=(const TPDF&) = delete;

    // Creates (or truncates) the file and writes the header; nullptr when the file
    // cannot be created.
    static std::unique_ptr<TPDF> New(const std::string& fileName, int reportWidth = 200, double pageHeight = 842.0,
                                     double pageWidth = 595.0);
    // The same document kept in memory instead of a file, for a caller that must
    // transform it before anything reaches the disk; takeDocument() after Pdfclose.
    static std::unique_ptr<TPDF> NewInMemory(int reportWidth = 200, double pageHeight = 842.0, double pageWidth = 595.0);
    std::string takeDocument() { return std::move(memory_); }

    void Pdfnewpage(std::optional<std::string> pageSize = {}, std::optional<std::string> orientation = {},
                    std::optional<int> linesPerInch = {}, std::optional<std::string> fontName = {},
                    std::optional<int> fontStyle = {}, std::optional<double> fontSize = {});
    void Pdfpagesize(std::optional<std::string> name = {});
    void Pdfpageorient(const std::string& orientation);
    void Pdfsetlpi(int n);
    void Pdfsetfont(const std::string& name = "Times", int style = 0, double size = 10);
    void Pdfdrawheader();
    void Pdfatsay(std::string_view text, std::optional<double> row = {}, std::optional<double> column = {});
    void Pdfimage(const std::string& fileName, std::optional<double> row = {}, std::optional<double> column = {},
                  std::optional<double> width = {}, std::optional<double> height = {}, double xScale = 0,
                  double yScale = 0);
    void Pdfclosepage();
    // Writes the end of the document and closes the file; false when anything
    // could not be written (the file is then not a valid PDF).
    bool Pdfclose();

    // Width in points of a text in the current font and size (plus 1 point per blank).
    double Pdflen(std::string_view text) const;

    // Creation date written into the document information ("D:yyyymmddhhmmss");
    // the local time at Pdfclose unless set.
    void setCreationDate(std::string stamp) { creationDate_ = std::move(stamp); }

    // State the callers and tests look at.
    int font() const { return font_; }
    double fontSize() const { return fontSize_; }
    int linesPerInch() const { return lpi_; }
    const std::string& pageSizeName() const { return pageSizeName_; }
    const std::string& orientation() const { return orientation_; }
    double pageWidth() const { return pageWidth_; }
    double pageHeight() const { return pageHeight_; }
    int pageCount() const { return pageCount_; }
    long long documentLength() const { return docLength_; }
    const std::string& pageBuffer() const { return pageBuffer_; }

    static const std::array<const char*, 12> kFontNames;

private:
    TPDF() = default;

    struct PageImage {
        std::string file;
        double row, column, width, height, xScale, yScale;
    };
    struct DocImage {
        std::string file;
        int object;
        PdfImageInfo info;
    };
    struct DocFont {
        int font;
        int object;
    };

    void write(std::string_view bytes);
    void line(std::string_view text);  // text + CR LF
    void beginObject(int number);      // records its offset
    int fontPosition(int font) const;  // 1-based position among the document fonts

    static std::unique_ptr<TPDF> start(std::FILE* file, int reportWidth, double pageHeight, double pageWidth);

    std::FILE* file_ = nullptr;
    bool inMemory_ = false;  // writing into memory_ until Pdfclose
    std::string memory_;
    bool writeFailed_ = false;
    bool pageOpen_ = false;

    int font_ = 1;
    double fontSize_ = 10;
    int lpi_ = 6;
    std::string pageSizeName_;
    std::string orientation_;
    double pageWidth_ = 595.0;
    double pageHeight_ = 842.0;
    int reportWidth_ = 200;
    int pageCount_ = 0;
    int currentLine_ = 0;
    int lastFontWritten_ = 0;
    double lastSizeWritten_ = 0;
    std::string pageBuffer_;
    int lastObject_ = 1;
    long long docLength_ = 0;
    bool marginsFlag_ = true;
    int nextObject_ = 5;
    double topMargin_ = 1, leftMargin_ = 10, bottomMargin_ = 0;
    std::vector<int> pageObjects_;
    std::vector<long long> offsets_{0, 0};  // by object number; 0 is the free object
    std::vector<DocFont> docFonts_;
    std::vector<DocImage> docImages_;
    std::vector<PageImage> pageImages_;
    std::vector<int> pageFonts_;
    PdfFontWidths widths_;
    std::string author_, subject_, keywords_;
    std::string creationDate_;
};

// Number as the writer's pictures "9999.99" / "999.99" give it: two decimals, no
// leading blanks; asterisks when it does not fit the picture's width.
std::string pdfFixed(double value, int width);
// Number in plain decimal form without leading blanks ("110", "10.5").
std::string pdfPlain(double value);
// Text as it goes between the parentheses of a PDF string: UTF-8 converted to
// WinAnsi ("?" for what it cannot hold), with "\", "(" and ")" escaped.
std::string pdfString(std::string_view utf8);

}  // namespace remu
