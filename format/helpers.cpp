#include "format/helpers.h"

#include <array>

#include "core/period.h"
#include "format/text.h"

namespace remu {

namespace {

constexpr size_t kMaxZeros = 15;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

const std::array<const char*, 10> kUnits = {"",      "UN",   "DOS",   "TRES", "CUATRO",
                                            "CINCO", "SEIS", "SIETE", "OCHO", "NUEVE"};
const std::array<const char*, 10> kTeens = {"DIEZ",    "ONCE",       "DOCE",       "TRECE",     "CATORCE",
                                            "QUINCE",  "DIECISEIS",  "DIECISIETE", "DIECIOCHO", "DIECINUEVE"};
const std::array<const char*, 10> kTens = {"",         "",        "VEINTE",  "TREINTA", "CUARENTA",
                                           "CINCUENTA", "SESENTA", "SETENTA", "OCHENTA", "NOVENTA"};
const std::array<const char*, 10> kHundreds = {"",           "",           "DOSCIENTOS",  "TRESCIENTOS",
                                               "CUATROCIENTOS", "QUINIENTOS", "SEISCIENTOS", "SETECIENTOS",
                                               "OCHOCIENTOS", "NOVECIENTOS"};

// One three-character group ("  1", "345"; blanks where no digit).
void groupWords(std::string& out, std::string_view g, bool unitsGroup) {
    auto digit = [](char c) { return isDigit(c) ? c - '0' : -1; };
    int h = digit(g[0]), t = digit(g[1]), u = digit(g[2]);
    int value = (h > 0 ? h * 100 : 0) + (t > 0 ? t * 10 : 0) + (u > 0 ? u : 0);
    auto word = [&out](const char* w) {
        out += w;
        out += ' ';
    };
    if (h >= 2) word(kHundreds[h]);
    if (h == 1) word(value == 100 ? "CIEN" : "CIENTO");
    if (t >= 2) {
        word(kTens[t]);
        if (u > 0) {
            word("Y");
            word(kUnits[u]);
        }
    } else if (t == 1) {
        word(kTeens[u < 0 ? 0 : u]);
    } else if (u > 0) {
        if (unitsGroup && u == 1)
            out += "UN";
        else
            word(kUnits[u]);
    }
}

}  // namespace

void ZEROS_FF(std::string& text) {
    size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) return;
    bool positive = false;
    for (size_t i = start; i < text.size() && isDigit(text[i]); ++i) positive = positive || text[i] != '0';
    if (!positive) return;

    size_t width = text.size();
    std::string moved = text.substr(start) + std::string(start, ' ');
    size_t body = moved.find_last_not_of(' ') + 1;
    size_t blanks = width - body;
    // The zeros are capped; a wider field keeps its width with blanks after the code.
    std::string out = std::string(blanks < kMaxZeros ? blanks : kMaxZeros, '0') + moved.substr(0, body);
    if (out.size() < width) out.append(width - out.size(), ' ');
    text = out;
}

char rutCheckDigit(std::string_view number) {
    static const int weights[] = {2, 3, 4, 5, 6, 7, 2, 3};
    int sum = 0;
    size_t k = 0;
    for (size_t i = number.size(); i-- > 0; ++k) {
        if (k >= 8) break;
        if (isDigit(number[i])) sum += (number[i] - '0') * weights[k];
    }
    int d = 11 - sum % 11;
    return d == 10 ? 'K' : d == 11 ? '0' : static_cast<char>('0' + d);
}

bool RUT_FF(std::string_view rut, UiPort& ui) {
    std::string r = rtrim(rut);
    if (r.size() < 2 || r[r.size() - 2] != '-') {
        ui.info("RUT INVALIDO", "ALERTA");
        return false;
    }
    char expected = rutCheckDigit(std::string_view(r).substr(0, r.size() - 2));
    if (r.back() != expected) {
        ui.info(std::string("!! DIGITO VEFIFICADOR ERROREO !! ") + expected, "ALERTA");
        return false;
    }
    return true;
}

std::string XXRUT_FF(std::string_view rut) {
    std::string r = trim(rut);
    if (r.size() > 11) return r;
    if (r.size() < 11) r.insert(0, 11 - r.size(), '0');
    size_t i = 0;  // 0-based position of the first significant character
    while (i < 9 && r[i] == '0') ++i;
    if (i < 3) return r.substr(i, 3 - i) + "." + r.substr(3, 3) + "." + r.substr(6);
    if (i < 6) return r.substr(i, 6 - i) + r.substr(6);
    return r.substr(i);
}

std::string RUT_CON_PUNTOS_FF(std::string_view rut) {
    std::string r(rut);
    if (r.size() < 6) return trim(r);
    long head = 0;
    for (char c : r.substr(0, 3))
        if (isDigit(c)) head = head * 10 + (c - '0');
    return std::to_string(head) + "." + r.substr(3, 3) + "." + r.substr(6);
}

std::string NOMES_FF(int month) { return monthName(month); }

std::string MONTO_FF(long long amount) {
    if (amount <= 0 || amount > 999'999'999) return {};
    std::string s = padLeft(std::to_string(amount), 10);
    std::string out;
    std::string_view v(s);
    auto groupValue = [](std::string_view g) {
        int n = 0;
        for (char c : g) n = n * 10 + (isDigit(c) ? c - '0' : 0);
        return n;
    };
    std::string_view millions = v.substr(1, 3), thousands = v.substr(4, 3), units = v.substr(7, 3);
    groupWords(out, millions, false);
    int m = groupValue(millions);
    if (m == 1) out += "MILLON ";
    if (m > 1) out += "MILLONES ";
    groupWords(out, thousands, false);
    if (groupValue(thousands) > 0) out += "MIL ";
    groupWords(out, units, true);
    return out;
}

}  // namespace remu
