#include "data/connection.h"

#include <mysql.h>

#include <algorithm>
#include <cstdlib>

#include "data/sql.h"
#include "format/text.h"

namespace remu {

namespace {

MYSQL* mysqlOf(void* p) { return static_cast<MYSQL*>(p); }

DbError plainError(std::string text) { return DbError(DbErrorEntry{std::move(text), "HY000", 0}); }

DbError conflictError() {
    return plainError("El registro fue modificado o eliminado por otro usuario; los cambios no se grabaron");
}

DbError noCurrentRow() { return plainError("No hay un registro actual"); }

bool isNumericType(enum_field_types t) {
    switch (t) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
    case MYSQL_TYPE_YEAR:
        return true;
    default:
        return false;
    }
}

bool isDateType(enum_field_types t) {
    return t == MYSQL_TYPE_DATE || t == MYSQL_TYPE_NEWDATE || t == MYSQL_TYPE_DATETIME || t == MYSQL_TYPE_TIMESTAMP;
}

// "yyyy-mm-dd[ hh:mm:ss]"; the zero date reads as NULL, as the ODBC driver gave it.
Value dateValue(std::string_view raw) {
    if (raw.size() < 10) return Value();
    Date d{std::atoi(std::string(raw.substr(0, 4)).c_str()), std::atoi(std::string(raw.substr(5, 2)).c_str()),
           std::atoi(std::string(raw.substr(8, 2)).c_str())};
    if (d.isNull() || !d.isValid()) return Value();
    return Value(d);
}

std::string literalOf(const Value& v) {
    switch (v.type()) {
    case Value::Type::Null: return "NULL";
    case Value::Type::Text: return sqlText(v.text());
    case Value::Type::Number: return sqlNumber(v.number());
    case Value::Type::Date: return sqlDate(v.date());
    }
    return "NULL";
}

std::string upperCi(std::string_view s) { return upper(s); }

bool equalsCi(std::string_view a, std::string_view b) { return upperCi(a) == upperCi(b); }

}  // namespace

struct Column {
    std::string name, orgName, orgTable, db;
    enum_field_types type = MYSQL_TYPE_NULL;
    bool numeric = false;
    bool approx = false;  // FLOAT/DOUBLE: never compared for equality in a WHERE
    bool date = false;
    bool autoIncrement = false;
};

struct Row {
    std::vector<Value> values;
    // The value the server holds, as an SQL literal (nullopt: NULL); the optimistic check.
    std::vector<std::optional<std::string>> originals;
    std::vector<bool> dirty;
    std::vector<Value> saved;  // the values before the first pending change
    bool deleted = false;
    bool added = false;  // AddNew not yet stored
};

// One comparison of a filter or find criterion.
struct Condition {
    int column = -1;
    std::string op;  // LIKE, =, <>, <, >, <=, >=
    std::string value;
};
using Criteria = std::vector<std::vector<Condition>>;  // OR of ANDs

struct Recordset::Impl {
    std::weak_ptr<Connection> conn;
    bool open = true;
    std::vector<Column> cols;
    std::vector<Row> rows;     // in fetch order; the index is the bookmark
    std::vector<long> order;   // live rows in sort order
    std::vector<long> visible; // order after the filter
    long pos = 0;              // index into visible: -1 BOF, visible.size() EOF
    bool onDeleted = false;    // the current row was just deleted; pos is the next one
    Criteria filter;
    std::vector<std::pair<int, bool>> sortKeys;  // column, descending

    // Base table of the write-through, found at the first write.
    bool baseResolved = false;
    std::string baseDb, baseTable;
    std::vector<int> writable;
    std::vector<int> pkCols;

    long size() const { return static_cast<long>(visible.size()); }
    long current() const { return (!onDeleted && pos >= 0 && pos < size()) ? visible[pos] : -1; }

    int findColumn(std::string_view name) const {
        for (size_t i = 0; i < cols.size(); ++i)
            if (equalsCi(cols[i].name, name)) return static_cast<int>(i);
        return -1;
    }

    std::shared_ptr<Connection> connection() const {
        auto c = conn.lock();
        if (!c || !c->isOpen()) throw plainError("La conexión con el servidor está cerrada");
        return c;
    }

