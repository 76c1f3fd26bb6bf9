// TWORD against the real LibreOffice: every case of this program shares the session's
// word processor, as the documents of one session do.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/ui_port.h"
#include "office/tword.h"
#include "tests/support/docx_files.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

// Markers the way templates carry them: repeated, in other letter case, split across
// runs by spell-check marks and revision ids, in a table (and a table inside it), one in
// the page header, bold and italic around them.
const char* kBody =
    "<w:p><w:r><w:t xml:space=\"preserve\">Empleador: [NOMEMP], otra vez [nomemp] y [NomEmp].</w:t></w:r></w:p>"
    "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">Trabajador: </w:t></w:r>"
    "<w:r w:rsidR=\"00A1\"><w:rPr><w:b/></w:rPr><w:t>[NOM</w:t></w:r><w:proofErr w:type=\"spellStart\"/>"
    "<w:r w:rsidR=\"00B2\"><w:rPr><w:b/></w:rPr><w:t>PER]</w:t></w:r><w:proofErr w:type=\"spellEnd\"/>"
    "<w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\"> en cursiva</w:t></w:r></w:p>"
    "<w:p><w:r><w:t xml:space=\"preserve\">RUT: [RUT</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>PER]</w:t></w:r>"
    "<w:r><w:t xml:space=\"preserve\"> fin.</w:t></w:r></w:p>"
    "<w:p><w:r><w:t xml:space=\"preserve\">Cargo: [ACTPER] -</w:t></w:r></w:p>"
    "<w:tbl><w:tblGrid><w:gridCol w:w=\"4000\"/><w:gridCol w:w=\"4000\"/></w:tblGrid><w:tr>"
    "<w:tc><w:p><w:r><w:t>Celda [NOMEMP]</w:t></w:r></w:p></w:tc>"
    "<w:tc><w:tbl><w:tblGrid><w:gridCol w:w=\"3000\"/></w:tblGrid><w:tr><w:tc><w:p><w:r><w:t>Interior "
    "[rutper]</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:p/></w:tc></w:tr></w:tbl>"
    "<w:p><w:r><w:t>Cierre.</w:t></w:r></w:p>";
const char* kHeader = "<w:p><w:r><w:t>Encabezado [NOMEMP]</w:t></w:r></w:p>";

std::string text(const std::string& document) {
    std::string txt = document + ".txt";
    if (!convertDocument(document, txt)) return "(no se pudo convertir " + document + ")";
    return testdocx::readFile(txt);
}

size_t count(const std::string& hay, const std::string& needle) {
    size_t n = 0;
    for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
    return n;
}

std::string upperAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

class TwordTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("remu_tword_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        docx_ = (dir_ / "plantilla.docx").string();
        testdocx::writeDocx(docx_, kBody, kHeader);
        doc_ = (dir_ / "plantilla.doc").string();
        ASSERT_TRUE(convertDocument(docx_, doc_));
    }
    static void TearDownTestSuite() {
        endWordProcessor();
        fs::remove_all(dir_);
    }

    // Fills a template with the test values; the path of the result.
    std::string fill(const std::string& templ, const std::string& out) {
        fs::copy_file(templ, out, fs::copy_options::overwrite_existing);
        TWORD w = TWORD::New(ui_);
        EXPECT_TRUE(w.lWord);
        EXPECT_TRUE(w.OpenDoc(out));
        EXPECT_EQ(w.Replace("[NOMEMP]", "COMERCIAL NORTE LTDA."), 4);  // three in the body, one in the table
        EXPECT_EQ(w.Replace("[NOMPER]", "JUAN PÉREZ NÚÑEZ"), 1);
        EXPECT_EQ(w.Replace("[RUTPER]", "12.345.678-5"), 2);
        EXPECT_EQ(w.Replace("[ACTPER]", "JEFE [ACTPER] DE VENTAS"), 1);
        EXPECT_TRUE(w.Save(out));
        w.End();
        return out;
    }

    static fs::path dir_;
    static std::string docx_, doc_;
    RecordingPort ui_;
};
fs::path TwordTest::dir_;
std::string TwordTest::docx_, TwordTest::doc_;

void expectFilled(const std::string& t) {
    EXPECT_EQ(upperAscii(t).find("[NOM"), std::string::npos) << t;
    EXPECT_EQ(upperAscii(t).find("[RUT"), std::string::npos) << t;
    EXPECT_EQ(count(t, "COMERCIAL NORTE LTDA."), 4u) << t;
    EXPECT_NE(t.find("Trabajador: JUAN PÉREZ NÚÑEZ en cursiva"), std::string::npos) << t;
    EXPECT_NE(t.find("RUT: 12.345.678-5 fin."), std::string::npos) << t;
    EXPECT_NE(t.find("Interior 12.345.678-5"), std::string::npos) << t;
    // The replacement that carries its own marker is placed once and not searched again.
    EXPECT_NE(t.find("Cargo: JEFE [ACTPER] DE VENTAS -"), std::string::npos) << t;
}

}  // namespace

TEST_F(TwordTest, DocxMarkersAreReplacedInTheMainTextOnly) {
    std::string out = fill(docx_, (dir_ / "salida.docx").string());
    expectFilled(text(out));
    EXPECT_TRUE(ui_.boxes.empty());
    // The page header is not the main text.
    EXPECT_NE(testdocx::readPart(out, "word/header1.xml").find("[NOMEMP]"), std::string::npos);
}

