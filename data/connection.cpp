#include "data/connection.h"

#include <mysql.h>

#include <cstdlib>
#include <cstring>

#include "data/recordset_impl.h"
#include "data/sql.h"
#include "format/text.h"

namespace remu {

namespace {

MYSQL* mysqlOf(void* p) { return static_cast<MYSQL*>(p); }

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

}  // namespace

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
    if (!h) throw plainDbError("No hay memoria para abrir la conexión");

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
    // must stay on because sqlText() relies on them. The server edits its own mode in
    // one statement: over a slow network every round trip of the connect counts.
    c->execute(
        "SET SESSION sql_mode = CONCAT_WS(',', NULLIF(TRIM(BOTH ',' FROM REPLACE(REPLACE(CONCAT(',', "
        "@@SESSION.sql_mode, ','), ',NO_BACKSLASH_ESCAPES,', ','), ',PAD_CHAR_TO_FULL_LENGTH,', ',')), ''), "
        "'PAD_CHAR_TO_FULL_LENGTH')");
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

std::unique_ptr<RowStream> Connection::stream(const std::string& sql) {
    if (!handle_) throw fail();
    errors_.clear();
    MYSQL* h = mysqlOf(handle_);
    if (mysql_real_query(h, sql.data(), sql.size()) != 0) throw fail();
    MYSQL_RES* res = mysql_use_result(h);
    if (!res) {
        if (mysql_field_count(h) != 0) throw fail();
        return std::unique_ptr<RowStream>(new RowStream());
    }
    std::unique_ptr<RowStream> rs(new RowStream());
    rs->conn_ = shared_from_this();
    rs->result_ = res;
    unsigned int n = mysql_num_fields(res);
    MYSQL_FIELD* fields = mysql_fetch_fields(res);
    for (unsigned int i = 0; i < n; ++i) {
        rs->names_.emplace_back(fields[i].name, fields[i].name_length);
        rs->numeric_.push_back(isNumericType(fields[i].type));
        rs->date_.push_back(isDateType(fields[i].type));
    }
    return rs;
}

RowStream::~RowStream() { close(); }

void RowStream::close() {
    // Freeing the result reads and drops the rows the server still sends.
    if (result_) mysql_free_result(static_cast<MYSQL_RES*>(result_));
    result_ = nullptr;
    row_ = nullptr;
    lengths_ = nullptr;
    conn_.reset();
}

int RowStream::FieldIndex(std::string_view name) const {
    for (size_t i = 0; i < names_.size(); ++i)
        if (equalsCi(names_[i], name)) return static_cast<int>(i);
    return -1;
}

bool RowStream::next() {
    if (!result_) return false;
    MYSQL_RES* res = static_cast<MYSQL_RES*>(result_);
    row_ = mysql_fetch_row(res);
    if (!row_) {
        MYSQL* h = mysqlOf(conn_->handle_);
        if (mysql_errno(h) != 0) {
            DbError e = conn_->fail();
            close();
            throw e;
        }
        lengths_ = nullptr;
        return false;
    }
    lengths_ = mysql_fetch_lengths(res);
    return true;
}

bool RowStream::isNull(int i) const { return i < 0 || i >= FieldCount() || !row_ || !row_[i]; }

std::string_view RowStream::raw(int i) const {
    if (isNull(i)) return {};
    return {row_[i], lengths_[i]};
}

Value RowStream::value(int i) const {
    if (isNull(i)) return Value();
    if (numeric_[i]) return Value(std::strtod(std::string(raw(i)).c_str(), nullptr));
    if (date_[i]) return dateValue(raw(i));
    return Value(std::string(raw(i)));
}

std::string RowStream::text(int i) const {
    if (isNull(i)) return {};
    if (!numeric_[i] && !date_[i]) return std::string(raw(i));
    return value(i).text();
}

void RowStream::text(int i, std::string& out) const {
    if (isNull(i)) out.clear();
    else if (!numeric_[i] && !date_[i]) out.assign(raw(i));
    else out = value(i).text();
}

double RowStream::number(int i) const {
    if (isNull(i)) return 0;
    if (numeric_[i]) {
        const std::string_view r = raw(i);
        // The server's plain "[-]digits[.digits]" without strtod's copy.
        if (auto v = plainDecimal(r)) return *v;
        char buf[64];
        if (r.size() < sizeof buf) {
            std::memcpy(buf, r.data(), r.size());
            buf[r.size()] = '\0';
            return std::strtod(buf, nullptr);
        }
        return std::strtod(std::string(r).c_str(), nullptr);
    }
    return value(i).number();
}

Date RowStream::date(int i) const { return isNull(i) ? Date{} : value(i).date(); }

size_t Connection::maxStatementBytes() {
    if (maxStatementBytes_ == 0) {
        auto rs = query("SELECT @@SESSION.max_allowed_packet");
        const double packet = rs->Eof() ? 0 : rs->Fields(0).number();
        // The server never allows less than 1 KB; keep a margin for the command byte and header.
        maxStatementBytes_ = packet > 4096 ? static_cast<size_t>(packet) - 1024 : 1024;
    }
    return maxStatementBytes_;
}

unsigned long long Connection::lastInsertId() const {
    return handle_ ? mysql_insert_id(mysqlOf(handle_)) : 0;
}

}  // namespace remu
