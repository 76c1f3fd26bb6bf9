#include "widgets/print_job.h"

#include <gtest/gtest.h>

using namespace remu;

namespace {
// 300 dpi over a 200 x 250 mm printable area: 1 cm = 118.11 px.
PageMetrics metrics300() { return {2362, 2953, 200.0, 250.0}; }
}  // namespace

TEST(PrintJob, CentimetresBecomeDevicePixelsOfTheJobResolution) {
    RecordingPrintJob job({}, metrics300());
    double row = 2.0, col = 1.5;
    job.CMTR2PIX(row, col);
    EXPECT_NEAR(row, 2.0 * 10 * 2953 / 250.0, 1e-9);
    EXPECT_NEAR(col, 1.5 * 10 * 2362 / 200.0, 1e-9);

    job.setOffsets(100, 50);
    row = 2.0, col = 0.5;
    job.CMTR2PIX(row, col);
    EXPECT_NEAR(row, 2.0 * 10 * 2953 / 250.0 - 50, 1e-9);
    EXPECT_EQ(col, 0.0);  // never below the sheet's edge
}

TEST(PrintJob, RecordsPagesTextsFontsBitmapsAndLines) {
    RecordingPrintJob job({}, metrics300());
    PrintFont bold{"Arial", 7, true};
    job.CMSAY(1.0, 1.0, "antes de la página");  // outside a page: nothing
    job.PAGEBEGIN();
    job.CMSAY(4.0, 1.5, "TRABAJADOR", &bold);
    job.CMSAY(16.5, 18.5, "1,234,567", nullptr, {}, {}, false, PrintAlign::Right);
    job.SAYBITMAP(118, 118, "logo.bmp", 472, 236);
    job.SAYBITMAP(0, 0, "", 10, 10);  // no file: nothing
    job.CMLINE(3.0, 1.2, 3.0, 19.8, 1.5);
    job.PAGEBEGIN();  // the open page is finished first
    job.CMSAY(1.0, 6.0, "Empresa Ñuñoa", nullptr, 4.0, 8388608u, true, PrintAlign::Centre);
    EXPECT_TRUE(job.end());
    EXPECT_FALSE(job.end());  // only once

    ASSERT_EQ(job.pages().size(), 2u);
    EXPECT_EQ(job.pageCount(), 2);
    EXPECT_EQ(job.texts(0), (std::vector<std::string>{"TRABAJADOR", "1,234,567"}));
    const auto* t = job.findText(0, "TRABAJADOR");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->font, bold);
    EXPECT_EQ(t->rowPx, 472);  // 4 cm at 118.12 px/cm
    EXPECT_EQ(t->colPx, 177);
    const auto* amount = job.textAt(0, 16.5, 18.5);
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(amount->align, PrintAlign::Right);
    EXPECT_EQ(amount->font, job.defaultFont());

    const auto& p0 = job.pages()[0];
    ASSERT_EQ(p0.size(), 4u);
    EXPECT_EQ(p0[2].kind, RecordingPrintJob::Item::Kind::Bitmap);
    EXPECT_EQ(p0[2].text, "logo.bmp");
    EXPECT_EQ(p0[2].widthPx, 472);
    EXPECT_EQ(p0[3].kind, RecordingPrintJob::Item::Kind::Line);
    EXPECT_EQ(p0[3].col2Cm, 19.8);
    EXPECT_EQ(p0[3].col2Px, 2338);

    const auto& p1 = job.pages()[1][0];
    EXPECT_EQ(p1.text, "Empresa Ñuñoa");
    EXPECT_EQ(p1.widthCm, 4.0);
    EXPECT_EQ(p1.colour, 8388608u);
    EXPECT_TRUE(p1.opaque);
    EXPECT_EQ(p1.align, PrintAlign::Centre);

    job.CMSAY(1, 1, "después del fin");
    EXPECT_EQ(job.pages()[1].size(), 1u);
}

TEST(PrintJob, WithoutDeviceNothingIsDrawnAndEndReportsFailure) {
    RecordingPrintJob job;
    job.setDevice(false);
    job.PAGEBEGIN();
    job.CMSAY(1, 1, "x");
    EXPECT_TRUE(job.pages().empty());
    EXPECT_FALSE(job.end());
}

TEST(PrintJob, RuleTextsAreRecognised) {
    EXPECT_EQ(ruleKind("¯¯¯¯"), RuleKind::Horizontal);
    EXPECT_EQ(ruleKind("─"), RuleKind::Horizontal);
    EXPECT_EQ(ruleKind("¦"), RuleKind::Vertical);
    EXPECT_EQ(ruleKind("│"), RuleKind::Vertical);
    EXPECT_EQ(ruleKind("¯│"), RuleKind::None);
    EXPECT_EQ(ruleKind("¯ HABERES"), RuleKind::None);
    EXPECT_EQ(ruleKind(""), RuleKind::None);
    EXPECT_EQ(ruleKind("____"), RuleKind::None);  // signature lines stay text
}

TEST(PrintJob, ProcessWideJobAndFactory) {
    auto first = PRINTBEGIN({}, false, true);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->documentName(), kDefaultDocumentName);
    EXPECT_TRUE(first->preview());
    EXPECT_EQ(currentPrintJob(), first);
    first->PAGEBEGIN();
    first->CMSAY(1, 1, "hoja 1");

    // A second begin finishes the first job rather than dropping it.
    setChosenPrinter("Oficina");
    auto second = PRINTBEGIN("Liquidaciones");
    EXPECT_TRUE(first->ended());
    EXPECT_EQ(second->options().printerName, "Oficina");
    EXPECT_EQ(second->documentName(), "Liquidaciones");
    EXPECT_TRUE(PRINTEND());
    EXPECT_EQ(currentPrintJob(), nullptr);
    EXPECT_FALSE(PRINTEND());
    setChosenPrinter({});

    int made = 0;
    setPrintJobFactory([&](const PrintJobOptions& o) {
        ++made;
        return std::make_shared<RecordingPrintJob>(o, metrics300());
    });
    auto third = PRINTBEGIN();
    EXPECT_EQ(made, 1);
    EXPECT_EQ(third->metrics().horzRes, 2362);
    PRINTEND();
    setPrintJobFactory(nullptr);
    EXPECT_FALSE(PRINTERSETUP());
}
