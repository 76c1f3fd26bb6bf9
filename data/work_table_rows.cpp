#include "data/work_table_rows.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "format/codepage.h"
#include "format/text.h"

namespace remu::work_table_rows {

namespace {

// The engine writes a few hundred thousand lines per run; going through
// shapelib field by field costs a seek and a formatted write per value, so the
// rows are formatted here in one pass, byte for byte as shapelib lays them out.

enum class Kind { Text, Int, Num, Day };

struct Column {
    const char* name;
    char type;
    int width;
    int decimals;
    Kind kind;
    std::string PaySlipLine::*text = nullptr;
    int PaySlipLine::*integer = nullptr;
    double PaySlipLine::*number = nullptr;
    Date PaySlipLine::*date = nullptr;
};

Column textCol(const char* n, int w, std::string PaySlipLine::*m) {
    Column c{n, 'C', w, 0, Kind::Text};
    c.text = m;
    return c;
}
Column intCol(const char* n, int w, int PaySlipLine::*m) {
    Column c{n, 'N', w, 0, Kind::Int};
    c.integer = m;
    return c;
}
Column numCol(const char* n, int w, int d, double PaySlipLine::*m) {
    Column c{n, 'N', w, d, Kind::Num};
    c.number = m;
    return c;
}
Column dateCol(const char* n, Date PaySlipLine::*m) {
    Column c{n, 'D', 8, 0, Kind::Day};
    c.date = m;
    return c;
}

const std::vector<Column>& columns() {
    using L = PaySlipLine;
    static const std::vector<Column> cols = {
        textCol("MES_REM", 2, &L::MES_REM),         textCol("PERSON_REM", 4, &L::PERSON_REM),
        textCol("NOMBRE_REM", 30, &L::NOMBRE_REM),  textCol("APENOM_REM", 35, &L::APENOM_REM),
        textCol("HABDES_REM", 3, &L::HABDES_REM),   intCol("TIPO_REM", 1, &L::TIPO_REM),
        intCol("IMPONI_REM", 1, &L::IMPONI_REM),    intCol("HABDESVAR", 1, &L::HABDESVAR),
        textCol("DESCRI_REM", 50, &L::DESCRI_REM),  numCol("VALFIN_REM", 10, 0, &L::VALFIN_REM),
        numCol("VALOR_REM", 12, 2, &L::VALOR_REM),  textCol("FORMUL_REM", 200, &L::FORMUL_REM),
        textCol("TIPOTRABAJ", 1, &L::TIPOTRABAJ),   textCol("INSAPV_REM", 3, &L::INSAPV_REM),
        textCol("NOMINSAPV", 50, &L::NOMINSAPV),    intCol("SECUEN_REM", 2, &L::SECUEN_REM),
        textCol("TITULO_REM", 20, &L::TITULO_REM),  textCol("CUENTA_REM", 7, &L::CUENTA_REM),
        textCol("CENCOS_REM", 4, &L::CENCOS_REM),   textCol("CODMOV_REM", 2, &L::CODMOV_REM),
        dateCol("FECDES_REM", &L::FECDES_REM),      dateCol("FECHAS_REM", &L::FECHAS_REM),
        textCol("NOMMOV_REM", 30, &L::NOMMOV_REM),  numCol("BASCES_REM", 10, 0, &L::BASCES_REM),
    };
    return cols;
}

}  // namespace

std::vector<DbfField> makeLayout(bool adjustments) {
    std::vector<DbfField> out;
    for (const Column& c : columns()) {
        std::string name = c.name;
        if (adjustments && name.size() > 4 && name.compare(name.size() - 4, 4, "_REM") == 0)
            name.replace(name.size() - 4, 4, "_AJU");
        out.push_back({name, c.type, c.width, c.decimals});
    }
    return out;
}

int recordLength() {
    int n = 1;
    for (const Column& c : columns()) n += c.width;
    return n;
}

namespace {

// Cuts/pads to the field in cp1252. Latin-1 letters (two-byte UTF-8) are
// converted in place; anything rarer goes through the code page module.
void putText(char* out, int width, const std::string& utf8) {
    const size_t w = static_cast<size_t>(width);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    // Plain printable ASCII, by far the most common, is copied as it is.
    const size_t plain = std::min(n, w);
    size_t i = 0;
    while (i < plain && s[i] >= 0x20 && s[i] < 0x7F) ++i;
    if (i == plain) {
        std::memcpy(out, s, plain);
        std::memset(out + plain, ' ', w - plain);
        return;
    }
    std::memcpy(out, s, i);
    size_t o = i;
    while (i < n && o < w) {
        unsigned char ch = s[i];
        if (ch < 0x80) {
            out[o++] = ch < 0x20 || ch == 0x7F ? ' ' : static_cast<char>(ch);
            ++i;
        } else if ((ch == 0xC2 || ch == 0xC3) && i + 1 < n && (s[i + 1] & 0xC0) == 0x80 &&
                   !(ch == 0xC2 && s[i + 1] < 0xA0)) {
            out[o++] = static_cast<char>(((ch & 0x03) << 6) | (s[i + 1] & 0x3F));
            i += 2;
        } else {
            std::string converted = utf8ToCp1252(std::string_view(utf8).substr(i));
            size_t m = std::min(converted.size(), w - o);
            std::memcpy(out + o, converted.data(), m);
            o += m;
            break;
        }
    }
    std::memset(out + o, ' ', w - o);
}

constexpr double kScales[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};

// Right-aligned fixed-point text, the same bytes as printf("%*.*f") of the value
// rounded half away from zero. False when it does not fit.
bool putNumber(char* out, int width, int decimals, double value) {
    if (!std::isfinite(value) || decimals > 6) return false;
    // A whole number needs no rounding at any number of decimals.
    double k = value == std::trunc(value) && std::fabs(value) < 1e9 ? value * kScales[decimals]
                                                                    : dbf_detail::scaledRound(value, decimals);
    if (std::fabs(k) >= 1e15) {
        auto txt = dbfNumberText(value, width, decimals);
        if (!txt) return false;
        std::memcpy(out, txt->data(), static_cast<size_t>(width));
        return true;
    }
    bool negative = k < 0;
    unsigned long long u = static_cast<unsigned long long>(std::fabs(k));
    if (u == 0) negative = false;
    char buf[32];
    int pos = 32;
    for (int i = 0; i < decimals; ++i) {
        buf[--pos] = static_cast<char>('0' + u % 10);
        u /= 10;
    }
    if (decimals > 0) buf[--pos] = '.';
    do {
        buf[--pos] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (negative) buf[--pos] = '-';
    int len = 32 - pos;
    if (len > width) return false;
    std::memset(out, ' ', static_cast<size_t>(width - len));
    std::memcpy(out + (width - len), buf + pos, static_cast<size_t>(len));
    return true;
}

// A whole number from 0 to 10^width - 1 (the one-digit kinds and flags, the
// order number) written straight; anything else as putNumber writes it.
bool putWhole(char* out, int width, int value) {
    static const int limits[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
    if (value < 0 || width < 1 || width > 9 || value >= limits[width]) return putNumber(out, width, 0, value);
    int p = width;
    do {
        out[--p] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::memset(out, ' ', static_cast<size_t>(p));
    return true;
}

void putDate(char* out, const Date& d) {
    if (d.isNull()) {
        std::memset(out, ' ', 8);
        return;
    }
    int v[3] = {d.year % 10000, d.month % 100, d.day % 100};
    int y = v[0] < 0 ? 0 : v[0], m = v[1] < 0 ? 0 : v[1], dd = v[2] < 0 ? 0 : v[2];
    out[0] = static_cast<char>('0' + y / 1000);
    out[1] = static_cast<char>('0' + y / 100 % 10);
    out[2] = static_cast<char>('0' + y / 10 % 10);
    out[3] = static_cast<char>('0' + y % 10);
    out[4] = static_cast<char>('0' + m / 10);
    out[5] = static_cast<char>('0' + m % 10);
    out[6] = static_cast<char>('0' + dd / 10);
    out[7] = static_cast<char>('0' + dd % 10);
}

double numberValue(const Column& c, const PaySlipLine& line) {
    return c.kind == Kind::Int ? static_cast<double>(line.*c.integer) : line.*c.number;
}

// Formats one row (deletion flag included), field by field in the order of
// columns(); its numbers were found to fit by checkRows.
void formatRow(char* out, const PaySlipLine& l) {
    char* p = out;
    *p++ = ' ';
    auto text = [&p](const std::string& s, int w) {
        putText(p, w, s);
        p += w;
    };
    auto number = [&p](double v, int w, int d) {
        putNumber(p, w, d, v);
        p += w;
    };
    auto whole = [&p](int v, int w) {
        putWhole(p, w, v);
        p += w;
    };
    auto day = [&p](const Date& d) {
        putDate(p, d);
        p += 8;
    };
    text(l.MES_REM, 2);
    text(l.PERSON_REM, 4);
    text(l.NOMBRE_REM, 30);
    text(l.APENOM_REM, 35);
    text(l.HABDES_REM, 3);
    whole(l.TIPO_REM, 1);
    whole(l.IMPONI_REM, 1);
    whole(l.HABDESVAR, 1);
    text(l.DESCRI_REM, 50);
    number(l.VALFIN_REM, 10, 0);
    number(l.VALOR_REM, 12, 2);
    text(l.FORMUL_REM, 200);
    text(l.TIPOTRABAJ, 1);
    text(l.INSAPV_REM, 3);
    text(l.NOMINSAPV, 50);
    whole(l.SECUEN_REM, 2);
    text(l.TITULO_REM, 20);
    text(l.CUENTA_REM, 7);
    text(l.CENCOS_REM, 4);
    text(l.CODMOV_REM, 2);
    day(l.FECDES_REM);
    day(l.FECHAS_REM);
    text(l.NOMMOV_REM, 30);
    number(l.BASCES_REM, 10, 0);
}

[[noreturn]] void tooWide(WorkTable t, const Column& c, const PaySlipLine& line) {
    char value[64];
    std::snprintf(value, sizeof value, "%.2f", numberValue(c, line));
    throw DbfError(DbfError::Kind::ValueTooWide, "El valor " + std::string(value) + " no cabe en el campo " +
                                                     workTableLayout(t)[static_cast<size_t>(&c - &columns()[0])].name +
                                                     " de la tabla " + workTableFile(t) + " (trabajador " +
                                                     line.PERSON_REM + ").");
}

}  // namespace

void checkLayout(WorkTable t, const DbfTable& table) {
    if (table.fields() != workTableLayout(t))
        throw DbfError(DbfError::Kind::Corrupt,
                       "La tabla " + workTableFile(t) + " no tiene la estructura de una tabla de liquidación.");
}

namespace {

// Largest magnitude that surely fits a number field: one below the first value
// with too many integer digits, so rounding cannot add one; a minus sign takes
// a digit's place. Anything else is formatted to know.
double surelyFits(const Column& c, bool negative) {
    int digits = c.width - c.decimals - (c.decimals > 0 ? 1 : 0) - (negative ? 1 : 0);
    return digits <= 0 ? -1 : std::pow(10.0, digits) - 1;
}

}  // namespace

// Refused before anything is touched: a row that does not fit leaves the table as it was.
void checkRows(WorkTable t, Runs runs) {
    struct Check {
        const Column* column;
        double positive, negative;
    };
    static const std::vector<Check> checks = [] {
        std::vector<Check> out;
        for (const Column& c : columns())
            if (c.kind == Kind::Int || c.kind == Kind::Num) out.push_back({&c, surelyFits(c, false), surelyFits(c, true)});
        return out;
    }();
    char scratch[64];
    for (const std::vector<PaySlipLine>& lines : runs)
        for (const PaySlipLine& line : lines)
            for (const Check& k : checks) {
                double v = numberValue(*k.column, line);
                if (v >= 0 ? v < k.positive : -v < k.negative) continue;  // NaN takes the long way
                if (!putNumber(scratch, k.column->width, k.column->decimals, v)) tooWide(t, *k.column, line);
            }
}

size_t rowCount(Runs runs) {
    size_t n = 0;
    for (const auto& lines : runs) n += lines.size();
    return n;
}

namespace {

uint64_t ceiling = kDbfFileCeiling;

}  // namespace

// Writes the (checked) rows after the first `existing` records and updates the header.
void writeRows(WorkTable t, const DbfTable& table, uint32_t existing, Runs runs) {
    const int len = recordLength();
    const size_t count = rowCount(runs);

    const int fd = table.descriptor();
    auto header = dbf_detail::readHeader(fd);
    if (!header || header->recordLength != len)
        throw DbfError(DbfError::Kind::Corrupt, "La tabla " + workTableFile(t) + " está dañada.");
    const std::string writeFailed = "No se pudo grabar la tabla " + workTableFile(t) + ".";
    // Header, records and the end-of-file mark.
    const uint64_t size = header->headerLength + (static_cast<uint64_t>(existing) + count) * static_cast<uint64_t>(len) + 1;
    if (size > ceiling)
        throw DbfError(DbfError::Kind::WriteFailed,
                       "La tabla " + workTableFile(t) + " no se grabó: con " + std::to_string(existing + count) +
                           " líneas pasaría de 2 GB, el tamaño máximo de una tabla dBASE. Procese el mes por "
                           "rangos de trabajadores.");

    constexpr size_t kChunkRows = 2048;
    const size_t chunkRows = std::min(kChunkRows, count);
    std::vector<char> buffer(chunkRows * static_cast<size_t>(len) + 1);
    off_t offset = static_cast<off_t>(header->headerLength) + static_cast<off_t>(existing) * len;
    char* p = buffer.data();
    size_t inBuffer = 0, done = 0;
    auto put = [&](bool last) {
        if (last) *p++ = 0x1A;  // dBASE end-of-file mark, as shapelib writes it
        size_t bytes = static_cast<size_t>(p - buffer.data());
        if (pwrite(fd, buffer.data(), bytes, offset) != static_cast<ssize_t>(bytes))
            throw DbfError(DbfError::Kind::WriteFailed, writeFailed);
        offset += static_cast<off_t>(bytes);
        p = buffer.data();
        inBuffer = 0;
    };
    for (const std::vector<PaySlipLine>& lines : runs)
        for (const PaySlipLine& line : lines) {
            formatRow(p, line);
            p += len;
            ++done;
            if (++inBuffer == chunkRows) put(done == count);
        }
    if (count == 0) return;
    if (inBuffer > 0) put(true);
    if (ftruncate(fd, offset) != 0 || !dbf_detail::finishHeader(fd, existing + static_cast<uint32_t>(count)))
        throw DbfError(DbfError::Kind::WriteFailed, writeFailed);
}

namespace {

std::string getText(const char* p, int width) {
    int n = width;
    while (n > 0 && p[n - 1] == ' ') --n;
    bool ascii = true;
    for (int i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return std::string(p, static_cast<size_t>(n));
    return cp1252ToUtf8(std::string_view(p, static_cast<size_t>(n)));
}

// atof of the field, without the copy for plain "[-]digits[.digits]".
double getNumber(const char* p, int width) {
    std::string_view field(p, static_cast<size_t>(width));
    const size_t first = field.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    field = field.substr(first, field.find_last_not_of(' ') + 1 - first);
    if (auto v = plainDecimal(field)) return *v;
    return std::atof(std::string(field).c_str());
}

Date getDate(const char* p) {
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9') return {};
        v[i] = p[i] - '0';
    }
    Date d{v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]};
    return d.isValid() ? d : Date{};
}

}  // namespace

void parseRow(const char* rec, PaySlipLine& line) {
    const char* p = rec + 1;
    for (const Column& c : columns()) {
        switch (c.kind) {
        case Kind::Text: line.*c.text = getText(p, c.width); break;
        case Kind::Int: line.*c.integer = static_cast<int>(getNumber(p, c.width)); break;
        case Kind::Num: line.*c.number = getNumber(p, c.width); break;
        case Kind::Day: line.*c.date = getDate(p); break;
        }
        p += c.width;
    }
}

}  // namespace remu::work_table_rows

namespace remu {

uint64_t workTableCeiling() { return work_table_rows::ceiling; }
void setWorkTableCeiling(uint64_t bytes) { work_table_rows::ceiling = bytes ? bytes : kDbfFileCeiling; }

}  // namespace remu
