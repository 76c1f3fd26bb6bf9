// Times LIQUI_EXCEL on the benchmark company: the engine's run, then the sheet
// (REMUMES read, sources loaded, blocks filled, the .xlsx written); reports the
// file's size and the peak resident memory.
//
//   sheet_bench [--empresa demo_remu_bench] [--cliente DEMO] [--ano 2019] [--mes 03] [--veces 3]
// Server from REMU_DB_HOST, REMU_DB_USER, REMU_DB_PASSWORD (scripts/dbserver's env file).
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "data/query.h"
#include "payroll/engine.h"
#include "payslip/sheet_slip.h"

using namespace remu;
using namespace remu::bench;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const std::string company = arg(argc, argv, "empresa", "demo_remu_bench");
    const int times = std::max(1, std::atoi(arg(argc, argv, "veces", "3").c_str()));
    Session s;
    if (!serverFromEnvironment(s, "sheet_bench")) return 2;
    fs::path dir = fs::temp_directory_path() / ("remu_sheet_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);

    s.ID_CLIENTE = arg(argc, argv, "cliente", "DEMO");
    s.CDATABASE = company;
    const auto period = Period::parse(arg(argc, argv, "ano", "2019"), arg(argc, argv, "mes", "03"));
    if (!period) return 2;
    s.period = *period;
    BenchPort ui;
    if (!CONECTA(s, ui, s.OCON)) return 1;

    std::vector<double> engine, read, fill, write, whole;
    const fs::path file = dir / "bench.xlsx";
    for (int i = 0; i < times; ++i) {
        std::chrono::steady_clock::time_point engineEnd;
        double engineTime = 0;
        Clocked clock;
        SheetSlipRun run;
        run.workDir = dir.string();
        run.calculate = [&] {
            auto t0 = std::chrono::steady_clock::now();
            bool ok = CALCULA_REMUN(s, ui, {}, {}, {dir.string(), nullptr});
            engineTime = seconds(t0);
            engineEnd = std::chrono::steady_clock::now();
            return ok;
        };
        run.makeSheet = [&](const std::string& stem) {
            return std::make_unique<ClockedSheet>(SheetDestination{dir.string(), stem, file.string()}, clock);
        };
        auto t0 = std::chrono::steady_clock::now();
        if (!LIQUI_EXCEL(s, ui, run)) {
            std::fprintf(stderr, "sheet_bench: la planilla no se escribió\n");
            return 1;
        }
        whole.push_back(seconds(t0));
        engine.push_back(engineTime);
        read.push_back(std::chrono::duration<double>(clock.made - engineEnd).count());
        fill.push_back(std::chrono::duration<double>(clock.shown - clock.made).count());
        write.push_back(clock.write);
    }
    std::uintmax_t size = fs::file_size(file);
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("sheet slip: %s %s-%s, median of %d runs\n", company.c_str(), s.period.yearText().c_str(), s.period.monthText().c_str(), times);
    std::printf("  engine         %8.3f s\n", median(engine));
    std::printf("  lines, sources %8.3f s  (REMUMES read and ordered, workers and parameters loaded)\n", median(read));
    std::printf("  blocks         %8.3f s\n", median(fill));
    std::printf("  .xlsx file     %8.3f s  (%.1f MB)\n", median(write), size / 1048576.0);
    std::printf("  whole          %8.3f s  (target < 15 s)\n", median(whole));
    std::printf("  peak RSS       %8.1f MB  (target < 400 MB)\n", ru.ru_maxrss / 1024.0);
    s.OCON.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
