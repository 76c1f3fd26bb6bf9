#include "cli/company_month.h"

#include <cstdlib>
#include <iostream>
#include <optional>

#include "data/dbf_table.h"
#include "data/local_tables.h"
#include "data/connection.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/text.h"

namespace remu::cli {

bool openCompanyMonth(const Args& a, Session& s, UiPort& ui, const char* usage, int& status) {
    std::string empresa = a.option("empresa", ""), ano = a.option("ano", ""), mes = a.option("mes", "");
    if (empresa.empty() || ano.size() != 4 || mes.empty()) {
        std::cerr << usage << "\n";
        status = 2;
        return false;
    }
    status = 1;
    // The period is checked here, once: everything after it names tables with it.
    auto period = Period::parse(ano, mes);
    if (!period) {
        ui.stop(Period::problem(ano, mes), "Alto");
        return false;
    }
    s.period = *period;
    s.N_MES = period->month();
    return openCompany(a, s, ui, usage, status);
}

bool openCompany(const Args& a, Session& s, UiPort& ui, const char* usage, int& status) {
    std::string empresa = a.option("empresa", "");
    if (empresa.empty()) {
        std::cerr << usage << "\n";
        status = 2;
        return false;
    }
    status = 1;
    std::optional<ConnectionRecord> rec;
    try {
        rec = readConexion(a.option("dir", "."));
    } catch (const DbfError& e) {
        reportDbfError(ui, e);
        return false;
    }
    if (!rec) {
        ui.stop("CONEXION.DBF no tiene datos de conexión", "Alto");
        return false;
    }
    s.CHOST = rec->HOST;
    s.CNOM_HOST = rec->NOM_HOST;
    s.CUSER = rec->USER;
    s.CPASSWORD = rec->CLAVE;
    s.ID_CLIENTE = trim(a.option("cliente", rec->DATABASE));
    s.CDATABASE = empresa;
    return CONECTA(s, ui, s.OCON);
}

std::string accountingDatabase(Session& s) {
    if (!s.OCON) return {};
    try {
        auto rs = s.OCON->query("SELECT id_cliente_cont_datemp FROM " + sqlYearTable(s.period, "_datos_empresa") +
                                " where mes_datemp = " + sqlMonth(s.period));
        if (!rs->Eof()) return trim(rs->Fields(0).text());
    } catch (const std::exception&) {
        // Without it the slips show no cost centre names.
    }
    return {};
}

void setAccountingDatabase(const Args& a, Session& s) {
    s.CID_CLIENTE_CONT = a.option("contabilidad", "");
    if (s.CID_CLIENTE_CONT.empty()) s.CID_CLIENTE_CONT = accountingDatabase(s);
}

}  // namespace remu::cli
