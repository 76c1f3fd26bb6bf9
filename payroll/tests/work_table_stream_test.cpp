#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "data/tests/dbf_test_dir.h"
#include "payroll/writer.h"

using namespace remu;
using remu::testing::TempDir;

namespace {

std::vector<PaySlipLine> slip(int worker, int lines) {
    std::vector<PaySlipLine> out;
    for (int i = 0; i < lines; ++i) {
        PaySlipLine l;
        l.MES_REM = "03";
        l.PERSON_REM = std::to_string(1000 + worker);
        l.HABDES_REM = std::to_string(100 + i);
        l.DESCRI_REM = "LÍNEA " + std::to_string(i);
        l.VALFIN_REM = worker * 100 + i;
        out.push_back(l);
    }
    return out;
}

}  // namespace

// The stream writes in the background; what lands on disk must be every line
// handed over, in order, across many batches, and a failure must leave no part
// of the month behind.
TEST(WorkTableStream, WritesEveryLineInOrderOrNothing) {
    {
        TempDir dir;
        RecordingPort ui;
        WorkTableStream stream(dir.path);
        std::vector<PaySlipLine> expected;
        for (int w = 0; w < 3000; ++w) {
            auto s = slip(w, 1 + w % 9);
            expected.insert(expected.end(), s.begin(), s.end());
            stream.add(std::move(s));
        }
        CalcResult r;
        r.ajupaso = slip(7, 2);
        ASSERT_TRUE(stream.finish(r, ui));
        EXPECT_TRUE(ui.boxes.empty());
        auto back = readWorkTable(WorkTable::REMUMES, dir.path);
        ASSERT_EQ(back.size(), expected.size());
        for (size_t i = 0; i < back.size(); ++i) {
            EXPECT_EQ(back[i].PERSON_REM, expected[i].PERSON_REM) << i;
            EXPECT_EQ(back[i].DESCRI_REM, expected[i].DESCRI_REM) << i;
            EXPECT_EQ(back[i].VALFIN_REM, expected[i].VALFIN_REM) << i;
        }
        EXPECT_TRUE(readWorkTable(WorkTable::REMUPASO, dir.path).empty());
        EXPECT_EQ(readWorkTable(WorkTable::AJUPASO, dir.path).size(), 2u);
    }
    {
        // A value too wide for its field, after several batches were written.
        TempDir dir;
        RecordingPort ui;
        WorkTableStream stream(dir.path);
        for (int w = 0; w < 3000; ++w) {
            auto s = slip(w, 9);
            if (w == 2500) s[3].VALFIN_REM = 1e12;
            stream.add(std::move(s));
        }
        EXPECT_FALSE(stream.finish({}, ui));
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_NE(ui.boxes[0].text.find("VALFIN_REM"), std::string::npos);
        EXPECT_TRUE(readWorkTable(WorkTable::REMUMES, dir.path).empty());
    }
    {
        // Abandoned before anything was written: an earlier REMUMES stays unless asked.
        TempDir dir;
        RecordingPort ui;
        writeWorkTable(WorkTable::REMUMES, slip(1, 2), dir.path);
        {
            WorkTableStream stream(dir.path);
            stream.add(slip(2, 3));
            stream.abandon(ui);
        }
        EXPECT_EQ(readWorkTable(WorkTable::REMUMES, dir.path).size(), 2u);
        WorkTableStream stream(dir.path);
        stream.abandon(ui, true);
        EXPECT_TRUE(readWorkTable(WorkTable::REMUMES, dir.path).empty());
        EXPECT_TRUE(ui.boxes.empty());
    }
}

// A run over an earlier month's REMUMES: the new table is in place when finish()
// returns, each slip handed over comes back empty (its vector is reused for the
// next worker), and once the stream is gone nothing else is left in the folder.
TEST(WorkTableStream, ReplacesAnEarlierTableAndLeavesNothingBehind) {
    TempDir dir;
    RecordingPort ui;
    writeWorkTable(WorkTable::REMUMES, slip(1, 20000), dir.path);
    {
        WorkTableStream stream(dir.path);
        std::vector<PaySlipLine> expected;
        std::vector<PaySlipLine> s;
        for (int w = 0; w < 4000; ++w) {
            s = slip(w, 1 + w % 7);
            expected.insert(expected.end(), s.begin(), s.end());
            stream.add(std::move(s));
            ASSERT_TRUE(s.empty()) << w;
        }
        ASSERT_TRUE(stream.finish({}, ui));
        auto back = readWorkTable(WorkTable::REMUMES, dir.path);
        ASSERT_EQ(back.size(), expected.size());
        for (size_t i = 0; i < back.size(); i += 97) {
            EXPECT_EQ(back[i].PERSON_REM, expected[i].PERSON_REM) << i;
            EXPECT_EQ(back[i].HABDES_REM, expected[i].HABDES_REM) << i;
        }
    }
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"AJUPASO.DBF", "REMUMES.DBF", "REMUPASO.DBF"}));
}
