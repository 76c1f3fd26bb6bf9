#include "office/sheet.h"

#include <cctype>
#include <stdexcept>

namespace remu {

namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "AB12" -> row 12, column 28; false when the text is not one cell address.
bool parseCell(std::string_view a, int& row, int& col) {
    size_t i = 0;
    col = 0;
    while (i < a.size() && isLetter(a[i])) {
        col = col * 26 + (upperAscii(a[i]) - 'A' + 1);
        if (++i > 3) return false;
    }
    if (i == 0 || i == a.size()) return false;
    row = 0;
    for (; i < a.size(); ++i) {
        if (!isDigit(a[i]) || row > 1048576) return false;
        row = row * 10 + (a[i] - '0');
    }
    return row >= 1 && col <= 16384;
}

// Spanish function names the callers may write, with their invariant names.
struct FunctionName {
    const char* local;
    const char* invariant;
};
constexpr FunctionName kFunctions[] = {
    {"SUMA", "SUM"},       {"PROMEDIO", "AVERAGE"}, {"CONTAR", "COUNT"}, {"CONTARA", "COUNTA"},
    {"SI", "IF"},          {"Y", "AND"},            {"O", "OR"},         {"REDONDEAR", "ROUND"},
    {"MAX", "MAX"},        {"MIN", "MIN"},          {"ABS", "ABS"},
};

}  // namespace

long bgrToRgb(long bgr) { return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF); }

std::string columnLetters(int col) {
    std::string out;
    for (; col > 0; col = (col - 1) / 26) out.insert(out.begin(), static_cast<char>('A' + (col - 1) % 26));
    return out;
}

CellRange parseRange(std::string_view address) {
    CellRange r;
    auto colon = address.find(':');
    bool ok = colon == std::string_view::npos
                  ? parseCell(address, r.firstRow, r.firstCol)
                  : parseCell(address.substr(0, colon), r.firstRow, r.firstCol) &&
                        parseCell(address.substr(colon + 1), r.lastRow, r.lastCol);
    if (!ok) throw std::invalid_argument("dirección de celdas inválida: " + std::string(address));
    if (colon == std::string_view::npos) {
        r.lastRow = r.firstRow;
        r.lastCol = r.firstCol;
    }
    if (r.lastRow < r.firstRow) std::swap(r.lastRow, r.firstRow);
    if (r.lastCol < r.firstCol) std::swap(r.lastCol, r.firstCol);
    return r;
}

std::string invariantNumberFormat(std::string_view f) {
    std::string out;
    out.reserve(f.size());
    bool quoted = false, bracket = false;
    for (size_t i = 0; i < f.size(); ++i) {
        char c = f[i];
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            bracket = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            bracket = true;
        } else if (c == '\\' && i + 1 < f.size()) {
            out += c;
            c = f[++i];
        } else if (c == '.') {
            c = ',';
        } else if (c == ',') {
            c = '.';
        }
        out += c;
    }
    return out;
}

std::string invariantFormula(std::string_view f) {
    std::string out;
    out.reserve(f.size());
    for (size_t i = 0; i < f.size();) {
        char c = f[i];
        if (c == '"') {
            size_t end = f.find('"', i + 1);
            end = end == std::string_view::npos ? f.size() : end + 1;
            out.append(f.substr(i, end - i));
            i = end;
        } else if (isLetter(c)) {
            size_t end = i;
            while (end < f.size() && (isLetter(f[end]) || isDigit(f[end]) || f[end] == '.' || f[end] == '_')) ++end;
            std::string word(f.substr(i, end - i));
            if (end < f.size() && f[end] == '(') {
                std::string up;
                for (char w : word) up += upperAscii(w);
                for (const auto& fn : kFunctions)
                    if (up == fn.local) word = fn.invariant;
            }
            out += word;
            i = end;
        } else {
            out += c == ';' ? ',' : c == ',' ? '.' : c;
            ++i;
        }
    }
    return out;
}

}  // namespace remu
