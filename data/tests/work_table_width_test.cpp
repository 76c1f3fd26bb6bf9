#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "data/tests/dbf_test_dir.h"
#include "data/work_tables.h"

using namespace remu;
using remu::testing::TempDir;

namespace {

PaySlipLine line() {
    PaySlipLine l;
    l.MES_REM = "03";
    l.PERSON_REM = "0001";
    l.HABDES_REM = "SUE";
    return l;
}

bool written(const std::function<void(PaySlipLine&)>& change, PaySlipLine* back = nullptr) {
    TempDir dir;
    PaySlipLine l = line();
    change(l);
    try {
        writeWorkTable(WorkTable::REMUMES, {l}, dir.path);
    } catch (const DbfError& e) {
        EXPECT_EQ(e.kind(), DbfError::Kind::ValueTooWide);
        return false;
    }
    if (back) *back = readWorkTable(WorkTable::REMUMES, dir.path).at(0);
    return true;
}

}  // namespace

// The width check of the calculation's tables decides most values without
// formatting them; the edges of each field must still come out as formatting says.
TEST(WorkTableWidths, NumbersAtTheEdgeOfTheirFields) {
    PaySlipLine back;
    EXPECT_TRUE(written([](PaySlipLine& l) { l.TIPO_REM = 9; }, &back));
    EXPECT_EQ(back.TIPO_REM, 9);
    EXPECT_FALSE(written([](PaySlipLine& l) { l.TIPO_REM = 10; }));
    EXPECT_FALSE(written([](PaySlipLine& l) { l.IMPONI_REM = -1; }));
    EXPECT_TRUE(written([](PaySlipLine& l) { l.SECUEN_REM = -9; }, &back));
    EXPECT_EQ(back.SECUEN_REM, -9);
    EXPECT_FALSE(written([](PaySlipLine& l) { l.SECUEN_REM = 100; }));

    EXPECT_TRUE(written([](PaySlipLine& l) { l.VALFIN_REM = 9999999999.4; }, &back));
    EXPECT_EQ(back.VALFIN_REM, 9999999999.0);
    EXPECT_FALSE(written([](PaySlipLine& l) { l.VALFIN_REM = 9999999999.5; }));
    EXPECT_TRUE(written([](PaySlipLine& l) { l.VALFIN_REM = -999999999; }, &back));
    EXPECT_EQ(back.VALFIN_REM, -999999999.0);
    EXPECT_FALSE(written([](PaySlipLine& l) { l.VALFIN_REM = -1e9; }));
    EXPECT_FALSE(written([](PaySlipLine& l) { l.BASCES_REM = std::numeric_limits<double>::quiet_NaN(); }));
    EXPECT_FALSE(written([](PaySlipLine& l) { l.BASCES_REM = -std::numeric_limits<double>::infinity(); }));

    EXPECT_TRUE(written([](PaySlipLine& l) { l.VALOR_REM = 999999999.99; }, &back));
    EXPECT_EQ(back.VALOR_REM, 999999999.99);
    EXPECT_FALSE(written([](PaySlipLine& l) { l.VALOR_REM = 1e9; }));
    EXPECT_TRUE(written([](PaySlipLine& l) { l.VALOR_REM = -99999999.99; }, &back));
    EXPECT_EQ(back.VALOR_REM, -99999999.99);
    EXPECT_FALSE(written([](PaySlipLine& l) { l.VALOR_REM = -100000000; }));
}
