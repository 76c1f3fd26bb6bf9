// One contract from the shipped templates: the seventeen markers replaced and the
// document saved, with the word processor's start (targets: < 3 s) and with the
// session's word processor already running (< 0.5 s).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "office/tword.h"
#include "personnel/documents.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

const fs::path kDir = fs::temp_directory_path() / ("remu_word_bench_" + std::to_string(::getpid()));

DocumentWorker worker() {
    DocumentWorker w;
    w.CRUT = "012345678-5";
    w.CNOMBRE = "JUAN CARLOS PÉREZ NÚÑEZ";
    w.CDIRECCION = "AV. ARGENTINA 2211";
    w.CCOMUNA = "ANTOFAGASTA";
    w.CCARGO = "JEFE DE VENTAS";
    w.DFECHA_NAC = {1979, 10, 12};
    w.DFECHA_CONTRATO = {2015, 3, 2};
    w.NSUELDO_BASE = 1250000;
    return w;
}

const DocumentCompany kCompany{"COMERCIAL MINERA DEL NORTE LTDA.", "76.354.771-K", "RODRIGO ANDRÉS PIZARRO MUÑOZ",
                               "9.876.543-3", "AV. GRECIA 1450", "ANTOFAGASTA"};

void fill(benchmark::State& state, const char* templ) {
    const fs::path out = kDir / ("012345678_CONTRATO" + fs::path(templ).extension().string());
    fs::copy_file(std::string(REMU_SOURCE_DIR) + "/resources/plantillas/" + templ, out,
                  fs::copy_options::overwrite_existing);
    RecordingPort ui;
    TWORD w = TWORD::New(ui);
    if (!w.lWord || !w.OpenDoc(out.string())) {
        state.SkipWithError("no word processor");
        return;
    }
    for (const auto& [marker, value] : documentMarkers(DocumentKind::Contrato, worker(), kCompany))
        w.Replace(marker, value);
    if (!w.Save()) state.SkipWithError("not saved");
    w.End();
}

void BM_DocumentWithStart(benchmark::State& state, const char* templ) {
    for (auto _ : state) {
        state.PauseTiming();
        endWordProcessor();
        state.ResumeTiming();
        fill(state, templ);
    }
    state.counters["start_s"] = wordProcessorStartSeconds();
}

void BM_DocumentInstanceRunning(benchmark::State& state, const char* templ) {
    fill(state, templ);  // the word processor is up and the filter loaded
    for (auto _ : state) fill(state, templ);
}

BENCHMARK_CAPTURE(BM_DocumentWithStart, doc, "contrato_tipo.doc")
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(BM_DocumentInstanceRunning, doc, "contrato_tipo.doc")
    ->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK_CAPTURE(BM_DocumentInstanceRunning, docx, "contrato_tipo.docx")
    ->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    fs::create_directories(kDir);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    endWordProcessor();
    fs::remove_all(kDir);
    return 0;
}
