#include "office/cell_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <unordered_map>

namespace remu {

namespace {

// Advance widths of Verdana, ASCII 32..126, in units of 1/2048 em.
constexpr short kVerdana[95] = {
    720,  824,  1075, 1707, 1302, 2220, 1491, 602,  1067, 1067, 1302, 1707, 745,  884,  745,  1297,  // sp ! " # $ % & ' ( ) * + , - . /
    1302, 1302, 1302, 1302, 1302, 1302, 1302, 1302, 1302, 1302, 884,  884,  1707, 1707, 1707, 1118,  // 0-9 : ; < = > ?
    2048, 1401, 1405, 1430, 1577, 1294, 1178, 1587, 1540, 862,  931,  1412, 1145, 1722, 1532, 1612,  // @ A-O
    1235, 1612, 1430, 1403, 1239, 1499, 1401, 2028, 1405, 1237, 1403, 1067, 1297, 1067, 1707, 1302,  // P-Z [ \ ] ^ _
    1302, 1229, 1261, 1067, 1261, 1212, 720,  1261, 1278, 559,  700,  1198, 559,  1964, 1278, 1237,  // ` a-o
    1261, 1261, 873,  1075, 807,  1278, 1198, 1669, 1198, 1198, 1067, 1300, 1067, 1300, 1707,        // p-z { | } ~
};
// Bold Verdana is about this much wider.
constexpr double kBoldFactor = 1.12;
// A column width counts digits of the workbook's normal font (7 pixels for the
// spreadsheet's own Calibri 11) plus this padding.
constexpr double kDefaultDigitPixels = 7;
constexpr double kPaddingPixels = 5;
constexpr int kMaxRow = 1048576, kMaxCol = 16384;

// The next code point of a UTF-8 text (malformed bytes count as one character).
unsigned nextCodePoint(std::string_view s, size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i++]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    unsigned cp = extra ? c & (0x3F >> extra) : c;
    for (; extra > 0 && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; --extra)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    return cp;
}

int glyphWidth(unsigned cp) {
    if (cp >= 32 && cp <= 126) return kVerdana[cp - 32];
    if (cp >= 0xC0 && cp <= 0xDE) return 1450;  // accented capitals, Ñ
    if (cp >= 0xDF && cp <= 0xFF) return 1240;  // accented small letters, ñ
    return 1302;
}

std::string groupThousands(const std::string& digits) {
    std::string out;
    int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += '.';
        out += digits[i];
    }
    return out;
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace

double textWidthPoints(std::string_view utf8, double size, bool bold) {
    long units = 0;
    for (size_t i = 0; i < utf8.size();) units += glyphWidth(nextCodePoint(utf8, i));
    return units / 2048.0 * size * (bold ? kBoldFactor : 1.0);
}

std::string formatNumber(double value, std::string_view f) {
    f = f.substr(0, f.find(';'));
    size_t digitsAt = f.find_first_of("#0");
    if (f.empty() || digitsAt == std::string_view::npos) {  // General
        char buf[40];
        if (std::fabs(value) < 1e11 && value == std::floor(value))
            std::snprintf(buf, sizeof buf, "%.0f", value);
        else
            std::snprintf(buf, sizeof buf, "%.10g", value);
        std::string out = buf;
        std::replace(out.begin(), out.end(), '.', ',');
        return out;
    }
    size_t end = f.find_last_of("#0");
    std::string_view numeric = f.substr(digitsAt, end - digitsAt + 1);
    size_t point = numeric.find('.');
    int decimals = point == std::string_view::npos
                       ? 0
                       : static_cast<int>(std::count(numeric.begin() + point, numeric.end(), '0'));
    bool grouped = numeric.find(',') != std::string_view::npos;

    double scale = std::pow(10.0, decimals);
    double rounded = std::round(std::fabs(value) * scale) / scale;  // half away from zero
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded);
    std::string text = buf;
    std::string whole = text.substr(0, text.find('.'));
    std::string fraction = decimals ? text.substr(text.find('.') + 1) : std::string();
    std::string out = (value < 0 && rounded != 0 ? "-" : "") + std::string(f.substr(0, digitsAt));
    out += grouped ? groupThousands(whole) : whole;
    if (decimals) out += "," + fraction;
    out += f.substr(end + 1);
    return out;
}

CellSheet::CellSheet() { intern(CellStyle{}); }

SheetCell& CellSheet::at(int row, int col) {
    if (row < 1 || row > kMaxRow || col < 1 || col > kMaxCol)
        throw std::out_of_range("celda fuera de la hoja: fila " + std::to_string(row) + ", columna " +
                                std::to_string(col));
    if (static_cast<int>(rows_.size()) < row) rows_.resize(row);
    auto& cells = rows_[row - 1];
    if (static_cast<int>(cells.size()) < col) cells.resize(col);
    return cells[col - 1];
}

const SheetCell* CellSheet::cell(int row, int col) const {
    if (row < 1 || row > rowCount() || col < 1) return nullptr;
    const auto& cells = rows_[row - 1];
    return col <= static_cast<int>(cells.size()) ? &cells[col - 1] : nullptr;
}

int CellSheet::columnCount() const {
    size_t n = 0;
    for (const auto& r : rows_) n = std::max(n, r.size());
    return static_cast<int>(n);
}

std::uint16_t CellSheet::intern(const CellStyle& s) {
    auto it = styleIds_.find(s);
    if (it != styleIds_.end()) return it->second;
    if (styles_.size() >= 0xFFFF) throw std::length_error("demasiados formatos de celda distintos en la hoja");
    auto id = static_cast<std::uint16_t>(styles_.size());
    styles_.push_back(s);
    styleIds_.emplace(s, id);
    return id;
}

