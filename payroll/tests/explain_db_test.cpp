// The explanation of every line re-computes to the line's amount, for the demo
// companies' workers, and recording changes nothing the engine writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/work_tables.h"
#include "format/text.h"
#include "payroll/calculation.h"
#include "payroll/engine.h"
#include "payroll/explain.h"
#include "tests/support/demo_client.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

class ExplainDemo : public testdb::DemoSuite {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("explain_" + testdb::uniqueTag());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    Session session(const std::string& company, int year, int month) {
        Session s;
        s.ID_CLIENTE = demo->id();
        std::string db = demo->northDb();
        s.OCON = testdb::connectRoot(db.replace(db.size() - 5, 5, company));
        s.period = Period::of(year, month);
        return s;
    }

    // Runs the month with a recorder for `code`; the worker's lines in REMUMES.
    std::vector<PaySlipLine> run(Session& s, SlipRecorder* rec, const std::string& from = {},
                                 const std::string& to = {}) {
        RecordingPort ui;
        EXPECT_TRUE(CALCULA_REMUN(s, ui, from, to, {dir.string(), nullptr, rec}));
        std::vector<PaySlipLine> mine;
        for (PaySlipLine& l : readWorkTable(WorkTable::REMUMES, dir.string()))
            if (!rec || rec->wants(l.PERSON_REM)) mine.push_back(std::move(l));
        return mine;
    }

    // Every line explained, in REMUMES order, and each check giving the line's amount.
    static void expectRecomputes(const std::vector<PaySlipLine>& remumes, const SlipRecorder& rec,
                                 const std::string& what) {
        const auto& lines = rec.lines();
        ASSERT_EQ(lines.size(), remumes.size()) << what;
        for (size_t i = 0; i < lines.size(); ++i) {
            const ExplainedLine& e = lines[i];
            const std::string at = what + " " + e.line.HABDES_REM + " " + trim(e.line.DESCRI_REM);
            EXPECT_EQ(e.line.HABDES_REM, remumes[i].HABDES_REM) << at;
            EXPECT_EQ(e.line.VALFIN_REM, remumes[i].VALFIN_REM) << at;
            ASSERT_FALSE(e.why.text.empty()) << at;
            ASSERT_FALSE(e.why.check.empty()) << at << ": " << e.why.text;
            FormulaResult r = evaluateFormula(e.why.check, e.why.figures);
            ASSERT_TRUE(r.ok) << at << ": " << e.why.check << " (" << r.error << ")";
            EXPECT_EQ(roundWhole(r.value), e.line.VALFIN_REM) << at << ": " << e.why.text << " | " << e.why.check;
        }
    }

    static std::string explanationOf(const SlipRecorder& rec, const std::string& code) {
        for (const ExplainedLine& e : rec.lines())
            if (trim(e.line.HABDES_REM) == code) return e.why.text;
        return "<no line " + code + ">";
    }

    fs::path dir;
};


}  // namespace

// One test: loading the demo client is what costs.
TEST_F(ExplainDemo, EveryLineRecomputesToItsAmountAndRecordingChangesNothing) {
    // 0001 is the demo worker: UF health plan, dependants, overtime, commissions with weekly
    // rest, loans in instalments, savings, medical leave in March 2019.
    for (int month = 1; month <= 12; ++month) {
        Session s = session("norte", 2019, month);
        SlipRecorder rec("0001");
        const auto lines = run(s, &rec, "0001", "0001");
        expectRecomputes(lines, rec, "2019-" + std::to_string(month));
        if (month != 3) continue;
        EXPECT_EQ(explanationOf(rec, "05"), "HABITAT: 11.27 % de 992,550 imponible.");
        EXPECT_EQ(explanationOf(rec, "UNI"),
                  "Base tributable 753,064: total imponible 992,550 menos AFP 111,860, salud 71,671, APV 50,000, "
                  "seguro de cesantía 5,955. Tramo 2 (de 652,765.51 a 1,450,590): 753,064 × 0.04 menos 26,110.62 de "
                  "rebaja.");
        EXPECT_EQ(explanationOf(rec, "TIM").rfind("Suma de los haberes imponibles: GRATIFICACION 119,146 + HORAS "
                                                  "EXTRAS (6) 30,333 + ",
                                                  0),
                  0u)
            << explanationOf(rec, "TIM");
    }

    // Every worker of both companies, one recorder at a time.
    for (const char* company : {"norte", "sur"}) {
        Session s = session(company, 2019, 3);
        std::vector<std::string> codes;
        for (const PaySlipLine& l : run(s, nullptr))
            if (codes.empty() || codes.back() != trim(l.PERSON_REM)) codes.push_back(trim(l.PERSON_REM));
        ASSERT_GT(codes.size(), 40u);
        for (const std::string& code : codes) {
            SlipRecorder rec(code);
            const auto lines = run(s, &rec, code, code);
            expectRecomputes(lines, rec, std::string(company) + " " + code);
        }
    }

    // The whole month with and without a recorder: the same work table.
    Session s = session("norte", 2019, 3);
    const auto plain = run(s, nullptr);
    SlipRecorder rec("0001");
    RecordingPort ui;
    ASSERT_TRUE(CALCULA_REMUN(s, ui, {}, {}, {dir.string(), nullptr, &rec}));
    const auto recorded = readWorkTable(WorkTable::REMUMES, dir.string());
    ASSERT_EQ(recorded.size(), plain.size());
    for (size_t i = 0; i < recorded.size(); ++i) {
        EXPECT_EQ(recorded[i].DESCRI_REM, plain[i].DESCRI_REM) << i;
        EXPECT_EQ(recorded[i].VALFIN_REM, plain[i].VALFIN_REM) << i;
        EXPECT_EQ(recorded[i].SECUEN_REM, plain[i].SECUEN_REM) << i;
    }
    EXPECT_FALSE(rec.lines().empty());
}
