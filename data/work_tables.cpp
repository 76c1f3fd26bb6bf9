#include "data/work_tables.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>

#include "core/work_folder.h"
#include "data/work_table_rows.h"

namespace remu {

namespace {

std::string tablePath(WorkTable t, const std::string& dir) { return WorkFolder(dir).path(workTableFile(t)); }

}  // namespace

using namespace work_table_rows;

std::string workTableFile(WorkTable t) {
    switch (t) {
    case WorkTable::REMUMES: return "REMUMES.DBF";
    case WorkTable::REMUPASO: return "REMUPASO.DBF";
    case WorkTable::AJUPASO: return "AJUPASO.DBF";
    }
    return {};
}

const std::vector<DbfField>& workTableLayout(WorkTable t) {
    static const std::vector<DbfField> lines = makeLayout(false);
    static const std::vector<DbfField> adjustments = makeLayout(true);
    return t == WorkTable::AJUPASO ? adjustments : lines;
}

void createWorkTable(WorkTable t, const std::string& dir) { writeWorkTable(t, {}, dir); }

void writeWorkTable(WorkTable t, const std::vector<PaySlipLine>& lines, const std::string& dir) {
    WorkTableDraft draft(t, dir);
    draft.append(lines);
    draft.commit();
}

WorkTableDraft::WorkTableDraft(WorkTable t, std::string dir)
    : table_(t), dir_(dir.empty() ? std::string(".") : std::move(dir)) {
    path_ = dir_ + "/." + workTableFile(t) + "." + std::to_string(static_cast<long>(::getpid())) + ".tmp";
}

WorkTableDraft::~WorkTableDraft() { discard(); }

void WorkTableDraft::discard() {
    if (!created_) return;
    ::unlink(path_.c_str());
    created_ = false;
    rows_ = 0;
}

void WorkTableDraft::append(const std::vector<PaySlipLine>& lines) { appendRuns(Runs(&lines, 1)); }

void WorkTableDraft::appendSlips(const std::vector<std::vector<PaySlipLine>>& slips) { appendRuns(slips); }

void WorkTableDraft::appendRuns(std::span<const std::vector<PaySlipLine>> runs) {
    checkRows(table_, runs);
    try {
        if (!created_) {
            ::unlink(path_.c_str());
            created_ = true;
            DbfTable draft = DbfTable::create(path_, workTableLayout(table_));
            writeRows(table_, draft, 0, runs);
        } else {
            DbfTable draft = DbfTable::open(path_, DbfMode::Exclusive);
            writeRows(table_, draft, static_cast<uint32_t>(draft.recordCount()), runs);
        }
    } catch (const DbfError& e) {
        // The user knows the table by its own name, not by the draft's.
        std::string text = e.what();
        const std::string draftName = path_.substr(path_.find_last_of('/') + 1);
        for (size_t at; (at = text.find(draftName)) != std::string::npos;)
            text.replace(at, draftName.size(), workTableFile(table_));
        throw DbfError(e.kind(), text);
    }
    rows_ += static_cast<uint32_t>(rowCount(runs));
}

void WorkTableDraft::commit() { replace(false); }

std::string WorkTableDraft::commitKeepingReplaced() { return replace(true); }

std::string WorkTableDraft::replace(bool keepReplaced) {
    if (!created_) append({});
    std::string target = tablePath(table_, dir_);
    std::string kept;
    // The table is replaced only when nobody has it open, as re-creating it in place would be.
    int guard = -1;
    if (auto existing = DbfTable::locate(target)) {
        target = *existing;
        guard = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
        if (guard >= 0 && !dbf_detail::lock(guard, DbfMode::Exclusive)) {
            ::close(guard);
            throw DbfError(DbfError::Kind::InUse,
                           "La tabla " + workTableFile(table_) + " está en uso por otro proceso; no se pudo crear.");
        }
    }
    // Swapping the two names replaces the table as atomically as a rename does,
    // but leaves the old one to be removed later, and spares the draft the
    // write-out that some file systems (ext4) start when a rename replaces a file,
    // which for a big month takes longer than writing it did. Where the file
    // system cannot swap, the rename does it all.
    int renamed = -1;
    if (keepReplaced && guard >= 0) {
        renamed = ::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE);
        if (renamed == 0) kept = path_;
    }
    if (renamed != 0) renamed = std::rename(path_.c_str(), target.c_str());
    if (guard >= 0) ::close(guard);
    if (renamed != 0)
        throw DbfError(DbfError::Kind::WriteFailed, "No se pudo grabar la tabla " + workTableFile(table_) + ".");
    created_ = false;
    rows_ = 0;
    return kept;
}

