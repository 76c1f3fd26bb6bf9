#include "payroll/gathering.h"

#include <algorithm>

#include "payroll/constants.h"

namespace remu {

Bucket& Staging::bucket(const std::string& code) {
    if (last_ && code == lastCode_) return *last_;
    std::string key = padRight(code, 4);
    auto it = buckets_.find(key);
    if (it == buckets_.end()) {
        it = buckets_.emplace(key, Bucket{}).first;
        it->second.code = rtrim(code);
    }
    lastCode_ = code;
    last_ = &it->second;
    return it->second;
}

void Staging::expect(Bucket& b, size_t lines) {
    if (b.staged.capacity() != 0) return;
    const size_t room = lines + commonItems_ + 2 + later_;
    if (spare_.capacity() >= room) b.staged = std::move(spare_);
    else b.staged.reserve(room);
}

bool Staging::hasStaged(const Bucket& b, const std::string& trimmedCode) const {
    return std::find(b.stagedCodes.begin(), b.stagedCodes.end(), trimmedCode) != b.stagedCodes.end();
}

void Staging::stage(Bucket& b, PaySlipLine l) {
    b.staged.push_back(std::move(l));
    staged(b, b.staged.back());
}

void Staging::staged(Bucket& b, PaySlipLine& l) {
    store(l);
    std::string code(tv(l.HABDES_REM));
    if (!hasStaged(b, code)) b.stagedCodes.push_back(std::move(code));
}

namespace {

void makeItemLine(PaySlipLine& l, const ItemRow& r, const std::string& month, const std::string& person,
                  const std::string& name) {
    l.MES_REM = month;
    l.PERSON_REM = person;
    l.NOMBRE_REM = name;
    l.HABDES_REM = r.code;
    l.DESCRI_REM = r.name;
    l.TITULO_REM = r.name;
    l.TIPO_REM = r.type;
    l.IMPONI_REM = r.taxable;
    l.VALOR_REM = r.value;
    l.VALFIN_REM = r.value;
    l.FORMUL_REM = r.formula;
    l.CODMOV_REM = r.movementCode;
    l.HABDESVAR = 1;
    l.FECDES_REM = r.from;
    l.FECHAS_REM = r.to;
}

PaySlipLine itemLine(const ItemRow& r, const std::string& month, const std::string& person, const std::string& name) {
    PaySlipLine l;
    makeItemLine(l, r, month, person, name);
    return l;
}

bool isSavingsItem(const ItemRow& r) { return contains(r.name, LineCode::Savings); }

// Items of each worker, walked as ordered by worker code.
void gatherWorkerItems(GatherContext& g, Staging& staging) {
    const auto& rows = g.in.workerItems;
    size_t i = 0;
    while (i < rows.size()) {
        const ItemRow& first = rows[i];
        if (isSavingsItem(first)) {
            ++i;
            continue;
        }
        const Worker* w = g.workers.find(first.workerCode);
        if (!w) {
            g.messages.push_back(
                {BoxKind::Alert, "Alerta", "Trabajador no encontrado en Tabla Trabajadores " + first.workerCode});
            ++i;
            continue;
        }
        if (!activeIn(*w, g.yyyymm)) {
            ++i;
            continue;
        }
        std::string code = first.workerCode;
        size_t end = i;
        // Exactly his code: a prefix would take in an unknown code that extends it ("10" after "1").
        while (end < rows.size() && sameCode(rows[end].workerCode, code)) ++end;
        for (; i < end; ++i) {
            const ItemRow& r = rows[i];
            bool ended = !r.to.isNull() && (r.to.year * 100L + r.to.month) < g.yyyymm;
            if (ended || isSavingsItem(r)) continue;
            Bucket& b = staging.bucket(r.workerCode);
            staging.expect(b, end - i);
            staging.stage(b, itemLine(r, g.in.month, r.workerCode, r.workerName));
        }
    }
}

// Items common to every worker; a worker's own item of the same code wins.
// Walked worker by worker: each worker's lines come out in item order all the
// same, and a worker listed twice gets nothing from his second row.
void gatherCommonItems(GatherContext& g, Staging& staging) {
    std::vector<std::string> codes;
    for (const ItemRow& r : g.in.commonItems) codes.push_back(trim(r.code));
    for (const Worker& w : g.in.personnel) {
        if (!activeIn(w, g.yyyymm)) continue;
        Bucket& b = staging.bucket(w.codigo);
        staging.expect(b, 0);
        for (size_t k = 0; k < codes.size(); ++k) {
            if (staging.hasStaged(b, codes[k])) continue;
            staging.stage(b, itemLine(g.in.commonItems[k], g.in.month, w.codigo, w.nombre));
        }
    }
}

double savingsValue(const SavingsRow& s, const std::string& formula, RunFormulas& f) {
    return trim(formula).empty()
               ? s.value
               : f.evaluate(formula, s.value, s.workerCode, LineCode::Savings, LineText::Savings + (" " + s.institution));
}

// A contract's own line ("APV_SEP.TXT" present).
PaySlipLine contractLine(GatherContext& g, const SavingsRow& s) {
    PaySlipLine l;
    l.MES_REM = g.in.month;
    l.PERSON_REM = s.workerCode;
    l.NOMBRE_REM = s.workerName;
    l.HABDES_REM = LineCode::Savings;
    l.DESCRI_REM = s.deductible == 0 ? LineText::Savings : LineText::SavingsDeductible;
    l.TIPO_REM = LineType::Deduction;
    l.INSAPV_REM = s.institution;
    l.NOMINSAPV = s.institutionName;
    l.VALOR_REM = s.value;
    l.FORMUL_REM = trim(s.formula);
    l.VALFIN_REM = savingsValue(s, l.FORMUL_REM, g.formulas);
    l.TITULO_REM = LineText::SavingsTitlePrefix + s.institution;
    return l;
}

// One line per contract ("APV_SEP.TXT" present).
void gatherSavingsPerContract(GatherContext& g, Staging& staging) {
    for (const SavingsRow& s : g.in.savings) {
        const Worker* w = g.workers.find(s.workerCode);
        if (!w || !activeIn(*w, g.yyyymm) || s.disabled == 1) continue;
        staging.stage(staging.bucket(s.workerCode), contractLine(g, s));
    }
}

// The worker's deductible and non-deductible totals, under the code and name of his first contract.
void stageSavingsTotals(GatherContext& g, Staging& staging, const SavingsRow& first, double deductible, double other) {
    auto add = [&](const char* text, double total) {
        PaySlipLine l;
        l.MES_REM = g.in.month;
        l.PERSON_REM = first.workerCode;
        l.NOMBRE_REM = first.workerName;
        l.HABDES_REM = LineCode::Savings;
        l.DESCRI_REM = text;
        l.TITULO_REM = text;
        l.TIPO_REM = LineType::Deduction;
        l.VALOR_REM = total;
        l.VALFIN_REM = total;
        staging.stage(staging.bucket(first.workerCode), std::move(l));
    };
    if (deductible > 0) add(LineText::SavingsDeductible, deductible);
    if (other > 0) add(LineText::SavingsNotDeductible, other);
}

// A deductible and a non-deductible total per worker.
void gatherSavingsTotals(GatherContext& g, Staging& staging) {
    std::vector<const SavingsRow*> rows;
    for (const SavingsRow& s : g.in.savings) rows.push_back(&s);
    std::stable_sort(rows.begin(), rows.end(), [](const SavingsRow* a, const SavingsRow* b) {
        return codeKey(a->workerCode) < codeKey(b->workerCode);
    });
    size_t i = 0;
    while (i < rows.size()) {
        const SavingsRow& first = *rows[i];
        const Worker* w = g.workers.find(first.workerCode);
        if (!w || !activeIn(*w, g.yyyymm)) {
            ++i;
            continue;
        }
        double deductible = 0, other = 0;
        std::string code = first.workerCode;
        for (; i < rows.size() && sameCode(rows[i]->workerCode, code); ++i) {
            const SavingsRow& s = *rows[i];
            if (s.disabled == 1) continue;
            (s.deductible != 0 ? deductible : other) += savingsValue(s, s.formula, g.formulas);
        }
        stageSavingsTotals(g, staging, first, deductible, other);
    }
}

}  // namespace

void gatherLines(GatherContext& g, Staging& staging) {
    if (!g.in.workerItems.empty() && g.progress) g.progress(kProgress30);
    gatherWorkerItems(g, staging);
    if (!g.in.commonItems.empty()) {
        if (g.progress) g.progress(kProgress50);
        gatherCommonItems(g, staging);
    }
    // Savings formulas here see the run's initial per-worker figures.
    const FormulaContext saved = g.formulas.context();
    if (g.in.separateSavings) gatherSavingsPerContract(g, staging);
    else gatherSavingsTotals(g, staging);
    g.formulas.restore(saved);
}

}  // namespace remu

