#include "payroll/calculation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>
#include <unordered_map>

#include "format/picture.h"
#include "format/text.h"
#include "payroll/formula.h"

namespace remu {

namespace {

bool contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

// Trimmed view of a field, without allocating (the hot paths compare many fields).
std::string_view tv(std::string_view s) {
    const char* blanks = " \t\r\n";
    size_t a = s.find_first_not_of(blanks);
    if (a == std::string_view::npos) return {};
    size_t b = s.find_last_not_of(blanks);
    return s.substr(a, b - a + 1);
}

// xBase VAL(): leading blanks skipped, digits read up to the first non-digit.
double leadingNumber(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    double v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') v = v * 10 + (s[i++] - '0');
    if (i < s.size() && s[i] == '.') {
        double scale = 0.1;
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, scale /= 10) v += (s[i] - '0') * scale;
    }
    return neg ? -v : v;
}

// A worker code as the server compares it: trailing blanks do not count.
std::string_view codeKey(std::string_view s) { return s.substr(0, s.find_last_not_of(' ') + 1); }
bool sameCode(std::string_view a, std::string_view b) { return codeKey(a) == codeKey(b); }

bool isNumericText(std::string_view s) {
    std::string t = trim(s);
    if (t.empty()) return false;
    return std::all_of(t.begin(), t.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

// A number written in decimal notation without blanks ("11.44", "7").
std::string numText(double v) {
    std::string s = fixedText(v, 4);
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s;
}

// Most amounts are already whole; only the others need rounding.
double round0(double x) { return x == std::trunc(x) ? x : roundWhole(x); }
double round2(double x) {
    double c = x * 100;
    return c == std::trunc(c) ? x : ROUND(x, 2);
}

// A line as the work table stores it: texts cut to their fields, amounts rounded.
void store(PaySlipLine& l) {
    auto fit = [](std::string& s, size_t w) {
        if (s.size() > w && charLength(s) > w) s = charSubstr(s, 0, w);
    };
    fit(l.MES_REM, 2);
    fit(l.PERSON_REM, 4);
    fit(l.NOMBRE_REM, 30);
    fit(l.APENOM_REM, 35);
    fit(l.HABDES_REM, 3);
    fit(l.DESCRI_REM, 50);
    fit(l.FORMUL_REM, 200);
    fit(l.TIPOTRABAJ, 1);
    fit(l.INSAPV_REM, 3);
    fit(l.NOMINSAPV, 50);
    fit(l.TITULO_REM, 20);
    fit(l.CENCOS_REM, 4);
    fit(l.CODMOV_REM, 2);
    fit(l.NOMMOV_REM, 30);
    l.VALFIN_REM = round0(l.VALFIN_REM);
    l.VALOR_REM = round2(l.VALOR_REM);
}

std::string upperCase(std::string_view s) { return upper(s); }

// First row whose code contains the text (case-insensitive), as a LIKE '%text%'
// search over the fetched rows does. Codes of one width take the exact-match path.
template <class Row>
class CodeFinder {
public:
    CodeFinder(const std::vector<Row>& rows, std::string Row::*field) : rows_(rows), field_(field) {
        for (size_t i = 0; i < rows.size(); ++i) {
            std::string key = upperCase(rtrim(rows[i].*field));
            if (uniform_ == -2) uniform_ = static_cast<long>(key.size());
            else if (uniform_ != static_cast<long>(key.size())) uniform_ = -1;
            exact_.emplace(std::move(key), i);  // keeps the first
        }
    }
    const Row* find(std::string_view text) {
        std::string needle = upperCase(trim(text));
        if (uniform_ >= 0 && static_cast<long>(needle.size()) == uniform_) {
            auto it = exact_.find(needle);
            return it == exact_.end() ? nullptr : &rows_[it->second];
        }
        auto m = memo_.find(needle);
        if (m != memo_.end()) return m->second;
        const Row* found = nullptr;
        for (const Row& r : rows_)
            if (contains(upperCase(r.*field_), needle)) {
                found = &r;
                break;
            }
        memo_.emplace(needle, found);
        return found;
    }

private:
    const std::vector<Row>& rows_;
    std::string Row::*field_;
    long uniform_ = -2;
    std::unordered_map<std::string, size_t> exact_;
    std::unordered_map<std::string, const Row*> memo_;
};

// Exact lookup by trimmed code, case-insensitive (a quoted "=" on the server).
template <class Row>
const Row* findExact(const std::vector<Row>& rows, std::string_view code) {
    std::string c = upperCase(trim(code));
    for (const Row& r : rows)
        if (upperCase(trim(r.code)) == c) return &r;
    return nullptr;
}

struct FormulaFailure {
    std::string text;
};

struct Bucket {
    std::string code;                  // PERSON_REM as stored
    std::vector<PaySlipLine> staged;   // REMUPASO
    std::vector<PaySlipLine> lines;    // REMUMES
    std::vector<std::string> stagedCodes;  // trimmed item codes already staged
};

class Calculation {
public:
    Calculation(const MonthInputs& in, const ProgressFn& progress, const SlipSink& sink)
        : in_(in), progress_(progress), sink_(sink), workers_(in.personnel, &Worker::codigo),
          catalog_(in.catalog, &CatalogItem::code), funds_(in.funds, &FundRow::code) {
        yyyymm_ = std::stol(in.year) * 100 + std::stol(in.month);
        exception_ = textEquals(in.clientId, "R071_VARDELIK");
        ctx_ = FormulaContext::runStart();
        const MonthParams& p = in.params;
        ctx_.set(FormulaVar::VALOUF, p.VALOUF);
        ctx_.set(FormulaVar::VALUSD, p.VALUSD);
        ctx_.set(FormulaVar::VALEURO, p.VALEURO);
        ctx_.set(FormulaVar::INGMIN, p.INGMIN);
        ctx_.set(FormulaVar::GRAMAX, p.GRAMAX);
        if (in.tax) ctx_.set(FormulaVar::VALUTM, in.tax->UTM);
        CALCULA_TIPO_DIAS_MES(sundays_, saturdays_, weekdays_, holidays_, p.holidays, std::stoi(in.year),
                              std::stoi(in.month));
        buildAdjustments();
    }

    CalcResult run() {
        try {
            if (!in_.monthHasPersonnel) {
                message(BoxKind::Info, "Atenci\xC3\xB3n",
                        "NO HAY DATOS EN EL MAESTRO DE PERSONAL EN " + monthName(std::stoi(in_.month)));
                return std::move(result_);
            }
            gather();
            // Each phase works on one worker at a time and carries nothing over to
            // the next worker except the formula figures, which change in the same
            // order either way; so a worker goes through every phase before the
            // next one starts, and a big month is never held whole.
            say(kProgress60);
            int n = 0;
            for (auto& [key, b] : buckets_) {
                daysFor(b);
                if (b.lines.empty()) continue;
                salaryFor(b);
                say(std::string(kProgress80) + std::to_string(++n));
                evaluateWorker(b);
                statutory(b);
                finishWorker(b);
                b = Bucket{};
            }
            result_.workers = n;
            say(kProgress90);
            result_.ok = true;
        } catch (const FormulaFailure& f) {
            message(BoxKind::Stop, "Error", f.text);
            result_.ok = false;
            result_.slips.clear();
            result_.writeBack.clear();
        }
        return std::move(result_);
    }

private:
    static std::string monthName(int m) {
        static const char* names[] = {"ENERO", "FEBRERO", "MARZO", "ABRIL", "MAYO", "JUNIO", "JULIO",
                                      "AGOSTO", "SEPTIEMBRE", "OCTUBRE", "NOVIEMBRE", "DICIEMBRE"};
        return (m >= 1 && m <= 12) ? std::string(" ") + names[m - 1] : std::string();
    }

    void say(const std::string& text) {
        if (progress_) progress_(text);
    }
    void message(BoxKind kind, std::string title, std::string text) {
        result_.messages.push_back({kind, std::move(title), std::move(text)});
    }
    void notFound(const std::string& what) { message(BoxKind::Info, "registro no encontrado", "No existe " + what); }

    bool active(const Worker& w) const { return !(w.anomesTermino > 0 && w.anomesTermino < yyyymm_); }

    // Consecutive calls mostly name the same worker; map nodes never move.
    Bucket& bucket(const std::string& code) {
        if (lastBucket_ && code == lastBucketCode_) return *lastBucket_;
        std::string key = padRight(code, 4);
        auto it = buckets_.find(key);
        if (it == buckets_.end()) {
            it = buckets_.emplace(key, Bucket{}).first;
            it->second.code = rtrim(code);
        }
        lastBucketCode_ = code;
        lastBucket_ = &it->second;
        return it->second;
    }

    // Room for the lines a worker is about to get, so they are not moved while staging.
    void expect(Bucket& b, size_t lines) {
        if (b.staged.capacity() == 0) b.staged.reserve(lines + in_.commonItems.size() + 2);
    }

    void stage(Bucket& b, PaySlipLine l) {
        store(l);
        std::string code(tv(l.HABDES_REM));
        if (std::find(b.stagedCodes.begin(), b.stagedCodes.end(), code) == b.stagedCodes.end())
            b.stagedCodes.push_back(std::move(code));
        b.staged.push_back(std::move(l));
    }

    PaySlipLine itemLine(const ItemRow& r, const std::string& person, const std::string& name) const {
        PaySlipLine l;
        l.MES_REM = in_.month;
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
        return l;
    }

    // ---- formulas -------------------------------------------------------

    double evaluate(const std::string& formula, double valor, const std::string& worker, const std::string& item,
                    const std::string& description) {
        ctx_[FormulaVar::VALOR] = valor;
        const CompiledFormula& f = formulas_.get(trim(formula));
        FormulaResult r = f.evaluate(ctx_);
        if (!r.ok) {
            throw FormulaFailure{"ERROR EN LA FORMULA\r\nTrabajador: " + worker + "\r\n\xC3\x8Dtem: " + trim(item) +
                                 " " + trim(description) + "\r\nF\xC3\xB3rmula: " + trim(formula) + "\r\n(" +
                                 r.error + "). Corrija la f\xC3\xB3rmula y vuelva a calcular."};
        }
        return r.value;
    }

    // ---- adjustments ----------------------------------------------------

    static std::string adjKey(std::string_view person, std::string_view code, std::string_view text) {
        return padRight(person, 4) + padRight(code, 3) + std::string(text);
    }

    void buildAdjustments() {
        for (const AdjustmentRow& a : in_.adjustments) {
            PaySlipLine l;
            l.MES_REM = in_.month;
            l.PERSON_REM = a.workerCode;
            l.NOMBRE_REM = a.workerName;
            l.HABDES_REM = a.code;
            l.TIPO_REM = a.type;
            l.DESCRI_REM = a.description;
            l.VALFIN_REM = a.amount;
            store(l);
            result_.ajupaso.push_back(std::move(l));
        }
        std::stable_sort(result_.ajupaso.begin(), result_.ajupaso.end(), [](const PaySlipLine& x, const PaySlipLine& y) {
            return adjKey(x.PERSON_REM, x.HABDES_REM, padRight(x.DESCRI_REM, 50)) <
                   adjKey(y.PERSON_REM, y.HABDES_REM, padRight(y.DESCRI_REM, 50));
        });
        for (const PaySlipLine& l : result_.ajupaso) {
            adjKeys_.emplace_back(adjKey(l.PERSON_REM, l.HABDES_REM, padRight(l.DESCRI_REM, 50)), l.VALFIN_REM);
            adjPersons_.insert(adjKeys_.back().first.substr(0, 4));
        }
    }

    // The first adjustment (in key order) whose key begins with worker + code + text.
    const double* adjustment(std::string_view person, std::string_view code, std::string_view text) const {
        if (adjKeys_.empty() || !adjPersons_.count(padRight(person, 4))) return nullptr;
        std::string key = adjKey(person, code, text);
        auto it = std::lower_bound(adjKeys_.begin(), adjKeys_.end(), key,
                                   [](const auto& e, const std::string& k) { return e.first < k; });
        if (it != adjKeys_.end() && it->first.compare(0, key.size(), key) == 0) return &it->second;
        return nullptr;
    }

    // ---- gathering ------------------------------------------------------

    void gather() {
        // Worker items, walked as ordered by worker code.
        const auto& rows = in_.workerItems;
        if (!rows.empty()) say(kProgress30);
        size_t i = 0;
        while (i < rows.size()) {
            const ItemRow& first = rows[i];
            if (contains(first.name, "APV")) {
                ++i;
                continue;
            }
            const Worker* w = workers_.find(first.workerCode);
            if (!w) {
                message(BoxKind::Alert, "Alerta", "Trabajador no encontrado en Tabla Trabajadores " + first.workerCode);
                ++i;
                continue;
            }
            if (!active(*w)) {
                ++i;
                continue;
            }
            std::string code = first.workerCode;
            size_t end = i;
            // Exactly his code: a prefix would take in an unknown code that extends it ("10" after "1").
            while (end < rows.size() && sameCode(rows[end].workerCode, code)) ++end;
            for (; i < end; ++i) {
                const ItemRow& r = rows[i];
                bool ended = !r.to.isNull() && (r.to.year * 100L + r.to.month) < yyyymm_;
                if (ended || contains(r.name, "APV")) continue;
                Bucket& b = bucket(r.workerCode);
                expect(b, end - i);
                stage(b, itemLine(r, r.workerCode, r.workerName));
            }
        }

        // Items common to every worker; a worker's own item of the same code wins.
        // Walked worker by worker: each worker's lines come out in item order all
        // the same, and a worker listed twice gets nothing from his second row.
        if (!in_.commonItems.empty()) {
            say(kProgress50);
            std::vector<std::string> codes;
            for (const ItemRow& r : in_.commonItems) codes.push_back(trim(r.code));
            for (const Worker& w : in_.personnel) {
                if (!active(w)) continue;
                Bucket& b = bucket(w.codigo);
                expect(b, 0);
                for (size_t k = 0; k < codes.size(); ++k) {
                    if (std::find(b.stagedCodes.begin(), b.stagedCodes.end(), codes[k]) != b.stagedCodes.end()) continue;
                    stage(b, itemLine(in_.commonItems[k], w.codigo, w.nombre));
                }
            }
        }

        gatherSavings();
    }

    void gatherSavings() {
        // Savings formulas here see the run's initial per-worker figures.
        FormulaContext saved = ctx_;
        if (in_.separateSavings) {
            for (const SavingsRow& s : in_.savings) {
                const Worker* w = workers_.find(s.workerCode);
                if (!w || !active(*w) || s.disabled == 1) continue;
                PaySlipLine l;
                l.MES_REM = in_.month;
                l.PERSON_REM = s.workerCode;
                l.NOMBRE_REM = s.workerName;
                l.HABDES_REM = "APV";
                l.DESCRI_REM = s.deductible == 0 ? "APV" : "APV REBAJA";
                l.TIPO_REM = 2;
                l.INSAPV_REM = s.institution;
                l.NOMINSAPV = s.institutionName;
                l.VALOR_REM = s.value;
                l.FORMUL_REM = trim(s.formula);
                l.VALFIN_REM = l.FORMUL_REM.empty()
                                   ? s.value
                                   : evaluate(l.FORMUL_REM, s.value, s.workerCode, "APV", "APV " + s.institution);
                l.TITULO_REM = "APV_" + s.institution;
                stage(bucket(s.workerCode), std::move(l));
            }
        } else {
            std::vector<const SavingsRow*> rows;
            for (const SavingsRow& s : in_.savings) rows.push_back(&s);
            std::stable_sort(rows.begin(), rows.end(), [](const SavingsRow* a, const SavingsRow* b) {
                return codeKey(a->workerCode) < codeKey(b->workerCode);
            });
            size_t i = 0;
            while (i < rows.size()) {
                const SavingsRow& first = *rows[i];
                const Worker* w = workers_.find(first.workerCode);
                if (!w || !active(*w)) {
                    ++i;
                    continue;
                }
                double deductible = 0, other = 0;
                std::string code = first.workerCode;
                for (; i < rows.size() && sameCode(rows[i]->workerCode, code); ++i) {
                    const SavingsRow& s = *rows[i];
                    if (s.disabled == 1) continue;
                    double v = trim(s.formula).empty()
                                   ? s.value
                                   : evaluate(s.formula, s.value, s.workerCode, "APV", "APV " + s.institution);
                    (s.deductible != 0 ? deductible : other) += v;
                }
                auto add = [&](const char* text, double total) {
                    PaySlipLine l;
                    l.MES_REM = in_.month;
                    l.PERSON_REM = code;
                    l.NOMBRE_REM = first.workerName;
                    l.HABDES_REM = "APV";
                    l.DESCRI_REM = text;
                    l.TITULO_REM = text;
                    l.TIPO_REM = 2;
                    l.VALOR_REM = total;
                    l.VALFIN_REM = total;
                    stage(bucket(code), std::move(l));
                };
                if (deductible > 0) add("APV REBAJA", deductible);
                if (other > 0) add("APV NO REBAJA", other);
            }
        }
        ctx_ = saved;
    }

    // ---- days and month salary ------------------------------------------

    PaySlipLine newLine(const Bucket& b, const std::string& name) const {
        PaySlipLine l;
        l.MES_REM = in_.month;
        l.PERSON_REM = b.code;
        l.NOMBRE_REM = name;
        return l;
    }

    void append(Bucket& b, PaySlipLine l) {
        store(l);
        b.lines.push_back(std::move(l));
    }

    // The days lines are worked out from every staged line (control lines included)
    // and follow the lines handed over to REMUMES, which leave out control lines
    // and lines without a worker.
    void daysFor(Bucket& b) {
        {
            if (b.staged.empty()) return;
            if (trim(b.code).empty()) {
                std::vector<PaySlipLine>().swap(b.staged);
                return;
            }
            std::vector<PaySlipLine> made;
            std::swap(made, b.lines);
            const std::string name = b.staged.front().NOMBRE_REM;
            // A worker without a days line of his own works the default 30 days.
            double diatra = 30, notWorked = 0, leave = 0;
            for (const PaySlipLine& s : b.staged) {
                std::string_view code = tv(s.HABDES_REM);
                if (code == "998") diatra = s.VALOR_REM;
                if (code != "999") continue;
                notWorked += s.VALOR_REM;
                int mov = static_cast<int>(leadingNumber(s.CODMOV_REM));
                if (mov == 3 || mov == 6) leave += s.VALOR_REM;
                PaySlipLine l = newLine(b, name);
                l.HABDES_REM = "999";
                l.TIPO_REM = 4;
                l.VALOR_REM = s.VALOR_REM;
                l.VALFIN_REM = s.VALOR_REM;
                if (!tv(s.CODMOV_REM).empty()) {
                    const CodeName* m = movement(s.CODMOV_REM);
                    if (!m) continue;  // next staged line
                    l.DESCRI_REM = "DIAS " + m->name;
                    l.TITULO_REM = l.DESCRI_REM;
                    l.CODMOV_REM = s.CODMOV_REM;
                    l.FECDES_REM = s.FECDES_REM;
                    l.FECHAS_REM = s.FECHAS_REM;
                    l.NOMMOV_REM = m->name;
                }
                append(b, std::move(l));
            }
            ctx_[FormulaVar::DIAS_NO_TRA] = notWorked;
            diatra -= notWorked;
            ctx_[FormulaVar::DIATRA] = diatra;
            PaySlipLine d = newLine(b, name);
            d.HABDES_REM = "998";
            d.TIPO_REM = 1;
            d.IMPONI_REM = 1;
            d.VALOR_REM = d.VALFIN_REM = diatra;
            d.DESCRI_REM = d.TITULO_REM = "DIAS TRABAJADOS";
            d.SECUEN_REM = 2;
            append(b, std::move(d));
            if (leave > 0) {
                PaySlipLine m = newLine(b, name);
                m.HABDES_REM = "997";
                m.TIPO_REM = 4;
                m.VALOR_REM = m.VALFIN_REM = leave;
                m.DESCRI_REM = m.TITULO_REM = "DIAS LICENCIA MEDICA";
                append(b, std::move(m));
            }
            std::swap(made, b.lines);
            b.lines.reserve(b.staged.size() + made.size() + 24);
            for (PaySlipLine& l : b.staged)
                if (l.TIPO_REM != 3 && !tv(l.PERSON_REM).empty()) b.lines.push_back(std::move(l));
            for (PaySlipLine& l : made) b.lines.push_back(std::move(l));
            std::vector<PaySlipLine>().swap(b.staged);
            std::vector<std::string>().swap(b.stagedCodes);
        }
    }

    // Movement codes are compared by value ("3" finds "03").
    const CodeName* movement(const std::string& code) {
        std::string c = trim(code);
        for (const CodeName& m : in_.movements) {
            if (isNumericText(c) ? (isNumericText(m.code) && leadingNumber(m.code) == leadingNumber(c))
                                 : upperCase(trim(m.code)) == upperCase(c))
                return &m;
        }
        return nullptr;
    }

    double salaryInPesos(const Worker& w) const {
        const MonthParams& p = in_.params;
        double utm = in_.tax ? in_.tax->UTM : 0;
        switch (w.moneda) {
            case 1: return w.sueldoBase;
            case 2: return roundWhole(w.monedaValor * p.VALOUF);
            case 3: return roundWhole(w.monedaValor * utm);
            case 4: return roundWhole(p.taxableCap * p.VALOUF);
            case 5: return p.INGMIN;
            case 6: return roundWhole(w.monedaValor * p.VALUSD);
            case 7: return roundWhole(w.monedaValor * p.VALEURO);
            default: return w.sueldoBase;
        }
    }

    void salaryFor(Bucket& b) {
        {
            const Worker* w = workers_.find(b.code);
            if (!w) return;
            for (const PaySlipLine& l : b.lines)
                if (tv(l.HABDES_REM) == "998") ctx_[FormulaVar::DIATRA] = l.VALFIN_REM;
            ctx_[FormulaVar::SUELDO] = w->sueldoBase;
            ctx_[FormulaVar::SUEBAS] = salaryInPesos(*w);
            ctx_[FormulaVar::SUELDO] = ctx_[FormulaVar::SUEBAS];
            double divisor = w->diasJornadaParcial > 0 ? w->diasJornadaParcial : 30;
            PaySlipLine l = newLine(b, b.lines.front().NOMBRE_REM);
            l.HABDES_REM = "SUE";
            l.TIPO_REM = 1;
            l.IMPONI_REM = 1;
            l.DESCRI_REM = l.TITULO_REM = "SUELDO DEL MES";
            l.VALOR_REM = l.VALFIN_REM = ctx_[FormulaVar::SUELDO] / divisor * ctx_[FormulaVar::DIATRA];
            append(b, std::move(l));
        }
    }

    // ---- one worker's lines -----------------------------------------------

    void evaluateWorker(Bucket& b) {
        const Worker* w = workers_.find(b.code);
        static const Worker none{};
        const Worker& wk = w ? *w : none;
        const std::string& who = b.code;
        auto& lines = b.lines;

        ctx_[FormulaVar::DIAS_NO_TRA] = 0;
        movementCode_.clear();
        for (const PaySlipLine& l : lines) {
            std::string_view code = tv(l.HABDES_REM);
            if (code == "998") ctx_[FormulaVar::DIATRA] = l.VALOR_REM;
            if (code == "999") {
                ctx_[FormulaVar::DIAS_NO_TRA] += l.VALOR_REM;
                movementCode_ = l.CODMOV_REM;
            }
        }

        // Weekly-rest pay on the items the catalogue marks for it.
        double weekly = 0;
        for (const PaySlipLine& l : lines) {
            const CatalogItem* c = catalog_.find(l.HABDES_REM);
            if (c && c->semcor == 1 && weekdays_ - holidays_ != 0)
                weekly += l.VALOR_REM / (weekdays_ - holidays_) * (holidays_ + sundays_);
        }
        if (weekly > 0) {
            PaySlipLine l = newLine(b, lines.front().NOMBRE_REM);
            l.HABDES_REM = "SEM";
            l.DESCRI_REM = l.TITULO_REM = "SEMANA CORRIDA";
            l.VALOR_REM = l.VALFIN_REM = weekly;
            l.TIPO_REM = 1;
            l.IMPONI_REM = 1;
            append(b, std::move(l));
        }

        ctx_[FormulaVar::TOTIMP] = 0;
        ctx_[FormulaVar::NOIMP] = 0;
        leaveDays_ = 0;
        ctx_[FormulaVar::SUELDO] = wk.sueldoBase;
        ctx_[FormulaVar::SUEBAS] = wk.sueldoBase;

        // Pass 1: preliminary taxable total, without gratification and TOTIMP formulas.
        for (PaySlipLine& l : lines) {
            if (contains(l.FORMUL_REM, "TOTIMP") || contains(l.DESCRI_REM, "GRATIFICACION")) continue;
            std::string_view code = tv(l.HABDES_REM);
            std::string_view desc = tv(l.DESCRI_REM);
            if (code == "998") ctx_[FormulaVar::DIATRA] = l.VALOR_REM;
            if (desc == "SUELDO DEL MES") ctx_[FormulaVar::SUEBAS] = l.VALFIN_REM;
            if (desc == "DIAS LICENCIA MEDICA") leaveDays_ = l.VALOR_REM;
            if (l.TIPO_REM == 1 && l.IMPONI_REM == 1 && code != "998") {
                if (const double* a = adjustment(b.code, l.HABDES_REM, desc))
                    ctx_[FormulaVar::TOTIMP] += *a;
                else if (!tv(l.FORMUL_REM).empty())
                    ctx_[FormulaVar::TOTIMP] += evaluate(l.FORMUL_REM, l.VALOR_REM, who, l.HABDES_REM, l.DESCRI_REM);
                else
                    ctx_[FormulaVar::TOTIMP] += l.VALFIN_REM;
            }
        }

        // Pass 2: earnings.
        for (PaySlipLine& l : lines) {
            if (tv(l.HABDES_REM) == "APV" || contains(l.DESCRI_REM, "GRATIFICACION") || l.TIPO_REM == 2) continue;
            if (const double* a = adjustment(b.code, l.HABDES_REM, tv(l.DESCRI_REM))) {
                l.VALFIN_REM = *a;
            } else if (!tv(l.FORMUL_REM).empty()) {
                l.VALFIN_REM = evaluate(l.FORMUL_REM, l.VALOR_REM, who, l.HABDES_REM, l.DESCRI_REM);
                bool whole = l.VALOR_REM == std::trunc(l.VALOR_REM);
                l.DESCRI_REM = std::string(tv(l.DESCRI_REM)) + " (" + TRANSFORM(l.VALOR_REM, whole ? "9,999,999" : "999.99") + ")";
            } else {
                l.VALFIN_REM = l.VALOR_REM;
            }
            store(l);
        }

        // Pass 3: gratification, on the preliminary total.
        for (PaySlipLine& l : lines) {
            if (!contains(l.DESCRI_REM, "GRATIFICACION")) continue;
            finalValue(b, l, who);
        }

        double totimp = 0;
        savingsDeduction_ = 0;
        for (const PaySlipLine& l : lines) {
            if (l.TIPO_REM == 1 && l.IMPONI_REM == 1 && tv(l.HABDES_REM) != "998") totimp += l.VALFIN_REM;
            if (tv(l.DESCRI_REM) == "APV REBAJA") savingsDeduction_ += l.VALFIN_REM;
        }
        ctx_[FormulaVar::TOTIMP] = totimp;
        const MonthParams& p = in_.params;
        ctx_[FormulaVar::BASIMP] = totimp;
        if (p.VALOUF != 0 && totimp / p.VALOUF > p.taxableCap) ctx_[FormulaVar::BASIMP] = p.taxableCap * p.VALOUF;

        // Pass 4: deductions and everything that is not an earning.
        for (PaySlipLine& l : lines)
            if (l.TIPO_REM != 1) finalValue(b, l, who);
    }

    void finalValue(Bucket& b, PaySlipLine& l, const std::string& who) {
        if (const double* a = adjustment(b.code, l.HABDES_REM, tv(l.DESCRI_REM)))
            l.VALFIN_REM = *a;
        else if (!tv(l.FORMUL_REM).empty())
            l.VALFIN_REM = evaluate(l.FORMUL_REM, l.VALOR_REM, who, l.HABDES_REM, l.DESCRI_REM);
        else
            l.VALFIN_REM = l.VALOR_REM;
        store(l);
    }

    // ---- statutory lines and income tax ---------------------------------

    double adjOr(const Bucket& b, std::string_view code, std::string_view text, double computed) const {
        const double* a = adjustment(b.code, code, text);
        return a ? *a : computed;
    }

    void statutory(Bucket& b) {
        const Worker* wp = workers_.find(b.code);
        static const Worker none{};
        const Worker& w = wp ? *wp : none;
        const MonthParams& p = in_.params;
        const std::string name = b.lines.front().NOMBRE_REM;
        std::vector<PaySlipLine>& out = statutoryStaged_;
        auto line = [&](std::string code, std::string desc, double value, std::string title, int type) {
            PaySlipLine l = newLine(b, name);
            l.HABDES_REM = std::move(code);
            l.DESCRI_REM = std::move(desc);
            l.VALFIN_REM = value;
            l.TITULO_REM = std::move(title);
            l.TIPO_REM = type;
            out.push_back(std::move(l));
            return &out.back();
        };
        double& TOTIMP = ctx_[FormulaVar::TOTIMP];
        double& BASIMP = ctx_[FormulaVar::BASIMP];
        double& SUELDO = ctx_[FormulaVar::SUELDO];
        const double DIATRA = ctx_[FormulaVar::DIATRA];
        const double INGMIN = p.INGMIN;
        const double leave = leaveDays_;

        // 1. Taxable total.
        {
            PaySlipLine* l = line("TIM", "TOTAL IMPONIBLE", adjOr(b, "TIM", "TOTAL IMPONIBLE", TOTIMP),
                                  "TOTAL IMPONIBLE", 1);
            l->IMPONI_REM = 1;
            l->SECUEN_REM = 30;
        }

        // 2. Family allowance.
        if (w.cargas > 0) {
            double per = 0;
            const char* brackets = "ABCD";
            for (int k = 0; k < 4; ++k)
                if (textEquals(w.tramo, std::string(1, brackets[k]))) {
                    per = p.familyAllowance[k];
                    break;
                }
            double allowance = per * w.cargas;
            if (DIATRA < 25 && leave == 0) allowance = roundWhole(allowance / 30 * DIATRA);
            if (allowance > 0) {
                std::string n = numText(w.cargas);
                PaySlipLine* l = line("FAM",
                                      "ASIGNACION FAMILIAR (" + n + " * $" + trim(TRANSFORM(per, "999,999")) + ")",
                                      adjOr(b, "FAM", "ASIGNACION FAMILIAR", allowance),
                                      "ASIGNACION FAMILIAR (" + n + "  $" + trim(TRANSFORM(w.cargas * per, "999,999")) + ")",
                                      1);
                l->IMPONI_REM = 2;
            }
        }

        // 3. Pension.
        double pension = 0;
        {
            // A regime worker's line comes wholly from his regime row, so his fund code is not
            // looked up; "00" is "no fund", computed at rate 0 when the table has no row for it.
            const bool regime = !trim(w.ips).empty();
            const FundRow* f = regime ? nullptr : funds_.find(w.afp);
            if (!f && !regime && trim(w.afp) != "00")
                throw FormulaFailure{"Trabajador " + b.code + ": la AFP " + trim(w.afp) +
                                     " no existe en la tabla de AFP; no se puede calcular su cotizaci\xC3\xB3n."};
            double rate = f ? f->rate : 0;
            std::string desc = (f ? upperCase(trim(f->name)) : std::string("SIN AFP")) + " " + numText(rate) + " %";
            double amount = roundWhole(BASIMP * rate / 100);
            std::string code = trim(w.afp);
            std::string title = "AFP";
            if (trim(w.afp) == "00" && trim(w.ips).empty()) code = "SIP";
            if (!trim(w.ips).empty()) {
                const FundRow* r = funds_.find(w.ips);
                if (!r) throw FormulaFailure{"Trabajador " + b.code + ": el r\xC3\xA9gimen " + trim(w.ips) +
                                            " no existe en la tabla de AFP; no se puede calcular su cotizaci\xC3\xB3n."};
                code = trim(w.ips);
                rate = r->rate;
                desc = upperCase(trim(r->name)) + " " + numText(rate) + " %";
                amount = adjOr(b, code, desc, roundWhole(BASIMP * rate / 100));
                title = upperCase(trim(r->name));
            }
            PaySlipLine* l = line(code, desc, amount, title, 2);
            l->TIPOTRABAJ = w.tipoTrabajador;
            pension = roundWhole(amount);
        }

        // 4. Health.
        double healthForTax = 0;
        {
            std::string isa = trim(w.isa);
            const HealthInsurerRow* h = findExact(in_.insurers, isa);
            double rate = 0;
            std::string hname = "   ";
            if (h) {
                rate = h->rate;
                hname = upperCase(h->name);
            } else {
                notFound("C\xC3\xB3" "digo ISA" + isa);
            }
            double legal = 0, additional = 0, share = 0;
            if (!textEquals(isa, "07")) {
                double plan = 0;
                if (w.pactado == 2 || w.pactado == 5) plan = roundWhole(w.valorPactado * p.VALOUF);
                legal = roundWhole(BASIMP * rate / 100);
                if (w.pactado == 3) plan = w.valorPactado;
                plan += w.adicionalPesos;
                if (plan > legal) additional = plan - legal;
                if (leave > 0) {
                    plan = roundWhole(plan / 30 * (30 - leave));
                    if (plan >= legal) additional = plan - legal;
                }
                if (static_cast<int>(leadingNumber(movementCode_)) == 2) {
                    plan = roundWhole(plan / 30 * DIATRA);
                    if (plan >= legal) additional = plan - legal;
                }
                line(isa, hname, adjOr(b, isa, trim(hname), legal), "ISAPRE", 2);
                if (additional > 0)
                    line(isa, "ADICIONAL ISAPRE", adjOr(b, isa, "ADICIONAL ISAPRE", additional), "ADICIONAL ISAPRE", 2);
            } else if (textNotEquals(trim(in_.company.ccafCode), "00")) {
                std::string cc = trim(in_.company.ccafCode);
                double frate = in_.company.ccafRate;
                const CodeName* c = findExact(in_.ccafs, cc);
                std::string fname;
                if (c) fname = upperCase(trim(c->name));
                else notFound("CCAF");
                legal = roundWhole(BASIMP * (rate - frate) / 100);
                share = roundWhole(BASIMP * frate / 100);
                line("FON", "FONASA 6.4%", adjOr(b, "FON", "FONASA", legal), "FONASA", 2);
                line(cc, "CCAF " + fname + " 0.6%", adjOr(b, cc, fname, share), "CCAF COTIZ", 2);
            } else {
                legal = roundWhole(BASIMP * rate / 100);
                line("FON", "FONASA 7%", adjOr(b, "FON", "FONASA", legal), "FONASA", 2);
            }
            healthForTax = legal + additional + share;
            double cap = p.VALOUF * p.taxableCap * 0.07;
            if (healthForTax > cap) healthForTax = roundWhole(cap);
        }

        // 5. Work-accident insurance.
        if (w.sueldoPatronal == 0) {
            double rate = in_.company.mutualRate;
            std::string rt = numText(rate);
            std::string code, desc, title;
            if (trim(in_.company.mutualCode) == "00") {
                desc = "APORTE ACCIDENTES DEL TRABAJO AL ISL";
                code = "ISL";
                title = "ISL %" + rt;
            } else {
                const CodeName* m = findExact(in_.mutuals, in_.company.mutualCode);
                if (!m) notFound("mutual");
                desc = (m ? upperCase(trim(m->name)) : std::string()) + " %" + rt;
                code = "MUT";
                title = "MUT %" + rt;
            }
            line(code, desc, adjOr(b, code, trim(desc), roundWhole(BASIMP * rate / 100)), title, 5);
        }

        // 6. Unemployment insurance.
        double unemploymentWorker = 0, unemploymentBase = 0;
        if (w.seguroCesantia >= 2 && w.seguroCesantia <= 4) {
            double cap = roundWhole(p.unemploymentCap * p.VALOUF);
            double employer = 0, worker = 0;
            double base = TOTIMP > cap ? cap : TOTIMP;
            double erate = 2.4, wrate = 0.6;
            if (w.seguroCesantia == 4) erate = 0.8, wrate = 0;
            if (w.seguroCesantia == 3) {
                employer = roundWhole(erate * base / 100);
                worker = roundWhole(wrate * base / 100);
            } else {
                employer = roundWhole((erate + wrate) * base / 100);
            }
            if (leave > 0) {
                if (w.seguroCesantia == 2) erate = 3, wrate = 0;
                else if (w.seguroCesantia == 3) erate = 2.4, wrate = 0.6;
                else erate = 0.8, wrate = 0;
                double worked = TOTIMP > cap ? cap : TOTIMP;
                double previous = previousSalary(b.code);
                if (previous == 0) previous = w.sueldoBase;
                if (previous < INGMIN && !exception_) previous = INGMIN;
                double leaveBase = previous / 30 * leave;
                employer = (worked + leaveBase) * erate / 100;
                worker = wrate * worked / 100;
                base = roundWhole(worked + leaveBase);
            }
            if (worker > 0)
                line("SCA", "SEGURO CESANTIA AFILIADO 0.6%", adjOr(b, "SCA", "SEGURO CESANTIA AFILIADO", worker),
                     "SEGURO CESANTIA", 2);
            if (employer > 0)
                line("SCE", "SEGURO CESANTIA EMPLEADOR", adjOr(b, "SCE", "SEGURO CESANTIA EMPLEADOR", employer),
                     "APORTE CESANTIA EMPLEADOR", 5);
            if (base > 0)
                line("BSC", "BASE IMP.CESANTIA", adjOr(b, "BSC", "BASE IMP.CESANTIA", base), "BASE IMP.CESANTIA", 4);
            unemploymentWorker = worker;
            unemploymentBase = base;
        }

        // 7. Disability and survivor insurance.
        if (w.sis == 1) {
            double rate = p.sisRate;
            if (BASIMP < INGMIN && TOTIMP > 0 && !exception_) BASIMP = INGMIN;
            double amount = roundWhole(BASIMP * rate / 100);
            if (leave > 0) {
                if (BASIMP == 0) {
                    if (SUELDO == 0) SUELDO = ctx_[FormulaVar::SUEBAS];
                    if ((SUELDO == 0 || SUELDO < INGMIN) && !exception_) SUELDO = INGMIN;
                    if (SUELDO > p.VALOUF * p.taxableCap) SUELDO = roundWhole(p.VALOUF * p.taxableCap);
                    double base = unemploymentBase;
                    if (base == 0) {
                        base = previousSalary(b.code);
                        line("BSC", "BASE IMP.CESANTIA", adjOr(b, "BSC", "BASE IMP.CESANTIA", base), "BASE IMP.CESANTIA",
                             4);
                    }
                    if (base == 0) base = SUELDO;
                    amount = roundWhole(base * rate / 100);
                } else if (unemploymentBase == 0) {
                    amount = BASIMP * rate / 100;
                } else {
                    amount = BASIMP * rate / 100 + (unemploymentBase / 30 * leave) * rate / 100;
                }
            }
            line("SIS", "SEGURO INV.SOBREV.", adjOr(b, "SIS", "SEGURO INV.SOBREV.", amount), "SIS", 5);
        }

        // 8. Single income tax.
        if (in_.tax) {
            const TaxTable& t = *in_.tax;
            double base = TOTIMP - pension - healthForTax - savingsDeduction_ - unemploymentWorker;
            double tax = 0;
            bool found = false;
            for (int k = 0; k < 6 && !found; ++k)
                if (t.from[k] <= base && base <= t.to[k]) {
                    tax = base * t.factor[k] - t.rebate[k];
                    found = true;
                }
            // A scale with an eighth bracket (from 2020, 40 % above 310 UTM; before 2017 too) starts it
            // above the seventh; without one the seventh has no upper limit, as in 2017-2019.
            const bool eighth = t.from[7] > t.from[6];
            if (!found && eighth && base >= t.from[7]) tax = base * t.factor[7] - t.rebate[7];
            else if (!found && base >= t.from[6]) tax = base * t.factor[6] - t.rebate[6];
            else if (!found && base >= t.from[7]) tax = base * t.factor[7] - t.rebate[7];
            if (roundWhole(tax) > 0)
                line("UNI", "IMP.UNICO (Base Trib. " + trim(TRANSFORM(base, "99,999,999")) + ")",
                     adjOr(b, "UNI", "IMP.UNICO", roundWhole(tax)), "IMPUESTO UNICO", 2);
        }

        for (PaySlipLine& l : out) {
            store(l);
            b.lines.push_back(std::move(l));
        }
        out.clear();
    }

    double previousSalary(const std::string& code) const {
        auto it = in_.previousSalary.find(trim(code));
        return it == in_.previousSalary.end() ? 0 : it->second;
    }

    // ---- totals, order numbers, instalments, write-back -------------------

    // Worker code, type, taxable flag; equal keys keep the order they were added in.
    // Sorted through an index so each line moves at most once.
    void sortLines(std::vector<PaySlipLine>& lines) {
        auto less = [&](const PaySlipLine& a, const PaySlipLine& b) {
            return a.TIPO_REM != b.TIPO_REM ? a.TIPO_REM < b.TIPO_REM : a.IMPONI_REM < b.IMPONI_REM;
        };
        if (std::is_sorted(lines.begin(), lines.end(), less)) return;
        std::vector<unsigned> order(lines.size());
        for (unsigned i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return less(lines[a], lines[b]); });
        // The scratch keeps its room from worker to worker.
        std::vector<PaySlipLine>& sorted = sortScratch_;
        sorted.clear();
        sorted.reserve(lines.size() + 8);
        for (unsigned i : order) sorted.push_back(std::move(lines[i]));
        lines.swap(sorted);
        sorted.clear();
    }

    // The first matching line in REMUMES order (type, taxable flag, then as added),
    // found without sorting the lines yet.
    static const PaySlipLine* firstBeginning(const std::vector<PaySlipLine>& lines, std::string_view text) {
        const PaySlipLine* best = nullptr;
        for (const PaySlipLine& l : lines) {
            if (!tv(l.DESCRI_REM).starts_with(text)) continue;
            if (!best || l.TIPO_REM < best->TIPO_REM || (l.TIPO_REM == best->TIPO_REM && l.IMPONI_REM < best->IMPONI_REM))
                best = &l;
        }
        return best;
    }

    // The worker's first line in REMUMES order (it names the statutory lines).
    static const PaySlipLine& firstInOrder(const std::vector<PaySlipLine>& lines) {
        const PaySlipLine* best = &lines.front();
        for (const PaySlipLine& l : lines)
            if (l.TIPO_REM < best->TIPO_REM || (l.TIPO_REM == best->TIPO_REM && l.IMPONI_REM < best->IMPONI_REM))
                best = &l;
        return *best;
    }

    void finishWorker(Bucket& b) {
        const MonthParams& p = in_.params;
        {
            auto& lines = b.lines;
            const std::string name = firstInOrder(lines).NOMBRE_REM;
            const Worker* w = workers_.find(b.code);

            double deductions = 0, nonTaxable = 0;
            for (const PaySlipLine& l : lines) {
                if (l.TIPO_REM == 2) deductions += l.VALFIN_REM;
                if (l.TIPO_REM == 1 && l.IMPONI_REM == 2) nonTaxable += l.VALFIN_REM;
            }
            auto total = [&](const char* code, const char* text, double value, int type, int secuen) {
                PaySlipLine l = newLine(b, name);
                l.HABDES_REM = code;
                l.DESCRI_REM = l.TITULO_REM = text;
                l.VALFIN_REM = value;
                l.TIPO_REM = type;
                l.IMPONI_REM = 2;
                l.SECUEN_REM = secuen;
                store(l);
                return l;
            };
            lines.push_back(total("TDE", "TOTAL DESCUENTOS", adjOr(b, "TDE", "TOTAL DESCUENTOS", deductions), 2, 60));
            lines.push_back(total("NIM", "TOTAL NO IMPONIBLE", adjOr(b, "NIM", "TOTAL NO IMPONIBLE", nonTaxable), 1, 20));

            double earnings = 0;
            for (const PaySlipLine& l : lines) {
                std::string_view d = tv(l.DESCRI_REM);
                if (d.starts_with("TOTAL IMPONIBLE") || d.starts_with("TOTAL NO IMPONIBLE")) earnings += l.VALFIN_REM;
            }
            PaySlipLine tha = total("THA", "TOTAL HABERES", adjOr(b, "THA", "TOTAL HABERES", earnings), 1, 35);
            tha.VALOR_REM = earnings;
            store(tha);
            lines.push_back(std::move(tha));

            const PaySlipLine* h = firstBeginning(lines, "TOTAL HABERES");
            const PaySlipLine* d = firstBeginning(lines, "TOTAL DESCUENTOS");
            double net = (h ? h->VALFIN_REM : 0) - (d ? d->VALFIN_REM : 0);
            PaySlipLine alq = total("ALQ", "ALCANCE LIQUIDO", adjOr(b, "ALQ", "ALCANCE LIQUIDO", net), 2, 35);
            alq.VALOR_REM = net;
            store(alq);

            PaySlipLine sba = total("SBA", "SUELDO BASE", w ? w->sueldoBase : 0, 1, 0);
            sba.VALOR_REM = sba.VALFIN_REM;
            sba.IMPONI_REM = 1;
            store(sba);

            double bim = 0;
            if (const PaySlipLine* t = firstBeginning(lines, "TOTAL IMPONIBLE")) {
                bim = t->VALFIN_REM;
                if (p.VALOUF != 0 && bim / p.VALOUF > p.taxableCap) bim = p.VALOUF * p.taxableCap;
            }
            PaySlipLine bl = total("BIM", "BASE IMPONIBLE", bim, 1, 29);
            bl.VALOR_REM = bim;
            bl.IMPONI_REM = 1;
            store(bl);
            lines.push_back(std::move(alq));
            lines.push_back(std::move(sba));
            lines.push_back(std::move(bl));
            sortLines(lines);

            orderNumbers(lines);
            instalments(lines);

            WriteBack wb;
            wb.code = trim(b.code);
            std::string cencos, apenom;
            if (w) {
                PaySlipLine tmp;
                tmp.CENCOS_REM = w->cencosto;
                tmp.APENOM_REM = trim(w->apepat) + " " + trim(w->apemat) + " " + trim(w->nombres);
                store(tmp);
                cencos = std::move(tmp.CENCOS_REM);
                apenom = std::move(tmp.APENOM_REM);
            }
            for (PaySlipLine& l : lines) {
                if (w) {
                    l.CENCOS_REM = cencos;
                    l.APENOM_REM = apenom;
                }
                std::string_view desc = tv(l.DESCRI_REM);
                if (desc.starts_with("TOTAL IMPONIBLE")) wb.hasTotal = true, wb.totalImponible = l.VALFIN_REM;
                if (desc.starts_with("DIAS TRABAJADOS")) wb.hasDays = true, wb.diasTrabajados = l.VALFIN_REM;
            }
            result_.writeBack.push_back(wb);
            if (sink_) sink_(std::move(lines));
            else result_.slips.push_back(std::move(lines));
            lines = {};
        }
    }

    static void orderNumbers(std::vector<PaySlipLine>& lines) {
        static const std::string earningsList =
            "DIAS TRABAJADOS/SUELDO BASE/SUELDO DEL MES/GRATIFICACION/TOTAL HABERES/TOTAL IMPONIBLE/TOTAL NO "
            "IMPONIBLE/BASE IMPONIBLE";
        static const std::string deductionsList = "ALCANCE LIQUIDO/FONASA/AFP/ADICIONAL ISAPRE/IMPUESTO UNICO";
        bool hasTaxableEarning = false, hasDeduction = false;
        for (const PaySlipLine& l : lines) {
            if (l.TIPO_REM == 1 && l.IMPONI_REM != 2) hasTaxableEarning = true;
            if (l.TIPO_REM == 2) hasDeduction = true;
        }
        if (hasTaxableEarning) {
            for (PaySlipLine& l : lines) {
                if (l.TIPO_REM != 1 || l.IMPONI_REM == 2) continue;
                std::string_view d = tv(l.DESCRI_REM);
                if (d.starts_with("SUELDO DEL MES")) l.SECUEN_REM = 3;
                else if (d.starts_with("GRATIFICACION")) l.SECUEN_REM = 20;
            }
            for (PaySlipLine& l : lines)
                if (l.TIPO_REM == 1 && !contains(earningsList, tv(l.TITULO_REM))) l.SECUEN_REM = 5;
        }
        if (hasDeduction) {
            for (PaySlipLine& l : lines) {
                if (l.TIPO_REM != 2) continue;
                std::string_view t = tv(l.TITULO_REM);
                if (!contains(deductionsList, t)) continue;
                if (t.starts_with("AFP")) l.SECUEN_REM = 1;
                else if (t.starts_with("ISAPRE") || t.starts_with("FONASA")) l.SECUEN_REM = 2;
                else if (t.starts_with("ADICIONAL ISAPRE")) l.SECUEN_REM = 3;
                else if (t.starts_with("IMPUESTO UNICO")) l.SECUEN_REM = 50;
            }
            for (PaySlipLine& l : lines)
                if (l.TIPO_REM == 2 && !contains(deductionsList, tv(l.TITULO_REM))) l.SECUEN_REM = 5;
        }
    }

    static std::string counterText(double v) {
        double r = roundWhole(v);
        if (r > 99 || r < -9) return "**";
        return padLeft(fixedText(r, 0), 2);
    }

    void instalments(std::vector<PaySlipLine>& lines) const {
        int y = std::stoi(in_.year), m = std::stoi(in_.month);
        Date last{y, m, Date::daysInMonth(y, m)};
        for (PaySlipLine& l : lines) {
            if (l.FECDES_REM.isNull() || l.FECHAS_REM.isNull()) continue;
            if (contains("998/999", tv(l.HABDES_REM))) continue;
            double total = (l.FECHAS_REM.toDays() - l.FECDES_REM.toDays()) / 30.0;
            double current = (last.toDays() - l.FECDES_REM.toDays()) / 30.0;
            l.DESCRI_REM = std::string(tv(l.DESCRI_REM)) + " (" + counterText(current) + "/" + counterText(total) + ")";
            store(l);
        }
    }

    const MonthInputs& in_;
    const ProgressFn& progress_;
    const SlipSink& sink_;
    CodeFinder<Worker> workers_;
    CodeFinder<CatalogItem> catalog_;
    CodeFinder<FundRow> funds_;
    long yyyymm_ = 0;
    bool exception_ = false;
    int sundays_ = 0, saturdays_ = 0, weekdays_ = 0, holidays_ = 0;
    FormulaContext ctx_;
    FormulaCache formulas_;
    std::vector<std::pair<std::string, double>> adjKeys_;
    std::set<std::string> adjPersons_;
    std::map<std::string, Bucket> buckets_;
    std::string lastBucketCode_;
    Bucket* lastBucket_ = nullptr;
    std::vector<PaySlipLine> sortScratch_;
    std::vector<PaySlipLine> statutoryStaged_;
    std::string movementCode_;
    double leaveDays_ = 0;
    double savingsDeduction_ = 0;
    CalcResult result_;
};

}  // namespace

double roundWhole(double x) {
    // Below 2^52 the halfway point f + 0.5 is itself a double, so the shortest
    // decimal text of x (what ROUND rounds) lies on the same side of it as x.
    const double a = std::fabs(x);
    if (!(a < 4503599627370496.0)) return ROUND(x, 0);
    const double f = std::floor(a);
    const double r = a - f >= 0.5 ? f + 1 : f;
    if (r == 0) return 0;
    return x < 0 ? -r : r;
}

size_t CalcResult::lineCount() const {
    size_t n = 0;
    for (const auto& s : slips) n += s.size();
    return n;
}

std::vector<PaySlipLine> CalcResult::remumes() const {
    std::vector<PaySlipLine> out;
    out.reserve(lineCount());
    for (const auto& s : slips) out.insert(out.end(), s.begin(), s.end());
    return out;
}

CalcResult calculateMonth(const MonthInputs& in, const ProgressFn& progress, const SlipSink& sink) {
    return Calculation(in, progress, sink).run();
}

std::vector<std::string> workersNeedingPreviousSalary(const MonthInputs& in) {
    // Any worker whose lines can carry medical-leave days: an absence with movement
    // 3 or 6, or an item named as the leave line. A few too many cost nothing.
    auto leaveItem = [](const ItemRow& r) {
        std::string code = trim(r.code);
        int mov = static_cast<int>(leadingNumber(r.movementCode));
        return (code == "999" && (mov == 3 || mov == 6)) || trim(r.name) == "DIAS LICENCIA MEDICA";
    };
    std::set<std::string> codes;
    bool everyone = std::any_of(in.commonItems.begin(), in.commonItems.end(), leaveItem);
    if (everyone) {
        for (const Worker& w : in.personnel) codes.insert(trim(w.codigo));
    } else {
        for (const ItemRow& r : in.workerItems)
            if (leaveItem(r)) codes.insert(trim(r.workerCode));
    }
    return {codes.begin(), codes.end()};
}

void CALCULA_TIPO_DIAS_MES(int& sundays, int& saturdays, int& weekdays, int& holidays, std::string_view holidayText,
                           int year, int month) {
    sundays = saturdays = weekdays = holidays = 0;
    int n = Date::daysInMonth(year, month);
    for (int d = 1; d <= 31; ++d) {
        if (d > n) continue;
        int dow = Date{year, month, d}.dayOfWeek();
        if (dow == 7) ++sundays;
        else if (dow == 6) ++saturdays;
        else ++weekdays;
    }
    for (size_t pos = 0; pos <= 15; pos += 3) {
        if (pos >= holidayText.size()) break;
        if (leadingNumber(holidayText.substr(pos, 2)) > 0) ++holidays;
    }
}

}  // namespace remu
