#include "pdf/tpdf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

#include "pdf/tests/tiny_jpeg.h"

namespace fs = std::filesystem;
using namespace remu;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/remu_pdf_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::pair<int, std::string> run(const std::string& cmd) {
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    int rc = pclose(p);
    return {WEXITSTATUS(rc), out};
}

// Builds the expected file piece by piece, keeping each object's offset.
struct Expected {
    std::string bytes;
    std::vector<long long> offsets = std::vector<long long>(32, 0);
    void lines(std::initializer_list<std::string> ls) {
        for (auto& l : ls) bytes += l + "\r\n";
    }
    void object(int n, std::initializer_list<std::string> ls) {
        offsets[n] = static_cast<long long>(bytes.size());
        lines(ls);
    }
    void tail(int info) {
        int n = info + 3;
        bytes += "\r\n";
        long long xref = static_cast<long long>(bytes.size());
        lines({"xref", "0 " + std::to_string(n), "0000000000 65535 f"});
        for (int o = 1; o < n; ++o) {
            char e[32];
            std::snprintf(e, sizeof e, "%010lld 00000 n", offsets[o]);
            lines({e});
        }
        lines({"trailer << /Size " + std::to_string(n) + " /Root " + std::to_string(info + 1) + " 0 R /Info " +
                   std::to_string(info) + " 0 R >>",
               "startxref", std::to_string(xref), "%%EOF"});
    }
};

}  // namespace

TEST(Tpdf, OnePageOneFontIsWrittenByteForByte) {
    TempDir dir;
    auto path = dir.file("uno.pdf");
    auto pdf = TPDF::New(path);
    ASSERT_TRUE(pdf);
    pdf->setCreationDate("20190305101112");
    pdf->Pdfnewpage(std::nullopt, "P", std::nullopt, "VERDANA", std::nullopt, 8);
    pdf->Pdfatsay("Hola", 800, 10);
    ASSERT_TRUE(pdf->Pdfclose());

    std::string contents = "\r\nBT /Fo1 8.00 Tf 10.00 800.00 Td (Hola) Tj ET";
    Expected e;
    e.lines({"%PDF-1.3"});
    e.object(2, {"2 0 obj", "<<", "/Type /Page /Parent 1 0 R", "/Resources 3 0 R", "/MediaBox [ 0 0 595.00 842.00 ]",
                 "/Contents 4 0 R", ">>", "endobj"});
    e.object(3, {"3 0 obj", "<<", "/ColorSpace << /DeviceRGB /DeviceGray >>", "/ProcSet [ /PDF /Text /ImageB /ImageC ]",
                 "/Font", "<<", "/Fo1 6 0 R", ">>", ">>", "endobj"});
    e.object(4, {"4 0 obj << /Length 5 0 R ", "", ">>", "stream"});
    e.bytes += contents;
    e.lines({"", "endstream", "endobj"});
    e.object(5, {"5 0 obj", std::to_string(contents.size()), "endobj"});
    e.object(6, {"6 0 obj", "<<", "/Type /Font", "/Subtype /Type1", "/Name /Fo1", "/BaseFont /Courier",
                 "/Encoding /WinAnsiEncoding", ">>", "endobj"});
    e.object(1, {"1 0 obj", "<<", "/Type /Pages /Count 1", "/Kids [ 2 0 R ]", ">>", "endobj"});
    e.object(7, {"7 0 obj", "<< /Title ()", "/Producer ()", "/Author ()", "/Creator ()", "/Subject ()", "/Keywords ()",
                 "/CreationDate (D:20190305101112)", ">>", "endobj"});
    e.object(8, {"8 0 obj", "<< /Type /Catalog /Pages 1 0 R /Outlines 9 0 R >>", "endobj"});
    e.object(9, {"9 0 obj", "<< /Type /Outlines /Count 0 >>", "endobj"});
    e.tail(7);

    std::string got = slurp(path);
    EXPECT_EQ(got, e.bytes);
    EXPECT_EQ(e.offsets[2], 10);
    EXPECT_NE(got.find("trailer << /Size 10 "), std::string::npos);
    auto [rc, out] = run("qpdf --check '" + path + "'");
    EXPECT_EQ(rc, 0) << out;
}

