#pragma once
// Leaves a run's result where the outputs and later runs read it: the three
// work tables in the working directory, and each worker's taxable total and
// days worked on his row of the month, in batched statements.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "data/dbf_table.h"
#include "data/work_tables.h"

#include "core/ui_port.h"
#include "data/connection.h"
#include "payroll/calculation.h"

namespace remu {

// REMUMES written while the calculation hands over each worker's lines, in
// batches, by a thread of its own so that formatting and writing overlap the
// calculation. The lines go to a draft of the table; finish() writes REMUPASO
// (empty) and AJUPASO (the adjustments) and only then puts the complete draft
// in place of REMUMES, so no reader ever sees part of a month; abandon() leaves
// an empty REMUMES instead. Failures are kept and reported once.
class WorkTableStream {
public:
    explicit WorkTableStream(std::string dir) : dir_(std::move(dir)) {}
    ~WorkTableStream();
    WorkTableStream(const WorkTableStream&) = delete;
    WorkTableStream& operator=(const WorkTableStream&) = delete;

    // Takes a worker's slip; `lines` comes back empty, often with the room of a
    // slip already written, for the next worker's lines.
    void add(std::vector<PaySlipLine>&& lines);
    bool finish(const CalcResult& r, UiPort& ui);
    // Empties REMUMES when lines were written, or always with `evenUnstarted`.
    void abandon(UiPort& ui, bool evenUnstarted = false);

private:
    void flush();   // hands the batch to the writer thread
    void drain();   // returns once everything handed over is written and the thread is gone
    void writerLoop();
    // A batch is the workers' slips as handed over: their lines are never moved again.
    using Batch = std::vector<std::vector<PaySlipLine>>;
    void write(const Batch& batch);
    // A written slip's vector, emptied here: its texts are freed by the thread
    // that allocates the next ones, where freeing and allocating stay cheap.
    std::vector<PaySlipLine> spare();

    std::string dir_;
    Batch batch_;
    size_t batchLines_ = 0;
    Batch spares_;   // emptied vectors, calculating thread only
    Batch written_;  // batches the writer is done with, under mutex_
    std::unique_ptr<WorkTableDraft> draft_;
    // Owned by the writer thread while it runs; read after drain().
    bool started_ = false;
    std::optional<DbfError> error_;
    std::atomic<bool> failed_{false};

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> pending_;
    bool closing_ = false;
    std::thread writer_;
    // Removes the REMUMES that the new one replaced while the run goes on; joined on destruction.
    std::thread remover_;
};

// Every figure of the run written back in one transaction, either all or none:
// the figures go into a temporary table in INSERTs of at most `statementBytes`
// (0: what the server accepts in one packet), then one UPDATE joins them to the
// month's rows. False (reported) on failure.
bool writeBackFigures(Connection& conn, const std::string& year, const std::string& month,
                      const WriteBacks& figures, UiPort& ui, size_t statementBytes = 0);

}  // namespace remu
