// Times the calculation run of the benchmark company: load, calculate, write the
// work tables, write back, and the whole run; reports the peak resident memory.
// Then the calculation alone, in memory, without a recorder and with one that
// explains one worker's slip: what asking "where does this amount come from"
// costs the run (nothing, when nobody asks).
//
//   engine_bench [--empresa demo_remu_bench] [--cliente DEMO] [--ano 2019] [--mes 03] [--veces 5]
// Server from REMU_DB_HOST, REMU_DB_USER, REMU_DB_PASSWORD (scripts/dbserver's env file).
#include <sys/resource.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "data/dbf_table.h"
#include "data/local_tables.h"
#include "data/query.h"
#include "payroll/calculation.h"
#include "payroll/engine.h"
#include "payroll/explain.h"
#include "payroll/loader.h"

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

double cpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Processor seconds of one in-memory calculation of the month (slips dropped as made).
double calculationTime(const MonthInputs& in, SlipRecorder* recorder) {
    const double start = cpuNow();
    CalcResult r = calculateMonth(in, {}, [](std::vector<PaySlipLine>&&) {}, recorder);
    const double t = cpuNow() - start;
    if (!r.ok) std::exit(1);
    return t;
}

// The month's calculation with and without a recorder, taken in turns so that
// the machine's load falls on both alike.
void explanationCost(Connection& conn, const Session& s, UiPort& ui, int times) {
    LoadRequest req;
    req.year = s.period.yearText();
    req.month = s.period.monthText();
    req.clientId = s.ID_CLIENTE;
    MonthInputs in;
    if (!loadMonthInputs(conn, req, ui, in) || in.personnel.empty()) return;
    const std::string code = in.personnel.front().codigo;
    std::vector<double> none, one;
    size_t lines = 0;
    auto explained = [&] {
        SlipRecorder rec(code);
        one.push_back(calculationTime(in, &rec));
        lines = rec.lines().size();
    };
    // A, B, B, A: neither comes always first.
    for (int i = 0; i < std::max(times, 5); ++i) {
        if (i % 2 == 0) none.push_back(calculationTime(in, nullptr)), explained();
        else explained(), none.push_back(calculationTime(in, nullptr));
    }
    const double a = median(none), b = median(one);
    std::printf("  calculation in memory, median of %zu runs each, taken in turns:\n", none.size());
    std::printf("    no recorder            %8.3f s processor\n", a);
    std::printf("    explaining worker %s %8.3f s processor (%zu lines explained)\n", code.c_str(), b, lines);
    std::printf("    ratio                  %8.3f\n", b / a);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string company = arg(argc, argv, "empresa", "demo_remu_bench");
    const int times = std::max(1, std::atoi(arg(argc, argv, "veces", "5").c_str()));
    if (env("REMU_DB_HOST").empty()) {
        std::fprintf(stderr, "engine_bench: REMU_DB_HOST no está definido (use scripts/bench)\n");
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
            std::fprintf(stderr, "engine_bench: el cálculo no terminó\n");
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
    explanationCost(*s.OCON, s, ui, times);
    s.OCON.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
