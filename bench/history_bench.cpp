// Times a worker's history on the generated 10,000-worker company with 24 months
// on record: each month computed in memory for him alone. Target: under 1.5 s.
//
//   history_bench [--empresa demo_remu_historia] [--cliente DEMO] [--codigo 0001] [--veces 5]
// Server from REMU_DB_HOST, REMU_DB_USER, REMU_DB_PASSWORD (scripts/dbserver's env file).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_support.h"
#include "data/query.h"
#include "history/history.h"

using namespace remu;
using namespace remu::bench;

int main(int argc, char** argv) {
    Session s;
    if (!serverFromEnvironment(s, "history_bench")) return 2;
    s.CDATABASE = arg(argc, argv, "empresa", "demo_remu_historia");
    s.ID_CLIENTE = arg(argc, argv, "cliente", "DEMO");
    const int times = std::max(1, std::atoi(arg(argc, argv, "veces", "5").c_str()));
    BenchPort ui;
    if (!CONECTA(s, ui, s.OCON)) return 1;
    auto months = historyMonths(*s.OCON, ui);
    if (!months) return 1;

    // A worker with medical leave (his previous salary is looked up), one without.
    for (const std::string& code : {arg(argc, argv, "codigo", "0001"), std::string("0002")}) {
        std::vector<double> runs;
        WorkerHistory h;
        for (int i = 0; i < times; ++i) {
            const auto t = std::chrono::steady_clock::now();
            h = buildHistory(*s.OCON, s.ID_CLIENTE, code, *months);
            runs.push_back(seconds(t));
        }
        int computed = 0;
        for (const HistoryMonth& m : h.months) computed += m.computed;
        const double med = median(runs);
        std::printf("BM_WorkerHistory/%s  %zu meses (%d calculados)  mediana %.3f s  (%.1f ms por mes)  %s\n",
                    code.c_str(), h.months.size(), computed, med, med * 1000 / std::max<size_t>(1, h.months.size()),
                    med < 1.5 ? "< 1.5 s" : "SOBRE 1.5 s");
    }
    return 0;
}