    void rebuild();
    bool matches(const Row& r, const Criteria& c) const;
    Criteria parse(const std::string& text) const;
    void resolveBase();
    std::string where(const Row& r, const std::vector<int>& compared) const;
    std::string qualifiedTable() const { return sqlQuotedName(baseDb) + "." + sqlQuotedName(baseTable); }
    void refetch(Row& r);
};

// ---------------------------------------------------------------- Connection

ConnectionTimeouts connectionTimeouts() {
    ConnectionTimeouts t;
    auto read = [](const char* name, int& into) {
        const char* v = std::getenv(name);
        if (!v || !*v) return;
        char* end = nullptr;
        long n = std::strtol(v, &end, 10);
        if (end && *end == '\0' && n > 0 && n <= 86400) into = static_cast<int>(n);
    };
    read("REMU_DB_CONNECT_TIMEOUT", t.connect);
    read("REMU_DB_READ_TIMEOUT", t.read);
    read("REMU_DB_WRITE_TIMEOUT", t.write);
    return t;
}

Connection::~Connection() { close(); }

void Connection::close() {
    if (handle_) {
        mysql_close(mysqlOf(handle_));
        handle_ = nullptr;
    }
}

DbError Connection::fail() {
    DbErrorEntry e;
    if (handle_) {
        MYSQL* h = mysqlOf(handle_);
        e.description = mysql_error(h);
        e.sqlState = mysql_sqlstate(h);
        e.nativeError = static_cast<long>(mysql_errno(h));
    } else {
        e = DbErrorEntry{"La conexión con el servidor está cerrada", "08003", 0};
    }
    errors_.clear();
    errors_.push_back(e);
    return DbError(e);
}

std::shared_ptr<Connection> Connection::open(const ConnectionParams& params) {
    std::shared_ptr<Connection> c(new Connection());
    c->params_ = params;
    MYSQL* h = mysql_init(nullptr);
    if (!h) throw plainError("No hay memoria para abrir la conexión");

    // Without these a server that accepts and never answers holds the program for good.
    const ConnectionTimeouts defaults = connectionTimeouts();
    auto pick = [](int given, int fallback) { return static_cast<unsigned int>(given > 0 ? given : fallback); };
    unsigned int connectTimeout = pick(params.timeoutSeconds, defaults.connect);
    unsigned int readTimeout = pick(params.readTimeoutSeconds, defaults.read);
    unsigned int writeTimeout = pick(params.writeTimeoutSeconds, defaults.write);
    mysql_options(h, MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeout);
    mysql_options(h, MYSQL_OPT_READ_TIMEOUT, &readTimeout);
    mysql_options(h, MYSQL_OPT_WRITE_TIMEOUT, &writeTimeout);
    mysql_options(h, MYSQL_SET_CHARSET_NAME, "utf8mb4");

    std::string host = trim(params.host);
    std::string socket;
    unsigned int port = 3306;
    if (!host.empty() && host[0] == '/') {
        socket = host;
        host = "localhost";
        port = 0;
    } else {
        auto colon = host.find(':');
        if (colon != std::string::npos && colon == host.rfind(':') && colon + 1 < host.size()) {
            std::string p = host.substr(colon + 1);
            if (p.find_first_not_of("0123456789") == std::string::npos && p.size() <= 5) {
                port = static_cast<unsigned int>(std::atoi(p.c_str()));
                host = host.substr(0, colon);
            }
        }
    }
    // FOUND_ROWS: an UPDATE that matches a row counts it even when no value changes,
    // so the optimistic check does not take an unchanged row for a lost one.
    unsigned long flags = CLIENT_FOUND_ROWS | CLIENT_MULTI_RESULTS;
    const std::string db = trim(params.database);
    if (!mysql_real_connect(h, host.empty() ? nullptr : host.c_str(), params.user.c_str(), params.password.c_str(),
                            db.empty() ? nullptr : db.c_str(), port, socket.empty() ? nullptr : socket.c_str(),
                            flags)) {
        DbErrorEntry e{mysql_error(h), mysql_sqlstate(h), static_cast<long>(mysql_errno(h))};
        mysql_close(h);
        throw DbError(e);
    }
    c->handle_ = h;

    // CHAR columns come back with their blanks, as they are stored; backslash escapes
    // must stay on because sqlText() relies on them.
    auto rs = c->query("SELECT @@SESSION.sql_mode");
    std::string mode = rs->Fields(0).text();
    std::string newMode;
    size_t start = 0;
    while (start <= mode.size()) {
        size_t comma = mode.find(',', start);
        std::string item = mode.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!item.empty() && item != "NO_BACKSLASH_ESCAPES" && item != "PAD_CHAR_TO_FULL_LENGTH")
            newMode += item + ",";
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    newMode += "PAD_CHAR_TO_FULL_LENGTH";
    c->execute("SET SESSION sql_mode = " + sqlText(newMode));
    return c;
}

