#include "payroll/writer.h"

#include "data/dbf_table.h"
#include "data/query.h"
#include "data/sql.h"
#include "data/work_tables.h"

namespace remu {

namespace {
constexpr size_t kStreamBatch = 8192;
// Batches waiting for the writer; bounds the memory when writing falls behind.
constexpr size_t kMaxPending = 2;
}  // namespace

WorkTableStream::~WorkTableStream() { drain(); }

void WorkTableStream::add(std::vector<PaySlipLine>&& lines) {
    if (failed_) return;
    if (batch_.capacity() < kStreamBatch) batch_.reserve(kStreamBatch + 64);
    for (PaySlipLine& l : lines) batch_.push_back(std::move(l));
    lines = {};
    if (batch_.size() >= kStreamBatch) flush();
}

void WorkTableStream::flush() {
    std::vector<PaySlipLine> batch;
    batch.swap(batch_);
    std::unique_lock lock(mutex_);
    if (!writer_.joinable()) writer_ = std::thread([this] { writerLoop(); });
    changed_.wait(lock, [&] { return pending_.size() < kMaxPending; });
    pending_.push_back(std::move(batch));
    changed_.notify_all();
}

void WorkTableStream::writerLoop() {
    for (;;) {
        std::vector<PaySlipLine> batch;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !pending_.empty() || closing_; });
            if (pending_.empty()) return;
            batch = std::move(pending_.front());
            pending_.pop_front();
            changed_.notify_all();
        }
        write(batch);
    }
}

void WorkTableStream::write(const std::vector<PaySlipLine>& batch) {
    if (error_) return;
    try {
        if (!draft_) draft_ = std::make_unique<WorkTableDraft>(WorkTable::REMUMES, dir_);
        draft_->append(batch);
        started_ = true;
    } catch (const DbfError& e) {
        error_ = e;
    } catch (const std::exception&) {
        error_ = DbfError(DbfError::Kind::WriteFailed, "No se pudo grabar la tabla " + workTableFile(WorkTable::REMUMES) + ".");
    }
    if (error_) failed_ = true;
}

void WorkTableStream::drain() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable()) writer_.join();
    closing_ = false;
}

bool WorkTableStream::finish(const CalcResult& r, UiPort& ui) {
    flush();
    drain();
    if (!error_) {
        try {
            writeWorkTable(WorkTable::REMUPASO, {}, dir_);
            writeWorkTable(WorkTable::AJUPASO, r.ajupaso, dir_);
            if (!draft_) draft_ = std::make_unique<WorkTableDraft>(WorkTable::REMUMES, dir_);
            draft_->commit();
        } catch (const DbfError& e) {
            error_ = e;
        }
    }
    if (error_) {
        reportDbfError(ui, *error_);
        abandon(ui);
        return false;
    }
    return true;
}

void WorkTableStream::abandon(UiPort& ui, bool evenUnstarted) {
    batch_.clear();
    drain();
    if (draft_) draft_->discard();
    if (!started_ && !evenUnstarted) return;
    try {
        writeWorkTable(WorkTable::REMUMES, {}, dir_);
    } catch (const DbfError& e) {
        if (!error_) reportDbfError(ui, e);
    }
}

bool writeBackFigures(Connection& conn, const std::string& year, const std::string& month,
                      const std::vector<WriteBack>& figures, UiPort& ui, size_t batch) {
    if (figures.empty()) return true;
    std::string table, qm;
    try {
        table = sqlYearTable(year, "_personal");
        qm = sqlText(sqlMonth(month));
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), "Alto");
        return false;
    }
    if (!EJECUTA_SQL("START TRANSACTION", conn, ui)) return false;
    for (size_t start = 0; start < figures.size(); start += batch) {
        size_t end = std::min(figures.size(), start + batch);
        std::string totals, days, codes;
        for (size_t i = start; i < end; ++i) {
            const WriteBack& w = figures[i];
            std::string code = sqlText(w.code);
            codes += (codes.empty() ? "" : ", ") + code;
            if (w.hasTotal) totals += " WHEN " + code + " THEN " + sqlNumber(static_cast<long long>(w.totalImponible));
            if (w.hasDays) days += " WHEN " + code + " THEN " + sqlNumber(static_cast<long long>(w.diasTrabajados));
        }
        std::string set;
        if (!totals.empty()) set = "total_imponible_per = CASE codigo_per" + totals + " ELSE total_imponible_per END";
        if (!days.empty())
            set += (set.empty() ? "" : ", ") + std::string("dias_trabajados_per = CASE codigo_per") + days +
                   " ELSE dias_trabajados_per END";
        if (set.empty()) continue;
        if (!EJECUTA_SQL("UPDATE " + table + " SET " + set + " WHERE mes_per = " + qm + " AND codigo_per IN (" + codes +
                             ")",
                         conn, ui)) {
            try {
                conn.execute("ROLLBACK");
            } catch (const DbError&) {
            }
            return false;
        }
    }
    return EJECUTA_SQL("COMMIT", conn, ui);
}

}  // namespace remu
