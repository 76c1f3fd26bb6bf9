#include "payslip/slip_model.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "data/fields.h"
#include "data/sql.h"
#include "format/dates.h"
#include "format/helpers.h"
#include "format/picture.h"
#include "format/text.h"
#include "payroll/constants.h"

namespace remu {

namespace {

// The program's "$" test: `part` occurs inside `list` (an empty part always does).
bool containedIn(const std::string& part, std::string_view list) { return list.find(part) != std::string_view::npos; }

bool codeMatches(const PaySlipLine& l, std::string_view code) { return textEquals(l.HABDES_REM, code); }

long codeNumber(const std::string& code) { return static_cast<long>(numericValue(trim(code))); }

// The index key of the slip view; numbers as text of their field width.
std::string viewKey(const PaySlipLine& l) {
    char nums[16];
    std::snprintf(nums, sizeof nums, "%1d%1d%2d", l.TIPO_REM, l.IMPONI_REM, l.SECUEN_REM);
    return padRight(l.APENOM_REM, 35) + padRight(l.PERSON_REM, 4) + padRight(l.PERSON_REM, 4) + nums;
}

std::string field(const Recordset& rs, const char* name) { return fieldText(rs, name); }
double number(const Recordset& rs, const char* name) { return fieldNumber(rs, name); }

std::unique_ptr<Recordset> fetch(Connection& conn, const std::string& sql, UiPort& ui) {
    try {
        return conn.query(sql);
    } catch (const DbError& e) {
        ui.stop(e.what(), "Error");
        return nullptr;
    }
}

}  // namespace

SlipFilter slipFilter(const Session& s) {
    SlipFilter f;
    f.codeFrom = trim(s.CCODIGO_PERD);
    f.codeTo = trim(s.CCODIGO_PERH);
    f.costCentre = trim(s.CCENCOS);
    return f;
}

namespace {

// The filter of the view, ready to apply to one line at a time.
class ViewFilter {
public:
    explicit ViewFilter(const SlipFilter& f) : filter_(f) {
        range_ = !isBlank(f.codeFrom);
        if (range_) {
            from_ = codeNumber(f.codeFrom);
            to_ = isBlank(f.codeTo) ? from_ : codeNumber(f.codeTo);
        }
    }
    bool leavesOut(const PaySlipLine& l) const {
        if (textEquals(trim(l.DESCRI_REM), LineText::TaxableBase)) return true;
        if (range_) {
            long code = codeNumber(l.PERSON_REM);
            if (code < from_ || code > to_) return true;
        }
        return !isBlank(filter_.costCentre) && !textEquals(l.CENCOS_REM, filter_.costCentre);
    }

private:
    const SlipFilter& filter_;
    bool range_ = false;
    long from_ = 0, to_ = 0;
};

// The part of the view key that names the worker's slip: name and code.
std::string workerKey(const PaySlipLine& l) { return padRight(l.APENOM_REM, 35) + padRight(l.PERSON_REM, 4) + padRight(l.PERSON_REM, 4); }

}  // namespace

std::vector<PaySlipLine> slipView(std::vector<PaySlipLine> lines, const SlipFilter& filter) {
    const ViewFilter f(filter);
    std::erase_if(lines, [&](const PaySlipLine& l) { return f.leavesOut(l); });
    std::vector<size_t> source(lines.size());  // source[i]: the line that goes to place i
    {
        std::vector<std::pair<std::string, size_t>> keys;
        keys.reserve(lines.size());
        for (size_t i = 0; i < lines.size(); ++i) keys.emplace_back(viewKey(lines[i]), i);
        std::stable_sort(keys.begin(), keys.end(), [](auto& a, auto& b) { return a.first < b.first; });
        for (size_t i = 0; i < keys.size(); ++i) source[i] = keys[i].second;
    }
    // The lines move into their places cycle by cycle: a month of 10,000 workers
    // is never held twice.
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == i) continue;
        PaySlipLine first = std::move(lines[i]);
        size_t j = i;
        for (;;) {
            size_t k = source[j];
            source[j] = j;
            if (k == i) {
                lines[j] = std::move(first);
                break;
            }
            lines[j] = std::move(lines[k]);
            j = k;
        }
    }
    return lines;
}