std::unique_ptr<Recordset> Connection::query(const std::string& sql) {
    if (!handle_) throw fail();
    errors_.clear();
    MYSQL* h = mysqlOf(handle_);
    if (mysql_real_query(h, sql.data(), sql.size()) != 0) throw fail();
    MYSQL_RES* res = mysql_store_result(h);
    auto impl = std::make_unique<Recordset::Impl>();
    impl->conn = weak_from_this();
    if (!res) {
        if (mysql_field_count(h) != 0) throw fail();
        return std::unique_ptr<Recordset>(new Recordset(std::move(impl)));
    }
    unsigned int n = mysql_num_fields(res);
    MYSQL_FIELD* fields = mysql_fetch_fields(res);
    impl->cols.resize(n);
    for (unsigned int i = 0; i < n; ++i) {
        Column& c = impl->cols[i];
        const MYSQL_FIELD& f = fields[i];
        c.name.assign(f.name, f.name_length);
        c.orgName.assign(f.org_name ? f.org_name : "", f.org_name ? f.org_name_length : 0);
        c.orgTable.assign(f.org_table ? f.org_table : "", f.org_table ? f.org_table_length : 0);
        c.db.assign(f.db ? f.db : "", f.db ? f.db_length : 0);
        c.type = f.type;
        c.numeric = isNumericType(f.type);
        c.approx = f.type == MYSQL_TYPE_FLOAT || f.type == MYSQL_TYPE_DOUBLE;
        c.date = isDateType(f.type);
        c.autoIncrement = (f.flags & AUTO_INCREMENT_FLAG) != 0;
    }
    impl->rows.reserve(mysql_num_rows(res));
    while (MYSQL_ROW row = mysql_fetch_row(res)) {
        unsigned long* lengths = mysql_fetch_lengths(res);
        Row r;
        r.values.resize(n);
        r.originals.resize(n);
        r.dirty.assign(n, false);
        for (unsigned int i = 0; i < n; ++i) {
            if (!row[i]) continue;
            std::string raw(row[i], lengths[i]);
            const Column& c = impl->cols[i];
            if (c.numeric) {
                r.values[i] = Value(std::strtod(raw.c_str(), nullptr));
                try {
                    r.originals[i] = sqlNumberText(raw);
                } catch (const std::invalid_argument&) {
                    r.originals[i] = sqlText(raw);
                }
            } else if (c.date) {
                r.values[i] = dateValue(raw);
                r.originals[i] = sqlText(raw);
            } else {
                r.originals[i] = sqlText(raw);
                r.values[i] = Value(std::move(raw));
            }
        }
        impl->rows.push_back(std::move(r));
    }
    mysql_free_result(res);
    impl->rebuild();
    return std::unique_ptr<Recordset>(new Recordset(std::move(impl)));
}

long long Connection::execute(const std::string& sql) {
    if (!handle_) throw fail();
    errors_.clear();
    MYSQL* h = mysqlOf(handle_);
    if (mysql_real_query(h, sql.data(), sql.size()) != 0) throw fail();
    if (MYSQL_RES* res = mysql_store_result(h)) {
        mysql_free_result(res);
        return 0;
    }
    if (mysql_field_count(h) != 0) throw fail();
    my_ulonglong n = mysql_affected_rows(h);
    return n == static_cast<my_ulonglong>(-1) ? 0 : static_cast<long long>(n);
}

