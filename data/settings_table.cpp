#include "data/settings_table.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "format/codepage.h"
#include "format/text.h"

namespace remu {

namespace {

std::string upperAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

const DbfField* findField(const std::vector<DbfField>& fields, const std::string& name) {
    auto it = std::find_if(fields.begin(), fields.end(),
                           [&](const DbfField& f) { return upperAscii(f.name) == upperAscii(name); });
    return it == fields.end() ? nullptr : &*it;
}

std::string refusal(const std::vector<DbfField>& fields, const std::string& table, const SettingsValues& values) {
    for (const auto& [name, value] : values) {
        const DbfField* f = findField(fields, name);
        if (!f) return "La tabla " + table + " no tiene el campo " + name + ".";
        const std::string bytes = utf8ToCp1252(value);
        if (cp1252ToUtf8(bytes) != value)
            return "El valor de " + name + " tiene caracteres que la tabla " + table + " no puede guardar.";
        if (bytes.size() > static_cast<size_t>(f->width))
            return "El valor de " + name + " tiene " + std::to_string(charLength(value)) +
                   " caracteres; el campo " + f->name + " de " + table + " admite " + std::to_string(f->width) + ".";
    }
    return {};
}

std::string fileName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::optional<std::map<std::string, std::string>> readSettingsRow(const std::string& path) {
    if (!DbfTable::locate(path)) return std::nullopt;
    DbfTable t = DbfTable::open(path, DbfMode::Shared);
    auto live = t.liveRecords();
    if (live.empty()) return std::nullopt;
    std::map<std::string, std::string> row;
    for (const DbfField& f : t.fields()) row[upperAscii(f.name)] = rtrim(t.text(live.front(), f.name));
    return row;
}

std::string refuseSettings(const std::string& path, const std::vector<DbfField>& layout, const SettingsValues& values) {
    if (!DbfTable::locate(path)) return refusal(layout, fileName(path), values);
    DbfTable t = DbfTable::open(path, DbfMode::Shared);
    return refusal(t.fields(), fileName(path), values);
}

std::string writeSettingsRow(const std::string& path, const std::vector<DbfField>& layout,
                             const SettingsValues& values) {
    const auto existing = DbfTable::locate(path);
    // Checked before anything is opened for writing: a refused value leaves the folder as it was.
    if (!existing) {
        if (std::string why = refusal(layout, fileName(path), values); !why.empty()) return why;
    }
    DbfTable t = existing ? DbfTable::open(*existing, DbfMode::Exclusive) : DbfTable::create(path, layout);
    if (std::string why = refusal(t.fields(), fileName(path), values); !why.empty()) return why;
    auto live = t.liveRecords();
    const int row = live.empty() ? t.append() : live.front();
    for (const auto& [name, value] : values) t.setText(row, name, value);
    t.flush();
    ::chmod(t.path().c_str(), S_IRUSR | S_IWUSR);
    return {};
}

}  // namespace remu