TEST_F(TwordTest, LegacyDocMarkersAreReplacedAndTheFormatIsKept) {
    std::string out = fill(doc_, (dir_ / "salida.doc").string());
    expectFilled(text(out));
    // Still a Word 97 document (an OLE compound file), not another format under its name.
    std::string head = testdocx::readFile(out).substr(0, 8);
    EXPECT_EQ(head, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

TEST_F(TwordTest, BoldAndItalicAroundAMarkerSurvive) {
    for (const auto& templ : {docx_, doc_}) {
        std::string out = fill(templ, (dir_ / ("formato" + fs::path(templ).extension().string())).string());
        std::string docx = out + ".docx";
        ASSERT_TRUE(convertDocument(out, docx));
        std::string xml = testdocx::readPart(docx, "word/document.xml");
        auto value = testdocx::formatOf(xml, "JUAN PÉREZ NÚÑEZ");
        ASSERT_TRUE(value.found) << templ;
        EXPECT_TRUE(value.bold) << templ;
        EXPECT_FALSE(value.italic) << templ;
        auto label = testdocx::formatOf(xml, "Trabajador:");
        EXPECT_TRUE(label.bold) << templ;
        auto after = testdocx::formatOf(xml, " en cursiva");
        ASSERT_TRUE(after.found) << templ;
        EXPECT_TRUE(after.italic) << templ;
        EXPECT_FALSE(after.bold) << templ;
    }
}

TEST_F(TwordTest, ProducingTwiceOverwrites) {
    std::string out = (dir_ / "dos_veces.docx").string();
    for (const char* name : {"PRIMERO", "SEGUNDO"}) {
        fs::copy_file(docx_, out, fs::copy_options::overwrite_existing);
        TWORD w = TWORD::New(ui_);
        ASSERT_TRUE(w.OpenDoc(out));
        w.Replace("[NOMPER]", name);
        ASSERT_TRUE(w.Save());
        w.End();
    }
    std::string t = text(out);
    EXPECT_EQ(t.find("PRIMERO"), std::string::npos);
    EXPECT_NE(t.find("Trabajador: SEGUNDO en cursiva"), std::string::npos);
}

TEST_F(TwordTest, EndClosesOnlyTheDocumentsItOpened) {
    std::string a = (dir_ / "a.docx").string(), b = (dir_ / "b.docx").string();
    fs::copy_file(docx_, a, fs::copy_options::overwrite_existing);
    fs::copy_file(docx_, b, fs::copy_options::overwrite_existing);
    TWORD first = TWORD::New(ui_);
    TWORD second = TWORD::New(ui_);
    ASSERT_TRUE(first.OpenDoc(a));
    ASSERT_TRUE(second.OpenDoc(b));
    first.End();
    // The other document is still open and usable; the word processor is still there.
    EXPECT_EQ(second.Replace("[NOMPER]", "OTRO"), 1);
    EXPECT_TRUE(second.Save());
    second.End();
    EXPECT_NE(text(b).find("Trabajador: OTRO"), std::string::npos);
    EXPECT_FALSE(first.Save());  // nothing left to save
}

TEST_F(TwordTest, MissingFileAndNothingOpened) {
    TWORD w = TWORD::New(ui_);
    EXPECT_FALSE(w.OpenDoc((dir_ / "no_existe.docx").string()));
    EXPECT_EQ(w.Replace("[NOMPER]", "X"), 0);
    EXPECT_FALSE(w.Save((dir_ / "nada.docx").string()));
    EXPECT_FALSE(fs::exists(dir_ / "nada.docx"));
    w.End();
}

// The session's word processor is its own: a child of this program with a private
// profile and pipe; ending it removes the profile.
TEST_F(TwordTest, OwnInstanceWithAPrivateProfile) {
    TWORD w = TWORD::New(ui_);
    ASSERT_TRUE(w.lWord);
    std::string profile;
    int children = 0;
    for (const auto& e : fs::directory_iterator("/proc")) {
        std::string stat = testdocx::readFile((e.path() / "stat").string());
        auto close = stat.rfind(')');
        if (close == std::string::npos || std::atoi(stat.c_str() + close + 4) != ::getpid()) continue;
        std::string cmd = testdocx::readFile((e.path() / "cmdline").string());
        for (char& c : cmd)
            if (c == '\0') c = ' ';
        if (cmd.find("soffice.bin") == std::string::npos) continue;
        ++children;
        EXPECT_NE(cmd.find("--headless"), std::string::npos);
        EXPECT_NE(cmd.find("--accept=pipe,name=remu_word_"), std::string::npos);
        auto p = cmd.find("-env:UserInstallation=file://");
        ASSERT_NE(p, std::string::npos);
        profile = cmd.substr(p + 29, cmd.find(' ', p) - p - 29);
    }
    EXPECT_EQ(children, 1);
    EXPECT_NE(profile.find("remu-word-"), std::string::npos);
    EXPECT_TRUE(fs::exists(profile));
    w.End();
    endWordProcessor();
    EXPECT_FALSE(fs::exists(profile));
    // The next document starts it again.
    TWORD again = TWORD::New(ui_);
    EXPECT_TRUE(again.lWord);
    EXPECT_GT(wordProcessorStartSeconds(), 0);
}

TEST_F(TwordTest, NoWordProcessorGivesTheAlert) {
    endWordProcessor();
    ::setenv("REMU_SOFFICE", (dir_ / "no-hay-office" / "soffice").c_str(), 1);
    RecordingPort ui;
    TWORD w = TWORD::New(ui);
    ::unsetenv("REMU_SOFFICE");
    EXPECT_FALSE(w.lWord);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].kind, BoxKind::Alert);
    EXPECT_EQ(ui.boxes[0].text, "ERROR! Word no está instaldo en esta PC.");
    EXPECT_FALSE(w.OpenDoc(docx_));
    EXPECT_FALSE(w.Save());
    w.End();
}
