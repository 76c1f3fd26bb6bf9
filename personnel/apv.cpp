#include "personnel/apv.h"

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "data/personnel_table.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/text.h"

namespace remu {

namespace {

constexpr size_t kCodeWidth = 3;
constexpr size_t kFormulaWidth = 100;

// Right-padded to `width`; a longer text is kept whole (a stored formula is never cut).
std::string widened(std::string text, size_t width) {
    size_t n = charLength(text);
    if (n < width) text.append(width - n, ' ');
    return text;
}

}  // namespace

bool ApvPlan::canAccept() const { return !isBlank(code) && (!isBlank(formula) || amount > 0); }

ApvPlan apvPlan(const Recordset& rs) {
    ApvPlan p;
    p.code = widened(trim(rs.Fields("codigo_inst_apv").text()), kCodeWidth);
    p.name = trim(rs.Fields("nominst_apv").text());
    p.amount = rs.Fields("valor_apv").number();
    p.formula = widened(trim(rs.Fields("formula_apv").text()), kFormulaWidth);
    p.taxable = rs.Fields("rebaja_tributable").number() == 1;
    p.off = rs.Fields("desactivado").number() == 1;
    return p;
}

std::string apvMonthSql(const Period& period, std::string_view workerCode) {
    return "SELECT * FROM " + sqlYearTable(period, "_apv") + " where mes_apv = " + sqlMonth(period) +
           " and codper_apv = " + sqlText(trim(workerCode));
}

std::string apvInstitutionsSql(std::string_view idCliente) {
    return "SELECT * FROM " + sqlName(trim(idCliente) + "_REMU") + ".instituciones_apv ORDER BY codigo_inst_apv";
}

std::string apvInstitutionPrefix(std::string_view idCliente) {
    return "SELECT * FROM " + sqlName(trim(idCliente) + "_REMU") + ".instituciones_apv WHERE codigo_inst_apv = ";
}

int apvPlanCount(Connection& conn, const Period& period, std::string_view workerCode) {
    auto rs = conn.query("SELECT COUNT(*) FROM " + sqlYearTable(period, "_apv") + " where mes_apv = " +
                         sqlMonth(period) + " and codper_apv = " + sqlText(trim(workerCode)));
    return rs->Eof() ? 0 : static_cast<int>(rs->Fields(0).integer());
}

ApvPlans::ApvPlans(Session& s) : s_(s) {}
ApvPlans::~ApvPlans() = default;

bool ApvPlans::load(const Period& period, std::string_view workerCode, UiPort& ui) {
    rows_.reset();
    period_ = period;
    workerCode_ = std::string(workerCode);
    if (period.isNull() || !s_.OCON || !s_.OCON->isOpen()) return false;
    try {
        BusyCursor wait(ui);
        rows_ = s_.OCON->query(apvMonthSql(period, workerCode));
        if (!rows_->Eof()) rows_->MoveFirst();
        return true;
    } catch (const DbError&) {
        ADOERROR(*s_.OCON, ui);
    }
    return false;
}

long ApvPlans::count() const { return rows_ && rows_->isOpen() ? rows_->RecordCount() : 0; }

std::optional<ApvPlan> ApvPlans::current() const {
    if (count() == 0 || rows_->Eof() || rows_->Bof()) return std::nullopt;
    return apvPlan(*rows_);
}

ApvPlan ApvPlans::begin(bool isNew) const {
    if (!isNew)
        if (auto plan = current()) return *plan;
    return ApvPlan{};
}

bool ApvPlans::store(const ApvPlan& plan, bool isNew, UiPort& ui) {
    if (!rows_ || !rows_->isOpen() || !s_.OCON) return false;
    if (!isNew && !current()) return false;
    if (!plan.canAccept()) return false;
    Recordset& rs = *rows_;
    std::string name = trim(workerName_);
    if (name.empty()) {
        // Nobody told us the name: keep the plan's, or take the worker's from his row.
        if (!isNew) name = trim(rs.Fields("nomper_apv").text());
        PersonnelRow row;
        if (name.empty() && PersonnelTable(*s_.OCON, ui).byCode(period_, trim(workerCode_), row) ==
                                PersonnelTable::Found::Yes)
            name = trim(row.nombre_per);
    }
    const bool saved = SAVE_ROW(rs, isNew, [&](Recordset& r) {
        r.SetField("mes_apv", period_.monthText());
        r.SetField("codper_apv", trim(workerCode_));
        r.SetField("nomper_apv", name);
        r.SetField("codigo_inst_apv", trim(plan.code));
        r.SetField("nominst_apv", trim(plan.name));
        r.SetField("valor_apv", plan.amount);
        r.SetField("formula_apv", trim(plan.formula));
        r.SetField("rebaja_tributable", plan.taxable ? 1 : 0);
        r.SetField("desactivado", plan.off ? 1 : 0);
    }, *s_.OCON, ui);
    if (!saved) return false;
    rs.MoveFirst();
    return true;
}

bool ApvPlans::remove(UiPort& ui) {
    auto plan = current();
    if (!ui.yesNo("Esta Seguro de Eliminar " + (plan ? rows_->Fields("nominst_apv").text() : std::string()),
                  "Elimina"))
        return false;
    if (!plan || !s_.OCON) return false;
    Recordset& rs = *rows_;
    try {
        BusyCursor wait(ui);
        rs.Delete();
    } catch (const DbError&) {
        ADOERROR(*s_.OCON, ui);
        return false;
    }
    rs.MoveNext();
    if (rs.Eof() && rs.RecordCount() > 0) rs.MoveLast();
    return true;
}

}  // namespace remu
