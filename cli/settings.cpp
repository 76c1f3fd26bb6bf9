// remu-cli conexion / correo / cola: the settings tables of the working folder
// (CONEXION.DBF, CORREO.DBF, COLACORREO.DBF) written from the command line, so
// nobody has to make a dBASE file by hand.
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/command.h"
#include "core/work_folder.h"
#include "data/dbf_table.h"
#include "data/local_tables.h"
#include "data/settings_table.h"
#include "format/text.h"
#include "payslip/mail_queue.h"

namespace remu::cli {

namespace {

enum class Check { Text, Server, Host, Port, UpperCase };

struct SettingField {
    const char* option;  // --option of the command
    const char* field;   // field of the table
    const char* label;   // what the value is, for the listing
    Check check = Check::Text;
    bool secret = false;  // a password: asked for when not given, never shown
};

struct SettingsTable {
    const char* command;
    LocalTable table;
    const std::vector<DbfField>& (*layout)();
    std::vector<SettingField> fields;
    const char* usage;
};

// "name", "name:port" or a socket path; the port a number from 1 to 65535.
bool validPort(const std::string& p) {
    if (p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos) return false;
    const long n = std::stol(p);
    return n >= 1 && n <= 65535;
}

bool validServer(const std::string& s) {
    if (s.empty() || s.find(' ') != std::string::npos) return false;
    if (s[0] == '/') return true;
    const auto colon = s.find(':');
    if (colon == std::string::npos) return true;
    return colon > 0 && s.find(':', colon + 1) == std::string::npos && validPort(s.substr(colon + 1));
}

// What a value of the given kind should have been; null when it is fine.
const char* invalidValue(Check check, const std::string& value) {
    switch (check) {
    case Check::Server:
        return validServer(value) ? nullptr : "NOMBRE, NOMBRE:PUERTO o la ruta de un socket";
    case Check::Host:
        return !value.empty() && value.find_first_of(" :/") == std::string::npos
                   ? nullptr
                   : "el nombre o la dirección del servidor, sin el puerto";
    case Check::Port:
        return validPort(value) ? nullptr : "un número de 1 a 65535";
    case Check::UpperCase:  // the login compares it with database names in upper case
    case Check::Text:
        break;
    }
    return nullptr;
}

// The password from the terminal without echo, or the first line of standard
// input when that is not a terminal; nullopt when nothing comes.
std::optional<std::string> askPassword(const std::string& prompt) {
    std::string line;
    if (::isatty(STDIN_FILENO)) {
        std::cerr << prompt << std::flush;
        termios old{};
        const bool quiet = ::tcgetattr(STDIN_FILENO, &old) == 0;
        if (quiet) {
            termios noEcho = old;
            noEcho.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &noEcho);
        }
        const bool got = static_cast<bool>(std::getline(std::cin, line));
        if (quiet) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
        std::cerr << "\n";
        if (!got) return std::nullopt;
    } else if (!std::getline(std::cin, line)) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string folderName(const std::string& dir) {
    auto p = std::filesystem::absolute(dir).lexically_normal();
    return (p.has_filename() ? p : p.parent_path()).string();
}

void show(const SettingsTable& t, const std::string& dir, const std::map<std::string, std::string>& row) {
    std::cout << tableFile(t.table) << " en " << folderName(dir) << "\n";
    for (const SettingField& f : t.fields) {
        auto it = row.find(f.field);
        std::string value = it == row.end() ? std::string() : it->second;
        if (f.secret) value = value.empty() ? "(vacía)" : "(guardada)";
        std::cout << "  " << padRight(f.field, 10) << " " << padRight(f.label, 28) << " " << value << "\n";
    }
}

int runSettings(const SettingsTable& t, const Args& a) {
    std::vector<std::string> known = {"dir"};
    for (const SettingField& f : t.fields) known.push_back(f.option);
    auto bad = a.unknown(known);
    if (!bad.empty() || !a.positional().empty()) {
        std::cerr << "remu-cli " << t.command << ": "
                  << (bad.empty() ? "argumento inesperado \"" + a.positional().front() + "\""
                                  : "opción desconocida " + bad.front())
                  << "\n"
                  << t.usage << "\n";
        return 2;
    }
    const std::string dir = a.option("dir", ".");
    const std::string path = WorkFolder(dir).table(t.table);

    SettingsValues values;
    const SettingField* secret = nullptr;
    for (const SettingField& f : t.fields) {
        if (f.secret) secret = &f;
        auto v = a.option(f.option);
        if (!v) continue;
        std::string value = f.check == Check::UpperCase ? upper(*v) : *v;
        if (const char* expected = invalidValue(f.check, value)) {
            std::cerr << "remu-cli " << t.command << ": valor inválido para --" << f.option << " \"" << value
                      << "\" (se espera " << expected << ")\n";
            return 2;
        }
        values.emplace_back(f.field, value);
    }

    try {
        if (values.empty()) {
            auto row = readSettingsRow(path);
            if (!row) {
                std::cerr << "remu-cli " << t.command << ": no hay datos en " << tableFile(t.table) << " de " << folderName(dir)
                          << "; se graban con\n"
                          << t.usage << "\n";
                return 1;
            }
            show(t, dir, *row);
            return 0;
        }
        // Every given value is checked before the password is asked for.
        if (std::string why = refuseSettings(path, t.layout(), values); !why.empty()) {
            std::cerr << "remu-cli " << t.command << ": " << why << " No se grabó nada.\n";
            return 1;
        }
        if (secret && !a.option(secret->option)) {
            auto typed = askPassword(std::string("Clave (") + secret->label + ", Enter la conserva): ");
            if (typed && !typed->empty()) values.emplace_back(secret->field, *typed);
        }
        if (std::string why = writeSettingsRow(path, t.layout(), values); !why.empty()) {
            std::cerr << "remu-cli " << t.command << ": " << why << " No se grabó nada.\n";
            return 1;
        }
        show(t, dir, readSettingsRow(path).value_or(std::map<std::string, std::string>{}));
        return 0;
    } catch (const DbfError& e) {
        std::cerr << "remu-cli " << t.command << ": " << e.what() << "\n";
        return 1;
    }
}

const SettingsTable kConexion{
    "conexion",
    LocalTable::Conexion,
    conexionLayout,
    {{"servidor", "HOST", "servidor", Check::Server},
     {"nombre", "NOM_HOST", "nombre del servidor"},
     {"usuario", "USER", "usuario de la base de datos"},
     {"clave", "CLAVE", "clave de la base de datos", Check::Text, true},
     {"cliente", "DATABASE", "identificador del cliente", Check::UpperCase}},
    "uso: remu-cli conexion [--servidor NOMBRE[:PUERTO]|/RUTA/SOCKET] [--nombre TEXTO] [--usuario USUARIO]\n"
    "                       [--clave CLAVE | --clave=] [--cliente ID] [--dir CARPETA]\n"
    "\n"
    "  Graba la conexión al servidor en CONEXION.DBF de la carpeta (la actual por omisión) y la\n"
    "  muestra; sin opciones sólo la muestra, nunca la clave. Los campos no dados conservan su\n"
    "  valor. Sin --clave la clave se pide sin eco (o se lee de la entrada estándar) y una respuesta\n"
    "  vacía conserva la guardada; --clave= la deja vacía. Un valor más largo que su campo se rechaza.\n"
    "\n"
    "  HOST      (80)  --servidor  nombre o dirección, NOMBRE:PUERTO (3306 por omisión) o un socket\n"
    "  NOM_HOST  (30)  --nombre    nombre del servidor que muestran el ingreso y la barra de estado\n"
    "  USER      (15)  --usuario   usuario de la base de datos\n"
    "  CLAVE     (15)  --clave     su clave\n"
    "  DATABASE  (30)  --cliente   identificador del cliente (se graba en mayúsculas): elige las\n"
    "                              bases de datos de la empresa en el ingreso"};

const SettingsTable kCorreo{
    "correo",
    LocalTable::Correo,
    correoLayout,
    {{"remitente", "REMITENTE", "cuenta del remitente"},
     {"clave", "CONTRASEN", "clave de la cuenta", Check::Text, true},
     {"servidor", "NOMSERVER", "servidor de correo (SMTP)", Check::Host},
     {"puerto", "PUERTO", "puerto del servidor", Check::Port},
     {"nombre", "NOMEMISOR", "nombre del remitente"}},
    "uso: remu-cli correo [--remitente CUENTA] [--clave CLAVE | --clave=] [--servidor NOMBRE] [--puerto N]\n"
    "                     [--nombre TEXTO] [--dir CARPETA]\n"
    "\n"
    "  Graba en CORREO.DBF de la carpeta el remitente con el que \"remu-cli envio\" envía las\n"
    "  liquidaciones, y lo muestra; sin opciones sólo lo muestra. La clave se trata como en\n"
    "  \"remu-cli conexion\". Un valor más largo que su campo se rechaza.\n"
    "\n"
    "  REMITENTE  (80)  --remitente  cuenta del remitente (usuario del servidor de correo)\n"
    "  CONTRASEN  (40)  --clave      su clave\n"
    "  NOMSERVER  (80)  --servidor   servidor de correo (SMTP)\n"
    "  PUERTO      (6)  --puerto     su puerto (25, 465, 587 ...)\n"
    "  NOMEMISOR  (80)  --nombre     nombre con que llegan los correos"};

const SettingsTable kCola{
    "cola",
    LocalTable::ColaCorreo,
    colaCorreoLayout,
    {{"servidor", "HOST", "servidor de la cola", Check::Server},
     {"usuario", "USER", "usuario de la base de datos"},
     {"clave", "CLAVE", "clave de la base de datos", Check::Text, true},
     {"base", "DATABASE", "base de datos de la cola"}},
    "uso: remu-cli cola [--servidor NOMBRE[:PUERTO]] [--usuario USUARIO] [--clave CLAVE | --clave=]\n"
    "                   [--base NOMBRE] [--dir CARPETA]\n"
    "\n"
    "  Graba en COLACORREO.DBF de la carpeta dónde está la cola de correos (tabla CORREOS_ENVIAR)\n"
    "  en la que \"remu-cli pdf\" registra cada liquidación cuando existe ENVIA.TXT, y lo muestra;\n"
    "  sin opciones sólo lo muestra. La clave se trata como en \"remu-cli conexion\".\n"
    "\n"
    "  HOST      (80)  --servidor  servidor de la cola, NOMBRE o NOMBRE:PUERTO\n"
    "  USER      (30)  --usuario   usuario de la base de datos\n"
    "  CLAVE     (30)  --clave     su clave\n"
    "  DATABASE  (64)  --base      base de datos de la cola"};

std::vector<std::string> valuedOptions(const SettingsTable& t) {
    std::vector<std::string> v = {"dir"};
    for (const SettingField& f : t.fields) v.push_back(f.option);
    return v;
}

const CommandRegistrar conexionCommand(Command{"conexion", kConexion.usage,
                                               "graba o muestra la conexión al servidor (CONEXION.DBF)",
                                               valuedOptions(kConexion),
                                               [](const Args& a) { return runSettings(kConexion, a); }});
const CommandRegistrar correoCommand(Command{"correo", kCorreo.usage,
                                             "graba o muestra el remitente de los correos (CORREO.DBF)",
                                             valuedOptions(kCorreo),
                                             [](const Args& a) { return runSettings(kCorreo, a); }});
const CommandRegistrar colaCommand(Command{"cola", kCola.usage,
                                           "graba o muestra la cola de correos (COLACORREO.DBF)",
                                           valuedOptions(kCola), [](const Args& a) { return runSettings(kCola, a); }});

}  // namespace

}  // namespace remu::cli
