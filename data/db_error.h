#pragma once
// The errors of server access: an entry of the provider's error collection, and
// the exception the connection and the recordset raise with it.

#include <stdexcept>
#include <string>

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

// An error of the client's own (no server involved), in the same collection.
inline DbError plainDbError(std::string text) { return DbError(DbErrorEntry{std::move(text), "HY000", 0}); }

}  // namespace remu
