#include "payroll/writer.h"

#include <unistd.h>
#include <algorithm>

#include "data/dbf_table.h"
#include "data/query.h"
#include "data/sql.h"
#include "data/work_tables.h"

namespace remu {

namespace {
// Lines handed to the writer at a time. A batch, two waiting and the one being written
// are what REMUMES holds in memory when writing falls behind, as it does in a long run.
constexpr size_t kStreamBatch = 2048;
// Batches waiting for the writer; bounds the memory when writing falls behind.
constexpr size_t kMaxPending = 2;
}  // namespace

WorkTableStream::~WorkTableStream() {
    drain();
    if (remover_.joinable()) remover_.join();
}

void WorkTableStream::add(std::vector<PaySlipLine>&& lines) {
    if (failed_) return;
    batchLines_ += lines.size();
    batch_.push_back(std::move(lines));
    lines = spare();
    if (batchLines_ >= kStreamBatch) flush();
}

std::vector<PaySlipLine> WorkTableStream::spare() {
    if (spares_.empty()) {
        {
            std::lock_guard lock(mutex_);
            spares_.swap(written_);
        }
        // Kept as many as a batch holds; the rest go.
        if (spares_.size() > kStreamBatch / 8) spares_.resize(kStreamBatch / 8);
        for (auto& v : spares_) v.clear();
    }
    if (spares_.empty()) return {};
    std::vector<PaySlipLine> v = std::move(spares_.back());
    spares_.pop_back();
    return v;
}

void WorkTableStream::flush() {
    Batch batch;
    batch.swap(batch_);
    batchLines_ = 0;
    std::unique_lock lock(mutex_);
    if (!writer_.joinable()) writer_ = std::thread([this] { writerLoop(); });
    changed_.wait(lock, [&] { return pending_.size() < kMaxPending; });
    pending_.push_back(std::move(batch));
    changed_.notify_all();
}

void WorkTableStream::writerLoop() {
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !pending_.empty() || closing_; });
            if (pending_.empty()) return;
            batch = std::move(pending_.front());
            pending_.pop_front();
            changed_.notify_all();
        }
        write(batch);
        std::lock_guard lock(mutex_);
        if (written_.empty()) written_ = std::move(batch);
    }
}

void WorkTableStream::write(const Batch& batch) {
    if (error_) return;
    try {
        if (!draft_) draft_ = std::make_unique<WorkTableDraft>(WorkTable::REMUMES, dir_);
        draft_->appendSlips(batch);
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
            // Freeing the old month's blocks (a big month's take a while) overlaps what follows the tables.
            std::string replaced = draft_->commitKeepingReplaced();
            if (!replaced.empty()) remover_ = std::thread([replaced] { ::unlink(replaced.c_str()); });
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
    batchLines_ = 0;
    spares_.clear();
    drain();
    if (draft_) draft_->discard();
    if (!started_ && !evenUnstarted) return;
    try {
        writeWorkTable(WorkTable::REMUMES, {}, dir_);
    } catch (const DbfError& e) {
        if (!error_) reportDbfError(ui, e);
    }
}

namespace {

// The figures travel to the server in a temporary table of this connection: as
// many rows per INSERT as one packet holds, then one UPDATE joins it to the month.
constexpr const char* kFiguresTable = "remu_cifras";

void rollback(Connection& conn) {
    try {
        conn.execute("ROLLBACK");
    } catch (const DbError&) {
    }
}

}  // namespace

bool writeBackFigures(Connection& conn, const std::string& year, const std::string& month,
                      const WriteBacks& figures, UiPort& ui, size_t statementBytes) {
    bool any = false;
    for (const WriteBack& w : figures) any = any || w.hasTotal || w.hasDays;
    if (!any) return true;
    std::string table, qm;
    try {
        table = sqlYearTable(year, "_personal");
        qm = sqlText(sqlMonth(month));
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), "Alto");
        return false;
    }
    if (statementBytes == 0) {
        try {
            statementBytes = conn.maxStatementBytes();
        } catch (const DbError&) {
            ADOERROR(conn, ui);
            return false;
        }
    }
    const std::string figuresTable = sqlName(kFiguresTable);
    // The code column is the personnel table's own, so that the join compares codes
    // exactly as the server compares them there; a figure not computed stays NULL.
    if (!EJECUTA_SQL("CREATE OR REPLACE TEMPORARY TABLE " + figuresTable +
                         " (total BIGINT NULL, dias BIGINT NULL, PRIMARY KEY (codigo_per)) SELECT codigo_per FROM " +
                         table + " LIMIT 0",
                     conn, ui))
        return false;
    if (!EJECUTA_SQL("START TRANSACTION", conn, ui)) return false;
    const std::string head = "INSERT INTO " + figuresTable + " (codigo_per, total, dias) VALUES ";
    auto appendRow = [](std::string& out, const WriteBack& w) {
        out += '(';
        out += sqlText(w.code);
        out += ", ";
        out += w.hasTotal ? sqlNumber(static_cast<long long>(w.totalImponible)) : std::string("NULL");
        out += ", ";
        out += w.hasDays ? sqlNumber(static_cast<long long>(w.diasTrabajados)) : std::string("NULL");
        out += ')';
    };
    // Each statement takes rows while they fit. The text is given the room of the
    // longest statement at once: grown by doubling it would hold up to twice that,
    // and for a moment three times as it moved.
    std::string row;
    size_t longest = head.size(), length = head.size();
    bool rows = false;
    for (const WriteBack& w : figures) {
        if (!w.hasTotal && !w.hasDays) continue;
        row.clear();
        appendRow(row, w);
        if (rows && length + 1 + row.size() > statementBytes) {
            length = head.size();
            rows = false;
        }
        length += (rows ? 1 : 0) + row.size();
        rows = true;
        longest = std::max(longest, length);
    }
    std::string sql;
    sql.reserve(longest);
    sql = head;
    rows = false;
    auto send = [&] {
        if (!rows) return true;
        bool ok = EJECUTA_SQL(sql, conn, ui);
        sql.assign(head);
        rows = false;
        return ok;
    };
    for (const WriteBack& w : figures) {
        if (!w.hasTotal && !w.hasDays) continue;
        row.clear();
        appendRow(row, w);
        if (rows && sql.size() + 1 + row.size() > statementBytes && !send()) {
            rollback(conn);
            return false;
        }
        if (rows) sql += ',';
        sql += row;
        rows = true;
    }
    if (!send() ||
        !EJECUTA_SQL("UPDATE " + table + " p JOIN " + figuresTable +
                         " f ON p.codigo_per = f.codigo_per SET p.total_imponible_per = COALESCE(f.total, "
                         "p.total_imponible_per), p.dias_trabajados_per = COALESCE(f.dias, p.dias_trabajados_per) "
                         "WHERE p.mes_per = " +
                             qm,
                     conn, ui)) {
        rollback(conn);
        return false;
    }
    return EJECUTA_SQL("COMMIT", conn, ui);
}

}  // namespace remu
