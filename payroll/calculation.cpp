#include "payroll/calculation.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <span>

#include "format/helpers.h"
#include "payroll/constants.h"
#include "payroll/days.h"
#include "payroll/gathering.h"
#include "payroll/passes.h"
#include "payroll/slip_line.h"
#include "payroll/statutory.h"
#include "payroll/totals.h"

namespace remu {

namespace {

// How a days line of the hand-over was obtained.
LineExplanation daysExplanation(const PaySlipLine& l, const WorkerDays& d) {
    const std::string_view code = tv(l.HABDES_REM);
    if (code == LineCode::DaysWorked) return SlipRecorder::daysWorked(d.worked + d.notWorked, d.notWorked);
    if (code == LineCode::MedicalLeave)
        return SlipRecorder::value("Suma de los días de ausencia por licencia médica o accidente del trabajo",
                                   l.VALFIN_REM);
    return SlipRecorder::value("Días de ausencia registrados en el mes", l.VALFIN_REM);
}

// The run over the month: gathering, then each worker through days, month
// salary, formula passes, statutory lines and totals before the next one starts.
// What one phase hands the next is passed along explicitly; only the formula
// figures carry over from worker to worker, as formulas may rely on.
class Calculation {
public:
    Calculation(const MonthInputs& in, const ProgressFn& progress, const SlipSink& sink, SlipRecorder* recorder)
        : in_(in),
          progress_(progress),
          sink_(sink),
          recorder_(recorder),
          result_(startResult(in)),
          adjustments_(result_.ajupaso),
          workers_(in.personnel, &Worker::codigo),
          catalog_(in.catalog, &CatalogItem::code),
          funds_(in.funds, &FundRow::code),
          year_(std::stoi(in.year)),
          month_(std::stoi(in.month)),
          formulas_(in),
          days_(monthDays(in.params.holidays, year_, month_)),
          lastDay_{year_, month_, Date::daysInMonth(year_, month_)},
          staging_(in.commonItems.size()) {}

    CalcResult run();
    CalcResult runStreamed(MonthRows& rows);

private:
    // One worker's staged lines through every phase to the sink.
    void process(Bucket& b, int& n) {
        rec_ = recorder_ && recorder_->wants(b.code) ? recorder_ : nullptr;
        handOver(b);
        if (b.lines.empty()) return;
        monthSalary(b);
        say(std::string(kProgress80) + std::to_string(++n));
        evaluateWorker(b);
        finishWorker(b);
    }

    CalcResult stopped(const CalculationStop& f) {
        result_.messages.push_back({BoxKind::Stop, "Error", f.text});
        result_.ok = false;
        result_.slips.clear();
        result_.writeBack.clear();
        return std::move(result_);
    }

    // Nothing of a run that could not go on one worker at a time counts.
    static CalcResult refuseStream() {
        CalcResult r;
        r.wholeMonthNeeded = true;
        return r;
    }

    CalcResult noPersonnel() {
        result_.messages.push_back(
            {BoxKind::Info, "Atención", "NO HAY DATOS EN EL MAESTRO DE PERSONAL EN " + NOMES_FF(month_)});
        return std::move(result_);
    }

public:
    CalcResult runWholeMonth() {
        try {
            if (!in_.monthHasPersonnel) return noPersonnel();
            GatherContext g{in_, year_ * 100L + month_, workers_, formulas_, result_.messages, progress_};
            gatherLines(g, staging_);
            // Each phase works on one worker at a time and carries nothing over to
            // the next worker except the formula figures, which change in the same
            // order either way; so a worker goes through every phase before the
            // next one starts, and a big month is never held whole.
            say(kProgress60);
            int n = 0;
            for (auto& [key, b] : staging_.buckets()) {
                process(b, n);
                b = Bucket{};
            }
            result_.workers = n;
            say(kProgress90);
            result_.ok = true;
        } catch (const CalculationStop& f) {
            return stopped(f);
        }
        return std::move(result_);
    }

private:
    static CalcResult startResult(const MonthInputs& in) {
        CalcResult r;
        r.ajupaso = Adjustments::table(in);
        return r;
    }

