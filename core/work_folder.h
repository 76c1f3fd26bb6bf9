#pragma once
// The working folder: where the program runs from (or remu-cli's --dir). It holds
// the marker files whose mere presence switches behaviour, the small local tables
// (CONEXION, BASES, CORREO, COLACORREO; the work tables are data/work_tables.h's)
// and the folders the outputs are written into. Every place that asks for one of
// these asks this type, so the names and the way they are found live here only.
// The lock that gives one process the folder's work tables is data/work_folder.h.

#include <optional>
#include <string>
#include <string_view>

namespace remu {

// Marker files of the working folder.
enum class Marker {
    ApvSep,   // "APV_SEP.TXT": one savings line per contract
    Autor,    // "AUTOR.TXT": the main window's "Procesos" menu starts with a separator
    Envia,    // "ENVIA.TXT": the PDF run queues one mail per slip
    Protege,  // "PROTEGE.TXT": PDF slips locked with the worker's RUT (its text: how many digits)
    Zumel,    // "ZUMEL.TXT": the customer's own title on printed and spreadsheet slips
};

// The small dBASE tables that live in the working folder.
enum class LocalTable {
    Conexion,    // "CONEXION.DBF": the connection record
    Bases,       // "BASES.DBF": candidate company databases of the administration login
    Correo,      // "CORREO.DBF": the mail sender settings
    ColaCorreo,  // "COLACORREO.DBF": the mail queue's connection
};

// Folders the outputs create under the working folder.
enum class OutputFolder {
    Pdfs,       // "PDFS": one PDF slip per worker
    Planillas,  // "PLANILLAS": the spreadsheets
};

const char* markerFile(Marker m);
const char* tableFile(LocalTable t);
const char* outputFolderName(OutputFolder f);

// A file whose name is `path`'s or differs from it only in case, in `path`'s folder:
// the names the folder holds come from Windows, where case does not count.
std::optional<std::string> findAnyCase(const std::string& path);

class WorkFolder {
public:
    // The folder as given; empty means the current directory (".").
    explicit WorkFolder(std::string dir = ".");

    const std::string& dir() const { return dir_; }

    // True when the marker file is there, in any case.
    bool has(Marker m) const { return find(m).has_value(); }
    // The marker's path as it is on disk; nullopt when it is not there.
    std::optional<std::string> find(Marker m) const;

    // Path of a file of the folder ("<dir>/<name>"), found or not.
    std::string path(std::string_view name) const;
    std::string table(LocalTable t) const { return path(tableFile(t)); }
    std::string output(OutputFolder f) const { return path(outputFolderName(f)); }

private:
    std::string dir_;
};

}  // namespace remu