namespace remu {

void Staging::clear() {
    buckets_.clear();
    lastCode_.clear();
    last_ = nullptr;
}

void gatherWorker(GatherContext& g, const WorkerRows& rows, Staging& staging) {
    const Worker* w = rows.worker;
    const bool active = w && activeIn(*w, g.yyyymm);
    for (const ItemRow& r : rows.items) {
        if (isSavingsItem(r)) continue;
        if (!w) {
            g.messages.push_back({BoxKind::Alert, "Alerta", "Trabajador no encontrado en Tabla Trabajadores " + r.workerCode});
            continue;
        }
        const bool ended = !r.to.isNull() && (r.to.year * 100L + r.to.month) < g.yyyymm;
        if (!active || ended) continue;
        Bucket& b = staging.bucket(r.workerCode);
        staging.expect(b, rows.items.size());
        staging.stageMade(b, [&](PaySlipLine& l) { makeItemLine(l, r, g.in.month, r.workerCode, r.workerName); });
    }
    if (active && !g.in.commonItems.empty()) {
        Bucket& b = staging.bucket(w->codigo);
        staging.expect(b, 0);
        for (size_t k = 0; k < rows.commonCodes.size(); ++k) {
            if (staging.hasStaged(b, rows.commonCodes[k])) continue;
            staging.stageMade(b, [&](PaySlipLine& l) {
                makeItemLine(l, g.in.commonItems[k], g.in.month, w->codigo, w->nombre);
            });
        }
    }
    if (!active || rows.savings.empty()) return;
    // As in the whole month's gathering, savings formulas see the run's initial figures.
    const FormulaContext saved = g.formulas.context();
    g.formulas.restore(rows.initialFigures);
    if (g.in.separateSavings) {
        for (const SavingsRow* s : rows.savings)
            if (s->disabled != 1) staging.stage(staging.bucket(s->workerCode), contractLine(g, *s));
    } else {
        double deductible = 0, other = 0;
        for (const SavingsRow* s : rows.savings)
            if (s->disabled != 1) (s->deductible != 0 ? deductible : other) += savingsValue(*s, s->formula, g.formulas);
        stageSavingsTotals(g, staging, *rows.savings.front(), deductible, other);
    }
    g.formulas.restore(saved);
}

}  // namespace remu
