// Times SALDO_VACA on 10,000 workers with five vacation periods each: the month's
// personnel of the benchmark company copied into a scratch company, five periods
// made for each of them; then the list loaded and the sheet built and written.
//
//   vacation_sheet_bench [--empresa demo_remu_bench] [--ano 2019] [--mes 03] [--veces 3]
// Server from REMU_DB_HOST, REMU_DB_USER, REMU_DB_PASSWORD (scripts/dbserver's env file).
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "data/query.h"
#include "data/sql.h"
#include "personnel/master_sheet.h"
#include "personnel/vacation_sheet.h"

using namespace remu;
using namespace remu::bench;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const std::string source = arg(argc, argv, "empresa", "demo_remu_bench");
    const std::string year = arg(argc, argv, "ano", "2019"), month = arg(argc, argv, "mes", "03");
    const int times = std::max(1, std::atoi(arg(argc, argv, "veces", "3").c_str()));
    Session s;
    if (!serverFromEnvironment(s, "vacation_sheet_bench")) return 2;
    const std::string scratch = "remu_vacbench_" + std::to_string(::getpid());
    fs::path dir = fs::temp_directory_path() / scratch;
    fs::create_directories(dir);

    s.CDATABASE = source;
    auto period = Period::parse(year, month);
    if (!period) {
        std::fprintf(stderr, "%s\n", Period::problem(year, month).c_str());
        return 2;
    }
    s.period = *period;
    BenchPort ui;
    if (!CONECTA(s, ui, s.OCON)) return 1;
    // The scratch company: the month's workers and five periods each, every one a week long.
    try {
        Connection& c = *s.OCON;
        const std::string to = sqlName(scratch) + ".", from = sqlName(source) + ".";
        c.execute("DROP DATABASE IF EXISTS " + sqlName(scratch));
        c.execute("CREATE DATABASE " + sqlName(scratch));
        for (const char* t : {"_personal", "_datos_empresa"}) {
            const std::string table = sqlYearTable(year, t);
            c.execute("CREATE TABLE " + to + table + " LIKE " + from + table);
            c.execute("INSERT INTO " + to + table + " SELECT * FROM " + from + table);
        }
        c.execute("CREATE TABLE " + to + "vacaciones LIKE " + from + "vacaciones");
        c.execute("INSERT INTO " + to +
                  "vacaciones (codigo_per_vac, rut_per_vac, nombre_per_vac, fecini_vac, fechas_vac, dias_vac,"
                  " numcom_vac) SELECT p.codigo_per, p.rut_per, p.nombres_per,"
                  " DATE_ADD('2014-02-03', INTERVAL n.k YEAR), DATE_ADD('2014-02-07', INTERVAL n.k YEAR), 5, ' '"
                  " FROM " + to + sqlYearTable(year, "_personal") + " p, (SELECT 0 k UNION SELECT 1 UNION SELECT 2"
                  " UNION SELECT 3 UNION SELECT 4) n WHERE p.mes_per = " + sqlMonth(month));
    } catch (const std::exception& e) {  // DbError, BadIdentifier
        std::fprintf(stderr, "vacation_sheet_bench: %s\n", e.what());
        return 1;
    }
    s.OCON.reset();
    s.CDATABASE = scratch;
    if (!CONECTA(s, ui, s.OCON)) return 1;

    std::vector<double> list, read, fill, write, whole;
    long workers = 0;
    const fs::path file = dir / "saldo.xlsx";
    for (int i = 0; i < times; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        auto ors = loadMonthPersonnel(*s.OCON, s, ui);
        if (!ors) return 1;
        list.push_back(seconds(t0));
        workers = ors->RecordCount();
        Clocked clock;
        auto t1 = std::chrono::steady_clock::now();
        bool ok = SALDO_VACA(*ors, s, ui, [&](const std::string& stem) {
            return std::make_unique<ClockedSheet>(SheetDestination{dir.string(), stem, file.string()}, clock);
        });
        if (!ok) {
            std::fprintf(stderr, "vacation_sheet_bench: la planilla no se escribió\n");
            return 1;
        }
        whole.push_back(seconds(t1));
        read.push_back(std::chrono::duration<double>(clock.made - t1).count());
        fill.push_back(std::chrono::duration<double>(clock.shown - clock.made).count());
        write.push_back(clock.write);
    }
    std::uintmax_t size = fs::file_size(file);
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("vacation balance sheet: %ld workers of %s %s-%s, 5 periods each, median of %d runs\n", workers,
                source.c_str(), year.c_str(), month.c_str(), times);
    std::printf("  worker list    %8.3f s  (the month's personnel, as the list loads it)\n", median(list));
    std::printf("  periods        %8.3f s  (company data and every period, read once)\n", median(read));
    std::printf("  blocks         %8.3f s\n", median(fill));
    std::printf("  .xlsx file     %8.3f s  (%.1f MB)\n", median(write), size / 1048576.0);
    std::printf("  sheet          %8.3f s  (target < 5 s)\n", median(whole));
    std::printf("  peak RSS       %8.1f MB\n", ru.ru_maxrss / 1024.0);
    try {
        s.OCON->execute("DROP DATABASE " + sqlName(scratch));
    } catch (const DbError&) {
    }
    s.OCON.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
