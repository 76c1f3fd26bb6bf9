#pragma once
// A dBASE III table file (.DBF) on shapelib's DBF API. Texts are UTF-8 in the
// program and Windows-1252 in the file (declared in the header, LDID 87); the
// conversion happens here and nowhere else. Deleted rows are never shown.
//
// Shared and exclusive use are advisory locks (flock) on the file, so a table
// held exclusively elsewhere cannot be opened, and an exclusive open fails
// while anybody else has the table open.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/date.h"

namespace remu {

class UiPort;

struct DbfField {
    std::string name;  // up to 10 characters
    char type = 'C';   // 'C' text, 'N' number, 'D' date, 'L' logical
    int width = 1;
    int decimals = 0;

    bool operator==(const DbfField&) const = default;
};

enum class DbfMode { Shared, Exclusive };

// Everything that can go wrong with a local table; what() is the text for the
// user, in Spanish, naming the table.
class DbfError : public std::runtime_error {
public:
    enum class Kind { NotFound, InUse, Unreadable, Corrupt, WriteFailed, NoSuchField, ValueTooWide };

    DbfError(Kind kind, std::string message) : std::runtime_error(std::move(message)), kind_(kind) {}
    Kind kind() const { return kind_; }
    const char* title() const { return kind_ == Kind::InUse ? "Alerta" : "Error"; }

private:
    Kind kind_;
};

// Shows the error as a stop box.
void reportDbfError(UiPort& ui, const DbfError& e);

class DbfTable {
public:
    // Creates (or replaces) the file with exactly these fields, empty, and keeps
    // it open exclusively. Refused while the file is open elsewhere.
    static DbfTable create(const std::string& path, const std::vector<DbfField>& fields);
    // Opens an existing table. A file whose name differs only in case is found too.
    static DbfTable open(const std::string& path, DbfMode mode = DbfMode::Shared);
    // The same, reporting a failure through the port instead of throwing.
    static std::optional<DbfTable> open(const std::string& path, DbfMode mode, UiPort& ui);

    // Finds path, or a file in its folder whose name differs only in case.
    static std::optional<std::string> locate(const std::string& path);

    DbfTable(DbfTable&& other) noexcept;
    DbfTable& operator=(DbfTable&& other) noexcept;
    DbfTable(const DbfTable&) = delete;
    DbfTable& operator=(const DbfTable&) = delete;
    ~DbfTable();

    void close();
    bool isOpen() const { return handle_ != nullptr; }
    const std::string& path() const { return path_; }
    DbfMode mode() const { return mode_; }
    // The locked descriptor of the file, for the bulk writers that bypass shapelib.
    int descriptor() const { return lockFd_; }

    const std::vector<DbfField>& fields() const { return fields_; }
    // Position of a field by name (case-insensitive); -1 when there is none.
    int fieldIndex(const std::string& name) const;

    // Physical record numbers (0-based) of the rows that are not deleted, in file order.
    std::vector<int> liveRecords() const;
    int liveCount() const;
    // Physical record count, deleted rows included.
    int recordCount() const;
    bool isDeleted(int record) const;

    // Field values. Texts come without the trailing blanks that pad the field;
    // a blank number is 0 and a blank date is the null Date.
    std::string text(int record, const std::string& field) const;
    double number(int record, const std::string& field) const;
    Date date(int record, const std::string& field) const;
    bool logical(int record, const std::string& field) const;

    // A text longer than the field is cut, as dBASE does; a number that does not
    // fit the field's width is refused (ValueTooWide) and the row is unchanged.
    // Numbers are rounded half away from zero to the field's decimals.
    void setText(int record, const std::string& field, const std::string& utf8);
    void setNumber(int record, const std::string& field, double value);
    void setDate(int record, const std::string& field, const Date& value);
    void setLogical(int record, const std::string& field, bool value);

    // Adds a blank row; its record number.
    int append();
    void remove(int record);
    // Removes every row, deleted ones included (dBASE ZAP). Needs exclusive use.
    void zap();
    // Writes pending changes to the file.
    void flush();

private:
    DbfTable() = default;
    int requireField(const std::string& field) const;
    std::string rawField(int record, int field) const;
    void checkRecord(int record) const;
    void checkWritable(int record) const;
    void writeRaw(int record, int field, const std::string& bytes);
    void loadFields();
    void fail(DbfError::Kind kind, const std::string& message) const;

    void* handle_ = nullptr;  // DBFHandle
    int lockFd_ = -1;
    std::string path_;
    std::string name_;  // file name for messages
    DbfMode mode_ = DbfMode::Shared;
    bool readOnly_ = false;
    std::vector<DbfField> fields_;
    std::vector<int> offsets_;
};

// The fixed width text of a number, as the table stores it: rounded half away
// from zero to `decimals`, right-aligned in `width`; nullopt when it does not fit.
std::optional<std::string> dbfNumberText(double value, int width, int decimals);

namespace dbf_detail {
// Low-level pieces shared with the bulk writers of the work tables.
struct Header {
    uint32_t records = 0;
    uint16_t headerLength = 0;
    uint16_t recordLength = 0;
};
// Reads and checks the 32-byte file header of an open descriptor.
std::optional<Header> readHeader(int fd);
// Sets the record count and today's date in the header, after the rows have been written.
bool finishHeader(int fd, uint32_t records);
// The byte written into header positions 1-3 for today's date.
void todayStamp(unsigned char out[3]);
// Takes the lock for the given mode on an already open descriptor; false when refused.
bool lock(int fd, DbfMode mode);
// value * 10^decimals rounded half away from zero as ROUND does it (on the
// value's decimal text), so 2.675 stored in a field with two decimals is 2.68,
// as it shows on screen.
double scaledRound(double value, int decimals);
}  // namespace dbf_detail

}  // namespace remu