std::vector<WorkerLines> slipWorkers(const std::vector<PaySlipLine>& view) {
    std::vector<WorkerLines> out;
    for (size_t i = 0; i < view.size();) {
        size_t j = i + 1;
        while (j < view.size() && view[j].APENOM_REM == view[i].APENOM_REM && view[j].PERSON_REM == view[i].PERSON_REM)
            ++j;
        out.push_back({i, j});
        i = j;
    }
    return out;
}

HeldSlips::HeldSlips(const std::vector<PaySlipLine>& lines, const SlipFilter& filter)
    : view_(slipView(lines, filter)), spans_(slipWorkers(view_)) {}

std::string HeldSlips::code(size_t i) const { return trim(view_[spans_[i].begin].PERSON_REM); }

void HeldSlips::lines(size_t i, std::vector<PaySlipLine>& out) {
    out.assign(view_.begin() + static_cast<long>(spans_[i].begin), view_.begin() + static_cast<long>(spans_[i].end));
}

StoredSlips::StoredSlips(const std::string& workDir, const SlipFilter& filter)
    : filter_(filter), reader_(WorkTable::REMUMES, workDir) {
    // One pass over the table: each run of consecutive lines of one worker, and its key.
    struct Run {
        uint32_t key;  // in keys: the view key's name and code part, then the trimmed code
        uint16_t keyLength, codeLength;
        uint32_t first, end;
    };
    std::vector<Run> runs;  // in file order
    std::string keys;
    {
        const ViewFilter f(filter_);
        std::vector<PaySlipLine> chunk;
        std::vector<uint32_t> numbers;
        constexpr uint32_t kChunk = 4096;
        std::string last;
        for (uint32_t first = 0; first < reader_.records(); first += kChunk) {
            reader_.read(first, kChunk, chunk, &numbers);
            for (size_t j = 0; j < chunk.size(); ++j) {
                if (f.leavesOut(chunk[j])) continue;
                std::string key = workerKey(chunk[j]);
                if (runs.empty() || key != last) {
                    const std::string code = trim(chunk[j].PERSON_REM);
                    runs.push_back({static_cast<uint32_t>(keys.size()), static_cast<uint16_t>(key.size()),
                                    static_cast<uint16_t>(code.size()), numbers[j], numbers[j] + 1});
                    keys += key;
                    keys += code;
                    last = std::move(key);
                } else {
                    runs.back().end = numbers[j] + 1;
                }
            }
        }
    }
    auto key = [&](uint32_t run) { return std::string_view(keys).substr(runs[run].key, runs[run].keyLength); };
    // The slips in view order: the key's name and code parts have a fixed width in
    // characters, so they alone decide between two workers. Runs of one key (a
    // worker whose lines lie apart) make one slip.
    std::vector<uint32_t> order(runs.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
    size_t slips = 0, codeBytes = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && key(order[i]) == key(order[i - 1])) continue;
        ++slips;
        codeBytes += runs[order[i]].codeLength;
    }
    // What the run keeps, in view order and of the exact size; the keys go.
    spans_.reserve(order.size());
    slips_.reserve(slips + 1);
    codes_.reserve(codeBytes);
    for (size_t i = 0; i < order.size(); ++i) {
        const Run& r = runs[order[i]];
        if (i == 0 || key(order[i]) != key(order[i - 1])) {
            slips_.push_back({static_cast<uint32_t>(spans_.size()), static_cast<uint32_t>(codes_.size())});
            codes_.append(keys, r.key + r.keyLength, r.codeLength);
        }
        spans_.push_back({r.first, r.end});
    }
    slips_.push_back({static_cast<uint32_t>(spans_.size()), static_cast<uint32_t>(codes_.size())});
}

std::string StoredSlips::code(size_t i) const { return codes_.substr(slips_[i].code, slips_[i + 1].code - slips_[i].code); }

