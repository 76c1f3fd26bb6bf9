#pragma once
// Support for tests that talk to the private database server started by the
// CTest fixture "db" (scripts/dbserver, folder <build>/dbserver).
//
//   remu::testdb::ScratchDatabase db("77_remu_");   // e.g. 77_remu_t4711_1, dropped at the end
//   auto conn = db.connect();
//   db.runFile(REMU_SOURCE_DIR "/schema/company.sql");
//
// Scratch names are unique per process and per object, so test programs running in
// parallel never meet.

#include <memory>
#include <string>
#include <string_view>

#include "data/connection.h"

namespace remu::testdb {

// Connection values of the fixture's server (root, no database). Throws
// std::runtime_error with a hint when the server is not running.
ConnectionParams serverParams();

// A root connection, to `database` when given.
std::shared_ptr<Connection> connectRoot(const std::string& database = {});

// A text unique to this process and call: "t<pid>_<n>" (letters, digits, underscore).
std::string uniqueTag();

// Runs SQL text with many statements separated by ";" / the contents of a .sql file.
void runSql(Connection& conn, const std::string& sql);
void runSqlFile(Connection& conn, const std::string& path);

// The DDL of schema/<file> for one year (its @YEAR@ replaced).
std::string schemaSql(const std::string& file, const std::string& year);

class ScratchDatabase {
public:
    // Name: prefix + uniqueTag() + suffix, lower case; created empty (dropped first if left over).
    explicit ScratchDatabase(std::string_view prefix = "scratch_", std::string_view suffix = {});
    // A database with exactly this name (e.g. the client parameter database "<tag>_remu").
    static std::unique_ptr<ScratchDatabase> named(const std::string& name);
    ~ScratchDatabase();  // drops it
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const std::string& name() const { return name_; }
    // Connection values with this database selected.
    ConnectionParams params() const;
    std::shared_ptr<Connection> connect() const;

    void runSql(const std::string& sql) const;
    void runSqlFile(const std::string& path) const;

private:
    struct Exact {};
    ScratchDatabase(Exact, std::string name);
    void create();
    std::string name_;
};

}  // namespace remu::testdb
