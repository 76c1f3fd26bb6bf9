#include "widgets/tpreview.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPrintDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScrollBar>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QDialog>
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <zip.h>

#include "core/ui_port.h"
#include "widgets/tget.h"

using namespace remu;

namespace {

PrintFont body{"Arial", 7};
PrintFont rules{"Arial", 14, true};

// A job of `n` pages, each with its number and a rule, recorded for the preview.
std::shared_ptr<RecordedPages> recorded(int n) {
    PrintJobOptions o;
    o.documentName = "Liquidaciones";
    o.preview = true;
    QtPrintJob job(o);
    for (int i = 1; i <= n; ++i) {
        job.PAGEBEGIN();
        job.CMSAY(1.0, 6.0, "LIQUIDACION DE SUELDO página " + std::to_string(i), &body);
        std::string rule;
        for (int k = 0; k < 69; ++k) rule += "¯";
        job.CMSAY(3.0, 1.2, rule, &rules);
        job.PAGEEND();
    }
    return job.pages();
}

std::string run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    if (exitCode) *exitCode = p.exitCode();
    return (p.readAllStandardOutput() + p.readAllStandardError()).toStdString();
}

}  // namespace

TEST(QtPrintJob, RecordsPagesAndDrawsRulesAsLines) {
    PrintJobOptions o;
    o.preview = true;
    QtPrintJob job(o);
    const auto& m = job.metrics();
    EXPECT_NEAR(m.horzRes / (m.horzSizeMm / 25.4), 600, 1);
    double row = 2.54, col = 1.0;
    job.CMTR2PIX(row, col);
    EXPECT_NEAR(row, 600, 1);
    EXPECT_NEAR(col, 236.2, 0.5);

    job.PAGEBEGIN();
    std::string rule;
    for (int k = 0; k < 20; ++k) rule += "¯";
    job.CMSAY(3.0, 1.2, rule, &rules);
    for (double r = 5.0; r <= 8.0; r += 0.1) job.CMSAY(r, 1.15, "¦", &rules);
    job.CMSAY(10.0, 9.5, "1,234,567", &body, {}, {}, false, PrintAlign::Right);
    job.SAYBITMAP(0, 0, "/nonexistent/logo.bmp", 100, 100);  // draws nothing, fails nothing
    job.PAGEEND();
    ASSERT_EQ(job.pages()->count(), 1);

    QImage img = job.pages()->image(0, 300);  // 1 cm = 118 px
    auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    auto px = [](double cm) { return static_cast<int>(cm * 300 / 2.54); };
    // The rule is one unbroken line: some pixel row is dark all along it.
    bool continuous = false;
    for (int y = px(3.0); y < px(3.8) && !continuous; ++y) {
        bool all = true;
        for (int x = px(1.3); x < px(6.5) && all; ++x) all = dark(x, y);  // 20 x 14 pt Arial macrons
        continuous = all;
    }
    EXPECT_TRUE(continuous);
    // The frame line runs unbroken down from 5 cm to 8 cm.
    bool vertical = false;
    for (int x = px(1.1); x < px(1.5) && !vertical; ++x) {
        bool all = true;
        for (int y = px(5.4); y < px(8.0) && all; ++y) all = dark(x, y);
        vertical = all;
    }
    EXPECT_TRUE(vertical);
    // Right-aligned text ends at its column.
    int lastInk = -1;
    for (int x = 0; x < img.width(); ++x)
        for (int y = px(10.0); y < px(10.4); ++y)
            if (dark(x, y)) lastInk = x;
    EXPECT_NEAR(lastInk, px(9.5), px(0.08));
}

