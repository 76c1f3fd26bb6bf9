#include "core/work_folder.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <filesystem>

namespace remu {

const char* markerFile(Marker m) {
    switch (m) {
    case Marker::ApvSep: return "APV_SEP.TXT";
    case Marker::Autor: return "AUTOR.TXT";
    case Marker::Envia: return "ENVIA.TXT";
    case Marker::Protege: return "PROTEGE.TXT";
    case Marker::Zumel: return "ZUMEL.TXT";
    }
    return "";
}

const char* tableFile(LocalTable t) {
    switch (t) {
    case LocalTable::Conexion: return "CONEXION.DBF";
    case LocalTable::Bases: return "BASES.DBF";
    case LocalTable::Correo: return "CORREO.DBF";
    case LocalTable::ColaCorreo: return "COLACORREO.DBF";
    }
    return "";
}

const char* outputFolderName(OutputFolder f) {
    switch (f) {
    case OutputFolder::Pdfs: return "PDFS";
    case OutputFolder::Planillas: return "PLANILLAS";
    }
    return "";
}

std::optional<std::string> findAnyCase(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return path;
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* d = opendir(dir.c_str());
    if (!d) return std::nullopt;
    std::optional<std::string> found;
    while (dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) == 0) {
            found = (slash == std::string::npos ? std::string() : dir + "/") + e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

WorkFolder::WorkFolder(std::string dir) : dir_(dir.empty() ? std::string(".") : std::move(dir)) {}

std::optional<std::string> WorkFolder::find(Marker m) const { return findAnyCase(path(markerFile(m))); }

std::string WorkFolder::path(std::string_view name) const { return (std::filesystem::path(dir_) / name).string(); }

}  // namespace remu
