#include "data/criteria.h"

#include "data/db_error.h"
#include "format/text.h"

namespace remu {

namespace {

bool conditionHolds(const Value& v, const Condition& c) {
    if (c.op == "LIKE") return likeMatch(upper(v.text()), upper(c.value));
    int cmp;
    if (v.type() == Value::Type::Number) {
        double x = v.number(), y = Value(c.value).number();
        cmp = x < y ? -1 : (x > y ? 1 : 0);
    } else {
        // Text comparisons ignore case and trailing blanks, as the server's would.
        std::string x = upper(rtrim(v.text())), y = upper(rtrim(c.value));
        cmp = x < y ? -1 : (x > y ? 1 : 0);
    }
    if (c.op == "=") return cmp == 0;
    if (c.op == "<>") return cmp != 0;
    if (c.op == "<") return cmp < 0;
    if (c.op == ">") return cmp > 0;
    if (c.op == "<=") return cmp <= 0;
    if (c.op == ">=") return cmp >= 0;
    return false;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool keywordAt(std::string_view s, size_t i, std::string_view kw) {
    if (i + kw.size() > s.size()) return false;
    if (upper(s.substr(i, kw.size())) != upper(kw)) return false;
    return i + kw.size() == s.size() || isSpace(s[i + kw.size()]) || s[i + kw.size()] == '(';
}

}  // namespace

bool likeMatch(std::string_view text, std::string_view pattern) {
    size_t t = 0, p = 0, starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%')) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%')) ++p;
    return p == pattern.size();
}

bool matchesCriteria(const std::vector<Value>& values, const Criteria& c) {
    for (const auto& group : c) {
        bool all = true;
        for (const auto& cond : group)
            if (!conditionHolds(values[cond.column], cond)) {
                all = false;
                break;
            }
        if (all) return true;
    }
    return false;
}

// "col LIKE '*t*' OR col2 = 'x' AND col3 <> 5". A quote closes a text only when what
// follows ends the condition, so a search for O'Higgins still reads as one text.
Criteria parseCriteria(const std::string& text, const std::function<int(std::string_view)>& columnOf) {
    auto bad = [&]() { return plainDbError("Criterio no válido: " + text); };
    Criteria out(1);
    std::string_view s = text;
    size_t i = 0;
    auto skip = [&]() {
        while (i < s.size() && (isSpace(s[i]) || s[i] == '(' || s[i] == ')')) ++i;
    };
    for (;;) {
        skip();
        if (i >= s.size()) break;
        Condition c;
        // column name, plain or in [brackets] / `backquotes`
        std::string name;
        if (s[i] == '[' || s[i] == '`') {
            char close = s[i] == '[' ? ']' : '`';
            size_t e = s.find(close, i + 1);
            if (e == std::string_view::npos) throw bad();
            name = std::string(s.substr(i + 1, e - i - 1));
            i = e + 1;
        } else {
            size_t st = i;
            while (i < s.size() && !isSpace(s[i]) && s[i] != '=' && s[i] != '<' && s[i] != '>') ++i;
            name = std::string(s.substr(st, i - st));
        }
        c.column = columnOf(name);
        if (c.column < 0) throw plainDbError("Criterio no válido: no existe la columna " + name);
        while (i < s.size() && isSpace(s[i])) ++i;
        if (keywordAt(s, i, "LIKE")) {
            c.op = "LIKE";
            i += 4;
        } else {
            for (std::string_view op : {"<>", "<=", ">=", "=", "<", ">"}) {
                if (s.substr(i, op.size()) == op) {
                    c.op = std::string(op);
                    i += op.size();
                    break;
                }
            }
            if (c.op.empty()) throw bad();
        }
        while (i < s.size() && isSpace(s[i])) ++i;
        if (i < s.size() && (s[i] == '\'' || s[i] == '#')) {
            char q = s[i++];
            std::string v;
            for (;;) {
                if (i >= s.size()) throw bad();
                if (s[i] == q) {
                    if (q == '\'' && i + 1 < s.size() && s[i + 1] == '\'') {
                        v += '\'';
                        i += 2;
                        continue;
                    }
                    size_t j = i + 1;
                    while (j < s.size() && (isSpace(s[j]) || s[j] == ')')) ++j;
                    if (j == s.size() || keywordAt(s, j, "OR") || keywordAt(s, j, "AND")) {
                        i = i + 1;
                        break;
                    }
                }
                v += s[i++];
            }
            c.value = v;
        } else {
            size_t st = i;
            while (i < s.size() && !isSpace(s[i]) && s[i] != ')') ++i;
            c.value = std::string(s.substr(st, i - st));
            if (c.value.empty()) throw bad();
        }
        out.back().push_back(std::move(c));
        skip();
        if (i >= s.size()) break;
        if (keywordAt(s, i, "OR")) {
            i += 2;
            out.emplace_back();
        } else if (keywordAt(s, i, "AND")) {
            i += 3;
        } else {
            throw bad();
        }
    }
    if (out.back().empty()) throw bad();
    return out;
}

}  // namespace remu
