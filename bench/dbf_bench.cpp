// 10,000 workers x 25 lines: the work table sizes of a whole company's run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "data/work_tables.h"

using namespace remu;

namespace {

std::vector<PaySlipLine> companyRun(int lines) {
    std::vector<PaySlipLine> out;
    out.reserve(static_cast<size_t>(lines));
    for (int i = 0; i < lines; ++i) {
        PaySlipLine l;
        l.MES_REM = "03";
        l.PERSON_REM = std::to_string(1000 + i / 25);
        l.NOMBRE_REM = "JOSÉ MUÑOZ";
        l.APENOM_REM = "MUÑOZ PÉREZ JOSÉ";
        l.HABDES_REM = "SUE";
        l.TIPO_REM = 1 + i % 5;
        l.IMPONI_REM = 1 + i % 2;
        l.HABDESVAR = i % 2;
        l.DESCRI_REM = "SUELDO DEL MES";
        l.VALFIN_REM = 450000 + i;
        l.VALOR_REM = 30.5 + i % 7;
        l.FORMUL_REM = i % 3 ? "" : "VALOR*1000";
        l.TIPOTRABAJ = "0";
        l.SECUEN_REM = i % 25;
        l.TITULO_REM = "SUELDO DEL MES";
        l.CENCOS_REM = "0001";
        if (i % 10 == 0) l.FECDES_REM = Date{2019, 3, 1};
        out.push_back(std::move(l));
    }
    return out;
}

struct Dir {
    Dir() {
        std::string t = (std::filesystem::temp_directory_path() / "remu-bench-XXXXXX").string();
        path = mkdtemp(t.data());
    }
    ~Dir() { std::filesystem::remove_all(path); }
    std::string path;
};

void BM_WriteWorkTable(benchmark::State& state) {
    Dir dir;
    const auto lines = companyRun(static_cast<int>(state.range(0)));
    for (auto _ : state) writeWorkTable(WorkTable::REMUMES, lines, dir.path);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteWorkTable)->Arg(250000)->Unit(benchmark::kMillisecond);

void BM_ReadWorkTable(benchmark::State& state) {
    Dir dir;
    writeWorkTable(WorkTable::REMUMES, companyRun(static_cast<int>(state.range(0))), dir.path);
    for (auto _ : state) benchmark::DoNotOptimize(readWorkTable(WorkTable::REMUMES, dir.path));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadWorkTable)->Arg(250000)->Unit(benchmark::kMillisecond);

// The same rows through shapelib's per-field calls, for comparison.
void BM_WriteFieldByField(benchmark::State& state) {
    Dir dir;
    const auto lines = companyRun(static_cast<int>(state.range(0)));
    const auto& f = workTableLayout(WorkTable::REMUMES);
    for (auto _ : state) {
        DbfTable t = DbfTable::create(dir.path + "/REMUMES.DBF", f);
        for (const PaySlipLine& l : lines) {
            int r = t.append();
            t.setText(r, f[0].name, l.MES_REM);
            t.setText(r, f[1].name, l.PERSON_REM);
            t.setText(r, f[2].name, l.NOMBRE_REM);
            t.setText(r, f[3].name, l.APENOM_REM);
            t.setText(r, f[4].name, l.HABDES_REM);
            t.setNumber(r, f[5].name, l.TIPO_REM);
            t.setNumber(r, f[6].name, l.IMPONI_REM);
            t.setNumber(r, f[7].name, l.HABDESVAR);
            t.setText(r, f[8].name, l.DESCRI_REM);
            t.setNumber(r, f[9].name, l.VALFIN_REM);
            t.setNumber(r, f[10].name, l.VALOR_REM);
            t.setText(r, f[11].name, l.FORMUL_REM);
            t.setText(r, f[12].name, l.TIPOTRABAJ);
            t.setNumber(r, f[15].name, l.SECUEN_REM);
            t.setText(r, f[16].name, l.TITULO_REM);
            t.setText(r, f[18].name, l.CENCOS_REM);
            t.setDate(r, f[20].name, l.FECDES_REM);
        }
        t.flush();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteFieldByField)->Arg(250000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
