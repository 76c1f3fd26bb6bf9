#include "payroll/worker_month.h"

#include <algorithm>

#include "core/session.h"
#include "core/work_folder.h"
#include "data/query.h"
#include "format/text.h"
#include "payroll/calculation.h"
#include "payroll/loader.h"

namespace remu {

WorkerMonth calculateWorkerMonth(Connection& conn, const std::string& clientId, const Period& period,
                                 std::string_view code, UiPort& ui, const std::string& workDir) {
    WorkerMonth out;
    Session s;  // what the month check reads: the client's parameter database
    s.ID_CLIENTE = clientId;
    MonthCheckRows checked;
    if (!VERIFI_PARAM_DATEM(conn, period, s, ui, &checked)) return out;

    LoadRequest req;
    req.year = period.yearText();
    req.month = period.monthText();
    req.clientId = clientId;
    req.codeFrom = req.codeTo = trim(code);
    req.separateSavings = WorkFolder(workDir).has(Marker::ApvSep);
    req.readOnly = true;
    req.checked = &checked;
    MonthInputs in;
    if (!loadMonthInputs(conn, req, ui, in)) return out;
    if (in.monthHasPersonnel && !in.personnel.empty() &&
        !loadPreviousSalaries(conn, req.month, workersNeedingPreviousSalary(in), ui, in.previousSalary))
        return out;

    CalcResult r = calculateMonth(in);
    for (const RunMessage& m : r.messages) {
        switch (m.kind) {
            case BoxKind::Stop: ui.stop(m.text, m.title); break;
            case BoxKind::Alert: ui.alert(m.text, m.title); break;
            default: ui.info(m.text, m.title); break;
        }
    }
    if (!r.ok) return out;
    const auto me = std::find_if(in.personnel.begin(), in.personnel.end(),
                                 [&](const Worker& w) { return trim(w.codigo) == trim(code); });
    if (me != in.personnel.end()) {
        out.contractEnd = me->anomesTermino;
        out.oldRegimeCode = trim(me->ips);
    }
    for (auto& slip : r.slips)
        for (PaySlipLine& l : slip) out.lines.push_back(std::move(l));
    if (!out.lines.empty()) out.outcome = WorkerMonth::Outcome::Computed;
    else if (me == in.personnel.end()) out.outcome = WorkerMonth::Outcome::NotOnFile;
    else if (out.contractEnd > 0 && out.contractEnd < period.yearMonth()) out.outcome = WorkerMonth::Outcome::Inactive;
    else out.outcome = WorkerMonth::Outcome::NoSlip;
    return out;
}

}  // namespace remu
