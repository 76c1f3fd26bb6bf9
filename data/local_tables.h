#pragma once
// The small local tables of the working directory: the connection record
// (CONEXION), the scratch list of candidate company databases (BASES) and the
// mail sender settings (CORREO). The work tables are in data/work_tables.h.
//
// `dir` is the folder of the tables (see WorkFolder); the working directory by default.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/work_folder.h"
#include "data/dbf_table.h"

namespace remu {

class UiPort;

// The one row of CONEXION, texts without their padding blanks.
struct ConnectionRecord {
    std::string HOST;
    std::string NOM_HOST;
    std::string USER;
    std::string CLAVE;
    std::string DATABASE;
};

// What a new CONEXION holds: the server on this machine, client identifier blank.
ConnectionRecord defaultConnectionRecord();

const std::vector<DbfField>& conexionLayout();
const std::vector<DbfField>& basesLayout();
// Layout we give a CORREO table we create (tests, installation); any widths are read.
const std::vector<DbfField>& correoLayout();

// Creates the table in `dir` with one row of the given field texts (installation and
// tests; CONEXION also at start-up). Throws DbfError.
void createLocalTable(LocalTable table, const std::string& dir, const std::vector<DbfField>& layout,
                      const std::vector<std::pair<const char*, std::string>>& row);

// Creates CONEXION with the given row. Throws DbfError.
void createConexion(const ConnectionRecord& row, const std::string& dir = ".");
// The connection record; nullopt when the table has no live row. Throws DbfError.
std::optional<ConnectionRecord> readConexion(const std::string& dir = ".");
// Writes DATABASE into the connection record (adding the row when there is
// none); reports a failure through the port. True when written.
bool CONEXION_WRITE_DATABASE(const std::string& database, UiPort& ui, const std::string& dir = ".");

// Opens BASES for one search, creating it when missing. Throws DbfError.
DbfTable openBases(DbfMode mode, const std::string& dir = ".");
void appendBase(DbfTable& bases, const std::string& name);
// The live names, trimmed, in ascending order of DATABASE.
std::vector<std::string> basesSorted(const DbfTable& bases);
// Empties BASES (opened exclusively) and fills it with the names; reports a
// failure through the port. True when done.
bool BASES_REPLACE(const std::vector<std::string>& names, UiPort& ui, const std::string& dir = ".");

// Sender settings from the first live row of CORREO, trimmed.
struct MailSender {
    std::string REMITENTE;
    std::string CONTRASEN;
    std::string NOMSERVER;
    std::string PUERTO;
    std::string NOMEMISOR;
};
// nullopt when CORREO has no row; DbfError when it is missing or unreadable.
std::optional<MailSender> readCorreo(const std::string& dir = ".");
// Creates CORREO with one row (installation and tests; the program never does).
void createCorreo(const MailSender& row, const std::string& dir = ".");

}  // namespace remu
