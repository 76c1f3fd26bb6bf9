#include "data/sql.h"

#include <cmath>
#include <cstdio>

namespace remu {

namespace {

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string sqlText(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    out += '\'';
    for (char c : value) {
        switch (c) {
        case '\'': out += "\\'"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\0': out += "\\0"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\x1a': out += "\\Z"; break;
        default: out += c;
        }
    }
    out += '\'';
    return out;
}

std::string sqlNumber(double value) {
    if (!std::isfinite(value)) throw std::invalid_argument("Valor numérico no válido");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", value);
    std::string s = buf;
    // Prefer the short form when it reads back the same number.
    std::snprintf(buf, sizeof buf, "%.15g", value);
    if (std::strtod(buf, nullptr) == value) s = buf;
    return s;
}

std::string sqlNumber(long long value) { return std::to_string(value); }

std::string sqlNumberText(std::string_view text) {
    std::string_view t = trimBlanks(text);
    size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    bool digits = false, point = false;
    for (; i < t.size(); ++i) {
        if (isDigit(t[i])) {
            digits = true;
        } else if (t[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits && i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == '-' || t[j] == '+')) ++j;
        size_t k = j;
        while (k < t.size() && isDigit(t[k])) ++k;
        if (k > j) i = k;
    }
    if (!digits || i != t.size()) throw std::invalid_argument("Valor numérico no válido: " + std::string(text));
    return std::string(t);
}

std::string sqlDate(const Date& date) {
    if (date.isNull()) return "NULL";
    if (!date.isValid()) throw std::invalid_argument("Fecha no válida");
    char buf[32];
    std::snprintf(buf, sizeof buf, "'%04d-%02d-%02d'", date.year, date.month, date.day);
    return buf;
}

std::string sqlName(std::string_view name) {
    std::string_view t = trimBlanks(name);
    bool ok = !t.empty() && t.size() <= 64;
    for (char c : t) {
        if (!(isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')) ok = false;
    }
    if (!ok) throw BadIdentifier("Nombre de base de datos o tabla no válido: \"" + std::string(name) + "\"");
    // Letters, digits and underscores need no escaping inside the backquotes.
    return "`" + std::string(t) + "`";
}

std::string sqlYearTable(std::string_view year, std::string_view suffix) {
    return sqlName(sqlYear(year) + std::string(suffix));
}

std::string sqlQuotedName(std::string_view name) {
    if (name.empty() || name.size() > 64 || name.find('\0') != std::string_view::npos)
        throw BadIdentifier("Nombre de columna no válido: \"" + std::string(name) + "\"");
    std::string out = "`";
    for (char c : name) {
        if (c == '`') out += '`';
        out += c;
    }
    out += '`';
    return out;
}

std::string sqlYear(std::string_view year) {
    std::string_view t = trimBlanks(year);
    if (t.size() != 4 || !isDigit(t[0]) || !isDigit(t[1]) || !isDigit(t[2]) || !isDigit(t[3]))
        throw BadIdentifier("Año no válido: \"" + std::string(year) + "\"");
    return std::string(t);
}

std::string sqlMonth(std::string_view month) {
    std::string_view t = trimBlanks(month);
    bool ok = t.size() == 2 && isDigit(t[0]) && isDigit(t[1]);
    if (ok) {
        int m = (t[0] - '0') * 10 + (t[1] - '0');
        ok = m >= 1 && m <= 12;
    }
    if (!ok) throw BadIdentifier("Mes no válido: \"" + std::string(month) + "\"");
    return std::string(t);
}

std::string sqlYearTable(const Period& period, std::string_view suffix) {
    return sqlYearTable(period.yearText(), suffix);
}

std::string sqlMonth(const Period& period) { return sqlMonth(period.monthText()); }

}  // namespace remu
