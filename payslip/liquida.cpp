#include "payslip/liquida.h"

#include "data/connection.h"
#include "data/personnel_table.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/helpers.h"
#include "format/text.h"

namespace remu {

namespace {

// The open months of the year, in order, as the month list shows them; false after
// telling why when one of them is no month. A failed query leaves the list empty.
bool monthChoices(Session& s, UiPort& ui, const std::string& year, std::vector<std::string>& out) {
    std::unique_ptr<Recordset> rs;
    if (!BUSCA_X(rs, "SELECT * FROM " + sqlYearTable(year, "_meses") + " order by mes", *s.OCON, "  ", ui))
        return true;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const std::string mes = trim(rs->Fields("mes").text());
        auto period = Period::parse(year, mes);
        if (!period) {
            ui.stop(Period::problem(year, mes), "Alto");
            return false;
        }
        out.push_back(period->monthChoice());
    }
    return true;
}

}  // namespace

void closeLiquida(Session& s) {
    if (s.OCON) s.OCON->close();
    s.OCON.reset();
}

void CAMBIA_PERIODO(Session& s) {
    if (s.N_MES < 1 || s.N_MES > static_cast<int>(s.TAB_MESES.size()) || s.period.isNull()) return;
    if (int month = monthOfChoice(s.TAB_MESES[static_cast<size_t>(s.N_MES - 1)])) s.period = s.period.withMonth(month);
}

bool prepareLiquida(Session& s, UiPort& ui) {
    if (!CONECTA(s, ui, s.OCON)) return false;
    s.CSUBTITUFIRMA = "'V°B° ADMINISTRACION'";
    s.LCCAF_MAS_FONASA = false;
    auto fail = [&] {
        closeLiquida(s);
        return false;
    };
    // The year is the open one the login found (C_ANO := ANO_PUBLICO).
    const std::string year = trim(s.ANO_PUBLICO);
    if (auto problem = Period::yearProblem(year); !problem.empty()) {
        ui.stop(problem, "Alto");
        return fail();
    }
    s.TAB_MESES.clear();
    if (!monthChoices(s, ui, year, s.TAB_MESES)) return fail();
    std::unique_ptr<Recordset> rs;
    if (!BUSCA_X(rs, "SELECT * FROM " + sqlYearTable(year, "_meses") + " order by mes desc", *s.OCON, "  ", ui)) {
        ui.alert("Debe seleccionar un mes de trabajo", "Atención");
        return fail();
    }
    s.MES_PUBLICO = trim(rs->Fields("mes").text());
    const auto latest = Period::parse(year, s.MES_PUBLICO);
    if (!latest) {
        ui.stop(Period::problem(year, s.MES_PUBLICO), "Alto");
        return fail();
    }

    s.N_MES = static_cast<int>(s.TAB_MESES.size());
    if (!isBlank(s.MES_FIJO)) {
        // A fixed month that the year does not have leaves the latest one chosen.
        for (size_t i = 0; i < s.TAB_MESES.size(); ++i)
            if (charSubstr(s.TAB_MESES[i], 1, 2) == trim(s.MES_FIJO)) s.N_MES = static_cast<int>(i) + 1;
    }
    s.period = *latest;
    CAMBIA_PERIODO(s);

    s.CCENCOS = s.CCENCOS_NOMBRE = s.CCODIGO_PERD = s.CNOMBRE_PERD = s.CCODIGO_PERH = s.CNOMBRE_PERH = "    ";
    s.DFECHA = Clock::today();
    s.CPROCESO = " ";

    if (s.workerBound()) {
        PersonnelRow w;
        if (PersonnelTable(*s.OCON, ui).byRut(s.period, s.CRUT_CONEXION_TRABAJADOR, w) == PersonnelTable::Found::Yes) {
            s.CCODIGO_PERD = w.codigo_per;
            // The worker sees whose slip he is about to get.
            s.CNOMBRE_PERD = w.nombre_per;
        }
    }
    return true;
}

bool validCostCentre(Session& s, UiPort& ui) {
    s.CCENCOS_NOMBRE = std::string(30, ' ');
    if (isBlank(s.CCENCOS) || !s.OCON) return true;
    try {
        std::unique_ptr<Recordset> rs;
        if (!BUSCA_X(rs,
                     "SELECT * FROM " + sqlName(trim(s.CID_CLIENTE_CONT)) + "." + sqlYearTable(s.period, "_centrocosto") +
                         " WHERE codigo_cc = " + sqlText(trim(s.CCENCOS)),
                     *s.OCON, "  ", ui))
            return false;
        s.CCENCOS_NOMBRE = rs->Fields("nombre_cc").text();
        return true;
    } catch (const BadIdentifier& e) {
        // The company data names an accounting database that no database can be.
        ui.stop(e.what(), "Error");
        return false;
    }
}

bool validWorker(Session& s, UiPort& ui, std::string& code, std::string& name, bool isTo) {
    if (isBlank(code) || !s.OCON) return true;
    ZEROS_FF(code);
    PersonnelRow w;
    if (PersonnelTable(*s.OCON, ui).byCode(s.period, code, w, isTo ? "trabajador" : "  ") ==
        PersonnelTable::Found::Yes) {
        name = w.nombre_per;
        return true;
    }
    name = std::string(30, ' ');
    return !isTo;
}

std::string costCentreLookupSql(const Session& s) {
    return "SELECT * FROM " + sqlName(trim(s.CID_CLIENTE_CONT)) + "." + sqlYearTable(s.period, "_centrocosto") +
           " ORDER BY codigo_cc";
}

std::string workerLookupSql(const Session& s, bool allOfMonth) {
    return allOfMonth ? PersonnelTable::monthListSql(s.period) : PersonnelTable::activeListSql(s.period);
}

bool outputAllowed(const Session& s, UiPort& ui) {
    if (s.workerBound() && isBlank(s.CCODIGO_PERD)) {
        ui.alert("Trabajador No Encontrado", "Alerta");
        return false;
    }
    return true;
}

}  // namespace remu