void removeStaleWorkTableDrafts(const std::string& dir) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir.empty() ? "." : dir, ec)) {
        const std::string name = e.path().filename().string();
        if (name.size() < 5 || name[0] != '.' || name.compare(name.size() - 4, 4, ".tmp") != 0) continue;
        for (WorkTable t : {WorkTable::REMUMES, WorkTable::REMUPASO, WorkTable::AJUPASO})
            if (name.rfind("." + workTableFile(t) + ".", 0) == 0) std::filesystem::remove(e.path(), ec);
    }
}

void appendWorkTable(WorkTable t, const std::vector<PaySlipLine>& lines, const std::string& dir) {
    const std::string path = tablePath(t, dir);
    if (!DbfTable::locate(path)) {
        writeWorkTable(t, lines, dir);
        return;
    }
    DbfTable table = DbfTable::open(path, DbfMode::Exclusive);
    checkLayout(t, table);
    checkRows(t, Runs(&lines, 1));
    writeRows(t, table, static_cast<uint32_t>(table.recordCount()), Runs(&lines, 1));
}


WorkTableReader::WorkTableReader(WorkTable t, const std::string& dir)
    : t_(t), table_(DbfTable::open(tablePath(t, dir), DbfMode::Shared)) {
    checkLayout(t, table_);
    auto header = dbf_detail::readHeader(table_.descriptor());
    if (!header || header->recordLength != recordLength())
        throw DbfError(DbfError::Kind::Corrupt, "La tabla " + workTableFile(t) + " está dañada.");
    records_ = header->records;
    headerLength_ = header->headerLength;
}

void WorkTableReader::read(uint32_t first, uint32_t count, std::vector<PaySlipLine>& out, std::vector<uint32_t>* numbers) {
    out.clear();
    if (numbers) numbers->clear();
    if (first >= records_) return;
    count = std::min(count, records_ - first);
    const size_t len = static_cast<size_t>(recordLength());
    constexpr uint32_t kChunkRows = 2048;
    if (buffer_.size() < kChunkRows * len) buffer_.resize(kChunkRows * len);
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = std::min(kChunkRows, count - done);
        const size_t bytes = n * len;
        const off_t offset = static_cast<off_t>(headerLength_) + static_cast<off_t>(first + done) * static_cast<off_t>(len);
        if (pread(table_.descriptor(), buffer_.data(), bytes, offset) != static_cast<ssize_t>(bytes))
            throw DbfError(DbfError::Kind::Corrupt, "No se pudo leer la tabla " + workTableFile(t_) + ".");
        for (uint32_t j = 0; j < n; ++j) {
            const char* rec = buffer_.data() + j * len;
            if (rec[0] == '*') continue;
            parseRow(rec, out.emplace_back());
            if (numbers) numbers->push_back(first + done + j);
        }
        done += n;
    }
}

std::vector<PaySlipLine> readWorkTable(WorkTable t, const std::string& dir) {
    DbfTable table = DbfTable::open(tablePath(t, dir), DbfMode::Shared);
    checkLayout(t, table);
    const int fd = table.descriptor();
    auto header = dbf_detail::readHeader(fd);
    const int len = recordLength();
    if (!header || header->recordLength != len)
        throw DbfError(DbfError::Kind::Corrupt, "La tabla " + workTableFile(t) + " está dañada.");

    std::vector<PaySlipLine> out;
    out.reserve(header->records);
    constexpr size_t kChunkRows = 2048;
    std::vector<char> buffer(kChunkRows * static_cast<size_t>(len));
    uint32_t done = 0;
    while (done < header->records) {
        size_t n = std::min<size_t>(kChunkRows, header->records - done);
        size_t bytes = n * static_cast<size_t>(len);
        off_t offset = static_cast<off_t>(header->headerLength) + static_cast<off_t>(done) * len;
        if (pread(fd, buffer.data(), bytes, offset) != static_cast<ssize_t>(bytes))
            throw DbfError(DbfError::Kind::Corrupt, "No se pudo leer la tabla " + workTableFile(t) + ".");
        for (size_t j = 0; j < n; ++j) {
            const char* rec = buffer.data() + j * static_cast<size_t>(len);
            if (rec[0] == '*') continue;
            parseRow(rec, out.emplace_back());
        }
        done += static_cast<uint32_t>(n);
    }
    return out;
}

}  // namespace remu
