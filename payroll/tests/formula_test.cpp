#include <gtest/gtest.h>

#include "payroll/formula.h"

using namespace remu;

TEST(Formula, ArithmeticPrecedenceAndVariables) {
    FormulaContext c = FormulaContext::runStart();
    c[FormulaVar::VALOR] = 10;
    c[FormulaVar::VALOUF] = 27000.5;
    EXPECT_DOUBLE_EQ(evaluateFormula("1+2*3", c).value, 7);
    EXPECT_DOUBLE_EQ(evaluateFormula("(1+2)*3", c).value, 9);
    EXPECT_DOUBLE_EQ(evaluateFormula("8/4/2", c).value, 1);
    EXPECT_DOUBLE_EQ(evaluateFormula("10-4-3", c).value, 3);
    EXPECT_DOUBLE_EQ(evaluateFormula("-VALOR*-2", c).value, 20);
    EXPECT_DOUBLE_EQ(evaluateFormula("- (2+3)", c).value, -5);
    EXPECT_DOUBLE_EQ(evaluateFormula(" valor * valouf ", c).value, 270005);
    EXPECT_DOUBLE_EQ(evaluateFormula("VALOR*1000", c).value, 10000);
    EXPECT_DOUBLE_EQ(evaluateFormula(".5+1.25", c).value, 1.75);
    EXPECT_DOUBLE_EQ(evaluateFormula("Dias_No_Tra + diatra", c).value, 30);
}

TEST(Formula, FailuresAreReportedNotGuessed) {
    FormulaContext c = FormulaContext::runStart();
    for (const char* bad : {"", "1+", "(1+2", "1+2)", "VALOR VALOR", "PORAFP*2", "SUELDO>1", "1/0", "system(1)",
                            "VALOR/(DIATRA-30)", "1..2", "VALOR;1"}) {
        FormulaResult r = evaluateFormula(bad, c);
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_FALSE(r.error.empty()) << bad;
    }
}

TEST(Formula, ValidatorOnTheTrialContext) {
    RecordingPort ui;
    EXPECT_TRUE(VALIFORMU("", ui));
    EXPECT_TRUE(VALIFORMU("   ", ui));
    EXPECT_TRUE(VALIFORMU("VALOR*VALOUF", ui));
    EXPECT_TRUE(VALIFORMU("sueldo/30*diatra", ui));
    EXPECT_NEAR(evaluateFormula("SUELDO/30*DIATRA", FormulaContext::trial()).value, 100.0 / 30 * 100, 1e-9);
    EXPECT_TRUE(ui.boxes.empty());

    for (const char* bad : {"SUELDO=100", "VALOR > 1", "!VALOR", "VALOR*2 \xC3\xB1", "XYZ*2", "DIAS_NO_TRA*2", "1/0"}) {
        ui.clear();
        EXPECT_FALSE(VALIFORMU(bad, ui)) << bad;
        ASSERT_EQ(ui.boxes.size(), 1u) << bad;
        EXPECT_EQ(ui.boxes[0].text, "ERROR EN LA FORMULA");
        EXPECT_EQ(ui.boxes[0].title, "ATENCION");
    }
}

TEST(Formula, HelpTextsAreData) {
    const auto& e = formulaHelpEntries();
    ASSERT_EQ(e.size(), 11u);
    EXPECT_STREQ(e.front().name, "DIATRA");
    EXPECT_STREQ(e[1].explanation, "Total Haberes (No Incluye No Imponibles) ");
    EXPECT_STREQ(e.back().name, "PORAFP");
}
