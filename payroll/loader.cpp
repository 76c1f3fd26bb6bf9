#include "payroll/loader.h"

#include <array>
#include <set>

#include "data/query.h"
#include "data/sql.h"
#include "format/text.h"
#include "payroll/constants.h"
#include "payroll/days.h"

namespace remu {

namespace {

// Column access by name, resolved once per query; a missing column reads empty.
// Over a fetched recordset or a stream of rows alike.
inline std::string fieldText(const Recordset& rs, int i) { return rs.Fields(i).text(); }
inline double fieldNumber(const Recordset& rs, int i) { return rs.Fields(i).number(); }
inline Date fieldDate(const Recordset& rs, int i) { return rs.Fields(i).date(); }
inline std::string fieldText(const RowStream& rs, int i) { return rs.text(i); }
inline void fieldText(const Recordset& rs, int i, std::string& out) { out = rs.Fields(i).text(); }
inline void fieldText(const RowStream& rs, int i, std::string& out) { rs.text(i, out); }
inline double fieldNumber(const RowStream& rs, int i) { return rs.number(i); }
inline Date fieldDate(const RowStream& rs, int i) { return rs.date(i); }

template <class Rows>
class Columns {
public:
    explicit Columns(const Rows& rs) : rs_(rs) {}
    int operator()(std::string_view name) const { return rs_.FieldIndex(name); }
    std::string text(int i) const { return i < 0 ? std::string() : fieldText(rs_, i); }
    // Into a string kept from an earlier row: rows read one after another reuse its room.
    void text(int i, std::string& out) const {
        if (i < 0) out.clear();
        else fieldText(rs_, i, out);
    }
    double number(int i) const { return i < 0 ? 0 : fieldNumber(rs_, i); }
    Date date(int i) const { return i < 0 ? Date{} : fieldDate(rs_, i); }

private:
    const Rows& rs_;
};
template <class Rows>
Columns(const Rows&) -> Columns<Rows>;

class Loader {
public:
    Loader(Connection& conn, UiPort& ui) : conn_(conn), ui_(ui) {}

    // Runs a query; false (reported) when it failed. An empty result is fine.
    bool fetch(std::unique_ptr<Recordset>& rs, const std::string& sql) {
        if (BUSCA_X(rs, sql, conn_, "  ", ui_)) return true;
        return rs && rs->isOpen();
    }
    // The month's row of a table the month check has already read, when it did: the
    // check compares the month by value (a row '3' passes for '03') and the run by
    // text, so its rows are searched for the month as text and the set is left at its
    // end when none is. Otherwise runs the query.
    bool fetchMonthRow(std::unique_ptr<Recordset>& rs, std::unique_ptr<Recordset>* checked, std::string_view column,
                       const std::string& month, const std::string& sql) {
        if (!checked || !*checked || !(*checked)->isOpen()) return fetch(rs, sql);
        rs = std::move(*checked);
        const int at = rs->FieldIndex(column);
        if (rs->Eof() && rs->RecordCount() == 0) return true;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            if (at >= 0 && upper(rtrim(rs->Fields(at).text())) == upper(month)) break;
        return true;
    }
    bool exec(const std::string& sql) { return EJECUTA_SQL(sql, conn_, ui_); }

