#include <gtest/gtest.h>

#include <stdexcept>

#include "core/period.h"

using remu::Period;

TEST(Period, ParsesTheYearAndMonthAsTheyAreGiven) {
    auto p = Period::parse("2019", "03");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->year(), 2019);
    EXPECT_EQ(p->month(), 3);
    EXPECT_EQ(p->yearText(), "2019");
    EXPECT_EQ(p->monthText(), "03");
    EXPECT_EQ(p->yearMonth(), 201903);
    // A one-digit month and blanks around are what a user types.
    EXPECT_EQ(Period::parse(" 2018 ", "3 "), Period::of(2018, 3));
    EXPECT_EQ(Period::parse("2019", "12")->monthText(), "12");
}

TEST(Period, RefusesWhatCannotNameATableOrAMonth) {
    for (auto [y, m] : {std::pair{"19", "03"}, {"20x9", "03"}, {"0999", "03"}, {"2019;", "03"}, {"", "03"},
                        {"2019", "13"}, {"2019", "00"}, {"2019", ""}, {"2019", "3a"}, {"2019", "003"},
                        {"2019", "03' OR '1"}}) {
        EXPECT_FALSE(Period::parse(y, m)) << y << " " << m;
        EXPECT_FALSE(Period::problem(y, m).empty()) << y << " " << m;
    }
    EXPECT_EQ(Period::problem("20x9", "03"), "Año no válido: \"20x9\"");
    EXPECT_EQ(Period::problem("2019", "13"), "Mes no válido: \"13\"");
    EXPECT_EQ(Period::problem("2019", "03"), "");
    EXPECT_THROW(Period::of(2019, 13), std::invalid_argument);
    EXPECT_THROW(Period::of(19, 1), std::invalid_argument);
}

TEST(Period, DisplayFormsAndTheMonthLists) {
    Period p = Period::of(2019, 3);
    EXPECT_EQ(p.monthName(), " MARZO");
    EXPECT_EQ(p.monthChoice(), " 03- MARZO");
    EXPECT_EQ(p.withMonth(12).monthChoice(), " 12- DICIEMBRE");
    EXPECT_EQ(p.monthAndYear(), "MARZO 2019");
    EXPECT_EQ(p.withMonth(9).monthAndYear(), "SEPTIEMBRE 2019");
    EXPECT_EQ(Period().monthAndYear(), "");
    EXPECT_EQ(remu::monthChoice(1), " 01- ENERO");
    EXPECT_EQ(remu::monthChoice(13), "");
    EXPECT_EQ(remu::monthName(0), "");
    EXPECT_EQ(remu::monthOfChoice(" 03- MARZO"), 3);
    EXPECT_EQ(remu::monthOfChoice(" 3- MARZO"), 0);
    EXPECT_EQ(remu::monthOfChoice(""), 0);
    EXPECT_TRUE(Period().isNull());
    EXPECT_EQ(Period().yearText(), "");
    EXPECT_LT(Period::of(2018, 12), Period::of(2019, 1));
}