TEST(QtPrintJob, RulesMeetTheFrameAtTheCorners) {
    PrintJobOptions o;
    o.preview = true;
    QtPrintJob job(o);
    job.PAGEBEGIN();
    std::string rule;
    for (int k = 0; k < 69; ++k) rule += "¯";
    job.CMSAY(3.0, 1.2, rule, &rules);
    job.CMSAY(6.0, 1.2, rule, &rules);
    for (double r = 3.0; r <= 6.0 + 1e-9; r += 0.1) {
        job.CMSAY(r, 1.15, "¦", &rules);
        job.CMSAY(r, 19.8, "¦", &rules);
    }
    // A rule far from any frame line keeps its own length.
    job.CMSAY(9.0, 1.2, rule, &rules);
    job.PAGEEND();

    QImage img = job.pages()->image(0, 300);
    auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    auto px = [](double cm) { return static_cast<int>(cm * 300 / 2.54); };
    // Ink extent of a rule (the darkest row near `cm`) and of the frame lines at mid height.
    auto ruleEnds = [&](double cm) {
        std::pair<int, int> best{0, -1};
        for (int y = px(cm); y < px(cm + 0.6); ++y) {
            int first = -1, last = -1;
            for (int x = 0; x < img.width(); ++x)
                if (dark(x, y)) {
                    if (first < 0) first = x;
                    last = x;
                }
            if (last - first > best.second - best.first) best = {first, last};
        }
        return best;
    };
    int frameLeft = -1, frameRight = -1;
    for (int x = 0; x < img.width(); ++x)
        if (dark(x, px(4.5))) {
            if (frameLeft < 0) frameLeft = x;
            frameRight = x;
        }
    ASSERT_GT(frameRight, px(19.5));
    for (double cm : {3.0, 6.0}) {
        auto [first, last] = ruleEnds(cm);
        EXPECT_NEAR(first, frameLeft, 2) << "rule at " << cm << " cm";
        EXPECT_NEAR(last, frameRight, 2) << "rule at " << cm << " cm";
    }
    auto [first, last] = ruleEnds(9.0);
    EXPECT_NEAR(first, px(1.2), 2);
    EXPECT_GT(last, frameRight + 10);  // 69 Arial macrons end past 19.9 cm
}

TEST(QtPrintJob, PreviewOverAModalDialogTakesInputAndIsWaitedFor) {
    QDialog dialog;
    bool ended = false, endedWhileShown = true, modal = false;
    QWidget* owner = nullptr;
    QTimer::singleShot(0, &dialog, [&] {
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* preview = qobject_cast<TPREVIEW*>(w);
                if (!preview || !preview->isVisible()) continue;
                endedWhileShown = ended;
                modal = QApplication::activeModalWidget() == preview;
                owner = preview->parentWidget();
                preview->close();
            }
        });
        PrintJobOptions o;
        o.preview = true;
        QtPrintJob job(o);
        job.PAGEBEGIN();
        job.CMSAY(1.0, 1.0, "LIQUIDACION DE SUELDO", &body);
        job.end();
        ended = true;
        dialog.accept();
    });
    dialog.exec();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(endedWhileShown);  // the dialog's output waits until the preview closes
    EXPECT_TRUE(modal);             // and the preview, not the dialog behind it, takes the input
    EXPECT_EQ(owner, &dialog);
}

