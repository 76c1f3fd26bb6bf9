#pragma once
// A company month on the private server and a working folder whose CONEXION
// points at it, for tests that run remu-cli as a user would: exit status,
// standard output and standard error, and the files it leaves.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "data/local_tables.h"
#include "tests/support/test_db.h"

extern char** environ;

namespace remu::test {

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string schemaFor(const std::string& file, const std::string& year = "2019") {
    std::string s = readFile(std::string(REMU_SOURCE_DIR) + "/schema/" + file);
    for (size_t p; (p = s.find("@YEAR@")) != std::string::npos;) s.replace(p, 6, year);
    return s;
}

inline std::string quoted(const std::string& v) {
    std::string out = "'";
    for (char c : v) {
        if (c == '\'' || c == '\\') out += '\\';
        if (c == '\0') {
            out += "\\0";
            continue;
        }
        out += c;
    }
    return out + "'";
}

struct CliResult {
    int status = -1;  // exit status; 128 + signal when killed
    std::string out, err;
    double seconds = 0;
};

// A remu-cli started in the background (for the tests that kill it or race it).
struct CliProcess {
    pid_t pid = 0;
    std::filesystem::path outFile, errFile;
    std::chrono::steady_clock::time_point started;

    CliResult wait() {
        CliResult r;
        int st = 0;
        waitpid(pid, &st, 0);
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        r.out = readFile(outFile);
        r.err = readFile(errFile);
        std::error_code ec;
        std::filesystem::remove(outFile, ec);
        std::filesystem::remove(errFile, ec);
        return r;
    }
};

inline CliProcess startCli(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                           const std::filesystem::path& scratch = std::filesystem::temp_directory_path()) {
    static int counter = 0;
    CliProcess p;
    std::string stem = "remu_cli_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    p.outFile = scratch / (stem + ".out");
    p.errFile = scratch / (stem + ".err");
    std::vector<std::string> argv = {std::string(REMU_CLI_DIR) + "/remu-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> a;
    for (auto& s : argv) a.push_back(s.data());
    a.push_back(nullptr);
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) envs.push_back(*e);
    envs.insert(envs.end(), env.begin(), env.end());
    std::vector<char*> e;
    for (auto& s : envs) e.push_back(s.data());
    e.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, p.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 2, p.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    p.started = std::chrono::steady_clock::now();
    if (posix_spawn(&p.pid, a[0], &fa, nullptr, a.data(), e.data()) != 0) p.pid = 0;
    posix_spawn_file_actions_destroy(&fa);
    return p;
}

inline CliResult runCli(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    CliProcess p = startCli(args, env);
    if (!p.pid) return {};
    return p.wait();
}

// Company "<tag>_remu_emp" (or the name given) for 2019-03 with parameters in
// "<client>_remu", a cost centre in "<client>_cont", and a folder with CONEXION.
struct CliMonth {
    std::string tag = testdb::uniqueTag();
    std::string client;
    std::unique_ptr<testdb::ScratchDatabase> company, params, cont;
    std::string user, password = "clave1";
    std::filesystem::path dir;