TEST(Tpdf, TextOperators) {
    TempDir dir;
    auto pdf = TPDF::New(dir.file("t.pdf"));
    ASSERT_TRUE(pdf);
    pdf->Pdfnewpage("A4", "P", 6, "Helvetica", 1, 10);
    EXPECT_EQ(pdf->font(), 6);  // Helvetica-Bold

    pdf->Pdfatsay("", 700, 10);
    EXPECT_EQ(pdf->pageBuffer(), "");

    pdf->Pdfatsay("uno", 700, 10);
    pdf->Pdfatsay("(dos) C:\\x", 690.5, 12.25);
    pdf->Pdfatsay("tres", 680, 10);
    pdf->Pdfatsay("página #pagenumber# ✓", 670, 10);
    EXPECT_EQ(pdf->pageBuffer(),
              "\r\nBT /Fo1 10.00 Tf 10.00 700.00 Td (uno) Tj ET"
              "\r\nBT /Fo1 10.00 Tf 12.25 690.50 Td (\\(dos\\) C:\\\\x) Tj ET"
              "\r\nBT 10.00 680.00 Td (tres) Tj ET"
              "\r\nBT 10.00 670.00 Td (p\xE1gina 1 ?) Tj ET");

    // Every family name other than Times and Helvetica selects Courier, in the given style.
    pdf->Pdfsetfont("VERDANA", 2, 8);
    EXPECT_EQ(pdf->font(), 11);
    pdf->Pdfsetfont("times", 3, 8);
    EXPECT_EQ(pdf->font(), 4);

    // A new page writes the font operator again on its first two texts.
    pdf->Pdfnewpage();
    pdf->Pdfatsay("a", 1, 1);
    pdf->Pdfatsay("b", 1, 1);
    pdf->Pdfatsay("c", 1, 1);
    EXPECT_EQ(pdf->pageBuffer(),
              "\r\nBT /Fo3 8.00 Tf 1.00 1.00 Td (a) Tj ET"
              "\r\nBT /Fo3 8.00 Tf 1.00 1.00 Td (b) Tj ET"
              "\r\nBT 1.00 1.00 Td (c) Tj ET");
    EXPECT_TRUE(pdf->Pdfclose());
}

TEST(Tpdf, PageSizesAndLinesPerInch) {
    TempDir dir;
    auto pdf = TPDF::New(dir.file("s.pdf"));
    ASSERT_TRUE(pdf);
    EXPECT_EQ(pdf->pageSizeName(), "A4");
    EXPECT_EQ(pdf->orientation(), "P");
    pdf->Pdfnewpage("LEGAL", "L", 5);
    EXPECT_EQ(pdf->pageWidth(), 1008);
    EXPECT_EQ(pdf->pageHeight(), 612);
    EXPECT_EQ(pdf->linesPerInch(), 6);
    pdf->Pdfsetlpi(12);
    EXPECT_EQ(pdf->linesPerInch(), 12);
    pdf->Pdfpageorient("P");
    pdf->Pdfpagesize("XYZ");  // unknown: the first row
    EXPECT_EQ(pdf->pageSizeName(), "LETTER");
    EXPECT_EQ(pdf->pageWidth(), 612);
    pdf->Pdfpagesize();
    EXPECT_EQ(pdf->pageHeight(), 792);
    EXPECT_TRUE(pdf->Pdfclose());

    EXPECT_EQ(TPDF::New(dir.file("no/existe/x.pdf")), nullptr);
}

TEST(Tpdf, LengthObjectHoldsContentSize) {
    TempDir dir;
    auto path = dir.file("l.pdf");
    auto pdf = TPDF::New(path);
    ASSERT_TRUE(pdf);
    pdf->Pdfnewpage(std::nullopt, "P", std::nullopt, "Courier", 0, 8);
    pdf->Pdfatsay("x", 10, 10);
    pdf->Pdfatsay("y", 10, 10);
    // A short text operator costs 28 bytes plus its text.
    size_t fill = 1234 - pdf->pageBuffer().size() - 28;
    pdf->Pdfatsay(std::string(fill, 'z'), 10, 10);
    ASSERT_EQ(pdf->pageBuffer().size(), 1234u);
    ASSERT_TRUE(pdf->Pdfclose());
    EXPECT_NE(slurp(path).find("\r\n5 0 obj\r\n1234\r\nendobj\r\n"), std::string::npos);
}

