#include "tests/support/test_db.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "data/sql.h"
#include "format/text.h"

namespace remu::testdb {

namespace {

std::string serverDir() {
    if (const char* env = std::getenv("REMU_DBSERVER_DIR")) return env;
    return std::string(REMU_BINARY_DIR) + "/dbserver";
}

std::map<std::string, std::string> readEnvFile(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("No database server for the tests (missing " + path +
                                 "); run them through ctest, or start it with scripts/dbserver start " +
                                 serverDir());
    std::map<std::string, std::string> values;
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

ConnectionParams serverParams() {
    auto env = readEnvFile(serverDir() + "/env");
    ConnectionParams p;
    p.host = env["REMU_DB_HOST"];
    p.user = env["REMU_DB_USER"];
    p.password = env["REMU_DB_PASSWORD"];
    p.timeoutSeconds = 30;
    return p;
}

std::shared_ptr<Connection> connectRoot(const std::string& database) {
    ConnectionParams p = serverParams();
    p.database = database;
    return Connection::open(p);
}

std::string uniqueTag() {
    static std::atomic<int> counter{0};
    return "t" + std::to_string(static_cast<long>(getpid())) + "_" + std::to_string(++counter);
}

void runSql(Connection& conn, const std::string& sql) { conn.executeScript(sql); }

void runSqlFile(Connection& conn, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    conn.executeScript(text.str());
}

ScratchDatabase::ScratchDatabase(std::string_view prefix, std::string_view suffix)
    : name_(lower(std::string(prefix) + uniqueTag() + std::string(suffix))) {
    create();
}

ScratchDatabase::ScratchDatabase(Exact, std::string name) : name_(lower(std::move(name))) { create(); }

std::unique_ptr<ScratchDatabase> ScratchDatabase::named(const std::string& name) {
    return std::unique_ptr<ScratchDatabase>(new ScratchDatabase(Exact{}, name));
}

void ScratchDatabase::create() {
    const std::string db = sqlName(name_);
    auto root = connectRoot();
    root->execute("DROP DATABASE IF EXISTS " + db);
    root->execute("CREATE DATABASE " + db + " CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci");
}

ScratchDatabase::~ScratchDatabase() {
    try {
        connectRoot()->execute("DROP DATABASE IF EXISTS " + sqlName(name_));
    } catch (...) {
        // The server may already be gone at the end of a failed run; nothing to keep.
    }
}

ConnectionParams ScratchDatabase::params() const {
    ConnectionParams p = serverParams();
    p.database = name_;
    return p;
}

std::string schemaSql(const std::string& file, const std::string& year) {
    std::ifstream in(std::string(REMU_SOURCE_DIR) + "/schema/" + file);
    if (!in) throw std::runtime_error("cannot read schema/" + file);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string s = ss.str();
    for (size_t p; (p = s.find("@YEAR@")) != std::string::npos;) s.replace(p, 6, year);
    return s;
}

std::shared_ptr<Connection> ScratchDatabase::connect() const { return Connection::open(params()); }

void ScratchDatabase::runSql(const std::string& sql) const { connect()->executeScript(sql); }

void ScratchDatabase::runSqlFile(const std::string& path) const { testdb::runSqlFile(*connect(), path); }

}  // namespace remu::testdb
