#include "format/dates.h"

#include <gtest/gtest.h>

using namespace remu;

TEST(Dates, ShownAsDayMonthYear) {
    EXPECT_EQ(formatDate(Date{2024, 3, 5}), "05/03/2024");
    EXPECT_EQ(formatDate(Date{1999, 12, 31}), "31/12/1999");
    EXPECT_EQ(formatDate(Date{}), "  /  /    ");
    EXPECT_EQ(formatDate(Date{2023, 2, 30}), "  /  /    ");
}

TEST(Dates, ReadWithTheSixtyYearWindow) {
    EXPECT_EQ(parseDate("01/02/60"), (Date{1960, 2, 1}));
    EXPECT_EQ(parseDate("01/02/59"), (Date{2059, 2, 1}));
    EXPECT_EQ(parseDate("31/12/99"), (Date{1999, 12, 31}));
    EXPECT_EQ(parseDate("01/01/00"), (Date{2000, 1, 1}));
    EXPECT_EQ(parseDate("05/03/2024"), (Date{2024, 3, 5}));
    EXPECT_EQ(parseDate(" 5/3/2024 "), (Date{2024, 3, 5}));
    EXPECT_EQ(parseDate("29/02/2024"), (Date{2024, 2, 29}));
    EXPECT_EQ(expandTwoDigitYear(59), 2059);
    EXPECT_EQ(expandTwoDigitYear(60), 1960);
    // Invalid texts give a null date.
    for (const char* bad : {"", "  /  /    ", "29/02/2023", "32/01/2024", "01/13/2024", "00/01/2024",
                            "01/02/024", "01-02-2024", "a1/02/2024", "01/02/2024x", "1/2/", "010/2/2024"}) {
        EXPECT_TRUE(parseDate(bad).isNull()) << bad;
    }
    // What is shown reads back.
    Date d{1961, 7, 9};
    EXPECT_EQ(parseDate(formatDate(d)), d);
}

TEST(Dates, CurrentYearAndMonthTexts) {
    Clock::setToday(Date{2025, 4, 30});
    EXPECT_EQ(currentYearText(), "2025");
    EXPECT_EQ(currentMonthText(), "04");
    Clock::setToday(Date{2031, 12, 1});
    EXPECT_EQ(currentYearText(), "2031");
    EXPECT_EQ(currentMonthText(), "12");
    Clock::setToday(std::nullopt);
    EXPECT_EQ(currentYearText().size(), 4u);
}

TEST(Dates, DbaseForm) {
    EXPECT_EQ(toDbfDate(Date{2024, 3, 5}), "20240305");
    EXPECT_EQ(toDbfDate(Date{}), "        ");
    EXPECT_EQ(fromDbfDate("20240305"), (Date{2024, 3, 5}));
    EXPECT_TRUE(fromDbfDate("        ").isNull());
    EXPECT_TRUE(fromDbfDate("20230229").isNull());
    EXPECT_TRUE(fromDbfDate("2024035").isNull());
    EXPECT_TRUE(fromDbfDate("2024O305").isNull());
}
