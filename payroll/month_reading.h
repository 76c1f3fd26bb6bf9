#pragma once
// How the month's inputs are read: column access by name over a fetched record
// set or a stream of rows, the reading of items, personnel rows and savings
// contracts, and the month's statements. Shared by the whole-month loader and
// the sources a run reads as it goes; not for use elsewhere.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "data/query.h"
#include "data/sql.h"
#include "format/text.h"
#include "payroll/constants.h"
#include "payroll/days.h"
#include "payroll/loader.h"

namespace remu::month_reading {

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

inline bool readItems(Loader& db, const std::string& sql, std::vector<ItemRow>& out) {
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

inline MonthSql monthSql(const std::string& y, const std::string& qm, const LoadRequest& req) {
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
inline std::string savingsSql(const std::string& y, const std::string& qm, const LoadRequest& req, bool inCodeOrder = false) {
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
inline ItemRow defaultDaysItem() {
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

}  // namespace remu::month_reading