void StoredSlips::lines(size_t i, std::vector<PaySlipLine>& out) {
    out.clear();
    const ViewFilter f(filter_);
    std::vector<PaySlipLine> run;
    for (uint32_t r = slips_[i].span; r < slips_[i + 1].span; ++r) {
        const Span& span = spans_[r];
        reader_.read(span.first, span.end - span.first, run);
        for (PaySlipLine& l : run)
            if (!f.leavesOut(l)) out.push_back(std::move(l));
    }
    // The slip's own lines in the view's order (kind, taxable flag, order number).
    std::vector<std::pair<std::string, size_t>> keys;
    keys.reserve(out.size());
    for (size_t j = 0; j < out.size(); ++j) keys.emplace_back(viewKey(out[j]), j);
    std::stable_sort(keys.begin(), keys.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<PaySlipLine> sorted;
    sorted.reserve(out.size());
    for (auto& k : keys) sorted.push_back(std::move(out[k.second]));
    out = std::move(sorted);
}

// The totals that close each column, left out of its items.
const std::string kEarningTotals = std::string(LineText::TotalEarnings) + "/" + LineText::TotalNonTaxable;
const std::string kDeductionTotals = std::string(LineText::NetPay) + "/" + LineText::TotalDeductions;

SlipContent slipContent(const std::vector<PaySlipLine>& view, const WorkerLines& worker, SlipOutput output) {
    SlipContent c;
    if (worker.begin >= worker.end) return c;
    c.code = trim(view[worker.begin].PERSON_REM);
    c.name = trim(view[worker.begin].APENOM_REM);
    bool sce = false, mut = false, sis = false;
    for (size_t i = worker.begin; i < worker.end; ++i) {
        const auto& l = view[i];
        if (!sce && codeMatches(l, LineCode::UnemploymentEmployer)) {
            sce = true;
            c.unemploymentEmployer = l.VALFIN_REM;
        }
        if (!mut && (codeMatches(l, LineCode::WorkAccidentMutual) || codeMatches(l, LineCode::WorkAccidentPublic))) {
            mut = true;
            c.mutual = l.VALFIN_REM;
        }
        if (!sis && codeMatches(l, LineCode::Disability)) {
            sis = true;
            c.sis = l.VALFIN_REM;
        }
        if (codeMatches(l, LineCode::TaxableTotal)) c.taxableTotal = l.VALFIN_REM;
        if (codeMatches(l, LineCode::TotalNonTaxable)) c.nonTaxableTotal = l.VALFIN_REM;
        if (codeMatches(l, LineCode::TotalDeductions)) c.deductionTotal = l.VALFIN_REM;
        if (codeMatches(l, LineCode::DaysWorked)) c.daysWorked = l.VALFIN_REM;
    }
    c.hasUnemploymentLine = sce;
    if (output == SlipOutput::Pdf) c.daysWorked = static_cast<double>(static_cast<long long>(c.daysWorked));

    for (size_t i = worker.begin; i < worker.end; ++i) {
        const auto& l = view[i];
        if (l.TIPO_REM != LineType::Earning || l.IMPONI_REM != Taxable::Yes) continue;
        if (textEquals(l.DESCRI_REM, LineText::TaxableTotal) || textEquals(l.DESCRI_REM, LineText::BaseSalary) ||
            textEquals(l.DESCRI_REM, LineText::DaysWorked) || codeMatches(l, LineCode::DaysWorked) || l.VALFIN_REM == 0)
            continue;
        if (output == SlipOutput::Sheet && l.VALFIN_REM < 0) continue;
        c.taxable.push_back({l.DESCRI_REM, l.VALFIN_REM});
    }
    for (size_t i = worker.begin; i < worker.end; ++i) {
        const auto& l = view[i];
        if (output != SlipOutput::Pdf && l.VALFIN_REM == 0 && !containedIn(trim(l.HABDES_REM), "999/998")) continue;
        if (l.TIPO_REM != LineType::Earning || l.IMPONI_REM != Taxable::No) continue;
        if (containedIn(trim(l.DESCRI_REM), kEarningTotals)) continue;
        c.nonTaxable.push_back({l.DESCRI_REM, l.VALFIN_REM});
    }
    for (size_t i = worker.begin; i < worker.end; ++i) {
        const auto& l = view[i];
        if (!isBlank(l.NOMMOV_REM)) c.movements.push_back({trim(l.DESCRI_REM), l.VALFIN_REM});
        if (output != SlipOutput::Sheet) continue;
        // The spreadsheet leaves out every zero amount but 999/998 and shows descriptions bare.
        if (l.TIPO_REM != LineType::Deduction || (l.VALFIN_REM == 0 && !containedIn(trim(l.HABDES_REM), "999/998")) ||
            containedIn(trim(l.DESCRI_REM), kDeductionTotals))
            continue;
        c.deductions.push_back({l.DESCRI_REM, l.VALFIN_REM});
    }
    for (size_t i = worker.begin; output != SlipOutput::Sheet && i < worker.end; ++i) {
        const auto& l = view[i];
        std::string title = trim(l.TITULO_REM);
        if (output != SlipOutput::Pdf && containedIn(trim(l.HABDES_REM), "999/998")) continue;
        if (containedIn(title, LineText::FundShareTitle) && l.VALFIN_REM == 0) continue;
        if (l.TIPO_REM != LineType::Deduction || containedIn(trim(l.DESCRI_REM), kDeductionTotals)) continue;
        std::string prefix, suffix;
        if (textEquals(title, LineText::Pension)) {
            prefix = std::string(LineText::Pension) + " ";
        } else if (textEquals(title, LineText::PrivateHealth)) {
            prefix = std::string(LineText::PrivateHealth) + " ";
            suffix = " 7%";
        }
        c.deductions.push_back({prefix + trim(l.DESCRI_REM) + suffix, l.VALFIN_REM});
    }
    return c;
}

std::vector<std::string> slipOverflows(const SlipContent& c, const PersonnelRow* w, SlipOutput output) {
    std::vector<std::string> out;
    auto check = [&](const std::string& line, double value, std::string_view picture) {
        if (TRANSFORM(value, picture).find('*') == std::string::npos) return;
        out.push_back(trim(line) + " " + trim(TRANSFORM(value, "999,999,999,999,999")));
    };
    const char* money = "99,999,999";
    // The printed slip gives its two grand totals one more digit.
    const char* grand = output == SlipOutput::Pdf ? money : "999,999,999";
    if (w) {
        std::string label = currencyLabel(w->moneda_sueldo_per);
        if (label == "$" || label == "TOPE" || label == "MIN") check(LineText::BaseSalary, w->sueldo_base_per, money);
    }
    for (const auto& list : {&c.taxable, &c.nonTaxable, &c.deductions})
        for (const SlipItem& item : *list) check(item.description, item.amount, money);
    check(LineText::TaxableTotal, c.taxableTotal, money);
    check(LineText::TotalNonTaxable, c.nonTaxableTotal, money);
    check(LineText::TotalDeductions, c.deductionTotal, money);
    check(LineText::TotalEarnings, c.totalEarnings(), grand);
    check(LineText::NetPay, c.netPay(), grand);
    check(LineText::UnemploymentEmployerTitle, c.unemploymentEmployer, money);
    check("APORTE MUTUAL", c.mutual, money);
    check("APORTE SIS", c.sis, money);
    return out;
}

std::string slipWordsLine(double netPay) {
    return "SON: " + MONTO_FF(static_cast<long long>(netPay)) + " PESOS";
}

std::string currencyLabel(int moneda) {
    static const char* const labels[] = {"$", "UF", "UTM", "TOPE", "MIN", "VALUSD", "VALEURO"};
    return moneda >= 1 && moneda <= 7 ? labels[moneda - 1] : "$";
}

SlipCompany slipCompany(const Recordset& rs) {
    SlipCompany c;
    c.nombre = field(rs, "nombre_datemp");
    c.rut = field(rs, "Rut_datemp");
    c.direccion = field(rs, "direccion_datemp");
    c.comuna = field(rs, "comuna_datemp");
    c.ciudad = field(rs, "ciudad_datemp");
    c.logo = trim(field(rs, "dir_logotipo_datemp"));
    c.firma = trim(field(rs, "dir_firma_datemp"));
    c.logoJpg = trim(field(rs, "dir_logotipo_datemp_jpg"));
    c.firmaJpg = trim(field(rs, "dir_firma_datemp_jpg"));
    return c;
}

SlipParams slipParams(const Recordset& rs) {
    SlipParams p;
    p.uf = number(rs, "valor_uf_par");
    p.utm = number(rs, "valor_utm_par");
    p.taxableCap = number(rs, "tope_imponible_par");
    p.unemploymentCap = number(rs, "tope_imponible_cesantia_par");
    p.usd = number(rs, "valor_usd");
    p.euro = number(rs, "valor_euro");
    return p;
}

const PersonnelRow* SlipSources::worker(const std::string& code) const {
    auto it = workers.find(code);
    return it == workers.end() ? nullptr : &it->second;
}

std::optional<std::string> SlipSources::costCentre(const PersonnelRow* w) const {
    if (!w || isBlank(w->cencosto_per)) return std::nullopt;
    auto it = costCentres.find(trim(w->cencosto_per));
    if (it == costCentres.end()) return std::nullopt;
    return it->second;
}

SlipSources loadSlipSources(Connection& conn, const Session& s, UiPort& ui, bool withWorkers) {
    SlipSources src;
    if (withWorkers) {
        auto personal = PersonnelTable(conn, ui).month(s.period);
        if (!personal) return src;
        for (PersonnelRow& w : *personal) {
            std::string code = trim(w.codigo_per);
            src.workers.emplace(std::move(code), std::move(w));
        }
    } else if (s.period.isNull()) {
        // As reading the month's workers would have said.
        ui.stop(Period::problem("", ""), "Alto");
        return src;
    }
    try {
        const std::string year = s.period.yearText(), month = sqlMonth(s.period);
        if (!isBlank(s.CID_CLIENTE_CONT)) {
            auto cc = fetch(conn, "SELECT * FROM " + sqlName(trim(s.CID_CLIENTE_CONT)) + "." + sqlYearTable(year, "_centrocosto"), ui);
            if (cc)
                for (cc->MoveFirst(); !cc->Eof(); cc->MoveNext())
                    src.costCentres.emplace(trim(field(*cc, "codigo_cc")), field(*cc, "nombre_cc"));
        }
        auto company = fetch(conn, "SELECT * FROM " + sqlYearTable(year, "_datos_empresa") + " where mes_datemp = " + month, ui);
        if (!company) return src;
        if (!company->Eof()) src.company = slipCompany(*company);
        auto params = fetch(conn,
                            "SELECT * FROM " + sqlName(trim(s.ID_CLIENTE) + "_REMU") + "." + sqlYearTable(year, "_parametros") +
                                " where mes_par = " + month,
                            ui);
        if (!params) return src;
        if (!params->Eof()) src.params = slipParams(*params);
        src.ok = true;
    } catch (const BadIdentifier& e) {
        // The accounting or the client's parameter database has a name no database can have
        // (or no period was chosen).
        ui.stop(e.what(), "Error");
    }
    return src;
}

bool slipWorkerActive(const PersonnelRow* w, const Session& s, UiPort& ui) {
    if (!w) return true;
    if (w->anomes_termino_per > 0 && w->anomes_termino_per < s.period.yearMonth()) {
        ui.stop("Trabajador inactivo, fecha termino contrato anterior a " + s.period.monthName() + " " +
                    s.period.yearText() + "\r\nFecha Fin contrato: " + formatDate(w->fecha_termino_per),
                std::to_string(w->anomes_termino_per));
        return false;
    }
    return true;
}

bool slipRangeWorkerActive(Connection& conn, const Session& s, UiPort& ui) {
    if (isBlank(s.CCODIGO_PERD)) return true;
    PersonnelRow w;
    switch (PersonnelTable(conn, ui).byCode(s.period, s.CCODIGO_PERD, w)) {
        case PersonnelTable::Found::Yes: return slipWorkerActive(&w, s, ui);
        case PersonnelTable::Found::No: return true;
        case PersonnelTable::Found::Failed: break;
    }
    return false;
}

}  // namespace remu
