// Times the calculation run of the benchmark company: load, calculate, write the
// work tables, write back, and the whole run; reports the peak resident memory.
//
//   engine_bench [--empresa demo_remu_bench] [--cliente DEMO] [--ano 2019] [--mes 03] [--veces 5]
// Server from REMU_DB_HOST, REMU_DB_USER, REMU_DB_PASSWORD (scripts/dbserver's env file).
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "data/dbf_table.h"
#include "data/local_tables.h"
#include "data/query.h"
#include "payroll/engine.h"

using namespace remu;

namespace {

std::string arg(int argc, char** argv, const std::string& name, const std::string& fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == "--" + name) return argv[i + 1];
    return fallback;
}

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string company = arg(argc, argv, "empresa", "demo_remu_bench");
    const int times = std::max(1, std::atoi(arg(argc, argv, "veces", "5").c_str()));
    if (env("REMU_DB_HOST").empty()) {
        std::fprintf(stderr, "engine_bench: REMU_DB_HOST no est\xC3\xA1 definido (use scripts/bench)\n");
        return 2;
    }
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("remu_engine_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);

    Session s;
    s.CHOST = env("REMU_DB_HOST");
    s.CUSER = env("REMU_DB_USER");
    s.CPASSWORD = env("REMU_DB_PASSWORD");
    s.ID_CLIENTE = arg(argc, argv, "cliente", "DEMO");
    s.CDATABASE = company;
    const auto period = Period::parse(arg(argc, argv, "ano", "2019"), arg(argc, argv, "mes", "03"));
    if (!period) return 2;
    s.period = *period;
    ConsolePort ui(false, true);
    createConexion({s.CHOST, "bench", s.CUSER, s.CPASSWORD, s.ID_CLIENTE}, dir.string());
    if (!CONECTA(s, ui, s.OCON)) return 1;

    std::vector<RunTimings> runs;
    for (int i = 0; i < times; ++i) {
        RunTimings tm;
        if (!CALCULA_REMUN(s, ui, "", "", {dir.string(), &tm})) {
            std::fprintf(stderr, "engine_bench: el c\xC3\xA1lculo no termin\xC3\xB3\n");
            return 1;
        }
        runs.push_back(tm);
    }
    auto row = [&](const char* name, double RunTimings::*wall, double RunTimings::*cpu) {
        std::vector<double> w, c;
        for (auto& r : runs) w.push_back(r.*wall), c.push_back(cpu ? r.*cpu : 0);
        if (cpu)
            std::printf("  %-14s %8.3f s elapsed %8.3f s processor\n", name, median(w), median(c));
        else
            std::printf("  %-14s %8.3f s elapsed\n", name, median(w));
    };
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("engine: %s %s-%s, %zu workers, %zu lines, median of %d runs\n", company.c_str(), s.period.yearText().c_str(),
                s.period.monthText().c_str(), runs.back().workers, runs.back().lines, times);
    row("check month", &RunTimings::verify, nullptr);
    row("load", &RunTimings::load, &RunTimings::cpuLoad);
    row("calculate*", &RunTimings::calculate, &RunTimings::cpuCalculate);
    row("work tables", &RunTimings::writeTables, &RunTimings::cpuWriteTables);
    std::printf("  (* REMUMES is written while calculating; \"work tables\" is the rest)\n");
    row("write-back", &RunTimings::writeBack, &RunTimings::cpuWriteBack);
    row("whole run", &RunTimings::total, &RunTimings::cpuTotal);
    double load[3] = {};
    if (getloadavg(load, 3) < 1) load[0] = 0;
    std::printf("  peak RSS       %8.1f MB\n", ru.ru_maxrss / 1024.0);
    std::printf("  machine load average %.1f on %u processors while measuring\n", load[0],
                std::thread::hardware_concurrency());
    s.OCON.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
