#include "history/history.h"

#include <algorithm>
#include <set>

#include "core/ui_port.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/sql.h"
#include "format/picture.h"
#include "format/text.h"
#include "payroll/constants.h"
#include "payroll/worker_month.h"

namespace remu {

namespace {

bool hasCode(const PaySlipLine& l, std::string_view code) { return trim(l.HABDES_REM) == code; }

// Titles of the lines the statutory rules make for the worker's own contributions.
bool statutoryTitle(const std::string& title) {
    static const std::set<std::string> titles = {LineText::Pension,         LineText::PrivateHealth,
                                                 LineText::HealthAdditional, LineText::PublicHealth,
                                                 LineText::FundShareTitle,   LineText::UnemploymentWorkerTitle};
    return titles.count(title) > 0;
}

// The reason a failed month gives: the refusal, or else the last thing said.
std::string reasonOf(const RecordingPort& said) {
    for (auto it = said.boxes.rbegin(); it != said.boxes.rend(); ++it)
        if (it->kind == BoxKind::Stop) return trim(it->text);
    if (!said.boxes.empty()) return trim(said.boxes.back().text);
    return "No se pudo calcular el mes";
}

std::string money(double v) { return TRANSFORM(v, "999,999,999"); }

}  // namespace

HistoryFigures& HistoryFigures::operator+=(const HistoryFigures& o) {
    taxable += o.taxable;
    nonTaxable += o.nonTaxable;
    legalDeductions += o.legalDeductions;
    otherDeductions += o.otherDeductions;
    incomeTax += o.incomeTax;
    netPay += o.netPay;
    return *this;
}

HistoryFigures slipFigures(const std::vector<PaySlipLine>& lines, const std::string& oldRegimeCode) {
    HistoryFigures f;
    for (const PaySlipLine& l : lines) {
        if (hasCode(l, LineCode::TaxableTotal)) f.taxable = l.VALFIN_REM;
        else if (hasCode(l, LineCode::TotalNonTaxable)) f.nonTaxable = l.VALFIN_REM;
        else if (hasCode(l, LineCode::NetPay)) f.netPay = l.VALFIN_REM;
        if (l.TIPO_REM != LineType::Deduction || hasCode(l, LineCode::TotalDeductions) || hasCode(l, LineCode::NetPay))
            continue;
        if (hasCode(l, LineCode::IncomeTax)) f.incomeTax += l.VALFIN_REM;
        else if (statutoryTitle(trim(l.TITULO_REM)) || (!oldRegimeCode.empty() && hasCode(l, oldRegimeCode)))
            f.legalDeductions += l.VALFIN_REM;
        else f.otherDeductions += l.VALFIN_REM;
    }
    return f;
}

const HistoryMonth* WorkerHistory::month(const Period& p) const {
    for (const HistoryMonth& m : months)
        if (m.period == p) return &m;
    return nullptr;
}

std::optional<std::vector<Period>> historyMonths(Connection& conn, UiPort& ui, std::optional<Period> from,
                                                 std::optional<Period> to) {
    std::vector<int> years;
    try {
        auto rs = conn.query("SELECT ano FROM " + sqlName("anos") + " order by ano desc");
        for (; !rs->Eof(); rs->MoveNext())
            if (Period::yearProblem(trim(rs->Fields(0).text())).empty()) years.push_back(std::stoi(trim(rs->Fields(0).text())));
    } catch (const DbError& e) {
        ui.stop(e.what(), "Error");
        return std::nullopt;
    }
    if (years.empty()) {
        ui.alert("La empresa no tiene años de remuneraciones abiertos", "Atención");
        return std::nullopt;
    }
    const bool ranged = from || to;
    if (!ranged) std::erase_if(years, [&](int y) { return y < years.front() - 1; });
    std::vector<Period> out;
    for (int year : years) {
        if (from && year < from->year()) continue;
        if (to && year > to->year()) continue;
        std::unique_ptr<Recordset> rs;
        try {
            rs = conn.query("SELECT mes FROM " + sqlYearTable(std::to_string(year), "_meses") + " order by mes");
        } catch (const DbError&) {
            continue;  // a year listed without its months has none open
        }
        for (; !rs->Eof(); rs->MoveNext()) {
            auto p = Period::parse(std::to_string(year), trim(rs->Fields(0).text()));
            if (!p || (from && *p < *from) || (to && *p > *to)) continue;
            out.push_back(*p);
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

WorkerHistory buildHistory(Connection& conn, const std::string& clientId, const std::string& code,
                           const std::vector<Period>& months, const std::string& workDir,
                           const HistoryProgress& progress) {
    WorkerHistory h;
    h.code = trim(code);
    for (size_t i = 0; i < months.size(); ++i) {
        if (progress) progress(i, months.size());
        HistoryMonth row;
        row.period = months[i];
        RecordingPort said;
        WorkerMonth wm = calculateWorkerMonth(conn, clientId, row.period, h.code, said, workDir);
        switch (wm.outcome) {
            case WorkerMonth::Outcome::Computed:
                row.computed = true;
                row.figures = slipFigures(wm.lines, wm.oldRegimeCode);
                for (const auto& b : said.boxes) row.notes.push_back(trim(b.text));
                h.name = trim(wm.lines.front().APENOM_REM);
                row.lines = std::move(wm.lines);
                break;
            case WorkerMonth::Outcome::NotOnFile:
                row.problem = "El trabajador no figura en el maestro de personal del mes";
                break;
            case WorkerMonth::Outcome::Inactive:
                row.problem = "Trabajador inactivo, fecha termino contrato anterior a " + row.period.monthAndYear();
                break;
            case WorkerMonth::Outcome::NoSlip:
                row.problem = "El trabajador no tiene haberes ni descuentos en el mes";
                break;
            case WorkerMonth::Outcome::Failed:
                row.failed = true;
                row.problem = reasonOf(said);
                break;
        }
        h.months.push_back(std::move(row));
    }
    if (progress) progress(months.size(), months.size());
    for (const HistoryMonth& m : h.months) {
        if (h.years.empty() || h.years.back().year != m.period.year()) h.years.push_back({m.period.year(), 0, {}});
        if (!m.computed) continue;
        h.years.back().months++;
        h.years.back().total += m.figures;
    }
    return h;
}

std::string historyTitle(const WorkerHistory& h) {
    return "HISTORIAL DE REMUNERACIONES " + h.code + (h.name.empty() ? "" : " " + h.name);
}

const std::vector<std::string>& historyHeadings() {
    static const std::vector<std::string> headings = {"IMPONIBLE",       "NO IMPONIBLE",   "DESC. LEGALES",
                                                      "OTROS DESCUENTOS", "IMPUESTO UNICO", "ALCANCE LIQUIDO"};
    return headings;
}

std::vector<double> figureColumns(const HistoryFigures& f) {
    return {f.taxable, f.nonTaxable, f.legalDeductions, f.otherDeductions, f.incomeTax, f.netPay};
}

std::string historyText(const WorkerHistory& h) {
    const size_t label = 16, width = 18;
    auto row = [&](const std::string& first, const HistoryFigures& f) {
        std::string s = padRight(first, label);
        for (double v : figureColumns(f)) s += padLeft(money(v), width);
        return s + "\n";
    };
    std::string out = historyTitle(h) + "\n\n" + padRight("MES", label);
    for (const std::string& t : historyHeadings()) out += padLeft(t, width);
    out += "\n";
    size_t y = 0;
    for (size_t i = 0; i < h.months.size(); ++i) {
        const HistoryMonth& m = h.months[i];
        if (m.computed) out += row(m.period.monthAndYear(), m.figures);
        else out += padRight(m.period.monthAndYear(), label) + "  " + m.problem + "\n";
        const bool yearEnds = i + 1 == h.months.size() || h.months[i + 1].period.year() != m.period.year();
        if (yearEnds && y < h.years.size()) {
            out += row("TOTAL " + std::to_string(h.years[y].year), h.years[y].total) + "\n";
            ++y;
        }
    }
    return out;
}

}  // namespace remu