template <class Change>
void CellSheet::restyle(const CellRange& range, Change change) {
    // A range mostly holds few styles: each is changed and looked up once.
    std::unordered_map<std::uint16_t, std::uint16_t> done;
    for (int r = range.firstRow; r <= range.lastRow; ++r)
        for (int c = range.firstCol; c <= range.lastCol; ++c) {
            SheetCell& cell = at(r, c);
            auto [it, fresh] = done.try_emplace(cell.style, 0);
            if (fresh) {
                CellStyle s = styles_[cell.style];
                change(s);
                it->second = intern(s);
            }
            cell.style = it->second;
        }
}

void CellSheet::setFontName(std::string_view name) { font_ = name; }

void CellSheet::setValue(int row, int col, std::string_view text) {
    SheetCell& c = at(row, col);
    // The spreadsheet's own rule: a leading apostrophe keeps what follows as text.
    if (!text.empty() && text.front() == '\'') text.remove_prefix(1);
    c.kind = text.empty() ? SheetCell::Kind::Empty : SheetCell::Kind::Text;
    c.text = text;
    c.number = 0;
}

void CellSheet::setValue(int row, int col, double number) {
    SheetCell& c = at(row, col);
    c.kind = SheetCell::Kind::Number;
    c.number = number;
    c.text.clear();
}

void CellSheet::setFormulaLocal(int row, int col, std::string_view formula) {
    SheetCell& c = at(row, col);
    c.kind = SheetCell::Kind::Formula;
    c.text = invariantFormula(formula);
    c.number = 0;
}

void CellSheet::setBold(int row, int col) {
    restyle(cellAt(row, col), [](CellStyle& s) { s.bold = true; });
}

void CellSheet::setFontSize(int row, int col, double points) {
    restyle(cellAt(row, col), [points](CellStyle& s) { s.size = points; });
}

void CellSheet::setAlignment(const CellRange& range, int alignment) {
    CellAlign a = alignment == kAlignLeft     ? CellAlign::Left
                  : alignment == kAlignCenter ? CellAlign::Center
                  : alignment == kAlignRight  ? CellAlign::Right
                                              : CellAlign::General;
    restyle(range, [a](CellStyle& s) { s.align = a; });
}

void CellSheet::setNumberFormat(const CellRange& range, std::string_view localFormat) {
    std::string f = invariantNumberFormat(localFormat);
    restyle(range, [&f](CellStyle& s) { s.numberFormat = f; });
}

void CellSheet::setBorder(int row, int col, int edge) {
    std::uint8_t bit = edge == kEdgeLeft    ? kBorderLeft
                       : edge == kEdgeRight ? kBorderRight
                       : edge == kEdgeTop   ? kBorderTop
                       : edge == kEdgeBottom ? kBorderBottom
                                             : 0;
    restyle(cellAt(row, col), [bit](CellStyle& s) { s.borders |= bit; });
}

void CellSheet::setInteriorColor(const CellRange& range, long bgr) {
    restyle(range, [bgr](CellStyle& s) { s.fill = bgr; });
}

void CellSheet::select(int row, int col) {
    at(row, col);
    selRow_ = row;
    selCol_ = col;
}

double CellSheet::columnWidth(int col) const {
    return col >= 1 && col <= static_cast<int>(widths_.size()) ? widths_[col - 1] : 0;
}

void CellSheet::autoFit(int col) {
    double widest = 0;
    for (int r = 1; r <= rowCount(); ++r) {
        const SheetCell* c = cell(r, col);
        if (!c || c->kind == SheetCell::Kind::Empty) continue;
        const CellStyle& s = style(*c);
        widest = std::max(widest, textWidthPoints(displayText(*c), s.size > 0 ? s.size : kStandardSize, s.bold));
    }
    if (widest <= 0) return;  // an empty column keeps its width
    double pixels = widest * 96.0 / 72.0;
    // The sheet's font becomes the normal font: its digits count (Verdana 11: 9 pixels).
    double digit = font_.empty() ? kDefaultDigitPixels : std::round(textWidthPoints("0", kStandardSize, false) * 96 / 72);
    if (static_cast<int>(widths_.size()) < col) widths_.resize(col);
    widths_[col - 1] = std::min(255.0, std::ceil((pixels + kPaddingPixels) / digit * 4) / 4);
}

double CellSheet::formulaValue(const std::string& f) const {
    std::string up = upperAscii(f);
    if (!up.empty() && up.front() == '=') up.erase(0, 1);
    if (up.rfind("SUM(", 0) != 0 || up.back() != ')') return 0;
    std::string args = up.substr(4, up.size() - 5);
    double sum = 0;
    for (size_t from = 0; from <= args.size();) {
        size_t comma = std::min(args.find(',', from), args.size());
        CellRange r;
        try {
            r = parseRange(args.substr(from, comma - from));
        } catch (const std::invalid_argument&) {
            return 0;
        }
        for (int row = r.firstRow; row <= std::min(r.lastRow, rowCount()); ++row)
            for (int col = r.firstCol; col <= r.lastCol; ++col)
                if (const SheetCell* c = cell(row, col); c && c->kind == SheetCell::Kind::Number) sum += c->number;
        from = comma + 1;
    }
    return sum;
}

std::string CellSheet::displayText(const SheetCell& c) const {
    switch (c.kind) {
    case SheetCell::Kind::Text: return c.text;
    case SheetCell::Kind::Number: return formatNumber(c.number, style(c).numberFormat);
    case SheetCell::Kind::Formula: return formatNumber(formulaValue(c.text), style(c).numberFormat);
    case SheetCell::Kind::Empty: break;
    }
    return {};
}

}  // namespace remu
