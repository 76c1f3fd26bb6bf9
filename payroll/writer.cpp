#include "payroll/writer.h"

#include "data/dbf_table.h"
#include "data/query.h"
#include "data/sql.h"
#include "data/work_tables.h"

namespace remu {

bool writeWorkTables(CalcResult& r, const std::string& dir, UiPort& ui) {
    constexpr size_t kBatch = 8192;
    try {
        writeWorkTable(WorkTable::REMUPASO, {}, dir);
        writeWorkTable(WorkTable::AJUPASO, r.ajupaso, dir);
        writeWorkTable(WorkTable::REMUMES, {}, dir);
        std::vector<PaySlipLine> batch;
        batch.reserve(kBatch + 64);
        for (size_t i = 0; i < r.slips.size(); ++i) {
            for (PaySlipLine& l : r.slips[i]) batch.push_back(std::move(l));
            r.slips[i] = {};
            if (batch.size() >= kBatch || i + 1 == r.slips.size()) {
                appendWorkTable(WorkTable::REMUMES, batch, dir);
                batch.clear();
            }
        }
        r.slips.clear();
    } catch (const DbfError& e) {
        reportDbfError(ui, e);
        return false;
    }
    return true;
}

bool writeBackFigures(Connection& conn, const std::string& year, const std::string& month,
                      const std::vector<WriteBack>& figures, UiPort& ui, size_t batch) {
    if (figures.empty()) return true;
    std::string table, qm;
    try {
        table = sqlYear(year) + "_personal";
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