TEST(Tpdf, ImagesAndSecondPage) {
    TempDir dir;
    auto jpg = dir.file("logo.jpg");
    std::ofstream(jpg, std::ios::binary) << test::tinyJpeg();
    auto info = readJpegInfo(jpg);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 4);
    EXPECT_EQ(info->height, 3);
    EXPECT_EQ(info->length, static_cast<long long>(test::tinyJpeg().size()));
    EXPECT_FALSE(readJpegInfo(dir.file("nada.jpg")));

    auto path = dir.file("img.pdf");
    auto pdf = TPDF::New(path);
    ASSERT_TRUE(pdf);
    pdf->Pdfnewpage(std::nullopt, "P", std::nullopt, "VERDANA", std::nullopt, 8);
    pdf->Pdfimage(jpg, 785.31, 10, 110, 55);
    pdf->Pdfimage(dir.file("falta.jpg"), 100, 10, 10, 10);  // left out, not referenced
    pdf->Pdfatsay("Señor Ñuñoa € ✓", 700, 10);
    pdf->Pdfnewpage();
    pdf->Pdfsetfont("Times", 1, 12);
    pdf->Pdfimage(jpg, 10, 20, 0, 0, 2, 2);
    pdf->Pdfatsay("Segunda", 600, 10);
    ASSERT_TRUE(pdf->Pdfclose());

    std::string got = slurp(path);
    // Page 1: 2..5, font 6, image 7; page 2: 8..11, new font 12; then 13 info, 14 catalogue, 15 outlines.
    EXPECT_NE(got.find("/XObject\r\n<<\r\n/Image1 7 0 R\r\n>>"), std::string::npos);
    EXPECT_NE(got.find("\r\n7 0 obj\r\n<<\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Image1\r\n"
                       "/Filter [ /DCTDecode ]\r\n/Width 4\r\n/Height 3\r\n/BitsPerComponent 8\r\n"
                       "/ColorSpace/DeviceRGB\r\n/Length 287\r\n>>\r\nstream\r\n" +
                       test::tinyJpeg() + "endstream\r\nendobj\r\n"),
              std::string::npos);
    EXPECT_NE(got.find("stream\r\n\r\nq\r\n110 0 0 55 10 785 cm\r\n/Image1 Do\r\nQ \r\nBT /Fo1"), std::string::npos);
    EXPECT_NE(got.find("\r\nq\r\n2 0 0 2 0 0 cm\r\nq\r\n4 0 0 3 20 10 cm\r\n/Image1 Do\r\nQ \r\nQ \r\nBT"),
              std::string::npos);
    EXPECT_NE(got.find("/Font\r\n<<\r\n/Fo1 6 0 R\r\n/Fo2 12 0 R\r\n>>"), std::string::npos);
    EXPECT_NE(got.find("/Kids [ 2 0 R 8 0 R ]"), std::string::npos);
    EXPECT_NE(got.find("trailer << /Size 16 /Root 14 0 R /Info 13 0 R >>"), std::string::npos);

    auto [rc, out] = run("qpdf --check '" + path + "'");
    EXPECT_EQ(rc, 0) << out;
    auto [rc2, text] = run("pdftotext -enc UTF-8 '" + path + "' -");
    EXPECT_EQ(rc2, 0);
    EXPECT_NE(text.find("Señor Ñuñoa € ?"), std::string::npos) << text;
    EXPECT_NE(text.find("Segunda"), std::string::npos);
}

TEST(Tpdf, FontWidthFile) {
    PdfFontWidths w;
    w.load();
    ASSERT_TRUE(w.loaded());
    EXPECT_EQ(w.width(2, 0, 'A'), 600);  // Courier is fixed pitch
    EXPECT_EQ(w.width(2, 3, 0xD1), 600);
    EXPECT_EQ(w.width(1, 0, 'A'), 667);  // Helvetica A
    EXPECT_EQ(w.width(0, 0, ' '), 250);  // Times space

    TempDir dir;
    auto pdf = TPDF::New(dir.file("w.pdf"));
    ASSERT_TRUE(pdf);
    pdf->Pdfsetfont("Courier", 0, 10);
    EXPECT_DOUBLE_EQ(pdf->Pdflen("ab c"), 4 * 6.0 + 1);
    pdf->Pdfclose();
}

