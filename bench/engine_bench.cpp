// Times the calculation run of the benchmark company: load, calculate, write the
// work tables, write back, and the whole run; reports the peak resident memory.
// Then the calculation alone, in memory, without a recorder and with one that
// explains one worker's slip: what asking "where does this amount come from"
// costs the run (nothing, when nobody asks).
//
// Last, remu-cli itself as a child process: the peak memory (resident set) and
// time of `calcula` and of `pdf` (into an empty PDFS and with the last run's
// files present) for each company of --escala, to show they stay flat.
//
//   engine_bench [--empresa demo_remu_bench] [--cliente DEMO] [--ano 2019] [--mes 03] [--veces 5]
//                [--escala demo_remu_bench,demo_remu_100k] [--cli build/cli/remu-cli] [--sin-pdf]
// Server from REMU_DB_HOST, REMU_DB_USER, REMU_DB_PASSWORD (scripts/dbserver's env file).
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "data/dbf_table.h"
#include "data/local_tables.h"
#include "data/query.h"
#include "data/sql.h"
#include "payroll/calculation.h"
#include "payroll/engine.h"
#include "payroll/explain.h"
#include "payroll/loader.h"

using namespace remu;

namespace {

using bench::arg;
using bench::env;
using bench::median;

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

// One run of remu-cli as a child: its exit status, peak resident set and elapsed time.
struct ChildRun {
    int status = -1;
    double peakMb = 0, seconds = 0;
};

// Linux counts the parent's pages copied at the fork in the child's peak: run
// children before the benchmark grows.
ChildRun runChild(const std::vector<std::string>& args, const std::string& errors) {
    ChildRun r;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(null, 1);
        dup2(err, 2);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage ru {};
    if (pid < 0 || wait4(pid, &status, 0, &ru) != pid) return r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.peakMb = ru.ru_maxrss / 1024.0;
    return r;
}

size_t countFiles(const std::filesystem::path& dir) {
    std::error_code ec;
    size_t n = 0;
    for (auto it = std::filesystem::directory_iterator(dir, ec); !ec && it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

// remu-cli calcula and pdf on each company: peak memory and time per run.
void atScale(const std::string& cli, const std::vector<std::string>& companies, const Session& s, bool pdf,
             const std::filesystem::path& dir) {
    std::printf("remu-cli as a child process (%s), peak resident set and elapsed time:\n", cli.c_str());
    for (const std::string& company : companies) {
        std::vector<std::string> base = {cli, "", "--empresa", company, "--ano", s.period.yearText(),
                                         "--mes", s.period.monthText(), "--dir", dir.string(), "--cliente",
                                         s.ID_CLIENTE, "--silencio"};
        const std::string errors = (dir / "errores.txt").string();
        auto run = [&](const char* command) {
            std::vector<std::string> a = base;
            a[1] = command;
            ChildRun r = runChild(a, errors);
            if (r.status != 0) {
                std::ifstream in(errors);
                std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                std::printf("  (%s %s: %s)\n", command, company.c_str(), text.substr(0, 300).c_str());
            }
            return r;
        };
        ChildRun calc = run("calcula");
        std::error_code ec;
        const auto remumes = std::filesystem::file_size(dir / "REMUMES.DBF", ec);
        std::printf("  %-20s calcula %7.1f MB peak %8.2f s (exit %d, REMUMES %.0f MB)\n", company.c_str(), calc.peakMb,
                    calc.seconds, calc.status, ec ? 0.0 : remumes / 1048576.0);
        if (!pdf) continue;
        std::filesystem::remove_all(dir / "PDFS", ec);
        ChildRun empty = run("pdf");
        const size_t slips = countFiles(dir / "PDFS");
        ChildRun again = run("pdf");
        std::printf("  %-20s pdf     %7.1f MB peak %8.2f s (exit %d, %zu slips, %.0f slips/s into an empty PDFS)\n",
                    company.c_str(), empty.peakMb, empty.seconds, empty.status, slips,
                    empty.seconds > 0 ? slips / empty.seconds : 0.0);
        std::printf("  %-20s pdf     %7.1f MB peak %8.2f s (exit %d, %.0f slips/s with the last run's files)\n",
                    company.c_str(), again.peakMb, again.seconds, again.status,
                    again.seconds > 0 ? slips / again.seconds : 0.0);
        std::filesystem::remove_all(dir / "PDFS", ec);
    }
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
    // The calculation and the PDF run at each size, as the user runs them (first: see runChild).
    std::vector<std::string> companies;
    std::stringstream list(arg(argc, argv, "escala", company));
    for (std::string c; std::getline(list, c, ',');)
        if (!c.empty()) companies.push_back(c);
    std::string cli = arg(argc, argv, "cli", "");
    if (cli.empty()) cli = (fs::path(argv[0]).parent_path() / ".." / "cli" / "remu-cli").lexically_normal().string();
    bool pdf = true;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--sin-pdf") pdf = false;
    if (fs::exists(cli)) {
        // CONEXION keeps at most 15 characters of password: a user of the benchmark's own.
        const std::string host = s.CHOST.substr(0, s.CHOST.find(':'));
        try {
            auto root = Connection::open({s.CHOST, s.CUSER, s.CPASSWORD, ""});
            root->execute("CREATE USER IF NOT EXISTS 'remu_banco'@" + sqlText(host) + " IDENTIFIED BY 'banco'");
            root->execute("GRANT ALL PRIVILEGES ON *.* TO 'remu_banco'@" + sqlText(host));
            createConexion({s.CHOST, "bench", "remu_banco", "banco", s.ID_CLIENTE}, dir.string());
            atScale(cli, companies, s, pdf, dir);
        } catch (const DbError& e) {
            std::fprintf(stderr, "engine_bench: %s\n", e.what());
        }
        createConexion({s.CHOST, "bench", s.CUSER, s.CPASSWORD, s.ID_CLIENTE}, dir.string());
    }
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
