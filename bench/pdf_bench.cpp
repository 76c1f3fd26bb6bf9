// LIQUI_PDF's writing for a 10,000-worker month: the REMUMES lines the engine
// leaves (16 per worker, the benchmark company's shape) and the month's sources
// already loaded; every slip written, closed and renamed into PDFS, plain and locked;
// then the same slips read from REMUMES.DBF a slip at a time, as LIQUI_PDF reads
// them, with the peak memory of the process. (The whole run, server included, at
// 10,000 and more workers: engine_bench.)
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/work_tables.h"
#include "payslip/pdf_slip.h"
#include "pdf/tests/tiny_jpeg.h"

using namespace remu;

namespace {

PaySlipLine line(const std::string& code, const std::string& name, const char* habdes, int tipo, int imponi,
                 const char* descri, double valfin, const char* titulo, int secuen) {
    PaySlipLine l;
    l.MES_REM = "03";
    l.PERSON_REM = code;
    l.APENOM_REM = name;
    l.HABDES_REM = habdes;
    l.TIPO_REM = tipo;
    l.IMPONI_REM = imponi;
    l.DESCRI_REM = descri;
    l.VALFIN_REM = valfin;
    l.TITULO_REM = titulo;
    l.SECUEN_REM = secuen;
    l.CENCOS_REM = "ADM";
    return l;
}

struct Month {
    std::vector<PaySlipLine> remumes;
    SlipSources src;
    std::string dir;
    Session s;

    explicit Month(int workers) {
        std::string t = (std::filesystem::temp_directory_path() / "remu-pdf-bench-XXXXXX").string();
        dir = mkdtemp(t.data());
        std::ofstream(dir + "/logo.jpg", std::ios::binary) << test::tinyJpeg();
        src.company = {"Comercial Ñandú Ltda.", "076123456-7", "Av. Los Leones 123", "Providencia", "SANTIAGO",
                       "", "", dir + "/logo.jpg", dir + "/logo.jpg"};
        src.params = {27565.76, 48353, 79.2, 118.9};
        src.ok = true;
        src.costCentres["ADM"] = "ADMINISTRACIÓN";
        for (int i = 0; i < workers; ++i) {
            char code[16], rut[24];
            std::snprintf(code, sizeof code, "%04d", i + 1);
            std::snprintf(rut, sizeof rut, "%09d-%d", 10000000 + i * 37, i % 10);
            std::string name = "MUÑOZ PÉREZ JOSÉ " + std::to_string(i);
            double salary = 450000 + (i % 50) * 10000;
            for (auto& l : std::vector<PaySlipLine>{
                     line(code, name, "998", 1, 1, "DIAS TRABAJADOS", 30, "DIAS TRABAJADOS", 2),
                     line(code, name, "SUE", 1, 1, "SUELDO DEL MES", salary, "SUELDO DEL MES", 3),
                     line(code, name, "101", 1, 1, "BONO PRODUCCION", 50000, "BONO PRODUCCION", 5),
                     line(code, name, "GRA", 1, 1, "GRATIFICACION", 126865, "GRATIFICACION", 20),
                     line(code, name, "TIM", 1, 1, "TOTAL IMPONIBLE", salary + 176865, "TOTAL IMPONIBLE", 30),
                     line(code, name, "201", 1, 2, "COLACION", 50000, "COLACION", 5),
                     line(code, name, "202", 1, 2, "MOVILIZACION", 30000, "MOVILIZACION", 5),
                     line(code, name, "NIM", 1, 2, "TOTAL NO IMPONIBLE", 80000, "TOTAL NO IMPONIBLE", 20),
                     line(code, name, "THA", 1, 2, "TOTAL HABERES", salary + 256865, "TOTAL HABERES", 35),
                     line(code, name, "08", 2, 0, "PROVIDA 11.45 %", 70000, "AFP", 1),
                     line(code, name, "07", 2, 0, "FONASA 7%", 44000, "FONASA", 2),
                     line(code, name, "SCA", 2, 0, "SEGURO CESANTIA AFILIADO 0.6%", 3800, "SEGURO CESANTIA", 5),
                     line(code, name, "TDE", 2, 2, "TOTAL DESCUENTOS", 117800, "TOTAL DESCUENTOS", 5),
                     line(code, name, "ALQ", 2, 2, "ALCANCE LIQUIDO", salary + 139065, "ALCANCE LIQUIDO", 35),
                     line(code, name, "SCE", 5, 0, "SEGURO CESANTIA EMPLEADOR", 15000, "APORTE CESANTIA EMPL", 0),
                     line(code, name, "SIS", 5, 0, "SEGURO INV.SOBREV.", 9000, "SIS", 0)})
                remumes.push_back(l);
            PersonnelRow w;
            w.codigo_per = code;
            w.rut_per = rut;
            w.nombre_per = "JOSÉ " + std::to_string(i) + " MUÑOZ PÉREZ";
            w.nombres_per = "JOSÉ " + std::to_string(i);
            w.apepat_per = "MUÑOZ";
            w.apemat_per = "PÉREZ";
            w.cargo_per = "ADMINISTRATIVO";
            w.cencosto_per = "ADM";
            w.fecha_contrato_per = Date{2015, 4, 1};
            w.sueldo_base_per = salary;
            src.workers.emplace(code, w);
        }
        s.period = Period::of(2019, 3);
        s.DFECHA = Date{2019, 3, 31};
    }
    ~Month() { std::filesystem::remove_all(dir); }
};

void pdfSlips(benchmark::State& state, bool locked) {
    Month m(static_cast<int>(state.range(0)));
    if (locked) std::ofstream(m.dir + "/PROTEGE.TXT") << "";
    RecordingPort ui;
    size_t slips = 0;
    for (auto _ : state) {
        auto r = writePdfSlipFiles(m.s, ui, m.remumes, m.src, {m.dir, false});
        if (!r.ok) state.SkipWithError("PDF run failed");
        slips += r.written;
    }
    state.counters["slips/s"] = benchmark::Counter(static_cast<double>(slips), benchmark::Counter::kIsRate);
}
void BM_PdfSlips(benchmark::State& state) { pdfSlips(state, false); }
BENCHMARK(BM_PdfSlips)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same slips locked with the worker's password (PROTEGE.TXT): the cost of the encryption.
void BM_ProtectedPdfSlips(benchmark::State& state) { pdfSlips(state, true); }
BENCHMARK(BM_ProtectedPdfSlips)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The slips read from the work table in steps: the run's memory no longer holds the month.
void BM_PdfSlipsFromTable(benchmark::State& state) {
    Month m(static_cast<int>(state.range(0)));
    writeWorkTable(WorkTable::REMUMES, m.remumes, m.dir);
    m.remumes.clear();
    m.remumes.shrink_to_fit();
    RecordingPort ui;
    size_t slips = 0;
    for (auto _ : state) {
        StoredSlips stored(m.dir, slipFilter(m.s));
        auto r = writePdfSlipFiles(m.s, ui, stored, m.src, {m.dir, false});
        if (!r.ok) state.SkipWithError("PDF run failed");
        slips += r.written;
    }
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["slips/s"] = benchmark::Counter(static_cast<double>(slips), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = ru.ru_maxrss / 1024.0;
}
BENCHMARK(BM_PdfSlipsFromTable)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
