// remu-cli: the payroll engine and its outputs without a display.
#include <algorithm>
#include <iostream>

#include "cli/command.h"
#include "format/text.h"

namespace remu::cli {

namespace {
std::vector<Command>& registry() {
    static std::vector<Command> r;
    return r;
}
}  // namespace

void registerCommand(Command c) { registry().push_back(std::move(c)); }
const std::vector<Command>& commands() { return registry(); }

Args::Args(std::vector<std::string> words) { positional_ = std::move(words); }

Args parseArgs(const std::vector<std::string>& words, const std::vector<std::string>& valued) {
    Args a({});
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::optional<std::string>>> options;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() > 2 && w.rfind("--", 0) == 0) {
            std::string name = w.substr(2);
            auto eq = name.find('=');
            if (eq != std::string::npos) {
                options.emplace_back(name.substr(0, eq), name.substr(eq + 1));
            } else if (std::find(valued.begin(), valued.end(), name) != valued.end() && i + 1 < words.size() &&
                       words[i + 1].rfind("--", 0) != 0) {
                // "--clave --cliente X": an option never takes the next option as its value.
                options.emplace_back(name, words[++i]);
            } else {
                options.emplace_back(name, std::nullopt);
            }
        } else {
            positional.push_back(w);
        }
    }
    a = Args(positional);
    a.options_ = std::move(options);
    return a;
}

std::optional<std::string> Args::option(const std::string& name) const {
    for (auto it = options_.rbegin(); it != options_.rend(); ++it)
        if (it->first == name) return it->second ? it->second : std::optional<std::string>(std::string());
    return std::nullopt;
}

std::string Args::option(const std::string& name, const std::string& fallback) const {
    auto v = option(name);
    return v ? *v : fallback;
}

bool Args::flag(const std::string& name) const { return option(name).has_value(); }

std::vector<std::string> Args::unknown(const std::vector<std::string>& known) const {
    std::vector<std::string> out;
    for (const auto& [name, value] : options_)
        if (std::find(known.begin(), known.end(), name) == known.end()) out.push_back("--" + name);
    return out;
}

}  // namespace remu::cli

namespace {

const char* kExitCodes =
    "estado de salida: 0 terminado, 1 la operación fue rechazada o falló (el motivo va a la salida\n"
    "de errores), 2 uso incorrecto (comando u opción desconocida, falta un dato).\n";

void help(std::ostream& out) {
    out << "uso: remu-cli <comando> [opciones]\n\ncomandos:\n";
    // Names are never cut: the column is as wide as the longest one.
    size_t width = 7;
    for (const auto& c : remu::cli::commands()) width = std::max(width, c.name.size());
    for (const auto& c : remu::cli::commands()) out << "  " << remu::padRight(c.name, width + 2) << c.summary << "\n";
    out << "\nremu-cli <comando> --help muestra las opciones de un comando; remu-cli --version, la versión.\n"
        << "Los resultados van a la salida estándar; los mensajes y el avance, a la salida de errores.\n"
        << kExitCodes;
}

bool asksForHelp(const std::vector<std::string>& words) {
    return std::any_of(words.begin(), words.end(), [](const std::string& w) { return w == "--help" || w == "-h"; });
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    if (!words.empty() && (words[0] == "--version" || words[0] == "-V")) {
        std::cout << "remu-cli " << REMU_VERSION << "\n";
        return 0;
    }
    if (words.empty() || words[0] == "help" || words[0] == "--help" || words[0] == "-h") {
        if (words.size() > 1) {
            for (const auto& c : remu::cli::commands())
                if (c.name == words[1]) {
                    std::cout << c.usage << "\n\n" << kExitCodes;
                    return 0;
                }
            std::cerr << "remu-cli: comando desconocido \"" << words[1] << "\"\n";
            help(std::cerr);
            return 2;
        }
        help(words.empty() ? std::cerr : std::cout);
        return words.empty() ? 2 : 0;
    }
    for (const auto& c : remu::cli::commands()) {
        if (c.name != words[0]) continue;
        const std::vector<std::string> rest(words.begin() + 1, words.end());
        if (asksForHelp(rest)) {
            std::cout << c.usage << "\n\n" << kExitCodes;
            return 0;
        }
        remu::cli::Args args = remu::cli::parseArgs(rest, c.valued);
        return c.run(args);
    }
    std::cerr << "remu-cli: comando desconocido \"" << words[0] << "\"\n";
    help(std::cerr);
    return 2;
}
