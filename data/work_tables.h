#pragma once
// The local work tables REMUMES, REMUPASO (pay slip line record) and AJUPASO
// (same layout, _AJU names), kept as dBASE III files in the working directory.

#include <span>
#include <string>
#include <vector>

#include "core/date.h"
#include "data/dbf_table.h"

namespace remu {

// One pay slip line: the 24 fields of the record, in order.
struct PaySlipLine {
    std::string MES_REM;      // C2
    std::string PERSON_REM;   // C4
    std::string NOMBRE_REM;   // C30
    std::string APENOM_REM;   // C35
    std::string HABDES_REM;   // C3
    int TIPO_REM = 0;         // N1
    int IMPONI_REM = 0;       // N1
    int HABDESVAR = 0;        // N1
    std::string DESCRI_REM;   // C50
    double VALFIN_REM = 0;    // N10
    double VALOR_REM = 0;     // N12.2
    std::string FORMUL_REM;   // C200
    std::string TIPOTRABAJ;   // C1
    std::string INSAPV_REM;   // C3
    std::string NOMINSAPV;    // C50
    int SECUEN_REM = 0;       // N2
    std::string TITULO_REM;   // C20
    std::string CUENTA_REM;   // C7
    std::string CENCOS_REM;   // C4
    std::string CODMOV_REM;   // C2
    Date FECDES_REM;          // D
    Date FECHAS_REM;          // D
    std::string NOMMOV_REM;   // C30
    double BASCES_REM = 0;    // N10
};

enum class WorkTable { REMUMES, REMUPASO, AJUPASO };

// File name in the working directory ("REMUMES.DBF", ...).
std::string workTableFile(WorkTable t);

// The 24 fields of the table, in order (AJUPASO with its _AJU names).
const std::vector<DbfField>& workTableLayout(WorkTable t);

// The work tables live in `dir` (the working directory by default). Every call
// below throws DbfError (Spanish text for the user) and is refused while the
// table is open elsewhere. Texts are cut to their field; a number too wide for
// its field is refused before anything is written.

// A table is replaced whole: it is written under a temporary name beside the
// real one and renamed over it, so a reader (or a run killed half-way) finds the
// old table or the new one, never part of one, and a failed write leaves no
// empty or half-made file behind.

// Creates (or re-creates) the table empty.
void createWorkTable(WorkTable t, const std::string& dir = ".");
// Replaces the table's contents with `lines`.
void writeWorkTable(WorkTable t, const std::vector<PaySlipLine>& lines, const std::string& dir = ".");

// A table written in steps under its temporary name, and put in place of the
// real one only by commit(); a draft that is not committed is removed.
class WorkTableDraft {
public:
    WorkTableDraft(WorkTable t, std::string dir);
    ~WorkTableDraft();
    WorkTableDraft(const WorkTableDraft&) = delete;
    WorkTableDraft& operator=(const WorkTableDraft&) = delete;

    // Adds rows (the first call creates the draft). Throws DbfError.
    void append(const std::vector<PaySlipLine>& lines);
    // Adds the slips' rows, one slip after another, as one append.
    void appendSlips(const std::vector<std::vector<PaySlipLine>>& slips);
    // The draft (empty when nothing was appended) replaces the table. Throws DbfError.
    void commit();
    // The same, but the replaced table (when there was one) is left under the
    // draft's hidden name, returned, for the caller to remove when it suits:
    // freeing a big file takes a while. A run killed before that leaves it for
    // removeStaleWorkTableDrafts. Empty when nothing was left.
    std::string commitKeepingReplaced();
    void discard();

private:
    std::string replace(bool keepReplaced);
    void appendRuns(std::span<const std::vector<PaySlipLine>> runs);

    WorkTable table_;
    std::string dir_;
    std::string path_;
    bool created_ = false;
    uint32_t rows_ = 0;
};

// Removes drafts that a process killed half-way left in the folder (call while
// owning the folder, see data/work_folder.h).
void removeStaleWorkTableDrafts(const std::string& dir = ".");
// Adds `lines` after the live rows; creates the table when it is missing.
void appendWorkTable(WorkTable t, const std::vector<PaySlipLine>& lines, const std::string& dir = ".");
// Every live row in file order (deleted rows skipped). Texts come without their padding blanks.
std::vector<PaySlipLine> readWorkTable(WorkTable t, const std::string& dir = ".");

// A work table read in steps, for a month too big to hold whole: runs of
// records by number, the rows as readWorkTable gives them. Open shared for its
// life. Throws DbfError.
class WorkTableReader {
public:
    WorkTableReader(WorkTable t, const std::string& dir = ".");
    // Physical records, deleted ones included.
    uint32_t records() const { return records_; }
    // The live rows among records [first, first + count), in file order; with
    // `numbers`, the record number of each.
    void read(uint32_t first, uint32_t count, std::vector<PaySlipLine>& out, std::vector<uint32_t>* numbers = nullptr);

private:
    WorkTable t_;
    DbfTable table_;
    uint32_t records_ = 0;
    uint16_t headerLength_ = 0;
    std::vector<char> buffer_;
};

// dBASE readers take files of up to 2 GB: a work table is never written past
// it. A write that would pass it is refused (WriteFailed, saying so) before
// anything is written, so the table stays as it was.
inline constexpr uint64_t kDbfFileCeiling = 0x7FFFFFFF;
// The ceiling in force (tests lower it to try it without a 2 GB file); 0 restores the default.
uint64_t workTableCeiling();
void setWorkTableCeiling(uint64_t bytes);

}  // namespace remu