TEST(Tpdf, OnePageWithFontAndImageIsWrittenByteForByte) {
    TempDir dir;
    auto jpg = dir.file("logo.JPG");
    std::ofstream(jpg, std::ios::binary) << test::tinyJpeg();
    auto path = dir.file("img1.pdf");
    auto pdf = TPDF::New(path);
    ASSERT_TRUE(pdf);
    pdf->setCreationDate("20190305101112");
    pdf->Pdfnewpage(std::nullopt, "P", std::nullopt, "VERDANA", std::nullopt, 8);
    pdf->Pdfatsay("Ana", 700, 10);
    pdf->Pdfimage(jpg, 785.31, 10, 110, 55);
    pdf->Pdfimage(jpg, 100, 300, 4, 3);  // the same file twice: one object, one resource entry
    pdf->Pdfsetfont("Courier", 0, 8);  // selected again: still one resource entry
    pdf->Pdfatsay("Ana", 690, 10);
    pdf->Pdfatsay("(x)", 680, 10);
    ASSERT_TRUE(pdf->Pdfclose());

    // Images go in front of the texts; the second text still carries the font (size not yet written).
    std::string contents =
        "\r\nq\r\n110 0 0 55 10 785 cm\r\n/Image1 Do\r\nQ "
        "\r\nq\r\n4 0 0 3 300 100 cm\r\n/Image1 Do\r\nQ "
        "\r\nBT /Fo1 8.00 Tf 10.00 700.00 Td (Ana) Tj ET"
        "\r\nBT /Fo1 8.00 Tf 10.00 690.00 Td (Ana) Tj ET"
        "\r\nBT 10.00 680.00 Td (\\(x\\)) Tj ET";
    Expected e;
    e.lines({"%PDF-1.3"});
    e.object(2, {"2 0 obj", "<<", "/Type /Page /Parent 1 0 R", "/Resources 3 0 R", "/MediaBox [ 0 0 595.00 842.00 ]",
                 "/Contents 4 0 R", ">>", "endobj"});
    e.object(3, {"3 0 obj", "<<", "/ColorSpace << /DeviceRGB /DeviceGray >>", "/ProcSet [ /PDF /Text /ImageB /ImageC ]",
                 "/Font", "<<", "/Fo1 6 0 R", ">>", "/XObject", "<<", "/Image1 7 0 R", ">>", ">>",
                 "endobj"});
    e.object(4, {"4 0 obj << /Length 5 0 R ", "", ">>", "stream"});
    e.bytes += contents;
    e.lines({"", "endstream", "endobj"});
    e.object(5, {"5 0 obj", std::to_string(contents.size()), "endobj"});
    e.object(6, {"6 0 obj", "<<", "/Type /Font", "/Subtype /Type1", "/Name /Fo1", "/BaseFont /Courier",
                 "/Encoding /WinAnsiEncoding", ">>", "endobj"});
    e.object(7, {"7 0 obj", "<<", "/Type /XObject", "/Subtype /Image", "/Name /Image1", "/Filter [ /DCTDecode ]",
                 "/Width 4", "/Height 3", "/BitsPerComponent 8", "/ColorSpace/DeviceRGB",
                 "/Length " + std::to_string(test::tinyJpeg().size()), ">>", "stream"});
    e.bytes += test::tinyJpeg();
    e.lines({"endstream", "endobj"});
    e.object(1, {"1 0 obj", "<<", "/Type /Pages /Count 1", "/Kids [ 2 0 R ]", ">>", "endobj"});
    e.object(8, {"8 0 obj", "<< /Title ()", "/Producer ()", "/Author ()", "/Creator ()", "/Subject ()", "/Keywords ()",
                 "/CreationDate (D:20190305101112)", ">>", "endobj"});
    e.object(9, {"9 0 obj", "<< /Type /Catalog /Pages 1 0 R /Outlines 10 0 R >>", "endobj"});
    e.object(10, {"10 0 obj", "<< /Type /Outlines /Count 0 >>", "endobj"});
    e.tail(8);

    std::string got = slurp(path);
    EXPECT_EQ(got, e.bytes);
    EXPECT_NE(got.find("trailer << /Size 11 /Root 9 0 R /Info 8 0 R >>"), std::string::npos);
    auto [rc, out] = run("qpdf --check '" + path + "'");
    EXPECT_EQ(rc, 0) << out;
}

// A document kept in memory is the very file the writer would have written.
TEST(Tpdf, InMemoryDocumentEqualsTheFile) {
    TempDir dir;
    auto jpg = dir.file("logo.jpg");
    std::ofstream(jpg, std::ios::binary) << test::tinyJpeg();
    auto draw = [&](TPDF& pdf) {
        pdf.setCreationDate("20190305101112");
        pdf.Pdfnewpage(std::nullopt, "P", std::nullopt, "VERDANA", std::nullopt, 8);
        pdf.Pdfimage(jpg, 785.31, 10, 110, 55);
        pdf.Pdfatsay("Señor Ñuñoa", 700, 10);
        pdf.Pdfnewpage();
        pdf.Pdfatsay("Segunda", 600, 10);
        return pdf.Pdfclose();
    };
    auto onDisk = TPDF::New(dir.file("a.pdf"));
    ASSERT_TRUE(draw(*onDisk));
    EXPECT_TRUE(onDisk->takeDocument().empty());
    auto inMemory = TPDF::NewInMemory();
    ASSERT_TRUE(draw(*inMemory));
    EXPECT_FALSE(inMemory->Pdfclose());  // closed once only
    std::string doc = inMemory->takeDocument();
    EXPECT_EQ(doc, slurp(dir.file("a.pdf")));
    EXPECT_EQ(static_cast<long long>(doc.size()), inMemory->documentLength());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 2);  // logo and a.pdf
}
