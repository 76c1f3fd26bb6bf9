#pragma once
// The one-row settings tables of the working folder (CONEXION, CORREO,
// COLACORREO) changed field by field: what the settings commands of remu-cli
// write instead of a hand-made dBASE file.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/dbf_table.h"

namespace remu {

// New values by field name; fields not named keep what the table holds.
using SettingsValues = std::vector<std::pair<std::string, std::string>>;

// The first live row, every field as text without its padding; nullopt when the
// table does not exist or has no row. Throws DbfError when it cannot be read.
std::optional<std::map<std::string, std::string>> readSettingsRow(const std::string& path);

// Why a value cannot be stored in its field ("" when every value fits): longer
// than the field's width, a character the table's code page lacks, or a field
// the table does not have. Widths are those of the existing table, else `layout`.
std::string refuseSettings(const std::string& path, const std::vector<DbfField>& layout, const SettingsValues& values);

// Writes the values into the first row, creating the table with `layout` (and
// the row) when missing. Nothing is written when a value is refused: the
// refusal text is returned. The file holds passwords: readable by its owner only.
// Throws DbfError when the table cannot be written.
std::string writeSettingsRow(const std::string& path, const std::vector<DbfField>& layout,
                             const SettingsValues& values);

}  // namespace remu