    void say(const std::string& text) {
        if (progress_) progress_(text);
    }

    // The worker of a bucket: looked up among the month's personnel, or the one
    // row of his code read with his items.
    const Worker* findWorker(const std::string& code) { return streamed_ ? current_ : workers_.find(code); }

    const Worker& workerOf(const Bucket& b) {
        static const Worker none{};
        const Worker* w = findWorker(b.code);
        return w ? *w : none;
    }

    // The worker's staged lines go to REMUMES (less control lines and lines
    // without a worker), followed by the days lines worked out from all of them.
    void handOver(Bucket& b) {
        if (b.staged.empty()) return;
        if (!trim(b.code).empty()) {
            const std::string name = b.staged.front().NOMBRE_REM;
            std::vector<PaySlipLine>& days = dayLines_;
            days.clear();
            const WorkerDays d = daysLines(b.staged, SlipOwner{in_.month, b.code, name}, in_.movements, days);
            formulas_[FormulaVar::DIAS_NO_TRA] = d.notWorked;
            formulas_[FormulaVar::DIATRA] = d.worked;
            // The staged lines stay where they are; only those after a dropped one move.
            b.lines = std::move(b.staged);
            std::erase_if(b.lines, [](const PaySlipLine& l) {
                return l.TIPO_REM == LineType::Control || tv(l.PERSON_REM).empty();
            });
            b.lines.reserve(b.lines.size() + days.size() + Staging::kLaterLines);
            for (PaySlipLine& l : days) {
                if (rec_) rec_->record(b.lines.size(), daysExplanation(l, d));
                b.lines.push_back(std::move(l));
            }
        }
        std::vector<PaySlipLine>().swap(b.staged);
        std::vector<std::string>().swap(b.stagedCodes);
    }

    void monthSalary(Bucket& b) {
        const Worker* w = findWorker(b.code);
        if (!w) return;
        for (const PaySlipLine& l : b.lines)
            if (tv(l.HABDES_REM) == LineCode::DaysWorked) formulas_[FormulaVar::DIATRA] = l.VALFIN_REM;
        const double salary = salaryInPesos(*w, in_.params, in_.tax);
        formulas_[FormulaVar::SUEBAS] = salary;
        formulas_[FormulaVar::SUELDO] = salary;
        PaySlipLine l = monthSalaryLine(SlipOwner{in_.month, b.code, b.lines.front().NOMBRE_REM}, *w, salary,
                                        formulas_[FormulaVar::DIATRA]);
        if (rec_)
            rec_->record(b.lines.size(), SlipRecorder::monthSalary(*w, in_.params, in_.tax ? in_.tax->UTM : 0, salary,
                                                                   formulas_[FormulaVar::DIATRA]));
        b.lines.push_back(std::move(l));
    }

    void evaluateWorker(Bucket& b) {
        const Worker& w = workerOf(b);
        const std::string name = b.lines.front().NOMBRE_REM;
        const SlipOwner owner{in_.month, b.code, name};
        const WorkerAdjustments adjust{adjustments_, b.code, rec_};

        std::vector<Term> paid;
        const double weekly = weeklyRestPay(b.lines, catalog_, days_, rec_ ? &paid : nullptr);
        if (weekly > 0) {
            if (rec_)
                rec_->record(b.lines.size(),
                             SlipRecorder::weeklyRest(paid, days_.weekdays, days_.holidays, days_.sundays));
            b.lines.push_back(weeklyRestLine(owner, weekly));
        }

        const PassResult passes = evaluateLines(b.lines, w, in_.params, adjust, formulas_, rec_);

        WorkerFigures f;
        f.TOTIMP = formulas_[FormulaVar::TOTIMP];
        f.BASIMP = formulas_[FormulaVar::BASIMP];
        f.SUELDO = formulas_[FormulaVar::SUELDO];
        f.SUEBAS = formulas_[FormulaVar::SUEBAS];
        f.DIATRA = formulas_[FormulaVar::DIATRA];
        f.leaveDays = passes.leaveDays;
        f.movementCode = passes.movementCode;
        f.savingsDeduction = passes.savingsDeduction;
        if (rec_) rec_->setMonth(in_.params, f.TOTIMP);
        RuleOutput out{owner, adjust, b.lines, result_.messages, rec_};
        statutoryLines(w, in_, funds_, f, out);
        formulas_[FormulaVar::BASIMP] = f.BASIMP;
        formulas_[FormulaVar::SUELDO] = f.SUELDO;
    }

