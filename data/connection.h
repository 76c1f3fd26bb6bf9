#pragma once
// A connection to the payroll server (MariaDB Connector/C) and the client-side
// recordset with the behaviour of an ADO recordset opened with a client cursor:
// every row is fetched on open; filter, sort and find work on the fetched rows;
// AddNew/Update/Delete are written through to the base table at once.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/value.h"

namespace remu {

// One entry of the provider's error collection.
struct DbErrorEntry {
    std::string description;
    std::string sqlState;
    long nativeError = 0;
};

// Raised by Connection and Recordset operations that the server refused.
class DbError : public std::runtime_error {
public:
    explicit DbError(DbErrorEntry entry) : std::runtime_error(entry.description), entry_(std::move(entry)) {}
    const DbErrorEntry& entry() const { return entry_; }

private:
    DbErrorEntry entry_;
};

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

class Recordset;

class Connection : public std::enable_shared_from_this<Connection> {
public:
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects; throws DbError on failure. Character set utf8mb4.
    static std::shared_ptr<Connection> open(const ConnectionParams& params);

    // Runs a query and fetches every row. Throws DbError (also recorded in errors()).
    std::unique_ptr<Recordset> query(const std::string& sql);
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

    struct Impl;  // the Connector/C handle lives here

private:
    Connection() = default;
    friend class Recordset;
    void* handle_ = nullptr;  // MYSQL*
    ConnectionParams params_;
    std::vector<DbErrorEntry> errors_;
    DbError fail();  // builds the error from the handle and records it
};

class Recordset {
public:
    ~Recordset();
    // A recordset that is not open (what a failed query leaves behind).
    static std::unique_ptr<Recordset> makeClosed();

    // Navigation
    bool Eof() const;  // ADO EOF (a macro name in C)
    bool Bof() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    void Move(long n);
    long AbsolutePosition() const;  // 1-based; 0 when at BOF/EOF
    long RecordCount() const;       // rows that pass the filter

    using Bookmark = long;  // stable identity of a fetched row
    Bookmark GetBookmark() const;
    void SetBookmark(Bookmark b);

    // Fields of the current row.
    int FieldCount() const;
    std::string FieldName(int i) const;
    int FieldIndex(std::string_view name) const;  // case-insensitive; -1 when absent
    const Value& Fields(std::string_view name) const;  // throws std::out_of_range for an unknown name
    const Value& Fields(int i) const;
    // Sets a field of the current row (or of the row being added); stored by Update().
    void SetField(std::string_view name, Value v);

    // Filter in ADO syntax: "col LIKE '*t*' OR col2 LIKE '*t*'"; "" removes it.
    void Filter(const std::string& criteria);
    // Orders the fetched rows by a column ("col" or "col DESC"); "" restores fetch order.
    void Sort(const std::string& column);
    // From the current row forward: "col LIKE '%t%'" or "col = 'text'". EOF when none.
    void Find(const std::string& criteria);

    // Write-through editing. Throws DbError; a write that touches no row throws a
    // DbError whose description says that the row was changed or deleted by someone else.
    void AddNew();
    void Update();
    void Delete();
    // Drops the current row's pending changes (a row being added disappears), e.g.
    // after Update() reported a conflict.
    void CancelUpdate();

    void Close();
    bool isOpen() const;

    struct Impl;

private:
    friend class Connection;
    explicit Recordset(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

}  // namespace remu
