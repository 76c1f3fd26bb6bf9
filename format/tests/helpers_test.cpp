#include "format/helpers.h"

#include <gtest/gtest.h>

using namespace remu;

namespace {
std::string zeros(std::string s) {
    ZEROS_FF(s);
    return s;
}
}  // namespace

TEST(ZerosFf, FillsToTheFieldWidth) {
    EXPECT_EQ(zeros("12  "), "0012");
    EXPECT_EQ(zeros("  12"), "0012");
    EXPECT_EQ(zeros("12 "), "012");
    EXPECT_EQ(zeros("12345678-5 "), "012345678-5");
    EXPECT_EQ(zeros(" 6-K       "), "000000006-K");
    EXPECT_EQ(zeros("1 2 "), "01 2");  // inner blanks stay
    EXPECT_EQ(zeros("0012"), "0012");
    // Left alone: blank, zeros, a letter first, empty.
    EXPECT_EQ(zeros("   "), "   ");
    EXPECT_EQ(zeros("00 "), "00 ");
    EXPECT_EQ(zeros("A12 "), "A12 ");
    EXPECT_EQ(zeros(""), "");
    // At most 15 zeros; the field keeps its width.
    std::string wide = "7" + std::string(19, ' ');
    EXPECT_EQ(zeros(wide), std::string(15, '0') + "7    ");
}

TEST(RutFf, CheckDigitAndMessages) {
    RecordingPort ui;
    EXPECT_TRUE(RUT_FF("12345678-5", ui));
    EXPECT_TRUE(RUT_FF("012345678-5   ", ui));
    EXPECT_TRUE(RUT_FF("6-K", ui));
    EXPECT_TRUE(RUT_FF("14-0", ui));
    EXPECT_TRUE(ui.boxes.empty());

    EXPECT_FALSE(RUT_FF("12345678-8", ui));
    EXPECT_FALSE(RUT_FF("6-k", ui));  // lower case k is not K
    EXPECT_FALSE(RUT_FF("123456785", ui));
    EXPECT_FALSE(RUT_FF("", ui));
    ASSERT_EQ(ui.boxes.size(), 4u);
    EXPECT_EQ(ui.boxes[0].kind, BoxKind::Info);
    EXPECT_EQ(ui.boxes[0].title, "ALERTA");
    EXPECT_EQ(ui.boxes[0].text, "!! DIGITO VEFIFICADOR ERROREO !! 5");
    EXPECT_EQ(ui.boxes[1].text, "!! DIGITO VEFIFICADOR ERROREO !! K");
    EXPECT_EQ(ui.boxes[2].text, "RUT INVALIDO");
    EXPECT_EQ(ui.boxes[2].title, "ALERTA");
    EXPECT_EQ(ui.boxes[3].text, "RUT INVALIDO");

    EXPECT_EQ(rutCheckDigit("12345678"), '5');
    EXPECT_EQ(rutCheckDigit("6"), 'K');
    EXPECT_EQ(rutCheckDigit("14"), '0');
    // Digits beyond the eighth weigh nothing.
    EXPECT_EQ(rutCheckDigit("912345678"), '5');
}

TEST(RutDisplay, DotsAsStored) {
    EXPECT_EQ(XXRUT_FF("012345678-5"), "12.345.678-5");
    EXPECT_EQ(XXRUT_FF("111111111-1"), "111.111.111-1");
    EXPECT_EQ(XXRUT_FF("000111111-1"), "111111-1");
    EXPECT_EQ(XXRUT_FF("000000123-4"), "123-4");
    EXPECT_EQ(XXRUT_FF("001234567-8"), "1.234.567-8");
    EXPECT_EQ(XXRUT_FF("000000000-0"), "-0");
    EXPECT_EQ(XXRUT_FF("12345678-5"), "12.345.678-5");  // short input is zero-filled first

    EXPECT_EQ(RUT_CON_PUNTOS_FF("012345678-5"), "12.345.678-5");
    EXPECT_EQ(RUT_CON_PUNTOS_FF("011111111-1"), "11.111.111-1");
    EXPECT_EQ(RUT_CON_PUNTOS_FF("000111111-1"), "0.111.111-1");
    EXPECT_EQ(RUT_CON_PUNTOS_FF("111111111-1"), "111.111.111-1");
}

TEST(NomesFf, MonthNamesAndNoName) {
    EXPECT_EQ(NOMES_FF(1), " ENERO");
    EXPECT_EQ(NOMES_FF(3), " MARZO");
    EXPECT_EQ(NOMES_FF(9), " SEPTIEMBRE");
    EXPECT_EQ(NOMES_FF(12), " DICIEMBRE");
    EXPECT_EQ(NOMES_FF(0), "");
    EXPECT_EQ(NOMES_FF(13), "");
    EXPECT_EQ(NOMES_FF(-1), "");
}

TEST(MontoFf, AmountsInWords) {
    EXPECT_EQ(MONTO_FF(0), "");
    EXPECT_EQ(MONTO_FF(1), "UN");
    EXPECT_EQ(MONTO_FF(21), "VEINTE Y UN ");
    EXPECT_EQ(MONTO_FF(100), "CIEN ");
    EXPECT_EQ(MONTO_FF(101), "CIENTO UN");
    EXPECT_EQ(MONTO_FF(1000), "UN MIL ");
    EXPECT_EQ(MONTO_FF(1100), "UN MIL CIEN ");
    EXPECT_EQ(MONTO_FF(21000), "VEINTE Y UN MIL ");
    EXPECT_EQ(MONTO_FF(1000000), "UN MILLON ");
    EXPECT_EQ(MONTO_FF(2500000), "DOS MILLONES QUINIENTOS MIL ");
    EXPECT_EQ(MONTO_FF(345678), "TRESCIENTOS CUARENTA Y CINCO MIL SEISCIENTOS SETENTA Y OCHO ");
    EXPECT_EQ(MONTO_FF(999999999),
              "NOVECIENTOS NOVENTA Y NUEVE MILLONES NOVECIENTOS NOVENTA Y NUEVE MIL "
              "NOVECIENTOS NOVENTA Y NUEVE ");
    EXPECT_EQ(MONTO_FF(10), "DIEZ ");
    EXPECT_EQ(MONTO_FF(17), "DIECISIETE ");
    EXPECT_EQ(MONTO_FF(110), "CIENTO DIEZ ");
    EXPECT_EQ(MONTO_FF(1001), "UN MIL UN");
    EXPECT_EQ(MONTO_FF(15), "QUINCE ");
    EXPECT_EQ(MONTO_FF(2000000), "DOS MILLONES ");
    EXPECT_EQ(MONTO_FF(21000000), "VEINTE Y UN MILLONES ");
    EXPECT_EQ(MONTO_FF(1001001), "UN MILLON UN MIL UN");
    EXPECT_EQ(MONTO_FF(200), "DOSCIENTOS ");
    EXPECT_EQ(MONTO_FF(111), "CIENTO ONCE ");
    EXPECT_EQ(MONTO_FF(31), "TREINTA Y UN ");
    EXPECT_EQ(MONTO_FF(15000015), "QUINCE MILLONES QUINCE ");
    EXPECT_EQ(MONTO_FF(100000000), "CIEN MILLONES ");
    // Outside the range there are no words rather than wrong ones.
    EXPECT_EQ(MONTO_FF(1000000000), "");
    EXPECT_EQ(MONTO_FF(-5), "");
}
