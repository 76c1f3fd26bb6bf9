#pragma once
// A connection to the payroll server (MariaDB Connector/C): connect with
// time-outs, run queries into recordsets (data/recordset.h) and statements.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/db_error.h"
#include "data/recordset.h"

namespace remu {

struct ConnectionParams {
    std::string host;      // "name" or "name:port" (port 3306 when not given), or a socket path "/..."
    std::string user;
    std::string password;
    std::string database;  // empty: the server connection without a database
    // Seconds to connect, and to wait for the server's answer or for it to take
    // what is sent; 0 takes the defaults of connectionTimeouts().
    int timeoutSeconds = 0;
    int readTimeoutSeconds = 0;
    int writeTimeoutSeconds = 0;
};

// The time-outs a connection gets when its parameters leave them at 0: connect
// 10 s, read and write 300 s (more than the longest statement of a big month),
// changed by the environment variables REMU_DB_CONNECT_TIMEOUT,
// REMU_DB_READ_TIMEOUT and REMU_DB_WRITE_TIMEOUT (whole seconds).
struct ConnectionTimeouts {
    int connect = 10;
    int read = 300;
    int write = 300;
};
ConnectionTimeouts connectionTimeouts();

class Connection;

// The rows of a query read one at a time as the server sends them: only the
// current row is held, so a result of any size costs the same. Fields read as
// the recordset gives them. While a stream is open its connection runs nothing
// else; closing it (or destroying it) skips whatever rows are left.
class RowStream {
public:
    ~RowStream();
    RowStream(const RowStream&) = delete;
    RowStream& operator=(const RowStream&) = delete;

    // Index of the column of that name (without regard to case); -1 when absent.
    int FieldIndex(std::string_view name) const;
    int FieldCount() const { return static_cast<int>(numeric_.size()); }
    // Moves to the next row; false past the last one. Throws DbError when the
    // server stops sending half-way.
    bool next();

    // The current row's field: NULL and absent columns read empty, 0, a null date.
    bool isNull(int i) const;
    std::string text(int i) const;
    // The same text, into a string whose room is reused.
    void text(int i, std::string& out) const;
    double number(int i) const;
    Date date(int i) const;
    Value value(int i) const;
    void close();

private:
    friend class Connection;
    RowStream() = default;
    std::string_view raw(int i) const;

    std::shared_ptr<Connection> conn_;  // kept open while rows come
    void* result_ = nullptr;            // MYSQL_RES*
    char** row_ = nullptr;              // MYSQL_ROW
    unsigned long* lengths_ = nullptr;
    std::vector<std::string> names_;
    std::vector<char> numeric_, date_;
};

class Connection : public std::enable_shared_from_this<Connection> {
public:
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects; throws DbError on failure. Character set utf8mb4.
    static std::shared_ptr<Connection> open(const ConnectionParams& params);

    // Runs a query and fetches every row. Throws DbError (also recorded in errors()).
    std::unique_ptr<Recordset> query(const std::string& sql);
    // Runs a query whose rows are read one at a time (see RowStream). Throws DbError.
    std::unique_ptr<RowStream> stream(const std::string& sql);
    // Runs a statement that returns no rows; the number of rows it touched. Throws DbError.
    long long execute(const std::string& sql);
    // Runs several statements separated by ";" (a script, e.g. a .sql file), discarding
    // any rows; stops at the first failing statement and throws DbError.
    void executeScript(const std::string& sql);

    // The provider's error collection of the last failed call (cleared by a successful one).
    const std::vector<DbErrorEntry>& errors() const { return errors_; }
    // Appends an entry to the error collection (lets callers and tests record several).
    void addError(DbErrorEntry e) { errors_.push_back(std::move(e)); }

    const std::string& database() const { return params_.database; }
    const ConnectionParams& params() const { return params_; }
    void close();
    bool isOpen() const { return handle_ != nullptr; }
    // The AUTO_INCREMENT value the last INSERT gave (0 when none).
    unsigned long long lastInsertId() const;
    // The longest statement the server takes in one packet (its max_allowed_packet,
    // less room for the packet's own header), asked once per connection. Throws DbError.
    size_t maxStatementBytes();

    struct Impl;  // the Connector/C handle lives here

private:
    Connection() = default;
    void* handle_ = nullptr;  // MYSQL*
    ConnectionParams params_;
    std::vector<DbErrorEntry> errors_;
    size_t maxStatementBytes_ = 0;  // 0: not asked yet
    DbError fail();  // builds the error from the handle and records it
    friend class RowStream;
};

}  // namespace remu
