#pragma once
// The client-side recordset with the behaviour of an ADO recordset opened with a
// client cursor: every row is fetched on open; navigation, bookmarks, filter,
// sort and find work on the fetched rows; AddNew/Update/Delete are written
// through to the base table at once, optimistically.

#include <memory>
#include <string>
#include <string_view>

#include "data/db_error.h"
#include "data/value.h"

namespace remu {

class Connection;

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
