#include "data/local_tables.h"

#include <algorithm>

#include "core/ui_port.h"
#include "format/text.h"

namespace remu {

ConnectionRecord defaultConnectionRecord() { return {"localhost", "SERVIDOR LOCAL", "remu", "", ""}; }

const std::vector<DbfField>& conexionLayout() {
    static const std::vector<DbfField> f = {
        {"HOST", 'C', 80, 0}, {"NOM_HOST", 'C', 30, 0}, {"USER", 'C', 15, 0},
        {"CLAVE", 'C', 15, 0}, {"DATABASE", 'C', 30, 0},
    };
    return f;
}

const std::vector<DbfField>& basesLayout() {
    static const std::vector<DbfField> f = {{"DATABASE", 'C', 80, 0}};
    return f;
}

const std::vector<DbfField>& correoLayout() {
    static const std::vector<DbfField> f = {
        {"REMITENTE", 'C', 80, 0}, {"CONTRASEN", 'C', 40, 0}, {"NOMSERVER", 'C', 80, 0},
        {"PUERTO", 'C', 6, 0},     {"NOMEMISOR", 'C', 80, 0},
    };
    return f;
}

void createLocalTable(LocalTable table, const std::string& dir, const std::vector<DbfField>& layout,
                      const std::vector<std::pair<const char*, std::string>>& row) {
    DbfTable t = DbfTable::create(WorkFolder(dir).table(table), layout);
    const int r = t.append();
    for (const auto& [field, text] : row) t.setText(r, field, text);
    t.flush();
}

void createConexion(const ConnectionRecord& row, const std::string& dir) {
    createLocalTable(LocalTable::Conexion, dir, conexionLayout(),
                     {{"HOST", row.HOST}, {"NOM_HOST", row.NOM_HOST}, {"USER", row.USER}, {"CLAVE", row.CLAVE},
                      {"DATABASE", row.DATABASE}});
}

namespace {

// A field the installed table may lack reads as blank.
std::string fieldOrBlank(const DbfTable& t, int record, const char* name) {
    return t.fieldIndex(name) >= 0 ? t.text(record, name) : std::string();
}

}  // namespace

std::optional<ConnectionRecord> readConexion(const std::string& dir) {
    DbfTable t = DbfTable::open(WorkFolder(dir).table(LocalTable::Conexion), DbfMode::Shared);
    auto live = t.liveRecords();
    if (live.empty()) return std::nullopt;
    int r = live.front();
    return ConnectionRecord{fieldOrBlank(t, r, "HOST"), fieldOrBlank(t, r, "NOM_HOST"), fieldOrBlank(t, r, "USER"),
                            fieldOrBlank(t, r, "CLAVE"), fieldOrBlank(t, r, "DATABASE")};
}

bool CONEXION_WRITE_DATABASE(const std::string& database, UiPort& ui, const std::string& dir) {
    try {
        DbfTable t = DbfTable::open(WorkFolder(dir).table(LocalTable::Conexion), DbfMode::Shared);
        auto live = t.liveRecords();
        int r = live.empty() ? t.append() : live.front();
        t.setText(r, "DATABASE", database);
        t.flush();
        return true;
    } catch (const DbfError& e) {
        reportDbfError(ui, e);
        return false;
    }
}

DbfTable openBases(DbfMode mode, const std::string& dir) {
    const std::string path = WorkFolder(dir).table(LocalTable::Bases);
    if (!DbfTable::locate(path)) {
        DbfTable created = DbfTable::create(path, basesLayout());
        if (mode == DbfMode::Exclusive) return created;
        created.close();
    }
    DbfTable t = DbfTable::open(path, mode);
    if (t.fieldIndex("DATABASE") < 0)
        throw DbfError(DbfError::Kind::Corrupt, std::string("La tabla ") + tableFile(LocalTable::Bases) + " no tiene el campo DATABASE.");
    return t;
}

void appendBase(DbfTable& bases, const std::string& name) {
    int r = bases.append();
    bases.setText(r, "DATABASE", name);
}

std::vector<std::string> basesSorted(const DbfTable& bases) {
    std::vector<std::string> names;
    for (int r : bases.liveRecords()) names.push_back(trim(bases.text(r, "DATABASE")));
    std::stable_sort(names.begin(), names.end());
    return names;
}

bool BASES_REPLACE(const std::vector<std::string>& names, UiPort& ui, const std::string& dir) {
    try {
        DbfTable t = openBases(DbfMode::Exclusive, dir);
        t.zap();
        for (const std::string& n : names) appendBase(t, n);
        t.flush();
        return true;
    } catch (const DbfError& e) {
        reportDbfError(ui, e);
        return false;
    }
}

std::optional<MailSender> readCorreo(const std::string& dir) {
    DbfTable t = DbfTable::open(WorkFolder(dir).table(LocalTable::Correo), DbfMode::Shared);
    auto live = t.liveRecords();
    if (live.empty()) return std::nullopt;
    int r = live.front();
    return MailSender{trim(fieldOrBlank(t, r, "REMITENTE")), trim(fieldOrBlank(t, r, "CONTRASEN")),
                      trim(fieldOrBlank(t, r, "NOMSERVER")), trim(fieldOrBlank(t, r, "PUERTO")),
                      trim(fieldOrBlank(t, r, "NOMEMISOR"))};
}

void createCorreo(const MailSender& row, const std::string& dir) {
    createLocalTable(LocalTable::Correo, dir, correoLayout(),
                     {{"REMITENTE", row.REMITENTE}, {"CONTRASEN", row.CONTRASEN}, {"NOMSERVER", row.NOMSERVER},
                      {"PUERTO", row.PUERTO}, {"NOMEMISOR", row.NOMEMISOR}});
}

}  // namespace remu
