#pragma once
// The last phase for one worker: his totals and reference lines, the order his
// lines are left in, their order numbers, instalment counters, his cost centre
// and full name on every line, and the two figures written back to his row.

#include <vector>

#include "core/date.h"
#include "payroll/calculation.h"
#include "payroll/inputs.h"
#include "payroll/slip_line.h"

namespace remu {

// Total deductions, total non-taxable, total earnings, net pay, base salary and
// taxable base, appended to the worker's lines. `w` is null for a code that is
// not in the personnel set (his base salary is then 0). With a recorder, how
// each total was obtained goes to it.
void totalLines(std::vector<PaySlipLine>& lines, const SlipOwner& owner, const Worker* w, const MonthParams& p,
                const WorkerAdjustments& adjust, SlipRecorder* rec = nullptr);

// REMUMES order within a worker: type, then taxable flag.
bool beforeInOrder(const PaySlipLine& a, const PaySlipLine& b);

// Type, then taxable flag; equal keys keep the order they were added in.
// `scratch` keeps its room from worker to worker.
void sortLines(std::vector<PaySlipLine>& lines, std::vector<PaySlipLine>& scratch);

// SECUEN_REM as the outputs sort by it, over lines already sorted.
void orderNumbers(std::vector<PaySlipLine>& lines);

// " (current/total)" after the description of an item paid in instalments,
// counted in 30-day periods up to the last day of the run's month.
void instalmentCounters(std::vector<PaySlipLine>& lines, const Date& lastDayOfMonth);

// The worker's cost centre and full name on every line.
void workerData(std::vector<PaySlipLine>& lines, const Worker& w);

// The taxable total and days worked to write back to the worker's row.
WriteBack figuresToWriteBack(const std::vector<PaySlipLine>& lines, const std::string& code);

// The worker's first line in REMUMES order (it names his statutory and total lines).
const PaySlipLine& firstInOrder(const std::vector<PaySlipLine>& lines);

}  // namespace remu