void Connection::executeScript(const std::string& sql) {
    if (!handle_) throw fail();
    errors_.clear();
    MYSQL* h = mysqlOf(handle_);
    // Multi-statements only for the length of the script: a single query never runs two.
    if (mysql_set_server_option(h, MYSQL_OPTION_MULTI_STATEMENTS_ON) != 0) throw fail();
    struct Off {
        MYSQL* h;
        ~Off() { mysql_set_server_option(h, MYSQL_OPTION_MULTI_STATEMENTS_OFF); }
    } off{h};
    if (mysql_real_query(h, sql.data(), sql.size()) != 0) throw fail();
    for (;;) {
        if (MYSQL_RES* res = mysql_store_result(h)) {
            mysql_free_result(res);
        } else if (mysql_field_count(h) != 0) {
            throw fail();
        }
        int status = mysql_next_result(h);
        if (status > 0) throw fail();
        if (status < 0) break;
    }
}

// ---------------------------------------------------------------- Recordset internals

void Recordset::Impl::rebuild() {
    order.clear();
    for (long i = 0; i < static_cast<long>(rows.size()); ++i)
        if (!rows[i].deleted) order.push_back(i);
    if (!sortKeys.empty()) {
        auto cmp = [&](long a, long b) {
            for (auto [col, desc] : sortKeys) {
                const Value& x = rows[a].values[col];
                const Value& y = rows[b].values[col];
                int c = 0;
                if (x.isNull() || y.isNull()) {
                    c = x.isNull() == y.isNull() ? 0 : (x.isNull() ? -1 : 1);
                } else if (x.type() == Value::Type::Number && y.type() == Value::Type::Number) {
                    c = x.number() < y.number() ? -1 : (x.number() > y.number() ? 1 : 0);
                } else if (x.type() == Value::Type::Date && y.type() == Value::Type::Date) {
                    c = x.date() < y.date() ? -1 : (x.date() > y.date() ? 1 : 0);
                } else {
                    std::string ux = upperCi(rtrim(x.text())), uy = upperCi(rtrim(y.text()));
                    c = ux.compare(uy) < 0 ? -1 : (ux == uy ? 0 : 1);
                }
                if (c != 0) return desc ? c > 0 : c < 0;
            }
            return false;
        };
        std::stable_sort(order.begin(), order.end(), cmp);
    }
    visible.clear();
    for (long i : order)
        if (filter.empty() || matches(rows[i], filter)) visible.push_back(i);
    pos = 0;
    onDeleted = false;
}

