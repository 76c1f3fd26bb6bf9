#pragma once
// Inside the recordset: the fetched columns and rows, the order, filter and
// position over them, and the base table its writes go to. Only the connection
// (which fills it from a query) and the recordset itself see this.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/criteria.h"
#include "data/recordset.h"
#include "data/sql.h"
#include "data/value.h"

namespace remu {

// Names compared as the server compares them: without regard to case.
bool equalsCi(std::string_view a, std::string_view b);

struct Column {
    std::string name, orgName, orgTable, db;
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

    std::shared_ptr<Connection> connection() const;  // throws DbError when it is closed

    void rebuild();
    void resolveBase();
    std::string where(const Row& r, const std::vector<int>& compared) const;
    std::string qualifiedTable() const { return sqlQuotedName(baseDb) + "." + sqlQuotedName(baseTable); }
    void refetch(Row& r);
};

}  // namespace remu