TEST(TPREVIEW, PagingZoomAndTwoPages) {
    RecordingPort port;
    TPREVIEW w(recorded(3), &port);
    w.resize(1000, 800);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Liquidaciones");
    EXPECT_EQ(w.pageLabel()->text().trimmed(), "Página: 1/3");
    w.previousPage();  // on the first page: only a beep
    EXPECT_EQ(w.beeps(), 1);
    w.lastPage();
    w.nextPage();
    EXPECT_EQ(w.beeps(), 2);
    EXPECT_EQ(w.page(), 3);
    QTest::keyClick(w.view(), Qt::Key_Home);
    EXPECT_EQ(w.page(), 1);
    QTest::keyClick(w.view(), Qt::Key_PageDown);
    EXPECT_EQ(w.page(), 2);

    EXPECT_FALSE(w.command("normal")->isEnabled());
    EXPECT_FALSE(w.command("one")->isEnabled());
    w.toggleZoom();
    EXPECT_TRUE(w.isZoomed());
    EXPECT_EQ(w.command("zoomButton")->toolTip(), "Normal");
    EXPECT_EQ(w.command("zoomButton")->statusTip(), "Deshacer Zoom de la página");
    // Factor 1: only the vertical bar.
    auto* view = w.view();
    EXPECT_EQ(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QTest::keyClick(w.view(), Qt::Key_PageDown);  // zoomed: scrolls, does not page
    EXPECT_EQ(w.page(), 2);
    w.setZoomFactor(3);
    EXPECT_EQ(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // Two pages leaves zoom; zoom leaves two pages; leaving zoom resets the factor.
    w.toggleTwoPages();
    EXPECT_TRUE(w.isTwoPages());
    EXPECT_FALSE(w.isZoomed());
    EXPECT_EQ(w.zoomFactor(), 1);
    EXPECT_EQ(w.command("twoButton")->toolTip(), "Una página");
    w.lastPage();
    w.grab();  // the empty second pane on the last page draws without failing
    w.toggleZoom();
    EXPECT_FALSE(w.isTwoPages());
    w.toggleZoom();
    EXPECT_EQ(w.zoomFactor(), 1);

    // A single page, or a landscape page, refuses two-page mode.
    TPREVIEW single(recorded(1), &port);
    int before = single.beeps();
    single.toggleTwoPages();
    EXPECT_FALSE(single.isTwoPages());
    EXPECT_EQ(single.beeps(), before + 1);
    auto wide = recorded(2);
    std::swap(wide->metrics.horzSizeMm, wide->metrics.vertSizeMm);
    std::swap(wide->metrics.horzRes, wide->metrics.vertRes);
    TPREVIEW landscape(wide, &port);
    landscape.toggleTwoPages();
    EXPECT_FALSE(landscape.isTwoPages());
    EXPECT_EQ(landscape.beeps(), 1);
}

TEST(TPREVIEW, GoToPage) {
    RecordingPort port;
    TPREVIEW w(recorded(3), &port);
    w.resize(1600, 900);  // the whole tool bar in sight
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    TGET* field = w.goToField();
    field->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QTest::keyClicks(field, "7");
    ASSERT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_Return);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(w.page(), 1);
    EXPECT_TRUE(field->hasFocus());
    ASSERT_EQ(port.boxes.size(), 1u);
    EXPECT_EQ(port.boxes[0].text, "El número de página no existe.");
    EXPECT_GE(w.beeps(), 1);

    field->selectAll();
    QTest::keyClicks(field, "3");
    QTest::keyClick(field, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(w.page(), 3);
    EXPECT_FALSE(field->hasFocus());
    EXPECT_EQ(w.pageLabel()->text().trimmed(), "Página: 3/3");

    // Entering the field again starts it blank; leaving it blank changes nothing.
    field->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(field->text(), "");
    QTest::keyClick(field, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(w.page(), 3);
    EXPECT_EQ(port.boxes.size(), 1u);
}

TEST(TPREVIEW, ExportsPdfAndDocxAndPrintsARange) {
    QTemporaryDir dir;
    RecordingPort port;
    TPREVIEW w(recorded(3), &port);

    // PDF: the name gets its extension, the question comes first, the file is readable.
    QString asked = dir.filePath("liquidacion");
    w.setFileNameAsker([&](const QString&, const QString& filter) {
        EXPECT_EQ(filter, "*.pdf");
        return asked;
    });
    port.answerNext(true);
    w.exportPdfAsked();
    QString pdf = asked + ".pdf";
    ASSERT_EQ(port.boxes.size(), 1u);
    EXPECT_EQ(port.boxes[0].text, ("Ver " + pdf + "?").toStdString());
    ASSERT_EQ(port.openedFiles.size(), 1u);
    EXPECT_EQ(port.openedFiles[0], pdf.toStdString());
    int code = -1;
    std::string check = run("qpdf", {"--check", pdf}, &code);
    EXPECT_EQ(code, 0) << check;
    EXPECT_EQ(run("qpdf", {"--show-npages", pdf}), "3\n");
    std::string text = run("pdftotext", {"-layout", pdf, "-"});
    EXPECT_NE(text.find("LIQUIDACION DE SUELDO página 2"), std::string::npos) << text;

    // An unwritable place: "PDF Plugin Error", the preview stays.
    w.setFileNameAsker([&](const QString&, const QString&) { return dir.filePath("no/such/dir/x.pdf"); });
    port.answerNext(false);
    w.exportPdfAsked();
    EXPECT_EQ(port.boxes.back().text, "PDF Plugin Error");

    // DOCX: a zip with one page image per page and a document that shows each of them.
    QString docx = dir.filePath("liquidacion.docx");
    QString why;
    ASSERT_TRUE(w.exportDocx(docx, &why)) << why.toStdString();
    int err = 0;
    zip_t* z = zip_open(docx.toUtf8().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    ASSERT_NE(z, nullptr) << err;
    int images = 0;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        std::string name = zip_get_name(z, i, 0);
        if (name.rfind("word/media/", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".png") {
            ++images;
            zip_stat_t st;
            zip_stat_index(z, i, 0, &st);
            std::string bytes(st.size, '\0');
            zip_file_t* f = zip_fopen_index(z, i, 0);
            zip_fread(f, bytes.data(), st.size);
            zip_fclose(f);
            QImage page = QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
            EXPECT_FALSE(page.isNull()) << name;
        }
    }
    EXPECT_EQ(images, 3);
    zip_stat_t st;
    ASSERT_EQ(zip_stat(z, "word/document.xml", 0, &st), 0);
    std::string xml(st.size, '\0');
    zip_file_t* f = zip_fopen(z, "word/document.xml", 0);
    zip_fread(f, xml.data(), st.size);
    zip_fclose(f);
    ASSERT_EQ(zip_stat(z, "[Content_Types].xml", 0, &st), 0);
    zip_close(z);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(xml.c_str()));
    EXPECT_EQ(doc.select_nodes("//w:drawing").size(), 3u);

    // Printing pages 2 to 3 makes a two-page printer document.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    QString printed = dir.filePath("impreso.pdf");
    printer.setOutputFileName(printed);
    ASSERT_TRUE(w.printRange(2, 3, &printer));
    EXPECT_EQ(run("qpdf", {"--show-npages", printed}), "2\n");
    text = run("pdftotext", {printed, "-"});
    EXPECT_EQ(text.find("página 1"), std::string::npos);
    EXPECT_NE(text.find("página 3"), std::string::npos);
}

TEST(TPREVIEW, PrintRangeDialog) {
    PrintRangeDialog dlg(5, 2);
    EXPECT_EQ(dlg.from(), 1);
    EXPECT_EQ(dlg.to(), 5);
    EXPECT_FALSE(dlg.fromField()->isEnabled());
    dlg.choose(PrintRangeDialog::Choice::Current);
    EXPECT_EQ(dlg.from(), 2);
    EXPECT_EQ(dlg.to(), 2);
    dlg.choose(PrintRangeDialog::Choice::Range);
    EXPECT_TRUE(dlg.fromField()->isEnabled());
    dlg.fromField()->setText("4");
    dlg.toField()->setText("3");  // before "Desde": refused
    dlg.show();
    auto* ok = dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    ok->click();
    EXPECT_TRUE(dlg.isVisible());
    dlg.toField()->setText("5");
    ok->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.from(), 4);
    EXPECT_EQ(dlg.to(), 5);
}

namespace {

// A preview shown and active, as the user meets it.
struct ShownPreview {
    explicit ShownPreview(std::shared_ptr<RecordedPages> pages) : w(std::move(pages), &port) {
        w.resize(1200, 900);
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    RecordingPort port;
    TPREVIEW w;
};

void choosePdfFile(const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    choosePrinter(printer);
}

void chooseNoPrinter() {
    QPrinter none(QPrinter::HighResolution);
    none.setOutputFormat(QPrinter::NativeFormat);
    none.setOutputFileName({});
    choosePrinter(none);
}

}  // namespace

TEST(TPREVIEW, KeysPageZoomPrintAndClose) {
    auto pages = recorded(3);
    pages->documentName = "Liquidación de sueldo 0001 PÉREZ NÚÑEZ JUAN CARLOS - MARZO 2019";
    ShownPreview p(pages);
    TPREVIEW& w = p.w;
    EXPECT_EQ(w.windowTitle(), "Liquidación de sueldo 0001 PÉREZ NÚÑEZ JUAN CARLOS - MARZO 2019");
    // The page takes the keys from the start; the lists of the tool bar never do.
    EXPECT_EQ(QApplication::focusWidget(), w.view());

    QTest::keyClick(w.view(), Qt::Key_PageDown);
    QTest::keyClick(w.view(), Qt::Key_PageDown);
    EXPECT_EQ(w.page(), 3);
    QTest::keyClick(w.view(), Qt::Key_PageUp);
    EXPECT_EQ(w.page(), 2);

    QTest::keyClick(w.view(), Qt::Key_Plus);
    EXPECT_TRUE(w.isZoomed());
    EXPECT_EQ(w.zoomFactor(), 1);
    QTest::keyClick(w.view(), Qt::Key_Plus);
    EXPECT_EQ(w.zoomFactor(), 2);
    QTest::keyClick(w.view(), Qt::Key_Minus);
    QTest::keyClick(w.view(), Qt::Key_Minus);
    EXPECT_FALSE(w.isZoomed());
    EXPECT_EQ(w.page(), 2);

    QTest::keyClick(w.view(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
}

TEST(TPREVIEW, CtrlPPrintsOnTheChosenPrintToFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("impreso.pdf");
    choosePdfFile(file);
    ShownPreview p(recorded(1));  // one page: printed at once, without the range dialog
    QTest::keyClick(p.w.view(), Qt::Key_P, Qt::ControlModifier);
    chooseNoPrinter();
    EXPECT_TRUE(p.port.boxes.empty()) << p.port.boxes.front().text;
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(run("qpdf", {"--show-npages", file}), "1\n");
    EXPECT_NE(run("pdftotext", {file, "-"}).find("LIQUIDACION DE SUELDO página 1"), std::string::npos);
}

TEST(TPREVIEW, AMissingPageIsToldOnceEvenWhenLeaving) {
    ShownPreview p(recorded(3));
    TGET* field = p.w.goToField();
    field->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QTest::keyClicks(field, "7");
    QTest::keyClick(field, Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(p.port.boxes.size(), 1u);
    EXPECT_TRUE(field->hasFocus());
    // "Salir" with the number still in the field closes without telling it again.
    p.w.command("exit")->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(p.w.isVisible());
    EXPECT_EQ(p.port.boxes.size(), 1u);
}

TEST(TPREVIEW, ExportStartsInTheDocumentsFolderWithTheSlipsName) {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    QDir(home.path()).mkpath("Documents");
    auto pages = recorded(1);
    pages->exportName = "LIQUIDACION_12345678-5_2019_03";
    TPREVIEW w(pages);
    EXPECT_EQ(w.suggestedExportPath(".pdf"), home.filePath("Documents/LIQUIDACION_12345678-5_2019_03.pdf"));
    // Without an export name, the document's name made fit for a file.
    pages->exportName.clear();
    pages->documentName = "Liquidaciones de sueldo A/B - MARZO 2019";
    EXPECT_EQ(w.suggestedExportPath(".docx"), home.filePath("Documents/Liquidaciones de sueldo A_B - MARZO 2019.docx"));
    qputenv("HOME", oldHome);
}

TEST(QtPrintJob, PrinterSetupToAFileIsWhereImprimirPrints) {
    QTemporaryDir dir;
    const QString file = dir.filePath("liquidacion.pdf");
    RecordingPort port;
    installQtPrinting(&port);
    // The user picks "print to file" in the printer dialog and names the file.
    bool sawDialog = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        sawDialog = true;
        if (auto* printers = dlg->findChild<QComboBox*>("printers")) printers->setCurrentIndex(printers->count() - 1);
        if (auto* name = dlg->findChild<QLineEdit*>("filename")) name->setText(file);
        dlg->accept();
    });
    ASSERT_TRUE(PRINTERSETUP());
    ASSERT_TRUE(sawDialog);
    EXPECT_EQ(chosenPdfFile(), file);

    // "Imprimir": a job straight to the printer, which is that file.
    auto job = PRINTBEGIN({}, false, false);
    ASSERT_TRUE(job->hasDevice());
    job->PAGEBEGIN();
    job->CMSAY(1.0, 6.0, "LIQUIDACION DE SUELDO impresa", &body);
    job->PAGEEND();
    EXPECT_TRUE(PRINTEND());
    chooseNoPrinter();
    setPrintJobFactory({});
    EXPECT_TRUE(port.boxes.empty()) << port.boxes.front().text;
    int code = -1;
    std::string check = run("qpdf", {"--check", file}, &code);
    EXPECT_EQ(code, 0) << check;
    EXPECT_NE(run("pdftotext", {file, "-"}).find("LIQUIDACION DE SUELDO impresa"), std::string::npos);
}
