#pragma once
// The month's payroll as a pure function of its inputs: gathering of the lines,
// days and month salary, the four passes of formulas, statutory contributions
// and income tax, totals, order numbers and instalment counters. The order of
// phases, passes and lines is what the pay slip outputs read.

#include <algorithm>
#include <deque>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/ui_port.h"
#include "data/work_tables.h"
#include "payroll/inputs.h"

namespace remu {

class SlipRecorder;

struct RunMessage {
    BoxKind kind;
    std::string title;
    std::string text;
};

// A worker's code as the write-back keeps it, in place: the personnel table's code has
// at most four characters, 16 bytes, so a month's figures hold no text of their own
// (a longer code, which no row of the table can have, keeps its first 16 bytes).
class WorkerCode {
public:
    WorkerCode() = default;
    WorkerCode(std::string_view code) : size_(static_cast<unsigned char>(std::min(code.size(), sizeof text_))) {
        code.copy(text_, size_);
    }
    WorkerCode(const std::string& code) : WorkerCode(std::string_view(code)) {}
    WorkerCode(const char* code) : WorkerCode(std::string_view(code)) {}

    std::string_view view() const { return {text_, size_}; }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }
    friend bool operator==(const WorkerCode& a, const WorkerCode& b) { return a.view() == b.view(); }

private:
    char text_[16] = {};
    unsigned char size_ = 0;
};

// The two figures written back to the worker's row of the month (40 bytes a worker).
struct WriteBack {
    WorkerCode code;  // codigo_per
    bool hasTotal = false;
    bool hasDays = false;
    double totalImponible = 0;
    double diasTrabajados = 0;
};
// A month's figures, one per worker in the order given, packed (about 10 bytes a
// worker instead of 40) in small blocks: a big month's list never holds room it does
// not use, nor is it copied whole as it grows. A figure is kept as the whole number
// the month's row receives (the write-back truncates it): that number comes back.
class WriteBacks {
public:
    void push_back(const WriteBack& w);
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    void clear() {
        bytes_.clear();
        count_ = 0;
    }

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = WriteBack;
        using difference_type = std::ptrdiff_t;
        using pointer = const WriteBack*;
        using reference = const WriteBack&;

        const WriteBack& operator*() const { return current_; }
        const WriteBack* operator->() const { return &current_; }
        const_iterator& operator++() {
            at_ = next_;
            load();
            return *this;
        }
        bool operator==(const const_iterator& o) const { return at_ == o.at_; }

    private:
        friend class WriteBacks;
        const_iterator(const std::deque<unsigned char>& bytes, size_t at) : bytes_(&bytes), at_(at) { load(); }
        void load();

        const std::deque<unsigned char>* bytes_;
        size_t at_, next_ = 0;
        WriteBack current_;
    };
    const_iterator begin() const { return {bytes_, 0}; }
    const_iterator end() const { return {bytes_, bytes_.size()}; }
    // The i-th figures, read from the first on; throws std::out_of_range past the last.
    WriteBack at(size_t i) const;
    WriteBack operator[](size_t i) const { return at(i); }

private:
    std::deque<unsigned char> bytes_;
    size_t count_ = 0;
};

struct CalcResult {
    bool ok = false;                      // false: the run stops, nothing is written
    // REMUMES in its final order (worker code, type, taxable flag), one vector per
    // worker so a big month is never held twice while it is built or written.
    std::vector<std::vector<PaySlipLine>> slips;
    std::vector<PaySlipLine> ajupaso;     // the month's adjustments, in key order
    std::vector<RunMessage> messages;     // in the order they arose
    WriteBacks writeBack;                 // one per processed worker, code order
    int workers = 0;                      // workers processed
    // A run taken one worker at a time that could not go on that way (see
    // calculateMonthStreamed): nothing of it counts, the whole month must be run.
    bool wholeMonthNeeded = false;

    size_t lineCount() const;
    std::vector<PaySlipLine> remumes() const;  // flattened copy
};

using ProgressFn = std::function<void(const std::string&)>;
// Receives each worker's finished lines as soon as they are final, instead of
// result.slips (a big month then never sits in memory whole).
using SlipSink = std::function<void(std::vector<PaySlipLine>&&)>;

// With a recorder, the engine records how each line of the recorder's worker was
// obtained (payroll/explain.h); the other workers cost nothing more.
CalcResult calculateMonth(const MonthInputs& in, const ProgressFn& progress = {}, const SlipSink& sink = {},
                          SlipRecorder* recorder = nullptr);

// The month's personnel, the workers' own items and the savings contracts, one
// row at a time, each in worker-code order (a worker's contracts in the order the
// whole month's run takes them): what a run reads when the month is too big to
// hold. A source that fails reports it and throws MonthRowsFailed.
class MonthRows {
public:
    virtual ~MonthRows() = default;
    virtual bool nextWorker(Worker& w) = 0;  // false past the last
    virtual bool nextItem(ItemRow& r) = 0;
    virtual bool nextSaving(SavingsRow& s) = 0;
};
struct MonthRowsFailed {};

// The same run as calculateMonth with in.personnel, in.workerItems and in.savings
// read from `rows` instead, each worker going from gathering to his finished lines before
// the next one is read; only one worker's rows are held at a time. It needs
// worker codes on which the server's order and the run's lookups agree (capital
// letters and digits, one width); a month with other codes, or one that stops,
// comes back with wholeMonthNeeded: what went to the sink does not count, and
// calculateMonth on the whole month gives the run's result and messages.
CalcResult calculateMonthStreamed(const MonthInputs& in, MonthRows& rows, const ProgressFn& progress = {},
                                  const SlipSink& sink = {});

// Worker codes whose previous salary the calculation may need (medical leave),
// found by running the gathering and days phases only.
std::vector<std::string> workersNeedingPreviousSalary(const MonthInputs& in);

// ROUND(x, 0) without going through the number's decimal text: the same result
// for every value (half away from zero, no negative zero), computed exactly.
double roundWhole(double x);

// Sundays, Saturdays, weekdays (Monday to Friday) and holidays of the month; the
// holiday text holds two-digit day numbers at positions 1, 4, 7, 10, 13 and 16.
void CALCULA_TIPO_DIAS_MES(int& sundays, int& saturdays, int& weekdays, int& holidays,
                           std::string_view holidayText, int year, int month);

// Progress texts of a run.
inline constexpr const char* kProgress10 = "Por Favor, espere\r\nProceso 10%";
inline constexpr const char* kProgress30 = "Por Favor, espere\r\nProceso 30%";
inline constexpr const char* kProgress50 = "Por Favor, espere\r\nProceso 50%";
inline constexpr const char* kProgress60 = "Por Favor, espere\r\nProceso 60% ";
inline constexpr const char* kProgress80 = "Por Favor, espere\r\nProceso 80%";
inline constexpr const char* kProgress90 = "Por Favor, espere\r\nProceso 90%";
inline constexpr const char* kProgressEnd = "Proceso Finalizado ";

}  // namespace remu
