// What a run reads as it goes, beside the whole-month loader: the month's
// personnel, items and savings as the server sends them, the workers on leave
// and their previous salaries.

#include <set>

#include "payroll/loader.h"
#include "payroll/month_reading.h"

namespace remu {

using namespace month_reading;

bool loadPreviousSalaries(Connection& conn, const std::string& month, const std::vector<std::string>& codes,
                          UiPort& ui, std::map<std::string, double>& out) {
    if (codes.empty()) return true;
    Loader db(conn, ui);
    std::unique_ptr<Recordset> rs;
    if (!db.fetch(rs, "SELECT * FROM anos order by ano desc")) return false;
    std::vector<std::string> years;
    for (Columns c(*rs); !rs->Eof(); rs->MoveNext()) years.push_back(trim(c.text(c("ano"))));

    // Years listed without their personnel table are passed over.
    if (!db.fetch(rs, "SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE() AND "
                      "table_name LIKE '%\\_personal'"))
        return false;
    std::set<std::string> tables;
    for (; !rs->Eof(); rs->MoveNext()) tables.insert(upper(rs->Fields(0).text()));

    std::set<std::string> pending(codes.begin(), codes.end());
    std::string qm;
    try {
        qm = sqlText(sqlMonth(month));
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), "Alto");
        return false;
    }
    for (const std::string& year : years) {
        if (pending.empty()) break;
        std::string y;
        try {
            y = sqlYear(year);
        } catch (const BadIdentifier&) {
            continue;
        }
        if (!tables.count(upper(y + "_personal"))) continue;
        std::string list;
        for (const std::string& code : pending) list += (list.empty() ? "" : ", ") + sqlText(code);
        // A month of many workers on leave gives many rows: they are read as they come.
        int code = -1, days = -1, total = -1;
        bool first = true;
        if (!db.eachRow("SELECT codigo_per, mes_per, dias_trabajados_per, total_imponible_per FROM " +
                            sqlYearTable(y, "_personal") + " WHERE codigo_per IN (" + list + ") AND mes_per <> " + qm +
                            " order by codigo_per, mes_per desc",
                        [&](const RowStream& rs) {
                            Columns c(rs);
                            if (first) {
                                code = c("codigo_per"), days = c("dias_trabajados_per"), total = c("total_imponible_per");
                                first = false;
                            }
                            std::string k = trim(c.text(code));
                            auto it = pending.find(k);
                            if (it == pending.end() || c.number(days) != 30) return;
                            out[k] = c.number(total);
                            pending.erase(it);
                        }))
            return false;
    }
    return true;
}

namespace {

class ServerMonthRows : public MonthRows {
public:
    ServerMonthRows(Connection& conn, Connection& itemsConn, Connection& savingsConn, UiPort& ui,
                    std::unique_ptr<RowStream> personnel, std::unique_ptr<RowStream> items,
                    std::unique_ptr<RowStream> savings)
        : conn_(conn),
          itemsConn_(itemsConn),
          savingsConn_(savingsConn),
          ui_(ui),
          personnel_(std::move(personnel)),
          items_(std::move(items)),
          savings_(std::move(savings)),
          pc_(*personnel_),
          ic_(*items_),
          sc_(*savings_),
          pix_(personnelIndexes(pc_)),
          iix_(itemIndexes(ic_)),
          six_(savingsIndexes(sc_)) {}

    bool nextWorker(Worker& w) override {
        if (!next(*personnel_, conn_)) return false;
        readWorker(pc_, pix_, w);
        return true;
    }
    bool nextItem(ItemRow& r) override {
        if (!next(*items_, itemsConn_)) return false;
        readItem(ic_, iix_, r);
        return true;
    }
    bool nextSaving(SavingsRow& s) override {
        if (!next(*savings_, savingsConn_)) return false;
        readSaving(sc_, six_, s);
        return true;
    }

private:
    bool next(RowStream& rs, Connection& conn) {
        try {
            return rs.next();
        } catch (const DbError&) {
            ADOERROR(conn, ui_);
            throw MonthRowsFailed{};
        }
    }

    Connection& conn_;
    Connection& itemsConn_;
    Connection& savingsConn_;
    UiPort& ui_;
    std::unique_ptr<RowStream> personnel_, items_, savings_;
    Columns<RowStream> pc_, ic_, sc_;
    std::array<int, 23> pix_;
    std::array<int, 11> iix_;
    std::array<int, 8> six_;
};

}  // namespace

std::unique_ptr<MonthRows> openMonthRows(Connection& conn, Connection& itemsConn, Connection& savingsConn,
                                         const LoadRequest& req, UiPort& ui) {
    MonthSql q;
    std::string savings;
    try {
        const std::string y = sqlYear(req.year), qm = sqlText(sqlMonth(req.month));
        q = monthSql(y, qm, req);
        savings = savingsSql(y, qm, req, true);
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), "Alto");
        return nullptr;
    }
    std::unique_ptr<RowStream> items, personnel, contracts;
    auto open = [&](Connection& c, const std::string& sql, std::unique_ptr<RowStream>& out) {
        try {
            BusyCursor wait(ui);
            out = c.stream(sql);
            return true;
        } catch (const DbError&) {
            ui.info(sql, "Atención");
            ADOERROR(c, ui);
            return false;
        }
    };
    if (!open(itemsConn, q.workerItems, items) || !open(savingsConn, savings, contracts) ||
        !open(conn, q.personnel, personnel))
        return nullptr;
    return std::make_unique<ServerMonthRows>(conn, itemsConn, savingsConn, ui, std::move(personnel), std::move(items),
                                             std::move(contracts));
}

bool loadLeaveWorkers(Connection& conn, const LoadRequest& req, UiPort& ui, std::vector<std::string>& codes) {
    Loader db(conn, ui);
    std::string sql;
    try {
        std::string range;
        if (!trim(req.codeFrom).empty())
            range = " and codigo_per_remu BETWEEN " + sqlText(req.codeFrom) + " and " + sqlText(req.codeTo);
        // The server's LIKE (case- and accent-blind, anywhere in the text) takes in
        // every row the exact test below keeps, and few others.
        sql = "SELECT codigo_per_remu, codigo_hd_remu, nombre_hd_remu, codigo_mov_remu FROM " +
              sqlYearTable(sqlYear(req.year), "_habdes_remu") + " WHERE mes_hd_remu = " + sqlText(sqlMonth(req.month)) +
              range + " and codigo_per_remu <> '    ' and (codigo_hd_remu LIKE " +
              sqlText(std::string("%") + LineCode::Absence + "%") + " or nombre_hd_remu LIKE " +
              sqlText(std::string("%") + LineText::MedicalLeave + "%") + ")";
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), "Alto");
        return false;
    }
    // Read as they come: at 100,000 workers the candidates are tens of thousands of rows.
    std::set<std::string> found;
    std::array<int, 4> ix{};
    bool first = true;
    ItemRow r;
    if (!db.eachRow(sql, [&](const RowStream& rs) {
            Columns c(rs);
            if (first) {
                ix = {c("codigo_per_remu"), c("codigo_hd_remu"), c("nombre_hd_remu"), c("codigo_mov_remu")};
                first = false;
            }
            r.workerCode = c.text(ix[0]);
            r.code = c.text(ix[1]);
            r.name = c.text(ix[2]);
            r.movementCode = c.text(ix[3]);
            if (isMedicalLeaveItem(r)) found.insert(trim(r.workerCode));
        }))
        return false;
    codes.assign(found.begin(), found.end());
    return true;
}

}  // namespace remu
