#include "payroll/engine.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <algorithm>

#include "data/query.h"
#include "data/work_folder.h"
#include "data/work_tables.h"
#include "format/text.h"
#include "payroll/calculation.h"
#include "payroll/days.h"
#include "payroll/loader.h"
#include "payroll/writer.h"

namespace remu {

namespace {

using Steady = std::chrono::steady_clock;

double since(Steady::time_point t) { return std::chrono::duration<double>(Steady::now() - t).count(); }

double cpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

bool CALCULA_REMUN(Session& s, UiPort& ui, std::string_view from, std::string_view to, const RunOptions& options) {
    s.CESTADO.assign(1, ' ');
    return CALCULA_REMUN2(s, ui, from, to, options);
}

bool CALCULA_REMUN2(Session& s, UiPort& ui, std::string_view from, std::string_view to, const RunOptions& options) {
    RunTimings local;
    RunTimings& tm = options.timings ? *options.timings : local;
    tm = RunTimings{};
    const auto start = Steady::now();
    const double cpuStart = cpuNow();
    double c = cpuStart;
    auto say = [&](const std::string& text) {
        s.CESTADO = text;
        ui.progress(text);
    };

    // The folder's work tables are this run's until it returns (and the caller's,
    // when it holds the folder around the run to read them back).
    WorkFolderLock folder = WorkFolderLock::acquire(options.workDir, ui);
    if (!folder.held()) return false;

    std::shared_ptr<Connection> conn = s.OCON;
    if (!conn || !conn->isOpen()) {
        if (!CONECTA(s, ui, conn)) return false;
    }

    auto t = Steady::now();
    MonthCheckRows checked;
    if (!VERIFI_PARAM_DATEM(*conn, s.period, s, ui, &checked)) return false;
    // Past the month check the run has begun: if it fails now, REMUMES must not
    // keep the previous run's slips, which may be of another company or month.
    auto failed = [&] {
        try {
            writeWorkTable(WorkTable::REMUMES, {}, options.workDir);
        } catch (const DbfError& e) {
            reportDbfError(ui, e);
        }
        return false;
    };
    tm.verify = since(t);
    say(kProgress10);

    t = Steady::now();
    c = cpuNow();
    LoadRequest req;
    req.year = s.period.yearText();
    req.month = s.period.monthText();
    req.clientId = s.ID_CLIENTE;
    req.codeFrom = std::string(from);
    req.codeTo = std::string(to);
    req.separateSavings = WorkFolder(options.workDir).has(Marker::ApvSep);
    // The personnel and the workers' items are read as the calculation goes, one
    // worker at a time, so that a month of any size takes the same memory. A
    // run that explains a slip takes the month whole.
    req.streamed = !options.explain;
    req.checked = &checked;
    auto inputs = std::make_unique<MonthInputs>();
    if (!loadMonthInputs(*conn, req, ui, *inputs)) return failed();
    if (inputs->tax) s.VALUTM = inputs->tax->UTM;

    auto stream = std::make_unique<WorkTableStream>(options.workDir);
    size_t lines = 0;
    auto sink = [&](std::vector<PaySlipLine>&& slip) {
        lines += slip.size();
        stream->add(std::move(slip));
    };
    std::optional<CalcResult> result;
    // An item common to everyone that can be medical leave needs everybody's
    // previous salary, which only the whole month's personnel lists.
    if (req.streamed && inputs->monthHasPersonnel &&
        std::none_of(inputs->commonItems.begin(), inputs->commonItems.end(), isMedicalLeaveItem)) {
        MonthInputs& in = *inputs;
        {
            // Gone before the run: at a big employer they are tens of thousands of codes.
            std::vector<std::string> onLeave;
            if (!loadLeaveWorkers(*conn, req, ui, onLeave)) return failed();
            if (!loadPreviousSalaries(*conn, req.month, onLeave, ui, in.previousSalary)) return failed();
        }
        // The items and the savings contracts come on connections of their own while the
        // personnel come on this one.
        std::shared_ptr<Connection> itemsConn, savingsConn;
        try {
            itemsConn = Connection::open(conn->params());
            savingsConn = Connection::open(conn->params());
        } catch (const DbError&) {
            // Then the month is run whole, on the one connection.
        }
        if (itemsConn && savingsConn) {
            tm.load = since(t);
            tm.cpuLoad = cpuNow() - c;
            t = Steady::now();
            c = cpuNow();
            auto rows = openMonthRows(*conn, *itemsConn, *savingsConn, req, ui);
            if (!rows) return failed();
            try {
                result = calculateMonthStreamed(in, *rows, say, sink);
            } catch (const MonthRowsFailed&) {
                stream->abandon(ui, true);
                return false;
            }
            rows.reset();
            if (result->wholeMonthNeeded) {
                result.reset();
                stream = std::make_unique<WorkTableStream>(options.workDir);
                lines = 0;
            }
        }
    }
    if (!result) {
        // A month without personnel was read the same either way.
        if (req.streamed && inputs->monthHasPersonnel) {
            req.streamed = false;
            inputs = std::make_unique<MonthInputs>();
            if (!loadMonthInputs(*conn, req, ui, *inputs)) return failed();
        }
        MonthInputs& in = *inputs;
        if (in.monthHasPersonnel && !in.personnel.empty()) {
            std::vector<std::string> onLeave = workersNeedingPreviousSalary(in);
            if (!loadPreviousSalaries(*conn, req.month, onLeave, ui, in.previousSalary)) return failed();
        }
        tm.load = since(t);
        tm.cpuLoad = cpuNow() - c;
        t = Steady::now();
        c = cpuNow();
        result = calculateMonth(in, say, sink, options.explain);
    }
    CalcResult& r = *result;
    const bool pastPersonnelCheck = inputs->monthHasPersonnel;
    inputs.reset();  // not needed any more; a big month's lines need the room
    tm.calculate = since(t);
    tm.cpuCalculate = cpuNow() - c;
    for (const RunMessage& m : r.messages) {
        switch (m.kind) {
            case BoxKind::Stop: ui.stop(m.text, m.title); break;
            case BoxKind::Alert: ui.alert(m.text, m.title); break;
            default: ui.info(m.text, m.title); break;
        }
    }
    if (!r.ok) {
        // A run stopped half-way leaves no slips rather than some of them.
        stream->abandon(ui, pastPersonnelCheck);
        return false;
    }

    tm.workers = static_cast<size_t>(r.workers);
    tm.lines = lines;
    t = Steady::now();
    c = cpuNow();
    if (!stream->finish(r, ui)) return false;
    tm.writeTables = since(t);
    tm.cpuWriteTables = cpuNow() - c;

    t = Steady::now();
    c = cpuNow();
    if (!writeBackFigures(*conn, req.year, req.month, r.writeBack, ui)) return failed();
    tm.writeBack = since(t);
    tm.cpuWriteBack = cpuNow() - c;

    say(kProgressEnd);
    tm.total = since(start);
    tm.cpuTotal = cpuNow() - cpuStart;
    return true;
}

double SUELDO_ANTERIOR(Connection& conn, const Session& s, UiPort& ui, std::string_view code) {
    std::map<std::string, double> out;
    std::string c = trim(code);
    if (!loadPreviousSalaries(conn, s.period.monthText(), {c}, ui, out)) return 0;
    auto it = out.find(c);
    return it == out.end() ? 0 : it->second;
}

}  // namespace remu
