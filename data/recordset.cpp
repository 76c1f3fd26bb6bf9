#include "data/recordset.h"

#include <algorithm>

#include "data/connection.h"
#include "data/recordset_impl.h"
#include "data/sql.h"
#include "format/text.h"

namespace remu {

namespace {

DbError conflictError() {
    return plainDbError("El registro fue modificado o eliminado por otro usuario; los cambios no se grabaron");
}

DbError noCurrentRow() { return plainDbError("No hay un registro actual"); }

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

}  // namespace

bool equalsCi(std::string_view a, std::string_view b) { return upperCi(a) == upperCi(b); }

std::shared_ptr<Connection> Recordset::Impl::connection() const {
    auto c = conn.lock();
    if (!c || !c->isOpen()) throw plainDbError("La conexión con el servidor está cerrada");
    return c;
}

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
        if (filter.empty() || matchesCriteria(rows[i].values, filter)) visible.push_back(i);
    pos = 0;
    onDeleted = false;
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
            throw plainDbError("No se pueden grabar cambios en una consulta de varias tablas");
        }
    }
    if (baseTable.empty() || baseDb.empty()) throw plainDbError("La consulta no tiene una tabla donde grabar");
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
    if (use.empty()) throw plainDbError("No se puede identificar el registro en la tabla");
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
    if (it == d->visible.end()) throw plainDbError("El registro marcado ya no está disponible");
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
    d->filter = trim(criteria).empty() ? Criteria{} : parseCriteria(criteria, [this](std::string_view name) { return d->findColumn(name); });
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
            if (col < 0) throw plainDbError("Orden no válido: no existe la columna " + item);
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
    Criteria c = parseCriteria(criteria, [this](std::string_view name) { return d->findColumn(name); });
    long from = d->pos < 0 ? 0 : d->pos;  // after a delete pos already names the next row
    d->onDeleted = false;
    for (long p = from; p < d->size(); ++p) {
        if (matchesCriteria(d->rows[d->visible[p]].values, c)) {
            d->pos = p;
            return;
        }
    }
    d->pos = d->size();
}

void Recordset::AddNew() {
    if (!d->open) throw plainDbError("El conjunto de registros está cerrado");
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
            throw plainDbError("La columna " + d->cols[i].name + " no se puede grabar");
    auto c = d->connection();

    if (r.added) {
        std::string names, values;
        for (int i : changed) {
            names += (names.empty() ? "" : ", ") + sqlQuotedName(d->cols[i].orgName);
            values += (values.empty() ? "" : ", ") + literalOf(r.values[i]);
        }
        c->execute("INSERT INTO " + d->qualifiedTable() + " (" + names + ") VALUES (" + values + ")");
        for (int i : changed) r.originals[i] = r.values[i].isNull() ? std::nullopt : std::optional(literalOf(r.values[i]));
        unsigned long long id = c->lastInsertId();
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