    explicit CliMonth(const std::string& companyName = {}, const std::string& clientId = {}) {
        client = clientId.empty() ? tag : clientId;
        company = companyName.empty() ? std::make_unique<testdb::ScratchDatabase>(tag + "_remu_", "emp")
                                      : testdb::ScratchDatabase::named(companyName);
        params = testdb::ScratchDatabase::named(client + "_remu");
        cont = testdb::ScratchDatabase::named(client + "_cont");
        company->runSql(schemaFor("company.sql") + schemaFor("company_year.sql") +
                        "INSERT INTO anos VALUES ('2019'); INSERT INTO `2019_meses` VALUES ('03');"
                        "INSERT INTO `2019_datos_empresa` (mes_datemp, nombre_datemp, Rut_datemp, ciudad_datemp,"
                        " id_cliente_cont_datemp) VALUES ('03', 'EMPRESA PRUEBA', '76.123.456-7', 'SANTIAGO', " +
                        quoted(cont->name()) + ");");
        params->runSql(schemaFor("parametros.sql") + schemaFor("parametros_year.sql") +
                       "INSERT INTO `2019_parametros` (mes_par, valor_uf_par, tope_imponible_par,"
                       " tope_imponible_cesantia_par) VALUES ('03', 27565.76, 79.2, 118.9);"
                       "INSERT INTO `2019_tabu` (MES, UTM, HASTA_PESOS01) VALUES ('03', 48353, 999999999);"
                       "INSERT INTO `2019_afp` (codigo_afp, nombre_afp, mes_03) VALUES ('03', 'Cuprum', 11.44);"
                       "INSERT INTO `2019_isapre` VALUES ('07', 'Fonasa', 7);");
        cont->runSql(schemaFor("contabilidad_year.sql") +
                     "INSERT INTO `2019_centrocosto` (codigo_cc, nombre_cc) VALUES ('CC01', 'ADMINISTRACION');");
        // CONEXION keeps at most 15 characters of user name and password.
        user = "u" + tag.substr(1, 13);
        auto root = testdb::connectRoot();
        for (const char* host : {"%", "localhost"}) {
            root->execute("CREATE USER IF NOT EXISTS '" + user + "'@'" + host + "' IDENTIFIED BY '" + password + "'");
            root->execute("GRANT ALL ON *.* TO '" + user + "'@'" + host + "'");
        }
        dir = std::filesystem::temp_directory_path() / ("remu_clim_" + tag);
        std::filesystem::create_directories(dir);
        writeConexion(testdb::serverParams().host);
    }
    ~CliMonth() {
        try {
            auto root = testdb::connectRoot();
            root->execute("DROP USER IF EXISTS '" + user + "'@'%'");
            root->execute("DROP USER IF EXISTS '" + user + "'@'localhost'");
        } catch (...) {
        }
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void writeConexion(const std::string& host, const std::string& otherUser = {}, const std::string& otherPassword = {}) {
        std::error_code ec;
        std::filesystem::remove(dir / tableFile(LocalTable::Conexion), ec);
        createConexion({host, "prueba", otherUser.empty() ? user : otherUser,
                        otherUser.empty() ? password : otherPassword, client},
                       dir.string());
    }

    static std::string code(int i) {
        std::string c = std::to_string(i);
        return std::string(4 - std::min<size_t>(4, c.size()), '0') + c;
    }

    // Workers first..first+count-1; `mail(i)` gives each address ("" for none).
    template <class Mail>
    void addWorkers(int first, int count, double salary, Mail mail) {
        std::string sql;
        for (int i = first; i < first + count; ++i) {
            if (sql.empty())
                sql = "INSERT INTO `2019_personal` (mes_per, codigo_per, rut_per, nombre_per, nombres_per, apepat_per,"
                      " apemat_per, cencosto_per, correo_per, sueldo_base_per, codigo_afp_per, codigo_isa_per,"
                      " fecha_contrato_per) VALUES ";
            else
                sql += ",";
            char rut[16];
            std::snprintf(rut, sizeof rut, "0%08d-%d", 10000000 + i, i % 10);
            sql += "('03', '" + code(i) + "', '" + rut + "', 'ANA " + code(i) + " ROJAS', 'ANA', 'ROJAS', " +
                   quoted("DIAZ" + code(i)) + ", 'CC01', " + quoted(mail(i)) + ", " + std::to_string(salary) +
                   ", '03', '07', '2015-04-01')";
            if ((i - first) % 500 == 499) {
                company->runSql(sql);
                sql.clear();
            }
        }
        if (!sql.empty()) company->runSql(sql);
    }
    void addWorkers(int first, int count, double salary = 600000) {
        addWorkers(first, count, salary, [](int) { return std::string(); });
    }

    std::vector<std::string> month(const std::string& command) const {
        return {command, "--empresa", company->name(), "--ano", "2019", "--mes", "03", "--dir", dir.string()};
    }
};

}  // namespace remu::test
