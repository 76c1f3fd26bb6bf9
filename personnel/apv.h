#pragma once
// Voluntary pension savings ("APV"): a worker's plans of the working month in
// <year>_apv, listed on the worker file's AFP page, created, changed and deleted
// there through the loaded row set and stored at once, whatever becomes of the worker
// file itself. No Qt: the AFP page's group, the save checks and the tests share it.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/period.h"

namespace remu {

class Connection;
class Recordset;
class UiPort;
struct Session;

// One plan as its dialog edits it.
struct ApvPlan {
    std::string code = "   ";                    // codigo_inst_apv, right-padded to 3
    std::string name = "  ";                     // nominst_apv
    double amount = 0;                           // valor_apv
    std::string formula = std::string(100, ' ');  // formula_apv, right-padded to 100
    bool taxable = true;                         // rebaja_tributable: lowers the taxable base
    bool off = false;                            // desactivado

    // The accept button's condition: an institution, and a formula or an amount above 0.
    bool canAccept() const;
};

// The plan of the current row of a row set of <year>_apv, as the dialog starts it.
ApvPlan apvPlan(const Recordset& rs);

// "SELECT * FROM <year>_apv where mes_apv = <month> and codper_apv = '<code>'".
std::string apvMonthSql(const Period& period, std::string_view workerCode);
// The institutions' list of the client ("SELECT * FROM <REMU>.instituciones_apv ORDER BY
// codigo_inst_apv") and the check of one code (the code escaped). Throw BadIdentifier
// for a client identifier that can name no database.
std::string apvInstitutionsSql(std::string_view idCliente);
std::string apvInstitutionPrefix(std::string_view idCliente);

// The worker's plans of the month: what the save checks of the worker file count (an
// IPS regime is refused while there are any). Throws DbError when the server fails.
int apvPlanCount(Connection& conn, const Period& period, std::string_view workerCode);

// The AFP page's plans of one worker and month: the row set, the plan being edited and
// the three operations. Uses the session's connection (OCON).
class ApvPlans {
public:
    explicit ApvPlans(Session& s);
    ~ApvPlans();

    // Loads the worker's plans of the period, on the first one. False (after telling the
    // user) when the server refused; the list is then empty.
    bool load(const Period& period, std::string_view workerCode, UiPort& ui);
    // The row set; null before load or after a failed one.
    Recordset* rows() const { return rows_.get(); }
    long count() const;
    // The current row's plan; nullopt when there is none.
    std::optional<ApvPlan> current() const;

    // The worker's name written with each stored plan (nomper_apv, trimmed).
    void setWorkerName(std::string name) { workerName_ = std::move(name); }
    const std::string& workerName() const { return workerName_; }
    const std::string& workerCode() const { return workerCode_; }
    const Period& period() const { return period_; }

    // EDITA_APV_PERSON's start values: a new plan's, or the current row's.
    ApvPlan begin(bool isNew) const;
    // Accept: the plan appended (new) or written over the current row, sent to the
    // server at once, the row set back on its first row. False, after telling the user,
    // when nothing was stored (the row set then holds what the server has).
    bool store(const ApvPlan& plan, bool isNew, UiPort& ui);
    // ELIMINA_APV_PERSON: "Esta Seguro de Eliminar <institution>" (yes/no, "Elimina"), then
    // the current plan deleted on the server; the row set on the next plan, or the
    // previous one past the end. True when a plan was deleted.
    bool remove(UiPort& ui);

private:
    Session& s_;
    Period period_;
    std::string workerCode_;
    std::string workerName_;
    std::unique_ptr<Recordset> rows_;
};

}  // namespace remu