    void finishWorker(Bucket& b) {
        std::vector<PaySlipLine>& lines = b.lines;
        const std::string name = firstInOrder(lines).NOMBRE_REM;
        const Worker* w = findWorker(b.code);
        totalLines(lines, SlipOwner{in_.month, b.code, name}, w, in_.params,
                   WorkerAdjustments{adjustments_, b.code, rec_}, rec_);
        if (rec_) rec_->sorting(lines);
        sortLines(lines, sortScratch_);
        orderNumbers(lines);
        instalmentCounters(lines, lastDay_);
        if (w) workerData(lines, *w);
        if (rec_) rec_->finish(lines);
        result_.writeBack.push_back(figuresToWriteBack(lines, b.code));
        if (sink_) {
            sink_(std::move(lines));
            staging_.recycle(std::move(lines));
        } else {
            result_.slips.push_back(std::move(lines));
        }
        lines = {};
    }

    const MonthInputs& in_;
    const ProgressFn& progress_;
    const SlipSink& sink_;
    SlipRecorder* recorder_;
    SlipRecorder* rec_ = nullptr;  // the recorder while its worker goes through
    CalcResult result_;
    Adjustments adjustments_;
    CodeFinder<Worker> workers_;
    CodeFinder<CatalogItem> catalog_;
    CodeFinder<FundRow> funds_;
    int year_, month_;
    RunFormulas formulas_;
    MonthDays days_;
    Date lastDay_;
    Staging staging_;
    std::vector<PaySlipLine> sortScratch_;
    std::vector<PaySlipLine> dayLines_;  // a worker's days lines, on their way to his slip
    bool streamed_ = false;
    const Worker* current_ = nullptr;
};

// A month that cannot be taken one worker at a time.
struct NotStreamable {};

// The padded key of a worker code on which the server's order, the byte order
// and the run's lookups agree: capital letters and digits, trailing blanks only,
// at most four characters. Throws NotStreamable for any other code.
std::string plainKey(std::string_view code, size_t& width) {
    const std::string_view t = codeKey(code);
    if (t.empty() || t.size() > 4 || code.size() > 4) throw NotStreamable{};
    for (char ch : t)
        if (!((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z'))) throw NotStreamable{};
    if (width == 0) width = t.size();
    else if (t.size() != width) throw NotStreamable{};
    std::string key(t);
    key.resize(4, ' ');
    return key;
}

CalcResult Calculation::run() { return runWholeMonth(); }

CalcResult Calculation::runStreamed(MonthRows& rows) {
    streamed_ = true;
    staging_.roomForLaterLines();
    std::vector<RunMessage> alerts;  // the gathering's, shown before every worker's
    try {
        if (!in_.monthHasPersonnel) return noPersonnel();
        size_t width = 0;  // of the month's codes, set by the first one seen

        Worker w;
        std::string wKey;
        bool haveW = rows.nextWorker(w);
        if (haveW) wKey = plainKey(w.codigo, width);
        ItemRow item;
        std::string itemKey;
        bool haveItem = rows.nextItem(item);
        // Without personnel no item finds its worker, whatever its code.
        auto keyOfItem = [&] { return haveW || width ? plainKey(item.workerCode, width) : std::string(); };
        if (haveItem) itemKey = keyOfItem();

        SavingsRow saving;
        std::string savingKey;
        bool haveSaving = rows.nextSaving(saving);
        // A contract's code must be of the month's width, without setting it.
        auto keyOfSaving = [&] {
            size_t any = width;
            return plainKey(saving.workerCode, any);
        };
        if (haveSaving) savingKey = keyOfSaving();
        std::vector<std::string> commonCodes;
        for (const ItemRow& r : in_.commonItems) commonCodes.push_back(trim(r.code));
        const FormulaContext initial = formulas_.context();

        if (haveItem) say(kProgress30);
        if (!in_.commonItems.empty()) say(kProgress50);
        say(kProgress60);
        GatherContext g{in_, year_ * 100L + month_, workers_, formulas_, alerts, progress_};
        std::vector<ItemRow> items;
        std::vector<SavingsRow> contracts;
        std::vector<const SavingsRow*> contractRows;
        int n = 0;
        for (;;) {
            // The next code in order among the three sources.
            const std::string* next = nullptr;
            if (haveW) next = &wKey;
            if (haveItem && (!next || itemKey < *next)) next = &itemKey;
            if (haveSaving && (!next || savingKey < *next)) next = &savingKey;
            if (!next) break;
            const std::string key = *next;

            // The worker's items, swapped into rows kept from earlier workers so
            // that the next row is read into strings that already have room.
            size_t own = 0;
            while (haveItem && itemKey == key) {
                if (own == items.size()) items.emplace_back();
                std::swap(items[own++], item);
                haveItem = rows.nextItem(item);
                if (!haveItem) break;
                std::string k = keyOfItem();
                if (k < itemKey) throw NotStreamable{};
                itemKey = std::move(k);
            }
            contracts.clear();
            while (haveSaving && savingKey == key) {
                contracts.push_back(std::move(saving));
                haveSaving = rows.nextSaving(saving);
                if (!haveSaving) break;
                std::string k = keyOfSaving();
                if (k < savingKey) throw NotStreamable{};
                savingKey = std::move(k);
            }
            contractRows.clear();
            for (const SavingsRow& s : contracts) contractRows.push_back(&s);
            const bool listed = haveW && wKey == key;
            current_ = listed ? &w : nullptr;
            gatherWorker(g,
                         WorkerRows{current_, std::span<const ItemRow>(items.data(), own), contractRows, commonCodes,
                                    initial},
                         staging_);
            for (auto& [k, b] : staging_.buckets()) process(b, n);
            staging_.clear();
            current_ = nullptr;
            if (listed && (haveW = rows.nextWorker(w))) {
                std::string k = plainKey(w.codigo, width);
                if (k <= wKey) throw NotStreamable{};
                wKey = std::move(k);
            }
        }
        result_.workers = n;
        say(kProgress90);
        result_.ok = true;
        alerts.insert(alerts.end(), std::make_move_iterator(result_.messages.begin()),
                      std::make_move_iterator(result_.messages.end()));
        result_.messages = std::move(alerts);
    } catch (const CalculationStop&) {
        return refuseStream();
    } catch (const NotStreamable&) {
        return refuseStream();
    }
    return std::move(result_);
}

}  // namespace

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

CalcResult calculateMonth(const MonthInputs& in, const ProgressFn& progress, const SlipSink& sink,
                          SlipRecorder* recorder) {
    return Calculation(in, progress, sink, recorder).run();
}

CalcResult calculateMonthStreamed(const MonthInputs& in, MonthRows& rows, const ProgressFn& progress,
                                  const SlipSink& sink) {
    return Calculation(in, progress, sink, nullptr).runStreamed(rows);
}

std::vector<std::string> workersNeedingPreviousSalary(const MonthInputs& in) {
    // Any worker whose lines can carry medical-leave days. A few too many cost nothing.
    std::set<std::string> codes;
    bool everyone = std::any_of(in.commonItems.begin(), in.commonItems.end(), isMedicalLeaveItem);
    if (everyone) {
        for (const Worker& w : in.personnel) codes.insert(trim(w.codigo));
    } else {
        for (const ItemRow& r : in.workerItems)
            if (isMedicalLeaveItem(r)) codes.insert(trim(r.workerCode));
    }
    return {codes.begin(), codes.end()};
}

}  // namespace remu