namespace {

// LIKE with '*' or '%' for any run of characters; case-insensitive. As in ADO's
// criteria, '_' and '?' are plain characters, so a searched code such as "A_1"
// finds only itself.
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

bool conditionHolds(const Value& v, const Condition& c) {
    if (c.op == "LIKE") return likeMatch(upperCi(v.text()), upperCi(c.value));
    int cmp;
    if (v.type() == Value::Type::Number) {
        double x = v.number(), y = Value(c.value).number();
        cmp = x < y ? -1 : (x > y ? 1 : 0);
    } else {
        // Text comparisons ignore case and trailing blanks, as the server's would.
        std::string x = upperCi(rtrim(v.text())), y = upperCi(rtrim(c.value));
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
    if (!equalsCi(s.substr(i, kw.size()), kw)) return false;
    return i + kw.size() == s.size() || isSpace(s[i + kw.size()]) || s[i + kw.size()] == '(';
}

}  // namespace

bool Recordset::Impl::matches(const Row& r, const Criteria& c) const {
    for (const auto& group : c) {
        bool all = true;
        for (const auto& cond : group)
            if (!conditionHolds(r.values[cond.column], cond)) {
                all = false;
                break;
            }
        if (all) return true;
    }
    return false;
}

// "col LIKE '*t*' OR col2 = 'x' AND col3 <> 5". A quote closes a text only when what
// follows ends the condition, so a search for O'Higgins still reads as one text.
Criteria Recordset::Impl::parse(const std::string& text) const {
    auto bad = [&]() { return plainError("Criterio no válido: " + text); };
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
        c.column = findColumn(name);
        if (c.column < 0) throw plainError("Criterio no válido: no existe la columna " + name);
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

void Recordset::Impl::resolveBase() {
    if (baseResolved) return;
    auto c = connection();
    for (const Column& col : cols) {
        if (col.orgTable.empty() || col.orgName.empty()) continue;
        std::string db = col.db.empty() ? c->database() : col.db;
        if (baseTable.empty()) {
            baseTable = col.orgTable;
            baseDb = db;
        } else if (!equalsCi(baseTable, col.orgTable) || !equalsCi(baseDb, db)) {
            throw plainError("No se pueden grabar cambios en una consulta de varias tablas");
        }
    }
    if (baseTable.empty() || baseDb.empty()) throw plainError("La consulta no tiene una tabla donde grabar");
    for (int i = 0; i < static_cast<int>(cols.size()); ++i) {
        if (cols[i].orgName.empty() || cols[i].orgTable.empty()) continue;
        bool dup = false;
        for (int w : writable) dup = dup || equalsCi(cols[w].orgName, cols[i].orgName);
        if (!dup) writable.push_back(i);
    }
    auto keys = c->query("SHOW KEYS FROM " + qualifiedTable() + " WHERE Key_name = 'PRIMARY'");
    std::vector<int> pk;
    bool complete = !keys->Eof();
    for (; !keys->Eof(); keys->MoveNext()) {
        std::string name = keys->Fields("Column_name").text();
        int found = -1;
        for (int w : writable)
            if (equalsCi(cols[w].orgName, name)) found = w;
        if (found < 0) complete = false;
        pk.push_back(found);
    }
    // A key that is not among the fetched columns is no use; fall back to the values.
    if (complete) pkCols = pk;
    baseResolved = true;
}

std::string Recordset::Impl::where(const Row& r, const std::vector<int>& compared) const {
    std::vector<int> use = pkCols;
    for (int i : compared)
        if (std::find(use.begin(), use.end(), i) == use.end() && !cols[i].approx) use.push_back(i);
    if (use.empty()) throw plainError("No se puede identificar el registro en la tabla");
    std::string w;
    for (int i : use) {
        if (!w.empty()) w += " AND ";
        w += sqlQuotedName(cols[i].orgName);
        w += r.originals[i] ? " = " + *r.originals[i] : std::string(" IS NULL");
    }
    return w;
}

// Reads a stored row back by its key, so defaults and rounding done by the server show.
void Recordset::Impl::refetch(Row& r) {
    if (pkCols.empty()) return;
    std::string list;
    for (int i : writable) list += (list.empty() ? "" : ", ") + sqlQuotedName(cols[i].orgName);
    auto c = connection();
    auto rs = c->query("SELECT " + list + " FROM " + qualifiedTable() + " WHERE " + where(r, {}) + " LIMIT 1");
    if (rs->d->rows.size() != 1) return;
    const Row& back = rs->d->rows[0];
    for (size_t k = 0; k < writable.size(); ++k) {
        r.values[writable[k]] = back.values[k];
        r.originals[writable[k]] = back.originals[k];
    }
}

// ---------------------------------------------------------------- Recordset

Recordset::Recordset(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Recordset::~Recordset() = default;

std::unique_ptr<Recordset> Recordset::makeClosed() {
    auto impl = std::make_unique<Impl>();
    impl->open = false;
    impl->rebuild();
    return std::unique_ptr<Recordset>(new Recordset(std::move(impl)));
}

bool Recordset::isOpen() const { return d->open; }

void Recordset::Close() {
    d->open = false;
    d->rows.clear();
    d->rebuild();
}

bool Recordset::Eof() const { return !d->onDeleted && (d->visible.empty() || d->pos >= d->size()); }
bool Recordset::Bof() const { return !d->onDeleted && (d->visible.empty() || d->pos < 0); }

namespace {
// Moving off a row stores its pending changes first, as the client cursor did.
void flush(Recordset& rs, Recordset::Impl& d) {
    long cur = d.current();
    if (cur < 0) return;
    const Row& r = d.rows[cur];
    if (r.added || std::find(r.dirty.begin(), r.dirty.end(), true) != r.dirty.end()) rs.Update();
}
}  // namespace

void Recordset::MoveFirst() {
    flush(*this, *d);
    d->onDeleted = false;
    d->pos = 0;
}

void Recordset::MoveLast() {
    flush(*this, *d);
    d->onDeleted = false;
    d->pos = d->size() - 1;
}

void Recordset::MoveNext() { Move(1); }
void Recordset::MovePrevious() { Move(-1); }

void Recordset::Move(long n) {
    flush(*this, *d);
    long target;
    if (d->onDeleted) {
        // pos already names the row after the deleted one.
        target = n > 0 ? d->pos + n - 1 : d->pos + n;
        d->onDeleted = false;
    } else {
        target = d->pos + n;
    }
    if (target >= d->size()) target = d->size();
    if (target < 0) target = -1;
    d->pos = target;
}

long Recordset::AbsolutePosition() const { return d->current() >= 0 ? d->pos + 1 : 0; }
long Recordset::RecordCount() const { return d->size(); }

Recordset::Bookmark Recordset::GetBookmark() const {
    long cur = d->current();
    if (cur < 0) throw noCurrentRow();
    return cur;
}

void Recordset::SetBookmark(Bookmark b) {
    flush(*this, *d);
    auto it = std::find(d->visible.begin(), d->visible.end(), b);
    if (it == d->visible.end()) throw plainError("El registro marcado ya no está disponible");
    d->onDeleted = false;
    d->pos = static_cast<long>(it - d->visible.begin());
}

int Recordset::FieldCount() const { return static_cast<int>(d->cols.size()); }

std::string Recordset::FieldName(int i) const {
    if (i < 0 || i >= FieldCount()) throw std::out_of_range("Campo inexistente: " + std::to_string(i));
    return d->cols[i].name;
}

int Recordset::FieldIndex(std::string_view name) const { return d->findColumn(name); }

const Value& Recordset::Fields(int i) const {
    static const Value none;
    if (i < 0 || i >= FieldCount()) throw std::out_of_range("Campo inexistente: " + std::to_string(i));
    long cur = d->current();
    // Past either end a field reads as empty, which is what the grids show there.
    return cur < 0 ? none : d->rows[cur].values[i];
}

const Value& Recordset::Fields(std::string_view name) const {
    int i = FieldIndex(name);
    if (i < 0) throw std::out_of_range("Campo inexistente: " + std::string(name));
    return Fields(i);
}

void Recordset::SetField(std::string_view name, Value v) {
    int i = FieldIndex(name);
    if (i < 0) throw std::out_of_range("Campo inexistente: " + std::string(name));
    long cur = d->current();
    if (cur < 0) throw noCurrentRow();
    Row& r = d->rows[cur];
    if (!r.added && std::find(r.dirty.begin(), r.dirty.end(), true) == r.dirty.end()) r.saved = r.values;
    r.values[i] = std::move(v);
    r.dirty[i] = true;
}

void Recordset::Filter(const std::string& criteria) {
    flush(*this, *d);
    d->filter = trim(criteria).empty() ? Criteria{} : d->parse(criteria);
    d->rebuild();
}

void Recordset::Sort(const std::string& column) {
    flush(*this, *d);
    std::vector<std::pair<int, bool>> keys;
    size_t start = 0;
    while (start <= column.size()) {
        size_t comma = column.find(',', start);
        std::string item = trim(column.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!item.empty()) {
            bool desc = false;
            size_t blank = item.find_last_of(" \t");
            if (blank != std::string::npos) {
                std::string dir = upperCi(item.substr(blank + 1));
                if (dir == "DESC" || dir == "ASC") {
                    desc = dir == "DESC";
                    item = trim(item.substr(0, blank));
                }
            }
            int col = d->findColumn(item);
            if (col < 0) throw plainError("Orden no válido: no existe la columna " + item);
            keys.emplace_back(col, desc);
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    d->sortKeys = std::move(keys);
    d->rebuild();
}

void Recordset::Find(const std::string& criteria) {
    flush(*this, *d);
    Criteria c = d->parse(criteria);
    long from = d->pos < 0 ? 0 : d->pos;  // after a delete pos already names the next row
    d->onDeleted = false;
    for (long p = from; p < d->size(); ++p) {
        if (d->matches(d->rows[d->visible[p]], c)) {
            d->pos = p;
            return;
        }
    }
    d->pos = d->size();
}

void Recordset::AddNew() {
    if (!d->open) throw plainError("El conjunto de registros está cerrado");
    flush(*this, *d);
    Row r;
    size_t n = d->cols.size();
    r.values.resize(n);
    r.originals.resize(n);
    r.dirty.assign(n, false);
    r.added = true;
    d->rows.push_back(std::move(r));
    long idx = static_cast<long>(d->rows.size()) - 1;
    d->order.push_back(idx);
    d->visible.push_back(idx);
    d->onDeleted = false;
    d->pos = d->size() - 1;
}

void Recordset::Update() {
    long cur = d->current();
    if (cur < 0) throw noCurrentRow();
    Row& r = d->rows[cur];
    std::vector<int> changed;
    for (int i = 0; i < static_cast<int>(r.dirty.size()); ++i)
        if (r.dirty[i]) changed.push_back(i);
    if (!r.added && changed.empty()) return;
    d->resolveBase();
    for (int i : changed)
        if (std::find(d->writable.begin(), d->writable.end(), i) == d->writable.end())
            throw plainError("La columna " + d->cols[i].name + " no se puede grabar");
    auto c = d->connection();

    if (r.added) {
        std::string names, values;
        for (int i : changed) {
            names += (names.empty() ? "" : ", ") + sqlQuotedName(d->cols[i].orgName);
            values += (values.empty() ? "" : ", ") + literalOf(r.values[i]);
        }
        c->execute("INSERT INTO " + d->qualifiedTable() + " (" + names + ") VALUES (" + values + ")");
        for (int i : changed) r.originals[i] = r.values[i].isNull() ? std::nullopt : std::optional(literalOf(r.values[i]));
        unsigned long long id = mysql_insert_id(mysqlOf(c->handle_));
        for (int i : d->writable)
            if (d->cols[i].autoIncrement && r.values[i].isNull() && id != 0) {
                r.values[i] = Value(static_cast<long long>(id));
                r.originals[i] = sqlNumber(static_cast<long long>(id));
            }
        r.added = false;
        r.dirty.assign(r.dirty.size(), false);
        bool keyKnown = !d->pkCols.empty();
        for (int k : d->pkCols) keyKnown = keyKnown && r.originals[k].has_value();
        if (keyKnown) d->refetch(r);
        return;
    }

    std::string set;
    for (int i : changed) set += (set.empty() ? "" : ", ") + sqlQuotedName(d->cols[i].orgName) + " = " + literalOf(r.values[i]);
    // Without a key the row is told apart by every value it had, not only the changed ones.
    std::string sql = "UPDATE " + d->qualifiedTable() + " SET " + set + " WHERE " +
                      d->where(r, d->pkCols.empty() ? d->writable : changed);
    if (d->pkCols.empty()) sql += " LIMIT 1";
    if (c->execute(sql) == 0) {
        DbError e = conflictError();
        c->addError(e.entry());
        throw e;
    }
    for (int i : changed) r.originals[i] = r.values[i].isNull() ? std::nullopt : std::optional(literalOf(r.values[i]));
    r.dirty.assign(r.dirty.size(), false);
    if (!d->pkCols.empty()) d->refetch(r);
}

void Recordset::CancelUpdate() {
    long cur = d->current();
    if (cur < 0) return;
    Row& r = d->rows[cur];
    if (r.added) {
        r.deleted = true;
        d->order.erase(std::find(d->order.begin(), d->order.end(), cur));
        d->visible.erase(d->visible.begin() + d->pos);
        d->pos = d->size() - 1;
        return;
    }
    if (std::find(r.dirty.begin(), r.dirty.end(), true) == r.dirty.end()) return;
    r.values = r.saved;
    r.dirty.assign(r.dirty.size(), false);
}

void Recordset::Delete() {
    long cur = d->current();
    if (cur < 0) throw noCurrentRow();
    Row& r = d->rows[cur];
    if (!r.added) {
        d->resolveBase();
        auto c = d->connection();
        std::string sql;
        if (!d->pkCols.empty()) {
            sql = "DELETE FROM " + d->qualifiedTable() + " WHERE " + d->where(r, {});
        } else {
            sql = "DELETE FROM " + d->qualifiedTable() + " WHERE " + d->where(r, d->writable) + " LIMIT 1";
        }
        if (c->execute(sql) == 0) {
            DbError e = conflictError();
            c->addError(e.entry());
            throw e;
        }
    }
    r.deleted = true;
    d->order.erase(std::find(d->order.begin(), d->order.end(), cur));
    d->visible.erase(d->visible.begin() + d->pos);
    d->onDeleted = true;
}

}  // namespace remu
