#include "payroll/loader.h"

#include "payroll/month_reading.h"

namespace remu {

using namespace month_reading;

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

}  // namespace remu