    // Runs a query and hands its rows to `row` one at a time as the server sends them,
    // so a big result is never held whole; false (reported) when the query failed or
    // the server stopped half-way. `row` gets the stream and may not run statements.
    template <class OnRow>
    bool eachRow(const std::string& sql, OnRow&& row) {
        std::unique_ptr<RowStream> rs;
        try {
            BusyCursor wait(ui_);
            rs = conn_.stream(sql);
        } catch (const DbError&) {
            ui_.info(sql, "Atención");
            ADOERROR(conn_, ui_);
            return false;
        }
        try {
            while (rs->next()) row(*rs);
        } catch (const DbError&) {
            ADOERROR(conn_, ui_);
            return false;
        }
        return true;
    }

private:
    Connection& conn_;
    UiPort& ui_;
};

// Only the columns read below: the month's items are the biggest result of the
// run, and every fetched field costs a value on both sides of the connection.
constexpr const char* kItemColumns =
    "codigo_per_remu, nombre_per_remu, codigo_hd_remu, nombre_hd_remu, tipo_hd_remu, imponi_hd_remu, "
    "valor_hd_remu, formula_hd_remu, codigo_mov_remu, fecdes_remu, fechas_remu";

template <class Rows>
std::array<int, 11> itemIndexes(const Columns<Rows>& c) {
    return {c("codigo_per_remu"), c("nombre_per_remu"), c("codigo_hd_remu"), c("nombre_hd_remu"),
            c("tipo_hd_remu"),    c("imponi_hd_remu"),  c("valor_hd_remu"),  c("formula_hd_remu"),
            c("codigo_mov_remu"), c("fecdes_remu"),     c("fechas_remu")};
}

template <class Rows>
void readItem(const Columns<Rows>& c, const std::array<int, 11>& ix, ItemRow& r) {
    c.text(ix[0], r.workerCode);
    c.text(ix[1], r.workerName);
    c.text(ix[2], r.code);
    c.text(ix[3], r.name);
    r.type = static_cast<int>(c.number(ix[4]));
    r.taxable = static_cast<int>(c.number(ix[5]));
    r.value = c.number(ix[6]);
    c.text(ix[7], r.formula);
    c.text(ix[8], r.movementCode);
    r.from = c.date(ix[9]);
    r.to = c.date(ix[10]);
}

bool readItems(Loader& db, const std::string& sql, std::vector<ItemRow>& out) {
    std::unique_ptr<Recordset> rs;
    if (!db.fetch(rs, sql)) return false;
    Columns c(*rs);
    const auto ix = itemIndexes(c);
    out.reserve(static_cast<size_t>(rs->RecordCount()));
    for (; !rs->Eof(); rs->MoveNext()) readItem(c, ix, out.emplace_back());
    return true;
}

// The personnel table is wide; only the columns the calculation reads are fetched.
constexpr const char* kPersonnelColumns =
    "codigo_per, nombre_per, apepat_per, apemat_per, nombres_per, anomes_termino_per, "
    "sueldo_base_per, moneda_sueldo_per, moneda_sueldo_valor_per, dias_jornada_parcial_per, "
    "cargas_simples_per, tramo_carga_per, tipo_trabajador_per, codigo_afp_per, codigo_ips_per, "
    "codigo_isa_per, pactado_isapre_per, valor_pactado_per, adicional_pesos_per, sueldo_patronal_per, "
    "seguro_cesantia_per, sis_per, cencosto_per";

template <class Rows>
std::array<int, 23> personnelIndexes(const Columns<Rows>& c) {
    return {c("codigo_per"),          c("nombre_per"),          c("apepat_per"),
            c("apemat_per"),          c("nombres_per"),         c("anomes_termino_per"),
            c("sueldo_base_per"),     c("moneda_sueldo_per"),   c("moneda_sueldo_valor_per"),
            c("dias_jornada_parcial_per"), c("cargas_simples_per"), c("tramo_carga_per"),
            c("tipo_trabajador_per"), c("codigo_afp_per"),      c("codigo_ips_per"),
            c("codigo_isa_per"),      c("pactado_isapre_per"),  c("valor_pactado_per"),
            c("adicional_pesos_per"), c("sueldo_patronal_per"), c("seguro_cesantia_per"),
            c("sis_per"),             c("cencosto_per")};
}

template <class Rows>
void readWorker(const Columns<Rows>& c, const std::array<int, 23>& ix, Worker& w) {
    c.text(ix[0], w.codigo);
    c.text(ix[1], w.nombre);
    c.text(ix[2], w.apepat);
    c.text(ix[3], w.apemat);
    c.text(ix[4], w.nombres);
    w.anomesTermino = static_cast<long>(c.number(ix[5]));
    w.sueldoBase = c.number(ix[6]);
    w.moneda = static_cast<int>(c.number(ix[7]));
    w.monedaValor = c.number(ix[8]);
    w.diasJornadaParcial = c.number(ix[9]);
    w.cargas = c.number(ix[10]);
    c.text(ix[11], w.tramo);
    c.text(ix[12], w.tipoTrabajador);
    c.text(ix[13], w.afp);
    c.text(ix[14], w.ips);
    c.text(ix[15], w.isa);
    w.pactado = static_cast<int>(c.number(ix[16]));
    w.valorPactado = c.number(ix[17]);
    w.adicionalPesos = c.number(ix[18]);
    w.sueldoPatronal = c.number(ix[19]);
    w.seguroCesantia = static_cast<int>(c.number(ix[20]));
    w.sis = static_cast<int>(c.number(ix[21]));
    c.text(ix[22], w.cencosto);
}

// The statements of the month's personnel and of its workers' own items, in
// worker-code order (the range only when one is given).
struct MonthSql {
    std::string personnel, workerItems;
};

MonthSql monthSql(const std::string& y, const std::string& qm, const LoadRequest& req) {
    MonthSql q;
    std::string range, workerRange;
    if (!trim(req.codeFrom).empty()) {
        range = " and codigo_per BETWEEN " + sqlText(req.codeFrom) + " and " + sqlText(req.codeTo);
        workerRange = " and codigo_per_remu BETWEEN " + sqlText(req.codeFrom) + " and " + sqlText(req.codeTo);
    }
    q.personnel = std::string("SELECT ") + kPersonnelColumns + " FROM " + sqlYearTable(y, "_personal") +
                  " where mes_per = " + qm + range + " order by codigo_per";
    q.workerItems = std::string("SELECT ") + kItemColumns + " FROM " + sqlYearTable(y, "_habdes_remu") +
                    " WHERE mes_hd_remu = " + qm + workerRange + " and codigo_per_remu <> '    ' order by codigo_per_remu";
    return q;
}

// The month's savings contracts. A contract belongs to the worker whose code contains
// its own (LIKE '%code%'): a run for one worker reads the contracts he can be given and
// no others, the whole month's being the bulk of them at a big employer. In worker-code
// order, except with "APV_SEP.TXT", where the run takes them in the server's order;
// `inCodeOrder` asks for code order then too, the contracts of one code in the order
// of their rows, as the server gives them either way.
std::string savingsSql(const std::string& y, const std::string& qm, const LoadRequest& req, bool inCodeOrder = false) {
    std::string oneWorker;
    if (!trim(req.codeFrom).empty() && trim(req.codeFrom) == trim(req.codeTo))
        oneWorker = " and LOCATE(TRIM(codper_apv), " + sqlText(trim(req.codeFrom)) + ") > 0";
    std::string order;
    if (!req.separateSavings) order = " ORDER BY codper_apv";
    else if (inCodeOrder) order = " ORDER BY codper_apv, id";
    return "SELECT * FROM " + sqlYearTable(y, "_apv") + " where mes_apv = " + qm + oneWorker + order;
}

template <class Rows>
std::array<int, 8> savingsIndexes(const Columns<Rows>& c) {
    return {c("codper_apv"), c("nomper_apv"), c("codigo_inst_apv"), c("nominst_apv"),
            c("valor_apv"),  c("formula_apv"), c("rebaja_tributable"), c("desactivado")};
}

template <class Rows>
void readSaving(const Columns<Rows>& c, const std::array<int, 8>& ix, SavingsRow& s) {
    s.workerCode = c.text(ix[0]);
    s.workerName = c.text(ix[1]);
    s.institution = c.text(ix[2]);
    s.institutionName = c.text(ix[3]);
    s.value = c.number(ix[4]);
    s.formula = c.text(ix[5]);
    s.deductible = c.number(ix[6]);
    s.disabled = c.number(ix[7]);
}

// The month's default days item as the run inserts it.
ItemRow defaultDaysItem() {
    ItemRow r;
    r.workerCode = "  ";
    r.workerName = "  ";
    r.code = LineCode::DaysWorked;
    r.name = LineText::DaysWorked;
    r.type = LineType::Control;
    r.taxable = 0;
    r.value = Law::MonthDays;
    r.formula = "   ";
    r.movementCode = " ";
    return r;
}

}  // namespace

bool loadMonthInputs(Connection& conn, const LoadRequest& req, UiPort& ui, MonthInputs& in) {
    Loader db(conn, ui);
    std::string y, m, client;
    try {
        y = sqlYear(req.year);
        m = sqlMonth(req.month);
        client = sqlName(trim(req.clientId) + "_REMU");
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), "Alto");
        return false;
    }
    const std::string qm = sqlText(req.month);
    const bool ranged = !trim(req.codeFrom).empty();
    in.year = req.year;
    in.month = req.month;
    in.clientId = req.clientId;
    in.codeFrom = req.codeFrom;
    in.codeTo = req.codeTo;
    in.separateSavings = req.separateSavings;
    std::unique_ptr<Recordset> rs;

    // Adjustments of the month.
    if (!db.fetch(rs, "SELECT * FROM " + sqlYearTable(y, "_ajuste") + " WHERE mes_rem = " + qm)) return false;
    {
        Columns c(*rs);
        int p = c("person_rem"), n = c("nombre_rem"), h = c("habdes_rem"), t = c("tipo_rem"), d = c("descri_rem"),
            v = c("valfin_rem");
        for (; !rs->Eof(); rs->MoveNext())
            in.adjustments.push_back({c.text(p), c.text(n), c.text(h), static_cast<int>(c.number(t)), c.text(d), c.number(v)});
    }

    // Month parameters.
    MonthCheckRows* checked = req.checked;
    if (!db.fetchMonthRow(rs, checked ? &checked->params : nullptr, "mes_par", req.month,
                          "SELECT * FROM " + client + "." + sqlYearTable(y, "_parametros") + " where mes_par = " + qm))
        return false;
    if (!rs->Eof()) {
        Columns c(*rs);
        MonthParams& p = in.params;
        p.VALOUF = c.number(c("valor_uf_par"));
        p.VALUSD = c.number(c("valor_usd"));
        p.VALEURO = c.number(c("valor_euro"));
        p.taxableCap = c.number(c("tope_imponible_par"));
        p.unemploymentCap = c.number(c("tope_imponible_cesantia_par"));
        p.sisRate = c.number(c("sis_par"));
        p.INGMIN = c.number(c("ingreso_minimo_par"));
        p.GRAMAX = c.number(c("tope_gratificacion"));
        p.holidays = c.text(c("feriados_mes_par"));
        for (int k = 0; k < 4; ++k) p.familyAllowance[k] = c.number(c("valor" + std::to_string(k + 1) + "_tabasifa"));
    }

    // Company data; a row that vanished since the month check is created with no insurers.
    if (!db.fetchMonthRow(rs, checked ? &checked->company : nullptr, "mes_datemp", req.month,
                          "SELECT * FROM " + sqlYearTable(y, "_datos_empresa") + " where mes_datemp = " + qm))
        return false;
    if (rs->Eof()) {
        if (!req.readOnly && !db.exec("INSERT INTO " + sqlYearTable(y, "_datos_empresa") + " (mes_datemp, codigo_mutual_datemp, codigo_ccaf_datemp) VALUES (" +
                     qm + ", '00', '00')"))
            return false;
        in.company = CompanyData{};
    } else {
        Columns c(*rs);
        in.company.mutualCode = c.text(c("codigo_mutual_datemp"));
        in.company.mutualRate = c.number(c("porcentaje_mutual_datemp"));
        in.company.ccafCode = c.text(c("codigo_ccaf_datemp"));
        in.company.ccafRate = c.number(c("porcentaje_ccaf_datemp"));
    }

    // Tax table.
    if (!db.fetchMonthRow(rs, checked ? &checked->tax : nullptr, "MES", req.month,
                          "SELECT * FROM " + client + "." + sqlYearTable(y, "_tabu") + " where MES = " + qm))
        return false;
    if (!rs->Eof()) {
        Columns c(*rs);
        TaxTable t;
        t.UTM = c.number(c("UTM"));
        for (int k = 0; k < 8; ++k) {
            std::string n = (k < 9 ? "0" : "") + std::to_string(k + 1);
            t.from[k] = c.number(c("DESDE_PESOS" + n));
            t.to[k] = c.number(c("HASTA_PESOS" + n));
            t.factor[k] = c.number(c("FACTOR" + n));
            t.rebate[k] = c.number(c("REBAJA_PESOS" + n));
        }
        in.tax = t;
    }

    // Reference tables, whole.
    if (!db.fetch(rs, "SELECT * FROM " + sqlYearTable(y, "_habdes"))) return false;
    {
        Columns c(*rs);
        int code = c("codigo_had"), sem = c("semcor_had");
        for (; !rs->Eof(); rs->MoveNext()) in.catalog.push_back({c.text(code), static_cast<int>(c.number(sem))});
    }
    if (!db.fetch(rs, "SELECT * FROM " + client + "." + sqlYearTable(y, "_afp"))) return false;
    {
        Columns c(*rs);
        int code = c("codigo_afp"), name = c("nombre_afp"), rate = c("mes_" + req.month);
        for (; !rs->Eof(); rs->MoveNext()) in.funds.push_back({c.text(code), c.text(name), c.number(rate)});
    }
    if (!db.fetch(rs, "SELECT * FROM " + client + "." + sqlYearTable(y, "_isapre"))) return false;
    {
        Columns c(*rs);
        int code = c("codigo_isa"), name = c("nombre_isa"), rate = c("porcen_isa");
        for (; !rs->Eof(); rs->MoveNext()) in.insurers.push_back({c.text(code), c.text(name), c.number(rate)});
    }
    auto codeNames = [&](const std::string& sql, const char* code, const char* name, std::vector<CodeName>& out) {
        if (!db.fetch(rs, sql)) return false;
        Columns c(*rs);
        int ci = c(code), ni = c(name);
        for (; !rs->Eof(); rs->MoveNext()) out.push_back({c.text(ci), c.text(ni)});
        return true;
    };
    if (!codeNames("SELECT * FROM " + client + "." + sqlYearTable(y, "_ccaf"), "codigo_caj", "nombre_caj", in.ccafs)) return false;
    if (!codeNames("SELECT * FROM " + client + "." + sqlYearTable(y, "_mutual"), "codigo_mut", "nombre_mut", in.mutuals)) return false;
    if (!codeNames("SELECT * FROM " + client + "." + sqlName("movim_personal"), "codigo_mov", "nombre_mov", in.movements))
        return false;

    // Personnel of the month (the range only when one is given).
    const MonthSql month = monthSql(y, qm, req);
    if (ranged || req.streamed) {
        // Whether the month has anybody at all, in the range or not (a streamed run reads the rows later).
        if (!db.fetch(rs, "SELECT codigo_per FROM " + sqlYearTable(y, "_personal") + " where mes_per = " + qm + " LIMIT 1"))
            return false;
        in.monthHasPersonnel = !rs->Eof();
    }
    if (!req.streamed) {
        if (!db.fetch(rs, month.personnel)) return false;
        if (!ranged) in.monthHasPersonnel = !rs->Eof();
        Columns c(*rs);
        const auto ix = personnelIndexes(c);
        in.personnel.reserve(static_cast<size_t>(rs->RecordCount()));
        for (; !rs->Eof(); rs->MoveNext()) readWorker(c, ix, in.personnel.emplace_back());
    }
    if (!in.monthHasPersonnel) return true;

    // The month's default days item, unless the month already has any days line.
    const std::string items = sqlYearTable(y, "_habdes_remu");
    if (!db.fetch(rs, "SELECT codigo_hd_remu FROM " + items + " where codigo_hd_remu = " +
                          sqlText(LineCode::DaysWorked) + " AND mes_hd_remu = " + qm + " LIMIT 1"))
        return false;
    const bool addDaysItem = rs->Eof();
    if (addDaysItem && !req.readOnly &&
        !db.exec("INSERT INTO " + items +
                 " (mes_hd_remu, codigo_hd_remu, nombre_hd_remu, cencos_per_remu, tipo_hd_remu, imponi_hd_remu, "
                 "codigo_per_remu, nombre_per_remu, cencos_hd_remu, valor_hd_remu, formula_hd_remu, fijo_remu, "
                 "codigo_mov_remu, nombre_mov_remu) VALUES (" +
                 qm + ", " + sqlText(LineCode::DaysWorked) + ", " + sqlText(LineText::DaysWorked) + ", '  ', " +
                 sqlNumber(LineType::Control) + ", 0, '  ', '  ', '    ', " + sqlNumber(static_cast<int>(Law::MonthDays)) +
                 ", '   ', 1, ' ', ' ')"))
        return false;

    // Items: the range reads the same rows the shared copy held, straight from the month's table.
    if (!req.streamed && !readItems(db, month.workerItems, in.workerItems)) return false;
    if (!readItems(db,
                   std::string("SELECT ") + kItemColumns + " FROM " + items + " WHERE mes_hd_remu = " + qm +
                       " and codigo_per_remu = '    '",
                   in.commonItems))
        return false;
    // Where the inserted row would have come back: the newest of the month's common items.
    if (addDaysItem && req.readOnly) in.commonItems.push_back(defaultDaysItem());

    // Savings contracts (a streamed run reads them as it goes, through openMonthRows).
    if (req.streamed) return true;
    if (!db.fetch(rs, savingsSql(y, qm, req))) return false;
    {
        Columns c(*rs);
        const auto ix = savingsIndexes(c);
        for (; !rs->Eof(); rs->MoveNext()) readSaving(c, ix, in.savings.emplace_back());
    }
    return true;
}

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
