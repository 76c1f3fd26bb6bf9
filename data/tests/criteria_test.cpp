// The Filter and Find criteria on their own, over rows of values (no server).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "data/criteria.h"
#include "data/db_error.h"

using namespace remu;

namespace {

// Columns: codigo (text), nombre (text), sueldo (number).
int columnOf(std::string_view name) {
    static const char* names[] = {"codigo", "nombre", "sueldo"};
    for (int i = 0; i < 3; ++i)
        if (name == names[i] || (name.size() == 6 && std::equal(name.begin(), name.end(), names[i], [](char a, char b) {
                                      return std::tolower(static_cast<unsigned char>(a)) == b;
                                  })))
            return i;
    return -1;
}

bool holds(const std::string& criteria, const std::vector<Value>& row) {
    return matchesCriteria(row, parseCriteria(criteria, columnOf));
}

const std::vector<Value> perez = {Value(std::string("0001  ")), Value(std::string("PEREZ O'HIGGINS")), Value(500000.0)};

}  // namespace

TEST(Criteria, LikeWithEitherWildcardIgnoresCaseAndTakesUnderscoreLiterally) {
    EXPECT_TRUE(holds("nombre LIKE '*higgins*'", perez));
    EXPECT_TRUE(holds("nombre like '%HIGG%'", perez));
    EXPECT_TRUE(holds("nombre LIKE 'PEREZ*'", perez));
    EXPECT_FALSE(holds("nombre LIKE 'EREZ*'", perez));
    EXPECT_TRUE(likeMatch("A_1", "A_1"));
    EXPECT_FALSE(likeMatch("AB1", "A_1"));
    EXPECT_FALSE(likeMatch("AB1", "A?1"));
    EXPECT_TRUE(likeMatch("", "*"));
}

TEST(Criteria, ComparisonsOnTextsAndNumbers) {
    EXPECT_TRUE(holds("codigo = '0001'", perez));  // trailing blanks do not count
    EXPECT_TRUE(holds("[codigo] <> '0002'", perez));
    EXPECT_TRUE(holds("`sueldo` >= 500000", perez));
    EXPECT_FALSE(holds("sueldo > 500000", perez));
    EXPECT_TRUE(holds("sueldo < 600000.5", perez));
    EXPECT_TRUE(holds("codigo<='0001'", perez));
}

TEST(Criteria, OrOfAndsAndQuotesInsideTexts) {
    EXPECT_TRUE(holds("codigo = '0009' OR nombre LIKE '*PEREZ*'", perez));
    EXPECT_FALSE(holds("codigo = '0001' AND sueldo > 600000", perez));
    EXPECT_TRUE(holds("(codigo = '0009' AND sueldo > 1) OR (codigo = '0001' AND sueldo > 1)", perez));
    // A quote closes the text only where the condition ends: O'Higgins reads as one text.
    EXPECT_TRUE(holds("nombre = 'PEREZ O'HIGGINS'", perez));
    EXPECT_TRUE(holds("nombre = 'PEREZ O''HIGGINS'", perez));
}

TEST(Criteria, UnreadableTextAndUnknownColumnsAreRefused) {
    for (const char* bad : {"codigo", "codigo = ", "codigo ~ 'x'", "nombre = 'sin cierre", "codigo = '1' XOR sueldo = 1",
                            "[codigo = '1'"}) {
        try {
            parseCriteria(bad, columnOf);
            ADD_FAILURE() << bad;
        } catch (const DbError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Criterio no válido: ") + bad) << bad;
        }
    }
    try {
        parseCriteria("apellido = 'x'", columnOf);
        ADD_FAILURE();
    } catch (const DbError& e) {
        EXPECT_EQ(std::string(e.what()), "Criterio no válido: no existe la columna apellido");
    }
}
