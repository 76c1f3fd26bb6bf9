#include <gtest/gtest.h>

#include <filesystem>

#include <QChart>
#include <QChartView>
#include <QTableWidget>

#include "format/picture.h"
#include "format/text.h"
#include "history/history_window.h"
#include "tests/support/demo_client.h"
#include "widgets/print_job.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

class HistoryWindowTest : public testdb::DemoSuite {
protected:
    void SetUp() override {
        s.ID_CLIENTE = demo->id();
        s.CID_CLIENTE_CONT = demo->id() + "_CONT";
        s.OCON = demo->connectNorth();
        setPrintJobFactory([this](const PrintJobOptions& o) {
            job = std::make_shared<RecordingPrintJob>(o);
            return job;
        });
    }
    void TearDown() override { setPrintJobFactory({}); }

    int rowOf(QTableWidget* t, const QString& label) {
        for (int r = 0; r < t->rowCount(); ++r)
            if (t->item(r, 0) && t->item(r, 0)->text() == label) return r;
        return -1;
    }

    Session s;
    RecordingPort ui;
    std::shared_ptr<RecordingPrintJob> job;
};

}  // namespace

TEST_F(HistoryWindowTest, TableChartAndTheMonthsSlip) {
    HistoryWindow w(s, ui, "0001");
    ASSERT_TRUE(w.load()) << (ui.boxes.empty() ? "" : ui.boxes[0].text);
    QTableWidget* t = w.table();
    ASSERT_EQ(t->rowCount(), 24 + 2);  // two years of months and their totals
    EXPECT_EQ(t->columnCount(), 7);
    EXPECT_EQ(t->horizontalHeaderItem(6)->text(), "ALCANCE LIQUIDO");
    EXPECT_EQ(t->item(0, 0)->text(), "ENERO 2018");
    EXPECT_EQ(t->item(12, 0)->text(), "TOTAL 2018");
    EXPECT_EQ(t->item(25, 0)->text(), "TOTAL 2019");
    const HistoryMonth* march = w.history().month(Period::of(2019, 3));
    ASSERT_TRUE(march && march->computed);
    const int row = rowOf(t, "MARZO 2019");
    ASSERT_GE(row, 0);
    EXPECT_EQ(t->item(row, 6)->text().toStdString(), trim(TRANSFORM(march->figures.netPay, "999,999,999")));
    EXPECT_EQ(w.chart()->chart()->series().size(), 2);

    // Double-click on a month: its slip in the preview, from the lines already computed.
    EXPECT_TRUE(w.previewRow(row));
    ASSERT_TRUE(job);
    ASSERT_EQ(job->pages().size(), 1u);
    bool named = false;
    for (const std::string& text : job->texts(0)) named = named || text.find("JUAN CARLOS") != std::string::npos;
    EXPECT_TRUE(named);
    job.reset();
    EXPECT_FALSE(w.previewRow(12));  // a year's total has no slip
    EXPECT_FALSE(job);

    const fs::path file = fs::temp_directory_path() / ("remu_history_" + testdb::uniqueTag() + ".pdf");
    EXPECT_TRUE(w.exportPdf(QString::fromStdString(file.string())));
    EXPECT_TRUE(fs::exists(file));
    ASSERT_EQ(ui.openedFiles.size(), 1u);
    EXPECT_EQ(ui.openedFiles[0], file.string());
    fs::remove(file);
}

TEST_F(HistoryWindowTest, AWorkerWithoutSlipsIsTold) {
    HistoryWindow w(s, ui, "9876");
    EXPECT_FALSE(w.load());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "No hay liquidaciones del trabajador 9876 en los meses abiertos");
}
