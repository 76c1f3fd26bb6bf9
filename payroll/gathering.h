#pragma once
// Gathering of the month's lines, worker by worker: his own items, the items
// common to every worker and his voluntary pension savings, staged in worker-code
// order as the staging table REMUPASO holds them before the hand-over.

#include <map>
#include <span>
#include <string>
#include <vector>

#include "payroll/calculation.h"
#include "payroll/inputs.h"
#include "payroll/passes.h"
#include "payroll/slip_line.h"

namespace remu {

// One worker's lines while the run goes through him.
struct Bucket {
    std::string code;                      // PERSON_REM as stored
    std::vector<PaySlipLine> staged;       // REMUPASO
    std::vector<PaySlipLine> lines;        // REMUMES
    std::vector<std::string> stagedCodes;  // trimmed item codes already staged
};

// The staged lines of every worker, kept in worker-code order.
class Staging {
public:
    explicit Staging(size_t commonItems) : commonItems_(commonItems) {}

    // Room kept for the lines the later phases add to a worker's (days, month
    // salary, statutory lines, totals), so that they never move his lines. Only
    // where one worker is staged at a time: a whole month's would hold it for all.
    static constexpr size_t kLaterLines = 24;
    void roomForLaterLines() { later_ = kLaterLines; }
    // A finished worker's vector, kept for the room it has (its lines are dropped).
    void recycle(std::vector<PaySlipLine>&& v) {
        if (v.capacity() <= spare_.capacity()) return;
        spare_ = std::move(v);
        spare_.clear();
    }

    Bucket& bucket(const std::string& code);
    // Room for the lines a worker is about to get, so they are not moved while staging.
    void expect(Bucket& b, size_t lines);
    void stage(Bucket& b, PaySlipLine l);
    // The same for a line made in place by `make(line)`, which spares moving it.
    template <class Make>
    void stageMade(Bucket& b, Make&& make) {
        PaySlipLine& l = b.staged.emplace_back();
        make(l);
        staged(b, l);
    }
    bool hasStaged(const Bucket& b, const std::string& trimmedCode) const;

    std::map<std::string, Bucket>& buckets() { return buckets_; }
    void clear();

private:
    void staged(Bucket& b, PaySlipLine& l);

    size_t commonItems_;
    size_t later_ = 0;
    std::vector<PaySlipLine> spare_;
    std::map<std::string, Bucket> buckets_;  // by code padded to 4
    // Consecutive calls mostly name the same worker; map nodes never move.
    std::string lastCode_;
    Bucket* last_ = nullptr;
};

// A worker is processed unless his contract ended before the run's month.
inline bool activeIn(const Worker& w, long yyyymm) { return !(w.anomesTermino > 0 && w.anomesTermino < yyyymm); }

struct GatherContext {
    const MonthInputs& in;
    long yyyymm;
    CodeFinder<Worker>& workers;
    RunFormulas& formulas;
    std::vector<RunMessage>& messages;
    const ProgressFn& progress;
};

// Stages every worker's item and savings lines (progress 30 % and 50 %).
void gatherLines(GatherContext& g, Staging& staging);

// Everything of one worker code that the gathering reads, for a run that takes
// the month one worker at a time.
struct WorkerRows {
    const Worker* worker = nullptr;            // his personnel row; null when the month has none
    std::span<const ItemRow> items;            // his own items, in item order
    const std::vector<const SavingsRow*>& savings;  // his contracts, in query order
    const std::vector<std::string>& commonCodes;    // trimmed codes of the common items
    const FormulaContext& initialFigures;      // the figures savings formulas see
};

// Stages one worker's lines exactly as gatherLines stages them for him; an item
// of an unknown worker gives the same alert. The worker's code must be found by
// plain equality (codes of one width), as every one of them is here.
void gatherWorker(GatherContext& g, const WorkerRows& rows, Staging& staging);

}  // namespace remu
